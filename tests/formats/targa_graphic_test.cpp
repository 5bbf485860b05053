// Targa files made by ppmtotga and by hand load with the pixels the tool was given; the writer's
// files decode with tgatoppm; damaged files end in EInvalidGraphic.
#include "formats/targa/targa_graphic.h"

#include <gtest/gtest.h>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

uint32_t Colourful(int x, int y) {
  // Runs of equal pixels (for the run-length packets) beside changing ones.
  if (x < 7) return 0x204080;
  return static_cast<uint32_t>((x * 37) & 0xFF) << 16 | static_cast<uint32_t>((y * 53) & 0xFF) << 8 |
         static_cast<uint32_t>((x * y) & 0xFF);
}

uint32_t TargaFewColours(int x, int y) {
  static const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
  return colours[(x / 3 + y) % 6];
}

Bytes TargaHeader(uint8_t imageType, uint8_t depth, int width, int height, uint8_t descriptor, uint8_t mapType = 0,
             uint16_t mapFirst = 0, uint16_t mapLength = 0, uint8_t entrySize = 0) {
  Bytes b = {0, mapType, imageType};
  test_files::PutLE16(b, mapFirst);
  test_files::PutLE16(b, mapLength);
  b.push_back(entrySize);
  test_files::PutLE32(b, 0);
  test_files::PutLE16(b, static_cast<uint32_t>(width));
  test_files::PutLE16(b, static_cast<uint32_t>(height));
  b.push_back(depth);
  b.push_back(descriptor);
  return b;
}

using reader_checks::ErrorOf;

Bytes Saved(TTargaGraphic& graphic, bool compressed) {
  vcl::TMemoryStream stream;
  graphic.SaveTargaToStream(&stream, compressed);
  return test_files::StreamBytes(&stream);
}

}  // namespace

