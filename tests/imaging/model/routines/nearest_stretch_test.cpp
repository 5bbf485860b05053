#include <gtest/gtest.h>

#include <vector>

#include "imaging/model/routines/nearest_stretch.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

TEST(NearestStretch, ColumnsAndRows) {
  struct Case {
    int32_t sourceWidth, destWidth;
    std::vector<int32_t> columns;
  } cases[] = {{4, 2, {0, 2}}, {2, 4, {0, 0, 1, 1}}, {3, 3, {0, 1, 2}}, {5, 2, {0, 2}}};
  for (const Case& c : cases) {
    auto source = MakeRGB24(c.sourceWidth, c.sourceWidth, [](int32_t x, int32_t y) { return MakeRGB(uint8_t(x), uint8_t(y), 7); });
    auto dest = MakeBitmap(c.destWidth, c.destWidth, ie24RGB);
    EXPECT_EQ(ResampleNearest(source.get(), dest.get(), nullptr, nullptr), dest.get());
    for (int32_t j = 0; j < c.destWidth; ++j)
      for (int32_t i = 0; i < c.destWidth; ++i) {
        const TRGB p = dest->GetPixel24(i, j);
        EXPECT_EQ(p.r, c.columns[i]);
        EXPECT_EQ(p.g, c.columns[j]);
      }
  }
}

TEST(NearestStretch, OneBitImagesRepeatEveryBit) {
  auto source = MakeBitmap(5, 2, ie1g);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 5; ++x) SetBit(source.get(), x, y, (x * 3 + y) % 4 == 1);
  auto dest = MakeBitmap(15, 6, ie1g);
  ResampleNearest(source.get(), dest.get(), nullptr, nullptr);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 15; ++x) EXPECT_EQ(BitAt(dest.get(), x, y), BitAt(source.get(), x / 3, y / 3)) << x << "," << y;
}

TEST(NearestStretch, EveryUnitSize) {
  for (TIEPixelFormat format : {ie8g, ie16g, ieCIELab, ie32f, ieCMYK, ie32RGB, ieRGB48}) {
    auto source = MakeBitmap(3, 1, format);
    const int32_t bytes = IEBytesPerPixel(format);
    uint8_t* row = static_cast<uint8_t*>(source->GetScanline(0));
    for (int32_t i = 0; i < 3 * bytes; ++i) row[i] = uint8_t(i + 1);
    auto dest = MakeBitmap(6, 1, format);
    ResampleNearest(source.get(), dest.get(), nullptr, nullptr);
    const uint8_t* out = static_cast<const uint8_t*>(dest->GetScanline(0));
    for (int32_t i = 0; i < 6; ++i)
      for (int32_t k = 0; k < bytes; ++k) EXPECT_EQ(out[i * bytes + k], row[(i / 2) * bytes + k]) << format;
  }
}

TEST(NearestStretch, PaletteFormatAndProgress) {
  auto source = MakeBitmap(2, 2, ie8p);
  source->SetPaletteColor(5, MakeRGB(9, 8, 7));
  source->SetPixel8(1, 1, 5);
  auto dest = MakeBitmap(4, 250, ie24RGB);  // another format: made ie8p of its own size
  std::vector<int32_t> reported;
  ResampleNearest(source.get(), dest.get(), nullptr, [&](vcl::TObject*, int32_t per) { reported.push_back(per); });
  ASSERT_EQ(dest->GetPixelFormat(), ie8p);
  EXPECT_EQ(dest->GetWidth(), 4);
  EXPECT_EQ(dest->GetPixel8(3, 249), 5);
  EXPECT_TRUE(SameColour(dest->GetPaletteColor(5), MakeRGB(9, 8, 7)));
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), 0);
  EXPECT_LE(reported.size(), 100u);
  for (size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]);
  EXPECT_EQ(source->Access(), 3);  // access modes are restored
  EXPECT_EQ(dest->Access(), 3);
}

TEST(NearestStretch, EmptyBitmapsAreLeftAlone) {
  TIEBitmap empty;
  auto dest = MakeRGB24(2, 2, [](int32_t, int32_t) { return Grey(1); });
  ResampleNearest(&empty, dest.get(), nullptr, nullptr);
  EXPECT_TRUE(SameColour(dest->GetPixel24(1, 1), Grey(1)));
  TIEBitmap noDest;
  ResampleNearest(dest.get(), &noDest, nullptr, nullptr);
  EXPECT_TRUE(noDest.IsEmpty());
}
