// The PSD codec against ImageMagick: files written there read here to the same pixels and files
// written here (merged image and layers) decode there to the same pixels. Hand-made files cover
// resources and PackBits; damaged files end with the aborting flag.
#include "imaging/codecs/psd/psd_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace netpbm_test;
using test_files::PutBE16;
using test_files::PutBE32;

namespace {

struct PsdReadResult {
  bool ok = false;
  std::unique_ptr<TIEBitmap> bitmap = std::make_unique<TIEBitmap>();
  TPSDLayers layers;
};

PsdReadResult ReadPSD(const Bytes& bytes, TIOParamsVals& params, bool loadLayers = false, bool withLayers = false) {
  PsdReadResult result;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadPSDStream(stream, result.bitmap.get(), params, progress, loadLayers, withLayers ? &result.layers : nullptr);
  });
  return result;
}

Bytes WritePSD(TIEBitmap* bitmap, TIOParamsVals& params, const TPSDLayers& layers = {}) {
  return codec_runs::WriteToMemory(
      [&](vcl::TStream* stream, TCodecProgress& progress) { WritePSDStream(stream, params, progress, bitmap, layers); });
}

// A raw-data PSD of one 8-bit grey or indexed channel with the given resources.
Bytes PsdHandMade(int32_t mode, int32_t width, int32_t height, const Bytes& colourData, const Bytes& resources,
               const Bytes& pixels) {
  Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBE16(b, 1), PutBE32(b, uint32_t(height)), PutBE32(b, uint32_t(width)), PutBE16(b, 8), PutBE16(b, uint32_t(mode));
  PutBE32(b, uint32_t(colourData.size()));
  b.insert(b.end(), colourData.begin(), colourData.end());
  PutBE32(b, uint32_t(resources.size()));
  b.insert(b.end(), resources.begin(), resources.end());
  PutBE32(b, 0);
  PutBE16(b, 0);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

Bytes Resource(uint32_t id, const Bytes& data) {
  Bytes r = {'8', 'B', 'I', 'M'};
  PutBE16(r, id), PutBE16(r, 0), PutBE32(r, uint32_t(data.size()));
  r.insert(r.end(), data.begin(), data.end());
  if (r.size() % 2) r.push_back(0);
  return r;
}

class PsdCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"convert"})) GTEST_SKIP() << "ImageMagick's convert is needed";
  }
};

}  // namespace

TEST_F(PsdCodec, ImageMagickFilesReadToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    const char* options;
    int32_t bits, samples;
  } cases[] = {
      {"rgb", [] { return test_pictures::Gradient(37, 21); }, "-depth 8", 8, 3},
      {"rgb 16 bits", [] { return test_pictures::Gradient(17, 9); }, "-depth 16", 16, 3},
      {"indexed", [] { return test_pictures::FewColours(23, 7, 40); }, "-depth 8 -type palette", 8, 1},
      {"rgb raw", [] { return test_pictures::Gradient(13, 5); }, "-depth 8 -compress none", 8, 3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    const Bytes file = RunTool(std::string("convert ppm:- ") + c.options + " psd:-", ToPPM(bitmap.get()));
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    PsdReadResult read = ReadPSD(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(params.BitsPerSample, c.bits);
    EXPECT_EQ(params.SamplesPerPixel, c.samples);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  }
  // Grey, 8 and 16 bits.
  auto grey = std::make_unique<TIEBitmap>(19, 6, ie24RGB);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 19; ++x) {
      const uint8_t v = uint8_t(x * 13 + y * 5);
      grey->SetPixel24(x, y, TRGB{v, v, v});
    }
  for (const char* depth : {"8", "16"}) {
    const Bytes file = RunTool(std::string("convert ppm:- -type grayscale -depth ") + depth + " psd:-", ToPPM(grey.get()));
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = true;
    PsdReadResult read = ReadPSD(file, params);
    ASSERT_TRUE(read.ok) << depth;
    EXPECT_EQ(read.bitmap->PixelFormat(), depth[0] == '8' ? ie8g : ie16g);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(grey.get())) << depth;
  }
  // CMYK is kept as the file's (inverted) ink values.
  auto colours = test_pictures::FewColours(11, 4, 6);
  const Bytes cmykFile = RunTool("convert ppm:- -depth 8 -colorspace cmyk psd:-", ToPPM(colours.get()));
  const Bytes inks = RunTool("convert 'psd:-[0]' -depth 8 cmyk:-", cmykFile);
  TIOParamsVals params(nullptr);
  params.KeepNativePixelFormat = true;
  PsdReadResult cmyk = ReadPSD(cmykFile, params);
  ASSERT_TRUE(cmyk.ok);
  ASSERT_EQ(cmyk.bitmap->PixelFormat(), ieCMYK);
  ASSERT_EQ(inks.size(), size_t(11 * 4 * 4));
  for (int32_t y = 0; y < 4; ++y) {
    const auto* row = static_cast<const uint8_t*>(cmyk.bitmap->GetScanline(y));
    for (int32_t i = 0; i < 11 * 4; ++i) ASSERT_EQ(row[i], 255 - inks[size_t(y) * 44 + i]) << y << " " << i;
  }
}

