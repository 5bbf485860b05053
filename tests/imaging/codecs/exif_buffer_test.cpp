// Exif blocks: what this writer writes an independent reader reads (fields and thumbnail), what
// an independent writer writes this reader reads, round trips, camera-raw thumbnails, and
// damaged blocks that must be refused without harm.
#include "imaging/codecs/tiff/exif_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

// A thumbnail whose colours change across both axes, so a turn or a mirror shows.
void FillGradient(TIEBitmap& bitmap, int32_t width, int32_t height) {
  bitmap.Allocate(width, height, ie24RGB);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      row[3 * x + 0] = static_cast<uint8_t>(40 + y * 3);  // blue
      row[3 * x + 1] = 128;                               // green
      row[3 * x + 2] = static_cast<uint8_t>(x * 3);       // red
    }
  }
}

// The writers write EXIF directories only for a block that says it has EXIF data.
void FillCameraFields(TIOParamsVals& p) {
  p.EXIFPresent = true;
  p.EXIFMake = "Mergeon Camera";
  p.EXIFModel = "M1";
  p.EXIFSoftware = "Mergeon";
  p.EXIFDateTimeOriginal = "2026:12:10 15:00:00";
  p.SetEXIFExposureTime(0.01);
  p.SetEXIFFNumber(2.8);
  p.SetEXIFISOSpeedRatings(0, 200);
  p.SetEXIFFlash(16);
  p.SetEXIFFocalLength(35);
  p.SetEXIFXResolution(72);
  p.SetEXIFYResolution(72);
  p.EXIFGPSVersionID = "2.2.0.0";
  p.EXIFGPSLatitudeRef = "N";
  p.EXIFGPSLatitudeDegrees = 45;
  p.EXIFGPSLatitudeMinutes = 30;
  p.EXIFGPSLatitudeSeconds = 15.5;
  p.EXIFGPSLongitudeRef = "E";
  p.EXIFGPSLongitudeDegrees = 9;
  p.EXIFGPSLongitudeMinutes = 11;
  p.EXIFGPSAltitude = 120.5;
}

// "Name : value" lines of `exiftool -s -n` as a map.
std::map<std::string, std::string> ParseTags(const std::string& output) {
  std::map<std::string, std::string> tags;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    size_t colon = line.find(" : ");
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, line.find(' '));
    tags[name] = line.substr(colon + 3);
  }
  return tags;
}

// The payload of the first APP1 segment of a JPEG; empty when there is none.
Bytes FirstAPP1(const Bytes& jpeg) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const uint8_t code = jpeg[pos + 1];
    const size_t length = (jpeg[pos + 2] << 8) | jpeg[pos + 3];
    if (code == 0xDA || length < 2 || pos + 2 + length > jpeg.size()) break;
    if (code == 0xE1) return Bytes(jpeg.begin() + pos + 4, jpeg.begin() + pos + 2 + length);
    pos += 2 + length;
  }
  return {};
}

Bytes SaveBlock(TIOParamsVals& params, bool withHeader = true) {
  std::vector<uint8_t> buffer;
  SaveExifToBuffer(params, buffer, withHeader);
  return buffer;
}

bool HaveExifTools() { return HaveTool("exiftool") && HaveTool("cjpeg") && HaveTool("djpeg"); }

}  // namespace

