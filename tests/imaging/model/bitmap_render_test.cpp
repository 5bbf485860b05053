// Rendering library bitmaps into 24-bit destinations: the pixel operations, the source formats
// and their display adjustments, scaling, clipping, blending, the caches, the resampled path
// and the scaled copy with its alpha channel.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/bitmap_render.h"
#include "imaging/model/blend_operations.h"
#include "imaging/model/cmyk_conversion.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

TRGB Grey(uint8_t v) { return TRGB{v, v, v}; }

std::unique_ptr<TIEBitmap> Filled(int32_t width, int32_t height, TRGB colour,
                                  TIELocation location = ieMemory) {
  auto bitmap = MakeIn(location, width, height, ie24RGB);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) bitmap->SetPixel24(x, y, colour);
  return bitmap;
}

// A 24-bit image whose pixel (x, y) is (red 10 x + 1, green 10 y + 2, blue x + y).
std::unique_ptr<TIEBitmap> BitmapNumbered(int32_t width, int32_t height) {
  auto bitmap = MakeIn(ieMemory, width, height, ie24RGB);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      bitmap->SetPixel24(x, y, MakeRGB(uint8_t(10 * x + 1), uint8_t(10 * y + 2), uint8_t(x + y)));
  return bitmap;
}

uint32_t At(TIEBitmap& bitmap, int32_t x, int32_t y) { return Packed(bitmap.GetPixel24(x, y)); }

// Renders a 1 x 1 source over a 1 x 1 destination with the operation and returns the result.
TRGB Combine(uint8_t operation, TRGB source, TRGB dest, int32_t transparency = 255) {
  auto s = Filled(1, 1, source);
  auto d = Filled(1, 1, dest);
  RenderToTIEBitmap(s.get(), d.get(), 0, 0, 1, 1, 0, 0, 1, 1, transparency, rfNone, operation);
  return d->GetPixel24(0, 0);
}

}  // namespace

// ---- pixel operations ----

TEST(BitmapRender, ChannelOperationsGiveTheirValues) {
  struct Case {
    uint8_t operation;
    uint8_t s, d, expected;
  } cases[] = {
      {ieopCopy, 200, 100, 200},          {ieopAdd, 200, 100, 255},
      {ieopAdd, 20, 100, 120},            {ieopDifference, 200, 100, 100},
      {ieopDivide, 30, 100, 3},           {ieopDivide, 0, 100, 100},
      {ieopMultiply, 200, 100, 78},       {ieopOr, 200, 100, 236},
      {ieopAnd, 200, 100, 64},            {ieopXor, 200, 100, 172},
      {ieopMax, 200, 100, 200},           {ieopMin, 200, 100, 100},
      {ieopAverage, 200, 101, 150},       {ieopScreen, 200, 100, 221},
      {ieopNegation, 200, 100, 210},      {ieopExclusion, 200, 100, 144},
      {ieopOverlay, 200, 100, 156},       {ieopOverlay, 200, 150, 210},
      {ieopHardLight, 200, 100, 189},     {ieopHardLight, 100, 200, 156},
      {ieopSoftLight, 200, 100, 133},     {ieopSoftLight, 60, 100, 67},
      {ieopSoftLight2, 200, 100, 134},    {ieopColorDodge, 200, 100, 255},
      {ieopColorDodge, 255, 0, 255},      {ieopColorDodge, 100, 50, 82},
      {ieopColorBurn, 200, 100, 57},      {ieopColorBurn, 0, 255, 0},
      {ieopInverseColorDodge, 200, 100, 255}, {ieopInverseColorDodge, 0, 255, 255},
      {ieopInverseColorBurn, 200, 100, 115},  {ieopInverseColorBurn, 255, 0, 0},
      {ieopSoftDodge, 200, 100, 185},     {ieopSoftDodge, 100, 50, 41},
      {ieopSoftDodge, 255, 0, 255},       {ieopSoftBurn, 200, 100, 156},
      {ieopSoftBurn, 100, 50, 62},        {ieopSoftBurn, 0, 255, 255},
      {ieopReflect, 200, 100, 181},       {ieopReflect, 255, 0, 255},
      {ieopGlow, 200, 100, 255},          {ieopGlow, 0, 255, 255},
      {ieopFreeze, 200, 100, 135},        {ieopFreeze, 0, 255, 0},
      {ieopHeat, 200, 100, 225},          {ieopHeat, 255, 0, 0},
      {ieopLinearBurn, 200, 100, 44},     {ieopLinearBurn, 100, 100, 0},
      {ieopCosineSum, 200, 100, 157},     {ieopCosineSum, 255, 255, 255},
      {ieopStamp, 200, 100, 244},         {ieopStamp, 50, 100, 0},
  };
  for (const Case& c : cases) {
    TRGB result = Combine(c.operation, Grey(c.s), Grey(c.d));
    EXPECT_EQ(Packed(result), Packed(Grey(c.expected)))
        << "operation " << int(c.operation) << " s " << int(c.s) << " d " << int(c.d);
  }
}

