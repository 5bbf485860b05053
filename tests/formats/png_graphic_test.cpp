// PNG files made by pnmtopng and by hand load with the pixels pngtopam decodes from them;
// damaged files end in EInvalidGraphic.
#include "formats/png/png_graphic.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <zlib.h>

#include "formats/png/png_colour_chunks.h"
#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t PngGradient(int x, int y) {
  return static_cast<uint32_t>(x * 11 & 0xFF) << 16 | static_cast<uint32_t>(y * 37 & 0xFF) << 8 |
         static_cast<uint32_t>((x * y * 5 + 3) & 0xFF);
}

void PutChunk(Bytes& f, const char* type, const Bytes& data) {
  test_files::PutBE32(f, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  f.insert(f.end(), body.begin(), body.end());
  test_files::PutBE32(f, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A file of unfiltered rows (`rows` holds the filter bytes too) with the chunks given before
// the image data.
Bytes MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const Bytes& rows,
              const std::vector<std::pair<const char*, Bytes>>& before = {}) {
  Bytes f = {137, 80, 78, 71, 13, 10, 26, 10};
  Bytes ihdr;
  test_files::PutBE32(ihdr, width);
  test_files::PutBE32(ihdr, height);
  ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, 0});
  PutChunk(f, "IHDR", ihdr);
  for (const auto& [type, data] : before) PutChunk(f, type, data);
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  Bytes packed(size);
  compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(size);
  PutChunk(f, "IDAT", packed);
  PutChunk(f, "IEND", {});
  return f;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PNGGraphic, FilesOfPnmtopngLoadAsPngtopamDecodesThem) {
  if (!test_files::HaveTool("pnmtopng") || !test_files::HaveTool("pngtopam")) GTEST_SKIP() << "netpbm missing";
  struct Case {
    const char* command;  // from {in}, a 23 x 7 colour picture
    uint8_t colourType, depth;
    vcl::TPixelFormat format;
  } cases[] = {
      {"ppmtopgm {in} | pamthreshold | pnmtopng", 0, 1, vcl::pf1bit},
      {"ppmtopgm {in} | pamdepth 3 | pnmtopng", 0, 2, vcl::pf4bit},
      {"ppmtopgm {in} | pamdepth 15 | pnmtopng -interlace", 0, 4, vcl::pf4bit},
      {"ppmtopgm {in} | pnmtopng -force", 0, 8, vcl::pf8bit},
      {"ppmtopgm {in} | pamfunc -multiplier=253 | pamdepth 65535 | pamfunc -adder=7 | pnmtopng", 0, 16, vcl::pf8bit},
      {"pnmtopng -force {in}", 2, 8, vcl::pf24bit},
      {"pnmtopng -force -interlace {in}", 2, 8, vcl::pf24bit},
      {"pamdepth 65535 {in} | pamfunc -adder=3 | pnmtopng", 2, 16, vcl::pf24bit},
      {"pamdepth 3 {in} | pnmtopng", 3, 8, vcl::pf8bit},
      {"pamdepth 1 {in} | pnmtopng -interlace", 3, 4, vcl::pf4bit},
  };
  const Bytes ppm = reader_checks::MakePnm(false, 23, 7, PngGradient);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Bytes png, decoded;
    ASSERT_TRUE(tiff_strips::RunTool(std::string(c.command) + " > {out}", ppm, png));
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(c.depth, png[24]);
    EXPECT_EQ(c.colourType, png[25]);
    ASSERT_TRUE(tiff_strips::RunTool("pngtopam {in} | pamdepth 255 | ppmtoppm > {out}", png, decoded));
    const reader_checks::TLoaded l = reader_checks::LoadAs("png", png);
    EXPECT_EQ("TPNGGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(decoded), l.rgb);
  }
}

