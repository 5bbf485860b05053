// Copies the target picture onto the frame inside a list of rectangles, row by row in the two
// pictures' pixel memory. It gives the same pixels as selecting the list's region as the clip
// and copying the whole target, without building a region of thousands of thin strips that the
// clipped copy would then walk for every row.
#pragma once

#include <cstdint>

#include "imaging/transitions/complex_region.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

// Copies the w x h target into the frame selected into `frameDC` within the rectangles of
// `list`. False, copying nothing, when either picture is not a 24-bit DIB section of at least
// w x h pixels: the caller then draws through a region.
bool CopyTargetRects(HDC frameDC, vcl::TBitmap* target, const TComplexRegion& list, int32_t w, int32_t h);

}  // namespace imaging
