#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "skin/engine/paint/glowing_text.h"

using namespace skin;

namespace {

std::unique_ptr<vcl::TBitmap> GlowingMakeBitmap(vcl::TPixelFormat format, int width, int height, uint8_t fill) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  const int bytes = format == vcl::pf32bit ? 4 : format == vcl::pf24bit ? 3 : 1;
  for (int y = 0; y < height; ++y) std::memset(bitmap->ScanLine(y), fill, width * bytes);
  return bitmap;
}

uint8_t* Row(vcl::TBitmap* bitmap, int y) { return static_cast<uint8_t*>(bitmap->ScanLine(y)); }

// The blur written out directly in double precision, as a second opinion on the fixed-point one.
std::vector<double> ReferenceBlur(const std::vector<double>& in, int width, int height, double radius) {
  std::vector<double> w(201);
  double sum = 0;
  for (int i = -100; i <= 100; ++i) sum += w[i + 100] = std::exp(-(i / radius) * (i / radius) / 2);
  for (double& v : w) v /= sum;
  int h = 100;
  double tails = 0;
  while (tails < 1.0 / 510 && h > 1) tails += 2 * w[100 + h--];
  sum = 0;
  for (int i = -h; i <= h; ++i) sum += w[100 + i];
  auto pass = [&](const std::vector<double>& src, bool rows) {
    std::vector<double> out(src.size());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        double v = 0;
        for (int k = -h; k <= h; ++k) {
          const int sx = rows ? std::clamp(x - k, 0, width - 1) : x, sy = rows ? y : std::clamp(y - k, 0, height - 1);
          v += w[100 + k] / sum * src[sy * width + sx];
        }
        out[y * width + x] = std::floor(std::clamp(v, 0.0, 255.0));
      }
    return out;
  };
  return pass(pass(in, true), false);
}

TEST(GlowingText, BlurMatchesADirectComputation) {
  const int width = 13, height = 9;
  auto bitmap = GlowingMakeBitmap(vcl::pf8bit, width, height, 255);
  std::vector<double> in(width * height, 255);
  for (auto [x, y, v] : {std::tuple{6, 4, 0}, std::tuple{0, 0, 10}, std::tuple{12, 8, 90}, std::tuple{3, 6, 0}}) {
    Row(bitmap.get(), y)[x] = static_cast<uint8_t>(v);
    in[y * width + x] = v;
  }
  GaussBlur8(bitmap.get(), 1.5f);
  const std::vector<double> expected = ReferenceBlur(in, width, height, 1.5);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) EXPECT_NEAR(Row(bitmap.get(), y)[x], expected[y * width + x], 1) << x << "," << y;
}

TEST(GlowingText, BlurKeepsFlatPicturesAndSkipsWhatItCannotBlur) {
  auto white = GlowingMakeBitmap(vcl::pf8bit, 17, 11, 255);
  GaussBlur8(white.get(), 4);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(Row(white.get(), y)[x], 255) << x << "," << y;

  struct Case {
    vcl::TPixelFormat format;
    float radius;
  } untouched[] = {{vcl::pf24bit, 3}, {vcl::pf8bit, 0}, {vcl::pf8bit, -2}, {vcl::pf8bit, NAN}};
  for (const Case& c : untouched) {
    auto bitmap = GlowingMakeBitmap(c.format, 5, 5, 255);
    Row(bitmap.get(), 2)[2] = 0;
    GaussBlur8(bitmap.get(), c.radius);
    EXPECT_EQ(Row(bitmap.get(), 2)[2], 0) << c.radius;
    EXPECT_EQ(Row(bitmap.get(), 2)[c.format == vcl::pf8bit ? 3 : 6], 255) << c.radius;
  }
  GaussBlur8(nullptr, 3);
}

// A cached mask of the right size is used as it is: each mask byte decides its target pixel.
TEST(GlowingText, BlendsTheColourThroughTheMask) {
  const int radius = 3, d = radius + 4;
  const vcl::TRect rect{10, 6, 20, 10};  // mask 24 x 18 placed at (3, -1)
  for (vcl::TPixelFormat format : {vcl::pf24bit, vcl::pf32bit}) {
    auto target = GlowingMakeBitmap(format, 30, 20, 200);
    std::unique_ptr<vcl::TBitmap> cache = GlowingMakeBitmap(vcl::pf8bit, 10 + 2 * d, 4 + 2 * d, 255);
    Row(cache.get(), 1)[0] = 0;    // target (3, 0): the colour
    Row(cache.get(), 5)[4] = 128;  // target (7, 4): half way
    Row(cache.get(), 0)[9] = 0;    // above the target: nothing
    const vcl::TColor colour = 0x1050F0;  // red F0, green 50, blue 10
    DrawGlowingText(target.get(), "x", rect, cache, colour, radius, goAll, 0);
    const int bpp = format == vcl::pf32bit ? 4 : 3;
    const uint8_t* colourPixel = Row(target.get(), 0) + 3 * bpp;
    EXPECT_EQ(colourPixel[0], 0x10);
    EXPECT_EQ(colourPixel[1], 0x50);
    EXPECT_EQ(colourPixel[2], 0xF0);
    const uint8_t* half = Row(target.get(), 4) + 7 * bpp;
    EXPECT_EQ(half[0], 0x10 + (200 - 0x10) * 128 / 255);
    EXPECT_EQ(half[2], 0xF0 + (200 - 0xF0) * 128 / 255);  // toward zero: -40*128/255 = -20
    if (bpp == 4) {
      EXPECT_EQ(colourPixel[3], 0);           // 200 + 0 - 255 below 0
      EXPECT_EQ(half[3], 200 + 128 - 255);
    }
    int changed = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30 * bpp; ++x) changed += Row(target.get(), y)[x] != 200;
    EXPECT_EQ(changed, 2 * bpp);  // every other mask byte was 255
    EXPECT_EQ(cache->Width(), 24);
    EXPECT_EQ(Row(cache.get(), 1)[0], 0);  // the cache was not redrawn
  }
}

TEST(GlowingText, DrawsABlurredMaskOfTheGrownRectangle) {
  auto target = GlowingMakeBitmap(vcl::pf32bit, 40, 30, 255);
  target->Canvas()->Font()->SetHeight(-14);
  std::unique_ptr<vcl::TBitmap> cache;
  const vcl::TRect rect{-5, 4, 35, 24};  // reaching past the left edge
  DrawGlowingText(target.get(), "HH", rect, cache, 0x0000FF, 3, goAll, DT_SINGLELINE);
  ASSERT_TRUE(cache);
  EXPECT_EQ(cache->PixelFormat(), vcl::pf8bit);
  EXPECT_EQ(cache->Width(), 40 + 14);
  EXPECT_EQ(cache->Height(), 20 + 14);
  int dark = 0;
  for (int y = 0; y < cache->Height(); ++y)
    for (int x = 0; x < cache->Width(); ++x) dark += Row(cache.get(), y)[x] < 200;
  EXPECT_GT(dark, 0);
  EXPECT_EQ(Row(cache.get(), 0)[0], 255);  // the corners stay clear of the glow
  int reddened = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) reddened += Row(target.get(), y)[4 * x] < 255;
  EXPECT_GT(reddened, 0);

  std::unique_ptr<vcl::TBitmap> none;
  DrawGlowingText(target.get(), nullptr, rect, none, 0, 3, goAll, 0);
  EXPECT_FALSE(none);
}

}  // namespace