TEST(ExifBuffer, AnIndependentReaderReadsTheWrittenFieldsAndThumbnail) {
  if (!HaveExifTools()) GTEST_SKIP() << "exiftool, cjpeg or djpeg is not installed";
  std::string dir = MakeTempDir();
  TIOParamsVals params(nullptr);
  FillCameraFields(params);
  params.SetTIFFOrientation(6);
  params.EXIFThumbnail = std::make_unique<TIEBitmap>();
  FillGradient(*params.EXIFThumbnail, 64, 48);

  Bytes block = SaveBlock(params);
  ASSERT_GT(block.size(), 6u);
  EXPECT_EQ(std::memcmp(block.data(), "Exif\0\0", 6), 0);
  Bytes plain = SmallJPEG(dir);
  ASSERT_FALSE(plain.empty());
  std::string file = dir + "/with-exif.jpg";
  WriteFileBytes(file, WithMarker(plain, 0xE1, block));

  std::string output;
  ASSERT_EQ(RunShell("exiftool -s -n -warning -Make -Model -Software -DateTimeOriginal -ExposureTime "
                     "-FNumber -ISO -Flash -FocalLength -Orientation -XResolution -ResolutionUnit "
                     "-GPSLatitude -GPSLatitudeRef -GPSLongitude -GPSAltitude -ThumbnailLength '" + file + "'",
                     &output), 0) << output;
  auto tags = ParseTags(output);
  EXPECT_EQ(tags["Make"], "Mergeon Camera") << output;
  EXPECT_EQ(tags["Model"], "M1");
  EXPECT_EQ(tags["Software"], "Mergeon");
  EXPECT_EQ(tags["DateTimeOriginal"], "2026:12:10 15:00:00");
  EXPECT_EQ(tags["ExposureTime"], "0.01");
  EXPECT_EQ(tags["FNumber"], "2.8");
  EXPECT_EQ(tags["ISO"], "200");
  EXPECT_EQ(tags["Flash"], "16");
  EXPECT_EQ(tags["FocalLength"], "35");
  EXPECT_EQ(tags["Orientation"], "6");
  EXPECT_EQ(tags["XResolution"], "72");
  EXPECT_EQ(tags["ResolutionUnit"], "2");
  EXPECT_EQ(tags["GPSLatitudeRef"], "N");
  EXPECT_NEAR(std::stod(tags["GPSLatitude"]), 45 + 30 / 60.0 + 15.5 / 3600.0, 1e-6);
  EXPECT_NEAR(std::stod(tags["GPSLongitude"]), 9 + 11 / 60.0, 1e-6);
  EXPECT_EQ(tags["GPSAltitude"], "120.5");
  EXPECT_GT(std::stoi(tags["ThumbnailLength"]), 0);
  EXPECT_EQ(output.find("Warning"), std::string::npos) << output;

  // The embedded thumbnail is a JPEG that an independent decoder opens at the stored size.
  ASSERT_EQ(RunShell("exiftool -b -ThumbnailImage '" + file + "' > '" + dir + "/thumb.jpg' && djpeg -pnm '" +
                     dir + "/thumb.jpg' | head -c 20", &output), 0) << output;
  EXPECT_NE(output.find("64 48"), std::string::npos) << output;
}

TEST(ExifBuffer, ReadsWhatAnIndependentWriterWrote) {
  if (!HaveExifTools()) GTEST_SKIP() << "exiftool, cjpeg or djpeg is not installed";
  std::string dir = MakeTempDir();
  std::string file = dir + "/other.jpg";
  WriteFileBytes(file, SmallJPEG(dir));
  // A 40 x 30 thumbnail made by the independent tools.
  std::string output;
  ASSERT_EQ(RunShell("printf 'P6\\n40 30\\n255\\n' > '" + dir + "/t.ppm' && head -c 3600 /dev/urandom >> '" +
                     dir + "/t.ppm' && cjpeg '" + dir + "/t.ppm' > '" + dir + "/t.jpg'", &output), 0) << output;
  ASSERT_EQ(RunShell("exiftool -overwrite_original -Make='Other Maker' -Model=X9 -ExposureTime=1/250 "
                     "-FNumber=4 -ISO=800 -Orientation#=8 -ImageDescription='A quiet street' "
                     "-GPSLatitude=12.5 -GPSLatitudeRef=S '-ThumbnailImage<=" + dir + "/t.jpg' '" + file + "'",
                     &output), 0) << output;
  Bytes app1 = FirstAPP1(ReadFileBytes(file));
  ASSERT_FALSE(app1.empty());

  TIOParamsVals params(nullptr);
  ASSERT_TRUE(LoadExifFromBuffer(app1.data(), static_cast<int32_t>(app1.size()), params));
  EXPECT_TRUE(params.EXIFPresent);
  EXPECT_EQ(params.EXIFMake, "Other Maker");
  EXPECT_EQ(params.EXIFModel, "X9");
  EXPECT_DOUBLE_EQ(params.EXIFExposureTime, 1.0 / 250);
  EXPECT_DOUBLE_EQ(params.EXIFFNumber, 4.0);
  EXPECT_EQ(params.GetEXIFISOSpeedRatings(0), 800);
  EXPECT_EQ(params.EXIFOrientation, 8);
  EXPECT_EQ(params.EXIFImageDescription, "A quiet street");
  EXPECT_EQ(params.EXIFGPSLatitudeRef, "S");
  EXPECT_DOUBLE_EQ(params.EXIFGPSLatitudeDegrees + params.EXIFGPSLatitudeMinutes / 60 +
                       params.EXIFGPSLatitudeSeconds / 3600, 12.5);
  // The thumbnail is read and turned upright (orientation 8 is a quarter turn).
  ASSERT_TRUE(params.EXIFThumbnail);
  ASSERT_FALSE(params.EXIFThumbnail->IsEmpty());
  EXPECT_EQ(params.EXIFThumbnail->Width(), 30);
  EXPECT_EQ(params.EXIFThumbnail->Height(), 40);
}