TEST_F(PsdCodec, WrittenFilesDecodeInImageMagickToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    TIEPixelFormat format;
    bool magick;  // this ImageMagick reads indexed files only when they have a layer section
  } cases[] = {
      {"rgb", [] { return test_pictures::Gradient(37, 21); }, ie24RGB, true},
      {"runs", [] { return test_pictures::FewColours(300, 5, 3); }, ie24RGB, true},
      {"grey", [] { return test_pictures::Gradient(20, 8); }, ie8g, true},
      {"indexed", [] { return test_pictures::FewColours(20, 8, 30); }, ie8p, false},
      {"bitmap", [] { return test_pictures::Checker1Bit(45, 13); }, ie1g, true},
      {"rgb 16 bits", [] { return test_pictures::Gradient(16, 6); }, ieRGB48, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto source = c.make();
    auto bitmap = std::make_unique<TIEBitmap>();
    bitmap->Assign(source.get());
    if (bitmap->PixelFormat() != c.format) bitmap->ConvertTo(c.format);
    TIOParamsVals params(nullptr);
    const Bytes file = WritePSD(bitmap.get(), params);
    ASSERT_FALSE(file.empty());
    if (c.magick) {
      const TNetpbmImage decoded = ParseNetpbm(RunTool("convert 'psd:-[0]' -depth 8 ppm:-", file));
      ASSERT_TRUE(decoded.Valid());
      EXPECT_EQ(PixelsOf(decoded), PixelsOf(bitmap.get()));
    }
    TIOParamsVals back(nullptr);
    back.KeepNativePixelFormat = true;
    PsdReadResult read = ReadPSD(file, back);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.bitmap->PixelFormat(), c.format);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  }
}

TEST_F(PsdCodec, LayersWithAMaskGoBothWays) {
  auto merged = test_pictures::Gradient(40, 30);
  TPSDLayers layers(3);
  layers[0].Bitmap = test_pictures::FewColours(20, 10, 5);
  layers[0].PosX = 3, layers[0].PosY = 4, layers[0].Name = "First", layers[0].Transparency = 200;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) layers[0].Bitmap->SetAlphaAt(x, y, uint8_t(x * 12));
  layers[1].Bitmap = std::make_unique<TIEBitmap>(8, 6, ie8g);
  layers[1].Bitmap->Fill(0x80);
  layers[1].IsMask = true, layers[1].PosX = 5, layers[1].PosY = 6;
  layers[2].Bitmap = test_pictures::Gradient(12, 9);
  layers[2].Name = "Second", layers[2].Visible = false, layers[2].Width = 24, layers[2].Height = 18;
  TIOParamsVals params(nullptr);
  const Bytes file = WritePSD(merged.get(), params, layers);
  ASSERT_FALSE(file.empty());
  // The caller's layers are not changed: the second is still 12 x 9 and has no alpha.
  EXPECT_EQ(layers[2].Bitmap->Width(), 12);
  EXPECT_FALSE(layers[2].Bitmap->HasAlphaChannel());
  // ImageMagick sees the merged image and the two layers.
  EXPECT_EQ(PixelsOf(ParseNetpbm(RunTool("convert 'psd:-[0]' -depth 8 ppm:-", file))), PixelsOf(merged.get()));
  const TNetpbmImage first = ParseNetpbm(RunTool("convert 'psd:-[1]' -depth 8 -alpha off ppm:-", file));
  EXPECT_EQ(PixelsOf(first), PixelsOf(layers[0].Bitmap.get()));

  // Read back here: without LoadLayers the merged image; with it the layers and no merged image.
  TIOParamsVals plain(nullptr);
  PsdReadResult merge = ReadPSD(file, plain, false, true);
  ASSERT_TRUE(merge.ok);
  EXPECT_TRUE(merge.layers.empty());
  EXPECT_EQ(PixelsOf(merge.bitmap.get()), PixelsOf(merged.get()));
  TIOParamsVals withLayers(nullptr);
  PsdReadResult read = ReadPSD(file, withLayers, true, true);
  ASSERT_TRUE(read.ok);
  EXPECT_TRUE(read.bitmap->IsEmpty());
  ASSERT_EQ(read.layers.size(), 3u);
  EXPECT_EQ(read.layers[0].Name, "First");
  EXPECT_EQ(read.layers[0].PosX, 3);
  EXPECT_EQ(read.layers[0].PosY, 4);
  EXPECT_EQ(read.layers[0].Transparency, 200);
  EXPECT_EQ(PixelsOf(read.layers[0].Bitmap.get()), PixelsOf(layers[0].Bitmap.get()));
  EXPECT_EQ(read.layers[0].Bitmap->GetAlphaAt(10, 3), 120);
  EXPECT_TRUE(read.layers[1].IsMask);
  EXPECT_FALSE(read.layers[1].Visible);
  EXPECT_EQ(read.layers[1].PosX, 5);
  EXPECT_EQ(read.layers[1].Bitmap->Width(), 8);
  EXPECT_EQ(read.layers[1].Bitmap->GetPixel8(2, 2), 0x80);
  EXPECT_EQ(read.layers[2].Name, "Second");
  EXPECT_FALSE(read.layers[2].Visible);
  EXPECT_EQ(read.layers[2].Bitmap->Width(), 24);
}

