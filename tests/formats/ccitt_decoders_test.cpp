#include "formats/decoders/ccitt_decoders.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"

using namespace formats;
using tiff_strips::Bytes;

namespace {

// Decodes into a target that ends at an inaccessible page, so that a write past it faults.
Bytes CcittDecodeGuarded(TDecoder& decoder, const Bytes& packed, int32_t unpacked) {
  test_files::GuardedBuffer source(packed);
  test_files::GuardedBuffer target(Bytes(static_cast<size_t>(unpacked), 0xAA));
  const uint8_t* s = source.data();
  uint8_t* t = target.data();
  decoder.Decode(s, t, source.size(), unpacked);
  return Bytes(target.data(), target.data() + unpacked);
}

// A bilevel test picture, rows padded to bytes, a set bit black: boxes, a diagonal, noise.
Bytes TestPicture(int width, int height) {
  const int rowBytes = (width + 7) / 8;
  Bytes pixels(static_cast<size_t>(rowBytes) * height, 0);
  std::mt19937 random(7);
  auto set = [&](int x, int y) { pixels[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool box = (x > 10 && x < 40 && y > 5 && y < 20) || (x > width - 12 && y % 7 < 3);
      const bool diagonal = std::abs(x - y * 2) < 2;
      const bool noise = y > height / 2 && random() % 5 == 0;
      if (box || diagonal || noise || x == 0) set(x, y);
    }
  return pixels;
}

// Every strip of a file decoded with the decoder the file's compression calls for.
Bytes DecodeFile(const tiff_strips::TImage& image) {
  const int32_t rowBytes = (image.width + 7) / 8;
  const bool reversed = image.fillOrder == 2;
  std::unique_ptr<TCCITTDecoder> decoder;
  switch (image.compression) {
    case 2: decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, false, image.width); break;
    case 3: decoder = std::make_unique<TCCITTFax3Decoder>(image.t4Options, reversed, false, image.width); break;
    case 4: decoder = std::make_unique<TCCITTFax4Decoder>(image.t6Options, reversed, false, image.width); break;
    default: return {};
  }
  Bytes out;
  int32_t row = 0;
  for (const Bytes& strip : image.strips) {
    const int32_t rows = std::min(image.rowsPerStrip, image.height - row);
    const Bytes part = CcittDecodeGuarded(*decoder, strip, rows * rowBytes);
    out.insert(out.end(), part.begin(), part.end());
    row += rows;
  }
  return out;
}

}  // namespace

TEST(CCITTDecoders, DecodeWhatTiffcpAndFax2tiffCode) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp or fax2tiff is missing";
  const int width = 101, height = 45;
  const Bytes pixels = TestPicture(width, height);
  tiff_strips::TImage plain;
  plain.width = width;
  plain.height = height;
  plain.bitsPerSample = 1;
  plain.photometric = 0;
  const Bytes source = tiff_strips::MakeTIFF(plain, pixels);
  struct Case {
    const char* command;
    int compression;
    bool twoDimensional;
  };
  const Case cases[] = {
      {"tiffcp -c g3 -r 16 {in} {out}", 3, false},
      {"tiffcp -c g3:fill {in} {out}", 3, false},
      {"tiffcp -c g3:2d -r 20 {in} {out}", 3, true},
      {"tiffcp -c g3:2d:fill {in} {out}", 3, true},
      {"tiffcp -c g4 -r 16 {in} {out}", 4, false},
      {"tiffcp -c g4 -f lsb2msb {in} {out}", 4, false},
      {"tiffcp -c g3:2d -f lsb2msb {in} {out}", 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Bytes coded;
    ASSERT_TRUE(tiff_strips::RunTool(c.command, source, coded));
    tiff_strips::TImage image;
    ASSERT_TRUE(tiff_strips::ReadTIFF(coded, image));
    ASSERT_EQ(c.compression, image.compression);
    EXPECT_EQ(c.twoDimensional, (image.t4Options & 1) != 0);
    EXPECT_EQ(pixels, DecodeFile(image));
  }

  // fax2tiff re-codes a raw Group 3 stream two-dimensionally.
  Bytes oneStrip;
  ASSERT_TRUE(tiff_strips::RunTool("tiffcp -c g3 -r 1000 {in} {out}", source, oneStrip));
  tiff_strips::TImage g3;
  ASSERT_TRUE(tiff_strips::ReadTIFF(oneStrip, g3));
  ASSERT_EQ(1u, g3.strips.size());
  Bytes faxFile;
  ASSERT_TRUE(tiff_strips::RunTool("fax2tiff -1 -M -X 101 -6 -m -o {out} {in}", g3.strips[0], faxFile));
  tiff_strips::TImage fax;
  ASSERT_TRUE(tiff_strips::ReadTIFF(faxFile, fax));
  ASSERT_EQ(3, fax.compression);
  ASSERT_TRUE(fax.t4Options & 1);
  ASSERT_EQ(height, fax.height);
  EXPECT_EQ(pixels, DecodeFile(fax));
}

