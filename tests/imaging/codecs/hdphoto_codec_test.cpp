// HD Photo through our own codec: files made by the reference encoder (JxrEncApp) read to the
// pixels they were made from, natively or as 24-bit colour, and to what the reference decoder
// (JxrDecApp) makes of them, lossy ones included; frames that are not there, cut and damaged
// files fail the read; saved files round-trip and read in the reference decoder as they read
// here.
#include "imaging/codecs/hdphoto/hdphoto_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "imaging/params/wic_availability.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

bool ReadHDPhoto(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadHDPhotoStream(stream, bitmap, params, progress, false);
  });
}

// The reference encoder's file of a PNM picture (lossless unless other options are given).
Bytes Encode(const Bytes& pnm, const char* extension, const std::string& options = "-q 1") {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in." + extension, pnm);
  if (test_files::RunShell("JxrEncApp -i '" + dir + "/in." + extension + "' -o '" + dir + "/out.wdp' " + options +
                           " >/dev/null 2>&1") != 0)
    return {};
  return test_files::ReadFileBytes(dir + "/out.wdp");
}

// What the reference decoder makes of a file, as PNM (grey files as PGM, colour as PPM). It
// goes through TIFF: the decoder's own PNM of 16-bit grey has a colour header.
TNetpbmImage ReferenceDecode(const Bytes& file) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.wdp", file);
  if (test_files::RunShell("JxrDecApp -i '" + dir + "/in.wdp' -o '" + dir + "/out.tif' >/dev/null 2>&1 && tifftopnm -byrow '" +
                           dir + "/out.tif' > '" + dir + "/out.pnm' 2>/dev/null") != 0)
    return {};
  return ParseNetpbm(test_files::ReadFileBytes(dir + "/out.pnm"));
}

// The samples of a bitmap as the PNM of the same picture holds them: 8 or 16 bits, one (grey)
// or three (red, green, blue) per pixel.
std::vector<uint32_t> SamplesOf(TIEBitmap* bitmap) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
    const auto* wide = reinterpret_cast<const uint16_t*>(row);
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      switch (bitmap->PixelFormat()) {
        case ie8g: out.push_back(row[x]); break;
        case ie16g: out.push_back(wide[x]); break;
        case ieRGB48:
          for (int c = 0; c < 3; ++c) out.push_back(wide[x * 3 + c]);
          break;
        case ie24RGB:
          for (int c = 2; c >= 0; --c) out.push_back(row[x * 3 + c]);
          break;
        default: break;
      }
    }
  }
  return out;
}

// A PNM of 8 or 16 bits per sample, one or three samples per pixel, with a pattern that
// changes in both directions and between channels.
Bytes PatternPNM(int32_t width, int32_t height, int32_t channels, bool wide) {
  const std::string head = std::string(channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) + " " +
                           std::to_string(height) + (wide ? "\n65535\n" : "\n255\n");
  Bytes out(head.begin(), head.end());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < channels; ++c) {
        const uint32_t v = uint32_t(x * 37 + y * 91 + c * 1000 + (x * y) % 17);
        if (wide) {
          out.push_back(uint8_t((v * 13) >> 8));
          out.push_back(uint8_t(v * 13));
        } else {
          out.push_back(uint8_t(v));
        }
      }
  return out;
}

class HDPhotoCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!IsWICAvailable()) GTEST_SKIP() << "the platform's imaging codecs are needed";
    if (!HaveTools({"JxrEncApp", "JxrDecApp", "tifftopnm"})) GTEST_SKIP() << "JxrEncApp, JxrDecApp and tifftopnm are needed";
  }
};

}  // namespace

