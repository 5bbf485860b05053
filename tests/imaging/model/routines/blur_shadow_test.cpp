#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/model/routines/convolution3x3.h"
#include "imaging/model/routines/filter_presets.h"
#include "imaging/model/routines/gaussian_blur.h"
#include "imaging/model/routines/round_corners.h"
#include "imaging/model/routines/soft_shadow.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace routines_test;

namespace {

std::unique_ptr<TIEBitmap> MakeGrey(int32_t width, int32_t height, uint8_t (*value)(int32_t, int32_t)) {
  auto bitmap = MakeBitmap(width, height, ie8g);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) bitmap->SetPixel8(x, y, value(x, y));
  return bitmap;
}

TEST(GaussianBlur, KernelRadiusFollowsSigma) {
  struct Case {
    double sigma;
    int32_t radius;
  };
  for (const Case& c : {Case{1, 4}, Case{2, 9}, Case{0.5, 2}, Case{0.01, 1}, Case{1000, 100}})
    EXPECT_EQ(BuildGaussianKernel(c.sigma).radius, c.radius) << c.sigma;
  const TGaussianKernel kernel = BuildGaussianKernel(1);
  int32_t sum = 0;
  for (int32_t k = -100; k <= 100; ++k) sum += kernel.Weight(k);
  EXPECT_EQ(sum, 65535);
  EXPECT_EQ(kernel.Weight(3), kernel.Weight(-3));
  EXPECT_EQ(kernel.Weight(5), 0);
}

TEST(GaussianBlur, RowConvolutionRepeatsTheEnds) {
  const TGaussianKernel kernel = BuildGaussianKernel(1);
  const uint8_t line[] = {200, 0, 0, 0, 0, 0, 0, 90};
  uint8_t out[8];
  ConvolveRow8(line, out, 8, kernel);
  for (int32_t i = 0; i < 8; ++i) {
    int32_t sum = 32768;
    for (int32_t k = -4; k <= 4; ++k) sum += kernel.Weight(k) * line[std::clamp(i + k, 0, 7)];
    EXPECT_EQ(out[i], sum >> 16) << i;
  }
  const uint8_t pixels[] = {10, 20, 30, 10, 20, 30};
  uint8_t colour[6];
  ConvolveRow24(pixels, colour, 2, kernel);
  EXPECT_EQ(colour[0], 10);
  EXPECT_EQ(colour[4], 20);
}

TEST(GaussianBlur, UniformImagesStayTheSame) {
  for (uint8_t level : {uint8_t(0), uint8_t(1), uint8_t(127), uint8_t(254), uint8_t(255)})
    for (double sigma : {0.5, 1.0, 3.7}) {
      auto grey = MakeBitmap(13, 9, ie8g);
      grey->Fill(level);
      GaussianBlurBitmap(grey.get(), nullptr, nullptr, sigma);
      auto colour = MakeRGB24(9, 13, [&](int32_t, int32_t) { return MakeRGB(level, uint8_t(255 - level), 7); });
      GaussianBlurBitmap(colour.get(), nullptr, nullptr, sigma);
      for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x) {
          ASSERT_EQ(grey->GetPixel8(x, y), level);
          ASSERT_TRUE(SameColour(colour->GetPixel24(x, y), MakeRGB(level, uint8_t(255 - level), 7)));
        }
    }
}

TEST(GaussianBlur, SpreadsAPointEvenlyAndReportsRowsThenColumns) {
  auto grey = MakeGrey(21, 21, [](int32_t x, int32_t y) { return uint8_t(x == 10 && y == 10 ? 255 : 0); });
  std::vector<int32_t> reported;
  GaussianBlurBitmap(grey.get(), nullptr, [&](vcl::TObject*, int32_t p) { reported.push_back(p); }, 1.5);
  EXPECT_LT(grey->GetPixel8(10, 10), 255);
  EXPECT_GT(grey->GetPixel8(10, 10), grey->GetPixel8(11, 10));
  EXPECT_EQ(grey->GetPixel8(11, 10), grey->GetPixel8(10, 9));
  EXPECT_EQ(grey->GetPixel8(12, 11), grey->GetPixel8(8, 9));
  ASSERT_EQ(reported.size(), 42u);
  EXPECT_EQ(reported[20], int32_t(20 * 100.0 / 42));
  EXPECT_EQ(reported[41], int32_t(41 * 100.0 / 42));
}

TEST(GaussianBlur, OtherFormatsAndRadiiDoNothing) {
  auto bits = MakeBitmap(8, 8, ie1g);
  bits->Fill(0);
  SetBit(bits.get(), 3, 3, true);
  GaussianBlurBitmap(bits.get(), nullptr, nullptr, 2);
  EXPECT_TRUE(BitAt(bits.get(), 3, 3));
  auto grey = MakeGrey(5, 5, [](int32_t x, int32_t) { return uint8_t(x * 50); });
  for (double radius : {0.0, -1.0, std::nan("")}) {
    GaussianBlurBitmap(grey.get(), nullptr, nullptr, radius);
    GaussianBlurGray8Rect(grey.get(), 0, 0, 4, 4, radius);
    EXPECT_EQ(grey->GetPixel8(4, 2), 200);
  }
}

