// The body of the stretch transfer's inner loops (kernel resampling, bilinear mixing and
// nearest-neighbour gathering), included once per instruction set by
// resample_rows_sse2.cpp and resample_rows_avx2.cpp. Everything here has internal linkage,
// so code built for the wider instruction set can never be picked for another unit.
//
// The sums wrap modulo 2^32 exactly as plain 32-bit integer arithmetic does, whichever order
// the terms are added in, so the vector loops and the scalar tails agree bit for bit.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bitmap/engine/resample_rows.h"

namespace {

using bitmap::TColor32;

inline uint32_t ChannelOf(TColor32 p, int c) { return (p >> (8 * c)) & 0xFFu; }

// One column of the vertical pass, in plain integers.
inline void VerticalColumn(const TColor32* const* rows, const int16_t* weights,
                           int32_t rowCount, int32_t x, int32_t* sums) {
  uint32_t s[4] = {0, 0, 0, 0};
  for (int32_t k = 0; k < rowCount; ++k) {
    const TColor32 p = rows[k][x];
    const uint32_t w = uint32_t(int32_t(weights[k]));
    for (int c = 0; c < 4; ++c) s[c] += w * ChannelOf(p, c);
  }
  for (int c = 0; c < 4; ++c) sums[4 * x + c] = int32_t(s[c]);
}

// One column of the narrow vertical pass: the sums minus 32768, as 16-bit values.
inline void NarrowColumn(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                         int32_t x, int16_t* sums) {
  uint32_t s[4] = {0, 0, 0, 0};
  for (int32_t k = 0; k < rowCount; ++k)
    for (int c = 0; c < 4; ++c) s[c] += uint32_t(weights[k]) * ChannelOf(rows[k][x], c);
  for (int c = 0; c < 4; ++c) sums[4 * x + c] = int16_t(uint16_t(s[c] ^ 0x8000u));
}

// Tap t's weight in the narrow layout (see HorizontalPack16).
inline int16_t NarrowWeight(const int16_t* w, int32_t t) {
  const int32_t k = t % 4;
  return w[16 * (t / 4) + (k < 2 ? k : 6 + k)];
}

inline TColor32 PackSums(const uint32_t s[4]) {
  TColor32 pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const int32_t v = int32_t(s[c]);
    const uint32_t channel = v < 0 ? 0 : v > 0xFF0000 ? 0xFF : uint32_t(v) >> 16;
    pixel |= channel << (8 * c);
  }
  return pixel;
}

// One pixel of the bilinear mix: red and blue, then alpha and green, as two channel pairs
// per 32-bit multiply; each channel is (a * w + b * (256 - w)) >> 8.
inline TColor32 Mix1(TColor32 a, TColor32 b, uint32_t w) {
  const uint32_t w1 = 256 - w;
  const uint32_t rb = (((a & 0x00FF00FFu) * w + (b & 0x00FF00FFu) * w1) >> 8) & 0x00FF00FFu;
  const uint32_t ag = (((a >> 8) & 0x00FF00FFu) * w + ((b >> 8) & 0x00FF00FFu) * w1) & 0xFF00FF00u;
  return rb | ag;
}

void ScalarMixColumns(const TColor32* mixed, const int32_t* left, const int32_t* right,
                      const int32_t* weights, int32_t count, TColor32* out) {
  for (int32_t i = 0; i < count; ++i)
    out[i] = Mix1(mixed[left[i]], mixed[right[i]], uint32_t(weights[i]));
}

void ScalarGatherColumns(const TColor32* __restrict row, const int32_t* __restrict columns,
                         int32_t count, TColor32* __restrict out) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const TColor32 a = row[columns[i]], b = row[columns[i + 1]];
    const TColor32 c = row[columns[i + 2]], d = row[columns[i + 3]];
    out[i] = a;
    out[i + 1] = b;
    out[i + 2] = c;
    out[i + 3] = d;
  }
  for (; i < count; ++i) out[i] = row[columns[i]];
}

#if defined(__AVX2__)

