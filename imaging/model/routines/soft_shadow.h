// Drop shadows through the alpha channel: the opaque part of an image casts a blurred, offset,
// coloured shadow onto its transparent part, for a whole image (the thumbnails) or around a
// rectangle of a larger one (vector objects).
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// m = max(2 * max(|offsetX|, |offsetY|) + Trunc(radius * 5), 1): room for the shadow.
int32_t SoftShadowMargin(int32_t offsetX, int32_t offsetY, double radius);

// Works on an ie24RGB or ie1g bitmap and its alpha channel (created opaque when missing);
// other formats only have their alpha blurred and moved. With enlarge the bitmap first grows
// by the margin in both directions, centred, the new area black and transparent. The alpha is
// blurred with `radius` as standard deviation and moved by the offset; where the old alpha was
// 0 the pixel takes the shadow colour (1-bit: black) and the shadow alpha, divided by
// 3 - 2 * intensity / 100 (intensity clamped to 0..100); partly transparent pixels mix with
// the shadow; opaque ones stay as they were. EInvalidArgument when the grown bitmap would not
// fit 32-bit sizes.
void ApplySoftShadow(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, int32_t intensity,
                     bool enlarge, TRGB shadowColor, const TIEProgressEvent& onProgress, vcl::TObject* sender);

// The same inside the bitmap, for the rectangle x1, y1 .. x2, y2: the alpha is blurred within
// the rectangle grown by half the margin, and combined within the rectangle grown by the
// margin (both clipped to the bitmap). A radius of exactly 0 blurs with the 3 x 3 "Blur"
// preset and counts as 2 for the margin. 1-bit shadows keep their alpha undivided. Returns
// the margin.
int32_t ApplySoftShadowRect(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, int32_t intensity,
                            TRGB shadowColor, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace imaging
