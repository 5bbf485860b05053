// The JPEG 2000 codec against OpenJPEG's own programs: files made by opj_compress read here to
// the pixels they were made from, files written here decode in opj_decompress to the same
// pixels (lossless) or close to them within the asked size (lossy), and damaged files end with
// the aborting flag.
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "clib/openjpeg_bridge.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

bool ReadJ2000(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params, bool preview = false) {
  return codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadJPEG2000Stream(stream, bitmap, params, progress, preview);
  });
}

Bytes WriteJ2000(TIEBitmap* bitmap, TIOParamsVals& params, int32_t format) {
  return codec_runs::WriteToMemory([&](auto* stream, TCodecProgress& progress) {
    WriteJPEG2000Stream(stream, bitmap, params, progress, format);
  });
}

const char* Extension(int32_t format) { return format == ieJ2KFormatJP2 ? "jp2" : "j2k"; }

// Runs an OpenJPEG program from `input` (written under `inName`) to `outName`; the output bytes.
Bytes RunOpj(const std::string& program, const Bytes& input, const std::string& inName, const std::string& outName,
             const std::string& options = "") {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/" + inName, input);
  if (test_files::RunShell(program + " -i '" + dir + "/" + inName + "' -o '" + dir + "/" + outName + "' " + options) != 0)
    return {};
  return test_files::ReadFileBytes(dir + "/" + outName);
}

std::string Dump(const Bytes& file, int32_t format) {
  const std::string dir = test_files::MakeTempDir();
  const std::string name = dir + "/in." + Extension(format);
  test_files::WriteFileBytes(name, file);
  std::string text;
  test_files::RunShell("opj_dump -i '" + name + "'", &text);
  return text;
}

class JPEG2000Codec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"opj_compress", "opj_decompress", "opj_dump"})) GTEST_SKIP() << "OpenJPEG's programs are needed";
  }
};

}  // namespace

TEST_F(JPEG2000Codec, OpjCompressFilesReadToTheSamePixels) {
  auto picture = test_pictures::Gradient(67, 41);
  const Bytes ppm = ToPPM(picture.get());
  const Bytes pgm = netpbm_test::GreyPGM(picture.get());
  struct Case {
    const char* name;
    const Bytes& input;
    const char* inName;
    const char* outName;
    const char* options;
    int32_t samples;
  } cases[] = {
      {"RGB JP2", ppm, "in.ppm", "out.jp2", "", 3},
      {"RGB code stream", ppm, "in.ppm", "out.j2k", "", 3},
      {"RGB JP2, tiles and layers", ppm, "in.ppm", "out.jp2", "-t 32,32 -n 4 -r 20,10,1 -p RLCP", 3},
      {"RGB without colour transform", ppm, "in.ppm", "out.j2k", "-mct 0", 3},
      {"grey JP2", pgm, "in.pgm", "out.jp2", "", 1},
      {"grey code stream", pgm, "in.pgm", "out.j2k", "-n 2", 1},
  };
  for (const Case& c : cases) {
    const Bytes file = RunOpj("opj_compress", c.input, c.inName, c.outName, c.options);
    ASSERT_FALSE(file.empty()) << c.name;
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadJ2000(file, &bitmap, params)) << c.name;
    EXPECT_EQ(bitmap.PixelFormat(), ie24RGB) << c.name;
    EXPECT_EQ(params.Width, 67) << c.name;
    EXPECT_EQ(params.Height, 41) << c.name;
    EXPECT_EQ(params.BitsPerSample, 8) << c.name;
    EXPECT_EQ(params.SamplesPerPixel, c.samples) << c.name;
    EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(ParseNetpbm(c.input))) << c.name;
  }
}

