#include "imaging/model/routines/soft_shadow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/convolution3x3.h"
#include "imaging/model/routines/filter_presets.h"
#include "imaging/model/routines/gaussian_blur.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

struct TRect32 {
  int32_t x1, y1, x2, y2;
};

// The rectangle grown by `by` on every side and clipped to the bitmap; empty when x2 < x1.
TRect32 GrownAndClipped(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int64_t by) {
  OrderRectCorners(x1, y1, x2, y2);
  auto clip = [](int64_t v, int32_t size) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, size - 1)); };
  return {clip(x1 - by, bitmap->Width()), clip(y1 - by, bitmap->Height()), clip(x2 + by, bitmap->Width()),
          clip(y2 + by, bitmap->Height())};
}

// The shadow alpha q over the pixel P, with o the alpha before the blur (per pixel, in the
// rectangle): opaque pixels keep their colour and alpha, transparent ones under the shadow take
// the shadow colour and q / divisor, partly transparent ones mix the shadow behind them.
void Combine(TIEBitmap* bitmap, TIEBitmap* before, TIEBitmap* shadow, const TRect32& area, double divisor,
             bool divideOneBit, TRGB shadowColor) {
  const TIEPixelFormat format = bitmap->PixelFormat();
  if (format != ie24RGB && format != ie1g) return;
  if (area.x2 < area.x1 || area.y2 < area.y1) return;
  const uint8_t colour[3] = {shadowColor.b, shadowColor.g, shadowColor.r};
  for (int32_t y = area.y1; y <= area.y2; ++y) {
    const uint8_t* o = static_cast<const uint8_t*>(before->LockScanline(y));
    uint8_t* q = static_cast<uint8_t*>(shadow->LockScanline(y));
    uint8_t* pixels = static_cast<uint8_t*>(bitmap->LockScanline(y));
    for (int32_t x = area.x1; x <= area.x2; ++x) {
      if (o[x] != 0 || o[x] == q[x]) {
        if (format == ie1g || o[x] == 255 || o[x] == 0) {
          q[x] = o[x];
          continue;
        }
        // 0 < o < 255 on a 24-bit image.
        const double c = o[x] / 255.0, v = q[x] / 255.0;
        uint8_t* p = pixels + 3 * x;
        for (int32_t k = 0; k < 3; ++k) {
          const double tinted = std::trunc(colour[k] * v + p[k] * (1 - v));
          p[k] = static_cast<uint8_t>(std::trunc(p[k] * c + tinted * (1 - c)));
        }
        q[x] = static_cast<uint8_t>(std::trunc((c + v * (1 - c)) * 255));
      } else {
        // A transparent pixel under the shadow.
        if (format == ie24RGB)
          std::copy_n(colour, 3, pixels + 3 * x);
        else
          pixels[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
        if (divisor != 1 && (format == ie24RGB || divideOneBit))
          q[x] = static_cast<uint8_t>(std::trunc(q[x] / divisor));
      }
    }
    bitmap->UnlockScanline(y);
    shadow->UnlockScanline(y);
    before->UnlockScanline(y);
  }
}

double IntensityDivisor(int32_t intensity) { return 3 - 2 * ClampInt(intensity, 0, 100) / 100.0; }

}  // namespace

int32_t SoftShadowMargin(int32_t offsetX, int32_t offsetY, double radius) {
  const double margin = 2.0 * std::max(std::abs(int64_t(offsetX)), std::abs(int64_t(offsetY))) + std::trunc(radius * 5);
  if (!(margin < std::numeric_limits<int32_t>::max())) throw vcl::EInvalidArgument("The shadow is too large");
  return std::max(static_cast<int32_t>(margin), 1);
}

void ApplySoftShadow(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, int32_t intensity,
                     bool enlarge, TRGB shadowColor, const TIEProgressEvent& onProgress, vcl::TObject* sender) {
  if (!bitmap) throw vcl::EInvalidArgument("The shadow needs a bitmap");
  if (bitmap->IsEmpty()) return;
  bitmap->GetAlphaChannel()->SetFull(false);
  if (enlarge) {
    const int64_t margin = SoftShadowMargin(offsetX, offsetY, radius);
    const int64_t width = bitmap->Width() + margin, height = bitmap->Height() + margin;
    if (width > std::numeric_limits<int32_t>::max() || height > std::numeric_limits<int32_t>::max())
      throw vcl::EInvalidArgument("The shadow is too large");
    bitmap->Resize(static_cast<int32_t>(width), static_cast<int32_t>(height), 0, 0, 1, 1);
  }
  TIEBitmap* shadow = bitmap->GetAlphaChannel();
  TIEBitmap before;
  before.Assign(shadow);
  GaussianBlurBitmap(shadow, sender, onProgress, radius);
  const int32_t w = shadow->Width(), h = shadow->Height();
  if (offsetX != 0 || offsetY != 0) shadow->MoveRect(0, 0, w - 1, h - 1, offsetX, offsetY, 0, true);
  Combine(bitmap, &before, shadow, {0, 0, w - 1, h - 1}, IntensityDivisor(intensity), true, shadowColor);
}

int32_t ApplySoftShadowRect(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, int32_t intensity,
                            TRGB shadowColor, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!bitmap) throw vcl::EInvalidArgument("The shadow needs a bitmap");
  const bool boxBlur = radius == 0;
  const int32_t margin = SoftShadowMargin(offsetX, offsetY, boxBlur ? 2 : radius);
  if (bitmap->IsEmpty()) return margin;
  const TRect32 blur = GrownAndClipped(bitmap, x1, y1, x2, y2, margin / 2);
  TIEBitmap* shadow = bitmap->GetAlphaChannel();
  shadow->SetFull(false);
  TIEBitmap before;
  before.Assign(shadow);
  if (boxBlur)
    Convolve3x3Gray8Rect(shadow, BlurFilterPreset(), blur.x1, blur.y1, blur.x2 + 1, blur.y2 + 1);
  else
    GaussianBlurGray8Rect(shadow, blur.x1, blur.y1, blur.x2, blur.y2, radius);
  if (offsetX != 0 || offsetY != 0)
    shadow->MoveRect(blur.x1, blur.y1, blur.x2, blur.y2, blur.x1 + offsetX, blur.y1 + offsetY, 0, true);
  Combine(bitmap, &before, shadow, GrownAndClipped(bitmap, x1, y1, x2, y2, margin), IntensityDivisor(intensity), false,
          shadowColor);
  return margin;
}

}  // namespace imaging
