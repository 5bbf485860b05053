#include "imaging/model/routines/interpolated_rotation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr int32_t kFrame = 3;  // background pixels around the image while it is sampled


// The framed image, read pixel by pixel: the bitmap's pixels at (x - 3, y - 3), the
// background everywhere else.
class TFramedSource {
 public:
  TFramedSource(TIEBitmap* bitmap, int32_t channels, const uint8_t* background)
      : rows_(bitmap), width_(bitmap->Width()), height_(bitmap->Height()), channels_(channels),
        background_(background) {}
  const uint8_t* Pixel(int32_t x, int32_t y) const {
    x -= kFrame;
    y -= kFrame;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return background_;
    return rows_[y] + size_t(x) * channels_;
  }

 private:
  TLockedRows rows_;
  int32_t width_, height_, channels_;
  const uint8_t* background_;
};

void RotateInterpolated(TIEBitmap* bitmap, int32_t channels, const uint8_t* background, TRotateQuality quality,
                        vcl::TObject* sender, const TIEProgressEvent& onProgress, double angle) {
  if (!std::isfinite(angle) || bitmap->IsEmpty()) return;
  // The alpha channel is turned by the same mapping, transparent where the background shows.
  constexpr uint8_t kTransparent = 0;
  std::unique_ptr<TIEBitmap> alpha = TurnedAlphaChannel(bitmap, [&](TIEBitmap* channel) {
    RotateInterpolated(channel, 1, &kTransparent, quality, nullptr, TIEProgressEvent(), angle);
  });
  const int32_t framedW = bitmap->Width() + 2 * kFrame, framedH = bitmap->Height() + 2 * kFrame;
  const double theta = angle * kDegree, cosA = std::cos(theta), sinA = std::sin(theta);
  const int32_t turnedW = RoundToInt32(std::fabs(sinA * (framedH - 1)) + std::fabs(cosA * (framedW - 1)));
  const int32_t turnedH = RoundToInt32(std::fabs(cosA * (framedH - 1)) + std::fabs(sinA * (framedW - 1)));
  const double csx = (framedW - 1) / 2.0, csy = (framedH - 1) / 2.0;
  const double cdx = (turnedW - 1) / 2.0, cdy = (turnedH - 1) / 2.0;

  TIEBitmap result;
  AllocateOrRaise(&result, std::max(turnedW - 2 * kFrame, 1), std::max(turnedH - 2 * kFrame, 1),
                  bitmap->PixelFormat());
  if (bitmap->PixelFormat() == ie8p) bitmap->CopyPaletteTo(&result);
  const int32_t resultW = result.Width(), resultH = result.Height();
  {
    const TFramedSource source(bitmap, channels, background);
    for (int32_t y = 0; y < turnedH; ++y) {
      const int32_t row = y - kFrame;
      if (row >= 0 && row < resultH) {
        uint8_t* out = static_cast<uint8_t*>(result.GetScanline(row));
        for (int32_t column = 0; column < resultW; ++column) {
          const int32_t x = column + kFrame;
          const double sx = (x - cdx) * cosA - (y - cdy) * sinA + csx;
          const double sy = (x - cdx) * sinA + (y - cdy) * cosA + csy;
          uint8_t* pixel = out + size_t(column) * channels;
          if (quality == rqBicubic) {
            const int32_t x0 = static_cast<int32_t>(sx) - 1, y0 = static_cast<int32_t>(sy) - 1;
            const double fx = sx - std::trunc(sx), fy = sy - std::trunc(sy);
            auto weights = [](double f, double w[4]) {
              w[0] = -f * (1 - f) * (1 - f);
              w[1] = 1 - 2 * f * f + f * f * f;
              w[2] = f * (1 + f - f * f);
              w[3] = f * f * (f - 1);
            };
            double wx[4], wy[4];
            weights(fx, wx);
            weights(fy, wy);
            for (int32_t c = 0; c < channels; ++c) {
              double sum = 0;
              for (int32_t j = 0; j < 4; ++j) {
                double across = 0;
                for (int32_t i = 0; i < 4; ++i) across += wx[i] * source.Pixel(x0 + i, y0 + j)[c];
                sum += wy[j] * across;
              }
              // An undershoot at a sharp edge is dark, not light: it clamps to 0.
              const double value = std::trunc(sum);
              pixel[c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
            }
          } else {
            const double floorX = std::floor(sx), floorY = std::floor(sy);
            const double fx = sx - floorX, fy = sy - floorY;
            const int32_t x0 = static_cast<int32_t>(floorX), y0 = static_cast<int32_t>(floorY);
            const uint8_t *p00 = source.Pixel(x0, y0), *p10 = source.Pixel(x0 + 1, y0);
            const uint8_t *p01 = source.Pixel(x0, y0 + 1), *p11 = source.Pixel(x0 + 1, y0 + 1);
            for (int32_t c = 0; c < channels; ++c) {
              const double top = p00[c] + (p10[c] - p00[c]) * fx;
              const double bottom = p01[c] + (p11[c] - p01[c]) * fx;
              pixel[c] = static_cast<uint8_t>(std::clamp(std::trunc(top + (bottom - top) * fy), 0.0, 255.0));
            }
          }
        }
      }
      if (onProgress) onProgress(sender, static_cast<int32_t>(y * 100.0 / turnedH));
    }
  }
  if (alpha) result.AttachAlphaChannel(std::move(alpha));
  TakeOverPixels(bitmap, &result);
}

}  // namespace

void InterpolatedRotatedSize(int32_t width, int32_t height, double angle, int32_t& rotatedWidth,
                             int32_t& rotatedHeight) {
  const double theta = angle * kDegree;
  const int32_t framedW = width + 2 * kFrame, framedH = height + 2 * kFrame;
  rotatedWidth = std::max(
      RoundToInt32(std::fabs(std::sin(theta) * (framedH - 1)) + std::fabs(std::cos(theta) * (framedW - 1))) - 2 * kFrame, 1);
  rotatedHeight = std::max(
      RoundToInt32(std::fabs(std::cos(theta) * (framedH - 1)) + std::fabs(std::sin(theta) * (framedW - 1))) - 2 * kFrame, 1);
}

void RotateInterpolated24(TIEBitmap* bitmap, vcl::TColor background, TRotateQuality quality, vcl::TObject* sender,
                          const TIEProgressEvent& onProgress, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  if (bitmap->PixelFormat() != ie24RGB) return;
  TRGB colour;
  ColorToRGBTriple(background, colour);
  const uint8_t pixel[3] = {colour.b, colour.g, colour.r};
  RotateInterpolated(bitmap, 3, pixel, quality, sender, onProgress, angle);
}

void RotateInterpolated8(TIEBitmap* bitmap, uint8_t background, TRotateQuality quality, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  if (bitmap->PixelFormat() != ie8g && bitmap->PixelFormat() != ie8p) return;
  RotateInterpolated(bitmap, 1, &background, quality, nullptr, TIEProgressEvent(), angle);
}

}  // namespace imaging
