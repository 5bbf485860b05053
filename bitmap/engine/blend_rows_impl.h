// The body of the blend-mode row kernels, included once per instruction set by
// blend_rows_sse2.cpp, blend_rows_avx2.cpp and blend_rows_avx512.cpp. Everything here has internal linkage, so code
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

#include "bitmap/engine/blend_mode_math.h"
#include "bitmap/engine/blend_rows.h"

namespace {

#if defined(__AVX512BW__)
constexpr int kLanes = 16;
#elif defined(__AVX2__)
constexpr int kLanes = 8;
#else
constexpr int kLanes = 4;
#endif

#if defined(__AVX512F__)
// The intrinsics are used in their zero-masked forms with every lane selected: the plain forms
// start from an undefined register, which this compiler warns about.
constexpr __mmask16 kAllLanes = 0xFFFF;
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

  // a * b for operands within -255..256, at least one non-negative: each 32-bit lane holds
  // a 16-bit signed value with a zero or sign-filled top half, so the multiply-add of the two
  // halves adds 0 for the top ones and gives the exact product.
#if defined(__AVX512BW__)
  static Int Mul(Int a, Int b) { return (Int)_mm512_madd_epi16((__m512i)a, (__m512i)b); }
#elif defined(__AVX2__)
  static Int Mul(Int a, Int b) { return (Int)_mm256_madd_epi16((__m256i)a, (__m256i)b); }
#else
  static Int Mul(Int a, Int b) { return (Int)_mm_madd_epi16((__m128i)a, (__m128i)b); }
#endif
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
  // a / b correctly rounded (b finite and not 0). With fused multiply-adds the division is a
  // refined reciprocal and one correction: r = a - q0 b is exact, and q0 + r / b rounds to
  // the correctly rounded quotient; the colour conversions' every operand pair is checked
  // against the division by the tests. A division instruction would hold the vector divider
  // for several cycles per use, and the HSL modes need three of them per pixel.
#if defined(__AVX512F__)
  // The same with the wider instruction set's finer reciprocal estimate.
  static Float Quotient(Float a, Float b) {
    const __m512 A = (__m512)a, B = (__m512)b, one = _mm512_set1_ps(1.0f);
    const __m512 y0 = _mm512_maskz_rcp14_ps(kAllLanes, B);
    const __m512 y = _mm512_fmadd_ps(_mm512_fnmadd_ps(B, y0, one), y0, y0);
    const __m512 q0 = _mm512_mul_ps(A, y);
    return (Float)_mm512_fmadd_ps(_mm512_fnmadd_ps(q0, B, A), y, q0);
  }
  static Float QuotientBy(Float a, float b) {
    const __m512 A = (__m512)a, B = _mm512_set1_ps(b), y = _mm512_set1_ps(1.0f / b);
    const __m512 q0 = _mm512_mul_ps(A, y);
    return (Float)_mm512_fmadd_ps(_mm512_fnmadd_ps(q0, B, A), y, q0);
  }
#elif defined(__FMA__)
  static Float Quotient(Float a, Float b) {
    const __m256 A = (__m256)a, B = (__m256)b, one = _mm256_set1_ps(1.0f);
    const __m256 y0 = _mm256_rcp_ps(B);
    const __m256 y = _mm256_fmadd_ps(_mm256_fnmadd_ps(B, y0, one), y0, y0);
    const __m256 q0 = _mm256_mul_ps(A, y);
    return (Float)_mm256_fmadd_ps(_mm256_fnmadd_ps(q0, B, A), y, q0);
  }
  // By a constant: its correctly rounded reciprocal makes the one correction exact for every
  // dividend, so no refinement is needed.
  static Float QuotientBy(Float a, float b) {
    const __m256 A = (__m256)a, B = _mm256_set1_ps(b), y = _mm256_set1_ps(1.0f / b);
    const __m256 q0 = _mm256_mul_ps(A, y);
    return (Float)_mm256_fmadd_ps(_mm256_fnmadd_ps(q0, B, A), y, q0);
  }
#else
  static Float Quotient(Float a, Float b) { return a / b; }
  static Float QuotientBy(Float a, float b) { return a / b; }
#endif
  static Float ToFloat(Int a) { return __builtin_convertvector(a, Float); }
  // a / 255 for a in 0..255, correctly rounded without a division.
#if defined(__FMA__)
  // The exact-reciprocal quotient by a constant (see QuotientBy).
  static Float UnitOfByte(Int a) { return QuotientBy(ToFloat(a), 255.0f); }
#else
  // In binary, a / 255 is the eight bits of a repeated for ever; n = a * 0x010101 holds three
  // copies and converts exactly, and n + n / 2^24 (six copies) rounds to the same float as the
  // endless fraction: no rounding boundary lies between the two, and the six copies never fall
  // exactly on one. Scaling by powers of two is exact.
  static Float UnitOfByte(Int a) {
    const Float n = ToFloat(a | a << 8 | a << 16);  // no 32-bit multiply before SSE4.1
    return (n + n * 0x1p-24f) * 0x1p-24f;
  }
#endif
  static Float FMin(Float a, Float b) { return a < b ? a : b; }
  static Float FMax(Float a, Float b) { return a > b ? a : b; }
#if defined(__AVX512F__)
  static Int Round(Float a) { return (Int)_mm512_maskz_cvtps_epi32(kAllLanes, (__m512)a); }
  static Float Floor(Float a) {
    return (Float)_mm512_maskz_roundscale_ps(kAllLanes, (__m512)a,
                                                  _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  }
  static Int SqrtRound(Int a) { return Round((Float)_mm512_maskz_sqrt_ps(kAllLanes, (__m512)ToFloat(a))); }
#elif defined(__AVX2__)
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
#if defined(__AVX2__)
  // Left unclamped: the only user, HslColour, packs the bytes with saturation.
  static Int RoundToByte(Float a) { return Round(a); }
#else
  static Int RoundToByte(Float a) { return Max(Min(Round(a), Splat(255)), Splat(0)); }
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

// Modes whose value is a byte-wise operation on whole pixels take a shorter road: the value
// of all channels at once, then the mix in 16-bit lanes. floor((x - b) * c / 256) is the high
// half of ((x - b) << 7) * (c << 1): both factors fit 16 signed bits and the product is exactly
// 65536 times the quotient, so the high half is its floor. Where x >= b always (Additive,
// Lighten) the difference is a byte and the whole mix stays unsigned.
template <int Mode>
constexpr bool kBytewise = Mode == bitmap::lanes::kNormal || Mode == bitmap::lanes::kAdditive ||
                           Mode == bitmap::lanes::kLighten || Mode == bitmap::lanes::kDarken ||
                           Mode == bitmap::lanes::kDifference;

#if defined(__AVX512BW__)
using Bytes = __m512i;
#define BITMAP_SIMD(name) _mm512_##name
#elif defined(__AVX2__)
using Bytes = __m256i;
#define BITMAP_SIMD(name) _mm256_##name
#else
using Bytes = __m128i;
#define BITMAP_SIMD(name) _mm_##name
#endif
inline Bytes AddSat(Bytes a, Bytes b) { return BITMAP_SIMD(adds_epu8)(a, b); }
inline Bytes SubSat(Bytes a, Bytes b) { return BITMAP_SIMD(subs_epu8)(a, b); }
inline Bytes MaxBytes(Bytes a, Bytes b) { return BITMAP_SIMD(max_epu8)(a, b); }
inline Bytes MinBytes(Bytes a, Bytes b) { return BITMAP_SIMD(min_epu8)(a, b); }
// Bytes widened to 16-bit lanes: as values (Lo8, Hi8) or times 256 (Lo8x256, Hi8x256).
inline Bytes Lo8(Bytes a) { return BITMAP_SIMD(unpacklo_epi8)(a, Bytes{}); }
inline Bytes Hi8(Bytes a) { return BITMAP_SIMD(unpackhi_epi8)(a, Bytes{}); }
inline Bytes Lo8x256(Bytes a) { return BITMAP_SIMD(unpacklo_epi8)(Bytes{}, a); }
inline Bytes Hi8x256(Bytes a) { return BITMAP_SIMD(unpackhi_epi8)(Bytes{}, a); }
// Each pixel's 32-bit lane doubled, matching the pixels of Lo8 and Hi8.
inline Bytes Lo32(Bytes a) { return BITMAP_SIMD(unpacklo_epi32)(a, a); }
inline Bytes Hi32(Bytes a) { return BITMAP_SIMD(unpackhi_epi32)(a, a); }
inline Bytes Mix16(Bytes x, Bytes b, Bytes c2) {
  const Bytes d7 = BITMAP_SIMD(slli_epi16)(BITMAP_SIMD(sub_epi16)(x, b), 7);
  return BITMAP_SIMD(add_epi16)(b, BITMAP_SIMD(mulhi_epi16)(d7, c2));
}
inline Bytes MulHiU(Bytes a, Bytes b) { return BITMAP_SIMD(mulhi_epu16)(a, b); }
inline Bytes Pack16(Bytes lo, Bytes hi) { return BITMAP_SIMD(packus_epi16)(lo, hi); }
inline Bytes Splat16(int16_t a) { return BITMAP_SIMD(set1_epi16)(a); }
inline Bytes Sub16(Bytes a, Bytes b) { return BITMAP_SIMD(sub_epi16)(a, b); }
inline Bytes Add16(Bytes a, Bytes b) { return BITMAP_SIMD(add_epi16)(a, b); }
inline Bytes MulLo16(Bytes a, Bytes b) { return BITMAP_SIMD(mullo_epi16)(a, b); }
inline Bytes Shr16By8(Bytes a) { return BITMAP_SIMD(srli_epi16)(a, 8); }
#if defined(__AVX2__)
// Bytes picked within each 128-bit block by the same pattern (-1 gives 0).
inline Bytes ShuffleBlocks(Bytes a, __m128i pattern) {
#if defined(__AVX512BW__)
  return _mm512_shuffle_epi8(a, _mm512_maskz_broadcast_i32x4(kAllLanes, pattern));
#else
  return _mm256_shuffle_epi8(a, _mm256_broadcastsi128_si256(pattern));
#endif
}
#endif
#undef BITMAP_SIMD

template <int Mode>
inline VPix BytewiseValue(VPix f, VPix b) {
  using namespace bitmap::lanes;
  const Bytes F = (Bytes)f, B = (Bytes)b;
  if constexpr (Mode == kNormal) return f;
  else if constexpr (Mode == kAdditive) return (VPix)AddSat(F, B);
  else if constexpr (Mode == kLighten) return (VPix)MaxBytes(F, B);
  else if constexpr (Mode == kDarken) return (VPix)MinBytes(F, B);
  else return (VPix)(SubSat(F, B) | SubSat(B, F));  // difference
}

template <int Mode>
constexpr bool kHslMode = Mode == bitmap::lanes::kHue || Mode == bitmap::lanes::kSaturation ||
                          Mode == bitmap::lanes::kLightness;

// The hue, saturation and lightness an HSL mode builds its colour from: each from F or B.
template <int Mode>
inline void HslInputs(VPix f, VPix b, VFloat& h, VFloat& s, VFloat& l) {
  using L = VectorLanes;
  using Hsl = bitmap::lanes::HslMath<L>;
  VFloat fh, fs, fl, bh, bs, bl;
  Hsl::FromRgb(L::Channel(f, 16), L::Channel(f, 8), L::Channel(f, 0), fh, fs, fl);
  Hsl::FromRgb(L::Channel(b, 16), L::Channel(b, 8), L::Channel(b, 0), bh, bs, bl);
  h = Mode == bitmap::lanes::kHue ? fh : bh;
  s = Mode == bitmap::lanes::kSaturation ? fs : bs;
  l = Mode == bitmap::lanes::kLightness ? fl : bl;
}

// The colour of h, s, l as one pixel of values x (each 0..255).
inline VPix HslColour(VFloat h, VFloat s, VFloat l) {
  VInt xr, xg, xb;
  bitmap::lanes::HslMath<VectorLanes>::ToRgb(h, s, l, xr, xg, xb);
#if defined(__AVX2__)
  // Saturating packs clamp the channels to bytes (blue, green, red, 0 of four pixels in turn
  // per 128-bit block), and a byte shuffle puts each pixel's together.
#if defined(__AVX512BW__)
  const Bytes bg = _mm512_packs_epi32((Bytes)xb, (Bytes)xg);
  const Bytes r0 = _mm512_packs_epi32((Bytes)xr, Bytes{});
#else
  const Bytes bg = _mm256_packs_epi32((Bytes)xb, (Bytes)xg);
  const Bytes r0 = _mm256_packs_epi32((Bytes)xr, Bytes{});
#endif
  const Bytes planes = Pack16(bg, r0);
  return (VPix)ShuffleBlocks(planes, _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
#else
  return (VPix)xr << 16 | (VPix)xg << 8 | (VPix)xb;
#endif
}

template <int Mode>
inline VPix HslValue(VPix f, VPix b) {
  VFloat h, s, l;
  HslInputs<Mode>(f, b, h, s, l);
  return HslColour(h, s, l);
}

// The weight c = (alpha of F * master) >> 8 of each pixel, in the 16-bit lanes Lo8 and Hi8
// give its blue, green and red, and 0 in its alpha lane, so that a mix leaves B's alpha as
// it is.
struct Weights {
  Bytes lo, hi;
};
#if defined(__AVX2__)
inline Weights WeightsOf(VPix f, VInt master) {
  // Each pixel's alpha byte copied to the low bytes of its three colour lanes, then
  // (a * m) >> 8 as the high half of a * (m << 8).
  const __m128i kLo = _mm_setr_epi8(3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
  const __m128i kHi = _mm_setr_epi8(11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1);
  const Bytes m8 = (Bytes)(master << 8 | master << 24);
  return {MulHiU(ShuffleBlocks((Bytes)f, kLo), m8), MulHiU(ShuffleBlocks((Bytes)f, kHi), m8)};
}
#else
inline Weights WeightsOf(VPix f, VInt master) {
  const VInt c = VectorLanes::Mul(VectorLanes::AlphaOf(f), master) >> 8;
  const Bytes cc = (Bytes)(c | c << 16);
  const Bytes noAlpha = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  return {_mm_and_si128(Lo32(cc), noAlpha), _mm_and_si128(Hi32(cc), noAlpha)};
}
#endif

// B mixed towards X by the weights per pixel; B's alpha is kept (its weight is 0).
inline VPix MixPixels(VPix x, VPix b, const Weights& w) {
  const Bytes X = (Bytes)x, B = (Bytes)b;
  return (VPix)Pack16(Mix16(Lo8(X), Lo8(B), w.lo + w.lo), Mix16(Hi8(X), Hi8(B), w.hi + w.hi));
}

// B plus floor(d * c / 256) per channel for a difference d = x - b >= 0: the high half of
// (d << 8) * c, which never carries past x. The alpha lane adds 0.
inline VPix AddWeighted(VPix b, VPix d, const Weights& w) {
  const Bytes D = (Bytes)d;
  const Bytes q = Pack16(MulHiU(Lo8x256(D), w.lo), MulHiU(Hi8x256(D), w.hi));
  return (VPix)AddSat((Bytes)b, q);
}

// Soft Light's value in 16-bit lanes, all channels at once: m = b f >> 8, the screen
// s = 255 - ((255 - b)(255 - f) >> 8), then m + ((s - m) b >> 8). Every product is at most
// 255 * 255 and s >= m (the two floors add up to at most 254), so the unsigned 16-bit
// products and shifts give the combiner's values exactly.
inline Bytes SoftLight16(Bytes f, Bytes b) {
  const Bytes k255 = Splat16(255);
  const Bytes m = Shr16By8(MulLo16(b, f));
  const Bytes s = Sub16(k255, Shr16By8(MulLo16(Sub16(k255, b), Sub16(k255, f))));
  return Add16(m, Shr16By8(MulLo16(Sub16(s, m), b)));
}

inline VPix SoftLightPixels(VPix f, VPix b, const Weights& w) {
  const Bytes F = (Bytes)f, B = (Bytes)b;
  return (VPix)Pack16(Mix16(SoftLight16(Lo8(F), Lo8(B)), Lo8(B), w.lo + w.lo),
                      Mix16(SoftLight16(Hi8(F), Hi8(B)), Hi8(B), w.hi + w.hi));
}

template <int Mode>
inline VPix CombineVector(VPix f, VPix b, VInt master) {
  // The one-sided mix below measured slower than the plain mix in the widest build.
  constexpr bool oneSided = kLanes < 16;
  if constexpr (Mode == bitmap::lanes::kAdditive && oneSided)  // x - b = min(f, 255 - b)
    return AddWeighted(b, (VPix)MinBytes((Bytes)f, (Bytes)~b), WeightsOf(f, master));
  else if constexpr (Mode == bitmap::lanes::kLighten && oneSided)  // x - b = f - b when f > b, else 0
    return AddWeighted(b, (VPix)SubSat((Bytes)f, (Bytes)b), WeightsOf(f, master));
  else if constexpr (kBytewise<Mode>)
    return MixPixels(BytewiseValue<Mode>(f, b), b, WeightsOf(f, master));
  else if constexpr (kHslMode<Mode>)
    return MixPixels(HslValue<Mode>(f, b), b, WeightsOf(f, master));
  else if constexpr (Mode == bitmap::lanes::kSoftLight)
    return SoftLightPixels(f, b, WeightsOf(f, master));
  else
    return Math::Combine<Mode>(f, b, VectorLanes::Mul(VectorLanes::AlphaOf(f), master) >> 8);
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

// Flattened: the HSL modes' conversions would otherwise stay calls that pass vectors through
// memory.
template <int Mode>
__attribute__((flatten)) void RowKernel(const bitmap::TColor32* src, bitmap::TColor32* dst,
                                        int32_t count, bitmap::TColor32 masterAlpha) {
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
  if constexpr (kHslMode<Mode>) {
    // The HSL conversions are long chains of dependent steps (two divisions among them): done
    // for a block of vectors in two passes, each pass's vectors are independent of each
    // other, so the processor overlaps them instead of waiting on each chain in turn.
    constexpr int32_t kBlock = 8 * kLanes;
    VFloat h[8], s[8], l[8];
    for (; i + kBlock <= count; i += kBlock) {
      for (int32_t v = 0; v < 8; ++v)
        HslInputs<Mode>(Load(src + i + v * kLanes), Load(dst + i + v * kLanes), h[v], s[v], l[v]);
      for (int32_t v = 0; v < 8; ++v) {
        const VPix f = Load(src + i + v * kLanes), b = Load(dst + i + v * kLanes);
        Store(dst + i + v * kLanes,
              MixPixels(HslColour(h[v], s[v], l[v]), b, WeightsOf(f, master)));
      }
    }
  }
  // Two vectors per step keep more loads in flight.
  for (; i + 2 * kLanes <= count; i += 2 * kLanes) {
    const VPix f0 = Load(src + i), f1 = Load(src + i + kLanes);
    const VPix b0 = Load(dst + i), b1 = Load(dst + i + kLanes);
    Store(dst + i, CombineVector<Mode>(f0, b0, master));
    Store(dst + i + kLanes, CombineVector<Mode>(f1, b1, master));
  }
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
