// The arithmetic the per-pixel formulas are written in. The blend-mode and colour-space
// formulas are templates over a "lanes" type, so the same source serves one pixel at a time
// (ScalarLanes, here) and many pixels per instruction (the vector lanes of the row kernels):
// the row kernels cannot drift from the per-pixel combiners.
#pragma once

#include <cmath>
#include <cstdint>

namespace bitmap::lanes {

struct ScalarLanes {
  using Int = int32_t;  // one channel value
  using Float = float;
  using Pixel = uint32_t;

  // The 8-bit channel of a pixel that starts at bit `shift`.
  static Int Channel(Pixel p, int shift) { return Int((p >> shift) & 0xFF); }
  static Int AlphaOf(Pixel p) { return Int(p >> 24); }
  // Red, green and blue (each 0..255) with the alpha byte of `alphaFrom`.
  static Pixel Pack(Int r, Int g, Int b, Pixel alphaFrom) {
    return (alphaFrom & 0xFF000000u) | Pixel(r) << 16 | Pixel(g) << 8 | Pixel(b);
  }

  static Int Splat(int32_t a) { return a; }
  static Float FSplat(float a) { return a; }
  static Int Mul(Int a, Int b) { return a * b; }
  static Int Min(Int a, Int b) { return a < b ? a : b; }
  static Int Max(Int a, Int b) { return a > b ? a : b; }
  static Int Abs(Int a) { return a < 0 ? -a : a; }
  static Int Select(bool cond, Int a, Int b) { return cond ? a : b; }
  static Float SelectF(bool cond, Float a, Float b) { return cond ? a : b; }
  // Quotient of non-negative values; the divisor is never 0.
  static Int Div(Int a, Int b) { return a / b; }
  // Round(sqrt(a)) for 0 <= a <= 65535, read from the blend modes' square-root table.
  static Int SqrtRound(Int a);
  // a / b correctly rounded; b is never 0.
  static Float Quotient(Float a, Float b) { return a / b; }
  static Float QuotientBy(Float a, float b) { return a / b; }
  static Float ToFloat(Int a) { return Float(a); }
  // A channel 0..255 as a fraction of 255.
  static Float UnitOfByte(Int a) { return Float(a) / 255.0f; }
  static Float FMin(Float a, Float b) { return a < b ? a : b; }
  static Float FMax(Float a, Float b) { return a > b ? a : b; }
  static Float Floor(Float a) { return std::floor(a); }
  // Nearest integer, halves to even (the default rounding mode).
  static Int Round(Float a) { return Int(std::nearbyint(a)); }
  // Round(a) clamped to 0..255.
  static Int RoundToByte(Float a) { return Max(Min(Round(a), 255), 0); }
};

}  // namespace bitmap::lanes
