// Copies between platform bitmaps (TBitmap): a clone, a pixel copy that takes over size and
// pixel format, and the expansion of a 1-bit bitmap to 24 bits.
#pragma once

#include <memory>

#include "imaging/model/routines/progress_context.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

// A new bitmap with the source's size, pixel format, pixel rows and colour table.
std::unique_ptr<vcl::TBitmap> CloneTBitmap(vcl::TBitmap* source);
// The destination takes the source's size, pixel format, pixel rows and (for 1, 4 and 8 bits)
// colour table. An empty source leaves a 1 x 1 destination of its pixel format. Formats
// without a bit count (pfDevice, pfCustom) copy no pixels.
void CopyTBitmapPixels(vcl::TBitmap* source, vcl::TBitmap* dest);
// The destination becomes a pf24bit bitmap of a pf1bit source's size in which set bits are
// white and clear bits black (the source's colour table is not consulted). Sources of other
// formats are ignored. Progress (may be nil) after each row.
void Expand1BitTo24BitTBitmap(vcl::TBitmap* source, vcl::TBitmap* dest, ProgressContext* progress);

}  // namespace imaging
