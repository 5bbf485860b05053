#include "imaging/coding/lzw_coders.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "tests/support/file_helpers.h"
#include "tests/imaging/coding/strip_tiff_fixture.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using test_files::Bytes;

namespace {

Bytes Pattern(size_t size, int kind, uint32_t seed = 7) {
  std::mt19937 random(seed);
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) {
    switch (kind) {
      case 0: b[i] = static_cast<uint8_t>(random()); break;                // noise
      case 1: b[i] = static_cast<uint8_t>((i / 37) % 5); break;           // long runs
      case 2: b[i] = 0; break;                                             // constant
      default: b[i] = static_cast<uint8_t>(random() % 3 == 0 ? random() : i % 7); break;
    }
  }
  return b;
}

Bytes LzwContents(vcl::TMemoryStream& stream) {
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return Bytes(p, p + stream.Size());
}

// Codes packed least significant bit first into GIF data sub-blocks, behind the size byte.
Bytes PackGIF(int minSize, const std::vector<std::pair<int, int>>& codes) {
  Bytes data;
  uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits |= static_cast<uint32_t>(code) << count;
    count += width;
    while (count >= 8) data.push_back(static_cast<uint8_t>(bits)), bits >>= 8, count -= 8;
  }
  if (count) data.push_back(static_cast<uint8_t>(bits));
  Bytes out = {static_cast<uint8_t>(minSize)};
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + i, data.begin() + i + n);
  }
  out.push_back(0);
  return out;
}

// A plain LZW encoder of the GIF kind that never clears its table (it keeps coding with 12-bit
// codes once the table is full), as some writers do.
Bytes EncodeGIFWithoutClears(const Bytes& pixels, int minSize) {
  const int clear = 1 << minSize, end = clear + 1;
  std::map<std::pair<int, int>, int> table;
  int nextFree = end + 1, width = minSize + 1;
  std::vector<std::pair<int, int>> codes = {{clear, width}};
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    auto it = table.find({prefix, pixels[i]});
    if (it != table.end()) {
      prefix = it->second;
      continue;
    }
    codes.push_back({prefix, width});
    if (nextFree < 4096) {
      table[{prefix, pixels[i]}] = nextFree++;
      if (nextFree > (1 << width) && width < 12) ++width;
    }
    prefix = pixels[i];
  }
  codes.push_back({prefix, width});
  codes.push_back({end, width});
  return PackGIF(minSize, codes);
}

Bytes DecodeGIF(const Bytes& data, int32_t width, int32_t height, bool interlaced, int64_t* endPosition = nullptr) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  stream.SetPosition(0);
  Bytes pixels(static_cast<size_t>(width) * height, 0xEE);
  GIFDecodeLZW(&stream, height, width, interlaced, pixels.data());
  if (endPosition) *endPosition = stream.Position();
  return pixels;
}

Bytes EncodeGIF(const Bytes& pixels, int32_t width, int32_t height, bool interlaced, int32_t bits) {
  vcl::TMemoryStream stream;
  GIFEncodeLZW(&stream, height, width, interlaced, pixels.data(), bits);
  return LzwContents(stream);
}

}  // namespace

TEST(LzwProcs, StartWithTheLibraryCoders) {
  EXPECT_EQ(IEGIFLZWDecompressProc, &GIFDecodeLZW);
  EXPECT_EQ(IEGIFLZWCompressProc, &GIFEncodeLZW);
  EXPECT_EQ(IETIFFLZWDecompressProc, &TIFFDecodeLZW);
  EXPECT_EQ(IETIFFLZWCompressProc, &TIFFEncodeLZW);
}

