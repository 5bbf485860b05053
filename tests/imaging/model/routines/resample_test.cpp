#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "imaging/base/number_helpers.h"
#include "imaging/base/system_info.h"
#include "imaging/model/routines/resample.h"
#include "imaging/model/routines/resample_filters.h"
#include "imaging/model/routines/resample_shrink.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "tests/imaging/model/routines/same_pixels.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace routines_test;

namespace {

const TResampleFilter kResampleKernelFilters[] = {rfTriangle, rfHermite, rfBell,    rfBSpline,
                                          rfLanczos3, rfMitchell, rfNearest, rfLinear};

// A photo-like 24-bit image: gradients, hard edges and noise.
std::unique_ptr<TIEBitmap> MakePhoto(int32_t width, int32_t height, uint32_t seed = 1) {
  std::mt19937 random(seed);
  return MakeRGB24(width, height, [&](int32_t x, int32_t y) {
    const bool edge = ((x / 7) + (y / 5)) % 3 == 0;
    return MakeRGB(uint8_t(edge ? 250 : (x * 255) / std::max(width - 1, 1)), uint8_t(random() & 255),
                   uint8_t(edge ? 5 : (y * 255) / std::max(height - 1, 1)));
  });
}

std::unique_ptr<TIEBitmap> InFile(TIEBitmap* source) {
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->SetMemoryThreshold(0);
  bitmap->SetLocation(ieFile);
  bitmap->Allocate(source->Width(), source->Height(), source->PixelFormat());
  for (int32_t y = 0; y < source->Height(); ++y)
    std::memcpy(bitmap->GetScanline(y), source->GetScanline(y), source->RowLen());
  return bitmap;
}

// The kernel-table algorithm written out plainly: 8.8 weights, integer sums, truncating
// division, a zero weight sum counting as 256 across and as an unsigned shift down.
std::unique_ptr<TIEBitmap> ReferenceKernelResample(TIEBitmap* source, int32_t dstW, int32_t dstH,
                                                   TResampleFilter filter) {
  const int32_t srcW = source->Width(), srcH = source->Height();
  const TContributorTable columns(srcW, dstW, filter), rows(srcH, dstH, filter);
  std::vector<uint8_t> work(size_t(dstW) * srcH * 3);
  for (int32_t y = 0; y < srcH; ++y)
    for (int32_t i = 0; i < dstW; ++i)
      for (int32_t c = 0; c < 3; ++c) {
        int64_t s = 0;
        for (int32_t k = 0; k < columns.Count(i); ++k)
          s += int64_t(columns.List(i)[k].weight) *
               static_cast<uint8_t*>(source->GetScanline(y))[columns.List(i)[k].index * 3 + c];
        const int32_t w = columns.WeightSum(i) == 0 ? 256 : columns.WeightSum(i);
        work[(size_t(y) * dstW + i) * 3 + c] = ClampByte(int32_t(s / w));
      }
  auto dest = MakeBitmap(dstW, dstH, ie24RGB);
  for (int32_t k = 0; k < dstH; ++k)
    for (int32_t x = 0; x < dstW * 3; ++x) {
      int64_t s = 0;
      for (int32_t j = 0; j < rows.Count(k); ++j)
        s += int64_t(rows.List(k)[j].weight) * work[size_t(rows.List(k)[j].index) * dstW * 3 + x];
      const int32_t w = rows.WeightSum(k);
      const int64_t value = w != 0 ? s / w : int64_t(uint32_t(int32_t(s)) >> 8);
      static_cast<uint8_t*>(dest->GetScanline(k))[x] = uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
    }
  return dest;
}

TEST(ResampleBitmap, TriangleTwoToThreeGivesTheMidpointDividedDown) {
  auto source = MakeRGB24(2, 1, [](int32_t x, int32_t) { return Grey(x == 0 ? 0 : 255); });
  auto dest = MakeBitmap(3, 1, ie24RGB);
  ResampleBitmap(source.get(), dest.get(), rfTriangle, nullptr, nullptr);
  const uint8_t expected[] = {0, 127, 255};  // 32640 div 256 in the middle
  for (int32_t x = 0; x < 3; ++x) EXPECT_TRUE(SameColour(dest->GetPixel24(x, 0), Grey(expected[x]))) << x;
}

TEST(ResampleBitmap, MatchesThePlainAlgorithmOnEveryKernelAndShape) {
  auto source = MakePhoto(37, 23);
  const int32_t shapes[][2] = {{11, 7}, {90, 61}, {37, 9}, {5, 50}, {1, 23}, {37, 1}};
  for (TResampleFilter filter : kResampleKernelFilters)
    for (auto [w, h] : shapes) {
      auto dest = MakeBitmap(w, h, ie24RGB);
      ResampleBitmap(source.get(), dest.get(), filter, nullptr, nullptr);
      auto expected = ReferenceKernelResample(source.get(), w, h, filter);
      EXPECT_TRUE(SamePixels(dest.get(), expected.get())) << "filter " << filter << " to " << w << "x" << h;
    }
}

TEST(ResampleBitmap, OneByOneAndEmptySourcesLeaveTheDestinationAlone) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{0, 0}})
    for (int f = rfTriangle; f <= rfProjectWB; ++f) {
      auto source = MakeBitmap(w, h, ie24RGB);
      if (w > 0) source->SetPixel24(0, 0, Grey(9));
      auto dest = MakeRGB24(4, 3, [](int32_t, int32_t) { return MakeRGB(1, 2, 3); });
      ResampleBitmap(source.get(), dest.get(), TResampleFilter(f), nullptr, nullptr);
      EXPECT_EQ(dest->PixelFormat(), ie24RGB) << f;
      EXPECT_TRUE(SameColour(dest->GetPixel24(2, 1), MakeRGB(1, 2, 3))) << f;
    }
}

