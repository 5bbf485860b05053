// Drawing one TBitmap32 into another: the checks, the clipping and the same-size block
// transfer in each draw mode.
#pragma once

#include "bitmap/bitmap32.h"
#include "vcl/exceptions.h"

namespace bitmap {

class ETransformError : public vcl::Exception {
  VCL_CLASS(ETransformError, vcl::Exception)
  using Exception::Exception;
};

// Draws srcRect of src so that it lands on dstRect of dst (which may reach outside dst),
// writing only inside dstClip and dst. dmCustom without a combiner draws opaque; dmBlend at
// master alpha 0 draws nothing. The caller signals dst's change.
void TransferRect(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                  TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combiner);
// Same-size transfer of dstClip from the source origin (srcX, srcY); the arguments are
// already checked and clipped.
void TransferBlock(TBitmap32* dst, const TRect& dstClip, TBitmap32* src, int32_t srcX,
                   int32_t srcY, TDrawMode mode, const TPixelCombineEvent& combiner);

// The argument checks: raise ETransformError "Destination bitmap is nil or empty" and
// "Source rectangle is invalid".
void TransferVerifyBitmaps(TBitmap32* dst, TBitmap32* src);
void TransferVerifySourceRect(TBitmap32* src, const TRect& srcRect);

}  // namespace bitmap
