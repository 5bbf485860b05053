#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "imaging/base/number_helpers.h"
#include "imaging/base/system_info.h"
#include "imaging/model/routines/resample.h"
#include "imaging/model/routines/resample_filters.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "tests/imaging/model/routines/same_pixels.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace routines_test;

namespace {

const TResampleFilter kKernelFilters[] = {rfTriangle, rfHermite, rfBell,    rfBSpline,
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
  for (TResampleFilter filter : kKernelFilters)
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
  for (TResampleFilter filter : kKernelFilters) {
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
  for (TResampleFilter filter : kKernelFilters) {
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

}  // namespace
