// TApplication: the application window, the message loop with its idle work, key routing,
// exception reporting and window hooks. The hints are in application_hints.cpp.
#include "vcl/controls/application.h"

#include <algorithm>

#include "vcl/controls/actions.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/threads.h"

namespace vcl {

TApplication* Application = nullptr;

namespace {

constexpr const char* ApplicationClassName = "TApplication";

// The application and screen objects live from start-up to the end of the program. Their
// constructors call nothing of the platform: the platform's libraries may not be ready
// while static objects are made.
struct StartUp {
  StartUp() {
    if (!Screen) Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
  }
  ~StartUp() {
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
  }
} startUp;

}  // namespace

LRESULT CALLBACK ApplicationWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!Application || (Application->handle_ && Application->handle_ != wnd))
    return DefWindowProcA(wnd, msg, wParam, lParam);
  // The window's first messages come before CreateWindowEx has returned its handle.
  if (!Application->handle_) Application->handle_ = wnd;
  TMessage message(msg, wParam, lParam);
  try {
    Application->WndProc(message);
  } catch (...) {
    try {
      Application->HandleException(Application);
    } catch (...) {
    }
  }
  return message.Result;
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  Destroying();
  // The forms go while the application window, their owner window, still exists.
  DestroyComponents();
  if (WakeMainThread) WakeMainThread = nullptr;
  if (handle_) {
    KillTimer(handle_, 1);
    DestroyWindow(handle_);
    handle_ = nullptr;
  }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == mainForm_) mainForm_ = nullptr;
  if (component == hintWindow_) hintWindow_ = nullptr;
}

void TApplication::Initialize() { CreateHandle(); }

void TApplication::CreateHandle() {
  if (handle_) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, ApplicationClassName, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = ApplicationWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = ApplicationClassName;
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  HWND wnd = CreateWindowExA(0, ApplicationClassName, Title().c_str(),
                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
  if (!wnd) RaiseLastOSError();
  handle_ = wnd;
  SendMessageA(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon()->Handle()));
  // Calls queued by other threads wake the loop through this window.
  WakeMainThread = [this] { WakeUp(); };
}

HWND TApplication::Handle() {
  CreateHandle();
  return handle_;
}

void TApplication::WakeUp() {
  if (HWND wnd = handle_) PostMessageA(wnd, WM_NULL, 0, 0);
}

std::string TApplication::Title() const {
  if (!title_.empty()) return title_;
  return ChangeFileExt(ExtractFileName(ParamStr(0)), "");
}

void TApplication::SetTitle(const std::string& value) {
  title_ = value;
  if (handle_) SetWindowTextA(handle_, value.c_str());
}

TIcon* TApplication::Icon() {
  if (!icon_) {
    icon_ = std::make_unique<TIcon>();
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    icon_->SetHandle(icon ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    icon_->OnChange = [this](TObject*) {
      if (handle_) SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_->Handle()));
      // Forms without an icon of their own show the new one.
      for (int i = 0; Screen && i < Screen->CustomFormCount(); ++i) Screen->CustomForms(i)->UpdateIcon();
    };
  }
  return icon_.get();
}

void TApplication::FormCreated(TCustomForm* form) {
  if (!mainForm_) {
    form->HandleNeeded();
    mainForm_ = form;
  }
}

// ---- The loop ---------------------------------------------------------------------------------

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(msg, handled);
  if (!IsHintMsg(msg) && !handled && !IsMDIMsg(msg) && !IsKeyMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle() {
  TControl* control = DoMouseIdle();
  if (showHint_ && !mouseControl_) CancelHint();
  SetHint(GetLongHint(ControlHint(control)));
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done) DoActionIdle();
  } catch (...) {
    HandleException(this);
  }
  try {
    if (CheckSynchronize()) done = false;
  } catch (...) {
    HandleException(this);
  }
  if (done) WaitMessage();
}

void TApplication::Run() {
  // A new loop starts afresh, even after an earlier one was ended.
  terminated_ = false;
  CreateHandle();
  if (mainForm_) {
    if (showMainForm_) mainForm_->SetVisible(true);
    do {
      try {
        HandleMessage();
      } catch (...) {
        HandleException(this);
      }
    } while (!terminated_);
  }
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::IsMDIMsg(MSG& msg) {
  if (!mainForm_ || mainForm_->FormStyle() != fsMDIForm || !mainForm_->ClientHandle() || !Screen) return false;
  TCustomForm* active = Screen->ActiveCustomForm();
  return active && active->FormStyle() == fsMDIChild && TranslateMDISysAccel(mainForm_->ClientHandle(), &msg);
}

// Keys go first to the control of this library that owns the focused window (or the capture),
// as CN_* messages; a control that answers 1 has taken the key.
bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (!wnd) {
    wnd = msg.hwnd;
    while (wnd && !FindControl(wnd)) wnd = GetParent(wnd);
    if (!wnd) return false;
  } else if (!FindControl(wnd)) {
    return false;
  }
  return SendMessageA(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::WndProc(TMessage& message) {
  message.Result = 0;
  // A copy: a hook may unhook itself.
  auto hooks = windowHooks_;
  for (auto& entry : hooks)
    if (entry.second(message)) return;
  switch (message.Msg) {
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      break;
    case WM_ACTIVATEAPP:
      message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
      active_ = message.WParam != 0;
      PostMessageA(handle_, active_ ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
      break;
    case WM_ENDSESSION:
      if (message.WParam) terminated_ = true;
      break;
    case WM_TIMER:
      if (message.WParam == 1) HintTimerExpired();
      break;
    case WM_SETTINGCHANGE:
      if (Screen) Screen->ResetFonts();
      message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
      break;
    case CM_ACTIVATE:
      if (OnActivate) OnActivate(this);
      break;
    case CM_DEACTIVATE:
      if (OnDeactivate) OnDeactivate(this);
      break;
    case WM_NULL:
      CheckSynchronize();
      break;
    case WM_SYSCOMMAND:
      switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); break;
        case SC_RESTORE: Restore(); break;
        default: message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam); break;
      }
      break;
    case CM_ACTIONEXECUTE:
    case CM_ACTIONUPDATE:
      message.Result = DispatchAction(message.Msg, reinterpret_cast<TBasicAction*>(message.LParam)) ? 1 : 0;
      break;
    default:
      message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
      break;
  }
}

