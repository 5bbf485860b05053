#include "imaging/codecs/tiff/tiff_reader.h"

#include <gtest/gtest.h>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/tiff_decode.h"
#include "imaging/coding/lzw_coders.h"
#include "imaging/params/io_settings.h"
#include "imaging/base/mem_stream.h"
#include "imaging/metadata/tiff_types.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/exceptions.h"

namespace {

using namespace imaging;
using namespace tiff_test;

constexpr int32_t kTiffReaderWidth = 37, kHeight = 29;

// An RGB test picture whose every pixel differs from its neighbours.
Bytes RGBSamples(int32_t width, int32_t height, int32_t spp = 3) {
  Bytes s;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      s.push_back(uint8_t(x * 7 + y));
      s.push_back(uint8_t(y * 9 + 3));
      s.push_back(uint8_t(x * y + 11));
      if (spp == 4) s.push_back(uint8_t(x * 5 + y * 3));
    }
  return s;
}

uint32_t ExpectedRGB(const Bytes& samples, int32_t width, int32_t x, int32_t y, int32_t spp = 3) {
  const uint8_t* p = samples.data() + (size_t(y) * width + x) * spp;
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void ExpectPicture(TIEBitmap& bitmap, const Bytes& samples, int32_t width, int32_t height) {
  ASSERT_EQ(bitmap.Width(), width);
  ASSERT_EQ(bitmap.Height(), height);
  int32_t wrong = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (RGBAt(bitmap, x, y) != ExpectedRGB(samples, width, x, y)) ++wrong;
  EXPECT_EQ(wrong, 0);
}

// Every compression, predictor, byte order and tiling that tiffcp writes decodes to the
// picture that was written.
TEST(TiffReader, RecompressedFilesDecodeToTheSamePicture) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes samples = RGBSamples(kTiffReaderWidth, kHeight);
  Bytes plain = SimpleImage(kTiffReaderWidth, kHeight, 3, 2, samples).Build();
  const char* options[] = {
      "-c none -r 5",       "-c none -B",        "-c lzw -r 4",       "-c lzw:2 -B -r 7",   "-c zip -r 3",
      "-c zip:2 -L",        "-c packbits -r 6",  "-c packbits -B",    "-t -w 16 -l 16",     "-c lzw:2 -t -w 16 -l 16 -B",
      "-c zip -t -w 32 -l 16", "-p separate -c lzw", "-p separate -c none -B",
  };
  for (const char* option : options) {
    SCOPED_TRACE(option);
    Bytes file = Tiffcp(plain, option);
    ASSERT_FALSE(file.empty());
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(file, bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    EXPECT_EQ(bitmap.PixelFormat(), ie24RGB);
    ExpectPicture(bitmap, samples, kTiffReaderWidth, kHeight);
  }
}

// Bilevel data: whatever the photometric and the fax coding, the picture comes out the same.
TEST(TiffReader, BilevelFaxCodingsKeepBlackAndWhite) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  const int32_t width = 70, height = 20, rowBytes = (width + 7) / 8;
  auto black = [](int32_t x, int32_t y) { return (x / 5 + y / 3) % 3 == 0 || x == y; };
  for (uint32_t photometric : {0u, 1u}) {
    Bytes packed(size_t(rowBytes) * height, 0);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        if (black(x, y) == (photometric == 0)) packed[size_t(y) * rowBytes + x / 8] |= 0x80 >> (x % 8);
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {uint32_t(width)})
        .Add(257, ttShort, {uint32_t(height)})
        .Add(258, ttShort, {1})
        .Add(259, ttShort, {1})
        .Add(262, ttShort, {photometric})
        .Add(277, ttShort, {1})
        .Add(278, ttShort, {uint32_t(height)})
        .Strips({packed});
    Bytes plain = b.Build();
    for (const char* option : {"-c none", "-c g3", "-c g3:2d", "-c g4", "-c g3 -f lsb2msb", "-c g4 -r 7"}) {
      SCOPED_TRACE(std::string(option) + (photometric ? " min-is-black" : " min-is-white"));
      Bytes file = std::string(option) == "-c none" ? plain : Tiffcp(plain, option);
      ASSERT_FALSE(file.empty());
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      ReadResult result;
      Read(file, bitmap, params, result);
      EXPECT_FALSE(result.aborting);
      ASSERT_EQ(bitmap.PixelFormat(), ie1g);
      int32_t wrong = 0;
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          if ((RGBAt(bitmap, x, y) == 0) != black(x, y)) ++wrong;
      EXPECT_EQ(wrong, 0);
    }
  }
}