TEST(ResampleBitmap, UniformImagesStayUniformOnEveryPath) {
  const TRGB colour = MakeRGB(201, 77, 3);
  auto source = MakeRGB24(40, 30, [&](int32_t, int32_t) { return colour; });
  for (int f = rfTriangle; f <= rfBicubic; ++f)
    for (auto [w, h] : {std::pair{13, 7}, std::pair{95, 71}, std::pair{40, 11}}) {
      auto dest = MakeBitmap(w, h, ie24RGB);
      ResampleBitmap(source.get(), dest.get(), TResampleFilter(f), nullptr, nullptr);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          ASSERT_TRUE(SameColour(dest->GetPixel24(x, y), colour)) << "filter " << f << " at " << x << "," << y;
    }
}

TEST(ResampleBitmap, ExtremeReductionAveragesInsteadOfTurningBlack) {
  // 3000 -> 2 columns: every 8.8 weight would round to 0.
  auto uniform = MakeRGB24(3000, 2, [](int32_t, int32_t) { return Grey(180); });
  for (TResampleFilter filter : kResampleKernelFilters) {
    auto dest = MakeBitmap(2, 2, ie24RGB);
    ResampleBitmap(uniform.get(), dest.get(), filter, nullptr, nullptr);
    EXPECT_TRUE(SameColour(dest->GetPixel24(1, 1), Grey(180))) << filter;
  }
  auto stripes = MakeRGB24(3000, 2, [](int32_t x, int32_t) { return Grey(x % 2 ? 200 : 100); });
  auto dest = MakeBitmap(2, 2, ie24RGB);
  ResampleBitmap(stripes.get(), dest.get(), rfNearest, nullptr, nullptr);
  EXPECT_NEAR(dest->GetPixel24(0, 0).g, 150, 1);
}

