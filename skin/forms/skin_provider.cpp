// TsSkinProvider: construction, the hook into the form, preparation for a skin, destruction
// and the published properties.
#include "skin/forms/skin_provider.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/hooked_forms.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/scroll_support.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/border_form.h"
#include "skin/forms/dwm_services.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"

namespace skin {

TsSkinProvider* MdiFormProvider = nullptr;
TsSkinProvider* ActiveChildProvider = nullptr;
bool ButtonPressed = false;
bool ChildOverMaximized = false;

namespace {

}  // namespace

TsSkinProvider::TsSkinProvider(vcl::TComponent* owner) : vcl::TComponent(owner) {
  auto* form = dynamic_cast<vcl::TCustomForm*>(owner);
  if (!form) throw vcl::EAbort("TsSkinProvider component may be used with forms only!");

  // A form that is already served keeps its provider, unless that one was made automatically
  // (prepared for the skin by now or not).
  if (auto* existing = FromForm(form); existing && existing != this) {
    if (existing->automatic_)
      delete existing;
    else
      passive_ = true;
  }

  form_ = form;
  skinData_ = std::make_unique<TsCommonData>(this, false);
  skinData_->ControlCode = ccSkinProvider;
  skinData_->SetSkinSection("FORM");
  if (!form->ControlState().Empty()) skinData_->UpdatePending = true;
  addedTitle_ = std::make_unique<TacAddedTitle>(this);
  titleButtons_ = std::make_unique<TsTitleButtons>(this);
  titleIcon_ = std::make_unique<TsTitleIcon>();
  ButtonMin.HitCode = kHitMinButton;
  ButtonMax.HitCode = kHitMaxButton;
  ButtonClose.HitCode = kHitClose;
  ButtonHelp.HitCode = kHitHelp;
  ChildClose.HitCode = kHitChildClose;
  ChildRestore.HitCode = kHitChildRestore;
  ChildMinimize.HitCode = kHitChildMinimize;

  if (!passive_) {
    form->SetDoubleBuffered(false);
    ButtonsBackground = CreateBmp24(0, 0);
    MenuLineBackground = CreateBmp24(0, 0);
    mdiLinkPending_ = true;
    Cutouts.clear();
    menuLineCount_ = -1;
    hook_ = form->WindowProc.Install(
        [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { WndProc(message, next); });
    hooked_ = true;
    // The form draws no caption of its own on text and activation changes: it sends
    // WM_NCPAINT instead, which this provider answers.
    form->SetOwnerDrawnFrame(true);
    RegisterHookedForm(form);
    formActive_ = true;
  }
  constructed_ = true;
}

TsSkinProvider* TsSkinProvider::CreateForForm(vcl::TCustomForm* form) {
  auto* provider = new TsSkinProvider(form);
  provider->initPending_ = !provider->passive_;
  provider->automatic_ = true;
  provider->AfterConstruction();
  return provider;
}

TsSkinProvider::~TsSkinProvider() {
  *alive_ = false;
  if (OutlineDragRunning()) {
    bool formAlive = !FormDestroying();
    if (formAlive) DrawDragOutline();
    CancelOutlineDragOf(this);
    if (formAlive && GetCapture() == FormHandle()) ReleaseCapture();
  }
  // The client adapter paints from this provider: it goes first.
  mdiLink_.reset();
  if (ChildMenuLoop) HideMdiIconsCover();
  // A child going takes its buttons, icon and menu out of its MDI form's menu line.
  if (constructed_ && hooked_ && form_ && form_->FormStyle() == vcl::fsMDIChild) {
    ChildOverMaximized = false;
    TsSkinProvider* mdi = MdiFormProvider;
    if (mdi && mdi != this && !mdi->FormDestroying()) {
      mdi->InvalidateMenuLine();
      if (HWND mdiWnd = mdi->FormHandle()) SendMessageA(mdiWnd, WM_NCPAINT, 1, 0);
    }
  }
  FreeScrollAdapter();
  if (constructed_) {
    borderForm_.reset();
    FreeButtonTimers();
    if (hooked_) {
      hook_.Remove();
      UnregisterHookedForm(form_);
      // A form that lives on gets its platform frame back.
      if (!FormDestroying()) {
        form_->SetOwnerDrawnFrame(false);
        if (HWND wnd = form_->WindowHandle()) {
          if (sysMenuRemoved_) SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) | WS_SYSMENU);
          SetWindowRgn(wnd, nullptr, FALSE);
          SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
          RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
      }
    }
    delete systemMenu_;
    systemMenu_ = nullptr;
  }
  // The thread hook's record of an automatic provider forgets it, so that the hook frees the
  // record instead of keeping a pointer to a freed provider.
  for (TacProvider* record : ProviderList)
    if (record && record->FormProvider == this) record->FormProvider = nullptr;
  if (ActiveChildProvider == this) ActiveChildProvider = nullptr;
  if (MdiFormProvider == this) MdiFormProvider = nullptr;
}

void TsSkinProvider::AfterConstruction() {
  inherited::AfterConstruction();
  if (passive_ || initPending_ || !Manager() || !ManagerActive() || HasComponentState(this, vcl::csDesigning)) return;
  PrepareForm();
}

void TsSkinProvider::Loaded() {
  inherited::Loaded();
  if (passive_ || initPending_ || !Manager() || HasComponentState(this, vcl::csDesigning)) return;
  if (!skinData_->IsSkinned(true)) {
    // The section is looked up only now that the manager may have been read too.
    skinData_->ResolveSkinIndexes();
    if (!skinData_->IsSkinned(true)) return;
  }
  ActivateSkin();
}

void TsSkinProvider::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (!skinData_) return;
  if (operation == vcl::opInsert) {
    if (auto* manager = dynamic_cast<TsSkinManager*>(component); manager && !skinData_->HasOwnManager())
      skinData_->SetSkinManager(manager);
  } else if (operation == vcl::opRemove) {
    if (component == skinData_->SkinManager() && skinData_->HasOwnManager()) skinData_->ForgetOwnManager();
    if (component == systemMenu_) systemMenu_ = nullptr;
  }
}

