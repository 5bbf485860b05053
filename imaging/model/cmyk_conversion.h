// One ieCMYK pixel from RGB and back. The pixel is a 32-bit value whose bytes, from the lowest,
// are the inverted cyan, magenta, yellow and black inks (255 = no ink).
//
// The arithmetic rule below is the library's own; the I/O module, which owns the colour
// profiles, installs profile-based converters at its start-up with IESetCMYKConverters.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

// Packed RGB (red in bits 16-23, green 8-15, blue 0-7) to one ieCMYK pixel.
int32_t IERGBToCMYK(int32_t packedRGB);
// One ieCMYK pixel to blue, green, red.
void IECMYKToRGB(int32_t cmyk, TRGB& pixel);

// Without colour profiles: k = the largest of red, green and blue (1 when all are 0),
// c = red x 255 / k and so on; back: red = c x k / 255 and so on.
int32_t IERGBToCMYKArithmetic(int32_t packedRGB);
void IECMYKToRGBArithmetic(int32_t cmyk, TRGB& pixel);

using TIERGBToCMYKProc = int32_t (*)(int32_t packedRGB);
using TIECMYKToRGBProc = void (*)(int32_t cmyk, TRGB& pixel);
// Replaces the converters; nil restores the arithmetic one of that direction.
void IESetCMYKConverters(TIERGBToCMYKProc rgbToCmyk, TIECMYKToRGBProc cmykToRgb);

}  // namespace imaging
