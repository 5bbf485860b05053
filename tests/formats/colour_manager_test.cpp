#include "formats/colour_manager.h"

#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace formats;
using Bytes = std::vector<uint8_t>;

namespace {

std::string ColourErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EColorConversionError& e) {
    return e.Message();
  }
  return "(no error)";
}

void Describe(TColorManager& m, TColorSchemeKind source, uint8_t sourceBits, uint8_t sourceCount,
              TColorSchemeKind target, uint8_t targetBits, uint8_t targetCount) {
  m.SetSourceScheme(source);
  m.SetSourceBitsPerSample(sourceBits);
  m.SetSourceSampleCount(sourceCount);
  m.SetTargetScheme(target);
  m.SetTargetBitsPerSample(targetBits);
  m.SetTargetSampleCount(targetCount);
}

std::vector<uint16_t> Words(const Bytes& bytes) {
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) words.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
  return words;
}

Bytes LE(std::initializer_list<uint16_t> words) {
  Bytes bytes;
  for (uint16_t w : words) bytes.push_back(static_cast<uint8_t>(w)), bytes.push_back(static_cast<uint8_t>(w >> 8));
  return bytes;
}

}  // namespace

// The expected values of these tables were computed apart from this code, from the conversion
// formulas, with rounding halves to even.
TEST(ColourManager, CMYKToRGB) {
  struct Case {
    uint8_t c, m, y, k;
    uint8_t r, g, b;
  };
  const Case cases[] = {{0, 0, 0, 0, 255, 255, 255},       {0, 0, 0, 255, 0, 0, 0},
                        {255, 0, 0, 0, 0, 255, 255},       {100, 50, 200, 30, 136, 180, 48},
                        {10, 250, 128, 128, 122, 2, 63}};
  TColorManager m;
  Describe(m, scCMYK, 8, 4, scBGR, 8, 3);
  for (const Case& c : cases) {
    const Bytes in = {c.c, c.m, c.y, c.k};
    Bytes out(3);
    m.ConvertLine(in.data(), out.data(), 1);
    EXPECT_EQ((Bytes{c.b, c.g, c.r}), out);
    // The same from four planes into an RGB target.
    Describe(m, scCMYK, 8, 4, scRGB, 8, 3);
    const void* planes[4] = {&in[0], &in[1], &in[2], &in[3]};
    m.ConvertLine(planes, out.data(), 1);
    EXPECT_EQ((Bytes{c.r, c.g, c.b}), out);
    Describe(m, scCMYK, 8, 4, scBGR, 8, 3);
  }
  struct Wide {
    uint16_t c, m, y, k;
    Bytes rgb8;
    std::vector<uint16_t> rgb16;
  };
  const Wide wide[] = {{0, 0, 0, 0, {255, 255, 255}, {65535, 65535, 65535}},
                       {65535, 0, 30000, 1000, {0, 252, 137}, {0, 64535, 34992}},
                       {20000, 40000, 60000, 65535, {0, 0, 0}, {0, 0, 0}}};
  for (const Wide& w : wide) {
    const Bytes in = LE({w.c, w.m, w.y, w.k});
    Describe(m, scCMYK, 16, 4, scRGB, 8, 3);
    Bytes out(3);
    m.ConvertLine(in.data(), out.data(), 1);
    EXPECT_EQ(w.rgb8, out);
    Describe(m, scCMYK, 16, 4, scRGB, 16, 3);
    Bytes out16(6);
    m.ConvertLine(in.data(), out16.data(), 1);
    EXPECT_EQ(w.rgb16, Words(out16));
  }
}

TEST(ColourManager, ComponentWidths) {
  // Colour samples between 8 and 16 bits, with and without high-byte-first storage:
  // 8 -> 16 is v * 257, 16 -> 8 is v * 255 div 65535.
  struct Case {
    uint8_t sourceBits, targetBits;
    bool swap;
    Bytes in;
    Bytes expected;
  };
  const Case cases[] = {
      {8, 16, false, {0, 1, 255}, LE({0, 257, 65535})},
      {8, 16, true, {0, 1, 128}, LE({0, 257, 0x8080})},
      {16, 8, false, LE({65535, 257, 32767}), {255, 1, 127}},
      {16, 8, true, {0x01, 0x01, 0x00, 0xFF, 0x7F, 0xFF}, {1, 0, 127}},
      {16, 16, true, {0x12, 0x34, 0x00, 0x01, 0xAB, 0xCD}, LE({0x1234, 0x0001, 0xABCD})},
  };
  for (const Case& c : cases) {
    TColorManager m;
    Describe(m, scRGB, c.sourceBits, 3, scRGB, c.targetBits, 3);
    if (c.swap) m.SourceOptions = {cvoSwapBytes};
    Bytes out(c.expected.size(), 0xEE);
    m.ConvertLine(c.in.data(), out.data(), 1);
    EXPECT_EQ(c.expected, out) << int(c.sourceBits) << " to " << int(c.targetBits) << (c.swap ? " swapped" : "");
  }
}

