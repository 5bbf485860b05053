#include <gtest/gtest.h>

#include <vector>

#include "imaging/model/routines/quantizer.h"
#include "imaging/model/routines/row_depth.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

namespace {

const TRGB kPalette[16] = {MakeRGB(0, 0, 0),    MakeRGB(255, 255, 255), MakeRGB(10, 20, 30), MakeRGB(40, 50, 60),
                           MakeRGB(1, 1, 1),    MakeRGB(2, 2, 2),       MakeRGB(3, 3, 3),    MakeRGB(4, 4, 4),
                           MakeRGB(5, 5, 5),    MakeRGB(6, 6, 6),       MakeRGB(7, 7, 7),    MakeRGB(8, 8, 8),
                           MakeRGB(9, 9, 9),    MakeRGB(11, 11, 11),    MakeRGB(12, 12, 12), MakeRGB(13, 13, 13)};

}  // namespace

TEST(RowDepth, ConversionsBetweenDepths) {
  struct Case {
    int sourceBits, destBits, width;
    std::vector<uint8_t> source, expected;
    int32_t result;
  } cases[] = {
      {1, 1, 10, {0xA5, 0xC0}, {0xA5, 0xC0}, 2},
      {1, 4, 3, {0xA0}, {0x10, 0x10}, 2},
      {1, 8, 4, {0xA0}, {1, 0, 1, 0}, 4},
      {1, 24, 2, {0x40}, {0, 0, 0, 255, 255, 255}, 6},
      {4, 4, 3, {0x12, 0x30}, {0x12, 0x30}, 2},
      {4, 8, 3, {0x12, 0x30}, {1, 2, 3}, 3},
      {4, 24, 2, {0x23}, {30, 20, 10, 60, 50, 40}, 6},
      {8, 1, 10, {1, 0, 0, 1, 1, 0, 0, 0, 1, 1}, {0x98, 0xC0}, 2},
      {8, 8, 3, {7, 8, 9}, {7, 8, 9}, 3},
      {8, 24, 1, {3}, {60, 50, 40}, 3},
      {8, 24, 1, {200}, {0, 0, 0}, 3},  // past the palette: black
      {24, 24, 1, {1, 2, 3}, {1, 2, 3}, 3},
      {32, 24, 2, {1, 2, 3, 9, 4, 5, 6, 9}, {1, 2, 3, 4, 5, 6}, 6},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> dest(c.expected.size(), 0xEE);
    EXPECT_EQ(ConvertRowPixelDepth(c.source.data(), dest.data(), c.sourceBits, c.destBits, c.width, kPalette, nullptr),
              c.result)
        << c.sourceBits << " to " << c.destBits;
    EXPECT_EQ(dest, c.expected) << c.sourceBits << " to " << c.destBits;
  }
}

TEST(RowDepth, UnsupportedPairsWriteNothing) {
  struct Case {
    int sourceBits, destBits, width;
    int32_t result;
  } cases[] = {{4, 1, 10, 2}, {24, 1, 9, 2}, {32, 8, 5, 5}, {16, 24, 2, 6}, {8, 32, 4, 0}, {8, 16, 4, 0}};
  const uint8_t source[32] = {0x55};
  for (const Case& c : cases) {
    std::vector<uint8_t> dest(32, 0xEE);
    EXPECT_EQ(ConvertRowPixelDepth(source, dest.data(), c.sourceBits, c.destBits, c.width, kPalette, nullptr), c.result);
    EXPECT_EQ(dest, std::vector<uint8_t>(32, 0xEE));
  }
}

TEST(RowDepth, ReductionsAskTheQuantizer) {
  const TRGB colours[3] = {MakeRGB(200, 0, 0), MakeRGB(0, 200, 0), MakeRGB(0, 0, 200)};
  auto bitmap = MakeRGB24(3, 1, [&](int32_t x, int32_t) { return colours[x]; });
  std::vector<TRGB> palette(16);
  TIEQuantizer quantizer(bitmap.get(), palette, 16);  // exact: indices 0, 1, 2
  const uint8_t row[9] = {0, 0, 200, 0, 200, 0, 200, 0, 0};  // blue, green, red bytes

  // 24 to 4 bits for 3 pixels: indices 0 and 1 in byte 0, index 2 in the high nibble of byte 1.
  uint8_t nibbles[2] = {0xFF, 0xFF};  // the packed destination is cleared first
  EXPECT_EQ(ConvertRowPixelDepth(row, nibbles, 24, 4, 3, palette, &quantizer), 2);
  EXPECT_EQ(nibbles[0], 0x01);
  EXPECT_EQ(nibbles[1], 0x20);

  uint8_t bytes[3] = {9, 9, 9};
  EXPECT_EQ(ConvertRowPixelDepth(row, bytes, 24, 8, 3, palette, &quantizer), 3);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(bytes[2], 2);

  uint8_t untouched[3] = {9, 9, 9};  // no quantizer: nothing to reduce with
  EXPECT_EQ(ConvertRowPixelDepth(row, untouched, 24, 8, 3, palette, nullptr), 3);
  EXPECT_EQ(untouched[0], 9);
}

TEST(RowDepth, WideRowsKeepTheirSize) {
  const int32_t width = 70000;  // more pixels than a 16-bit count holds
  std::vector<uint8_t> source(width, 1), dest((width + 7) / 8, 0);
  EXPECT_EQ(ConvertRowPixelDepth(source.data(), dest.data(), 8, 1, width, kPalette, nullptr), (width + 7) / 8);
  EXPECT_EQ(dest.back(), 0xFF);
}
