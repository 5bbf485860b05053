// BMP files through TBitmap: every depth and compression read and written back, hand-made
// files of the rarer kinds, and malformed files (which raise and keep the old picture).
#include <gtest/gtest.h>

#include <cstring>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Patched;
using graphics_test::Pixel;
using graphics_test::Put16;
using graphics_test::Put32;
using graphics_test::Rows;
using graphics_test::StreamOf;

namespace {

// A BMP file put together field by field.
struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 8;
  uint32_t compression = BI_RGB;
  std::vector<uint32_t> masks;        // after a 40-byte header, inside a longer one
  std::vector<uint32_t> colors;       // 0x00RRGGBB
  bool writeColorCount = true;        // clrUsed = colors.size(), else 0
  std::vector<uint8_t> pixels;
  int64_t offBits = -1;               // -1: right after the colour table
};

std::vector<uint8_t> MakeBmp(const BmpSpec& s) {
  std::vector<uint8_t> info;
  if (s.headerSize == 12) {
    Put32(info, 12);
    Put16(info, uint16_t(s.width));
    Put16(info, uint16_t(s.height));
    Put16(info, 1);
    Put16(info, s.bitCount);
  } else {
    Put32(info, s.headerSize);
    Put32(info, uint32_t(s.width));
    Put32(info, uint32_t(s.height));
    Put16(info, 1);
    Put16(info, s.bitCount);
    Put32(info, s.compression);
    Put32(info, uint32_t(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.writeColorCount ? uint32_t(s.colors.size()) : 0);
    Put32(info, 0);
    if (s.headerSize > 40)
      for (uint32_t m : s.masks) Put32(info, m);
    info.resize(s.headerSize, 0);
    if (s.headerSize == 40)
      for (uint32_t m : s.masks) Put32(info, m);
  }
  for (uint32_t c : s.colors) {
    info.push_back(uint8_t(c));
    info.push_back(uint8_t(c >> 8));
    info.push_back(uint8_t(c >> 16));
    if (s.headerSize != 12) info.push_back(0);
  }
  std::vector<uint8_t> file{'B', 'M'};
  Put32(file, uint32_t(14 + info.size() + s.pixels.size()));
  Put32(file, 0);
  Put32(file, s.offBits >= 0 ? uint32_t(s.offBits) : uint32_t(14 + info.size()));
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

std::unique_ptr<TBitmap> BmpLoad(const std::vector<uint8_t>& file) { return graphics_test::LoadGraphic<TBitmap>(file); }
std::vector<uint8_t> BmpSave(TBitmap& bitmap) { return graphics_test::SaveGraphic(bitmap); }

// The palette indexes of a 1-, 4- or 8-bit bitmap, top row first.
std::vector<std::vector<int>> Indexes(TBitmap& bitmap, int bits) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    std::vector<int> values;
    for (int x = 0; x < bitmap.Width(); ++x) {
      int bit = x * bits;
      values.push_back((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1));
    }
    rows.push_back(values);
  }
  return rows;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) { return graphics_test::U32(&b[at]); }

void BmpExpectInvalid(const std::vector<uint8_t>& file, const std::string& what) {
  graphics_test::ExpectInvalidGraphic<TBitmap>(file, "Bitmap image is not valid", what);
}

// ---- round trips ------------------------------------------------------------------------------