// Eight pixels of the bilinear mix in 16-bit lanes: each product is at most 255 * 256 and
// the two weights add up to 256, so nothing overflows and the shift matches the pair form.
inline __m256i Mix8(__m256i a, __m256i b, __m256i w32) {
  const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(256);
  const __m256i w2 = _mm256_or_si256(w32, _mm256_slli_epi32(w32, 16));
  const __m256i wLo = _mm256_unpacklo_epi32(w2, w2), wHi = _mm256_unpackhi_epi32(w2, w2);
  const __m256i lo = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), wLo),
                       _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), _mm256_sub_epi16(full, wLo))),
      8);
  const __m256i hi = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), wHi),
                       _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), _mm256_sub_epi16(full, wHi))),
      8);
  return _mm256_packus_epi16(lo, hi);
}

inline __m256i Load8(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }

// Eight pixels of `base` picked by eight indexes. When they all lie within eight pixels of
// the first one (an enlargement maps neighbours to neighbours), one load and a permute do;
// `base` has eight readable pixels past every index.
inline __m256i Pick8(const TColor32* base, const int32_t* indexes) {
  const __m256i index = Load8(indexes);
  const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(indexes[0]));
  const __m256i seven = _mm256_set1_epi32(7);
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_max_epu32(offset, seven), seven)) == -1)
    return _mm256_permutevar8x32_epi32(Load8(base + indexes[0]), offset);
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 4);
}

void MixRows(const TColor32* upper, const TColor32* lower, uint32_t weight, int32_t count,
             TColor32* out) {
  const __m256i w = _mm256_set1_epi32(int32_t(weight));
  int32_t x = 0;
  for (; x + 8 <= count; x += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), Mix8(Load8(upper + x), Load8(lower + x), w));
  for (; x < count; ++x) out[x] = Mix1(upper[x], lower[x], weight);
}

void MixColumns(const TColor32* mixed, const int32_t* left, const int32_t* right,
                const int32_t* weights, int32_t count, TColor32* out) {
  int32_t i = 0;
  for (; i + 8 <= count; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        Mix8(Pick8(mixed, left + i), Pick8(mixed, right + i), Load8(weights + i)));
  ScalarMixColumns(mixed, left + i, right + i, weights + i, count - i, out + i);
}

void GatherColumns(const TColor32* row, const int32_t* columns, int32_t count, TColor32* out) {
  ScalarGatherColumns(row, columns, count, out);
}

// The weighted sum of one destination pixel's run over 32-bit column sums: two consecutive
// columns' sums fill one vector, multiplied by their spread weights; the two halves are left
// for the caller to add.
template <int32_t Taps>
struct TWideRun {
  static constexpr int32_t kBias = 0;
  static __m256i Sum(const int32_t* s, const int32_t* w, int32_t taps) {
    const int32_t n = Taps > 0 ? Taps : taps;
    __m256i acc = _mm256_mullo_epi32(Load8(s), Load8(w));
    for (int32_t t = 2; t < n; t += 2)
      acc = _mm256_add_epi32(acc, _mm256_mullo_epi32(Load8(s + 4 * t), Load8(w + 4 * t)));
    return acc;
  }
};

// The same over 16-bit column sums stored as sum - 32768: four columns fill one vector, their
// channels paired (tap 0 with 1, 2 with 3) for one multiply-add. The weights add up to 256,
// so the offset comes back as 32768 * 256.
template <int32_t Taps>
struct TNarrowRun {
  static constexpr int32_t kBias = 0x800000;
  static __m256i Sum(const int16_t* s, const int16_t* w, int32_t taps) {
    const __m256i pairs = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                           0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const int32_t n = Taps > 0 ? Taps : taps;
    __m256i acc = _mm256_madd_epi16(_mm256_shuffle_epi8(Load8(s), pairs), Load8(w));
    for (int32_t t = 4; t < n; t += 4)
      acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_shuffle_epi8(Load8(s + 4 * t), pairs),
                                                    Load8(w + 4 * t)));
    return acc;
  }
};

