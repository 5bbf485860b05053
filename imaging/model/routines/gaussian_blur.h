// Gaussian blur of 8-bit grey and 24-bit images: a separable kernel of integer weights
// (summing to about 65536) run along the rows, then along the columns, with fixed-point sums
// and one shift; the ends of each line are repeated beyond it.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Taps further out than 100 pixels never exist.
constexpr int32_t kGaussianMaxRadius = 100;

struct TGaussianKernel {
  int32_t radius;                               // 1 .. 100
  double values[2 * kGaussianMaxRadius + 1];    // exp(-(k / sigma)^2 / 2), offset k at k + 100
  int32_t weights[2 * kGaussianMaxRadius + 1];  // Round(value * 65536 / sum of the values)
  int32_t Weight(int32_t offset) const { return weights[offset + kGaussianMaxRadius]; }
};

// The radius starts at 100 and goes down while it is above 1 and both outermost weights are 0.
TGaussianKernel BuildGaussianKernel(double sigma);

// out(i) = (sum over k = -R .. R of w(k) * v(clamp(i + k, 0, n - 1)) + 32768) >> 16, for a line
// of n values (ConvolveRow24: n pixels of three bytes, per channel). `out` must not be `line`.
void ConvolveRow8(const uint8_t* line, uint8_t* out, int32_t n, const TGaussianKernel& kernel);
void ConvolveRow24(const uint8_t* line, uint8_t* out, int32_t n, const TGaussianKernel& kernel);

// Blurs a whole ie8g or ie24RGB bitmap in place with standard deviation `radius`; other
// formats, or a radius that is not above 0, leave it unchanged. Progress after every row and
// every column.
void GaussianBlurBitmap(TIEBitmap* bitmap, vcl::TObject* sender, const TIEProgressEvent& onProgress, double radius);
// Blurs the rectangle (corners inclusive, clamped into the bitmap) of an ie8g bitmap in place;
// pixels outside it are neither read nor written, its edge values are repeated. No progress.
void GaussianBlurGray8Rect(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double radius);

}  // namespace imaging
