// TsSkinManager: the component that owns the loaded skin of a process, loads it from a packed
// file, a skin folder or the form data, recolours it, and tells every skinned window through
// SM_ALPHACMD when a skin is applied, refreshed or removed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/anim_effects.h"
#include "skin/engine/menu_support.h"
#include "skin/engine/skin_model.h"
#include "skin/engine/skin_types.h"
#include "skin/engine/stored_skins.h"
#include "skin/engine/third_party_list.h"
#include "vcl/classes/component.h"
#include "vcl/classes/stringlist.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/win.h"

namespace skin {

class TacSkinConvertor;
class TacSkinIni;

// Asked by the menu painter for the extra line of a popup menu: its skin section, caption,
// glyph and whether it shows.
using TacGetExtraLineData = std::function<void(vcl::TMenuItem* FirstItem, std::string& SkinSection,
                                               std::string& Caption, vcl::TBitmap*& Glyph, bool& LineVisible)>;

enum TacSkinningRule : uint8_t { srStdForms, srStdDialogs, srThirdParty };
using TacSkinningRules = uint8_t;  // a set of TacSkinningRule
constexpr TacSkinningRules AllSkinningRules = 0x07;

// Section and mask indexes that painters need constantly, resolved after every load; -1 where
// the skin has none.
struct TacCommonIndexes {
  int16_t GlobalInfoIndex = -1;
  int16_t ExBorderMask = -1;
  std::array<int16_t, 4> TabSections{-1, -1, -1, -1}, TabBorderMasks{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnSections{-1, -1, -1, -1}, ScrollBtnBorderMasks{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnPatterns{-1, -1, -1, -1}, ScrollBtnHotPatterns{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnGlyphMasks{-1, -1, -1, -1};
  std::array<int16_t, 2> SliderSections{-1, -1}, SliderBorderMasks{-1, -1}, SliderGlyphMasks{-1, -1};
  std::array<int16_t, 4> SliderPatterns{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBarSections{-1, -1, -1, -1}, ScrollBarBorderMasks{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBarPatterns{-1, -1, -1, -1}, ScrollBarHotPatterns{-1, -1, -1, -1};
  std::array<int16_t, 9> CheckGlyphMasks{-1, -1, -1, -1, -1, -1, -1, -1, -1};
  int32_t ComboBtnSection = -1, ComboBtnBorderMask = -1, ComboBtnPattern = -1, ComboBtnHotPattern = -1;
  int32_t ComboGlyphMask = -1;
};

class TsSkinManager : public vcl::TComponent {
  VCL_CLASS(TsSkinManager, vcl::TComponent)
  explicit TsSkinManager(vcl::TComponent* owner);
  ~TsSkinManager() override;
  void Loaded() override;

  // ---- Published properties ----
  const std::string& SkinName() const { return skinName_; }
  // Loads the named skin and broadcasts it. A skin that cannot be read (a damaged container or
  // Options.dat, a malformed number) leaves the previous skin and its name in place, or none;
  // its message is kept in LastLoadError and raised to the caller as vcl::Exception. While the
  // manager is read from form data, where an exception would lose the form, the message goes
  // to the user as a skin notice instead.
  void SetSkinName(const std::string& name);
  const std::string& SkinDirectory() const { return skinDirectory_; }
  void SetSkinDirectory(const std::string& value);
  bool Active() const { return active_; }
  void SetActive(bool value);
  TsStoredSkins* InternalSkins() const { return internalSkins_.get(); }
  void SetInternalSkins(TsStoredSkins* value) { internalSkins_->Assign(value); }
  bool SkinnedPopups() const { return skinnedPopups_; }
  void SetSkinnedPopups(bool value) { skinnedPopups_ = value; }
  bool AllowGlowing() const { return allowGlowing_; }
  void SetAllowGlowing(bool value) { allowGlowing_ = value; }
  bool ExtendedBorders() const { return extendedBorders_; }
  void SetExtendedBorders(bool value);
  vcl::TStringList* CommonSections() const { return commonSections_.get(); }
  void SetCommonSections(vcl::TStringList* value);
  int32_t HueOffset() const { return hueOffset_; }
  void SetHueOffset(int32_t value);
  int32_t Saturation() const { return saturation_; }
  void SetSaturation(int32_t value);
  bool IsDefault() const { return GetIsDefault(); }
  void SetIsDefault(bool value);
  TacMenuSupport* MenuSupport() const { return menuSupport_.get(); }
  TacAnimEffects* AnimEffects() const { return animEffects_.get(); }
  ThirdPartyList* ThirdParty() const { return thirdParty_.get(); }
  TacSkinningRules SkinningRules() const { return skinningRules_; }
  void SetSkinningRules(TacSkinningRules value) { skinningRules_ = value; }
  // The skin's version as text while a skin is active, else "N/A"; writing does nothing.
  std::string SkinInfo() const;
  void SetSkinInfo(const std::string&) {}
  std::string Version() const { return "6.55"; }
  void SetVersion(const std::string&) {}
  vcl::TNotifyEvent OnAfterChange, OnBeforeChange;
  TacGetExtraLineData OnGetMenuExtraLineData;

  // ---- Queries ----
  bool GetIsDefault() const;
  // The property, and only where the platform has layered windows.
  bool GetExtendedBorders() const;
  bool GetAllowGlowing() const;
  // SkinDirectory made absolute against the program's folder, ending in a backslash.
  std::string GetFullSkinDirectory() const;
  // The notice about the loaded skin's version: a skin newer than the engine can show only in
  // part (at design time also a skin older than version 6).
  void CheckSkinVersion();
  // The message of the last skin that could not be loaded; empty after a good load.
  const std::string& LastLoadError() const { return lastLoadError_; }

  // ---- The loaded skin ----
  TsSkinData* SkinData() const { return skinData_.get(); }
  TsGeneralDataArray Sections;
  TsMaskArray Masks;
  TsPatternArray Patterns;
  vcl::TBitmap* MasterBitmap() const { return masterBitmap_.get(); }
  bool ImagesFromContainer = false;
  TacCommonIndexes CommonIndexes;
  std::array<int32_t, 4> ShadowMargins{0, 0, 0, 0};
  // The extended border's image for an active and an inactive form: the skin's EXBORDER frames
  // or the built-in soft shadow, 32-bit with alpha; empty without extended borders.
  std::unique_ptr<vcl::TBitmap> ShadowActive, ShadowInactive;
  std::array<std::unique_ptr<vcl::TStringList>, ThirdPartyCount> ThirdPartyLists;
  HWND HotWindow() const { return hotWindow_; }

  // ---- Look-ups (never raise; -1 for none) ----
  int FindSectionIndex(const std::string& name) const;
  int FindMaskIndexByName(const std::string& section, const std::string& property) const;
  int FindMaskIndex(int sectionIndex, const std::string& section, const std::string& property) const;
  int FindTextureMaskIndex(int sectionIndex, const std::string& section, const std::string& property) const;
  int FindPatternIndex(int sectionIndex, const std::string& section, const std::string& property) const;
  bool IsMaskIndexValid(int index) const { return index >= 0 && index < int(Masks.size()); }
  bool IsSectionIndexValid(int index) const { return index >= 0 && index < int(Sections.size()); }
  // An own-image mask's frame is its ImageCount-th of the width and (MaskType + 1)-th of the
  // height, like any other mask.
  void MaskFrameSize(int maskIndex, int32_t& width, int32_t& height) const;
  // Margins of a mask: its own margin, else BorderWidth, else one frame (never below 0); a
  // frame count of 0 counts as 1 on every side, and nothing is changed.
  int32_t MaskMarginLeft(int maskIndex) const;
  int32_t MaskMarginTop(int maskIndex) const;
  int32_t MaskMarginRight(int maskIndex) const;
  int32_t MaskMarginBottom(int maskIndex) const;
  vcl::TColor GetGlobalColor() const;
  vcl::TColor GetGlobalFontColor() const;
  vcl::TColor GetGlobalHotColor() const;
  vcl::TColor GetEditHotFontColor() const;
  vcl::TColor GetMenuHighlightColor() const;
  vcl::TColor GetMenuHighlightTextColor() const;
  void ResolveCommonIndexes();
  void ResolveSectionBorders();
  void PrepareShadowImages();

  // ---- Skin lists and recolouring ----
  // kind 0 folder skins, 1 packed skins, 2 both; stored skins always. Sorted; returns the
  // first name found.
  std::string ListSkinNames(vcl::TStrings* list, int kind) const;
  void ApplyHueOffset(int32_t offset);
  void ApplySaturation(int32_t value);

  // ---- Broadcasts ----
  void BroadcastSkinApplied(bool withLock);
  void BroadcastSkinRemoved();
  void BroadcastRefresh();
  // The thread hook that skins dialogs, menus and forms as they are created: only for the
  // default manager, once; nothing until form skinning has registered the hook's procedures.
  void InstallThreadHook();
  void RemoveThreadHook();
  void SetHotWindow(HWND window);
  void ApplyThirdPartyDefaults();
  void StoreThirdPartyLists();

 private:
  friend class TacSkinLoader;
  bool Loading() const;
  void ReloadSkin();                    // HueOffset, Saturation, ExtendedBorders
  bool LoadCurrentSkin(bool fullLoad);  // false: the skin could not be read
  void LoadPackedSkin();
  void LoadFolderOrStoredSkin();
  void LoadFromIni(const TacSkinIni& ini, TacSkinConvertor* container);
  // The three steps of reading an INI: master image and masks, JPEG textures, then the
  // skin-wide values and the sections; each also takes the CommonSections text.
  void LoadMasks(const TacSkinIni& ini, const TacSkinIni& common, TacSkinConvertor* container);
  void LoadPatterns(const TacSkinIni& ini, const TacSkinIni& common, TacSkinConvertor* container);
  void LoadSections(const TacSkinIni& ini, const TacSkinIni& common);
  // A load failed: the previous skin is back; the message goes to the caller or the user.
  void ReportLoadFailure();
  bool Designing() const;
  void LoadFromStoredCollections(TsStoredSkin* item);
  void FreeSkin();
  // Sends the command to every form: through the application's forms and the hooked ones at
  // run time, to the named forms of the screen at design time.
  void Broadcast(uint16_t command, const char* const* skippedNames, bool skipPartialNames);

  std::string skinName_;
  std::string skinDirectory_;
  bool active_ = true;
  std::unique_ptr<TsStoredSkins> internalSkins_;
  bool skinnedPopups_ = true;
  std::unique_ptr<vcl::TStringList> commonSections_;
  std::unique_ptr<TacMenuSupport> menuSupport_;
  std::unique_ptr<TacAnimEffects> animEffects_;
  HWND hotWindow_ = nullptr;
  TacSkinningRules skinningRules_ = AllSkinningRules;
  std::unique_ptr<ThirdPartyList> thirdParty_;
  bool allowGlowing_ = true;
  bool extendedBorders_ = false;
  std::unique_ptr<TsSkinData> skinData_;
  std::unique_ptr<vcl::TBitmap> masterBitmap_;
  int32_t hueOffset_ = 0;
  int32_t saturation_ = 0;
  std::string lastLoadError_;
  bool modelLoaded_ = false;  // a skin was read into the model (broadcast or not)
};

// The process-wide default manager, or null. Controls without a manager of their own use it.
extern TsSkinManager* DefaultManager;

// The thread hook's procedures belong to form skinning, which stands above this library and
// registers them at start-up; the manager only decides when the hook goes in and out.
struct TThreadHookProcs {
  void (*Install)() = nullptr;
  void (*Remove)() = nullptr;
  // The windows that form skinning's hook skinned by itself (system dialogs), so that skin
  // changes and refreshes reach them too; null until form skinning registers it.
  std::vector<HWND> (*AdapterWindows)() = nullptr;
  // Whether the desktop composes windows (the built-in shadow then reaches one pixel further).
  bool (*CompositionEnabled)() = nullptr;
};
extern TThreadHookProcs ThreadHookProcs;
extern bool ThreadHookInstalled;

}  // namespace skin