TEST(PsdFormat, ResourcesAndPackBits) {
  // Resolution in pixels per centimetre, a transparent palette index, XMP.
  Bytes resolution;
  PutBE32(resolution, 100u << 16), PutBE16(resolution, 2), PutBE16(resolution, 2);
  PutBE32(resolution, 50u << 16), PutBE16(resolution, 2), PutBE16(resolution, 2);
  Bytes resources = Resource(1005, resolution);
  const Bytes index = {0, 5};
  const Bytes xmp = {'<', 'x', '/', '>'};
  for (const Bytes& r : {Resource(1047, index), Resource(1060, xmp), Resource(1005, Bytes{1, 2})})
    resources.insert(resources.end(), r.begin(), r.end());
  Bytes palette(768, 0);
  palette[5] = 0xFF, palette[256 + 7] = 0xEE;
  const Bytes pixels = {5, 7, 5, 1};
  TIOParamsVals params(nullptr);
  params.KeepNativePixelFormat = true;
  PsdReadResult read = ReadPSD(PsdHandMade(2, 4, 1, palette, resources, pixels), params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(params.DpiX, 254);
  EXPECT_EQ(params.DpiY, 127);
  EXPECT_EQ(params.XMPPacket, "<x/>");
  ASSERT_EQ(read.bitmap->PixelFormat(), ie8p);
  EXPECT_EQ(PixelsOf(read.bitmap.get())[0], 0xFF0000u);
  EXPECT_EQ(PixelsOf(read.bitmap.get())[1], 0x00EE00u);
  ASSERT_TRUE(read.bitmap->HasAlphaChannel());
  EXPECT_EQ(read.bitmap->GetAlphaAt(0, 0), 0);
  EXPECT_EQ(read.bitmap->GetAlphaAt(1, 0), 255);
  EXPECT_EQ(read.bitmap->GetAlphaAt(2, 0), 0);
  // Without a resolution resource: the library's defaults.
  TIOParamsVals plain(nullptr);
  ASSERT_TRUE(ReadPSD(PsdHandMade(1, 4, 1, {}, {}, pixels), plain).ok);
  EXPECT_EQ(plain.DpiX, IEDefaultDpiX);

  // PackBits: 255 repeats twice; 128 does nothing (a writer's padding, never a 129-byte run).
  Bytes packed = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBE16(packed, 1), PutBE32(packed, 1), PutBE32(packed, 4), PutBE16(packed, 8), PutBE16(packed, 1);
  PutBE32(packed, 0), PutBE32(packed, 0), PutBE32(packed, 0);
  PutBE16(packed, 1), PutBE16(packed, 6);
  packed.insert(packed.end(), {255, 9, 128, 1, 3, 4});
  TIOParamsVals runs(nullptr);
  runs.KeepNativePixelFormat = true;
  PsdReadResult unpacked = ReadPSD(packed, runs);
  ASSERT_TRUE(unpacked.ok);
  EXPECT_EQ(PixelsOf(unpacked.bitmap.get()), (std::vector<uint32_t>{0x090909, 0x090909, 0x030303, 0x040404}));

  uint8_t out[300];
  const uint8_t row[] = {1, 1, 1, 1, 1, 2, 3, 3};
  ASSERT_EQ(PSDPackBits(row, 8, out), 6);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{uint8_t(-4), 1, 2, 2, 3, 3}));
  std::vector<uint8_t> distinct(130);
  for (size_t i = 0; i < distinct.size(); ++i) distinct[i] = uint8_t(i);
  ASSERT_EQ(PSDPackBits(distinct.data(), 130, out), 132);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 1);
}

