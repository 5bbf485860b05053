// Pixel-format conversion of the library bitmap: the values of every direct pair, the detour
// through 24 bits, ordered dithering, the display range, and conversion in each location.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/model/cmyk_conversion.h"
#include "imaging/base/defs.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/ie_bitmap_checks.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

std::vector<uint8_t> FloatBytes(float value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A bitmap of `pixels` pixels on one row whose first bytes are `bytes`.
std::unique_ptr<TIEBitmap> RowOf(TIELocation location, TIEPixelFormat format, int32_t pixels,
                                 const std::vector<uint8_t>& bytes) {
  auto bitmap = MakeIn(location, pixels, 1, format);
  std::memset(bitmap->GetScanline(0), 0, size_t(bitmap->GetRowLen()));
  SetRowBytes(*bitmap, 0, bytes);
  return bitmap;
}

struct ConversionCase {
  const char* name;
  TIEPixelFormat from;
  int32_t pixels;
  std::vector<uint8_t> source;
  TIEPixelFormat to;
  std::vector<uint8_t> expected;
};

std::vector<ConversionCase> ConversionCases() {
  const std::vector<uint8_t> red24 = {0, 0, 255};
  const float redGrey = static_cast<float>((255 * 0.2126L) / 255);
  const float rgb48Grey = static_cast<float>((0xFF00 * 0.2126L / 256 + 0x8000 * 0.7152L / 256 + 0x0100 * 0.0722L / 256) / 255);
  const TCIELab redLab = RGBToCIELab(MakeRGB(255, 0, 0));
  const TRGB fromLab = CIELabToRGB(redLab);
  const TCIELab black = RGBToCIELab(MakeRGB(0, 0, 0)), white = RGBToCIELab(MakeRGB(255, 255, 255));
  return {
      // 24-bit red (blue, green, red bytes 0, 0, 255).
      {"24 to 8g", ie24RGB, 1, red24, ie8g, {53}},
      {"24 to 16g", ie24RGB, 1, red24, ie16g, {0x45, 0x36}},  // 13893
      {"24 to 48", ie24RGB, 1, red24, ieRGB48, {0xFF, 0xFF, 0, 0, 0, 0}},
      {"24 to 32RGB", ie24RGB, 1, red24, ie32RGB, {0, 0, 255, 255}},
      {"24 to 32f", ie24RGB, 1, red24, ie32f, FloatBytes(redGrey)},
      {"24 to CMYK", ie24RGB, 1, red24, ieCMYK, {255, 0, 0, 255}},
      {"24 to CIELab", ie24RGB, 1, red24, ieCIELab, {redLab.l, uint8_t(redLab.a), uint8_t(redLab.b)}},
      // Grey 128.
      {"8g to 16g", ie8g, 1, {128}, ie16g, {0x80, 0x80}},
      {"8g to 32f", ie8g, 1, {128}, ie32f, FloatBytes(static_cast<float>(128 / 255.0))},
      {"8g to 24", ie8g, 1, {128}, ie24RGB, {128, 128, 128}},
      {"8g to 32RGB", ie8g, 1, {128}, ie32RGB, {128, 128, 128, 255}},
      {"8g to 48", ie8g, 1, {128}, ieRGB48, {0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},
      {"8g to 8p", ie8g, 1, {128}, ie8p, {128}},
      // Grey 0x1234 and 65535.
      {"16g max to 8g", ie16g, 1, {0xFF, 0xFF}, ie8g, {255}},
      {"16g to 8g", ie16g, 1, {0x34, 0x12}, ie8g, {0x12}},
      {"16g to 8p", ie16g, 1, {0x34, 0x12}, ie8p, {0x12}},
      {"16g to 24", ie16g, 1, {0x34, 0x12}, ie24RGB, {0x12, 0x12, 0x12}},
      {"16g to 32RGB", ie16g, 1, {0x34, 0x12}, ie32RGB, {0x12, 0x12, 0x12, 255}},
      {"16g to 48", ie16g, 1, {0x34, 0x12}, ieRGB48, {0x34, 0x12, 0x34, 0x12, 0x34, 0x12}},
      {"16g to 32f", ie16g, 1, {0x34, 0x12}, ie32f, FloatBytes(static_cast<float>(0x1234 / 65535.0))},
      // Float 0.5; out-of-range samples are clamped rather than wrapped.
      {"32f to 8g", ie32f, 1, FloatBytes(0.5f), ie8g, {127}},
      {"32f to 16g", ie32f, 1, FloatBytes(0.5f), ie16g, {0xFF, 0x7F}},
      {"32f to 24", ie32f, 1, FloatBytes(0.5f), ie24RGB, {127, 127, 127}},
      {"32f to 32RGB", ie32f, 1, FloatBytes(0.5f), ie32RGB, {127, 127, 127, 255}},
      {"32f to 48", ie32f, 1, FloatBytes(0.5f), ieRGB48, {0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F}},
      {"32f to 8p", ie32f, 1, FloatBytes(0.5f), ie8p, {127}},
      {"32f above 1", ie32f, 1, FloatBytes(1.2f), ie8g, {255}},
      {"32f below 0", ie32f, 1, FloatBytes(-0.5f), ie8g, {0}},
      {"32f not a number", ie32f, 1, FloatBytes(std::numeric_limits<float>::quiet_NaN()), ie16g, {0, 0}},
      // 1-bit: white then black.
      {"1g to 8g", ie1g, 2, {0x80}, ie8g, {255, 0}},
      {"1g to 8p", ie1g, 2, {0x80}, ie8p, {1, 0}},
      {"1g to 16g", ie1g, 2, {0x80}, ie16g, {0xFF, 0xFF, 0, 0}},
      {"1g to 24", ie1g, 2, {0x80}, ie24RGB, {255, 255, 255, 0, 0, 0}},
      {"1g to 32RGB", ie1g, 2, {0x80}, ie32RGB, {255, 255, 255, 255, 0, 0, 0, 255}},
      {"1g to 48", ie1g, 2, {0x80}, ieRGB48, {255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}},
      {"1g to 32f", ie1g, 2, {0x80}, ie32f, Concat(FloatBytes(1.0f), FloatBytes(0.0f))},
      {"1g to CIELab", ie1g, 2, {0x80}, ieCIELab,
       {white.l, uint8_t(white.a), uint8_t(white.b), black.l, uint8_t(black.a), uint8_t(black.b)}},
      // 48-bit words red 0xFF00, green 0x8000, blue 0x0100.
      {"48 to 24", ieRGB48, 1, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01}, ie24RGB, {0x01, 0x80, 0xFF}},
      {"48 to 32RGB", ieRGB48, 1, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01}, ie32RGB, {0x01, 0x80, 0xFF, 255}},
      {"48 to 8g", ieRGB48, 1, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01}, ie8g, {144}},
      {"48 to 16g", ieRGB48, 1, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01}, ie16g, {0x66, 0x91}},  // 37222
      {"48 to 32f", ieRGB48, 1, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01}, ie32f, FloatBytes(rgb48Grey)},
      // CMYK bytes c, m, y, k = 0, 255, 255, 255: cyan.
      {"CMYK to 24", ieCMYK, 1, {0, 255, 255, 255}, ie24RGB, {255, 255, 0}},
      {"CMYK to 32RGB", ieCMYK, 1, {0, 255, 255, 255}, ie32RGB, {255, 255, 0, 255}},
      {"CMYK to 8g", ieCMYK, 1, {0, 255, 255, 255}, ie8g, {201}},  // via 24 bits
      {"CIELab to 24", ieCIELab, 1, {redLab.l, uint8_t(redLab.a), uint8_t(redLab.b)}, ie24RGB,
       {fromLab.b, fromLab.g, fromLab.r}},
      {"32RGB to 24", ie32RGB, 1, {1, 2, 3, 9}, ie24RGB, {1, 2, 3}},
      {"32RGB to 8g", ie32RGB, 1, {1, 2, 3, 9}, ie8g, {2}},
  };
}

}  // namespace

