// TsSkinProvider and MDI: the MDI form's link to its client window, and the buttons of a
// maximised MDI child (minimise, restore, close) that the MDI form's provider draws at the right
// end of its menu line and answers for.
#include "skin/engine/skin_manager.h"
#include "skin/forms/skin_provider.h"

namespace skin {

void TsSkinProvider::SetMdiLink(bool on) {
  if (!on) {
    mdiLink_.reset();
    return;
  }
  if (mdiLink_) return;
  MdiFormProvider = this;
  mdiLink_ = MakeMdiLink(this);
  if (mdiLink_) mdiLink_->ConnectToClient();
}

void TsSkinProvider::InvalidateMenuLine() {
  skinData_->CacheStale = true;
  menuLineCount_ = -1;
}

bool TsSkinProvider::ChildButtonsShown() const {
  if (!ActiveChildProvider || !form_ || form_->FormStyle() != vcl::fsMDIForm || !form_->Menu()) return false;
  vcl::TCustomForm* child = form_->ActiveMDIChild();
  return child && child->HandleAllocated() && IsZoomed(child->WindowHandle()) &&
         child->BorderIcons().Contains(vcl::biSystemMenu);
}

int32_t TsSkinProvider::MdiButtonWidth() const {
  TsSkinManager* manager = Manager();
  if (!manager || !manager->IsMaskIndexValid(ChildClose.MaskIndex)) return 16;
  const TsMaskData& mask = manager->Masks[size_t(ChildClose.MaskIndex)];
  return mask.Image ? mask.Image->Width() / 3 : MaskFrameWidth(mask);
}

int32_t TsSkinProvider::MdiButtonHeight() const {
  TsSkinManager* manager = Manager();
  if (!manager || !manager->IsMaskIndexValid(ChildClose.MaskIndex)) return 16;
  const TsMaskData& mask = manager->Masks[size_t(ChildClose.MaskIndex)];
  return mask.Image ? mask.Image->Height() / 2 : MaskFrameHeight(mask);
}

void TsSkinProvider::InitChildButtonMasks() {
  TsSkinManager* manager = Manager();
  if (!manager || !form_ || form_->FormStyle() != vcl::fsMDIForm || form_->ComponentState().Contains(vcl::csDesigning)) return;
  ChildClose.HitCode = kHitChildClose;
  ChildRestore.HitCode = kHitChildRestore;
  ChildMinimize.HitCode = kHitChildMinimize;
  if (ButtonClose.BigIcon && !manager->IsMaskIndexValid(GlobalMask("SICONCLOSE"))) {
    ChildMinimize.MaskIndex = GlobalMask("BICONMIN");
    ChildRestore.MaskIndex = GlobalMask("BICONMAX");
    ChildClose.MaskIndex = GlobalMask("BICONCLOSE");
    ChildMinimize.BigIcon = ChildRestore.BigIcon = ChildClose.BigIcon = true;
    return;
  }
  ChildMinimize.MaskIndex = GlobalMask("SICONMIN");
  ChildRestore.MaskIndex = GlobalMask("SICONMAX");
  ChildClose.MaskIndex = GlobalMask("SICONCLOSE");
  ChildMinimize.BigIcon = ChildRestore.BigIcon = ChildClose.BigIcon = false;
  if (!manager->IsMaskIndexValid(ChildMinimize.MaskIndex)) {
    ChildMinimize.MaskIndex = ButtonMin.MaskIndex;
    ChildRestore.MaskIndex = ButtonMax.MaskIndex;
    ChildClose.MaskIndex = ButtonClose.MaskIndex;
    ChildMinimize.BigIcon = ChildRestore.BigIcon = ChildClose.BigIcon = true;
  }
}

void TsSkinProvider::LayoutChildButtons() {
  for (TitleButtonData* b : {&ChildClose, &ChildRestore, &ChildMinimize}) b->Rect = vcl::TRect{};
  if (!ChildButtonsShown()) return;
  const vcl::TRect shadow = GetShadowMargins();
  const int32_t w = MdiButtonWidth(), h = MdiButtonHeight();
  const int32_t top = WndSysBorderWidth(true) + CaptionHeight(true) + shadow.top + (MenuLineHeight() - h) / 2;
  const int32_t right = FrameImageWidth() - WndBorderWidth(true) - shadow.right;
  auto place = [&](TitleButtonData& button, int32_t left) { button.Rect = vcl::TRect{left, top, left + w, top + h}; };
  place(ChildMinimize, right - 3 * w - 3);
  place(ChildRestore, right - 2 * w - 2);
  place(ChildClose, right - w - 1);
}

int32_t TsSkinProvider::ChildButtonAt(vcl::TPoint framePoint) {
  LayoutChildButtons();
  const vcl::TRect shadow = GetShadowMargins();
  const POINT p{framePoint.x + shadow.left + ExtBorderExcess(), framePoint.y + shadow.top + ExtTitleExcess()};
  int32_t code = HTMENU;
  for (TitleButtonData* b : {&ChildClose, &ChildRestore, &ChildMinimize})
    if (PtInRect(&b->Rect, p)) {
      code = b->HitCode;
      break;
    }
  SetHotItem(code == HTMENU ? 0 : code, true);
  return code;
}

void TsSkinProvider::PaintChildButtons() {
  LayoutChildButtons();
  if (!ChildButtonsShown()) return;
  TsSystemMenu* childMenu = ActiveChildProvider ? ActiveChildProvider->SystemMenu() : nullptr;
  const bool minEnabled = !childMenu || childMenu->EnabledMin();
  const bool restoreEnabled = !childMenu || childMenu->EnabledRestore();
  TsSkinManager* manager = Manager();
  int32_t norm = GlobalMask("SICONNORM");
  if (manager && !manager->IsMaskIndexValid(norm)) norm = GlobalMask("BICONNORM");
  PaintOneButton(ChildMinimize, ChildMinimize.MaskIndex, minEnabled);
  // The active child is maximised while its buttons show: restore shows the restore picture.
  PaintOneButton(ChildRestore, norm >= 0 ? norm : ChildRestore.MaskIndex, restoreEnabled);
  PaintOneButton(ChildClose, ChildClose.MaskIndex, true);
}

bool TsSkinProvider::ChildButtonEnabled(int32_t code) const {
  TsSystemMenu* childMenu = ActiveChildProvider ? ActiveChildProvider->SystemMenu() : nullptr;
  if (!childMenu) return true;
  if (code == kHitChildMinimize) return childMenu->EnabledMin();
  if (code == kHitChildRestore) return childMenu->EnabledRestore();
  return true;
}

void TsSkinProvider::ReleaseChildButton(int32_t code, bool over) {
  vcl::TCustomForm* child = form_ ? form_->ActiveMDIChild() : nullptr;
  HWND childWnd = child && child->HandleAllocated() ? child->WindowHandle() : nullptr;
  std::shared_ptr<bool> alive = alive_;
  if (code == kHitChildMinimize) {
    if (over && childWnd) SendMessageA(childWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (*alive) SetHotItem(0, true);
    return;
  }
  SetHotItem(0, false);
  if (over && childWnd) SendMessageA(childWnd, WM_SYSCOMMAND, code == kHitChildClose ? SC_CLOSE : SC_RESTORE, 0);
}

int32_t TsSkinProvider::MdiMenuItemOffset() const {
  // A maximised child's system menu item stands first in the bar, before the form's own items.
  if (!form_ || form_->FormStyle() != vcl::fsMDIForm || !form_->Menu()) return 0;
  vcl::TCustomForm* child = form_->ActiveMDIChild();
  HWND wnd = FormHandle();
  HMENU bar = wnd ? GetMenu(wnd) : nullptr;
  if (!bar || !child || !child->HandleAllocated() || !IsZoomed(child->WindowHandle())) return 0;
  int visible = 0;
  vcl::TMenuItem* items = form_->Menu()->Items();
  for (int i = 0; i < items->Count(); ++i)
    if (items->Items(i)->Visible()) ++visible;
  return GetMenuItemCount(bar) > visible ? 1 : 0;
}

// An MDI child tells the MDI form's provider that what its menu line holds changed.
void TsSkinProvider::RefreshMdiMenuLine() {
  TsSkinProvider* mdi = MdiFormProvider;
  if (!mdi || mdi == this || mdi->FormDestroying()) return;
  mdi->InvalidateMenuLine();
  mdi->FullRepaint = true;
  if (HWND wnd = mdi->FormHandle()) SendMessageA(wnd, WM_NCPAINT, 1, 0);
}

}  // namespace skin
