// Hand-built PNG files: chunk handling, broken image data, palettes and depths, bounds on
// lengths and sizes taken from the file, and the reader's messages.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "skin/engine/png/png_crc.h"
#include "skin/engine/png/png_graphic.h"
#include "tests/skin/engine/png/png_samples.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"

using namespace png_samples;
using skin::png::TPNGGraphic;

namespace {

// Raw rows of a grey 8-bit image, filter type 0, pixel (x, y) = 10 y + x.
Bytes GreyRows(int width, int height) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) raw.push_back(uint8_t(10 * y + x));
  }
  return raw;
}

// The message the load raises, "" when it loads.
std::string LoadError(const Bytes& file) {
  TPNGGraphic png;
  try {
    Load(png, file);
  } catch (const vcl::Exception& e) {
    return e.Message();
  }
  return "";
}

// The file with its IDAT chunk replaced by these chunks.
Bytes WithData(uint32_t width, uint32_t height, uint8_t depth, uint8_t type, const std::vector<Bytes>& data,
               const std::vector<Bytes>& before = {}, const std::vector<Bytes>& after = {}) {
  Bytes png = Signature();
  Append(png, Header(width, height, depth, type));
  for (const Bytes& c : before) Append(png, c);
  for (const Bytes& c : data) Append(png, c);
  for (const Bytes& c : after) Append(png, c);
  Append(png, Chunk("IEND", {}));
  return png;
}

// Deflate data that stops after `rows` rows without ending the stream.
Bytes Unfinished(const Bytes& raw, size_t bytes) {
  z_stream z{};
  deflateInit(&z, 6);
  Bytes out(bytes + 1024);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = uInt(bytes);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_SYNC_FLUSH);
  // Erased rather than resized: the compiler cannot tell that a resize here only shrinks.
  out.erase(out.begin() + std::ptrdiff_t(out.size() - z.avail_out), out.end());
  deflateEnd(&z);
  return out;
}

const std::string kInvalid = "Cannot load image. Invalid or unexpected PNG image format.";
const std::string kCritical = "Cannot load PNG image. Unexpected but critical chunk detected.";
const std::string kExtra = "Cannot load image. Extra compressed data found in PNG file.";

}  // namespace

TEST(SkinPngChunks, TypesCompareWithoutCaseAndUnknownChunksGoByTheirFirstLetter) {
  const Bytes raw = GreyRows(5, 3);
  Bytes lower = Signature();
  Append(lower, Header(5, 3, 8, 0));
  Append(lower, Chunk("abCD", {1, 2, 3}));  // ancillary: skipped
  Append(lower, Chunk("idat", Compress(raw)));
  Append(lower, Chunk("Iend", {}));
  TPNGGraphic png;
  Load(png, lower);
  EXPECT_EQ(Shown(png)[7], (Rgba{12, 12, 12, 255}));
  EXPECT_EQ(LoadError(MakePng(5, 3, 8, 0, raw, {Chunk("ABCD", {1})})), kCritical);
  // The chunk right after the image data is passed over unread: a tRNS there has no effect, a
  // critical one still stops the load.
  Bytes key;
  test_files::PutBE16(key, 12);
  Load(png, MakePng(5, 3, 8, 0, raw, {}, {Chunk("tRNS", key)}));
  EXPECT_FALSE(png.Transparent());
  Load(png, MakePng(5, 3, 8, 0, raw, {Chunk("tRNS", key)}));
  EXPECT_TRUE(png.Transparent());
  EXPECT_EQ(LoadError(MakePng(5, 3, 8, 0, raw, {}, {Chunk("ABCD", {1})})), kCritical);
}

