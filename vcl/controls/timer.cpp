// TTimer: a window timer on a utility window of its own.
#include "vcl/controls/timer.h"

#include "vcl/classes/typeinfo.h"
#include "vcl/controls/utilwindow.h"

namespace vcl {

namespace {
constexpr UINT_PTR TimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
  enabled_ = false;
  if (window_) {
    KillTimer(window_, TimerId);
    DeallocateHWnd(window_);
    window_ = nullptr;
  }
}

void TTimer::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t value) {
  if (interval_ == value) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (ComponentState().Contains(csLoading)) return;
  if (window_) KillTimer(window_, TimerId);
  // The platform's timer runs whenever the timer is enabled, so that OnTimer may be set at
  // any time; a tick without a handler does nothing.
  if (interval_ == 0 || !enabled_) return;
  // The window comes with the first start, so that timers that never run cost nothing.
  if (!window_) window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
  if (!SetTimer(window_, TimerId, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER) {
    // The handler may disable or free this timer; nothing here touches it afterwards.
    Timer();
    return;
  }
  message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
}

void TTimer::Timer() {
  // A copy: the handler may free the timer, and with it the event.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

VCL_PUBLISHED(TTimer, p) {
  p.Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
      .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
      .Event("OnTimer", &TTimer::OnTimer);
}

}  // namespace vcl
