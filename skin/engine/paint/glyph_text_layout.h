// Where a button's glyph and caption go inside its client rectangle.
#pragma once

#include <cstdint>

#include "vcl/graphics/canvas.h"

namespace skin {

// Glyph position relative to the caption.
enum TacGlyphLayout : int32_t { glGlyphLeft = 0, glGlyphRight = 1, glGlyphTop = 2, glGlyphBottom = 3 };
// Alignment of glyph and caption together along the layout axis.
enum TacGlyphAlignment : int32_t { gaLeft = 0, gaRight = 1, gaCenter = 2 };
// Bit of the bidirectional flags that swaps the left and right layouts.
constexpr uint32_t glRightToLeftReading = 2;

// Places a glyph of `glyphSize` and a caption of `textSize` in `client`. A margin of -1 centres
// (or keeps a margin of 2); a negative spacing spreads the pair over the client. Without a
// caption or a glyph the spacing is 0. Results are in client coordinates.
void CalcGlyphTextLayout(const vcl::TRect& client, const vcl::TPoint& glyphSize, const vcl::TPoint& textSize,
                         int32_t layout, int32_t alignment, int32_t margin, int32_t spacing, vcl::TPoint& glyphPos,
                         vcl::TRect& textBounds, uint32_t biDiFlags);

}  // namespace skin