TsSkinProvider* TsSkinProvider::FromForm(vcl::TCustomForm* form) {
  if (!form) return nullptr;
  auto* owner = reinterpret_cast<IacProviderOwner*>(
      form->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetProvider), 0));
  return dynamic_cast<TsSkinProvider*>(owner);
}

// ---- State ----

TsSkinManager* TsSkinProvider::Manager() const { return skinData_ ? skinData_->GetSkinManager() : nullptr; }

bool TsSkinProvider::ManagerActive() const {
  TsSkinManager* manager = Manager();
  return manager && manager->SkinData() && manager->SkinData()->Active;
}

bool TsSkinProvider::Skinned() const { return skinData_ && skinData_->IsSkinned(true); }

bool TsSkinProvider::FormDestroying() const {
  return !form_ || HasComponentState(form_, vcl::csDestroying) || HasComponentState(this, vcl::csDestroying);
}

HWND TsSkinProvider::FormHandle() const { return form_ ? form_->WindowHandle() : nullptr; }

bool TsSkinProvider::FormShowing() const {
  HWND wnd = FormHandle();
  return wnd && !FormDestroying() && IsWindowVisible(wnd);
}

// ---- Preparation ----

void TsSkinProvider::ResolveSectionIndexes() {
  skinData_->ResolveSkinIndexes();
  TsSkinManager* manager = Manager();
  titleIndex_ = manager ? manager->FindSectionIndex(TitleSectionName()) : -1;
  captionIndex_ = manager ? manager->FindSectionIndex("CAPTION") : -1;
}

