// The kernel resampler: separable, with integer weights in 1/256 per axis. For each
// destination row the source rows of its vertical cluster are summed per source column
// (channels as 8-bit values, weights in 1/256), then each destination pixel sums its
// horizontal cluster over those column sums, giving the channel in 1/65536.
//
// The tables are turned into a denser form first, which leaves every sum unchanged (the
// arithmetic is exact integer arithmetic modulo 2^32): entries of one cluster that name the
// same source position are merged, and each horizontal cluster becomes a run of consecutive
// columns with a weight for each (0 for the columns it skips), all runs padded to one length.
// Tables without negative weights keep the column sums in 16 bits (they never exceed
// 255 * 256), which halves the work of both passes.
// Consecutive rows with the same vertical cluster share one vertical pass, and large
// drawings are split into bands of rows computed on several threads.
#include <algorithm>
#include <limits>
#include <vector>

#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/resample_rows.h"
#include "bitmap/engine/transfer_rows.h"
#include "bitmap/engine/transfer.h"

namespace bitmap {

namespace {

// The horizontal clusters as runs: destination pixel i sums consecutive column sums from
// column lo + starts[i], with the weights `weights[i * widest ...]` (0 where it skips one).
struct THorizontalRuns {
  int32_t lo = 0;       // the first source column any cluster uses
  int32_t columns = 0;  // source columns from lo to the last one used
  int32_t widest = 1;   // the longest run
  std::vector<int32_t> starts;
  std::vector<int32_t> weights;
  bool nonNegative = true;

  // The layouts the loops take: each weight four times, runs padded to an even length.
  int32_t WideTaps() const { return (widest + 1) & ~1; }
  std::vector<int32_t> WideWeights() const {
    const int32_t taps = WideTaps();
    std::vector<int32_t> spread(starts.size() * size_t(taps) * 4, 0);
    for (size_t i = 0; i < starts.size(); ++i)
      for (int32_t t = 0; t < widest; ++t)
        std::fill_n(spread.data() + (i * taps + t) * 4, 4, weights[i * widest + t]);
    return spread;
  }
  // Runs padded to a multiple of four; each group of four taps as (w0, w1) four times, then
  // (w2, w3) four times.
  int32_t NarrowTaps() const { return (widest + 3) & ~3; }
  std::vector<int16_t> NarrowWeights() const {
    const int32_t taps = NarrowTaps();
    std::vector<int16_t> spread(starts.size() * size_t(taps) * 4, 0);
    for (size_t i = 0; i < starts.size(); ++i)
      for (int32_t t = 0; t < widest; ++t) {
        int16_t* group = spread.data() + (i * taps + t / 4 * 4) * 4;
        const int32_t k = t % 4, first = k < 2 ? k : 6 + k;
        for (int32_t copy = 0; copy < 4; ++copy) group[first + 2 * copy] = int16_t(weights[i * widest + t]);
      }
    return spread;
  }
};

THorizontalRuns MakeHorizontalRuns(const TFlatMappingTable& map) {
  THorizontalRuns runs;
  const int32_t count = map.Count();
  runs.starts.resize(static_cast<size_t>(count));
  int32_t lo = std::numeric_limits<int32_t>::max(), hi = std::numeric_limits<int32_t>::min();
  int64_t widest = 1;
  for (int32_t i = 0; i < count; ++i) {
    int32_t first = map.Begin(i)->Position, last = first;
    for (const TClusterEntry* e = map.Begin(i); e != map.End(i); ++e) {
      first = std::min(first, e->Position);
      last = std::max(last, e->Position);
    }
    runs.starts[i] = first;  // absolute until lo is known
    lo = std::min(lo, first);
    hi = std::max(hi, last);
    widest = std::max<int64_t>(widest, int64_t(last) - first + 1);
  }
  runs.lo = lo;
  runs.columns = hi - lo + 1;
  runs.widest = int32_t(widest);
  runs.weights.assign(size_t(count) * size_t(widest), 0);
  for (int32_t i = 0; i < count; ++i) {
    int32_t* w = runs.weights.data() + size_t(i) * size_t(widest);
    for (const TClusterEntry* e = map.Begin(i); e != map.End(i); ++e) {
      int32_t& slot = w[e->Position - runs.starts[i]];
      slot = int32_t(uint32_t(slot) + uint32_t(e->Weight));
    }
    runs.starts[i] -= lo;
  }
  for (int32_t w : runs.weights) runs.nonNegative = runs.nonNegative && w >= 0;
  return runs;
}

// The vertical clusters with each source row once, each padded to an even count with a row
// of weight 0: cluster j is rows / weights [first[j], first[j + 1]).
struct TVerticalClusters {
  std::vector<size_t> first;
  std::vector<int32_t> rows;
  std::vector<int32_t> weights;
  std::vector<int16_t> weights16;  // the same, for the vector loops, when `fits16`
  bool fits16 = true;
  bool nonNegative = true;

