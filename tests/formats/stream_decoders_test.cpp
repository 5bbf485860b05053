// The library-backed decoders (inflate, JPEG in TIFF) and the ThunderScan and Photo CD decoders.
#include <gtest/gtest.h>

#include <random>

#include "formats/decoders/lz77_decoder.h"
#include "formats/decoders/pcd_decoder.h"
#include "formats/decoders/thunder_decoder.h"
#include "formats/decoders/tiff_jpeg_decoder.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using tiff_strips::Bytes;

namespace {

// A picture with smooth areas and edges, 3 samples a pixel (or 1).
Bytes Picture(int width, int height, int samples) {
  Bytes pixels(static_cast<size_t>(width) * height * samples);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int s = 0; s < samples; ++s)
        pixels[(static_cast<size_t>(y) * width + x) * samples + s] =
            static_cast<uint8_t>(s == 0 ? x * 4 : s == 1 ? y * 5 : ((x / 8 + y / 8) % 2) * 200 + 20);
  return pixels;
}

Bytes Coded(const std::string& options, const tiff_strips::TImage& header, const Bytes& pixels,
            tiff_strips::TImage& image) {
  Bytes file;
  if (!tiff_strips::RunTool("tiffcp " + options + " {in} {out}", tiff_strips::MakeTIFF(header, pixels), file)) return {};
  if (!tiff_strips::ReadTIFF(file, image)) return {};
  return file;
}

}  // namespace

TEST(LZ77Decoder, InflatesTiffcpStripsAndRaisesOnDamage) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const int width = 61, height = 30;
  const Bytes pixels = Picture(width, height, 3);
  tiff_strips::TImage header;
  header.width = width;
  header.height = height;
  header.samplesPerPixel = 3;
  header.photometric = 2;
  tiff_strips::TImage image;
  ASSERT_FALSE(Coded("-c zip -r 7", header, pixels, image).empty());
  ASSERT_EQ(8, image.compression);
  ASSERT_GT(image.strips.size(), 1u);
  TLZ77Decoder decoder(1, true);
  decoder.DecodeInit();
  Bytes out;
  int row = 0;
  for (const Bytes& strip : image.strips) {
    const int rows = std::min(image.rowsPerStrip, height - row);
    Bytes part(static_cast<size_t>(rows) * width * 3);
    test_files::GuardedBuffer source(strip);
    const uint8_t* s = source.data();
    uint8_t* t = part.data();
    decoder.Decode(s, t, source.size(), static_cast<int32_t>(part.size()));
    EXPECT_EQ(part.data() + part.size(), t);
    EXPECT_EQ(1, decoder.InflateResult());
    out.insert(out.end(), part.begin(), part.end());
    row += rows;
  }
  EXPECT_EQ(pixels, out);

  // A strip cut short, or damaged, raises rather than leaving part of the strip unwritten.
  const Bytes& strip = image.strips[0];
  Bytes part(static_cast<size_t>(image.rowsPerStrip) * width * 3);
  for (const Bytes& bad : {Bytes(strip.begin(), strip.begin() + strip.size() / 2),
                           [&] {
                             Bytes b = strip;
                             b[0] ^= 0x0F;
                             return b;
                           }()}) {
    const uint8_t* s = bad.data();
    uint8_t* t = part.data();
    EXPECT_THROW(decoder.Decode(s, t, static_cast<int32_t>(bad.size()), static_cast<int32_t>(part.size())),
                 EGraphicCompression);
  }
  decoder.DecodeEnd();
}

TEST(LZ77Decoder, AStreamFedPieceByPieceEndsOnce) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const Bytes pixels = Picture(40, 10, 1);
  tiff_strips::TImage header;
  header.width = 40;
  header.height = 10;
  tiff_strips::TImage image;
  ASSERT_FALSE(Coded("-c zip -r 100", header, pixels, image).empty());
  const Bytes& stream = image.strips[0];
  TLZ77Decoder decoder(1, false);
  decoder.DecodeInit();
  Bytes out(pixels.size());
  uint8_t* t = out.data();
  const size_t half = stream.size() / 2;
  const uint8_t* s = stream.data();
  decoder.Decode(s, t, static_cast<int32_t>(half), static_cast<int32_t>(out.size()));
  EXPECT_EQ(0, decoder.InflateResult());
  EXPECT_EQ(0, decoder.InputLeft());
  const int32_t left = decoder.OutputLeft();
  decoder.Decode(s, t, static_cast<int32_t>(stream.size() - half), left);
  EXPECT_EQ(1, decoder.InflateResult());
  EXPECT_EQ(pixels, out);
  // After the end of the stream a call returns at once, pointers untouched.
  const uint8_t* before = s;
  uint8_t* target = out.data();
  decoder.Decode(s, target, 4, 4);
  EXPECT_EQ(before, s);
  EXPECT_EQ(out.data(), target);
}