TEST(BitmapRender, PixelOperationsLookAtWholePixels) {
  const TRGB s = MakeRGB(200, 100, 50), d = MakeRGB(30, 60, 90);
  struct Case {
    uint8_t operation;
    TRGB expected;
  } cases[] = {
      {ieopRedOnly, MakeRGB(200, 60, 90)},
      {ieopGreenOnly, MakeRGB(30, 100, 90)},
      {ieopBlueOnly, MakeRGB(30, 60, 50)},
      {ieopHue, MakeRGB(90, 50, 30)},
      {ieopSaturation, MakeRGB(24, 60, 96)},
      {ieopColor, MakeRGB(96, 48, 24)},
      {ieopHueLightness, MakeRGB(187, 104, 63)},
      {ieopGrayAnaglyph, MakeRGB(56, 117, 117)},
      {ieopColorAnaglyph, MakeRGB(30, 100, 50)},
      {ieopOptimizedAnaglyph, MakeRGB(42, 143, 33)},
      {ieopEvenRows, s},
      {ieopOddRows, d},
      {43, d},
      {255, d},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Packed(Combine(c.operation, s, d)), Packed(c.expected)) << "operation " << int(c.operation);
}

TEST(BitmapRender, EvenRowsChangesRowsZeroAndTwoOfFour) {
  auto source = Filled(1, 4, Grey(200));
  auto dest = Filled(3, 4, Grey(10));
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 3, 4, 0, 0, 1, 4, 255, rfNone, ieopEvenRows);
  for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(At(*dest, 1, y), Packed(Grey(y % 2 == 0 ? 200 : 10))) << y;
}

TEST(BitmapRender, OperationThenTransparencyBlend) {
  // Add gives 255, then blended at 128 over 100: 100 + (128 x 155) >> 8.
  EXPECT_EQ(Packed(Combine(ieopAdd, Grey(200), Grey(100), 128)), Packed(Grey(177)));
  // White over black at 128 gives 127.
  EXPECT_EQ(Packed(Combine(ieopCopy, Grey(255), Grey(0), 128)), Packed(Grey(127)));
  EXPECT_EQ(Packed(Combine(ieopCopy, Grey(255), Grey(0), 0)), Packed(Grey(0)));
}

TEST(BitmapRender, OverlayOfALightBaseFollowsItsFormula) {
  // Base channels of 128 and above: 255 - ((255 - base) x (255 - source)) >> 7, for every pair,
  // per channel and through a whole rendered row.
  for (int32_t s = 0; s < 256; ++s)
    for (int32_t d = 128; d < 256; ++d)
      ASSERT_EQ(BlendChannel(ieopOverlay, s, d), 255 - (((255 - d) * (255 - s)) >> 7)) << s << " over " << d;
  auto source = MakeIn(ieMemory, 256, 1, ie24RGB);
  auto dest = MakeIn(ieMemory, 256, 1, ie24RGB);
  for (int32_t x = 0; x < 256; ++x) {
    source->SetPixel24(x, 0, MakeRGB(uint8_t(x), uint8_t(255 - x), uint8_t(x / 2)));
    dest->SetPixel24(x, 0, MakeRGB(uint8_t(128 + x / 2), uint8_t(255 - x / 2), 200));
  }
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 256, 1, 0, 0, 256, 1, 255, rfNone, ieopOverlay);
  auto overlay = [](int32_t s, int32_t d) { return uint8_t(255 - (((255 - d) * (255 - s)) >> 7)); };
  for (int32_t x = 0; x < 256; ++x)
    ASSERT_EQ(At(*dest, x, 0), Packed(MakeRGB(overlay(x, 128 + x / 2), overlay(255 - x, 255 - x / 2), overlay(x / 2, 200))))
        << x;
}

