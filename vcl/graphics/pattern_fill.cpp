#include "vcl/graphics/pattern_fill.h"

namespace vcl {

void FillCheckered(HDC dc, const TRect& rect, TColor color, TColor alternateColor) {
  // A monochrome pattern brush paints its set bits in the background colour and its clear
  // bits in the text colour of the DC it fills.
  WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, pattern);
  HBRUSH brush = CreatePatternBrush(bitmap);
  COLORREF oldText = SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(color)));
  COLORREF oldBack = SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(alternateColor)));
  FillRect(dc, &rect, brush);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  DeleteObject(brush);
  DeleteObject(bitmap);
}

}  // namespace vcl
