// TIETransitionEffects animates the change from one picture to another on an image view: every
// tick of its timer it draws one frame of the chosen effect, copies it onto the view's canvas
// at the top-left corner, reports it through the events and advances the step (0 .. 1024)
// along the timing curve until the run's duration has elapsed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/transitions/transition_frames.h"
#include "imaging/transitions/transition_types.h"
#include "vcl/classes/component.h"
#include "vcl/controls/window_proc_chain.h"

namespace vcl {
class TTimer;
}

namespace imaging {

class TIEView;
class TIETransitionEffects;

using TIETransitionStepEvent = std::function<void(vcl::TObject* sender, int32_t step)>;
using TIEOnTransitionPaint = std::function<void(vcl::TObject* sender, vcl::TBitmap* bitmap,
                                                TIETransitionEffects* transition, int32_t step)>;

class TIETransitionEffects {
 public:
  // `view` (may be nullptr: frames are then drawn and reported but shown nowhere) is the
  // Sender of all events and the window frames are shown on; it is not owned. When it is
  // destroyed during a run, the run ends without touching it and without events.
  explicit TIETransitionEffects(TIEView* view);
  // Ends a run still going without events, giving the view its paint lock back.
  ~TIETransitionEffects();
  TIETransitionEffects(const TIETransitionEffects&) = delete;
  TIETransitionEffects& operator=(const TIETransitionEffects&) = delete;

  // Starts a run from `source` to `target` (any pictures; drawn at the top-left corner of
  // pictures of the source's size, the rest filled with the view's background): a running run
  // is stopped first. Returns false, starting nothing, for a type without an effect (iettNone,
  // iettPanZoom, values beyond) or an empty source.
  bool Start(vcl::TGraphic* source, vcl::TGraphic* target, int32_t type);
  // Starts an iettPanZoom run over `bitmap` (not owned; it must outlive the run) from the
  // `start` to the `end` rectangle, shown on width x height pixels. False for no bitmap or an
  // empty area.
  bool StartPanZoom(TIEBitmap* bitmap, const vcl::TRect& start, const vcl::TRect& end, int32_t width,
                    int32_t height);
  // A run also ends when the view changes its size: its frames fit the old size.
  // Ends a run: the pictures shrink, the view's paint lock goes (and the view is updated when
  // the final frame was asked for), then OnTransitionStop. Nothing while idle.
  void Stop();
  // One frame (the timer's handler; callable directly).
  void Tick();

  bool Running() const { return running_; }
  int32_t Step() const { return step_; }
  int32_t TransitionType() const { return type_; }
  TIEView* View() const { return view_; }
  TTransitionFrames& Frames() { return frames_; }
  // Milliseconds a run lasts (1000 at creation); 0 or less ends a run on its first tick.
  int32_t Duration() const { return duration_; }
  void SetDuration(int32_t value) { duration_ = value; }
  uint8_t TimingCurve() const { return curve_; }
  void SetTimingCurve(uint8_t value) { curve_ = value; }
  // At the end of a run, show the whole target and update the view (not for pan and zoom).
  bool FinalFrame() const { return finalFrame_; }
  void SetFinalFrame(bool value) { finalFrame_ = value; }
  // The tick count the running run started at; moving it back stands for elapsed time.
  uint32_t StartTick() const { return startTick_; }
  void SetStartTick(uint32_t value) { startTick_ = value; }

  vcl::TNotifyEvent OnTransitionStop;
  TIETransitionStepEvent OnTransitionStep;
  const TIEOnTransitionPaint& OnTransitionPaint() const { return onPaint_; }
  void SetOnTransitionPaint(TIEOnTransitionPaint event) { onPaint_ = std::move(event); }

 private:
  class TViewWatch;
  void BeginRun(int32_t type);
  // Copies width x height pixels of `bitmap` onto the view at (0, 0).
  void ShowOnView(vcl::TBitmap* bitmap);
  void ViewDestroyed();
  // Stops the timer and drops the pictures; the view and the events are the caller's.
  void EndRun();

  TTransitionFrames frames_;
  TIEView* view_;
  std::unique_ptr<vcl::TTimer> timer_;
  std::unique_ptr<TViewWatch> watch_;
  // Hears the view's size changes while a run goes.
  vcl::TWindowProcLink sizeLink_;
  bool running_ = false;
  bool ticking_ = false;
  int32_t step_ = 0;
  int32_t type_ = iettNone;
  int32_t duration_ = 1000;
  uint32_t startTick_ = 0;
  bool finalFrame_ = false;
  uint8_t curve_ = tcLinear;
  TIEOnTransitionPaint onPaint_;
};

}  // namespace imaging