TEST(IEBitmapConversion, EveryPairGivesItsValueInMemoryAndFile) {
  for (TIELocation location : {ieMemory, ieFile}) {
    for (const ConversionCase& c : ConversionCases()) {
      auto bitmap = RowOf(location, c.from, c.pixels, c.source);
      bitmap->SetConvertTo1BitMethod(0);
      bitmap->SetPixelFormat(c.to);
      ASSERT_EQ(c.to, bitmap->GetPixelFormat()) << c.name;
      EXPECT_EQ(c.pixels, bitmap->GetWidth()) << c.name;
      EXPECT_EQ(c.expected, RowBytes(*bitmap, 0, int32_t(c.expected.size())))
          << c.name << " in " << LocationName(location);
    }
  }
}

TEST(IEBitmapConversion, PalettedSourceUsesItsPaletteEntry) {
  struct Case {
    TIEPixelFormat to;
    std::vector<uint8_t> expected;
  } cases[] = {
      {ie8g, {53}},
      {ie16g, {0x45, 0x36}},
      {ie24RGB, {0, 0, 255}},
      {ie32RGB, {0, 0, 255, 255}},
      {ieRGB48, {0xFF, 0xFF, 0, 0, 0, 0}},
      {ie32f, FloatBytes(static_cast<float>((255 * 0.2126L) / 255))},
  };
  for (const Case& c : cases) {
    auto bitmap = RowOf(ieMemory, ie8p, 1, {5});
    bitmap->SetPaletteColor(5, MakeRGB(255, 0, 0));
    bitmap->SetPixelFormat(c.to);
    EXPECT_EQ(c.expected, RowBytes(*bitmap, 0, int32_t(c.expected.size()))) << c.to;
  }
}

