// TsSkinProvider and MDI: the MDI form's link to its client window, the buttons, icon and menu
// of a maximised MDI child that the MDI form's provider draws in its menu line and answers for,
// and how MDI children and their MDI form keep each other's frames in step when a child changes
// its state, its text, or goes.
#include <algorithm>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

namespace {

// The cover of a maximised child's buttons in the MDI form's menu line while a menu loop runs:
// one for the program, made when a loop starts and freed when it ends.
vcl::TForm* mdiIconsCover = nullptr;
constexpr int kMdiIconsCoverWidth = 60;

}  // namespace

vcl::TForm* TsSkinProvider::MdiIconsCover() { return mdiIconsCover; }

// The platform draws a maximised child's buttons in the menu bar in its own look while the
// menu is tracked; a window over them shows the skinned menu line's right end instead.
void TsSkinProvider::ShowMdiIconsCover() {
  HWND wnd = FormHandle();
  if (!wnd || !vcl::Application) return;
  RECT window{};
  GetWindowRect(wnd, &window);
  const int x = window.right - WndBorderWidth(false) - kMdiIconsCoverWidth;
  const int y = window.top + WndBorderWidth(false) + CaptionHeight(false);
  const int height = GetSystemMetrics(SM_CYMENU) + 3;
  if (!mdiIconsCover) {
    mdiIconsCover = new vcl::TForm(vcl::Application);
    mdiIconsCover->SetName("acMDIIcons");
    mdiIconsCover->SetTag(-98);  // the skin's window hooks leave it alone
    mdiIconsCover->SetBorderStyle(vcl::bsNone);
    mdiIconsCover->OnPaint = [this](vcl::TObject*) { PaintMdiIconsCover(); };
  }
  mdiIconsCover->SetBounds(x, y, kMdiIconsCoverWidth, height);
  HWND cover = mdiIconsCover->Handle();
  SetWindowPos(cover, HWND_TOP, x, y, kMdiIconsCoverWidth, height,
               SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
  mdiIconsCover->SetVisible(true);
  InvalidateRect(cover, nullptr, FALSE);
}

void TsSkinProvider::HideMdiIconsCover() {
  vcl::TForm* cover = mdiIconsCover;
  mdiIconsCover = nullptr;
  delete cover;
}

// The cover shows what the frame image holds at the cover's place.
void TsSkinProvider::PaintMdiIconsCover() {
  vcl::TForm* cover = mdiIconsCover;
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cover || !cover->HandleAllocated() || FormDestroying()) return;
  if (!cache || skinData_->CacheStale) RenderFrameCache();
  cache = skinData_->CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  RECT r{};
  GetWindowRect(cover->WindowHandle(), &r);
  const vcl::TPoint source = ScreenToImage(r.left, r.top);
  BitBlt(cover->Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, cache->Canvas()->Handle(), source.x,
         source.y, SRCCOPY);
}

void TsSkinProvider::HandleMenuLoop(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (message.Msg == WM_ENTERMENULOOP) {
    if (MaximizedChildShown() && !ChildMenuLoop) {
      ChildMenuLoop = true;
      ShowMdiIconsCover();
    }
  } else {
    ChildMenuLoop = false;
    HideMdiIconsCover();
  }
  next(message);
}

// A maximised child's new text goes into its MDI form's title too, which the platform's MDI
// client draws at once in its own look. The MDI form's window counts as hidden meanwhile (the
// platform draws no caption on a hidden window), and its skinned frame is painted afterwards.
void TsSkinProvider::SetMaximizedChildText(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  TsSkinProvider* mdi = MdiFormProvider != this ? MdiFormProvider : nullptr;
  HWND mdiWnd = mdi && !mdi->FormDestroying() ? mdi->FormHandle() : nullptr;
  if (!mdiWnd || !mdi->drawNonClientArea_ || !IsWindowVisible(mdiWnd)) {
    next(message);
    return;
  }
  std::shared_ptr<bool> mdiAlive = mdi->alive_;
  mdi->InvalidateMenuLine();
  SetWindowLongPtrA(mdiWnd, GWL_STYLE, GetWindowLongPtrA(mdiWnd, GWL_STYLE) & ~LONG_PTR(WS_VISIBLE));
  {
    vcl::TScopeExit visibleAgain([mdiWnd] {
      if (IsWindow(mdiWnd)) SetWindowLongPtrA(mdiWnd, GWL_STYLE, GetWindowLongPtrA(mdiWnd, GWL_STYLE) | WS_VISIBLE);
    });
    next(message);
  }
  if (*mdiAlive && !mdi->FormDestroying()) mdi->RefreshFrame();
}

