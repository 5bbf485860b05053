#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/neuquant.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/model/routines/variance_quantizer.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace routines_test;

namespace {

// Restores the library-wide quantizer settings after a test changes them.
class QuantizerSettings : public ::testing::Test {
 protected:
  void TearDown() override {
    QuantizerEngine = -1;
    QuantizerQuality = -1;
  }
};

// A smooth image of many colours: red along x, green along y, blue mixed.
std::unique_ptr<TIEBitmap> Gradient(int32_t width, int32_t height) {
  return MakeRGB24(width, height, [&](int32_t x, int32_t y) {
    return MakeRGB(uint8_t(x * 255 / (width - 1)), uint8_t(y * 255 / (height - 1)), uint8_t((x + y) * 127 / (width + height)));
  });
}

const TRGB kSentinel{1, 2, 3};

}  // namespace

TEST_F(QuantizerSettings, FewColoursGiveTheExactPaletteInFirstSeenOrder) {
  const TRGB colours[5] = {MakeRGB(200, 0, 0), MakeRGB(0, 200, 0), MakeRGB(0, 0, 200), MakeRGB(10, 20, 30),
                           MakeRGB(255, 255, 0)};
  auto bitmap = MakeRGB24(10, 4, [&](int32_t x, int32_t y) { return colours[(x / 2 + y) % 5]; });
  std::vector<TRGB> palette(16, kSentinel);
  TIEQuantizer quantizer(bitmap.get(), palette, 16);
  EXPECT_TRUE(quantizer.IsExact());
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(SameColour(palette[i], colours[i])) << i;
    EXPECT_EQ(quantizer.GetColorIndex(colours[i]), i);
    EXPECT_EQ(quantizer.GetColorIndex(PackRGB(colours[i])), i);
  }
  for (int i = 5; i < 16; ++i) EXPECT_TRUE(SameColour(palette[i], kSentinel)) << i;
  EXPECT_EQ(quantizer.GetColorIndex(MakeRGB(1, 1, 1)), -1);  // a colour the image does not hold
}

TEST_F(QuantizerSettings, GreyImagesGetARamp) {
  auto bitmap = MakeRGB24(8, 8, [](int32_t x, int32_t y) { return Grey(uint8_t(x * 32 + y)); });
  std::vector<TRGB> palette(4);
  TIEQuantizer quantizer(bitmap.get(), palette, 4);
  EXPECT_TRUE(quantizer.IsGray());
  const uint8_t levels[4] = {0, 64, 128, 192};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(SameColour(palette[i], Grey(levels[i]))) << i;
  EXPECT_EQ(quantizer.GetColorIndex(Grey(200)), 3);  // Trunc(200 x 4 / 256)
  EXPECT_EQ(quantizer.GetColorIndex(Grey(63)), 0);
}

TEST_F(QuantizerSettings, PalettedImagesKeepTheirPalette) {
  auto bitmap = MakeBitmap(4, 4, ie8p);
  // A grey palette in falling order: colours must map to their entries, not to a ramp.
  for (int i = 0; i < 256; ++i) bitmap->SetPaletteColor(i, Grey(uint8_t(255 - i)));
  bitmap->SetPaletteColor(7, Grey(250));  // a second entry equal to entry 5
  std::vector<TRGB> palette(8);
  TIEQuantizer quantizer(bitmap.get(), palette, 8);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(SameColour(palette[i], bitmap->GetPaletteColor(i))) << i;
  EXPECT_EQ(quantizer.GetColorIndex(Grey(255)), 0);
  EXPECT_EQ(quantizer.GetColorIndex(Grey(250)), 5);  // the first equal entry
  EXPECT_EQ(quantizer.GetColorIndex(Grey(0)), 255);
}

TEST_F(QuantizerSettings, AutomaticEngineByColourCount) {
  auto bitmap = Gradient(64, 64);
  struct Case {
    int32_t colours;
    int32_t engine;
  } cases[] = {{64, 1}, {127, 1}, {128, 0}, {256, 0}};
  for (const Case& c : cases) {
    std::vector<TRGB> palette(c.colours);
    TIEQuantizer quantizer(bitmap.get(), palette, c.colours);
    EXPECT_TRUE(quantizer.HasEngine());
    EXPECT_EQ(quantizer.Engine(), c.engine) << c.colours;
  }
}