TEST(TIFFJPEGDecoder, DecodesTiffcpStripsLikeLibtiff) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  struct Case {
    const char* name;
    int samples;
    int photometric;
    const char* options;
    TColorSchemeKind scheme;
  };
  const Case cases[] = {{"YCbCr 2x2 from RGB", 3, 2, "-c jpeg -r 16", scYCbCr},
                        {"RGB kept", 3, 2, "-c jpeg:r -r 16", scRGB},
                        {"grey", 1, 1, "-c jpeg -r 8", scGray}};
  const int width = 45, height = 37;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes pixels = Picture(width, height, c.samples);
    tiff_strips::TImage header;
    header.width = width;
    header.height = height;
    header.samplesPerPixel = c.samples;
    header.photometric = c.photometric;
    tiff_strips::TImage image;
    ASSERT_FALSE(Coded(c.options, header, pixels, image).empty());
    ASSERT_EQ(7, image.compression);
    // libtiff's own decoding of the same file, as RGB (or grey) rows.
    Bytes plainFile;
    tiff_strips::TImage reference;
    Bytes jpegFile;
    ASSERT_TRUE(tiff_strips::RunTool("tiffcp " + std::string(c.options) + " {in} {out}",
                                     tiff_strips::MakeTIFF(header, pixels), jpegFile));
    ASSERT_TRUE(tiff_strips::RunTool("tiffcp -c none -r 1000 {in} {out}", jpegFile, plainFile));
    ASSERT_TRUE(tiff_strips::ReadTIFF(plainFile, reference));
    ASSERT_EQ(1u, reference.strips.size());
    const Bytes& expected = reference.strips[0];
    ASSERT_EQ(pixels.size(), expected.size());

    TImageProperties props;
    props.ImageWidth = width;
    props.ImageHeight = height;
    props.Scheme = c.scheme;
    props.SampleBits = 8;
    props.SampleCount = static_cast<uint8_t>(c.samples);
    props.PlanarMode = 1;
    props.RowBytes = static_cast<uint32_t>(width * c.samples);
    props.StripRows = {static_cast<uint32_t>(image.rowsPerStrip)};
    props.JpegTableData = image.jpegTables;
    if (image.subsamplingH) props.ChromaSubsampling = {static_cast<uint8_t>(image.subsamplingH), static_cast<uint8_t>(image.subsamplingV)};
    props.StripTotal = static_cast<uint32_t>(image.strips.size());
    TTIFFJPEGDecoder decoder(&props);
    decoder.DecodeInit();
    Bytes out;
    for (const Bytes& strip : image.strips) {
      const int rows = std::min<int>(image.rowsPerStrip, height - static_cast<int>(props.RowIndex));
      Bytes part(static_cast<size_t>(rows) * props.RowBytes);
      const uint8_t* s = strip.data();
      uint8_t* t = part.data();
      decoder.Decode(s, t, static_cast<int32_t>(strip.size()), static_cast<int32_t>(part.size()));
      out.insert(out.end(), part.begin(), part.end());
      props.RowIndex += static_cast<uint32_t>(rows);
      ++props.StripIndex;
    }
    ASSERT_EQ(expected.size(), out.size());
    // Three samples come out blue, green, red; libtiff gives red, green, blue.
    int worst = 0;
    for (size_t i = 0; i < out.size(); ++i) {
      const size_t j = c.samples == 3 ? i - i % 3 + (2 - i % 3) : i;
      worst = std::max(worst, std::abs(out[i] - expected[j]));
    }
    EXPECT_LE(worst, 1);

    // Errors reach the caller: a strip cut short, a fractional line, a strip of another size.
    props.RowIndex = 0;
    Bytes part(static_cast<size_t>(image.rowsPerStrip) * props.RowBytes);
    const Bytes& first = image.strips[0];
    const Bytes cut(first.begin(), first.begin() + first.size() * 2 / 3);
    const uint8_t* s = cut.data();
    uint8_t* t = part.data();
    EXPECT_THROW(decoder.Decode(s, t, static_cast<int32_t>(cut.size()), static_cast<int32_t>(part.size())),
                 vcl::EInvalidGraphic);
    s = first.data();
    EXPECT_THROW(decoder.Decode(s, t, static_cast<int32_t>(first.size()), static_cast<int32_t>(part.size()) - 1),
                 EGraphicCompression);
    props.ImageWidth = width + 1;
    EXPECT_THROW(decoder.Decode(s, t, static_cast<int32_t>(first.size()), static_cast<int32_t>(part.size())),
                 EGraphicCompression);
    decoder.DecodeEnd();
  }
}

