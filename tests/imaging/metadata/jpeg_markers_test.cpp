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

void JpegAdd(TIEMarkerList& list, uint8_t code, const Bytes& data) {
  list.AddMarker(code, data.data(), static_cast<uint16_t>(data.size()));
}

Bytes Payload(const TIEMarkerList& list, int32_t index) {
  return Bytes(list.GetMarkerData(index), list.GetMarkerData(index) + list.GetMarkerLength(index));
}

std::vector<std::string> JpegDescribe(const TIEMarkerList& list) {
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
  JpegAdd(list, 0xFE, ToBytes("comment"));
  JpegAdd(list, 0xE1, ToBytes(std::string("Exif\0\0", 6)));
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
  JpegAdd(copy, 0xE5, ToBytes("old"));
  copy.Assign(&list);
  EXPECT_EQ(JpegDescribe(copy), JpegDescribe(list));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 1);
}

TEST(MarkerList, SortOrdersICCChunksBySequence) {
  TIEMarkerList list;
  JpegAdd(list, 0xE2, ICCChunk(3, 3, 'c'));
  JpegAdd(list, 0xE2, ICCChunk(1, 3, 'a'));
  JpegAdd(list, 0xE2, ICCChunk(2, 3, 'b'));
  list.SortMarkers();
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(list.GetMarkerData(i)[12], i + 1);
}

TEST(MarkerList, SortIsStableAndBringsExifToTheFirstAPP1) {
  TIEMarkerList list;
  JpegAdd(list, 0xFE, ToBytes("first comment"));
  JpegAdd(list, 0xED, ToBytes("Photoshop 3.0"));
  JpegAdd(list, 0xE1, ToBytes("http://ns.adobe.com/xap/1.0/"));
  JpegAdd(list, 0xFE, ToBytes("second comment"));
  JpegAdd(list, 0xE1, ToBytes(std::string("Exif\0\0one", 9)));
  JpegAdd(list, 0xE1, ToBytes(std::string("Exif\0\0two", 9)));
  JpegAdd(list, 0xE0, ToBytes("JFXX"));
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
  EXPECT_EQ(JpegDescribe(list), expected);
  // Saving again does not reorder anything.
  list.SortMarkers();
  EXPECT_EQ(JpegDescribe(list), expected);
}