TEST(SkinPngChunks, BadHeadersPalettesAndChecksumsHaveTheirMessages) {
  const Bytes raw = GreyRows(5, 3);
  Bytes badCrc = MakePng(5, 3, 8, 0, raw);
  badCrc[43] ^= 1;  // a byte of the IDAT data
  Bytes badCompression = MakePng(5, 3, 8, 0, raw);
  badCompression[26] = 1;  // IHDR compression method, CRC made again below
  Bytes ihdr(badCompression.begin() + 12, badCompression.begin() + 29);
  const uint32_t crc = uint32_t(crc32(0, ihdr.data(), uInt(ihdr.size())));
  for (int k = 0; k < 4; ++k) badCompression[29 + k] = uint8_t(crc >> (24 - 8 * k));
  Bytes shortHeader = Signature();
  Append(shortHeader, Chunk("IHDR", {0, 0, 0, 5, 0, 0, 0, 3, 8, 0, 0, 0}));
  Append(shortHeader, Chunk("IEND", {}));
  Bytes noHeader = Signature();
  Append(noHeader, Chunk("IEND", {}));
  Bytes notPng = MakePng(5, 3, 8, 0, raw);
  notPng[1] = 'Q';
  const struct {
    const char* name;
    Bytes file;
    std::string message;
  } cases[] = {
      {"crc", badCrc, "Cannot load image. CRC error found in PNG file."},
      {"compression", badCompression, "Cannot load image. The compression scheme is not supported for PNG files."},
      {"palette length", MakePng(5, 3, 8, 3, raw, {Chunk("PLTE", {1, 2, 3, 4})}),
       "Cannot load image. Palette in PNG file is invalid."},
      {"colour type 5", MakePng(5, 3, 8, 5, raw), "Invalid color format in PNG file."},
      {"rgb 4 bits", MakePng(5, 3, 4, 2, raw), "Invalid color format in PNG file."},
      {"palette 16 bits", MakePng(5, 3, 16, 3, raw), "Invalid color format in PNG file."},
      {"width 0", MakePng(0, 3, 8, 0, raw), kInvalid},
      {"short header", shortHeader, kInvalid},
      {"no header", noHeader, kInvalid},
      {"signature", notPng, kInvalid},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.file), c.message) << c.name;
  // A PLTE chunk in an RGB image is checked and otherwise ignored.
  Bytes rgb;
  for (int y = 0; y < 2; ++y) rgb.insert(rgb.end(), {0, 1, 2, 3, 4, 5, 6});
  TPNGGraphic png;
  Load(png, MakePng(2, 2, 8, 2, rgb, {Chunk("PLTE", {9, 9, 9})}));
  EXPECT_EQ(Shown(png)[1], (Rgba{4, 5, 6, 255}));
}

TEST(SkinPngChunks, LengthsAndSizesFromTheFileAreBoundedBeforeUse) {
  const Bytes raw = GreyRows(5, 3);
  // A chunk that claims far more data than the file holds.
  Bytes huge = MakePng(5, 3, 8, 0, raw);
  const Bytes claim = {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 1, 2, 3, 4};
  huge.insert(huge.begin() + 33, claim.begin(), claim.end());
  EXPECT_EQ(LoadError(huge), kInvalid);
  Bytes negative = huge;
  negative[33] = 0xFF;
  EXPECT_EQ(LoadError(negative), kInvalid);
  // Headers whose image could never come out of the data that follows, or fit a bitmap.
  EXPECT_EQ(LoadError(MakePng(100000, 100000, 8, 6, raw)), kInvalid);
  EXPECT_EQ(LoadError(MakePng(0x7FFFFFFF, 1, 8, 2, raw)), kInvalid);
  EXPECT_EQ(LoadError(MakePng(0x80000000u, 1, 8, 0, raw)), kInvalid);
  // Chunks shorter than their content are not read past their end.
  TPNGGraphic png;
  Load(png, MakePng(5, 3, 8, 0, raw, {Chunk("tRNS", {1}), Chunk("gAMA", {1, 2}), Chunk("bKGD", {})}));
  EXPECT_FALSE(png.Transparent());
  EXPECT_EQ(png.ImageProperties().Options & 2, 0);
}

