#include "bitmap/engine/halftone_stretch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

namespace {

// A 24-bit platform bitmap filled with noise from `seed`.
void MakeNoise(vcl::TBitmap& bitmap, int32_t w, int32_t h, uint32_t seed) {
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetSize(w, h);
  GdiFlush();
  for (int32_t y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int32_t x = 0; x < w * 3; ++x) {
      seed = seed * 1103515245u + 12345u;
      row[x] = uint8_t(seed >> 16);
    }
  }
}

bitmap::TRgbRows Rows(vcl::TBitmap& bitmap) {
  bitmap::TRgbRows rows;
  rows.Bits = static_cast<uint8_t*>(bitmap.ScanLine(0));
  rows.Stride = bitmap.Height() > 1 ? static_cast<uint8_t*>(bitmap.ScanLine(1)) - rows.Bits : 0;
  rows.Width = bitmap.Width();
  rows.Height = bitmap.Height();
  return rows;
}

std::string FirstDifference(vcl::TBitmap& a, vcl::TBitmap& b) {
  GdiFlush();
  int32_t count = 0;
  std::string first;
  for (int32_t y = 0; y < a.Height(); ++y) {
    auto* p = static_cast<uint8_t*>(a.ScanLine(y));
    auto* q = static_cast<uint8_t*>(b.ScanLine(y));
    for (int32_t x = 0; x < a.Width(); ++x)
      if (std::memcmp(p + 3 * x, q + 3 * x, 3) != 0 && count++ == 0)
        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
  }
  return count ? std::to_string(count) + " pixels differ, first at " + first : "";
}

struct Block {
  int32_t x, y, w, h, u, v, p, q;
};

}  // namespace

// Every stretch the engine draws equals the platform's halftone stretch of the same block.
TEST(HalftoneStretch, EqualsThePlatformsHalftoneStretch) {
  const Block blocks[] = {
      {0, 0, 50, 40, 0, 0, 97, 83},     // reduced on both axes
      {0, 0, 96, 82, 0, 0, 97, 83},     // reduced by one pixel
      {3, 5, 90, 70, 10, 7, 40, 30},    // enlarged, from inside the picture
      {0, 0, 97, 83, 5, 5, 33, 21},     // enlarged to the whole picture
      {1, 1, 13, 77, 2, 3, 95, 11},     // reduced across, enlarged down
      {0, 0, 60, 83, 0, 0, 97, 83},     // across only
      {0, 0, 97, 50, 0, 0, 97, 83},     // down only
      {7, 9, 40, 30, 96, 82, 1, 1},     // one source pixel
      {0, 0, 97, 83, 40, 0, 1, 83},     // one source column
      {20, 30, 1, 1, 0, 0, 97, 83},     // one destination pixel
      {0, 0, 600, 500, 3, 2, 90, 80},   // large enough to be drawn in bands
      {5, 5, 500, 480, 0, 0, 97, 83},
  };
  vcl::TBitmap source, platform, engine;
  MakeNoise(source, 97, 83, 1);
  for (const Block& b : blocks) {
    MakeNoise(platform, 640, 520, 2);
    MakeNoise(engine, 640, 520, 2);
    HDC dc = platform.Canvas()->Handle();
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, b.x, b.y, b.w, b.h, source.Canvas()->Handle(), b.u, b.v, b.p, b.q, SRCCOPY);
    GdiFlush();
    EXPECT_TRUE(bitmap::HalftoneStretch(Rows(engine), b.x, b.y, b.w, b.h, Rows(source), b.u, b.v, b.p, b.q));
    EXPECT_EQ(FirstDifference(platform, engine), "")
        << b.w << " x " << b.h << " at " << b.x << ", " << b.y << " from " << b.p << " x " << b.q << " at " << b.u
        << ", " << b.v;
  }
}

// Blocks it would not draw exactly are refused untouched, for the platform to draw.
TEST(HalftoneStretch, RefusesEmptyOutsideAndOverlappingBlocks) {
  vcl::TBitmap source, target, untouched;
  MakeNoise(source, 20, 10, 3);
  MakeNoise(target, 30, 30, 4);
  MakeNoise(untouched, 30, 30, 4);
  const Block blocks[] = {{0, 0, 0, 10, 0, 0, 20, 10},  {0, 0, 10, 10, 0, 0, 20, -1}, {-1, 0, 10, 10, 0, 0, 20, 10},
                          {25, 0, 10, 10, 0, 0, 20, 10}, {0, 25, 10, 10, 0, 0, 20, 10}, {0, 0, 10, 10, 5, 0, 20, 10},
                          {0, 0, 10, 10, 0, -2, 20, 10}};
  for (const Block& b : blocks)
    EXPECT_FALSE(bitmap::HalftoneStretch(Rows(target), b.x, b.y, b.w, b.h, Rows(source), b.u, b.v, b.p, b.q))
        << b.x << ", " << b.y << ", " << b.w << ", " << b.h << " from " << b.u << ", " << b.v << ", " << b.p << ", "
        << b.q;
  EXPECT_FALSE(bitmap::HalftoneStretch(Rows(target), 0, 0, 10, 10, Rows(target), 0, 0, 20, 20));
  EXPECT_EQ(FirstDifference(target, untouched), "");
}
