// The fade blend sixteen bytes at a time. SSE2 is part of every x86-64 processor, so this
// kernel needs no run-time choice.
//
// (a * (1024 - s) + b * s) >> 10 equals a + floor((b - a) * s / 1024), and with 16-bit lanes
// the signed high half of (b - a) * 4 times s * 16 is exactly that floor: both factors fit in
// 16 bits (|b - a| * 4 <= 1020, s * 16 <= 16384), so the result matches the plain formula byte
// for byte.
#include <emmintrin.h>

#include "imaging/transitions/step_blend_rows.h"

namespace imaging {

void BlendStepRow(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t bytes, uint32_t s) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i scale = _mm_set1_epi16(static_cast<int16_t>(s * 16));
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i aLo = _mm_unpacklo_epi8(va, zero), aHi = _mm_unpackhi_epi8(va, zero);
    const __m128i bLo = _mm_unpacklo_epi8(vb, zero), bHi = _mm_unpackhi_epi8(vb, zero);
    const __m128i lo = _mm_add_epi16(aLo, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(bLo, aLo), 2), scale));
    const __m128i hi = _mm_add_epi16(aHi, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(bHi, aHi), 2), scale));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
  }
  const uint32_t r = 1024 - s;
  for (; i < bytes; ++i) dst[i] = static_cast<uint8_t>((a[i] * r + b[i] * s) >> 10);
}

}  // namespace imaging