// The JPEG reader hands the first Exif APP1 marker to the block reader; a JFIF header that gives
// only an aspect ratio (density 1 by 1) takes the EXIF resolution instead.
TEST(ExifBuffer, TheJPEGReaderTakesFieldsThumbnailAndResolutionFromTheExifMarker) {
  if (!HaveExifTools()) GTEST_SKIP() << "exiftool, cjpeg or djpeg is not installed";
  std::string dir = MakeTempDir();
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  source.EXIFThumbnail = std::make_unique<TIEBitmap>();
  FillGradient(*source.EXIFThumbnail, 64, 48);
  Bytes file = WithMarker(SmallJPEG(dir), 0xE1, SaveBlock(source));

  vcl::TMemoryStream stream;
  stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
  stream.SetPosition(0);
  TIEBitmap image;
  TIOParamsVals params(nullptr);
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  ReadJPEGStream(&stream, nullptr, &image, params, progress, false, false, /*ReadMetadata=*/true, false, false,
                 false, -1, false);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(image.Width(), 1);
  EXPECT_TRUE(params.EXIFPresent);
  EXPECT_EQ(params.EXIFMake, "Mergeon Camera");
  EXPECT_DOUBLE_EQ(params.EXIFFNumber, 2.8);
  EXPECT_EQ(params.DpiX, 72);
  EXPECT_EQ(params.DpiY, 72);
  ASSERT_TRUE(params.EXIFThumbnail);
  EXPECT_EQ(params.EXIFThumbnail->Width(), 64);
  // The marker stays in the list, so a save writes it back.
  bool kept = false;
  for (int32_t i = 0; i < params.JPEGMarkerList.GetCount(); ++i)
    kept |= params.JPEGMarkerList.GetMarkerType(i) == 0xE1;
  EXPECT_TRUE(kept);
}

