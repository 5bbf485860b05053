#include "imaging/model/routines/resample_shrink.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "imaging/model/routines/resample_filters.h"
#include "imaging/model/routines/resample_rows.h"
#include "imaging/model/routines/shrink_two_by_two.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/parallel_bands.h"

namespace imaging {

namespace {

// Destination rows per strip: their shrunk source rows (a few dozen rows of the shrunk width)
// stay in the cache between the box average and the vertical pass.
constexpr int32_t kStripRows = 8;

// Asked once, at start-up.
const bool g_shrinkTwoByTwoSse41 = ShrinkTwoByTwoSse41Available();

// (sum + n / 2) / n for the box averages, with one multiply where it is exact: for a sum of
// at most 256 n and n below 4096, floor(x * m / 2^32) with m = floor(2^32 / n) + 1 is floor(x / n).
class TRoundedDivider {
 public:
  explicit TRoundedDivider(uint32_t n) : n_(n), half_(n / 2), magic_(n < 4096 ? (uint64_t(1) << 32) / n + 1 : 0) {}
  uint8_t operator()(uint32_t sum) const {
    const uint64_t x = uint64_t(sum) + half_;
    return static_cast<uint8_t>(magic_ ? (x * magic_) >> 32 : x / n_);
  }

 private:
  uint32_t n_, half_;
  uint64_t magic_;
};

// 2 x 2 blocks of two source rows, the most common shrink: (a + b + c + d + 2) / 4 of each
// channel. q gets, for every byte j, the average of bytes j and j + 3 of both rows (16-bit
// lanes, eight at a time); each block's three channels then sit at q[6p .. 6p + 2].
// q: room for srcW x 3 + 16 bytes; out: readable one byte past the shrunk row.
void ShrinkTwoByTwo(const uint8_t* rowA, const uint8_t* rowB, int32_t srcW, uint8_t* q, uint8_t* out) {
  const int32_t bytes = srcW * 3;
  const int32_t pairs = srcW / 2;
  const int32_t used = pairs * 6;  // bytes that belong to whole blocks
  const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
  auto load8 = [&](const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  int32_t j = 0;
  for (; j + 11 <= bytes && j < used; j += 8) {
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(load8(rowA + j), load8(rowB + j)),
                                      _mm_add_epi16(load8(rowA + j + 3), load8(rowB + j + 3)));
    const __m128i average = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(q + j), _mm_packus_epi16(average, zero));
  }
  for (; j < used; ++j)  // only the bytes a block keeps: the others would read past the row
    if (j % 6 < 3) q[j] = uint8_t((rowA[j] + rowB[j] + rowA[j + 3] + rowB[j + 3] + 2) >> 2);
  for (int32_t p = 0; p < pairs; ++p) std::memcpy(out + 3 * p, q + 6 * p, 4);  // the fourth byte is overwritten next
  if (srcW % 2)
    for (int32_t c = 0; c < 3; ++c) out[3 * pairs + c] = uint8_t((rowA[used + c] + rowB[used + c] + 1) >> 1);
}

// One shrunk pixel from the column sums of a block `columns` pixels wide: each channel's total
// divided, rounded, by the block's pixel count (which the divider holds).
inline void AverageBlock(const uint32_t* sums, int32_t columns, const TRoundedDivider& divider, uint8_t* out) {
  uint32_t b = 0, g = 0, r = 0;
  for (int32_t k = 0; k < columns; ++k, sums += 3) {
    b += sums[0];
    g += sums[1];
    r += sums[2];
  }
  out[0] = divider(b);
  out[1] = divider(g);
  out[2] = divider(r);
}

// The box-averaged row `j` of the source shrunk by shrinkX x shrinkY (the last block of each
// axis may be shorter) into out (shrunk width x 3 bytes). sums: room for srcW x 3 counters.
void ShrinkRow(const std::vector<const uint8_t*>& sourceRows, int32_t srcW, int32_t srcH, int32_t shrinkX,
               int32_t shrinkY, int32_t j, uint32_t* sums, uint8_t* out) {
  const int32_t y0 = j * shrinkY, y1 = std::min(srcH, y0 + shrinkY);
  const int32_t bytes = srcW * 3;
  if (shrinkX == 2 && y1 - y0 == 2) {
    if (g_shrinkTwoByTwoSse41)
      ShrinkTwoByTwoSse41(sourceRows[y0], sourceRows[y0 + 1], srcW, out);
    else
      ShrinkTwoByTwo(sourceRows[y0], sourceRows[y0 + 1], srcW, reinterpret_cast<uint8_t*>(sums), out);
    return;
  }
  // Column sums of the block's rows: 16 bytes at a time widened to 32-bit counters.
  std::memset(sums, 0, size_t(bytes) * sizeof(uint32_t));
  const __m128i zero = _mm_setzero_si128();
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* row = sourceRows[y];
    int32_t x = 0;
    for (; x + 16 <= bytes; x += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
      const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
      __m128i* s = reinterpret_cast<__m128i*>(sums + x);
      _mm_storeu_si128(s, _mm_add_epi32(_mm_loadu_si128(s), _mm_unpacklo_epi16(lo, zero)));
      _mm_storeu_si128(s + 1, _mm_add_epi32(_mm_loadu_si128(s + 1), _mm_unpackhi_epi16(lo, zero)));
      _mm_storeu_si128(s + 2, _mm_add_epi32(_mm_loadu_si128(s + 2), _mm_unpacklo_epi16(hi, zero)));
      _mm_storeu_si128(s + 3, _mm_add_epi32(_mm_loadu_si128(s + 3), _mm_unpackhi_epi16(hi, zero)));
    }
    for (; x < bytes; ++x) sums[x] += row[x];
  }
  const int32_t rows = y1 - y0;
  const int32_t fullBlocks = srcW / shrinkX;
  const TRoundedDivider full(uint32_t(shrinkX * rows));
  for (int32_t p = 0; p < fullBlocks; ++p) AverageBlock(sums + p * shrinkX * 3, shrinkX, full, out + 3 * p);
  const int32_t rest = srcW - fullBlocks * shrinkX;
  if (rest > 0)
    AverageBlock(sums + fullBlocks * shrinkX * 3, rest, TRoundedDivider(uint32_t(rest * rows)),
                 out + 3 * fullBlocks);
}

}  // namespace

