// The blend routines. The vector set is written with SSE2 rather than MMX instructions; it
// keeps the MMX arithmetic exactly (16-bit lanes, (f - b) * W wrapping in the low 16 bits,
// plus b * 256 and a bias of 128, shifted by 8 and packed with saturation),
// so its results are bit-identical to the MMX formulas.
#include "bitmap/engine/blend.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <emmintrin.h>
#define BITMAP_HAVE_SSE2 1
#else
#define BITMAP_HAVE_SSE2 0
#endif

namespace bitmap {

// ---- processor test ----

bool ProcessorHasCpuid() {
#if defined(__x86_64__)
  // The identification instruction exists when bit 21 of the flags register can be toggled.
  // The stack pointer steps over the red zone first: pushes would overwrite it.
  uint64_t before, after;
  asm volatile(
      "subq $128, %%rsp\n\t"
      "pushfq\n\t"
      "popq %0\n\t"
      "movq %0, %1\n\t"
      "xorq $0x200000, %1\n\t"
      "pushq %1\n\t"
      "popfq\n\t"
      "pushfq\n\t"
      "popq %1\n\t"
      "pushq %0\n\t"
      "popfq\n\t"
      "addq $128, %%rsp"
      : "=&r"(before), "=&r"(after)
      :
      : "cc", "memory");
  return ((before ^ after) & 0x200000) != 0;
#elif defined(__i386__)
  return __get_cpuid_max(0, nullptr) != 0;
#else
  return false;
#endif
}

namespace {
bool CpuidLeaf1(uint32_t& a, uint32_t& d) {
#if BITMAP_HAVE_SSE2
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!ProcessorHasCpuid() || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  a = eax;
  d = edx;
  return true;
#else
  return false;
#endif
}
}  // namespace

uint32_t ProcessorSignature() {
  uint32_t a = 0, d = 0;
  return CpuidLeaf1(a, d) ? a : 0;
}

uint32_t ProcessorFeatures() {
  uint32_t a = 0, d = 0;
  return CpuidLeaf1(a, d) ? d : 0;
}

bool ProcessorHasMmx() {
  if (!ProcessorHasCpuid()) return false;
  const uint32_t family = (ProcessorSignature() >> 8) & 0xF;
  return family >= 5 && (ProcessorFeatures() & (1u << 23)) != 0;
}

bool ProcessorHasAvx2() {
#if BITMAP_HAVE_SSE2
  // Asks the operating system too: the wide registers must be saved across task switches.
  __builtin_cpu_init();  // may run before the library's own start-up has
  // The AVX2 builds use fused multiply-adds too, which came with it on every processor.
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

bool ProcessorHasAvx512() {
#if BITMAP_HAVE_SSE2
  __builtin_cpu_init();
  // Its builds use the AVX2 set's instructions as well.
  return ProcessorHasAvx2() && __builtin_cpu_supports("avx512f") &&
         __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512dq");
#else
  return false;
#endif
}

// ---- the plain set ----

namespace {
// A master alpha is a byte; anything larger counts as fully opaque rather than overflowing
// the weights.
inline uint32_t MasterByte(uint32_t master) { return master > 255 ? 255 : master; }

// Red and blue, or alpha and green, of `pair` (0x00XX00YY) scaled by w / 256 with rounding.
inline uint32_t ScalePair(uint32_t pair, uint32_t w) {
  return ((pair * w + 0x00800080u) >> 8) & 0x00FF00FFu;
}
}  // namespace

namespace plain {

void BlendRow(const TColor32* src, TColor32* dst, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const TColor32 f = src[i];
    const uint32_t fa = f >> 24;
    if (fa == 0) continue;
    if (fa == 255) {
      dst[i] = f;
      continue;
    }
    const TColor32 b = dst[i];
    const uint32_t rb = ScalePair(f & 0x00FF00FFu, fa) + ScalePair(b & 0x00FF00FFu, 255 - fa);
    const uint32_t ag =
        ScalePair((f >> 8) & 0x00FF00FFu, fa) + ScalePair((b >> 8) & 0x00FF00FFu, 255 - fa);
    dst[i] = rb | ag << 8;
  }
}

void BlendPixelMaster(TColor32 f, TColor32& b, uint32_t master) {
  const uint32_t fa = f >> 24;
  if (fa == 0) return;
  const uint32_t w = ((MasterByte(master) + 1) * fa) >> 8;
  if (w == 0) return;
  const uint32_t rb = ScalePair(f & 0x00FF00FFu, w) + ScalePair(b & 0x00FF00FFu, 255 - w);
  const uint32_t g = ScalePair((f >> 8) & 0xFFu, w) + ScalePair((b >> 8) & 0xFFu, 255 - w);
  b = rb | g << 8;  // the plain pixel blend leaves alpha 0
}

void BlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t master) {
  for (int32_t i = 0; i < count; ++i) BlendPixelMaster(src[i], dst[i], master);
}

}  // namespace plain

// ---- the vector set ----

namespace {

bool g_mmxActive = false;

#if BITMAP_HAVE_SSE2
// Each 16-bit lane: (f * w + b * (256 - w) + 128) >> 8, computed as the MMX code did.
inline __m128i Lerp16(__m128i f16, __m128i b16, __m128i w16, __m128i bias) {
  const __m128i diff = _mm_mullo_epi16(_mm_sub_epi16(f16, b16), w16);
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(diff, _mm_slli_epi16(b16, 8)), bias), 8);
}

