#include "placement/form_placement.h"

#include "placement/ini_storage.h"
#include "placement/window_placement.h"
#include "vcl/controls/application.h"
#include "vcl/classes/inifiles.h"
#include "vcl/classes/registry.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace placement {

namespace {

HKEY RegistryRootKey(TPlacementRegRoot root) {
  switch (root) {
    case prLocalMachine: return HKEY_LOCAL_MACHINE;
    case prCurrentConfig: return HKEY_CURRENT_CONFIG;
    case prClassesRoot: return HKEY_CLASSES_ROOT;
    case prUsers: return HKEY_USERS;
    case prDynData: return HKEY_DYN_DATA;
    default: return HKEY_CURRENT_USER;
  }
}

// The sizing-border hit codes HTLEFT .. HTBOTTOMRIGHT.
bool IsSizingBorder(LRESULT hitCode) { return hitCode >= HTLEFT && hitCode <= HTBOTTOMRIGHT; }

void ReportPlacementException(TObject* sender) {
  if (Application != nullptr) Application->HandleException(sender);
}

}  // namespace

// ---- TWinMinMaxInfo --------------------------------------------------------------------------

#define MINMAX_PROPERTY(Name, Index)                                          \
  p.Integer(                                                                 \
      Name, [](TWinMinMaxInfo* info) { return info->GetMinMaxInfo(Index); }, \
      [](TWinMinMaxInfo* info, int v) { info->SetMinMaxInfo(Index, v); }, 0)

VCL_PUBLISHED(TWinMinMaxInfo, p) {
  MINMAX_PROPERTY("MaxPosLeft", 0);
  MINMAX_PROPERTY("MaxPosTop", 1);
  MINMAX_PROPERTY("MaxSizeHeight", 2);
  MINMAX_PROPERTY("MaxSizeWidth", 3);
  MINMAX_PROPERTY("MaxTrackHeight", 4);
  MINMAX_PROPERTY("MaxTrackWidth", 5);
  MINMAX_PROPERTY("MinTrackHeight", 6);
  MINMAX_PROPERTY("MinTrackWidth", 7);
}

#undef MINMAX_PROPERTY

LONG& TWinMinMaxInfo::Field(int index) {
  switch (index) {
    case 0: return info_.ptMaxPosition.x;
    case 1: return info_.ptMaxPosition.y;
    case 2: return info_.ptMaxSize.y;
    case 3: return info_.ptMaxSize.x;
    case 4: return info_.ptMaxTrackSize.y;
    case 5: return info_.ptMaxTrackSize.x;
    case 6: return info_.ptMinTrackSize.y;
    case 7: return info_.ptMinTrackSize.x;
    default: throw ERangeError("Range check error");
  }
}

int TWinMinMaxInfo::GetMinMaxInfo(int index) const { return const_cast<TWinMinMaxInfo*>(this)->Field(index); }

void TWinMinMaxInfo::SetMinMaxInfo(int index, int value) {
  LONG& field = Field(index);
  if (field == value) return;
  field = value;
  if (owner_ != nullptr) owner_->MinMaxInfoChanged();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  for (int i = 0; i < 8; ++i)
    if (GetMinMaxInfo(i) != 0) return false;
  return true;
}

void TWinMinMaxInfo::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TWinMinMaxInfo*>(source)) {
    info_ = other->info_;
    if (owner_ != nullptr) owner_->MinMaxInfoChanged();
    return;
  }
  TPersistent::Assign(source);
}

// ---- TFormPlacement: published properties ------------------------------------------------------

VCL_PUBLISHED(TFormPlacement, p) {
  p.Bool("Active", &TFormPlacement::Active, &TFormPlacement::SetActive, true)
      .String("IniFileName", &TFormPlacement::IniFileName, &TFormPlacement::SetIniFileName)
      .Stored(&TFormPlacement::IsIniFileNameStored)
      .String("IniSection", &TFormPlacement::IniSection, &TFormPlacement::SetIniSection)
      .Stored(&TFormPlacement::IsIniSectionStored)
      .Object("MinMaxInfo", &TFormPlacement::MinMaxInfo, &TFormPlacement::SetMinMaxInfo)
      .Set("Options", &TFormPlacement::Options, &TFormPlacement::SetOptions,
           {"fpState", "fpPosition", "fpActiveControl"}, TPlacementOptions{fpState, fpPosition})
      .Bool("PreventResize", &TFormPlacement::PreventResize, &TFormPlacement::SetPreventResize, false)
      .Enum("RegistryRoot", &TFormPlacement::RegistryRoot, &TFormPlacement::SetRegistryRoot,
            {"prCurrentUser", "prLocalMachine", "prCurrentConfig", "prClassesRoot", "prUsers", "prDynData"},
            prCurrentUser)
      .Bool("UseRegistry", &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry, false)
      .Integer("Version", &TFormPlacement::Version, &TFormPlacement::SetVersion, 0)
      .Event("OnSavePlacement", &TFormPlacement::OnSavePlacement)
      .Event("OnRestorePlacement", &TFormPlacement::OnRestorePlacement);
}

