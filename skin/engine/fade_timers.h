// Fades between a control's image before and after a state change: every 10 ms the previous
// image is mixed with the freshly composed cache and handed to the control, for as many steps
// as the section's "FADINGITERATIONS". A control that goes away mid-fade ends the fade quietly.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/engine/anim_effects.h"
#include "vcl/classes/component.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

class TsCommonData;
class TsSkinManager;

// True when the event animates: listed in `events`, or, with aeGlobalDef there, in the
// manager's (or the default manager's) button settings.
bool IsAnimEventEnabled(TacAnimatEvent event, TacAnimatEvents events, TsSkinManager* manager);
// The weight of the old image at step `stepNo` of `steps`: 255 - stepNo * 256 / steps,
// limited to 0..255.
int32_t FadeLevel(int32_t stepNo, int32_t steps);

class TsFadeTimer : public vcl::TTimer {
  VCL_CLASS(TsFadeTimer, vcl::TTimer)
 public:
  explicit TsFadeTimer(vcl::TComponent* owner);
  ~TsFadeTimer() override;

  uint8_t FadeDirection = 0;  // 0 idle, 1 or 2 fading
  TsCommonData* FadeData = nullptr;
  int32_t FadeSteps = 0;
  int32_t FadeStepNo = 0;
  std::unique_ptr<vcl::TBitmap> FadeFrom;  // the image before the change

  void SetDirection(uint8_t direction);
  void Prepare(TsCommonData* link);
  void FadeStep();
  // True when the fade passed its last step and the control was told (it frees the timer);
  // a control that is gone disables the timer and answers false.
  bool Finished();

 protected:
  void Timer() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  vcl::TComponent* watched_ = nullptr;  // the faded control, told to us when it goes
};

class TsAnimTimer : public vcl::TTimer {
  VCL_CLASS(TsAnimTimer, vcl::TTimer)
 public:
  explicit TsAnimTimer(vcl::TComponent* owner);
  ~TsAnimTimer() override;

  bool AnimBusy = false;
  std::unique_ptr<vcl::TBitmap> AnimFrom;
  std::unique_ptr<vcl::TBitmap> AnimFrame;
  TsCommonData* AnimData = nullptr;
  int32_t AnimSteps = 0;
  int32_t AnimStepNo = 0;

  void BindSkinData(TsCommonData* link);
  void AnimStep();
  void ShowFrame();
  bool Finished();

 protected:
  void Timer() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  vcl::TComponent* watched_ = nullptr;
};

// Repaints the link's control after a state change, fading when the skin and the options
// allow it, else at once (ending any running fade).
void RepaintWithFade(TsFadeTimer*& timer, TsCommonData* link, bool pressed, uint8_t direction, bool allowFade);
// Creates (owned by the control) or reuses the fade timer and starts it.
void StartFade(TsFadeTimer*& timer, TsCommonData* link, bool shorten, uint8_t direction);
void StopFadeTimer(TsFadeTimer*& timer, TsCommonData* link);

}  // namespace skin