TEST_F(QuantizerSettings, EveryEngineStaysWithinTheColoursAskedFor) {
  auto bitmap = Gradient(96, 80);
  for (int32_t engine : {0, 1}) {
    QuantizerEngine = engine;
    for (int32_t colours : {3, 16, 100, 256, 1024}) {
      std::vector<TRGB> palette(colours);
      TIEQuantizer quantizer(bitmap.get(), palette, colours);
      std::set<int32_t> used;
      for (int32_t y = 0; y < 80; ++y) {
        for (int32_t x = 0; x < 96; ++x) {
          const int32_t index = quantizer.GetColorIndex(bitmap->GetPixel24(x, y));
          ASSERT_GE(index, 0);
          ASSERT_LT(index, colours);
          used.insert(index);
        }
      }
      EXPECT_LE(int32_t(used.size()), colours);
      if (engine == 1) {
        EXPECT_LE(int32_t(used.size()), kVarianceQuantMaxBoxes);
      }
    }
  }
}

TEST_F(QuantizerSettings, PalettesResembleTheImage) {
  // Every pixel must find a palette colour close to it: a network whose winners wander off, or
  // boxes that do not cover the image, would leave large errors.
  auto bitmap = Gradient(128, 128);
  struct Case {
    int32_t engine, colours, quality;
    double maximumMeanError;
  } cases[] = {{0, 256, -1, 6}, {0, 64, 100, 10}, {1, 64, -1, 10}, {1, 16, -1, 20}};
  for (const Case& c : cases) {
    QuantizerEngine = c.engine;
    QuantizerQuality = c.quality;
    std::vector<TRGB> palette(c.colours);
    TIEQuantizer quantizer(bitmap.get(), palette, c.colours);
    double error = 0;
    for (int32_t y = 0; y < 128; ++y)
      for (int32_t x = 0; x < 128; ++x) {
        const TRGB p = bitmap->GetPixel24(x, y), q = palette[quantizer.GetColorIndex(p)];
        error += (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b)) / 3.0;
      }
    EXPECT_LT(error / (128 * 128), c.maximumMeanError) << c.engine << " " << c.colours;
  }
}

TEST_F(QuantizerSettings, SettingsOutsideTheirRangeAreSafe) {
  auto bitmap = Gradient(40, 40);
  for (int32_t quality : {101, 104, 105, 106, 255, 0x7FFFFFF, -7}) {
    QuantizerEngine = 0;
    QuantizerQuality = quality;
    std::vector<TRGB> palette(200);
    TIEQuantizer quantizer(bitmap.get(), palette, 200);
    EXPECT_LT(quantizer.GetColorIndex(MakeRGB(10, 10, 10)), 200) << quality;
  }
  QuantizerEngine = 42;  // unknown engines use the network
  std::vector<TRGB> palette(20);
  TIEQuantizer quantizer(bitmap.get(), palette, 20);
  EXPECT_EQ(quantizer.Engine(), 0);
}

TEST_F(QuantizerSettings, PaletteMustHoldTheColours) {
  auto bitmap = Gradient(8, 8);
  std::vector<TRGB> palette(8);
  EXPECT_THROW(TIEQuantizer(bitmap.get(), palette, 9), vcl::EInvalidArgument);
  TIEQuantizer none(bitmap.get(), palette, 0);  // no colours: nothing built, index 0
  EXPECT_EQ(none.GetColorIndex(MakeRGB(1, 2, 3)), 0);
}

TEST(NeuQuant, SampleFactor) {
  struct Case {
    int64_t pixels;
    int32_t factor;
  } cases[] = {{0, 1}, {1000, 1}, {1999, 1}, {2000, 2}, {150000, 15}, {10000000, 30}};
  for (const Case& c : cases) EXPECT_EQ(NeuQuantSampleFactor(c.pixels), c.factor) << c.pixels;
  struct Quality {
    int32_t quality;
    int32_t factor;
  } qualities[] = {{100, 1}, {0, 30}, {50, 15}, {150, 1}, {-1, 1}};
  for (const Quality& q : qualities) EXPECT_EQ(NeuQuantFactorForQuality(q.quality, 1000), q.factor) << q.quality;
}

