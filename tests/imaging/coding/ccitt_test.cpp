#include "imaging/coding/ccitt.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/file_helpers.h"
#include "imaging/base/startup.h"
#include "tests/imaging/coding/strip_tiff_fixture.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using test_files::Bytes;
using test_files::GuardedBuffer;

namespace {

// Bits written out as text, most significant first; spaces are ignored.
Bytes FromBits(const std::string& text) {
  Bytes out;
  int count = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (count % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<uint8_t>(0x80 >> (count % 8));
    ++count;
  }
  return out;
}

std::string ToBits(const Bytes& bytes) {
  std::string s;
  for (uint8_t b : bytes)
    for (int k = 7; k >= 0; --k) s += ((b >> k) & 1) ? '1' : '0';
  return s;
}

uint8_t CcittReverse(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r |= static_cast<uint8_t>(((b >> i) & 1) << (7 - i));
  return r;
}

Bytes Reversed(Bytes b) {
  for (uint8_t& x : b) x = CcittReverse(x);
  return b;
}

size_t RowBytes(int32_t width) { return (static_cast<size_t>(width) + 7) / 8; }

// A bilevel image, one row after another, a set bit black (the encoders' convention).
struct TImage {
  int32_t width = 0, height = 0;
  Bytes bits;
  const uint8_t* Row(int32_t y) const { return bits.data() + RowBytes(width) * y; }
};

// Shapes that exercise every coding mode: rectangles and a disc (vertical modes), thin lines,
// isolated dots and noisy rows (horizontal and pass modes), rows starting black, long runs.
TImage MakeImage(int32_t width, int32_t height, uint32_t seed) {
  TImage image{width, height, Bytes(RowBytes(width) * height, 0)};
  std::mt19937 random(seed);
  auto set = [&](int32_t x, int32_t y) {
    if (x >= 0 && x < width && y >= 0 && y < height) image.bits[RowBytes(width) * y + x / 8] |= 0x80 >> (x % 8);
  };
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t dx = x - width / 2, dy = y - height / 2;
      if (dx * dx + dy * dy < (height * height) / 9) set(x, y);
      if (y % 11 == 3 && x < width / 3) set(x, y);
      if (x == 0 && y % 3 == 0) set(x, y);
      if (y % 7 == 5 && random() % 4 == 0) set(x, y);
      if (x % 13 == 1 && y > height - 4) set(x, y);
    }
  }
  return image;
}

// The decoded line (set bit white) as encoder bits, padding cleared.
Bytes AsEncoderRow(const uint8_t* line, int32_t width) {
  Bytes row(line, line + RowBytes(width));
  for (uint8_t& b : row) b = static_cast<uint8_t>(~b);
  if (width % 8) row.back() &= static_cast<uint8_t>(0xFF00 >> (width % 8));
  return row;
}

enum TCoding { kMH, kT4, kT4_2D, kT6 };
const char* const kCodingNames[] = {"MH", "T4", "T4 2D", "T6"};

Bytes Encode(const TImage& image, TCoding coding, int32_t fillOrder) {
  vcl::TMemoryStream stream;
  bool aborting = false;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  std::vector<uint8_t> ref;
  for (int32_t y = 0; y <= image.height; ++y) {
    const uint8_t* row = y < image.height ? image.Row(y) : nullptr;
    switch (coding) {
      case kMH: CCITTEncodeMHRow(row, image.width, &stream, fillOrder, aborting); break;
      case kT4: CCITTEncodeT4Row(row, image.width, &stream, fillOrder, aborting, pendingBits, pendingByte); break;
      case kT4_2D:
        CCITTEncodeT4_2DRow(row, image.width, &stream, fillOrder, aborting, ref, pendingBits, pendingByte);
        break;
      case kT6:
        CCITTEncodeT6Row(row, image.width, &stream, fillOrder, aborting, ref, pendingBits, pendingByte);
        break;
    }
  }
  EXPECT_FALSE(aborting);
  EXPECT_EQ(pendingBits, 0);
  EXPECT_TRUE(ref.empty());
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return Bytes(p, p + stream.Size());
}

