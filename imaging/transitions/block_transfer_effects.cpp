// The table effects that draw with block transfers alone: expand, expand in, wipe, slide,
// build up, unroll, push and page flip. Each covers at every progress all it covered at a lower
// one, so a frame depends only on the current progress.
#include <algorithm>

#include "imaging/transitions/frame_blitter.h"
#include "imaging/transitions/transition_effect_procs.h"

namespace imaging {

namespace transition_procs {

#define BLITTER TFrameBlitter f(canvas, source, target, rect, progress)

// ---- Expand: the whole target squeezed into a growing band or corner ----
void ExpandFromLeft(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, 0, f.SW, f.H); }
void ExpandFromRight(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(f.W - f.SW, 0, f.SW, f.H); }
void ExpandFromTop(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, 0, f.W, f.SH); }
void ExpandFromBottom(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, f.H - f.SH, f.W, f.SH); }
void ExpandFromTopLeft(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, 0, f.SW, f.SH); }
void ExpandFromTopRight(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(f.W - f.SW, 0, f.SW, f.SH); }
void ExpandFromBottomLeft(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, f.H - f.SH, f.SW, f.SH); }
void ExpandFromBottomRight(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(f.W - f.SW, f.H - f.SH, f.SW, f.SH); }
void ExpandInFromSides(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t h = f.SW / 2;
  f.S(0, 0, h, f.H, 0, 0, f.W / 2, f.H);
  f.S(f.W - h, 0, h, f.H, f.W / 2, 0, f.W / 2, f.H);
}
void ExpandInFromTopAndBottom(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t h = f.SH / 2;
  f.S(0, 0, f.W, h, 0, 0, f.W, f.H / 2);
  f.S(0, f.H - h, f.W, h, 0, f.H / 2, f.W, f.H / 2);
}
void ExpandOutFromHorizon(TRANSITION_PROC_ARGS) { BLITTER; f.SAll(0, (f.H - f.SH) / 2, f.W, f.SH); }
void ExpandOutFromVerticalCenter(TRANSITION_PROC_ARGS) { BLITTER; f.SAll((f.W - f.SW) / 2, 0, f.SW, f.H); }
void QuartersExpandToCenter(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t w = f.SW / 2, h = f.SH / 2, w2 = f.W / 2, h2 = f.H / 2;
  f.S(0, 0, w, h, 0, 0, w2, h2);
  f.S(0, f.H - h, w, h, 0, h2, w2, h2);
  f.S(f.W - w, f.H - h, w, h, w2, h2, w2, h2);
  f.S(f.W - w, 0, w, h, w2, 0, w2, h2);
}

// ---- Expand in: a growing part of the target, magnified past the frame, shrinks into place ----
void ExpandInFromLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(f.SW - f.W, 0, 2 * f.W - f.SW, f.H, f.W - f.SW, 0, f.SW, f.H);
}
void ExpandInFromRight(TRANSITION_PROC_ARGS) { BLITTER; f.S(0, 0, 2 * f.W - f.SW, f.H, 0, 0, f.SW, f.H); }
void ExpandInFromTop(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(0, f.SH - f.H, f.W, 2 * f.H - f.SH, 0, f.H - f.SH, f.W, f.SH);
}
void ExpandInFromBottom(TRANSITION_PROC_ARGS) { BLITTER; f.S(0, 0, f.W, 2 * f.H - f.SH, 0, 0, f.W, f.SH); }
void ExpandInToVerticalCenter(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(f.SW - f.W, 0, 3 * f.W - 2 * f.SW, f.H, (f.W - f.SW) / 2, 0, f.SW, f.H);
}
void ExpandInToHorizon(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(0, f.SH - f.H, f.W, 3 * f.H - 2 * f.SH, 0, (f.H - f.SH) / 2, f.W, f.SH);
}
void ShrinkToTopLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(0, 0, 2 * f.W - f.SW, 2 * f.H - f.SH, 0, 0, f.SW, f.SH);
}
void ShrinkToTopRight(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(f.SW - f.W, 0, 2 * f.W - f.SW, 2 * f.H - f.SH, f.W - f.SW, 0, f.SW, f.SH);
}
void ShrinkToBottomLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(0, f.SH - f.H, 2 * f.W - f.SW, 2 * f.H - f.SH, 0, f.H - f.SH, f.SW, f.SH);
}
void ShrinkToBottomRight(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(f.SW - f.W, f.SH - f.H, 2 * f.W - f.SW, 2 * f.H - f.SH, f.W - f.SW, f.H - f.SH, f.SW, f.SH);
}
void ShrinkToCenter(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.S(f.SW - f.W, f.SH - f.H, 3 * f.W - 2 * f.SW, 3 * f.H - 2 * f.SH, (f.W - f.SW) / 2, (f.H - f.SH) / 2, f.SW,
      f.SH);
}

