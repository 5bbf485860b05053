// The content tests for TIFF-structured streams and the metadata rewrite into an existing TIFF.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/tiff/tiff_content.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/base/mem_stream.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;
using tiff_test::TiffBuilder;

namespace {

constexpr uint16_t kByte = 1, kShort = 3, kLong = 4;

Bytes Page(TiffBuilder builder) { return builder.Build(); }

TiffBuilder Image(bool bigEndian, uint32_t width = 8, uint32_t height = 6) {
  TiffBuilder b(bigEndian);
  b.Page().Add(256, kLong, {width}).Add(257, kLong, {height}).Add(258, kShort, {8}).Add(262, kShort, {1});
  return b;
}

// A big-endian file whose first directory lies after 8 filler bytes starting with `filler`.
Bytes BigEndianAfterFiller(uint8_t filler) {
  Bytes b = {'M', 'M', 0, 42};
  PutBE32(b, 16);
  b.push_back(filler);
  b.insert(b.end(), 7, 0);
  PutBE16(b, 2);
  for (uint16_t tag : {256, 257}) {
    PutBE16(b, tag);
    PutBE16(b, kShort);
    PutBE32(b, 1);
    PutBE16(b, 5);
    PutBE16(b, 0);
  }
  PutBE32(b, 0);
  return b;
}

Bytes WrittenTIFF() {
  TIEBitmap bitmap(5, 4, ie24RGB);
  bitmap.Fill(0x336699);
  TIOParamsVals params(nullptr);
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  vcl::TMemoryStream stream;
  WriteTIFFStream(&stream, false, &bitmap, params, progress);
  return StreamBytes(&stream);
}

// Runs a test over the bytes placed after `prefix` bytes, with the stream at the TIFF; the
// stream must come back to that position.
bool TiffContentDetect(bool (*test)(vcl::TStream*), const Bytes& file, size_t prefix = 0) {
  vcl::TMemoryStream stream;
  Bytes all(prefix, 0x55);
  all.insert(all.end(), file.begin(), file.end());
  if (!all.empty()) stream.WriteBuffer(all.data(), int32_t(all.size()));
  stream.SetPosition(int64_t(prefix));
  const bool answer = test(&stream);
  EXPECT_EQ(stream.Position(), int64_t(prefix));
  return answer;
}

}  // namespace

TEST(TiffContent, IsTIFFStream) {
  Bytes shortHeader = {'I', 'I', 42, 0};
  PutLE32(shortHeader, 100);
  shortHeader.push_back(0);
  Bytes noLength = Page(TiffBuilder().Page().Add(256, kLong, {8}).Add(262, kShort, {1}));
  Bytes junkOffset = WrittenTIFF();
  junkOffset[4] = 3;  // points into the header
  junkOffset[5] = junkOffset[6] = junkOffset[7] = 0;
  const struct {
    const char* name;
    Bytes bytes;
    bool tiff;
  } cases[] = {
      {"written by the writer", WrittenTIFF(), true},
      {"big-endian", Page(Image(true)), true},
      {"little-endian, version not 42", [] {
         Bytes b = Page(Image(false));
         b[2] = 43;
         return b;
       }(), true},
      {"9-byte header, directory beyond the end", shortHeader, false},
      {"big-endian, byte 8 is 0xBA", BigEndianAfterFiller(0xBA), false},
      {"big-endian, byte 8 is 0", BigEndianAfterFiller(0), true},
      {"8 bytes", Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}, false},
      {"no ImageLength", noLength, false},
      {"directory offset into the header", junkOffset, false},
      {"not a TIFF", ToBytes("GIF89a0123456789"), false},
      {"empty", {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TiffContentDetect(IsTIFFStream, c.bytes), c.tiff) << c.name;
    // The same bytes after other data, with the stream at the TIFF.
    EXPECT_EQ(TiffContentDetect(IsTIFFStream, c.bytes, 37), c.tiff) << c.name << " after other data";
  }
}