// A fax file without a photometric tag is white-is-zero.
TEST(TiffReader, FaxWithoutPhotometricIsWhiteIsZero) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes packed(4 * 4, 0);
  packed[0] = 0xF0;  // four pixels of value 1 at the top left
  TiffBuilder b;
  b.Page()
      .Add(256, ttShort, {32})
      .Add(257, ttShort, {4})
      .Add(258, ttShort, {1})
      .Add(259, ttShort, {1})
      .Add(262, ttShort, {0})
      .Strips({packed});
  Bytes file = Tiffcp(b.Build(), "-c g4");
  ASSERT_FALSE(file.empty());
  // Take the photometric tag out by renumbering it to an unknown tag.
  uint32_t ifd = ReadTIFF32(file.data() + 4, file[0] == 'M');
  uint16_t entries = ReadTIFF16(file.data() + ifd, file[0] == 'M');
  for (uint16_t i = 0; i < entries; ++i) {
    uint8_t* e = file.data() + ifd + 2 + 12 * i;
    if (ReadTIFF16(e, file[0] == 'M') == 262) WriteTIFF16(e, 65000, file[0] == 'M');
  }
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadResult result;
  Read(file, bitmap, params, result);
  EXPECT_FALSE(result.aborting);
  EXPECT_EQ(params.TIFFPhotometric, 0);
  EXPECT_EQ(RGBAt(bitmap, 0, 0), 0u);
  EXPECT_EQ(RGBAt(bitmap, 4, 0), 0xFFFFFFu);
}

// Grey depths below 8 bits scale to the full range; white-is-zero inverts.
TEST(TiffReader, GreyDepthsScaleToEightBits) {
  struct Case {
    const char* name;
    int32_t bits;
    uint32_t photometric;
    std::vector<uint8_t> values;    // per pixel
    std::vector<uint8_t> expected;  // per pixel
  };
  std::vector<uint8_t> seven(100), sevenScaled(100);
  for (int32_t i = 0; i < 100; ++i) seven[i] = uint8_t(i + 20), sevenScaled[i] = uint8_t((i + 20) * 2);
  const Case cases[] = {
      {"4-bit", 4, 1, {15, 1, 0, 8}, {255, 17, 0, 136}},
      {"2-bit", 2, 1, {3, 2, 1, 0}, {255, 170, 85, 0}},
      {"7-bit, 100 pixels", 7, 1, seven, sevenScaled},
      {"8-bit white-is-zero", 8, 0, {0, 255, 10}, {255, 0, 245}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t width = static_cast<int32_t>(c.values.size());
    Bytes packed((width * c.bits + 7) / 8, 0);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t k = 0; k < c.bits; ++k)
        if (c.values[x] >> (c.bits - 1 - k) & 1) packed[(x * c.bits + k) / 8] |= 0x80 >> ((x * c.bits + k) % 8);
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {uint32_t(width)})
        .Add(257, ttShort, {1})
        .Add(258, ttShort, {uint32_t(c.bits)})
        .Add(262, ttShort, {c.photometric})
        .Strips({packed});
    for (bool native : {false, true}) {
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      params.KeepNativePixelFormat = native;
      ReadResult result;
      Read(b.Build(), bitmap, params, result);
      EXPECT_FALSE(result.aborting);
      EXPECT_EQ(bitmap.PixelFormat(), native && c.bits == 8 ? ie8g : ie24RGB);
      for (int32_t x = 0; x < width; ++x) EXPECT_EQ(RGBAt(bitmap, x, 0), c.expected[x] * 0x010101u) << x;
    }
  }
}

// Horizontal differencing is defined for 8- and 16-bit samples: the narrower samples of an LZW
// strip that names it are read as stored, all the way along a wide row.
TEST(TiffReader, PredictorLeavesNarrowSamplesAlone) {
  struct Case {
    int32_t bits;
    int32_t factor;  // the scale to 8 bits
  };
  for (const Case c : {Case{2, 85}, Case{4, 17}, Case{7, 2}}) {
    SCOPED_TRACE(c.bits);
    const int32_t width = 300;
    std::vector<uint8_t> values(width);
    for (int32_t x = 0; x < width; ++x) values[x] = uint8_t((x * 5 + 1) % (1 << c.bits));
    Bytes packed((width * c.bits + 7) / 8, 0);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t k = 0; k < c.bits; ++k)
        if (values[x] >> (c.bits - 1 - k) & 1) packed[(x * c.bits + k) / 8] |= 0x80 >> ((x * c.bits + k) % 8);
    vcl::TMemoryStream coded;
    void* state = nullptr;
    TIFFEncodeLZW(packed.data(), static_cast<int32_t>(packed.size()), &coded, state);
    TIFFEncodeLZW(nullptr, 0, &coded, state);
    const auto* codedBytes = static_cast<const uint8_t*>(coded.Memory());
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {uint32_t(width)})
        .Add(257, ttShort, {1})
        .Add(258, ttShort, {uint32_t(c.bits)})
        .Add(259, ttShort, {5})
        .Add(262, ttShort, {1})
        .Add(317, ttShort, {2})
        .Strips({Bytes(codedBytes, codedBytes + coded.Size())});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    ASSERT_EQ(bitmap.Width(), width);
    int32_t wrong = 0;
    for (int32_t x = 0; x < width; ++x) wrong += RGBAt(bitmap, x, 0) != uint32_t(values[x] * c.factor) * 0x010101u;
    EXPECT_EQ(wrong, 0);
  }
}

