#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/number_helpers.h"

using namespace imaging;

TEST(NumberHelpers, MinMaxClampAndOrder) {
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(MinDouble(0.5, -0.5), -0.5);
  EXPECT_EQ(ClampInt(15, 0, 10), 10);
  EXPECT_EQ(ClampInt(-5, 0, 10), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(-1), 0);
  EXPECT_EQ(ClampByte(77), 77);
  EXPECT_EQ(SelectInt(false, 1, 2), 2);
  EXPECT_EQ(SelectFloat(true, 1.5, 2.5), 1.5);
  int32_t x1 = 20, y1 = 5, x2 = 10, y2 = 8;
  OrderRectCorners(x1, y1, x2, y2);
  EXPECT_EQ((std::array<int32_t, 4>{x1, y1, x2, y2}), (std::array<int32_t, 4>{10, 5, 20, 8}));
}

TEST(NumberHelpers, CeilToInt) {
  struct Case {
    double x;
    int32_t expected;
  } cases[] = {{1.0, 1}, {1.2, 2}, {-1.5, -1}, {-0.2, 0}, {0, 0}, {1e20, 2147483647}, {-1e20, -2147483647 - 1}};
  for (const Case& c : cases) EXPECT_EQ(CeilToInt(c.x), c.expected) << c.x;
}

// Zoom, scroll and drawing positions: toward zero or half to even, held at +-2^30 so that a
// difference of two results cannot leave the int32 range.
TEST(NumberHelpers, CoordinatesTruncateOrRoundHalfToEvenWithinTwoToTheThirty) {
  struct Case {
    double x;
    int32_t trunc, round;
  } cases[] = {{2.5, 2, 2},         {3.5, 3, 4},          {-2.5, -2, -2},         {-2.7, -2, -3},
               {0.49, 0, 0},        {145.5, 145, 146},    {1e12, 1 << 30, 1 << 30}, {-1e12, -(1 << 30), -(1 << 30)},
               {std::nan(""), 0, 0}, {HUGE_VAL, 1 << 30, 1 << 30}};
  for (const Case& c : cases) {
    EXPECT_EQ(TruncCoordinate(c.x), c.trunc) << c.x;
    EXPECT_EQ(RoundCoordinate(c.x), c.round) << c.x;
  }
}

TEST(NumberHelpers, Powers) {
  struct Case {
    long double base, exponent, expected;
  } cases[] = {
      {2, 3, 8}, {2, -2, 0.25}, {4, 0.5, 2}, {0, 2, 0}, {0, 0, 1}, {3, 1, 3}, {3, 2, 9},
      {2, -1, 0.5}, {10, 5, 100000}, {2, -3, 0.125}, {0, 3e9L, 0}, {1, 3e9L, 1},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(static_cast<double>(FastPower(c.base, c.exponent)), static_cast<double>(c.expected), 1e-15)
        << c.base << "^" << c.exponent;
    EXPECT_NEAR(static_cast<double>(PowerFloat(c.base, c.exponent)), static_cast<double>(c.expected), 1e-15)
        << c.base << "^" << c.exponent;
  }
  EXPECT_EQ(IntPowerFloat(2, 10), 1024);
  EXPECT_EQ(IntPowerFloat(2, -10), 1.0L / 1024);
  EXPECT_EQ(IntPowerFloat(5, 0), 1);
}

TEST(NumberHelpers, FloatToRational) {
  struct Case {
    long double value, tolerance;
    int32_t n, d;
  } cases[] = {
      {0.5, 1e-6L, 1, 2},           {3.0, 1e-6L, 3, 1},       {-0.333333333L, 1e-6L, -1, 3},
      {1e-20L, 1e-6L, 1, 999999999}, {0, 1e-6L, 0, 1},        {-2.75L, 1e-9L, -11, 4},
      {1e12L, 1e-6L, 2147483647, 1}, {-5e9L, 1e-6L, -2147483647, 1},
  };
  for (const Case& c : cases) {
    int32_t n = 0, d = 0;
    FloatToRational(n, d, c.value, c.tolerance);
    EXPECT_EQ(n, c.n) << static_cast<double>(c.value);
    EXPECT_EQ(d, c.d) << static_cast<double>(c.value);
  }
}

