// The skin PNG colour manager: depth scaling, masks, alpha, gamma, the converter choice and its
// errors, the other source schemes, and palettes.
#include "skin/engine/png/colour_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace skin::png;

namespace {

void Configure(TColorManager& cm, TacColorScheme source, TacColorScheme target, uint8_t sourceBits, uint8_t targetBits,
           uint8_t sourceSamples, uint8_t targetSamples) {
  cm.SetSourceColorScheme(source);
  cm.SetTargetColorScheme(target);
  cm.SetSourceBitsPerSample(sourceBits);
  cm.SetTargetBitsPerSample(targetBits);
  cm.SetSourceSamplesPerPixel(sourceSamples);
  cm.SetTargetSamplesPerPixel(targetSamples);
}

std::string Error(const std::function<void()>& f) {
  try {
    f();
  } catch (const EColorConversionError& e) {
    return e.Message();
  }
  return "";
}

}  // namespace

TEST(SkinPngColourManager, LowDepthSamplesScaleAndPackAndMasksPickColumns) {
  TColorManager cm;
  Configure(cm, schGray, schGray, 2, 4, 1, 1);
  const uint8_t grey2[1] = {0x1B};  // 0, 1, 2, 3
  uint8_t out[2] = {};
  cm.ConvertRow(grey2, out, 4, 0xFF);
  EXPECT_EQ(out[0], 0x05);
  EXPECT_EQ(out[1], 0xAF);
  // Mask 0x08 writes columns 4, 12, 20 ...; the source moves one pixel per written column and
  // the other pixels keep their bits.
  Configure(cm, schIndexed, schIndexed, 8, 8, 1, 1);
  const uint8_t source[3] = {7, 8, 9};
  uint8_t row[24];
  std::fill(std::begin(row), std::end(row), 0xEE);
  cm.ConvertRow(source, row, 24, 0x08);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(row[i], i == 4 ? 7 : i == 12 ? 8 : i == 20 ? 9 : 0xEE) << i;
  Configure(cm, schIndexed, schIndexed, 1, 1, 1, 1);
  uint8_t bits[1] = {0x00};
  const uint8_t ones[1] = {0xFF};
  cm.ConvertRow(ones, bits, 8, 0x22);  // columns 2 and 6
  EXPECT_EQ(bits[0], 0x22);
  // 16-bit indexes to 4 bits and back.
  Configure(cm, schIndexed, schIndexed, 16, 4, 1, 1);
  cm.SourceOptions = optSwap16;
  const uint8_t wide[4] = {0xFF, 0xFF, 0x88, 0x88};  // 65535 and 8 / 15 of it
  uint8_t low[1] = {};
  cm.ConvertRow(wide, low, 2, 0xFF);
  EXPECT_EQ(low[0], 0xF8);
  Configure(cm, schIndexed, schIndexed, 4, 16, 1, 1);
  uint16_t words[2] = {};
  cm.ConvertRow(low, words, 2, 0xFF);
  EXPECT_EQ(words[0], 0xFFFF);
  EXPECT_EQ(words[1], 0x8888);
}

