#include "bitmap/engine/colour32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "bitmap/engine/hsl_math.h"
#include "bitmap/engine/lanes.h"
#include "vcl/runtime/win.h"

namespace bitmap {

TColor32 ColorToColor32(int32_t color) {
  uint32_t rgb = uint32_t(color);
  if (color < 0) rgb = GetSysColor(int(rgb & 0xFF));
  const uint32_t r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

void Color32ToHsl(TColor32 c, float& h, float& s, float& l) {
  using L = lanes::ScalarLanes;
  lanes::HslMath<L>::FromRgb(L::Channel(c, 16), L::Channel(c, 8), L::Channel(c, 0), h, s, l);
}

TColor32 HslToColor32(float h, float s, float l) {
  using L = lanes::ScalarLanes;
  int32_t r, g, b;
  lanes::HslMath<L>::ToRgb(h, s, l, r, g, b);
  return L::Pack(r, g, b, 0xFF000000u);
}

namespace {
// A float side as an int32; values beyond the range saturate (and NaN gives 0) instead of
// being undefined.
int32_t SideToInt(double v) {
  if (!(v == v)) return 0;
  if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return int32_t(v);
}
}  // namespace

void MakeRectFromFloat(TRect& dst, const TFloatRect& fr, uint8_t kind) {
  switch (kind) {
    case rrClosest:
      dst = {SideToInt(std::nearbyint(fr.Left)), SideToInt(std::nearbyint(fr.Top)),
             SideToInt(std::nearbyint(fr.Right)), SideToInt(std::nearbyint(fr.Bottom))};
      break;
    case rrOutside:
      dst = {SideToInt(std::floor(fr.Left)), SideToInt(std::floor(fr.Top)),
             SideToInt(std::ceil(fr.Right)), SideToInt(std::ceil(fr.Bottom))};
      break;
    case rrInside:
      dst = {SideToInt(std::ceil(fr.Left)), SideToInt(std::ceil(fr.Top)),
             SideToInt(std::floor(fr.Right)), SideToInt(std::floor(fr.Bottom))};
      if (dst.Left > dst.Right) dst.Right = dst.Left;
      if (dst.Top > dst.Bottom) dst.Bottom = dst.Top;
      break;
    default:
      break;
  }
}

bool IntersectRects(TRect& dst, const TRect& r1, const TRect& r2) {
  const TRect r{std::max(r1.Left, r2.Left), std::max(r1.Top, r2.Top),
                std::min(r1.Right, r2.Right), std::min(r1.Bottom, r2.Bottom)};
  if (r.Right >= r.Left && r.Bottom >= r.Top) {
    dst = r;
    return true;
  }
  dst = TRect{};
  return false;
}

void FillRun(TColor32* dst, int32_t count, TColor32 value) {
  if (count > 0) std::fill_n(dst, count, value);
}

void MoveRun(const TColor32* src, TColor32* dst, int32_t count) {
  // A move rather than a forward copy: overlapping runs come out right in both directions.
  if (count > 0 && src != dst) std::memmove(dst, src, size_t(count) * sizeof(TColor32));
}

}  // namespace bitmap
