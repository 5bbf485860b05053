#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/model/routines/resample_filters.h"
#include "imaging/model/routines/resample_rows.h"

using namespace imaging;

namespace {

const TResampleFilter kResampleFiltersKernelFilters[] = {rfTriangle, rfHermite, rfBell,    rfBSpline,
                                          rfLanczos3, rfMitchell, rfNearest, rfLinear};

TEST(ResampleKernels, ValuesAtKnownPoints) {
  struct Case {
    TResampleKernel kernel;
    double x;
    double expected;
  };
  const Case cases[] = {
      {TriangleKernel, 0, 1},        {TriangleKernel, 0.5, 0.5},     {TriangleKernel, -1, 0},
      {HermiteKernel, 0, 1},         {HermiteKernel, 0.5, 0.5},      {HermiteKernel, 1, 0},
      {BellKernel, 0, 0.75},         {BellKernel, 1, 0.125},         {BellKernel, 1.5, 0},
      {BSplineKernel, 0, 2.0 / 3},   {BSplineKernel, 1, 1.0 / 6},    {BSplineKernel, -2, 0},
      {Lanczos3Kernel, 0, 1},        {Lanczos3Kernel, 3, 0},         {MitchellKernel, 0, 16.0 / 18},
      {MitchellKernel, 1, 1.0 / 18}, {MitchellKernel, 2, 0},         {BoxKernel, 0.5, 1},
      {BoxKernel, -0.5, 0},          {BoxKernel, 0.51, 0},           {LinearKernel, -1, 0},
      {LinearKernel, -0.25, 0.75},   {LinearKernel, 0.25, 0.75},     {LinearKernel, 1, 0},
  };
  for (const Case& c : cases) EXPECT_NEAR(c.kernel(c.x), c.expected, 1e-12) << "x = " << c.x;
  EXPECT_NEAR(Lanczos3Kernel(1), 0, 1e-15);
  EXPECT_EQ(NormalizedSinc(0), 1);
  EXPECT_NEAR(NormalizedSinc(0.5), 2 / 3.14159265358979323846, 1e-15);
}

TEST(ResampleKernels, TableRowsAndSupports) {
  const double supports[] = {0, 1, 1, 1.5, 2, 3, 2, 1, 1, 0, 0, 0, 0, 0};
  for (int f = rfNone; f <= rfProjectWB; ++f) {
    EXPECT_EQ(ResampleFilterTable[f].support, supports[f]) << f;
    EXPECT_EQ(ResampleFilterTable[f].kernel != nullptr, HasResampleKernel(TResampleFilter(f))) << f;
  }
  EXPECT_EQ(ResampleFilterTable[rfNearest].kernel, &BoxKernel);
}

TEST(ResampleKernels, ScaleMapsFirstAndLastPixels) {
  struct Case {
    int32_t source, dest;
    double scale;
  };
  const Case cases[] = {{2, 3, 2.0}, {4, 2, 1.0 / 3}, {1, 5, 5.0}, {5, 1, 0.2}, {100, 100, 1.0}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ResampleScale(c.source, c.dest), c.scale) << c.source << "->" << c.dest;
}

std::vector<std::pair<int32_t, int32_t>> ListOf(const TContributorTable& table, int32_t i) {
  std::vector<std::pair<int32_t, int32_t>> list;
  for (int32_t k = 0; k < table.Count(i); ++k) list.push_back({table.List(i)[k].index, table.List(i)[k].weight});
  return list;
}

TEST(ContributorTable, TriangleTwoToThree) {
  const TContributorTable table(2, 3, rfTriangle);
  ASSERT_EQ(table.Size(), 3);
  using L = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(ListOf(table, 0), (L{{0, 256}}));
  EXPECT_EQ(ListOf(table, 1), (L{{0, 128}, {1, 128}}));
  EXPECT_EQ(ListOf(table, 2), (L{{1, 256}}));
  EXPECT_EQ(table.WeightSum(1), 256);
}

TEST(ContributorTable, BoxEnlargingTakesThePixelAtPlusHalf) {
  // 2 -> 5: scale 4, centres 0, 0.25, 0.5, 0.75, 1. At centre 0.5 the distance to pixel 0 is
  // +0.5 (inside the box) and to pixel 1 it is -0.5 (outside).
  const TContributorTable table(2, 5, rfNearest);
  using L = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(ListOf(table, 2), (L{{0, 256}}));
  EXPECT_EQ(ListOf(table, 3), (L{{1, 256}}));
}

TEST(ContributorTable, EdgesAreMirroredThenClamped) {
  for (TResampleFilter filter : kResampleFiltersKernelFilters)
    for (int32_t source : {1, 2, 3, 7}) {
      const TContributorTable table(source, 11, filter);
      for (int32_t i = 0; i < table.Size(); ++i)
        for (int32_t k = 0; k < table.Count(i); ++k) {
          EXPECT_GE(table.List(i)[k].index, 0);
          EXPECT_LT(table.List(i)[k].index, source);
        }
    }
  // Lanczos3 at the left edge of a wide source reaches pixels -2 and -1, mirrored to 2 and 1.
  const TContributorTable lanczos(10, 10, rfLanczos3);
  std::vector<int32_t> indexes;
  for (auto [index, weight] : ListOf(lanczos, 0)) indexes.push_back(index);
  EXPECT_EQ(indexes, (std::vector<int32_t>{0}));  // integer centres hit the zeros of sinc
  // Reducing 10 -> 4 widens it to 9 pixels each side: pixel -1 reads pixel 1 again, and past
  // the mirror the index is clamped.
  const TContributorTable reduce(10, 4, rfLanczos3);
  int32_t onesSeen = 0;
  for (auto [index, weight] : ListOf(reduce, 0)) onesSeen += index == 1;
  EXPECT_EQ(onesSeen, 2);
}

TEST(ContributorTable, ExtremeReductionKeepsAnAverage) {
  // 1:3000: every 8.8 weight rounds to 0; the list still averages its pixels.
  for (TResampleFilter filter : {rfNearest, rfTriangle, rfLanczos3}) {
    const TContributorTable table(6000, 2, filter);
    for (int32_t i = 0; i < 2; ++i) {
      EXPECT_GT(table.Count(i), 1000) << filter;
      EXPECT_GT(table.WeightSum(i), 0) << filter;
    }
  }
}

// The passes as the arithmetic defines them, one pixel at a time.
uint8_t ReferenceDivide(int64_t sum, int32_t weightSum, TZeroWeightRule rule) {
  int64_t value;
  if (weightSum == 0)
    value = rule == TZeroWeightRule::AsWeight256 ? sum / 256 : int64_t(uint32_t(int32_t(sum)) >> 8);
  else
    value = sum / weightSum;
  return uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
}

std::vector<uint8_t> RandomRow(std::mt19937& random, int32_t bytes) {
  std::vector<uint8_t> row(bytes + kResampleRowSlack);
  std::uniform_int_distribution<int> value(0, 255);
  const int mode = random() % 3;  // noise, extremes only, or a smooth ramp
  for (int32_t x = 0; x < bytes; ++x)
    row[x] = uint8_t(mode == 0 ? value(random) : mode == 1 ? (value(random) & 1) * 255 : (x * 7) & 255);
  return row;
}

TEST(ResampleRows, HorizontalPassMatchesTheExactArithmetic) {
  std::mt19937 random(7);
  const int32_t sizes[][2] = {{2, 3}, {17, 5}, {40, 121}, {333, 100}, {9, 9}, {1, 4}, {1200, 7}};
  for (TResampleFilter filter : kResampleFiltersKernelFilters)
    for (auto [source, dest] : sizes)
      for (int32_t channels : {1, 3}) {
        const TZeroWeightRule rule = channels == 3 ? TZeroWeightRule::AsWeight256 : TZeroWeightRule::UnsignedShift;
        const TContributorTable table(source, dest, filter);
        const THorizontalResampler resampler(table, channels, rule);
        const std::vector<uint8_t> row = RandomRow(random, source * channels);
        std::vector<uint8_t> out(dest * channels + kResampleRowSlack);
        resampler.Run(row.data(), out.data());
        for (int32_t i = 0; i < dest; ++i)
          for (int32_t c = 0; c < channels; ++c) {
            int64_t sum = 0;
            for (int32_t k = 0; k < table.Count(i); ++k)
              sum += int64_t(table.List(i)[k].weight) * row[table.List(i)[k].index * channels + c];
            ASSERT_EQ(out[i * channels + c], ReferenceDivide(sum, table.WeightSum(i), rule))
                << "filter " << filter << " " << source << "->" << dest << " column " << i << " channel " << c;
          }
      }
}

TEST(ResampleRows, VerticalPassMatchesTheExactArithmetic) {
  std::mt19937 random(11);
  // Weight sets: ordinary, negative lobes, a zero sum (unsigned shift), large sums (exact
  // division), and a single tap.
  const std::vector<std::vector<int32_t>> weightSets = {
      {64, 128, 64}, {-12, 140, 140, -12}, {100, -100}, {5000, 3000, 1}, {256}, {-3, 1, 1}, {1, 1, 1, 1, 1}};
  for (const auto& weights : weightSets)
    for (int32_t bytes : {1, 15, 16, 17, 48, 301}) {
      std::vector<std::vector<uint8_t>> rows;
      std::vector<const uint8_t*> pointers;
      for (size_t k = 0; k < weights.size(); ++k) rows.push_back(RandomRow(random, bytes));
      for (auto& row : rows) pointers.push_back(row.data());
      std::vector<uint8_t> out(bytes, 0xCC);
      ResampleVerticalRow(pointers.data(), weights.data(), int32_t(weights.size()), out.data(), bytes);
      int32_t weightSum = 0;
      for (int32_t w : weights) weightSum += w;
      for (int32_t x = 0; x < bytes; ++x) {
        int64_t sum = 0;
        for (size_t k = 0; k < weights.size(); ++k) sum += int64_t(weights[k]) * rows[k][x];
        ASSERT_EQ(out[x], ReferenceDivide(sum, weightSum, TZeroWeightRule::UnsignedShift)) << "x " << x;
      }
    }
}

TEST(ResampleRows, FastDivisionIsExactForEverySumThatMatters) {
  // One tap of weight w over every byte value, for all sums up to 255 * w, through the
  // vertical pass: the rounding trick must give s div w exactly.
  for (int32_t w : {1, 3, 7, 255, 256, 257, 1000, 4095, 4096}) {
    std::vector<uint8_t> values(256 + kResampleRowSlack);
    for (int v = 0; v < 256; ++v) values[v] = uint8_t(v);
    std::vector<int32_t> weights = {w, 1};
    std::vector<uint8_t> ones(256 + kResampleRowSlack, 0);
    for (int32_t extra = 0; extra < 2; ++extra) {
      std::fill(ones.begin(), ones.begin() + 256, uint8_t(extra * 255));
      const uint8_t* rows[] = {values.data(), ones.data()};
      std::vector<uint8_t> out(256);
      ResampleVerticalRow(rows, weights.data(), 2, out.data(), 256);
      for (int v = 0; v < 256; ++v) {
        const int64_t sum = int64_t(w) * v + extra * 255;
        ASSERT_EQ(out[v], ReferenceDivide(sum, w + 1, TZeroWeightRule::UnsignedShift)) << w << " " << v;
      }
    }
  }
}

}  // namespace