TEST(SkinPngColourManager, AlphaIsScaledAndNeverGammaCorrected) {
  TColorManager cm;
  Configure(cm, schRGBA, schBGRA, 16, 8, 4, 4);
  cm.SourceOptions = optSwap16;
  cm.SetGamma(0.5f, 2.2f);
  cm.TargetOptions = optGamma;
  const uint8_t source[8] = {0x80, 0x00, 0x40, 0x00, 0x00, 0x00, 0xFF, 0xFF};
  uint8_t out[4] = {};
  cm.ConvertRow(source, out, 1, 0xFF);
  EXPECT_EQ(out[3], 255);
  EXPECT_EQ(out[2], cm.GammaTable()[127]);
  EXPECT_EQ(out[1], cm.GammaTable()[63]);
  EXPECT_EQ(out[0], 0);
  // RGB into BGRA leaves the target's alpha; RGBA into BGR skips the source's.
  Configure(cm, schRGB, schBGRA, 8, 8, 3, 4);
  cm.TargetOptions = 0;
  const uint8_t rgb[3] = {1, 2, 3};
  uint8_t bgra[4] = {0, 0, 0, 77};
  cm.ConvertRow(rgb, bgra, 1, 0xFF);
  EXPECT_EQ(bgra[0], 3);
  EXPECT_EQ(bgra[2], 1);
  EXPECT_EQ(bgra[3], 77);
  Configure(cm, schRGBA, schBGR, 8, 8, 4, 3);
  const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t bgr[6] = {};
  cm.ConvertRow(rgba, bgr, 2, 0xFF);
  EXPECT_EQ(bgr[3], 7);
  EXPECT_EQ(bgr[5], 5);
  // Planar sources: one plane per sample.
  Configure(cm, schRGB, schRGB, 8, 16, 3, 3);
  const uint8_t r[1] = {255}, g[1] = {0}, b[1] = {51};
  uint16_t wide[3] = {};
  cm.ConvertRow(std::vector<const void*>{r, g, b}, wide, 1, 0xFF);
  EXPECT_EQ(wide[0], 65535);
  EXPECT_EQ(wide[2], 13107);
}

TEST(SkinPngColourManager, GammaTableMapsEightBitValuesWhateverTheDepths) {
  TColorManager cm;
  // A manager last set up for 2-bit samples into 4-bit targets, then a 16-bit target: the table
  // still maps all 256 8-bit values.
  Configure(cm, schGray, schGray, 2, 16, 1, 1);
  cm.SetGamma(1.0f / 2.2f, 2.2f);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(cm.GammaTable()[i], i);
  cm.SetGamma(0.45455f, 2.2f);  // within rounding of the identity
  for (int i = 0; i < 256; ++i) EXPECT_NEAR(cm.GammaTable()[i], i, 1);
  cm.SetGamma(0, -1);  // 1.0 and 2.2
  EXPECT_EQ(cm.GammaTable()[128], uint8_t(std::nearbyint(std::pow(128 / 255.0, 1 / 2.2) * 255)));
}

