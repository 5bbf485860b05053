#include "imaging/model/routines/quarter_turns.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

void CheckTurnFormat(TIEBitmap* source, int32_t bytesPerPixel) {
  if (!source) throw vcl::EInvalidArgument("A turn needs a source and another destination");
  if (IEBytesPerPixel(source->PixelFormat()) != bytesPerPixel || source->PixelFormat() == ie1g)
    throw vcl::EInvalidArgument("The quarter turn does not fit the bitmap's pixel format");
}

void TurnPixels(TIEBitmap* source, TIEBitmap* dest, TQuarterTurn turn) {
  const TIEPixelFormat format = source->PixelFormat();
  const int32_t w = source->Width(), h = source->Height();
  if (source->IsEmpty()) return;
  const bool quarter = turn != TQuarterTurn::Half;
  AllocateOrRaise(dest, quarter ? h : w, quarter ? w : h, format);
  if (format == ie8p) source->CopyPaletteTo(dest);
  const int32_t dw = dest->Width(), dh = dest->Height();

  const TLockedRows from(source);
  const TLockedRows to(dest);
  // The source pixel of destination (x, y).
  auto sourceOf = [&](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
    switch (turn) {
      case TQuarterTurn::Clockwise: sx = y, sy = h - 1 - x; break;
      case TQuarterTurn::CounterClockwise: sx = w - 1 - y, sy = x; break;
      case TQuarterTurn::Half: sx = w - 1 - x, sy = h - 1 - y; break;
    }
  };
  if (format == ie1g) {
    for (int32_t y = 0; y < dh; ++y) {
      uint8_t* out = to[y];
      std::memset(out, 0, dest->RowLen());
      for (int32_t x = 0; x < dw; ++x) {
        int32_t sx = 0, sy = 0;
        sourceOf(x, y, sx, sy);
        if (GetBitFromBuffer(from[sy], sx)) SetBitInBuffer(out, x, true);
      }
    }
    return;
  }
  // Tiles of 64 x 64 pixels, so that the rows read across stay in the cache.
  const int32_t bytes = IEBytesPerPixel(format);
  constexpr int32_t kTile = 64;
  auto copyTiles = [&](auto copyPixel) {
    for (int32_t top = 0; top < dh; top += kTile)
      for (int32_t left = 0; left < dw; left += kTile)
        for (int32_t y = top; y < std::min(top + kTile, dh); ++y) {
          uint8_t* out = to[y];
          for (int32_t x = left; x < std::min(left + kTile, dw); ++x) {
            int32_t sx = 0, sy = 0;
            sourceOf(x, y, sx, sy);
            copyPixel(out + size_t(x) * bytes, from[sy] + size_t(sx) * bytes);
          }
        }
  };
  if (bytes == 1)
    copyTiles([](uint8_t* d, const uint8_t* s) { *d = *s; });
  else if (bytes == 3)
    copyTiles([](uint8_t* d, const uint8_t* s) { d[0] = s[0], d[1] = s[1], d[2] = s[2]; });
  else
    copyTiles([bytes](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, bytes); });
}

}  // namespace

void TurnBitmap(TIEBitmap* source, TIEBitmap* dest, TQuarterTurn turn) {
  if (!source || !dest || source == dest) throw vcl::EInvalidArgument("A turn needs a source and another destination");
  if (source->IsEmpty()) return;
  TurnPixels(source, dest, turn);
  // The alpha channel turns with the pixels; a destination that kept an alpha channel of its
  // own (an allocation of an unchanged geometry keeps it) loses it when the source has none.
  if (source->HasAlphaChannel() && !source->GetAlphaChannel()->IsEmpty()) {
    TIEBitmap* alpha = source->GetAlphaChannel();
    auto turned = std::make_unique<TIEBitmap>();
    TurnPixels(alpha, turned.get(), turn);
    turned->SetFull(alpha->Full());
    dest->AttachAlphaChannel(std::move(turned));
  } else {
    dest->RemoveAlphaChannel(false, 0);
  }
}

void QuarterTurnCW24(TIEBitmap* source, TIEBitmap* dest) {
  CheckTurnFormat(source, 3);
  TurnBitmap(source, dest, TQuarterTurn::Clockwise);
}

void QuarterTurnCW8(TIEBitmap* source, TIEBitmap* dest) {
  CheckTurnFormat(source, 1);
  TurnBitmap(source, dest, TQuarterTurn::Clockwise);
}

void QuarterTurnCCW24(TIEBitmap* source, TIEBitmap* dest) {
  CheckTurnFormat(source, 3);
  TurnBitmap(source, dest, TQuarterTurn::CounterClockwise);
}

void QuarterTurnCCW8(TIEBitmap* source, TIEBitmap* dest) {
  CheckTurnFormat(source, 1);
  TurnBitmap(source, dest, TQuarterTurn::CounterClockwise);
}

}  // namespace imaging
