#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/routines/pixel_statistics.h"
#include "imaging/model/routines/threshold.h"
#include "tests/imaging/model/routines/routines_test_support.h"

using namespace imaging;
using namespace routines_test;

namespace {

int CountWhite(TIEBitmap* bilevel) {
  int white = 0;
  for (int32_t y = 0; y < bilevel->GetHeight(); ++y)
    for (int32_t x = 0; x < bilevel->GetWidth(); ++x) white += BitAt(bilevel, x, y);
  return white;
}

std::unique_ptr<TIEBitmap> Threshold(TIEBitmap* source, int32_t threshold) {
  auto dest = MakeBitmap(source->GetWidth(), source->GetHeight(), ie1g);
  ThresholdTo1Bit(source, dest.get(), threshold, nullptr);
  return dest;
}

}  // namespace

TEST(Threshold, FixedThresholds) {
  auto ramp = MakeRGB24(16, 16, [](int32_t x, int32_t y) { return Grey(uint8_t(y * 16 + x)); });
  struct Case {
    int32_t threshold;
    int white;
  } cases[] = {{0, 256}, {1, 255}, {128, 128}, {255, 1}, {256, 0}, {1000, 0}, {-5, 256}};
  for (const Case& c : cases) EXPECT_EQ(CountWhite(Threshold(ramp.get(), c.threshold).get()), c.white) << c.threshold;
  auto grey = MakeRGB24(1, 1, [](int32_t, int32_t) { return Grey(128); });
  EXPECT_TRUE(BitAt(Threshold(grey.get(), 128).get(), 0, 0));  // luminance 128 reaches 128
}

TEST(Threshold, MeanColourThreshold) {
  // Mean 64: pixels of luminance 64 and up are white.
  auto bitmap = MakeRGB24(4, 1, [](int32_t x, int32_t) { return Grey(uint8_t(x == 0 ? 0 : (x == 1 ? 63 : (x == 2 ? 64 : 129)))); });
  auto dest = Threshold(bitmap.get(), kThresholdMeanColor);
  EXPECT_FALSE(BitAt(dest.get(), 0, 0));
  EXPECT_FALSE(BitAt(dest.get(), 1, 0));
  EXPECT_TRUE(BitAt(dest.get(), 2, 0));
  EXPECT_TRUE(BitAt(dest.get(), 3, 0));
}

TEST(Threshold, MaximumEntropySplitsTwoLevelImages) {
  // Scanned text: black and white in various shares must stay black and white.
  for (int blackShare : {1, 30, 50, 70, 99}) {
    auto bitmap = MakeRGB24(100, 1, [&](int32_t x, int32_t) { return Grey(x < blackShare ? 0 : 255); });
    auto dest = Threshold(bitmap.get(), kThresholdMaximumEntropy);
    EXPECT_EQ(CountWhite(dest.get()), 100 - blackShare) << blackShare;
    EXPECT_FALSE(BitAt(dest.get(), 0, 0));
  }
  // A single level has nothing to split: white.
  auto flat = MakeRGB24(5, 5, [](int32_t, int32_t) { return Grey(90); });
  EXPECT_EQ(CountWhite(Threshold(flat.get(), kThresholdMaximumEntropy).get()), 25);
}

TEST(Threshold, MaximumEntropyOfHistograms) {
  std::array<int32_t, 256> histogram{};
  EXPECT_EQ(MaximumEntropyThreshold(histogram), -1);
  histogram[40] = 10;
  EXPECT_EQ(MaximumEntropyThreshold(histogram), -1);
  histogram[200] = 30;
  const int32_t t = MaximumEntropyThreshold(histogram);
  EXPECT_GT(t, 40);
  EXPECT_LE(t, 200);
  // Two separated bell shapes (levels 51 .. 69 and 171 .. 189) are split between them.
  histogram.fill(0);
  for (int i = -10; i <= 10; ++i) histogram[60 + i] = histogram[180 + i] = 100 - i * i;
  const int32_t split = MaximumEntropyThreshold(histogram);
  EXPECT_GE(split, 70);
  EXPECT_LE(split, 171);
}

TEST(Threshold, EveryPixelFormat) {
  // One dark and one light pixel in each format; threshold 128.
  struct Case {
    TIEPixelFormat format;
    std::function<void(TIEBitmap*)> fill;
  } cases[] = {
      {ie8g, [](TIEBitmap* b) { b->SetPixel8(0, 0, 20), b->SetPixel8(1, 0, 200); }},
      {ie8p, [](TIEBitmap* b) {
         b->SetPaletteColor(3, MakeRGB(10, 10, 10)), b->SetPaletteColor(4, MakeRGB(250, 250, 250));
         b->SetPixel8(0, 0, 3), b->SetPixel8(1, 0, 4);
       }},
      {ie16g, [](TIEBitmap* b) { b->SetPixel16(0, 0, 0x7FFF), b->SetPixel16(1, 0, 0x8000); }},
      {ie32f, [](TIEBitmap* b) { b->SetPixelFloat(0, 0, 0.1f), b->SetPixelFloat(1, 0, 7.0f); }},
      {ieRGB48, [](TIEBitmap* b) {
         b->SetPixel48(0, 0, {0x7FFF, 0x7FFF, 0x7FFF}), b->SetPixel48(1, 0, {0x80FF, 0x80FF, 0x80FF});
       }},
      {ie32RGB, [](TIEBitmap* b) { b->SetPixel32(0, 0, 0x00101010), b->SetPixel32(1, 0, int32_t(0x00F0F0F0)); }},
      {ieCIELab, [](TIEBitmap* b) {
         uint8_t* row = static_cast<uint8_t*>(b->GetScanline(0));
         const uint8_t dark[3] = {20, 0, 0}, light[3] = {240, 0, 0};
         std::memcpy(row, dark, 3), std::memcpy(row + 3, light, 3);
       }},
      {ieCMYK, [](TIEBitmap* b) { b->SetPixel32(0, 0, 0x20FFFFFF), b->SetPixel32(1, 0, -1); }},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeBitmap(2, 1, c.format);
    c.fill(bitmap.get());
    auto dest = Threshold(bitmap.get(), 128);
    EXPECT_FALSE(BitAt(dest.get(), 0, 0)) << c.format;
    EXPECT_TRUE(BitAt(dest.get(), 1, 0)) << c.format;
  }
  // 16-bit channels count by their high byte: 0x80FF is 128, not 255.
  auto wide = MakeBitmap(1, 1, ieRGB48);
  wide->SetPixel48(0, 0, {0x80FF, 0x80FF, 0x80FF});
  EXPECT_FALSE(BitAt(Threshold(wide.get(), 129).get(), 0, 0));
}