// ---- TFormPlacement: life ----------------------------------------------------------------------

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner), minMaxInfo_(std::make_unique<TWinMinMaxInfo>(this)) {
  if (owner == nullptr || !owner->Is<TForm>()) options_ = TPlacementOptions{};
  windowHook_ = new TFormWindowHook(this);
  windowHook_->AfterMessage = [this](TObject* sender, TMessage& message, bool& handled) {
    HookMessage(sender, message, handled);
  };
}

TFormPlacement::~TFormPlacement() {
  CloseStorage();
  if (!ComponentState().Contains(csDesigning)) {
    windowHook_->SetWinControl(nullptr);
    UnhookFormEvents();
  }
}

void TFormPlacement::Loaded() {
  TComponent::Loaded();
  if (ComponentState().Contains(csDesigning)) return;
  HookFormEvents();
}

TCustomForm* TFormPlacement::OwnerForm() const { return dynamic_cast<TCustomForm*>(Owner()); }

// ---- The form's events -----------------------------------------------------------------------

void TFormPlacement::HookFormEvents() {
  if (TCustomForm* form = OwnerForm()) {
    saveFormShow_ = form->OnShow;
    saveFormCloseQuery_ = form->OnCloseQuery;
    saveFormDestroy_ = form->OnDestroy;
    form->OnShow = [this](TObject* sender) { FormShow(sender); };
    form->OnCloseQuery = [this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
    form->OnDestroy = [this](TObject* sender) { FormDestroy(sender); };
    formEventsHooked_ = true;
    defaultMaximize_ = form->BorderIcons().Contains(biMaximize);
    if (preventResize_) UpdatePreventResize();
  }
  UpdateWindowHook();
}

void TFormPlacement::UnhookFormEvents() {
  TCustomForm* form = OwnerForm();
  // A form being destroyed has no events left to give back.
  if (!formEventsHooked_ || form == nullptr || form->ComponentState().Contains(csDestroying)) return;
  form->OnShow = saveFormShow_;
  form->OnCloseQuery = saveFormCloseQuery_;
  form->OnDestroy = saveFormDestroy_;
  formEventsHooked_ = false;
}

void TFormPlacement::FormShow(TObject* sender) {
  if (active_) {
    try {
      RestoreFormState();
    } catch (...) {
      ReportPlacementException(this);
    }
  }
  if (saveFormShow_) saveFormShow_(sender);
}

void TFormPlacement::FormCloseQuery(TObject* sender, bool& canClose) {
  if (saveFormCloseQuery_) saveFormCloseQuery_(sender, canClose);
  TCustomForm* form = OwnerForm();
  if (canClose && active_ && form != nullptr && form->HandleAllocated()) {
    try {
      SaveFormState();
    } catch (...) {
      ReportPlacementException(this);
    }
  }
}

void TFormPlacement::FormDestroy(TObject* sender) {
  if (active_ && !saved_) {
    destroying_ = true;
    try {
      SaveFormState();
    } catch (...) {
      ReportPlacementException(this);
    }
    destroying_ = false;
  }
  if (saveFormDestroy_) saveFormDestroy_(sender);
}

// ---- Saving and restoring --------------------------------------------------------------------

void TFormPlacement::SaveFormState() {
  if (!restored_ && active_) return;
  OpenStorage(false);
  try {
    WriteIntValue("FormVersion", version_);
    SavePlacement();
    DoSave();
    saved_ = true;
  } catch (...) {
    CloseStorage();
    throw;
  }
  CloseStorage();
}

void TFormPlacement::RestoreFormState() {
  saved_ = false;
  OpenStorage(true);
  try {
    if (ReadIntValue("FormVersion", 0) >= version_) {
      RestorePlacement();
      restored_ = true;
      DoRestore();
      TCustomForm* form = OwnerForm();
      if (options_.Contains(fpActiveControl) && form != nullptr) {
        std::string name = ReadValue("ActiveControl", "");
        auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name));
        if (control != nullptr && control->CanFocus()) form->SetActiveControl(control);
      }
    }
    // A layout older than Version still counts as restored: the next save replaces it.
    restored_ = true;
  } catch (...) {
    CloseStorage();
    throw;
  }
  CloseStorage();
  ResetMaximizedPosition();
}

