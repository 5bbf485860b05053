// HD Photo through the platform's imaging codecs: files made by the reference encoder
// (JxrEncApp) read to the pixels they were made from, natively or as 24-bit colour; frames that
// are not there and cut files fail the read; a save either round-trips or, where the platform
// has no encoder, fails without writing anything.
#include "imaging/codecs/hdphoto/hdphoto_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "imaging/params/wic_availability.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_pictures.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

bool ReadHDPhoto(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadHDPhotoStream(stream, bitmap, params, progress, false);
  });
}

// The reference encoder's lossless file of a PNM picture.
Bytes Encode(const Bytes& pnm, const char* extension) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in." + extension, pnm);
  if (test_files::RunShell("JxrEncApp -i '" + dir + "/in." + extension + "' -o '" + dir + "/out.wdp' -q 1") != 0)
    return {};
  return test_files::ReadFileBytes(dir + "/out.wdp");
}

Bytes GreyPGM(TIEBitmap* bitmap) {
  const std::string head = "P5\n" + std::to_string(bitmap->Width()) + " " + std::to_string(bitmap->Height()) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (uint32_t c : PixelsOf(bitmap)) out.push_back(uint8_t(c >> 8));
  return out;
}

class HDPhotoCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!IsWICAvailable()) GTEST_SKIP() << "the platform's imaging codecs are needed";
    if (!HaveTools({"JxrEncApp"})) GTEST_SKIP() << "JxrEncApp is needed";
  }
};

}  // namespace

TEST_F(HDPhotoCodec, ReferenceFilesReadToTheSamePixels) {
  auto picture = test_pictures::Gradient(48, 32);
  const Bytes colour = Encode(ToPPM(picture.get()), "ppm");
  const Bytes grey = Encode(GreyPGM(picture.get()), "pgm");
  ASSERT_FALSE(colour.empty());
  ASSERT_FALSE(grey.empty());
  struct Case {
    const char* name;
    const Bytes& file;
    bool native;
    TIEPixelFormat format;
    int32_t samples;
  } cases[] = {
      {"colour", colour, false, ie24RGB, 3},
      {"colour, native", colour, true, ie24RGB, 3},
      {"grey, native", grey, true, ie8g, 1},
      {"grey", grey, false, ie24RGB, 3},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = c.native;
    ASSERT_TRUE(ReadHDPhoto(c.file, &bitmap, params)) << c.name;
    EXPECT_EQ(bitmap.PixelFormat(), c.format) << c.name;
    EXPECT_EQ(params.Width, 48) << c.name;
    EXPECT_EQ(params.StoredHeight, 32) << c.name;
    EXPECT_EQ(params.SamplesPerPixel, c.samples) << c.name;
    EXPECT_EQ(params.BitsPerSample, 8) << c.name;
    const Bytes source = &c.file == &colour ? ToPPM(picture.get()) : GreyPGM(picture.get());
    EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(ParseNetpbm(source))) << c.name;
  }
}

TEST_F(HDPhotoCodec, MissingFramesAndCutFilesFail) {
  auto picture = test_pictures::Gradient(24, 16);
  const Bytes file = Encode(ToPPM(picture.get()), "ppm");
  ASSERT_FALSE(file.empty());
  auto untouched = test_pictures::Gradient(5, 5);
  TIOParamsVals second(nullptr);
  second.ImageIndex = 1;
  EXPECT_FALSE(ReadHDPhoto(file, untouched.get(), second));
  EXPECT_EQ(untouched->Width(), 5);
  for (size_t size : {size_t(0), size_t(8), size_t(40)}) {
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadHDPhoto(Bytes(file.begin(), file.begin() + ptrdiff_t(size)), untouched.get(), params)) << size;
    EXPECT_EQ(untouched->Width(), 5) << size;
  }
}

TEST_F(HDPhotoCodec, ASaveRoundTripsOrFailsWithoutWriting) {
  auto picture = test_pictures::Gradient(32, 16);
  TIOParamsVals params(nullptr);
  params.HDPLossless = true;
  vcl::TMemoryStream stream;
  codec_runs::TAbortableProgress progress;
  WriteHDPhotoStream(&stream, picture.get(), params, progress);
  if (!IsHDPhotoEncoderAvailable()) {
    // The platform has no HD Photo encoder (Wine's codec only decodes).
    EXPECT_TRUE(progress.aborting);
    EXPECT_EQ(stream.Size(), 0);
    return;
  }
  ASSERT_FALSE(progress.aborting);
  TIEBitmap bitmap;
  TIOParamsVals readBack(nullptr);
  ASSERT_TRUE(ReadHDPhoto(test_files::StreamBytes(&stream), &bitmap, readBack));
  EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(picture.get()));
}