TEST(BitmapRender, EverySourceFormatBlendsByTheOperationAndItsAlpha) {
  // Two pixels of each format over a base with channels on both sides of 128. The plain colour
  // of each pixel is what a copy draws; the operations combine that colour with the base, and
  // the transparency and the alpha channel (90 on the first pixel) blend the result.
  struct Case {
    const char* name;
    TIEPixelFormat format;
    std::vector<uint8_t> row;  // the bytes of pixels 0 and 1
  } cases[] = {
      {"1-bit", ie1g, {0x80}},
      {"grey", ie8g, {77, 200}},
      {"16-bit grey", ie16g, {0x34, 0x12, 0xFF, 0xC0}},
      {"palette", ie8p, {3, 7}},
      {"CMYK", ieCMYK, {128, 64, 255, 200, 0, 30, 60, 10}},
      {"Lab", ieCIELab, {150, 20, uint8_t(-30), 60, uint8_t(-40), 50}},
      {"RGB48", ieRGB48, {0x34, 0x12, 0xCD, 0xAB, 0x00, 0xFF, 0x00, 0x10, 0x00, 0x80, 0xFF, 0x30}},
      {"32-bit", ie32RGB, {1, 2, 3, 4, 200, 100, 50, 0}},
      {"float grey", ie32f, {}},
      {"24-bit", ie24RGB, {10, 150, 250, 240, 100, 20}},
  };
  const TRGB base = MakeRGB(200, 130, 60);
  const uint8_t operations[] = {ieopMultiply, ieopOverlay, ieopScreen, ieopDifference, ieopHardLight, ieopHue};
  for (const Case& c : cases) {
    auto source = MakeIn(ieMemory, 2, 1, c.format);
    if (c.format == ie32f) {
      source->SetPixelFloat(0, 0, 0.3f);
      source->SetPixelFloat(1, 0, 0.9f);
    } else {
      std::memcpy(source->GetScanline(0), c.row.data(), c.row.size());
    }
    if (c.format == ie8p) {
      source->SetPaletteColor(3, MakeRGB(250, 20, 140));
      source->SetPaletteColor(7, MakeRGB(10, 220, 90));
    }
    auto plain = Filled(2, 1, base);
    RenderToTIEBitmap(source.get(), plain.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, ieopCopy);
    const TRGB colours[2] = {plain->GetPixel24(0, 0), plain->GetPixel24(1, 0)};
    ASSERT_NE(Packed(colours[0]), Packed(colours[1])) << c.name;

    for (uint8_t operation : operations) {
      TRGB combined[2];
      const TRGB bases[2] = {base, base};
      BlendPixels(operation, colours, bases, combined, 2, 0);

      auto opaque = Filled(2, 1, base);
      RenderToTIEBitmap(source.get(), opaque.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, operation);
      auto halfway = Filled(2, 1, base);
      RenderToTIEBitmap(source.get(), halfway.get(), 0, 0, 2, 1, 0, 0, 2, 1, 100, rfNone, operation);
      auto blend = [&](TRGB value, int32_t t) {
        auto channel = [t](int32_t v, int32_t d) { return uint8_t(d + ((t * (v - d)) >> 8)); };
        return TRGB{channel(value.b, base.b), channel(value.g, base.g), channel(value.r, base.r)};
      };
      for (int32_t x = 0; x < 2; ++x) {
        EXPECT_EQ(At(*opaque, x, 0), Packed(combined[x])) << c.name << ", operation " << int(operation) << ", " << x;
        EXPECT_EQ(At(*halfway, x, 0), Packed(blend(combined[x], 100)))
            << c.name << ", operation " << int(operation) << " at 100, " << x;
      }

      auto withAlpha = MakeIn(ieMemory, 2, 1, c.format);
      withAlpha->Assign(source.get());
      withAlpha->SetAlphaAt(0, 0, 90);
      withAlpha->SetAlphaAt(1, 0, 255);
      withAlpha->GetAlphaChannel()->SetFull(false);
      auto alphaBlended = Filled(2, 1, base);
      RenderToTIEBitmap(withAlpha.get(), alphaBlended.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, operation);
      EXPECT_EQ(At(*alphaBlended, 0, 0), Packed(blend(combined[0], 90))) << c.name << ", operation " << int(operation);
      EXPECT_EQ(At(*alphaBlended, 1, 0), Packed(combined[1])) << c.name << ", operation " << int(operation);
    }
  }
}

// ---- formats and adjustments ----

TEST(BitmapRender, OneToOneCopyIsExactInEveryDestinationLocation) {
  for (TIELocation location : {ieMemory, ieFile, ieTBitmap}) {
    auto source = BitmapNumbered(10, 10);
    auto dest = Filled(12, 12, Grey(7), location);
    RenderToTIEBitmap(source.get(), dest.get(), 1, 2, 10, 10, 0, 0, 10, 10, 255, rfNone, ieopCopy);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 12; ++x) {
        bool inside = x >= 1 && x <= 10 && y >= 2 && y <= 11;
        uint32_t expected = inside ? At(*source, x - 1, y - 2) : Packed(Grey(7));
        ASSERT_EQ(At(*dest, x, y), expected) << LocationName(location) << " " << x << "," << y;
      }
  }
}

TEST(BitmapRender, ScaledRenderingIntoATemporaryFileMatchesMemory) {
  auto source = BitmapNumbered(7, 5);
  auto inMemory = Filled(20, 20, Grey(0), ieMemory);
  auto inFile = Filled(20, 20, Grey(0), ieFile);
  ASSERT_EQ(inFile->Location(), ieFile);
  for (TIEBitmap* dest : {inMemory.get(), inFile.get()})
    RenderToTIEBitmapFull(source.get(), dest, nullptr, nullptr, nullptr, nullptr, -3, 2, 19, 17, 0, 0, 7, 5, true,
                          true, 200, rfNone, true, ieopAdd);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(At(*inFile, x, y), At(*inMemory, x, y)) << x << "," << y;
  EXPECT_NE(At(*inMemory, 5, 5), Packed(Grey(0)));
}

TEST(BitmapRender, SourceFormatsGiveTheirColours) {
  struct Case {
    const char* name;
    TIEPixelFormat format;
    std::vector<uint8_t> pixel;  // the bytes of pixel (0, 0)
    TRGB expected;
  } cases[] = {
      {"1-bit set", ie1g, {0x80}, Grey(255)},
      {"1-bit clear", ie1g, {0x7F}, Grey(0)},
      {"grey", ie8g, {77}, Grey(77)},
      {"16-bit grey", ie16g, {0x34, 0x12}, Grey(0x12)},
      {"RGB48 high bytes", ieRGB48, {0x34, 0x12, 0xCD, 0xAB, 0x00, 0xFF}, MakeRGB(0x12, 0xAB, 0xFF)},
      {"32-bit", ie32RGB, {1, 2, 3, 4}, TRGB{1, 2, 3}},
  };
  for (const Case& c : cases) {
    auto source = MakeIn(ieMemory, 1, 1, c.format);
    std::memcpy(source->GetScanline(0), c.pixel.data(), c.pixel.size());
    auto dest = Filled(1, 1, MakeRGB(9, 9, 9));
    RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
    EXPECT_EQ(At(*dest, 0, 0), Packed(c.expected)) << c.name;
  }
}

