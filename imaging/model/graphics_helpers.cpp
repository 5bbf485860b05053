#include "imaging/model/graphics_helpers.h"

#include "imaging/model/ie_bitmap.h"

namespace imaging {

vcl::TFontStyles LogFontToFontStyles(const LOGFONTA* font) {
  vcl::TFontStyles styles;
  if (!font) return styles;
  if (font->lfWeight >= FW_BOLD) styles.Include(vcl::fsBold);
  if (font->lfItalic) styles.Include(vcl::fsItalic);
  if (font->lfUnderline) styles.Include(vcl::fsUnderline);
  if (font->lfStrikeOut) styles.Include(vcl::fsStrikeOut);
  return styles;
}

namespace {

SIZE WideTextExtent(vcl::TCanvas* canvas, const std::u16string& text) {
  HDC dc = canvas->Handle();
  HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, reinterpret_cast<const WCHAR*>(text.data()), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  return size;
}

}  // namespace

int32_t WideTextWidth(vcl::TCanvas* canvas, const std::u16string& text) { return WideTextExtent(canvas, text).cx; }

int32_t WideTextHeight(vcl::TCanvas* canvas, const std::u16string& text) { return WideTextExtent(canvas, text).cy; }

void SetGrayDIBColorTable(vcl::TBitmap* bitmap) {
  RGBQUAD table[256];
  for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  SetDIBColorTable(bitmap->Canvas()->Handle(), 0, 256, table);
}

bool HasGrayDIBColorTable(vcl::TBitmap* bitmap) {
  RGBQUAD table[256];
  UINT n = GetDIBColorTable(bitmap->Canvas()->Handle(), 0, 256, table);
  for (UINT i = 0; i < n; ++i)
    if (table[i].rgbRed != i || table[i].rgbGreen != i || table[i].rgbBlue != i) return false;
  return true;
}

void CopyDIBPaletteToIEBitmap(vcl::TBitmap* bitmap, TIEBitmap* target) {
  if (!bitmap || !target || bitmap->PixelFormat() != vcl::pf8bit || target->PixelFormat() != ie8p) return;
  RGBQUAD table[256];
  const UINT n = GetDIBColorTable(bitmap->Canvas()->Handle(), 0, 256, table);
  for (UINT i = 0; i < n; ++i)
    target->SetPaletteColor(static_cast<int32_t>(i), TRGB{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed});
}

}  // namespace imaging
