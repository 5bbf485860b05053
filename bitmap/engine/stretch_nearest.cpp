// Nearest-neighbour stretching: each destination pixel takes the source pixel its position
// maps to. Columns are mapped once per call; a destination row that maps to the same source
// row as the one above is copied (or combined from the same buffer) instead of gathered again.
#include <algorithm>
#include <cmath>
#include <vector>

#include "bitmap/engine/blend.h"
#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/resample_rows.h"
#include "bitmap/engine/transfer_rows.h"
#include "bitmap/engine/transfer.h"

namespace bitmap {

namespace {

// The source index of destination index `index` (counted from the start of the whole
// destination span) on one axis, in single precision. A one-pixel destination takes the
// middle of the source span. The result is kept inside the span, which the single-precision
// product could otherwise overshoot on enormous spans.
class TNearestAxis {
 public:
  TNearestAxis(int32_t srcLo, int32_t srcHi, int64_t dstSize) : lo_(srcLo), hi_(srcHi) {
    single_ = dstSize <= 1;
    middle_ = int32_t((int64_t(srcLo) + srcHi - 1) / 2);
    srcSize_ = int64_t(srcHi) - srcLo;
    dstSize_ = dstSize;
    scale_ = float(srcSize_) / float(dstSize);
  }

  // Columns: the position times the scale.
  int32_t Column(int64_t index) const {
    if (single_) return middle_;
    return Clamp(std::trunc(float(lo_) + float(index) * scale_));
  }
  // Rows: the position times the source size, divided by the destination size.
  int32_t Row(int64_t index) const {
    if (single_) return middle_;
    return Clamp(std::trunc(float(lo_) + float(index * srcSize_) / float(dstSize_)));
  }

 private:
  int32_t Clamp(float v) const {
    if (!(v >= float(lo_))) return lo_;
    if (v >= float(hi_ - 1)) return hi_ - 1;
    return int32_t(v);
  }

  int32_t lo_, hi_, middle_;
  int64_t srcSize_, dstSize_;
  float scale_;
  bool single_;
};

}  // namespace

void StretchNearestNeighbour(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip,
                             TBitmap32* src, const TRect& srcRect, TDrawMode mode,
                             const TPixelCombineEvent& combiner) {
  const uint32_t master = src->MasterAlpha();
  if (!ResolveDrawMode(mode, combiner, master)) return;
  const int32_t clipW = dstClip.Right - dstClip.Left, clipH = dstClip.Bottom - dstClip.Top;
  if (clipW <= 0 || clipH <= 0) return;

  const TNearestAxis columns(srcRect.Left, srcRect.Right, int64_t(dstRect.Right) - dstRect.Left);
  const TNearestAxis rows(srcRect.Top, srcRect.Bottom, int64_t(dstRect.Bottom) - dstRect.Top);
  const int64_t columnOffset = int64_t(dstClip.Left) - dstRect.Left;
  const int64_t rowOffset = int64_t(dstClip.Top) - dstRect.Top;
  std::vector<int32_t> columnMap(static_cast<size_t>(clipW));
  for (int32_t i = 0; i < clipW; ++i) columnMap[i] = columns.Column(i + columnOffset);

  const TResampleRowKernels& loops = ResampleRowKernels();
  auto gather = [&](int32_t sourceRow, TColor32* out) {
    loops.GatherColumns(src->ScanLine(sourceRow), columnMap.data(), clipW, out);
  };

  if (mode == dmOpaque) {
    auto band = [&](int32_t firstRow, int32_t endRow) {
      int32_t lastRow = -1;
      TColor32* previous = nullptr;
      for (int32_t j = firstRow; j < endRow; ++j) {
        TColor32* d = dst->PixelPtr(dstClip.Left, dstClip.Top + j);
        const int32_t sourceRow = rows.Row(j + rowOffset);
        if (sourceRow == lastRow)
          MoveRun(previous, d, clipW);
        else
          gather(sourceRow, d);
        lastRow = sourceRow;
        previous = d;
      }
    };
    if (int64_t(clipW) * clipH >= kParallelPixels)
      ParallelRows(clipH, band);
    else
      band(0, clipH);
    return;
  }

  const TTransferRowWriter writer(mode, combiner, master, TBlendBy::Rows);
  auto band = [&](int32_t firstRow, int32_t endRow) {
    std::vector<TColor32> buffer(static_cast<size_t>(clipW));
    int32_t lastRow = -1;
    for (int32_t j = firstRow; j < endRow; ++j) {
      // The previous row's blend may have left the processor in its vector state.
      ResetProcessorState();
      const int32_t sourceRow = rows.Row(j + rowOffset);
      if (sourceRow != lastRow) gather(sourceRow, buffer.data());
      lastRow = sourceRow;
      writer.Write(buffer.data(), dst->PixelPtr(dstClip.Left, dstClip.Top + j), clipW);
    }
  };
  // A combiner other than a blend mode is the caller's code: it runs on this thread only.
  if (writer.ThreadSafe() && int64_t(clipW) * clipH >= kParallelPixels)
    ParallelRows(clipH, band);
  else
    band(0, clipH);
}

}  // namespace bitmap
