// The WBMP codec against netpbm's pbmtowbmp and wbmptopbm, its header integers, and damaged
// files.
#include "imaging/codecs/wbmp/wbmp_codec.h"

#include <gtest/gtest.h>

#include <memory>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

bool ReadWBMP(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params) {
  fuzz::Bytes copy = bytes;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  ReadWBMPStream(&stream, bitmap, params, progress, false);
  return !aborting;
}

Bytes WriteWBMP(TIEBitmap* bitmap) {
  vcl::TMemoryStream stream;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  WriteWBMPStream(&stream, bitmap, progress);
  return aborting ? Bytes() : test_files::StreamBytes(&stream);
}

}  // namespace

TEST(WbmpCodec, RoundTripsThroughNetpbm) {
  if (!HaveTools({"pbmtowbmp", "wbmptopbm", "pgmtopbm", "ppmtopgm"})) GTEST_SKIP() << "netpbm is needed";
  for (int32_t width : {1, 8, 9, 200, 600}) {
    SCOPED_TRACE(width);
    auto bitmap = test_pictures::Checker1Bit(width, 300);
    // Written here, read by wbmptopbm: every pixel, at the full size.
    const Bytes file = WriteWBMP(bitmap.get());
    const TNetpbmImage there = ParseNetpbm(RunTool("wbmptopbm", file));
    ASSERT_TRUE(there.Valid());
    EXPECT_EQ(there.width, width);
    EXPECT_EQ(PixelsOf(there), PixelsOf(bitmap.get()));
    // Made by pbmtowbmp, read here.
    const Bytes made = RunTool("ppmtopgm | pgmtopbm -threshold | pbmtowbmp", ToPPM(bitmap.get()));
    TIEBitmap read;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadWBMP(made, &read, params));
    EXPECT_EQ(params.Width, width);
    EXPECT_EQ(PixelsOf(&read), PixelsOf(bitmap.get()));
  }
}

TEST(WbmpCodec, HeaderIntegersAndFullSize) {
  auto bitmap = test_pictures::Checker1Bit(200, 100);
  const Bytes file = WriteWBMP(bitmap.get());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0, 0, 0x81, 0x48, 0x64}));
  EXPECT_EQ(file.size(), 5u + 25 * 100);
  // A colour image larger than 255 is written whole, and the caller's image is not touched.
  auto colour = test_pictures::Gradient(600, 300);
  const Bytes big = WriteWBMP(colour.get());
  EXPECT_EQ(colour->Width(), 600);
  EXPECT_EQ(colour->PixelFormat(), ie24RGB);
  TIEBitmap read;
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadWBMP(big, &read, params));
  EXPECT_EQ(read.Width(), 600);
  EXPECT_EQ(read.Height(), 300);
  // Nine pixels make rows of two bytes.
  EXPECT_EQ(WriteWBMP(test_pictures::Checker1Bit(9, 3).get()).size(), 4u + 2 * 3);
}

TEST(WbmpCodec, DamagedFilesFailAndLeaveTheTargetAlone) {
  const Bytes cases[] = {
      {0, 0, 0, 2, 0xFF, 0xFF},        // width 0
      {1, 0, 2, 2, 0xFF, 0xFF},        // type 1
      {0, 0, 2, 2, 0xFF},              // a row missing
      {0, 0, 0xFF, 0xFF, 0xFF, 0x7F},  // height missing
      {0, 0, 0x8F, 0xFF, 0xFF, 0x7F, 0x8F, 0xFF, 0xFF, 0x7F, 0},  // rows past the data
  };
  for (const Bytes& bytes : cases) {
    TIEBitmap bitmap(3, 3, ie24RGB);
    bitmap.Fill(0x00FF00);
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadWBMP(bytes, &bitmap, params));
    EXPECT_EQ(bitmap.Width(), 3);
  }
  const Bytes valid = WriteWBMP(test_pictures::Checker1Bit(20, 9).get());
  for (size_t size = 0; size < valid.size(); ++size) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadWBMP(Bytes(valid.begin(), valid.begin() + size), &bitmap, params)) << size;
  }
  fuzz::Fuzz("wbmp", valid, 7000, [](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    ReadWBMPStream(&stream, &bitmap, params, progress, false);
  });
}