TEST(NeuQuant, SmallNetworksMapEveryColour) {
  auto bitmap = Gradient(30, 30);
  for (int32_t colours : {1, 2, 7}) {
    std::vector<TRGB> palette(colours);
    auto state = NeuQuantBuild(bitmap.get(), palette, -1, colours);
    for (int32_t packed : {0x000000, 0xFFFFFF, 0x80FF10}) {
      const int32_t index = NeuQuantMap(*state, packed);
      EXPECT_GE(index, 0);
      EXPECT_LT(index, colours);
    }
  }
}

TEST(VarianceQuantizer, TwoColoursGiveTwoBoxes) {
  auto bitmap = MakeRGB24(6, 5, [](int32_t x, int32_t y) { return (x + y) % 3 ? MakeRGB(200, 16, 40) : MakeRGB(8, 120, 250); });
  std::vector<TRGB> palette(8, kSentinel);
  auto state = VarianceQuantBuild(bitmap.get(), palette, 8);
  ASSERT_EQ(state->boxes.size(), 2u);
  // Box colours are the cells' 5-bit means shifted back: 200 -> 25 -> 200, 16 -> 2 -> 16 ...
  std::set<int32_t> colours = {PackRGB(palette[0]), PackRGB(palette[1])};
  EXPECT_TRUE(colours.count(PackRGB(MakeRGB(200, 16, 40))));
  EXPECT_TRUE(colours.count(PackRGB(MakeRGB(8, 120, 248))));
  EXPECT_TRUE(SameColour(palette[2], kSentinel));
  EXPECT_NE(VarianceQuantLookup(*state, 0xC81028), VarianceQuantLookup(*state, 0x0878FA));
}

TEST(VarianceQuantizer, ManyColoursAskedForStopAtTheBoxLimit) {
  auto bitmap = Gradient(128, 128);
  std::vector<TRGB> palette(1024, kSentinel);
  auto state = VarianceQuantBuild(bitmap.get(), palette, 1024);
  EXPECT_LE(int32_t(state->boxes.size()), kVarianceQuantMaxBoxes);
  EXPECT_GT(int32_t(state->boxes.size()), 128);
  EXPECT_TRUE(SameColour(palette[kVarianceQuantMaxBoxes], kSentinel));
}

TEST(NeuQuant, LearnsTheColoursOfTheImage) {
  // Stripes of a few known colours in equal shares: whatever the network size, each colour must
  // come out in the palette (within a small tolerance) and map to an entry close to it.
  const TRGB colours[] = {MakeRGB(220, 30, 40), MakeRGB(20, 180, 60), MakeRGB(30, 60, 210), MakeRGB(240, 240, 230),
                          MakeRGB(10, 10, 10)};
  constexpr int32_t kCount = 5;
  auto bitmap = MakeRGB24(100, 60, [&](int32_t x, int32_t y) { return colours[(x / 4 + y) % kCount]; });
  auto distance = [](const TRGB& a, const TRGB& b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); };
  for (int32_t size : {5, 8, 16, 64, 256}) {
    for (int32_t quality : {-1, 100, 50}) {
      std::vector<TRGB> palette(size, kSentinel);
      auto state = NeuQuantBuild(bitmap.get(), palette, quality, size);
      for (const TRGB& colour : colours) {
        int32_t nearest = 1 << 30;
        for (const TRGB& entry : palette) nearest = std::min(nearest, distance(entry, colour));
        EXPECT_LE(nearest, 12) << "size " << size << ", quality " << quality << ", colour " << PackRGB(colour);
        const int32_t index = NeuQuantMap(*state, PackRGB(colour));
        ASSERT_GE(index, 0);
        ASSERT_LT(index, size);
        EXPECT_LE(distance(palette[index], colour), 12) << "size " << size << ", quality " << quality;
      }
    }
  }
}
