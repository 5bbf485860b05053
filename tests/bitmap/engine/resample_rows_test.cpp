#include "bitmap/engine/resample_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace bitmap;

namespace {

class ResampleLoops : public ::testing::TestWithParam<TKernelSet> {
 protected:
  const TResampleRowKernels* Loops() const { return ResampleRowKernels(GetParam()); }
};

uint32_t Channel(TColor32 p, int c) { return (p >> (8 * c)) & 0xFF; }

TColor32 ResamplePlainMix(TColor32 a, TColor32 b, uint32_t w) {
  TColor32 r = 0;
  for (int c = 0; c < 4; ++c) r |= ((Channel(a, c) * w + Channel(b, c) * (256 - w)) >> 8) << (8 * c);
  return r;
}

}  // namespace

// Counts that are not multiples of the vector width, weights of both signs up to the 16-bit
// limits, and every channel value.
TEST_P(ResampleLoops, VerticalSumsAreThePlainSums) {
  if (!Loops()) GTEST_SKIP() << "instruction set not on this processor";
  std::mt19937 rng(1);
  for (int32_t rowCount : {2, 4, 6, 12}) {
    const int32_t count = 37;
    std::vector<std::vector<TColor32>> rows(rowCount, std::vector<TColor32>(count));
    std::vector<const TColor32*> pointers;
    std::vector<int16_t> weights;
    for (auto& row : rows) {
      for (auto& p : row) p = rng();
      pointers.push_back(row.data());
      weights.push_back(int16_t(int32_t(rng() % 601) - 300));
    }
    weights[0] = 32767;
    weights[1] = -32768;
    std::vector<int32_t> sums(size_t(count) * 4);
    Loops()->VerticalSums(pointers.data(), weights.data(), rowCount, count, sums.data());
    for (int32_t x = 0; x < count; ++x)
      for (int c = 0; c < 4; ++c) {
        int64_t expected = 0;
        for (int32_t k = 0; k < rowCount; ++k) expected += int64_t(weights[k]) * Channel(rows[k][x], c);
        ASSERT_EQ(sums[size_t(x) * 4 + c], int32_t(expected)) << rowCount << " " << x << " " << c;
      }
  }
}

// Sums of both signs and beyond the channel range are clamped; products wrap as 32-bit
// integers do.
TEST_P(ResampleLoops, HorizontalPackClampsEachChannel) {
  if (!Loops()) GTEST_SKIP() << "instruction set not on this processor";
  std::mt19937 rng(2);
  for (int32_t taps : {2, 4, 8, 14}) {
    const int32_t count = 29, columns = 40;
    std::vector<int32_t> sums(size_t(columns + taps) * 4);
    for (auto& s : sums) s = int32_t(rng() % 0x1400000) - 0x200000;
    std::vector<int32_t> starts(count), plain(size_t(count) * taps), spread(size_t(count) * taps * 4);
    for (int32_t i = 0; i < count; ++i) {
      starts[i] = int32_t(rng() % uint32_t(columns));
      for (int32_t t = 0; t < taps; ++t) {
        const int32_t w = int32_t(rng() % 400) - 100;
        plain[size_t(i) * taps + t] = w;
        for (int k = 0; k < 4; ++k) spread[(size_t(i) * taps + t) * 4 + k] = w;
      }
    }
    std::vector<TColor32> out(count);
    Loops()->HorizontalPack(sums.data(), starts.data(), spread.data(), taps, count, out.data());
    for (int32_t i = 0; i < count; ++i) {
      TColor32 expected = 0;
      for (int c = 0; c < 4; ++c) {
        uint32_t s = 0;
        for (int32_t t = 0; t < taps; ++t)
          s += uint32_t(plain[size_t(i) * taps + t]) * uint32_t(sums[size_t(starts[i] + t) * 4 + c]);
        const int32_t v = int32_t(s);
        expected |= TColor32(v < 0 ? 0 : v > 0xFF0000 ? 255 : v >> 16) << (8 * c);
      }
      ASSERT_EQ(out[i], expected) << taps << " " << i;
    }
  }
}

