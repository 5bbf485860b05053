#include "imaging/codecs/tiff/tiff_directory.h"

#include <gtest/gtest.h>

#include "imaging/metadata/tiff_types.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/streams.h"

namespace {

using namespace imaging;
using tiff_test::Bytes;
using tiff_test::TiffBuilder;

// Loads page `index` of the file into a directory over a memory stream.
struct Loaded {
  explicit Loaded(const Bytes& file, int32_t index = 0) {
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    directory.Stream = &stream;
    directory.LittleEndian = file[0] == 'I';
    uint32_t first = ReadTIFF32(file.data() + 4, file[0] == 'M');
    ok = LoadTIFFDirectory(index, first, directory, count);
  }
  vcl::TMemoryStream stream;
  TTIFFDirectory directory;
  int32_t count = 0;
  bool ok = false;
};

Bytes TagFile(bool bigEndian) {
  TiffBuilder b(bigEndian);
  b.Page()
      .Add(256, ttShort, {300})
      .Add(257, ttLong, {70000})
      .Add(258, ttShort, {8, 16})
      .Add(259, ttByte, {7})
      .Add(273, ttLong, {10, 20, 30})
      .Add(279, ttShort, {1, 2, 3, 65535})
      .Add(282, ttRational, {72, 1})
      .Add(283, ttRational, {5, 0})
      .Add(318, ttSRational, {uint32_t(-3), 4, 1, 2})
      .AddText(270, "ab")
      .AddText(271, "A longer make text")
      .AddRaw(36864, ttUndefined, {'0', '2', '2', '0'})
      .AddRaw(40091, ttByte, {'H', 0, 'i', 0, 0, 0});
  return b.Build();
}

// Values stored in the value field or at an offset read the same in both byte orders.
TEST(TiffDirectory, AccessorsReadTheSameInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "MM" : "II");
    Loaded f(TagFile(bigEndian));
    ASSERT_TRUE(f.ok);
    const TTIFFDirectory& d = f.directory;
    EXPECT_EQ(GetTIFFTagInt(d, 256, -1), 300);
    EXPECT_EQ(GetTIFFTagInt(d, 257, -1), 70000);
    EXPECT_EQ(GetTIFFTagInt(d, 259, -1), 7);
    EXPECT_EQ(GetTIFFTagInt(d, 999, -5), -5);
    EXPECT_EQ(GetTIFFTagIntAt(d, 258, 1, -1), 16);
    EXPECT_EQ(GetTIFFTagIntAt(d, 258, 2, -1), -1);
    EXPECT_EQ(GetTIFFTagIntAt(d, 273, 2, -1), 30);
    EXPECT_EQ(GetTIFFTagIntAt(d, 279, 3, -1), 65535);
    std::vector<int32_t> values;
    EXPECT_EQ(GetTIFFTagIntArray(d, 273, values), 3);
    EXPECT_EQ(values, (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(GetTIFFTagIntArray(d, 258, values), 2);
    EXPECT_EQ(values, (std::vector<int32_t>{8, 16}));
    EXPECT_DOUBLE_EQ(GetTIFFTagRational(d, 282, 0), 72.0);
    EXPECT_DOUBLE_EQ(GetTIFFTagRational(d, 283, 0), 5.0);  // zero denominator counts as 1
    EXPECT_DOUBLE_EQ(GetTIFFTagRationalAt(d, 318, 0, 0), -0.75);
    EXPECT_DOUBLE_EQ(GetTIFFTagRationalAt(d, 318, 1, 0), 0.5);
    EXPECT_DOUBLE_EQ(GetTIFFTagRationalAt(d, 318, 2, 9), 9.0);
    EXPECT_EQ(GetTIFFTagString(d, 270, true), "ab");
    EXPECT_EQ(GetTIFFTagString(d, 270, false), std::string("ab\0", 3));
    EXPECT_EQ(GetTIFFTagString(d, 271, true), "A longer make text");
    EXPECT_EQ(GetTIFFTagInlineBytes(d, 36864), "0220");
    EXPECT_EQ(GetTIFFTagWideString(d, 40091), u"Hi");
    std::vector<uint8_t> block;
    EXPECT_TRUE(GetTIFFTagBlock(d, 36864, block));
    EXPECT_EQ(block, (std::vector<uint8_t>{'0', '2', '2', '0'}));
  }
}

// Offsets and counts that reach past the stream give the default instead of reading there.
TEST(TiffDirectory, DataOutsideTheStreamIsRefused) {
  Bytes file = TagFile(false);
  Loaded f(file);
  ASSERT_TRUE(f.ok);
  for (TTIFFEntry& e : f.directory.Entries) {
    if (e.Tag == 273 || e.Tag == 271 || e.Tag == 282) e.Value = static_cast<uint32_t>(file.size() - 2);
    if (e.Tag == 40091) e.Count = 0x7FFFFFF0;
  }
  std::vector<int32_t> values;
  EXPECT_EQ(GetTIFFTagIntArray(f.directory, 273, values), 0);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(GetTIFFTagIntAt(f.directory, 273, 1, -7), -7);
  EXPECT_EQ(GetTIFFTagString(f.directory, 271, true), "");
  EXPECT_DOUBLE_EQ(GetTIFFTagRational(f.directory, 282, 300), 300.0);
  std::vector<uint8_t> block;
  EXPECT_FALSE(GetTIFFTagBlock(f.directory, 40091, block));
  EXPECT_EQ(GetTIFFTagWideString(f.directory, 40091), u"");
}

// Writes the next-IFD link of each of the chain's IFDs.
Bytes Chain(int32_t pages, const std::vector<int32_t>& links) {
  TiffBuilder b;
  for (int32_t i = 0; i < pages; ++i) b.Page().Add(256, ttShort, {uint32_t(i + 1)});
  Bytes file = b.Build();
  // Every page is a one-entry IFD: 2 + 12 + 4 bytes, each at an even offset, in order.
  std::vector<uint32_t> at;
  for (uint32_t p = ReadTIFF32(file.data() + 4, false); p; p = ReadTIFF32(file.data() + p + 14, false)) at.push_back(p);
  for (size_t i = 0; i < links.size(); ++i)
    WriteTIFF32(file.data() + at[i] + 14, links[i] < 0 ? 0x7FFFFFFF : at[links[i]], false);
  return file;
}

TEST(TiffDirectory, ChainWalkEndsAtLoopsAndBadLinks) {
  struct Case {
    const char* name;
    int32_t pages;
    std::vector<int32_t> links;  // the page each one links to; -1: far past the end
    int32_t expectedCount;
  };
  const Case cases[] = {
      {"plain chain", 3, {1, 2}, 3},
      {"self link", 1, {0}, 1},
      {"two-page cycle", 2, {1, 0}, 2},
      {"three-page cycle", 3, {1, 2, 0}, 3},
      {"link past the end", 2, {-1}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = Chain(c.pages, c.links);
    Loaded last(file, c.expectedCount - 1);
    EXPECT_TRUE(last.ok);
    EXPECT_EQ(last.count, c.expectedCount);
    EXPECT_EQ(GetTIFFTagInt(last.directory, 256, 0), c.expectedCount);
    Loaded beyond(file, c.expectedCount);
    EXPECT_FALSE(beyond.ok);
    EXPECT_EQ(beyond.count, c.expectedCount);
  }
}

// A directory cut off by the end of the file keeps its whole entries and is not counted.
TEST(TiffDirectory, TruncatedDirectoryKeepsWholeEntries) {
  Bytes file = TagFile(false);
  uint32_t ifd = ReadTIFF32(file.data() + 4, false);
  file.resize(ifd + 2 + 12 * 3 + 5);
  Loaded f(file);
  EXPECT_TRUE(f.ok);
  EXPECT_EQ(f.directory.EntryCount, 3);
  EXPECT_EQ(f.count, 0);
}

}  // namespace
