// The TGA codec against ImageMagick and netpbm: files written there read here to the same pixels
// and alpha, and files written here decode there to the same pixels and alpha. Hand-made files cover the
// orientations, runs across rows, 5-5-5 pixels and colour maps; damaged files end with the
// aborting flag.
#include "imaging/codecs/tga/tga_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;
using namespace netpbm_test;
using test_files::PutLE16;
using test_files::PutLE32;

namespace {

codec_runs::ReadResult ReadTGA(const Bytes& bytes, TIOParamsVals& params) {
  codec_runs::ReadResult result;
  TIEMask* mask = nullptr;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadTGAStream(stream, result.bitmap.get(), params, progress, false, mask, false);
  });
  result.mask.reset(mask);
  return result;
}

Bytes WriteTGA(TIEBitmap* bitmap, TIOParamsVals& params, TIEMask* mask = nullptr) {
  return codec_runs::WriteToMemory([&](vcl::TStream* stream, TCodecProgress& progress) {
    WriteTGAStream(stream, bitmap, params, progress, mask);
  });
}

uint8_t TgaAlphaOf(int32_t x, int32_t y) { return uint8_t((x * 37 + y * 11) % 256); }

std::unique_ptr<TIEMask> AlphaMask(int32_t w, int32_t h) {
  auto mask = std::make_unique<TIEMask>();
  mask->Allocate(w, h, 8);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) mask->SetPixel(x, y, TgaAlphaOf(x, y));
  return mask;
}

// A PAM of the bitmap's colours with the alpha above.
Bytes ToPAMWithAlpha(TIEBitmap* bitmap) {
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const std::string head = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                           "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  Bytes pam(head.begin(), head.end());
  const std::vector<uint32_t> pixels = PixelsOf(bitmap);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = pixels[size_t(y) * w + x];
      pam.insert(pam.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), TgaAlphaOf(x, y)});
    }
  return pam;
}

// An 18-byte header and what follows it.
Bytes TgaHandMade(int32_t type, int32_t depth, int32_t width, int32_t height, uint8_t descriptor, const Bytes& rest,
               int32_t mapType = 0, int32_t mapFirst = 0, int32_t mapLength = 0, int32_t mapBits = 0) {
  Bytes file = {0, uint8_t(mapType), uint8_t(type)};
  PutLE16(file, uint32_t(mapFirst)), PutLE16(file, uint32_t(mapLength));
  file.push_back(uint8_t(mapBits));
  PutLE16(file, 0), PutLE16(file, 0);
  PutLE16(file, uint32_t(width)), PutLE16(file, uint32_t(height));
  file.push_back(uint8_t(depth));
  file.push_back(descriptor);
  file.insert(file.end(), rest.begin(), rest.end());
  return file;
}

class TgaCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"convert", "ppmtotga", "tgatoppm"}))
      GTEST_SKIP() << "ImageMagick's convert and netpbm's ppmtotga and tgatoppm are needed";
  }
};

}  // namespace

TEST_F(TgaCodec, ImageMagickAndNetpbmFilesReadToTheSamePixels) {
  // ImageMagick keeps the rows as they lie and says so in the descriptor only when told to
  // (-orient TopLeft); ppmtotga writes the usual bottom-first rows.
  struct Case {
    const char* name;
    bool grey;
    const char* command;
    int32_t bits, samples;
  } cases[] = {
      {"24 bits", false, "convert ppm:- -orient TopLeft tga:-", 8, 3},
      {"24 bits rle", false, "convert ppm:- -orient TopLeft -compress RLE tga:-", 8, 3},
      {"colour map", false, "convert ppm:- -orient TopLeft -type palette tga:-", 8, 1},
      {"colour map rle", false, "convert ppm:- -orient TopLeft -type palette -compress RLE tga:-", 8, 1},
      {"grey", true, "convert ppm:- -orient TopLeft -type grayscale tga:-", 8, 1},
      {"ppmtotga rgb", false, "ppmtotga -rgb -norle", 8, 3},
      {"ppmtotga rgb rle", false, "ppmtotga -rgb", 8, 3},
      {"ppmtotga colour map", false, "ppmtotga -cmap", 8, 1},
      {"ppmtotga grey", true, "ppmtotga -mono", 8, 1},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TIEBitmap> bitmap;
    if (c.grey) {
      bitmap = std::make_unique<TIEBitmap>(23, 7, ie24RGB);
      for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 23; ++x) {
          const uint8_t v = uint8_t(x * 11 + y * 3);
          bitmap->SetPixel24(x, y, TRGB{v, v, v});
        }
    } else if (c.samples == 1) {
      bitmap = test_pictures::FewColours(41, 13, 25);
    } else {
      bitmap = test_pictures::Gradient(37, 21);
    }
    const Bytes file = RunTool(c.command, ToPPM(bitmap.get()));
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadTGA(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(params.BitsPerSample, c.bits);
    EXPECT_EQ(params.SamplesPerPixel, c.samples);
    EXPECT_EQ(params.TGAGrayscale, c.grey);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
    EXPECT_FALSE(read.mask);
  }
  // 32 bits with alpha, raw and run-length.
  for (const char* options : {"", "-compress RLE"}) {
    SCOPED_TRACE(options);
    auto bitmap = test_pictures::Gradient(19, 8);
    const Bytes file = RunTool(std::string("convert pam:- -orient TopLeft ") + options + " tga:-", ToPAMWithAlpha(bitmap.get()));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file[16], 32);
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadTGA(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(params.SamplesPerPixel, 4);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
    ASSERT_TRUE(read.mask);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 19; ++x) ASSERT_EQ(read.mask->GetPixel(x, y), TgaAlphaOf(x, y)) << x << "," << y;
  }
}

