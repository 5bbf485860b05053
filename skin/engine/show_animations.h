// Animated appearance of a window: its final image is rendered off screen and faded in over a
// snapshot of what the screen showed, after which the window is redrawn underneath. One
// animation runs at a time; its overlay and bitmaps live in the globals below.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/engine/anim_effects.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// The window the frames are shown in, or null; cleared when it is freed with its owner.
extern vcl::TWinControl* AnimOverlayWindow;
extern std::unique_ptr<vcl::TBitmap> AnimImage;     // the window's final image
extern HDC AnimImageDC;                             // the image's DC while it is rendered into
extern std::unique_ptr<vcl::TBitmap> AnimSnapshot;  // the screen under the window

// Frames of an animation of `time` milliseconds: steps + 1, with 8 ms between them.
constexpr int32_t AnimStepsFor(uint16_t time) { return time / 8; }
// The animation shows layered overlays only where the platform layer offers layered windows;
// it does not yet, so every window takes the cross-fade through an output window.
constexpr bool LayeredAnimationAvailable = false;

// Shows the control animated (`maxAlpha` is the final opacity of layered overlays). However it
// ends, AnimationInProgress is cleared, the control is thawed and the overlay and bitmaps are
// freed.
void AnimShowControl(vcl::TWinControl* control, uint16_t time, uint8_t maxAlpha, TacAnimType mode);
// Takes the screen snapshot under the control and shows an output window over it (each only
// when missing). False when the control has no window to cover.
bool ShowOutputWindowOver(vcl::TWinControl* control);

}  // namespace skin
