// Track bar, up-down and progress bar over msctls_trackbar32, msctls_updown32 and
// msctls_progress32.
#include <algorithm>

#include "vcl/stdctrls/comctrls.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

void InitCommonControlClasses() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                 ICC_TREEVIEW_CLASSES | ICC_WIN95_CLASSES;
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)done;
}

// ---- TTrackBar -------------------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
  // The window tracks the thumb with its own mouse capture.
  SetControlStyle(ControlStyle() - TControlStyle{csDoubleClicks, csCaptureMouse});
}

void TTrackBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, TRACKBAR_CLASSA);
  params.Style |= TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
  params.Style |= orientation_ == trHorizontal ? TBS_HORZ : TBS_VERT;
  switch (tickStyle_) {
    case tsNone: params.Style |= TBS_NOTICKS; break;
    case tsAuto: params.Style |= TBS_AUTOTICKS; break;
    case tsManual: break;
  }
  switch (tickMarks_) {
    case tmBoth: params.Style |= TBS_BOTH; break;
    case tmTopLeft: params.Style |= TBS_TOP; break;
    case tmBottomRight: params.Style |= TBS_BOTTOM; break;
  }
  if (!sliderVisible_) params.Style |= TBS_NOTHUMB;
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  SendMessageA(wnd, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(thumbLength_), 0);
  SendMessageA(wnd, TBM_SETLINESIZE, 0, lineSize_);
  SendMessageA(wnd, TBM_SETPAGESIZE, 0, pageSize_);
  SendMessageA(wnd, TBM_SETRANGEMIN, FALSE, min_);
  SendMessageA(wnd, TBM_SETRANGEMAX, FALSE, max_);
  UpdateSelection();
  SendMessageA(wnd, TBM_SETPOS, TRUE, position_);
  SendMessageA(wnd, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 1);
}

void TTrackBar::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

int TTrackBar::Position() {
  if (HandleAllocated()) position_ = static_cast<int>(SendMessageA(WindowHandle(), TBM_GETPOS, 0, 0));
  return position_;
}

void TTrackBar::SetPosition(int value) {
  position_ = std::clamp(value, min_, max_);
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETPOS, TRUE, position_);
}

void TTrackBar::SetRange(int min, int max) {
  // Form data may set Min after Max and Max before Min: the other end follows.
  if (min > max) {
    if (min != min_) max = min;
    else min = max;
  }
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  if (HandleAllocated()) {
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min_);
    SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, max_);
  }
}

void TTrackBar::SetFrequency(int value) {
  frequency_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(value), 1);
}

void TTrackBar::SetLineSize(int value) {
  lineSize_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETLINESIZE, 0, value);
}

void TTrackBar::SetPageSize(int value) {
  pageSize_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETPAGESIZE, 0, value);
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
  if (orientation_ == value) return;
  orientation_ = value;
  // The bar turns: width and height swap (form data sets both itself).
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark value) {
  if (tickMarks_ == value) return;
  tickMarks_ = value;
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
  if (tickStyle_ == value) return;
  tickStyle_ = value;
  RecreateWnd();
}

void TTrackBar::SetThumbLength(int value) {
  thumbLength_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(value), 0);
}

void TTrackBar::SetSliderVisible(bool value) {
  if (sliderVisible_ == value) return;
  sliderVisible_ = value;
  RecreateWnd();
}

void TTrackBar::UpdateSelection() {
  if (!HandleAllocated()) return;
  if (selStart_ == 0 && selEnd_ == 0)
    SendMessageA(Handle(), TBM_CLEARSEL, TRUE, 0);
  else
    SendMessageA(Handle(), TBM_SETSEL, TRUE, MAKELPARAM(selStart_, selEnd_));
}

void TTrackBar::SetSelStart(int value) {
  selStart_ = value;
  UpdateSelection();
}

void TTrackBar::SetSelEnd(int value) {
  selEnd_ = value;
  UpdateSelection();
}

void TTrackBar::SetTick(int value) {
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETTIC, 0, value);
}

