// PCX files made by ppmtopcx and by hand load with the pixels pcxtoppm decodes from them;
// the content test and the header agree; damaged files end in EInvalidGraphic.
#include "formats/pcx/pcx_graphic.h"

#include <gtest/gtest.h>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t Colours(int count, int x, int y) {
  static const uint32_t table[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808000,
                                   0x008080, 0x800080, 0x123456, 0x654321, 0xABCDEF, 0x102030,
                                   0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0};
  return table[(x / 2 + y * 3) % count];
}

Bytes PcxHeader(uint8_t version, uint8_t encoding, uint8_t bits, int width, int height, uint8_t planes,
             uint16_t bytesPerLine, uint16_t paletteInfo = 1, uint8_t manufacturer = 10) {
  Bytes b(128, 0);
  b[0] = manufacturer;
  b[1] = version;
  b[2] = encoding;
  b[3] = bits;
  b[8] = static_cast<uint8_t>(width - 1);
  b[9] = static_cast<uint8_t>((width - 1) >> 8);
  b[10] = static_cast<uint8_t>(height - 1);
  b[11] = static_cast<uint8_t>((height - 1) >> 8);
  for (int i = 0; i < 48; ++i) b[16 + i] = static_cast<uint8_t>(i * 5);
  b[65] = planes;
  b[66] = static_cast<uint8_t>(bytesPerLine);
  b[67] = static_cast<uint8_t>(bytesPerLine >> 8);
  b[68] = static_cast<uint8_t>(paletteInfo);
  return b;
}

vcl::TMemoryStream* StreamOf(const Bytes& bytes, vcl::TMemoryStream& stream) {
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  return &stream;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PCXGraphic, FilesOfPpmtopcxLoadAsPcxtoppmDecodesThem) {
  if (!test_files::HaveTool("ppmtopcx") || !test_files::HaveTool("pcxtoppm")) GTEST_SKIP() << "netpbm missing";
  struct Case {
    const char* options;
    int colours;  // 0: every pixel its own colour
    vcl::TPixelFormat format;
  } cases[] = {
      {"-packed", 2, vcl::pf1bit},     {"-packed", 4, vcl::pf4bit},     {"-packed", 16, vcl::pf4bit},
      {"-planes=4", 16, vcl::pf4bit},  {"-planes=4", 3, vcl::pf4bit},   {"-8bit", 16, vcl::pf8bit},
      {"-24bit", 0, vcl::pf24bit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.options) + " " + std::to_string(c.colours));
    // An odd width, so that lines carry padding.
    const Bytes ppm = reader_checks::MakePnm(false, 37, 11, [&](int x, int y) {
      return c.colours ? Colours(c.colours, x, y) : static_cast<uint32_t>(x * 7 << 16 | y * 23 << 8 | (x ^ y));
    });
    Bytes pcx, decoded;
    ASSERT_TRUE(tiff_strips::RunTool(std::string("ppmtopcx ") + c.options + " {in} > {out}", ppm, pcx));
    ASSERT_TRUE(tiff_strips::RunTool("pcxtoppm {in} > {out}", pcx, decoded));
    const reader_checks::TLoaded l = reader_checks::LoadAs("pcx", pcx);
    EXPECT_EQ("TPCXGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(decoded), l.rgb);
    vcl::TMemoryStream stream;
    EXPECT_TRUE(TPCXGraphic().CanLoadStream(StreamOf(pcx, stream)));
  }
}

TEST(PCXGraphic, ContentTestAndHeaderAgree) {
  struct Case {
    uint8_t manufacturer;
    bool loads;
  } cases[] = {{10, true}, {205, true}, {12, false}, {0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.manufacturer));
    Bytes f = PcxHeader(5, 0, 8, 2, 1, 1, 2, 2, c.manufacturer);
    f.insert(f.end(), {0, 255});
    vcl::TMemoryStream stream;
    TPCXGraphic graphic;
    EXPECT_EQ(c.loads, graphic.CanLoadStream(StreamOf(f, stream)));
    const std::string error = ErrorOf([&] { graphic.LoadFromStream(&stream); });
    EXPECT_EQ(c.loads ? "" : "EInvalidGraphic: Cannot load image. Invalid or unexpected PCX or SCR image format.",
              error);
    EXPECT_EQ(c.loads ? 2 : 0, graphic.Width());
  }
}

