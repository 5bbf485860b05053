// Number helpers shared by the whole image library: min/max and clamping, integer and float
// powers, fractions for the rational fields of image files, and colour counts.
#pragma once

#include <cstdint>

namespace imaging {

// Radians in one degree.
inline constexpr double kDegree = 3.14159265358979323846 / 180;

inline int32_t IntMax(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t IntMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline double MinDouble(double a, double b) { return a < b ? a : b; }
inline int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}
inline uint8_t ClampByte(int32_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}
inline int32_t SelectInt(bool condition, int32_t a, int32_t b) { return condition ? a : b; }
inline double SelectFloat(bool condition, double a, double b) { return condition ? a : b; }
void SwapInt(int32_t& a, int32_t& b);
// Exchanges coordinates so that x1 <= x2 and y1 <= y2.
void OrderRectCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);
// The smallest integer not below x, limited to the int32 range.
int32_t CeilToInt(double x);
// x toward zero, and x rounded half to even, limited to the int32 range; a value that is not a
// number gives 0. For values taken from files, where a plain conversion would be undefined.
int32_t TruncToInt32(double x);
int32_t RoundToInt32(double x);
// x toward zero, and x rounded half to even, for positions and sizes computed in floating point
// (zoom, scrolling, drawing): held within +-2^30, so that the sum or difference of two results
// stays in the int32 range; a value that is not a number gives 0.
int32_t TruncCoordinate(double x);
int32_t RoundCoordinate(double x);

// base^exponent by repeated squaring; a negative exponent gives the reciprocal.
long double IntPowerFloat(long double base, int32_t exponent);
// 1 for exponent 0, 0 for base 0 and a positive exponent, IntPowerFloat for whole exponents,
// else 2^(exponent * log2 base).
long double PowerFloat(long double base, long double exponent);
// Like PowerFloat, with the small whole exponents (cubes, squares, reciprocals) computed
// without logarithms.
long double FastPower(long double base, long double exponent);

// A fraction n / d close to value (within tolerance when the 32-bit range allows it), by
// continued fractions. Numerator and denominator stay within +-2147483647; a value that is not
// a number gives 0 / 1.
void FloatToRational(int32_t& numerator, int32_t& denominator, long double value, long double tolerance);

// (2^(bits mod 32))^samples, 1 for samples <= 0; saturates at the int64 maximum rather than
// wrapping, so that 32-bit images report their 2^32 colours.
// base + offset held within the 64-bit range: an offset taken from a file may be anything.
int64_t AddSaturated(int64_t base, int64_t offset);

int64_t ColorCountFromBitDepth(int32_t bitsPerSample, int32_t samplesPerPixel);

}  // namespace imaging