void TsSkinProvider::PrepareForm() {
  if (initPending_ || passive_ || !Manager() || !form_ || !FormHandle()) return;
  skinData_->Loaded();
  if (!systemMenu_) systemMenu_ = new TsSystemMenu(this);
  UpdateSysMenuStyle(ManagerActive());
  systemMenu_->UpdateItems(false);
  if (mdiLinkPending_ && ManagerActive()) {
    mdiLinkPending_ = false;
    if (form_->FormStyle() == vcl::fsMDIForm && !HasComponentState(form_, vcl::csDesigning)) SetMdiLink(true);
  }
  ResolveSectionIndexes();
  InitTitleButtons();
  // A skinned child changes what its MDI form's menu line holds.
  if (form_->FormStyle() == vcl::fsMDIChild && MdiFormProvider && MdiFormProvider != this &&
      !MdiFormProvider->FormDestroying() && Skinned())
    MdiFormProvider->InvalidateMenuLine();
  if (!form_->ControlState().Contains(vcl::csCreating) && !HasComponentState(form_, vcl::csReading) &&
      !HasComponentState(this, vcl::csLoading))
    ApplyFormColor();
  HookMenus(Skinned());
  if (!MenuRefreshed) {
    MenuRefreshed = true;
    RefreshMenu();
  }
  if (!HasComponentState(form_, vcl::csLoading) && FormShowing()) {
    TsSkinManager* manager = Manager();
    UpdateExtBorders(manager && manager->GetExtendedBorders());
  }
}

void TsSkinProvider::ActivateSkin() {
  if (HWND wnd = FormHandle()) ForceDisableDwmTransitions(wnd, true);
  PrepareForm();
  CreateCtrlAdapter();
  if (systemMenu_) systemMenu_->UpdateItems(false);
  InitTitleButtons();
  if (mdiLink_) mdiLink_->ConnectToClient();
}


void TsSkinProvider::ApplyFormColor() {
  TsSkinManager* manager = Manager();
  if (!manager || !form_ || skinData_->CustomColor()) return;
  if (useGlobalColor_ && Skinned())
    form_->SetColor(manager->GetGlobalColor());
  else if (useGlobalColor_ && !Skinned())
    form_->SetColor(vcl::clBtnFace);
}

void TsSkinProvider::UpdateSysMenuStyle(bool active) {
  HWND wnd = FormHandle();
  if (!wnd) return;
  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
  if (active && ((style & WS_SYSMENU) || sysMenuRemoved_)) {
    sysMenuRemoved_ = true;
    LONG_PTR wanted = drawNonClientArea_ ? style & ~LONG_PTR(WS_SYSMENU) : style | WS_SYSMENU;
    if (wanted != style) SetWindowLongPtrA(wnd, GWL_STYLE, wanted);
  } else if (!active && sysMenuRemoved_) {
    if (!(style & WS_SYSMENU)) SetWindowLongPtrA(wnd, GWL_STYLE, style | WS_SYSMENU);
    sysMenuRemoved_ = false;
  }
}

void TsSkinProvider::RefreshFrame() {
  skinData_->CacheStale = true;
  FullRepaint = true;
  menuLineCount_ = -1;
  if (HWND wnd = FormHandle()) SendMessageA(wnd, WM_NCPAINT, 1, 0);
}

void TsSkinProvider::RefreshMenu() {
  // The platform recomputes the menu bar when the menu announces a change.
  static bool refreshing = false;
  if (refreshing || !form_ || !form_->Menu() || form_->Menu()->Items()->Count() == 0) return;
  refreshing = true;
  try {
    if (HWND wnd = FormHandle()) DrawMenuBar(wnd);
  } catch (...) {
    refreshing = false;
    throw;
  }
  refreshing = false;
}

