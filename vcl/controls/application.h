// The application object and the hint window.
//
// TApplication owns the program's forms (CreateForm), runs the message loop (Run,
// HandleMessage, ProcessMessages) with idle work between messages (mouse enter/leave
// tracking, hints, calls queued by other threads, OnIdle), routes keys to the focused control
// of this library (CN_KEYDOWN and friends, then the form's dialog keys), and is the sink of
// every exception that reaches a window procedure (HandleException). Its own window, of the
// class "TApplication", is hidden: it owns the forms and message boxes and receives the
// messages addressed to the program as a whole.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/forms.h"

namespace vcl {

// ---- THintWindow -----------------------------------------------------------------------------

// The small window that shows a control's hint beside the mouse.
class THintWindow : public TCustomControl {
  VCL_CLASS(THintWindow, TCustomControl)
  explicit THintWindow(TComponent* owner);

  // Shows the text in the window at `rect` (screen coordinates), on top and without taking
  // the focus; the rectangle is moved back onto the screen when it would leave it.
  virtual void ActivateHint(TRect rect, const std::string& hint);
  // The rectangle (at 0, 0) the text needs when lines wrap at maxWidth.
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
  // Whether the message (a key or a mouse press) should close the hint.
  virtual bool IsHintMsg(const MSG& msg);
  void ReleaseHandle() { DestroyHandle(); }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void NCPaint(HDC dc);
};

// What a control may change before its hint shows (CM_HINTSHOW carries a pointer to it).
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos{0, 0};       // screen position of the hint's top-left corner
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect{0, 0, 0, 0};  // moving within it keeps the hint (control coordinates)
  TPoint CursorPos{0, 0};     // control coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  std::string HintStr;
};

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, Exception* E)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// A hook on the application window: true when it consumed the message.
using TWindowHook = std::function<bool(TMessage& Message)>;

// ---- TApplication ----------------------------------------------------------------------------

class TApplication : public TComponent {
  VCL_CLASS(TApplication, TComponent)
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // Prepares the application window.
  void Initialize();
  // Creates a form of class T owned by the application, reads its form data and stores it in
  // `reference`; the first form created this way becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = NewForm<T>(this);
    reference = form;
    FormCreated(form);
  }
  // Shows the main form and handles messages until Terminate (or the main form closes).
  void Run();
  // Handles one message, or does the idle work and waits when there is none.
  void HandleMessage();
  // Handles every message waiting now, without waiting for more.
  void ProcessMessages();
  // Ends the message loop: Run returns when the current message is done.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Called from inside a catch block: shows the exception being handled (or gives it to
  // OnException). EAbort is silent.
  void HandleException(TObject* sender);
  void ShowException(Exception* e);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags = MB_OK);

  TCustomForm* MainForm() const { return mainForm_; }
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  std::string Title() const;
  void SetTitle(const std::string& value);
  // The program's icon (caption bars of forms without their own): the program's resource
  // "MAINICON", or the platform's application icon.
  TIcon* Icon();
  void SetIcon(TIcon* value) { Icon()->Assign(value); }
  bool Active() const { return active_; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool value) { showMainForm_ = value; }
  // Minimises the application as a whole: its window becomes iconic (IsIconic(Handle())),
  // which hides the forms it owns, and OnMinimize fires. WM_SYSCOMMAND SC_MINIMIZE to the
  // application window, or to the main form, does the same.
  void Minimize();
  // Gives the forms back after Minimize (SC_RESTORE to the application window does it too);
  // OnRestore fires.
  void Restore();
  void BringToFront();

  // ---- actions
  // Offers an action to OnActionExecute / OnActionUpdate; true when the handler took it.
  bool ExecuteAction(TBasicAction* action);
  bool UpdateAction(TBasicAction* action);

  // ---- hooks on the application window
  void HookMainWindow(TWindowHook hook, const void* owner);
  void UnhookMainWindow(const void* owner);

  // ---- hints
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  int HintPause() const { return hintPause_; }
  void SetHintPause(int value) { hintPause_ = value; }
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int value) { hintShortPause_ = value; }
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int value) { hintHidePause_ = value; }
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor value);
  // The long hint of the control under the mouse; setting it fires OnHint.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  void CancelHint();
  // Shows the hint of the control now, as if the pause had passed (tests and code that wants
  // the hint at once).
  void ActivateHint(const TPoint& cursorPos);
  THintWindow* HintWindow() const { return hintWindow_; }
  // Fed by every control's WM_MOUSEMOVE: starts, moves or cancels the hint.
  void HintMouseMessage(TControl* control, TMessage& message);

  // ---- idle work
  // Tracks which control the mouse is over, sending CM_MOUSELEAVE and CM_MOUSEENTER when it
  // changed; returns that control. Run calls it between messages.
  TControl* DoMouseIdle();
  TControl* MouseControl() const { return mouseControl_; }
  // Forgets a control that is being destroyed.
  void ControlDestroyed(TControl* control);

  // The modal level: ShowModal raises it while its loop runs.
  void ModalStarted() { ++modalLevel_; }
  void ModalFinished() { --modalLevel_; }
  int ModalLevel() const { return modalLevel_; }

  // ---- events
  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TActionEvent OnActionExecute;
  TActionEvent OnActionUpdate;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCustomForm;
  friend LRESULT CALLBACK ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);

  void FormCreated(TCustomForm* form);
  // The hint of a control, or of the first parent that has one.
  static std::string ControlHint(TControl* control);
  void CreateHandle();
  void WndProc(TMessage& message);
  bool ProcessMessage(MSG& msg);
  void Idle();
  // Lets the visible, enabled forms update the actions of their controls.
  void DoActionIdle();
  // CM_ACTIONEXECUTE / CM_ACTIONUPDATE: offers the action to the active form, then the main
  // form; an action no one handles and without OnExecute is disabled (DisableIfNoHandler).
  bool DispatchAction(UINT msg, TBasicAction* action);
  bool IsKeyMsg(MSG& msg);
  // Ctrl+F4, Ctrl+F6 and the like while an MDI child of the main form is active.
  bool IsMDIMsg(MSG& msg);
  bool IsHintMsg(MSG& msg);
  void StartHintTimer(int pause, bool showing);
  void StopHintTimer();
  void HintTimerExpired();
  void WakeUp();

  HWND handle_ = nullptr;
  std::string title_;
  std::unique_ptr<TIcon> icon_;
  TCustomForm* mainForm_ = nullptr;
  TControl* mouseControl_ = nullptr;
  TControl* hintControl_ = nullptr;
  THintWindow* hintWindow_ = nullptr;
  TRect hintCursorRect_{0, 0, 0, 0};
  std::string hint_;
  std::vector<std::pair<const void*, TWindowHook>> windowHooks_;
  TColor hintColor_ = clInfoBk;
  int hintPause_ = 500;
  int hintShortPause_ = 50;
  int hintHidePause_ = 2500;
  int modalLevel_ = 0;
  bool hintActive_ = false;
  bool hintTimerShows_ = false;  // the running hint timer shows the hint (else hides it)
  bool showHint_ = true;
  bool showMainForm_ = true;
  bool terminated_ = false;
  bool active_ = false;
};

// The program's application object, made at start-up.
extern TApplication* Application;

}  // namespace vcl