TEST(SkinPngImageData, DataEndingBeforeTheLastRowIsAnErrorAndTheRestShowsTheBackground) {
  const Bytes raw = GreyRows(5, 4);
  // bKGD grey 100 is the grey (100, 100, 100), not a red.
  TPNGGraphic png;
  try {
    Load(png, WithData(5, 4, 8, 0, {Chunk("IDAT", Unfinished(raw, 12))}, {Chunk("bKGD", {0, 100})}));
    FAIL() << "loaded";
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Cannot load image. Image data in PNG file ends before the image.");
  }
  const std::vector<Rgba> shown = Shown(png);
  EXPECT_EQ(shown[6], (Rgba{11, 11, 11, 255}));
  EXPECT_EQ(shown[19], (Rgba{100, 100, 100, 255}));
  // A stream that ends before the image, or is followed by more bytes in its chunk.
  EXPECT_EQ(LoadError(WithData(5, 4, 8, 0, {Chunk("IDAT", Compress(Bytes(raw.begin(), raw.begin() + 12)))})), kExtra);
  Bytes more = Compress(raw);
  more.insert(more.end(), {1, 2, 3});
  EXPECT_EQ(LoadError(WithData(5, 4, 8, 0, {Chunk("IDAT", more)})), kExtra);
}

TEST(SkinPngImageData, DataSplitOverChunksWithEmptyAndSurplusOnes) {
  const Bytes raw = GreyRows(7, 6);
  const Bytes data = Compress(raw);
  const size_t half = data.size() / 2;
  const Bytes first(data.begin(), data.begin() + half), second(data.begin() + half, data.end());
  TPNGGraphic png;
  Load(png, WithData(7, 6, 8, 0, {Chunk("IDAT", first), Chunk("IDAT", {}), Chunk("IDAT", second), Chunk("IDAT", {7})}));
  EXPECT_EQ(Shown(png)[41], (Rgba{56, 56, 56, 255}));
  // Surplus chunks are checked all the same.
  Bytes surplus = Chunk("IDAT", {7});
  surplus.back() ^= 1;
  EXPECT_EQ(LoadError(WithData(7, 6, 8, 0, {Chunk("IDAT", data), surplus})),
            "Cannot load image. CRC error found in PNG file.");
  // Damaged deflate data.
  Bytes damaged = data;
  damaged[0] = 0x77;
  EXPECT_EQ(LoadError(WithData(7, 6, 8, 0, {Chunk("IDAT", damaged)})),
            "Cannot load image. Compression error found in PNG file.");
}