TEST(BmpFiles, EveryPixelFormatRoundTrips) {
  struct Case {
    TPixelFormat format;
    uint16_t bitCount;
    uint32_t compression;
  };
  const Case cases[] = {
      {pf1bit, 1, BI_RGB},   {pf4bit, 4, BI_RGB},   {pf8bit, 8, BI_RGB},   {pf15bit, 16, BI_RGB},
      {pf16bit, 16, BI_BITFIELDS}, {pf24bit, 24, BI_RGB}, {pf32bit, 32, BI_RGB},
  };
  for (const Case& k : cases) {
    auto bitmap = MakeBitmap(7, 5, k.format);
    const int stride = static_cast<int>(bmp::RowStride(7, k.bitCount));
    const int used = (7 * k.bitCount + 7) / 8;
    for (int y = 0; y < 5; ++y) {
      auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
      for (int i = 0; i < used; ++i) row[i] = uint8_t(y * 31 + i * 17 + 3);
      for (int i = used; i < stride; ++i) row[i] = 0;
    }
    std::vector<uint8_t> file = BmpSave(*bitmap);
    ASSERT_GE(file.size(), 54u) << k.format;
    EXPECT_EQ(U32At(file, 2), file.size()) << k.format;
    EXPECT_EQ(file[28] | file[29] << 8, k.bitCount) << k.format;
    EXPECT_EQ(U32At(file, 30), k.compression) << k.format;
    EXPECT_EQ(U32At(file, 10) + 5u * stride, file.size()) << k.format;

    auto loaded = BmpLoad(file);
    EXPECT_EQ(loaded->PixelFormat(), k.format);
    EXPECT_EQ(Rows(*loaded), Rows(*bitmap)) << k.format;
    for (int x = 0; x < 7; ++x) EXPECT_EQ(Pixel(*loaded, x, 2), Pixel(*bitmap, x, 2)) << k.format << " " << x;
  }
}

TEST(BmpFiles, DeviceBitmapsAreWrittenIn32Bits) {
  TBitmap bitmap;
  bitmap.SetSize(3, 3);
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  auto loaded = BmpLoad(BmpSave(bitmap));
  EXPECT_EQ(loaded->PixelFormat(), pf32bit);
  EXPECT_EQ(Pixel(*loaded, 1, 1), 0x0000FFu);

  bitmap.SetMonochrome(true);
  loaded = BmpLoad(BmpSave(bitmap));
  EXPECT_EQ(loaded->PixelFormat(), pf1bit);
  EXPECT_EQ(Pixel(*loaded, 1, 1), 0x000000u);
  EXPECT_EQ(Pixel(*loaded, 0, 0), 0xFFFFFFu);
}

TEST(BmpFiles, FilesAndFormDataRoundTrip) {
  TestTempFolder dir;
  auto bitmap = MakeBitmap(4, 3, pf24bit, TColor(0x102030));
  bitmap->SaveToFile(dir.File("a.bmp"));
  TBitmap fromFile;
  fromFile.LoadFromFile(dir.File("a.bmp"));
  EXPECT_EQ(Rows(fromFile), Rows(*bitmap));

  // Form data: a byte count, then the file.
  TMemoryStream data;
  bitmap->WriteData(&data);
  std::vector<uint8_t> bytes = BytesOf(data);
  ASSERT_GT(bytes.size(), 6u);
  EXPECT_EQ(U32At(bytes, 0), bytes.size() - 4);
  EXPECT_EQ(bytes[4], 'B');
  EXPECT_EQ(bytes[5], 'M');
  data.SetPosition(0);
  TBitmap fromData;
  fromData.ReadData(&data);
  EXPECT_EQ(Rows(fromData), Rows(*bitmap));

  // A count beyond the data is refused.
  bytes[0] += 1;
  auto cut = StreamOf(bytes);
  EXPECT_THROW(fromData.ReadData(cut.get()), EInvalidGraphic);
  EXPECT_EQ(Rows(fromData), Rows(*bitmap));

  // An empty bitmap is written as nothing, which reads back as an empty bitmap.
  TBitmap empty;
  EXPECT_TRUE(BmpSave(empty).empty());
  auto nothing = StreamOf({});
  fromData.LoadFromStream(nothing.get());
  EXPECT_TRUE(fromData.Empty());
}

// ---- hand-made files --------------------------------------------------------------------------

const std::vector<uint32_t> kGrey16 = [] {
  std::vector<uint32_t> colors;
  for (uint32_t i = 0; i < 16; ++i) colors.push_back(i * 0x111111);
  return colors;
}();

