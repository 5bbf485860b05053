#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "skin/engine/fast_pixels.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

TEST(FastPixels, AttachNeedsTwoByTwoInTheAccessorsFormat) {
  struct Case {
    vcl::TPixelFormat format;
    int width, height;
    bool fast24, fast32;
  } cases[] = {
      {vcl::pf24bit, 2, 2, true, false}, {vcl::pf32bit, 2, 2, false, true}, {vcl::pf24bit, 1, 5, false, false},
      {vcl::pf32bit, 5, 1, false, false}, {vcl::pf8bit, 4, 4, false, false},
  };
  for (const Case& c : cases) {
    auto bitmap = skin_test::MakeBitmap(c.format, c.width, c.height);
    TacFast24 f24;
    TacFast32 f32;
    EXPECT_EQ(f24.Attach(bitmap.get()), c.fast24) << c.width << "x" << c.height;
    EXPECT_EQ(f32.Attach(bitmap.get()), c.fast32) << c.width << "x" << c.height;
    EXPECT_EQ(f24.Width, c.fast24 ? c.width : 0);
    EXPECT_EQ(f32.Width, c.fast32 ? c.width : 0);
  }
  TacFast24 none;
  EXPECT_FALSE(none.Attach(nullptr));
}

TEST(FastPixels, ReadAndWriteInColourOrder) {
  auto b24 = skin_test::MakeBitmap(vcl::pf24bit, 3, 3);
  TacFast24 f24;
  ASSERT_TRUE(f24.Attach(b24.get()));
  uint8_t* p = skin_test::PixelAddress(b24.get(), 1, 2);
  p[0] = 0x10, p[1] = 0x20, p[2] = 0x30;
  EXPECT_EQ(f24.GetPixel(1, 2), 0x102030);
  f24.SetPixel(2, 1, 0x7F102030);  // the top byte is ignored
  EXPECT_EQ(skin_test::PixelAddress(b24.get(), 2, 1)[0], 0x10);
  EXPECT_EQ(skin_test::PixelAddress(b24.get(), 2, 1)[2], 0x30);

  auto b32 = skin_test::MakeBitmap(vcl::pf32bit, 3, 3);
  TacFast32 f32;
  ASSERT_TRUE(f32.Attach(b32.get()));
  p = skin_test::PixelAddress(b32.get(), 0, 2);
  p[0] = 0x10, p[1] = 0x20, p[2] = 0x30, p[3] = 0x80;
  EXPECT_EQ(f32.GetPixel(0, 2), 0x80102030u);
  f32.SetPixel(1, 0, 0x80102030u);
  EXPECT_EQ(std::memcmp(skin_test::PixelAddress(b32.get(), 1, 0), p, 4), 0);
  EXPECT_EQ(ColorToPixel32(0x0000FF), 0xFFFF0000u);
}

TEST(FastPixels, FillsAndSetsAlphaOnlyInsideTheRectangle) {
  auto bitmap = skin_test::MakeBitmap(vcl::pf32bit, 4, 4);
  FillRectColor32(bitmap.get(), vcl::Rect(0, 0, 4, 4), 0);
  FillRectColor32(bitmap.get(), vcl::Rect(2, 2, 2, 9), 0xFFFFFF);  // empty: nothing
  FillRectColor32(bitmap.get(), vcl::Rect(-3, 1, 2, 9), 0x0000FF);  // clipped to the bitmap
  SetRectAlpha32(bitmap.get(), vcl::Rect(1, 0, 9, 1), 0x40);
  TacFast32 fast;
  ASSERT_TRUE(fast.Attach(bitmap.get()));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      uint32_t expected = y >= 1 && x < 2 ? 0xFF0000FFu : 0xFF000000u;  // red, read in colour order
      if (y == 0 && x >= 1) expected = 0x40000000u;
      EXPECT_EQ(fast.GetPixel(x, y), expected) << x << "," << y;
    }
}

TEST(FastPixels, BlendsTwoBitmapsDividingBy256) {
  auto source = skin_test::MakeBitmap(vcl::pf24bit, 4, 4);
  auto target = skin_test::MakeBitmap(vcl::pf24bit, 4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      std::memset(skin_test::PixelAddress(source.get(), x, y), 100, 3);
      std::memset(skin_test::PixelAddress(target.get(), x, y), 200, 3);
    }
  skin_test::PixelAddress(source.get(), 0, 3)[0] = 255;
  TacFastSum24 sum;
  ASSERT_TRUE(sum.Attach(source.get(), target.get()));
  sum.DstWeight = 128;
  sum.DstRect = vcl::Rect(1, 1, 3, 4);
  sum.SrcRect = vcl::Rect(0, 0, 2, 4);  // only Left and Bottom place the source
  sum.BlendRect();
  EXPECT_EQ(skin_test::PixelAddress(target.get(), 1, 1)[1], 150);
  EXPECT_EQ(skin_test::PixelAddress(target.get(), 1, 3)[0], (200 * 128 + 255 * 127 + 127) / 256);
  EXPECT_EQ(skin_test::PixelAddress(target.get(), 0, 1)[1], 200);  // outside the rectangle
  EXPECT_EQ(skin_test::PixelAddress(target.get(), 1, 0)[1], 200);

  // A rectangle beyond both bitmaps blends only what lies inside them.
  sum.DstRect = vcl::Rect(2, 2, 40, 40);
  sum.SrcRect = vcl::Rect(-5, 0, 0, 40);
  sum.DstWeight = 255;
  sum.BlendRect();
  EXPECT_EQ(skin_test::PixelAddress(target.get(), 3, 3)[1], 200);  // its source would be outside: untouched
}

TEST(FastPixels, MixesARectangleWithAColour) {
  struct Case {
    vcl::TPixelFormat format;
    uint8_t percent;
    uint8_t expected;
  } cases[] = {{vcl::pf24bit, 50, 128}, {vcl::pf32bit, 50, 128}, {vcl::pf24bit, 100, 255}, {vcl::pf32bit, 0, 0}};
  for (const Case& c : cases) {
    auto bitmap = skin_test::MakeBitmap(c.format, 3, 3);
    const int bytes = c.format == vcl::pf32bit ? 4 : 3;
    for (int y = 0; y < 3; ++y) std::memset(bitmap->ScanLine(y), 255, 3 * bytes);
    BlendRectWithColor(bitmap.get(), vcl::Rect(-1, -1, 3, 3), c.percent, 0);  // covers everything
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(skin_test::PixelAddress(bitmap.get(), x, y)[1], c.expected) << int(c.percent);
        if (bytes == 4) {
          EXPECT_EQ(skin_test::PixelAddress(bitmap.get(), x, y)[3], 255);  // alpha stays
        }
      }
  }
}

}  // namespace
