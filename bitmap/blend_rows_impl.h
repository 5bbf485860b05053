// The body of the blend-mode row kernels, included once per instruction set by
// blend_rows_sse2.cpp and blend_rows_avx2.cpp. Everything here has internal linkage, so code
// built for the wider instruction set can never be picked for another unit by the linker.
//
// The pixels of a row are processed in vectors of 32-bit lanes, one pixel per lane, with the
// formulas of blend_mode_math.h; the tail of a row goes through the same vector code via a
// small buffer, and rows whose destination overlaps the source further on are done one pixel
// at a time, as the per-pixel combiner would see them.
#pragma once

#include <immintrin.h>

#include <array>
#include <cstring>
#include <utility>

#include "bitmap/blend_mode_math.h"
#include "bitmap/blend_rows.h"

namespace {

#if defined(__AVX2__)
constexpr int kLanes = 8;
#else
constexpr int kLanes = 4;
#endif

typedef int32_t VInt __attribute__((vector_size(kLanes * 4)));
typedef uint32_t VPix __attribute__((vector_size(kLanes * 4)));
typedef float VFloat __attribute__((vector_size(kLanes * 4)));

struct VectorLanes {
  using Int = VInt;
  using Float = VFloat;
  using Pixel = VPix;

  static Int Splat(int32_t a) { return Int{} + a; }
  static Float FSplat(float a) { return Float{} + a; }
  static Int Channel(Pixel p, int shift) { return (Int)((p >> shift) & 0xFFu); }
  static Int AlphaOf(Pixel p) { return (Int)(p >> 24); }
  static Pixel Pack(Int r, Int g, Int b, Pixel alphaFrom) {
    return (alphaFrom & 0xFF000000u) | (Pixel)r << 16 | (Pixel)g << 8 | (Pixel)b;
  }

  static Int Min(Int a, Int b) { return a < b ? a : b; }
  static Int Max(Int a, Int b) { return a > b ? a : b; }
  static Int Abs(Int a) { return a < 0 ? -a : a; }
  static Int Select(Int mask, Int a, Int b) { return mask ? a : b; }
  static Float SelectF(Int mask, Float a, Float b) { return mask ? a : b; }
  // Both operands are below 65536 and the divisor at most 255, so the single-precision
  // quotient is never close enough to the next integer to round onto it: truncating it gives
  // the exact integer quotient.
  static Int Div(Int a, Int b) {
    return __builtin_convertvector(
        __builtin_convertvector(a, Float) / __builtin_convertvector(b, Float), Int);
  }
  static Float ToFloat(Int a) { return __builtin_convertvector(a, Float); }
  static Float FMin(Float a, Float b) { return a < b ? a : b; }
  static Float FMax(Float a, Float b) { return a > b ? a : b; }
#if defined(__AVX2__)
  static Int Round(Float a) { return (Int)_mm256_cvtps_epi32((__m256)a); }
  static Float Floor(Float a) { return (Float)_mm256_floor_ps((__m256)a); }
  static Int SqrtRound(Int a) { return Round((Float)_mm256_sqrt_ps((__m256)ToFloat(a))); }
#else
  static Int Round(Float a) { return (Int)_mm_cvtps_epi32((__m128)a); }
  static Float Floor(Float a) {
    const Float t = __builtin_convertvector(__builtin_convertvector(a, Int), Float);
    return t > a ? t - 1.0f : t;
  }
  static Int SqrtRound(Int a) { return Round((Float)_mm_sqrt_ps((__m128)ToFloat(a))); }
#endif
  // Round(sqrt(a)) of an integer never lands on a half, so the correctly rounded float square
  // root rounds to the same integer as the square-root table.
};

using Math = bitmap::lanes::BlendModeMath<VectorLanes>;

inline VPix Load(const bitmap::TColor32* p) {
  VPix v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(bitmap::TColor32* p, VPix v) { std::memcpy(p, &v, sizeof v); }

template <int Mode>
inline VPix CombineVector(VPix f, VPix b, VInt master) {
  const VInt c = (VectorLanes::AlphaOf(f) * master) >> 8;
  return Math::Combine<Mode>(f, b, c);
}

// Up to kLanes pixels through a buffer.
template <int Mode>
inline void CombinePart(const bitmap::TColor32* src, bitmap::TColor32* dst, int32_t n,
                        VInt master) {
  bitmap::TColor32 f[kLanes] = {}, b[kLanes] = {};
  std::memcpy(f, src, size_t(n) * 4);
  std::memcpy(b, dst, size_t(n) * 4);
  Store(b, CombineVector<Mode>(Load(f), Load(b), master));
  std::memcpy(dst, b, size_t(n) * 4);
}

template <int Mode>
void RowKernel(const bitmap::TColor32* src, bitmap::TColor32* dst, int32_t count,
               bitmap::TColor32 masterAlpha) {
  const int32_t m = int32_t(masterAlpha & 0xFF);  // only the low byte counts
  if (count <= 0 || m == 0) return;
  const VInt master = VectorLanes::Splat(m);
  if (dst > src && dst < src + count) {
    // The destination overlaps source pixels still to be read: each must see the pixels
    // combined before it, as it would one at a time.
    for (int32_t i = 0; i < count; ++i) CombinePart<Mode>(src + i, dst + i, 1, master);
    return;
  }
  int32_t i = 0;
  for (; i + kLanes <= count; i += kLanes)
    Store(dst + i, CombineVector<Mode>(Load(src + i), Load(dst + i), master));
  if (i < count) CombinePart<Mode>(src + i, dst + i, count - i, master);
}

template <int... Modes>
constexpr std::array<bitmap::TBlendRowKernel, sizeof...(Modes)> MakeKernels(
    std::integer_sequence<int, Modes...>) {
  return {&RowKernel<Modes>...};
}

constexpr auto kKernels = MakeKernels(std::make_integer_sequence<int, bitmap::lanes::kBlendModeCount>());

}  // namespace