TEST(GifLzw, RoundTripsImages) {
  struct Case {
    int32_t width, height, bits, kind;
    bool interlaced;
  } cases[] = {{1, 1, 8, 0, false},   {13, 7, 1, 1, false},  {320, 200, 8, 0, false},
               {320, 200, 8, 1, true}, {97, 61, 4, 3, true}, {500, 400, 8, 3, false},
               {64, 64, 2, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " bits " << c.bits);
    Bytes pixels = Pattern(static_cast<size_t>(c.width) * c.height, c.kind);
    for (uint8_t& p : pixels) p &= static_cast<uint8_t>((1 << std::max(c.bits, 2)) - 1);
    const Bytes coded = EncodeGIF(pixels, c.width, c.height, c.interlaced, c.bits);
    int64_t end = 0;
    EXPECT_EQ(DecodeGIF(coded, c.width, c.height, c.interlaced, &end), pixels);
    EXPECT_EQ(end, static_cast<int64_t>(coded.size()));
  }
}

// Rows handed straight from a bitmap hold whatever was there before: data that ends early
// must leave the pixels it did not reach 0, in coded order (the interlace passes included).
TEST(GifLzw, PixelsTheDataDoesNotReachBecomeZero) {
  struct Case {
    bool interlaced;
    int32_t codedPixels;
  } cases[] = {{false, 0}, {false, 7}, {false, 30}, {true, 7}, {true, 25}};
  const int32_t width = 5, height = 9;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "interlaced " << c.interlaced << ", " << c.codedPixels << " pixels coded");
    // The coded pixels are 1 .. 3, never 0, so that a reached pixel shows.
    Bytes coded(static_cast<size_t>(c.codedPixels));
    for (int32_t i = 0; i < c.codedPixels; ++i) coded[i] = static_cast<uint8_t>(1 + i % 3);
    Bytes data = EncodeGIF(coded, c.codedPixels, coded.empty() ? 0 : 1, false, 2);
    Bytes pixels(static_cast<size_t>(width) * height, 0xEE);
    std::vector<uint8_t*> rows;
    for (int32_t y = 0; y < height; ++y) rows.push_back(pixels.data() + y * width);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    stream.SetPosition(0);
    GIFDecodeLZWRows(&stream, height, width, c.interlaced, rows.data());
    // The i-th coded row lands on row order[i].
    const int32_t order[2][9] = {{0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 8, 4, 2, 6, 1, 3, 5, 7}};
    Bytes expected(pixels.size(), 0);
    for (int32_t i = 0; i < c.codedPixels; ++i)
      expected[order[c.interlaced][i / width] * width + i % width] = coded[i];
    EXPECT_EQ(pixels, expected);
  }
}

TEST(GifLzw, WritesItsSizeByteAndFullSubBlocks) {
  const Bytes oneBit = EncodeGIF(Bytes(64, 1), 8, 8, false, 1);
  EXPECT_EQ(oneBit[0], 2);
  const Bytes noisy = EncodeGIF(Pattern(40000, 0), 200, 200, false, 8);
  EXPECT_EQ(noisy[0], 8);
  size_t at = 1, blocks = 0;
  while (noisy[at] != 0) {
    const size_t n = noisy[at];
    at += n + 1;
    ++blocks;
    if (noisy[at] != 0) { EXPECT_EQ(n, 254u) << "block " << blocks; }
  }
  EXPECT_EQ(at + 1, noisy.size());
  EXPECT_GT(blocks, 100u);
}

TEST(GifLzw, AcceptsMinimumCodeSizesTwoToNine) {
  for (int minSize : {1, 2, 9, 10}) {
    SCOPED_TRACE(minSize);
    const int clear = 1 << minSize, width = minSize + 1;
    const Bytes data = PackGIF(minSize, {{clear, width}, {1, width}, {clear + 1, width}});
    int64_t end = 0;
    const Bytes pixels = DecodeGIF(data, 1, 1, false, &end);
    const bool accepted = minSize >= 2 && minSize <= 9;
    EXPECT_EQ(end, accepted ? static_cast<int64_t>(data.size()) : 0);
    EXPECT_EQ(pixels[0], accepted ? 1 : 0xEE);
  }
}

TEST(GifLzw, ConsecutiveClearCodesActAsOne) {
  const Bytes data = PackGIF(2, {{4, 3}, {4, 3}, {4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 3}});
  // Codes after the clears: 1, 2, then 6 (= the string "1 2" just added), then the end.
  EXPECT_EQ(DecodeGIF(data, 4, 1, false), (Bytes{1, 2, 1, 2}));
}

