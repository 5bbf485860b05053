#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/transitions/complex_region.h"
#include "imaging/transitions/region_builders.h"
#include "imaging/transitions/transition_effect_table.h"
#include "imaging/transitions/transition_frames.h"
#include "tests/imaging/transitions/transition_pictures.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;
using transition_test::FirstDifference;
using transition_test::PreparePictures;

namespace {
DWORD RectCount(HRGN region) {
  std::vector<uint8_t> data(GetRegionData(region, 0, nullptr));
  GetRegionData(region, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
  return reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount;
}

bool ShowsTarget(TTransitionFrames& frames, int32_t x, int32_t y) {
  return frames.Frame()->Canvas()->Pixels(x, y) == frames.Target()->Canvas()->Pixels(x, y);
}
}  // namespace

TEST(ComplexRegion, EmptyListGivesNoRegion) {
  TComplexRegion list;
  EXPECT_EQ(list.CreateRegion(), nullptr);
  list.AddRect(5, 5, 10, 10);
  list.Clear();
  EXPECT_EQ(list.CreateRegion(), nullptr);
}

TEST(ComplexRegion, GrowsByFiveHundredAndKeepsEveryRectangle) {
  TComplexRegion list;
  for (int32_t i = 0; i < 501; ++i) list.AddRect(0, 2 * i, 1, 2 * i + 1);
  EXPECT_EQ(list.Count(), 501);
  EXPECT_EQ(list.Capacity(), 1000);
  TRegionHandle region(list.CreateRegion());
  ASSERT_TRUE(region);
  EXPECT_EQ(RectCount(region.Get()), 501u);
}

TEST(ComplexRegion, EmptyAndInvertedRectanglesCountAsEmpty) {
  TComplexRegion list;
  list.AddRect(10, 10, 5, 5);
  list.AddRect(3, 3, 3, 9);
  list.AddRect(0, 0, 4, 4);
  TRegionHandle region(list.CreateRegion());
  ASSERT_TRUE(region);
  RECT box;
  GetRgnBox(region.Get(), &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 4);
}

TEST(RegionBuilders, FanWithoutStepsRevealsNothing) {
  EXPECT_FALSE(FanRegion(20, 15, 25, -1.5707963, -1.5707963, 0));
  EXPECT_FALSE(FanRegion(20, 15, 25, 0, 1, -3));
  EXPECT_TRUE(FanRegion(20, 15, 25, 0, 1, 4));
}

TEST(RegionBuilders, RotationTurnsClockwiseOnTheScreen) {
  std::vector<POINT> points = {{10, 0}, {3, 5}};
  RotateRegionPoints(points, 0, 0, 3.14159265358979 / 2);
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[0].y, 10);
  EXPECT_EQ(points[1].x, -5);
  EXPECT_EQ(points[1].y, 3);
}

TEST(RegionEffects, SweepRevealsTheQuarterFromTwelveToThree) {
  TTransitionFrames frames;
  PreparePictures(frames, 40, 30);
  transition_test::DrawAtProgress(frames, iettSweepClockwise, 25);
  EXPECT_TRUE(ShowsTarget(frames, 30, 5));
  EXPECT_FALSE(ShowsTarget(frames, 10, 5));
  EXPECT_FALSE(ShowsTarget(frames, 30, 25));
  EXPECT_FALSE(ShowsTarget(frames, 10, 25));
  // Progress 1 to 5 of a run still show almost nothing, progress 0 nothing at all.
  transition_test::DrawAtProgress(frames, iettSweepCounterClockwise, 0);
  EXPECT_EQ(FirstDifference(frames.Frame(), frames.Source()), "");
}