  bool Same(int32_t a, int32_t b) const {
    return std::equal(rows.begin() + first[a], rows.begin() + first[a + 1],
                      rows.begin() + first[b], rows.begin() + first[b + 1]) &&
           std::equal(weights.begin() + first[a], weights.begin() + first[a + 1],
                      weights.begin() + first[b], weights.begin() + first[b + 1]);
  }
};

TVerticalClusters MakeVerticalClusters(const TFlatMappingTable& map) {
  TVerticalClusters v;
  v.first.push_back(0);
  std::vector<TClusterEntry> sorted;
  for (int32_t j = 0; j < map.Count(); ++j) {
    sorted.assign(map.Begin(j), map.End(j));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TClusterEntry& a, const TClusterEntry& b) { return a.Position < b.Position; });
    const size_t begin = v.rows.size();
    for (const TClusterEntry& e : sorted) {
      if (v.rows.size() > begin && v.rows.back() == e.Position)
        v.weights.back() = int32_t(uint32_t(v.weights.back()) + uint32_t(e.Weight));
      else {
        v.rows.push_back(e.Position);
        v.weights.push_back(e.Weight);
      }
    }
    if ((v.rows.size() - begin) % 2) {
      v.rows.push_back(v.rows[begin]);
      v.weights.push_back(0);
    }
    v.first.push_back(v.rows.size());
  }
  for (int32_t w : v.weights) {
    v.fits16 = v.fits16 && w >= -32768 && w <= 32767;
    v.nonNegative = v.nonNegative && w >= 0;
  }
  if (v.fits16) v.weights16.assign(v.weights.begin(), v.weights.end());
  return v;
}

// The vertical pass for weights that do not fit 16 bits; never met with the filters' own
// tables, kept so that no table can overflow the vector loops.
void WideVerticalSums(const TColor32* const* rows, const int32_t* weights, int32_t rowCount,
                      int32_t count, int32_t* sums) {
  for (int32_t x = 0; x < count; ++x) {
    uint32_t s[4] = {0, 0, 0, 0};
    for (int32_t k = 0; k < rowCount; ++k)
      for (int c = 0; c < 4; ++c) s[c] += uint32_t(weights[k]) * ((rows[k][x] >> (8 * c)) & 0xFFu);
    for (int c = 0; c < 4; ++c) sums[4 * x + c] = int32_t(s[c]);
  }
}

}  // namespace

