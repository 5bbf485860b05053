#include "skin/engine/skin_manager.h"

#include <cstdio>
#include <optional>

#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/hooked_forms.h"
#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/skin_notices.h"
#include "skin/engine/window_messages.h"

#include "vcl/classes/typeinfo.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

uint32_t SM_ALPHACMD = [] {
  RegisterWindowMessageA("SM_ALPHACMD");
  return SkinMessageValue;
}();
bool GlobalSkinApplying = false;
bool GlobalSkinRemoving = false;
bool GlobalSkinChanging = false;
TsSkinManager* DefaultManager = nullptr;
TThreadHookProcs ThreadHookProcs;
bool ThreadHookInstalled = false;

namespace {

const char* const DefaultSkinDirectory = "c:\\Skins";

// Forms of the designer's own that a design-time broadcast passes over.
const char* const DesignerForms[] = {"AppBuilder", "PropertyInspector", nullptr};
const char* const DesignerFormsOnRemoval[] = {"AppBuilder", "PropertyInspector", "EditWindow_", "DockSite", nullptr};

}  // namespace

TsSkinManager::TsSkinManager(vcl::TComponent* owner)
    : vcl::TComponent(owner),
      internalSkins_(std::make_unique<TsStoredSkins>(this)),
      commonSections_(std::make_unique<vcl::TStringList>()),
      menuSupport_(std::make_unique<TacMenuSupport>()),
      animEffects_(std::make_unique<TacAnimEffects>(this)),
      thirdParty_(std::make_unique<ThirdPartyList>()),
      skinData_(std::make_unique<TsSkinData>()),
      masterBitmap_(std::make_unique<vcl::TBitmap>()) {
  for (auto& list : ThirdPartyLists) list = std::make_unique<vcl::TStringList>();
  if (!DefaultManager) DefaultManager = this;
  // Done here rather than after construction: the form reader builds components with the
  // constructor alone, and SkinName, read later in the same form data, needs the directory.
  ApplyThirdPartyDefaults();
  SetSkinDirectory(DefaultSkinDirectory);
  CheckVersionRequestOnce();
}

TsSkinManager::~TsSkinManager() {
  SetActive(false);
  RemoveThreadHook();
  extendedBorders_ = false;
  if (DefaultManager == this) DefaultManager = nullptr;
  StoreThirdPartyLists();
}

bool TsSkinManager::Loading() const {
  return ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading);
}

bool TsSkinManager::Designing() const { return ComponentState().Contains(vcl::csDesigning); }

void TsSkinManager::Loaded() {
  inherited::Loaded();
  if (skinDirectory_.empty()) SetSkinDirectory(DefaultSkinDirectory);
  if (menuSupport_->IcoLineSkin.empty()) menuSupport_->IcoLineSkin = "ICOLINE";
  ApplyThirdPartyDefaults();
  if (active_ && !skinName_.empty() && modelLoaded_) BroadcastSkinApplied(false);
}

bool TsSkinManager::GetIsDefault() const { return DefaultManager == this; }
bool TsSkinManager::GetExtendedBorders() const { return extendedBorders_ && CanUseLayeredWindows(); }
bool TsSkinManager::GetAllowGlowing() const { return allowGlowing_ && CanUseLayeredWindows(); }

std::string TsSkinManager::SkinInfo() const {
  if (!skinData_->Active) return "N/A";
  char text[64];
  std::snprintf(text, sizeof text, "%g", skinData_->Version);
  return text;
}

void TsSkinManager::SetSkinDirectory(const std::string& value) {
  if (value == skinDirectory_) return;
  skinDirectory_ = value;
  skinData_->SkinFolder = GetFullSkinDirectory();
}

std::string TsSkinManager::GetFullSkinDirectory() const {
  std::string dir = skinDirectory_;
  std::string program = vcl::ExtractFilePath(vcl::ParamStr(0));
  if (dir.rfind("..", 0) == 0) {
    std::string parent = program;
    if (!parent.empty()) parent.pop_back();
    while (!parent.empty() && parent.back() != '/' && parent.back() != '\\') parent.pop_back();
    dir = parent + (dir.size() > 3 ? dir.substr(3) : std::string());
  } else if (dir.rfind(".\\", 0) == 0 || dir.rfind("./", 0) == 0) {
    dir = program + dir.substr(2);
  } else if (dir.find(':') == std::string::npos && dir.find("\\\\") == std::string::npos) {
    dir = program + dir;
  }
  if (!dir.empty() && dir.back() == '/')
    dir.back() = '\\';
  else if (dir.size() == 1)
    dir += ":\\";
  else if (dir.empty() || dir.back() != '\\')
    dir += '\\';
  return dir;
}

