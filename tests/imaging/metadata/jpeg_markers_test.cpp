#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/metadata/jpeg_markers.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace test_files;

namespace {

Bytes ICCChunk(uint8_t sequence, uint8_t count, uint8_t tail) {
  Bytes b = ToBytes(std::string("ICC_PROFILE", 12));
  b.push_back(sequence);
  b.push_back(count);
  b.push_back(tail);
  return b;
}

void Add(TIEMarkerList& list, uint8_t code, const Bytes& data) {
  list.AddMarker(code, data.data(), static_cast<uint16_t>(data.size()));
}

Bytes Payload(const TIEMarkerList& list, int32_t index) {
  return Bytes(list.GetMarkerData(index), list.GetMarkerData(index) + list.GetMarkerLength(index));
}

std::vector<std::string> Describe(const TIEMarkerList& list) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    Bytes p = Payload(list, i);
    out.push_back(std::to_string(list.GetMarkerType(i)) + ":" + std::string(p.begin(), p.end()));
  }
  return out;
}

}  // namespace

TEST(MarkerList, AddSetDeleteAndIndexes) {
  TIEMarkerList list;
  Add(list, 0xFE, ToBytes("comment"));
  Add(list, 0xE1, ToBytes(std::string("Exif\0\0", 6)));
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.IndexOfType(0xE1), 1);
  EXPECT_EQ(list.IndexOfType(0xED), -1);
  list.SetMarker(0, 0xED, 3, "abc");
  EXPECT_EQ(list.GetMarkerType(0), 0xED);
  EXPECT_EQ(Payload(list, 0), ToBytes("abc"));
  list.DeleteMarker(1);
  EXPECT_EQ(list.GetCount(), 1);
  for (int32_t bad : {-1, 1}) {
    EXPECT_THROW(list.GetMarkerData(bad), vcl::EListError);
    EXPECT_THROW(list.GetMarkerType(bad), vcl::EListError);
    EXPECT_THROW(list.DeleteMarker(bad), vcl::EListError);
    EXPECT_THROW(list.SetMarker(bad, 0xE0, 0, nullptr), vcl::EListError);
  }
  TIEMarkerList copy;
  Add(copy, 0xE5, ToBytes("old"));
  copy.Assign(&list);
  EXPECT_EQ(Describe(copy), Describe(list));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 1);
}

TEST(MarkerList, SortOrdersICCChunksBySequence) {
  TIEMarkerList list;
  Add(list, 0xE2, ICCChunk(3, 3, 'c'));
  Add(list, 0xE2, ICCChunk(1, 3, 'a'));
  Add(list, 0xE2, ICCChunk(2, 3, 'b'));
  list.SortMarkers();
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(list.GetMarkerData(i)[12], i + 1);
}

TEST(MarkerList, SortIsStableAndBringsExifToTheFirstAPP1) {
  TIEMarkerList list;
  Add(list, 0xFE, ToBytes("first comment"));
  Add(list, 0xED, ToBytes("Photoshop 3.0"));
  Add(list, 0xE1, ToBytes("http://ns.adobe.com/xap/1.0/"));
  Add(list, 0xFE, ToBytes("second comment"));
  Add(list, 0xE1, ToBytes(std::string("Exif\0\0one", 9)));
  Add(list, 0xE1, ToBytes(std::string("Exif\0\0two", 9)));
  Add(list, 0xE0, ToBytes("JFXX"));
  list.SortMarkers();
  std::vector<std::string> expected = {
      "224:JFXX",
      "225:" + std::string("Exif\0\0one", 9),
      "225:http://ns.adobe.com/xap/1.0/",
      "225:" + std::string("Exif\0\0two", 9),
      "237:Photoshop 3.0",
      "254:first comment",
      "254:second comment",
  };
  EXPECT_EQ(Describe(list), expected);
  // Saving again does not reorder anything.
  list.SortMarkers();
  EXPECT_EQ(Describe(list), expected);
}