TEST(ColourManager, CIELabToRGB) {
  struct Case {
    int8_t l;
    int8_t a, b;
    uint8_t r, g, bl;
  };
  const Case cases[] = {{100, 0, 0, 255, 255, 255}, {0, 0, 0, 0, 0, 0},      {50, 20, -30, 53, 40, 101},
                        {75, -40, 60, 72, 150, 16}, {5, 10, 10, 4, 1, 0},    {30, 100, -100, 40, 0, 204}};
  TColorManager m;
  for (const Case& c : cases) {
    Describe(m, scCIELab, 8, 3, scRGB, 8, 3);
    const Bytes in = {static_cast<uint8_t>(c.l), static_cast<uint8_t>(c.a), static_cast<uint8_t>(c.b)};
    Bytes out(3);
    m.ConvertLine(in.data(), out.data(), 1);
    EXPECT_EQ((Bytes{c.r, c.g, c.bl}), out) << int(c.l) << " " << int(c.a) << " " << int(c.b);
    // a* and b* stored with 128 added give the same.
    m.SourceOptions = {cvoLabChromaOffset};
    const Bytes shifted = {static_cast<uint8_t>(c.l), static_cast<uint8_t>(c.a + 128), static_cast<uint8_t>(c.b + 128)};
    m.ConvertLine(shifted.data(), out.data(), 1);
    EXPECT_EQ((Bytes{c.r, c.g, c.bl}), out);
    m.SourceOptions = {};
  }
  // L* stored as 0..255.
  m.SourceOptions = {cvoLabByteRange};
  const Bytes white = {255, 0, 0};
  Bytes out(3);
  m.ConvertLine(white.data(), out.data(), 1);
  EXPECT_EQ((Bytes{255, 255, 255}), out);
}

TEST(ColourManager, YCbCrTablesAndRows) {
  TColorManager m;
  Describe(m, scYCbCr, 8, 3, scRGB, 8, 3);
  m.SelectConversion();
  struct Entry {
    int i, crToRed, cbToBlue, crToGreen, cbToGreen;
  };
  const Entry entries[] = {{0, -179, -227, 91, 44},  {16, -157, -198, 80, 39}, {100, -39, -50, 20, 10},
                           {128, 0, 0, 0, 0},        {200, 101, 128, -51, -25}, {255, 178, 225, -91, -44}};
  for (const Entry& e : entries) {
    EXPECT_EQ(e.crToRed, m.CrToRed()[e.i]);
    EXPECT_EQ(e.cbToBlue, m.CbToBlue()[e.i]);
    EXPECT_EQ(e.crToGreen, m.CrToGreen()[e.i]);
    EXPECT_EQ(e.cbToGreen, m.CbToGreen()[e.i]);
  }
  const Bytes in = {128, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 235, 128, 128};
  Bytes out(15);
  m.ConvertLine(in.data(), out.data(), 5);
  EXPECT_EQ((Bytes{128, 128, 128, 254, 0, 0, 0, 255, 1, 0, 0, 254, 235, 235, 235}), out);

  // Photo YCC, 16 bits to 16 bits.
  Describe(m, scPhotoYCC, 16, 3, scRGB, 16, 3);
  const Bytes ycc = LE({20000, 40092, 35209, 10000, 50000, 30000});
  Bytes wide(12);
  m.ConvertLine(ycc.data(), wide.data(), 2);
  EXPECT_EQ((std::vector<uint16_t>{27168, 27168, 27168, 4096, 14150, 35559}), Words(wide));
}