// 16-bit grey: the high byte, or the 12-bit scale for the scanner that writes 12-bit samples.
TEST(TiffReader, SixteenBitGrey) {
  for (bool scanner : {false, true}) {
    TiffBuilder b(true);
    b.Page()
        .Add(256, ttShort, {2})
        .Add(257, ttShort, {1})
        .Add(258, ttShort, {16})
        .Add(262, ttShort, {1})
        .Strips({{0x0F, 0xFF, 0x80, 0x00}});
    if (scanner) b.AddText(305, std::string(TIFFTwelveBitScannerSignature) + " v2");
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    EXPECT_EQ(RGBAt(bitmap, 0, 0), (scanner ? 255u : 15u) * 0x010101u);
    EXPECT_EQ(RGBAt(bitmap, 1, 0), (scanner ? 255u : 128u) * 0x010101u);
    TIEBitmap native;
    params.KeepNativePixelFormat = true;
    ReadResult nativeResult;
    Read(b.Build(), native, params, nativeResult);
    ASSERT_EQ(native.PixelFormat(), ie16g);
    EXPECT_EQ(native.GetPixel16(0, 0), 0x0FFF);
  }
}

// Palette images: indexes into ie8p with the palette, or the colours.
TEST(TiffReader, PaletteImages) {
  std::vector<uint32_t> map(3 * 256, 0);
  for (uint32_t i = 0; i < 256; ++i) map[i] = i * 257, map[256 + i] = (255 - i) * 257, map[512 + i] = 0x8080;
  TiffBuilder b;
  b.Page()
      .Add(256, ttShort, {3})
      .Add(257, ttShort, {1})
      .Add(258, ttShort, {8})
      .Add(262, ttShort, {3})
      .Add(320, ttShort, map)
      .Strips({{0, 200, 255}});
  for (bool native : {false, true}) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = native;
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    ASSERT_EQ(params.ColorMapCount, 256);
    EXPECT_EQ(bitmap.PixelFormat(), native ? ie8p : ie24RGB);
    EXPECT_EQ(RGBAt(bitmap, 1, 0), 0xC83780u);
    EXPECT_EQ(RGBAt(bitmap, 2, 0), 0xFF0080u);
  }
}

// RGBA: the alpha goes to the mask, or is skipped with the colours intact when ignored.
TEST(TiffReader, AlphaMaskAndIgnoredAlpha) {
  Bytes samples = RGBSamples(5, 2, 4);
  TiffBuilder b = SimpleImage(5, 2, 4, 2, samples);
  b.Add(338, ttShort, {2});
  for (bool ignore : {false, true}) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result, false, ignore);
    EXPECT_FALSE(result.aborting);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(RGBAt(bitmap, x, y), ExpectedRGB(samples, 5, x, y, 4));
    if (ignore) {
      EXPECT_EQ(result.mask, nullptr);
    } else {
      ASSERT_NE(result.mask, nullptr);
      EXPECT_EQ(result.mask->GetPixel(3, 1), samples[(5 + 3) * 4 + 3]);
    }
  }
}

