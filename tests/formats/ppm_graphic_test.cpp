// Portable maps made by netpbm and by hand load with the pixels netpbm decodes from them;
// damaged files end in EInvalidGraphic.
#include "formats/pnm/ppm_graphic.h"

#include <gtest/gtest.h>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t PpmGradient(int x, int y) {
  return static_cast<uint32_t>(x * 13 & 0xFF) << 16 | static_cast<uint32_t>(y * 41 & 0xFF) << 8 |
         static_cast<uint32_t>((x * y * 3 + 1) & 0xFF);
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PPMGraphic, FilesOfNetpbmLoadAsNetpbmDecodesThem) {
  if (!test_files::HaveTool("pamdepth")) GTEST_SKIP() << "netpbm missing";
  struct Case {
    const char* command;  // from {in}, a 21 x 6 colour picture
    const char* magic;
    vcl::TPixelFormat format;
  } cases[] = {
      {"cat {in}", "P6", vcl::pf24bit},
      {"pamdepth 31 {in}", "P6", vcl::pf24bit},
      {"pamdepth 1000 {in}", "P6", vcl::pf24bit},
      {"pamdepth 65535 {in} | pnmtoplainpnm", "P3", vcl::pf24bit},
      {"pnmtoplainpnm {in}", "P3", vcl::pf24bit},
      {"ppmtopgm {in}", "P5", vcl::pf8bit},
      {"ppmtopgm {in} | pamdepth 4095", "P5", vcl::pf8bit},
      {"ppmtopgm {in} | pamdepth 7 | pnmtoplainpnm", "P2", vcl::pf8bit},
      {"ppmtopgm {in} | pamthreshold | pamtopnm", "P4", vcl::pf1bit},
      {"ppmtopgm {in} | pamthreshold | pamtopnm | pnmtoplainpnm", "P1", vcl::pf1bit},
  };
  const Bytes ppm = reader_checks::MakePnm(false, 21, 6, PpmGradient);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Bytes map, decoded;
    ASSERT_TRUE(tiff_strips::RunTool(std::string(c.command) + " > {out}", ppm, map));
    EXPECT_EQ(c.magic, std::string(map.begin(), map.begin() + 2));
    ASSERT_TRUE(tiff_strips::RunTool("pamdepth 255 {in} | ppmtoppm > {out}", map, decoded));
    const char* extension = c.format == vcl::pf24bit ? "ppm" : c.format == vcl::pf8bit ? "pgm" : "pbm";
    const reader_checks::TLoaded l = reader_checks::LoadAs(extension, map);
    EXPECT_EQ("TPPMGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(decoded), l.rgb);
  }
}

TEST(PPMGraphic, HeadersAndPixelsAsTheyMayBeWritten) {
  struct Case {
    const char* what;
    std::string file;
    std::vector<uint32_t> rgb;
  } cases[] = {
      {"one-line header", std::string("P6 2 1 255\n") + std::string("\x01\x02\x03\xFF\x80\x00", 6), {0x010203, 0xFF8000}},
      {"comments between numbers", "P2\n# made by hand\n3 # width\n1\n# maximum\n4\n0 2 4\n",
       {0x000000, 0x808080, 0xFFFFFF}},
      {"plain bits without separators", "P1 3 2 010\n1 1 0", {0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0x000000,
                                                                  0xFFFFFF}},
      {"10 pixels in 2 bytes a row", std::string("P4 10 1\n") + "\xA0\x40",
       {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x000000}},
      {"two-byte samples", std::string("P5 2 1 65535\n") + std::string("\x80\x00\xFF\xFF", 4), {0x808080, 0xFFFFFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const reader_checks::TLoaded l = reader_checks::LoadAs("ppm", Bytes(c.file.begin(), c.file.end()));
    EXPECT_EQ(c.rgb, l.rgb);
  }
}

TEST(PPMGraphic, OtherVariantsLoadAsAnEmptyBitmap) {
  // A "P" line of a variant this reader does not decode (arbitrary maps, "P7") is no error.
  for (const std::string& file : {std::string("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 1\nMAXVAL 255\nENDHDR\n...."),
                                 std::string("P7\n2 2\n255\n............"), std::string("P0")}) {
    SCOPED_TRACE(file.substr(0, 2));
    vcl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream.SetPosition(0);
    TPPMGraphic graphic;
    EXPECT_EQ("", ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
    EXPECT_EQ(graphic.Width(), 0);
  }
}

TEST(PPMGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.";
  const std::string cut = "EInvalidGraphic: Stream read error in PPM file.";
  struct Case {
    const char* what;
    std::string file;
    std::string error;
  } cases[] = {
      {"no digit after the P", "Px\n2 2\n255\n............", invalid},
      {"no height", "P5 2 x 255\n...........", invalid},
      {"maximum 0", "P5 2 2 0\n...........", invalid},
      {"maximum 70000", "P5 2 2 70000\n...........", invalid},
      {"binary pixels cut", "P6 4 4 255\n" + std::string(47, 'x'), cut},
      {"text pixels cut", "P2 3 3 9\n1 2 3 4 5 6 7 8          ", cut},
      {"size beyond the data", "P5 65535 65535 255\n....", cut},
      {"word beyond 32 bits", "P5 99999999999 1 255\n....", invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TPPMGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(PPMGraphic, SurvivesDamage) {
  const std::string samples[] = {
      "P3\n# c\n3 2\n255\n1 2 3 4 5 6 7 8 9\n10 11 12 13 14 15 16 17 18\n",
      "P1 5 3 10101 01010 11111",
      std::string("P6 3 2 65535\n") + std::string(36, '\x7F'),
      std::string("P4 9 3\n") + std::string(6, '\x55'),
  };
  unsigned seed = 151;
  for (const std::string& s : samples)
    reader_checks::FuzzReader("ppm", Bytes(s.begin(), s.end()), seed++, [] { return new TPPMGraphic; });
}
