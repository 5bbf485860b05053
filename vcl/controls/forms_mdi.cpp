// The MDI side of TCustomForm: the MDI form's client window, the children that live in it,
// their arrangement and the window menu. The platform's MDI client class does the work (child
// list, activation, the maximised child's merged frame); the form routes its default handling
// through the frame's and the child's default procedures, which that class relies on.
#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// The identifier of the MDI client among the form's children (outside the range the library
// gives its own child windows) and the first command identifier the client gives the window
// menu's child entries (above every menu item identifier of the library).
constexpr UINT MDIClientId = 0xFFFC;
constexpr UINT FirstMDIChildCommand = 0xFF00;

// The default procedure of an MDI form: the frame's, which needs the client window.
LRESULT CALLBACK MDIFrameDefProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = dynamic_cast<TCustomForm*>(FindControl(wnd));
  return DefFrameProcA(wnd, form ? form->ClientHandle() : nullptr, msg, wParam, lParam);
}

}  // namespace

WNDPROC TCustomForm::MDIFrameDefaultProc() { return MDIFrameDefProc; }

// The application's MDI form: its main form when that is one, else the first MDI form listed.
TCustomForm* TCustomForm::FindMDIForm() {
  if (Application && Application->MainForm() && Application->MainForm()->FormStyle() == fsMDIForm)
    return Application->MainForm();
  if (Screen)
    for (int i = 0; i < Screen->CustomFormCount(); ++i)
      if (TCustomForm* form = Screen->CustomForms(i); form->FormStyle() == fsMDIForm) return form;
  return nullptr;
}

void TCustomForm::MDIChildCreateParams(TCreateParams& params) {
  TCustomForm* mdiForm = FindMDIForm();
  if (!mdiForm) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
  mdiForm->HandleNeeded();
  params.WndParent = mdiForm->ClientHandle();
  params.Style |= WS_CHILD | WS_CLIPSIBLINGS;
  params.Style &= ~static_cast<DWORD>(WS_POPUP);
  params.ExStyle |= WS_EX_MDICHILD;
  params.WindowClass.lpfnWndProc = DefMDIChildProcA;
}

void TCustomForm::CreateWindowHandle(const TCreateParams& params) {
  if (formStyle_ != fsMDIChild || ComponentState().Contains(csDesigning)) {
    TScrollingWinControl::CreateWindowHandle(params);
    return;
  }
  // The MDI client numbers its children itself (their window-menu commands), so no identifier
  // of the library's own is given.
  HWND wnd = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                             params.X, params.Y, params.Width, params.Height, params.WndParent, nullptr,
                             params.WindowClass.hInstance, params.Param);
  // The window took its control with its first message; CreateWnd reports a failure.
  if (wnd) formState_.Include(fsCreatedMDIChild);
}

void TCustomForm::DestroyWindowHandle() {
  HWND wnd = WindowHandle();
  if (wnd && formState_.Contains(fsCreatedMDIChild)) {
    MergeMenuIntoMDIForm(false);
    formState_.Exclude(fsCreatedMDIChild);
    // The client destroys its child itself, so that it activates the next child and gives the
    // frame its own menu back when the child was maximised.
    HWND client = GetParent(wnd);
    if (client) SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
  }
  if (formStyle_ == fsMDIForm) DestroyMDIClient();
  TScrollingWinControl::DestroyWindowHandle();
}

void TCustomForm::CreateMDIClient() {
  HWND wnd = WindowHandle();
  if (!wnd || clientHandle_ || ComponentState().Contains(csDesigning)) return;
  CLIENTCREATESTRUCT create{};
  create.hWindowMenu = windowMenu_ ? windowMenu_->Handle() : nullptr;
  create.idFirstChild = FirstMDIChildCommand;
  RECT r{};
  GetClientRect(wnd, &r);
  clientHandle_ = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                                      WS_HSCROLL | WS_VSCROLL | MDIS_ALLCHILDSTYLES,
                                  0, 0, r.right, r.bottom, wnd, reinterpret_cast<HMENU>(UINT_PTR{MDIClientId}),
                                  GetModuleHandleA(nullptr), &create);
  if (!clientHandle_) RaiseLastOSError();
  Realign();
  UpdateMDIMenu();
}

void TCustomForm::DestroyMDIClient() {
  if (!clientHandle_) return;
  // The children's windows go with the client: their forms let go of them first, so that
  // none keeps a window that no longer exists.
  while (HWND child = MDIChildWindow(0)) {
    auto* form = dynamic_cast<TCustomForm*>(FindControl(child));
    if (!form) {
      DestroyWindow(child);
      continue;
    }
    form->DestroyHandle();
  }
  HWND client = clientHandle_;
  clientHandle_ = nullptr;
  if (IsWindow(client)) DestroyWindow(client);
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
  TScrollingWinControl::AlignControls(control, rect);
  AlignMDIClient(rect);
}

void TCustomForm::AlignMDIClient(const TRect& rect) {
  if (!clientHandle_) return;
  // The client takes what the aligned controls leave, under them.
  SetWindowPos(clientHandle_, HWND_BOTTOM, rect.left, rect.top, std::max(0, int(rect.right - rect.left)),
               std::max(0, int(rect.bottom - rect.top)), SWP_NOACTIVATE);
}

