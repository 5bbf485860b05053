// The raw bitmap record "TIEBITMAPRAW": its exact layout, round trips, and records that are
// cut short or damaged.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

std::vector<uint8_t> RecordOf(TIEBitmap& bitmap) {
  vcl::TMemoryStream stream;
  bitmap.SaveRawToStream(&stream);
  const auto* data = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(data, data + stream.Size());
}

// A record with every kind of field: a palette, an alpha channel and display settings.
std::vector<uint8_t> RichRecord() {
  TIEBitmap bitmap(5, 3, ie8p);
  FillPattern(bitmap);
  bitmap.SetPaletteColor(1, MakeRGB(10, 20, 30));
  bitmap.SetPaletteUsed(17);
  bitmap.SetAlphaAt(4, 2, 3);
  bitmap.SetDisplayRange(-1.5, 2.25);
  bitmap.SetRedOffset(-4);
  bitmap.SetExtraOffset(8);
  bitmap.SetContrast(12);
  bitmap.SetApplyAdjustments(true);
  return RecordOf(bitmap);
}

template <typename T>
void Poke(std::vector<uint8_t>& record, size_t offset, T value) {
  std::memcpy(record.data() + offset, &value, sizeof(T));
}

// Offsets of the fields of a record without palette.
constexpr size_t kRawWidth = 20, kHeight = 24, kFormat = 28, kAlignment = 71, kRows = 75;

}  // namespace

TEST(RawBitmapStream, TwoByTwoRGBIsNinetyTwoBytes) {
  TIEBitmap bitmap(2, 2, ie24RGB);
  SetRowBytes(bitmap, 0, {1, 2, 3, 4, 5, 6, 0, 0});
  SetRowBytes(bitmap, 1, {7, 8, 9, 10, 11, 12, 0, 0});
  bitmap.SetPaletteUsed(256);
  std::vector<uint8_t> record = RecordOf(bitmap);
  ASSERT_EQ(92u, record.size());
  EXPECT_EQ(92, bitmap.RawSize());
  EXPECT_EQ("TIEBITMAPRAW", std::string(record.begin(), record.begin() + 12));
  std::vector<uint8_t> header(record.begin() + 12, record.begin() + kRows);
  std::vector<uint8_t> expected = {0, 0, 0, 0,  // version
                                   0, 0, 0, 0,  // palette length
                                   2, 0, 0, 0, 2, 0, 0, 0,
                                   ie24RGB, 0,  // format, Full
                                   0, 1, 0, 0};  // PaletteUsed 256
  expected.resize(expected.size() + 16 + 16, 0);  // display range and offsets
  expected.insert(expected.end(), {0, 0, 0, 0, 0, 32, 0, 0, 0});  // adjustments, contrast, alignment
  EXPECT_EQ(expected, header);
  // Row 0 (the top row) first, padding included, then "no alpha".
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0, 0}),
            std::vector<uint8_t>(record.begin() + kRows, record.end()));
}

TEST(RawBitmapStream, RoundTripRestoresEverything) {
  for (TIELocation location : {ieMemory, ieFile, ieTBitmap}) {
    std::vector<uint8_t> record = RichRecord();
    vcl::TMemoryStream stream;
    stream.WriteBuffer(record.data(), int32_t(record.size()));
    stream.SetPosition(0);
    auto bitmap = EmptyIn(location);
    ASSERT_TRUE(bitmap->LoadRawFromStream(&stream)) << LocationName(location);
    EXPECT_EQ(int64_t(record.size()), stream.Position());
    EXPECT_EQ(ie8p, bitmap->GetPixelFormat());
    EXPECT_TRUE(HasPattern(*bitmap)) << LocationName(location);
    EXPECT_EQ(0x0A141Eu, Packed(bitmap->GetPaletteColor(1)));
    EXPECT_EQ(17, bitmap->PaletteUsed());
    EXPECT_EQ(3, bitmap->GetAlphaAt(4, 2));
    EXPECT_EQ(255, bitmap->GetAlphaAt(0, 0));
    EXPECT_EQ(-1.5, bitmap->DisplayRangeMin());
    EXPECT_EQ(2.25, bitmap->DisplayRangeMax());
    EXPECT_EQ(-4, bitmap->RedOffset());
    EXPECT_EQ(8, bitmap->ExtraOffset());
    EXPECT_EQ(12, bitmap->Contrast());
    EXPECT_TRUE(bitmap->ApplyAdjustments());
    if (location != ieTBitmap) { EXPECT_EQ(record, RecordOf(*bitmap)); }  // byte for byte
  }
}

TEST(RawBitmapStream, EveryFormatRoundTrips) {
  for (int format = ie1g; format <= ie32RGB; ++format) {
    TIEBitmap bitmap(7, 3, TIEPixelFormat(format));
    FillPattern(bitmap);
    std::vector<uint8_t> record = RecordOf(bitmap);
    TIEBitmap copy;
    ASSERT_TRUE(copy.LoadRawFromBlock(record.data(), int64_t(record.size()))) << format;
    EXPECT_EQ(TIEPixelFormat(format), copy.GetPixelFormat());
    EXPECT_TRUE(HasPattern(copy)) << format;
  }
}

