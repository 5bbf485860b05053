// Colour routines of the image library: grey levels and comparisons of packed colours, platform
// colours to and from 3-byte pixels, the nearest palette entry and RGB/HSL conversion.
//
// A packed RGB value is a 3-byte pixel read as a 32-bit value: 0x00RRGGBB.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"
#include "vcl/graphics/colours.h"

namespace imaging {

// The luminance of a packed RGB value, with the library's grey weights.
int32_t RGBToGrayLevel(int32_t packedRGB);
// True when the red, green and blue bytes (0, 1 and 2) of the two values are equal.
bool SameRGB(int32_t a, int32_t b);
inline int32_t PackRGB(const TRGB& pixel) { return (int32_t(pixel.r) << 16) | (int32_t(pixel.g) << 8) | pixel.b; }
inline TRGB UnpackRGB(int32_t packedRGB) {
  return TRGB{uint8_t(packedRGB), uint8_t(packedRGB >> 8), uint8_t(packedRGB >> 16)};
}

// The colour (system colours resolved) as a 3-byte pixel.
void ColorToRGBTriple(vcl::TColor colour, TRGB& pixel);
// The pixel as a platform colour (red in the low byte).
vcl::TColor RGBTripleToColor(const TRGB& pixel);

// The index of the entry nearest to the colour by the sum of the absolute channel differences;
// the first of equally near entries wins; 0 for an empty palette.
int32_t FindNearestPaletteIndex(const TRGB* palette, int32_t count, int32_t packedRGB);

// Hue, saturation and lightness, each 0 .. 1, of a packed RGB value.
void RGBToHSL(int32_t packedRGB, double& hue, double& saturation, double& lightness);
// The pixel of a hue (wrapped once into 0 .. 1), saturation and lightness (clamped to 0 .. 1).
void HSLToRGB(double hue, double saturation, double lightness, TRGB& pixel);

}  // namespace imaging
