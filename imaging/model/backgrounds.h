// The textured grey backgrounds of the I/O parameters preview.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"

namespace imaging {

// Makes the bitmap width x height, 24 bits, in horizontal stripes of the greys 240, 251, 255,
// 251 repeating.
void PaintStripedBackground(vcl::TBitmap* bitmap, int32_t width, int32_t height);
// Makes the bitmap width x height, 24 bits, in a brushed-metal grey: lighter in the middle
// columns, with random streaks.
void PaintBrushedBackground(vcl::TBitmap* bitmap, int32_t width, int32_t height);

}  // namespace imaging
