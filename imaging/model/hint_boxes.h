// The hint boxes the views draw over an image: the vector layer's measurement box and the
// view's interaction hint.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

// Draws the measurement box (text in the font, on the brush, framed in the two colours) near
// (x, y), kept inside the client area; x and y return where it went. Before drawing, the
// canvas area the box covers is copied into backup (made when nil; the caller frees it) so
// that the caller can restore it.
void DrawMeasureHint(vcl::TCanvas* canvas, int32_t& x, int32_t& y, const std::string& text, vcl::TFont* font,
                     vcl::TBrush* brush, vcl::TBitmap*& backup, int32_t clientWidth, int32_t clientHeight,
                     vcl::TColor topLeft, vcl::TColor bottomRight);
// Draws the interaction hint: the text in 9-point Arial on a half-transparent pale yellow box
// as wide as the longer of the text and the template; negative x and y are raised to 0 and
// returned.
void DrawInteractionHint(vcl::TCanvas* canvas, int32_t& x, int32_t& y, const std::string& text,
                         const std::string& templateText);

}  // namespace imaging