TEST(BmpFiles, RunLengthEncodedEightBit) {
  BmpSpec s;
  s.width = 6;
  s.height = 3;
  s.compression = BI_RLE8;
  s.colors = kGrey16;
  s.pixels = {
      0x03, 0x05, 0x00, 0x03, 0x01, 0x02, 0x03, 0x00, 0x00, 0x00,  // bottom row: a run, an absolute run
      0x02, 0x07, 0x00, 0x02, 0x02, 0x00, 0x02, 0x09, 0x00, 0x00,  // a run, a move two to the right, a run
      0x08, 0x04,                                                  // a run longer than the row
      0x00, 0x01,                                                  // end of the bitmap
  };
  auto bitmap = BmpLoad(MakeBmp(s));
  EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
  std::vector<std::vector<int>> expected = {{4, 4, 4, 4, 4, 4}, {7, 7, 0, 0, 9, 9}, {5, 5, 5, 1, 2, 3}};
  EXPECT_EQ(Indexes(*bitmap, 8), expected);
  EXPECT_EQ(Pixel(*bitmap, 0, 2), 0x555555u);

  // Written back uncompressed, read back the same.
  auto again = BmpLoad(BmpSave(*bitmap));
  EXPECT_EQ(Indexes(*again, 8), expected);
}

TEST(BmpFiles, RunLengthEncodedFourBit) {
  BmpSpec s;
  s.width = 5;
  s.height = 2;
  s.bitCount = 4;
  s.compression = BI_RLE4;
  s.colors = kGrey16;
  s.pixels = {
      0x05, 0x12, 0x00, 0x00,                    // bottom row: alternating 1 and 2
      0x00, 0x03, 0x34, 0x50, 0x02, 0x66, 0x00, 0x01,  // absolute 3, 4, 5, then a run of 6
  };
  auto bitmap = BmpLoad(MakeBmp(s));
  EXPECT_EQ(bitmap->PixelFormat(), pf4bit);
  std::vector<std::vector<int>> expected = {{3, 4, 5, 6, 6}, {1, 2, 1, 2, 1}};
  EXPECT_EQ(Indexes(*bitmap, 4), expected);
  EXPECT_EQ(Indexes(*BmpLoad(BmpSave(*bitmap)), 4), expected);
}

TEST(BmpFiles, RunsAreClippedAndMovesMayLeaveTheImage) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.compression = BI_RLE8;
  s.colors = kGrey16;
  s.pixels = {0x00, 0x04, 1, 2, 3, 4,  // an absolute run of four in a row of two
              0x00, 0x02, 0x00, 0x10,  // a move far above the image ends the picture
              0x01, 0x09};
  auto bitmap = BmpLoad(MakeBmp(s));
  std::vector<std::vector<int>> expected = {{0, 0}, {1, 2}};
  EXPECT_EQ(Indexes(*bitmap, 8), expected);
}

TEST(BmpFiles, OS2HeadersAreReadAndWrittenBack) {
  BmpSpec core;
  core.headerSize = 12;
  core.width = 2;
  core.height = 2;
  core.colors = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  core.pixels = {1, 2, 0, 0, 3, 0, 0, 0};
  auto bitmap = BmpLoad(MakeBmp(core));
  EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
  EXPECT_EQ(Pixel(*bitmap, 0, 1), 0x0000FFu);  // red (0x00RRGGBB in the file)
  EXPECT_EQ(Pixel(*bitmap, 1, 1), 0x00FF00u);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), 0xFF0000u);
  std::vector<uint8_t> saved = BmpSave(*bitmap);
  EXPECT_EQ(U32At(saved, 14), 12u);  // still an OS/2 file
  auto again = BmpLoad(saved);
  EXPECT_EQ(Rows(*again), Rows(*bitmap));
  EXPECT_EQ(Pixel(*again, 0, 0), 0xFF0000u);

  for (uint32_t size : {16u, 64u}) {
    BmpSpec v2;
    v2.headerSize = size;
    v2.width = 1;
    v2.height = 1;
    v2.bitCount = 24;
    v2.pixels = {0x30, 0x20, 0x10, 0};
    auto loaded = BmpLoad(MakeBmp(v2));
    EXPECT_EQ(loaded->PixelFormat(), pf24bit) << size;
    EXPECT_EQ(Pixel(*loaded, 0, 0), 0x302010u) << size;
  }
}