TEST(TiffContent, IsHDPhotoStream) {
  auto hdPhoto = [](bool bigEndian, std::vector<uint16_t> tags) {
    TiffBuilder b(bigEndian);
    b.Page();
    for (uint16_t tag : tags) b.Add(tag, kLong, {1});
    return b.Build();
  };
  const std::vector<uint16_t> all = {48129, 48256, 48257, 48320, 48321};
  EXPECT_TRUE(TiffContentDetect(IsHDPhotoStream, hdPhoto(false, all)));
  EXPECT_TRUE(TiffContentDetect(IsHDPhotoStream, hdPhoto(false, all), 11));
  EXPECT_FALSE(TiffContentDetect(IsHDPhotoStream, hdPhoto(true, all)));
  for (size_t missing = 0; missing < all.size(); ++missing) {
    std::vector<uint16_t> tags = all;
    tags.erase(tags.begin() + missing);
    EXPECT_FALSE(TiffContentDetect(IsHDPhotoStream, hdPhoto(false, tags))) << "without " << all[missing];
  }
  EXPECT_FALSE(TiffContentDetect(IsHDPhotoStream, WrittenTIFF()));
}

TEST(TiffContent, IsTIFFCameraRawStream) {
  auto with = [](bool bigEndian, uint32_t width, uint32_t height, auto&& extra) {
    TiffBuilder b = Image(bigEndian, width, height);
    extra(b);
    return b.Build();
  };
  const struct {
    const char* name;
    Bytes bytes;
    bool raw;
  } cases[] = {
      {"DNG version", with(false, 256, 171, [](TiffBuilder& b) { b.AddRaw(50706, kByte, {1, 4, 0, 0}); }), true},
      {"DNG version, big-endian", with(true, 256, 171, [](TiffBuilder& b) { b.AddRaw(50706, kByte, {1, 4, 0, 0}); }),
       true},
      {"DNG version as SHORTs", with(false, 256, 171, [](TiffBuilder& b) { b.Add(50706, kShort, {1, 4, 0, 0}); }),
       false},
      {"colour filter array", [] {
         TiffBuilder b(false);
         b.Page().Add(256, kLong, {640}).Add(257, kLong, {480}).Add(262, kShort, {32803});
         return b.Build();
       }(), true},
      {"linear raw, big-endian", [] {
         TiffBuilder b(true);
         b.Page().Add(256, kLong, {640}).Add(257, kLong, {480}).Add(262, kShort, {34892});
         return b.Build();
       }(), true},
      {"small preview with sub-directories and the standard ID",
       with(false, 160, 120, [](TiffBuilder& b) { b.Add(330, kLong, {8}).AddRaw(37398, kByte, {1, 0, 0, 0}); }), true},
      {"sub-directories without the standard ID", with(false, 160, 120, [](TiffBuilder& b) { b.Add(330, kLong, {8}); }),
       false},
      {"large main image with sub-directories and the standard ID",
       with(false, 4000, 3000, [](TiffBuilder& b) { b.Add(330, kLong, {8}).AddRaw(37398, kByte, {1, 0, 0, 0}); }),
       false},
      {"plain TIFF", WrittenTIFF(), false},
      {"not a TIFF", ToBytes("not a tiff at all"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(TiffContentDetect(IsTIFFCameraRawStream, c.bytes), c.raw) << c.name;
}

// Damaged files get an answer, never a crash or a read past the data.
TEST(TiffContent, DamagedFilesAreAnsweredSafely) {
  TiffBuilder dng = Image(false, 256, 171);
  dng.AddRaw(50706, kByte, {1, 4, 0, 0}).Add(330, kLong, {8}).AddRaw(37398, kByte, {1, 0, 0, 0});
  for (const Bytes& valid : {WrittenTIFF(), dng.Build(), BigEndianAfterFiller(0)}) {
    ForEachDamagedCopy(valid, 200, [](const uint8_t* data, int32_t size) {
      TIEMemStream stream(const_cast<uint8_t*>(data), size);
      IsTIFFStream(&stream);
      IsHDPhotoStream(&stream);
      IsTIFFCameraRawStream(&stream);
      EXPECT_EQ(stream.Position(), 0);
    });
  }
}

namespace {

class TiffRewriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("exiftool") || !HaveTool("tiffcmp")) GTEST_SKIP() << "exiftool and libtiff-tools are needed";
    dir_ = MakeTempDir();
  }
  void TearDown() override {
    if (!dir_.empty()) RunShell("rm -rf '" + dir_ + "'");
  }

  // A two-page file: 10 x 6 and 7 x 5 pixels, the second page with a description.
  Bytes TwoPages() {
    TIEBitmap first(10, 6, ie24RGB), second(7, 5, ie24RGB);
    first.Fill(0x102030);
    second.Fill(0x405060);
    TIOParamsVals params(nullptr);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    vcl::TMemoryStream stream;
    WriteTIFFStream(&stream, false, &first, params, progress);
    stream.SetPosition(0);
    params.TIFFImageIndex = 1;
    params.TIFFImageDescription = "second page";
    WriteTIFFStream(&stream, true, &second, params, progress);
    EXPECT_FALSE(aborting);
    return StreamBytes(&stream);
  }

  std::string Exif(const std::string& path, const std::string& tags) {
    std::string output;
    RunShell("exiftool -s -s -s -f " + tags + " '" + path + "'", &output);
    return output;
  }

  std::string dir_;
};

}  // namespace