TEST(PsdFormat, DamagedFilesFail) {
  Bytes twelve = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBE16(twelve, 1), PutBE32(twelve, 1), PutBE32(twelve, 1), PutBE16(twelve, 12), PutBE16(twelve, 1);
  const Bytes cases[] = {
      twelve,                                                       // 12 bits per channel
      PsdHandMade(1, 4, 1, {}, {}, Bytes{1, 2}),                        // rows cut short
      PsdHandMade(1, 60000, 60000, {}, {}, Bytes(100, 0)),              // a size no data could fill
      PsdHandMade(5, 4, 1, {}, {}, Bytes{1, 2, 3, 4}),                  // no such colour mode
  };
  for (const Bytes& bytes : cases) {
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadPSD(bytes, params).ok);
  }
  // Float grey has no colour mode.
  TIEBitmap floats(2, 2, ie32f);
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(WritePSD(&floats, params).empty());
}

TEST(PsdFormat, FuzzedFiles) {
  auto merged = test_pictures::Gradient(14, 9);
  TPSDLayers layers(2);
  layers[0].Bitmap = test_pictures::FewColours(6, 5, 4);
  layers[1].Bitmap = std::make_unique<TIEBitmap>(3, 2, ie8g);
  layers[1].IsMask = true;
  TIOParamsVals params(nullptr);
  const Bytes withLayers = WritePSD(merged.get(), params, layers);
  auto indexed = test_pictures::FewColours(12, 5, 20);
  indexed->ConvertTo(ie8p);
  const Bytes paletted = WritePSD(indexed.get(), params);
  unsigned seed = 7900;
  for (const Bytes& file : {withLayers, paletted}) {
    ASSERT_FALSE(file.empty());
    for (size_t size = 0; size < file.size(); ++size) {
      TIOParamsVals read(nullptr);
      EXPECT_FALSE(ReadPSD(Bytes(file.begin(), file.begin() + size), read).ok) << "cut at " << size;
    }
    fuzz::Fuzz("psd", file, seed++, [](uint8_t* data, int32_t size) {
      for (bool loadLayers : {false, true}) {
        fuzz::TGuardedStream stream(data, size);
        TIEBitmap bitmap;
        TIOParamsVals params(nullptr);
        TPSDLayers layers;
        codec_runs::TAbortableProgress progress;
        ReadPSDStream(&stream, &bitmap, params, progress, loadLayers, &layers);
      }
    });
  }
}

TEST(PsdFormat, CMYKWithAProfileConvertsThroughItWhenColourManaged) {
  const Bytes profile = test_files::ReadFileBytes("/usr/share/color/icc/ghostscript/default_cmyk.icc");
  if (profile.empty()) GTEST_SKIP() << "the CMYK profile that tools/install-deps installs is needed";
  constexpr int32_t kWidth = 16, kHeight = 4;
  Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBE16(b, 4), PutBE32(b, kHeight), PutBE32(b, kWidth), PutBE16(b, 8), PutBE16(b, 4);
  PutBE32(b, 0);
  const Bytes resources = Resource(1039, profile);
  PutBE32(b, uint32_t(resources.size()));
  b.insert(b.end(), resources.begin(), resources.end());
  PutBE32(b, 0);
  PutBE16(b, 0);
  for (int32_t c = 0; c < 4; ++c)
    for (int32_t i = 0; i < kWidth * kHeight; ++i) b.push_back(uint8_t(255 - ((i * (c + 3) * 11 + c * 40) % 256)));
  // What the profile makes of the file's inks.
  TIOParamsVals nativeParams(nullptr);
  nativeParams.KeepNativePixelFormat = true;
  PsdReadResult native = ReadPSD(b, nativeParams);
  ASSERT_TRUE(native.ok);
  ASSERT_EQ(native.bitmap->PixelFormat(), ieCMYK);
  TIEICC input, output;
  input.LoadFromBuffer(profile.data(), int32_t(profile.size()));
  output.LoadStandardSRGB();
  ASSERT_TRUE(input.ConvertBitmap(native.bitmap.get(), ie24RGB, &output));
  struct TCMS {
    explicit TCMS(bool on) { IEEnableCMS = on; }
    ~TCMS() { IEEnableCMS = false; }
  };
  std::vector<uint32_t> managed, arithmetic;
  for (bool on : {true, false}) {
    TCMS cms(on);
    TIOParamsVals params(nullptr);
    PsdReadResult read = ReadPSD(b, params);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.bitmap->PixelFormat(), ie24RGB);
    (on ? managed : arithmetic) = PixelsOf(read.bitmap.get());
  }
  EXPECT_EQ(managed, PixelsOf(native.bitmap.get()));
  // The arithmetic conversion is far from the profile's: the two are told apart.
  EXPECT_GT(MaxDifference(arithmetic, managed), 20);
}