TEST_F(JPEG2000Codec, TwelveBitSamplesKeepTheirTopEightBits) {
  // 16-bit PPM samples below 4096 make a 12-bit file.
  const int32_t width = 9, height = 4;
  std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n4095\n";
  Bytes ppm(head.begin(), head.end());
  std::vector<uint32_t> expected;
  for (int32_t i = 0; i < width * height; ++i) {
    const uint32_t r = uint32_t(i * 113) % 4096, g = uint32_t(4095 - i * 7), b = uint32_t(i * 1001) % 4096;
    for (uint32_t v : {r, g, b}) ppm.insert(ppm.end(), {uint8_t(v >> 8), uint8_t(v)});
    expected.push_back(((r >> 4) << 16) | ((g >> 4) << 8) | (b >> 4));
  }
  const Bytes file = RunOpj("opj_compress", ppm, "in.ppm", "out.jp2", "-n 2");
  ASSERT_FALSE(file.empty());
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadJ2000(file, &bitmap, params));
  EXPECT_EQ(params.BitsPerSample, 12);
  EXPECT_EQ(PixelsOf(&bitmap), expected);
}

TEST_F(JPEG2000Codec, SubsampledChromaSpreadsOverItsBlock) {
  // An 8 x 6 YCbCr code stream with 4:2:0 chroma: luma 100 everywhere, the first Cr sample 228
  // and every other chroma sample neutral.
  const int32_t width = 8, height = 6;
  Bytes planes(size_t(width * height), 100);
  planes.insert(planes.end(), size_t(width / 2 * height / 2), 128);
  Bytes cr(size_t(width / 2 * height / 2), 128);
  cr[0] = 228;
  planes.insert(planes.end(), cr.begin(), cr.end());
  const Bytes file = RunOpj("opj_compress", planes, "in.raw", "out.j2k", "-F 8,6,3,8,u@1x1:2x2:2x2 -n 1 -mct 0");
  ASSERT_FALSE(file.empty());
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadJ2000(file, &bitmap, params));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      // Red gains 1.402 x 100, green loses 0.299 x 1.402 / 0.587 x 100 (rounded) in the block.
      const uint32_t expected = (x < 2 && y < 2) ? 0xF01D64u : 0x646464u;
      EXPECT_EQ(PixelsOf(&bitmap)[size_t(y * width + x)], expected) << x << "," << y;
    }
  // OpenJPEG's own decoder agrees.
  EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(ParseNetpbm(RunOpj("opj_decompress", file, "in.j2k", "out.ppm"))));
}

TEST_F(JPEG2000Codec, LosslessFilesDecodeInOpjDecompressToTheSamePixels) {
  auto colour = test_pictures::Gradient(45, 19);
  auto bilevel = test_pictures::Checker1Bit(45, 19);
  struct Case {
    const char* name;
    TIEBitmap* bitmap;
    uint8_t colourSpace;
    int32_t format;
    const char* outName;
    const char* precision;
  } cases[] = {
      {"RGB JP2", colour.get(), 1, ieJ2KFormatJP2, "out.ppm", "prec=8"},
      {"RGB code stream", colour.get(), 1, ieJ2KFormatCodeStream, "out.ppm", "prec=8"},
      {"YCbCr asked: RGB written", colour.get(), 2, ieJ2KFormatJP2, "out.ppm", "prec=8"},
      {"unknown colour space: RGB written", colour.get(), 7, ieJ2KFormatJP2, "out.ppm", "prec=8"},
      {"bilevel code stream", bilevel.get(), 1, ieJ2KFormatCodeStream, "out.pgm", "prec=1"},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    params.J2000ColorSpace = c.colourSpace;
    const Bytes file = WriteJ2000(c.bitmap, params, c.format);
    ASSERT_FALSE(file.empty()) << c.name;
    EXPECT_NE(Dump(file, c.format).find(c.precision), std::string::npos) << c.name;
    const Bytes decoded = RunOpj("opj_decompress", file, std::string("in.") + Extension(c.format), c.outName);
    const TNetpbmImage image = ParseNetpbm(decoded);
    ASSERT_TRUE(image.Valid()) << c.name;
    if (c.bitmap == bilevel.get()) {
      // One-bit samples come back as 0 and 1.
      ASSERT_EQ(image.samples.size(), size_t(45 * 19)) << c.name;
      for (int32_t y = 0; y < 19; ++y)
        for (int32_t x = 0; x < 45; ++x)
          ASSERT_EQ(image.samples[size_t(y * 45 + x)] != 0, c.bitmap->GetPixelRGB(x, y).r != 0) << c.name << " " << x;
    } else {
      EXPECT_EQ(PixelsOf(image), PixelsOf(c.bitmap)) << c.name;
    }
  }
}