TEST(SkinPngColourManager, SettingsAndConverterChoiceRaiseTheirMessages) {
  TColorManager cm;
  EXPECT_EQ(Error([&] { cm.SetSourceBitsPerSample(0); }),
            "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
  EXPECT_EQ(Error([&] { cm.SetTargetBitsPerSample(17); }),
            "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
  EXPECT_EQ(cm.TargetBitsPerSample(), 8);
  EXPECT_EQ(Error([&] { cm.SetSourceSamplesPerPixel(5); }),
            "Sample count per pixel does not correspond to the given color scheme.");
  const uint8_t in[4] = {};
  uint8_t out[4] = {};
  Configure(cm, schGray, schRGB, 8, 8, 1, 3);
  EXPECT_EQ(Error([&] { cm.ConvertRow(in, out, 1, 0xFF); }),
            "Conversion between indexed and non-indexed pixel formats is not supported.");
  for (TacColorScheme s : {schCMY, schUnknown}) {
    cm.SetSourceColorScheme(s);
    cm.SetTargetColorScheme(schBGR);
    EXPECT_EQ(Error([&] { cm.ConvertRow(in, out, 1, 0xFF); }), "Color conversion failed. Could not find a proper method.");
    EXPECT_EQ(Error([&] { cm.ConvertRow(in, out, 1, 0xFF); }), "Color conversion failed. Could not find a proper method.");
  }
}

TEST(SkinPngColourManager, OtherSourceSchemes) {
  TColorManager cm;
  uint8_t out[3] = {};
  // CMYK: 255 - (X + K - X K / 255), clamped.
  Configure(cm, schCMYK, schRGB, 8, 8, 4, 3);
  const uint8_t cmyk[4] = {255, 0, 100, 50};
  cm.ConvertRow(cmyk, out, 1, 0xFF);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 205);
  EXPECT_EQ(out[2], 255 - (100 + 50 - 100 * 50 / 255));
  // CIE L*a*b*: white and black.
  Configure(cm, schCIELab, schBGR, 8, 8, 3, 3);
  const uint8_t white[3] = {100, 0, 0}, black[3] = {0, 0, 0};
  cm.ConvertRow(white, out, 1, 0xFF);
  EXPECT_NEAR(out[0], 255, 2);
  EXPECT_NEAR(out[1], 255, 2);
  EXPECT_NEAR(out[2], 255, 2);
  cm.ConvertRow(black, out, 1, 0xFF);
  EXPECT_EQ(out[0] + out[1] + out[2], 0);
  // YCbCr: neutral chroma keeps the luma; Cr 255 pushes red up.
  Configure(cm, schYCbCr, schRGB, 8, 8, 3, 3);
  const uint8_t grey[3] = {90, 128, 128}, red[3] = {90, 128, 255};
  cm.ConvertRow(grey, out, 1, 0xFF);
  EXPECT_EQ(out[0], 90);
  EXPECT_EQ(out[1], 90);
  EXPECT_EQ(out[2], 90);
  cm.ConvertRow(red, out, 1, 0xFF);
  EXPECT_EQ(out[0], 255);
  EXPECT_LT(out[1], 90);
}

TEST(SkinPngColourManager, PalettesAndPixelFormats) {
  TColorManager cm;
  Configure(cm, schGray, schGray, 4, 4, 1, 1);
  std::vector<PALETTEENTRY> grey = cm.GrayPaletteEntries(false);
  ASSERT_EQ(grey.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(grey[size_t(i)].peGreen, 17 * i);
  EXPECT_EQ(cm.GrayPaletteEntries(true)[0].peRed, 255);
  HPALETTE palette = cm.CreateGrayPalette(false);
  ASSERT_TRUE(palette);
  PALETTEENTRY e[16];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 16, e), 16u);
  EXPECT_EQ(e[15].peBlue, 255);
  DeleteObject(palette);
  // Colour data: 8-bit triples red first, or blue first with the flag; 16-bit ones the other way.
  Configure(cm, schIndexed, schIndexed, 8, 8, 1, 1);
  const uint8_t triple[3] = {1, 2, 3};
  EXPECT_EQ(cm.ColorPaletteEntries({triple}, pdf8Triples, 1, false)[0].peRed, 1);
  EXPECT_EQ(cm.ColorPaletteEntries({triple}, pdf8Triples, 1, true)[0].peRed, 3);
  const uint16_t wide[3] = {0xFFFF, 0, 0};
  EXPECT_EQ(cm.ColorPaletteEntries({wide}, pdf16Triples, 1, false)[0].peBlue, 255);
  EXPECT_EQ(cm.ColorPaletteEntries({triple}, pdf8Triples, 300, false).size(), 256u);
  struct {
    uint8_t samples, bits;
    vcl::TPixelFormat format;
  } formats[] = {{1, 1, vcl::pf1bit},   {1, 2, vcl::pf4bit},  {1, 4, vcl::pf4bit}, {1, 8, vcl::pf8bit},
                 {1, 16, vcl::pf8bit},  {1, 6, vcl::pfCustom}, {3, 5, vcl::pf15bit}, {3, 8, vcl::pf24bit},
                 {4, 8, vcl::pf32bit},  {4, 4, vcl::pfCustom}, {2, 8, vcl::pfCustom}};
  for (const auto& f : formats) {
    cm.SetTargetSamplesPerPixel(f.samples);
    cm.SetTargetBitsPerSample(f.bits);
    EXPECT_EQ(cm.PixelFormatFor(true), f.format) << int(f.samples) << " " << int(f.bits);
  }
}