TEST(NumberHelpers, FloatToRationalStaysInRangeWithoutTolerance) {
  for (long double v : {3.14159265358979323846L, 0.1L, 1234567.891L, std::sqrt(2.0L)}) {
    int32_t n = 0, d = 0;
    FloatToRational(n, d, v, 0);
    ASSERT_GT(d, 0);
    EXPECT_NEAR(static_cast<double>(n) / d, static_cast<double>(v), 1e-6) << static_cast<double>(v);
  }
  int32_t n = 7, d = 7;
  FloatToRational(n, d, std::numeric_limits<long double>::quiet_NaN(), 1e-6L);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(d, 1);
}

TEST(NumberHelpers, ColorCountFromBitDepth) {
  struct Case {
    int32_t bits, samples;
    int64_t expected;
  } cases[] = {{8, 3, 16777216}, {1, 1, 2}, {16, 1, 65536}, {8, 4, 4294967296LL}, {8, 0, 1},
               {16, 4, std::numeric_limits<int64_t>::max()}, {32, 3, 1}};
  for (const Case& c : cases) EXPECT_EQ(ColorCountFromBitDepth(c.bits, c.samples), c.expected) << c.bits << "x" << c.samples;
}

TEST(BitHelpers, BitsOfOneBitRows) {
  uint8_t row[2] = {0, 0};
  SetBitInBuffer(row, 0, true);
  SetBitInBuffer(row, 9, true);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0x40);
  EXPECT_EQ(GetBitFromBuffer(row, 0), 128);
  EXPECT_EQ(GetBitFromBuffer(row, 9), 64);
  EXPECT_EQ(GetBitFromBuffer(row, 1), 0);
  SetBitInBuffer(row, 0, false);
  EXPECT_EQ(row[0], 0);
}

TEST(BitHelpers, CountsAndRowSizes) {
  struct Log {
    uint32_t v;
    int32_t expected;
  } logs[] = {{1, 0}, {2, 1}, {3, 2}, {256, 8}, {257, 9}, {0, -1}, {0x80000000u, 31}, {0x80000001u, 32}};
  for (const Log& c : logs) EXPECT_EQ(CeilLog2(c.v), c.expected) << c.v;

  struct Run {
    uint32_t mask;
    int32_t expected;
  } runs[] = {{0x00FF0000, 8}, {0x7E0, 6}, {0, 0}, {0x80000000u, 1}, {0xFFFFFFFFu, 32}, {0x1F, 5}};
  for (const Run& c : runs) EXPECT_EQ(BitMaskRunLength(c.mask), c.expected) << std::hex << c.mask;

  EXPECT_EQ(AlignedRowSize(3, 24, 32), 12);
  EXPECT_EQ(AlignedRowSize(1, 1, 32), 4);
  EXPECT_EQ(AlignedRowSize(10, 8, 16), 10);
  EXPECT_EQ(AlignedRowSize(11, 8, 16), 12);
  EXPECT_EQ(AlignedRowSize(100000, 48, 32), 600000);
  EXPECT_EQ(AlignedRowSize(50000000, 48, 32), 300000000);  // beyond 32-bit bit counts
}

TEST(BitHelpers, BitAndByteOrder) {
  uint8_t b = 1;
  ReverseByteBits(b);
  EXPECT_EQ(b, 128);
  b = 0xC4;
  ReverseByteBits(b);
  EXPECT_EQ(b, 0x23);
  uint32_t d = 1;
  ReverseDWordBits(d);
  EXPECT_EQ(d, 0x80000000u);
  d = 0x12345678;
  ReverseDWordBits(d);
  EXPECT_EQ(d, 0x1E6A2C48u);
  EXPECT_EQ(SwapWord(0x12345678), 0x12347856);
  EXPECT_EQ(static_cast<uint32_t>(SwapDWord(0x12345678)), 0x78563412u);
  EXPECT_EQ(SwapWordIf(0x1234, true), 0x3412);
  EXPECT_EQ(SwapWordIf(0x1234, false), 0x1234);
  EXPECT_EQ(SwapDWordIf(0x12345678, true), 0x78563412u);
  EXPECT_EQ(SwapDWordIf(0x12345678, false), 0x12345678u);
  uint16_t words[2] = {0x0102, 0xA0B0};
  SwapWordArray(words, 2);
  EXPECT_EQ(words[0], 0x0201);
  EXPECT_EQ(words[1], 0xB0A0);
}
