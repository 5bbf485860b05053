// A checkered fill: every other pixel in one colour, the rest in another, as on the face of a
// button that stays held down.
#pragma once

#include "vcl/graphics/canvas.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace vcl {

// Fills `rect` on `dc` with a one-pixel checkerboard of `color` and `alternateColor`. The
// DC's text and background colours are given back afterwards.
void FillCheckered(HDC dc, const TRect& rect, TColor color, TColor alternateColor);

// The light checkered face of a held-down button (button face and highlight).
inline void FillHeldDownFace(HDC dc, const TRect& rect) { FillCheckered(dc, rect, clBtnFace, clBtnHighlight); }

}  // namespace vcl