TEST(IEBitmapConversion, PalettesOfPalettedTargets) {
  auto fromBits = RowOf(ieMemory, ie1g, 2, {0x80});
  fromBits->SetPixelFormat(ie8p);
  EXPECT_EQ(0x000000u, Packed(fromBits->GetPaletteColor(0)));
  EXPECT_EQ(0xFFFFFFu, Packed(fromBits->GetPaletteColor(1)));
  auto fromGrey = RowOf(ieMemory, ie8g, 1, {7});
  fromGrey->SetPixelFormat(ie8p);
  EXPECT_EQ(256, fromGrey->GetPaletteLen());
  for (int i : {0, 7, 128, 255}) EXPECT_EQ(uint32_t(i * 0x010101), Packed(fromGrey->GetPaletteColor(i)));
}

TEST(IEBitmapConversion, Grey16ToRGBStretchesTheDisplayRange) {
  struct Case {
    uint16_t level;
    uint8_t expected;
  } cases[] = {{1500, 127}, {500, 0}, {1000, 0}, {3000, 255}, {2000, 255}};
  for (const Case& c : cases) {
    auto bitmap = RowOf(ieMemory, ie16g, 1, {uint8_t(c.level), uint8_t(c.level >> 8)});
    bitmap->SetDisplayRange(1000, 2000);
    bitmap->SetPixelFormat(ie24RGB);
    EXPECT_EQ(std::vector<uint8_t>(3, c.expected), RowBytes(*bitmap, 0, 3)) << c.level;
  }
  // Fractional bounds cannot push a level past 255.
  auto bitmap = RowOf(ieMemory, ie16g, 1, {0xFF, 0xFF});
  bitmap->SetDisplayRange(0.9, 1.0);
  bitmap->SetPixelFormat(ie24RGB);
  EXPECT_EQ(std::vector<uint8_t>(3, 255), RowBytes(*bitmap, 0, 3));
}