TEST(SkinPngImageData, FiltersInterlaceMethodsAndDepths) {
  // Every filter type over two rows of an RGB image (the second row filtered against the first),
  // and an unknown type 5 that leaves its row as stored.
  const uint8_t row0[6] = {10, 20, 30, 40, 50, 60}, row1[6] = {15, 25, 35, 80, 90, 100};
  for (uint8_t filter = 0; filter <= 5; ++filter) {
    Bytes raw = {0, 10, 20, 30, 40, 50, 60, filter};
    for (int i = 0; i < 6; ++i) {
      const int left = i >= 3 ? row1[i - 3] : 0, up = row0[i], upLeft = i >= 3 ? row0[i - 3] : 0;
      int predictor = 0;
      switch (filter) {
        case 1: predictor = left; break;
        case 2: predictor = up; break;
        case 3: predictor = (left + up) / 2; break;
        case 4: {
          const int p = left + up - upLeft, pa = abs(p - left), pb = abs(p - up), pc = abs(p - upLeft);
          predictor = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
          break;
        }
        default: break;
      }
      raw.push_back(uint8_t(row1[i] - predictor));
    }
    TPNGGraphic png;
    Load(png, MakePng(2, 2, 8, 2, raw));
    const Rgba want = filter == 5 ? Rgba{raw[8], raw[9], raw[10], 255} : Rgba{15, 25, 35, 255};
    EXPECT_EQ(Shown(png)[2], want) << int(filter);
  }
  // Interlace method 2 decodes as sequential rows.
  Bytes methodTwo = Signature();
  Append(methodTwo, Header(5, 3, 8, 0, 2));
  Append(methodTwo, Chunk("IDAT", Compress(GreyRows(5, 3))));
  Append(methodTwo, Chunk("IEND", {}));
  TPNGGraphic png;
  Load(png, methodTwo);
  EXPECT_EQ(Shown(png)[14], (Rgba{24, 24, 24, 255}));
  // 16-bit samples: grey 32768 gives level 127, RGBA alpha 65535 gives 255.
  Load(png, MakePng(1, 1, 16, 0, {0, 0x80, 0x00}));
  EXPECT_EQ(Shown(png)[0], (Rgba{127, 127, 127, 255}));
  Load(png, MakePng(1, 1, 16, 6, {0, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(Shown(png)[0], (Rgba{255, 127, 0, 255}));
}

TEST(SkinPngImageData, TwoBitPaletteSpreadsOverSixteenEntries) {
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
  TPNGGraphic png;
  Load(png, MakePng(4, 1, 2, 3, {0, 0x1B}, {Chunk("PLTE", plte)}));  // indices 0, 1, 2, 3
  ASSERT_EQ(png.PixelFormat(), vcl::pf4bit);
  PALETTEENTRY entries[16];
  ASSERT_EQ(GetPaletteEntries(png.Palette(), 0, 16, entries), 16u);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(entries[n].peRed, plte[size_t(n / 5) * 3]) << n;
  const uint8_t* row = static_cast<const uint8_t*>(png.ScanLine(0));
  EXPECT_EQ(row[0], 0x05);
  EXPECT_EQ(row[1], 0xAF);
  EXPECT_EQ(Shown(png), (std::vector<Rgba>{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}}));
}

TEST(SkinPngImageData, ProgressRunsFromPreparingToTheEnd) {
  TPNGGraphic png;
  std::vector<std::string> seen;
  png.OnProgress = [&](vcl::TObject*, vcl::TProgressStage stage, uint8_t percent, bool, const vcl::TRect&,
                       const std::string& msg) {
    seen.push_back(std::to_string(int(stage)) + ":" + std::to_string(percent) + ":" + msg);
  };
  Load(png, MakePng(3, 2, 8, 0, GreyRows(3, 2)));
  EXPECT_EQ(seen, (std::vector<std::string>{"0:0:Preparing...", "2:0:", "0:0:Transfering...", "1:0:", "1:50:",
                                            "2:0:"}));
}

TEST(SkinPngImageData, AssignCopiesTheImageAndItsProperties) {
  TPNGGraphic png;
  Load(png, MakePng(4, 1, 8, 6, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  vcl::TBitmap plain;
  plain.Assign(&png);
  EXPECT_EQ(plain.PixelFormat(), vcl::pf32bit);
  EXPECT_EQ(Shown(plain), Shown(png));
  TPNGGraphic copy;
  copy.Assign(&png);
  EXPECT_EQ(copy.ImageProperties().ColorScheme, skin::png::schRGBA);
  EXPECT_EQ(copy.ImageProperties().Width, 4u);
  EXPECT_EQ(Shown(copy), Shown(png));
}

TEST(SkinPngCrc, PiecesGiveTheCrcOfTheWhole) {
  Bytes data;
  for (int i = 0; i < 1000; ++i) data.push_back(uint8_t(i * 31 + 7));
  const uint32_t whole = skin::png::UpdateCrc32(0, data.data(), data.size());
  EXPECT_EQ(whole, uint32_t(crc32(0, data.data(), uInt(data.size()))));
  uint32_t pieces = 0;
  for (size_t at = 0, step = 1; at < data.size(); at += step, step = step % 13 + 1)
    pieces = skin::png::UpdateCrc32(pieces, data.data() + at, std::min(step, data.size() - at));
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(skin::png::UpdateCrc32(whole, data.data(), 0), whole);
  EXPECT_EQ(skin::png::UpdateCrc32(0, "IEND", 4), 0xAE426082u);
}