TEST(RawBitmapStream, OpaqueAlphaIsWrittenWithAFinalFullByte) {
  TIEBitmap bitmap(3, 2, ie24RGB);
  bitmap.GetAlphaChannel();
  std::vector<uint8_t> record = RecordOf(bitmap);
  size_t alphaStart = kRows + 2 * 12;
  ASSERT_EQ(alphaStart + 1 + 2 * 4 + 1, record.size());
  EXPECT_EQ(1, record[alphaStart]);
  EXPECT_EQ((std::vector<uint8_t>{255, 255, 255, 255}), std::vector<uint8_t>(record.begin() + alphaStart + 1, record.begin() + alphaStart + 5));
  EXPECT_EQ(1, record.back());
}

TEST(RawBitmapStream, AlphaRowsAlwaysHaveThe32BitLength) {
  TIEBitmap bitmap(3, 2, ie24RGB);
  bitmap.GetAlphaChannel()->SetRowAlignment(8);
  bitmap.SetAlphaAt(2, 1, 6);
  std::vector<uint8_t> record = RecordOf(bitmap);
  EXPECT_EQ(size_t(kRows + 24 + 1 + 8 + 1), record.size());
  TIEBitmap copy;
  ASSERT_TRUE(copy.LoadRawFromBlock(record.data(), int64_t(record.size())));
  EXPECT_EQ(6, copy.GetAlphaAt(2, 1));
}

TEST(RawBitmapStream, ARecordWithoutAlphaRemovesTheAlpha) {
  TIEBitmap plain(2, 2, ie8g);
  std::vector<uint8_t> record = RecordOf(plain);
  TIEBitmap bitmap(4, 4, ie24RGB);
  bitmap.SetAlphaAt(0, 0, 1);
  ASSERT_TRUE(bitmap.LoadRawFromBlock(record.data(), int64_t(record.size())));
  EXPECT_FALSE(bitmap.HasAlphaChannel());
  EXPECT_EQ(2, bitmap.GetWidth());
}

TEST(RawBitmapStream, StoredAlignmentGivesTheRowLength) {
  TIEBitmap bitmap(3, 2, ie8g);
  bitmap.SetRowAlignment(8);
  FillPattern(bitmap);
  std::vector<uint8_t> record = RecordOf(bitmap);
  EXPECT_EQ(size_t(kRows + 2 * 3 + 1), record.size());
  for (TIELocation location : {ieMemory, ieFile, ieTBitmap}) {
    auto copy = EmptyIn(location);
    ASSERT_TRUE(copy->LoadRawFromBlock(record.data(), int64_t(record.size())));
    EXPECT_TRUE(HasPattern(*copy)) << LocationName(location);
  }
}

TEST(RawBitmapStream, AnySignatureByteDifferenceIsRefused) {
  std::vector<uint8_t> record = RichRecord();
  for (size_t i = 0; i < 12; ++i) {
    std::vector<uint8_t> damaged = record;
    damaged[i] = uint8_t(std::tolower(damaged[i]));
    TIEBitmap bitmap(1, 1, ie8g);
    bitmap.SetPixel8(0, 0, 42);
    EXPECT_FALSE(bitmap.LoadRawFromBlock(damaged.data(), int64_t(damaged.size()))) << i;
    EXPECT_EQ(42, bitmap.GetPixel8(0, 0));
  }
}

TEST(RawBitmapStream, FieldsOutOfRangeAreRefusedAndChangeNothing) {
  std::vector<uint8_t> record;
  {
    TIEBitmap source(2, 2, ie24RGB);
    record = RecordOf(source);
  }
  struct Case {
    const char* name;
    size_t offset;
    int32_t value;
    int size;
  } cases[] = {
      {"negative version", 12, -1, 4},       {"negative palette length", 16, -1, 4},
      {"palette too long", 16, 257, 4},      {"format 11", kFormat, 11, 1},
      {"format 255", kFormat, 255, 1},       {"null format with pixels", kFormat, 0, 1},
      {"alignment 0", kAlignment, 0, 4},     {"alignment 12", kAlignment, 12, 4},
      {"alignment -32", kAlignment, -32, 4}, {"negative width", kRawWidth, -2, 4},
      {"negative height", kHeight, -1, 4},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> damaged = record;
    if (c.size == 1)
      damaged[c.offset] = uint8_t(c.value);
    else
      Poke<int32_t>(damaged, c.offset, c.value);
    TIEBitmap bitmap(1, 1, ie8g);
    bitmap.SetPixel8(0, 0, 42);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(damaged.data(), int32_t(damaged.size()));
    stream.SetPosition(0);
    bool loaded = true;
    try {
      loaded = bitmap.LoadRawFromStream(&stream);
    } catch (const vcl::EReadError&) {
      loaded = false;
    }
    EXPECT_FALSE(loaded) << c.name;
    EXPECT_EQ(1, bitmap.GetWidth()) << c.name;
    EXPECT_EQ(42, bitmap.GetPixel8(0, 0)) << c.name;
  }
}

