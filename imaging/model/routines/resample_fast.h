// The fast resamplers: fixed-point linear interpolation with 17-bit fractions when enlarging
// and integer box means when reducing, for 24-bit, 8-bit and 1-bit sources, and the bit-area
// averager that turns a rectangle of a 1-bit bitmap into grey.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Into an ie24RGB destination (ie8g for ResampleFastLinear8) of the wanted size. Nothing when
// either bitmap is empty; with both scales exactly 1 Dest becomes a copy of Source. An axis
// whose scale is exactly 1 is copied as it is.
void ResampleFastLinear24(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender, const TIEProgressEvent& onProgress);
void ResampleFastLinear8(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender, const TIEProgressEvent& onProgress);
// A 1-bit source into an ie24RGB grey destination: the bit averager when both axes shrink,
// else linear interpolation of 0 and 255 on both axes.
void ResampleFastLinear1Bit(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender,
                            const TIEProgressEvent& onProgress);

// Averages the bits of the source rectangle (x1, y1)-(x2, y2), corners inclusive, under each
// pixel of the ie24RGB destination: grey = 255 * set bits div bits. The rectangle is clipped
// to the source; nothing when either bitmap or the rectangle is empty.
void Resample1BitToGray24(TIEBitmap* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TIEBitmap* dest);

}  // namespace imaging
