#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

TEST(ColourReduction, DitherMatrixHoldsEachLevelOnce) {
  std::set<int> levels;
  for (const auto& row : kOrderedDitherMatrix)
    for (uint8_t v : row) levels.insert(v);
  EXPECT_EQ(levels.size(), 64u);
  EXPECT_EQ(*levels.rbegin(), 63);
}

TEST(ColourReduction, OrderedDither) {
  struct Case {
    uint8_t level;
    int white;  // of the 64 pixels of one matrix tile
  } cases[] = {{255, 64}, {251, 64}, {128, 32}, {0, 0}, {250, 62}};
  for (const Case& c : cases) {
    auto bitmap = MakeRGB24(8, 8, [&](int32_t, int32_t) { return Grey(c.level); });
    bitmap->GetAlphaChannel()->SetPixel8(3, 3, 77);
    ConvertTo1BitOrderedDither(bitmap.get(), nullptr);
    ASSERT_EQ(bitmap->GetPixelFormat(), ie1g);
    EXPECT_EQ(bitmap->GetAlphaChannel()->GetPixel8(3, 3), 77);  // the alpha channel stays
    int white = 0;
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        const bool set = BitAt(bitmap.get(), x, y);
        white += set;
        // Mid grey (level 32 after div 4) turns exactly the cells below 32 white.
        if (c.level == 128) {
          EXPECT_EQ(set, kOrderedDitherMatrix[x][y] < 32) << x << "," << y;
        }
      }
    EXPECT_EQ(white, c.white) << int(c.level);
  }
}

TEST(ColourReduction, ThresholdConversionInPlace) {
  auto bitmap = MakeRGB24(4, 2, [](int32_t x, int32_t) { return Grey(uint8_t(x * 80)); });
  ProgressContext progress;
  int events = 0;
  progress.OnProgress = [&](vcl::TObject*, int32_t) { ++events; };
  ConvertTo1BitThreshold(bitmap.get(), 100, &progress);
  ASSERT_EQ(bitmap->GetPixelFormat(), ie1g);
  EXPECT_EQ(events, 2);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(BitAt(bitmap.get(), x, 1), x >= 2);

  auto grey = MakeBitmap(4, 4, ie8g);  // only 24-bit images are converted
  ConvertTo1BitThreshold(grey.get(), 100, nullptr);
  ConvertTo1BitOrderedDither(grey.get(), nullptr);
  EXPECT_EQ(grey->GetPixelFormat(), ie8g);
}

TEST(ColourReduction, GreyRectangle) {
  auto bitmap = MakeRGB24(4, 4, [](int32_t, int32_t) { return MakeRGB(255, 0, 0); });
  std::vector<int32_t> reported;
  ConvertRectToGray24(bitmap.get(), 1, -5, 99, 2, nullptr, [&](vcl::TObject*, int32_t per) { reported.push_back(per); });
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && y < 2;
      EXPECT_TRUE(SameColour(bitmap->GetPixel24(x, y), inside ? Grey(53) : MakeRGB(255, 0, 0))) << x << "," << y;
    }
  EXPECT_EQ(reported, (std::vector<int32_t>{40, 80}));  // rows 0 and 1 of 2
}

TEST(ColourReduction, QuantizeToPaletteKeepsFewColoursExactly) {
  std::vector<TRGB> colours;
  for (int i = 0; i < 10; ++i) colours.push_back(MakeRGB(uint8_t(i * 25), uint8_t(255 - i * 20), uint8_t(i * i)));
  auto bitmap = MakeRGB24(10, 3, [&](int32_t x, int32_t y) { return colours[(x + y) % 10]; });
  std::vector<TRGB> palette(16, MakeRGB(9, 9, 9));
  QuantizeToPalette24(bitmap.get(), 16, palette, nullptr, nullptr);
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(SameColour(palette[i], colours[i])) << i;
  for (int i = 10; i < 16; ++i) EXPECT_TRUE(SameColour(palette[i], MakeRGB(9, 9, 9))) << i;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_TRUE(SameColour(bitmap->GetPixel24(x, y), colours[(x + y) % 10]));
}

TEST(ColourReduction, QuantizeToPaletteLimitsTheColours) {
  for (int32_t colours : {3, 50, 200}) {
    auto bitmap = MakeRGB24(64, 48, [](int32_t x, int32_t y) { return MakeRGB(uint8_t(x * 4), uint8_t(y * 5), uint8_t(x ^ y)); });
    QuantizeToPalette24(bitmap.get(), colours, {}, nullptr, nullptr);
    EXPECT_EQ(bitmap->GetPixelFormat(), ie24RGB);
    std::set<int32_t> distinct;
    for (int32_t y = 0; y < 48; ++y)
      for (int32_t x = 0; x < 64; ++x) distinct.insert(PackRGB(bitmap->GetPixel24(x, y)));
    EXPECT_LE(int32_t(distinct.size()), colours);
  }
}

TEST(ColourReduction, BilevelDetection) {
  const TRGB black = MakeRGB(0, 0, 0), white = MakeRGB(255, 255, 255);
  // White first: the darker colour still becomes colour1 and the white pixels the set bits.
  auto bitmap = MakeRGB24(9, 3, [&](int32_t x, int32_t y) { return (x + y) % 2 ? black : white; });
  TRGB colour1, colour2;
  auto bilevel = ConvertToBilevelIfTwoColors(bitmap.get(), colour1, colour2);
  ASSERT_TRUE(bilevel);
  EXPECT_TRUE(SameColour(colour1, black));
  EXPECT_TRUE(SameColour(colour2, white));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(BitAt(bilevel.get(), x, y), (x + y) % 2 == 0);

  // Equal brightness: the first colour seen stays colour1.
  auto even = MakeRGB24(2, 1, [](int32_t x, int32_t) { return x ? MakeRGB(0, 0, 100) : MakeRGB(0, 0, 101); });
  ASSERT_TRUE(ConvertToBilevelIfTwoColors(even.get(), colour1, colour2));
  EXPECT_EQ(colour1.b, 101);

  auto single = MakeRGB24(4, 4, [](int32_t, int32_t) { return MakeRGB(1, 2, 3); });
  EXPECT_FALSE(ConvertToBilevelIfTwoColors(single.get(), colour1, colour2));
  auto three = MakeRGB24(3, 1, [](int32_t x, int32_t) { return Grey(uint8_t(x)); });
  EXPECT_FALSE(ConvertToBilevelIfTwoColors(three.get(), colour1, colour2));

  auto grey = MakeBitmap(2, 2, ie8g);  // any pixel format
  grey->SetPixel8(0, 0, 200), grey->SetPixel8(1, 0, 10), grey->SetPixel8(0, 1, 10), grey->SetPixel8(1, 1, 200);
  auto fromGrey = ConvertToBilevelIfTwoColors(grey.get(), colour1, colour2);
  ASSERT_TRUE(fromGrey);
  EXPECT_EQ(colour1.r, 10);
  EXPECT_TRUE(BitAt(fromGrey.get(), 0, 0));
  EXPECT_FALSE(BitAt(fromGrey.get(), 1, 0));
}