// The form's menus get skinned drawing: the menu bar's items when the provider paints the
// frame, popups and the bar's drop-downs when the manager skins popups. Only the default
// manager's menu painter hooks, so that two managers never fight over one menu.
void TsSkinProvider::HookMenus(bool active) {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager || manager != DefaultManager || HasComponentState(form_, vcl::csDesigning)) return;
  TsSkinableMenus* menus = SkinableMenus(manager);
  if (!menus) return;
  // A new skin may bring another border mask.
  menus->SetSkinBorderWidth(-1);
  menus->UpdateActive();
  const bool popups = active && manager->SkinnedPopups();
  // The system menu is the provider's own component, out of reach of the walk below.
  if (systemMenu_) menus->HookMenu(systemMenu_, popups);
  for (int i = 0; i < form_->ComponentCount(); ++i) {
    vcl::TComponent* component = form_->Components(i);
    if (auto* mainMenu = dynamic_cast<vcl::TMainMenu*>(component)) {
      menus->HookMainMenu(mainMenu, active && drawNonClientArea_);
      for (int j = 0; j < mainMenu->Items()->Count(); ++j) menus->HookItem(mainMenu->Items()->Items(j), popups);
    } else if (auto* popup = dynamic_cast<vcl::TPopupMenu*>(component)) {
      menus->HookMenu(popup, popups);
    } else if (auto* item = dynamic_cast<vcl::TMenuItem*>(component)) {
      if (!dynamic_cast<vcl::TMainMenu*>(item->GetParentMenu())) menus->HookItem(item, popups);
    }
  }
  HookMergedMenu(active);
}