TEST(BmpFiles, TopDownRowsAreTurnedBottomUp) {
  BmpSpec s;
  s.width = 1;
  s.height = -2;
  s.bitCount = 24;
  s.pixels = {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0};  // red on top, blue below
  auto bitmap = BmpLoad(MakeBmp(s));
  EXPECT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), 0x0000FFu);
  EXPECT_EQ(Pixel(*bitmap, 0, 1), 0xFF0000u);
  EXPECT_GT(static_cast<uint8_t*>(bitmap->ScanLine(0)), static_cast<uint8_t*>(bitmap->ScanLine(1)));
}

TEST(BmpFiles, BitFieldsPickTheMatchingFormat) {
  struct Case {
    const char* name;
    uint32_t headerSize;
    uint16_t bitCount;
    uint32_t compression;
    std::vector<uint32_t> masks;
    std::vector<uint8_t> pixel;  // one pixel, padded
    TPixelFormat format;
    uint32_t rgb;
  };
  const Case cases[] = {
      {"565", 40, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0, 0}, pf16bit, 0x0000FF},
      {"555 as bit fields", 40, 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, {0x1F, 0x00, 0, 0}, pf15bit, 0xFF0000},
      {"555 plain", 40, 16, BI_RGB, {}, {0xE0, 0x03, 0, 0}, pf15bit, 0x00FF00},
      {"444 custom", 40, 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, {0x00, 0x0F, 0, 0}, pfCustom, 0x0000FF},
      {"32 in a V5 header", 124, 32, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x11, 0x22, 0x33, 0x80},
       pf32bit, 0x112233},
      {"32 alpha bit fields", 40, 32, 6, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x11, 0x22, 0x33, 0x80}, pf32bit,
       0x112233},
      {"32 custom", 56, 32, BI_BITFIELDS, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}, {0x00, 0x33, 0x22, 0x11}, pfCustom,
       0x332211},
  };
  for (const Case& k : cases) {
    BmpSpec s;
    s.headerSize = k.headerSize;
    s.width = 1;
    s.height = 1;
    s.bitCount = k.bitCount;
    s.compression = k.compression;
    s.masks = k.masks;
    s.pixels = k.pixel;
    auto bitmap = BmpLoad(MakeBmp(s));
    EXPECT_EQ(bitmap->PixelFormat(), k.format) << k.name;
    EXPECT_EQ(Pixel(*bitmap, 0, 0), k.rgb) << k.name;
    EXPECT_EQ(std::memcmp(bitmap->ScanLine(0), k.pixel.data(), k.pixel.size()), 0) << k.name;
    // Written back and read again: the same bytes and colour.
    auto again = BmpLoad(BmpSave(*bitmap));
    EXPECT_EQ(again->PixelFormat(), k.format) << k.name;
    EXPECT_EQ(Pixel(*again, 0, 0), k.rgb) << k.name;
  }
}

TEST(BmpFiles, ShortColourTablesAndMissingOffsets) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.colors = {0x123456, 0xABCDEF};
  s.pixels = {1, 0, 0, 0};
  s.offBits = 0;  // pixels right after the table
  auto bitmap = BmpLoad(MakeBmp(s));
  EXPECT_EQ(Pixel(*bitmap, 0, 0), 0xEFCDABu);
  EXPECT_EQ(Pixel(*bitmap, 1, 0), 0x563412u);
  EXPECT_EQ(U32At(BmpSave(*bitmap), 46), 2u);  // two colours written back

  s.writeColorCount = false;  // 0: the full 256 entries
  s.colors.resize(256, 0x010203);
  s.offBits = -1;
  EXPECT_EQ(Pixel(*BmpLoad(MakeBmp(s)), 1, 0), 0x563412u);
}

// ---- malformed files --------------------------------------------------------------------------

BmpSpec ValidEightBit() {
  BmpSpec s;
  s.width = 4;
  s.height = 3;
  s.colors = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.pixels = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 1, 1};
  return s;
}

