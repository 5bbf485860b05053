// What the skin engine does with a decoded PNG besides loading it: icons for image lists, and
// the clean-up of bitmaps assigned from PNG mask images. (TPNGGraphic::Draw and
// TPNGGraphic::CreateIconHandle live in png_drawing.cpp too.)
#pragma once

#include "skin/engine/png/png_graphic.h"

namespace skin::png {

// A new icon with the image's own pixels and alpha and a mask of its fully transparent pixels;
// 0 when the platform refuses. The image becomes 32-bit; one that had no alpha of its own is
// opaque there, except for its transparent colour. `color` is what images under 2 x 2 pixels
// are drawn on.
HICON MakeIconOnColor(TPNGGraphic* png, vcl::TColor color);

// In a 32-bit bitmap of at least 2 x 2 pixels, white pixels of alpha 0 become 0 in all four
// bytes; other bitmaps are left as they are.
void ClearWhiteTransparent(vcl::TBitmap* bitmap);

}  // namespace skin::png