void TsSkinProvider::UpdateExtBorders(bool allow) {
  bool wanted = allow && !passive_ && form_ && HasBorder() && drawNonClientArea_ && !form_->Parent() &&
                form_->FormStyle() != vcl::fsMDIChild && allowExtBorders_ && !FormDestroying();
  if (wanted == HasExtBorder()) {
    if (wanted) RepaintBorderForm(true);
    return;
  }
  // The frame image changes its size and depth: it is made anew, and so is the region.
  skinData_->CacheBitmap.reset();
  skinData_->CacheStale = true;
  TitleImage.reset();
  menuLineCount_ = -1;
  RegionChanged = true;
  if (wanted) {
    borderForm_ = std::make_unique<TacBorderForm>(this);
    borderForm_->SkinData = skinData_.get();
    if (FormShowing()) {
      BuildRegionCutouts();
      SetWindowRegion(true);
    }
    RepaintBorderForm(true);
  } else {
    borderForm_.reset();
    ShortTitle = false;
    if (HWND wnd = FormHandle(); wnd && FormShowing()) {
      BuildRegionCutouts();
      SetWindowRegion(true);
      RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
  }
}

void TsSkinProvider::RepaintBorderForm(bool repaint) {
  if (!borderForm_ || FormDestroying()) return;
  if (repaint) skinData_->CacheStale = true;
  borderForm_->UpdateLayeredBorder(repaint, 255);
}

void TsSkinProvider::UpdateScrollAdapter() {
  auto* scrolling = dynamic_cast<vcl::TScrollingWinControl*>(form_);
  if (passive_ || FormDestroying() || !scrolling || !form_->HandleAllocated() || !scrolling->AutoScroll()) return;
  HWND wnd = FormHandle();
  if (Skinned() && drawNonClientArea_) {
    if (ScrollSupport().UninitializeFlatSB) ScrollSupport().UninitializeFlatSB(wnd);
    if (scrollAdapter_ && scrollAdapter_->Detached) FreeScrollAdapter();
    if (!scrollAdapter_)
      scrollAdapter_ = MakeAdapter<TacScrollWnd>(true, wnd, skinData_->SkinSection(), Manager(), skinData_.get());
  } else {
    FreeScrollAdapter();
    if (ScrollSupport().InitializeFlatSB) ScrollSupport().InitializeFlatSB(wnd);
  }
}

void TsSkinProvider::FreeScrollAdapter() {
  if (!scrollAdapter_) return;
  TacMainWnd* adapter = scrollAdapter_;
  scrollAdapter_ = nullptr;
  HWND wnd = form_ ? form_->WindowHandle() : nullptr;
  RemoveAdapter(wnd && IsWindow(wnd) && !FormDestroying() ? wnd : nullptr, true, true, adapter);
}

// The form's controls are adapted once the skin reaches the form at run time.
void TsSkinProvider::CreateCtrlAdapter() {
  if (ctrlAdapter_ || passive_ || !form_ || !Manager() || !Skinned() || HasComponentState(this, vcl::csDesigning) ||
      HasComponentState(this, vcl::csLoading) || FormDestroying())
    return;
  ctrlAdapter_ = std::make_unique<TacCtrlAdapter>(this);
  ctrlAdapter_->AddAllItems(nullptr);
}

void TsSkinProvider::AdaptControls(vcl::TWinControl* control) {
  if (!ctrlAdapter_) {
    CreateCtrlAdapter();
    if (!control) return;
  }
  if (ctrlAdapter_) ctrlAdapter_->AddAllItems(control);
}

// The items are told that the skin went (each gives its window its own look back) before the
// adapter frees them.
void TsSkinProvider::RemoveCtrlAdapter() {
  if (!ctrlAdapter_ || HasComponentState(this, vcl::csDesigning)) return;
  vcl::TMessage message{};
  message.Msg = SM_ALPHACMD;
  message.WParam = MAKEWPARAM(0, cmdSkinRemoved);
  message.LParam = LPARAM(Manager());
  ctrlAdapter_->BroadcastToItems(message);
  ctrlAdapter_.reset();
}

void TsSkinProvider::BroadcastToAdapter(const vcl::TMessage& message) {
  if (ctrlAdapter_) ctrlAdapter_->BroadcastToItems(message);
}

void TsSkinProvider::LockForm(bool withMdiParent) {
  skinData_->BeginUpdate();
  if (form_ && form_->HandleAllocated()) form_->Perform(WM_SETREDRAW, 0, 0);
  // A child's state change redraws its MDI form too: that one holds its painting as well.
  TsSkinProvider* mdi = MdiFormProvider;
  if (withMdiParent && form_ && form_->FormStyle() == vcl::fsMDIChild && mdi && mdi != this && !mdi->FormDestroying())
    mdi->LockForm(false);
}

void TsSkinProvider::UnlockForm(bool withMdiParent) {
  skinData_->EndUpdate(false);
  if (form_ && form_->HandleAllocated()) form_->Perform(WM_SETREDRAW, 1, 0);
  TsSkinProvider* mdi = MdiFormProvider;
  if (withMdiParent && form_ && form_->FormStyle() == vcl::fsMDIChild && mdi && mdi != this && !mdi->FormDestroying())
    mdi->UnlockForm(false);
}

std::string TsSkinProvider::TitleSectionName() const { return titleSkin_.empty() ? "FORMTITLE" : titleSkin_; }

int32_t TsSkinProvider::TitleSkinIndex() {
  if (titleIndex_ < 0) {
    TsSkinManager* manager = Manager();
    titleIndex_ = manager ? manager->FindSectionIndex(TitleSectionName()) : -1;
  }
  return titleIndex_;
}

void TsSkinProvider::DiscardFrameCache() {
  skinData_->CacheStale = true;
  TitleImage.reset();
  menuLineCount_ = -1;
  titleIndex_ = captionIndex_ = -1;
}

void TsSkinProvider::UpdateWindowRegion() {
  BuildRegionCutouts();
  SetWindowRegion(true);
}

// ---- Property setters ----

void TsSkinProvider::SetAllowExtBorders(bool value) {
  if (allowExtBorders_ == value) return;
  allowExtBorders_ = value;
  if (HasComponentState(this, vcl::csLoading)) return;
  TsSkinManager* manager = Manager();
  UpdateExtBorders(manager && manager->GetExtendedBorders());
  skinData_->CacheStale = true;
  if (HWND wnd = FormHandle()) RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TsSkinProvider::SetCaptionAlignment(vcl::TAlignment value) {
  if (captionAlignment_ == value) return;
  captionAlignment_ = value;
  skinData_->CacheStale = true;
  if (FormShowing()) RepaintFrame();
}

void TsSkinProvider::SetShowAppIcon(bool value) {
  if (showAppIcon_ == value) return;
  showAppIcon_ = value;
  skinData_->CacheStale = true;
  if (FormShowing()) SendMessageA(FormHandle(), WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetTitleSkin(const std::string& value) {
  if (titleSkin_ == value) return;
  titleSkin_ = value;
  titleIndex_ = -1;
  skinData_->CacheStale = true;
  if (FormShowing()) SendMessageA(FormHandle(), WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetMenuLineSkin(const std::string& value) { menuLineSkin_ = value; }

void TsSkinProvider::SetUseGlobalColor(bool value) {
  if (useGlobalColor_ == value) return;
  useGlobalColor_ = value;
  TsSkinManager* manager = Manager();
  if (!form_ || HasComponentState(this, vcl::csLoading)) return;
  if (manager && Skinned() && value && !skinData_->CustomColor())
    form_->SetColor(manager->GetGlobalColor());
  else if (!value)
    form_->SetColor(vcl::clBtnFace);
}

void TsSkinProvider::SetDrawNonClientArea(bool value) {
  if (drawNonClientArea_ == value) return;
  drawNonClientArea_ = value;
  if (HasComponentState(this, vcl::csDesigning) || passive_) return;
  HWND wnd = FormHandle();
  if (value) {
    UpdateSysMenuStyle(true);
    if (FormShowing() && Skinned()) {
      skinData_->CacheStale = true;
      TitleImage.reset();
      RegionChanged = true;
      TsSkinManager* manager = Manager();
      UpdateExtBorders(manager && manager->GetExtendedBorders());
      RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
      UpdateScrollAdapter();
    }
  } else {
    UpdateExtBorders(false);
    FreeScrollAdapter();
    if (wnd) {
      if (SetWindowThemeFunc) SetWindowThemeFunc(wnd, nullptr, nullptr);
      if (sysMenuRemoved_) SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) | WS_SYSMENU);
      if (IsWindowVisible(wnd)) SetWindowRgn(wnd, nullptr, TRUE);
      RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
  }
}

VCL_PUBLISHED(TsSkinProvider, p) {
  using C = TsSkinProvider;
  p.Object("AddedTitle", &C::AddedTitle, &C::SetAddedTitle)
      .Bool("AllowExtBorders", &C::AllowExtBorders, &C::SetAllowExtBorders, true)
      .Enum("CaptionAlignment", &C::CaptionAlignment, &C::SetCaptionAlignment,
            {"taLeftJustify", "taRightJustify", "taCenter"}, vcl::taLeftJustify)
      .Bool("DrawNonClientArea", &C::DrawNonClientArea, &C::SetDrawNonClientArea, true)
      .Object("SkinData", &C::SkinData)
      .Enum("GripMode", &C::GripMode, &C::SetGripMode, {"gmNone", "gmRightBottom"}, gmNone)
      .Bool("MakeSkinMenu", &C::MakeSkinMenu, &C::SetMakeSkinMenu, false)
      .String("MenuLineSkin", &C::MenuLineSkin, &C::SetMenuLineSkin)
      .Enum("ResizeMode", &C::ResizeMode, &C::SetResizeMode, {"rmStandard", "rmBorder"}, rmStandard)
      .Bool("ScreenSnap", &C::ScreenSnap, &C::SetScreenSnap, false)
      .Integer("SnapBuffer", &C::SnapBuffer, &C::SetSnapBuffer, 10)
      .Bool("ShowAppIcon", &C::ShowAppIcon, &C::SetShowAppIcon, true)
      .Object("TitleButtons", &C::TitleButtons, &C::SetTitleButtons)
      .Object("TitleIcon", &C::TitleIcon, &C::SetTitleIcon)
      .String("TitleSkin", &C::TitleSkin, &C::SetTitleSkin)
      .Bool("UseGlobalColor", &C::UseGlobalColor, &C::SetUseGlobalColor, true)
      .Event("OnExtHitTest", &C::OnExtHitTest)
      .Event("OnSkinItem", &C::OnSkinItem);
}

}  // namespace skin
