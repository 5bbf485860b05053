#include "imaging/transitions/transition_player.h"

#include "imaging/model/ie_bitmap.h"
#include "imaging/transitions/transition_timing.h"
#include "imaging/view/ie_view.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/timer.h"
#include "vcl/runtime/win.h"

namespace imaging {

// Hears of the view's destruction, which the player (a plain object) cannot.
class TIETransitionEffects::TViewWatch : public vcl::TComponent {
  VCL_CLASS(TViewWatch, vcl::TComponent)
  explicit TViewWatch(TIETransitionEffects* player) : vcl::TComponent(nullptr), player_(player) {}

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
    inherited::Notification(component, operation);
    if (operation == vcl::opRemove && component == player_->view_) player_->ViewDestroyed();
  }

 private:
  TIETransitionEffects* player_;
};

TIETransitionEffects::TIETransitionEffects(TIEView* view)
    : view_(view), timer_(std::make_unique<vcl::TTimer>(nullptr)), watch_(std::make_unique<TViewWatch>(this)) {
  // The timer is the player's own rather than the view's: a view destroyed first would
  // otherwise free it under the player.
  timer_->SetEnabled(false);
  timer_->SetInterval(1);
  timer_->OnTimer = [this](vcl::TObject*) { Tick(); };
  if (view_) watch_->FreeNotification(view_);
}

TIETransitionEffects::~TIETransitionEffects() {
  timer_->SetEnabled(false);
  timer_->OnTimer = nullptr;
  sizeLink_.Remove();
  if (running_) {
    running_ = false;
    if (view_) view_->UnlockPaintNoUpdate();
  }
  if (view_) watch_->RemoveFreeNotification(view_);
}

bool TIETransitionEffects::Start(vcl::TGraphic* source, vcl::TGraphic* target, int32_t type) {
  if (type <= iettNone || type >= iettPanZoom || !source || !target || source->Empty()) return false;
  Stop();
  frames_.Prepare(source->Width(), source->Height());
  if (view_) frames_.SetBackground(view_->Background());
  for (auto [picture, graphic] : {std::pair{frames_.Source(), source}, std::pair{frames_.Target(), target}}) {
    vcl::TCanvas* canvas = picture->Canvas();
    canvas->Brush()->SetColor(frames_.Background());
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->FillRect(vcl::Rect(0, 0, frames_.Width(), frames_.Height()));
    canvas->Draw(0, 0, graphic);
  }
  BeginRun(type);
  return true;
}

bool TIETransitionEffects::StartPanZoom(TIEBitmap* bitmap, const vcl::TRect& start, const vcl::TRect& end,
                                        int32_t width, int32_t height) {
  if (!bitmap || width <= 0 || height <= 0) return false;
  Stop();
  frames_.Prepare(width, height);
  if (view_) frames_.SetBackground(view_->Background());
  // An image view letterboxes on its own background, whatever its style.
  if (auto* imageView = dynamic_cast<TImageView*>(view_))
    frames_.SetBackgroundPainter([imageView](vcl::TCanvas* canvas) { imageView->PaintBackgroundTo(canvas); });
  else
    frames_.SetBackgroundPainter(nullptr);
  frames_.SetPanZoom(bitmap, start, end);
  BeginRun(iettPanZoom);
  return true;
}

void TIETransitionEffects::BeginRun(int32_t type) {
  type_ = type;
  step_ = 0;
  frames_.SetItemCount(0);
  startTick_ = GetTickCount();
  if (view_) {
    view_->LockPaint();
    sizeLink_ = view_->WindowProc.Install([this](vcl::TMessage& message, const vcl::TWindowProcNext& next) {
      next(message);
      if (message.Msg == WM_SIZE) Stop();
    });
  }
  running_ = true;
  timer_->SetEnabled(true);
}

void TIETransitionEffects::EndRun() {
  sizeLink_.Remove();
  timer_->SetEnabled(false);
  running_ = false;
  frames_.Shrink();
}

void TIETransitionEffects::Stop() {
  if (!running_ || type_ == iettNone) return;
  EndRun();
  if (view_) {
    view_->UnlockPaintNoUpdate();
    // The view's own Update (its processing interface names the same one).
    if (finalFrame_) static_cast<TIEProcView*>(view_)->Update();
  }
  if (OnTransitionStop) {
    vcl::TNotifyEvent handler = OnTransitionStop;
    handler(view_);
  }
}

void TIETransitionEffects::ViewDestroyed() {
  // The view is half gone: neither its paint lock nor events that name it as Sender.
  view_ = nullptr;
  frames_.SetBackgroundPainter(nullptr);
  if (running_) EndRun();
}

void TIETransitionEffects::ShowOnView(vcl::TBitmap* bitmap) {
  if (!view_ || !view_->HandleAllocated()) return;
  vcl::TCanvas* canvas = view_->GetCanvas();
  BitBlt(canvas->Handle(), 0, 0, frames_.Width(), frames_.Height(), bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  // The window's DC goes back at once: the view's own painting takes the canvas next.
  if (auto* controlCanvas = dynamic_cast<vcl::TControlCanvas*>(canvas)) controlCanvas->FreeHandle();
}

void TIETransitionEffects::Tick() {
  // An event handler that pumps messages would otherwise tick inside a tick.
  if (!running_ || ticking_) return;
  ticking_ = true;
  struct TReset {
    bool& flag;
    ~TReset() { flag = false; }
  } reset{ticking_};

  if (OnTransitionStep) {
    TIETransitionStepEvent handler = OnTransitionStep;
    handler(view_, step_);
    // A handler may have ended the run.
    if (!running_) return;
  }
  frames_.DrawFrame(type_, step_);
  ShowOnView(frames_.Frame());
  if (onPaint_) {
    TIEOnTransitionPaint handler = onPaint_;
    handler(view_, frames_.Frame(), this, step_);
    if (!running_) return;
  }
  const uint32_t elapsed = TransitionElapsed(startTick_, GetTickCount());
  if (TransitionTimeIsUp(elapsed, duration_)) {
    if (finalFrame_ && type_ != iettPanZoom) {
      ShowOnView(frames_.Target());
      if (onPaint_) {
        TIEOnTransitionPaint handler = onPaint_;
        handler(view_, frames_.Target(), this, TransitionStepMax);
        if (!running_) return;
      }
    }
    // The run is over: no next step to compute.
    Stop();
    return;
  }
  step_ = TransitionStepAt(curve_, elapsed, duration_, step_);
}

}  // namespace imaging
