#include "bitmap/engine/blend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace bitmap;

namespace {

// The vector set's arithmetic, one channel at a time.
TColor32 VectorMix(TColor32 f, TColor32 b, uint32_t w) {
  TColor32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t fc = (f >> shift) & 0xFF, bc = (b >> shift) & 0xFF;
    r |= ((fc * w + bc * (256 - w) + 128) >> 8) << shift;
  }
  return r;
}

// The plain set's arithmetic, one channel at a time, over the channels in `mask`.
TColor32 BlendPlainMix(TColor32 f, TColor32 b, uint32_t w, TColor32 mask) {
  TColor32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    if (((mask >> shift) & 0xFF) == 0) continue;
    const uint32_t fc = (f >> shift) & 0xFF, bc = (b >> shift) & 0xFF;
    r |= (((fc * w + 128) >> 8) + ((bc * (255 - w) + 128) >> 8)) << shift;
  }
  return r;
}

std::vector<TColor32> RandomPixels(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<TColor32> v(n);
  for (auto& p : v) p = rng();
  // Every alpha, including the fully transparent and opaque ones, in every position.
  for (size_t i = 0; i < n; ++i)
    v[i] = (v[i] & 0x00FFFFFFu) | TColor32(i * 7 % 256) << 24;
  return v;
}

}  // namespace

TEST(BlendRoutines, Goldens) {
  TColor32 b = 0x12345678u;
  plain::BlendPixelMaster(0x80FF8040u, b, 255);
  EXPECT_EQ(b, 0x009A6B5Cu);  // the plain pixel blend drops alpha

  TColor32 row[2] = {0x12345678u, 0x00000000u};
  const TColor32 src[2] = {0xFF010203u, 0x80FFFFFFu};
  vector::BlendRow(src, row, 2);
  EXPECT_EQ(row[0], 0xFF010203u);  // opaque copies
  EXPECT_EQ(row[1], 0x40808080u);  // alpha (128 * 128 + 128) >> 8 = 64
}

TEST(BlendRoutines, TransparentAndZeroWeightLeaveTheDestination) {
  for (auto pixelBlend : {plain::BlendPixelMaster, vector::BlendPixelMaster}) {
    TColor32 b = 0x12345678u;
    pixelBlend(0x00FFFFFFu, b, 255);  // fa = 0
    EXPECT_EQ(b, 0x12345678u);
    pixelBlend(0x01FFFFFFu, b, 100);  // W = (101 * 1) >> 8 = 0
    EXPECT_EQ(b, 0x12345678u);
  }
  TColor32 d[3] = {1, 2, 3};
  const TColor32 s[3] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  for (int32_t count : {0, -5}) {
    plain::BlendRow(s, d, count);
    vector::BlendRow(s, d, count);
    plain::BlendRowMaster(s, d, count, 255);
    vector::BlendRowMaster(s, d, count, 255);
  }
  EXPECT_EQ(d[0], 1u);
}

// Every alpha and master alpha, over random colours, against the formulas channel by channel.
TEST(BlendRoutines, BothSetsFollowTheirFormulas) {
  const std::vector<TColor32> f = RandomPixels(1031, 1), b0 = RandomPixels(1031, 2);
  for (uint32_t m = 0; m < 256; m += (m < 4 || m > 250) ? 1 : 7) {
    std::vector<TColor32> pr = b0, vr = b0, pm = b0, vm = b0;
    plain::BlendRow(f.data(), pr.data(), int32_t(f.size()));
    vector::BlendRow(f.data(), vr.data(), int32_t(f.size()));
    plain::BlendRowMaster(f.data(), pm.data(), int32_t(f.size()), m);
    vector::BlendRowMaster(f.data(), vm.data(), int32_t(f.size()), m);
    for (size_t i = 0; i < f.size(); ++i) {
      const uint32_t fa = f[i] >> 24;
      const TColor32 b = b0[i];
      const TColor32 rowExpected = fa == 0 ? b : fa == 255 ? f[i] : 0;
      if (fa != 0 && fa != 255) {
        ASSERT_EQ(pr[i], BlendPlainMix(f[i], b, fa, 0xFFFFFFFFu)) << i;
        ASSERT_EQ(vr[i], VectorMix(f[i], b, fa)) << i;
      } else {
        ASSERT_EQ(pr[i], rowExpected);
        ASSERT_EQ(vr[i], rowExpected);
      }
      const uint32_t wPixel = ((m + 1) * fa) >> 8, wRow = ((fa + 1) * m) >> 8;
      ASSERT_EQ(pm[i], fa == 0 || wPixel == 0 ? b : BlendPlainMix(f[i], b, wPixel, 0x00FFFFFFu))
          << i << " m " << m;
      ASSERT_EQ(vm[i], fa == 0 || wRow == 0 ? b : VectorMix(f[i], b, wRow)) << i << " m " << m;
      TColor32 pp = b, vp = b;
      plain::BlendPixelMaster(f[i], pp, m);
      vector::BlendPixelMaster(f[i], vp, m);
      ASSERT_EQ(pp, pm[i]);
      ASSERT_EQ(vp, fa == 0 || wPixel == 0 ? b : VectorMix(f[i], b, wPixel));
    }
  }
}

TEST(BlendRoutines, MasterAlphaAboveAByteCountsAsOpaque) {
  const TColor32 f = 0x80FF8040u;
  for (auto pixelBlend : {plain::BlendPixelMaster, vector::BlendPixelMaster}) {
    TColor32 expected = 0x12345678u, b = 0x12345678u;
    pixelBlend(f, expected, 255);
    pixelBlend(f, b, 100000);
    EXPECT_EQ(b, expected);
  }
}

TEST(BlendRoutines, StartUpBindsTheVectorSetOnThisProcessor) {
  ASSERT_TRUE(ProcessorHasCpuid());
  EXPECT_GE((ProcessorSignature() >> 8) & 0xF, 5u);
  EXPECT_TRUE(ProcessorHasMmx());
  EXPECT_TRUE(MmxActive());
  EXPECT_EQ(BlendRow, &vector::BlendRow);
  EXPECT_EQ(BlendRowMaster, &vector::BlendRowMaster);
  EXPECT_EQ(BlendPixelMaster, &vector::BlendPixelMaster);
  ResetProcessorState();
  volatile double x = 1.5;  // floating point works after the reset
  EXPECT_EQ(x * 2, 3.0);
}
