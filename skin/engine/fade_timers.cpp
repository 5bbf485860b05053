#include "skin/engine/fade_timers.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/component_state.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {



const TsGeneralData* SectionOf(const TsCommonData* link) {
  TsSkinManager* m = link ? link->GetSkinManager() : nullptr;
  return m && m->IsSectionIndexValid(link->SectionIndex) ? &m->Sections[size_t(link->SectionIndex)] : nullptr;
}

bool Terminating() { return vcl::Application && vcl::Application->Terminated(); }

// A 24-bit device-independent copy of the bitmap.
std::unique_ptr<vcl::TBitmap> Copy24(vcl::TBitmap* source) {
  auto copy = CreateBmp24(source ? source->Width() : 0, source ? source->Height() : 0);
  if (source && source->Width() > 0 && source->Height() > 0)
    BitBlt(copy->Canvas()->Handle(), 0, 0, source->Width(), source->Height(), source->Canvas()->Handle(), 0, 0,
           SRCCOPY);
  return copy;
}

// frame := the old image with weight `level`, the cache with the rest.
void MixIntoFrame(vcl::TBitmap* frame, vcl::TBitmap* cache, int32_t level) {
  if (!cache) return;
  if (cache->PixelFormat() == vcl::pf24bit) {
    MixBitmaps(frame, cache, level);
  } else {
    auto cache24 = Copy24(cache);
    MixBitmaps(frame, cache24.get(), level);
  }
}

// The link dies with its control, often before the control's notices go out, so the control
// itself is remembered.
void WatchControl(vcl::TComponent* timer, vcl::TComponent*& watched, TsCommonData* link) {
  vcl::TComponent* control = link ? link->LinkedControl : nullptr;
  if (control == watched) return;
  if (watched) watched->RemoveFreeNotification(timer);
  watched = control;
  if (control) control->FreeNotification(timer);
}

}  // namespace

int32_t FadeLevel(int32_t stepNo, int32_t steps) {
  return steps == 0 ? 255 : LimitToByte(255 - stepNo * 256 / steps);
}

bool IsAnimEventEnabled(TacAnimatEvent event, TacAnimatEvents events, TsSkinManager* manager) {
  if (!manager) manager = DefaultManager;
  if (events & (1u << event)) return true;
  if (!(events & (1u << aeGlobalDef)) || !manager || !manager->AnimEffects()) return false;
  return manager->AnimEffects()->Buttons()->Events & (1u << AnimEventToBtnEvent[event]);
}

// ---- TsFadeTimer ----

TsFadeTimer::TsFadeTimer(vcl::TComponent* owner) : vcl::TTimer(owner), FadeFrom(CreateBmp24(0, 0)) {
  SetEnabled(false);
  OnTimer = [](vcl::TObject*) {};
}

TsFadeTimer::~TsFadeTimer() = default;

void TsFadeTimer::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TTimer::Notification(component, operation);
  if (operation == vcl::opRemove && component == watched_) {
    watched_ = nullptr;
    FadeData = nullptr;
    FadeDirection = 0;
    SetEnabled(false);
  }
}

void TsFadeTimer::SetDirection(uint8_t direction) {
  FadeDirection = direction;
  if (FadeStepNo < 0) FadeStepNo = 1;
  SetEnabled(direction != 0);
}

void TsFadeTimer::Prepare(TsCommonData* link) {
  FadeData = link;
  WatchControl(this, watched_, link);
  if (link->CacheStale && link->CacheBitmap && link->CacheBitmap->Empty() && link->LinkedControl) {
    auto* win = dynamic_cast<vcl::TWinControl*>(link->LinkedControl);
    if (win && win->HandleAllocated())
      SendMessageA(win->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdPaintToCache), 0);
    else
      link->LinkedControl->Perform(SM_ALPHACMD, AlphaCmdParam(cmdPaintToCache), 0);
  }
  FadeFrom = Copy24(link->CacheBitmap.get());
  SetInterval(10);
  const TsGeneralData* s = SectionOf(link);
  FadeSteps = s ? s->FadingIterations : 0;
  if (FadeDirection == 1)
    FadeSteps = FadeStepNo;
  else if (FadeDirection == 2)
    FadeSteps -= FadeStepNo;
}

bool TsFadeTimer::Finished() {
  vcl::TControl* control = FadeData ? FadeData->LinkedControl : nullptr;
  if (!control || IsDestroying(control) || Terminating()) {
    // Nothing is left to fade: the timer stops ticking.
    FadeDirection = 0;
    SetEnabled(false);
    return false;
  }
  if (FadeStepNo > FadeSteps || FadeStepNo < 0) {
    try {
      // The control stops and frees this timer: nothing here is touched afterwards.
      control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdStopFade), 0);
      return true;
    } catch (...) {
      return false;
    }
  }
  return false;
}

