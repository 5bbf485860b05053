#include "imaging/model/exif_orientation.h"

#include <memory>

#include "imaging/model/routines/flip.h"
#include "imaging/model/routines/quarter_turns.h"

namespace imaging {

namespace {

// An exact quarter turn of the pixels and the alpha channel alike (TurnBitmap turns both);
// the bitmap takes the turned image's storage.
void TurnInPlace(TIEBitmap* bitmap, TQuarterTurn turn) {
  TIEBitmap turned;
  TurnBitmap(bitmap, &turned, turn);
  turned.SetFull(bitmap->Full());
  turned.MoveContentTo(bitmap);
}

}  // namespace

void ApplyExifOrientation(TIEBitmap* bitmap, int32_t orientation) {
  if (!bitmap || bitmap->IsEmpty()) return;
  switch (orientation) {
    case 2: FlipBitmap(bitmap, kFlipLeftRight); break;
    case 3:
      FlipBitmap(bitmap, kFlipUpsideDown);
      FlipBitmap(bitmap, kFlipLeftRight);
      break;
    case 4: FlipBitmap(bitmap, kFlipUpsideDown); break;
    // 5 and 7 are the two diagonal mirrors: a quarter turn followed by a left-right mirror
    // gives the main diagonal's (5) after a clockwise turn and the other one's (7) after a
    // counter-clockwise turn.
    case 5:
      TurnInPlace(bitmap, TQuarterTurn::Clockwise);
      FlipBitmap(bitmap, kFlipLeftRight);
      break;
    case 6: TurnInPlace(bitmap, TQuarterTurn::Clockwise); break;
    case 7:
      TurnInPlace(bitmap, TQuarterTurn::CounterClockwise);
      FlipBitmap(bitmap, kFlipLeftRight);
      break;
    case 8: TurnInPlace(bitmap, TQuarterTurn::CounterClockwise); break;
    default: break;
  }
}

}  // namespace imaging