TEST(TargaGraphic, FilesOfPpmtotgaLoadWithTheirPixels) {
  if (!test_files::HaveTool("ppmtotga")) GTEST_SKIP() << "ppmtotga missing";
  struct Case {
    const char* options;
    bool grey;
    uint32_t (*colour)(int, int);
    vcl::TPixelFormat format;
  } cases[] = {
      {"-rgb", false, Colourful, vcl::pf24bit},        {"-rgb -norle", false, Colourful, vcl::pf24bit},
      {"-cmap", false, TargaFewColours, vcl::pf8bit},       {"-cmap -norle", false, TargaFewColours, vcl::pf8bit},
      {"-mono", true, Colourful, vcl::pf8bit},         {"-mono -norle", true, Colourful, vcl::pf8bit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const Bytes ppm = reader_checks::MakePnm(c.grey, 45, 13, c.colour);
    Bytes tga;
    ASSERT_TRUE(tiff_strips::RunTool(std::string("ppmtotga ") + c.options + " {in} > {out}", ppm, tga));
    const reader_checks::TLoaded l = reader_checks::LoadAs("tga", tga);
    EXPECT_EQ("TTargaGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(reader_checks::PnmPixels(ppm), l.rgb);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(tga.data(), static_cast<int32_t>(tga.size()));
    stream.SetPosition(0);
    TTargaGraphic graphic;
    EXPECT_TRUE(graphic.CanLoadStream(&stream));
    EXPECT_EQ(0, stream.Position());
  }
}

TEST(TargaGraphic, HandMadeVariants) {
  struct Case {
    const char* what;
    Bytes file;
    vcl::TPixelFormat format;
    std::vector<uint32_t> rgb;  // 3 x 2 pixels from the top
    std::vector<uint8_t> alpha;
  };
  std::vector<Case> cases;
  {  // Packets that run from one row into the next: a run of 4 and a literal of 2.
    Bytes f = TargaHeader(10, 24, 3, 2, 0x20);
    f.insert(f.end(), {0x83, 0x10, 0x20, 0x30, 0x01, 1, 2, 3, 4, 5, 6});
    cases.push_back({"run across rows", f, vcl::pf24bit,
                     {0x302010, 0x302010, 0x302010, 0x302010, 0x030201, 0x060504}, {}});
  }
  {  // Bottom-up rows, 16-bit pixels whose top bit is not colour.
    Bytes f = TargaHeader(2, 16, 3, 2, 0);
    for (uint16_t w : {0x7C00, 0x83E0, 0x001F, 0xFFFF, 0x0000, 0x4210}) test_files::PutLE16(f, w);
    cases.push_back({"16-bit bottom-up", f, vcl::pf15bit,
                     {0xFFFFFF, 0x000000, 0x848484, 0xFF0000, 0x00FF00, 0x0000FF}, {}});
  }
  {  // 32-bit pixels keep their alpha.
    Bytes f = TargaHeader(2, 32, 3, 2, 0x28);
    for (int i = 0; i < 6; ++i) f.insert(f.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(i * 3), uint8_t(i * 40)});
    std::vector<uint32_t> rgb;
    std::vector<uint8_t> alpha;
    for (int i = 0; i < 6; ++i) {
      rgb.push_back(uint32_t(i * 3) << 16 | uint32_t(i * 2) << 8 | uint32_t(i));
      alpha.push_back(uint8_t(i * 40));
    }
    cases.push_back({"32-bit with alpha", f, vcl::pf32bit, rgb, alpha});
  }
  {  // A 15-bit colour map of 300 entries from entry 254: only 254 and 255 fit the indexes.
    Bytes f = TargaHeader(1, 8, 3, 2, 0x20, 1, 254, 300, 15);
    test_files::PutLE16(f, 0x7C00);
    test_files::PutLE16(f, 0x03E0);
    for (int i = 2; i < 300; ++i) test_files::PutLE16(f, 0x001F);
    f.insert(f.end(), {254, 255, 0, 255, 254, 0});
    cases.push_back({"colour map offset and capped", f, vcl::pf8bit,
                     {0xF80000, 0x00F800, 0x000000, 0x00F800, 0xF80000, 0x000000}, {}});
  }
  {  // Grey pixels after a colour map that is not theirs.
    Bytes f = TargaHeader(3, 8, 3, 2, 0x20, 1, 0, 2, 24);
    f.insert(f.end(), {9, 9, 9, 9, 9, 9});
    f.insert(f.end(), {0, 50, 100, 150, 200, 255});
    cases.push_back({"grey with a map", f, vcl::pf8bit,
                     {0x000000, 0x323232, 0x646464, 0x969696, 0xC8C8C8, 0xFFFFFF}, {}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const reader_checks::TLoaded l = reader_checks::LoadAs("tga", c.file);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(c.rgb, l.rgb);
    EXPECT_EQ(c.alpha, l.alpha);
  }
}

TEST(TargaGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  Bytes raw = TargaHeader(2, 24, 4, 4, 0x20);
  raw.resize(raw.size() + 4 * 4 * 3 - 1, 7);
  Bytes coded = TargaHeader(10, 24, 4, 4, 0x20);
  coded.insert(coded.end(), {0x87, 1, 2, 3});  // 8 of 16 pixels
  Bytes badDepth = TargaHeader(2, 12, 4, 4, 0x20);
  badDepth.resize(badDepth.size() + 100);
  Bytes huge = TargaHeader(10, 8, 65535, 65535, 0x20);  // far more pixels than 2 bytes could code
  huge.insert(huge.end(), {0xFF, 0});
  struct Case {
    const char* what;
    Bytes file;
    const char* error;
  } cases[] = {
      {"raw rows cut", raw, "EInvalidGraphic: Stream read error in TGA file."},
      {"packets cut", coded, "EInvalidGraphic: Stream read error in TGA file."},
      {"unknown depth", badDepth, "EInvalidGraphic: Cannot load image. Invalid or unexpected TGA image format."},
      {"size beyond the data", huge, "EInvalidGraphic: Stream read error in TGA file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TTargaGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(TargaGraphic, WrittenFilesDecodeWithTgatoppm) {
  if (!test_files::HaveTool("tgatoppm")) GTEST_SKIP() << "tgatoppm missing";
  struct Case {
    const char* what;
    vcl::TPixelFormat format;
    uint8_t imageType, mapType, depth, descriptor;
  } cases[] = {
      {"24-bit", vcl::pf24bit, 10, 0, 24, 0x20},
      {"5-6-5", vcl::pf16bit, 10, 0, 24, 0x20},
      {"5-5-5", vcl::pf15bit, 10, 0, 15, 0x20},
      {"32-bit", vcl::pf32bit, 10, 0, 32, 0x28},
      {"4-bit", vcl::pf4bit, 9, 1, 8, 0x20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTargaGraphic graphic;
    graphic.SetPixelFormat(c.format);
    graphic.SetSize(21, 9);
    static const vcl::TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x808080};
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 21; ++x) graphic.Canvas()->SetPixels(x, y, colours[(x / 4 + y) % 6]);
    const reader_checks::TLoaded before = reader_checks::Pixels(&graphic);
    for (bool compressed : {true, false}) {
      const Bytes file = Saved(graphic, compressed);
      ASSERT_GE(file.size(), 18u);
      EXPECT_EQ(compressed ? c.imageType : c.imageType - 8, file[2]);
      EXPECT_EQ(c.mapType, file[1]);
      EXPECT_EQ(c.mapType ? 24 : 0, file[7]);
      EXPECT_EQ(c.depth, file[16]);
      EXPECT_EQ(c.descriptor, file[17]);
      Bytes ppm;
      ASSERT_TRUE(tiff_strips::RunTool("tgatoppm {in} > {out}", file, ppm));
      EXPECT_EQ(before.rgb, reader_checks::PnmPixels(ppm));
      // And the program reads its own files back.
      EXPECT_EQ(before.rgb, reader_checks::LoadAs("tga", file).rgb);
    }
    EXPECT_EQ(c.format, graphic.PixelFormat());  // saving leaves the bitmap as it was
  }
}

TEST(TargaGraphic, SurvivesDamage) {
  std::vector<Bytes> samples;
  {
    Bytes f = TargaHeader(10, 24, 5, 4, 0x20);
    f.insert(f.end(), {0x85, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x8A, 0, 0, 0, 0x01, 9, 9, 9, 8, 8, 8});
    samples.push_back(f);
  }
  {
    Bytes f = TargaHeader(9, 8, 6, 3, 0, 1, 3, 4, 16);
    for (int i = 0; i < 4; ++i) test_files::PutLE16(f, 0x1234u * i);
    f.insert(f.end(), {0x90, 3, 0x02, 4, 5, 6});
    samples.push_back(f);
  }
  {
    Bytes f = TargaHeader(2, 32, 3, 3, 0x08);
    f.resize(f.size() + 36, 0x5A);
    samples.push_back(f);
  }
  unsigned seed = 71;
  for (const Bytes& s : samples)
    reader_checks::FuzzReader("targa", s, seed++, [] { return new TTargaGraphic; });
}