TEST(ColourManager, SubsampledYCbCrUnitsCoverTheirRows) {
  // 2 x 2 data units: four luma samples, then Cb and Cr. A row of 3 pixels takes two units.
  TColorManager m;
  Describe(m, scYCbCr, 8, 3, scBGR, 8, 3);
  m.SetYCbCrSettings({}, 2, 2);
  EXPECT_EQ(12u, m.UnitRowBytes(3));
  const Bytes units = {10, 20, 30, 40, 128, 128, /* second unit */ 50, 60, 70, 80, 76 + 9, 255};
  Bytes top(9, 0xEE), bottom(9, 0xEE);
  void* rows[2] = {top.data(), bottom.data()};
  m.ConvertUnitRow(units.data(), rows, 2, 3);
  // Neutral chroma leaves grey; the second unit's chroma tints both of its rows alike.
  EXPECT_EQ(10, top[0]);
  EXPECT_EQ(20, top[3]);
  EXPECT_EQ(30, bottom[0]);
  EXPECT_EQ(40, bottom[3]);
  // Pixel 2 is the first of the second unit: luma 50 (top) and 70 (bottom), Cb 85, Cr 255.
  EXPECT_EQ(std::min(255, 50 + 178), top[8]);   // red = Y + CrToRed[255]
  EXPECT_EQ(std::min(255, 70 + 178), bottom[8]);
  EXPECT_EQ(0, top[6]);  // blue = Y + CbToBlue[85] = 50 - 76, clamped
  // A row of units covering one image row goes through ConvertLine too; two rows need targets.
  m.SetYCbCrSettings({}, 2, 1);
  const Bytes flat = {10, 20, 128, 128};
  Bytes one(6);
  m.ConvertLine(flat.data(), one.data(), 2);
  EXPECT_EQ((Bytes{10, 10, 10, 20, 20, 20}), one);
  m.SetYCbCrSettings({}, 2, 2);
  EXPECT_EQ("Color conversion failed. Could not find a proper method.",
            ColourErrorOf([&] { m.ConvertLine(units.data(), top.data(), 3); }));
}

TEST(ColourManager, IndexedAndGreyPacking) {
  TColorManager m;
  // 8-bit grey to 4 bits: two pixels a byte, high nibble first, v * 15 div 255.
  Describe(m, scGray, 8, 1, scGray, 4, 1);
  const Bytes grey = {0, 255, 17, 136, 100};
  Bytes out(3, 0);
  m.ConvertLine(grey.data(), out.data(), 5);
  EXPECT_EQ((Bytes{0x0F, 0x18, 0x50}), out);
  // 16-bit indexes to 4 bits, odd count: pixel 2 starts the second byte.
  Describe(m, scIndexed, 16, 1, scIndexed, 4, 1);
  const Bytes wide = LE({65535, 0, 4369});
  out.assign(2, 0);
  m.ConvertLine(wide.data(), out.data(), 3);
  EXPECT_EQ((Bytes{0xF0, 0x10}), out);
  // Mask 0xAA: pixels 0, 2, 4, 6 from the first four source pixels; the others stay.
  Describe(m, scIndexed, 8, 1, scIndexed, 8, 1);
  const Bytes source = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes masked(8, 0xEE);
  m.ConvertLine(source.data(), masked.data(), 8, 0xAA);
  EXPECT_EQ((Bytes{1, 0xEE, 2, 0xEE, 3, 0xEE, 4, 0xEE}), masked);
  // 4-bit indexes to 16 bits (v * 65535 div 15), and 16-bit indexes copied with their bytes swapped.
  Describe(m, scIndexed, 4, 1, scIndexed, 16, 1);
  const Bytes nibbles = {0x0F, 0x71};
  Bytes words(8, 0);
  m.ConvertLine(nibbles.data(), words.data(), 4);
  EXPECT_EQ((std::vector<uint16_t>{0, 65535, 7 * 4369, 4369}), Words(words));
  Describe(m, scIndexed, 16, 1, scIndexed, 16, 1);
  m.SourceOptions = {cvoSwapBytes};
  const Bytes swapped = {0x12, 0x34, 0xAB, 0xCD};
  words.assign(4, 0);
  m.ConvertLine(swapped.data(), words.data(), 2);
  EXPECT_EQ((std::vector<uint16_t>{0x1234, 0xABCD}), Words(words));
  m.SourceOptions = {};
  // Grey 16 bits stored high byte first, to 8 bits.
  Describe(m, scGray, 16, 1, scGray, 8, 1);
  m.SourceOptions = {cvoSwapBytes};
  const Bytes big = {0xFF, 0xFF, 0x80, 0x00};
  out.assign(2, 0);
  m.ConvertLine(big.data(), out.data(), 2);
  EXPECT_EQ((Bytes{255, 127}), out);
}