TEST(BitmapRender, FloatGreyIsScaledAndKeptWithinRange) {
  struct Case {
    float value;
    double min, max;
    uint8_t expected;
  } cases[] = {
      {0.5f, 0, 0, 127}, {1.2f, 0, 0, 255}, {-0.3f, 0, 0, 0}, {0.95f, 0.9, 1.0, 127}, {0.5f, 0.9, 1.0, 0},
  };
  for (const Case& c : cases) {
    auto source = MakeIn(ieMemory, 1, 1, ie32f);
    source->SetPixelFloat(0, 0, c.value);
    source->SetDisplayRange(c.min, c.max);
    auto dest = Filled(1, 1, Grey(9));
    RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
    EXPECT_EQ(At(*dest, 0, 0), Packed(Grey(c.expected))) << c.value << " " << c.min << ".." << c.max;
  }
}

TEST(BitmapRender, DisplayRangeMapsGreyAndColourValues) {
  struct Case {
    TIEPixelFormat format;
    int32_t value;
    double min, max;
    uint8_t expected;
  } cases[] = {
      {ie16g, 4095, 0, 4095, 255}, {ie16g, 2048, 0, 4095, 127}, {ie16g, 5000, 0, 4095, 255},
      {ie8g, 100, 50, 150, 127},   {ie8g, 10, 50, 150, 0},      {ie8g, 1, 0.9, 1.0, 255},
      {ie24RGB, 100, 50, 150, 127}, {ie24RGB, 200, 50, 150, 255},
  };
  for (const Case& c : cases) {
    auto source = MakeIn(ieMemory, 1, 1, c.format);
    if (c.format == ie16g) source->SetPixel16(0, 0, uint16_t(c.value));
    if (c.format == ie8g) source->SetPixel8(0, 0, uint8_t(c.value));
    if (c.format == ie24RGB) source->SetPixel24(0, 0, Grey(uint8_t(c.value)));
    source->SetDisplayRange(c.min, c.max);
    auto dest = Filled(1, 1, Grey(9));
    RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
    EXPECT_EQ(At(*dest, 0, 0), Packed(Grey(c.expected))) << c.format << " " << c.value;
  }
}

TEST(BitmapRender, CmykAndLabSourcesAreConverted) {
  auto cmyk = MakeIn(ieMemory, 1, 1, ieCMYK);
  const uint8_t inks[4] = {128, 64, 255, 200};
  std::memcpy(cmyk->GetScanline(0), inks, 4);
  auto lab = MakeIn(ieMemory, 1, 1, ieCIELab);
  const TCIELab value{150, 20, -30};
  std::memcpy(lab->GetScanline(0), &value, 3);
  TRGB expectedCmyk;
  IECMYKToRGB(int32_t(128 | 64 << 8 | 255 << 16 | 200u << 24), expectedCmyk);
  for (auto [source, expected] : {std::pair{cmyk.get(), expectedCmyk}, std::pair{lab.get(), CIELabToRGB(value)}}) {
    auto dest = Filled(1, 1, Grey(9));
    RenderToTIEBitmap(source, dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
    EXPECT_EQ(At(*dest, 0, 0), Packed(expected)) << source->PixelFormat();
  }
}

TEST(BitmapRender, PaletteImageWithoutPaletteDrawsNothing) {
  auto source = MakeIn(ieMemory, 2, 1, ie8p);
  source->SetPaletteColor(3, MakeRGB(1, 2, 3));
  source->SetPixel8(0, 0, 3);
  auto dest = Filled(2, 1, Grey(9));
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, ieopCopy);
  EXPECT_EQ(At(*dest, 0, 0), Packed(MakeRGB(1, 2, 3)));

  TIEBitmap noPalette;
  noPalette.CopyPaletteTo(source.get());
  ASSERT_EQ(source->GetPalette(), nullptr);
  auto untouched = Filled(2, 1, Grey(9));
  RenderToTIEBitmap(source.get(), untouched.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, ieopCopy);
  EXPECT_EQ(At(*untouched, 0, 0), Packed(Grey(9)));
}

