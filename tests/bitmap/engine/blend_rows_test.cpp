#include "bitmap/engine/blend_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bitmap/engine/blend_modes.h"

using namespace bitmap;

namespace {

// Random pixels with every alpha and channel value present, plus the values that sit on the
// modes' branches: 0, 127, 128, 255 in every channel, and F equal to B.
std::vector<TColor32> TestPixels(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<TColor32> v(n);
  const uint8_t edges[] = {0, 1, 127, 128, 254, 255};
  for (size_t i = 0; i < n; ++i) {
    TColor32 p = rng();
    if (i % 5 == 0) {
      p = 0;
      for (int shift = 0; shift < 32; shift += 8) p |= TColor32(edges[rng() % 6]) << shift;
    }
    v[i] = p;
  }
  return v;
}

// The row a combiner makes pixel by pixel.
std::vector<TColor32> PerPixel(int32_t mode, const std::vector<TColor32>& f,
                               std::vector<TColor32> b, TColor32 m) {
  const TPixelCombineEvent combine = BlendModeCombineEvent(mode);
  for (size_t i = 0; i < f.size(); ++i) combine(f[i], b[i], m);
  return b;
}

class RowKernelIdentity : public ::testing::TestWithParam<TKernelSet> {};

}  // namespace

// Every mode, every master alpha (and some values above a byte), random pixels.
TEST_P(RowKernelIdentity, MatchesTheCombinerForEveryMasterAlpha) {
  if (!KernelSetAvailable(GetParam())) GTEST_SKIP() << "instruction set not on this processor";
  const std::vector<TColor32> f = TestPixels(1021, 11);  // not a multiple of the vector width
  std::vector<TColor32> b = TestPixels(1021, 12);
  for (size_t i = 0; i < f.size(); i += 17) b[i] = f[i];
  std::vector<TColor32> masters;
  for (TColor32 m = 0; m < 256; ++m) masters.push_back(m);
  for (TColor32 m : {256u, 0x1FFu, 0xFFFFFF80u}) masters.push_back(m);
  for (int32_t mode = 0; mode < BlendModeCount; ++mode) {
    const TBlendRowKernel kernel = BlendModeRowKernel(mode, GetParam());
    ASSERT_NE(kernel, nullptr);
    for (TColor32 m : masters) {
      std::vector<TColor32> row = b;
      kernel(f.data(), row.data(), int32_t(row.size()), m);
      const std::vector<TColor32> expected = PerPixel(mode, f, b, m);
      for (size_t i = 0; i < row.size(); ++i)
        ASSERT_EQ(row[i], expected[i]) << BlendModeName(mode) << " m " << m << " pixel " << i
                                       << std::hex << " f " << f[i] << " b " << b[i];
    }
  }
}

// Every pair of channel values, at full and half weight.
TEST_P(RowKernelIdentity, MatchesTheCombinerForEveryChannelPair) {
  if (!KernelSetAvailable(GetParam())) GTEST_SKIP() << "instruction set not on this processor";
  std::vector<TColor32> f, b;
  for (uint32_t fv = 0; fv < 256; ++fv)
    for (uint32_t bv = 0; bv < 256; ++bv) {
      // The three channels see (fv, bv) in turn with different partners, so the HSL modes
      // meet many hues.
      f.push_back(0xFF000000u | fv << 16 | bv << 8 | ((fv * 7 + bv) & 0xFF));
      b.push_back(0x5A000000u | bv << 16 | fv << 8 | ((bv * 3 + fv) & 0xFF));
    }
  for (int32_t mode = 0; mode < BlendModeCount; ++mode)
    for (TColor32 m : {255u, 128u}) {
      std::vector<TColor32> row = b;
      BlendModeRowKernel(mode, GetParam())(f.data(), row.data(), int32_t(row.size()), m);
      const std::vector<TColor32> expected = PerPixel(mode, f, b, m);
      for (size_t i = 0; i < row.size(); ++i)
        ASSERT_EQ(row[i], expected[i]) << BlendModeName(mode) << std::hex << " f " << f[i]
                                       << " b " << b[i];
    }
}