TEST_F(JPEG2000Codec, GreyFilesCarryTheWeightedLuminance) {
  auto picture = test_pictures::Gradient(16, 8);
  TIOParamsVals params(nullptr);
  params.J2000ColorSpace = 0;
  const Bytes file = WriteJ2000(picture.get(), params, ieJ2KFormatJP2);
  const TNetpbmImage image = ParseNetpbm(RunOpj("opj_decompress", file, "in.jp2", "out.pgm"));
  ASSERT_TRUE(image.Valid());
  ASSERT_EQ(image.depth, 1);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const TRGB c = picture->GetPixelRGB(x, y);
      EXPECT_EQ(image.samples[size_t(y * 16 + x)], uint32_t((c.r * 21 + c.g * 71 + c.b * 8) / 100));
    }
}

TEST_F(JPEG2000Codec, LossyFilesStayWithinTheRateAndCloseToThePicture) {
  auto picture = test_pictures::Gradient(128, 96);
  const size_t raw = size_t(128) * 96 * 3;
  for (double rate : {0.25, 0.1}) {
    for (int32_t format : {ieJ2KFormatJP2, ieJ2KFormatCodeStream}) {
      TIOParamsVals params(nullptr);
      params.J2000Rate = rate;
      const Bytes file = WriteJ2000(picture.get(), params, format);
      ASSERT_FALSE(file.empty());
      // The box headers of a JP2 file come on top of the coded data.
      EXPECT_LE(file.size(), size_t(raw * rate) + 128) << rate;
      const TNetpbmImage image = ParseNetpbm(RunOpj("opj_decompress", file, std::string("in.") + Extension(format), "out.ppm"));
      ASSERT_TRUE(image.Valid());
      const auto theirs = PixelsOf(image), ours = PixelsOf(picture.get());
      ASSERT_EQ(theirs.size(), ours.size());
      double total = 0;
      for (size_t i = 0; i < ours.size(); ++i)
        for (int shift : {0, 8, 16}) total += std::abs(int((theirs[i] >> shift) & 255) - int((ours[i] >> shift) & 255));
      EXPECT_LT(total / double(raw), 6.0) << rate;
    }
  }
}

TEST_F(JPEG2000Codec, RateAndProgressionReachTheFile) {
  auto picture = test_pictures::Gradient(64, 64);
  struct Case {
    uint8_t order;
    const char* expected;
  } cases[] = {{0, "prg=0\n"}, {1, "prg=0x1\n"}};
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    params.J2000ProgressionOrder = c.order;
    const std::string dump = Dump(WriteJ2000(picture.get(), params, ieJ2KFormatCodeStream), ieJ2KFormatCodeStream);
    EXPECT_NE(dump.find(c.expected), std::string::npos) << dump;
  }
}

TEST_F(JPEG2000Codec, BilevelImagesRoundTripAsOneBit) {
  auto picture = test_pictures::Checker1Bit(21, 13);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.J2000ColorSpace = 1;
  const Bytes file = WriteJ2000(picture.get(), params, ieJ2KFormatCodeStream);
  EXPECT_EQ(params.BitsPerSample, 1);
  EXPECT_EQ(params.J2000ColorSpace, 0);
  TIEBitmap bitmap;
  TIOParamsVals readBack(nullptr);
  ASSERT_TRUE(ReadJ2000(file, &bitmap, readBack));
  EXPECT_EQ(bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(readBack.BitsPerSample, 1);
  EXPECT_EQ(readBack.SamplesPerPixel, 1);
  EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(picture.get()));
}

TEST_F(JPEG2000Codec, OpacityRoundTripsAsTheAlphaChannel) {
  auto picture = test_pictures::Gradient(20, 10);
  auto alpha = TIEBitmap::CreateAlphaChannel(20, 10, ieMemory);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) static_cast<uint8_t*>(alpha->GetScanline(y))[x] = uint8_t(x * 12 + y);
  alpha->SetIsAlphaChannel(true);
  picture->AttachAlphaChannel(std::move(alpha));
  TIOParamsVals params(nullptr);
  const Bytes file = WriteJ2000(picture.get(), params, ieJ2KFormatJP2);
  EXPECT_NE(Dump(file, ieJ2KFormatJP2).find("numcomps=4"), std::string::npos);
  TIEBitmap bitmap;
  TIOParamsVals readBack(nullptr);
  ASSERT_TRUE(ReadJ2000(file, &bitmap, readBack));
  EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(picture.get()));
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(bitmap.GetAlphaAt(x, y), uint8_t(x * 12 + y));
}