TEST(ResampleBitmap, RowBandsGiveTheRestToTheLastWorker) {
  struct Case {
    int32_t rows, workers;
    std::vector<std::pair<int32_t, int32_t>> bands;
  };
  const Case cases[] = {
      {10, 3, {{0, 3}, {3, 3}, {6, 4}}},
      {3, 4, {{0, 0}, {0, 0}, {0, 0}, {0, 3}}},
      {8, 1, {{0, 8}}},
      {8, 8, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int32_t, int32_t>> bands;
    for (const TResampleRowBand& band : ResampleRowBands(c.rows, c.workers)) bands.push_back({band.firstRow, band.rowCount});
    EXPECT_EQ(bands, c.bands) << c.rows << " rows, " << c.workers << " workers";
  }
}

TEST(ResampleBitmap, FileSourceUsesOneWorkerAndGivesTheSamePixels) {
  auto memory = MakePhoto(64, 48, 3);
  auto file = InFile(memory.get());
  ASSERT_EQ(file->Location(), ieFile);
  EXPECT_EQ(ResampleWorkerCount(file.get()), 1);
  EXPECT_EQ(ResampleWorkerCount(memory.get()), std::max(GetProcessorCoreCount(), 1));

  std::vector<int32_t> reported;
  std::vector<DWORD> threads;
  const TIEProgressEvent progress = [&](vcl::TObject*, int32_t percent) {
    reported.push_back(percent);
    threads.push_back(GetCurrentThreadId());
  };
  auto fromFile = MakeBitmap(50, 70, ie24RGB);
  ResampleBitmap(file.get(), fromFile.get(), rfMitchell, progress, nullptr);
  auto fromMemory = MakeBitmap(50, 70, ie24RGB);
  ResampleBitmap(memory.get(), fromMemory.get(), rfMitchell, nullptr, nullptr);
  EXPECT_TRUE(SamePixels(fromFile.get(), fromMemory.get()));

  // Progress rises during the horizontal pass too, and only ever on the calling thread.
  ASSERT_FALSE(reported.empty());
  const double factor = 100.0 / (48 + 70 + 0.5);
  EXPECT_LE(reported.front(), int32_t(48 * factor));
  EXPECT_EQ(reported.back(), int32_t(100.0 * (48 + 70) / (48 + 70 + 0.5)));
  for (size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]);
  for (DWORD id : threads) EXPECT_EQ(id, GetCurrentThreadId());
}

TEST(ResampleBitmap, LastProgressDependsOnlyOnTheHeights) {
  auto source = MakePhoto(30, 20);
  for (auto [w, h] : {std::pair{7, 90}, std::pair{300, 5}, std::pair{30, 21}}) {
    int32_t last = -1;
    auto dest = MakeBitmap(w, h, ie24RGB);
    ResampleBitmap(source.get(), dest.get(), rfTriangle, [&](vcl::TObject*, int32_t p) { last = p; }, nullptr);
    EXPECT_EQ(last, int32_t(100.0 * (20 + h) / (20 + h + 0.5))) << w << "x" << h;
  }
}

TEST(ResampleBitmap, BilinearOnOneBitAndPaletteGoesThroughTriangleIn24Bits) {
  auto bits = MakeBitmap(12, 9, ie1g);
  auto indexed = MakeBitmap(12, 9, ie8p);
  for (int32_t i = 0; i < 256; ++i) indexed->SetPaletteColor(i, MakeRGB(uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)));
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      SetBit(bits.get(), x, y, (x * y) % 3 == 0);
      indexed->SetPixel8(x, y, uint8_t(x * 20 + y));
    }
  for (TIEBitmap* source : {bits.get(), indexed.get()}) {
    auto viaBilinear = MakeBitmap(20, 15, source->PixelFormat());
    ResampleBitmap(source, viaBilinear.get(), rfBilinear, nullptr, nullptr);
    EXPECT_EQ(viaBilinear->PixelFormat(), ie24RGB);

    auto copy24 = MakeBitmap(12, 9, ie24RGB);
    copy24->CopyAndConvertFormat(source);
    auto viaTriangle = MakeBitmap(20, 15, ie24RGB);
    ResampleBitmap(copy24.get(), viaTriangle.get(), rfTriangle, nullptr, nullptr);
    EXPECT_TRUE(SamePixels(viaBilinear.get(), viaTriangle.get())) << source->PixelFormat();
  }
}

