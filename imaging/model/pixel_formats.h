// The pixel formats of the library bitmap and their relation to the platform bitmap's formats.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"

namespace imaging {

enum TIEPixelFormat {
  ieNull,     // no pixels
  ie1g,       // 1 bit, 1 = white
  ie8p,       // 8-bit palette index
  ie8g,       // 8-bit grey
  ie16g,      // 16-bit grey
  ie24RGB,    // bytes blue, green, red
  ie32f,      // float grey 0 .. 1
  ieCMYK,     // inverted C, M, Y, K bytes
  ieRGB48,    // words red, green, blue
  ieCIELab,   // 8-bit CIELab
  ie32RGB     // blue, green, red and a fourth byte
};

// 1, 4, 8, 15, 16, 24 or 32; 0 for pfDevice and pfCustom.
int32_t PixelFormatBitCount(vcl::TPixelFormat format);
// pf1bit -> ie1g, pf4bit and pf8bit -> ie8p, every other -> ie24RGB.
TIEPixelFormat PixelFormatToIEPixelFormat(vcl::TPixelFormat format);
// Bytes of a row of the platform bitmap, padded to 32 bits.
int64_t PixelFormatRowSize(int64_t width, vcl::TPixelFormat format);

}  // namespace imaging
