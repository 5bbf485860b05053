// TIFF files made by pnmtotiff and tiffcp load with the pixels tifftopnm decodes from them;
// EPS previews load as TIFF files; damaged files end in EInvalidGraphic.
#include "formats/tiff/tiff_graphic.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t TiffGradient(int x, int y) {
  if (x < 11) return 0x2050A0;  // runs for the coders
  return static_cast<uint32_t>(x * 7 & 0xFF) << 16 | static_cast<uint32_t>(y * 29 & 0xFF) << 8 |
         static_cast<uint32_t>((x * y + 40) & 0xFF);
}

uint32_t TiffFewColours(int x, int y) {
  static const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF};
  return colours[(x / 5 + y) % 5];
}

using reader_checks::ErrorOf;

}  // namespace

TEST(TIFFGraphic, FilesOfNetpbmAndTiffcpLoadAsTifftopnmDecodesThem) {
  if (!test_files::HaveTool("pnmtotiff") || !test_files::HaveTool("tiffcp") || !test_files::HaveTool("tifftopnm"))
    GTEST_SKIP() << "tools missing";
  struct Case {
    const char* command;  // from {in}, a 45 x 19 colour picture; to {out}, or to standard output
    vcl::TPixelFormat format;
    int tolerance;
  } cases[] = {
      {"pnmtotiff -truecolor -none {in}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor -packbits -rowsperstrip=4 {in}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor -flate -predictor=2 -rowsperstrip=7 {in}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -B -c packbits {in}.t {out}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -t -w 16 -l 16 -c zip {in}.t {out}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -p separate -r 5 {in}.t {out}", vcl::pf24bit, 0},
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -p separate -t -w 32 -l 16 -c zip:2 {in}.t {out}", vcl::pf24bit, 0},
      {"pamdepth 65535 {in} | pamfunc -adder=11 | pnmtotiff -truecolor -flate -predictor=2", vcl::pf24bit, 0},
      {"pamdepth 65535 {in} | pamfunc -adder=11 | pnmtotiff -truecolor > {in}.t && tiffcp -B -c zip:2 {in}.t {out}",
       vcl::pf24bit, 0},
      {"ppmtopgm {in} | pnmtotiff -packbits", vcl::pf8bit, 0},
      {"ppmtopgm {in} | pnmtotiff -miniswhite", vcl::pf8bit, 0},
      {"ppmtopgm {in} | pamdepth 15 | pnmtotiff", vcl::pf4bit, 0},
      {"ppmtopgm {in} | pamthreshold | pamtopnm | pnmtotiff -g3", vcl::pf1bit, 0},
      {"ppmtopgm {in} | pamthreshold | pamtopnm | pnmtotiff -g3 -2d -msb2lsb", vcl::pf1bit, 0},
      {"ppmtopgm {in} | pamthreshold | pamtopnm | pnmtotiff -g4", vcl::pf1bit, 0},
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -c jpeg:r {in}.t {out}", vcl::pf24bit, 0},
      // JPEG strips of 8 rows: the last one holds only the image's last 3.
      {"pnmtotiff -truecolor {in} > {in}.t && tiffcp -c jpeg:r -r 8 {in}.t {out}", vcl::pf24bit, 0},
      {"ppmtopgm {in} | pnmtotiff > {in}.t && tiffcp -c jpeg -r 8 {in}.t {out}", vcl::pf8bit, 0},
  };
  const Bytes ppm = reader_checks::MakePnm(false, 45, 19, TiffGradient);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Bytes tiff, decoded;
    const std::string command = c.command;
    ASSERT_TRUE(tiff_strips::RunTool(command.find("{out}") == std::string::npos ? command + " > {out}" : command, ppm, tiff));
    ASSERT_TRUE(tiff_strips::RunTool("tifftopnm {in} 2>/dev/null | pamdepth 255 | ppmtoppm > {out}", tiff, decoded));
    const reader_checks::TLoaded l = reader_checks::LoadAs("tif", tiff);
    EXPECT_EQ("TTIFFGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    const std::vector<uint32_t> expected = reader_checks::PnmPixels(decoded);
    ASSERT_TRUE(reader_checks::ChannelsWithin(expected, l.rgb, c.tolerance));
  }
}

TEST(TIFFGraphic, PaletteFiles) {
  if (!test_files::HaveTool("pnmtotiff") || !test_files::HaveTool("tifftopnm")) GTEST_SKIP() << "tools missing";
  const Bytes ppm = reader_checks::MakePnm(false, 23, 9, TiffFewColours);
  Bytes tiff, decoded;
  ASSERT_TRUE(tiff_strips::RunTool("pnmtotiff -color -packbits {in} > {out}", ppm, tiff));
  ASSERT_TRUE(tiff_strips::RunTool("tifftopnm {in} 2>/dev/null | ppmtoppm > {out}", tiff, decoded));
  const reader_checks::TLoaded l = reader_checks::LoadAs("tiff", tiff);
  EXPECT_TRUE(l.format == vcl::pf4bit || l.format == vcl::pf8bit);
  EXPECT_EQ(reader_checks::PnmPixels(decoded), l.rgb);
  EXPECT_EQ(reader_checks::PnmPixels(ppm), l.rgb);
}

