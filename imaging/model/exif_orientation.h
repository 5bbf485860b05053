// Turning an image upright by the orientation value a camera stores with it (1 as stored,
// 2 mirrored, 3 turned half, 4 upside down, 5 mirrored on the main diagonal, 6 needs a
// clockwise quarter turn, 7 mirrored on the other diagonal, 8 needs a counter-clockwise
// quarter turn), so that it shows as it was taken.
#pragma once

#include <cstdint>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Applies the mirror, flip and quarter turn that undo `orientation` to the pixels and the
// alpha channel; values other than 2 .. 8 (and nil or empty bitmaps) change nothing.
void ApplyExifOrientation(TIEBitmap* bitmap, int32_t orientation);

}  // namespace imaging
