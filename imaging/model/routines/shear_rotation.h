// Rotation by three shears: exact quarter turns bring the angle into -45 .. 45 degrees, then a
// horizontal, a vertical and a second horizontal shear turn the rest, each placing whole rows
// or columns at a fixed-point sub-pixel offset (fractions of 4096). Angles are degrees,
// positive counter-clockwise as the image is seen; steps are 0.001 degree.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// The sizes of the three passes for a W x H image turned by the residual angle (-45 .. 45):
// W1 after the first shear, the vertical trims D and E, H0 before the trim, and the result
// W3 x H2.
struct TShearGeometry {
  int32_t w1, d, h0, h2, e, w3;
};
TShearGeometry ShearGeometry(int32_t width, int32_t height, double residualAngle);

// The angle as the shears take it: Trunc(angle * 1000) mod 360000, over 1000, with the sign
// of the angle.
double ReduceShearAngle(double angle);

// Turns an ie24RGB bitmap in place; new area takes the background. Antialiased, each placed
// pixel blends with its neighbour along the line by the sub-pixel offset. A 1-bit bitmap goes
// to RotateBitmap1Bit (background bit 1 when the background's three channels are all
// non-zero) and any other format to RotateBitmapInPlace (nearest pixel, the background as a
// colour), so that quarter turns are exact for every format. The bitmap's alpha channel turns
// with the pixels, transparent (0) in the new area.
void ShearRotateBitmap(TIEBitmap* bitmap, bool antialias, vcl::TObject* sender, const TIEProgressEvent& onProgress,
                       TRGB background, double angle);
// The same on one byte per pixel, for ie8g and ie8p bitmaps (palette kept, alpha channel
// turned along); others are left alone.
void ShearRotateGray8(TIEBitmap* bitmap, bool antialias, uint8_t background, vcl::TObject* sender,
                      const TIEProgressEvent& onProgress, double angle);

}  // namespace imaging