TEST(GaussianBlur, RectangleNeitherReadsNorWritesOutside) {
  // 255 outside, 0 inside: inside stays 0 because the outside is never read.
  auto grey = MakeGrey(20, 20, [](int32_t x, int32_t y) { return uint8_t(x >= 5 && x <= 12 && y >= 4 && y <= 9 ? 0 : 255); });
  GaussianBlurGray8Rect(grey.get(), 12, 9, 5, 4, 2);  // corners in any order
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      const bool inside = x >= 5 && x <= 12 && y >= 4 && y <= 9;
      ASSERT_EQ(grey->GetPixel8(x, y), inside ? 0 : 255) << x << "," << y;
    }
  // Corners outside the bitmap are clamped into it.
  GaussianBlurGray8Rect(grey.get(), -50, -50, 500, 500, 1);
  EXPECT_GT(grey->GetPixel8(5, 4), 0);
}

TEST(FilterPresets, BuiltInListAndAdditions) {
  InitFilterPresets();
  ASSERT_EQ(FilterPresetCount(), 9);
  const char* names[] = {"None",        "Blur",        "Edges",      "Emboss",    "High Pass 1",
                         "High Pass 2", "High Pass 3", "Low Pass 1", "Low Pass 2"};
  for (int32_t i = 0; i < 9; ++i) EXPECT_EQ(FilterPresetName(i), names[i]);
  EXPECT_EQ(FilterPreset(1).divisor, 9);
  EXPECT_EQ(FilterPreset(2).weights[4], -8);
  EXPECT_EQ(FilterPreset(8).weights[4], 4);
  EXPECT_EQ(FilterPreset(8).divisor, 16);
  EXPECT_EQ(AddFilterPreset(Convolution3x3{{0, 0, 0, 0, 2, 0, 0, 0, 0}, 1}, "Double"), 9);
  EXPECT_EQ(FilterPresetName(9), "Double");
  EXPECT_THROW(FilterPreset(10), vcl::EListError);
  FreeFilterPresets();
  EXPECT_EQ(FilterPresetCount(), 0);
  InitFilterPresets();
  EXPECT_EQ(FilterPresetCount(), 9);
}

