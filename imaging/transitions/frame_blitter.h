// The block transfers the table effects draw with: straight copies (B) and halftone stretches
// (S) of the target, or of the source, onto the frame canvas, with the frame's sizes at the
// call's progress. Empty blocks are skipped, so no transfer ever sees a zero or negative size.
#pragma once

#include <cstdint>

#include "imaging/transitions/transition_effect_table.h"
#include "vcl/runtime/win.h"

namespace imaging {

struct TFrameBlitter {
  TFrameBlitter(vcl::TCanvas* canvas, vcl::TBitmap* source, vcl::TBitmap* target, const vcl::TRect& rect,
                int32_t progress);

  // The w x h block at (u, v) of the target to (x, y) of the canvas.
  void B(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v) const;
  void B(int32_t x, int32_t y, int32_t w, int32_t h) const { B(x, y, w, h, x, y); }
  // The block (u, v, p, q) of the target (or of `from`) stretched into (x, y, w, h).
  void S(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t p, int32_t q) const {
    Stretch(targetDC, x, y, w, h, u, v, p, q);
  }
  void SAll(int32_t x, int32_t y, int32_t w, int32_t h) const { S(x, y, w, h, 0, 0, W, H); }
  void Stretch(HDC from, int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t p,
               int32_t q) const;
  // The w x h block at (u, v) of the source to (x, y) of the canvas.
  void SourceBlock(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v) const;

  HDC dc;
  HDC sourceDC;
  HDC targetDC;
  int32_t W = 0, H = 0, SW = 0, SH = 0;
};

}  // namespace imaging
