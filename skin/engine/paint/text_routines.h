// Small text routines of the skin painters: drawing a whole string into a rectangle,
// measuring, shortening with an ellipsis and the dotted focus frame.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/graphics/canvas.h"

namespace skin {

// DrawText of the whole string into a copy of the rectangle; the height DrawText reports.
int32_t DrawStrInRect(HDC dc, const std::string& text, const vcl::TRect& rect, uint32_t format);
// DrawText on the canvas in its font and font colour; the background stays unless the brush is
// solid. The height DrawText reports.
int32_t DrawCanvasText(vcl::TCanvas* canvas, const std::string& text, const vcl::TRect& rect, uint32_t format);

int32_t TextWidthOf(vcl::TCanvas* canvas, const std::string& text);
int32_t TextHeightOf(vcl::TCanvas* canvas, const std::string& text);
void GetTextExtentOf(vcl::TCanvas* canvas, const std::string& text, vcl::TSize& size);
void CanvasTextRect(vcl::TCanvas* canvas, const vcl::TRect& rect, int32_t x, int32_t y, const std::string& text);
// The text's extent in the font, measured on the screen; (0, 0) when it cannot be measured.
void GetFontTextExtent(HFONT font, const std::string& text, vcl::TSize& size);

// The text, shortened from its end until it fits `width` with "..." appended; a text that
// fits stays as it is, and one that cannot keep a single character becomes empty.
std::string CutTextWithEllipsis(vcl::TCanvas* canvas, const std::string& text, int32_t width);

// A dotted frame of black dots every third pixel, each with a white dot to its upper left.
// The frame touches the rectangle's right and bottom coordinates themselves.
void DrawDottedFocusRect(vcl::TCanvas* canvas, const vcl::TRect& rect);

}  // namespace skin