TEST_F(JPEG2000Codec, PreviewFillsTheBlockWithoutPixels) {
  auto picture = test_pictures::Gradient(33, 17);
  TIOParamsVals params(nullptr);
  const Bytes file = WriteJ2000(picture.get(), params, ieJ2KFormatJP2);
  TIEBitmap bitmap;
  TIOParamsVals readBack(nullptr);
  ASSERT_TRUE(ReadJ2000(file, &bitmap, readBack, true));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(readBack.Width, 33);
  EXPECT_EQ(readBack.StoredHeight, 17);
  EXPECT_EQ(readBack.SamplesPerPixel, 3);
  EXPECT_EQ(readBack.ImageCount, 1);
}

TEST(JPEG2000Detection, SignaturesAndPositions) {
  using test_files::Bytes;
  const Bytes jp2 = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0};
  struct Case {
    const char* name;
    Bytes bytes;
    bool jp2, j2k;
  } cases[] = {
      {"JP2 signature", jp2, true, false},
      {"code stream", {0xFF, 0x4F, 0xFF, 0x51, 0}, false, true},
      {"no size marker", {0xFF, 0x4F, 0xFF, 0x52, 0}, false, false},
      {"cut code stream", {0xFF, 0x4F, 0xFF}, false, false},
      {"cut signature", Bytes(jp2.begin(), jp2.begin() + 11), false, false},
      {"wrong box length", {0, 0, 0, 13, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}, false, false},
  };
  for (const Case& c : cases) {
    Bytes bytes = c.bytes;
    fuzz::TGuardedStream stream(bytes.data(), int32_t(bytes.size()));
    EXPECT_EQ(IsJP2Stream(&stream), c.jp2) << c.name;
    EXPECT_EQ(stream.Position(), 0) << c.name;
    EXPECT_EQ(IsJ2KStream(&stream), c.j2k) << c.name;
    EXPECT_EQ(stream.Position(), 0) << c.name;
  }
  // Data that is neither is refused without touching the bitmap.
  auto picture = test_pictures::Gradient(4, 4);
  TIOParamsVals params(nullptr);
  EXPECT_FALSE(ReadJ2000(Bytes{'P', '6', '\n', 0}, picture.get(), params));
  EXPECT_EQ(picture->Width(), 4);
}

TEST(JPEG2000Detection, CutFilesAreRefused) {
  // A file that ends before its image is complete is no image with a blank part.
  auto picture = test_pictures::Gradient(40, 30);
  for (int32_t format : {ieJ2KFormatJP2, ieJ2KFormatCodeStream}) {
    TIOParamsVals params(nullptr);
    const Bytes file = WriteJ2000(picture.get(), params, format);
    ASSERT_GT(file.size(), 200u);
    for (size_t cut : {size_t(2), size_t(30), file.size() / 2, file.size() - 2}) {
      auto untouched = test_pictures::Gradient(3, 3);
      TIOParamsVals readBack(nullptr);
      EXPECT_FALSE(ReadJ2000(Bytes(file.begin(), file.end() - ptrdiff_t(cut)), untouched.get(), readBack))
          << Extension(format) << " " << cut;
      EXPECT_EQ(untouched->Width(), 3);
    }
  }
}

TEST(JPEG2000Fuzz, DamagedFilesEndInTheAbortingFlag) {
  auto picture = test_pictures::Gradient(24, 16);
  auto bilevel = test_pictures::Checker1Bit(24, 16);
  unsigned seed = 5200;
  for (int32_t format : {ieJ2KFormatJP2, ieJ2KFormatCodeStream})
    for (TIEBitmap* source : {picture.get(), bilevel.get()}) {
      TIOParamsVals params(nullptr);
      params.J2000Rate = source == picture.get() ? 0.3 : 1.0;
      const Bytes file = WriteJ2000(source, params, format);
      ASSERT_FALSE(file.empty());
      fuzz::Fuzz(Extension(format), file, seed++, [](uint8_t* data, int32_t size) {
        fuzz::TGuardedStream stream(data, size);
        TIEBitmap bitmap;
        TIOParamsVals params(nullptr);
        codec_runs::TAbortableProgress progress;
        ReadJPEG2000Stream(&stream, &bitmap, params, progress, false);
      });
    }
}