// Decodes the strip row by row from a buffer that ends at a guard page; the rows come back in
// the encoders' convention. `endBit` receives the bit position after the last row.
TImage Decode(const Bytes& strip, int32_t width, int32_t height, TCoding coding, int32_t fillOrder,
              int64_t* endBit = nullptr) {
  GuardedBuffer data(strip);
  GuardedBuffer line(Bytes(RowBytes(width)));
  GuardedBuffer ref(Bytes(RowBytes(width), 0xFF));
  TImage image{width, height, {}};
  int64_t bitPos = 0;
  int32_t offset = 0;
  for (int32_t y = 0; y < height; ++y) {
    switch (coding) {
      case kMH:
        offset += CCITTDecodeMHRow(line.data(), data.data() + offset, data.size() - offset, fillOrder, width);
        bitPos = offset * 8;
        break;
      case kT4: bitPos = CCITTDecodeMHLine(line.data(), data.data(), data.size(), fillOrder, bitPos, width); break;
      case kT4_2D:
      case kT6:
        bitPos = CCITTDecode2DLine(line.data(), data.data(), data.size(), coding == kT4_2D, fillOrder, bitPos,
                                   ref.data(), width);
        break;
    }
    const Bytes row = AsEncoderRow(line.data(), width);
    image.bits.insert(image.bits.end(), row.begin(), row.end());
  }
  if (endBit) *endBit = bitPos;
  return image;
}

TImage Cleared(TImage image) {
  if (image.width % 8)
    for (int32_t y = 0; y < image.height; ++y)
      image.bits[RowBytes(image.width) * (y + 1) - 1] &= static_cast<uint8_t>(0xFF00 >> (image.width % 8));
  return image;
}

}  // namespace

TEST(CcittCodes, EveryCodeDecodesToItsOwnEntry) {
  for (TCCITTColour colour : {ccittWhite, ccittBlack}) {
    const TCCITTCodeTable& codes = colour == ccittWhite ? CCITTWhiteCodes : CCITTBlackCodes;
    for (int32_t index = 0; index < CCITTCodeCount; ++index) {
      const TCCITTCode& code = codes[index];
      std::string bits;
      for (int32_t k = code.Length - 1; k >= 0; --k) bits += (k < 16 && ((code.Value >> k) & 1)) ? '1' : '0';
      // Followed by ones, so that a shorter code reading into them would show.
      GuardedBuffer data(FromBits(bits + "11111111"));
      EXPECT_EQ(CCITTDecodeCode(data.data(), data.size(), 0, 1, colour), index) << "colour " << colour << ", " << bits;
    }
  }
}

TEST(CcittCodes, DecodeCodeAtTheEndAndOnGarbage) {
  GuardedBuffer zeros(Bytes(5, 0));
  EXPECT_EQ(CCITTDecodeCode(zeros.data(), zeros.size(), 40, 1, ccittWhite), 127);
  EXPECT_EQ(CCITTDecodeCode(zeros.data(), zeros.size(), 0, 1, ccittWhite), 128);
}

