// Projection resampling of black-and-white line art into a 1-bit destination: each
// destination pixel looks at the block of source pixels between the previous and its own
// mapped position, and one black (or white) pixel there decides it, so thin lines survive a
// reduction.
#pragma once

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Dest keeps its size and is made ie1g when it is not 1-bit. whiteWins false: a bit is black
// when any pixel of its block is black; true: white when any pixel is white. A 24-bit pixel is
// black with blue, green and red all below 128 and white with all three above 128.
void ProjectResample1Bit(TIEBitmap* source, TIEBitmap* dest, bool whiteWins, vcl::TObject* sender,
                         const TIEProgressEvent& onProgress);
void ProjectResample24(TIEBitmap* source, TIEBitmap* dest, bool whiteWins, vcl::TObject* sender,
                       const TIEProgressEvent& onProgress);

}  // namespace imaging
