// TacSBAnimation: the fade of one title button. A small layered window over the frame shows the
// button's hot or pressed image (or its glow) and a 12 ms timer blends it in or out. The
// provider starts and re-targets fades through AnimateTitleButton.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/forms/form_skinning.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

class TacBorderForm;
class TsCommonData;
class TsSkinProvider;

// Milliseconds between two steps of a title-button fade.
constexpr uint32_t kTitleFadeInterval = 12;

class TacSBAnimation : public vcl::TTimer {
  VCL_CLASS(TacSBAnimation, vcl::TTimer)
  TacSBAnimation(TsSkinProvider* provider, TitleButtonData* button);
  ~TacSBAnimation() override;

  // Starts a fade toward `state` (0 normal, 1 hot, 2 pressed); nothing for the current state.
  void SetAnimState(int32_t state, bool fadeIn);
  // Points the running fade at a new state; a new press starts again from the pressed image.
  void Retarget(int32_t state, int32_t steps, bool fadeIn);
  // One tick of the timer.
  void AnimStep();
  void ShowAtAlpha(uint8_t alpha);
  // The alpha added per step: never 0, so that every fade moves.
  int32_t StepAlpha() const;
  int32_t GlowMargin() const;
  vcl::TRect GlowRect();
  void BuildWindow();
  void BuildImage();
  // Once the mouse is off the button, the timer stops and the owner hears that the mouse left.
  void CheckMouseLeave();

  TacBorderForm* BorderForm = nullptr;
  TsCommonData* SkinData = nullptr;
  HWND OwnerWnd = nullptr;
  TitleButtonData* Button = nullptr;
  int32_t Step = 0;
  int32_t State = 0;
  bool FadeIn = true;
  int32_t StepCount = 1;
  std::unique_ptr<vcl::TForm> GlowWindow;
  std::unique_ptr<vcl::TBitmap> Image;

 private:
  // The mask of the glow shown over a hot close, maximise or minimise button; -1 for none.
  int32_t GlowMask() const;
  void FreeWindowAndImage();

  TsSkinProvider* provider_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Starts the fade of a title button of the provider, or re-targets the one it has.
void AnimateTitleButton(TsSkinProvider* provider, TitleButtonData& button, int32_t state, int32_t steps,
                        bool restart);

}  // namespace skin
