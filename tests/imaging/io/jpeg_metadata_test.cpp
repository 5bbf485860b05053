// Before a JPEG save the object refreshes the markers it carries from the parameter block:
// the resolution inside a Photoshop resolution resource, the IPTC records, EXIF and XMP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;
using test_files::Bytes;

namespace {

constexpr uint8_t kAPP13 = 0xED;

// A Photoshop block with one resource: "8BIM", the identifier, a Pascal name padded to an
// even length, the size and the data (16 bytes of 0xEE, or as many as `dataSize` says).
Bytes PhotoshopBlock(uint16_t id, const std::string& name, uint32_t declaredSize, size_t dataSize) {
  Bytes b = test_files::ToBytes("Photoshop 3.0");
  b.push_back(0);
  for (char c : std::string("8BIM")) b.push_back(uint8_t(c));
  test_files::PutBE16(b, id);
  b.push_back(uint8_t(name.size()));
  for (char c : name) b.push_back(uint8_t(c));
  if ((1 + name.size()) % 2) b.push_back(0);
  test_files::PutBE32(b, declaredSize);
  b.insert(b.end(), dataSize, uint8_t(0xEE));
  return b;
}

// The marker list after a save and a load.
TIOParamsVals& SavedAndLoaded(TImageIO& source, TImageIO& loader) {
  vcl::TMemoryStream stream;
  source.SaveToStream(&stream, 3);
  EXPECT_FALSE(source.Aborting());
  stream.SetPosition(0);
  loader.LoadFromStream(&stream);
  EXPECT_FALSE(loader.Aborting());
  return loader.Params();
}

using JPEGMetadataTest = IOTest;

TEST_F(JPEGMetadataTest, TheResolutionResourceIsRewrittenAfterANamedResource) {
  TImageIO source(nullptr);
  source.IEBitmap()->Assign(Smooth(16, 16).get());
  // The name "abcd" takes six bytes with its length and padding.
  const Bytes block = PhotoshopBlock(0x03ED, "abcd", 16, 16);
  source.Params().JPEGMarkerList.AddMarker(kAPP13, block.data(), uint16_t(block.size()));
  // As after reading a file whose Photoshop block holds no IPTC records.
  source.Params().IPTCInfoList.UserChanged = false;
  source.Params().DpiX = 123;
  source.Params().DpiY = 45;
  TImageIO loader(nullptr);
  TIOParamsVals& loaded = SavedAndLoaded(source, loader);
  const int32_t index = loaded.JPEGMarkerList.IndexOfType(kAPP13);
  ASSERT_GE(index, 0);
  ASSERT_EQ(loaded.JPEGMarkerList.GetMarkerLength(index), int32_t(block.size()));
  const uint8_t* data = loaded.JPEGMarkerList.GetMarkerData(index);
  const size_t at = block.size() - 16;
  EXPECT_EQ(std::vector<uint8_t>(data + at, data + at + 16),
            (std::vector<uint8_t>{0, 123, 0, 0, 0, 1, 0, 1, 0, 45, 0, 0, 0, 1, 0, 1}));
}

TEST_F(JPEGMetadataTest, AResourceThatClaimsMoreThanTheMarkerHoldsIsLeftAlone) {
  for (uint32_t declared : {17u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
    TImageIO source(nullptr);
    source.IEBitmap()->Assign(Smooth(16, 16).get());
    const Bytes block = PhotoshopBlock(0x03ED, "", declared, 16);
    source.Params().JPEGMarkerList.AddMarker(kAPP13, block.data(), uint16_t(block.size()));
    source.Params().IPTCInfoList.UserChanged = false;
    source.Params().DpiX = 123;
    TImageIO loader(nullptr);
    TIOParamsVals& loaded = SavedAndLoaded(source, loader);
    const int32_t index = loaded.JPEGMarkerList.IndexOfType(kAPP13);
    ASSERT_GE(index, 0);
    const uint8_t* data = loaded.JPEGMarkerList.GetMarkerData(index);
    EXPECT_EQ(Bytes(data, data + loaded.JPEGMarkerList.GetMarkerLength(index)), block) << declared;
  }
}

TEST_F(JPEGMetadataTest, EXIFIPTCAndXMPTravelWithTheImage) {
  TImageIO source(nullptr);
  source.IEBitmap()->Assign(Smooth(16, 16).get());
  TIOParamsVals& p = source.Params();
  p.EXIFPresent = true;
  p.EXIFMake = "Maker";
  p.EXIFArtist = "Someone";
  p.XMPPacket = "<x:xmpmeta>packet</x:xmpmeta>";
  p.IPTCInfoList.AddItem(2, 5, 5, "Title");

  TImageIO loader(nullptr);
  TIOParamsVals& loaded = SavedAndLoaded(source, loader);
  EXPECT_TRUE(loaded.EXIFPresent);
  EXPECT_EQ(loaded.EXIFMake, "Maker");
  EXPECT_EQ(loaded.EXIFArtist, "Someone");
  EXPECT_EQ(loaded.XMPPacket, p.XMPPacket);
  ASSERT_EQ(loaded.IPTCInfoList.GetCount(), 1);
  EXPECT_EQ(loaded.IPTCInfoList.Items(0).Data, test_files::ToBytes("Title"));

  // Saving what was loaded again keeps one block of each kind, not two.
  TImageIO again(nullptr);
  loader.Params().EXIFMake = "Other";
  TIOParamsVals& reloaded = SavedAndLoaded(loader, again);
  EXPECT_EQ(reloaded.EXIFMake, "Other");
  int32_t app1 = 0;
  for (int32_t i = 0; i < reloaded.JPEGMarkerList.GetCount(); ++i)
    if (reloaded.JPEGMarkerList.GetMarkerType(i) == 0xE1) ++app1;
  EXPECT_EQ(app1, 2);  // EXIF and XMP
}

}  // namespace
