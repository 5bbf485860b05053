#include "bitmap/engine/kernel_map.h"

#include <gtest/gtest.h>

#include <string>

using namespace bitmap;

namespace {
const TStretchFilter kKernelFilters[] = {sfLinear, sfSpline, sfLanczos, sfMitchell};
}  // namespace

TEST(Kernels, ValuesAtTheirKeyPoints) {
  const struct {
    TFilterKernel kernel;
    float x, expected;
  } cases[] = {
      {BoxKernel, 0.0f, 1.0f},        {BoxKernel, 0.5f, 1.0f},
      {BoxKernel, -0.5f, 0.0f},       {BoxKernel, 0.51f, 0.0f},
      {TentKernel, 0.25f, 0.75f},     {TentKernel, -1.0f, 0.0f},
      {TentKernel, 1.5f, 0.0f},       {BSplineKernel, 0.0f, 2.0f / 3.0f},
      {BSplineKernel, 1.0f, 1.0f / 6.0f}, {BSplineKernel, -1.5f, 0.125f / 6.0f},
      {BSplineKernel, 2.0f, 0.0f},    {Sinc, 0.0f, 1.0f},
      {Sinc, 0.5f, 0.63661977f},      {Lanczos3Kernel, 0.0f, 1.0f},
      {Lanczos3Kernel, 3.0f, 0.0f},   {MitchellKernel, 0.0f, 8.0f / 9.0f},
      {MitchellKernel, 1.0f, 1.0f / 18.0f}, {MitchellKernel, 2.0f, 0.0f},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.kernel(c.x), c.expected, 1e-6f) << c.x;
  // Lanczos crosses zero at the integers (up to the single-precision pi) and dips below it.
  EXPECT_NEAR(Lanczos3Kernel(1.0f), 0.0f, 1e-6f);
  EXPECT_LT(Lanczos3Kernel(1.5f), 0.0f);
  EXPECT_LT(MitchellKernel(1.5f), 0.0f);
  EXPECT_EQ(FilterKernel(sfLanczos), Lanczos3Kernel);
  EXPECT_EQ(FilterSupport(sfSpline), 2.0f);
}

TEST(KernelMap, DegenerateSpans) {
  EXPECT_TRUE(BuildKernelMap(0, 10, 0, 10, 5, 5, sfLanczos).empty());  // no source
  EXPECT_TRUE(BuildKernelMap(0, 10, 4, 4, 0, 5, sfLanczos).empty());   // nothing written
  const TMappingTable one = BuildKernelMap(-3, 10, 2, 6, 7, 8, sfMitchell);
  ASSERT_EQ(one.size(), 4u);
  for (const TCluster& c : one) EXPECT_EQ(c, (TCluster{{7, 256}}));
}

// Hand-computed: the tent kernel enlarging 2 -> 4 (weights of the kernel at the distances,
// positions clamped to the span) and shrinking 4 -> 2 (the kernel widened twice, weights
// halved).
TEST(KernelMap, TentTablesByHand) {
  EXPECT_EQ(BuildKernelMap(0, 4, 0, 4, 0, 2, sfLinear),
            (TMappingTable{{{0, 64}, {0, 192}}, {{0, 192}, {1, 64}}, {{0, 64}, {1, 192}}, {{1, 192}, {1, 64}}}));
  EXPECT_EQ(BuildKernelMap(0, 2, 0, 2, 0, 4, sfLinear),
            (TMappingTable{{{0, 32}, {0, 96}, {1, 96}, {2, 32}}, {{1, 32}, {2, 96}, {3, 96}, {3, 32}}}));
  // Clipping takes the matching clusters of the whole table; positions are absolute.
  EXPECT_EQ(BuildKernelMap(10, 14, 12, 13, 5, 7, sfLinear), (TMappingTable{{{5, 64}, {6, 192}}}));
}

// For every filter and a spread of scales: one cluster per written column, weights summing to
// 256, positions inside the source span.
TEST(KernelMap, ClustersSumTo256InsideTheSpan) {
  const int32_t sizes[] = {2, 3, 5, 17, 64, 301};
  for (TStretchFilter filter : kKernelFilters)
    for (int32_t src : sizes)
      for (int32_t dst : sizes) {
        const TMappingTable map = BuildKernelMap(-7, dst - 7, -5, dst - 9, 11, 11 + src, filter);
        ASSERT_EQ(map.size(), size_t(std::max(0, dst - 4)));
        for (const TCluster& cluster : map) {
          int32_t sum = 0;
          for (const TClusterEntry& e : cluster) {
            sum += e.Weight;
            ASSERT_GE(e.Position, 11);
            ASSERT_LT(e.Position, 11 + src);
          }
          ASSERT_EQ(sum, 256) << int(filter) << " " << src << " -> " << dst;
        }
      }
}

// A very strong reduction rounds every weight away: the nearest pixel stands alone.
TEST(KernelMap, StrongReductionKeepsTheNearestPixel) {
  const TMappingTable map = BuildKernelMap(0, 1, 0, 1, 0, 2000, sfLinear);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map[0], (TCluster{{999, 256}}));  // the centre is 999.5
}

TEST(KernelMap, FlatFormHoldsTheSameTable) {
  const TFlatMappingTable flat = BuildFlatKernelMap(0, 37, 3, 30, 2, 19, sfLanczos);
  const TMappingTable nested = BuildKernelMap(0, 37, 3, 30, 2, 19, sfLanczos);
  ASSERT_EQ(flat.Count(), int32_t(nested.size()));
  for (int32_t i = 0; i < flat.Count(); ++i)
    EXPECT_EQ(TCluster(flat.Begin(i), flat.End(i)), nested[i]);
}