HWND TCustomForm::MDIChildWindow(int index) const {
  if (!clientHandle_ || index < 0) return nullptr;
  for (HWND child = GetWindow(clientHandle_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_MDICHILD)) continue;
    if (index-- == 0) return child;
  }
  return nullptr;
}

int TCustomForm::MDIChildCount() const {
  int count = 0;
  while (MDIChildWindow(count)) ++count;
  return count;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
  HWND child = MDIChildWindow(index);
  if (!child) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return dynamic_cast<TCustomForm*>(FindControl(child));
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (formStyle_ != fsMDIForm || !clientHandle_) return nullptr;
  auto active = reinterpret_cast<HWND>(SendMessageA(clientHandle_, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TCustomForm*>(FindControl(active));
}

void TCustomForm::Tile() {
  if (formStyle_ != fsMDIForm || !clientHandle_) return;
  static const WPARAM modes[] = {MDITILE_HORIZONTAL, MDITILE_VERTICAL};
  SendMessageA(clientHandle_, WM_MDITILE, modes[tileMode_], 0);
}

void TCustomForm::Cascade() {
  if (formStyle_ == fsMDIForm && clientHandle_) SendMessageA(clientHandle_, WM_MDICASCADE, 0, 0);
}

void TCustomForm::ArrangeIcons() {
  if (formStyle_ == fsMDIForm && clientHandle_) SendMessageA(clientHandle_, WM_MDIICONARRANGE, 0, 0);
}

void TCustomForm::Next() {
  if (formStyle_ == fsMDIForm && clientHandle_) SendMessageA(clientHandle_, WM_MDINEXT, 0, 0);
}

void TCustomForm::Previous() {
  if (formStyle_ == fsMDIForm && clientHandle_) SendMessageA(clientHandle_, WM_MDINEXT, 0, 1);
}

void TCustomForm::SetWindowMenu(TMenuItem* value) {
  if (windowMenu_ == value) return;
  windowMenu_ = value;
  if (value) value->FreeNotification(this);
  UpdateMDIMenu();
}

// Hands the client the frame's menu bar and the window menu: the client keeps the maximised
// child's items in the bar and the list of children in the window menu.
void TCustomForm::UpdateMDIMenu() {
  HWND wnd = WindowHandle();
  if (formStyle_ != fsMDIForm || !clientHandle_ || !wnd) return;
  HMENU frameMenu = menu_ && MenuHooks.MenuHandle ? MenuHooks.MenuHandle(menu_) : nullptr;
  HMENU windowMenu = windowMenu_ && windowMenu_->Count() > 0 ? windowMenu_->Handle() : nullptr;
  if (!frameMenu && GetMenu(wnd)) ::SetMenu(wnd, nullptr);
  // The client takes no other change with the frame menu it already has: an unchanged one is
  // left out, so that a new window menu still arrives.
  if (frameMenu && frameMenu == GetMenu(wnd)) frameMenu = nullptr;
  SendMessageA(clientHandle_, WM_MDISETMENU, reinterpret_cast<WPARAM>(frameMenu), reinterpret_cast<LPARAM>(windowMenu));
  DrawMenuBar(wnd);
}

void TCustomForm::ActivateMDIChild() {
  HWND wnd = WindowHandle();
  HWND client = wnd ? GetParent(wnd) : nullptr;
  if (!client) return;
  SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(wnd), 0);
  // The window menu lists the children that show: this one shows only now.
  SendMessageA(client, WM_MDIREFRESHMENU, 0, 0);
  if (HWND frame = GetParent(client)) DrawMenuBar(frame);
}

void TCustomForm::WMMDIActivate(TMessage& message) {
  DefaultHandler(message);
  if (formStyle_ != fsMDIChild) return;
  const bool active = reinterpret_cast<HWND>(message.LParam) == WindowHandle();
  SetActive(active);
  MergeMenuIntoMDIForm(active);
}

// The MDI form whose client holds this child's window, nullptr when none.
TCustomForm* TCustomForm::MDIFormOfChild() const {
  HWND wnd = formStyle_ == fsMDIChild ? WindowHandle() : nullptr;
  HWND client = wnd ? GetParent(wnd) : nullptr;
  return client ? dynamic_cast<TCustomForm*>(FindControl(GetParent(client))) : nullptr;
}

bool TCustomForm::IsActiveMDIChild() const {
  TCustomForm* mdiForm = MDIFormOfChild();
  return mdiForm && mdiForm->ActiveMDIChild() == this;
}

// The active child's menu shows in its MDI form's menu bar, among the form's own items.
void TCustomForm::MergeMenuIntoMDIForm(bool merge) {
  TCustomForm* mdiForm = MDIFormOfChild();
  if (!menu_ || !mdiForm || !mdiForm->Menu()) return;
  if (merge)
    mdiForm->Menu()->Merge(menu_);
  else
    mdiForm->Menu()->Unmerge(menu_);
}

}  // namespace vcl
