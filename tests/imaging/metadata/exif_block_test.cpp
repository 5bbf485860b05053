#include <gtest/gtest.h>

#include <string>

#include "imaging/metadata/exif_block.h"
#include "imaging/base/mem_stream.h"
#include "tests/support/file_helpers.h"

using namespace imaging;
using namespace test_files;

TEST(ExifBlock, RecognisesTheAPP1Header) {
  struct Case {
    Bytes bytes;
    bool expected;
  } cases[] = {
      {ToBytes(std::string("Exif\0\0MM", 8)), true},
      {ToBytes(std::string("Exif\0\xFF", 6)), true},
      {ToBytes(std::string("Exif2\0", 6)), false},
      {ToBytes(std::string("Exif\0", 5)), false},  // too short for the header
      {ToBytes("Exif"), false},                     // no terminator: nothing past it is read
      {Bytes{}, false},
  };
  for (const Case& c : cases) {
    GuardedBuffer buffer(c.bytes);
    EXPECT_EQ(IsExifBlock(buffer.data(), buffer.size()), c.expected) << std::string(c.bytes.begin(), c.bytes.end());
  }
}

TEST(ExifBlock, FindsTheTIFFHeaderOfACameraFile) {
  Bytes jpegWithTiff = {0xFF, 0xD8, 0xFF, 0xE1, 0, 20, 'E', 'x', 'i', 'f', 0, 0};
  Bytes header = {'M', 'M', 0, 42, 0, 0, 0, 8};
  jpegWithTiff.insert(jpegWithTiff.end(), header.begin(), header.end());
  jpegWithTiff.resize(64, 0);
  Bytes raw = {'I', 'I', 'R', 'O', 8, 0, 0, 0};
  raw.resize(32, 0);
  struct Case {
    const char* what;
    Bytes bytes;
    int64_t expected;
  } cases[] = {
      {"TIFF", Bytes{0x49, 0x49, 0x2A, 0x00, 8, 0, 0, 0, 0, 0}, 0},
      {"JPEG", jpegWithTiff, 12},
      {"raw variant", raw, 0},
      {"offset beyond the file", Bytes{'I', 'I', 42, 0, 0xFF, 0, 0, 0, 0, 0}, -1},
      {"none", ToBytes("just some text that is not a TIFF at all"), -1},
      {"short", Bytes{'I', 'I', 42}, -1},
  };
  for (const Case& c : cases) {
    Bytes padded = c.bytes;
    padded.insert(padded.begin(), 5, 0xAA);
    TIEMemStream stream(padded.data(), static_cast<int64_t>(padded.size()));
    stream.SetPosition(5);
    EXPECT_EQ(FindTIFFHeaderInStream(&stream), c.expected) << c.what;
    EXPECT_EQ(stream.Position(), 5) << c.what;
  }
}