// Without negative weights: 16-bit sums kept as sum - 32768, weights adding up to 256.
TEST_P(ResampleLoops, NarrowPassesMatchThePlainSums) {
  if (!Loops()) GTEST_SKIP() << "instruction set not on this processor";
  std::mt19937 rng(4);
  const int32_t count = 43;
  for (int32_t rowCount : {1, 3, 4, 7}) {
    std::vector<std::vector<TColor32>> rows(rowCount, std::vector<TColor32>(count));
    std::vector<const TColor32*> pointers;
    std::vector<int16_t> weights(rowCount, 0);
    int32_t left = 256;
    for (int32_t k = 0; k < rowCount; ++k) {
      for (auto& p : rows[k]) p = k == 0 ? 0xFFFFFFFFu : rng();  // the largest sums too
      pointers.push_back(rows[k].data());
      weights[k] = int16_t(k == rowCount - 1 ? left : int32_t(rng() % uint32_t(left + 1)));
      left -= weights[k];
    }
    std::vector<int16_t> sums(size_t(count) * 4);
    Loops()->VerticalSums16(pointers.data(), weights.data(), rowCount, count, sums.data());
    for (int32_t x = 0; x < count; ++x)
      for (int c = 0; c < 4; ++c) {
        int32_t expected = 0;
        for (int32_t k = 0; k < rowCount; ++k) expected += weights[k] * int32_t(Channel(rows[k][x], c));
        ASSERT_EQ(int32_t(sums[size_t(x) * 4 + c]) + 32768, expected) << rowCount << " " << x;
      }
  }
  for (int32_t taps : {4, 8, 12}) {
    const int32_t columns = 30;
    std::vector<int16_t> sums(size_t(columns + taps) * 4);
    for (auto& v : sums) v = int16_t(int32_t(rng() % 65281) - 32768);
    std::vector<int32_t> starts(count), plain(size_t(count) * taps, 0);
    std::vector<int16_t> spread(size_t(count) * taps * 4, 0);
    for (int32_t i = 0; i < count; ++i) {
      starts[i] = int32_t(rng() % uint32_t(columns));
      int32_t left = 256;
      for (int32_t t = 0; t < taps; ++t) {
        const int32_t w = t == taps - 1 ? left : int32_t(rng() % uint32_t(left + 1));
        left -= w;
        plain[size_t(i) * taps + t] = w;
        const int32_t k = t % 4, first = k < 2 ? k : 6 + k;
        for (int copy = 0; copy < 4; ++copy)
          spread[(size_t(i) * taps + t / 4 * 4) * 4 + first + 2 * copy] = int16_t(w);
      }
    }
    std::vector<TColor32> out(count);
    Loops()->HorizontalPack16(sums.data(), starts.data(), spread.data(), taps, count, out.data());
    for (int32_t i = 0; i < count; ++i) {
      TColor32 expected = 0;
      for (int c = 0; c < 4; ++c) {
        int32_t sum = 0;
        for (int32_t t = 0; t < taps; ++t)
          sum += plain[size_t(i) * taps + t] * (int32_t(sums[size_t(starts[i] + t) * 4 + c]) + 32768);
        expected |= TColor32(sum >> 16) << (8 * c);
      }
      ASSERT_EQ(out[i], expected) << taps << " " << i;
    }
  }
}

// The bilinear mixes, with neighbouring indexes (as enlarging makes them) and scattered ones.
TEST_P(ResampleLoops, BilinearMixesMatchTheChannelFormula) {
  if (!Loops()) GTEST_SKIP() << "instruction set not on this processor";
  std::mt19937 rng(3);
  const int32_t count = 45;
  std::vector<TColor32> upper(count), lower(count), out(count);
  for (int32_t x = 0; x < count; ++x) {
    upper[x] = rng();
    lower[x] = rng();
  }
  for (uint32_t w : {0u, 1u, 128u, 255u, 256u, 97u}) {
    Loops()->MixRows(upper.data(), lower.data(), w, count, out.data());
    for (int32_t x = 0; x < count; ++x) ASSERT_EQ(out[x], ResamplePlainMix(upper[x], lower[x], w)) << w;
  }
  std::vector<TColor32> mixed(60 + 8);
  for (auto& p : mixed) p = rng();
  for (bool scattered : {false, true}) {
    std::vector<int32_t> left(count), right(count), weights(count);
    for (int32_t i = 0; i < count; ++i) {
      left[i] = scattered ? int32_t(rng() % 60) : i * 2 / 3;
      right[i] = scattered ? int32_t(rng() % 60) : left[i] + 1;
      weights[i] = int32_t(rng() % 257);
    }
    Loops()->MixColumns(mixed.data(), left.data(), right.data(), weights.data(), count, out.data());
    for (int32_t i = 0; i < count; ++i)
      ASSERT_EQ(out[i], ResamplePlainMix(mixed[left[i]], mixed[right[i]], uint32_t(weights[i]))) << i;
  }
}

TEST_P(ResampleLoops, GatherColumns) {
  if (!Loops()) GTEST_SKIP() << "instruction set not on this processor";
  std::vector<TColor32> row(50);
  for (size_t i = 0; i < row.size(); ++i) row[i] = TColor32(i * 0x01010101u);
  const std::vector<int32_t> columns = {0, 0, 3, 49, 7, 7, 8, 2, 11};
  std::vector<TColor32> out(columns.size());
  Loops()->GatherColumns(row.data(), columns.data(), int32_t(columns.size()), out.data());
  for (size_t i = 0; i < columns.size(); ++i) EXPECT_EQ(out[i], row[columns[i]]);
}

INSTANTIATE_TEST_SUITE_P(Builds, ResampleLoops,
                         ::testing::Values(TKernelSet::Baseline, TKernelSet::Avx2));