// Two pixels at a time, so that the halves are added, clamped and packed for both at once.
template <class Run, class Sum>
void PackRuns(const Sum* sums, const int32_t* starts, const Sum* weights, int32_t taps,
              int32_t count, TColor32* out) {
  const __m256i low = _mm256_setzero_si256(), high = _mm256_set1_epi32(0xFF0000);
  const __m256i bias = _mm256_set1_epi32(Run::kBias);
  // Bits 16..23 of each channel sum, gathered into the first four bytes of each half.
  const __m256i byte2 = _mm256_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                         2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const int64_t stride = 4 * int64_t(taps);
  // Four pixels a step, then two, then one.
  const __m256i quad = _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0);
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256i a = Run::Sum(sums + 4 * starts[i], weights + stride * i, taps);
    const __m256i b = Run::Sum(sums + 4 * starts[i + 1], weights + stride * (i + 1), taps);
    const __m256i c = Run::Sum(sums + 4 * starts[i + 2], weights + stride * (i + 2), taps);
    const __m256i d = Run::Sum(sums + 4 * starts[i + 3], weights + stride * (i + 3), taps);
    __m256i ab = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
    __m256i cd = _mm256_add_epi32(_mm256_permute2x128_si256(c, d, 0x20), _mm256_permute2x128_si256(c, d, 0x31));
    ab = _mm256_shuffle_epi8(_mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(ab, bias), low), high), byte2);
    cd = _mm256_shuffle_epi8(_mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(cd, bias), low), high), byte2);
    // Pixel a, b in dwords 0 and 4 of ab; c, d in dwords 0 and 4 of cd.
    const __m256i packed = _mm256_unpacklo_epi64(_mm256_permutevar8x32_epi32(ab, quad),
                                                 _mm256_permutevar8x32_epi32(cd, quad));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
  }
  for (; i + 2 <= count; i += 2) {
    const __m256i a = Run::Sum(sums + 4 * starts[i], weights + stride * i, taps);
    const __m256i b = Run::Sum(sums + 4 * starts[i + 1], weights + stride * (i + 1), taps);
    __m256i r = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
    r = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(r, bias), low), high);
    r = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(r, byte2), quad);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(r));
  }
  if (i < count) {
    const __m256i a = Run::Sum(sums + 4 * starts[i], weights + stride * i, taps);
    __m256i r = _mm256_add_epi32(_mm256_add_epi32(a, _mm256_permute2x128_si256(a, a, 0x11)), bias);
    r = _mm256_shuffle_epi8(_mm256_min_epi32(_mm256_max_epi32(r, low), high), byte2);
    out[i] = TColor32(_mm_cvtsi128_si32(_mm256_castsi256_si128(r)));
  }
}

// The short runs of mild resizing get loops of a fixed length.
void HorizontalPack(const int32_t* sums, const int32_t* starts, const int32_t* weights,
                    int32_t taps, int32_t count, TColor32* out) {
  switch (taps) {
    case 2: PackRuns<TWideRun<2>>(sums, starts, weights, taps, count, out); break;
    case 4: PackRuns<TWideRun<4>>(sums, starts, weights, taps, count, out); break;
    case 6: PackRuns<TWideRun<6>>(sums, starts, weights, taps, count, out); break;
    case 8: PackRuns<TWideRun<8>>(sums, starts, weights, taps, count, out); break;
    default: PackRuns<TWideRun<0>>(sums, starts, weights, taps, count, out); break;
  }
}

void HorizontalPack16(const int16_t* sums, const int32_t* starts, const int16_t* weights,
                      int32_t taps, int32_t count, TColor32* out) {
  switch (taps) {
    case 4: PackRuns<TNarrowRun<4>>(sums, starts, weights, taps, count, out); break;
    case 8: PackRuns<TNarrowRun<8>>(sums, starts, weights, taps, count, out); break;
    default: PackRuns<TNarrowRun<0>>(sums, starts, weights, taps, count, out); break;
  }
}