TEST(ResampleBitmap, BilinearKeepsSixteenBitGrey) {
  auto source = MakeBitmap(10, 10, ie16g);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) source->SetPixel16(x, y, uint16_t(1000 * x + 7 * y));
  auto dest = MakeBitmap(5, 5, ie24RGB);
  ResampleBitmap(source.get(), dest.get(), rfBilinear, nullptr, nullptr);
  ASSERT_EQ(dest->PixelFormat(), ie16g);
  // Reducing by 2 averages each 2 x 2 block: (1000(2x + 2x + 1) * 2 + 7 * (2y + 2y + 1) * 2) / 4.
  EXPECT_EQ(dest->GetPixel16(1, 2), uint16_t(std::nearbyint((1000.0 * 5 * 2 + 7.0 * 9 * 2) / 4)));
}

TEST(ResampleBitmap, FilterWithoutKernelRaises) {
  auto source = MakePhoto(4, 4);
  auto dest = MakeBitmap(8, 8, ie24RGB);
  EXPECT_THROW(ResampleBitmap(source.get(), dest.get(), rfNone, nullptr, nullptr), vcl::EInvalidArgument);
  EXPECT_THROW(ResampleGray8(source.get(), dest.get(), TResampleFilter(99)), vcl::EInvalidArgument);
  EXPECT_THROW(ResampleBitmap(nullptr, dest.get(), rfTriangle, nullptr, nullptr), vcl::EInvalidArgument);
}

TEST(ResampleBitmap, WrongDestinationFormatIsReplacedNotOverrun) {
  auto source = MakePhoto(9, 9);
  auto dest = MakeBitmap(30, 30, ie1g);
  ResampleBitmap(source.get(), dest.get(), rfLanczos3, nullptr, nullptr);
  EXPECT_EQ(dest->PixelFormat(), ie24RGB);
  auto expected = ReferenceKernelResample(source.get(), 30, 30, rfLanczos3);
  EXPECT_TRUE(SamePixels(dest.get(), expected.get()));
}

TEST(ResampleGray8, KernelPathMatchesTheColourPathOnGrey) {
  auto colour = MakeRGB24(21, 17, [](int32_t x, int32_t y) { return Grey(uint8_t((x * 37 + y * 91) & 255)); });
  auto grey = MakeBitmap(21, 17, ie8g);
  for (int32_t y = 0; y < 17; ++y)
    for (int32_t x = 0; x < 21; ++x) grey->SetPixel8(x, y, colour->GetPixel24(x, y).g);
  for (TResampleFilter filter : kResampleKernelFilters) {
    auto destGrey = MakeBitmap(33, 8, ie8g);
    ResampleGray8(grey.get(), destGrey.get(), filter);
    auto destColour = MakeBitmap(33, 8, ie24RGB);
    ResampleBitmap(colour.get(), destColour.get(), filter, nullptr, nullptr);
    // Both passes agree except where a weight sum of 0 meets a negative sum, which no grey
    // ramp of these kernels produces.
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 33; ++x) ASSERT_EQ(destGrey->GetPixel8(x, y), destColour->GetPixel24(x, y).g) << filter;
  }
  EXPECT_THROW(ResampleGray8(colour.get(), grey.get(), rfTriangle), vcl::EInvalidArgument);
}

TEST(Resample1Bit, KernelFiltersGiveGreyAndProjectionsBits) {
  auto source = MakeBitmap(8, 8, ie1g);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) SetBit(source.get(), x, y, x >= 4);
  auto grey = MakeBitmap(3, 8, ie1g);
  Resample1Bit(source.get(), grey.get(), rfTriangle);
  ASSERT_EQ(grey->PixelFormat(), ie24RGB);
  EXPECT_TRUE(SameColour(grey->GetPixel24(0, 3), Grey(0)));
  EXPECT_TRUE(SameColour(grey->GetPixel24(2, 3), Grey(255)));
  const TRGB middle = grey->GetPixel24(1, 3);
  EXPECT_TRUE(middle.r == middle.g && middle.g == middle.b && middle.g > 0 && middle.g < 255);

  auto bits = MakeBitmap(4, 4, ie24RGB);
  Resample1Bit(source.get(), bits.get(), rfProjectBW);
  ASSERT_EQ(bits->PixelFormat(), ie1g);
  EXPECT_FALSE(BitAt(bits.get(), 1, 1));
  EXPECT_TRUE(BitAt(bits.get(), 3, 1));
  EXPECT_THROW(Resample1Bit(grey.get(), bits.get(), rfTriangle), vcl::EInvalidArgument);
}

