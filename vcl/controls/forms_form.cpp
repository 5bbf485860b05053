// TCustomForm: creation from form data, showing (modeless and modal), closing, activation and
// the focus among the form's controls, dialog keys, and the window's frame.
#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/formresources.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

// Counts focus changes: a focus message handler that moves the focus elsewhere shows as a
// change of the count, and the caller stops its own sequence.
int focusCount = 0;

bool SendFocusMessage(HWND wnd, UINT msg) {
  int count = focusCount;
  SendMessageA(wnd, msg, 0, 0);
  return focusCount == count;
}

}  // namespace

// ---- Task windows -----------------------------------------------------------------------------

namespace {
struct TaskWindows {
  HWND active;
  std::vector<HWND> list;
};

BOOL CALLBACK DisableTaskWindow(HWND wnd, LPARAM param) {
  auto* data = reinterpret_cast<TaskWindows*>(param);
  if (wnd != data->active && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    try {
      data->list.push_back(wnd);
    } catch (...) {
      return FALSE;  // out of memory: leave the rest enabled rather than unwind into the platform
    }
    EnableWindow(wnd, FALSE);
  }
  return TRUE;
}
}  // namespace

std::vector<HWND> DisableTaskWindows(HWND activeWindow) {
  TaskWindows data{activeWindow, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&data));
  return data.list;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND wnd : windows)
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
}

// ---- Life -----------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner), canvas_(std::make_unique<TControlCanvas>()), icon_(std::make_unique<TIcon>()),
      pixelsPerInch_(Screen ? Screen->PixelsPerInch() : 96) {
  icon_->OnChange = [this](TObject*) { UpdateIcon(); };
  controlStyle_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  canvas_->SetControl(this);
  SetBounds(0, 0, 320, 240);
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetParentFont(false);
  SetCtl3D(true);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  // Everything that needs the whole form runs here, before the bases go.
  Destroying();
  if (Screen) {
    std::erase(Screen->saveFocusedList_, this);
    if (Screen->focusedForm_ == this) Screen->focusedForm_ = nullptr;
  }
  if (formStyle_ != fsMDIChild && WindowHandle() && Visible()) {
    try {
      Hide();
    } catch (...) {
    }
  }
  try {
    DoDestroy();
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
  activeControl_ = nullptr;
  focusedControl_ = nullptr;
  if (WindowHandle()) DestroyWindowHandle();
  if (Screen) Screen->RemoveForm(this);
  canvas_.reset();
}

void TCustomForm::AfterConstruction() {
  if (ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass()) {
    formState_.Include(fsCreating);
    TScopeExit created([this] { formState_.Exclude(fsCreating); });
    if (!InitInheritedComponent(this, TForm::StaticClass()))
      throw EResNotFound("Resource " + ClassName() + " not found");
  }
  DoCreate();
  if (formState_.Contains(fsActivated)) {
    Activate();
    formState_.Exclude(fsActivated);
  }
  // Form data that made the form visible shows it once it is complete.
  if (formState_.Contains(fsVisible)) {
    formState_.Exclude(fsVisible);
    SetVisible(true);
  }
}

void TCustomForm::ReadState(TReader* reader) {
  WithAlignDisabled([&] {
    clientWidth_ = clientHeight_ = 0;
    readPixelsPerInch_ = 0;
    TScrollingWinControl::ReadState(reader);
    ApplyScaling();
    if (clientWidth_ > 0) SetClientWidth(clientWidth_);
    if (clientHeight_ > 0) SetClientHeight(clientHeight_);
    clientWidth_ = clientHeight_ = 0;
  });
}

// Form data written at another resolution is scaled to this screen's, when the form allows it.
void TCustomForm::ApplyScaling() {
  int screenPPI = Screen ? Screen->PixelsPerInch() : 96;
  if (scaled_ && readPixelsPerInch_ > 0 && readPixelsPerInch_ != screenPPI) {
    ScaleBy(screenPPI, readPixelsPerInch_);
    if (clientWidth_ > 0) clientWidth_ = MulDiv(clientWidth_, screenPPI, readPixelsPerInch_);
    if (clientHeight_ > 0) clientHeight_ = MulDiv(clientHeight_, screenPPI, readPixelsPerInch_);
  }
  if (readPixelsPerInch_ > 0) pixelsPerInch_ = screenPPI;
}

void TCustomForm::Loaded() {
  TScrollingWinControl::Loaded();
  if (activeControl_) {
    // The control named in form data becomes active once the form is complete.
    TWinControl* control = activeControl_;
    activeControl_ = nullptr;
    if (control->CanFocus()) SetActiveControl(control);
  }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TScrollingWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == activeControl_) activeControl_ = nullptr;
  if (component == focusedControl_) focusedControl_ = nullptr;
  if (menu_ && component == menu_) SetMenu(nullptr);
  if (windowMenu_ && component == windowMenu_) SetWindowMenu(nullptr);
}

void TCustomForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TScrollingWinControl::GetChildren(proc, root);
  if (root == this)
    for (int i = 0; i < ComponentCount(); ++i) {
      TComponent* c = Components(i);
      if (!c->HasParent()) proc(c);
    }
}

void TCustomForm::DefineProperties(TFiler* filer) {
  TScrollingWinControl::DefineProperties(filer);
  // The height of a line of text in the form's font when the form data was written; the
  // resolution (PixelsPerInch) decides the scaling here, so the value is only kept.
  filer->DefineProperty(
      "TextHeight", [this](TReader* reader) { textHeight_ = reader->ReadInteger(); },
      [this](TWriter* writer) { writer->WriteInteger(textHeight_ > 0 ? textHeight_ : canvas_->TextHeight("0")); },
      true);
}

int TCustomForm::StoredClientWidth() { return clientWidth_ > 0 ? clientWidth_ : ClientWidth(); }
int TCustomForm::StoredClientHeight() { return clientHeight_ > 0 ? clientHeight_ : ClientHeight(); }

void TCustomForm::SetStoredClientWidth(int value) {
  if (controlState_.Contains(csReadingState) || ComponentState().Contains(csReading))
    clientWidth_ = value;
  else
    SetClientWidth(value);
}

void TCustomForm::SetStoredClientHeight(int value) {
  if (controlState_.Contains(csReadingState) || ComponentState().Contains(csReading))
    clientHeight_ = value;
  else
    SetClientHeight(value);
}

// ---- Window --------------------------------------------------------------------------------