TEST(ExifBuffer, RoundTripKeepsFieldsAndThumbnail) {
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  source.EXIFImageDescription = "Harbour";
  source.EXIFUserComment = u"Hello";
  source.EXIFUserCommentCode = "ASCII";
  source.EXIFThumbnail = std::make_unique<TIEBitmap>();
  FillGradient(*source.EXIFThumbnail, 64, 48);

  for (bool withHeader : {true, false}) {
    SCOPED_TRACE(withHeader);
    Bytes block = SaveBlock(source, withHeader);
    if (!withHeader) {
      // The bare form is a TIFF structure; loading wants the APP1 form.
      EXPECT_TRUE(block.size() > 4 && block[0] == 'I' && block[1] == 'I');
      TIOParamsVals untouched(nullptr);
      EXPECT_FALSE(LoadExifFromBuffer(block.data(), static_cast<int32_t>(block.size()), untouched));
      continue;
    }
    TIOParamsVals back(nullptr);
    ASSERT_TRUE(LoadExifFromBuffer(block.data(), static_cast<int32_t>(block.size()), back));
    EXPECT_EQ(back.EXIFMake, "Mergeon Camera");
    EXPECT_EQ(back.EXIFDateTimeOriginal, "2026:12:10 15:00:00");
    EXPECT_EQ(back.EXIFImageDescription, "Harbour");
    EXPECT_EQ(back.EXIFUserComment, u"Hello");
    EXPECT_DOUBLE_EQ(back.EXIFExposureTime, 0.01);
    EXPECT_DOUBLE_EQ(back.EXIFFNumber, 2.8);
    EXPECT_EQ(back.GetEXIFISOSpeedRatings(0), 200);
    EXPECT_EQ(back.EXIFTags, source.EXIFTags);
    EXPECT_EQ(back.EXIFGPSVersionID, "2.2.0.0");
    EXPECT_DOUBLE_EQ(back.EXIFGPSLatitudeSeconds, 15.5);
    EXPECT_DOUBLE_EQ(back.EXIFGPSAltitude, 120.5);
    ASSERT_TRUE(back.EXIFThumbnail);
    ASSERT_EQ(back.EXIFThumbnail->Width(), 64);
    ASSERT_EQ(back.EXIFThumbnail->Height(), 48);
    // JPEG is lossy: the thumbnail's colours come back close, not equal.
    auto* original = static_cast<uint8_t*>(source.EXIFThumbnail->Scanline(20));
    auto* loaded = static_cast<uint8_t*>(back.EXIFThumbnail->Scanline(20));
    for (int32_t i = 0; i < 64 * 3; ++i) EXPECT_NEAR(loaded[i], original[i], 12) << i;
  }
}

TEST(ExifBuffer, BlocksThatAreNotExifOrCannotBeReadLeaveTheParametersAlone) {
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  Bytes valid = SaveBlock(source);

  Bytes notExif = valid;
  notExif[4] = '2';  // "Exif2"
  Bytes badStructure = ToBytes(std::string("Exif\0\0", 6) + "not a TIFF structure");
  for (const Bytes* block : {&notExif, &badStructure}) {
    TIOParamsVals params(nullptr);
    params.EXIFMake = "Kept";
    params.EXIFThumbnail = std::make_unique<TIEBitmap>();
    FillGradient(*params.EXIFThumbnail, 8, 8);
    EXPECT_FALSE(LoadExifFromBuffer(block->data(), static_cast<int32_t>(block->size()), params));
    EXPECT_EQ(params.EXIFMake, "Kept");
    EXPECT_FALSE(params.EXIFPresent);
    EXPECT_EQ(params.EXIFThumbnail->Width(), 8);
  }
}

TEST(ExifBuffer, DamagedBlocksEndClean) {
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  source.EXIFThumbnail = std::make_unique<TIEBitmap>();
  FillGradient(*source.EXIFThumbnail, 32, 24);
  Bytes valid = SaveBlock(source);
  ForEachDamagedCopy(valid, 300, [](const uint8_t* data, int32_t size) {
    TIOParamsVals params(nullptr);
    LoadExifFromBuffer(data, size, params);
    // Whatever was accepted can be written again.
    std::vector<uint8_t> again;
    SaveExifToBuffer(params, again, true);
  });
}

TEST(ExifBuffer, CopyTakesTheDescriptionFromTheTIFFFieldAndLeavesTheThumbnail) {
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  source.TIFFImageDescription = "From the TIFF tag";
  source.EXIFImageDescription = "Other";
  source.EXIFThumbnail = std::make_unique<TIEBitmap>();
  FillGradient(*source.EXIFThumbnail, 8, 8);
  TIOParamsVals dest(nullptr);
  CopyExifParams(source, dest);
  EXPECT_EQ(dest.EXIFImageDescription, "From the TIFF tag");
  EXPECT_EQ(dest.EXIFMake, "Mergeon Camera");
  EXPECT_EQ(dest.EXIFTags, source.EXIFTags);
  EXPECT_DOUBLE_EQ(dest.EXIFGPSAltitude, 120.5);
  EXPECT_FALSE(dest.EXIFThumbnail);
}