void ResampleKernel(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                    const TRect& srcRect, TStretchFilter filter, TDrawMode mode,
                    const TPixelCombineEvent& combiner) {
  const uint32_t master = src->MasterAlpha();
  if (!ResolveDrawMode(mode, combiner, master)) return;
  const TFlatMappingTable mapX = BuildFlatKernelMap(
      dstRect.Left, dstRect.Right, dstClip.Left, dstClip.Right, srcRect.Left, srcRect.Right, filter);
  // A square drawing has the same table on both axes.
  const bool sameAxes = dstRect.Top == dstRect.Left && dstRect.Bottom == dstRect.Right &&
                        dstClip.Top == dstClip.Left && dstClip.Bottom == dstClip.Right &&
                        srcRect.Top == srcRect.Left && srcRect.Bottom == srcRect.Right;
  const TFlatMappingTable mapY =
      sameAxes ? TFlatMappingTable{}
               : BuildFlatKernelMap(dstRect.Top, dstRect.Bottom, dstClip.Top, dstClip.Bottom,
                                    srcRect.Top, srcRect.Bottom, filter);
  if (mapX.Count() == 0 || (!sameAxes && mapY.Count() == 0)) return;

  const int32_t clipW = mapX.Count();
  const THorizontalRuns runs = MakeHorizontalRuns(mapX);
  const TVerticalClusters vertical = MakeVerticalClusters(sameAxes ? mapX : mapY);
  const int32_t clipH = int32_t(vertical.first.size()) - 1;

  const TResampleRowKernels& loops = ResampleRowKernels();
  const TTransferRowWriter writer(mode, combiner, master, TBlendBy::Pixels);
  // Without negative weights every column sum fits 16 bits, which halves the work.
  const bool narrow = runs.nonNegative && vertical.nonNegative;
  const int32_t taps = narrow ? runs.NarrowTaps() : runs.WideTaps();
  const std::vector<int32_t> wideWeights = narrow ? std::vector<int32_t>() : runs.WideWeights();
  const std::vector<int16_t> narrowWeights = narrow ? runs.NarrowWeights() : std::vector<int16_t>();
  // The column sums are followed by a run's length of zeros, so that every padded run reads
  // inside the buffer.
  const size_t sumsLength = size_t(runs.columns + taps) * 4;

  auto band = [&](int32_t firstRow, int32_t endRow) {
    std::vector<int32_t> sums(narrow ? 0 : sumsLength, 0);
    std::vector<int16_t> narrowSums(narrow ? sumsLength : 0, 0);
    std::vector<TColor32> buffer(writer.WritesDirectly() ? 0 : size_t(clipW));
    std::vector<const TColor32*> sourceRows;
    int32_t summed = -1;
    for (int32_t j = firstRow; j < endRow; ++j) {
      if (summed < 0 || !vertical.Same(summed, j)) {
        const size_t begin = vertical.first[j], end = vertical.first[j + 1];
        sourceRows.clear();
        for (size_t k = begin; k < end; ++k)
          sourceRows.push_back(src->PixelPtr(runs.lo, vertical.rows[k]));
        const int32_t count = int32_t(end - begin);
        if (narrow)
          loops.VerticalSums16(sourceRows.data(), vertical.weights16.data() + begin, count,
                               runs.columns, narrowSums.data());
        else if (vertical.fits16)
          loops.VerticalSums(sourceRows.data(), vertical.weights16.data() + begin, count,
                             runs.columns, sums.data());
        else
          WideVerticalSums(sourceRows.data(), vertical.weights.data() + begin, count,
                           runs.columns, sums.data());
        summed = j;
      }
      TColor32* d = dst->PixelPtr(dstClip.Left, dstClip.Top + j);
      TColor32* out = writer.WritesDirectly() ? d : buffer.data();
      if (narrow)
        loops.HorizontalPack16(narrowSums.data(), runs.starts.data(), narrowWeights.data(), taps,
                               clipW, out);
      else
        loops.HorizontalPack(sums.data(), runs.starts.data(), wideWeights.data(), taps, clipW, out);
      if (!writer.WritesDirectly()) writer.Write(buffer.data(), d, clipW);
    }
  };

  if (writer.ThreadSafe() && int64_t(clipW) * clipH >= kParallelPixels)
    ParallelRows(clipH, band);
  else
    band(0, clipH);
}

}  // namespace bitmap
