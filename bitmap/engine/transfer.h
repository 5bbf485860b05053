// Drawing a rectangle of one TBitmap32 into a rectangle of another: the checks, the clipping,
// the same-size block transfer, and, where the sizes differ, resampling with the source's
// stretch filter, in each draw mode.
#pragma once

#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/kernel_map.h"
#include "vcl/runtime/exceptions.h"

namespace bitmap {

class ETransformError : public vcl::Exception {
  VCL_CLASS(ETransformError, vcl::Exception)
  using Exception::Exception;
};

// Draws srcRect of src so that it lands on dstRect of dst (which may reach outside dst),
// writing only inside dstClip and dst; every map is computed against the whole dstRect, so a
// clipped drawing is exactly the matching part of the unclipped one. Equal sizes are copied
// or blended without resampling; otherwise sfNearest picks pixels, sfLinear interpolates
// when enlarging in both directions, and the other filters (and sfLinear otherwise) go
// through the kernel resampler. dmCustom without a combiner draws opaque; dmBlend at master
// alpha 0 draws nothing. Drawing a bitmap into itself reads the pixels as they were before.
// Raises ETransformError "Source bitmap is nil or empty" (nil src), "Destination bitmap is
// nil or empty" and "Source rectangle is invalid". The caller signals dst's change.
void TransferRect(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                  TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combiner);

// The paths below are reached through TransferRect, after its checks and clipping: dstClip
// lies inside dst and dstRect, srcRect inside src, and neither bitmap is empty.

// Above this many pixels a same-size copy or blend (dmBlend, or dmCustom with a blend mode's
// combiner) is split into row bands on the worker threads.
constexpr int64_t kParallelBlockPixels = 1024 * 1024;

// Same-size transfer of dstClip from the source origin (srcX, srcY).
void TransferBlock(TBitmap32* dst, const TRect& dstClip, TBitmap32* src, int32_t srcX,
                   int32_t srcY, TDrawMode mode, const TPixelCombineEvent& combiner);
// Each destination pixel takes the source pixel its position maps to.
void StretchNearestNeighbour(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip,
                             TBitmap32* src, const TRect& srcRect, TDrawMode mode,
                             const TPixelCombineEvent& combiner);
// Bilinear interpolation with weights in 1/256, for a dstRect larger than srcRect in both
// directions (EAssertionFailed otherwise).
void StretchBilinearUp(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip,
                       TBitmap32* src, const TRect& srcRect, TDrawMode mode,
                       const TPixelCombineEvent& combiner);
// Separable resampling with the filter's kernel.
void ResampleKernel(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                    const TRect& srcRect, TStretchFilter filter, TDrawMode mode,
                    const TPixelCombineEvent& combiner);

// The argument checks: raise ETransformError "Destination bitmap is nil or empty" and
// "Source rectangle is invalid".
void TransferVerifyBitmaps(TBitmap32* dst, TBitmap32* src);
void TransferVerifySourceRect(TBitmap32* src, const TRect& srcRect);

}  // namespace bitmap