TEST(TIFFJPEGDecoder, DecodesTiles) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const int width = 40, height = 24;
  const Bytes pixels = Picture(width, height, 3);
  tiff_strips::TImage header;
  header.width = width;
  header.height = height;
  header.samplesPerPixel = 3;
  header.photometric = 2;
  tiff_strips::TImage image;
  ASSERT_FALSE(Coded("-c jpeg -t -w 16 -l 16", header, pixels, image).empty());
  ASSERT_EQ(16, image.tileWidth);
  ASSERT_EQ(6u, image.strips.size());  // 3 across, 2 down
  Bytes plainFile, jpegFile;
  ASSERT_TRUE(tiff_strips::RunTool("tiffcp -c jpeg -t -w 16 -l 16 {in} {out}", tiff_strips::MakeTIFF(header, pixels), jpegFile));
  ASSERT_TRUE(tiff_strips::RunTool("tiffcp -c none -s -r 1000 {in} {out}", jpegFile, plainFile));
  tiff_strips::TImage reference;
  ASSERT_TRUE(tiff_strips::ReadTIFF(plainFile, reference));
  const Bytes& expected = reference.strips[0];
  ASSERT_EQ(pixels.size(), expected.size());

  TImageProperties props;
  props.ImageFlags.Include(ifTiled);
  props.ImageWidth = width;
  props.ImageHeight = height;
  props.TileCols = 16;
  props.TileRows = 16;
  props.Scheme = scYCbCr;
  props.SampleBits = 8;
  props.SampleCount = 3;
  props.PlanarMode = 1;
  props.JpegTableData = image.jpegTables;
  if (image.subsamplingH)  // absent: YCbCr data defaults to 2 by 2
    props.ChromaSubsampling = {static_cast<uint8_t>(image.subsamplingH), static_cast<uint8_t>(image.subsamplingV)};
  TTIFFJPEGDecoder decoder(&props);
  decoder.DecodeInit();
  int worst = 0;
  for (size_t tile = 0; tile < image.strips.size(); ++tile) {
    Bytes part(16 * 16 * 3);
    const uint8_t* s = image.strips[tile].data();
    uint8_t* t = part.data();
    decoder.Decode(s, t, static_cast<int32_t>(image.strips[tile].size()), static_cast<int32_t>(part.size()));
    const int left = static_cast<int>(tile % 3) * 16, top = static_cast<int>(tile / 3) * 16;
    for (int y = 0; y < 16 && top + y < height; ++y)
      for (int x = 0; x < 16 && left + x < width; ++x)
        for (int c = 0; c < 3; ++c) {
          const int ours = part[(y * 16 + x) * 3 + (2 - c)];  // blue, green, red
          const int theirs = expected[((top + y) * width + left + x) * 3 + c];
          worst = std::max(worst, std::abs(ours - theirs));
        }
  }
  EXPECT_LE(worst, 1);
}

TEST(TIFFJPEGDecoder, TablesThatHoldAnImageAreRefused) {
  const Bytes jpeg = test_files::SmallJPEG(test_files::MakeTempDir());
  if (jpeg.empty()) GTEST_SKIP() << "cjpeg is missing";
  TImageProperties props;
  props.JpegTableData = jpeg;
  TTIFFJPEGDecoder decoder(&props);
  try {
    decoder.DecodeInit();
    FAIL() << "no error";
  } catch (const EGraphicCompression& e) {
    EXPECT_EQ("Bogus JPEG tables field.", e.Message());
  }
}

