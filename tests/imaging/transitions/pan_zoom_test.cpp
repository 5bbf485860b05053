#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "imaging/transitions/transition_frames.h"
#include "tests/imaging/transitions/transition_pictures.h"

using namespace imaging;
using transition_test::FirstDifference;

namespace {
// A 24-bit picture whose pixels tell their position.
std::unique_ptr<TIEBitmap> Picture(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) bitmap->SetPixel24(x, y, TRGB{uint8_t(x * 3), uint8_t(y * 5), 200});
  return bitmap;
}

vcl::TColor At(TTransitionFrames& frames, int32_t x, int32_t y) { return frames.Frame()->Canvas()->Pixels(x, y); }
vcl::TColor ColourOf(int32_t x, int32_t y) { return vcl::TColor(200 | (y * 5) << 8 | (x * 3) << 16); }
}  // namespace

TEST(PanZoom, EqualRectanglesShowTheSameWindowOnEveryStep) {
  auto picture = Picture(40, 40);
  TTransitionFrames frames;
  frames.Prepare(20, 20);
  frames.SetPanZoom(picture.get(), vcl::Rect(10, 10, 30, 30), vcl::Rect(10, 10, 30, 30));
  frames.DrawFrame(iettPanZoom, 0);
  EXPECT_EQ(At(frames, 0, 0), ColourOf(10, 10));
  EXPECT_EQ(At(frames, 19, 19), ColourOf(29, 29));
  vcl::TBitmap first;
  first.Assign(frames.Frame());
  for (int32_t step : {100, 512, 1024}) {
    frames.DrawFrame(iettPanZoom, step);
    EXPECT_EQ(FirstDifference(frames.Frame(), &first), "") << step;
  }
}

TEST(PanZoom, WindowIsInterpolatedBetweenTheRectangles) {
  TTransitionFrames frames;
  frames.SetPanZoom(nullptr, vcl::Rect(0, 0, 100, 50), vcl::Rect(100, 50, 300, 150));
  const vcl::TRect half = frames.PanZoomRect(512);
  EXPECT_EQ(half.left, 50);
  EXPECT_EQ(half.top, 25);
  EXPECT_EQ(half.right, 200);
  EXPECT_EQ(half.bottom, 100);
}

TEST(PanZoom, WindowsPastAnyEdgeAreCutAndLetterboxed) {
  auto picture = Picture(40, 40);
  TTransitionFrames frames;
  frames.SetBackground(vcl::clLime);
  frames.Prepare(20, 20);
  // Past the right and bottom edges: only (30, 20) .. (40, 40) exists, 10 x 20, shown 10 x 20
  // in the middle of the frame.
  frames.SetPanZoom(picture.get(), vcl::Rect(30, 20, 60, 60), vcl::Rect(30, 20, 60, 60));
  frames.DrawFrame(iettPanZoom, 0);
  EXPECT_EQ(At(frames, 0, 10), vcl::clLime);
  EXPECT_EQ(At(frames, 19, 10), vcl::clLime);
  EXPECT_EQ(At(frames, 5, 0), ColourOf(30, 20));
  EXPECT_EQ(At(frames, 14, 19), ColourOf(39, 39));
  // Past the left and top edges.
  frames.SetPanZoom(picture.get(), vcl::Rect(-20, -10, 20, 10), vcl::Rect(-20, -10, 20, 10));
  frames.DrawFrame(iettPanZoom, 0);
  EXPECT_EQ(At(frames, 0, 0), vcl::clLime);
  EXPECT_EQ(At(frames, 0, 19), vcl::clLime);
  EXPECT_EQ(At(frames, 0, 5), ColourOf(0, 0));
}

TEST(PanZoom, EmptyOrInvertedWindowsDrawNothing) {
  auto picture = Picture(40, 40);
  TTransitionFrames frames;
  frames.Prepare(20, 20);
  frames.Frame()->Canvas()->Brush()->SetColor(vcl::clFuchsia);
  frames.Frame()->Canvas()->FillRect(vcl::Rect(0, 0, 20, 20));
  const vcl::TRect windows[] = {vcl::Rect(30, 30, 10, 10), vcl::Rect(5, 5, 5, 25), vcl::Rect(50, 50, 80, 80),
                                vcl::Rect(-40, 0, -10, 20)};
  for (const vcl::TRect& window : windows) {
    frames.SetPanZoom(picture.get(), window, window);
    frames.DrawFrame(iettPanZoom, 300);
    EXPECT_EQ(At(frames, 10, 10), vcl::clFuchsia);
  }
  frames.SetPanZoom(nullptr, vcl::Rect(0, 0, 10, 10), vcl::Rect(0, 0, 10, 10));
  frames.DrawFrame(iettPanZoom, 300);
  EXPECT_EQ(At(frames, 10, 10), vcl::clFuchsia);
}
