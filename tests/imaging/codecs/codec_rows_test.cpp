// The registry rows these codecs fill: each row's functions are the right ones for its file type
// (a code stream row writes code streams, the PostScript row PostScript, ...), so that the I/O
// object, which reaches these formats only through the rows, reads and writes what it names.
#include <gtest/gtest.h>

#include <string>

#include "imaging/codecs/hdphoto/hdphoto_codec.h"
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/codecs/metafile/metafile_detection.h"
#include "imaging/codecs/pdf/pdf_writer.h"
#include "imaging/codecs/postscript/ps_writer.h"
#include "imaging/codecs/raw/raw_bitmap_reader.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "imaging/params/wic_availability.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/support/test_pictures.h"

using namespace imaging;
using test_files::Bytes;

namespace {

class CodecRows : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterInternalFileFormats();
    RegisterJPEG2000Formats();
    RegisterPostScriptFormat();
    RegisterPDFFormat();
    RegisterRawBitmapFormat();
    RegisterMetafileTests();
    RegisterHDPhotoFormat();
  }
  void TearDown() override { RegisterInternalFileFormats(); }

  static Bytes WriteThroughRow(int32_t fileType, TIEBitmap* bitmap) {
    TIEWriteFunction write = GetFileFormatInfo(fileType)->WriteFunction;
    TIOParamsVals params(nullptr);
    return codec_runs::WriteToMemory([&](auto* stream, TCodecProgress& progress) {
      write(stream, bitmap, params, progress);
    });
  }

  static bool Try(int32_t fileType, Bytes bytes) {
    fuzz::TGuardedStream stream(bytes.data(), int32_t(bytes.size()));
    return GetFileFormatInfo(fileType)->TryFunction(&stream, fileType);
  }
};

}  // namespace

TEST_F(CodecRows, WritersAndTestsMatchTheirFileTypes) {
  auto picture = test_pictures::Gradient(40, 40);
  const Bytes jp2 = WriteThroughRow(13, picture.get());
  const Bytes j2k = WriteThroughRow(14, picture.get());
  EXPECT_TRUE(Try(13, jp2));
  EXPECT_FALSE(Try(14, jp2));
  EXPECT_TRUE(Try(14, j2k));
  EXPECT_FALSE(Try(13, j2k));
  const Bytes ps = WriteThroughRow(17, picture.get());
  const Bytes pdf = WriteThroughRow(18, picture.get());
  EXPECT_EQ(std::string(ps.begin(), ps.begin() + 4), "%!PS");
  EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
  // The read-only rows keep no writer; the write-only ones no reader.
  EXPECT_EQ(GetFileFormatInfo(17)->ReadFunction, nullptr);
  EXPECT_EQ(GetFileFormatInfo(18)->ReadFunction, nullptr);
  EXPECT_EQ(GetFileFormatInfo(21)->WriteFunction, NoWriteFunction);

  Bytes emf(44, 0);
  emf[0] = 1;
  emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  EXPECT_TRUE(Try(10, emf));
  EXPECT_FALSE(Try(9, emf));
  // HD Photo is offered where the platform's codecs are, writable only where it can encode.
  if (IsWICAvailable()) {
    ASSERT_NE(GetFileFormatInfo(29), nullptr);
    EXPECT_EQ(GetFileFormatInfo(29)->WriteFunction != nullptr, IsHDPhotoEncoderAvailable());
  }
}

TEST_F(CodecRows, ReadersOfTheRows) {
  auto picture = test_pictures::Gradient(40, 40);
  const Bytes j2k = WriteThroughRow(14, picture.get());
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(codec_runs::ReadGuarded(j2k, [&](auto* stream, TCodecProgress& progress) {
    GetFileFormatInfo(14)->ReadFunction(stream, &bitmap, params, progress, false);
  }));
  EXPECT_EQ(bitmap.Width(), 40);

  // The raw row fills an image the caller has sized; a preview reads nothing.
  TIEBitmap raw(2, 1, ie8g);
  raw.Fill(0);
  TIOParamsVals rawParams(nullptr);
  auto readRaw = [&](bool preview) {
    return codec_runs::ReadGuarded(Bytes{7, 9}, [&](auto* stream, TCodecProgress& progress) {
      GetFileFormatInfo(21)->ReadFunction(stream, &raw, rawParams, progress, preview);
    });
  };
  EXPECT_TRUE(readRaw(true));
  EXPECT_EQ(raw.GetPixel8(1, 0), 0);
  EXPECT_TRUE(readRaw(false));
  EXPECT_EQ(raw.GetPixel8(1, 0), 9);
}
