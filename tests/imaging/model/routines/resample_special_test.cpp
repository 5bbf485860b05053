#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/model/routines/resample.h"
#include "imaging/model/routines/resample_fast.h"
#include "imaging/model/routines/resample_interpolated.h"
#include "imaging/model/routines/resample_projection.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

namespace {

TEST(FastLinear, EnlargingTwoPixelsGivesTheFlooredMidpoint) {
  auto source = MakeRGB24(2, 1, [](int32_t x, int32_t) { return Grey(x ? 255 : 0); });
  auto dest = MakeBitmap(4, 1, ie24RGB);
  ResampleFastLinear24(source.get(), dest.get(), nullptr, nullptr);
  // Column 1 sits half way (fraction 65536): 0 + floor(255 * 65536 / 131072) = 127.
  const uint8_t expected[] = {0, 127, 255, 255};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dest->GetPixel24(x, 0).g, expected[x]) << x;
}

TEST(FastLinear, AnUnchangedAxisIsCopiedNotBlurred) {
  // 100 x 100 to 100 x 50: only the height changes, so each column keeps its own pixels.
  auto source = MakeRGB24(100, 100, [](int32_t x, int32_t y) { return MakeRGB(uint8_t(x * 2), uint8_t(y), 9); });
  auto dest = MakeBitmap(100, 50, ie24RGB);
  ResampleFastLinear24(source.get(), dest.get(), nullptr, nullptr);
  for (int32_t x : {0, 1, 50, 99}) {
    EXPECT_EQ(dest->GetPixel24(x, 10).r, x * 2) << x;
    // Rows: the mean of source rows Trunc(k / 0.5) .. Trunc((k + 1) / 0.5) = 2k .. 2k + 2.
    EXPECT_EQ(dest->GetPixel24(x, 10).g, (20 + 21 + 22) / 3) << x;
  }
}

TEST(FastLinear, EqualSizesCopyAndEmptyBitmapsDoNothing) {
  auto source = MakeRGB24(5, 4, [](int32_t x, int32_t y) { return MakeRGB(uint8_t(x), uint8_t(y), 1); });
  auto dest = MakeBitmap(5, 4, ie8g);
  ResampleFastLinear24(source.get(), dest.get(), nullptr, nullptr);
  ASSERT_EQ(dest->PixelFormat(), ie24RGB);
  EXPECT_TRUE(SameColour(dest->GetPixel24(3, 2), MakeRGB(3, 2, 1)));
  auto empty = std::make_unique<TIEBitmap>();
  ResampleFastLinear24(empty.get(), dest.get(), nullptr, nullptr);
  EXPECT_TRUE(SameColour(dest->GetPixel24(3, 2), MakeRGB(3, 2, 1)));
}

TEST(FastLinear, ProgressAfterEveryRowOfBothPasses) {
  auto source = MakeRGB24(8, 6, [](int32_t, int32_t) { return Grey(5); });
  auto dest = MakeBitmap(3, 4, ie24RGB);
  std::vector<int32_t> reported;
  ResampleFastLinear24(source.get(), dest.get(), nullptr, [&](vcl::TObject*, int32_t p) { reported.push_back(p); });
  const double f = 100.0 / (6 + 4 + 0.5);
  std::vector<int32_t> expected;
  for (int32_t y = 0; y < 6; ++y) expected.push_back(int32_t(f * y));
  for (int32_t k = 0; k < 4; ++k) expected.push_back(int32_t(f * (6 + k)));
  EXPECT_EQ(reported, expected);
}

TEST(FastLinear, OneBitSourcesGiveGrey) {
  auto source = MakeBitmap(2, 2, ie1g);
  source->Fill(0);
  SetBit(source.get(), 1, 0, true);
  SetBit(source.get(), 1, 1, true);
  auto enlarged = MakeBitmap(4, 2, ie24RGB);
  ResampleFastLinear1Bit(source.get(), enlarged.get(), nullptr, nullptr);
  EXPECT_EQ(enlarged->GetPixel24(1, 0).b, 127);

  // Both axes shrink: the bit averager, here over a 2 x 2 chequer.
  auto chequer = MakeBitmap(2, 2, ie1g);
  chequer->Fill(0);
  SetBit(chequer.get(), 0, 0, true);
  SetBit(chequer.get(), 1, 1, true);
  auto one = MakeBitmap(1, 1, ie24RGB);
  ResampleFastLinear1Bit(chequer.get(), one.get(), nullptr, nullptr);
  EXPECT_TRUE(SameColour(one->GetPixel24(0, 0), Grey(127)));  // 255 * 2 div 4
}

TEST(BitAverager, WhiteAndChequeredAreas) {
  auto white = MakeBitmap(9, 7, ie1g);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 9; ++x) SetBit(white.get(), x, y, true);
  auto dest = MakeBitmap(4, 3, ie24RGB);
  Resample1BitToGray24(white.get(), 0, 0, 8, 6, dest.get());
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_TRUE(SameColour(dest->GetPixel24(x, y), Grey(255)));

  // A rectangle reaching past the source is clipped instead of read past the bitmap.
  Resample1BitToGray24(white.get(), 5, 4, 500, 400, dest.get());
  EXPECT_TRUE(SameColour(dest->GetPixel24(3, 2), Grey(255)));
}

