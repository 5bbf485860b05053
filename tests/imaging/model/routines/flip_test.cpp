// Mirroring in place: every pixel format by its pixel size, 1-bit rows bit by bit, the alpha
// channel with the pixels, and directions that mean nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/model/routines/flip.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

namespace {

std::unique_ptr<TIEBitmap> FlipPatterned(int32_t width, int32_t height, TIEPixelFormat format, bool inFile) {
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->SetMemoryThreshold(inFile ? 0 : std::numeric_limits<int64_t>::max());
  bitmap->SetLocation(ieMemory);
  bitmap->Allocate(width, height, format);
  const int32_t bytes = IEBytesPerPixel(format) * width;
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
    for (int32_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(y * 53 + i + 1);
  }
  return bitmap;
}

std::vector<uint8_t> PixelBytes(TIEBitmap& bitmap, int32_t x, int32_t y) {
  const int32_t n = IEBytesPerPixel(bitmap.PixelFormat());
  const auto* p = static_cast<const uint8_t*>(bitmap.GetScanline(y)) + x * n;
  return std::vector<uint8_t>(p, p + n);
}

}  // namespace

TEST(FlipBitmap, EveryPixelSizeMirrorsAndFlips) {
  const TIEPixelFormat formats[] = {ie8g, ie8p, ie16g, ie24RGB, ie32f, ie32RGB, ieCMYK, ieCIELab, ieRGB48};
  for (TIEPixelFormat format : formats) {
    for (bool inFile : {false, true}) {
      const int32_t w = 5, h = 3;
      auto original = FlipPatterned(w, h, format, inFile);
      for (int32_t direction : {kFlipLeftRight, kFlipUpsideDown}) {
        auto bitmap = FlipPatterned(w, h, format, inFile);
        FlipBitmap(bitmap.get(), direction);
        ASSERT_EQ(w, bitmap->Width());
        ASSERT_EQ(format, bitmap->PixelFormat());
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x) {
            const int32_t sx = direction == kFlipLeftRight ? w - 1 - x : x;
            const int32_t sy = direction == kFlipUpsideDown ? h - 1 - y : y;
            ASSERT_EQ(PixelBytes(*original, sx, sy), PixelBytes(*bitmap, x, y))
                << "format " << format << " file " << inFile << " direction " << direction << " at " << x << ","
                << y;
          }
      }
    }
  }
}

TEST(FlipBitmap, OneBitRowsMirrorBitByBitAndKeepPaddingClear) {
  auto bitmap = MakeBitmap(10, 2, ie1g);
  std::memset(bitmap->GetScanline(0), 0, bitmap->RowLen());
  std::memset(bitmap->GetScanline(1), 0, bitmap->RowLen());
  SetBit(bitmap.get(), 0, 0, true);
  SetBit(bitmap.get(), 3, 0, true);
  SetBit(bitmap.get(), 9, 1, true);
  FlipBitmap(bitmap.get(), kFlipLeftRight);
  for (int32_t x = 0; x < 10; ++x) {
    EXPECT_EQ(x == 9 || x == 6, BitAt(bitmap.get(), x, 0)) << x;
    EXPECT_EQ(x == 0, BitAt(bitmap.get(), x, 1)) << x;
  }
  // Bits 10 .. 15 of the second byte are padding.
  EXPECT_EQ(0, static_cast<uint8_t*>(bitmap->GetScanline(0))[1] & 0x3F);
  EXPECT_EQ(0, static_cast<uint8_t*>(bitmap->GetScanline(1))[1] & 0x3F);

  FlipBitmap(bitmap.get(), kFlipUpsideDown);
  EXPECT_TRUE(BitAt(bitmap.get(), 0, 0));
  EXPECT_TRUE(BitAt(bitmap.get(), 9, 1));
}

TEST(FlipBitmap, AlphaChannelGoesWithThePixels) {
  auto bitmap = MakeRGB24(3, 2, [](int32_t x, int32_t y) { return Grey(static_cast<uint8_t>(10 * x + 100 * y)); });
  bitmap->GetAlphaChannel()->SetPixel8(0, 0, 7);
  FlipBitmap(bitmap.get(), kFlipLeftRight);
  EXPECT_EQ(7, bitmap->GetAlphaAt(2, 0));
  EXPECT_EQ(255, bitmap->GetAlphaAt(0, 0));
  FlipBitmap(bitmap.get(), kFlipUpsideDown);
  EXPECT_EQ(7, bitmap->GetAlphaAt(2, 1));
  EXPECT_EQ(120, bitmap->GetPixel24(0, 0).r);  // pixel (2, 1) of the original
}

TEST(FlipBitmap, OtherDirectionsAndEmptyBitmapsChangeNothing) {
  auto original = FlipPatterned(4, 3, ie24RGB, false);
  for (int32_t direction : {-1, 2, 90}) {
    auto bitmap = FlipPatterned(4, 3, ie24RGB, false);
    FlipBitmap(bitmap.get(), direction);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(PixelBytes(*original, x, y), PixelBytes(*bitmap, x, y)) << direction;
  }
  TIEBitmap empty;
  FlipBitmap(&empty, kFlipLeftRight);
  FlipBitmap(nullptr, kFlipUpsideDown);
  EXPECT_TRUE(empty.IsEmpty());
}