TEST(IEBitmapConversion, OrderedDitherSetsTheMatrixShareOfEachTile) {
  struct Case {
    TIEPixelFormat from;
    std::vector<uint8_t> pixel;
    int expectedSet;
  } cases[] = {
      {ie8g, {128}, 32},
      {ie8g, {0}, 0},
      {ie8g, {255}, 63},
      {ie16g, {0x00, 0x80}, 32},
      {ie24RGB, {128, 128, 128}, 32},
      {ie32f, FloatBytes(0.5f), 31},  // trunc(0.5 x 255) / 4 = 31
      {ie32f, FloatBytes(1.0f), 63},
      {ieRGB48, {0, 0x80, 0, 0x80, 0, 0x80}, 32},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeIn(ieMemory, 8, 8, c.from);
    int32_t bytes = IEBytesPerPixel(c.from);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x)
        std::memcpy(static_cast<uint8_t*>(bitmap->GetScanline(y)) + x * bytes, c.pixel.data(), size_t(bytes));
    bitmap->SetConvertTo1BitMethod(0);
    bitmap->SetPixelFormat(ie1g);
    int set = 0;
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) set += bitmap->GetPixelRGB(x, y).r == 255;
    EXPECT_EQ(c.expectedSet, set) << c.from;
    if (c.expectedSet == 63) { EXPECT_EQ(0, bitmap->GetPixelRGB(7, 0).r); }  // the matrix entry 63 stays black
  }
}

TEST(IEBitmapConversion, TheDetourThroughRGBLeavesTheSourceAlone) {
  for (TIEPixelFormat target : {ieCMYK, ieCIELab}) {
    auto source = RowOf(ieMemory, ie16g, 2, {0x34, 0x12, 0xFF, 0xFF});
    TIEBitmap destination(2, 1, target);
    destination.CopyAndConvertFormat(source.get());
    EXPECT_EQ(ie16g, source->GetPixelFormat());
    EXPECT_EQ((std::vector<uint8_t>{0x34, 0x12, 0xFF, 0xFF}), RowBytes(*source, 0, 4));
    TRGB back = destination.GetPixelRGB(1, 0);
    EXPECT_GE(back.r, 250) << target;  // the white pixel came through
  }
}

TEST(IEBitmapConversion, SameFormatDoesNothing) {
  auto bitmap = RowOf(ieMemory, ie8g, 2, {1, 2});
  void* row = bitmap->GetScanline(0);
  bitmap->SetPixelFormat(ie8g);
  EXPECT_EQ(row, bitmap->GetScanline(0));
  auto other = RowOf(ieMemory, ie8g, 2, {9, 9});
  bitmap->CopyAndConvertFormat(other.get());
  EXPECT_EQ((std::vector<uint8_t>{1, 2}), RowBytes(*bitmap, 0, 2));
}

TEST(IEBitmapConversion, CopyAndConvertFormatIgnoresMismatchesAndEmptySources) {
  auto destination = RowOf(ieMemory, ie24RGB, 2, {1, 2, 3, 4, 5, 6});
  TIEBitmap wider(3, 1, ie8g), empty;
  destination->CopyAndConvertFormat(&wider);
  destination->CopyAndConvertFormat(&empty);
  destination->CopyAndConvertFormat(nullptr);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6}), RowBytes(*destination, 0, 6));
}

TEST(IEBitmapConversion, TheAlphaChannelComesAlong) {
  auto bitmap = RowOf(ieFile, ie24RGB, 2, {1, 2, 3, 4, 5, 6});
  bitmap->SetAlphaAt(1, 0, 99);
  bitmap->SetPixelFormat(ie8g);
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  EXPECT_EQ(99, bitmap->GetAlphaAt(1, 0));
  EXPECT_EQ(255, bitmap->GetAlphaAt(0, 0));
}