TEST(RawBitmapStream, HugeDimensionsInAShortRecordAllocateNothing) {
  TIEBitmap source(2, 2, ie24RGB);
  std::vector<uint8_t> record = RecordOf(source);
  Poke<int32_t>(record, kRawWidth, 100000);
  Poke<int32_t>(record, kHeight, 100000);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(record.data(), int32_t(record.size()));
  stream.SetPosition(0);
  TIEBitmap bitmap;
  EXPECT_THROW(bitmap.LoadRawFromStream(&stream), vcl::EReadError);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_FALSE(bitmap.LoadRawFromBlock(record.data(), int64_t(record.size())));
}

TEST(RawBitmapStream, EveryTruncationIsRejectedAndLeavesTheBitmap) {
  std::vector<uint8_t> record = RichRecord();
  for (size_t length = 0; length < record.size(); ++length) {
    TIEBitmap bitmap(1, 1, ie8g);
    bitmap.SetPixel8(0, 0, 42);
    EXPECT_FALSE(bitmap.LoadRawFromBlock(record.data(), int64_t(length))) << length;
    EXPECT_EQ(42, bitmap.GetPixel8(0, 0)) << length;
    vcl::TMemoryStream stream;
    stream.WriteBuffer(record.data(), int32_t(length));
    stream.SetPosition(0);
    bool loaded = true;
    try {
      loaded = bitmap.LoadRawFromStream(&stream);
    } catch (const vcl::EReadError&) {
      loaded = false;
    }
    EXPECT_FALSE(loaded) << length;
    EXPECT_EQ(1, bitmap.GetWidth()) << length;
  }
}

TEST(RawBitmapStream, RandomByteFlipsNeverCrash) {
  std::vector<uint8_t> record = RichRecord();
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = record;
    int flips = 1 + int(random() % 4);
    for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] ^= uint8_t(1 + random() % 255);
    TIEBitmap bitmap;
    if (bitmap.LoadRawFromBlock(damaged.data(), int64_t(damaged.size()))) {
      // Whatever was accepted is a consistent image.
      if (!bitmap.IsEmpty()) {
        bitmap.GetPixelRGB(bitmap.GetWidth() - 1, bitmap.GetHeight() - 1);
        EXPECT_GE(bitmap.GetPaletteLen(), 0);
        EXPECT_LE(bitmap.GetPaletteLen(), 256);
      }
    }
  }
}

TEST(RawBitmapStream, AShortPaletteIsKeptAndIndexesPastItReadBlack) {
  TIEBitmap source(1, 1, ie8p);
  source.SetPaletteColor(0, MakeRGB(1, 2, 3));
  source.SetPixel8(0, 0, 200);
  std::vector<uint8_t> record = RecordOf(source);
  // Cut the palette down to one entry.
  std::vector<uint8_t> shortRecord(record.begin(), record.begin() + 16);
  Poke<int32_t>(shortRecord, 12, 0);
  shortRecord.resize(20);
  Poke<int32_t>(shortRecord, 16, 1);
  shortRecord.insert(shortRecord.end(), {3, 2, 1});
  shortRecord.insert(shortRecord.end(), record.begin() + 20 + 768, record.end());
  TIEBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadRawFromBlock(shortRecord.data(), int64_t(shortRecord.size())));
  EXPECT_EQ(1, bitmap.GetPaletteLen());
  EXPECT_EQ(0u, Packed(bitmap.GetPixelRGB(0, 0)));
}

TEST(RawBitmapStream, WritingInsideAStreamLeavesNoTrailingBytes) {
  TIEBitmap bitmap(2, 2, ie24RGB);
  vcl::TMemoryStream stream;
  std::vector<uint8_t> filler(200, 0xEE);
  stream.WriteBuffer(filler.data(), 200);
  stream.SetPosition(50);
  bitmap.SaveRawToStream(&stream);
  EXPECT_EQ(200, stream.Size());
  EXPECT_EQ(142, stream.Position());
  vcl::TMemoryStream end;
  end.WriteBuffer(filler.data(), 10);
  bitmap.SaveRawToStream(&end);
  EXPECT_EQ(102, end.Size());
}

TEST(RawBitmapStream, BlockFormChecksItsCapacity) {
  TIEBitmap bitmap(2, 2, ie24RGB);
  std::vector<uint8_t> block(92, 0);
  EXPECT_EQ(92, bitmap.SaveRawToBlock(block.data(), 92));
  EXPECT_EQ(RecordOf(bitmap), block);
  EXPECT_THROW(bitmap.SaveRawToBlock(block.data(), 91), vcl::EWriteError);
}

TEST(RawBitmapStream, AnEmptyBitmapRoundTrips) {
  TIEBitmap empty;
  std::vector<uint8_t> record = RecordOf(empty);
  EXPECT_EQ(size_t(kRows + 1), record.size());
  TIEBitmap bitmap(3, 3, ie8g);
  ASSERT_TRUE(bitmap.LoadRawFromBlock(record.data(), int64_t(record.size())));
  EXPECT_TRUE(bitmap.IsEmpty());
}
