#include "imaging/transitions/transition_effect_table.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/transitions/transition_frames.h"
#include "tests/imaging/transitions/transition_pictures.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using transition_test::FirstDifference;
using transition_test::PreparePictures;

TEST(EffectTable, RowsNameEveryTypeAndDrawTheTableOnes) {
  const std::pair<int32_t, std::string> names[] = {
      {iettCrossDissolve, "Cross Fade"},
      {iettCenterZoom2, "Expand In to Center"},
      {iettExpandFromLeft, "Expand from Left"},
      {iettCrisscrossWipeFromBottomLeftTopRight, "Crisscross Wipe from Bottom Left Top Right"},
      {iettStarburstClockwiseFromCenter, "Starburst Clockwise"},
      {iettPushAndSqueezeUp, "Push and Squeeze up"},
      {iettPageFlipEffect2, "Page Flip 2"}};
  for (const auto& [type, name] : names) EXPECT_EQ(FindTransitionEffect(type)->Name, name);
  for (int32_t type = 1; type <= TransitionEffectCount; ++type)
    EXPECT_EQ(FindTransitionEffect(type)->Proc == nullptr, type <= iettCenterZoom2) << type;
  for (int32_t type : {-1, 0, 188, 255}) EXPECT_EQ(FindTransitionEffect(type), nullptr) << type;
}

TEST(EffectTable, TransitionSizeKeepsTheAspectWithTheLargerSideLeading) {
  struct Case {
    int32_t w, h, progress, sw, sh;
  };
  const Case cases[] = {{640, 480, 50, 320, 240}, {480, 640, 50, 240, 320}, {3, 2, 50, 2, 1},
                        {640, 480, 0, 0, 0},      {640, 480, 100, 640, 480}, {0, 0, 50, 0, 0}};
  for (const Case& c : cases) {
    int32_t w, h, sw, sh;
    CalcTransitionSize(vcl::Rect(0, 0, c.w, c.h), c.progress, w, h, sw, sh);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(sw, c.sw) << c.w << " x " << c.h << " at " << c.progress;
    EXPECT_EQ(sh, c.sh) << c.w << " x " << c.h << " at " << c.progress;
  }
}

namespace {

vcl::TColor PixelAt(vcl::TBitmap* bitmap, int32_t x, int32_t y) { return bitmap->Canvas()->Pixels(x, y); }
}  // namespace

TEST(EffectTable, PageFlipTurnsOverTheMiddle) {
  TTransitionFrames frames;
  PreparePictures(frames, 40, 30);
  // Edge-on at 50: the right half shows the target, the left half still the source.
  transition_test::DrawAtProgress(frames, iettPageFlipEffect, 50);
  for (int32_t x : {0, 19}) EXPECT_EQ(PixelAt(frames.Frame(), x, 10), PixelAt(frames.Source(), x, 10)) << x;
  for (int32_t x : {20, 39}) EXPECT_EQ(PixelAt(frames.Frame(), x, 10), PixelAt(frames.Target(), x, 10)) << x;
  // At 75 the page has landed halfway: the left quarter is still the source.
  transition_test::DrawAtProgress(frames, iettPageFlipEffect2, 75);
  EXPECT_EQ(PixelAt(frames.Frame(), 5, 10), PixelAt(frames.Source(), 5, 10));
  EXPECT_EQ(PixelAt(frames.Frame(), 10, 10), vcl::clBlack);  // the fold line at x = 20 - 10
  EXPECT_EQ(PixelAt(frames.Frame(), 30, 10), PixelAt(frames.Target(), 30, 10));
}

TEST(EffectTable, PushFramesDependOnlyOnTheProgress) {
  TTransitionFrames frames, fresh;
  for (int32_t type = iettPushLeftAndSlideOut; type <= iettPushAndSqueezeDown; ++type) {
    PreparePictures(frames, 40, 30);
    PreparePictures(fresh, 40, 30);
    for (int32_t step = 0; step <= 600; step += 100) frames.DrawFrame(type, step);
    // The other frame starts from the target instead of the earlier frames.
    fresh.Frame()->Canvas()->Draw(0, 0, fresh.Target());
    fresh.DrawFrame(type, 600);
    EXPECT_EQ(FirstDifference(frames.Frame(), fresh.Frame()), "") << type;
  }
}