TEST(BitmapRender, ContrastAndOffsetsAdjustColourChannels) {
  struct Case {
    int32_t contrast;
    int32_t redOffset;
    bool apply;
    uint8_t value;
    uint8_t expectedRed, expectedGreen;
  } cases[] = {
      {-100, 0, false, 200, 128, 128},  // factor 0
      {50, 0, false, 138, 188, 188},    // (10 x 6.0) + 128
      {50, 0, false, 100, 0, 0},        // below 0
      {-25, 0, false, 27, 78, 78},      // -50.5 truncates toward zero
      {-25, 0, false, 200, 164, 164},
      {0, 20, true, 100, 120, 100},
      {0, 20, true, 250, 255, 250},
  };
  for (const Case& c : cases) {
    auto source = Filled(1, 1, Grey(c.value));
    source->SetContrast(c.contrast);
    source->SetRedOffset(c.redOffset);
    source->SetApplyAdjustments(c.apply);
    auto dest = Filled(1, 1, Grey(9));
    RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
    TRGB result = dest->GetPixel24(0, 0);
    EXPECT_EQ(result.r, c.expectedRed) << c.contrast << " " << int(c.value);
    EXPECT_EQ(result.g, c.expectedGreen) << c.contrast << " " << int(c.value);
  }
}

TEST(BitmapRender, Rgb48ContrastUsesTheWordValues) {
  auto source = MakeIn(ieMemory, 1, 1, ieRGB48);
  source->SetPixel48(0, 0, TIEBitmap::TRGB48{40000, 32768, 1000});
  source->SetContrast(-100);
  auto dest = Filled(1, 1, Grey(9));
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
  EXPECT_EQ(At(*dest, 0, 0), Packed(Grey(128)));
  source->SetContrast(0);
  source->SetApplyAdjustments(true);
  source->SetRedOffset(2000);
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, ieopCopy);
  EXPECT_EQ(At(*dest, 0, 0), Packed(MakeRGB(164, 128, 3)));  // (40000 + 2000) div 256
}

// ---- scaling, clipping, caches ----

TEST(BitmapRender, ScalingTakesTheNearestSourcePixel) {
  auto source = BitmapNumbered(3, 1);
  auto dest = Filled(7, 1, Grey(0));
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 7, 1, 0, 0, 3, 1, 255, rfNone, ieopCopy);
  const int32_t columns[7] = {0, 0, 0, 1, 1, 2, 2};  // trunc(x x 3 / 7)
  for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(At(*dest, x, 0), At(*source, columns[x], 0)) << x;
}

TEST(BitmapRender, OnePixelFillsTheWholeDestinationRectangle) {
  for (TResampleFilter filter : {rfNone, rfTriangle}) {
    auto source = Filled(1, 1, MakeRGB(10, 20, 30));
    auto dest = Filled(8, 8, Grey(0));
    RenderToTIEBitmap(source.get(), dest.get(), 2, 2, 4, 4, 0, 0, 1, 1, 255, filter, ieopCopy);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
        EXPECT_EQ(At(*dest, x, y), Packed(inside ? MakeRGB(10, 20, 30) : Grey(0))) << filter << " " << x << "," << y;
      }
  }
}

TEST(BitmapRender, RectanglesPastTheDestinationAreCut) {
  struct Case {
    int32_t xDst, dxDst;
    std::vector<int32_t> sourceColumn;  // per destination column, -1 untouched
  } cases[] = {
      {-5, 10, {5, 6, 7, 8, 9, -1, -1, -1, -1, -1}},  // the source moves with the cut
      {6, 10, {-1, -1, -1, -1, -1, -1, 0, 1, 2, 3}},  // runs past the right edge
      {-5, 20, {2, 2, 3, 3, 4, 4, 5, 5, 6, 6}},       // cut while enlarging: round(2.5) = 2
      {10, 5, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    auto source = BitmapNumbered(10, 1);
    auto dest = Filled(10, 1, Grey(0));
    RenderToTIEBitmap(source.get(), dest.get(), c.xDst, 0, c.dxDst, 1, 0, 0, 10, 1, 255, rfNone, ieopCopy);
    for (int32_t x = 0; x < 10; ++x) {
      int32_t column = c.sourceColumn[x];
      EXPECT_EQ(At(*dest, x, 0), column < 0 ? Packed(Grey(0)) : At(*source, column, 0)) << c.xDst << " x " << x;
    }
  }
}

TEST(BitmapRender, ClipRectangleLimitsTheDrawing) {
  auto source = Filled(4, 4, Grey(200));
  auto dest = Filled(10, 10, Grey(0));
  const RECT clip{3, 4, 5, 4};
  RenderToTIEBitmapFull(source.get(), dest.get(), nullptr, nullptr, nullptr, &clip, 0, 0, 10, 10, 0, 0, 4, 4, true,
                        false, 255, rfNone, true, ieopCopy);
  int32_t drawn = 0;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x)
      if (At(*dest, x, y) != 0) {
        ++drawn;
        EXPECT_TRUE(x >= 3 && x <= 5 && y == 4) << x << "," << y;
      }
  EXPECT_EQ(drawn, 3);
}

