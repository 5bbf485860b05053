#include "imaging/model/routines/gaussian_blur.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// One line of `channels`-byte pixels, padded with R copies of each end pixel, convolved.
void ConvolveLine(const uint8_t* line, uint8_t* out, int32_t n, int32_t channels, const TGaussianKernel& kernel) {
  if (n <= 0) return;
  const int32_t r = kernel.radius;
  std::vector<uint8_t> padded(size_t(n + 2 * r) * channels);
  for (int32_t i = -r; i < n + r; ++i) {
    const int32_t from = std::clamp(i, 0, n - 1);
    for (int32_t c = 0; c < channels; ++c) padded[size_t(i + r) * channels + c] = line[size_t(from) * channels + c];
  }
  const int32_t* weights = kernel.weights + kGaussianMaxRadius - r;  // weights[0] is w(-R)
  const int32_t taps = 2 * r + 1;
  for (int32_t i = 0; i < n; ++i) {
    const uint8_t* window = padded.data() + size_t(i) * channels;  // v(i - R)
    for (int32_t c = 0; c < channels; ++c) {
      int32_t sum = 32768;
      for (int32_t k = 0; k < taps; ++k) sum += weights[k] * window[k * channels + c];
      out[size_t(i) * channels + c] = ClampByte(sum >> 16);
    }
  }
}

bool UsableRadius(double radius) { return radius > 0; }  // false for NaN too

}  // namespace

TGaussianKernel BuildGaussianKernel(double sigma) {
  TGaussianKernel kernel;
  double sum = 0;
  for (int32_t k = -kGaussianMaxRadius; k <= kGaussianMaxRadius; ++k) {
    const double ratio = k / sigma;
    kernel.values[k + kGaussianMaxRadius] = std::exp(-ratio * ratio / 2);
    sum += kernel.values[k + kGaussianMaxRadius];
  }
  for (int32_t i = 0; i < 2 * kGaussianMaxRadius + 1; ++i)
    kernel.weights[i] = static_cast<int32_t>(std::nearbyint(kernel.values[i] * 65536 / sum));
  kernel.radius = kGaussianMaxRadius;
  while (kernel.radius > 1 && kernel.Weight(kernel.radius) == 0 && kernel.Weight(-kernel.radius) == 0) --kernel.radius;
  return kernel;
}

void ConvolveRow8(const uint8_t* line, uint8_t* out, int32_t n, const TGaussianKernel& kernel) {
  ConvolveLine(line, out, n, 1, kernel);
}

void ConvolveRow24(const uint8_t* line, uint8_t* out, int32_t n, const TGaussianKernel& kernel) {
  ConvolveLine(line, out, n, 3, kernel);
}

void GaussianBlurBitmap(TIEBitmap* bitmap, vcl::TObject* sender, const TIEProgressEvent& onProgress, double radius) {
  if (!bitmap) throw vcl::EInvalidArgument("The blur needs a bitmap");
  const TIEPixelFormat format = bitmap->PixelFormat();
  if (!UsableRadius(radius) || (format != ie8g && format != ie24RGB) || bitmap->IsEmpty()) return;
  const TGaussianKernel kernel = BuildGaussianKernel(radius);
  const int32_t channels = format == ie8g ? 1 : 3;
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const double factor = 100.0 / (h + w);
  std::vector<uint8_t> line(size_t(std::max(w, h)) * channels), out(line.size());

  const TLockedRows rows(bitmap);
  for (int32_t y = 0; y < h; ++y) {
    std::copy_n(rows[y], size_t(w) * channels, line.data());
    ConvolveLine(line.data(), rows[y], w, channels, kernel);
    if (onProgress) onProgress(sender, static_cast<int32_t>(y * factor));
  }
  for (int32_t x = 0; x < w; ++x) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t c = 0; c < channels; ++c) line[size_t(y) * channels + c] = rows[y][size_t(x) * channels + c];
    ConvolveLine(line.data(), out.data(), h, channels, kernel);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t c = 0; c < channels; ++c) rows[y][size_t(x) * channels + c] = out[size_t(y) * channels + c];
    if (onProgress) onProgress(sender, static_cast<int32_t>((h + x) * factor));
  }
}

void GaussianBlurGray8Rect(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double radius) {
  if (!bitmap) throw vcl::EInvalidArgument("The blur needs a bitmap");
  if (!UsableRadius(radius) || bitmap->PixelFormat() != ie8g || bitmap->IsEmpty()) return;
  OrderRectCorners(x1, y1, x2, y2);
  x1 = ClampInt(x1, 0, bitmap->Width() - 1);
  x2 = ClampInt(x2, 0, bitmap->Width() - 1);
  y1 = ClampInt(y1, 0, bitmap->Height() - 1);
  y2 = ClampInt(y2, 0, bitmap->Height() - 1);
  const TGaussianKernel kernel = BuildGaussianKernel(radius);
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  std::vector<uint8_t> line(std::max(w, h)), out(line.size());
  const TLockedRows rows(bitmap);
  for (int32_t y = y1; y <= y2; ++y) {
    std::copy_n(rows[y] + x1, w, line.data());
    ConvolveLine(line.data(), rows[y] + x1, w, 1, kernel);
  }
  for (int32_t x = x1; x <= x2; ++x) {
    for (int32_t y = y1; y <= y2; ++y) line[y - y1] = rows[y][x];
    ConvolveLine(line.data(), out.data(), h, 1, kernel);
    for (int32_t y = y1; y <= y2; ++y) rows[y][x] = out[y - y1];
  }
}

}  // namespace imaging