void TsFadeTimer::FadeStep() {
  vcl::TControl* control = FadeData ? FadeData->LinkedControl : nullptr;
  if (!control || IsDestroying(control) || FadeSteps == 0) return;
  if (!control->Enabled()) {
    SetEnabled(false);
    FadeSteps = 0;
    FadeData->Invalidate();
    return;
  }
  struct TNextStep {
    int32_t& stepNo;
    ~TNextStep() { ++stepNo; }
  } next{FadeStepNo};
  const int32_t level = FadeLevel(FadeStepNo, FadeSteps);
  auto frame = Copy24(FadeFrom.get());
  MixIntoFrame(frame.get(), FadeData->CacheBitmap.get(), level);
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  HWND window = win && win->HandleAllocated() ? win->Handle()
                : control->Parent() && control->Parent()->HandleAllocated() ? control->Parent()->Handle()
                                                                             : nullptr;
  if (!window) return;
  HDC dc = win ? GetWindowDC(window) : GetDC(window);
  int saved = SaveDC(dc);
  if (!win) SetViewportOrgEx(dc, control->Left(), control->Top(), nullptr);
  if (control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdFadeFrame), LPARAM(frame.get())) == 0)
    BitBlt(dc, 0, 0, frame->Width(), frame->Height(), frame->Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
  ReleaseDC(window, dc);
}

void TsFadeTimer::Timer() {
  try {
    if (!FadeData || IsDestroying(this) || Finished()) return;
    if (FadeDirection == 1 || FadeDirection == 2) FadeStep();
  } catch (...) {
    // A tick never lets an exception reach the message loop.
  }
}

// ---- TsAnimTimer ----

TsAnimTimer::TsAnimTimer(vcl::TComponent* owner)
    : vcl::TTimer(owner), AnimFrom(CreateBmp24(0, 0)), AnimFrame(CreateBmp24(0, 0)) {
  SetEnabled(false);
  OnTimer = [](vcl::TObject*) {};
}

TsAnimTimer::~TsAnimTimer() = default;

void TsAnimTimer::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TTimer::Notification(component, operation);
  if (operation == vcl::opRemove && component == watched_) {
    watched_ = nullptr;
    AnimData = nullptr;
    SetEnabled(false);
  }
}

void TsAnimTimer::BindSkinData(TsCommonData* link) {
  AnimData = link;
  WatchControl(this, watched_, link);
  SetInterval(10);
  const TsGeneralData* s = SectionOf(link);
  AnimSteps = s ? s->FadingIterations : 0;
}

bool TsAnimTimer::Finished() {
  vcl::TControl* control = AnimData ? AnimData->LinkedControl : nullptr;
  if (IsDestroying(this) || !control || IsDestroying(control) || Terminating()) {
    SetEnabled(false);
    return true;
  }
  if (AnimStepNo >= 0 && AnimStepNo <= AnimSteps) return false;
  control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdStopFade), 0);
  return true;
}

void TsAnimTimer::AnimStep() {
  vcl::TControl* control = AnimData ? AnimData->LinkedControl : nullptr;
  struct TEndStep {
    TsAnimTimer& timer;
    ~TEndStep() {
      ++timer.AnimStepNo;
      timer.AnimBusy = false;
    }
  };
  if (AnimBusy) return;  // a nested message loop delivered a tick inside a step
  TEndStep end{*this};
  if (!control || IsDestroying(control) || AnimSteps == 0 || AnimStepNo < 0) return;
  AnimBusy = true;
  AnimFrame = Copy24(AnimFrom.get());
  MixIntoFrame(AnimFrame.get(), AnimData->CacheBitmap.get(), FadeLevel(AnimStepNo, AnimSteps));
  ShowFrame();
}

void TsAnimTimer::ShowFrame() {
  vcl::TControl* control = AnimData ? AnimData->LinkedControl : nullptr;
  if (!control) return;
  control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdSetUpdating, 0), 0);
  control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdUpdateImage), 0);
}

void TsAnimTimer::Timer() {
  try {
    if (IsDestroying(this) || Finished()) return;
    AnimStep();
  } catch (...) {
    // A tick never lets an exception reach the message loop.
  }
}

// ---- Starting and stopping ----

void StopFadeTimer(TsFadeTimer*& timer, TsCommonData*) {
  if (!timer || IsDestroying(timer)) return;
  TsFadeTimer* t = timer;
  timer = nullptr;
  t->SetEnabled(false);
  t->FadeDirection = 0;
  delete t;
}

void StartFade(TsFadeTimer*& timer, TsCommonData* link, bool shorten, uint8_t direction) {
  const TsGeneralData* s = SectionOf(link);
  if (!s || !s->FadingEnabled || !link->LinkedControl) return;
  if (!timer) {
    timer = new TsFadeTimer(link->LinkedControl);
    timer->FadeStepNo = 1;
  } else {
    timer->FadeStepNo = s->FadingIterations;
  }
  timer->Prepare(link);
  if (shorten) timer->FadeSteps /= 2;
  if (timer->FadeStepNo >= timer->FadeSteps || timer->FadeStepNo < 1) timer->FadeStepNo = 1;
  link->LinkedControl->Perform(SM_ALPHACMD, AlphaCmdParam(cmdPaintToCache), 0);
  timer->SetDirection(direction);
}

void RepaintWithFade(TsFadeTimer*& timer, TsCommonData* link, bool pressed, uint8_t direction, bool allowFade) {
  if (!link || !link->IsSkinned()) return;
  const TsGeneralData* s = SectionOf(link);
  if (allowFade && !GlobalSkinChanging && s && s->FadingEnabled && !NoFading && link->CacheBitmap &&
      !link->CacheStale) {
    link->CacheStale = true;
    StartFade(timer, link, pressed, direction);
  } else {
    link->CacheStale = true;
    if (timer) StopFadeTimer(timer, link);
    if (link->LinkedControl) link->LinkedControl->Repaint();
  }
  link->UpdateGlowEffect(pressed, nullptr);
}

}  // namespace skin
