// 3 x 3 convolution of 8-bit grey bitmaps, as the soft shadow uses for its smallest blur.
#pragma once

#include <cstdint>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Nine weights row by row from the top left, and the divisor.
struct Convolution3x3 {
  int32_t weights[9];
  int32_t divisor;
};

// Filters the rectangle x1 .. x2 - 1, y1 .. y2 - 1 (ends exclusive, clipped to the bitmap) of
// an ie8g bitmap in place; other formats are left alone. Each pixel becomes
// min(|sum of weight x neighbour| div divisor, 255), neighbours outside the bitmap repeating
// its edge pixels, a divisor of 0 counting as 1. Pixels outside the rectangle do not change.
void Convolve3x3Gray8Rect(TIEBitmap* bitmap, const Convolution3x3& kernel, int32_t x1, int32_t y1, int32_t x2,
                          int32_t y2);

}  // namespace imaging