TEST(IEBitmapConversion, ConvertingAnEmptyImageOnlyRecordsTheFormat) {
  TIEBitmap bitmap;
  bitmap.SetPixelFormat(ie24RGB);
  EXPECT_TRUE(bitmap.IsEmpty());
}

// ---- in the platform-bitmap location ----

TEST(IEBitmapConversion, PlatformBitmapKeepsFormatsItCannotHold) {
  auto bitmap = MakeIn(ieTBitmap, 3, 2, ie24RGB);
  FillPattern(*bitmap);
  for (TIEPixelFormat format : {ieCMYK, ie32f, ieRGB48, ieCIELab}) {
    bitmap->SetPixelFormat(format);
    EXPECT_EQ(ie24RGB, bitmap->GetPixelFormat()) << format;
    EXPECT_EQ(12, bitmap->GetRowLen());
    EXPECT_TRUE(HasPattern(*bitmap));
  }
}

TEST(IEBitmapConversion, PlatformBitmapIsReformattedWithItsPixels) {
  struct Case {
    TIEPixelFormat to;
    vcl::TPixelFormat platform;
    int32_t rowLen;
  } cases[] = {
      {ie24RGB, vcl::pf24bit, 8}, {ie8g, vcl::pf8bit, 4}, {ie16g, vcl::pf8bit, 4}, {ie32RGB, vcl::pf32bit, 8}};
  for (const Case& c : cases) {
    vcl::TBitmap platform;
    platform.SetPixelFormat(vcl::pf32bit);
    platform.SetSize(2, 2);
    TIEBitmap bitmap;
    bitmap.AttachVclBitmap(&platform, true);
    ASSERT_EQ(ie32RGB, bitmap.GetPixelFormat());
    bitmap.Fill(vcl::TColor(0x102030));  // red 0x30, green 0x20, blue 0x10
    bitmap.SetPixelFormat(c.to);
    EXPECT_EQ(c.platform, platform.PixelFormat()) << c.to;
    EXPECT_EQ(c.rowLen, bitmap.GetRowLen()) << c.to;
    TRGB pixel = bitmap.GetPixelRGB(1, 1);
    if (c.platform == vcl::pf8bit)
      EXPECT_EQ(GrayLevel(0x30, 0x20, 0x10), pixel.r);
    else
      EXPECT_EQ(0x302010u, Packed(pixel)) << c.to;
  }
}

TEST(IEBitmapConversion, EmptyPlatformBitmapTakesTheFormat) {
  auto bitmap = EmptyIn(ieTBitmap);
  vcl::TBitmap* platform = bitmap->GetVclBitmap();
  bitmap->SetPixelFormat(ie1g);
  EXPECT_EQ(vcl::pf1bit, platform->PixelFormat());
  bitmap->SetPixelFormat(ie24RGB);
  EXPECT_EQ(vcl::pf24bit, platform->PixelFormat());
}

TEST(IEBitmapConversion, CMYKConvertersCanBeReplaced) {
  IESetCMYKConverters(
      [](int32_t) { return int32_t(0x01020304); }, [](int32_t, TRGB& pixel) { pixel = MakeRGB(7, 8, 9); });
  auto bitmap = RowOf(ieMemory, ie24RGB, 1, {0, 0, 0});
  bitmap->SetPixelFormat(ieCMYK);
  EXPECT_EQ(0x01020304, bitmap->GetPixel32(0, 0));
  EXPECT_EQ(0x070809u, Packed(bitmap->GetPixelRGB(0, 0)));
  IESetCMYKConverters(nullptr, nullptr);
  TRGB pixel;
  IECMYKToRGB(int32_t(0xFFFFFFFF), pixel);
  EXPECT_EQ(0xFFFFFFu, Packed(pixel));
  EXPECT_EQ(int32_t(0x01000000), IERGBToCMYK(0));  // black: k byte 1, no c, m, y
}