TEST_F(HDPhotoCodec, ReferenceFilesReadToTheSamePixels) {
  auto picture = test_pictures::Gradient(48, 32);
  const Bytes colour = Encode(ToPPM(picture.get()), "ppm");
  const Bytes grey = Encode(netpbm_test::GreyPGM(picture.get()), "pgm");
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
    const Bytes source = &c.file == &colour ? ToPPM(picture.get()) : netpbm_test::GreyPGM(picture.get());
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

TEST_F(HDPhotoCodec, FilesReadAsTheReferenceDecoderReadsThem) {
  // Sizes that are no multiple of the codec's 16-row bands, lossless and lossy, every depth
  // the reader keeps natively.
  struct Case {
    const char* name;
    int32_t channels;
    bool wide;
    const char* options;
    TIEPixelFormat format;
  } cases[] = {
      {"colour, lossless", 3, false, "-q 1", ie24RGB},
      {"colour, lossy", 3, false, "-q 0.6", ie24RGB},
      {"colour, lossy 4:2:0", 3, false, "-q 0.3", ie24RGB},
      {"grey, lossless", 1, false, "-q 1", ie8g},
      {"grey, lossy", 1, false, "-q 0.5", ie8g},
      {"16-bit grey", 1, true, "-q 1", ie16g},
      {"48-bit colour", 3, true, "-q 1", ieRGB48},
      {"48-bit colour, lossy", 3, true, "-q 0.7", ieRGB48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes source = PatternPNM(83, 45, c.channels, c.wide);
    const Bytes file = Encode(source, c.channels == 1 ? "pgm" : "ppm", c.options);
    ASSERT_FALSE(file.empty());
    const TNetpbmImage reference = ReferenceDecode(file);
    ASSERT_TRUE(reference.Valid());
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = true;
    ASSERT_TRUE(ReadHDPhoto(file, &bitmap, params));
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    EXPECT_EQ(params.Width, 83);
    EXPECT_EQ(params.Height, 45);
    EXPECT_EQ(SamplesOf(&bitmap), reference.samples);
    // The reference encoder takes 16-bit PNM samples in the machine's byte order, not the
    // format's: only 8-bit sources compare with the file's own samples.
    if (std::string(c.options) == "-q 1" && !c.wide) {
      EXPECT_EQ(SamplesOf(&bitmap), ParseNetpbm(source).samples);
    }
    // Read as 24-bit colour, the same picture.
    TIEBitmap colour;
    TIOParamsVals plain(nullptr);
    ASSERT_TRUE(ReadHDPhoto(file, &colour, plain));
    EXPECT_EQ(colour.PixelFormat(), ie24RGB);
    EXPECT_LE(MaxDifference(PixelsOf(&colour), PixelsOf(reference)), 1);
  }
}

TEST_F(HDPhotoCodec, SavedFilesReadBackAndReadInTheReferenceDecoder) {
  auto picture = test_pictures::Gradient(70, 37);
  TIEBitmap grey, grey16, wide, cmyk;
  grey.Assign(picture.get());
  grey.ConvertTo(ie8g);
  grey16.Assign(picture.get());
  grey16.ConvertTo(ie16g);
  wide.Assign(picture.get());
  wide.ConvertTo(ieRGB48);
  cmyk.Assign(picture.get());
  cmyk.ConvertTo(ieCMYK);
  auto bilevel = test_pictures::Checker1Bit(45, 21);
  struct Case {
    const char* name;
    TIEBitmap* bitmap;
    bool lossless;
    bool reference;  // the reference decoder writes this depth as PNM
  } cases[] = {
      {"colour", picture.get(), true, true},  {"colour, lossy", picture.get(), false, true},
      {"grey", &grey, true, true},            {"grey, lossy", &grey, false, true},
      {"16-bit grey", &grey16, true, true},   {"48-bit colour", &wide, true, true},
      {"CMYK", &cmyk, true, false},           {"black and white", bilevel.get(), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals params(nullptr);
    params.HDPLossless = c.lossless;
    params.HDPImageQuality = c.lossless ? 1.0 : 0.6;
    const Bytes file = codec_runs::WriteToMemory([&](vcl::TStream* stream, TCodecProgress& progress) {
      WriteHDPhotoStream(stream, c.bitmap, params, progress);
    });
    ASSERT_FALSE(file.empty());
    TIEBitmap read;
    TIOParamsVals readParams(nullptr);
    readParams.KeepNativePixelFormat = true;
    ASSERT_TRUE(ReadHDPhoto(file, &read, readParams));
    EXPECT_EQ(read.PixelFormat(), c.bitmap->PixelFormat());
    ASSERT_EQ(read.Width(), c.bitmap->Width());
    ASSERT_EQ(read.Height(), c.bitmap->Height());
    if (c.lossless) {
      const size_t rowBytes = size_t((int64_t(read.Width()) * read.BitCount() + 7) / 8);
      for (int32_t y = 0; y < read.Height(); ++y)
        ASSERT_EQ(std::memcmp(read.GetScanline(y), c.bitmap->GetScanline(y), rowBytes), 0) << "row " << y;
    }
    if (c.reference) {
      const TNetpbmImage reference = ReferenceDecode(file);
      ASSERT_TRUE(reference.Valid());
      EXPECT_EQ(SamplesOf(&read), reference.samples);
    }
  }
}

TEST_F(HDPhotoCodec, DamagedFilesFailTheRead) {
  const Bytes lossless = Encode(PatternPNM(40, 20, 3, false), "ppm");
  const Bytes lossy = Encode(PatternPNM(40, 20, 1, false), "pgm", "-q 0.5");
  ASSERT_FALSE(lossless.empty());
  ASSERT_FALSE(lossy.empty());
  unsigned seed = 7900;
  for (const Bytes* file : {&lossless, &lossy})
    fuzz::Fuzz("hd photo", *file, seed++, [](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      codec_runs::TAbortableProgress progress;
      ReadHDPhotoStream(&stream, &bitmap, params, progress, false);
    });
}