TEST(RegionEffects, RandomBigBoxesKeepTheirBoxesAndTheGenerator) {
  TTransitionFrames first, second;
  PreparePictures(first, 60, 40);
  PreparePictures(second, 60, 40);
  // The same target bitmap seeds both draws.
  second.Target()->Assign(first.Target());
  vcl::RandSeed = 12345;
  transition_test::DrawAtProgress(first, iettRandomBigBoxesEffect, 40);
  EXPECT_EQ(vcl::RandSeed, 12345u);
  vcl::TBitmap kept;
  kept.Assign(first.Frame());
  transition_test::DrawAtProgress(first, iettRandomBigBoxesEffect, 40);
  EXPECT_EQ(FirstDifference(first.Frame(), &kept), "");
  EXPECT_EQ(vcl::RandSeed, 12345u);
}

TEST(RegionEffects, BarsAtFullReachFillTheFirstSet) {
  // 100 x 50 at progress 50: the reach 2SW is W, bars e = 2 thick.
  TTransitionFrames frames;
  PreparePictures(frames, 100, 50);
  transition_test::DrawAtProgress(frames, iettBarsInFromRight, 50);
  for (int32_t x : {0, 50, 99}) {
    EXPECT_TRUE(ShowsTarget(frames, x, 0)) << x;
    EXPECT_TRUE(ShowsTarget(frames, x, 1)) << x;
    EXPECT_FALSE(ShowsTarget(frames, x, 2)) << x;
    EXPECT_FALSE(ShowsTarget(frames, x, 3)) << x;
  }
}

TEST(RegionEffects, ShreddedAndSpeckledHaveNoRaggedEdgeAtFullReach) {
  // At SW = W the shredded strips have no jitter and the speckled wipe no cells: the frame is
  // the target, and the generator is not needed for it.
  TTransitionFrames frames;
  for (int32_t type : {iettShreddedFromLeft, iettShreddedToCenter, iettSpeckledWipeFromLeft,
                       iettSpeckledWipeFromBottom}) {
    PreparePictures(frames, 40, 30);
    transition_test::DrawAtProgress(frames, type, 100);
    EXPECT_EQ(FirstDifference(frames.Frame(), frames.Target()), "") << type;
  }
}

TEST(RegionEffects, RectangleListsCopyWhatTheirRegionWouldClip) {
  // A 32-bit frame takes the clip-region road; the 24-bit frame copies the rectangles itself.
  const int32_t types[] = {iettBarsInFromLeft,       iettBarsFromTopAndBottom,     iettShreddedFromTop,
                           iettShreddedToCenter,      iettCrisscrossWipeBounceFromTopRight,
                           iettExpandingRectangles,   iettSpeckledWipeFromBottom,   iettHorizontalBlinds,
                           iettUnevenBlindsFromRight, iettRectanglesFromTheBottom, iettRandomBigBoxesEffect};
  TTransitionFrames frames;
  PreparePictures(frames, 90, 70);
  vcl::TBitmap clipped;
  for (int32_t type : types) {
    for (int32_t progress : {13, 50, 87}) {
      frames.DrawFrame(type, 0);
      clipped.Assign(frames.Source());
      clipped.SetPixelFormat(vcl::pf32bit);
      const vcl::TRect rect = vcl::Rect(0, 0, 90, 70);
      vcl::RandSeed = 99;
      FindTransitionEffect(type)->Proc(frames.Frame()->Canvas(), frames.Source(), frames.Target(), rect, 1, progress);
      vcl::RandSeed = 99;
      FindTransitionEffect(type)->Proc(clipped.Canvas(), frames.Source(), frames.Target(), rect, 1, progress);
      GdiFlush();
      int32_t differ = 0;
      for (int32_t y = 0; y < 70; ++y) {
        auto* a = static_cast<uint8_t*>(frames.Frame()->ScanLine(y));
        auto* b = static_cast<uint8_t*>(clipped.ScanLine(y));
        for (int32_t x = 0; x < 90; ++x) differ += std::memcmp(a + 3 * x, b + 4 * x, 3) != 0;
      }
      EXPECT_EQ(differ, 0) << type << " at " << progress;
    }
  }
}