void TApplication::HookMainWindow(TWindowHook hook, const void* owner) {
  windowHooks_.emplace_back(owner, std::move(hook));
}

void TApplication::UnhookMainWindow(const void* owner) {
  std::erase_if(windowHooks_, [owner](const auto& entry) { return entry.first == owner; });
}

void TApplication::Minimize() {
  HWND wnd = Handle();
  if (IsIconic(wnd)) return;
  SetActiveWindow(wnd);
  // The forms the window owns go with it, and come back with it (Restore).
  ShowOwnedPopups(wnd, FALSE);
  ShowWindow(wnd, SW_MINIMIZE);
  if (TNotifyEvent handler = OnMinimize) handler(this);
}

void TApplication::Restore() {
  HWND wnd = Handle();
  if (!IsIconic(wnd)) return;
  SetActiveWindow(wnd);
  ShowWindow(wnd, SW_RESTORE);
  ShowOwnedPopups(wnd, TRUE);
  if (Screen && Screen->ActiveControl() && Screen->ActiveControl()->HandleAllocated())
    SetFocus(Screen->ActiveControl()->WindowHandle());
  if (TNotifyEvent handler = OnRestore) handler(this);
}

// ---- Actions ----------------------------------------------------------------------------------

bool TApplication::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (TActionEvent handler = OnActionExecute) handler(action, handled);
  return handled;
}

bool TApplication::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (TActionEvent handler = OnActionUpdate) handler(action, handled);
  return handled;
}

bool TApplication::DispatchAction(UINT msg, TBasicAction* action) {
  if (!action) return false;
  TCustomForm* form = Screen ? Screen->ActiveForm() : nullptr;
  bool handled = form && form->Perform(msg, 0, reinterpret_cast<LPARAM>(action)) == 1;
  if (!handled && mainForm_ && mainForm_ != form)
    handled = mainForm_->Perform(msg, 0, reinterpret_cast<LPARAM>(action)) == 1;
  // An action that no one offers to run, and that cannot run itself, is shown disabled.
  auto* custom = dynamic_cast<TCustomAction*>(action);
  if (!handled && custom && custom->Enabled() && custom->DisableIfNoHandler())
    custom->SetEnabled(static_cast<bool>(custom->OnExecute));
  return handled;
}

void TApplication::DoActionIdle() {
  if (!Screen) return;
  // A copy: an update handler may make or free forms.
  std::vector<TCustomForm*> forms;
  for (int i = 0; i < Screen->CustomFormCount(); ++i) forms.push_back(Screen->CustomForms(i));
  for (TCustomForm* form : forms) {
    bool stillThere = false;
    for (int i = 0; i < Screen->CustomFormCount() && !stillThere; ++i) stillThere = Screen->CustomForms(i) == form;
    HWND wnd = stillThere ? form->WindowHandle() : nullptr;
    if (wnd && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) form->UpdateActions();
  }
}

void TApplication::BringToFront() {
  if (mainForm_ && mainForm_->WindowHandle()) SetForegroundWindow(mainForm_->WindowHandle());
}

// ---- Exceptions -------------------------------------------------------------------------------

void TApplication::HandleException(TObject* sender) {
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  auto report = [&](Exception& e) {
    if (OnException)
      OnException(sender, &e);
    else
      ShowException(&e);
  };
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
    // Silent by design: an abort only unwinds.
  } catch (Exception& e) {
    report(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    report(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    report(wrapped);
  }
}

void TApplication::ShowException(Exception* e) {
  std::string text = e->Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND activeWindow = GetActiveWindow();
  std::vector<HWND> disabled = DisableTaskWindows(nullptr);
  int result = MessageBoxA(activeWindow ? activeWindow : Handle(), text.c_str(), caption.c_str(), flags);
  EnableTaskWindows(disabled);
  if (activeWindow && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
  return result;
}

// ---- Mouse tracking ---------------------------------------------------------------------------

TControl* TApplication::DoMouseIdle() {
  POINT p{};
  GetCursorPos(&p);
  TControl* control = FindDragTarget(p, true);
  if (control && control->ComponentState().Contains(csDesigning)) control = nullptr;
  TControl* capture = GetCaptureControl();
  if (mouseControl_ != control) {
    // While a control holds the mouse, only it hears of entering and leaving.
    TControl* previous = mouseControl_;
    if (previous && (!capture || capture == previous)) previous->Perform(CM_MOUSELEAVE, 0, 0);
    mouseControl_ = control;
    if (control && (!capture || capture == control)) control->Perform(CM_MOUSEENTER, 0, 0);
  }
  return control;
}

void TApplication::ControlDestroyed(TControl* control) {
  if (mouseControl_ == control) mouseControl_ = nullptr;
  if (hintControl_ == control) {
    hintControl_ = nullptr;
    CancelHint();
  }
  if (mainForm_ == control) mainForm_ = nullptr;
}

}  // namespace vcl