void TsSkinManager::SetSkinName(const std::string& name) {
  std::string previous = skinName_;
  skinName_ = name;
  if (!active_) return;
  if (OnBeforeChange) OnBeforeChange(this);
  if (!LoadCurrentSkin(true)) {
    // The skin in use is still the previous one, and so is its name.
    skinName_ = previous;
    ReportLoadFailure();
    return;
  }
  // Buttons and fades keep still until the new skin is applied and refreshed.
  GlobalSkinChanging = true;
  try {
    if (!active_)
      BroadcastSkinRemoved();
    else
      BroadcastSkinApplied(true);
  } catch (...) {
    GlobalSkinChanging = false;
    throw;
  }
  GlobalSkinChanging = false;
  if (OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::ReportLoadFailure() {
  if (Loading())
    ShowSkinNotice(lastLoadError_);
  else
    throw vcl::Exception(lastLoadError_);
}

void TsSkinManager::CheckSkinVersion() {
  const double version = skinData_->Version;
  if (Designing() && version < 6)
    ShowSkinNotice(OldSkinNotice(skinName_));
  else if (version > 6.99)
    ShowSkinNotice(NewerSkinNotice);
}

void TsSkinManager::SetActive(bool value) {
  if (value == active_) return;
  if (value) {
    active_ = true;
    SetSkinName(skinName_);
    return;
  }
  active_ = false;
  if (!Loading() && skinData_->Active) BroadcastSkinRemoved();
  FreeSkin();
  ResolveCommonIndexes();
}

void TsSkinManager::SetCommonSections(vcl::TStringList* value) {
  commonSections_->Clear();
  for (int i = 0; value && i < value->Count(); ++i) {
    std::string line = value->Strings(i);
    if (!line.empty() && line[0] != ';') std::erase(line, ' ');
    commonSections_->Add(line);
  }
  SetSkinName(skinName_);
}

void TsSkinManager::ReloadSkin() {
  if (!modelLoaded_) return;
  if (!LoadCurrentSkin(false)) {
    ReportLoadFailure();
    return;
  }
  if (!Loading()) BroadcastRefresh();
}

void TsSkinManager::SetHueOffset(int32_t value) {
  if (value == hueOffset_) return;
  hueOffset_ = value;
  ReloadSkin();
}

void TsSkinManager::SetSaturation(int32_t value) {
  if (value == saturation_) return;
  saturation_ = value;
  ReloadSkin();
}

void TsSkinManager::SetExtendedBorders(bool value) {
  if (value == extendedBorders_) return;
  extendedBorders_ = value;
  ReloadSkin();
}

void TsSkinManager::SetIsDefault(bool value) {
  if (value || !DefaultManager) {
    DefaultManager = this;
    if (active_ && modelLoaded_) {
      BroadcastSkinApplied(true);
    } else if (!active_) {
      BroadcastSkinRemoved();
    }
  }
}

void TsSkinManager::ApplyThirdPartyDefaults() {
  for (int i = 0; i < ThirdPartyCount; ++i) {
    if (thirdParty_->GetByIndex(i).empty()) thirdParty_->SetByIndex(i, ThirdPartyDefaults[size_t(i)]);
    ThirdPartyLists[size_t(i)]->SetText(thirdParty_->GetByIndex(i));
  }
}

void TsSkinManager::StoreThirdPartyLists() {
  for (int i = 0; i < ThirdPartyCount; ++i) thirdParty_->SetByIndex(i, ThirdPartyLists[size_t(i)]->Text());
}

void TsSkinManager::Broadcast(uint16_t command, const char* const* skippedNames, bool skipPartialNames) {
  vcl::TMessage message(SM_ALPHACMD, MAKEWPARAM(0, command), LPARAM(this));
  if (!Designing()) {
    BroadcastToAppForms(message);
    return;
  }
  if (!vcl::Screen) return;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    vcl::TCustomForm* form = vcl::Screen->Forms(i);
    const std::string& name = form->Name();
    bool skipped = name.empty();
    for (const char* const* n = skippedNames; *n && !skipped; ++n)
      skipped = skipPartialNames ? name.find(*n) != std::string::npos : name == *n;
    if (skipped) continue;
    PassMessageToChildControls(form, message);
    BroadcastToHookedForms(message);
  }
}

void TsSkinManager::BroadcastSkinApplied(bool withLock) {
  if (Loading()) return;
  FreeAllGlowEffects();
  // The forms stay frozen while they hear the new skin, and are thawed whatever a handler does.
  std::optional<TacRedrawLock> lock;
  if (withLock && !Designing()) lock.emplace(this, true);
  skinData_->Active = false;
  GlobalSkinApplying = true;
  ResolveCommonIndexes();
  try {
    Broadcast(cmdSkinSet, DesignerForms, false);
  } catch (...) {
    GlobalSkinApplying = false;
    skinData_->Active = true;
    throw;
  }
  GlobalSkinApplying = false;
  skinData_->Active = true;
  InstallThreadHook();
  if (withLock) BroadcastRefresh();
}

void TsSkinManager::BroadcastSkinRemoved() {
  GlobalSkinRemoving = true;
  FreeAllGlowEffects();
  RemoveThreadHook();
  skinData_->Active = false;
  try {
    Broadcast(cmdSkinRemoved, DesignerFormsOnRemoval, true);
  } catch (...) {
    GlobalSkinRemoving = false;
    FreeSkin();
    throw;
  }
  FreeSkin();
  GlobalSkinRemoving = false;
}

void TsSkinManager::InstallThreadHook() {
  if (DefaultManager != this || ThreadHookInstalled || !ThreadHookProcs.Install) return;
  ThreadHookProcs.Install();
  ThreadHookInstalled = true;
}

void TsSkinManager::RemoveThreadHook() {
  if (DefaultManager != this || !ThreadHookInstalled) return;
  ThreadHookInstalled = false;
  if (ThreadHookProcs.Remove) ThreadHookProcs.Remove();
}

void TsSkinManager::BroadcastRefresh() {
  if (!Designing()) {
    // Running fades stop before the forms repaint in the new look.
    vcl::TMessage stop(SM_ALPHACMD, MAKEWPARAM(0, cmdStopFade), LPARAM(this));
    BroadcastToAppForms(stop);
  }
  // No freeze of its own: a form provider decides what to rebuild (its extended border among
  // others) from whether its form shows, which a frozen form does not. A skin change already
  // holds the freeze around the new skin and this refresh.
  Broadcast(cmdSkinRefresh, DesignerForms, false);
  // The windows that form skinning skinned by itself repaint at once, frame and children.
  if (ThreadHookProcs.AdapterWindows)
    for (HWND window : ThreadHookProcs.AdapterWindows())
      if (IsWindow(window) && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TsSkinManager::SetHotWindow(HWND window) {
  if (window == hotWindow_) return;
  HWND previous = hotWindow_;
  hotWindow_ = window;
  if (previous) SendMessageA(previous, SM_ALPHACMD, MAKEWPARAM(0, cmdMouseLeave), LPARAM(this));
  if (window) SendMessageA(window, SM_ALPHACMD, MAKEWPARAM(0, cmdMouseEnter), LPARAM(this));
}

void TsSkinManager::FreeSkin() {
  Masks.clear();
  Patterns.clear();
  Sections.clear();
  masterBitmap_ = std::make_unique<vcl::TBitmap>();
  modelLoaded_ = false;
}


VCL_PUBLISHED(TsSkinManager, p) {
  using C = TsSkinManager;
  p.Bool("ExtendedBorders", &C::ExtendedBorders, &C::SetExtendedBorders, false)
      .Bool("SkinnedPopups", &C::SkinnedPopups, &C::SetSkinnedPopups, true)
      .Bool("AllowGlowing", &C::AllowGlowing, &C::SetAllowGlowing, true)
      .Object("AnimEffects", &C::AnimEffects)
      .Bool("IsDefault", &C::IsDefault, &C::SetIsDefault, true)
      .Bool("Active", &C::Active, &C::SetActive, true)
      .Object("CommonSections", &C::CommonSections, &C::SetCommonSections)
      .Integer("Saturation", &C::Saturation, &C::SetSaturation, 0)
      .Integer("HueOffset", &C::HueOffset, &C::SetHueOffset, 0)
      .Object("InternalSkins", &C::InternalSkins, &C::SetInternalSkins)
      .Object("MenuSupport", &C::MenuSupport)
      .String("SkinDirectory", &C::SkinDirectory, &C::SetSkinDirectory)
      .String("SkinName", &C::SkinName, &C::SetSkinName)
      .String("SkinInfo", &C::SkinInfo, &C::SetSkinInfo)
      .Set("SkinningRules", &C::SkinningRules, &C::SetSkinningRules, {"srStdForms", "srStdDialogs", "srThirdParty"},
           AllSkinningRules)
      .Object("ThirdParty", &C::ThirdParty)
      .String("Version", &C::Version, &C::SetVersion)
      .Stored(false)
      .Event("OnAfterChange", &C::OnAfterChange)
      .Event("OnBeforeChange", &C::OnBeforeChange)
      .Event("OnGetMenuExtraLineData", &C::OnGetMenuExtraLineData);
}

}  // namespace skin