TEST(TIFFGraphic, GreyWithAlphaAndEpsPreview) {
  tiff_strips::TImage header;
  header.width = 3, header.height = 2, header.samplesPerPixel = 2, header.photometric = 1;
  const Bytes tiff = tiff_strips::MakeTIFF(header, {10, 255, 20, 0, 30, 9, 40, 9, 50, 9, 60, 9});
  reader_checks::TLoaded l = reader_checks::LoadAs("tif", tiff);
  EXPECT_EQ(vcl::pf8bit, l.format);
  EXPECT_EQ((std::vector<uint32_t>{0x0A0A0A, 0x141414, 0x1E1E1E, 0x282828, 0x323232, 0x3C3C3C}), l.rgb);
  // The same picture as the preview of an EPS file.
  Bytes eps;
  test_files::PutLE32(eps, 0xC6D3D0C5);
  for (uint32_t v : {0u, 0u, 0u, 0u, 30u, static_cast<uint32_t>(tiff.size())}) test_files::PutLE32(eps, v);
  test_files::PutLE16(eps, 0xFFFF);
  eps.insert(eps.end(), tiff.begin(), tiff.end());
  const reader_checks::TLoaded fromEps = reader_checks::LoadAs("eps", eps);
  EXPECT_EQ("TEPSGraphic", fromEps.className);
  EXPECT_EQ(l.rgb, fromEps.rgb);
}

TEST(TIFFGraphic, SubsampledYCbCrAsTifftopnmDecodesIt) {
  // 4 x 3 pixels in data units of 2 x 2 (the last unit row half outside the image).
  tiff_strips::TImage header;
  header.width = 4, header.height = 3, header.samplesPerPixel = 3, header.photometric = 6;
  header.subsamplingH = 2, header.subsamplingV = 2;
  const Bytes units = {100, 110, 120, 130, 90, 200, 30, 60, 90, 120, 160, 128,
                       250, 240, 0, 0, 128, 128, 10, 20, 0, 0, 60, 70};
  const Bytes tiff = tiff_strips::MakeTIFF(header, units);
  const reader_checks::TLoaded l = reader_checks::LoadAs("tif", tiff);
  EXPECT_EQ(vcl::pf24bit, l.format);
  ASSERT_EQ(12u, l.rgb.size());
  if (!test_files::HaveTool("tifftopnm") || !test_files::HaveTool("tiff2rgba")) GTEST_SKIP() << "tools missing";
  // tifftopnm reads such data through tiff2rgba's conversion.
  Bytes decoded;
  ASSERT_TRUE(tiff_strips::RunTool("tiff2rgba -c none {in} {in}.r && tifftopnm {in}.r 2>/dev/null | ppmtoppm > {out}",
                                   tiff, decoded));
  const std::vector<uint32_t> expected = reader_checks::PnmPixels(decoded);
  EXPECT_TRUE(reader_checks::ChannelsWithin(expected, l.rgb, 1));
}

TEST(TIFFGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  tiff_strips::TImage header;
  header.width = 4, header.height = 4;
  const Bytes plain = tiff_strips::MakeTIFF(header, Bytes(16, 7));
  Bytes lzw;
  if (test_files::HaveTool("pnmtotiff"))
    tiff_strips::RunTool("pnmtotiff -lzw {in} > {out}", reader_checks::MakePnm(true, 4, 4, TiffGradient), lzw);
  Bytes badVersion = plain;
  badVersion[2] = 43;
  tiff_strips::TImage palette = header;
  palette.photometric = 3;  // without a colour map
  tiff_strips::TImage fiveSamples = header;
  fiveSamples.samplesPerPixel = 5;
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected TIF/TIFF image format.";
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"version 43", badVersion, invalid},
      {"LZW", lzw, "EInvalidGraphic: Cannot load image. The compression scheme is not supported for TIF/TIFF files."},
      {"palette without a map", tiff_strips::MakeTIFF(palette, Bytes(16, 1)),
       "EInvalidGraphic: Cannot load image. Palette in TIF/TIFF file is invalid."},
      {"five samples", tiff_strips::MakeTIFF(fiveSamples, Bytes(80, 1)), "EInvalidGraphic: Invalid color format in TIF/TIFF file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.file.empty()) continue;
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TTIFFGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(TIFFGraphic, SurvivesDamage) {
  std::vector<Bytes> samples;
  if (test_files::HaveTool("pnmtotiff") && test_files::HaveTool("tiffcp")) {
    const Bytes ppm = reader_checks::MakePnm(false, 13, 6, TiffGradient);
    for (const char* command : {"pnmtotiff -truecolor -flate -predictor=2 -rowsperstrip=2 {in}",
                                "pnmtotiff -truecolor {in} > {in}.t && tiffcp -p separate -t -w 16 -l 16 -c packbits {in}.t {out}",
                                "ppmtopgm {in} | pamthreshold | pamtopnm | pnmtotiff -g4",
                                "pnmtotiff -truecolor {in} > {in}.t && tiffcp -B -c jpeg {in}.t {out}"}) {
      Bytes tiff;
      const std::string line = command;
      if (tiff_strips::RunTool(line.find("{out}") == std::string::npos ? line + " > {out}" : line, ppm, tiff))
        samples.push_back(tiff);
    }
  }
  unsigned seed = 231;
  for (const Bytes& s : samples) reader_checks::FuzzReader("tiff", s, seed++, [] { return new TTIFFGraphic; });
}
