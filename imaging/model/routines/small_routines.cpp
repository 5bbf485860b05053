#include "imaging/model/routines/small_routines.h"

#include <cmath>
#include <limits>

namespace imaging {

int32_t FloorToInt(double x) {
  if (std::isnan(x)) return 0;
  double t = std::trunc(x);
  if (x - t < 0) t -= 1;
  if (t >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (t <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

void SwapByte(uint8_t& a, uint8_t& b) {
  uint8_t t = a;
  a = b;
  b = t;
}

int32_t PackFourBytes(int32_t a, int32_t b, int32_t c, int32_t d) {
  uint32_t packed = (uint32_t(a) & 0xFF) | ((uint32_t(b) & 0xFF) << 8) | ((uint32_t(c) & 0xFF) << 16) |
                    ((uint32_t(d) & 0xFF) << 24);
  return static_cast<int32_t>(packed);
}

bool IsMultipleOf90(double angle) {
  if (!std::isfinite(angle) || angle != std::trunc(angle)) return false;
  return std::fmod(angle, 90.0) == 0;
}

// Coordinates wrap around on overflow, as 32-bit integers do, instead of being undefined.
static LONG WrappingSum(LONG a, LONG b) { return static_cast<LONG>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
static LONG WrappingDifference(LONG a, LONG b) {
  return static_cast<LONG>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

void PointAdd(const POINT& a, const POINT& b, POINT& result) {
  result.x = WrappingSum(a.x, b.x);
  result.y = WrappingSum(a.y, b.y);
}

void PointSub(const POINT& a, const POINT& b, POINT& result) {
  result.x = WrappingDifference(a.x, b.x);
  result.y = WrappingDifference(a.y, b.y);
}

}  // namespace imaging
