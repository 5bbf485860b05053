// Whole-bitmap routines that stand beside the processing object's operations: scaling with the
// alpha channel, filling transparent pixels, bit inversion and a content comparison.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Scales src into dst (allocated by the caller at the wanted size): an exact copy at the same
// size; rfNone by nearest pixel; 1-bit sources into ie1g for the projections and ie24RGB for
// the other filters; the rest through the resampling engine. The alpha channel is scaled the
// same way (created on dst when needed) and keeps src's all-255 flag.
void ResampleBitmapWithAlpha(TIEBitmap* src, TIEBitmap* dst, TResampleFilter filter, vcl::TObject* sender,
                             const TIEProgressEvent& progress);

// ie24RGB only: every pixel whose alpha is 0 takes the colour (0x00RRGGBB). Nothing without
// an alpha channel or for other formats.
void FillTransparentPixels(TIEBitmap* bitmap, int32_t packedRGB);

// Every bit of every row, padding included.
void InvertBitmapBits(TIEBitmap* bitmap);
void InvertBytes(uint8_t* buffer, int64_t length);

// Same size, same pixel format, both with or both without alpha channel, and every row (padding
// included) and every alpha row equal byte for byte.
bool SameBitmapContent(TIEBitmap* a, TIEBitmap* b);

}  // namespace imaging