void TTrackBar::Changed() {
  if (ComponentState().Contains(csLoading)) return;
  if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& message) {
  if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
    // Every move of the thumb (keys, mouse) ends here; the closing TB_ENDTRACK of a move, or a
    // key at the end of the range, changes nothing and fires nothing.
    int before = position_;
    if (Position() != before) Changed();
    message.Result = 0;
    return;
  }
  TWinControl::Dispatch(message);
}

// ---- TUpDown ---------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL) * 2);
  SetControlStyle(ControlStyle() - TControlStyle{csDoubleClicks, csCaptureMouse});
}

void TUpDown::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, UPDOWN_CLASSA);
  if (orientation_ == udHorizontal) params.Style |= UDS_HORZ;
  params.Style |= alignButton_ == udLeft ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT;
  if (arrowKeys_) params.Style |= UDS_ARROWKEYS;
  if (!thousands_) params.Style |= UDS_NOTHOUSANDS;
  if (wrap_) params.Style |= UDS_WRAP;
  if (associate_) params.Style |= UDS_SETBUDDYINT;
}

void TUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  // The buddy first: setting the position then writes it into the buddy's text.
  if (associate_) SendMessageA(wnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
  SendMessageA(wnd, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
  SendMessageA(wnd, UDM_SETPOS32, 0, position_);
  UDACCEL accel{0, static_cast<UINT>(increment_)};
  SendMessageA(wnd, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

int TUpDown::Position() {
  if (HandleAllocated()) {
    BOOL failed = FALSE;
    int value = static_cast<int>(SendMessageA(WindowHandle(), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
    if (!failed) position_ = value;
  }
  return position_;
}

void TUpDown::SetPosition(int value) {
  position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, position_);
}

void TUpDown::SetMin(int value) {
  min_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TUpDown::SetMax(int value) {
  max_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TUpDown::SetIncrement(int value) {
  increment_ = value;
  if (HandleAllocated()) {
    UDACCEL accel{0, static_cast<UINT>(value)};
    SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  }
}

void TUpDown::SetOrientation(TUDOrientation value) {
  if (orientation_ == value) return;
  orientation_ = value;
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TUpDown::SetAlignButton(TUDAlignButton value) {
  if (alignButton_ == value) return;
  alignButton_ = value;
  RecreateWnd();
}

void TUpDown::SetAssociate(TWinControl* value) {
  if (associate_) associate_->RemoveFreeNotification(this);
  associate_ = value;
  if (value) value->FreeNotification(this);
  RecreateWnd();
}

void TUpDown::SetArrowKeys(bool value) {
  if (arrowKeys_ == value) return;
  arrowKeys_ = value;
  RecreateWnd();
}

void TUpDown::SetThousands(bool value) {
  if (thousands_ == value) return;
  thousands_ = value;
  RecreateWnd();
}

void TUpDown::SetWrap(bool value) {
  if (wrap_ == value) return;
  wrap_ = value;
  RecreateWnd();
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == associate_) {
    associate_ = nullptr;
    if (HandleAllocated() && !ComponentState().Contains(csDestroying)) SendMessageA(WindowHandle(), UDM_SETBUDDY, 0, 0);
  }
}

bool TUpDown::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TUpDown::Click(TUDBtnType button) {
  if (OnClick) OnClick(this, button);
}

void TUpDown::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(message.LParam);
      if (header->code == static_cast<UINT>(UDN_DELTAPOS)) message.Result = CanChange() ? 0 : 1;
      return;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
      if (LOWORD(message.WParam) == SB_THUMBPOSITION) {
        int old = position_;
        int now = Position();
        if (now != old) Click(now > old ? btNext : btPrev);
      }
      return;
    default:
      TWinControl::Dispatch(message);
  }
}

// ---- TProgressBar ----------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, GetSystemMetrics(SM_CYVSCROLL)); }

void TProgressBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, PROGRESS_CLASSA);
  if (orientation_ == pbVertical) params.Style |= PBS_VERTICAL;
  if (smooth_) params.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
  SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

int TProgressBar::Position() {
  if (HandleAllocated()) position_ = static_cast<int>(SendMessageA(WindowHandle(), PBM_GETPOS, 0, 0));
  return position_;
}

void TProgressBar::SetPosition(int value) {
  position_ = std::clamp(value, min_, std::max(min_, max_));
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetMin(int value) {
  min_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TProgressBar::SetMax(int value) {
  max_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TProgressBar::SetStep(int value) {
  step_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(value), 0);
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
  if (orientation_ == value) return;
  orientation_ = value;
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TProgressBar::SetSmooth(bool value) {
  if (smooth_ == value) return;
  smooth_ = value;
  RecreateWnd();
}

// The bar wraps round past its maximum, as the platform's does.
void TProgressBar::StepIt() {
  if (HandleAllocated())
    SendMessageA(Handle(), PBM_STEPIT, 0, 0);
  else
    position_ = position_ + step_ > max_ ? min_ + (position_ + step_ - max_) : position_ + step_;
}

void TProgressBar::StepBy(int delta) {
  if (HandleAllocated())
    SendMessageA(Handle(), PBM_DELTAPOS, static_cast<WPARAM>(delta), 0);
  else
    SetPosition(position_ + delta);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TTrackBar, p) {
  p.Integer("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency, 1)
      .Integer("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize, 1)
      .Integer("Max", &TTrackBar::Max, &TTrackBar::SetMax, 10)
      .Integer("Min", &TTrackBar::Min, &TTrackBar::SetMin, 0)
      .Enum("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation, {"trHorizontal", "trVertical"},
            trHorizontal)
      .Integer("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize, 2)
      .Integer("Position", &TTrackBar::Position, &TTrackBar::SetPosition, 0)
      .Integer("SelEnd", &TTrackBar::SelEnd, &TTrackBar::SetSelEnd, 0)
      .Integer("SelStart", &TTrackBar::SelStart, &TTrackBar::SetSelStart, 0)
      .Bool("SliderVisible", &TTrackBar::SliderVisible, &TTrackBar::SetSliderVisible, true)
      .Bool("TabStop", &TTrackBar::TabStop, &TTrackBar::SetTabStop, true)
      .Integer("ThumbLength", &TTrackBar::ThumbLength, &TTrackBar::SetThumbLength, 20)
      .Enum("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks, {"tmBottomRight", "tmTopLeft", "tmBoth"},
            tmBottomRight)
      .Enum("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle, {"tsNone", "tsAuto", "tsManual"}, tsAuto)
      .Event("OnChange", &TTrackBar::OnChange);
}

VCL_PUBLISHED(TUpDown, p) {
  p.Enum("AlignButton", &TUpDown::AlignButton, &TUpDown::SetAlignButton, {"udLeft", "udRight"}, udRight)
      .Bool("ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys, true)
      .Component("Associate", &TUpDown::Associate, &TUpDown::SetAssociate)
      .Integer("Increment", &TUpDown::Increment, &TUpDown::SetIncrement, 1)
      .Integer("Max", &TUpDown::Max, &TUpDown::SetMax, 100)
      .Integer("Min", &TUpDown::Min, &TUpDown::SetMin, 0)
      .Enum("Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation, {"udHorizontal", "udVertical"},
            udVertical)
      .Integer("Position", &TUpDown::Position, &TUpDown::SetPosition, 0)
      .Bool("Thousands", &TUpDown::Thousands, &TUpDown::SetThousands, true)
      .Bool("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap, false)
      .Event("OnChanging", &TUpDown::OnChanging)
      .Event("OnClick", &TUpDown::OnClick);
}

VCL_PUBLISHED(TProgressBar, p) {
  p.Integer("Max", &TProgressBar::Max, &TProgressBar::SetMax, 100)
      .Integer("Min", &TProgressBar::Min, &TProgressBar::SetMin, 0)
      .Enum("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation, {"pbHorizontal", "pbVertical"},
            pbHorizontal)
      .Integer("Position", &TProgressBar::Position, &TProgressBar::SetPosition, 0)
      .Bool("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth, false)
      .Integer("Step", &TProgressBar::Step, &TProgressBar::SetStep, 10);
}

}  // namespace vcl
