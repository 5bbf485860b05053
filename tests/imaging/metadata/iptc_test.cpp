#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/metadata/iptc.h"
#include "imaging/metadata/tiff_tags.h"
#include "imaging/metadata/tiff_types.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

void IptcAdd(TIEIPTCInfoList& list, int32_t record, int32_t dataSet, const std::string& text) {
  list.AddItem(record, dataSet, static_cast<int32_t>(text.size()), text.data());
}

std::string IptcText(const TIEIPTCInfoList& list, int32_t index) {
  const Bytes& data = list.Items(index).Data;
  return std::string(data.begin(), data.end());
}

Bytes Load(TIEIPTCInfoList& list, const Bytes& block, bool expected) {
  GuardedBuffer buffer(block);
  EXPECT_EQ(list.LoadFromBuffer(buffer.data(), buffer.size()), expected);
  return block;
}

// A one-pixel grey TIFF whose IPTC tag holds the block.
Bytes TiffWithIPTC(const Bytes& block) {
  TIETIFFHandler tiff;
  tiff.Pages().emplace_back();
  TIETIFFIFD& page = tiff.Pages().back();
  for (auto [tag, value] : {std::pair<uint16_t, int64_t>{256, 1}, {257, 1}, {258, 8}, {259, 1}, {262, 1}, {277, 1}})
    tiff.AddTag(page, tag, value, ttShort);
  TIETIFFEntry iptc;
  iptc.Tag = 33723;
  iptc.Type = ttUndefined;
  iptc.Count = static_cast<uint32_t>(block.size());
  iptc.Data = block;
  page.push_back(iptc);
  vcl::TMemoryStream stream;
  tiff.WriteToStream(&stream, -1);
  return StreamBytes(&stream);
}

// The payload of the first APP13 marker of a JPEG, empty when there is none.
Bytes APP13Of(const Bytes& jpeg) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
    size_t length = (jpeg[pos + 2] << 8) | jpeg[pos + 3];
    if (jpeg[pos + 1] == 0xED) return Bytes(jpeg.begin() + pos + 4, jpeg.begin() + pos + 2 + length);
    pos += 2 + length;
  }
  return {};
}

}  // namespace

TEST(IPTC, BareFormWritesItsOwnVersionRecordOnce) {
  TIEIPTCInfoList list;
  list.AddItem(2, 0, 2, "\x00\x04");
  IptcAdd(list, 2, 120, "Caption");
  IptcAdd(list, 2, 25, "");  // empty datasets are not written
  Bytes block = list.SaveToBuffer(false);
  Bytes expected = {0x1C, 2, 0, 0, 2, 0, 2, 0x1C, 2, 120, 0, 7, 'C', 'a', 'p', 't', 'i', 'o', 'n'};
  expected.push_back(0);  // padded to even
  EXPECT_EQ(block, expected);

  TIEIPTCInfoList back;
  Load(back, block, true);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetRecordNumber(0), 2);
  EXPECT_EQ(back.GetDataSet(0), 0);
  EXPECT_EQ(back.GetDataSet(1), 120);
  EXPECT_EQ(IptcText(back, 1), "Caption");
  EXPECT_FALSE(back.UserChanged);
}

TEST(IPTC, PhotoshopFormCountsTheRecordsWithoutThePad) {
  TIEIPTCInfoList list;
  IptcAdd(list, 2, 120, "Odd");  // 5 + 3 = 8 record bytes: even total, no pad
  IptcAdd(list, 2, 25, "ab");    // 5 + 2 = 7 more: 26 + 15 is odd, one pad byte
  Bytes block = list.SaveToBuffer(true);
  ASSERT_EQ(block.size(), 26u + 15 + 1);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 14), std::string("Photoshop 3.0\0", 14));
  EXPECT_EQ(Bytes(block.begin() + 14, block.begin() + 26), (Bytes{'8', 'B', 'I', 'M', 4, 4, 0, 0, 0, 0, 0, 15}));
  EXPECT_EQ(block.back(), 0);
  TIEIPTCInfoList back;
  Load(back, block, true);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(IptcText(back, 0), "Odd");
  EXPECT_EQ(IptcText(back, 1), "ab");
}