void TFormPlacement::SavePlacement() {
  TCustomForm* form = OwnerForm();
  if (form == nullptr) return;
  std::string section = IniSection();
  if (options_.Contains(fpState) || options_.Contains(fpPosition)) {
    SaveWindowPlacement(form, Storage(), section);
    IniWriteString(Storage(), section, "Visible", destroying_ ? "1" : "0");
  }
  if (options_.Contains(fpActiveControl) && form->ActiveControl() != nullptr)
    IniWriteString(Storage(), section, "ActiveControl", form->ActiveControl()->Name());
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* form = OwnerForm())
    LoadWindowPlacement(form, Storage(), IniSection(), options_.Contains(fpState), options_.Contains(fpPosition));
}

void TFormPlacement::DoSave() {
  if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::DoRestore() {
  if (OnRestorePlacement) OnRestorePlacement(this);
}

// ---- The settings file -----------------------------------------------------------------------

std::string TFormPlacement::IniFileName() const {
  if (!iniFileName_.empty() || ComponentState().Contains(csDesigning)) return iniFileName_;
  return useRegistry_ ? DefaultRegistryKey() : DefaultIniFileName();
}

std::string TFormPlacement::IniSection() const {
  if (!iniSection_.empty() || ComponentState().Contains(csDesigning)) return iniSection_;
  return DefaultIniSection(Owner());
}

TObject* TFormPlacement::Storage() const {
  if (regIniFile_) return regIniFile_.get();
  return iniFile_.get();
}

void TFormPlacement::OpenStorage(bool readOnly) {
  if (Storage() != nullptr) return;
  if (!useRegistry_) {
    // The name goes to the platform as it stands: one without a folder lands in the Windows
    // folder, which stays writable where the program's own folder may not be.
    iniFile_ = std::make_unique<TIniFile>(IniFileName());
    return;
  }
  std::string key = IniFileName();
  auto registry = std::make_unique<TRegIniFile>(key, readOnly ? KEY_READ : KEY_ALL_ACCESS);
  if (registryRoot_ != prCurrentUser) {
    registry->SetRootKey(RegistryRootKey(registryRoot_));
    if (!registry->OpenKey(key, !readOnly)) {
      // Nothing stored under that root yet: reads give their defaults.
      if (readOnly) return;
      throw ERegistryException(Format("Failed to create key %s", key));
    }
  }
  regIniFile_ = std::move(registry);
}

void TFormPlacement::CloseStorage() {
  iniFile_.reset();
  regIniFile_.reset();
}

template <class Work>
auto TFormPlacement::WithStorage(bool readOnly, Work work) {
  if (Storage() != nullptr) return work();
  OpenStorage(readOnly);
  try {
    auto result = work();
    CloseStorage();
    return result;
  } catch (...) {
    CloseStorage();
    throw;
  }
}

std::string TFormPlacement::ReadString(const std::string& section, const std::string& ident,
                                       const std::string& defaultValue) {
  return WithStorage(true, [&] { return IniReadString(Storage(), section, ident, defaultValue); });
}

void TFormPlacement::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  WithStorage(false, [&] {
    IniWriteString(Storage(), section, ident, value);
    return true;
  });
}

std::string TFormPlacement::ReadValue(const std::string& ident, const std::string& defaultValue) {
  return ReadString(IniSection(), ident, defaultValue);
}

void TFormPlacement::WriteValue(const std::string& ident, const std::string& value) {
  WriteString(IniSection(), ident, value);
}

int32_t TFormPlacement::ReadIntValue(const std::string& ident, int32_t defaultValue) {
  return WithStorage(true, [&] { return IniReadInteger(Storage(), IniSection(), ident, defaultValue); });
}

void TFormPlacement::WriteIntValue(const std::string& ident, int32_t value) {
  WithStorage(false, [&] {
    IniWriteInteger(Storage(), IniSection(), ident, value);
    return true;
  });
}

// ---- Size limits -----------------------------------------------------------------------------

