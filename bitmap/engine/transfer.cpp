#include "bitmap/engine/transfer.h"

#include <optional>

#include "bitmap/engine/blend.h"
#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/transfer_rows.h"

namespace bitmap {

void TransferVerifyBitmaps(TBitmap32* dst, TBitmap32* src) {
  if (!dst || dst->IsEmpty()) throw ETransformError("Destination bitmap is nil or empty");
}

void TransferVerifySourceRect(TBitmap32* src, const TRect& srcRect) {
  if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src->Width() ||
      srcRect.Bottom > src->Height())
    throw ETransformError("Source rectangle is invalid");
}

void TransferBlock(TBitmap32* dst, const TRect& dstClip, TBitmap32* src, int32_t srcX,
                   int32_t srcY, TDrawMode mode, const TPixelCombineEvent& combiner) {
  const uint32_t master = src->MasterAlpha();
  if (!ResolveDrawMode(mode, combiner, master)) return;
  const TTransferRowWriter writer(mode, combiner, master, TBlendBy::Rows);
  const int32_t w = dstClip.Right - dstClip.Left, h = dstClip.Bottom - dstClip.Top;
  auto band = [&](int32_t first, int32_t end) {
    for (int32_t r = first; r < end; ++r)
      writer.Write(src->PixelPtr(srcX, srcY + r), dst->PixelPtr(dstClip.Left, dstClip.Top + r), w);
    // A band on a worker leaves the processor as it found it.
    ResetProcessorState();
  };
  // Large blocks are worth the workers, copies too: one thread reaches only part of the
  // memory's bandwidth. Rows are independent (src is never dst here), so the bands give the
  // same bits.
  if (src != dst && writer.ThreadSafe() && int64_t(w) * h > kParallelBlockPixels)
    ParallelRows(h, band);
  else
    band(0, h);
}

void TransferRect(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                  TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combiner) {
  if (!src) throw ETransformError("Source bitmap is nil or empty");
  if (src->IsEmpty()) return;
  TransferVerifyBitmaps(dst, src);
  if (RectIsEmpty(srcRect)) return;
  TransferVerifySourceRect(src, srcRect);

  IntersectRects(dstClip, dstClip, dst->BoundsRect());
  IntersectRects(dstClip, dstClip, dstRect);
  if (RectIsEmpty(dstClip)) return;

  if (!ResolveDrawMode(mode, combiner, src->MasterAlpha())) return;

  // A bitmap drawn into itself would read pixels it has already written: it is drawn from a
  // copy, as if the source had been read first.
  std::optional<TBitmap32> snapshot;
  if (src == dst) {
    snapshot.emplace();
    snapshot->Assign(src);
    src = &*snapshot;
  }

  const int64_t srcW = int64_t(srcRect.Right) - srcRect.Left;
  const int64_t srcH = int64_t(srcRect.Bottom) - srcRect.Top;
  const int64_t dstW = int64_t(dstRect.Right) - dstRect.Left;
  const int64_t dstH = int64_t(dstRect.Bottom) - dstRect.Top;
  struct ResetOnExit {
    ~ResetOnExit() { ResetProcessorState(); }
  } reset;
  if (dstW == srcW && dstH == srcH) {
    TransferBlock(dst, dstClip, src, srcRect.Left + dstClip.Left - dstRect.Left,
                  srcRect.Top + dstClip.Top - dstRect.Top, mode, combiner);
    return;
  }
  switch (filter) {
    case sfNearest:
      StretchNearestNeighbour(dst, dstRect, dstClip, src, srcRect, mode, combiner);
      break;
    case sfLinear:
      // Interpolation only when enlarging both ways; otherwise the tent kernel also averages
      // the pixels a shrinking side skips.
      if (dstW > srcW && dstH > srcH)
        StretchBilinearUp(dst, dstRect, dstClip, src, srcRect, mode, combiner);
      else
        ResampleKernel(dst, dstRect, dstClip, src, srcRect, sfLinear, mode, combiner);
      break;
    default:
      ResampleKernel(dst, dstRect, dstClip, src, srcRect, filter, mode, combiner);
      break;
  }
}

}  // namespace bitmap