// Make and Model of the block land in the chosen page; that page keeps its image and other
// tags, and the other page stays as it was.
TEST_F(TiffRewriteTest, CopiesTheBlocksTagsIntoOnePage) {
  const Bytes original = TwoPages();
  WriteFileBytes(dir_ + "/original.tif", original);
  TIOParamsVals params(nullptr);
  params.EXIFMake = "Mergeon";
  params.EXIFModel = "Rewriter";
  vcl::TMemoryStream stream;
  stream.WriteBuffer(original.data(), int32_t(original.size()));
  stream.SetPosition(0);
  EXPECT_TRUE(RewriteTIFFMetadata(&stream, &stream, "", "", 1, params));
  const std::string path = dir_ + "/rewritten.tif";
  WriteFileBytes(path, StreamBytes(&stream));
  EXPECT_EQ(Exif(path, "-IFD0:Make -IFD0:Model -IFD1:Make -IFD1:Model -IFD1:ImageDescription -IFD1:ImageWidth"),
            "-\n-\nMergeon\nRewriter\nsecond page\n7\n");
  std::string output;
  EXPECT_EQ(RunShell("tiffcmp '" + dir_ + "/original.tif' '" + path + "'", &output), 0) << output;
}

// A block and a target of different byte orders share nothing: the target is written back
// unchanged in content and the answer is false. File names serve when no streams are given.
TEST_F(TiffRewriteTest, OtherByteOrderCopiesNothing) {
  const std::string little = dir_ + "/little.tif";
  const std::string big = dir_ + "/big.tif";
  WriteFileBytes(little, TwoPages());
  std::string output;
  ASSERT_EQ(RunShell("tiffcp -B '" + little + "' '" + big + "'", &output), 0) << output;
  TIOParamsVals params(nullptr);
  params.EXIFMake = "Mergeon";
  EXPECT_FALSE(RewriteTIFFMetadata(nullptr, nullptr, "Z:" + big, "Z:" + dir_ + "/out.tif", 0, params));
  EXPECT_EQ(Exif(dir_ + "/out.tif", "-IFD0:Make"), "-\n");
  EXPECT_EQ(RunShell("tiffcmp '" + big + "' '" + dir_ + "/out.tif'", &output), 0) << output;

  EXPECT_TRUE(RewriteTIFFMetadata(nullptr, nullptr, "Z:" + little, "Z:" + dir_ + "/out2.tif", 0, params));
  EXPECT_EQ(Exif(dir_ + "/out2.tif", "-IFD0:Make"), "Mergeon\n");
}