void TFormPlacement::SetPreventResize(bool value) {
  if (OwnerForm() == nullptr || value == preventResize_) return;
  preventResize_ = value;
  ResetMaximizedPosition();
  UpdatePreventResize();
}

void TFormPlacement::UpdateWindowHook() {
  TCustomForm* form = OwnerForm();
  bool needed = (!minMaxInfo_->DefaultMinMaxInfo() || preventResize_) &&
                !ComponentState().Contains(csDesigning) && form != nullptr;
  windowHook_->SetWinControl(needed ? form : nullptr);
}

void TFormPlacement::UpdatePreventResize() {
  TCustomForm* form = OwnerForm();
  if (form == nullptr || ComponentState().Contains(csDesigning)) return;
  if (preventResize_) defaultMaximize_ = form->BorderIcons().Contains(biMaximize);
  bool wasActive = active_;
  active_ = false;
  try {
    TBorderIcons icons = form->BorderIcons();
    if (!preventResize_ && defaultMaximize_ && form->BorderStyle() != bsDialog)
      icons.Include(biMaximize);
    else
      icons.Exclude(biMaximize);
    form->SetBorderIcons(icons);
  } catch (...) {
    active_ = wasActive;
    throw;
  }
  active_ = wasActive;
  if (!ComponentState().Contains(csLoading)) UpdateWindowHook();
}

void TFormPlacement::ResetMaximizedPosition() {
  TCustomForm* form = OwnerForm();
  if (form == nullptr || !form->HandleAllocated() || ComponentState().Contains(csLoading) || preventResize_ ||
      !minMaxInfo_->DefaultMinMaxInfo())
    return;
  HWND wnd = form->WindowHandle();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(wnd, &placement)) return;
  if (!IsWindowVisible(wnd)) placement.showCmd = SW_HIDE;
  POINT frame{0, 0};
  switch (form->BorderStyle()) {
    case bsSingle:
    case bsToolWindow:
      frame = {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
      break;
    case bsSizeable:
    case bsSizeToolWin:
      frame = {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
      break;
    case bsDialog:
      frame = {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
      break;
    default:
      break;
  }
  placement.ptMaxPosition = {-frame.x, -frame.y};
  SetWindowPlacement(wnd, &placement);
}

void TFormPlacement::MinMaxInfoChanged() {
  ResetMaximizedPosition();
  if (!ComponentState().Contains(csLoading)) UpdateWindowHook();
}

void TFormPlacement::HookMessage(TObject*, TMessage& message, bool&) {
  TCustomForm* form = OwnerForm();
  if (preventResize_ && form != nullptr) {
    switch (message.Msg) {
      case WM_GETMINMAXINFO:
        if (form->HandleAllocated() && IsWindowVisible(form->WindowHandle())) {
          auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
          info->ptMinTrackSize = {form->Width(), form->Height()};
          info->ptMaxTrackSize = {form->Width(), form->Height()};
          message.Result = 1;
        }
        break;
      case WM_NCHITTEST:
        if (IsSizingBorder(message.Result)) message.Result = HTNOWHERE;
        break;
      case WM_INITMENUPOPUP:
        // The window menu: the form's own handling (its main menu's included) ran already.
        if (HIWORD(message.LParam) != 0) {
          auto menu = reinterpret_cast<HMENU>(message.WParam);
          EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
          EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
          message.Result = 1;
        }
        break;
      default:
        break;
    }
    return;
  }
  if (message.Msg != WM_GETMINMAXINFO) return;
  auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
  if (!minMaxInfo_->DefaultMinMaxInfo()) {
    const MINMAXINFO& limits = minMaxInfo_->Record();
    auto copy = [](LONG value, LONG& target) {
      if (value != 0) target = value;
    };
    copy(limits.ptMinTrackSize.x, info->ptMinTrackSize.x);
    copy(limits.ptMinTrackSize.y, info->ptMinTrackSize.y);
    copy(limits.ptMaxTrackSize.x, info->ptMaxTrackSize.x);
    copy(limits.ptMaxTrackSize.y, info->ptMaxTrackSize.y);
    copy(limits.ptMaxSize.x, info->ptMaxSize.x);
    copy(limits.ptMaxSize.y, info->ptMaxSize.y);
    copy(limits.ptMaxPosition.x, info->ptMaxPosition.x);
    copy(limits.ptMaxPosition.y, info->ptMaxPosition.y);
  } else {
    info->ptMaxPosition = {0, 0};
  }
  message.Result = 1;
}

}  // namespace placement