TEST(CCITTDecoders, RunsAndBitOrder) {
  struct Case {
    const char* name;
    std::unique_ptr<TDecoder> decoder;
    Bytes packed;
    Bytes expected;
  };
  std::vector<Case> cases;
  // End of line, white 5 (1100), black 3 (10).
  cases.push_back({"white 5 black 3", std::make_unique<TCCITTFax3Decoder>(0, false, false, 8), {0x00, 0x1C, 0x80},
                   {0x07}});
  // The same without the first row's end of line, then a second row after one.
  cases.push_back({"no leading end of line", std::make_unique<TCCITTFax3Decoder>(0, false, false, 8),
                   {0xC8, 0x00, 0x07, 0x20}, {0x07, 0x07}});
  // White 0 (00110101), black 10 (0000100), white 6 (1110): one whole byte and two bits.
  cases.push_back({"black 10 from a byte boundary", std::make_unique<TCCITTMHDecoder>(0, false, false, 16),
                   {0x35, 0x09, 0xC0}, {0xFF, 0xC0}});
  // White 0, black 8 (000101), each byte stored with its bits reversed.
  cases.push_back({"reversed bit order", std::make_unique<TCCITTMHDecoder>(0, true, false, 8), {0xAC, 0x28}, {0xFF}});
  // Make-up 1728 (010011011) then terminating 0 (00110101): a whole white row.
  cases.push_back({"white 1728", std::make_unique<TCCITTMHDecoder>(0, false, false, 1728), {0x4D, 0x9A, 0x80},
                   Bytes(216, 0x00)});
  // Word aligned: white 20 (0001000), padded to 16 bits; white 0, black 20 (00001101000), padded.
  // Rows stay contiguous, three bytes each.
  cases.push_back({"word aligned rows", std::make_unique<TCCITTMHDecoder>(0, false, true, 20),
                   {0x10, 0x00, 0x35, 0x0D, 0x00, 0x00}, {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xF0}});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, CcittDecodeGuarded(*c.decoder, c.packed, static_cast<int32_t>(c.expected.size())));
  }
}

TEST(CCITTDecoders, MoreDataThanTheTargetHoldsStopsAtTheTarget) {
  // Four word-aligned rows of black 20 into a target of one row and a half.
  Bytes packed;
  for (int i = 0; i < 4; ++i) packed.insert(packed.end(), {0x35, 0x0D, 0x00, 0x00});
  TCCITTMHDecoder mh(0, false, true, 20);
  const Bytes out = CcittDecodeGuarded(mh, packed, 5);
  EXPECT_EQ((Bytes{0xFF, 0xFF, 0xF0, 0x00, 0x00}), out);  // the half row is left white

  // An over-long run is clipped at the row's end: black 2560 in a row of 8.
  TCCITTMHDecoder narrow(0, false, false, 8);
  EXPECT_EQ(Bytes{0xFF}, CcittDecodeGuarded(narrow, {0x35, 0x01, 0xF0, 0xDC}, 1));
}

TEST(CCITTDecoders, DamagedGroup3RowsResynchroniseAtTheNextEndOfLine) {
  // Row 1: end of line, then codes no table holds; row 2: end of line, white 5, black 3.
  const Bytes packed = {0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0xC8};
  TCCITTFax3Decoder g3(0, false, false, 8);
  EXPECT_EQ((Bytes{0x00, 0x07}), CcittDecodeGuarded(g3, packed, 2));
}
