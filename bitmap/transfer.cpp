#include "bitmap/transfer.h"

#include "bitmap/blend.h"
#include "bitmap/blend_rows.h"

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
  const int32_t w = dstClip.Right - dstClip.Left;
  const uint32_t master = src->MasterAlpha();
  // A blend mode's combiner is recognised once and run a row at a time by its kernel.
  const TBlendRowKernel kernel = mode == dmCustom ? CombineRowKernel(combiner) : nullptr;
  for (int32_t r = 0; r < dstClip.Bottom - dstClip.Top; ++r) {
    const TColor32* s = src->PixelPtr(srcX, srcY + r);
    TColor32* d = dst->PixelPtr(dstClip.Left, dstClip.Top + r);
    switch (mode) {
      case dmOpaque:
        MoveRun(s, d, w);
        break;
      case dmBlend:
        if (master >= 255)
          BlendRow(s, d, w);
        else
          BlendRowMaster(s, d, w, master);
        break;
      case dmCustom:
        if (kernel)
          kernel(s, d, w, master);
        else
          for (int32_t i = 0; i < w; ++i) combiner(s[i], d[i], master);
        break;
    }
  }
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

  if (mode == dmCustom && !combiner.Assigned()) mode = dmOpaque;
  if (mode == dmBlend && src->MasterAlpha() == 0) return;

  const int32_t srcW = srcRect.Right - srcRect.Left, srcH = srcRect.Bottom - srcRect.Top;
  const int32_t dstW = dstRect.Right - dstRect.Left, dstH = dstRect.Bottom - dstRect.Top;
  struct ResetOnExit {
    ~ResetOnExit() { ResetProcessorState(); }
  } reset;
  if (dstW == srcW && dstH == srcH) {
    TransferBlock(dst, dstClip, src, srcRect.Left + dstClip.Left - dstRect.Left,
                  srcRect.Top + dstClip.Top - dstRect.Top, mode, combiner);
    return;
  }
  (void)filter;
  throw ETransformError("Stretched drawing is not available");
}

}  // namespace bitmap