// Only an extra sample marked as alpha (associated 1, unassociated 2) fills the mask, the first
// such one when there are several. Unspecified extra samples (0, the further bands of
// multi-band pictures) and samples no ExtraSamples value describes carry no alpha: the colours
// come from the leading samples and no mask is made.
TEST(TiffReader, AlphaOnlyFromExtraSamplesMarkedAsAlpha) {
  struct Case {
    const char* name;
    uint32_t photometric;
    int32_t spp;
    std::vector<uint32_t> extra;  // the ExtraSamples values; empty: no tag
    int32_t alphaSample;          // -1: no alpha
  };
  const Case cases[] = {
      {"grey + unspecified", 1, 2, {0}, -1},
      {"grey + three unspecified bands", 1, 4, {0, 0, 0}, -1},
      {"grey + unspecified, unassociated", 1, 3, {0, 2}, 2},
      {"grey + unassociated", 1, 2, {2}, 1},
      {"grey + a sample without ExtraSamples", 1, 2, {}, -1},
      {"RGB + unspecified", 2, 4, {0}, -1},
      {"RGB + associated", 2, 4, {1}, 3},
      {"RGB + a sample without ExtraSamples", 2, 4, {}, -1},
      {"RGB + two unspecified", 2, 5, {0, 0}, -1},
      {"RGB + unspecified, unassociated", 2, 5, {0, 2}, 4},
      {"CMYK + unspecified", 5, 5, {0}, -1},
      {"CMYK + unassociated", 5, 5, {2}, 4},
      {"CMYK + unspecified, unassociated", 5, 6, {0, 2}, 5},
  };
  const int32_t width = 6, height = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes samples;
    for (int32_t i = 0; i < width * height * c.spp; ++i) samples.push_back(uint8_t(i * 37 + 11));
    TiffBuilder b = SimpleImage(width, height, c.spp, c.photometric, samples);
    if (!c.extra.empty()) b.Add(338, ttShort, c.extra);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    if (c.alphaSample < 0) {
      EXPECT_EQ(result.mask, nullptr);
    } else {
      ASSERT_NE(result.mask, nullptr);
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          EXPECT_EQ(result.mask->GetPixel(x, y), samples[(size_t(y) * width + x) * c.spp + c.alphaSample])
              << x << "," << y;
    }
    // The colours are the leading samples whatever the extra ones hold (CMYK goes through a
    // colour conversion, and premultiplied colours are not the subject here).
    if (c.photometric == 5 || c.extra == std::vector<uint32_t>{1}) continue;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = samples.data() + (size_t(y) * width + x) * c.spp;
        const uint32_t want = c.photometric == 1 ? p[0] * 0x010101u : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        EXPECT_EQ(RGBAt(bitmap, x, y), want) << x << "," << y;
      }
  }
}

// A grey picture stored as separate planes holds the same bytes as an interleaved one (one
// plane), so it reads the same, in strips and in tiles.
TEST(TiffReader, OneSampleInSeparatePlanesReadsAsInterleaved) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes grey;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kTiffReaderWidth; ++x) grey.push_back(uint8_t(x * 7 + y * 3));
  Bytes plain = SimpleImage(kTiffReaderWidth, kHeight, 1, 1, grey).Build();
  for (const char* option : {"-p separate -c none", "-p separate -c lzw -r 5", "-p separate -c zip -t -w 16 -l 16"}) {
    SCOPED_TRACE(option);
    Bytes file = Tiffcp(plain, option);
    ASSERT_FALSE(file.empty());
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(file, bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    EXPECT_EQ(params.TIFFPlanarConfig, 2);
    ASSERT_EQ(bitmap.Width(), kTiffReaderWidth);
    ASSERT_EQ(bitmap.Height(), kHeight);
    int32_t wrong = 0;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kTiffReaderWidth; ++x)
        if (RGBAt(bitmap, x, y) != grey[size_t(y) * kTiffReaderWidth + x] * 0x010101u) ++wrong;
    EXPECT_EQ(wrong, 0);
  }
}

TEST(TiffReader, RowsPerStripVariantsReadAsOneStrip) {
  Bytes samples = RGBSamples(4, 3);
  for (int32_t rows : {-1, 0, 3, 100}) {
    SCOPED_TRACE(rows);
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {4})
        .Add(257, ttShort, {3})
        .Add(258, ttShort, {8, 8, 8})
        .Add(262, ttShort, {2})
        .Add(277, ttShort, {3})
        .Strips({samples});
    if (rows >= 0) b.Add(278, ttLong, {uint32_t(rows)});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    ExpectPicture(bitmap, samples, 4, 3);
  }
}

TEST(TiffReader, ResolutionIntoDpiAndExif) {
  struct Case {
    bool tags;
    uint32_t unit;
    int32_t dpi;
    double exif;
  };
  for (const Case& c : {Case{true, 3, 182, 182.88}, Case{true, 2, 72, 72.0}, Case{false, 2, 300, 300.0}}) {
    TiffBuilder b = SimpleImage(1, 1, 3, 2, {1, 2, 3});
    b.Add(296, ttShort, {c.unit});
    if (c.tags) b.Add(282, ttRational, {72, 1}).Add(283, ttRational, {144, 2});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result, true);
    EXPECT_EQ(params.DpiX, c.dpi);
    EXPECT_EQ(params.DpiY, c.dpi);
    EXPECT_NEAR(params.EXIFXResolution, c.exif, 1e-9);
  }
}