void TCustomForm::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (!Parent() && !ParentWindow()) {
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  }
  params.WindowClass.style = CS_DBLCLKS;
  if (ComponentState().Contains(csDesigning)) return;
  TFormBorderStyle style = borderStyle_;
  if (formStyle_ == fsMDIChild && (style == bsNone || style == bsDialog)) style = bsSizeable;
  TBorderIcons icons = borderIcons_;
  switch (style) {
    case bsNone:
      if (!Parent() && !ParentWindow()) params.Style |= WS_POPUP;
      icons = {};
      break;
    case bsSingle:
    case bsToolWindow:
      params.Style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      if (position_ == poDefault || position_ == poDefaultPosOnly) params.X = params.Y = CW_USEDEFAULT;
      if (position_ == poDefault || position_ == poDefaultSizeOnly) params.Width = params.Height = CW_USEDEFAULT;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      icons = icons * TBorderIcons{biSystemMenu, biHelp};
      params.WindowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      break;
  }
  if (style == bsToolWindow || style == bsSizeToolWin) {
    params.ExStyle = WS_EX_TOOLWINDOW;
    icons = icons * TBorderIcons{biSystemMenu};
  }
  if (style == bsSingle || style == bsSizeable || style == bsNone) {
    if (icons.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
    if (icons.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
    if (windowState_ == wsMinimized)
      params.Style |= WS_MINIMIZE;
    else if (windowState_ == wsMaximized)
      params.Style |= WS_MAXIMIZE;
  } else {
    windowState_ = wsNormal;
  }
  if (icons.Contains(biSystemMenu)) params.Style |= WS_SYSMENU;
  if (icons.Contains(biHelp) &&
      (style == bsDialog || (!icons.Contains(biMinimize) && !icons.Contains(biMaximize))))
    params.ExStyle |= WS_EX_CONTEXTHELP;
  if (formStyle_ == fsMDIChild)
    MDIChildCreateParams(params);
  else if (formStyle_ == fsMDIForm)
    params.WindowClass.lpfnWndProc = MDIFrameDefaultProc();
}

void TCustomForm::CreateWnd() {
  TScrollingWinControl::CreateWnd();
  HWND wnd = WindowHandle();
  UpdateIcon();
  if (alphaBlend_) UpdateLayered();
  if (formStyle_ == fsStayOnTop)
    SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (menu_ && MenuHooks.MenuHandle) ::SetMenu(wnd, MenuHooks.MenuHandle(menu_));
  if (formStyle_ == fsMDIForm) CreateMDIClient();
}

void TCustomForm::DestroyWnd() {
  if (menu_ && WindowHandle()) ::SetMenu(WindowHandle(), nullptr);
  TScrollingWinControl::DestroyWnd();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  SetAutoScroll(value == bsSizeable || value == bsSizeToolWin);
  if (!ComponentState().Contains(csDesigning)) RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (borderIcons_ == value) return;
  borderIcons_ = value;
  if (!ComponentState().Contains(csDesigning)) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (formStyle_ == value) return;
  const bool mdi = value == fsMDIChild || value == fsMDIForm || formStyle_ == fsMDIChild || formStyle_ == fsMDIForm;
  if (mdi) {
    // The window class and its parent differ: the window is made anew for the new style.
    if (value == fsMDIChild && position_ == poDesigned) position_ = poDefault;
    if (!ComponentState().Contains(csDesigning)) DestroyHandle();
    formStyle_ = value;
    if (ComponentState().Contains(csDesigning)) return;
    UpdateControlState();
    // An MDI child is always shown.
    if (value == fsMDIChild) SetVisible(true);
    return;
  }
  formStyle_ = value;
  if (HWND wnd = WindowHandle())
    SetWindowPos(wnd, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (windowState_ == value) return;
  windowState_ = value;
  if (!ComponentState().Contains(csDesigning) && Showing()) {
    static const int commands[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};
    ShowWindow(WindowHandle(), commands[value]);
  }
}

void TCustomForm::SetPixelsPerInch(int value) {
  if (value <= 0) return;
  if (ComponentState().Contains(csReading))
    readPixelsPerInch_ = value;
  else
    pixelsPerInch_ = value;
}

void TCustomForm::SetScaled(bool value) {
  if (scaled_ == value) return;
  scaled_ = value;
  if (!value) pixelsPerInch_ = Screen ? Screen->PixelsPerInch() : 96;
}

void TCustomForm::SetMenu(TMainMenu* value) {
  if (formStyle_ == fsMDIChild && WindowHandle()) {
    // A child's menu shows in its MDI form's menu bar while the child is active.
    if (menu_ != value) MergeMenuIntoMDIForm(false);
    menu_ = value;
    if (value) value->FreeNotification(this);
    MergeMenuIntoMDIForm(IsActiveMDIChild());
    return;
  }
  menu_ = value;
  if (value) value->FreeNotification(this);
  if (clientHandle_) {
    UpdateMDIMenu();
    return;
  }
  if (HWND wnd = WindowHandle())
    ::SetMenu(wnd, value && MenuHooks.MenuHandle ? MenuHooks.MenuHandle(value) : nullptr);
}

void TCustomForm::SetIcon(TIcon* value) { icon_->Assign(value); }

void TCustomForm::SetAlphaBlend(bool value) {
  if (alphaBlend_ == value) return;
  alphaBlend_ = value;
  UpdateLayered();
}

void TCustomForm::SetAlphaBlendValue(uint8_t value) {
  if (alphaBlendValue_ == value) return;
  alphaBlendValue_ = value;
  if (alphaBlend_) UpdateLayered();
}

void TCustomForm::UpdateLayered() {
  HWND wnd = WindowHandle();
  if (!wnd || ComponentState().Contains(csDesigning)) return;
  LONG_PTR exStyle = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
  if (alphaBlend_) {
    if (!(exStyle & WS_EX_LAYERED)) SetWindowLongPtrA(wnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(wnd, 0, alphaBlendValue_, LWA_ALPHA);
  } else if (exStyle & WS_EX_LAYERED) {
    SetWindowLongPtrA(wnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TCustomForm::UpdateIcon() {
  HWND wnd = WindowHandle();
  if (!wnd) return;
  // A dialog frame shows no icon.
  HICON icon = nullptr;
  if (borderStyle_ != bsDialog) icon = icon_->Empty() ? Application->Icon()->Handle() : icon_->Handle();
  SendMessageA(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::PaintWindow(HDC dc) {
  TCanvasBinding binding(canvas_.get(), dc);
  Paint();
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::WMPaint(TWMPaint& message) {
  HWND wnd = WindowHandle();
  if (wnd && IsIconic(wnd)) {
    DefaultHandler(message);
    return;
  }
  TControlStateScope customPaint(this, csCustomPaint);
  TScrollingWinControl::WMPaint(message);
}

void TCustomForm::WMSize(TWMSize& message) {
  if (ComponentState().Contains(csDestroying)) return;
  TScrollingWinControl::WMSize(message);
  switch (message.SizeType()) {
    case SIZE_RESTORED: windowState_ = wsNormal; break;
    case SIZE_MINIMIZED: windowState_ = wsMinimized; break;
    case SIZE_MAXIMIZED: windowState_ = wsMaximized; break;
  }
}

void TCustomForm::WMGetMinMaxInfo(TWMGetMinMaxInfo& message) {
  if (!ComponentState().Contains(csReading)) {
    MINMAXINFO* info = message.MinMaxInfo();
    TSizeConstraints* c = Constraints();
    if (c->MinWidth() > 0) info->ptMinTrackSize.x = c->MinWidth();
    if (c->MinHeight() > 0) info->ptMinTrackSize.y = c->MinHeight();
    if (c->MaxWidth() > 0) info->ptMaxTrackSize.x = c->MaxWidth();
    if (c->MaxHeight() > 0) info->ptMaxTrackSize.y = c->MaxHeight();
    int minW = info->ptMinTrackSize.x, minH = info->ptMinTrackSize.y;
    int maxW = info->ptMaxTrackSize.x, maxH = info->ptMaxTrackSize.y;
    ConstrainedResize(minW, minH, maxW, maxH);
    info->ptMinTrackSize = Point(minW, minH);
    info->ptMaxTrackSize = Point(maxW, maxH);
  }
  DefaultHandler(message);
}

// ---- Showing -------------------------------------------------------------------------------

void TCustomForm::SetVisible(bool value) {
  if (formState_.Contains(fsCreating)) {
    if (value)
      formState_.Include(fsVisible);
    else
      formState_.Exclude(fsVisible);
    return;
  }
  TControl::SetVisible(value);
}

void TCustomForm::VisibleChanging() {
  if (formStyle_ == fsMDIChild && Visible()) throw EInvalidOperation("Cannot hide an MDI Child Form");
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::ApplyPosition() {
  if (Parent() || !Screen) return;
  int x = Left(), y = Top();
  switch (position_) {
    case poScreenCenter: {
      TRect work = Screen->WorkAreaRect();
      x = work.left + ((work.right - work.left) - Width()) / 2;
      y = work.top + ((work.bottom - work.top) - Height()) / 2;
      break;
    }
    case poDesktopCenter: {
      TRect desktop = Screen->DesktopRect();
      x = desktop.left + ((desktop.right - desktop.left) - Width()) / 2;
      y = desktop.top + ((desktop.bottom - desktop.top) - Height()) / 2;
      break;
    }
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* center = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!center && Application) center = Application->MainForm();
      if (center && center != this) {
        x = center->Left() + (center->Width() - Width()) / 2;
        y = center->Top() + (center->Height() - Height()) / 2;
      } else {
        TRect work = Screen->WorkAreaRect();
        x = work.left + ((work.right - work.left) - Width()) / 2;
        y = work.top + ((work.bottom - work.top) - Height()) / 2;
      }
      break;
    }
    default:
      return;
  }
  x = std::max(x, 0);
  y = std::max(y, 0);
  SetBounds(x, y, Width(), Height());
}

void TCustomForm::CMShowingChanged(TMessage& message) {
  if (!ComponentState().Contains(csDesigning) && formState_.Contains(fsShowing))
    throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
  formState_.Include(fsShowing);
  TScopeExit shown([this] { formState_.Exclude(fsShowing); });
  if (ComponentState().Contains(csDesigning)) {
    TScrollingWinControl::CMShowingChanged(message);
  } else if (Showing()) {
    try {
      DoShow();
    } catch (...) {
      Application->HandleException(this);
    }
    ApplyPosition();
    // Once applied, the position is the form's own.
    if (position_ != poDefault && position_ != poDefaultPosOnly && position_ != poDefaultSizeOnly)
      position_ = poDesigned;
    static const int commands[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
    ShowWindow(WindowHandle(), commands[windowState_]);
    // Showing a child window does not activate it: the MDI client is asked to.
    if (formStyle_ == fsMDIChild) ActivateMDIChild();
  } else {
    try {
      DoHide();
    } catch (...) {
      Application->HandleException(this);
    }
    SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
}

void TCustomForm::DoCreate() {
  if (TNotifyEvent handler = OnCreate) handler(this);
}

void TCustomForm::DoDestroy() {
  if (TNotifyEvent handler = OnDestroy) handler(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || formState_.Contains(fsModal) || formStyle_ == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  Application->ModalStarted();
  TScopeExit modalEnd([] { Application->ModalFinished(); });
  formState_.Include(fsModal);
  HWND activeWindow = GetActiveWindow();
  int saveFocusCount = focusCount;
  Screen->saveFocusedList_.insert(Screen->saveFocusedList_.begin(), Screen->focusedForm_);
  Screen->focusedForm_ = this;
  TCursor saveCursor = Screen->Cursor();
  Screen->SetCursor(crDefault);
  // Every other window of the program waits while the modal form is up.
  std::vector<HWND> disabled = DisableTaskWindows(nullptr);
  TScopeExit restore([&] {
    Screen->SetCursor(saveCursor);
    EnableTaskWindows(disabled);
    std::vector<TCustomForm*>& saved = Screen->saveFocusedList_;
    Screen->focusedForm_ = saved.empty() ? nullptr : saved.front();
    if (!saved.empty()) saved.erase(saved.begin());
    if (activeWindow && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
    focusCount = saveFocusCount;
    formState_.Exclude(fsModal);
  });
  Show();
  TScopeExit hide([this] {
    if (!Visible()) return;
    try {
      Hide();
    } catch (...) {
      // Already leaving through an exception; the form stays as it is.
    }
  });
  SendMessageA(WindowHandle(), CM_ACTIVATE, 0, 0);
  modalResult_ = mrNone;
  do {
    Application->HandleMessage();
    if (Application->Terminated())
      modalResult_ = mrCancel;
    else if (modalResult_ != mrNone)
      CloseModal();
  } while (modalResult_ == mrNone);
  int result = modalResult_;
  SendMessageA(WindowHandle(), CM_DEACTIVATE, 0, 0);
  if (GetActiveWindow() != WindowHandle()) activeWindow = nullptr;
  Hide();
  return result;
}

void TCustomForm::CloseModal() {
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone)
      modalResult_ = mrNone;
    else if (action == caFree)
      Release();
  } catch (...) {
    modalResult_ = mrNone;
    if (Application) Application->HandleException(this);
  }
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (formState_.Contains(fsModal)) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = formStyle_ == fsMDIChild ? (borderIcons_.Contains(biMinimize) ? caMinimize : caNone) : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else if (action == caHide)
    Hide();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Release();
}

void TCustomForm::Release() { PostMessageA(Handle(), CM_RELEASE, 0, 0); }

void TCustomForm::CMRelease(TMessage&) { delete this; }

void TCustomForm::WMClose(TWMClose&) { Close(); }

void TCustomForm::WMQueryEndSession(TWMQueryEndSession& message) { message.Result = CloseQuery() ? 1 : 0; }

// ---- Activation and focus ----------------------------------------------------------------------

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::CMActivate(TMessage&) {
  if (ComponentState().Contains(csReading))
    formState_.Include(fsActivated);
  else
    Activate();
}

void TCustomForm::CMDeactivate(TMessage&) {
  if (ComponentState().Contains(csReading))
    formState_.Exclude(fsActivated);
  else
    Deactivate();
}

void TCustomForm::WMActivate(TWMActivate& message) {
  if (formStyle_ != fsMDIForm) SetActive(message.Active() != WA_INACTIVE);
}

void TCustomForm::SetActive(bool value) {
  active_ = value;
  if (!value) return;
  if (!activeControl_ && !ComponentState().Contains(csDesigning))
    activeControl_ = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* control = activeControl_ ? activeControl_ : this;
  HWND wnd = control->Handle();
  ::SetFocus(wnd);
  if (GetFocus() == wnd) control->Perform(CM_UIACTIVATE, 0, 0);
}

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (activeControl_ == control) return;
  if (control && (control == this || GetParentForm(control) != this ||
                  (!ComponentState().Contains(csLoading) && !control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = control;
  if (!ComponentState().Contains(csLoading) && active_) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool wasActive = active_;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(focusedControl_)) focusedControl_ = control->Parent();
  if (control->ContainsControl(activeControl_)) SetActiveControl(nullptr);
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  ++focusCount;
  activeControl_ = control != this ? control : nullptr;
  Screen->SetActive(this, control);
  if (control->controlState_.Contains(csFocusing)) return false;
  TControlStateScope focusing(control, csFocusing);
  if (Screen->focusedForm_ != this) {
    if (TCustomForm* previous = Screen->focusedForm_) {
      HWND wnd = previous->WindowHandle();
      Screen->focusedForm_ = nullptr;
      if (wnd && !SendFocusMessage(wnd, CM_DEACTIVATE)) return false;
    }
    Screen->focusedForm_ = this;
    if (!SendFocusMessage(Handle(), CM_ACTIVATE)) return false;
  }
  if (!focusedControl_) focusedControl_ = this;
  if (focusedControl_ == control) return true;
  // Leave the controls that do not contain the new one, innermost first ...
  while (focusedControl_ && !focusedControl_->ContainsControl(control)) {
    HWND wnd = focusedControl_->Handle();
    focusedControl_ = focusedControl_->Parent();
    if (!SendFocusMessage(wnd, CM_EXIT)) return false;
  }
  // ... and enter those that do, outermost first.
  while (focusedControl_ != control) {
    TWinControl* step = control;
    while (step->Parent() != focusedControl_) step = step->Parent();
    focusedControl_ = step;
    if (!SendFocusMessage(step->Handle(), CM_ENTER)) return false;
  }
  for (TWinControl* p = control->Parent(); p; p = p->Parent())
    if (auto* scrolling = dynamic_cast<TScrollingWinControl*>(p)) scrolling->AutoScrollInView(control);
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  return true;
}

void TCustomForm::SendCancelMode(TControl* sender) {
  if (active_ && activeControl_) activeControl_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

bool TCustomForm::IsShortCut(TWMKey& message) { return menu_ && menu_->IsShortCut(message); }

void TCustomForm::MouseWheelHandler(TMessage& message) {
  if (focusedControl_ && focusedControl_ != this)
    message.Result = focusedControl_->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
  else
    TScrollingWinControl::MouseWheelHandler(message);
}

void TCustomForm::CMDialogKey(TCMDialogKey& message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (message.CharCode()) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
          message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (activeControl_ && activeControl_->Parent()) {
          activeControl_->Parent()->SelectNext(activeControl_,
                                               message.CharCode() == VK_RIGHT || message.CharCode() == VK_DOWN, false);
          message.Result = 1;
        }
        return;
    }
  }
  TScrollingWinControl::CMDialogKey(message);
}

void TCustomForm::WMMenuMessage(TMessage& message) {
  if (MenuHooks.FormMessage && MenuHooks.FormMessage(this, message)) return;
  if (message.Msg == WM_COMMAND || message.Msg == WM_DRAWITEM || message.Msg == WM_MEASUREITEM)
    TScrollingWinControl::Dispatch(message);
  else
    DefaultHandler(message);
}

void TCustomForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_ACTIVATE: CallMessageHandler<TWMActivate>(message, this, &TCustomForm::WMActivate); break;
    case WM_CLOSE: CallMessageHandler<TWMClose>(message, this, &TCustomForm::WMClose); break;
    case WM_QUERYENDSESSION: CallMessageHandler<TWMQueryEndSession>(message, this, &TCustomForm::WMQueryEndSession); break;
    case WM_GETMINMAXINFO: CallMessageHandler<TWMGetMinMaxInfo>(message, this, &TCustomForm::WMGetMinMaxInfo); break;
    case WM_COMMAND:
      if (message.LParam == 0) {
        WMMenuMessage(message);
        break;
      }
      TScrollingWinControl::Dispatch(message);
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM: {
      UINT type = message.Msg == WM_DRAWITEM ? reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)->CtlType
                                             : reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->CtlType;
      if (type == ODT_MENU)
        WMMenuMessage(message);
      else
        TScrollingWinControl::Dispatch(message);
      break;
    }
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_MENUCHAR:
      WMMenuMessage(message);
      break;
    case WM_MDIACTIVATE: WMMDIActivate(message); break;
    case CM_ACTIVATE: CMActivate(message); break;
    case CM_DEACTIVATE: CMDeactivate(message); break;
    case CM_RELEASE: CMRelease(message); break;
    case WM_SYSCOMMAND: WMSysCommand(message); break;
    case CM_ACTIONEXECUTE: CMActionExecute(message); break;
    case CM_ACTIONUPDATE: CMActionUpdate(message); break;
    default: TScrollingWinControl::Dispatch(message); break;
  }
}

void TCustomForm::DefaultHandler(TMessage& message) {
  HWND wnd = WindowHandle();
  if (!ownerDrawnFrame_ || !wnd || !IsWindowVisible(wnd) ||
      (message.Msg != WM_SETTEXT && message.Msg != WM_NCACTIVATE)) {
    TScrollingWinControl::DefaultHandler(message);
    return;
  }
  if (message.Msg == WM_NCACTIVATE) {
    // With -1 the default procedure records the state and leaves the frame as it is.
    TMessage quiet(WM_NCACTIVATE, message.WParam, -1);
    TScrollingWinControl::DefaultHandler(quiet);
    message.Result = quiet.Result;
  } else {
    // The default procedure draws the caption only on a visible window: the text is stored
    // while the window's style says hidden, which neither hides nor repaints the window (it
    // hears of the change through WM_STYLECHANGING and WM_STYLECHANGED, twice).
    LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    SetWindowLongPtrA(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    TScopeExit visibleAgain([wnd] {
      if (IsWindow(wnd)) SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) | WS_VISIBLE);
    });
    TScrollingWinControl::DefaultHandler(message);
  }
  SendMessageA(wnd, WM_NCPAINT, 1, 0);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TCustomForm, p) {
  p.Integer("Color", &TCustomForm::Color, &TCustomForm::SetColor, clBtnFace)
      .Idents(ColorToIdent, IdentToColor)
      .Integer("ClientWidth", &TCustomForm::StoredClientWidth, &TCustomForm::SetStoredClientWidth)
      .Stored(false)
      .Integer("ClientHeight", &TCustomForm::StoredClientHeight, &TCustomForm::SetStoredClientHeight)
      .Stored(false)
      .Set("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
           {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}, TBorderIcons{biSystemMenu, biMinimize, biMaximize})
      .Enum("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
            {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}, bsSizeable)
      .Enum("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
            {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}, fsNormal)
      .Enum("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
            {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter",
             "poMainFormCenter", "poOwnerFormCenter"},
            poDesigned)
      .Enum("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState,
            {"wsNormal", "wsMinimized", "wsMaximized"}, wsNormal)
      .Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview, false)
      .Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
      .Bool("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled, true)
      .Bool("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder, false)
      .Component("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
      .Object("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon)
      .Component("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu)
      .Bool("AlphaBlend", &TCustomForm::AlphaBlend, &TCustomForm::SetAlphaBlend, false)
      .Integer("AlphaBlendValue", &TCustomForm::AlphaBlendValue, &TCustomForm::SetAlphaBlendValue, 255)
      .Event("OnActivate", &TCustomForm::OnActivate)
      .Event("OnDeactivate", &TCustomForm::OnDeactivate)
      .Event("OnCreate", &TCustomForm::OnCreate)
      .Event("OnDestroy", &TCustomForm::OnDestroy)
      .Event("OnShow", &TCustomForm::OnShow)
      .Event("OnHide", &TCustomForm::OnHide)
      .Event("OnPaint", &TCustomForm::OnPaint)
      .Event("OnClose", &TCustomForm::OnClose)
      .Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
}

VCL_PUBLISHED(TForm, p) { (void)p; }

}  // namespace vcl
