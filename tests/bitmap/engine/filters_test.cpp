#include "bitmap/engine/filters.h"

#include <gtest/gtest.h>

#include <vector>

#include "vcl/runtime/exceptions.h"
#include "tests/bitmap/engine/bitmap32_pixels.h"

using namespace bitmap;

namespace {
void FillWith(TBitmap32& b, int32_t w, int32_t h, std::vector<TColor32> px) {
  b.SetSize(w, h);
  std::copy(px.begin(), px.end(), b.Bits());
}
}  // namespace

TEST(Filters, InvertTwiceInPlaceGivesTheBitmapBack) {
  TBitmap32 b;
  FillWith(b, 2, 2, {0x00000000u, 0x80FF8040u, 0xFF123456u, 0x12FFFFFFu});
  const auto before = bitmap_test::PixelsOf(b);
  InvertRGB(&b, &b);
  EXPECT_EQ(bitmap_test::PixelsOf(b), (std::vector<TColor32>{0x00FFFFFFu, 0x80007FBFu, 0xFFEDCBA9u, 0x12000000u}));
  InvertRGB(&b, &b);
  EXPECT_EQ(bitmap_test::PixelsOf(b), before);
}

TEST(Filters, GrayscaleIsOpaqueIntensity) {
  TBitmap32 src, dst;
  FillWith(src, 3, 1, {0x00FF0000u, 0x80FFFFFFu, 0x000000FFu});
  ToGrayscale(&dst, &src);
  EXPECT_EQ(bitmap_test::PixelsOf(dst), (std::vector<TColor32>{0xFF3C3C3Cu, 0xFFFFFFFFu, 0xFF141414u}));
}

TEST(Filters, IntensityToAlphaKeepsTheDestinationColours) {
  const struct { TColor32 mask, alpha; } cases[] = {
      {0xFFFFFFFFu, 0xFF}, {0x00000000u, 0x00}, {0x12FF0000u, 60}};
  for (const auto& c : cases) {
    TBitmap32 mask, dst;
    FillWith(mask, 2, 1, {c.mask, c.mask});
    FillWith(dst, 2, 1, {0x00123456u, 0xAB654321u});
    IntensityToAlpha(&dst, &mask);
    EXPECT_EQ(bitmap_test::PixelsOf(dst), (std::vector<TColor32>{0x00123456u | c.alpha << 24, 0x00654321u | c.alpha << 24}));
  }
}

TEST(Filters, EmptySourceEmptiesTheDestinationAndSignals) {
  TBitmap32 src, dst;
  FillWith(dst, 2, 2, {1, 2, 3, 4});
  int changes = 0;
  dst.OnChange = [&](vcl::TObject*) { ++changes; };
  ToGrayscale(&dst, &src);
  EXPECT_TRUE(dst.IsEmpty());
  EXPECT_EQ(changes, 2);  // the resize and the filter
}

TEST(Filters, NilArguments) {
  TBitmap32 b;
  FillWith(b, 1, 1, {0x12345678u});
  const struct { TBitmap32* dst; TBitmap32* src; const char* message; } cases[] = {
      {&b, nullptr, "The source is nil"},
      {nullptr, &b, "Destination is nil"},
      {nullptr, nullptr, "The source is nil"},
  };
  for (auto filter : {IntensityToAlpha, InvertRGB, ToGrayscale})
    for (const auto& c : cases) {
      try {
        filter(c.dst, c.src);
        FAIL() << "no exception";
      } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
      EXPECT_EQ(bitmap_test::PixelsOf(b), std::vector<TColor32>{0x12345678u});
    }
}