TEST(IEBitmapConversion, ThresholdSplitsAtTheMeanColour) {
  for (TIEPixelFormat from : {ie8g, ie24RGB, ieRGB48}) {
    auto bitmap = MakeIn(ieMemory, 4, 1, ie8g);
    SetRowBytes(*bitmap, 0, {10, 20, 200, 250});  // mean level 120
    bitmap->SetPixelFormat(from);
    bitmap->SetConvertTo1BitMethod(1);
    bitmap->SetPixelFormat(ie1g);
    ASSERT_EQ(ie1g, bitmap->GetPixelFormat()) << from;
    EXPECT_EQ(0b00110000, RowBytes(*bitmap, 0, 1)[0] & 0xF0) << from;  // four pixels
  }
}

TEST(IEBitmapConversion, QuantizingKeepsAFewColoursExactly) {
  for (TIELocation location : {ieMemory, ieFile}) {
    auto bitmap = RowOf(location, ie24RGB, 3, {1, 2, 3, 200, 100, 50, 1, 2, 3});
    bitmap->SetPixelFormat(ie8p);
    ASSERT_EQ(ie8p, bitmap->GetPixelFormat());
    EXPECT_EQ(256, bitmap->GetPaletteLen());
    EXPECT_EQ(0x030201u, Packed(bitmap->GetPixelRGB(0, 0))) << LocationName(location);
    EXPECT_EQ(0x3264C8u, Packed(bitmap->GetPixelRGB(1, 0)));
    EXPECT_EQ(bitmap->GetPixel8(0, 0), bitmap->GetPixel8(2, 0));
  }
}

TEST(IEBitmapConversion, PlatformBitmapBetweenOneAndTwentyFourBits) {
  auto bitmap = MakeIn(ieTBitmap, 16, 2, ie24RGB);
  bitmap->Fill(vcl::clWhite);
  bitmap->FillRect(0, 0, 7, 1, vcl::clBlack);
  bitmap->SetConvertTo1BitMethod(1);
  bitmap->SetPixelFormat(ie1g);
  EXPECT_EQ(ie1g, bitmap->GetPixelFormat());
  EXPECT_EQ(vcl::pf1bit, bitmap->GetVclBitmap()->PixelFormat());
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0xFF}), RowBytes(*bitmap, 1, 2));
  bitmap->SetPixelFormat(ie24RGB);
  EXPECT_EQ(vcl::pf24bit, bitmap->GetVclBitmap()->PixelFormat());
  EXPECT_EQ(0u, Packed(bitmap->GetPixelRGB(7, 1)));
  EXPECT_EQ(0xFFFFFFu, Packed(bitmap->GetPixelRGB(8, 1)));
  // Dithered, white stays white.
  bitmap->SetConvertTo1BitMethod(0);
  bitmap->SetPixelFormat(ie1g);
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0xFF}), RowBytes(*bitmap, 0, 2));
}

TEST(IEBitmapConversion, QuantizingMakesAtMostPaletteUsedColours) {
  // Four colours in two far-apart pairs reduced to the two that PaletteUsed asks for (not
  // grey, which would take the grey ramp).
  auto bitmap = RowOf(ieMemory, ie24RGB, 4, {0, 0, 40, 0, 0, 50, 250, 0, 0, 240, 0, 0});
  bitmap->SetPaletteUsed(2);
  bitmap->SetPixelFormat(ie8p);
  ASSERT_EQ(ie8p, bitmap->GetPixelFormat());
  EXPECT_EQ(bitmap->GetPixel8(0, 0), bitmap->GetPixel8(1, 0));
  EXPECT_EQ(bitmap->GetPixel8(2, 0), bitmap->GetPixel8(3, 0));
  EXPECT_NE(bitmap->GetPixel8(0, 0), bitmap->GetPixel8(2, 0));
  EXPECT_LT(bitmap->GetPixelRGB(0, 0).b, 128);
  EXPECT_GT(bitmap->GetPixelRGB(3, 0).b, 128);
}