TEST(IPTC, LongDataUsesTheExtendedForm) {
  TIEIPTCInfoList list;
  std::string caption(40000, 'c');
  caption[0] = 'A';
  caption.back() = 'Z';
  IptcAdd(list, 2, 120, caption);
  Bytes block = list.SaveToBuffer(false);
  EXPECT_EQ(Bytes(block.begin() + 7, block.begin() + 16), (Bytes{0x1C, 2, 120, 0x80, 0x04, 0, 0, 0x9C, 0x40}));
  TIEIPTCInfoList back;
  Load(back, block, true);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(IptcText(back, 1), caption);
}

TEST(IPTC, EmptyListsAndBlocksWithoutRecords) {
  TIEIPTCInfoList list;
  EXPECT_TRUE(list.SaveToBuffer(true).empty());
  EXPECT_TRUE(list.SaveToBuffer(false).empty());
  struct Case {
    const char* what;
    Bytes block;
  } cases[] = {
      {"Photoshop header only", ToBytes(std::string("Photoshop 3.0\0", 14))},
      {"another resource only", ToBytes(std::string("Photoshop 3.0\0" "8BIM\x03\xED\0\0\0\0\0\x02\x1C\x02", 28))},
      {"no tag marker", ToBytes("plain text")},
      {"cut header", Bytes{0x1C, 2, 120, 0}},
      {"data past the end", Bytes{0x1C, 2, 120, 0, 9, 'a', 'b'}},
      {"extended length past the end", Bytes{0x1C, 2, 120, 0x80, 4, 0x80, 0, 0, 0, 'a'}},
      {"extended header cut", Bytes{0x1C, 2, 120, 0x80, 4, 0, 0}},
  };
  for (Case& c : cases) {
    TIEIPTCInfoList back;
    Load(back, c.block, false);
    EXPECT_EQ(back.GetCount(), 0) << c.what;
  }
  TIEIPTCInfoList back;
  EXPECT_FALSE(back.LoadFromBuffer(nullptr, 0));
  EXPECT_TRUE(back.UserChanged);
}

TEST(IPTC, ResourceNameAndSizeAreParsedNotScanned) {
  // A name holding 0x1C and a size whose bytes hold 0x1C must not start false records.
  TIEIPTCInfoList list;
  IptcAdd(list, 2, 5, std::string(0x1C, 'x'));
  Bytes records = list.SaveToBuffer(false);
  Bytes block = ToBytes(std::string("Photoshop 3.0\0", 14));
  Bytes other = {'8', 'B', 'I', 'M', 0x03, 0xED, 1, 0x1C, 0, 0, 0, 2, 0x1C, 0x1C};
  block.insert(block.end(), other.begin(), other.end());
  Bytes iptc = {'8', 'B', 'I', 'M', 0x04, 0x04, 3, 0x1C, 0x1C, 0x1C};
  PutBE32(iptc, static_cast<uint32_t>(records.size()));
  iptc.insert(iptc.end(), records.begin(), records.end());
  block.insert(block.end(), iptc.begin(), iptc.end());
  TIEIPTCInfoList back;
  Load(back, block, true);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetDataSet(1), 5);
  EXPECT_EQ(IptcText(back, 1), std::string(0x1C, 'x'));
}

TEST(IPTC, DamagedRecordsKeepWhatCameBefore) {
  TIEIPTCInfoList list;
  IptcAdd(list, 2, 120, "first");
  IptcAdd(list, 2, 25, "second");
  Bytes block = list.SaveToBuffer(false);
  block.resize(block.size() - 4);
  TIEIPTCInfoList back;
  Load(back, block, true);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(IptcText(back, 1), "first");
}

TEST(IPTC, AssignAndUserChanged) {
  TIEIPTCInfoList list;
  EXPECT_FALSE(list.UserChanged);
  IptcAdd(list, 2, 120, "x");
  EXPECT_TRUE(list.UserChanged);
  TIEIPTCInfoList copy;
  copy.Assign(&list);
  ASSERT_EQ(copy.GetCount(), 1);
  EXPECT_EQ(IptcText(copy, 0), "x");
  EXPECT_TRUE(copy.UserChanged);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 1);
  EXPECT_THROW(copy.Items(1), vcl::EListError);
}

