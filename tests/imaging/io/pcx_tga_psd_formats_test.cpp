// The PCX, DCX, TGA and PSD codecs as the I/O object reaches them through their registry rows:
// saved by name and loaded back by name and by content, the picture kept; DICOM and camera raw
// data recognised by content.
#include <gtest/gtest.h>

#include <string>

#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace io_test;

namespace {

std::vector<uint32_t> Colours(TIEBitmap& bitmap) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const imaging::TRGB p = bitmap.GetPixelRGB(x, y);
      out.push_back(uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b);
    }
  return out;
}

using RegisteredCodecTest = IOTest;

}  // namespace

TEST_F(RegisteredCodecTest, SavedByNameAndLoadedByNameAndContent) {
  struct Case {
    const char* name;
    int32_t fileType;
  } cases[] = {{"picture.pcx", 4}, {"pages.dcx", 19}, {"picture.tga", 11}, {"picture.psd", 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TImageIO writer(nullptr);
    writer.IEBitmap()->Assign(test_pictures::Gradient(23, 11).get());
    writer.Params().BitsPerSample = 8;
    writer.Params().SamplesPerPixel = 3;
    writer.SaveToFile(File(c.name));
    ASSERT_FALSE(writer.Aborting());
    TImageIO byName(nullptr);
    byName.LoadFromFile(File(c.name));
    ASSERT_FALSE(byName.Aborting());
    EXPECT_EQ(byName.Params().FileType, c.fileType);
    EXPECT_EQ(Colours(*byName.IEBitmap()), Colours(*writer.IEBitmap()));
    // By content, from a stream.
    const test_files::Bytes bytes = test_files::ReadFileBytes(folder_.UnixFile(c.name));
    vcl::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
    stream.SetPosition(0);
    TImageIO byContent(nullptr);
    EXPECT_EQ(byContent.FindStreamFormat(&stream), c.fileType);
    byContent.LoadFromStream(&stream);
    ASSERT_FALSE(byContent.Aborting());
    EXPECT_EQ(Colours(*byContent.IEBitmap()), Colours(*writer.IEBitmap()));
  }
}

TEST_F(RegisteredCodecTest, DicomIsRecognisedByContentAndDamageFailsTheLoad) {
  // A preamble, "DICM" and a data set without pixel data: recognised, but no picture.
  test_files::Bytes file(128, 0);
  for (char c : std::string("DICM")) file.push_back(uint8_t(c));
  test_files::PutLE16(file, 0x0002), test_files::PutLE16(file, 0x0010);
  file.insert(file.end(), {'U', 'I'});
  test_files::PutLE16(file, 20);
  const std::string syntax = "1.2.840.10008.1.2.1";
  file.insert(file.end(), syntax.begin(), syntax.end());
  file.push_back(0);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(file.data(), int32_t(file.size()));
  stream.SetPosition(0);
  TImageIO io(nullptr);
  EXPECT_EQ(io.FindStreamFormat(&stream), 28);
  FillSentinel(*io.IEBitmap());
  io.LoadFromStream(&stream);
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
}
