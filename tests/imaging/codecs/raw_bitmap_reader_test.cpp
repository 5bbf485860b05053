// The headerless raw reader: binary and text samples, planes, row padding and headers, the
// parameters it refuses, data that end early, and damaged text that ends in no fault.
#include "imaging/codecs/raw/raw_bitmap_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_helpers.h"

using namespace imaging;
using test_files::Bytes;

namespace {

struct TRawRun {
  bool ok = false;
  std::vector<int32_t> reports;
};

void Record(void* data, vcl::TObject*, int32_t percent) { static_cast<std::vector<int32_t>*>(data)->push_back(percent); }

TRawRun RawReadRaw(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params) {
  TRawRun run;
  run.ok = codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    progress.OnProgressCode = Record;
    progress.OnProgressData = &run.reports;
    ReadRawBitmapStream(stream, bitmap, params, progress);
  });
  return run;
}

Bytes RawText(const std::string& text) { return Bytes(text.begin(), text.end()); }

uint32_t Packed(TIEBitmap& bitmap, int32_t x, int32_t y) {
  const TRGB c = bitmap.GetPixel24(x, y);
  return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

}  // namespace

TEST(RawBitmapReader, ColourFromTextBinaryAndPlanes) {
  // A red and a green pixel, in every form the data can take.
  struct Case {
    const char* name;
    Bytes data;
    uint8_t dataFormat, planar;
    bool bgr;
  } cases[] = {
      {"decimal text", RawText("255, 0, 0  0 255,0\n"), 1, 0, false},
      {"hexadecimal text", RawText("FF 00 00;0 FF 0"), 2, 0, false},
      {"binary", {255, 0, 0, 0, 255, 0}, 0, 0, false},
      {"binary, blue first", {0, 0, 255, 0, 255, 0}, 0, 0, true},
      {"binary planes", {255, 0, 0, 255, 0, 0}, 0, 1, false},
      {"text planes", RawText("255 0\n0 255\n0 0\n"), 1, 1, false},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap(2, 1, ie24RGB);
    TIOParamsVals params(nullptr);
    params.RawBitmapDataFormat = c.dataFormat;
    params.RawBitmapPlanar = c.planar;
    params.RawBitmapBGR = c.bgr;
    const TRawRun run = RawReadRaw(c.data, &bitmap, params);
    ASSERT_TRUE(run.ok) << c.name;
    EXPECT_EQ(Packed(bitmap, 0, 0), 0xFF0000u) << c.name;
    EXPECT_EQ(Packed(bitmap, 1, 0), 0x00FF00u) << c.name;
    if (c.planar) {
      EXPECT_EQ(run.reports, (std::vector<int32_t>{0, 33, 66, 100})) << c.name;
    }
  }
}

TEST(RawBitmapReader, SixteenBitPlanesKeepRedFirst) {
  // Planes red, green, blue of one pixel: 0x1234, 0x5678, 0x9ABC (little-endian words).
  const Bytes data = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A};
  for (bool bgr : {false, true}) {
    TIEBitmap bitmap(1, 1, ieRGB48);
    TIOParamsVals params(nullptr);
    params.RawBitmapPlanar = 1;
    params.RawBitmapBGR = bgr;
    ASSERT_TRUE(RawReadRaw(data, &bitmap, params).ok);
    const auto* words = static_cast<const uint16_t*>(bitmap.GetScanline(0));
    EXPECT_EQ(words[0], bgr ? 0x9ABC : 0x1234);
    EXPECT_EQ(words[1], 0x5678);
    EXPECT_EQ(words[2], bgr ? 0x1234 : 0x9ABC);
  }
}

TEST(RawBitmapReader, HeadersPaddingAndSampleKinds) {
  // A 128-byte header, then three grey rows of 3 pixels padded to 32 bits.
  Bytes padded(128, 0xEE);
  for (uint8_t row = 0; row < 3; ++row) padded.insert(padded.end(), {uint8_t(row * 10), uint8_t(row * 10 + 1), uint8_t(row * 10 + 2), 0x77});
  TIEBitmap grey(3, 3, ie8g);
  TIOParamsVals params(nullptr);
  params.RawBitmapHeaderSize = 128;
  params.RawBitmapRowAlign = 32;
  ASSERT_TRUE(RawReadRaw(padded, &grey, params).ok);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(grey.GetPixel8(x, y), uint8_t(y * 10 + x)) << x << "," << y;

  // Words and floats from decimal text; hexadecimal in lower case is no sample.
  TIEBitmap words(3, 1, ie16g);
  TIOParamsVals text(nullptr);
  text.RawBitmapDataFormat = 1;
  ASSERT_TRUE(RawReadRaw(RawText("65535 300 7"), &words, text).ok);
  EXPECT_EQ(words.GetPixel16(0, 0), 65535);
  EXPECT_EQ(words.GetPixel16(1, 0), 300);
  EXPECT_EQ(words.GetPixel16(2, 0), 7);
  TIEBitmap floats(2, 1, ie32f);
  ASSERT_TRUE(RawReadRaw(RawText("1 0"), &floats, text).ok);
  EXPECT_EQ(floats.GetPixelFloat(0, 0), 1.0f);
  EXPECT_EQ(floats.GetPixelFloat(1, 0), 0.0f);
  TIEBitmap hex(2, 1, ie8g);
  TIOParamsVals hexText(nullptr);
  hexText.RawBitmapDataFormat = 2;
  ASSERT_TRUE(RawReadRaw(RawText("ff f f 1A xx C"), &hex, hexText).ok);
  EXPECT_EQ(hex.GetPixel8(0, 0), 0x1A);
  EXPECT_EQ(hex.GetPixel8(1, 0), 0x0C);
}

