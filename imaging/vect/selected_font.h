// Text helpers the vector layer's drawing and measuring share: a font selected into a device
// context for one drawing, and the size of a line of text in the selected font.
#pragma once

#include <string>

#include "vcl/runtime/win.h"

namespace imaging {

// Selects a font made from a record's LOGFONTA into a device context for one drawing and puts
// the previous font back afterwards.
class TSelectedFont {
 public:
  TSelectedFont(HDC dc, const LOGFONTA& log) : dc_(dc) {
    font_ = CreateFontIndirectA(&log);
    previous_ = font_ ? SelectObject(dc, font_) : nullptr;
  }
  ~TSelectedFont() {
    if (previous_) SelectObject(dc_, previous_);
    if (font_) DeleteObject(font_);
  }
  TSelectedFont(const TSelectedFont&) = delete;
  TSelectedFont& operator=(const TSelectedFont&) = delete;

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

inline SIZE TextSize(HDC dc, const std::string& text) {
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace imaging
