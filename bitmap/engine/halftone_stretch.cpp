#include "bitmap/engine/halftone_stretch.h"

#include <emmintrin.h>

#include <algorithm>
#include <vector>

#include "bitmap/engine/parallel_rows.h"

namespace bitmap {

namespace {

// Where one destination column (or row) samples: the nearer source pixel, the byte (or row)
// step to its neighbour (0 on the block's last pixel) and the neighbour's weight.
struct TSample {
  int32_t Near;
  int32_t Step;
  float Far;
};

// The platform's mix of two channel values, rounded to the nearest (half up) as it rounds.
inline float Mix(float a, float b, float weight) { return float(uint8_t(a + (b - a) * weight + 0.5f)); }

// Four mixes of Mix's very operations (subtract, multiply, add, add the half, truncate), in
// the same order and precision, so that the packed results equal the single ones.
inline __m128i HalftoneMixFour(__m128i a, __m128i b, __m128 weight) {
  const __m128 fa = _mm_cvtepi32_ps(a), fb = _mm_cvtepi32_ps(b);
  const __m128 mixed = _mm_add_ps(_mm_add_ps(fa, _mm_mul_ps(_mm_sub_ps(fb, fa), weight)), _mm_set1_ps(0.5f));
  return _mm_cvttps_epi32(mixed);
}

// out[i] = Mix(a[i], b[i], weights[i]) (one weight per byte), or with the one weight `weight`
// when weights is nil: sixteen bytes a step, the compiler does not widen the float loop itself.
void HalftoneMixBytes(uint8_t* out, const uint8_t* a, const uint8_t* b, const float* weights, float weight,
                      size_t count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 same = _mm_set1_ps(weight);
  size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i aLow = _mm_unpacklo_epi8(va, zero), aHigh = _mm_unpackhi_epi8(va, zero);
    const __m128i bLow = _mm_unpacklo_epi8(vb, zero), bHigh = _mm_unpackhi_epi8(vb, zero);
    auto weightAt = [&](size_t k) { return weights ? _mm_loadu_ps(weights + i + k) : same; };
    const __m128i m0 = HalftoneMixFour(_mm_unpacklo_epi16(aLow, zero), _mm_unpacklo_epi16(bLow, zero), weightAt(0));
    const __m128i m1 = HalftoneMixFour(_mm_unpackhi_epi16(aLow, zero), _mm_unpackhi_epi16(bLow, zero), weightAt(4));
    const __m128i m2 = HalftoneMixFour(_mm_unpacklo_epi16(aHigh, zero), _mm_unpacklo_epi16(bHigh, zero), weightAt(8));
    const __m128i m3 = HalftoneMixFour(_mm_unpackhi_epi16(aHigh, zero), _mm_unpackhi_epi16(bHigh, zero), weightAt(12));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(m0, m1), _mm_packs_epi32(m2, m3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
  }
  for (; i < count; ++i) out[i] = uint8_t(Mix(a[i], b[i], weights ? weights[i] : weight));
}

// The platform walks each axis by adding the single-precision step once per pixel, from the
// block's first pixel, and holds the position inside the block; the sums are repeated here
// in the same order so that every position, and so every weight, is the same float.
std::vector<TSample> SampleAxis(int32_t start, int32_t span, int32_t count, int32_t pixelBytes) {
  std::vector<TSample> samples(static_cast<size_t>(count));
  const float step = float(span) / float(count);
  const float first = float(start), last = float(start + span - 1);
  float position = first;
  for (TSample& s : samples) {
    position = std::clamp(position, first, last);
    const int32_t whole = int32_t(position);
    s.Near = whole;
    s.Step = whole + 1 <= start + span - 1 ? pixelBytes : 0;
    s.Far = position - float(whole);
    position += step;
  }
  return samples;
}

bool Inside(const TRgbRows& rows, int32_t x, int32_t y, int32_t w, int32_t h) {
  return rows.Bits && x >= 0 && y >= 0 && int64_t(x) + w <= rows.Width && int64_t(y) + h <= rows.Height;
}

bool Overlap(const TRgbRows& a, const TRgbRows& b) {
  auto span = [](const TRgbRows& r, const uint8_t*& lo, const uint8_t*& hi) {
    const ptrdiff_t end = r.Stride * (r.Height - 1);
    lo = r.Bits + std::min<ptrdiff_t>(0, end);
    hi = r.Bits + std::max<ptrdiff_t>(0, end) + ptrdiff_t(r.Width) * 3;
  };
  const uint8_t *aLo, *aHi, *bLo, *bHi;
  span(a, aLo, aHi);
  span(b, bLo, bHi);
  return aLo < bHi && bLo < aHi;
}

}  // namespace

bool HalftoneStretch(const TRgbRows& dst, int32_t x, int32_t y, int32_t w, int32_t h, const TRgbRows& src,
                     int32_t u, int32_t v, int32_t p, int32_t q) {
  if (w <= 0 || h <= 0 || p <= 0 || q <= 0) return false;
  if (!Inside(dst, x, y, w, h) || !Inside(src, u, v, p, q) || Overlap(dst, src)) return false;
  const std::vector<TSample> columns = SampleAxis(u, p, w, 3);
  const std::vector<TSample> rows = SampleAxis(v, q, h, 1);
  const size_t bytes = size_t(w) * 3;
  // The across weight of every destination byte, so that the mixes run as plain loops over
  // bytes.
  std::vector<float> across(bytes);
  for (size_t i = 0; i < bytes; ++i) across[i] = columns[i / 3].Far;

  auto band = [&](int32_t first, int32_t end) {
    std::vector<uint8_t> nearBytes(bytes), farBytes(bytes);
    // The across mixes of the last two source rows asked for: a source row serves every
    // destination row that samples it.
    std::vector<uint8_t> mixed[2] = {std::vector<uint8_t>(bytes), std::vector<uint8_t>(bytes)};
    int32_t mixedRow[2] = {-1, -1};
    int32_t older = 0;
    auto acrossMix = [&](int32_t sourceRow) -> const uint8_t* {
      for (int32_t k = 0; k < 2; ++k)
        if (mixedRow[k] == sourceRow) {
          older = 1 - k;
          return mixed[k].data();
        }
      const int32_t k = older;
      older = 1 - older;
      mixedRow[k] = sourceRow;
      const uint8_t* line = src.Bits + src.Stride * sourceRow;
      uint8_t* n = nearBytes.data();
      uint8_t* f = farBytes.data();
      for (const TSample& column : columns) {
        const uint8_t* a = line + ptrdiff_t(column.Near) * 3;
        const uint8_t* b = a + column.Step;
        n[0] = a[0], n[1] = a[1], n[2] = a[2];
        f[0] = b[0], f[1] = b[1], f[2] = b[2];
        n += 3;
        f += 3;
      }
      uint8_t* out = mixed[k].data();
      HalftoneMixBytes(out, nearBytes.data(), farBytes.data(), across.data(), 0.0f, bytes);
      return out;
    };
    for (int32_t j = first; j < end; ++j) {
      const TSample& row = rows[size_t(j)];
      uint8_t* out = dst.Bits + dst.Stride * (y + j) + ptrdiff_t(x) * 3;
      const uint8_t* upper = acrossMix(row.Near);
      // A row that samples exactly one source row is that row's mix (the second mix would
      // add nothing and round it again to itself).
      if (row.Far == 0.0f || row.Step == 0) {
        std::copy(upper, upper + bytes, out);
        continue;
      }
      // The upper row's mix was used last, so the lower one replaces the other.
      const uint8_t* lower = acrossMix(row.Near + row.Step);
      HalftoneMixBytes(out, upper, lower, nullptr, row.Far, bytes);
    }
  };
  if (int64_t(w) * h >= kParallelPixels)
    ParallelRows(h, band);
  else
    band(0, h);
  return true;
}

}  // namespace bitmap