TEST(GifLzw, InterlacedRowsComeInPassOrder) {
  Bytes sequence(10);
  for (int i = 0; i < 10; ++i) sequence[i] = static_cast<uint8_t>(i);
  const Bytes coded = EncodeGIF(sequence, 1, 10, false, 4);
  // The i-th coded row lands on row order[i].
  const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  const Bytes rows = DecodeGIF(coded, 1, 10, true);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(rows[order[i]], i) << "coded row " << i;
  // And the encoder takes the rows in the same order.
  EXPECT_EQ(DecodeGIF(EncodeGIF(rows, 1, 10, true, 4), 1, 10, false), sequence);
}

TEST(GifLzw, DecodesWritersThatNeverClearAFullTable) {
  const Bytes pixels = Pattern(300 * 300, 0, 11);
  const Bytes coded = EncodeGIFWithoutClears(pixels, 8);
  int64_t end = 0;
  EXPECT_EQ(DecodeGIF(coded, 300, 300, false, &end), pixels);
  EXPECT_EQ(end, static_cast<int64_t>(coded.size()));
}

TEST(GifLzw, CodeBeyondTheTableLeavesTheStreamUnmoved) {
  // After the clear, next free is 6: code 7 cannot be decoded.
  int64_t end = -1;
  DecodeGIF(PackGIF(2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}), 4, 1, false, &end);
  EXPECT_EQ(end, 0);
}

TEST(GifLzw, AnIndependentReaderDecodesTheEncoderOutput) {
  if (!test_files::HaveTool("giftopnm")) GTEST_SKIP() << "giftopnm is missing";
  const int32_t width = 123, height = 77;
  const Bytes pixels = Pattern(static_cast<size_t>(width) * height, 3, 5);
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', width, 0, height, 0, 0xF7, 0, 0};
  for (int i = 0; i < 256; ++i) gif.insert(gif.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
  gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, width, 0, height, 0, 0x40});  // interlaced
  const Bytes coded = EncodeGIF(pixels, width, height, true, 8);
  gif.insert(gif.end(), coded.begin(), coded.end());
  gif.push_back(0x3B);
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/a.gif", gif);
  ASSERT_EQ(test_files::RunShell("giftopnm '" + dir + "/a.gif' | ppmtopgm > '" + dir + "/a.pgm'"), 0);
  const Bytes pgm = test_files::ReadFileBytes(dir + "/a.pgm");
  test_files::RunShell("rm -rf '" + dir + "'");
  ASSERT_GE(pgm.size(), pixels.size());
  EXPECT_EQ(Bytes(pgm.end() - pixels.size(), pgm.end()), pixels);
}

TEST(GifLzw, DamagedDataEndsCleanly) {
  const Bytes coded = EncodeGIF(Pattern(40 * 30, 3), 40, 30, true, 8);
  test_files::ForEachDamagedCopy(coded, 300, [](const uint8_t* data, int32_t size) {
    vcl::TMemoryStream stream;
    stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    test_files::GuardedBuffer pixels(Bytes(40 * 30));
    GIFDecodeLZW(&stream, 30, 40, true, pixels.data());
    EXPECT_LE(stream.Position(), size);
  });
}

// ---------------------------------------------------------------------------------------------

