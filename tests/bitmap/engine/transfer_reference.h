// A straightforward implementation of the stretch transfer, one pixel at a time, kept next
// to the tests as the yardstick for the optimised one: every map, weight and sum is computed
// the plain way, in the order the algorithm is defined.
#pragma once

#include <vector>

#include "bitmap/engine/transfer.h"

namespace bitmap::reference {

// TransferRect's clipping, fallbacks and dispatch over the plain paths below. The bitmaps
// are assumed valid and srcRect inside src.
void TransferRect(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                  TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combiner);

void StretchNearest(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                    const TRect& srcRect, TDrawMode mode, const TPixelCombineEvent& combiner);
void StretchBilinear(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                     const TRect& srcRect, TDrawMode mode, const TPixelCombineEvent& combiner);
// The kernel resampler; `unclamped`, when given, receives every pixel's four channel sums
// (blue, green, red, alpha) before packing, row by row.
void Resample(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
              const TRect& srcRect, TStretchFilter filter, TDrawMode mode,
              const TPixelCombineEvent& combiner, std::vector<int32_t>* unclamped = nullptr);

}  // namespace bitmap::reference