TEST_F(TgaCodec, WrittenFilesDecodeInImageMagickAndNetpbmToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    bool compressed, grey;
    bool checked;  // neither ImageMagick nor netpbm reads 1-bit files
  } cases[] = {
      {"24 bits", [] { return test_pictures::Gradient(37, 21); }, 8, 3, false, false, true},
      {"24 bits rle", [] { return test_pictures::FewColours(300, 7, 5); }, 8, 3, true, false, true},
      {"colour map", [] { return test_pictures::FewColours(33, 17, 200); }, 8, 1, false, false, true},
      {"colour map rle", [] { return test_pictures::FewColours(30, 7, 90); }, 8, 1, true, false, true},
      {"16 colours", [] { return test_pictures::FewColours(31, 11, 16); }, 4, 1, false, false, true},
      {"1 bit", [] { return test_pictures::Checker1Bit(45, 13); }, 1, 1, false, false, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.TGACompressed = c.compressed;
    params.TGAGrayscale = c.grey;
    const Bytes file = WriteTGA(bitmap.get(), params);
    ASSERT_FALSE(file.empty());
    for (const char* tool : {"convert tga:- ppm:-", "tgatoppm"}) {
      if (!c.checked) break;
      const TNetpbmImage decoded = ParseNetpbm(RunTool(tool, file));
      ASSERT_TRUE(decoded.Valid()) << tool;
      EXPECT_EQ(PixelsOf(decoded), PixelsOf(bitmap.get())) << tool;
    }
    TIOParamsVals back(nullptr);
    codec_runs::ReadResult read = ReadTGA(file, back);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
    EXPECT_EQ(back.TGACompressed, c.compressed);
  }
  // Grey levels, from the colours' luminance.
  auto grey = std::make_unique<TIEBitmap>(20, 5, ie24RGB);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 20; ++x) grey->SetPixel24(x, y, TRGB{uint8_t(x * 12), uint8_t(x * 12), uint8_t(x * 12)});
  for (bool compressed : {false, true}) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 1;
    params.TGAGrayscale = true;
    params.TGACompressed = compressed;
    const Bytes file = WriteTGA(grey.get(), params);
    EXPECT_EQ(file[2], compressed ? 11 : 3);
    for (const char* tool : {"convert tga:- ppm:-", "tgatoppm"}) {
      const TNetpbmImage decoded = ParseNetpbm(RunTool(tool, file));
      ASSERT_TRUE(decoded.Valid()) << tool;
      EXPECT_EQ(PixelsOf(decoded), PixelsOf(grey.get())) << tool;
    }
  }
  // 32 bits from a mask: a raw file with eight alpha bits, even when compression was asked.
  auto bitmap = test_pictures::Gradient(13, 9);
  auto mask = AlphaMask(13, 9);
  TIOParamsVals params(nullptr);
  params.TGACompressed = true;
  const Bytes file = WriteTGA(bitmap.get(), params, mask.get());
  ASSERT_FALSE(file.empty());
  EXPECT_FALSE(params.TGACompressed);
  EXPECT_EQ(file[2], 2);
  EXPECT_EQ(file[16], 32);
  EXPECT_EQ(file[17], 0x28);
  const TNetpbmImage decoded = ParseNetpbm(RunTool("convert tga:- pam:-", file));
  ASSERT_TRUE(decoded.Valid());
  ASSERT_EQ(decoded.depth, 4);
  EXPECT_EQ(PixelsOf(decoded), PixelsOf(bitmap.get()));
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(decoded.samples[(size_t(y) * 13 + x) * 4 + 3], TgaAlphaOf(x, y));
}