TEST(ThunderDecoder, RunsDeltasAndRawPixels) {
  struct Case {
    const char* name;
    int32_t width;
    Bytes packed;
    Bytes expected;
  };
  const Case cases[] = {
      {"raw 5 then a run of three", 4, {0xC5, 0x03}, {0x55, 0x55}},
      {"2-bit deltas after 5 (0, +1, skipped)", 4, {0xC5, 0x46}, {0x55, 0x60}},
      {"3-bit deltas (+3, -1)", 4, {0xC5, 0x9F}, {0x58, 0x70}},
      {"a run longer than the row is clipped", 3, {0xC2, 0x3F, 0xC9}, {0x22, 0x20, 0x90, 0x00}},
      {"odd widths take whole bytes a row", 1, {0xC7, 0xC8}, {0x70, 0x80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TThunderDecoder decoder(c.width);
    test_files::GuardedBuffer source(c.packed);
    test_files::GuardedBuffer target(Bytes(c.expected.size(), 0));
    const uint8_t* s = source.data();
    uint8_t* t = target.data();
    decoder.Decode(s, t, source.size(), target.size());
    EXPECT_EQ(c.expected, Bytes(target.data(), target.data() + target.size()));
  }
}

TEST(PCDDecoder, KeysCorrectTheSamplesTheyName) {
  // One table of two codes: 01 lowers by 2 (key 0xFE), 10 raises by 5 (key 0x05).
  Bytes data = {0x01, 0x01, 0x40, 0x00, 0xFE, 0x01, 0x80, 0x00, 0x05};
  std::string bits = "11111111" "11111111" "11111111" "11111110";  // bytes up to the sync mark
  bits += "00" "0000000000000" "0";                                 // luminance, row 0
  bits += "01" "10" "01";                                           // three corrections
  bits += std::string(23, '1') + "0" + "00" + "0000000000010" + "0";  // the end row (2)
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t k = 0; k < 8; ++k) byte = static_cast<uint8_t>(byte << 1 | (i + k < bits.size() && bits[i + k] == '1'));
    data.push_back(byte);
  }
  data.resize(2048, 0);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  stream.SetPosition(0);
  Bytes luma = {1, 252, 100, 50, 60, 70, 80, 90};
  Bytes chroma1(4, 9), chroma2(4, 9);
  TPCDPlanes planes{luma.data(), chroma1.data(), chroma2.data()};
  TPCDDecoder decoder(&stream);
  const uint8_t* source = reinterpret_cast<const uint8_t*>(&planes);
  uint8_t* target = nullptr;
  decoder.Decode(source, target, 4, 2);
  EXPECT_EQ((Bytes{0, 255, 98, 50, 60, 70, 80, 90}), luma);
  EXPECT_EQ(Bytes(4, 9), chroma1);
}

TEST(PCDDecoder, StopsOnLongCodesAndKeepsToThePlanes) {
  // A code length above 16 ends decoding before any sample changes.
  Bytes planes(16, 100);
  TPCDPlanes record{planes.data(), planes.data() + 8, planes.data() + 12};
  vcl::TMemoryStream stream;
  const Bytes data = {0x00, 0x10, 0, 0, 0};  // one entry of length 17
  Bytes padded = data;
  padded.resize(4096, 0);
  stream.WriteBuffer(padded.data(), static_cast<int32_t>(padded.size()));
  stream.SetPosition(0);
  TPCDDecoder decoder(&stream);
  const uint8_t* source = reinterpret_cast<const uint8_t*>(&record);
  uint8_t* target = nullptr;
  decoder.Decode(source, target, 4, 2);
  EXPECT_EQ(Bytes(16, 100), planes);

  // A stream that ends raises its read error; nothing is written outside the planes.
  vcl::TMemoryStream empty;
  TPCDDecoder starved(&empty);
  source = reinterpret_cast<const uint8_t*>(&record);
  EXPECT_THROW(starved.Decode(source, target, 4, 2), vcl::EReadError);
}