// The MDI form's menu line shows the active child's merged menu: the line draws those items
// as it draws its own, whether the child is skinned or not.
void TsSkinProvider::HookMergedMenu(bool active) {
  static bool hooking = false;
  TsSkinManager* manager = Manager();
  vcl::TMainMenu* merged = form_ && form_->Menu() ? form_->Menu()->Merged() : nullptr;
  TsSkinableMenus* menus = manager && manager == DefaultManager ? SkinableMenus(manager) : nullptr;
  if (hooking || !merged || !menus) return;
  hooking = true;
  vcl::TScopeExit done([] { hooking = false; });
  const bool popups = active && manager->SkinnedPopups();
  menus->HookMainMenu(merged, active && drawNonClientArea_);
  for (int i = 0; i < merged->Items()->Count(); ++i) menus->HookItem(merged->Items()->Items(i), popups);
}

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
  // A maximised child's system menu stands first in the bar, before the form's own items: a
  // submenu that is none of the library's items.
  HWND wnd = form_ && form_->FormStyle() == vcl::fsMDIForm ? FormHandle() : nullptr;
  HMENU bar = wnd ? GetMenu(wnd) : nullptr;
  if (!bar || GetMenuItemCount(bar) <= 0 || !GetSubMenu(bar, 0)) return 0;
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA;
  return GetMenuItemInfoA(bar, 0, TRUE, &info) && info.dwItemData == 0 ? 1 : 0;
}

std::vector<vcl::TMenuItem*> TsSkinProvider::MenuBarItems() const {
  return form_ && form_->Menu() ? form_->Menu()->ShownItems() : std::vector<vcl::TMenuItem*>{};
}

int32_t TsSkinProvider::MenuBarPosition(const vcl::TMenuItem* item) const {
  const std::vector<vcl::TMenuItem*> items = MenuBarItems();
  auto found = std::find(items.begin(), items.end(), item);
  return found == items.end() ? -1 : MdiMenuItemOffset() + int32_t(found - items.begin());
}

// An MDI child tells the MDI form's provider that what its menu line holds changed.
void TsSkinProvider::RefreshMdiMenuLine() {
  TsSkinProvider* mdi = MdiFormProvider;
  if (!mdi || mdi == this || mdi->FormDestroying()) return;
  mdi->InvalidateMenuLine();
  mdi->FullRepaint = true;
  if (HWND wnd = mdi->FormHandle()) SendMessageA(wnd, WM_NCPAINT, 1, 0);
}

// An MDI child under a maximised sibling shows nothing of itself: it paints nothing.
bool TsSkinProvider::HiddenBehindMaximizedChild() const {
  if (!form_ || form_->FormStyle() != vcl::fsMDIChild) return false;
  HWND wnd = FormHandle();
  HWND client = wnd ? GetParent(wnd) : nullptr;
  BOOL maximized = FALSE;
  auto active = client ? reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, LPARAM(&maximized))) : nullptr;
  return active && maximized && active != wnd;
}

bool TsSkinProvider::MaximizedChildShown() const {
  vcl::TCustomForm* child = form_ && form_->FormStyle() == vcl::fsMDIForm ? form_->ActiveMDIChild() : nullptr;
  return child && child->HandleAllocated() && IsZoomed(child->WindowHandle());
}