TEST(Threshold, OneBitSourcesAreCopied) {
  auto source = MakeBitmap(10, 3, ie1g);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x) SetBit(source.get(), x, y, (x + y) % 3 == 0);
  auto dest = MakeBitmap(1, 1, ie8g);
  int events = 0;
  ProgressContext progress;
  progress.OnProgress = [&](vcl::TObject*, int32_t) { ++events; };
  ThresholdTo1Bit(source.get(), dest.get(), 0, &progress);
  EXPECT_EQ(events, 0);
  ASSERT_EQ(dest->GetPixelFormat(), ie1g);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(BitAt(dest.get(), x, y), (x + y) % 3 == 0);
}

TEST(Threshold, DestinationAndProgress) {
  auto source = MakeRGB24(9, 4, [](int32_t x, int32_t) { return Grey(x < 5 ? 0 : 255); });
  auto dest = MakeBitmap(3, 3, ie24RGB);  // not yet 1-bit of the source's size
  std::vector<int32_t> reported;
  vcl::TObject sender;
  ProgressContext progress;
  progress.Sender = &sender;
  progress.OnProgress = [&](vcl::TObject* s, int32_t per) {
    EXPECT_EQ(s, &sender);
    reported.push_back(per);
  };
  ThresholdTo1Bit(source.get(), dest.get(), 128, &progress);
  EXPECT_EQ(dest->GetPixelFormat(), ie1g);
  EXPECT_EQ(dest->GetWidth(), 9);
  EXPECT_EQ(CountWhite(dest.get()), 16);
  EXPECT_EQ(reported, (std::vector<int32_t>{22, 44, 66, 88}));  // Trunc((y + 1) x 100 / 4.5)
}

TEST(PixelStatistics, MeanColour) {
  int32_t r, g, b;
  // Row means are integer divisions: 0, 0, 1 gives 0.
  auto row = MakeRGB24(3, 1, [](int32_t x, int32_t) { return MakeRGB(x == 2 ? 1 : 0, 0, 0); });
  GetMeanColor(row.get(), r, g, b);
  EXPECT_EQ(r, 0);
  auto twoRows = MakeRGB24(2, 2, [](int32_t x, int32_t y) { return MakeRGB(y ? 100 : 0, 50, x ? 7 : 0); });
  GetMeanColor(twoRows.get(), r, g, b);
  EXPECT_EQ(r, 50);
  EXPECT_EQ(g, 50);
  EXPECT_EQ(b, 3);
  TIEBitmap empty;
  GetMeanColor(&empty, r, g, b);  // nothing to divide by: mid grey
  EXPECT_EQ(r, 128);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(b, 128);
  auto wide = MakeBitmap(1, 1, ie16g);
  wide->SetPixel16(0, 0, 0x80FF);  // Trunc(33023 / 65535 x 255) = 128
  GetMeanColor(wide.get(), r, g, b);
  EXPECT_EQ(r, 128);
  auto bits = MakeBitmap(2, 1, ie1g);
  SetBit(bits.get(), 0, 0, true);
  SetBit(bits.get(), 1, 0, false);
  GetMeanColor(bits.get(), r, g, b);
  EXPECT_EQ(b, 127);
}

TEST(PixelStatistics, LuminanceHistogram) {
  std::array<int32_t, 256> histogram;
  auto bits = MakeBitmap(10, 1, ie1g);
  for (int x = 0; x < 10; ++x) SetBit(bits.get(), x, 0, x < 3);
  LuminanceHistogram(bits.get(), histogram);
  EXPECT_EQ(histogram[1], 3);
  EXPECT_EQ(histogram[0], 7);

  auto colour = MakeRGB24(2, 1, [](int32_t x, int32_t) { return x ? MakeRGB(255, 0, 0) : Grey(9); });
  LuminanceHistogram(colour.get(), histogram);
  EXPECT_EQ(histogram[53], 1);
  EXPECT_EQ(histogram[9], 1);

  auto floats = MakeBitmap(3, 1, ie32f);  // samples outside 0 .. 1 stay in the first and last bins
  floats->SetPixelFloat(0, 0, 2.5f);
  floats->SetPixelFloat(1, 0, -1.0f);
  floats->SetPixelFloat(2, 0, 0.5f);
  LuminanceHistogram(floats.get(), histogram);
  EXPECT_EQ(histogram[255], 1);
  EXPECT_EQ(histogram[0], 1);
  EXPECT_EQ(histogram[127], 1);
}
