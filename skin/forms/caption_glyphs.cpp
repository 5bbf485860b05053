#include "skin/forms/caption_glyphs.h"

#include <cstring>

namespace skin {

char CaptionCommandGlyph(int command) {
  switch (command) {
    case SC_MINIMIZE: return '0';
    case SC_MAXIMIZE: return '1';
    case SC_CLOSE: return 'r';
    case SC_RESTORE: return '2';
    default: return 0;
  }
}

namespace {

bool AskFont() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  LOGFONTA font{};
  font.lfHeight = -13;
  font.lfCharSet = SYMBOL_CHARSET;
  lstrcpyA(font.lfFaceName, "Webdings");
  HFONT handle = CreateFontIndirectA(&font);
  bool usable = false;
  if (handle) {
    HGDIOBJ old = SelectObject(dc, handle);
    // The font mapper answers with another face when the font is not installed.
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    WORD glyphs[4] = {};
    usable = lstrcmpiA(face, "Webdings") == 0 &&
             GetGlyphIndicesA(dc, "012r", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 4;
    for (WORD glyph : glyphs) usable = usable && glyph != 0xFFFF;
    SelectObject(dc, old);
    DeleteObject(handle);
  }
  DeleteDC(dc);
  return usable;
}

void Bar(HDC dc, int left, int top, int width, int height, HBRUSH brush) {
  RECT r{left, top, left + width, top + height};
  FillRect(dc, &r, brush);
}

// A window outline with the thick title edge of the caption glyphs.
void WindowOutline(HDC dc, int left, int top, int width, int height, HBRUSH brush) {
  Bar(dc, left, top, width, 2, brush);
  Bar(dc, left, top, 1, height, brush);
  Bar(dc, left + width - 1, top, 1, height, brush);
  Bar(dc, left, top + height - 1, width, 1, brush);
}

}  // namespace

bool CaptionGlyphFontUsable() {
  static const bool usable = AskFont();
  return usable;
}

void DrawCaptionGlyph(HDC dc, int command, const RECT& rect, COLORREF colour) {
  if (!dc || !CaptionCommandGlyph(command)) return;
  constexpr int kSize = 9;
  const int left = rect.left + (rect.right - rect.left - kSize) / 2;
  const int top = rect.top + (rect.bottom - rect.top - kSize) / 2;
  HBRUSH brush = CreateSolidBrush(colour);
  if (!brush) return;
  switch (command) {
    case SC_MINIMIZE:
      Bar(dc, left + 1, top + kSize - 2, kSize - 2, 2, brush);
      break;
    case SC_MAXIMIZE:
      WindowOutline(dc, left, top, kSize, kSize, brush);
      break;
    case SC_RESTORE:
      // The window behind shows only where the front one does not cover it.
      Bar(dc, left + 3, top, kSize - 3, 2, brush);
      Bar(dc, left + 3, top, 1, 3, brush);
      Bar(dc, left + kSize - 1, top, 1, kSize - 3, brush);
      Bar(dc, left + kSize - 3, top + kSize - 4, 3, 1, brush);
      WindowOutline(dc, left, top + 3, kSize - 3, kSize - 3, brush);
      break;
    case SC_CLOSE:
      // Two diagonals, two pixels thick.
      for (int i = 0; i < kSize; ++i) {
        Bar(dc, left + i, top + i, 2, 1, brush);
        Bar(dc, left + kSize - 2 - i, top + i, 2, 1, brush);
      }
      break;
    default:
      break;
  }
  DeleteObject(brush);
}

}  // namespace skin