TEST(EffectTable, UnrollDrawsTheRollNextToTheUnrolledPart) {
  // 100 wide: at progress 50 the roll is 10 columns, mirrored from the 10 beyond it.
  TTransitionFrames frames;
  PreparePictures(frames, 100, 20);
  transition_test::DrawAtProgress(frames, iettUnrollFromLeft, 50);
  EXPECT_EQ(PixelAt(frames.Frame(), 49, 5), PixelAt(frames.Target(), 49, 5));
  EXPECT_NE(PixelAt(frames.Frame(), 55, 5), PixelAt(frames.Source(), 55, 5));
  EXPECT_NE(PixelAt(frames.Frame(), 55, 5), PixelAt(frames.Target(), 55, 5));
  EXPECT_EQ(PixelAt(frames.Frame(), 75, 5), PixelAt(frames.Source(), 75, 5));
}

namespace {
// The plain halftone stretch of the block (u, v, p, q) of `from` into (x, y, w, h) of `to`.
void PlainStretch(vcl::TBitmap* to, int32_t x, int32_t y, int32_t w, int32_t h, vcl::TBitmap* from, int32_t u,
                  int32_t v, int32_t p, int32_t q) {
  if (w <= 0 || h <= 0 || p <= 0 || q <= 0) return;
  HDC dc = to->Canvas()->Handle();
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, x, y, w, h, from->Canvas()->Handle(), u, v, p, q, SRCCOPY);
}
}  // namespace

// The squeezing and flipping effects, the slowest of the table, drawn against frames built
// from single plain stretches as their rules describe them: a faster drawing must keep them.
TEST(EffectTable, SqueezeAndPageFlipFramesMatchPlainStretches) {
  const int32_t sizes[][2] = {{61, 40}, {40, 61}};
  for (const auto& size : sizes)
    for (int32_t type : {iettPushAndSqueezeLeft, iettPushAndSqueezeRight, iettPushAndSqueezeUp,
                         iettPushAndSqueezeDown, iettPageFlipEffect})
      for (int32_t progress : {10, 25, 50, 75, 90}) {
        TTransitionFrames frames, plain;
        PreparePictures(frames, size[0], size[1]);
        PreparePictures(plain, size[0], size[1]);
        transition_test::DrawAtProgress(frames, type, progress);
        vcl::TBitmap *ref = plain.Frame(), *src = plain.Source(), *tgt = plain.Target();
        ref->Canvas()->Draw(0, 0, src);
        int32_t w, h, sw, sh;
        CalcTransitionSize(vcl::Rect(0, 0, size[0], size[1]), progress, w, h, sw, sh);
        switch (type) {
          case iettPushAndSqueezeLeft:
            PlainStretch(ref, 0, 0, w - sw, h, src, 0, 0, w, h);
            PlainStretch(ref, w - sw, 0, sw, h, tgt, 0, 0, sw, h);
            break;
          case iettPushAndSqueezeRight:
            PlainStretch(ref, sw, 0, w - sw, h, src, 0, 0, w, h);
            PlainStretch(ref, 0, 0, sw, h, tgt, w - sw, 0, sw, h);
            break;
          case iettPushAndSqueezeUp:
            PlainStretch(ref, 0, 0, w, h - sh, src, 0, 0, w, h);
            PlainStretch(ref, 0, h - sh, w, sh, tgt, 0, 0, w, sh);
            break;
          case iettPushAndSqueezeDown:
            PlainStretch(ref, 0, sh, w, h - sh, src, 0, 0, w, h);
            PlainStretch(ref, 0, 0, w, sh, tgt, 0, h - sh, w, sh);
            break;
          default: {
            const int32_t half = w / 2;
            PlainStretch(ref, half, 0, half, h, tgt, half, 0, half, h);
            if (progress > 50) {
              const int32_t pageWidth = MulDiv(w, progress - 50, 50) / 2;
              PlainStretch(ref, half - pageWidth, 0, pageWidth, h, tgt, 0, 0, half, h);
            } else {
              PlainStretch(ref, half, 0, MulDiv(w, 50 - progress, 100), h, src, half, 0, half, h);
            }
          }
        }
        EXPECT_EQ(FirstDifference(frames.Frame(), ref), "")
            << "type " << type << " at " << progress << ", " << size[0] << " x " << size[1];
      }
}
