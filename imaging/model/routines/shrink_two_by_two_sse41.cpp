#include <immintrin.h>

#include "imaging/model/routines/shrink_two_by_two.h"

namespace imaging {

bool ShrinkTwoByTwoSse41Available() {
  __builtin_cpu_init();  // may run before the library's own start-up has
  return __builtin_cpu_supports("sse4.1");
}

void ShrinkTwoByTwoSse41(const uint8_t* a, const uint8_t* b, int32_t srcW, uint8_t* out) {
  const int32_t pairs = srcW / 2, bytes = srcW * 3;
  // Each pixel of a pair next to its partner, channel by channel, for the two pairs in the
  // first 12 bytes; the multiply-add by ones then sums each side-by-side couple.
  const __m128i couples = _mm_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
  // The six averages of each half of the packed bytes, one after the other.
  const __m128i gather = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1);
  const __m128i ones = _mm_set1_epi8(1), two = _mm_set1_epi16(2);
  auto sums = [&](int32_t offset) {  // the six block sums of two pairs, in 16-bit lanes
    const __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + offset));
    const __m128i rb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + offset));
    return _mm_add_epi16(_mm_maddubs_epi16(_mm_shuffle_epi8(ra, couples), ones),
                         _mm_maddubs_epi16(_mm_shuffle_epi8(rb, couples), ones));
  };
  int32_t p = 0;
  // Four pairs per step; the second load ends 28 bytes into the step's 24.
  for (; 6 * p + 28 <= bytes; p += 4) {
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(sums(6 * p), two), 2);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(sums(6 * p + 12), two), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * p),
                     _mm_shuffle_epi8(_mm_packus_epi16(lo, hi), gather));
  }
  for (; p < pairs; ++p)
    for (int32_t c = 0; c < 3; ++c) {
      const int32_t j = 6 * p + c;
      out[3 * p + c] = uint8_t((a[j] + a[j + 3] + b[j] + b[j + 3] + 2) >> 2);
    }
  if (srcW % 2)
    for (int32_t c = 0; c < 3; ++c) out[3 * pairs + c] = uint8_t((a[6 * pairs + c] + b[6 * pairs + c] + 1) >> 1);
}

}  // namespace imaging
