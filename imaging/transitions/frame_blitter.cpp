#include "imaging/transitions/frame_blitter.h"

#include "imaging/transitions/halftone_blit.h"

namespace imaging {

TFrameBlitter::TFrameBlitter(vcl::TCanvas* canvas, vcl::TBitmap* source, vcl::TBitmap* target,
                             const vcl::TRect& rect, int32_t progress)
    : dc(canvas->Handle()), sourceDC(source->Canvas()->Handle()), targetDC(target->Canvas()->Handle()) {
  CalcTransitionSize(rect, progress, W, H, SW, SH);
  SetStretchBltMode(dc, HALFTONE);
}

void TFrameBlitter::B(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v) const {
  if (w <= 0 || h <= 0) return;
  BitBlt(dc, x, y, w, h, targetDC, u, v, SRCCOPY);
}

void TFrameBlitter::SourceBlock(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v) const {
  if (w <= 0 || h <= 0) return;
  BitBlt(dc, x, y, w, h, sourceDC, u, v, SRCCOPY);
}

void TFrameBlitter::Stretch(HDC from, int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t p,
                            int32_t q) const {
  if (w <= 0 || h <= 0 || p <= 0 || q <= 0) return;
  // Equal sizes need no resampling: a plain copy is exact and much cheaper.
  if (w == p && h == q)
    BitBlt(dc, x, y, w, h, from, u, v, SRCCOPY);
  else
    HalftoneBlt(dc, x, y, w, h, from, u, v, p, q);
}

}  // namespace imaging
