// Whole-bitmap pixel filters. Each sizes Dst like Src and writes it pixel by pixel from Src;
// Dst may be Src itself, which filters in place. A nil Src raises "The source is nil", then a
// nil Dst "Destination is nil"; Dst signals a change at the end (also when empty).
#pragma once

#include "bitmap/engine/bitmap32.h"

namespace bitmap {

// Dst's own colours with the alpha of Src's intensity.
void IntensityToAlpha(TBitmap32* dst, TBitmap32* src);
// Red, green and blue inverted, alpha kept.
void InvertRGB(TBitmap32* dst, TBitmap32* src);
// Opaque grey of the intensity.
void ToGrayscale(TBitmap32* dst, TBitmap32* src);

}  // namespace bitmap