TEST(TgaFormat, OrientationsRunsAndPixelKinds) {
  TIOParamsVals params(nullptr);
  // Bottom-first rows mirrored left to right (descriptor 0x10).
  const Bytes mirrored = TgaHandMade(2, 24, 2, 2, 0x10, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  codec_runs::ReadResult m = ReadTGA(mirrored, params);
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(PixelsOf(m.bitmap.get()), (std::vector<uint32_t>{0x0C0B0A, 0x090807, 0x060504, 0x030201}));
  // A run of three grey pixels spans the end of the first row (top first, width 2).
  const Bytes spanning = TgaHandMade(11, 8, 2, 2, 0x20, Bytes{0x82, 50, 0x00, 60});
  codec_runs::ReadResult r = ReadTGA(spanning, params);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(PixelsOf(r.bitmap.get()), (std::vector<uint32_t>{0x323232, 0x323232, 0x323232, 0x3C3C3C}));
  EXPECT_TRUE(params.TGAGrayscale);
  EXPECT_TRUE(params.TGACompressed);
  // A 5-5-5 pixel of 0x7FFF.
  codec_runs::ReadResult five = ReadTGA(TgaHandMade(2, 16, 1, 1, 0, Bytes{0xFF, 0x7F}), params);
  ASSERT_TRUE(five.ok);
  EXPECT_EQ(PixelsOf(five.bitmap.get())[0], 0xF8F8F8u);
  EXPECT_EQ(params.BitsPerSample, 5);
  // 32 bits whose alpha is 0 everywhere has no mask.
  codec_runs::ReadResult clear = ReadTGA(TgaHandMade(2, 32, 2, 1, 8, Bytes{1, 2, 3, 0, 4, 5, 6, 0}), params);
  ASSERT_TRUE(clear.ok);
  EXPECT_FALSE(clear.mask);
  // A 32-bit colour map carries alpha for 8-bit indexes; a map that starts at entry 254 and
  // runs past 256 entries keeps what fits and is read past.
  Bytes map;
  for (int i = 0; i < 4; ++i) map.insert(map.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30), uint8_t(100 + i)});
  Bytes pixels = map;
  pixels.insert(pixels.end(), {254, 255});
  codec_runs::ReadResult mapped = ReadTGA(TgaHandMade(1, 8, 2, 1, 0x20, pixels, 1, 254, 4, 32), params);
  ASSERT_TRUE(mapped.ok);
  EXPECT_EQ(PixelsOf(mapped.bitmap.get()), (std::vector<uint32_t>{0x000000, 0x1E140A}));
  ASSERT_TRUE(mapped.mask);
  EXPECT_EQ(mapped.mask->GetPixel(0, 0), 100);
  EXPECT_EQ(mapped.mask->GetPixel(1, 0), 101);
  EXPECT_EQ(params.ColorMapCount, 4);
  EXPECT_FALSE(params.TGAGrayscale);
}

TEST(TgaFormat, ExtensionAreaAndFooter) {
  auto bitmap = test_pictures::Gradient(5, 3);
  TIOParamsVals params(nullptr);
  params.TGAAspectRatio = 1.5;
  params.TGAGamma = 2.2;
  params.TGAAuthor = "A. Author";
  params.TGAImageName = "Job";
  params.TGABackground = TRGB{3, 2, 1};
  params.TGADate = vcl::EncodeDate(2024, 2, 29) + vcl::EncodeTime(13, 14, 15, 0);
  params.TGAComment = std::string(300, 'c');
  const Bytes file = WriteTGA(bitmap.get(), params);
  ASSERT_GT(file.size(), 26u + 495u);
  // The comment's length fits its one byte with the 0 after it.
  EXPECT_EQ(file[0], 255);
  const size_t footer = file.size() - 26;
  EXPECT_EQ(std::string(file.begin() + footer + 8, file.end() - 1), "TRUEVISION-XFILE.");
  const size_t area = file[footer] | file[footer + 1] << 8 | file[footer + 2] << 16;
  EXPECT_EQ(area + 495, footer);
  auto le16 = [&](size_t at) { return file[at] | file[at + 1] << 8; };
  EXPECT_EQ(le16(area), 495);
  EXPECT_EQ(le16(area + 474), 15000);
  EXPECT_EQ(le16(area + 476), 10000);
  EXPECT_EQ(le16(area + 478), 22000);
  EXPECT_EQ(Bytes(file.begin() + area + 470, file.begin() + area + 474), (Bytes{0, 1, 2, 3}));

  TIOParamsVals back(nullptr);
  codec_runs::ReadResult read = ReadTGA(file, back);
  ASSERT_TRUE(read.ok);
  EXPECT_DOUBLE_EQ(back.TGAAspectRatio, 1.5);
  EXPECT_DOUBLE_EQ(back.TGAGamma, 2.2);
  EXPECT_EQ(back.TGAAuthor, "A. Author");
  EXPECT_EQ(back.TGAImageName, "Job");
  EXPECT_EQ(back.TGAComment, std::string(254, 'c'));
  EXPECT_EQ(back.TGABackground.r, 1);
  EXPECT_EQ(back.TGABackground.b, 3);
  EXPECT_NEAR(back.TGADate, params.TGADate, 1e-6);

  // Without the footer: the defaults, and today.
  const Bytes plain = TgaHandMade(2, 24, 1, 1, 0, Bytes{1, 2, 3});
  TIOParamsVals old(nullptr);
  old.TGAGamma = 9;
  ASSERT_TRUE(ReadTGA(plain, old).ok);
  EXPECT_DOUBLE_EQ(old.TGAGamma, 2.2);
  EXPECT_DOUBLE_EQ(old.TGAAspectRatio, 1.0);
  EXPECT_EQ(old.TGABackground.r, 0);
  EXPECT_NEAR(old.TGADate, vcl::Now(), 1.0);
}