TEST_F(JPEG2000Codec, TilesTheStreamDoesNotHoldAreRefusedBeforeDecoding) {
  auto picture = test_pictures::Gradient(40, 30);
  const Bytes ppm = ToPPM(picture.get());
  // Tiles of 16 x 16, and the same with each tile in several parts.
  const Bytes tiled = RunOpj("opj_compress", ppm, "in.ppm", "out.j2k", "-t 16,16 -n 2");
  const Bytes parts = RunOpj("opj_compress", ppm, "in.ppm", "out.j2k", "-t 16,16 -n 2 -TP R");
  const Bytes jp2 = RunOpj("opj_compress", ppm, "in.ppm", "out.jp2", "-t 16,8 -n 2");
  ASSERT_FALSE(tiled.empty());
  ASSERT_FALSE(parts.empty());
  ASSERT_FALSE(jp2.empty());
  for (const Bytes* file : {&tiled, &parts, &jp2}) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadJ2000(*file, &bitmap, params));
    EXPECT_EQ(PixelsOf(&bitmap), PixelsOf(picture.get()));
  }
  // One flipped bit makes the height 1,048,606: 34,954 tile rows the stream does not have.
  Bytes tall = tiled;
  ASSERT_EQ(tall[2], 0xFF);
  ASSERT_EQ(tall[3], 0x51);
  tall[13] |= 0x10;  // the height: bytes 12 to 15, big-endian
  // A tile-part taken out: the marker after the first tile-part is the second one.
  Bytes missing = tiled;
  size_t first = 0;
  for (size_t i = 2; i + 1 < missing.size(); ++i)
    if (missing[i] == 0xFF && missing[i + 1] == 0x90) {
      first = i;
      break;
    }
  ASSERT_GT(first, 0u);
  const size_t length = (size_t(missing[first + 6]) << 24) | (size_t(missing[first + 7]) << 16) |
                        (size_t(missing[first + 8]) << 8) | missing[first + 9];
  missing.erase(missing.begin() + ptrdiff_t(first), missing.begin() + ptrdiff_t(first + length));
  struct Case {
    const char* name;
    const Bytes& file;
  } cases[] = {{"height of 1,048,606", tall}, {"a tile missing", missing}};
  for (const Case& c : cases) {
    for (bool preview : {true, false}) {
      auto untouched = test_pictures::Gradient(3, 3);
      TIOParamsVals params(nullptr);
      EXPECT_FALSE(ReadJ2000(c.file, untouched.get(), params, preview)) << c.name << (preview ? ", preview" : "");
      EXPECT_EQ(untouched->Width(), 3) << c.name;
    }
  }
}

// The image data are decoded only by a read that delivers pixels: a parameters-only read stops
// at the headers, and a full read decodes once, for JP2 files and bare code streams alike.
TEST(JPEG2000Decodes, OnlyAFullReadDecodesAndOnlyOnce) {
  auto picture = test_pictures::Gradient(48, 40);
  for (int32_t format : {ieJ2KFormatJP2, ieJ2KFormatCodeStream}) {
    SCOPED_TRACE(Extension(format));
    TIOParamsVals written(nullptr);
    const Bytes file = WriteJ2000(picture.get(), written, format);
    ASSERT_FALSE(file.empty());
    const unsigned long before = j2k_lib_decode_count();
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadJ2000(file, &bitmap, params, true));
    EXPECT_EQ(params.Width, 48);
    EXPECT_EQ(j2k_lib_decode_count(), before);
    ASSERT_TRUE(ReadJ2000(file, &bitmap, params));
    EXPECT_EQ(bitmap.Width(), 48);
    EXPECT_EQ(j2k_lib_decode_count(), before + 1);
  }
}
