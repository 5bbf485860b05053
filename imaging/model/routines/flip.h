// Mirroring a bitmap in place: left to right or upside down, its alpha channel with it.
#pragma once

#include <cstdint>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

constexpr int32_t kFlipLeftRight = 0;
constexpr int32_t kFlipUpsideDown = 1;

// Mirrors every pixel format by its own pixel size (1-bit rows bit by bit, the padding bits
// left clear); other directions leave the bitmap unchanged.
void FlipBitmap(TIEBitmap* bitmap, int32_t direction);

}  // namespace imaging