namespace {

Bytes EncodeTIFF(const Bytes& data, size_t piece) {
  vcl::TMemoryStream stream;
  void* state = nullptr;
  for (size_t at = 0; at < data.size(); at += piece)
    TIFFEncodeLZW(data.data() + at, static_cast<int32_t>(std::min(piece, data.size() - at)), &stream, state);
  TIFFEncodeLZW(nullptr, 0, &stream, state);
  EXPECT_EQ(state, nullptr);
  return LzwContents(stream);
}

// Decodes in calls of `piece` bytes; empty when a call fails.
Bytes DecodeTIFF(const Bytes& coded, size_t total, size_t piece, int32_t fillOrder = 1) {
  Bytes out;
  void* state = nullptr;
  while (out.size() < total) {
    const int32_t n = static_cast<int32_t>(std::min(piece, total - out.size()));
    const uint8_t* p = TIFFDecodeLZW(coded.data(), n, state, fillOrder, static_cast<int64_t>(coded.size()));
    if (!p) {
      out.clear();
      break;
    }
    out.insert(out.end(), p, p + n);
  }
  TIFFDecodeLZW(nullptr, 0, state, fillOrder, 0);
  EXPECT_EQ(state, nullptr);
  return out;
}

uint8_t LzwReverse(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r |= static_cast<uint8_t>(((b >> i) & 1) << (7 - i));
  return r;
}

// The codes of TIFF LZW data, most significant bit first, following the width changes.
std::vector<int> TIFFCodes(const Bytes& coded) {
  std::vector<int> codes;
  size_t bit = 0;
  int width = 9, nextFree = 258;
  bool first = true;
  while (bit + width <= coded.size() * 8) {
    int code = 0;
    for (int k = 0; k < width; ++k, ++bit) code = code << 1 | ((coded[bit / 8] >> (7 - bit % 8)) & 1);
    codes.push_back(code);
    if (code == 257) break;
    if (code == 256) {
      width = 9, nextFree = 258, first = true;
      continue;
    }
    if (!first) ++nextFree;
    first = false;
    width = nextFree >= 2047 ? 12 : nextFree >= 1023 ? 11 : nextFree >= 511 ? 10 : 9;
  }
  return codes;
}

}  // namespace

TEST(TiffLzw, RoundTripsInPiecesOfAnySize) {
  struct Case {
    size_t size;
    int kind;
    size_t encodePiece, decodePiece;
  } cases[] = {{1, 0, 1, 1},          {100, 2, 7, 100},      {300, 0, 100, 100},
               {200000, 0, 1000, 777}, {200000, 1, 4096, 100}, {150000, 3, 150000, 150000},
               {65536, 2, 333, 65536},
               // Small pieces of data whose table refers back far beyond the last piece.
               {300000, 2, 1000, 10}, {200000, 1, 1000, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " bytes, kind " << c.kind);
    const Bytes data = Pattern(c.size, c.kind);
    const Bytes coded = EncodeTIFF(data, c.encodePiece);
    EXPECT_EQ(DecodeTIFF(coded, data.size(), c.decodePiece), data);
  }
}

TEST(TiffLzw, StartsWithAClearCodeAndClearsBeforeCode4094) {
  const Bytes coded = EncodeTIFF(Pattern(300000, 0), 1000);
  EXPECT_EQ(coded[0], 0x80);
  const std::vector<int> codes = TIFFCodes(coded);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), 256);
  EXPECT_EQ(codes.back(), 257);
  int clears = 0;
  for (int code : codes) {
    EXPECT_LT(code, 4094);
    clears += code == 256;
  }
  EXPECT_GT(clears, 2);
}

TEST(TiffLzw, SwitchesToTenBitsBeforeCode511) {
  // Every code but the first after the clear adds an entry, so after 254 codes next free is 511
  // and the 255th code is the first one read with 10 bits.
  const Bytes data = Pattern(600, 0, 3);
  const Bytes coded = EncodeTIFF(data, 600);
  const std::vector<int> codes = TIFFCodes(coded);
  ASSERT_GT(codes.size(), 300u);
  EXPECT_EQ(DecodeTIFF(coded, data.size(), data.size()), data);
  // Re-pack the same codes with the width changed one code later: that stream no longer decodes.
  Bytes late;
  uint64_t bits = 0;
  int count = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    const int width = i <= 255 ? 9 : 10;  // the clear, then 255 codes at 9 bits
    bits = bits << width | static_cast<uint64_t>(codes[i]);
    count += width;
    while (count >= 8) late.push_back(static_cast<uint8_t>(bits >> (count - 8))), count -= 8;
  }
  if (count) late.push_back(static_cast<uint8_t>(bits << (8 - count)));
  EXPECT_NE(DecodeTIFF(late, data.size(), data.size()), data);
}

TEST(TiffLzw, FillOrderTwoReadsBitReversedBytes) {
  const Bytes data = Pattern(5000, 3);
  Bytes coded = EncodeTIFF(data, 5000);
  for (uint8_t& b : coded) b = LzwReverse(b);
  EXPECT_EQ(DecodeTIFF(coded, data.size(), 100, 2), data);
}