TEST(Projection, MidGreyDecidesNothing) {
  auto source = MakeRGB24(4, 4, [](int32_t, int32_t) { return Grey(128); });
  for (bool whiteWins : {false, true}) {
    auto dest = MakeBitmap(2, 2, ie24RGB);
    ProjectResample24(source.get(), dest.get(), whiteWins, nullptr, nullptr);
    ASSERT_EQ(dest->PixelFormat(), ie1g);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(BitAt(dest.get(), x, y), !whiteWins) << x << "," << y;
  }
}

TEST(Projection, BlocksRunFromThePreviousMappedPosition) {
  // Half size: destination (0, 0) looks at source (0, 0) only; (1, 1) at columns and rows 0 .. 2.
  struct Case {
    int32_t blackX, blackY;
    bool pixel00, pixel11;  // bits after black wins
  };
  const Case cases[] = {{0, 0, false, false}, {1, 1, true, false}, {2, 2, true, false}, {3, 3, true, true}};
  for (const Case& c : cases) {
    auto source = MakeRGB24(4, 4, [&](int32_t x, int32_t y) { return Grey(x == c.blackX && y == c.blackY ? 0 : 255); });
    auto dest = MakeBitmap(2, 2, ie1g);
    ProjectResample24(source.get(), dest.get(), false, nullptr, nullptr);
    EXPECT_EQ(BitAt(dest.get(), 0, 0), c.pixel00) << c.blackX;
    EXPECT_EQ(BitAt(dest.get(), 1, 1), c.pixel11) << c.blackX;
  }
}

TEST(Projection, OneBitLineSurvivesReduction) {
  auto source = MakeBitmap(40, 40, ie1g);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 40; ++x) SetBit(source.get(), x, y, x != 17);  // one black column
  auto dest = MakeBitmap(10, 10, ie1g);
  ProjectResample1Bit(source.get(), dest.get(), false, nullptr, nullptr);
  int32_t blackColumns = 0;
  for (int32_t x = 0; x < 10; ++x) blackColumns += !BitAt(dest.get(), x, 5);
  EXPECT_GE(blackColumns, 1);
  const uint8_t access = source->Access();
  EXPECT_EQ(access, 3);  // restored
}

TEST(AreaInterpolated, HalvingAveragesEachBlockWithHalvesToEven) {
  auto source = MakeBitmap(4, 2, ie8g);
  const uint8_t values[2][4] = {{0, 1, 10, 20}, {1, 0, 30, 41}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) source->SetPixel8(x, y, values[y][x]);
  for (bool bicubic : {false, true}) {
    auto dest = MakeBitmap(2, 1, ie8g);
    ResampleInterpolated(source.get(), dest.get(), bicubic, nullptr, nullptr);
    EXPECT_EQ(dest->GetPixel8(0, 0), 0);   // 2 / 4 = 0.5 rounds to 0
    EXPECT_EQ(dest->GetPixel8(1, 0), 25);  // 101 / 4 = 25.25
  }
}

TEST(AreaInterpolated, EnlargingInterpolatesAndKeepsUniformAreas) {
  auto ramp = MakeBitmap(3, 1, ie8g);
  for (int32_t x = 0; x < 3; ++x) ramp->SetPixel8(x, 0, uint8_t(x * 100));
  auto dest = MakeBitmap(6, 1, ie8g);
  ResampleInterpolated(ramp.get(), dest.get(), false, nullptr, nullptr);
  // x only (the height stays): each half pixel is sampled at its far edge.
  const uint8_t expected[] = {50, 100, 150, 200, 200, 200};
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(dest->GetPixel8(x, 0), expected[x]) << x;

  auto flat = MakeRGB24(7, 5, [](int32_t, int32_t) { return MakeRGB(250, 3, 128); });
  for (bool bicubic : {false, true})
    for (auto [w, h] : {std::pair{20, 11}, std::pair{3, 12}, std::pair{30, 2}}) {
      auto out = MakeBitmap(w, h, ie24RGB);
      ResampleInterpolated(flat.get(), out.get(), bicubic, nullptr, nullptr);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) ASSERT_TRUE(SameColour(out->GetPixel24(x, y), MakeRGB(250, 3, 128)));
    }
}

TEST(AreaInterpolated, CubicConvolutionIsTheKernelOfMinusOne) {
  EXPECT_DOUBLE_EQ(CubicConvolution(10, 20, 30, 40, 0, 0, 255), 20);
  EXPECT_DOUBLE_EQ(CubicConvolution(10, 20, 30, 40, 1, 0, 255), 30);
  // At t = 0.5 the weights are -1/8, 5/8, 5/8, -1/8.
  EXPECT_DOUBLE_EQ(CubicConvolution(0, 100, 100, 0, 0.5, 0, 255), 125);
  EXPECT_DOUBLE_EQ(CubicConvolution(0, 255, 255, 0, 0.5, 0, 255), 255);  // clamped
}

TEST(AreaInterpolated, OtherFormatsAreLeftAlone) {
  auto source = MakeBitmap(4, 4, ie1g);
  auto dest = MakeBitmap(2, 2, ie24RGB);
  dest->SetPixel24(0, 0, MakeRGB(1, 2, 3));
  ResampleInterpolated(source.get(), dest.get(), false, nullptr, nullptr);
  ResampleInterpolated16(source.get(), dest.get(), true, nullptr, nullptr);
  EXPECT_TRUE(SameColour(dest->GetPixel24(0, 0), MakeRGB(1, 2, 3)));
}

}  // namespace
