// Exact turns by a quarter or a half: pixels move, nothing is interpolated. Row 0 is the top;
// a W x H source gives an H x W destination for a quarter turn.
#pragma once

#include "imaging/model/ie_bitmap.h"

namespace imaging {

enum class TQuarterTurn {
  Clockwise,         // destination (x, y) = source (y, H - 1 - x)
  CounterClockwise,  // destination (x, y) = source (W - 1 - y, x)
  Half,              // destination (x, y) = source (W - 1 - x, H - 1 - y)
};

// Dest is allocated at the turned size in the source's pixel format (palette copied) and
// receives the turned pixels; every pixel format works, 1-bit ones bit by bit. The source's
// alpha channel is turned into Dest's (Dest has none when the source has none). The source is
// not changed and may not be Dest.
void TurnBitmap(TIEBitmap* source, TIEBitmap* dest, TQuarterTurn turn);

// The rotation engine's quarter turns of 24-bit and 8-bit (grey, palette index or alpha)
// bitmaps, their alpha channels turned along as by TurnBitmap.
void QuarterTurnCW24(TIEBitmap* source, TIEBitmap* dest);
void QuarterTurnCW8(TIEBitmap* source, TIEBitmap* dest);
void QuarterTurnCCW24(TIEBitmap* source, TIEBitmap* dest);
void QuarterTurnCCW8(TIEBitmap* source, TIEBitmap* dest);

}  // namespace imaging
