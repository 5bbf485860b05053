// Window hooks: any number of TFormWindowHook components watch (and may intercept) the
// messages of one windowed control before and after the control's own window procedure.
//
// The hooks subclass the control's window: one TControlHook per hooked control holds a link
// at the window level of the control's WindowProc chain (window_proc_chain.h), which sees the
// messages that come through the window ahead of everything the control's own message handling
// does, its WindowProc links included. The link belongs to the control, so it outlives a
// recreated window with nothing to install again. One process-wide THookList owns the records
// and a hidden utility window that does deferred work: freeing a record that lost its last
// hook outside any message being dispatched on its window (and installing a record's link
// again on request).
//
// Other code (the skinning of forms) links into the same chains; hooks and its links come and go
// in any order.
#pragma once

#include <functional>
#include <vector>

#include "vcl/classes/component.h"
#include "vcl/controls/messages.h"
#include "vcl/controls/window_proc_chain.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TWinControl;
class TFiler;
}  // namespace vcl

namespace placement {

class TControlHook;

// Sender is the hook component; setting Handled in a before-handler keeps the message from the
// window and from the after-handlers.
using THookMessageEvent = std::function<void(vcl::TObject* Sender, vcl::TMessage& Msg, bool& Handled)>;

// Private messages of the hook list's utility window (lParam: the record).
constexpr UINT WM_HOOK_REINSTALL = 0xB052;
constexpr UINT WM_HOOK_FREERECORD = 0xB053;

// Cursor numbers the placement library registers at start-up (RegisterPlacementCursors).
constexpr int crHandCursor = 14000;
constexpr int crDragCursor = 14001;

class TFormWindowHook : public vcl::TComponent {
  VCL_CLASS(TFormWindowHook, vcl::TComponent)
  explicit TFormWindowHook(vcl::TComponent* owner);
  ~TFormWindowHook() override;

  // Attached exactly while Active is set and a control is given.
  bool Active() const { return active_; }
  void SetActive(bool value);
  // The watched control; changing it moves an active hook to the new control.
  vcl::TWinControl* WinControl() const;
  void SetWinControl(vcl::TWinControl* value);

  void HookControl();
  void UnhookControl();

  void DefineProperties(vcl::TFiler* filer) override;
  // "IsForm" in form data: the hook watches the form that owns it; WinControl itself is then
  // not written (nor for any other form).
  bool IsForm() const;
  bool IsWinControlStored() const;

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  virtual void DoAfterMessage(vcl::TMessage& message, bool& handled);
  virtual void DoBeforeMessage(vcl::TMessage& message, bool& handled);

 private:
  friend class TControlHook;

  bool active_ = true;
  vcl::TWinControl* control_ = nullptr;
  TControlHook* record_ = nullptr;
};

// The subclass of one control's window and the hooks attached to it.
class TControlHook : public vcl::TObject {
  VCL_CLASS(TControlHook, vcl::TObject)
  TControlHook() = default;
  // Detaches every hook (the subclass goes with the last) and leaves the global list.
  ~TControlHook() override;

  vcl::TWinControl* Control() const { return control_; }
  int HookCount() const { return static_cast<int>(hooks_.size()); }
  TFormWindowHook* Hooks(int index) const { return hooks_.at(static_cast<size_t>(index)); }
  // Whether the record is in the control's window procedure chain.
  bool Subclassed() const { return link_.Installed(); }

  void AddHook(TFormWindowHook* hook);
  void RemoveHook(TFormWindowHook* hook);
  void SetControl(vcl::TWinControl* control);
  void InstallSubclass();
  void RemoveSubclass();

 private:
  void SubclassProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void CallHooks(bool after, vcl::TMessage& message, bool& handled);
  bool ControlDestroying() const;

  vcl::TWinControl* control_ = nullptr;
  std::vector<TFormWindowHook*> hooks_;
  vcl::TWindowProcLink link_;
  bool destroying_ = false;
};

// The records of all hooked controls, and the utility window that frees and reinstalls them
// later. The list owns its records.
class THookList : public vcl::TObject {
  VCL_CLASS(THookList, vcl::TObject)
  THookList();
  // Frees every record, the last first, then the utility window.
  ~THookList() override;

  int Count() const { return static_cast<int>(items_.size()); }
  TControlHook* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  bool Contains(const TControlHook* record) const;
  // The record of a control; nullptr for none (or for nullptr).
  TControlHook* FindControlHook(vcl::TWinControl* control) const;
  // The record of a control, made and listed when there is none yet.
  TControlHook* GetControlHook(vcl::TWinControl* control);
  // Takes a record out of the list without freeing it.
  void Remove(TControlHook* record);
  HWND Handle() const { return handle_; }

 private:
  void WndProc(vcl::TMessage& message);

  std::vector<TControlHook*> items_;
  HWND handle_ = nullptr;
};

// The process-wide list, made on first use.
THookList* GetHookList();
// The list when it exists, without making it.
THookList* HookListIfAny();
// Frees the list and every record (library shutdown).
void FreeHookList();

// Registers the program's cursor resources "RX_HANDCUR" and "RX_DRAGCUR" under crHandCursor and
// crDragCursor in the screen's cursor table; a resource the program lacks is left out.
void RegisterPlacementCursors();

}  // namespace placement
