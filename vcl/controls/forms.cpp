// Scrolling containers (TControlScrollBar, TScrollingWinControl, TScrollBox) and frames.
#include "vcl/controls/forms.h"

#include <algorithm>

#include "vcl/classes/formresources.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TControlScrollBar -----------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : control_(control), kind_(kind) {}

void TControlScrollBar::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TControlScrollBar*>(source)) {
    visible_ = other->visible_;
    range_ = other->range_;
    position_ = other->position_;
    increment_ = other->increment_;
    margin_ = other->margin_;
    tracking_ = other->tracking_;
    smooth_ = other->smooth_;
    control_->UpdateScrollBars();
    return;
  }
  inherited::Assign(source);
}

void TControlScrollBar::SetIncrement(int value) {
  if (value < 1 || value > 32767) throw EInvalidArgument("Scroll bar increment must lie between 1 and 32767");
  increment_ = value;
}

void TControlScrollBar::SetMargin(int value) {
  margin_ = std::max(value, 0);
  control_->CalcAutoRange();
}

void TControlScrollBar::SetVisible(bool value) {
  visible_ = value;
  control_->UpdateScrollBars();
}

void TControlScrollBar::SetRange(int value) {
  control_->autoScroll_ = false;
  DoSetRange(value);
}

void TControlScrollBar::DoSetRange(int value) {
  range_ = std::max(value, 0);
  control_->UpdateScrollBars();
}

void TControlScrollBar::CalcAutoRange() {
  if (!control_->autoScroll_) return;
  if (!control_->AutoScrollEnabled()) {
    DoSetRange(0);
    return;
  }
  // The range reaches to the far side of every child that keeps its place from the start
  // edge, plus what the children aligned to the far edge take.
  int newRange = 0, alignMargin = 0;
  for (int i = 0; i < control_->ControlCount(); ++i) {
    TControl* c = control_->Controls(i);
    if (!c->Visible()) continue;
    if (kind_ == sbHorizontal) {
      if (c->Align() == alLeft || (c->Align() == alNone && (c->Anchors() * TAnchors{akLeft, akRight}) == TAnchors{akLeft}))
        newRange = std::max(newRange, position_ + c->Left() + c->Width());
      else if (c->Align() == alRight)
        alignMargin += c->Width();
    } else {
      if (c->Align() == alTop || (c->Align() == alNone && (c->Anchors() * TAnchors{akTop, akBottom}) == TAnchors{akTop}))
        newRange = std::max(newRange, position_ + c->Top() + c->Height());
      else if (c->Align() == alBottom)
        alignMargin += c->Height();
    }
  }
  DoSetRange(newRange + alignMargin + margin_);
}

// The client size along this bar: with controlSB the size as it is; otherwise corrected for
// the other bar shown (assumeSB) or hidden.
int TControlScrollBar::ControlSize(bool controlSB, bool assumeSB) {
  HWND wnd = control_->Handle();
  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
  int borderAdjust = (style & (WS_BORDER | WS_THICKFRAME)) ? 1 : 0;
  auto adjustment = [&](LONG_PTR otherStyle, int metric) {
    if (controlSB) return 0;
    bool visible = (style & otherStyle) != 0;
    if (assumeSB && !visible) return -(GetSystemMetrics(metric) - borderAdjust);
    if (!assumeSB && visible) return GetSystemMetrics(metric) - borderAdjust;
    return 0;
  };
  TRect client = control_->ClientRect();
  if (kind_ == sbVertical) return client.bottom + adjustment(WS_HSCROLL, SM_CYHSCROLL);
  return client.right + adjustment(WS_VSCROLL, SM_CXVSCROLL);
}

bool TControlScrollBar::NeedsScrollBarVisible() { return range_ > ControlSize(false, false); }

