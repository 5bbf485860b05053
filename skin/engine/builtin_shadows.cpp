#include "skin/engine/builtin_shadows.h"

#include <algorithm>
#include <cmath>

#include "skin/engine/bitmap_ops.h"

namespace skin {

namespace {

// How far the shadow reaches beyond the window and how far it drops below it.
constexpr double kShadowReach = 10.0;
constexpr int32_t kShadowDrop = 2;

}  // namespace

std::unique_ptr<vcl::TBitmap> MakeBuiltInShadow(bool active, int32_t formOffset) {
  const auto& m = kBuiltInShadowMargins;
  const int32_t offset = std::max(formOffset, 0);
  const int32_t width = m[0] + m[2] + 2 * offset + 8;
  const int32_t height = m[1] + m[3] + 2 * offset + 8;
  auto image = CreateBmp32(width, height);
  const double strength = active ? 110.0 : 60.0;
  // The window's rectangle, dropped a little, casts the shadow.
  const int32_t left = m[0], top = m[1] + kShadowDrop, right = width - m[2], bottom = height - m[3] + kShadowDrop;
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint32_t*>(image->ScanLine(y));
    for (int32_t x = 0; x < width; ++x) {
      const double dx = x < left ? left - x : x >= right ? x - right + 1 : 0;
      const double dy = y < top ? top - y : y >= bottom ? y - bottom + 1 : 0;
      const double d = std::sqrt(dx * dx + dy * dy);
      const double fall = d >= kShadowReach ? 0.0 : 1.0 - d / kShadowReach;
      const auto alpha = uint32_t(std::lround(strength * fall * fall));
      row[x] = alpha << 24;  // black, premultiplied
    }
  }
  return image;
}

}  // namespace skin
