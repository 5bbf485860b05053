// The effect table: a display name for every transition type from 1 to 187 and, for the types
// the player does not draw itself (31 to 187), the procedure that draws one frame. Also the
// size computation and the mirrored stretch those procedures share.
#pragma once

#include <cstdint>

#include "imaging/transitions/transition_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

// Draws one frame over what `canvas` holds (the previous frame), reading `source` and `target`
// (24-bit, the frame's size) without changing them. `rect` is the frame (0, 0, W, H);
// `progress` runs from 0 to 100; `sizeFactor` is read by "Triangular Wipe" only.
using TTransitionEffectProc = void (*)(vcl::TCanvas* canvas, vcl::TBitmap* source, vcl::TBitmap* target,
                                       const vcl::TRect& rect, int32_t sizeFactor, int32_t progress);

struct TEffect {
  const char* Name;
  TTransitionEffectProc Proc;  // nullptr for the types the player draws itself
};

constexpr int32_t TransitionEffectCount = 187;
// Row i belongs to transition type i + 1.
extern const TEffect TransitionEffects[TransitionEffectCount];

// The row of a transition type, or nullptr for iettNone, iettPanZoom and values beyond.
const TEffect* FindTransitionEffect(int32_t type);

// W and H of `rect`, and SW, SH growing from 0 to W and H with `progress` (0 .. 100), the
// aspect ratio kept and the larger side leading.
void CalcTransitionSize(const vcl::TRect& rect, int32_t progress, int32_t& w, int32_t& h, int32_t& sw, int32_t& sh);

// Stretches `srcRect` of `bitmap` (cut to the bitmap) into `dstRect` of the canvas, mirrored
// horizontally and/or vertically (the flipped side runs from the old far edge + 1 back to the
// old near edge - 1). Halftone stretching.
void StretchDrawFlipped(vcl::TCanvas* canvas, vcl::TRect dstRect, vcl::TBitmap* bitmap, vcl::TRect srcRect,
                        bool flipH, bool flipV);

// "Page Flip": the right half of the target in place; a page turning over the middle, showing
// the source's right half while it lifts (progress up to 50) and the target's left half while
// it lands. With `withLine` a black line marks the fold.
void PageFlipEffect(vcl::TCanvas* canvas, vcl::TBitmap* source, vcl::TBitmap* target, const vcl::TRect& rect,
                    int32_t progress, bool withLine);

}  // namespace imaging