TEST(BitmapRender, CachesAreHandedBackAndKeptWithinASmallerSource) {
  auto large = MakeIn(ieMemory, 10, 10, ie8g);
  large->Fill(50);
  auto dest = Filled(10, 10, Grey(0));
  TIERowAddressTable destRows;
  TIEIndexTable columns, rows;
  RenderToTIEBitmapFull(large.get(), dest.get(), &destRows, &columns, &rows, nullptr, 0, 0, 10, 10, 0, 0, 10, 10,
                        true, false, 255, rfNone, false, ieopCopy);
  ASSERT_EQ(columns.size(), 10u);
  ASSERT_EQ(rows.size(), 10u);
  ASSERT_EQ(destRows.size(), 10u);
  EXPECT_EQ(destRows[3], dest->GetScanline(3));

  // The same tables with a 5 x 5 image: the columns and rows past it are not drawn.
  auto small = MakeIn(ieMemory, 5, 5, ie8g);
  small->Fill(90);
  RenderToTIEBitmapFull(small.get(), dest.get(), &destRows, &columns, &rows, nullptr, 0, 0, 10, 10, 0, 0, 10, 10,
                        true, false, 255, rfNone, true, ieopCopy);
  EXPECT_EQ(At(*dest, 4, 4), Packed(Grey(90)));
  EXPECT_EQ(At(*dest, 5, 4), Packed(Grey(50)));
  EXPECT_EQ(At(*dest, 4, 5), Packed(Grey(50)));
  EXPECT_EQ(columns.size(), 10u);  // given tables stay the caller's

  // Without caches the same call repeats the image's last column and row.
  TIEIndexTable fresh;
  RenderToTIEBitmapFull(small.get(), dest.get(), nullptr, &fresh, nullptr, nullptr, 0, 0, 10, 10, 0, 0, 10, 10, true,
                        false, 255, rfNone, true, ieopCopy);
  EXPECT_EQ(At(*dest, 9, 9), Packed(Grey(90)));
  EXPECT_TRUE(fresh.empty());  // built here and freed
}

TEST(BitmapRender, ReusedRowsDoNotReachOutsideTheRectangle) {
  auto source = BitmapNumbered(2, 1);
  auto dest = Filled(6, 4, Grey(0));
  for (int32_t y = 0; y < 4; ++y) dest->SetPixel24(5, y, Grey(uint8_t(100 + y)));
  RenderToTIEBitmapFull(source.get(), dest.get(), nullptr, nullptr, nullptr, nullptr, 0, 0, 4, 4, 0, 0, 2, 1, true,
                        true, 255, rfNone, true, ieopAdd);
  for (int32_t y = 0; y < 4; ++y) {
    EXPECT_EQ(At(*dest, 3, y), At(*source, 1, 0)) << y;
    EXPECT_EQ(At(*dest, 5, y), Packed(Grey(uint8_t(100 + y)))) << y;
  }
}

// ---- alpha and the platform bitmap ----

TEST(BitmapRender, AlphaChannelBlendsEachPixel) {
  struct Case {
    int32_t transparency;
    uint8_t expected[3];
  } cases[] = {{255, {0, 127, 255}}, {100, {0, 99, 99}}};
  for (const Case& c : cases) {
    auto source = Filled(3, 1, Grey(255));
    TIEBitmap* alpha = source->GetAlphaChannel();
    alpha->SetPixel8(0, 0, 0);
    alpha->SetPixel8(1, 0, 128);
    alpha->SetPixel8(2, 0, 255);
    alpha->SetFull(false);
    auto dest = Filled(3, 1, Grey(0));
    RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 3, 1, 0, 0, 3, 1, c.transparency, rfNone, ieopCopy);
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(At(*dest, x, 0), Packed(Grey(c.expected[x]))) << c.transparency << " " << x;
  }
}

TEST(BitmapRender, FullOrIgnoredAlphaCopies) {
  auto source = Filled(2, 1, Grey(255));
  source->GetAlphaChannel()->SetPixel8(0, 0, 0);
  auto dest = Filled(2, 1, Grey(0));
  // Marked full: not read.
  source->GetAlphaChannel()->SetFull(true);
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, ieopCopy);
  EXPECT_EQ(At(*dest, 0, 0), Packed(Grey(255)));
  // Not full, but the caller does not use alpha.
  source->GetAlphaChannel()->SetFull(false);
  auto other = Filled(2, 1, Grey(0));
  RenderToTIEBitmapFull(source.get(), other.get(), nullptr, nullptr, nullptr, nullptr, 0, 0, 2, 1, 0, 0, 2, 1, false,
                        false, 255, rfNone, true, ieopCopy);
  EXPECT_EQ(At(*other, 0, 0), Packed(Grey(255)));
}

TEST(BitmapRender, PlatformBitmapDestination) {
  auto source = BitmapNumbered(4, 3);
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetSize(8, 6);
  std::memset(bitmap.ScanLine(0), 0, 8 * 3);
  RenderToVclBitmap(source.get(), &bitmap, 0, 0, 8, 6, 0, 0, 4, 3, 255, rfNone, ieopCopy);
  const auto* row = static_cast<const TRGB*>(bitmap.ScanLine(5));
  EXPECT_EQ(Packed(row[7]), At(*source, 3, 2));
  EXPECT_EQ(Packed(row[0]), At(*source, 0, 2));

  vcl::TBitmap wide;
  wide.SetPixelFormat(vcl::pf32bit);
  wide.SetSize(2, 2);
  EXPECT_THROW(RenderToVclBitmap(source.get(), &wide, 0, 0, 2, 2, 0, 0, 2, 2, 255, rfNone, ieopCopy),
               vcl::EInvalidGraphicOperation);
}