bool TControlScrollBar::IsScrollBarVisible() {
  if (!control_->HandleAllocated()) return false;
  LONG_PTR style = GetWindowLongPtrA(control_->WindowHandle(), GWL_STYLE);
  return visible_ && (style & (kind_ == sbVertical ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

void TControlScrollBar::Update(bool controlSB, bool assumeSB) {
  calcRange_ = 0;
  int code = kind_ == sbVertical ? SB_VERT : SB_HORZ;
  if (visible_) calcRange_ = std::max(range_ - ControlSize(controlSB, assumeSB), 0);
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = calcRange_ > 0 ? range_ : 0;
  info.nPage = static_cast<UINT>(ControlSize(controlSB, assumeSB) + 1);
  info.nPos = position_;
  info.nTrackPos = position_;
  // Showing or hiding a bar changes the client size before this returns (WM_SIZE included).
  SetScrollInfo(control_->Handle(), code, &info, TRUE);
  SetPosition(position_);
  // A smooth bar moves a tenth of nine tenths of a page per line.
  if (smooth_) increment_ = std::max(ControlSize(true, false) * 9 / 10 / 10, 1);
}

void TControlScrollBar::SetPosition(int value) {
  if (control_->ComponentState().Contains(csReading)) {
    position_ = value;
    return;
  }
  value = std::clamp(value, 0, calcRange_);
  if (value != position_) {
    int old = position_;
    position_ = value;
    if (kind_ == sbHorizontal)
      control_->ScrollBy(old - value, 0);
    else
      control_->ScrollBy(0, old - value);
  }
  if (control_->HandleAllocated()) {
    int code = kind_ == sbVertical ? SB_VERT : SB_HORZ;
    if (GetScrollPos(control_->WindowHandle(), code) != position_)
      SetScrollPos(control_->WindowHandle(), code, position_, TRUE);
  }
}

void TControlScrollBar::ScrollMessage(TWMScroll& message) {
  // Positions beyond 16 bits come from the bar itself, not from the message.
  auto realPosition = [&] {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(control_->Handle(), kind_ == sbVertical ? SB_VERT : SB_HORZ, &info);
    return info.nTrackPos;
  };
  int pos = static_cast<WORD>(HIWORD(message.WParam));
  switch (message.ScrollCode()) {
    case SB_LINEUP: SetPosition(position_ - increment_); break;
    case SB_LINEDOWN: SetPosition(position_ + increment_); break;
    case SB_PAGEUP: SetPosition(position_ - ControlSize(true, false)); break;
    case SB_PAGEDOWN: SetPosition(position_ + ControlSize(true, false)); break;
    case SB_THUMBPOSITION: SetPosition(calcRange_ > 32767 ? realPosition() : pos); break;
    case SB_THUMBTRACK:
      if (tracking_) SetPosition(calcRange_ > 32767 ? realPosition() : pos);
      break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(calcRange_); break;
    default: break;
  }
}

// ---- TScrollingWinControl --------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner),
      horzScrollBar_(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      vertScrollBar_(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TScrollingWinControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateScrollBars();
}

bool TScrollingWinControl::AutoScrollEnabled() { return !AutoSize(); }

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect) {
  CalcAutoRange();
  TWinControl::AlignControls(control, rect);
}

void TScrollingWinControl::CalcAutoRange() {
  if (autoRangeCount_ > 0) return;
  horzScrollBar_->CalcAutoRange();
  vertScrollBar_->CalcAutoRange();
}

void TScrollingWinControl::EnableAutoRange() {
  if (autoRangeCount_ > 0 && --autoRangeCount_ == 0) CalcAutoRange();
}

void TScrollingWinControl::SetAutoScroll(bool value) {
  if (autoScroll_ == value) return;
  autoScroll_ = value;
  if (value) {
    CalcAutoRange();
  } else {
    horzScrollBar_->range_ = 0;
    vertScrollBar_->range_ = 0;
    UpdateScrollBars();
  }
}

void TScrollingWinControl::UpdateScrollBars() {
  if (updatingScrollBars_ || !HandleAllocated()) return;
  updatingScrollBars_ = true;
  TScopeExit done([this] { updatingScrollBars_ = false; });
  // The bar that must show goes last, so that it sees the client the other one leaves.
  if (vertScrollBar_->NeedsScrollBarVisible()) {
    horzScrollBar_->Update(false, true);
    vertScrollBar_->Update(true, false);
  } else if (horzScrollBar_->NeedsScrollBarVisible()) {
    vertScrollBar_->Update(false, true);
    horzScrollBar_->Update(true, false);
  } else {
    vertScrollBar_->Update(false, false);
    horzScrollBar_->Update(true, false);
  }
}

void TScrollingWinControl::ScrollBy(int deltaX, int deltaY) {
  HWND wnd = WindowHandle();
  bool visible = wnd && IsWindowVisible(wnd);
  if (visible) ScrollWindow(wnd, deltaX, deltaY, nullptr, nullptr);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    auto* win = dynamic_cast<TWinControl*>(c);
    if (!win || !win->HandleAllocated()) {
      c->left_ += deltaX;
      c->top_ += deltaY;
    } else if (!visible) {
      SetWindowPos(win->WindowHandle(), nullptr, c->Left() + deltaX, c->Top() + deltaY, c->Width(), c->Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  Realign();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control || !ContainsControl(control)) return;
  TRect r = control->ClientRect();
  r.left -= horzScrollBar_->Margin();
  r.right += horzScrollBar_->Margin();
  r.top -= vertScrollBar_->Margin();
  r.bottom += vertScrollBar_->Margin();
  TPoint topLeft = ScreenToClient(control->ClientToScreen(Point(r.left, r.top)));
  TPoint bottomRight = ScreenToClient(control->ClientToScreen(Point(r.right, r.bottom)));
  r = Rect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  TRect client = ClientRect();
  if (r.left < 0) {
    horzScrollBar_->SetPosition(horzScrollBar_->Position() + r.left);
  } else if (r.right > client.right) {
    if (r.right - r.left > client.right) r.right = r.left + client.right;
    horzScrollBar_->SetPosition(horzScrollBar_->Position() + r.right - client.right);
  }
  if (r.top < 0) {
    vertScrollBar_->SetPosition(vertScrollBar_->Position() + r.top);
  } else if (r.bottom > client.bottom) {
    if (r.bottom - r.top > client.bottom) r.bottom = r.top + client.bottom;
    vertScrollBar_->SetPosition(vertScrollBar_->Position() + r.bottom - client.bottom);
  }
}

void TScrollingWinControl::AutoScrollInView(TControl* control) {
  if (control && !control->ComponentState().Contains(csLoading) && !ComponentState().Contains(csLoading))
    ScrollInView(control);
}

void TScrollingWinControl::ChangeScale(int multiplier, int divider) {
  if (multiplier != divider && divider != 0) {
    horzScrollBar_->position_ = MulDiv(horzScrollBar_->position_, multiplier, divider);
    vertScrollBar_->position_ = MulDiv(vertScrollBar_->position_, multiplier, divider);
    if (!autoScroll_) {
      horzScrollBar_->range_ = MulDiv(horzScrollBar_->range_, multiplier, divider);
      vertScrollBar_->range_ = MulDiv(vertScrollBar_->range_, multiplier, divider);
    }
  }
  TWinControl::ChangeScale(multiplier, divider);
}

void TScrollingWinControl::WMSize(TWMSize& message) {
  {
    ++autoRangeCount_;
    TScopeExit rangeAgain([this] { --autoRangeCount_; });
    TWinControl::WMSize(message);
  }
  {
    updatingScrollBars_ = true;
    TScopeExit done([this] { updatingScrollBars_ = false; });
    CalcAutoRange();
  }
  if (horzScrollBar_->Visible() || vertScrollBar_->Visible()) UpdateScrollBars();
}

void TScrollingWinControl::WMHScroll(TWMScroll& message) {
  if (message.ScrollBar() == nullptr && horzScrollBar_->Visible())
    horzScrollBar_->ScrollMessage(message);
  else
    WMReflected(message);
}

void TScrollingWinControl::WMVScroll(TWMScroll& message) {
  if (message.ScrollBar() == nullptr && vertScrollBar_->Visible())
    vertScrollBar_->ScrollMessage(message);
  else
    WMReflected(message);
}

bool TScrollingWinControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TWinControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  // Without a handler the wheel scrolls the content a line per notch.
  TControlScrollBar* bar = shift.Contains(ssShift) ? horzScrollBar_.get() : vertScrollBar_.get();
  if (!bar->IsScrollBarVisible()) return false;
  bar->SetPosition(bar->Position() - wheelDelta / WHEEL_DELTA * bar->Increment());
  return true;
}

void TScrollingWinControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_HSCROLL: CallMessageHandler<TWMScroll>(message, this, &TScrollingWinControl::WMHScroll); break;
    case WM_VSCROLL: CallMessageHandler<TWMScroll>(message, this, &TScrollingWinControl::WMVScroll); break;
    default: TWinControl::Dispatch(message); break;
  }
}

// ---- TScrollBox ------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csAcceptsControls, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (borderStyle_ == bsSingle) {
    // A framed box has the sunken client edge, or a plain line without 3-D look.
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
}

