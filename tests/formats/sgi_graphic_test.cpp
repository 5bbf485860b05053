// SGI files made by pnmtosgi and by hand load with the pixels sgitopnm decodes from them;
// damaged files end in EInvalidGraphic.
#include "formats/sgi/sgi_graphic.h"

#include <gtest/gtest.h>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t SgiGradient(int x, int y) {
  if (x < 9) return 0x336699;  // runs for the coder
  return static_cast<uint32_t>(x * 13 & 0xFF) << 16 | static_cast<uint32_t>(y * 41 & 0xFF) << 8 |
         static_cast<uint32_t>((x * y * 3 + 1) & 0xFF);
}

// A raw file of 8-bit planes (`samples` plane after plane, rows from the bottom).
Bytes MakeSgi(uint16_t width, uint16_t height, uint16_t channels, const Bytes& samples, uint8_t storage = 0,
              uint8_t sampleBytes = 1) {
  Bytes f;
  test_files::PutBE16(f, 474);
  f.insert(f.end(), {storage, sampleBytes});
  test_files::PutBE16(f, 3);
  test_files::PutBE16(f, width);
  test_files::PutBE16(f, height);
  test_files::PutBE16(f, channels);
  f.resize(512, 0);
  f.insert(f.end(), samples.begin(), samples.end());
  return f;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(SGIGraphic, FilesOfPnmtosgiLoadAsSgitopnmDecodesThem) {
  if (!test_files::HaveTool("pnmtosgi") || !test_files::HaveTool("sgitopnm")) GTEST_SKIP() << "netpbm missing";
  struct Case {
    const char* command;
    vcl::TPixelFormat format;
  } cases[] = {
      {"pnmtosgi -rle {in}", vcl::pf24bit},
      {"pnmtosgi -verbatim {in}", vcl::pf24bit},
      {"pamdepth 65535 {in} | pamfunc -adder=5 | pnmtosgi -rle", vcl::pf24bit},
      {"pamdepth 65535 {in} | pamfunc -adder=5 | pnmtosgi -verbatim", vcl::pf24bit},
      {"ppmtopgm {in} | pnmtosgi -rle", vcl::pf8bit},
      {"ppmtopgm {in} | pamdepth 65535 | pamfunc -adder=9 | pnmtosgi -rle", vcl::pf8bit},
  };
  const Bytes ppm = reader_checks::MakePnm(false, 27, 6, SgiGradient);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Bytes sgi, decoded;
    ASSERT_TRUE(tiff_strips::RunTool(std::string(c.command) + " > {out}", ppm, sgi));
    ASSERT_TRUE(tiff_strips::RunTool("sgitopnm {in} | pamdepth 255 | ppmtoppm > {out}", sgi, decoded));
    const reader_checks::TLoaded l = reader_checks::LoadAs("sgi", sgi);
    EXPECT_EQ("TSGIGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(decoded), l.rgb);
  }
}

TEST(SGIGraphic, FourChannelsKeepTheirAlphaAndRowsRunFromTheBottom) {
  Bytes planes;
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i < 4; ++i) planes.push_back(static_cast<uint8_t>(c * 60 + i));
  const reader_checks::TLoaded l = reader_checks::LoadAs("rgba", MakeSgi(2, 2, 4, planes));
  EXPECT_EQ(vcl::pf32bit, l.format);
  // File row 0 (samples 0 and 1) is the bottom row.
  EXPECT_EQ((std::vector<uint32_t>{0x023E7A, 0x033F7B, 0x003C78, 0x013D79}), l.rgb);
  EXPECT_EQ((std::vector<uint8_t>{182, 183, 180, 181}), l.alpha);
}

TEST(SGIGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected sgi, bw or rgb(a) image format.";
  const std::string cut = "EInvalidGraphic: Stream read error in SGI file.";
  Bytes rowOutside = MakeSgi(2, 1, 1, {}, 1);
  for (uint32_t v : {600u, 4u}) test_files::PutBE32(rowOutside, v);  // 4 bytes at 600, past the end
  Bytes wrongMagic = MakeSgi(2, 2, 1, Bytes(4, 1));
  wrongMagic[1] = 0xDB;
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"wrong magic", wrongMagic, invalid},
      {"3 bytes a sample", MakeSgi(2, 2, 1, Bytes(12, 1), 0, 3), invalid},
      {"zero width", MakeSgi(0, 2, 1, Bytes(4, 1)), invalid},
      {"raw planes cut", MakeSgi(4, 4, 3, Bytes(47, 1)), cut},
      {"16-bit raw planes cut", MakeSgi(4, 4, 1, Bytes(31, 1), 0, 2), cut},
      {"coded row outside the file", rowOutside, cut},
      {"tables beyond the file", MakeSgi(100, 100, 3, Bytes(10, 1), 1), cut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TSGIGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(SGIGraphic, SurvivesDamage) {
  std::vector<Bytes> samples;
  if (test_files::HaveTool("pnmtosgi")) {
    const Bytes ppm = reader_checks::MakePnm(false, 12, 3, SgiGradient);
    for (const char* command : {"pnmtosgi -rle {in} > {out}", "pamdepth 65535 {in} | pnmtosgi -rle > {out}"}) {
      Bytes sgi;
      if (tiff_strips::RunTool(command, ppm, sgi)) samples.push_back(sgi);
    }
  }
  samples.push_back(MakeSgi(3, 2, 4, Bytes(24, 0x42)));
  unsigned seed = 171;
  for (const Bytes& s : samples) reader_checks::FuzzReader("sgi", s, seed++, [] { return new TSGIGraphic; });
}