TEST(ColourManager, RGBOrderAlphaAndGamma) {
  TColorManager m;
  const Bytes rgb = {10, 20, 30};
  Bytes out(3);
  m.ConvertLine(rgb.data(), out.data(), 1);  // a new manager: RGB to BGR, no gamma
  EXPECT_EQ((Bytes{30, 20, 10}), out);
  m.TargetOptions = {cvoApplyGamma};
  m.ConvertLine(rgb.data(), out.data(), 1);
  EXPECT_EQ((Bytes{m.GammaTable(30), m.GammaTable(20), m.GammaTable(10)}), out);
  const int expectedGamma[][2] = {{0, 0}, {1, 21}, {2, 28}, {10, 59}, {64, 136}, {128, 186}, {200, 228}, {255, 255}};
  for (auto [i, v] : expectedGamma) EXPECT_EQ(v, m.GammaTable(i));
  m.TargetOptions = {};
  // RGBA to BGRA copies alpha; RGB to BGRA leaves the target's alpha alone.
  Describe(m, scRGBA, 8, 4, scBGRA, 8, 4);
  const Bytes rgba = {1, 2, 3, 200};
  Bytes quad(4, 0x55);
  m.ConvertLine(rgba.data(), quad.data(), 1);
  EXPECT_EQ((Bytes{3, 2, 1, 200}), quad);
  Describe(m, scRGB, 8, 3, scBGRA, 8, 4);
  quad.assign(4, 0x55);
  m.ConvertLine(rgb.data(), quad.data(), 1);
  EXPECT_EQ((Bytes{30, 20, 10, 0x55}), quad);
  // 16 bits high byte first to 8 bits.
  Describe(m, scRGB, 16, 3, scRGB, 8, 3);
  m.SourceOptions = {cvoSwapBytes};
  const Bytes big = {0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80};
  m.ConvertLine(big.data(), out.data(), 1);
  EXPECT_EQ((Bytes{255, 0, 128}), out);
}

TEST(ColourManager, Failures) {
  TColorManager m;
  EXPECT_EQ("Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.",
            ColourErrorOf([&] { m.SetSourceBitsPerSample(17); }));
  EXPECT_EQ("Sample count per pixel does not correspond to the given color scheme.",
            ColourErrorOf([&] { m.SetTargetSampleCount(0); }));
  EXPECT_EQ("Subsampling value is invalid. Allowed are 1, 2 and 4.", ColourErrorOf([&] { m.SetYCbCrSettings({}, 3, 1); }));
  EXPECT_EQ("Vertical subsampling value must be <= horizontal subsampling value.",
            ColourErrorOf([&] { m.SetYCbCrSettings({}, 1, 2); }));
  const Bytes row(16, 0);
  Bytes out(16);
  Describe(m, scRGB, 8, 3, scGrayAlpha, 8, 2);
  EXPECT_EQ("Color conversion failed. Could not find a proper method.",
            ColourErrorOf([&] { m.ConvertLine(row.data(), out.data(), 1); }));
  Describe(m, scGrayAlpha, 8, 2, scRGB, 8, 3);
  EXPECT_EQ("Conversion between indexed and non-indexed pixel formats is not supported.",
            ColourErrorOf([&] { m.ConvertLine(row.data(), out.data(), 1); }));
  Describe(m, scCMY, 8, 3, scRGB, 8, 3);
  EXPECT_EQ("Color conversion failed. Could not find a proper method.",
            ColourErrorOf([&] { m.ConvertLine(row.data(), out.data(), 1); }));
  // Planar data with too few planes is refused rather than read through a missing pointer.
  Describe(m, scRGB, 8, 3, scBGR, 8, 3);
  const void* two[2] = {row.data(), row.data()};
  EXPECT_EQ("Color conversion failed. Could not find a proper method.",
            ColourErrorOf([&] { m.ConvertLine(two, out.data(), 1); }));
}

