#include "imaging/base/number_helpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace imaging {

namespace {
constexpr long double kInt32Max = 2147483647.0L;

// base^n for n >= 0 by square-and-multiply.
long double PowerOfMagnitude(long double base, uint64_t n) {
  long double result = 1;
  while (n) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return result;
}

long double PowerByLog(long double base, long double exponent) {
  return std::exp2(exponent * std::log2(base));
}
}  // namespace

void SwapInt(int32_t& a, int32_t& b) {
  int32_t t = a;
  a = b;
  b = t;
}

void OrderRectCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  if (x1 > x2) SwapInt(x1, x2);
  if (y1 > y2) SwapInt(y1, y2);
}

namespace {

int32_t SaturateWhole(double whole) {
  if (std::isnan(whole)) return 0;
  if (whole >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (whole <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(whole);
}

}  // namespace

int32_t TruncToInt32(double x) { return SaturateWhole(std::trunc(x)); }

int32_t RoundToInt32(double x) { return SaturateWhole(std::nearbyint(x)); }

namespace {

constexpr double kCoordinateLimit = 1073741824.0;  // 2^30

int32_t HoldCoordinate(double whole) {
  if (std::isnan(whole)) return 0;
  return static_cast<int32_t>(std::clamp(whole, -kCoordinateLimit, kCoordinateLimit));
}

}  // namespace

int32_t TruncCoordinate(double x) { return HoldCoordinate(std::trunc(x)); }

int32_t RoundCoordinate(double x) { return HoldCoordinate(std::nearbyint(x)); }

int32_t CeilToInt(double x) {
  if (std::isnan(x)) return 0;
  double t = std::trunc(x);
  if (x - t > 0) t += 1;
  if (t >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (t <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

long double IntPowerFloat(long double base, int32_t exponent) {
  if (exponent == 0) return 1;
  uint64_t magnitude = exponent < 0 ? -static_cast<int64_t>(exponent) : exponent;
  long double result = PowerOfMagnitude(base, magnitude);
  return exponent < 0 ? 1 / result : result;
}

long double PowerFloat(long double base, long double exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (exponent == std::trunc(exponent) && std::fabs(exponent) <= kInt32Max)
    return IntPowerFloat(base, static_cast<int32_t>(exponent));
  return PowerByLog(base, exponent);
}

long double FastPower(long double base, long double exponent) {
  if (std::fabs(exponent) < kInt32Max) {
    if (exponent == std::trunc(exponent)) {
      int64_t n = static_cast<int64_t>(std::nearbyint(exponent));
      if (base == 0) return n == 0 ? 1 : 0;
      switch (n) {
        case 0: return 1;
        case 1: return base;
        case 2: return base * base;
        case -1: return 1 / base;
        case -2: return 1 / (base * base);
        default:
          if (n > 2) return PowerOfMagnitude(base, static_cast<uint64_t>(n));
          return 1 / PowerOfMagnitude(base, static_cast<uint64_t>(-n));
      }
    }
    return PowerByLog(base, exponent);
  }
  if (base == 0) return 0;
  return PowerByLog(base, exponent);
}

void FloatToRational(int32_t& numerator, int32_t& denominator, long double value, long double tolerance) {
  if (std::isnan(value)) {
    numerator = 0;
    denominator = 1;
    return;
  }
  int32_t sign = value < 0 ? -1 : 1;
  long double v = std::fabs(value);
  // Values beyond the 32-bit range cannot be written as a fraction of int32; they saturate.
  if (v > kInt32Max) {
    numerator = sign * 2147483647;
    denominator = 1;
    return;
  }
  if (v == std::trunc(v)) {
    numerator = sign * static_cast<int32_t>(v);
    denominator = 1;
    return;
  }
  if (v < 1e-19L) {
    numerator = sign;
    denominator = 999999999;
    return;
  }
  // Continued fractions, stopping before the denominator or numerator leaves the int32 range
  // (which also bounds the loop when the tolerance is 0).
  long double z = v;
  long double previous = 0;
  long double d = 1;
  long double n = std::trunc(v + 0.5L);
  do {
    long double fraction = z - std::trunc(z);
    if (fraction == 0) break;
    z = 1 / fraction;
    long double nextD = std::trunc(z) * d + previous;
    long double nextN = std::trunc(nextD * v + 0.5L);
    if (nextD > kInt32Max || nextN > kInt32Max) break;
    previous = d;
    d = nextD;
    n = nextN;
  } while (!(std::fabs(v - n / d) < tolerance) && z != std::trunc(z));
  numerator = sign * static_cast<int32_t>(n);
  denominator = static_cast<int32_t>(d);
}

int64_t ColorCountFromBitDepth(int32_t bitsPerSample, int32_t samplesPerPixel) {
  if (samplesPerPixel <= 0) return 1;
  uint32_t bits = static_cast<uint32_t>(bitsPerSample) % 32;
  uint64_t count = 1;
  for (int32_t i = 0; i < samplesPerPixel; ++i) {
    if (bits > 0 && count > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) >> bits))
      return std::numeric_limits<int64_t>::max();
    count <<= bits;
  }
  return static_cast<int64_t>(count);
}

int64_t AddSaturated(int64_t base, int64_t offset) {
  int64_t sum;
  if (__builtin_add_overflow(base, offset, &sum))
    return offset > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
  return sum;
}

}  // namespace imaging