void VerticalSums16(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                    int32_t count, int16_t* sums) {
  const __m256i zero = _mm256_setzero_si256(), offset = _mm256_set1_epi16(int16_t(0x8000));
  // The rows that count, with their weights spread once (on the stack for the usual few).
  constexpr int32_t kFewRows = 32;
  const TColor32* fewRows[kFewRows];
  __m256i fewWeights[kFewRows];
  std::vector<const TColor32*> manyRows;
  // The vector type's attributes do not pass through a template argument: the heap copy is held
  // as a plain aligned record, so the aligned stores below stay aligned.
  struct alignas(32) TSpreadWeight {
    __m256i value;
  };
  std::unique_ptr<TSpreadWeight[]> manyWeights;
  const TColor32** used = fewRows;
  __m256i* spread = fewWeights;
  if (rowCount > kFewRows) {
    manyRows.resize(size_t(rowCount));
    manyWeights.reset(new TSpreadWeight[size_t(rowCount)]);
    used = manyRows.data();
    spread = &manyWeights[0].value;
  }
  int32_t n = 0;
  for (int32_t k = 0; k < rowCount; ++k)
    if (weights[k] != 0) {
      used[n] = rows[k];
      spread[n++] = _mm256_set1_epi16(weights[k]);
    }
  int32_t x = 0;
  {
    // Sixteen columns a step: four independent sums keep the multipliers busy. Each product
    // is at most 255 * 256 and their sum at most 65280: 16-bit lanes suffice.
    for (; x + 16 <= count; x += 16) {
      __m256i lo0 = zero, hi0 = zero, lo1 = zero, hi1 = zero;
      for (int32_t k = 0; k < n; ++k) {
        const __m256i p0 = Load8(used[k] + x), p1 = Load8(used[k] + x + 8);
        lo0 = _mm256_add_epi16(lo0, _mm256_mullo_epi16(_mm256_unpacklo_epi8(p0, zero), spread[k]));
        hi0 = _mm256_add_epi16(hi0, _mm256_mullo_epi16(_mm256_unpackhi_epi8(p0, zero), spread[k]));
        lo1 = _mm256_add_epi16(lo1, _mm256_mullo_epi16(_mm256_unpacklo_epi8(p1, zero), spread[k]));
        hi1 = _mm256_add_epi16(hi1, _mm256_mullo_epi16(_mm256_unpackhi_epi8(p1, zero), spread[k]));
      }
      // lo holds pixels 0, 1 | 4, 5 and hi 2, 3 | 6, 7.
      lo0 = _mm256_xor_si256(lo0, offset);
      hi0 = _mm256_xor_si256(hi0, offset);
      lo1 = _mm256_xor_si256(lo1, offset);
      hi1 = _mm256_xor_si256(hi1, offset);
      __m256i* out = reinterpret_cast<__m256i*>(sums + 4 * x);
      _mm256_storeu_si256(out, _mm256_permute2x128_si256(lo0, hi0, 0x20));
      _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(lo0, hi0, 0x31));
      _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(lo1, hi1, 0x20));
      _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(lo1, hi1, 0x31));
    }
  }
  for (; x < count; ++x) NarrowColumn(rows, weights, rowCount, x, sums);
}

#else  // the baseline: SSE2

void HorizontalPack(const int32_t* sums, const int32_t* starts, const int32_t* weights,
                    int32_t taps, int32_t count, TColor32* out) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t* s = sums + 4 * starts[i];
    const int32_t* w = weights + 4 * int64_t(i) * taps;
    uint32_t acc[4] = {0, 0, 0, 0};
    for (int32_t t = 0; t < taps; ++t)
      for (int c = 0; c < 4; ++c) acc[c] += uint32_t(w[4 * t]) * uint32_t(s[4 * t + c]);
    out[i] = PackSums(acc);
  }
}

void VerticalSums16(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                    int32_t count, int16_t* sums) {
  for (int32_t x = 0; x < count; ++x) NarrowColumn(rows, weights, rowCount, x, sums);
}

void HorizontalPack16(const int16_t* sums, const int32_t* starts, const int16_t* weights,
                      int32_t taps, int32_t count, TColor32* out) {
  for (int32_t i = 0; i < count; ++i) {
    const int16_t* s = sums + 4 * starts[i];
    const int16_t* w = weights + 4 * int64_t(i) * taps;
    uint32_t acc[4] = {0x800000, 0x800000, 0x800000, 0x800000};
    for (int32_t t = 0; t < taps; ++t) {
      const uint32_t weight = uint32_t(int32_t(NarrowWeight(w, t)));
      for (int c = 0; c < 4; ++c) acc[c] += weight * uint32_t(int32_t(s[4 * t + c]));
    }
    out[i] = PackSums(acc);
  }
}

void MixRows(const TColor32* upper, const TColor32* lower, uint32_t weight, int32_t count,
             TColor32* out) {
  for (int32_t x = 0; x < count; ++x) out[x] = Mix1(upper[x], lower[x], weight);
}