TEST(ColourManager, PixelFormatsAndPalettes) {
  TColorManager m;
  struct Case {
    uint8_t samples, bits;
    vcl::TPixelFormat format;
  };
  const Case cases[] = {{1, 1, vcl::pf1bit},  {1, 4, vcl::pf4bit},   {1, 16, vcl::pf8bit}, {1, 5, vcl::pfCustom},
                        {3, 5, vcl::pf15bit}, {3, 8, vcl::pf24bit},  {4, 8, vcl::pf32bit}, {4, 4, vcl::pfCustom},
                        {2, 8, vcl::pfCustom}};
  for (const Case& c : cases) {
    m.SetTargetSampleCount(c.samples);
    m.SetTargetBitsPerSample(c.bits);
    EXPECT_EQ(c.format, m.PixelFormatForTarget());
  }
  m.SetTargetSampleCount(1);
  m.SetTargetBitsPerSample(1);
  auto grey = m.GrayPaletteEntries(false);
  ASSERT_EQ(2u, grey.size());
  EXPECT_EQ(0, grey[0].peRed);
  EXPECT_EQ(255, grey[1].peBlue);
  EXPECT_EQ(255, m.GrayPaletteEntries(true)[0].peGreen);

  // 300 colours make 256 entries; 4-bit entries spread to 8 bits.
  Bytes data(300 * 3);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  const void* packed[1] = {data.data()};
  m.SetSourceBitsPerSample(8);
  m.SetTargetBitsPerSample(8);
  auto entries = m.ColorPaletteEntries(packed, plPacked8x3, 300, false);
  ASSERT_EQ(256u, entries.size());
  EXPECT_EQ(3, entries[1].peRed);
  EXPECT_EQ(5, entries[1].peBlue);
  entries = m.ColorPaletteEntries(packed, plPacked8x3, 2, true);  // blue, green, red
  EXPECT_EQ(5, entries[1].peRed);
  m.SetSourceBitsPerSample(4);
  entries = m.ColorPaletteEntries(packed, plPacked8x3, 16, false);
  ASSERT_EQ(256u, entries.size());
  for (uint32_t j = 0; j < 256; ++j) EXPECT_EQ((j * 15 / 255) * 3, entries[j].peRed);
  HPALETTE palette = m.BuildGrayPalette(false);
  EXPECT_NE(nullptr, palette);
  DeleteObject(palette);
}

TEST(ColourManager, SubsampledYCbCrMatchesLibtiff) {
  if (!test_files::HaveTool("tiff2rgba")) GTEST_SKIP() << "tiff2rgba is missing";
  const int width = 13, height = 6;
  for (auto [h, v] : {std::pair{2, 2}, std::pair{4, 2}, std::pair{2, 1}, std::pair{4, 4}}) {
    SCOPED_TRACE(std::to_string(h) + "x" + std::to_string(v));
    const int unitsAcross = (width + h - 1) / h;
    const int unitRows = (height + v - 1) / v;
    Bytes units;
    for (int u = 0; u < unitsAcross * unitRows; ++u) {
      for (int k = 0; k < h * v; ++k) units.push_back(static_cast<uint8_t>(16 + (u * 37 + k * 11) % 220));
      units.push_back(static_cast<uint8_t>(60 + u * 29 % 140));
      units.push_back(static_cast<uint8_t>(200 - u * 17 % 150));
    }
    tiff_strips::TImage header;
    header.width = width;
    header.height = height;
    header.samplesPerPixel = 3;
    header.photometric = 6;
    header.subsamplingH = h;
    header.subsamplingV = v;
    Bytes rgbaFile;
    ASSERT_TRUE(tiff_strips::RunTool("tiff2rgba -c none {in} {out}", tiff_strips::MakeTIFF(header, units), rgbaFile));
    tiff_strips::TImage rgba;
    ASSERT_TRUE(tiff_strips::ReadTIFF(rgbaFile, rgba));
    Bytes expected;
    for (const Bytes& strip : rgba.strips) expected.insert(expected.end(), strip.begin(), strip.end());
    ASSERT_EQ(static_cast<size_t>(width * height * 4), expected.size());

    TColorManager m;
    Describe(m, scYCbCr, 8, 3, scRGBA, 8, 4);
    m.SetYCbCrSettings({}, static_cast<uint8_t>(h), static_cast<uint8_t>(v));
    ASSERT_EQ(units.size(), m.UnitRowBytes(width) * unitRows);
    Bytes out(static_cast<size_t>(width) * height * 4, 0);
    for (int r = 0; r < unitRows; ++r) {
      std::vector<void*> rows;
      for (int k = 0; k < v; ++k) rows.push_back(out.data() + static_cast<size_t>(r * v + k) * width * 4);
      const uint32_t count = static_cast<uint32_t>(std::min(v, height - r * v));
      m.ConvertUnitRow(units.data() + static_cast<size_t>(r) * m.UnitRowBytes(width), rows.data(), count, width);
    }
    int worst = 0;
    for (size_t i = 0; i < out.size(); ++i)
      if (i % 4 != 3) worst = std::max(worst, std::abs(out[i] - expected[i]));
    EXPECT_LE(worst, 1);
  }
}
