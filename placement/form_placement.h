// TFormPlacement: a non-visual component on a form that restores the form's window placement
// (and optionally its focused control) from a settings file or registry key when the form is
// first shown, and saves it when the form closes or is destroyed. Through a window hook it also
// imposes minimum and maximum tracking sizes (MinMaxInfo) or forbids resizing (PreventResize).
//
// The settings file is opened for each save, restore, or single read or write, and closed again
// at its end, also on error. Errors of the automatic restore and saves go to the application's
// exception handler: the form still shows, closes and is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "placement/window_hook.h"
#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"

namespace vcl {
class TIniFile;
class TRegIniFile;
}  // namespace vcl

namespace placement {

class TFormPlacement;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = vcl::TEnumSet<TPlacementOption, uint8_t>;

// The registry roots a placement can be kept under.
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// Size limits of a form, shaped like the platform's MINMAXINFO; 0 means "no limit". The record
// is "default" while all eight values are 0.
class TWinMinMaxInfo : public vcl::TPersistent {
  VCL_CLASS(TWinMinMaxInfo, vcl::TPersistent)
  explicit TWinMinMaxInfo(TFormPlacement* owner) : owner_(owner) {}

  // Copies the whole record from another TWinMinMaxInfo.
  void Assign(vcl::TPersistent* source) override;

  // The values by index: 0 MaxPosLeft, 1 MaxPosTop, 2 MaxSizeHeight, 3 MaxSizeWidth,
  // 4 MaxTrackHeight, 5 MaxTrackWidth, 6 MinTrackHeight, 7 MinTrackWidth.
  int GetMinMaxInfo(int index) const;
  // A different value tells the owning placement.
  void SetMinMaxInfo(int index, int value);

  int MaxPosLeft() const { return GetMinMaxInfo(0); }
  int MaxPosTop() const { return GetMinMaxInfo(1); }
  int MaxSizeHeight() const { return GetMinMaxInfo(2); }
  int MaxSizeWidth() const { return GetMinMaxInfo(3); }
  int MaxTrackHeight() const { return GetMinMaxInfo(4); }
  int MaxTrackWidth() const { return GetMinMaxInfo(5); }
  int MinTrackHeight() const { return GetMinMaxInfo(6); }
  int MinTrackWidth() const { return GetMinMaxInfo(7); }
  void SetMaxPosLeft(int v) { SetMinMaxInfo(0, v); }
  void SetMaxPosTop(int v) { SetMinMaxInfo(1, v); }
  void SetMaxSizeHeight(int v) { SetMinMaxInfo(2, v); }
  void SetMaxSizeWidth(int v) { SetMinMaxInfo(3, v); }
  void SetMaxTrackHeight(int v) { SetMinMaxInfo(4, v); }
  void SetMaxTrackWidth(int v) { SetMinMaxInfo(5, v); }
  void SetMinTrackHeight(int v) { SetMinMaxInfo(6, v); }
  void SetMinTrackWidth(int v) { SetMinMaxInfo(7, v); }

  bool DefaultMinMaxInfo() const;
  const MINMAXINFO& Record() const { return info_; }

 private:
  LONG& Field(int index);
  TFormPlacement* owner_;
  MINMAXINFO info_{};
};

class TFormPlacement : public vcl::TComponent {
  VCL_CLASS(TFormPlacement, vcl::TComponent)
  explicit TFormPlacement(vcl::TComponent* owner);
  ~TFormPlacement() override;

  // When off, showing, closing and destroying the form do nothing.
  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  // The settings file (or registry key). Empty means the program's default (DefaultIniFileName,
  // or DefaultRegistryKey with UseRegistry); a file name without a folder lives beside the
  // program.
  std::string IniFileName() const;
  void SetIniFileName(const std::string& value) { iniFileName_ = value; }
  // The section; empty means DefaultIniSection of the owner.
  std::string IniSection() const;
  void SetIniSection(const std::string& value) { iniSection_ = value; }
  // Form data keeps only names that were given, not the defaults.
  bool IsIniFileNameStored() const { return !iniFileName_.empty(); }
  bool IsIniSectionStored() const { return !iniSection_.empty(); }
  bool UseRegistry() const { return useRegistry_; }
  void SetUseRegistry(bool value) { useRegistry_ = value; }
  TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
  void SetRegistryRoot(TPlacementRegRoot value) { registryRoot_ = value; }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions value) { options_ = value; }
  // A stored "FormVersion" below this skips the restore (the layout changed).
  int32_t Version() const { return version_; }
  void SetVersion(int32_t value) { version_ = value; }
  bool PreventResize() const { return preventResize_; }
  void SetPreventResize(bool value);
  TWinMinMaxInfo* MinMaxInfo() const { return minMaxInfo_.get(); }
  void SetMinMaxInfo(TWinMinMaxInfo* value) { minMaxInfo_->Assign(value); }

  // The full save and restore of the placement and whatever a subclass keeps with it.
  void SaveFormState();
  void RestoreFormState();

  // Single values, through the open settings file or one opened for the call.
  virtual std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue);
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  std::string ReadValue(const std::string& ident, const std::string& defaultValue);
  void WriteValue(const std::string& ident, const std::string& value);
  int32_t ReadIntValue(const std::string& ident, int32_t defaultValue);
  void WriteIntValue(const std::string& ident, int32_t value);

  // The open settings file or registry view (nullptr outside a save, restore or single call).
  vcl::TObject* Storage() const;
  // The window hook that imposes the size limits.
  TFormWindowHook* WindowHook() const { return windowHook_; }
  // Whether a restore ran since the component was made.
  bool Restored() const { return restored_; }

  vcl::TNotifyEvent OnSavePlacement;
  vcl::TNotifyEvent OnRestorePlacement;

 protected:
  friend class TWinMinMaxInfo;

  void Loaded() override;
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual void DoSave();
  virtual void DoRestore();

  vcl::TCustomForm* OwnerForm() const;
  // Opens the settings file (or registry view) when none is open; closes it.
  void OpenStorage(bool readOnly);
  void CloseStorage();

  bool restored_ = false;

 private:
  // The form's events while the placement has taken them over.
  void FormShow(vcl::TObject* sender);
  void FormCloseQuery(vcl::TObject* sender, bool& canClose);
  void FormDestroy(vcl::TObject* sender);
  void HookFormEvents();
  void UnhookFormEvents();
  void UpdateWindowHook();
  void UpdatePreventResize();
  void ResetMaximizedPosition();
  void MinMaxInfoChanged();
  void HookMessage(vcl::TObject* sender, vcl::TMessage& message, bool& handled);
  // Runs `work` inside a storage opened for it, unless one is open already.
  template <class Work>
  auto WithStorage(bool readOnly, Work work);

  bool active_ = true;
  std::string iniFileName_;
  std::string iniSection_;
  std::unique_ptr<vcl::TIniFile> iniFile_;
  bool useRegistry_ = false;
  std::unique_ptr<vcl::TRegIniFile> regIniFile_;
  TPlacementRegRoot registryRoot_ = prCurrentUser;
  TPlacementOptions options_{fpState, fpPosition};
  int32_t version_ = 0;
  bool saved_ = false;
  bool destroying_ = false;
  bool preventResize_ = false;
  std::unique_ptr<TWinMinMaxInfo> minMaxInfo_;
  bool defaultMaximize_ = false;
  TFormWindowHook* windowHook_ = nullptr;
  bool formEventsHooked_ = false;
  vcl::TNotifyEvent saveFormShow_;
  vcl::TNotifyEvent saveFormDestroy_;
  vcl::TCloseQueryEvent saveFormCloseQuery_;
};

}  // namespace placement
