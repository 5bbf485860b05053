// Area-interpolated resampling for 8-bit and 16-bit channels: each destination pixel is the
// area-weighted sum of the pieces of source pixels it covers, and on an enlarged axis each
// piece is sampled at its far edge by bilinear or bicubic interpolation.
#pragma once

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Sum of p(k) * W(t - k) for k = -1 .. 2 with the cubic convolution kernel of a = -1
// (W(x) = |x|^3 - 2|x|^2 + 1 below 1, -|x|^3 + 5|x|^2 - 8|x| + 4 below 2), clamped to
// minimum .. maximum.
double CubicConvolution(double pMinus1, double p0, double p1, double p2, double t, double minimum, double maximum);

// ie8g and ie24RGB (ResampleInterpolated), ie16g and ieRGB48 (ResampleInterpolated16); any
// other source format does nothing. Dest keeps its size and is given the source's format.
void ResampleInterpolated(TIEBitmap* source, TIEBitmap* dest, bool bicubic, vcl::TObject* sender,
                          const TIEProgressEvent& onProgress);
void ResampleInterpolated16(TIEBitmap* source, TIEBitmap* dest, bool bicubic, vcl::TObject* sender,
                            const TIEProgressEvent& onProgress);

}  // namespace imaging
