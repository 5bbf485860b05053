#include "formats/decoders/run_length_decoders.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"

using namespace formats;
using tiff_strips::Bytes;

namespace {

// Decodes from a source and into a target that each end at an inaccessible page.
Bytes RunDecodeGuarded(TDecoder& decoder, const Bytes& packed, int32_t unpacked, int32_t targetBytes = -1,
                    int32_t* consumed = nullptr) {
  if (targetBytes < 0) targetBytes = unpacked;
  test_files::GuardedBuffer source(packed.empty() ? Bytes{0} : packed);
  test_files::GuardedBuffer target(Bytes(static_cast<size_t>(targetBytes), 0xEE));
  const uint8_t* s = source.data() + (packed.empty() ? 1 : 0);
  uint8_t* t = target.data();
  decoder.Decode(s, t, static_cast<int32_t>(packed.size()), unpacked);
  if (consumed) *consumed = static_cast<int32_t>(s - (source.data() + (packed.empty() ? 1 : 0)));
  return Bytes(target.data(), target.data() + targetBytes);
}

}  // namespace

TEST(RunLengthDecoders, PacketsOfEveryKind) {
  struct Case {
    const char* name;
    std::unique_ptr<TDecoder> decoder;
    Bytes packed;
    int32_t unpacked;
    Bytes expected;
  };
  std::vector<Case> cases;
  cases.push_back({"targa run", std::make_unique<TTargaRLEDecoder>(24), {0x82, 1, 2, 3}, 3, {1, 2, 3, 1, 2, 3, 1, 2, 3}});
  cases.push_back({"targa raw", std::make_unique<TTargaRLEDecoder>(24), {0x01, 1, 2, 3, 4, 5, 6}, 2, {1, 2, 3, 4, 5, 6}});
  cases.push_back({"packbits skip and run", std::make_unique<TPackbitsRLEDecoder>(), {0x80, 0xFE, 0xAA}, 3,
                   {0xAA, 0xAA, 0xAA}});
  cases.push_back({"packbits literal past the target", std::make_unique<TPackbitsRLEDecoder>(), {0x05, 1, 2, 3, 4, 5, 6},
                   3, {1, 2, 3}});
  cases.push_back({"packbits literal past the source", std::make_unique<TPackbitsRLEDecoder>(), {0x05, 1, 2}, 4,
                   {1, 2, 0xEE, 0xEE}});
  cases.push_back({"pcx", std::make_unique<TPCXRLEDecoder>(), {0xC3, 0x11, 0xC0, 0x11, 0xBF}, 4, {0x11, 0x11, 0x11, 0xBF}});
  cases.push_back({"sgi 8-bit", std::make_unique<TSGIRLEDecoder>(8), {0x83, 'a', 'b', 'c', 0x02, 'd', 0x00, 'x'}, 6,
                   {'a', 'b', 'c', 'd', 'd', 0xEE}});
  cases.push_back({"sgi 16-bit", std::make_unique<TSGIRLEDecoder>(16), {0x00, 0x82, 1, 2, 3, 4, 0x00, 0x02, 5, 6, 0, 0},
                   8, {1, 2, 3, 4, 5, 6, 5, 6}});
  cases.push_back({"cut", std::make_unique<TCUTRLEDecoder>(), {9, 0, 0x83, 7, 0x02, 'a', 'b', 0x00, 0x55}, 5,
                   {7, 7, 7, 'a', 'b'}});
  cases.push_back({"psp", std::make_unique<TPSPRLEDecoder>(), {0x83, 0x07, 0x02, 'a', 'b'}, 5, {7, 7, 7, 'a', 'b'}});
  cases.push_back({"rla", std::make_unique<TRLADecoder>(), {0x02, 0x09, 0xFE, 'a', 'b'}, 5, {9, 9, 9, 'a', 'b'}});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t pixelBytes = c.name[0] == 't' ? 3 : 1;
    EXPECT_EQ(c.expected, RunDecodeGuarded(*c.decoder, c.packed, c.unpacked, c.unpacked * pixelBytes));
  }
}

TEST(RunLengthDecoders, PacketsReachingPastEitherBufferStopThere) {
  // Every kind, a run or copy far longer than both buffers: nothing is read or written past them.
  std::vector<std::pair<const char*, std::unique_ptr<TDecoder>>> decoders;
  decoders.emplace_back("targa", std::make_unique<TTargaRLEDecoder>(8));
  decoders.emplace_back("packbits", std::make_unique<TPackbitsRLEDecoder>());
  decoders.emplace_back("pcx", std::make_unique<TPCXRLEDecoder>());
  decoders.emplace_back("sgi", std::make_unique<TSGIRLEDecoder>(8));
  decoders.emplace_back("sgi16", std::make_unique<TSGIRLEDecoder>(16));
  decoders.emplace_back("cut", std::make_unique<TCUTRLEDecoder>());
  decoders.emplace_back("psp", std::make_unique<TPSPRLEDecoder>());
  decoders.emplace_back("rla", std::make_unique<TRLADecoder>());
  const Bytes packets[] = {{0xFF, 0x7F}, {0x7F, 1, 2}, {0x00, 0xFF, 0x05}, {0xFF}, {0x80, 0x01}, {0x7F}};
  for (auto& [name, decoder] : decoders)
    for (const Bytes& packed : packets) {
      SCOPED_TRACE(name);
      RunDecodeGuarded(*decoder, packed, 3);
      RunDecodeGuarded(*decoder, packed, 0);
    }
}