TEST(CcittEncode, ModifiedHuffmanRowsMatchTheCodeTables) {
  struct Case {
    int32_t width;
    Bytes row;
    std::string bits;
  } cases[] = {
      // 2561 white pixels: the 2560 make-up code, then white 1.
      {2561, Bytes(321, 0), "000000011111 000111"},
      // A row starting black begins with white 0: white 0, black 8.
      {8, {0xFF}, "00110101 000101"},
      // white 3, black 2, white 3.
      {8, {0x18}, "1000 11 1000"},
      // white 64 + 0 (make-up and terminating 0), black 1728 (make-up) + 0, white 8.
      {1800, [] {
         Bytes r(225, 0);
         for (int x = 64; x < 64 + 1728; ++x) r[x / 8] |= 0x80 >> (x % 8);
         return r;
       }(),
       "11011 00110101 0000001100101 0000110111 10011"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    for (int32_t fillOrder : {1, 2}) {
      vcl::TMemoryStream stream;
      bool aborting = false;
      CCITTEncodeMHRow(c.row.data(), c.width, &stream, fillOrder, aborting);
      const auto* p = static_cast<const uint8_t*>(stream.Memory());
      const Bytes expected = FromBits(c.bits);
      EXPECT_EQ(Bytes(p, p + stream.Size()), fillOrder == 1 ? expected : Reversed(expected));
      // And the decoder reads it back.
      TImage back = Decode(expected, c.width, 1, kMH, 1);
      EXPECT_EQ(back.bits, Cleared(TImage{c.width, 1, c.row}).bits);
    }
  }
}

TEST(CcittDecode, ModifiedHuffmanLinesSkipALeadingEndOfLine) {
  struct Case {
    std::string bits;
    uint8_t line;
  } cases[] = {
      {"000000000001 1000 11 1000", 0xE7},                          // plain end of line first
      {"0000000000000000000000000000000 1 1000 11 1000", 0xE7},     // with 20 fill bits
      {"0111 0011 000000000001", 0xC1},  // white 2, black 5, then an EOL: the rest stays white
      {"0111 000000000001", 0xC0},       // white 2, then an EOL in black: the rest turns black
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    GuardedBuffer data(FromBits(c.bits));
    GuardedBuffer line(Bytes(1));
    CCITTDecodeMHLine(line.data(), data.data(), data.size(), 1, 0, 8);
    EXPECT_EQ(line.data()[0], c.line);
  }
}

TEST(CcittCoding, RoundTripsEveryCodingAndFillOrder) {
  for (int32_t width : {1, 7, 8, 33, 200, 1728, 2600}) {
    const TImage image = Cleared(MakeImage(width, 40, static_cast<uint32_t>(width)));
    for (TCoding coding : {kMH, kT4, kT4_2D, kT6}) {
      for (int32_t fillOrder : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "width " << width << ", " << kCodingNames[coding] << ", fill order "
                                        << fillOrder);
        const Bytes strip = Encode(image, coding, fillOrder);
        EXPECT_EQ(Decode(strip, width, image.height, coding, fillOrder).bits, image.bits);
        // Fill order 2 data is fill order 1 data with every byte reversed.
        if (fillOrder == 2) { EXPECT_EQ(Reversed(strip), Encode(image, coding, 1)); }
      }
    }
  }
}

TEST(CcittCoding, T4TwoDimensionalStripFraming) {
  const TImage image = Cleared(MakeImage(64, 3, 5));
  const Bytes strip = Encode(image, kT4_2D, 1);
  const std::string bits = ToBits(strip);
  EXPECT_EQ(bits.substr(0, 13), "0000000000011");
  // Each later row starts with EOL and tag 0; after the last row comes one EOL and the padding.
  int64_t end = 0;
  for (int32_t rows = 1; rows <= 3; ++rows) {
    Decode(strip, 64, rows, kT4_2D, 1, &end);
    if (rows < 3) { EXPECT_EQ(bits.substr(end, 13), "0000000000010") << "after row " << rows; }
  }
  EXPECT_EQ(bits.substr(end, 12), "000000000001");
  EXPECT_EQ(bits.substr(end + 12), std::string(bits.size() - end - 12, '0'));
  EXPECT_LT(bits.size() - end - 12, 8u);
}

TEST(CcittCoding, T6StripEndsWithTwoEndsOfLineOnAByte) {
  const TImage image = Cleared(MakeImage(100, 20, 9));
  const Bytes strip = Encode(image, kT6, 1);
  int64_t end = 0;
  Decode(strip, 100, 20, kT6, 1, &end);
  const std::string bits = ToBits(strip);
  EXPECT_EQ(bits.substr(end, 24), "000000000001000000000001");
  EXPECT_LT(bits.size() - end - 24, 8u);
  EXPECT_EQ(bits.substr(end + 24), std::string(bits.size() - end - 24, '0'));
}

TEST(CcittDecode, PassModeOverWhitePaintsNothing) {
  // Row 0 has black pixels 2..4; row 1 is white, coded as a pass over them.
  TImage image{16, 2, Bytes{0x38, 0x00, 0x00, 0x00}};
  const Bytes strip = Encode(image, kT6, 1);
  EXPECT_EQ(Decode(strip, 16, 2, kT6, 1).bits, image.bits);
}

TEST(CcittDecode, VerticalModeStaysInsideTheLine) {
  // VL3 from white (a1 = 8 - 3), then VR3 from black would put a1 at 11 on an 8-pixel line.
  GuardedBuffer data(FromBits("0000010 0000011"));
  GuardedBuffer line(Bytes(1)), ref(Bytes(1, 0xFF));
  CCITTDecode2DLine(line.data(), data.data(), data.size(), false, 1, 0, ref.data(), 8);
  EXPECT_EQ(line.data()[0], 0xF8);
  EXPECT_EQ(ref.data()[0], 0xF8);
}