// Short rows, empty rows, and a destination overlapping its source.
TEST_P(RowKernelIdentity, RowEdges) {
  if (!KernelSetAvailable(GetParam())) GTEST_SKIP() << "instruction set not on this processor";
  const std::vector<TColor32> pixels = TestPixels(64, 21);
  for (int32_t mode = 0; mode < BlendModeCount; ++mode) {
    const TBlendRowKernel kernel = BlendModeRowKernel(mode, GetParam());
    const TPixelCombineEvent combine = BlendModeCombineEvent(mode);
    for (int32_t count : {0, -1, 1, 3, 7, 9}) {
      std::vector<TColor32> row(pixels.begin() + 20, pixels.begin() + 40), expected = row;
      kernel(pixels.data(), row.data(), count, 200);
      for (int32_t i = 0; i < count; ++i) combine(pixels[i], expected[i], 200);
      ASSERT_EQ(row, expected) << BlendModeName(mode) << " count " << count;
    }
    for (int32_t shift : {-3, 0, 1, 5, 13}) {  // dst = src + shift within one buffer
      std::vector<TColor32> buf = pixels, expected = pixels;
      const int32_t base = 20, count = 30;
      kernel(buf.data() + base, buf.data() + base + shift, count, 255);
      for (int32_t i = 0; i < count; ++i)
        combine(expected[base + i], expected[base + shift + i], 255);
      ASSERT_EQ(buf, expected) << BlendModeName(mode) << " shift " << shift;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, RowKernelIdentity,
                         ::testing::Values(TKernelSet::Baseline, TKernelSet::Avx2, TKernelSet::Avx512),
                         [](const auto& info) {
                           return info.param == TKernelSet::Avx512 ? "Avx512"
                                  : info.param == TKernelSet::Avx2 ? "Avx2"
                                                                   : "Baseline";
                         });

TEST(CombineRow, UsesTheKernelOfABlendModeAndCallsAnyOtherCombiner) {
  EXPECT_EQ(CombineRowKernel(BlendModeCombineEvent(3)), BlendModeRowKernel(3));
  EXPECT_EQ(CombineRowKernel(TPixelCombineEvent()), nullptr);
  EXPECT_EQ(BlendModeRowKernel(27), nullptr);
  EXPECT_EQ(BlendModeRowKernel(-1), nullptr);

  struct Counter {
    int calls = 0;
    void Combine(TColor32 f, TColor32& b, TColor32) { ++calls, b = f; }
  } counter;
  const TColor32 src[3] = {1, 2, 3};
  TColor32 dst[3] = {};
  CombineRow(TPixelCombineEvent::Of<&Counter::Combine>(&counter), src, dst, 3, 255);
  EXPECT_EQ(counter.calls, 3);
  EXPECT_EQ(dst[2], 3u);

  TColor32 row[2] = {0x12345678u, 0x12345678u};
  const TColor32 over[2] = {0x80FF8040u, 0x80FF8040u};
  CombineRow(BlendModeCombineEvent(1), over, row, 2, 255);
  EXPECT_EQ(row[1], 0x1233404Bu);
}

// The HSL modes convert through single-precision steps that the vector kernels arrange
// differently (the largest and smallest channel found on the bytes, one division per branch,
// channel / 255 without a division): every colour meets the combiner's result, as F and as B.
TEST_P(RowKernelIdentity, HslModesMatchTheCombinerForEveryColour) {
  if (!KernelSetAvailable(GetParam())) GTEST_SKIP() << "instruction set not on this processor";
  constexpr uint32_t kColours = 1u << 24;
  std::vector<TColor32> f(kColours), b(kColours);
  for (uint32_t i = 0; i < kColours; ++i) {
    f[i] = 0xFF000000u | i;
    b[i] = 0x80000000u | ((i * 0x9E3779u + 0x5A5A5Au) & 0xFFFFFFu);  // a permutation of the colours
  }
  for (int32_t mode : {24, 25, 26}) {
    std::vector<TColor32> row = b;
    BlendModeRowKernel(mode, GetParam())(f.data(), row.data(), int32_t(kColours), 255);
    const TPixelCombineEvent combine = BlendModeCombineEvent(mode);
    for (uint32_t i = 0; i < kColours; ++i) {
      TColor32 expected = b[i];
      combine(f[i], expected, 255);
      ASSERT_EQ(row[i], expected) << BlendModeName(mode) << std::hex << " f " << f[i] << " b " << b[i];
    }
  }
}
