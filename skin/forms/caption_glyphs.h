// Glyphs of the window commands (minimise, maximise, restore, close) that the skinned system
// menu shows beside its items: the symbol font's characters where the font is installed with
// all four of them, else the same pictures drawn with lines, so that a prefix without the font
// never shows a missing-glyph box.
#pragma once

#include "vcl/runtime/win.h"

namespace skin {

// The symbol font's character of a window command (SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE,
// SC_CLOSE), or 0 for a command without a glyph.
char CaptionCommandGlyph(int command);

// Whether the symbol font is present with the characters of all four commands (asked once).
bool CaptionGlyphFontUsable();

// Draws the picture of a command's glyph centred in the rectangle, in the colour; nothing for a
// command without a glyph.
void DrawCaptionGlyph(HDC dc, int command, const RECT& rect, COLORREF colour);

}  // namespace skin