// ---- Wipe: parts of the target revealed in place ----
void WipeFromTopLeft(TRANSITION_PROC_ARGS) { BLITTER; f.B(0, 0, f.SW, f.SH); }
void WipeFromTopRight(TRANSITION_PROC_ARGS) { BLITTER; f.B(f.W - f.SW, 0, f.SW, f.SH); }
void WipeFromBottomLeft(TRANSITION_PROC_ARGS) { BLITTER; f.B(0, f.H - f.SH, f.SW, f.SH); }
void WipeFromBottomRight(TRANSITION_PROC_ARGS) { BLITTER; f.B(f.W - f.SW, f.H - f.SH, f.SW, f.SH); }
void WipeInFromTopAndBottom(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t h = f.SH / 2;
  f.B(0, 0, f.W, h);
  f.B(0, f.H - h, f.W, h);
}
void WipeFromHorizon(TRANSITION_PROC_ARGS) { BLITTER; f.B(0, (f.H - f.SH) / 2, f.W, f.SH); }
void WipeInFromSides(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t h = f.SW / 2;
  f.B(0, 0, h, f.H);
  f.B(f.W - h, 0, h, f.H);
}
void WipeOutFromVerticalCenter(TRANSITION_PROC_ARGS) { BLITTER; f.B((f.W - f.SW) / 2, 0, f.SW, f.H); }
void QuartersWipeInToCenter(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t w = f.SW / 2, h = f.SH / 2;
  f.B(0, 0, w, h);
  f.B(0, f.H - h, w, h);
  f.B(f.W - w, f.H - h, w, h);
  f.B(f.W - w, 0, w, h);
}

// ---- Slide: the target, unscaled, moving in over the source ----
void SlideInFromLeft(TRANSITION_PROC_ARGS) { BLITTER; f.B(f.SW - f.W, 0, f.W, f.H, 0, 0); }
void SlideInFromRight(TRANSITION_PROC_ARGS) { BLITTER; f.B(f.W - f.SW, 0, f.W, f.H, 0, 0); }
void SlideInFromTop(TRANSITION_PROC_ARGS) { BLITTER; f.B(0, f.SH - f.H, f.W, f.H, 0, 0); }
void SlideInFromBottom(TRANSITION_PROC_ARGS) { BLITTER; f.B(0, f.H - f.SH, f.W, f.H, 0, 0); }
void QuartersSlideInToCenter(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t w = f.SW / 2, h = f.SH / 2, w2 = f.W / 2, h2 = f.H / 2;
  f.B(w - w2, 0, w2, h2, 0, 0);
  f.B(w2, h - h2, w2, h2, w2, 0);
  f.B(f.W - w, h2, w2, h2, w2, h2);
  f.B(0, f.H - h, w2, h2, 0, h2);
}

// ---- Build up: a revealed part, the rest filled by stretching a strip next to it ----
void BuildUpFromLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.B(f.W - f.SW, 0, f.SW, f.H);
  const int32_t x = std::max(f.W - f.SW - f.W / 10, 0);
  f.S(0, 0, f.W - f.SW, f.H, x, 0, f.W - f.SW - x, f.H);
}
void BuildUpFromRight(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.B(0, 0, f.SW, f.H);
  f.S(f.SW, 0, f.W - f.SW, f.H, f.SW, 0, std::min(f.W - f.SW, f.W / 10), f.H);
}
void BuildUpFromTop(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.B(0, f.H - f.SH, f.W, f.SH);
  const int32_t y = std::max(f.H - f.SH - f.H / 10, 0);
  f.S(0, 0, f.W, f.H - f.SH, 0, y, f.W, f.H - f.SH - y);
}
void BuildUpFromBottom(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.B(0, 0, f.W, f.SH);
  f.S(0, f.SH, f.W, f.H - f.SH, 0, f.SH, f.W, std::min(f.H - f.SH, f.H / 10));
}

// ---- Unroll: a mirrored strip of the coming target stands for the roll ----
namespace {
int32_t RollWidth(int32_t full, int32_t grown) {
  if (grown < full / 5) return grown / 2;
  if (full < grown + full / 5) return (full - grown) / 2;
  return full / 10;
}
}  // namespace

void UnrollFromLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t r = RollWidth(f.W, f.SW);
  StretchDrawFlipped(canvas, vcl::Rect(f.SW, 0, f.SW + r, f.H), target, vcl::Rect(f.SW + r, 0, f.SW + 2 * r, f.H),
                     true, false);
  f.B(0, 0, f.SW, f.H);
}
void UnrollFromRight(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t r = RollWidth(f.W, f.SW), d = f.W - f.SW;
  StretchDrawFlipped(canvas, vcl::Rect(d - r, 0, d, f.H), target, vcl::Rect(d - 2 * r, 0, d - r, f.H), true, false);
  f.B(d, 0, f.SW, f.H);
}
void UnrollFromTop(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t r = RollWidth(f.H, f.SH);
  StretchDrawFlipped(canvas, vcl::Rect(0, f.SH, f.W, f.SH + r), target, vcl::Rect(0, f.SH + r, f.W, f.SH + 2 * r),
                     false, true);
  f.B(0, 0, f.W, f.SH);
}
void UnrollFromBottom(TRANSITION_PROC_ARGS) {
  BLITTER;
  const int32_t r = RollWidth(f.H, f.SH), d = f.H - f.SH;
  StretchDrawFlipped(canvas, vcl::Rect(0, d - r, f.W, d), target, vcl::Rect(0, d - 2 * r, f.W, d - r), false, true);
  f.B(0, d, f.W, f.SH);
}

// ---- Push: the source moved or squeezed out, the target coming in from the other edge ----
void PushLeftAndSlideOut(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.SourceBlock(0, 0, f.W - f.SW, f.H, f.SW, 0);
  f.B(f.W - f.SW, 0, f.SW, f.H, 0, 0);
}
void PushRightAndSlideOut(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.SourceBlock(f.SW, 0, f.W - f.SW, f.H, 0, 0);
  f.B(0, 0, f.SW, f.H, f.W - f.SW, 0);
}
void PushUpAndSlideOut(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.SourceBlock(0, 0, f.W, f.H - f.SH, 0, f.SH);
  f.B(0, f.H - f.SH, f.W, f.SH, 0, 0);
}
void PushDownAndSlideOut(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.SourceBlock(0, f.SH, f.W, f.H - f.SH, 0, 0);
  f.B(0, 0, f.W, f.SH, 0, f.H - f.SH);
}
void PushAndSqueezeLeft(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.Stretch(f.sourceDC, 0, 0, f.W - f.SW, f.H, 0, 0, f.W, f.H);
  f.B(f.W - f.SW, 0, f.SW, f.H, 0, 0);
}
void PushAndSqueezeRight(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.Stretch(f.sourceDC, f.SW, 0, f.W - f.SW, f.H, 0, 0, f.W, f.H);
  f.B(0, 0, f.SW, f.H, f.W - f.SW, 0);
}
void PushAndSqueezeUp(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.Stretch(f.sourceDC, 0, 0, f.W, f.H - f.SH, 0, 0, f.W, f.H);
  f.B(0, f.H - f.SH, f.W, f.SH, 0, 0);
}
void PushAndSqueezeDown(TRANSITION_PROC_ARGS) {
  BLITTER;
  f.Stretch(f.sourceDC, 0, f.SH, f.W, f.H - f.SH, 0, 0, f.W, f.H);
  f.B(0, 0, f.W, f.SH, 0, f.H - f.SH);
}

// ---- Page flip ----
void PageFlip(TRANSITION_PROC_ARGS) { PageFlipEffect(canvas, source, target, rect, progress, false); }
void PageFlip2(TRANSITION_PROC_ARGS) { PageFlipEffect(canvas, source, target, rect, progress, true); }

#undef BLITTER

}  // namespace transition_procs

void PageFlipEffect(vcl::TCanvas* canvas, vcl::TBitmap* source, vcl::TBitmap* target, const vcl::TRect& rect,
                    int32_t progress, bool withLine) {
  TFrameBlitter f(canvas, source, target, rect, progress);
  canvas->Pen()->SetColor(vcl::clBlack);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(vcl::psSolid);
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top, half = w / 2;
  f.S(half, 0, half, h, half, 0, half, h);
  int32_t x;
  if (progress > 50) {
    const int32_t pageWidth = MulDiv(w, progress - 50, 50) / 2;
    x = half - pageWidth;
    f.S(x, 0, pageWidth, h, 0, 0, half, h);
  } else {
    const int32_t pageWidth = MulDiv(w, 50 - progress, 100);
    x = half + pageWidth;
    f.Stretch(f.sourceDC, half, 0, pageWidth, h, half, 0, half, h);
  }
  // A flat page (at the start or the end) has no fold to mark.
  if (withLine && progress > 0 && progress < 100) {
    canvas->MoveTo(x, 0);
    canvas->LineTo(x, h);
  }
}

}  // namespace imaging
