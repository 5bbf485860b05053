// What the views draw around an image: two-colour frames, shadow strips to the right of and
// below it, a blurred drop shadow, and the darkened area outside a rectangle.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

class TIECanvas;

// Top and left edges in one colour, bottom and right in the other, with a one-pixel solid copy
// pen. The corner (x2, y1) is left out, as the platform's lines leave out their end point.
void DrawFrame3D(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TColor topLeft,
                 vcl::TColor bottomRight);
// The same two polylines on a TIECanvas, keeping its pen width.
void DrawFrame3DOnIECanvas(TIECanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TColor topLeft,
                           vcl::TColor bottomRight);

// A shadow strip in the rectangle (x1, y1)-(x2, y2), inclusive: kind 1 fills with the canvas's
// brush, kind 2 darkens what is there (fading away from the image, cut diagonally at the far
// end), kind 3 paints a grey ramp; other kinds draw nothing. Pixels inside the 24-bit bitmap
// (which may be nil) are changed in its rows, the rest through the canvas.
void DrawShadowRight(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t kind);
void DrawShadowBottom(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t kind);
// Darkens a 24-bit bitmap in a 5-pixel margin around the image (x1, y1)-(x2, y2), inclusive,
// with the blurred silhouette of the image moved 2 pixels right and down. The image itself is
// not touched.
void DrawSoftShadow(vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Darkens (black at alpha 150) the area outside the rectangle, leaving the hole
// x1 + 1 <= x < x2, y1 + 1 <= y <= y2; nothing when x1 >= x2 or y1 >= y2.
void ShadeOutsideRect(vcl::TCanvas* canvas, int32_t areaLeft, int32_t areaTop, int32_t areaWidth,
                      int32_t areaHeight, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace imaging