TEST(PNGGraphic, AlphaAndTransparency) {
  if (!test_files::HaveTool("pnmtopng")) GTEST_SKIP() << "netpbm missing";
  const Bytes ppm = reader_checks::MakePnm(false, 23, 7, PngGradient);
  const std::string dir = test_files::MakeTempDir();
  const Bytes alphaPgm = reader_checks::MakePnm(true, 23, 7, [](int x, int y) { return uint32_t(x * 11 + y) << 16; });
  test_files::WriteFileBytes(dir + "/alpha.pgm", alphaPgm);
  // pnmtopng takes the alpha samples at the mask's own depth: a 16-bit picture needs a 16-bit mask.
  ASSERT_EQ(0, test_files::RunShell("pamdepth 65535 " + dir + "/alpha.pgm > " + dir + "/alpha65535.pgm"));
  ASSERT_EQ(0, test_files::RunShell("cp " + dir + "/alpha.pgm " + dir + "/alpha255.pgm"));
  std::vector<uint8_t> alpha;
  for (uint32_t v : reader_checks::PnmPixels(alphaPgm)) alpha.push_back(static_cast<uint8_t>(v));
  for (const char* depth : {"255", "65535"}) {
    SCOPED_TRACE(depth);
    Bytes png;
    ASSERT_TRUE(tiff_strips::RunTool(std::string("pamdepth ") + depth + " {in} | pnmtopng -force -alpha=" + dir +
                                         "/alpha" + depth + ".pgm > {out}",
                                     ppm, png));
    EXPECT_EQ(6, png[25]);
    const reader_checks::TLoaded l = reader_checks::LoadAs("png", png);
    EXPECT_EQ(vcl::pf32bit, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(ppm), l.rgb);
    EXPECT_EQ(alpha, l.alpha);
  }
  // A grey key of any depth is scaled to 8 bits like the pixels, so it matches the pixel of
  // that value; a colour key keeps red, green and blue where the bitmap takes them.
  struct Case {
    uint8_t colourType, depth;
    Bytes key;
    Bytes row;  // the filter byte and one pixel of the key's value
    vcl::TColor colour;  // as the platform stores it, red in the low byte
    uint32_t pixel;      // 0xRRGGBB
  } cases[] = {{0, 2, {0, 1}, {0, 0x40}, 0x555555, 0x555555},
               {0, 4, {0, 3}, {0, 0x30}, 0x333333, 0x333333},
               {0, 8, {0, 200}, {0, 200}, 0xC8C8C8, 0xC8C8C8},
               {0, 16, {0x80, 0x00}, {0, 0x80, 0x00}, 0x7F7F7F, 0x7F7F7F},
               {2, 8, {0, 255, 0, 0, 0, 0}, {0, 255, 0, 0}, 0x0000FF, 0xFF0000},
               {2, 8, {0, 10, 0, 20, 0, 30}, {0, 10, 20, 30}, 0x1E140A, 0x0A141E},
               {2, 16, {0x0A, 0x0A, 0x14, 0x14, 0x1E, 0x1E}, {0, 0x0A, 0x0A, 0x14, 0x14, 0x1E, 0x1E}, 0x1E140A, 0x0A141E}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.colourType) << "/" << int(c.depth) << " " << std::hex << c.colour);
    const Bytes file = MakePng(1, 1, c.depth, c.colourType, c.row, {{"tRNS", c.key}, {"bKGD", c.key}});
    vcl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream.SetPosition(0);
    TPNGGraphic graphic;
    graphic.LoadFromStream(&stream);
    EXPECT_TRUE(graphic.Transparent());
    EXPECT_EQ(c.colour, graphic.TransparentColor() & 0xFFFFFF);
    EXPECT_EQ(c.pixel, reader_checks::Pixels(&graphic).rgb.at(0));
  }
}

// The background a file names is what the bitmap is cleared to before its rows are decoded:
// red, green and blue of a colour or of a palette entry where the bitmap keeps them.
TEST(PNGGraphic, BackgroundChunkGivesTheClearColour) {
  const std::vector<uint8_t> palette = {1, 2, 3, 10, 20, 30};
  struct Case {
    uint8_t colourType, depth;
    Bytes background;
    vcl::TColor clear;  // red in the low byte
  } cases[] = {{0, 8, {0, 200}, 0xC8C8C8},
               {0, 2, {0, 2}, 0xAAAAAA},
               {4, 16, {0xFF, 0xFF}, 0xFFFFFF},
               {2, 8, {0, 10, 0, 20, 0, 30}, 0x1E140A},
               {2, 8, {0, 255, 0, 0, 0, 0}, 0x0000FF},
               {6, 16, {0x0A, 0x0A, 0x14, 0x14, 0x1E, 0x1E}, 0x1E140A},
               {3, 8, {1}, 0x1E140A},
               {3, 8, {2}, 0xFFFFFF},     // beyond the palette: white stays
               {2, 8, {0, 10, 0, 20}, 0xFFFFFF}};  // too short for a colour
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.colourType) << "/" << int(c.depth) << " " << std::hex << c.clear);
    TPNGColours colours;
    colours.ColourType = c.colourType;
    colours.BitDepth = c.depth;
    colours.ReadBackgroundChunk(c.background.data(), static_cast<uint32_t>(c.background.size()));
    colours.ResolveBackgroundIndex(palette);
    EXPECT_EQ(c.clear, colours.ClearColour);
    EXPECT_EQ(kPNGNoKeyColour, colours.KeyColour);
  }
}