// Blends four pixels with one weight per pixel, given as 32-bit lanes (0..256).
inline __m128i Blend4(__m128i f, __m128i b, __m128i w32, __m128i bias) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i w = _mm_or_si128(w32, _mm_slli_epi32(w32, 16));  // the weight in both halves
  const __m128i wlo = _mm_unpacklo_epi32(w, w), whi = _mm_unpackhi_epi32(w, w);
  const __m128i lo = Lerp16(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(b, zero), wlo, bias);
  const __m128i hi = Lerp16(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(b, zero), whi, bias);
  return _mm_packus_epi16(lo, hi);
}

inline __m128i Bias() { return _mm_set1_epi16(128); }

// One pixel with the weight w, for the ends of rows and the pixel blend.
inline TColor32 Blend1(TColor32 f, TColor32 b, uint32_t w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i w16 = _mm_set1_epi16(short(w));
  const __m128i r = Lerp16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(f)), zero),
                           _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(b)), zero), w16, Bias());
  return TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(r, zero)));
}
#else
inline TColor32 Blend1(TColor32 f, TColor32 b, uint32_t w) {
  TColor32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t fc = (f >> shift) & 0xFF, bc = (b >> shift) & 0xFF;
    r |= ((fc * w + bc * (256 - w) + 128) >> 8) << shift;
  }
  return r;
}
#endif

}  // namespace

namespace vector {

void BlendRow(const TColor32* src, TColor32* dst, int32_t count) {
  int32_t i = 0;
#if BITMAP_HAVE_SSE2
  const __m128i bias = Bias(), opaque = _mm_set1_epi32(255);
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i fa = _mm_srli_epi32(f, 24);
    const int clear = _mm_movemask_epi8(_mm_cmpeq_epi32(fa, _mm_setzero_si128()));
    if (clear == 0xFFFF) continue;  // four transparent pixels leave Dst alone
    const __m128i isOpaque = _mm_cmpeq_epi32(fa, opaque);
    __m128i* d = reinterpret_cast<__m128i*>(dst + i);
    if (_mm_movemask_epi8(isOpaque) == 0xFFFF) {
      _mm_storeu_si128(d, f);
      continue;
    }
    // A weight of 0 gives b back exactly; only opaque pixels need their own path (copying).
    const __m128i mixed = Blend4(f, _mm_loadu_si128(d), fa, bias);
    _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(isOpaque, f), _mm_andnot_si128(isOpaque, mixed)));
  }
#endif
  for (; i < count; ++i) {
    const TColor32 f = src[i];
    const uint32_t fa = f >> 24;
    if (fa == 0) continue;
    dst[i] = fa == 255 ? f : Blend1(f, dst[i], fa);
  }
}

void BlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t master) {
  const uint32_t m = MasterByte(master);
  int32_t i = 0;
#if BITMAP_HAVE_SSE2
  const __m128i bias = Bias(), mm = _mm_set1_epi32(int(m)), one = _mm_set1_epi32(1);
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    // (fa + 1) * M fits in the low 16 bits of each 32-bit lane, so a 16-bit multiply serves.
    const __m128i w = _mm_srli_epi32(_mm_mullo_epi16(_mm_add_epi32(_mm_srli_epi32(f, 24), one), mm), 8);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(w, _mm_setzero_si128())) == 0xFFFF) continue;
    __m128i* d = reinterpret_cast<__m128i*>(dst + i);
    _mm_storeu_si128(d, Blend4(f, _mm_loadu_si128(d), w, bias));  // W = 0 keeps b exactly
  }
#endif
  for (; i < count; ++i) {
    const TColor32 f = src[i];
    const uint32_t fa = f >> 24;
    if (fa == 0) continue;
    const uint32_t w = ((fa + 1) * m) >> 8;
    if (w != 0) dst[i] = Blend1(f, dst[i], w);
  }
}

void BlendPixelMaster(TColor32 f, TColor32& b, uint32_t master) {
  const uint32_t fa = f >> 24;
  if (fa == 0) return;
  const uint32_t w = ((MasterByte(master) + 1) * fa) >> 8;
  if (w == 0) return;
  b = Blend1(f, b, w);
}

}  // namespace vector

// ---- binding at start-up ----

namespace {

void BindBlendRoutines();

void FirstBlendRow(const TColor32* src, TColor32* dst, int32_t count) {
  BindBlendRoutines();
  BlendRow(src, dst, count);
}
void FirstBlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t master) {
  BindBlendRoutines();
  BlendRowMaster(src, dst, count, master);
}
void FirstBlendPixelMaster(TColor32 f, TColor32& b, uint32_t master) {
  BindBlendRoutines();
  BlendPixelMaster(f, b, master);
}

void BindBlendRoutines() {
  static const bool bound = [] {
    g_mmxActive = ProcessorHasMmx() && BITMAP_HAVE_SSE2;
    if (g_mmxActive) {
      BlendRow = vector::BlendRow;
      BlendRowMaster = vector::BlendRowMaster;
      BlendPixelMaster = vector::BlendPixelMaster;
    } else {
      BlendRow = plain::BlendRow;
      BlendRowMaster = plain::BlendRowMaster;
      BlendPixelMaster = plain::BlendPixelMaster;
    }
    return true;
  }();
  (void)bound;
}

// Binds during the program's start-up, before any drawing.
const bool g_boundAtStartUp = (BindBlendRoutines(), true);

}  // namespace

TBlendRowProc BlendRow = FirstBlendRow;
TBlendRowMasterProc BlendRowMaster = FirstBlendRowMaster;
TBlendPixelMasterProc BlendPixelMaster = FirstBlendPixelMaster;

bool MmxActive() {
  BindBlendRoutines();
  return g_mmxActive;
}

void ResetProcessorState() {
#if BITMAP_HAVE_SSE2
  if (g_mmxActive) _mm_empty();
#endif
}

}  // namespace bitmap
