// Putting what lies behind an area into a target rectangle: the background's colour, or the
// matching area of its image.
#pragma once

#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin {

// Fills the rectangle with the colour: alpha 255 in a 32-bit target; other targets through
// their canvas. Clipped to the target.
void FillRectWithColour(vcl::TBitmap* target, const vcl::TRect& rect, vcl::TColor colour);

// Copies into the rectangle the background image's pixels that lie behind it: target pixel
// (x, y) takes image pixel (info.X + x, info.Y + y). Only what the image has is copied; a
// background without an image, or the target itself as the image, copies nothing.
void CopyBackgroundArea(vcl::TBitmap* target, const vcl::TRect& rect, const TsBackgroundInfo& info);

// The background into the rectangle: its image area when it is ready, else its colour.
void PutBackground(vcl::TBitmap* target, const vcl::TRect& rect, const TsBackgroundInfo& info);

}  // namespace skin