TEST(RawBitmapReader, TextSamplesOfBilevelImagesAreOnePixelEach) {
  // Ten pixels across two bytes of the row; a wrong store would write ten bytes into two.
  TIEBitmap bitmap(10, 2, ie1g);
  bitmap.Fill(0);
  TIOParamsVals params(nullptr);
  params.RawBitmapDataFormat = 1;
  ASSERT_TRUE(RawReadRaw(RawText("1 0 1 0 0 0 0 0 1 1\n0 0 0 0 0 0 0 0 0 1"), &bitmap, params).ok);
  const auto* first = static_cast<const uint8_t*>(bitmap.GetScanline(0));
  const auto* second = static_cast<const uint8_t*>(bitmap.GetScanline(1));
  EXPECT_EQ(first[0], 0xA0);
  EXPECT_EQ(first[1] & 0xC0, 0xC0);
  EXPECT_EQ(second[0], 0x00);
  EXPECT_EQ(second[1] & 0xC0, 0x40);
}

TEST(RawBitmapReader, CMYKPlanesAndTheirReports) {
  TIEBitmap bitmap(2, 1, ieCMYK);
  TIOParamsVals params(nullptr);
  params.RawBitmapPlanar = 1;
  const TRawRun run = RawReadRaw({1, 2, 3, 4, 5, 6, 7, 8}, &bitmap, params);
  ASSERT_TRUE(run.ok);
  const auto* bytes = static_cast<const uint8_t*>(bitmap.GetScanline(0));
  EXPECT_EQ(Bytes(bytes, bytes + 8), (Bytes{1, 3, 5, 7, 2, 4, 6, 8}));
  EXPECT_EQ(run.reports, (std::vector<int32_t>{0, 25, 50, 75, 100}));
}

TEST(RawBitmapReader, ShortDataLeaveTheRestAsItWas) {
  TIEBitmap bitmap(4, 2, ie8g);
  bitmap.Fill(99);
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(RawReadRaw({1, 2, 3}, &bitmap, params).ok);
  EXPECT_EQ(bitmap.GetPixel8(2, 0), 3);
  EXPECT_EQ(bitmap.GetPixel8(3, 0), 99);
  EXPECT_EQ(bitmap.GetPixel8(0, 1), 99);
  // A header longer than the data reads nothing.
  params.RawBitmapHeaderSize = 1000;
  ASSERT_TRUE(RawReadRaw({7, 7, 7, 7}, &bitmap, params).ok);
  EXPECT_EQ(bitmap.GetPixel8(0, 0), 1);
}

TEST(RawBitmapReader, DescriptionsThatCannotBeReadAbort) {
  struct Case {
    const char* name;
    TIEPixelFormat format;
    int32_t width, rowAlign, headerSize;
    uint8_t planar, dataFormat;
  } cases[] = {
      {"empty image", ie8g, 0, 8, 0, 0, 0},
      {"alignment of no whole byte", ie8g, 4, 12, 0, 0, 0},
      {"alignment 0", ie8g, 4, 0, 0, 0, 0},
      {"negative header", ie8g, 4, 8, -1, 0, 0},
      {"planes of grey", ie8g, 4, 8, 0, 1, 0},
      {"unknown layout", ie24RGB, 4, 8, 0, 2, 0},
      {"unknown data format", ie24RGB, 4, 8, 0, 0, 3},
      {"format without samples here", ie32RGB, 4, 8, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap;
    if (c.width) bitmap.Allocate(c.width, 2, c.format);
    TIOParamsVals params(nullptr);
    params.RawBitmapRowAlign = c.rowAlign;
    params.RawBitmapHeaderSize = c.headerSize;
    params.RawBitmapPlanar = c.planar;
    params.RawBitmapDataFormat = c.dataFormat;
    EXPECT_FALSE(RawReadRaw(Bytes(64, 1), &bitmap, params).ok) << c.name;
  }
  TIEBitmap floats(2, 1, ie32f);
  TIOParamsVals hex(nullptr);
  hex.RawBitmapDataFormat = 2;
  EXPECT_EQ(MessageOf<vcl::Exception>([&] { RawReadRaw(RawText("1 2"), &floats, hex); }), "Format unsupported");
}

TEST(RawBitmapReader, DamagedTextEndsWithoutFault) {
  const Bytes decimal = RawText("12 255 0 7, 8, 9\n100 200 300 65535 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18");
  const Bytes hex = RawText("FF 00 1A 2B 3C\n4D 5E 6F 70 81 92 A3 B4 C5 D6 E7 F8 09 1A 2B 3C 4D 5E 6F 70");
  struct Case {
    const char* name;
    const Bytes& data;
    uint8_t dataFormat;
    TIEPixelFormat format;
  } cases[] = {{"decimal words", decimal, 1, ieRGB48}, {"decimal floats", decimal, 1, ie32f},
               {"hex bytes", hex, 2, ie24RGB}, {"hex bits", hex, 2, ie1g}};
  unsigned seed = 6100;
  for (const Case& c : cases)
    fuzz::Fuzz(c.name, c.data, seed++, [&c](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TIEBitmap bitmap(5, 2, c.format);
      TIOParamsVals params(nullptr);
      params.RawBitmapDataFormat = c.dataFormat;
      codec_runs::TAbortableProgress progress;
      ReadRawBitmapStream(&stream, &bitmap, params, progress);
    });
}