void TScrollBox::CMCtl3DChanged(TMessage& message) {
  if (borderStyle_ == bsSingle) RecreateWnd();
  TScrollingWinControl::CMCtl3DChanged(message);
}

void TScrollBox::Dispatch(TMessage& message) {
  // The box answers hit tests as a plain window: its graphic children count as client.
  if (message.Msg == WM_NCHITTEST)
    DefaultHandler(message);
  else
    TScrollingWinControl::Dispatch(message);
}

// ---- TCustomFrame ----------------------------------------------------------------------------

TCustomFrame::TCustomFrame(TComponent* owner) : TScrollingWinControl(owner) {
  controlStyle_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 320, 240);
}

void TCustomFrame::AfterConstruction() {
  if (ClassType() == TFrame::StaticClass() || ClassType() == TCustomFrame::StaticClass()) return;
  if (!InitInheritedComponent(this, TFrame::StaticClass()))
    throw EResNotFound("Resource " + ClassName() + " not found");
}

void TCustomFrame::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TScrollingWinControl::GetChildren(proc, root);
  // A frame written as the root also lists its components that are not controls.
  if (root == this)
    for (int i = 0; i < ComponentCount(); ++i) {
      TComponent* c = Components(i);
      if (!c->HasParent()) proc(c);
    }
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TControlScrollBar, p) {
  p.Integer("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement, 8)
      .Integer("Margin", &TControlScrollBar::Margin, &TControlScrollBar::SetMargin, 0)
      .Integer("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange, 0)
      .Integer("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition, 0)
      .Bool("Smooth", &TControlScrollBar::Smooth, &TControlScrollBar::SetSmooth, false)
      .Bool("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking, false)
      .Bool("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible, true);
}

VCL_PUBLISHED(TScrollingWinControl, p) {
  p.Bool("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll, true)
      .Object("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar)
      .Object("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
}

VCL_PUBLISHED(TScrollBox, p) {
  p.Enum("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle, {"bsNone", "bsSingle"}, bsSingle);
}

VCL_PUBLISHED(TCustomFrame, p) { (void)p; }
VCL_PUBLISHED(TFrame, p) { (void)p; }

}  // namespace vcl