// How far two 24-bit bitmaps of one size lie apart: the largest and the mean difference of a
// channel.
struct Distance {
  int32_t largest = 0;
  double mean = 0;
};
Distance DistanceOf(TIEBitmap* a, TIEBitmap* b) {
  Distance d;
  int64_t total = 0;
  for (int32_t y = 0; y < a->Height(); ++y) {
    const auto* ra = static_cast<const uint8_t*>(a->GetScanline(y));
    const auto* rb = static_cast<const uint8_t*>(b->GetScanline(y));
    for (int32_t x = 0; x < a->Width() * 3; ++x) {
      const int32_t diff = std::abs(int32_t(ra[x]) - int32_t(rb[x]));
      d.largest = std::max(d.largest, diff);
      total += diff;
    }
  }
  d.mean = double(total) / (double(a->Width()) * a->Height() * 3);
  return d;
}

// Every row of a bitmap in memory, for the shrinking road's own entry.
std::vector<const uint8_t*> SourceRows(TIEBitmap* bitmap) {
  std::vector<const uint8_t*> rows(bitmap->Height());
  for (int32_t y = 0; y < bitmap->Height(); ++y) rows[y] = static_cast<const uint8_t*>(bitmap->GetScanline(y));
  return rows;
}
std::vector<uint8_t*> DestRows(TIEBitmap* bitmap) {
  std::vector<uint8_t*> rows(bitmap->Height());
  for (int32_t y = 0; y < bitmap->Height(); ++y) rows[y] = static_cast<uint8_t*>(bitmap->GetScanline(y));
  return rows;
}