void MixColumns(const TColor32* mixed, const int32_t* left, const int32_t* right,
                const int32_t* weights, int32_t count, TColor32* out) {
  ScalarMixColumns(mixed, left, right, weights, count, out);
}

void GatherColumns(const TColor32* row, const int32_t* columns, int32_t count, TColor32* out) {
  ScalarGatherColumns(row, columns, count, out);
}

#endif

// ---- the vertical pass, the same for both builds at their vector width ----

#if defined(__AVX2__)
using Wide = __m256i;
constexpr int32_t kWidePixels = 8;
#define RESAMPLE_SIMD(name) _mm256_##name
inline Wide LoadWide(const TColor32* p) { return _mm256_loadu_si256(reinterpret_cast<const Wide*>(p)); }
// Lane 0 of each vector holds pixels 0-3 and lane 1 pixels 4-7, so acc0 has collected pixels
// 0 and 4, acc1 pixels 1 and 5, and so on: put them back in order.
inline void StoreSums(int32_t* sums, Wide acc0, Wide acc1, Wide acc2, Wide acc3) {
  Wide* out = reinterpret_cast<Wide*>(sums);
  _mm256_storeu_si256(out + 0, _mm256_permute2x128_si256(acc0, acc1, 0x20));
  _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(acc2, acc3, 0x20));
  _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(acc0, acc1, 0x31));
  _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(acc2, acc3, 0x31));
}
#else
using Wide = __m128i;
constexpr int32_t kWidePixels = 4;
#define RESAMPLE_SIMD(name) _mm_##name
inline Wide LoadWide(const TColor32* p) { return _mm_loadu_si128(reinterpret_cast<const Wide*>(p)); }
inline void StoreSums(int32_t* sums, Wide acc0, Wide acc1, Wide acc2, Wide acc3) {
  Wide* out = reinterpret_cast<Wide*>(sums);
  _mm_storeu_si128(out + 0, acc0);
  _mm_storeu_si128(out + 1, acc1);
  _mm_storeu_si128(out + 2, acc2);
  _mm_storeu_si128(out + 3, acc3);
}
#endif

void VerticalSums(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                  int32_t count, int32_t* sums) {
  const Wide zero{};
  int32_t x = 0;
  for (; x + kWidePixels <= count; x += kWidePixels) {
    // Two rows at a time: their bytes interleaved and widened, so that one multiply-add per
    // channel pair gives w0 * a + w1 * b.
    Wide acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
    for (int32_t k = 0; k < rowCount; k += 2) {
      const Wide a = LoadWide(rows[k] + x), b = LoadWide(rows[k + 1] + x);
      const Wide w = RESAMPLE_SIMD(set1_epi32)(int32_t(uint16_t(weights[k])) |
                                               int32_t(uint32_t(uint16_t(weights[k + 1])) << 16));
      const Wide lo = RESAMPLE_SIMD(unpacklo_epi8)(a, b), hi = RESAMPLE_SIMD(unpackhi_epi8)(a, b);
      acc0 = RESAMPLE_SIMD(add_epi32)(acc0, RESAMPLE_SIMD(madd_epi16)(RESAMPLE_SIMD(unpacklo_epi8)(lo, zero), w));
      acc1 = RESAMPLE_SIMD(add_epi32)(acc1, RESAMPLE_SIMD(madd_epi16)(RESAMPLE_SIMD(unpackhi_epi8)(lo, zero), w));
      acc2 = RESAMPLE_SIMD(add_epi32)(acc2, RESAMPLE_SIMD(madd_epi16)(RESAMPLE_SIMD(unpacklo_epi8)(hi, zero), w));
      acc3 = RESAMPLE_SIMD(add_epi32)(acc3, RESAMPLE_SIMD(madd_epi16)(RESAMPLE_SIMD(unpackhi_epi8)(hi, zero), w));
    }
    StoreSums(sums + 4 * x, acc0, acc1, acc2, acc3);
  }
  for (; x < count; ++x) VerticalColumn(rows, weights, rowCount, x, sums);
}
#undef RESAMPLE_SIMD

constexpr bitmap::TResampleRowKernels kLoops{&VerticalSums, &HorizontalPack, &VerticalSums16,
                                             &HorizontalPack16, &MixRows, &MixColumns,
                                             &GatherColumns};

}  // namespace