int32_t ResampleShrinkFactor(int32_t sourceSize, int32_t destSize) {
  if (destSize < 2 || sourceSize <= destSize) return 1;
  const double ratio = 1.0 / ResampleScale(sourceSize, destSize);
  return std::max(1, static_cast<int32_t>(ratio / 2));
}

bool UsesShrinkingResample(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH) {
  if (int64_t(srcW) * srcH < kShrinkMinPixels || dstW < 2 || dstH < 2 || dstW > srcW || dstH > srcH) return false;
  return ResampleShrinkFactor(srcW, dstW) > 1 || ResampleShrinkFactor(srcH, dstH) > 1;
}

void ShrinkingResample24(const std::vector<const uint8_t*>& sourceRows, int32_t srcW, int32_t srcH,
                         const std::vector<uint8_t*>& destRows, int32_t dstW, int32_t dstH,
                         TResampleFilter filter, int32_t shrinkX, int32_t shrinkY,
                         const std::function<void(int32_t rowsDone)>& afterRows) {
  if (dstW < 1 || dstH < 1) return;
  const int32_t shrunkW = (srcW + shrinkX - 1) / shrinkX;
  const TContributorTable columns(srcW, dstW, filter, shrinkX);
  const TContributorTable rows(srcH, dstH, filter, shrinkY);
  const THorizontalResampler horizontal(columns, 3, TZeroWeightRule::AsWeight256);
  const int32_t shrunkBytes = shrunkW * 3;

  std::atomic<int32_t> rowsDone{0};
  const std::thread::id caller = std::this_thread::get_id();
  vcl::ParallelRows(
      dstH,
      [&](int32_t first, int32_t end) {
        std::vector<uint32_t> sums(size_t(srcW) * 3 + 4);
        std::vector<const uint8_t*> taps(static_cast<size_t>(rows.MaxCount()) + 1);
        std::vector<int32_t> weights(static_cast<size_t>(rows.MaxCount()) + 1);
        TWorkRows line(shrunkBytes, 1);
        TWorkRows out(int64_t(dstW) * 3, 1);
        // The shrunk rows live in a ring of slots, row j in slot j % ring: rows that two
        // neighbouring strips share are shrunk once. A strip's rows are consecutive and at most
        // `ring` many, so they never take each other's slots.
        auto stripRange = [&](int32_t k0, int32_t k1, int32_t& lo, int32_t& hi) {
          lo = INT32_MAX, hi = -1;
          for (int32_t k = k0; k < k1; ++k)
            for (int32_t c = 0; c < rows.Count(k); ++c) {
              lo = std::min(lo, rows.List(k)[c].index);
              hi = std::max(hi, rows.List(k)[c].index);
            }
          if (hi < lo) lo = hi = 0;  // lists without entries: every row is a zero sum
        };
        int32_t ring = 1;
        for (int32_t k0 = first; k0 < end; k0 += kStripRows) {
          int32_t lo, hi;
          stripRange(k0, std::min(end, k0 + kStripRows), lo, hi);
          ring = std::max(ring, hi - lo + 1);
        }
        TWorkRows shrunk(shrunkBytes, ring);
        std::vector<int32_t> slotRow(size_t(ring), -1);
        auto shrunkRow = [&](int32_t j) { return shrunk.Row(j % ring); };
        for (int32_t k0 = first; k0 < end; k0 += kStripRows) {
          const int32_t k1 = std::min(end, k0 + kStripRows);
          int32_t lo, hi;
          stripRange(k0, k1, lo, hi);
          for (int32_t j = lo; j <= hi; ++j)
            if (slotRow[size_t(j % ring)] != j) {
              ShrinkRow(sourceRows, srcW, srcH, shrinkX, shrinkY, j, sums.data(), shrunkRow(j));
              slotRow[size_t(j % ring)] = j;
            }
          for (int32_t k = k0; k < k1; ++k) {
            const ResampleContributor* list = rows.List(k);
            const int32_t count = rows.Count(k);
            for (int32_t c = 0; c < count; ++c) {
              taps[c] = shrunkRow(list[c].index);
              weights[c] = list[c].weight;
            }
            ResampleVerticalRow(taps.data(), weights.data(), count, line.Row(0), shrunkBytes);
            horizontal.Run(line.Row(0), out.Row(0));
            std::memcpy(destRows[k], out.Row(0), size_t(dstW) * 3);
          }
          const int32_t done = rowsDone.fetch_add(k1 - k0) + (k1 - k0);
          if (afterRows && std::this_thread::get_id() == caller) afterRows(done);
        }
      },
      kStripRows);
  if (afterRows) afterRows(dstH);
}

}  // namespace imaging