TEST(TiffReader, BitsPerSampleMustAgree) {
  for (bool equal : {true, false}) {
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {1})
        .Add(257, ttShort, {1})
        .Add(258, ttShort, {8, 8, equal ? 8u : 16u})
        .Add(262, ttShort, {2})
        .Add(277, ttShort, {3})
        .Strips({{1, 2, 3, 4}});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_EQ(result.aborting, !equal);
    if (equal) { EXPECT_EQ(params.BitsPerSample, 8); }
  }
}

// Pages: the count, the page asked for, and a page beyond the chain.
TEST(TiffReader, PagesAndPageCount) {
  TiffBuilder b = SimpleImage(1, 1, 3, 2, {10, 20, 30});
  b.Page().Add(256, ttShort, {2}).Add(257, ttShort, {1}).Add(258, ttShort, {8, 8, 8}).Add(262, ttShort, {2})
      .Add(277, ttShort, {3}).Strips({{1, 2, 3, 4, 5, 6}});
  Bytes file = b.Build();
  for (int32_t index : {0, 1, 2}) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.TIFFImageIndex = index;
    ReadResult result;
    Read(file, bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    EXPECT_EQ(result.numImages, 2);
    EXPECT_EQ(params.Width, index == 2 ? 0 : index + 1);  // a page beyond: nothing filled
    if (index == 1) { EXPECT_EQ(RGBAt(bitmap, 1, 0), 0x040506u); }
  }
}

// A single tile, and tiles overhanging the right and bottom edges.
TEST(TiffReader, SingleTileAndPartialEdgeTiles) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes samples = RGBSamples(40, 20);
  Bytes file = Tiffcp(SimpleImage(40, 20, 3, 2, samples).Build(), "-t -w 16 -l 16");
  ASSERT_FALSE(file.empty());
  for (int32_t tile : {0, 2, 4}) {
    SCOPED_TRACE(tile);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.TIFFTileIndex = tile;
    ReadResult result;
    Read(file, bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    ASSERT_EQ(bitmap.Width(), 16);
    ASSERT_EQ(bitmap.Height(), 16);
    int32_t left = (tile % 3) * 16, top = (tile / 3) * 16;
    EXPECT_EQ(RGBAt(bitmap, 0, 0), ExpectedRGB(samples, 40, left, top));
    EXPECT_EQ(RGBAt(bitmap, 5, 3), ExpectedRGB(samples, 40, left + 5, top + 3));
  }
  TIOParamsVals params(nullptr);
  params.TIFFTileIndex = 6;  // there are only six tiles
  TIEBitmap bitmap;
  ReadResult result;
  Read(file, bitmap, params, result);
  EXPECT_TRUE(result.aborting);
}

// PackBits runs that cross the end of a row keep only the row's bytes.
TEST(TiffReader, PackBitsRunCrossingTheRowEnd) {
  TiffBuilder b;
  // Row 0: a run of 5 x 0x11 where the row holds 3 bytes; row 1: literal 3 bytes.
  b.Page()
      .Add(256, ttShort, {3})
      .Add(257, ttShort, {2})
      .Add(258, ttShort, {8})
      .Add(259, ttShort, {32773})
      .Add(262, ttShort, {1})
      .Strips({{0xFC, 0x11, 0x02, 0x21, 0x22, 0x23}});
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadResult result;
  Read(b.Build(), bitmap, params, result);
  EXPECT_FALSE(result.aborting);
  EXPECT_EQ(RGBAt(bitmap, 2, 0), 0x111111u);
  EXPECT_EQ(RGBAt(bitmap, 0, 1), 0x212121u);
  EXPECT_EQ(RGBAt(bitmap, 2, 1), 0x232323u);
}

