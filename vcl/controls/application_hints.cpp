// Hints: the hint window, and the application's timing of when a control's hint shows and
// goes (HintPause, HintShortPause, HintHidePause).
#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

constexpr UINT_PTR HintTimerId = 1;

// The control whose hint shows for the one under the mouse: the first, going up, with
// ShowHint.
TControl* GetHintControl(TControl* control) {
  while (control && !control->ShowHint()) control = control->Parent();
  if (control && control->ComponentState().Contains(csDesigning)) control = nullptr;
  return control;
}

}  // namespace

// ---- THintWindow ------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  Canvas()->Font()->Assign(Screen ? Screen->HintFont() : Font());
  Canvas()->Brush()->SetStyle(bsClear);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClass.style |= CS_SAVEBITS;
  params.WndParent = nullptr;
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  InflateRect(&r, -2, -2);
  Canvas()->Font()->SetColor(clInfoText);
  std::string text = Caption();
  DrawTextA(Canvas()->Handle(), text.c_str(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
  TRect r = Rect(0, 0, maxWidth, 0);
  DrawTextA(Canvas()->Handle(), hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
  SetCaption(hint);
  rect.bottom += 4;
  // Keep the hint on the screen.
  if (Screen) {
    TRect desktop = Screen->DesktopRect();
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (rect.right > desktop.right) OffsetRect(&rect, desktop.right - rect.right, 0);
    if (rect.left < desktop.left) OffsetRect(&rect, desktop.left - rect.left, 0);
    if (rect.bottom > desktop.bottom) OffsetRect(&rect, 0, desktop.bottom - rect.bottom);
    if (rect.top < desktop.top) OffsetRect(&rect, 0, desktop.top - rect.top);
    rect.right = rect.left + w;
    rect.bottom = rect.top + h;
  }
  SetBoundsRect(rect);
  SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

bool THintWindow::IsHintMsg(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_ACTIVATEAPP:
      return HandleAllocated() && IsWindowVisible(WindowHandle());
    default:
      return false;
  }
}

void THintWindow::NCPaint(HDC dc) {
  RECT r{0, 0, Width(), Height()};
  DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
}

void THintWindow::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_NCHITTEST:
      // The mouse passes through the hint to what is under it.
      message.Result = HTTRANSPARENT;
      break;
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(WindowHandle());
      NCPaint(dc);
      ReleaseDC(WindowHandle(), dc);
      break;
    }
    default:
      TCustomControl::Dispatch(message);
      break;
  }
}

// ---- The application's hints -----------------------------------------------------------------

std::string TApplication::ControlHint(TControl* control) {
  for (; control; control = control->Parent())
    if (!control->Hint().empty()) return control->Hint();
  return {};
}

void TApplication::SetShowHint(bool value) {
  if (showHint_ == value) return;
  showHint_ = value;
  if (!value) {
    CancelHint();
    if (hintWindow_) {
      THintWindow* window = hintWindow_;
      hintWindow_ = nullptr;
      delete window;
    }
  }
}

void TApplication::SetHintColor(TColor value) {
  hintColor_ = value;
  if (hintWindow_) {
    hintWindow_->SetColor(value);
    hintWindow_->Invalidate();
  }
}

void TApplication::SetHint(const std::string& value) {
  if (hint_ == value) return;
  hint_ = value;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(int pause, bool showing) {
  StopHintTimer();
  hintTimerShows_ = showing;
  SetTimer(Handle(), HintTimerId, static_cast<UINT>(std::max(pause, 1)), nullptr);
}

void TApplication::StopHintTimer() {
  if (handle_) KillTimer(handle_, HintTimerId);
}

void TApplication::HintTimerExpired() {
  StopHintTimer();
  if (hintTimerShows_) {
    POINT p{};
    GetCursorPos(&p);
    ActivateHint(p);
  } else {
    hintActive_ = false;
    CancelHint();
  }
}

void TApplication::CancelHint() {
  if (hintControl_) {
    StopHintTimer();
    hintActive_ = false;
    hintControl_ = nullptr;
  }
  if (hintWindow_ && hintWindow_->HandleAllocated()) hintWindow_->ReleaseHandle();
}

void TApplication::HintMouseMessage(TControl* control, TMessage& message) {
  if (!showHint_) {
    CancelHint();
    return;
  }
  TWMMouse mouse = MessageAs<TWMMouse>(message);
  TPoint screen = control->ClientToScreen(mouse.Pos());
  TControl* newHintControl = GetHintControl(FindDragTarget(screen, true));
  if (!newHintControl || !newHintControl->ShowHint()) {
    CancelHint();
    return;
  }
  if (newHintControl == hintControl_ && PtInRect(&hintCursorRect_, screen)) return;
  bool wasActive = hintActive_;
  int pause = wasActive ? hintShortPause_ : hintPause_;
  newHintControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  if (wasActive && pause == 0) {
    hintActive_ = true;
    hintControl_ = newHintControl;
    ActivateHint(screen);
  } else {
    CancelHint();
    hintActive_ = wasActive;
    hintControl_ = newHintControl;
    StartHintTimer(pause, true);
  }
}

void TApplication::ActivateHint(const TPoint& cursorPos) {
  StopHintTimer();
  if (!showHint_ || !hintControl_) return;
  // The mouse must still be over the control (or a part of it that shows its hint).
  if (GetHintControl(FindDragTarget(cursorPos, true)) != hintControl_) return;
  THintInfo info;
  info.HintControl = hintControl_;
  info.HintPos = cursorPos;
  // Below the cursor's hot spot, as far as the cursor reaches.
  info.HintPos.y += GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  info.HintMaxWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
  info.HintColor = hintColor_;
  info.CursorRect = hintControl_->ClientRect();
  info.CursorPos = hintControl_->ScreenToClient(cursorPos);
  info.HintStr = GetShortHint(ControlHint(hintControl_));
  info.HideTimeout = hintHidePause_;
  bool canShow = hintControl_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  hintActive_ = canShow && hintControl_;
  if (hintActive_ && !info.HintStr.empty()) {
    if (!hintWindow_) {
      hintWindow_ = new THintWindow(this);
    }
    TRect rect = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr);
    OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
    TPoint topLeft = hintControl_->ClientToScreen(Point(info.CursorRect.left, info.CursorRect.top));
    TPoint bottomRight = hintControl_->ClientToScreen(Point(info.CursorRect.right, info.CursorRect.bottom));
    hintCursorRect_ = Rect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    hintWindow_->SetColor(info.HintColor);
    hintWindow_->ActivateHint(rect, info.HintStr);
    if (info.ReshowTimeout > 0)
      StartHintTimer(info.ReshowTimeout, true);
    else
      StartHintTimer(info.HideTimeout, false);
    return;
  }
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, true);
  else
    CancelHint();
}

bool TApplication::IsHintMsg(MSG& msg) {
  if (hintWindow_ && hintWindow_->IsHintMsg(msg)) CancelHint();
  return false;
}

}  // namespace vcl
