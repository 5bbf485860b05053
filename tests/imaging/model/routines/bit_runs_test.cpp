#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/routines/bit_runs.h"

using namespace imaging;

namespace {

// The bit-by-bit meaning of a run copy, with the source limit.
std::vector<uint8_t> ReferenceRun(std::vector<uint8_t> dest, const std::vector<uint8_t>& source, int destBit,
                                  int sourceBit, int count, int sourceBytes) {
  for (int i = 0; i < count; ++i) {
    int s = sourceBit + i;
    bool bit = s / 8 < sourceBytes && GetBitFromBuffer(source.data(), s);
    SetBitInBuffer(dest.data(), destBit + i, bit);
  }
  return dest;
}

}  // namespace

TEST(BitRuns, CopyBitRunKeepsTheBitsAroundTheRun) {
  // 5 bits into the middle of a byte keep the other 3 bits.
  uint8_t dest[2] = {0xFF, 0xFF};
  const uint8_t source[1] = {0x00};
  CopyBitRun(dest, source, 2, 0, 5, 1);
  EXPECT_EQ(dest[0], 0xC1);
  EXPECT_EQ(dest[1], 0xFF);

  uint8_t zeros[2] = {0, 0};
  const uint8_t ones[2] = {0xFF, 0xFF};
  CopyBitRun(zeros, ones, 6, 3, 4, 2);  // straddles the byte boundary
  EXPECT_EQ(zeros[0], 0x03);
  EXPECT_EQ(zeros[1], 0xC0);
}

TEST(BitRuns, CopyBitRunDoesNothingForEmptyRunsOrNegativeOffsets) {
  struct Case {
    int destBit, sourceBit, count;
  } cases[] = {{0, 0, 0}, {0, 0, -3}, {-1, 0, 8}, {0, -1, 8}};
  const uint8_t source[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  for (const Case& c : cases) {
    uint8_t dest[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    CopyBitRun(dest + 1, source, c.destBit, c.sourceBit, c.count, 4);
    for (uint8_t byte : dest) EXPECT_EQ(byte, 0x5A);
  }
}

TEST(BitRuns, CopyBitRunMatchesBitwiseCopyAtEveryOffset) {
  std::mt19937 random(7);
  std::vector<uint8_t> source(12);
  for (auto& byte : source) byte = uint8_t(random());
  for (int destBit = 0; destBit < 16; ++destBit)
    for (int sourceBit = 0; sourceBit < 16; ++sourceBit)
      for (int count : {1, 2, 7, 8, 9, 15, 17, 40, 64}) {
        std::vector<uint8_t> dest(14);
        for (auto& byte : dest) byte = uint8_t(random());
        std::vector<uint8_t> expected = ReferenceRun(dest, source, destBit, sourceBit, count, 12);
        CopyBitRun(dest.data(), source.data(), destBit, sourceBit, count, 12);
        ASSERT_EQ(dest, expected) << destBit << " " << sourceBit << " " << count;

        std::vector<uint8_t> bitwise = expected;
        CopyBitRunBitwise(bitwise.data(), source.data(), destBit, count, sourceBit);
        ASSERT_EQ(bitwise, expected);
      }
}

TEST(BitRuns, CopyBitRunReadsNoFurtherThanTheSourceBytes) {
  // The source sits at the very end of a guarded buffer: bits past the limit copy as 0.
  std::vector<uint8_t> buffer = {0xAA, 0xFF, 0xFF};
  const uint8_t* source = buffer.data() + 1;  // two readable bytes
  uint8_t dest[4] = {0, 0, 0, 0};
  CopyBitRun(dest, source, 0, 4, 24, 2);  // asks for bits 4 .. 27 of a 16-bit source
  EXPECT_EQ(dest[0], 0xFF);
  EXPECT_EQ(dest[1], 0xF0);
  EXPECT_EQ(dest[2], 0x00);
  uint8_t none[2] = {0x11, 0x22};
  CopyBitRun(none, source, 0, 40, 8, 2);  // starts past the limit: zeros
  EXPECT_EQ(none[0], 0x00);
  EXPECT_EQ(none[1], 0x22);
}

TEST(BitRuns, ExpandTable) {
  const auto& table = BitExpandTable();
  for (int value : {0x00, 0xFF, 0xA5, 0x01, 0x80})
    for (int bit = 0; bit < 8; ++bit)
      for (int channel = 0; channel < 3; ++channel)
        EXPECT_EQ(table[value][bit * 3 + channel], (value & (0x80 >> bit)) ? 255 : 0);
}

TEST(BitRuns, RedBlueSwaps) {
  const TRGB source[2] = {MakeRGB(1, 2, 3), MakeRGB(4, 5, 6)};
  TRGB dest[2];
  CopySwapRB(dest, source, 2);
  EXPECT_EQ(dest[0].r, 3);
  EXPECT_EQ(dest[0].g, 2);
  EXPECT_EQ(dest[0].b, 1);
  EXPECT_EQ(dest[1].r, 6);

  TRGB row[2] = {source[0], source[1]};
  SwapRBInPalette(row, 2);
  SwapRBInPalette(row, 2);  // twice restores the row
  EXPECT_EQ(std::memcmp(row, source, sizeof row), 0);

  uint16_t wide[6] = {1, 2, 3, 0x1000, 0x2000, 0x3000};
  SwapRB48InRow(wide, 2);
  const uint16_t expected[6] = {3, 2, 1, 0x3000, 0x2000, 0x1000};
  EXPECT_EQ(std::memcmp(wide, expected, sizeof wide), 0);
}