TEST(PNGGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const Bytes rows = {0, 1, 2, 3, 0, 4, 5, 6};
  Bytes badCrc = MakePng(3, 2, 8, 0, rows);
  badCrc[badCrc.size() - 13] ^= 1;  // inside the image data's CRC
  Bytes longChunk = MakePng(3, 2, 8, 0, rows);
  longChunk[33] = 0x7F;  // the IDAT length far beyond the file
  Bytes shortData = MakePng(3, 3, 8, 0, rows);  // 2 rows given of 3
  const std::string cut = "EInvalidGraphic: Stream read error in PNG file.";
  Bytes notDeflate = MakePng(3, 2, 8, 0, rows);
  notDeflate[26] = 1;
  const uint32_t crc = crc32(0, notDeflate.data() + 12, 17);
  notDeflate[29] = uint8_t(crc >> 24), notDeflate[30] = uint8_t(crc >> 16), notDeflate[31] = uint8_t(crc >> 8),
  notDeflate[32] = uint8_t(crc);
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"wrong CRC", badCrc, "EInvalidGraphic: Cannot load image. CRC error found in PNG file."},
      {"chunk longer than the file", longChunk, cut},
      {"rows missing", shortData, cut},
      {"palette of 10 bytes", MakePng(3, 2, 8, 3, rows, {{"PLTE", Bytes(10, 1)}}),
       "EInvalidGraphic: Cannot load image. Palette in PNG file is invalid."},
      {"indexed without a palette", MakePng(3, 2, 8, 3, rows),
       "EInvalidGraphic: Cannot load image. Palette in PNG file is invalid."},
      {"unknown critical chunk", MakePng(3, 2, 8, 0, rows, {{"ZZZZ", {}}}),
       "EInvalidGraphic: Cannot load PNG image. Unexpected but critical chunk detected."},
      {"unknown ancillary chunk", MakePng(3, 2, 8, 0, rows, {{"zzZZ", {1}}}), ""},
      {"RGB at 4 bits", MakePng(3, 2, 4, 2, rows), "EInvalidGraphic: Invalid color format in PNG file."},
      {"compression method 1", notDeflate,
       "EInvalidGraphic: Cannot load image. The compression scheme is not supported for PNG files."},
      {"filter type 9", MakePng(3, 2, 8, 0, {9, 1, 2, 3, 0, 4, 5, 6}),
       "EInvalidGraphic: Cannot load image. Invalid or unexpected PNG image format."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TPNGGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_EQ(c.error.empty(), !graphic.Empty());
  }
}

// Image data may come in any number of chunks, split anywhere (inside a row, inside a
// code, empty chunks among them): the picture is the same.
TEST(PNGGraphic, ImageDataSplitOverChunksLoadsAlike) {
  Bytes rows;
  for (int y = 0; y < 4; ++y) {
    rows.push_back(static_cast<uint8_t>(y % 3));  // filters none, sub, up
    for (int i = 0; i < 15; ++i) rows.push_back(static_cast<uint8_t>(i * 17 + y * 5));
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  Bytes packed(size);
  compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(size);
  auto load = [&](size_t piece, bool emptyFirst) {
    Bytes f = MakePng(5, 4, 8, 2, rows);
    f.resize(33);  // the signature and IHDR
    if (emptyFirst) PutChunk(f, "IDAT", {});
    for (size_t at = 0; at < packed.size(); at += piece)
      PutChunk(f, "IDAT", Bytes(packed.begin() + at, packed.begin() + std::min(packed.size(), at + piece)));
    PutChunk(f, "IEND", {});
    vcl::TMemoryStream stream;
    stream.WriteBuffer(f.data(), static_cast<int32_t>(f.size()));
    stream.SetPosition(0);
    TPNGGraphic graphic;
    graphic.LoadFromStream(&stream);
    return reader_checks::Pixels(&graphic).rgb;
  };
  const std::vector<uint32_t> whole = load(packed.size(), false);
  ASSERT_EQ(whole.size(), 20u);
  EXPECT_EQ(0x001122u, whole.at(0) & 0xFFFFFF);  // red 0, green 17, blue 34
  const struct {
    size_t piece;
    bool emptyFirst;
  } cases[] = {{1, false}, {7, false}, {16, true}, {packed.size(), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.piece);
    EXPECT_EQ(whole, load(c.piece, c.emptyFirst));
  }
}

TEST(PNGGraphic, SurvivesDamage) {
  std::vector<Bytes> samples;
  if (test_files::HaveTool("pnmtopng")) {
    const Bytes ppm = reader_checks::MakePnm(false, 9, 5, PngGradient);
    for (const char* command : {"pnmtopng -interlace {in} > {out}", "pamdepth 3 {in} | pnmtopng > {out}",
                                "pamdepth 65535 {in} | pnmtopng > {out}"}) {
      Bytes png;
      if (tiff_strips::RunTool(command, ppm, png)) samples.push_back(png);
    }
  }
  Bytes rows;
  for (int y = 0; y < 4; ++y) {
    rows.push_back(static_cast<uint8_t>(y + 1));  // filters 1 to 4
    for (int i = 0; i < 12; ++i) rows.push_back(static_cast<uint8_t>(i * y + 9));
  }
  samples.push_back(MakePng(3, 4, 8, 6, rows, {{"gAMA", {0, 0, 0xB1, 0x8F}}, {"bKGD", {0, 1, 0, 2, 0, 3}}}));
  unsigned seed = 131;
  for (const Bytes& s : samples) reader_checks::FuzzReader("png", s, seed++, [] { return new TPNGGraphic; });
}