TEST(BitmapRender, DestinationMustBe24Bit) {
  auto source = BitmapNumbered(2, 2);
  auto grey = MakeIn(ieMemory, 2, 2, ie8g);
  EXPECT_THROW(RenderToTIEBitmap(source.get(), grey.get(), 0, 0, 2, 2, 0, 0, 2, 2, 255, rfNone, ieopCopy),
               vcl::EInvalidGraphicOperation);
  EXPECT_THROW(StretchCopyToTIEBitmap(source.get(), grey.get(), 0, 0, 2, 2, 0, 0, 2, 2, rfNone, 255),
               vcl::EInvalidGraphicOperation);
}

TEST(BitmapRender, SourceAccessIsRestoredAndABitmapDrawsOntoItself) {
  auto image = BitmapNumbered(4, 4);
  image->SetAccess(3);
  const uint32_t topLeft = At(*image, 0, 0);
  RenderToTIEBitmap(image.get(), image.get(), 0, 0, 4, 4, 0, 0, 2, 2, 255, rfNone, ieopCopy);
  EXPECT_EQ(image->Access(), 3);
  EXPECT_EQ(At(*image, 1, 1), topLeft);  // read before anything was written
  EXPECT_EQ(At(*image, 3, 3), Packed(MakeRGB(11, 12, 2)));
}

// ---- resampled path ----

TEST(BitmapRender, FiltersResampleOneBitAndColourSources) {
  // A uniform colour stays uniform through a kernel or the fast filter.
  for (TResampleFilter filter : {rfTriangle, rfLanczos3, rfFastLinear, rfBilinear}) {
    auto source = Filled(4, 4, MakeRGB(40, 80, 120));
    auto dest = Filled(10, 10, Grey(0));
    RenderToTIEBitmap(source.get(), dest.get(), 1, 1, 8, 8, 0, 0, 4, 4, 255, filter, ieopCopy);
    EXPECT_EQ(At(*dest, 1, 1), Packed(MakeRGB(40, 80, 120))) << filter;
    EXPECT_EQ(At(*dest, 8, 8), Packed(MakeRGB(40, 80, 120))) << filter;
    EXPECT_EQ(At(*dest, 9, 9), Packed(Grey(0))) << filter;
  }
  // A 1-bit image reduced to half becomes grey: the first pixel averages a block of two set
  // and two clear bits.
  auto bits = MakeIn(ieMemory, 4, 2, ie1g);
  static_cast<uint8_t*>(bits->GetScanline(0))[0] = 0x90;  // 1001
  static_cast<uint8_t*>(bits->GetScanline(1))[0] = 0x90;
  auto dest = Filled(2, 1, Grey(0));
  RenderToTIEBitmap(bits.get(), dest.get(), 0, 0, 2, 1, 0, 0, 4, 2, 255, rfTriangle, ieopCopy);
  EXPECT_EQ(At(*dest, 0, 0), Packed(Grey(127)));
  const uint8_t right = dest->GetPixel24(1, 0).g;
  EXPECT_TRUE(right > 0 && right < 255) << int(right);
}

TEST(BitmapRender, ResampledAlphaStillBlends) {
  auto source = Filled(4, 4, Grey(200));
  source->GetAlphaChannel()->Fill(0);
  source->GetAlphaChannel()->SetFull(false);
  auto dest = Filled(8, 8, Grey(10));
  RenderToTIEBitmap(source.get(), dest.get(), 0, 0, 8, 8, 0, 0, 4, 4, 255, rfTriangle, ieopCopy);
  EXPECT_EQ(At(*dest, 4, 4), Packed(Grey(10)));
}

// ---- scaled copy ----

TEST(BitmapRender, StretchCopyWritesColourAndAlpha) {
  auto source = BitmapNumbered(2, 2);
  auto dest = Filled(5, 5, Grey(0));
  StretchCopyToTIEBitmap(source.get(), dest.get(), 0, 0, 4, 4, 0, 0, 2, 2, rfNone, 200);
  EXPECT_EQ(At(*dest, 1, 1), At(*source, 0, 0));
  EXPECT_EQ(At(*dest, 3, 2), At(*source, 1, 1));
  EXPECT_EQ(At(*dest, 4, 4), Packed(Grey(0)));
  ASSERT_TRUE(dest->HasAlphaChannel());
  EXPECT_EQ(dest->GetAlphaAt(3, 3), 200);
  EXPECT_EQ(dest->GetAlphaAt(4, 4), 255);
  EXPECT_FALSE(dest->GetAlphaChannel()->Full());

  // The source's alpha, limited.
  source->GetAlphaChannel()->SetPixel8(0, 0, 10);
  source->GetAlphaChannel()->SetPixel8(1, 0, 250);
  source->GetAlphaChannel()->SetFull(false);
  StretchCopyToTIEBitmap(source.get(), dest.get(), 0, 0, 2, 2, 0, 0, 2, 2, rfNone, 128);
  EXPECT_EQ(dest->GetAlphaAt(0, 0), 10);
  EXPECT_EQ(dest->GetAlphaAt(1, 0), 128);
}