TEST(ResampleShrink, FactorIsHalfTheReductionRoundedDown) {
  struct Case {
    int32_t source, dest, factor;
  };
  const Case cases[] = {
      {4000, 1000, 2}, {3000, 750, 2}, {4000, 400, 5}, {1000, 1000, 1}, {100, 200, 1},
      {100, 1, 1},     {100, 2, 49},   {9, 4, 1},      {9, 3, 2},       {0, 0, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResampleShrinkFactor(c.source, c.dest), c.factor) << c.source << " -> " << c.dest;
}

TEST(ResampleShrink, TakenOnlyForLargeSourcesReducedByAtLeastFour) {
  struct Case {
    int32_t srcW, srcH, dstW, dstH;
    bool shrinking;
  };
  const Case cases[] = {
      {4000, 3000, 1000, 750, true},  {1024, 640, 1000, 100, true}, {1024, 640, 200, 600, true},
      {1024, 640, 400, 300, false},   {1024, 640, 2000, 100, false}, {1024, 640, 1, 100, false},
      {300, 200, 30, 20, false},      {1024, 640, 0, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UsesShrinkingResample(c.srcW, c.srcH, c.dstW, c.dstH), c.shrinking)
        << c.srcW << "x" << c.srcH << " -> " << c.dstW << "x" << c.dstH;
}

// Smooth shading in every channel, with no detail finer than the reductions below keep (the
// 9 columns of 1024 are 113 pixels each: the waves are several columns long).
std::unique_ptr<TIEBitmap> MakeSmooth(int32_t width, int32_t height) {
  return MakeRGB24(width, height, [](int32_t x, int32_t y) {
    return MakeRGB(uint8_t(128 + 100 * std::sin(x / 157.0 + y / 53.0)), uint8_t(x * 255 / 1023),
                   uint8_t(128 + 90 * std::cos(y / 29.0 - x / 181.0)));
  });
}

// A large reduction box-shrinks first and filters what remains: on a smooth picture it stays
// within a few levels of the two exact passes on every kernel, and within a fraction of a
// level on average. Where each destination column gathers over a hundred source columns, the
// blocks' own shading shows a little more.
TEST(ResampleShrink, LargeReductionsFollowTheExactPassesClosely) {
  auto source = MakeSmooth(1024, 640);
  ASSERT_GE(int64_t(1024) * 640, kShrinkMinPixels);
  struct Shape {
    int32_t width, height, largest;
    double mean;
  };
  const Shape shapes[] = {{256, 160, 3, 0.35}, {100, 37, 8, 1.1}, {700, 60, 3, 0.35}, {9, 600, 8, 2.0}};
  for (TResampleFilter filter : kResampleKernelFilters)
    for (const Shape& shape : shapes) {
      ASSERT_TRUE(UsesShrinkingResample(1024, 640, shape.width, shape.height));
      auto dest = MakeBitmap(shape.width, shape.height, ie24RGB);
      ResampleBitmap(source.get(), dest.get(), filter, nullptr, nullptr);
      auto expected = ReferenceKernelResample(source.get(), shape.width, shape.height, filter);
      const Distance d = DistanceOf(dest.get(), expected.get());
      EXPECT_LE(d.largest, shape.largest) << "filter " << filter << " to " << shape.width << "x" << shape.height;
      EXPECT_LE(d.mean, shape.mean) << "filter " << filter << " to " << shape.width << "x" << shape.height;
    }
}

// Blocks that do not fill the last columns and rows average only the pixels they have: a
// uniform source stays uniform to its edges, whatever the factors and the kernel.
TEST(ResampleShrink, UniformSourceStaysUniformWithShortLastBlocks) {
  const TRGB colour = MakeRGB(201, 77, 3);
  auto source = MakeRGB24(23, 17, [&](int32_t, int32_t) { return colour; });
  const int32_t factors[][2] = {{2, 2}, {2, 3}, {5, 1}, {1, 4}, {23, 17}};
  for (TResampleFilter filter : kResampleKernelFilters)
    for (auto [fx, fy] : factors) {
      auto dest = MakeBitmap(4, 3, ie24RGB);
      ShrinkingResample24(SourceRows(source.get()), 23, 17, DestRows(dest.get()), 4, 3, filter, fx, fy, nullptr);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
          ASSERT_TRUE(SameColour(dest->GetPixel24(x, y), colour))
              << "filter " << filter << " factors " << fx << "x" << fy << " at " << x << "," << y;
    }
}

// A ramp keeps its place: each block takes the weights of the pixels it holds, so a reduction
// through them lands where the exact passes put each pixel.
TEST(ResampleShrink, SmallSourcesWithShortBlocksFollowTheExactPasses) {
  // Odd sizes end in short blocks; even ones are whole 2 x 2 blocks, which have a road of their own.
  for (auto [w, h] : {std::pair{43, 29}, std::pair{42, 30}}) {
    auto ramp = MakeRGB24(w, h, [](int32_t x, int32_t y) {
      return MakeRGB(uint8_t(x * 6), uint8_t(y * 8), uint8_t(x * 3 + y * 4));
    });
    for (TResampleFilter filter : kResampleKernelFilters) {
      auto dest = MakeBitmap(8, 6, ie24RGB);
      ShrinkingResample24(SourceRows(ramp.get()), w, h, DestRows(dest.get()), 8, 6, filter, 2, 2, nullptr);
      auto expected = ReferenceKernelResample(ramp.get(), 8, 6, filter);
      const Distance d = DistanceOf(dest.get(), expected.get());
      // One pixel off would move the red ramp by 6.
      EXPECT_LE(d.largest, 2) << "filter " << filter << " from " << w << "x" << h;
      EXPECT_LT(d.mean, 1.0) << "filter " << filter << " from " << w << "x" << h;
    }
  }
}

TEST(ResampleShrink, ProgressEndsAsOnTheExactPassesAndStaysOnTheCallingThread) {
  auto source = MakePhoto(1024, 600, 2);
  std::vector<int32_t> reported;
  std::vector<std::thread::id> threads;
  auto dest = MakeBitmap(200, 100, ie24RGB);
  ResampleBitmap(source.get(), dest.get(), rfMitchell,
                 [&](vcl::TObject*, int32_t percent) {
                   reported.push_back(percent);
                   threads.push_back(std::this_thread::get_id());
                 },
                 nullptr);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back(), int32_t(100.0 * (600 + 100) / (600 + 100 + 0.5)));
  for (size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]);
  for (const std::thread::id& id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

}  // namespace
