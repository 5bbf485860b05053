#include "skin/engine/paint/text_routines.h"

#include "vcl/graphics/colours.h"

namespace skin {

int32_t DrawStrInRect(HDC dc, const std::string& text, const vcl::TRect& rect, uint32_t format) {
  vcl::TRect r = rect;
  return DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

int32_t DrawCanvasText(vcl::TCanvas* canvas, const std::string& text, const vcl::TRect& rect, uint32_t format) {
  HDC dc = canvas->Handle();
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  const COLORREF oldColour = SetTextColor(dc, static_cast<COLORREF>(vcl::ColorToRGB(canvas->Font()->Color())));
  const bool solid = canvas->Brush()->Style() == vcl::bsSolid;
  const int oldMode = SetBkMode(dc, solid ? OPAQUE : TRANSPARENT);
  COLORREF oldBack = 0;
  if (solid) oldBack = SetBkColor(dc, static_cast<COLORREF>(vcl::ColorToRGB(canvas->Brush()->Color())));
  const int32_t height = DrawStrInRect(dc, text, rect, format);
  if (solid) SetBkColor(dc, oldBack);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColour);
  SelectObject(dc, oldFont);
  return height;
}

int32_t TextWidthOf(vcl::TCanvas* canvas, const std::string& text) { return canvas->TextExtent(text).cx; }

int32_t TextHeightOf(vcl::TCanvas* canvas, const std::string& text) { return canvas->TextExtent(text).cy; }

void GetTextExtentOf(vcl::TCanvas* canvas, const std::string& text, vcl::TSize& size) {
  size = canvas->TextExtent(text);
}

void CanvasTextRect(vcl::TCanvas* canvas, const vcl::TRect& rect, int32_t x, int32_t y, const std::string& text) {
  canvas->TextRect(rect, x, y, text);
}

void GetFontTextExtent(HFONT font, const std::string& text, vcl::TSize& size) {
  size = vcl::TSize{0, 0};
  HDC screen = GetDC(nullptr);
  if (!screen) return;
  HGDIOBJ old = SelectObject(screen, font);
  if (!GetTextExtentPoint32A(screen, text.data(), static_cast<int>(text.size()), &size)) size = vcl::TSize{0, 0};
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
}

std::string CutTextWithEllipsis(vcl::TCanvas* canvas, const std::string& text, int32_t width) {
  std::string result = width > 0 ? text : std::string();
  if (result.empty() || TextWidthOf(canvas, result) <= width) return result;
  while (!result.empty() && TextWidthOf(canvas, result + "...") > width) result.pop_back();
  return result.empty() ? result : result + "...";
}

void DrawDottedFocusRect(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  constexpr vcl::TColor black = 0, white = 0xFFFFFF;
  const int32_t width = rect.right - rect.left;
  const int32_t steps = (rect.bottom - rect.top) / 3;
  for (int32_t i = 0; i <= width / 3; ++i) {
    const int32_t x = rect.left + 3 * i;
    canvas->SetPixels(x, rect.top, black);
    canvas->SetPixels(x, rect.bottom, black);
    canvas->SetPixels(x - 1, rect.top - 1, white);
    canvas->SetPixels(x - 1, rect.bottom - 1, white);
  }
  for (int32_t k = 0; k <= steps; ++k) {
    const int32_t y = rect.top + 3 * k;
    canvas->SetPixels(rect.left, y, black);
    canvas->SetPixels(rect.right, y, black);
    canvas->SetPixels(rect.left - 1, y - 1, white);
    canvas->SetPixels(rect.right - 1, y - 1, white);
  }
}

}  // namespace skin