TEST(CcittDecode, TruncatedAndDamagedStripsEndCleanly) {
  const TImage image = Cleared(MakeImage(300, 30, 3));
  for (TCoding coding : {kMH, kT4, kT4_2D, kT6}) {
    SCOPED_TRACE(kCodingNames[coding]);
    const Bytes strip = Encode(image, coding, 1);
    // Cut in the middle: the rows before the cut survive, the rest decode without looping.
    const TImage half = Decode(Bytes(strip.begin(), strip.begin() + strip.size() / 2), 300, 30, coding, 1);
    EXPECT_EQ(Bytes(half.bits.begin(), half.bits.begin() + 38 * 5), Bytes(image.bits.begin(), image.bits.begin() + 38 * 5));
    test_files::ForEachDamagedCopy(strip, 100, [&](const uint8_t* data, int32_t size) {
      Decode(Bytes(data, data + size), 300, 30, coding, 1);
    });
  }
}

TEST(CcittDecode, WorksBeforeAndAfterTheLibraryStartUp) {
  const TImage image = Cleared(MakeImage(50, 10, 1));
  const Bytes strip = Encode(image, kT6, 1);
  TifCCITTStaticFinalize();
  EXPECT_EQ(Decode(strip, 50, 10, kT6, 1).bits, image.bits);
  IEStaticInitialize();
  EXPECT_EQ(Decode(strip, 50, 10, kT6, 1).bits, image.bits);
  IEStaticFinalize();
  EXPECT_EQ(Decode(strip, 50, 10, kT6, 1).bits, image.bits);
}

TEST(CcittCoding, AgreesWithTiffcp) {
  const TImage image = Cleared(MakeImage(333, 120, 17));
  strip_tiff::TStripImage plain;
  plain.width = image.width;
  plain.height = image.height;
  plain.bitsPerSample = 1;
  plain.photometric = 0;  // a zero bit is white, as the coders count
  plain.strip = image.bits;
  struct Case {
    const char* options;
    TCoding coding;
    int32_t compression;
    uint32_t t4Options;
  } cases[] = {{"-c g3:1d", kT4, 3, 0},        {"-c g3:2d", kT4_2D, 3, 1},
               {"-c g3:2d:fill", kT4_2D, 3, 5}, {"-c g4", kT6, 4, 0}};
  for (const Case& c : cases) {
    for (int32_t fillOrder : {1, 2}) {
      SCOPED_TRACE(testing::Message() << c.options << ", fill order " << fillOrder);
      // tiffcp's coding, read by ours.
      Bytes file;
      const std::string options = std::string(c.options) + (fillOrder == 2 ? " -f lsb2msb" : "");
      if (!strip_tiff::TiffCp(strip_tiff::MakeTIFF(plain), options, file)) GTEST_SKIP() << "tiffcp is missing";
      strip_tiff::TStripImage theirs;
      ASSERT_TRUE(strip_tiff::ReadTIFF(file, theirs));
      ASSERT_EQ(theirs.compression, c.compression);
      ASSERT_EQ(theirs.fillOrder, fillOrder);
      EXPECT_EQ(Decode(theirs.strip, image.width, image.height, c.coding, fillOrder).bits, image.bits);

      // Ours, read by tiffcp.
      strip_tiff::TStripImage ours = plain;
      ours.compression = c.compression;
      ours.t4Options = c.t4Options & 1;
      ours.fillOrder = fillOrder;
      ours.strip = Encode(image, c.coding, fillOrder);
      ASSERT_TRUE(strip_tiff::TiffCp(strip_tiff::MakeTIFF(ours), "-c none", file));
      strip_tiff::TStripImage decoded;
      ASSERT_TRUE(strip_tiff::ReadTIFF(file, decoded));
      // tiffcp keeps the fill order, which then applies to the plain data too.
      EXPECT_EQ(decoded.fillOrder == 2 ? Reversed(decoded.strip) : decoded.strip, image.bits);
    }
  }
  // Modified Huffman rows (compression 2), which tiffcp reads but does not write.
  strip_tiff::TStripImage ours = plain;
  ours.compression = 2;
  ours.strip = Encode(image, kMH, 1);
  Bytes file;
  ASSERT_TRUE(strip_tiff::TiffCp(strip_tiff::MakeTIFF(ours), "-c none", file));
  strip_tiff::TStripImage decoded;
  ASSERT_TRUE(strip_tiff::ReadTIFF(file, decoded));
  EXPECT_EQ(decoded.strip, image.bits);
}
