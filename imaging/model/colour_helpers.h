// Colour records and conversions of the image library: 3-byte pixels in blue, green, red
// order, 8-bit CIELab values, and conversions between RGB, CIELab and YCbCr.
#pragma once

#include <cstdint>

namespace imaging {

// A 24-bit pixel as the library stores it: blue, green, red in memory order.
struct TRGB {
  uint8_t b;
  uint8_t g;
  uint8_t r;
};
static_assert(sizeof(TRGB) == 3);

// An 8-bit CIELab value: L (L* x 255 / 100) and the signed a and b, in that order.
struct TCIELab {
  uint8_t l;
  int8_t a;
  int8_t b;
};
static_assert(sizeof(TCIELab) == 3);

inline TRGB MakeRGB(uint8_t red, uint8_t green, uint8_t blue) { return TRGB{blue, green, red}; }
// Exchanges the lowest and the third byte of a 24-bit value (RGB to BGR and back).
int32_t SwapRedBlue(int32_t colour);
// Exchanges red and blue of `count` 3-byte pixels in place.
void SwapRBInRow(TRGB* row, int32_t count);

// sRGB (D65) to 8-bit CIELab and back.
TCIELab RGBToCIELab(const TRGB& colour);
TRGB CIELabToRGB(const TCIELab& lab);

// The JFIF conversion of a YCbCr sample to a 3-byte pixel, each channel truncated and clamped.
void YCbCrToBGR(TRGB& pixel, int32_t y, int32_t cb, int32_t cr);

}  // namespace imaging