TEST(BitmapRender, StretchCopyOfOtherFormats) {
  auto bits = MakeIn(ieMemory, 2, 1, ie1g);
  static_cast<uint8_t*>(bits->GetScanline(0))[0] = 0x40;  // 01
  auto dest = Filled(4, 1, Grey(9));
  StretchCopyToTIEBitmap(bits.get(), dest.get(), 0, 0, 4, 1, 0, 0, 2, 1, rfNone, 255);
  EXPECT_EQ(At(*dest, 1, 0), Packed(Grey(0)));
  EXPECT_EQ(At(*dest, 2, 0), Packed(Grey(255)));

  // A grey image writes only the alpha.
  auto grey = MakeIn(ieMemory, 2, 1, ie8g);
  grey->Fill(77);
  StretchCopyToTIEBitmap(grey.get(), dest.get(), 0, 0, 4, 1, 0, 0, 2, 1, rfNone, 60);
  EXPECT_EQ(At(*dest, 2, 0), Packed(Grey(255)));
  EXPECT_EQ(dest->GetAlphaAt(2, 0), 60);

  // With a filter the colour source is resampled: a uniform image stays uniform.
  auto colour = Filled(3, 3, MakeRGB(5, 6, 7));
  auto big = Filled(9, 9, Grey(0));
  StretchCopyToTIEBitmap(colour.get(), big.get(), 0, 0, 9, 9, 0, 0, 3, 3, rfTriangle, 255);
  EXPECT_EQ(At(*big, 8, 8), Packed(MakeRGB(5, 6, 7)));
}

TEST(BitmapRender, MembersOfTheSourceDrawAsTheFunctions) {
  auto source = BitmapNumbered(4, 3);
  source->GetAlphaChannel()->SetPixel8(1, 1, 100);
  const RECT clip{1, 0, 5, 4};
  auto sameAs = [](TIEBitmap& a, TIEBitmap& b) {
    for (int32_t y = 0; y < a.Height(); ++y)
      for (int32_t x = 0; x < a.Width(); ++x)
        if (At(a, x, y) != At(b, x, y) || a.GetAlphaAt(x, y) != b.GetAlphaAt(x, y)) return false;
    return true;
  };
  {
    auto byMember = Filled(7, 5, Grey(9)), byFunction = Filled(7, 5, Grey(9));
    source->RenderToTIEBitmap(byMember.get(), 0, 0, 7, 5, 0, 0, 4, 3, 200, rfNone, ieopAdd);
    RenderToTIEBitmap(source.get(), byFunction.get(), 0, 0, 7, 5, 0, 0, 4, 3, 200, rfNone, ieopAdd);
    EXPECT_TRUE(sameAs(*byMember, *byFunction));
    EXPECT_NE(0x090909u, At(*byMember, 3, 2));
  }
  {
    auto byMember = Filled(7, 5, Grey(9)), byFunction = Filled(7, 5, Grey(9));
    TIEIndexTable columns;
    source->RenderToTIEBitmapFull(byMember.get(), nullptr, &columns, nullptr, &clip, 0, 0, 7, 5, 0, 0, 4, 3, true,
                                  false, 255, rfNone, false, ieopCopy);
    RenderToTIEBitmapFull(source.get(), byFunction.get(), nullptr, nullptr, nullptr, &clip, 0, 0, 7, 5, 0, 0, 4, 3,
                          true, false, 255, rfNone, true, ieopCopy);
    EXPECT_TRUE(sameAs(*byMember, *byFunction));
    EXPECT_EQ(7u, columns.size());  // the cache is handed back
  }
  {
    auto byMember = Filled(6, 6, Grey(0)), byFunction = Filled(6, 6, Grey(0));
    source->StretchCopyToTIEBitmap(byMember.get(), 1, 1, 4, 4, 0, 0, 4, 3, rfNone, 180);
    StretchCopyToTIEBitmap(source.get(), byFunction.get(), 1, 1, 4, 4, 0, 0, 4, 3, rfNone, 180);
    EXPECT_TRUE(sameAs(*byMember, *byFunction));
  }
  for (bool full : {false, true}) {
    vcl::TBitmap byMember, byFunction;
    for (vcl::TBitmap* b : {&byMember, &byFunction}) {
      b->SetPixelFormat(vcl::pf24bit);
      b->SetSize(5, 4);
    }
    if (full) {
      source->RenderToVclBitmapFull(&byMember, nullptr, nullptr, nullptr, nullptr, 0, 0, 5, 4, 0, 0, 4, 3, true,
                                    false, 255, rfNone, true, ieopCopy);
      RenderToVclBitmapFull(source.get(), &byFunction, nullptr, nullptr, nullptr, nullptr, 0, 0, 5, 4, 0, 0, 4, 3,
                            true, false, 255, rfNone, true, ieopCopy);
    } else {
      source->RenderToVclBitmap(&byMember, 0, 0, 5, 4, 0, 0, 4, 3, 255, rfNone, ieopCopy);
      RenderToVclBitmap(source.get(), &byFunction, 0, 0, 5, 4, 0, 0, 4, 3, 255, rfNone, ieopCopy);
    }
    for (int32_t y = 0; y < 4; ++y)
      EXPECT_EQ(0, std::memcmp(byMember.ScanLine(y), byFunction.ScanLine(y), 15)) << "row " << y << " full " << full;
    EXPECT_NE(0, static_cast<const uint8_t*>(byMember.ScanLine(3))[14]);
  }
}