TEST(TiffLzw, SuccessiveCallsReturnSuccessiveRows) {
  Bytes strip;
  for (int row = 0; row < 3; ++row) strip.insert(strip.end(), 100, static_cast<uint8_t>(row + 1));
  const Bytes coded = EncodeTIFF(strip, 100);
  void* state = nullptr;
  for (int row = 0; row < 3; ++row) {
    const uint8_t* p = TIFFDecodeLZW(coded.data(), 100, state, 1, static_cast<int64_t>(coded.size()));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Bytes(p, p + 100), Bytes(100, static_cast<uint8_t>(row + 1))) << "row " << row;
  }
  EXPECT_EQ(TIFFDecodeLZW(nullptr, 0, state, 1, 0), nullptr);
  EXPECT_EQ(state, nullptr);
}

TEST(TiffLzw, MissingInputEndsTheDataWithZeros) {
  const Bytes data = Pattern(3000, 0);
  Bytes coded = EncodeTIFF(data, 3000);
  coded.resize(coded.size() / 2);
  test_files::GuardedBuffer guarded(coded);
  void* state = nullptr;
  const uint8_t* p = TIFFDecodeLZW(guarded.data(), 3000, state, 1, guarded.size());
  ASSERT_NE(p, nullptr);
  const Bytes out(p, p + 3000);
  TIFFDecodeLZW(nullptr, 0, state, 1, 0);
  size_t same = 0;
  while (same < out.size() && out[same] == data[same]) ++same;
  EXPECT_GT(same, 1000u);
  EXPECT_EQ(Bytes(out.begin() + same + 16, out.end()), Bytes(out.size() - same - 16, 0));
}

TEST(TiffLzw, ACodeBeyondTheTableAfterAClearFails) {
  // Clear, then code 300 (nothing is defined above 257 yet).
  const Bytes coded = {0x80, 0x4B, 0x00, 0x00};
  void* state = nullptr;
  EXPECT_EQ(TIFFDecodeLZW(coded.data(), 10, state, 1, 4), nullptr);
  EXPECT_EQ(TIFFDecodeLZW(coded.data(), 10, state, 1, 4), nullptr);
  TIFFDecodeLZW(nullptr, 0, state, 1, 0);
}

TEST(TiffLzw, DamagedStripsEndCleanly) {
  const Bytes coded = EncodeTIFF(Pattern(20000, 3), 500);
  test_files::ForEachDamagedCopy(coded, 300, [](const uint8_t* data, int32_t size) {
    void* state = nullptr;
    for (int row = 0; row < 40; ++row)
      if (!TIFFDecodeLZW(data, 500, state, 1, size)) break;
    TIFFDecodeLZW(nullptr, 0, state, 1, 0);
  });
}

TEST(TiffLzw, AgreesWithTiffcp) {
  strip_tiff::TStripImage image;
  image.width = 256;
  image.height = 300;
  image.strip = Pattern(256 * 300, 3, 9);
  const Bytes plain = image.strip;

  // tiffcp's coding, read by ours.
  Bytes file;
  if (!strip_tiff::TiffCp(strip_tiff::MakeTIFF(image), "-c lzw", file)) GTEST_SKIP() << "tiffcp is missing";
  strip_tiff::TStripImage theirs;
  ASSERT_TRUE(strip_tiff::ReadTIFF(file, theirs));
  ASSERT_EQ(theirs.compression, 5);
  EXPECT_EQ(DecodeTIFF(theirs.strip, plain.size(), 256), plain);

  // Ours, read by tiffcp.
  image.compression = 5;
  image.strip = EncodeTIFF(plain, 256);
  ASSERT_TRUE(strip_tiff::TiffCp(strip_tiff::MakeTIFF(image), "-c none", file));
  strip_tiff::TStripImage decoded;
  ASSERT_TRUE(strip_tiff::ReadTIFF(file, decoded));
  EXPECT_EQ(decoded.strip, plain);
}