// A child that paints without the frame image and lies inside its MDI form's client keeps only
// the rows of its title in the image until the image is made again.
void TsSkinProvider::TrimChildCache() {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  HWND wnd = FormHandle();
  HWND client = wnd && form_->FormStyle() == vcl::fsMDIChild ? GetParent(wnd) : nullptr;
  if (!cache || cache->Empty() || !client) return;
  RECT child{}, area{};
  GetWindowRect(wnd, &child);
  GetClientRect(client, &area);
  MapWindowPoints(client, nullptr, reinterpret_cast<POINT*>(&area), 2);
  if (child.left < area.left || child.top < area.top || child.right > area.right || child.bottom > area.bottom) return;
  const int32_t rows = WndSysBorderWidth(true) + CaptionHeight(true) + MenuLineCount() * MenuLineHeight() + 1;
  if (cache->Height() > rows) cache->SetSize(cache->Width(), rows);
  skinData_->CacheStale = true;
}

// A printed MDI form shows its client too: the client prints itself at its place in the form.
void TsSkinProvider::PrintMdiClient(HDC dc) {
  HWND client = form_ && form_->FormStyle() == vcl::fsMDIForm ? form_->ClientHandle() : nullptr;
  HWND wnd = FormHandle();
  if (!client || !wnd || !IsWindowVisible(client)) return;
  POINT at{0, 0};
  MapWindowPoints(client, wnd, &at, 1);
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, at.x, at.y, nullptr);
  SendMessageA(client, WM_PRINT, WPARAM(dc), PRF_CLIENT | PRF_NONCLIENT);
  RestoreDC(dc, saved);
}

// A child gone (its window destroyed while its skin was off): the MDI form's menu line loses
// what the child put there, and an empty client shows its background again.
void TsSkinProvider::RefreshAfterChildGone() {
  TsSkinProvider* mdi = MdiFormProvider;
  if (!mdi || mdi == this || !mdi->mdiLink_ || mdi->FormDestroying() || !mdi->ManagerActive()) return;
  mdi->RefreshFrame();
  if (!mdi->form_->ActiveMDIChild())
    if (HWND client = mdi->form_->ClientHandle())
      RedrawWindow(client, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INTERNALPAINT | RDW_INVALIDATE);
}

void TsSkinProvider::SkinMainMdiForm() {
  vcl::TCustomForm* main = vcl::Application ? vcl::Application->MainForm() : nullptr;
  if (main && main != form_ && main->FormStyle() == vcl::fsMDIForm && main->HandleAllocated())
    TrySkinTopWindow(main->WindowHandle(), nullptr);
}