TEST(BmpFiles, EveryTruncationRaises) {
  BmpSpec rle;
  rle.width = 6;
  rle.height = 2;
  rle.compression = BI_RLE8;
  rle.colors = kGrey16;
  rle.pixels = {0x06, 0x01, 0x00, 0x00, 0x00, 0x04, 1, 2, 3, 4, 0x02, 0x05, 0x00, 0x01};
  for (const std::vector<uint8_t>& file : {MakeBmp(ValidEightBit()), MakeBmp(rle)}) {
    ASSERT_NO_THROW(BmpLoad(file));
    for (size_t length = 1; length < file.size(); ++length)
      BmpExpectInvalid(std::vector<uint8_t>(file.begin(), file.begin() + length), "cut at " + std::to_string(length));
  }
}

TEST(BmpFiles, CorruptHeadersRaise) {
  const graphics_test::FieldPatch cases[] = {
      {"magic", 1, 'X', 1},
      {"header size 0", 14, 0, 4},
      {"header size 41", 14, 41, 4},
      {"header size 200", 14, 200, 4},
      {"width 0", 18, 0, 4},
      {"width negative", 18, uint32_t(-4), 4},
      {"height 0", 22, 0, 4},
      {"bit count 3", 28, 3, 2},
      {"bit count 64", 28, 64, 2},
      {"JPEG compression", 30, 4, 4},
      {"PNG compression", 30, 5, 4},
      {"unknown compression", 30, 9, 4},
      {"RLE4 on eight bits", 30, BI_RLE4, 4},
      {"bit fields on eight bits", 30, BI_BITFIELDS, 4},
      {"colour count beyond the pixel offset", 46, 1000, 4},
      {"pixel offset inside the header", 10, 20, 4},
      {"pixel offset past the end", 10, 5000, 4},
      {"huge size", 18, 0x7FFFFFFF, 4},
  };
  const std::vector<uint8_t> file = MakeBmp(ValidEightBit());
  for (const graphics_test::FieldPatch& patch : cases) BmpExpectInvalid(Patched(file, patch), patch.name);

  BmpSpec topDownRle = ValidEightBit();
  topDownRle.height = -3;
  topDownRle.compression = BI_RLE8;
  BmpExpectInvalid(MakeBmp(topDownRle), "top-down run-length data");

  BmpSpec noColours = ValidEightBit();
  noColours.headerSize = 12;
  noColours.colors.clear();
  BmpExpectInvalid(MakeBmp(noColours), "eight bits without a colour table");

  BmpSpec badMasks;
  badMasks.width = 1;
  badMasks.height = 1;
  badMasks.bitCount = 16;
  badMasks.compression = BI_BITFIELDS;
  badMasks.pixels = {0, 0, 0, 0};
  for (std::vector<uint32_t> masks : std::vector<std::vector<uint32_t>>{
           {0, 0x07E0, 0x001F}, {0xF800, 0xF800, 0x001F}, {0x1F800, 0x07E0, 0x001F}}) {
    badMasks.masks = masks;
    BmpExpectInvalid(MakeBmp(badMasks), "masks");
  }
}

TEST(BmpFiles, AFailedLoadKeepsTheOldPicture) {
  auto bitmap = MakeBitmap(3, 3, pf24bit, clRed);
  std::vector<uint8_t> before = Rows(*bitmap);
  std::vector<uint8_t> file = MakeBmp(ValidEightBit());
  file.resize(file.size() - 1);
  auto stream = StreamOf(file);
  EXPECT_THROW(bitmap->LoadFromStream(stream.get()), EInvalidGraphic);
  EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
  EXPECT_EQ(Rows(*bitmap), before);
}

TEST(BmpFiles, ReadingStopsAtTheEndOfTheImage) {
  std::vector<uint8_t> file = MakeBmp(ValidEightBit());
  const size_t length = file.size();
  file.insert(file.end(), {'t', 'a', 'i', 'l'});
  auto stream = StreamOf(file);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream.get());
  EXPECT_EQ(stream->Position(), int64_t(length));
}

}  // namespace
