#include "imaging/model/routines/resample_rows.h"

#include <emmintrin.h>

#include <cstring>

#include "imaging/base/number_helpers.h"

namespace imaging {

namespace {

// The exact quotient s div w, truncated toward zero, clamped to a byte; a zero sum of weights
// follows the rule.
inline uint8_t DivideExact(int32_t sum, int32_t weightSum, TZeroWeightRule rule) {
  if (weightSum == 0) {
    if (rule == TZeroWeightRule::AsWeight256) return ClampByte(sum / 256);
    const uint32_t shifted = static_cast<uint32_t>(sum) >> 8;
    return static_cast<uint8_t>(shifted > 255 ? 255 : shifted);
  }
  return ClampByte(sum / weightSum);
}

// 1 / w in single precision when Trunc((s + 0.5) * (1 / w)) equals s div w for every sum that
// does not clamp anyway: for 0 < w <= 4096 the product's error (below 2^-15 at quotients up to
// 256) stays under the margin 0.5 / w that the half adds. 0 means "divide exactly".
inline float FastReciprocal(int32_t weightSum) {
  return weightSum > 0 && weightSum <= 4096 ? 1.0f / static_cast<float>(weightSum) : 0.0f;
}

inline uint8_t DivideFast(int32_t sum, float reciprocal) {
  return ClampByte(static_cast<int32_t>((static_cast<float>(sum) + 0.5f) * reciprocal));
}

// Four sums divided by the reciprocal, truncated; the caller packs them with saturation.
inline __m128i DivideFour(__m128i sums, __m128 reciprocal) {
  const __m128 value = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sums), _mm_set1_ps(0.5f)), reciprocal);
  return _mm_cvttps_epi32(value);
}

inline int32_t PackWeights(int32_t low, int32_t high) {
  return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFF));
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

THorizontalResampler::THorizontalResampler(const TContributorTable& table, int32_t channels, TZeroWeightRule rule)
    : channels_(channels), rule_(rule) {
  const int32_t n = table.Size();
  columns_.reserve(n);
  for (int32_t i = 0; i < n; ++i) {
    const ResampleContributor* list = table.List(i);
    const int32_t count = table.Count(i);
    Column column{static_cast<int32_t>(pairs_.size()), (count + 1) / 2, table.WeightSum(i),
                  FastReciprocal(table.WeightSum(i))};
    for (int32_t k = 0; k < count; k += 2) {
      const ResampleContributor& a = list[k];
      const ResampleContributor& b = k + 1 < count ? list[k + 1] : ResampleContributor{a.index, 0};
      pairs_.push_back({a.index * channels, b.index * channels, PackWeights(a.weight, b.weight)});
    }
    columns_.push_back(column);
  }
}

void THorizontalResampler::Run(const uint8_t* source, uint8_t* dest) const {
  if (channels_ == 3)
    RunThreeChannels(source, dest);
  else
    RunOneChannel(source, dest);
}

void THorizontalResampler::RunThreeChannels(const uint8_t* source, uint8_t* dest) const {
  const __m128i zero = _mm_setzero_si128();
  const TapPair* pairs = pairs_.data();
  const int32_t n = static_cast<int32_t>(columns_.size());
  for (int32_t i = 0; i < n; ++i) {
    const Column& column = columns_[i];
    // Two taps at a time: their bytes interleaved (b1 b2 g1 g2 r1 r2) meet the interleaved
    // weights in one multiply-add, which leaves the blue, green and red sums in 32-bit lanes.
    __m128i sums = zero;
    const TapPair* pair = pairs + column.firstPair;
    for (int32_t k = 0; k < column.pairCount; ++k, ++pair) {
      const __m128i a = _mm_cvtsi32_si128(static_cast<int>(Load32(source + pair->offsetA)));
      const __m128i b = _mm_cvtsi32_si128(static_cast<int>(Load32(source + pair->offsetB)));
      const __m128i taps = _mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), zero);
      sums = _mm_add_epi32(sums, _mm_madd_epi16(taps, _mm_set1_epi32(pair->weights)));
    }
    uint8_t* out = dest + 3 * i;
    if (column.reciprocal != 0) {
      const __m128i q = DivideFour(sums, _mm_set1_ps(column.reciprocal));
      const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q, zero), zero);
      const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
      std::memcpy(out, &packed, 4);  // the fourth byte is overwritten by the next column
    } else {
      alignas(16) int32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
      for (int c = 0; c < 3; ++c) out[c] = DivideExact(lanes[c], column.weightSum, rule_);
    }
  }
}

void THorizontalResampler::RunOneChannel(const uint8_t* source, uint8_t* dest) const {
  const TapPair* pairs = pairs_.data();
  const int32_t n = static_cast<int32_t>(columns_.size());
  for (int32_t i = 0; i < n; ++i) {
    const Column& column = columns_[i];
    int32_t sum = 0;
    const TapPair* pair = pairs + column.firstPair;
    for (int32_t k = 0; k < column.pairCount; ++k, ++pair) {
      const int32_t weightA = static_cast<int16_t>(pair->weights & 0xFFFF);
      const int32_t weightB = pair->weights >> 16;
      sum += weightA * source[pair->offsetA] + weightB * source[pair->offsetB];
    }
    dest[i] = column.reciprocal != 0 ? DivideFast(sum, column.reciprocal)
                                     : DivideExact(sum, column.weightSum, rule_);
  }
}

void ResampleVerticalRow(const uint8_t* const* rows, const int32_t* weights, int32_t count, uint8_t* out,
                         int32_t bytes) {
  int32_t weightSum = 0;
  for (int32_t k = 0; k < count; ++k) weightSum += weights[k];
  const float reciprocal = FastReciprocal(weightSum);
  const int32_t pairCount = (count + 1) / 2;
  std::vector<int32_t> packed(pairCount);
  for (int32_t k = 0; k < pairCount; ++k)
    packed[k] = PackWeights(weights[2 * k], 2 * k + 1 < count ? weights[2 * k + 1] : 0);

  const __m128i zero = _mm_setzero_si128();
  for (int32_t x = 0; x < bytes; x += 16) {
    __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (int32_t k = 0; k < pairCount; ++k) {
      const uint8_t* rowA = rows[2 * k];
      const uint8_t* rowB = 2 * k + 1 < count ? rows[2 * k + 1] : rowA;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA + x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB + x));
      const __m128i w = _mm_set1_epi32(packed[k]);
      const __m128i low = _mm_unpacklo_epi8(a, b);
      const __m128i high = _mm_unpackhi_epi8(a, b);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), w));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), w));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), w));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), w));
    }
    alignas(16) uint8_t result[16];
    if (reciprocal != 0) {
      const __m128 r = _mm_set1_ps(reciprocal);
      const __m128i q01 = _mm_packs_epi32(DivideFour(s0, r), DivideFour(s1, r));
      const __m128i q23 = _mm_packs_epi32(DivideFour(s2, r), DivideFour(s3, r));
      _mm_store_si128(reinterpret_cast<__m128i*>(result), _mm_packus_epi16(q01, q23));
    } else {
      alignas(16) int32_t lanes[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), s0);
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), s1);
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 8), s2);
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 12), s3);
      for (int j = 0; j < 16; ++j) result[j] = DivideExact(lanes[j], weightSum, TZeroWeightRule::UnsignedShift);
    }
    const int32_t n = bytes - x < 16 ? bytes - x : 16;
    std::memcpy(out + x, result, n);
  }
}

}  // namespace imaging