// Layouts that decode nothing are failures, not pictures of whatever memory held.
TEST(TiffReader, UnsupportedLayoutsAbort) {
  struct Case {
    const char* name;
    std::vector<uint32_t> bits;
    uint32_t photometric;
    std::vector<uint32_t> subsampling;
  };
  const Case cases[] = {
      {"YCbCr 2x2 uncompressed", {8, 8, 8}, 6, {2, 2}},
      {"32-bit RGB", {32, 32, 32}, 2, {}},
      {"5-bit grey", {5}, 1, {}},
      {"compression 99", {8}, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TiffBuilder b;
    b.Page()
        .Add(256, ttShort, {2})
        .Add(257, ttShort, {2})
        .Add(258, ttShort, c.bits)
        .Add(259, ttShort, {std::string(c.name) == "compression 99" ? 99u : 1u})
        .Add(262, ttShort, {c.photometric})
        .Add(277, ttShort, {uint32_t(c.bits.size())})
        .Strips({Bytes(64, 0x55)});
    if (!c.subsampling.empty()) b.Add(530, ttShort, c.subsampling);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_TRUE(result.aborting);
  }
}

// A page is refused when its data could not hold it: a few uncompressed bytes claiming a huge
// picture, or fax codings (a bit per row at best) claimed for samples wider than one bit. An
// uncompressed strip that is merely cut short still gives the rows it holds.
TEST(TiffReader, PagesTheirDataCannotHoldAreRefused) {
  struct Case {
    const char* name;
    uint32_t width, height, compression, photometric;
    std::vector<uint32_t> bits;
    size_t stripBytes;
    bool refused;
  };
  const Case cases[] = {
      {"uncompressed Lab, 8388621 x 9", 8388621, 9, 1, 8, {8, 8, 8}, 300, true},
      {"uncompressed grey, 65535 x 65535", 65535, 65535, 1, 1, {8}, 300, true},
      {"fax coded RGB", 4000, 9, 3, 2, {8, 8, 8}, 300, true},
      {"fax coded grey", 4000, 9, 4, 1, {8}, 300, true},
      {"uncompressed RGB cut short", 24, 12, 1, 2, {8, 8, 8}, 24 * 3 * 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes samples = RGBSamples(24, 12);
    TiffBuilder b;
    b.Page()
        .Add(256, ttLong, {c.width})
        .Add(257, ttLong, {c.height})
        .Add(258, ttShort, c.bits)
        .Add(259, ttShort, {c.compression})
        .Add(262, ttShort, {c.photometric})
        .Add(277, ttShort, {uint32_t(c.bits.size())})
        .Strips({Bytes(samples.begin(), samples.begin() + c.stripBytes)});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_EQ(result.aborting, c.refused);
    if (c.refused) continue;
    ASSERT_EQ(bitmap.Width(), 24);
    for (int32_t y : {0, 4}) EXPECT_EQ(RGBAt(bitmap, 5, y), ExpectedRGB(samples, 24, 5, y));
    EXPECT_EQ(RGBAt(bitmap, 5, 11), 0u);
  }
}

// PackBits rows of one grey value: runs of 128 bytes, the last one shorter.
Bytes OneGreyPackBitsRows(int32_t width, int32_t rows, uint8_t grey) {
  Bytes data;
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t left = width; left > 0; left -= 128) {
      data.push_back(uint8_t(1 - std::min(left, 128)));
      data.push_back(grey);
    }
  return data;
}

// A page whose coded strip, expanded as far as its compression scheme ever could, would not give
// a sixteenth of the picture is refused before the picture is allocated; a complete picture,
// however well its data compressed, is read.
TEST(TiffReader, PagesTheirCodedDataCannotFillAreRefused) {
  struct Case {
    const char* name;
    uint32_t width, height, compression, photometric, bits;
    Bytes strip;
    bool refused;
  };
  const Case cases[] = {
      {"PackBits, two runs for 1000000 x 24 grey", 1000000, 24, 32773, 1, 8, OneGreyPackBitsRows(256, 1, 0x40), true},
      {"PackBits, one row for 1000000 x 24 grey", 1000000, 24, 32773, 1, 8, OneGreyPackBitsRows(1000000, 1, 0x40), true},
      {"Group 4, 8 bytes for 45 x 1000000 bilevel", 45, 1000000, 4, 0, 1, Bytes(8, 0x80), true},
      {"PackBits, 3000 x 2000 grey complete", 3000, 2000, 32773, 1, 8, OneGreyPackBitsRows(3000, 2000, 0x40), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TiffBuilder b;
    b.Page()
        .Add(256, ttLong, {c.width})
        .Add(257, ttLong, {c.height})
        .Add(258, ttShort, {c.bits})
        .Add(259, ttShort, {c.compression})
        .Add(262, ttShort, {c.photometric})
        .Add(277, ttShort, {1})
        .Strips({c.strip});
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = true;
    ReadResult result;
    Read(b.Build(), bitmap, params, result);
    EXPECT_EQ(result.aborting, c.refused);
    if (c.refused) {
      EXPECT_LT(int64_t(bitmap.Width()) * bitmap.Height(), int64_t(c.width) * c.height);
      continue;
    }
    ASSERT_EQ(bitmap.Width(), int32_t(c.width));
    ASSERT_EQ(bitmap.Height(), int32_t(c.height));
    for (int32_t y : {0, int32_t(c.height) - 1}) EXPECT_EQ(RGBAt(bitmap, int32_t(c.width) - 1, y), 0x404040u);
  }
}

// EXIF and GPS tags written by exiftool, read from a TIFF that starts inside a larger stream.
TEST(TiffReader, ExifAndGpsDirectoriesAtAnOffset) {
  if (!test_files::HaveTool("exiftool")) GTEST_SKIP() << "exiftool missing";
  std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/a.tif", SimpleImage(2, 2, 3, 2, RGBSamples(2, 2)).Build());
  ASSERT_EQ(test_files::RunShell("exiftool -q -overwrite_original -ExposureTime=1/100 -FNumber=2.8 "
                                    "-ISO=400 -UserComment='hello there' -Make=Maker -GPSLatitude=12.5 "
                                    "-GPSLatitudeRef=N -GPSAltitude=100 -XPTitle=Title '" + dir + "/a.tif'"),
            0);
  Bytes file = test_files::ReadFileBytes(dir + "/a.tif");
  test_files::RunShell("rm -rf '" + dir + "'");
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadResult result;
  Read(file, bitmap, params, result, false, false, 100);
  EXPECT_FALSE(result.aborting);
  EXPECT_TRUE(params.EXIFPresent);
  EXPECT_DOUBLE_EQ(params.EXIFExposureTime, 0.01);
  EXPECT_DOUBLE_EQ(params.EXIFFNumber, 2.8);
  EXPECT_EQ(params.GetEXIFISOSpeedRatings(0), 400);
  EXPECT_EQ(params.EXIFUserComment, u"hello there");
  EXPECT_EQ(params.EXIFMake, "Maker");
  EXPECT_EQ(params.EXIFGPSVersionID, "2.3.0.0");
  EXPECT_EQ(params.EXIFGPSLatitudeRef, std::string("N"));
  EXPECT_DOUBLE_EQ(params.EXIFGPSLatitudeDegrees + params.EXIFGPSLatitudeMinutes / 60 +
                       params.EXIFGPSLatitudeSeconds / 3600,
                   12.5);
  EXPECT_DOUBLE_EQ(params.EXIFGPSAltitude, 100.0);
  EXPECT_EQ(params.EXIFXPTitle, u"Title");
  EXPECT_EQ(RGBAt(bitmap, 1, 1), ExpectedRGB(RGBSamples(2, 2), 2, 1, 1));
}

// Truncated and randomly damaged files end with a result or the aborting flag, never outside
// their buffer.
TEST(TiffReader, DamagedFilesEndClean) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes plain = SimpleImage(24, 12, 3, 2, RGBSamples(24, 12), false, 5).Build();
  // One bilevel strip: 12 rows of 3 bytes, taken from a sample run.
  const auto samples = RGBSamples(4, 3);
  TiffBuilder bilevel;
  bilevel.Page()
      .Add(256, ttShort, {24})
      .Add(257, ttShort, {12})
      .Add(258, ttShort, {1})
      .Add(262, ttShort, {0})
      .Strips({Bytes(samples.begin(), samples.end())});
  std::vector<Bytes> files = {plain,
                              Tiffcp(plain, "-c lzw:2 -r 4"),
                              Tiffcp(plain, "-c zip -t -w 16 -l 16 -B"),
                              Tiffcp(plain, "-c packbits -p separate"),
                              Tiffcp(bilevel.Build(), "-c g4"),
                              Tiffcp(bilevel.Build(), "-c g3:2d -r 5")};
  for (const Bytes& file : files) {
    ASSERT_FALSE(file.empty());
    test_files::ForEachDamagedCopy(file, 300, [](const uint8_t* data, int32_t size) {
      // The stream reads the guarded bytes themselves, so any read past them faults.
      TIEMemStream stream(const_cast<uint8_t*>(data), size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      TIEMask* mask = nullptr;
      std::atomic<bool> aborting{false};
      TCodecProgress progress;
      progress.Aborting = &aborting;
      int32_t pages = 0;
      try {
        ReadTIFFStream(&bitmap, &stream, pages, params, progress, false, mask, false, false, false);
      } catch (const vcl::Exception&) {
        // Stream and decoder errors reach the caller as exceptions; that is a clean end too.
      }
      delete mask;
    });
  }
}

}  // namespace

namespace {

// JPEG-compressed strips and tiles (with shared tables) decode close to the picture written.
TEST(TiffReader, JpegStripsAndTiles) {
  if (!test_files::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp missing";
  Bytes samples;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x) samples.insert(samples.end(), {uint8_t(x * 4), uint8_t(y * 6), 128});
  Bytes plain = SimpleImage(48, 32, 3, 2, samples).Build();
  for (const char* option : {"-c jpeg:95 -r 16", "-c jpeg:95:r -r 16", "-c jpeg:95 -t -w 16 -l 16"}) {
    SCOPED_TRACE(option);
    Bytes file = Tiffcp(plain, option);
    ASSERT_FALSE(file.empty());
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ReadResult result;
    Read(file, bitmap, params, result);
    EXPECT_FALSE(result.aborting);
    ASSERT_EQ(bitmap.Width(), 48);
    int32_t worst = 0;
    for (int32_t y = 0; y < 32; ++y)
      for (int32_t x = 0; x < 48; ++x) {
        uint32_t got = RGBAt(bitmap, x, y), want = ExpectedRGB(samples, 48, x, y);
        for (int32_t shift : {0, 8, 16})
          worst = std::max(worst, std::abs(int32_t(got >> shift & 255) - int32_t(want >> shift & 255)));
      }
    EXPECT_LE(worst, 12);
  }
}

}  // namespace

namespace {

// A whole JPEG of the given size, written by the library's own writer.
Bytes JpegOf(int32_t width, int32_t height, bool noise) {
  TIEBitmap picture(width, height, ie24RGB);
  uint32_t seed = 12345;
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(picture.Scanline(y));
    for (int32_t i = 0; i < width * 3; ++i) {
      seed = seed * 1103515245 + 12345;
      row[i] = noise ? uint8_t(seed >> 16) : uint8_t(i % 3 == 2 ? 200 : 60);  // plain: red
    }
  }
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 100;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  vcl::TMemoryStream stream;
  WriteJPEGStream(&stream, &picture, params, progress);
  const auto* data = static_cast<const uint8_t*>(stream.Memory());
  return Bytes(data, data + stream.Size());
}

// Old-style JPEG pages: the picture lives in the block that JPEGInterchangeFormat names, and
// each strip is decoded behind a copy of it.
Bytes OldJpegPage(const Bytes& jpeg, int32_t width, int32_t height, int32_t strips) {
  TiffBuilder builder;
  builder.Page()
      .Add(256, ttLong, {uint32_t(width)})
      .Add(257, ttLong, {uint32_t(height)})
      .Add(258, ttShort, {8, 8, 8})
      .Add(259, ttShort, {6})
      .Add(262, ttShort, {6})
      .Add(277, ttShort, {3})
      .Add(278, ttLong, {uint32_t((height + strips - 1) / strips)})
      .Strips(std::vector<Bytes>(strips, Bytes{0}));
  Bytes file = builder.Build();
  // The JPEG goes after everything the builder laid out; its offset and length become tags
  // through a second build that knows where it lands.
  const uint32_t offset = uint32_t(file.size() + 64 + 24);
  builder.Add(513, ttLong, {offset}).Add(514, ttLong, {uint32_t(jpeg.size())});
  file = builder.Build();
  if (file.size() > offset) return {};
  file.resize(offset, 0);
  file.insert(file.end(), jpeg.begin(), jpeg.end());
  return file;
}

TEST(TiffReader, OldStyleJpegPages) {
  Bytes jpeg = JpegOf(16, 8, false);
  Bytes file = OldJpegPage(jpeg, 16, 8, 1);
  ASSERT_FALSE(file.empty());
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadResult result;
  Read(file, bitmap, params, result);
  ASSERT_FALSE(result.aborting);
  ASSERT_EQ(bitmap.Width(), 16);
  ASSERT_EQ(bitmap.Height(), 8);
  const uint32_t rgb = RGBAt(bitmap, 5, 5);
  EXPECT_NEAR(int(rgb >> 16), 200, 8);
  EXPECT_NEAR(int((rgb >> 8) & 0xFF), 60, 8);
}

// Many strips naming one large block would decode it again for every strip: the reader stops
// once the bytes decoded reach a generous multiple of the file.
TEST(TiffReader, OldStyleJpegStripsCannotMultiplyTheWork) {
  Bytes jpeg = JpegOf(300, 300, true);
  ASSERT_GT(jpeg.size(), 100000u);
  const int32_t strips = int32_t((int64_t(32) << 20) / int64_t(jpeg.size()));
  Bytes file = OldJpegPage(jpeg, 300, strips, strips);
  ASSERT_FALSE(file.empty());
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadResult result;
  Read(file, bitmap, params, result);
  EXPECT_TRUE(result.aborting);
}

}  // namespace