// The first paint of a child made over a maximised one: the platform made it maximised, the
// child now takes that state the way a maximise command gives it (its buttons in the MDI
// form's menu line).
void TsSkinProvider::FinishChildOverMaximized() {
  if (!ChildOverMaximized || !form_ || form_->FormStyle() != vcl::fsMDIChild) return;
  ChildOverMaximized = false;
  if (HWND wnd = FormHandle()) SendMessageA(wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

// The MDI form's frame and client anew after a child changed its state: its menu line may
// have gained or lost the child's buttons, icon and menu.
void TsSkinProvider::RefreshMdiParent(bool withBorder) {
  TsSkinProvider* mdi = MdiFormProvider;
  if (!mdi || mdi->FormDestroying()) return;
  mdi->skinData_->BeginUpdate();
  if (mdi->mdiLink_) mdi->mdiLink_->RefreshFrame();
  mdi->skinData_->CacheStale = true;
  mdi->FullRepaint = true;
  mdi->menuLineCount_ = -1;
  mdi->skinData_->EndUpdate(false);
  if (HWND client = mdi->form_->ClientHandle())
    RedrawWindow(client, nullptr, nullptr,
                 RDW_FRAME | RDW_ERASE | RDW_INTERNALPAINT | RDW_INVALIDATE | (withBorder ? RDW_UPDATENOW : 0));
  if (HWND wnd = mdi->FormHandle()) RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  if (withBorder) mdi->RepaintBorderForm(true);
}

// The system commands of an MDI child. While the child changes its state the MDI form's frame
// holds its painting (the platform moves the child's buttons and icon in and out of the form's
// menu bar meanwhile); afterwards the form's frame and client are painted once.
void TsSkinProvider::HandleMdiChildSysCommand(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  const UINT command = UINT(message.WParam) & 0xFFF0;
  bool restoreLater = Zoomed() && command != SC_MAXIMIZE;
  TsSkinProvider* mdi = MdiFormProvider != this ? MdiFormProvider : nullptr;
  // The MDI form's provider may go while the command runs (a close that frees the MDI form).
  std::shared_ptr<bool> mdiAlive = mdi ? mdi->alive_ : std::make_shared<bool>(false);
  auto mdiThere = [&] { return *mdiAlive && !mdi->FormDestroying(); };
  auto endMdiUpdate = [&] {
    if (mdiThere() && (mdi->skinData_->PaintFlags & pfUpdateAnnounced)) mdi->skinData_->EndUpdate(false);
  };
  if (mdi && !mdi->FormDestroying()) mdi->skinData_->BeginUpdate();
  switch (command) {
    case SC_MINIMIZE:
      next(message);
      endMdiUpdate();
      if (!*alive) return;
      if (systemMenu_) systemMenu_->UpdateItems(false);
      TitleImage.reset();
      skinData_->CacheStale = true;
      RefreshMdiParent(true);
      return;
    case SC_MAXIMIZE: {
      ActiveChildProvider = this;
      // The child grows hidden: the platform's look of the maximised child never shows before
      // the skinned one.
      const bool visible = wnd && (GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE);
      if (visible) SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) & ~WS_VISIBLE);
      next(message);
      if (visible && IsWindow(wnd)) SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) | WS_VISIBLE);
      endMdiUpdate();
      if (!*alive) return;
      if (wnd)
        RedrawWindow(wnd, nullptr, nullptr,
                     RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INTERNALPAINT | RDW_INVALIDATE | RDW_ALLCHILDREN);
      if (mdiThere() && mdi->mdiLink_) RefreshMdiParent(true);
      if (systemMenu_) systemMenu_->UpdateItems(false);
      return;
    }
    case SC_CLOSE: {
      const bool refresh = restoreLater && mdiThere() && mdi->mdiLink_;
      if (refresh) RefreshMdiParent(true);
      if (mdiThere()) mdi->ChildMenuLoop = true;
      next(message);
      if (mdiThere()) mdi->ChildMenuLoop = false;
      endMdiUpdate();
      if (!*alive) return;
      if (!FormDestroying()) SetHotItem(0, true);
      if (refresh && mdiThere()) RefreshMdiParent(true);
      return;
    }
    case SC_RESTORE:
      if (Iconic()) restoreLater = true;
      // A child made over a maximised one is maximised by the platform as it comes; the
      // restore of its making is not the user's.
      if (ChildOverMaximized) {
        endMdiUpdate();
        return;
      }
      LockForm(true);
      next(message);
      if (!*alive) {
        if (mdiThere()) mdi->UnlockForm(false);
        return;
      }
      skinData_->CacheStale = true;
      if (wnd) SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) & ~LONG_PTR(WS_SYSMENU));
      UnlockForm(true);
      endMdiUpdate();
      if (wnd) RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
      RestoreOtherMdiChildren();
      if (!*alive) return;
      if (restoreLater) RefreshMdiParent(true);
      if (systemMenu_) systemMenu_->UpdateItems(false);
      return;
    default:
      next(message);
      endMdiUpdate();
      return;
  }
}

// After a child was restored no other child stays maximised, and each shows its own frame.
void TsSkinProvider::RestoreOtherMdiChildren() {
  vcl::TCustomForm* mdiForm = MdiFormProvider ? MdiFormProvider->form_ : nullptr;
  if (!mdiForm || MdiFormProvider->FormDestroying()) return;
  std::vector<vcl::TCustomForm*> others;
  for (int i = 0; i < mdiForm->MDIChildCount(); ++i)
    if (vcl::TCustomForm* child = mdiForm->MDIChildren(i); child && child != form_) others.push_back(child);
  for (vcl::TCustomForm* child : others) {
    if (!child->HandleAllocated()) continue;
    if (IsZoomed(child->WindowHandle())) child->SetWindowState(vcl::wsNormal);
    RedrawWindow(child->WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INTERNALPAINT);
  }
}

}  // namespace skin