TEST(IPTC, DamagedBlocksAreReadSafely) {
  TIEIPTCInfoList list;
  IptcAdd(list, 2, 120, "A caption of some length");
  IptcAdd(list, 2, 25, "keyword");
  IptcAdd(list, 2, 116, std::string(0x9000, 'c'));
  for (bool photoshop : {false, true}) {
    Bytes block = list.SaveToBuffer(photoshop);
    block.resize(600);  // the long record is cut: its truncations are what matter
    ForEachDamagedCopy(block, 500, [](const uint8_t* data, int32_t size) {
      TIEIPTCInfoList back;
      back.LoadFromBuffer(data, size);
      for (int32_t i = 0; i < back.GetCount(); ++i) EXPECT_LE(back.Items(i).Data.size(), size_t(size));
    });
  }
}

TEST(IPTC, AnIndependentReaderReadsWhatIsWrittenAndBack) {
  if (!HaveTool("exiftool") || !HaveTool("cjpeg")) GTEST_SKIP() << "exiftool or cjpeg is not installed";
  std::string dir = MakeTempDir();
  std::string output;
  Bytes plain = SmallJPEG(dir);
  ASSERT_FALSE(plain.empty());

  TIEIPTCInfoList list;
  IptcAdd(list, 2, 120, "Sunset (over the bay)");
  IptcAdd(list, 2, 25, "sea");
  IptcAdd(list, 2, 25, "sky");
  IptcAdd(list, 2, 80, "Mergeon");
  std::string longText(40000, 'x');
  IptcAdd(list, 2, 116, longText);
  for (bool photoshop : {true, false}) {
    // The Photoshop form goes into a JPEG's APP13, the bare form into a TIFF's IPTC tag.
    std::string file = dir + (photoshop ? "/written.jpg" : "/written.tif");
    Bytes block = list.SaveToBuffer(photoshop);
    WriteFileBytes(file, photoshop ? WithMarker(plain, 0xED, block) : TiffWithIPTC(block));
    ASSERT_EQ(RunShell("exiftool -s -IPTC:Caption-Abstract -IPTC:Keywords -IPTC:By-line -warning '" + file + "'", &output), 0);
    EXPECT_NE(output.find("Caption-Abstract                : Sunset (over the bay)"), std::string::npos) << output;
    EXPECT_NE(output.find("Keywords                        : sea, sky"), std::string::npos) << output;
    EXPECT_NE(output.find("By-line                         : Mergeon"), std::string::npos) << output;
    EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
    ASSERT_EQ(RunShell("exiftool -b -IPTC:CopyrightNotice '" + file + "'", &output), 0);
    EXPECT_EQ(output, longText);
  }

  // And what the independent writer wrote, this reader reads.
  WriteFileBytes(dir + "/other.jpg", plain);
  ASSERT_EQ(RunShell("exiftool -overwrite_original -IPTC:Caption-Abstract='From elsewhere' -IPTC:Keywords=one "
                     "-IPTC:Keywords=two '" + dir + "/other.jpg'", &output), 0) << output;
  Bytes app13 = APP13Of(ReadFileBytes(dir + "/other.jpg"));
  ASSERT_FALSE(app13.empty());
  TIEIPTCInfoList back;
  Load(back, app13, true);
  std::vector<std::string> keywords;
  std::string caption;
  for (int32_t i = 0; i < back.GetCount(); ++i) {
    if (back.GetRecordNumber(i) == 2 && back.GetDataSet(i) == 25) keywords.push_back(IptcText(back, i));
    if (back.GetRecordNumber(i) == 2 && back.GetDataSet(i) == 120) caption = IptcText(back, i);
  }
  EXPECT_EQ(caption, "From elsewhere");
  EXPECT_EQ(keywords, (std::vector<std::string>{"one", "two"}));
}