TEST(RunLengthDecoders, TargaPacketsSpanningRowsGoOnInTheNextRow) {
  // A run of 5 and a raw packet of 3 over rows of 4 pixels.
  const Bytes packed = {0x84, 9, 0x02, 1, 2, 3};
  TTargaRLEDecoder decoder(8);
  test_files::GuardedBuffer source(packed);
  const uint8_t* s = source.data();
  Bytes rows;
  for (int row = 0; row < 2; ++row) {
    test_files::GuardedBuffer target(Bytes(4, 0));
    uint8_t* t = target.data();
    decoder.Decode(s, t, static_cast<int32_t>(source.data() + source.size() - s), 4);
    rows.insert(rows.end(), target.data(), target.data() + 4);
  }
  EXPECT_EQ((Bytes{9, 9, 9, 9, 9, 1, 2, 3}), rows);
  EXPECT_EQ(source.data() + source.size(), s);
}

TEST(RunLengthDecoders, CutLeavesTheSourceAfterTheLineEnd) {
  TCUTRLEDecoder decoder;
  int32_t consumed = 0;
  RunDecodeGuarded(decoder, {4, 0, 0x82, 5, 0x00, 0x99}, 2, 2, &consumed);
  EXPECT_EQ(5, consumed);
}

TEST(RunLengthDecoders, TargaEncoding) {
  struct Case {
    int32_t depth;
    Bytes row;
    Bytes expected;
  };
  const Case cases[] = {
      {8, {5, 5, 5, 7}, {0x82, 0x05, 0x00, 0x07}},
      {8, {1, 2, 3}, {0x01, 0x01, 0x02, 0x00, 0x03}},
      {8, Bytes(200, 4), {0xFF, 0x04, 0xC7, 0x04}},
      {16, {1, 2, 1, 2, 3, 4}, {0x81, 1, 2, 0x00, 3, 4}},
  };
  for (const Case& c : cases) {
    TTargaRLEDecoder coder(c.depth);
    Bytes out(c.row.size() * 2 + 2);
    uint32_t stored = 0;
    const uint32_t pixels = static_cast<uint32_t>(c.row.size() / ((c.depth + 1) / 8));
    coder.Encode(c.row.data(), out.data(), pixels, stored);
    out.resize(stored);
    EXPECT_EQ(c.expected, out);
    // And back.
    TTargaRLEDecoder decoder(c.depth);
    EXPECT_EQ(c.row, RunDecodeGuarded(decoder, out, static_cast<int32_t>(pixels), static_cast<int32_t>(c.row.size())));
  }
  // More than 129 different pixels start with a raw packet of 128.
  Bytes row(140);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i);
  TTargaRLEDecoder coder(8);
  Bytes out(row.size() * 2);
  uint32_t stored = 0;
  coder.Encode(row.data(), out.data(), 140, stored);
  EXPECT_EQ(0x7F, out[0]);
  EXPECT_EQ(0x0A, out[129]);
  EXPECT_EQ(143u, stored);
}

TEST(RunLengthDecoders, PackBitsDecodesWhatTiffcpCodes) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const int width = 97, height = 23;
  Bytes pixels(static_cast<size_t>(width) * height * 3);
  std::mt19937 random(3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i / 3) % 17 < 9 ? static_cast<uint8_t>(i / 40) : random() & 0xFF;
  tiff_strips::TImage plain;
  plain.width = width;
  plain.height = height;
  plain.samplesPerPixel = 3;
  plain.photometric = 2;
  Bytes coded;
  ASSERT_TRUE(tiff_strips::RunTool("tiffcp -c packbits -r 5 {in} {out}", tiff_strips::MakeTIFF(plain, pixels), coded));
  tiff_strips::TImage image;
  ASSERT_TRUE(tiff_strips::ReadTIFF(coded, image));
  ASSERT_EQ(32773, image.compression);
  TPackbitsRLEDecoder decoder;
  Bytes out;
  int row = 0;
  for (const Bytes& strip : image.strips) {
    const int rows = std::min(image.rowsPerStrip, height - row);
    const Bytes part = RunDecodeGuarded(decoder, strip, rows * width * 3);
    out.insert(out.end(), part.begin(), part.end());
    row += rows;
  }
  EXPECT_EQ(pixels, out);
}
