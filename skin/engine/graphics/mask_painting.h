// Putting skin masks on bitmaps: one state of a mask stretched over a rectangle in nine
// pieces, one state as a glyph at its natural size, and the parent's background let through
// the key-coloured corners of a frame.
#pragma once

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_model.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin {

// Corner codes of FillKeyColorFromBg: which corner of the mask's first frame is tested.
constexpr int kCornerTopLeft = 13;
constexpr int kCornerTopRight = 14;
constexpr int kCornerBottomLeft = 16;
constexpr int kCornerBottomRight = 17;

// Copies background pixels (from `origin` on) into the 32-bit target's rectangle where the
// target shows the key colour (maskIndex -1) or where the chosen corner of the mask does (any
// other code counts as top-left). Everything is clipped to the three bitmaps; other formats
// are left alone.
void FillKeyColorFromBg(vcl::TBitmap* target, vcl::TBitmap* background, const vcl::TRect& rect,
                        const vcl::TPoint& origin, int maskIndex, const TsSkinManager* manager, int cornerCode);

}  // namespace skin