TEST(TgaFormat, DamagedFilesFail) {
  const Bytes cases[] = {
      TgaHandMade(4, 24, 1, 1, 0, Bytes{1, 2, 3}),                      // no such image type
      TgaHandMade(2, 12, 1, 1, 0, Bytes{1, 2, 3}),                      // no such depth
      TgaHandMade(1, 4, 2, 1, 0, Bytes{0x12}),                          // 4-bit pixels: nothing to decode
      TgaHandMade(1, 8, 1, 1, 0, Bytes(20, 0), 1, 0, 2, 8),             // colour map entries of 8 bits
      TgaHandMade(2, 24, 0, 5, 0, Bytes{}),                             // no width
      TgaHandMade(2, 24, 4, 4, 0, Bytes(40, 0)),                        // rows cut short
      TgaHandMade(10, 24, 60000, 60000, 0, Bytes{0xFF, 1, 2, 3}),       // a size no data could fill
      TgaHandMade(10, 24, 4, 1, 0, Bytes{0x83, 1, 2}),                  // a run without its pixel
  };
  for (const Bytes& bytes : cases) {
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadTGA(bytes, params).ok);
  }
  // The writer takes ie24RGB and ie1g only; the I/O object converts the others.
  TIEBitmap grey(3, 3, ie8g);
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(WriteTGA(&grey, params).empty());
}

TEST(TgaFormat, FuzzedFiles) {
  struct Sample {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    bool compressed, alpha;
  } samples[] = {
      {"24", [] { return test_pictures::Gradient(12, 7); }, 8, 3, false, false},
      {"24 rle", [] { return test_pictures::FewColours(20, 6, 5); }, 8, 3, true, false},
      {"8 rle", [] { return test_pictures::FewColours(20, 6, 50); }, 8, 1, true, false},
      {"32", [] { return test_pictures::Gradient(9, 5); }, 8, 3, false, true},
      {"1", [] { return test_pictures::Checker1Bit(20, 9); }, 1, 1, false, false},
  };
  unsigned seed = 7300;
  for (auto& s : samples) {
    auto bitmap = s.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = s.bits;
    params.SamplesPerPixel = s.samples;
    params.TGACompressed = s.compressed;
    auto mask = s.alpha ? AlphaMask(bitmap->Width(), bitmap->Height()) : nullptr;
    const Bytes file = WriteTGA(bitmap.get(), params, mask.get());
    ASSERT_FALSE(file.empty());
    // Cuts inside the pixels fail; the extension area and footer after them are optional.
    const size_t pixelsEnd = file.size() - 26 - 495;
    for (size_t size = 0; size < pixelsEnd; ++size) {
      TIOParamsVals read(nullptr);
      EXPECT_FALSE(ReadTGA(Bytes(file.begin(), file.begin() + size), read).ok) << s.name << " cut at " << size;
    }
    fuzz::Fuzz(s.name, file, seed++, [](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      codec_runs::TAbortableProgress progress;
      TIEMask* mask = nullptr;
      ReadTGAStream(&stream, &bitmap, params, progress, false, mask, false);
      delete mask;
    });
  }
}