TEST(Convolution3x3, BoxKeepsConstantImagesAndTouchesOnlyTheRectangle) {
  auto grey = MakeBitmap(6, 5, ie8g);
  grey->Fill(77);
  Convolve3x3Gray8Rect(grey.get(), BlurFilterPreset(), -3, -3, 100, 100);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(grey->GetPixel8(x, y), 77);

  auto spot = MakeGrey(6, 6, [](int32_t x, int32_t y) { return uint8_t(x == 2 && y == 2 ? 90 : 0); });
  Convolve3x3Gray8Rect(spot.get(), BlurFilterPreset(), 1, 1, 3, 3);  // ends exclusive
  EXPECT_EQ(spot->GetPixel8(1, 1), 10);
  EXPECT_EQ(spot->GetPixel8(2, 2), 10);
  EXPECT_EQ(spot->GetPixel8(3, 3), 0);  // outside the rectangle
  // Edges takes the magnitude of the sum.
  auto edge = MakeGrey(3, 3, [](int32_t x, int32_t y) { return uint8_t(x == 1 && y == 1 ? 10 : 0); });
  Convolve3x3Gray8Rect(edge.get(), Convolution3x3{{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1}, 1, 1, 2, 2);
  EXPECT_EQ(edge->GetPixel8(1, 1), 80);
}

// A 24-bit image with an opaque square in the middle and transparent surroundings.
std::unique_ptr<TIEBitmap> MakeCutOut(int32_t width, int32_t height) {
  auto bitmap = MakeRGB24(width, height, [](int32_t, int32_t) { return MakeRGB(200, 100, 50); });
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      alpha->SetPixel8(x, y, x >= width / 4 && x < 3 * width / 4 && y >= height / 4 && y < 3 * height / 4 ? 255 : 0);
  return bitmap;
}

TEST(SoftShadow, EnlargingGrowsByTheMargin) {
  auto bitmap = MakeCutOut(100, 80);
  ApplySoftShadow(bitmap.get(), 3, 4, 2, 100, true, Grey(0), nullptr, nullptr);
  EXPECT_EQ(bitmap->Width(), 118);  // m = 2 * 4 + 10
  EXPECT_EQ(bitmap->Height(), 98);
  EXPECT_EQ(bitmap->AlphaChannel()->Width(), 118);
  EXPECT_EQ(SoftShadowMargin(0, 0, 0), 1);
  EXPECT_EQ(SoftShadowMargin(-7, 2, 2), 24);
}

TEST(SoftShadow, IntensityDividesTheShadowUnderTransparentPixels) {
  const TRGB shadow = MakeRGB(10, 20, 30);
  int32_t full = -1;
  struct Case {
    int32_t intensity;
    double divisor;
  };
  for (const Case& c : {Case{100, 1}, Case{0, 3}, Case{50, 2}, Case{250, 1}, Case{-5, 3}}) {
    auto bitmap = MakeCutOut(40, 40);
    ApplySoftShadow(bitmap.get(), 2, 2, 2, c.intensity, false, shadow, nullptr, nullptr);
    // Just right of the square's bottom-right edge, where the old alpha was 0.
    const int32_t q = bitmap->AlphaChannel()->GetPixel8(31, 31);
    if (c.intensity == 100) full = q;
    ASSERT_GT(full, 0);
    EXPECT_EQ(q, int32_t(std::trunc(full / c.divisor))) << c.intensity;
    EXPECT_TRUE(SameColour(bitmap->GetPixel24(31, 31), shadow));
    // Opaque pixels keep their colour and alpha whatever lies under them.
    EXPECT_EQ(bitmap->AlphaChannel()->GetPixel8(20, 20), 255);
    EXPECT_TRUE(SameColour(bitmap->GetPixel24(20, 20), MakeRGB(200, 100, 50)));
    // Far from the square nothing changes.
    EXPECT_EQ(bitmap->AlphaChannel()->GetPixel8(0, 0), 0);
    EXPECT_FALSE(bitmap->AlphaChannel()->Full());
  }
}

TEST(SoftShadow, PartlyTransparentPixelsMixWithTheShadow) {
  auto bitmap = MakeCutOut(40, 40);
  bitmap->AlphaChannel()->SetPixel8(30, 30, 128);
  ApplySoftShadow(bitmap.get(), 0, 0, 3, 100, false, Grey(0), nullptr, nullptr);
  EXPECT_GT(bitmap->AlphaChannel()->GetPixel8(30, 30), 128);
  EXPECT_LT(bitmap->GetPixel24(30, 30).r, 200);
}

TEST(SoftShadow, RectangleVersionWithTheBoxBlur) {
  auto bitmap = MakeRGB24(60, 60, [](int32_t, int32_t) { return Grey(255); });
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  alpha->Fill(0);
  for (int32_t y = 20; y < 30; ++y)
    for (int32_t x = 20; x < 30; ++x) alpha->SetPixel8(x, y, 255);
  EXPECT_EQ(ApplySoftShadowRect(bitmap.get(), 3, -1, 0, 100, Grey(0), 20, 20, 29, 29), 16);
  // The shadow reaches past the right edge of the object, moved by the offset.
  EXPECT_GT(alpha->GetPixel8(31, 25), 0);
  EXPECT_TRUE(SameColour(bitmap->GetPixel24(31, 25), Grey(0)));
  EXPECT_EQ(alpha->GetPixel8(18, 25), 0);
  // Pixels beyond the combining rectangle are untouched.
  EXPECT_EQ(alpha->GetPixel8(59, 59), 0);
  EXPECT_TRUE(SameColour(bitmap->GetPixel24(59, 59), Grey(255)));
}

TEST(RoundCorners, CornersBecomeTransparent) {
  auto bitmap = MakeRGB24(100, 100, [](int32_t, int32_t) { return Grey(9); });
  RoundCornersAlpha(bitmap.get(), 10, 10, nullptr, nullptr);
  TIEBitmap* alpha = bitmap->AlphaChannel();
  for (auto [x, y] : {std::pair{0, 0}, std::pair{99, 0}, std::pair{0, 99}, std::pair{99, 99}})
    EXPECT_EQ(alpha->GetPixel8(x, y), 0) << x << "," << y;
  for (auto [x, y] : {std::pair{10, 10}, std::pair{89, 89}, std::pair{50, 0}, std::pair{0, 50}, std::pair{50, 50}})
    EXPECT_EQ(alpha->GetPixel8(x, y), 255) << x << "," << y;
  EXPECT_FALSE(alpha->Full());

  for (auto [rx, ry] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 10}}) {
    auto untouched = MakeRGB24(20, 20, [](int32_t, int32_t) { return Grey(9); });
    RoundCornersAlpha(untouched.get(), rx, ry, nullptr, nullptr);
    EXPECT_FALSE(untouched->HasAlphaChannel());
  }
  // Radii beyond the bitmap are taken as its size.
  auto tiny = MakeRGB24(6, 4, [](int32_t, int32_t) { return Grey(9); });
  RoundCornersAlpha(tiny.get(), 1000000000, 1000000000, nullptr, nullptr);
  EXPECT_EQ(tiny->AlphaChannel()->GetPixel8(0, 0), 0);
}

}  // namespace
