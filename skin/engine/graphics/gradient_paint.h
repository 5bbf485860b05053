// Paints a parsed section gradient into a rectangle of a 24- or 32-bit bitmap: segments
// stacked from the top (mode 0), side by side from the left (mode 1), or the platform's
// triangle fill between four corners and the centre (mode 2).
#pragma once

#include "skin/engine/gradient_data.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// The rectangle (right and bottom exclusive) is clipped to the bitmap. The first segment's
// mode chooses the method; other modes, empty arrays and bitmaps of other formats paint
// nothing. 32-bit pixels get alpha 255.
void PaintGradient(vcl::TBitmap* bitmap, vcl::TRect rect, const TsGradArray& data);

// Loads and releases the platform's triangle fill; without it, four-corner gradients paint
// nothing. Run once at program start and end.
void GradientsStartUp();
void GradientsShutDown();

}  // namespace skin