// A two-page TIFF as camera-raw files carry them: a full picture and a small preview.
TEST(ExifBuffer, CameraRawThumbnailIsTheSmallerPictureAndThePositionIsKept) {
  struct Case {
    int32_t width0, height0, width1, height1;
    bool zeroPixels1;
    int32_t expectedWidth;  // 0: no thumbnail
  };
  const Case cases[] = {
      {300, 200, 80, 60, false, 80},   // the second page is smaller
      {80, 60, 300, 200, false, 80},   // the first page is smaller
      {120, 90, 120, 90, false, 0},    // equal widths: neither
      {300, 200, 80, 60, true, 0},     // the smaller one is all zero bytes
      {900, 600, 800, 500, false, 0},  // both too large for a thumbnail
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width0 * 1000 + c.width1);
    vcl::TMemoryStream stream;
    stream.WriteBuffer("prefix--", 8);  // the TIFF does not start at the stream's beginning
    vcl::TMemoryStream tiff;
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    TIOParamsVals pageParams(nullptr);
    FillCameraFields(pageParams);
    TIEBitmap page0, page1;
    FillGradient(page0, c.width0, c.height0);
    FillGradient(page1, c.width1, c.height1);
    if (c.zeroPixels1)
      for (int32_t y = 0; y < c.height1; ++y) std::memset(page1.Scanline(y), 0, page1.RowLen());
    ASSERT_EQ(WriteTIFFStream(&tiff, false, &page0, pageParams, progress), 1);
    tiff.SetPosition(0);
    pageParams.SetImageIndex(1);
    ASSERT_EQ(WriteTIFFStream(&tiff, true, &page1, pageParams, progress), 2);
    ASSERT_FALSE(aborting);
    stream.WriteBuffer(tiff.Memory(), static_cast<int32_t>(tiff.Size()));
    stream.SetPosition(8);

    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadTIFFExifWithThumbnail(&stream, params));
    EXPECT_EQ(stream.Position(), 8);
    EXPECT_TRUE(params.EXIFPresent);
    EXPECT_EQ(params.EXIFMake, "Mergeon Camera");
    ASSERT_TRUE(params.EXIFThumbnail);
    if (c.expectedWidth) {
      EXPECT_EQ(params.EXIFThumbnail->Width(), c.expectedWidth);
    } else {
      EXPECT_TRUE(params.EXIFThumbnail->IsEmpty());
    }

    TIOParamsVals plain(nullptr);
    ASSERT_TRUE(ReadTIFFExif(&stream, plain));
    EXPECT_EQ(stream.Position(), 8);
    EXPECT_EQ(plain.EXIFMake, "Mergeon Camera");
    EXPECT_DOUBLE_EQ(plain.EXIFFNumber, 2.8);
    ASSERT_TRUE(plain.EXIFThumbnail);
    EXPECT_TRUE(plain.EXIFThumbnail->IsEmpty());
  }
}

// Resolutions come from files as fractions of 32-bit numbers: an absurd one must saturate, not
// turn into an undefined conversion.
TEST(ExifBuffer, AbsurdResolutionsSaturate) {
  TIOParamsVals source(nullptr);
  FillCameraFields(source);
  source.SetEXIFXResolution(4e9);
  source.SetEXIFYResolution(-4e9);
  EXPECT_EQ(source.DpiX, 2147483647);
  EXPECT_EQ(source.DpiY, -2147483647 - 1);
  Bytes block = SaveBlock(source);
  TIOParamsVals back(nullptr);
  ASSERT_TRUE(LoadExifFromBuffer(block.data(), static_cast<int32_t>(block.size()), back));
  EXPECT_GT(back.EXIFXResolution, 1e9);
}