TEST(PCXGraphic, HandMadeVariants) {
  struct Case {
    const char* what;
    Bytes file;
    vcl::TPixelFormat format;
    std::vector<uint32_t> rgb;
  };
  std::vector<Case> cases;
  {  // 8-bit raw without a palette block: every byte is a pixel, grey from the palette info.
    Bytes f = PcxHeader(5, 0, 8, 4, 1, 1, 4, 2);
    f.insert(f.end(), {12, 0, 128, 255});
    cases.push_back({"8-bit raw, no trailer", f, vcl::pf8bit, {0x0C0C0C, 0x000000, 0x808080, 0xFFFFFF}});
  }
  {  // The palette block is found and kept out of the pixels.
    Bytes f = PcxHeader(5, 1, 8, 3, 1, 1, 4);
    f.insert(f.end(), {0xC3, 1, 2});  // three 1s, then the pad byte 2
    f.push_back(12);
    for (int i = 0; i < 256; ++i) f.insert(f.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    cases.push_back({"8-bit with trailer", f, vcl::pf8bit, {0x01FE00, 0x01FE00, 0x01FE00}});
  }
  {  // Version 3 takes the standard 16 colours.
    Bytes f = PcxHeader(3, 0, 4, 2, 1, 1, 1);
    f.push_back(0x1C);
    cases.push_back({"version 3", f, vcl::pf4bit, {0x800000, 0x0000FF}});
  }
  {  // A screen capture, three planes of 8 bits.
    Bytes f = PcxHeader(5, 0, 8, 2, 1, 3, 2, 1, 205);
    f.insert(f.end(), {10, 20, 30, 40, 50, 60});
    cases.push_back({"24-bit capture", f, vcl::pf24bit, {0x0A1E32, 0x14283C}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const reader_checks::TLoaded l = reader_checks::LoadAs("pcx", c.file);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(c.rgb, l.rgb);
  }
}

TEST(PCXGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  Bytes shortLine = PcxHeader(5, 0, 8, 10, 2, 1, 4);  // 4 bytes per line for 10 pixels
  shortLine.resize(shortLine.size() + 40);
  Bytes twoPlanes = PcxHeader(5, 0, 1, 8, 1, 2, 1);
  twoPlanes.insert(twoPlanes.end(), {1, 2});
  Bytes cutRaw = PcxHeader(5, 0, 8, 4, 4, 1, 4);
  cutRaw.resize(cutRaw.size() + 15);
  Bytes cutCoded = PcxHeader(5, 1, 8, 4, 4, 1, 4);
  cutCoded.insert(cutCoded.end(), {0xCF, 7});  // 15 of 16 bytes
  Bytes inverted = PcxHeader(5, 0, 8, 4, 4, 1, 4);
  inverted[8] = 0, inverted[4] = 9;  // xmax below xmin
  inverted.resize(inverted.size() + 16);
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected PCX or SCR image format.";
  const std::string cut = "EInvalidGraphic: Stream read error in PCX file.";
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"line shorter than its pixels", shortLine, invalid},
      {"two planes of 1 bit", twoPlanes, "EInvalidGraphic: Invalid color format in PCX file."},
      {"raw data cut", cutRaw, cut},
      {"coded data cut", cutCoded, cut},
      {"negative width", inverted, invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    TPCXGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(StreamOf(c.file, stream)); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(PCXGraphic, SurvivesDamage) {
  std::vector<Bytes> samples;
  {
    Bytes f = PcxHeader(5, 1, 1, 12, 3, 4, 2);
    for (int i = 0; i < 24; ++i) f.insert(f.end(), {0xC1, uint8_t(i * 11)});
    samples.push_back(f);
  }
  {
    Bytes f = PcxHeader(5, 1, 8, 5, 3, 1, 6);
    f.insert(f.end(), {0xC6, 1, 0xC6, 2, 3, 4, 5, 6, 7, 8});
    f.push_back(12);
    f.resize(f.size() + 768, 0x40);
    samples.push_back(f);
  }
  {
    Bytes f = PcxHeader(5, 0, 8, 3, 2, 3, 4, 1, 205);
    f.resize(f.size() + 24, 0x99);
    samples.push_back(f);
  }
  unsigned seed = 91;
  for (const Bytes& s : samples) reader_checks::FuzzReader("pcx", s, seed++, [] { return new TPCXGraphic; });
}
