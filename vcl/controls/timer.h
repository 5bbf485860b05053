// TTimer: fires OnTimer every Interval milliseconds on the thread that made it, through a
// window timer of a hidden utility window and the message loop. Disabling the timer, changing
// it or freeing it from inside its own OnTimer is safe.
#pragma once

#include <cstdint>

#include "vcl/classes/component.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/win.h"

namespace vcl {

struct TMessage;

class TTimer : public TComponent {
  VCL_CLASS(TTimer, TComponent)
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds between ticks; 0 stops the timer. Default 1000.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);

  // Fired at every tick while the timer is enabled; it may be set at any time.
  TNotifyEvent OnTimer;

 protected:
  void Loaded() override;
  // One tick: fires OnTimer.
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& message);

  HWND window_ = nullptr;
  uint32_t interval_ = 1000;
  bool enabled_ = true;
};

}  // namespace vcl
