// The BMP codec against netpbm's ppmtobmp and bmptoppm: files written here decode there to the
// same pixels and files made there read here to the same pixels, over depths, header kinds and
// run-length coding. Hand-made files cover the layouts the tools do not make, and damaged
// files end with the aborting flag and the target untouched.
#include "imaging/codecs/bmp/bmp_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/bmp/bmp_rle.h"
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

using namespace imaging;
using namespace netpbm_test;
using test_files::PutLE16;
using test_files::PutLE32;

namespace {

codec_runs::ReadResult ReadBMP(const Bytes& bytes, TIOParamsVals& params, bool ignoreAlpha = false) {
  codec_runs::ReadResult result;
  TIEMask* mask = nullptr;
  result.ok = codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadBMPStream(stream, result.bitmap.get(), 0, params, progress, false, false, mask, ignoreAlpha);
  });
  result.mask.reset(mask);
  return result;
}

Bytes WriteBMP(TIEBitmap* bitmap, TIOParamsVals& params, bool saveAlpha = false) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WriteBMPStream(stream, bitmap, params, progress, saveAlpha); });
}

std::unique_ptr<TIEBitmap> BmpWithAlpha(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) bitmap->SetAlphaAt(x, y, uint8_t(x * 9 + y));
  return bitmap;
}

// A 40-byte-header BMP of the given rows (already padded), palette and masks.
Bytes BmpHandMade(int32_t width, int32_t height, int32_t bits, uint32_t compression, const std::vector<uint32_t>& palette,
               const Bytes& pixels, int32_t headerSize = 40, const std::vector<uint32_t>& headerMasks = {}) {
  Bytes h;
  PutLE32(h, headerSize);
  PutLE32(h, uint32_t(width));
  PutLE32(h, uint32_t(height));
  PutLE16(h, 1);
  PutLE16(h, bits);
  PutLE32(h, compression);
  PutLE32(h, uint32_t(pixels.size()));
  PutLE32(h, 2835), PutLE32(h, 2835);
  PutLE32(h, uint32_t(palette.size()));
  PutLE32(h, 0);
  for (uint32_t m : headerMasks) PutLE32(h, m);
  h.resize(headerSize, 0);
  for (uint32_t c : palette) PutLE32(h, c);
  Bytes file = {'B', 'M'};
  PutLE32(file, uint32_t(14 + h.size() + pixels.size()));
  PutLE32(file, 0);
  PutLE32(file, uint32_t(14 + h.size()));
  file.insert(file.end(), h.begin(), h.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

class BmpCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"ppmtobmp", "bmptoppm"})) GTEST_SKIP() << "netpbm's ppmtobmp and bmptoppm are needed";
  }
};

}  // namespace

TEST_F(BmpCodec, WrittenFilesDecodeWithBmptoppmToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    uint8_t version, compression;
  } cases[] = {
      {"24 bits", [] { return test_pictures::Gradient(37, 21); }, 8, 3, 1, 0},
      {"24 bits, 64-byte header", [] { return test_pictures::Gradient(19, 7); }, 8, 3, 3, 0},
      {"24 bits, core header", [] { return test_pictures::Gradient(19, 7); }, 8, 3, 2, 0},
      {"32 bits with alpha", [] { return BmpWithAlpha(test_pictures::Gradient(13, 9)); }, 8, 3, 1, 0},
      {"8 bits", [] { return test_pictures::FewColours(33, 17, 200); }, 8, 1, 1, 0},
      {"8 bits, core header", [] { return test_pictures::FewColours(33, 17, 90); }, 8, 1, 2, 0},
      {"8 bits rle", [] { return test_pictures::FewColours(301, 9, 60); }, 8, 1, 1, 1},
      {"4 bits", [] { return test_pictures::FewColours(31, 11, 16); }, 4, 1, 1, 0},
      {"4 bits rle", [] { return test_pictures::FewColours(29, 11, 12); }, 4, 1, 1, 1},
      {"1 bit", [] { return test_pictures::Checker1Bit(45, 13); }, 1, 1, 1, 0},
      {"1 bit from two colours", [] { return test_pictures::FewColours(20, 6, 2); }, 1, 1, 1, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.BMPVersion = c.version;
    params.BMPCompression = c.compression;
    const Bytes file = WriteBMP(bitmap.get(), params, true);
    ASSERT_FALSE(file.empty());
    // bmptoppm takes the 64-byte header for an OS/2 one of 16-bit fields: that one only round trips.
    if (c.version != 3) {
      const TNetpbmImage decoded = ParseNetpbm(RunTool("bmptoppm", file));
      ASSERT_TRUE(decoded.Valid());
      EXPECT_EQ(PixelsOf(decoded), PixelsOf(bitmap.get()));
    }
    // And back here, alpha included.
    TIOParamsVals back(nullptr);
    codec_runs::ReadResult read = ReadBMP(file, back);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
    if (bitmap->HasAlphaChannel()) {
      ASSERT_TRUE(read.mask);
      EXPECT_EQ(read.mask->GetPixel(3, 2), bitmap->GetAlphaAt(3, 2));
    }
  }
}

TEST_F(BmpCodec, PpmtobmpFilesReadToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    const char* options;
    int32_t bits;
  } cases[] = {
      {"24 bits windows", [] { return test_pictures::Gradient(23, 15); }, "-windows -bpp=24", 8},
      {"24 bits os2", [] { return test_pictures::Gradient(23, 15); }, "-os2 -bpp=24", 8},
      {"8 bits windows", [] { return test_pictures::FewColours(30, 10, 100); }, "-windows -bpp=8", 8},
      {"8 bits os2", [] { return test_pictures::FewColours(30, 10, 100); }, "-os2 -bpp=8", 8},
      {"4 bits", [] { return test_pictures::FewColours(27, 10, 14); }, "-windows -bpp=4", 4},
      {"1 bit", [] { return test_pictures::Checker1Bit(41, 10); }, "-windows -bpp=1", 1},
      {"1 bit two colours", [] { return test_pictures::FewColours(17, 6, 2); }, "-windows -bpp=1", 1},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    const Bytes file = RunTool(std::string("ppmtobmp ") + c.options, ToPPM(bitmap.get()));
    ASSERT_FALSE(file.empty());
    for (bool native : {false, true}) {
      TIOParamsVals params(nullptr);
      params.KeepNativePixelFormat = native;
      codec_runs::ReadResult read = ReadBMP(file, params);
      ASSERT_TRUE(read.ok);
      EXPECT_EQ(params.BitsPerSample, c.bits);
      EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
      if (native && params.SamplesPerPixel == 1 && c.bits > 1) {
        EXPECT_EQ(read.bitmap->PixelFormat(), ie8p);
      }
    }
  }
}

TEST(BmpReader, LayoutsOfOtherWriters) {
  TIOParamsVals params(nullptr);
  // Top-down 32-bit rows: the first row in the file is the top one, alpha with it.
  Bytes rows;
  for (uint32_t v : {0x80102030u, 0x40405060u, 0xFF708090u, 0x00A0B0C0u}) PutLE32(rows, v);
  codec_runs::ReadResult top = ReadBMP(BmpHandMade(2, -2, 32, 0, {}, rows), params);
  ASSERT_TRUE(top.ok);
  EXPECT_EQ(PixelsOf(top.bitmap.get()), (std::vector<uint32_t>{0x102030, 0x405060, 0x708090, 0xA0B0C0}));
  ASSERT_TRUE(top.mask);
  EXPECT_EQ(top.mask->GetPixel(0, 0), 0x80);
  EXPECT_EQ(top.mask->GetPixel(1, 1), 0);
  // 32 bits whose fourth bytes are all 0 or all 255: no alpha.
  for (uint8_t a : {0x00, 0xFF}) {
    Bytes flat;
    for (int i = 0; i < 4; ++i) PutLE32(flat, 0x00112233u | (uint32_t(a) << 24));
    codec_runs::ReadResult read = ReadBMP(BmpHandMade(2, 2, 32, 0, {}, flat), params);
    ASSERT_TRUE(read.ok);
    EXPECT_FALSE(read.mask);
  }
  // 16 bits: 5-5-5 without masks, 5-6-5 with masks in a 40-byte header or in a longer header.
  Bytes word;
  PutLE16(word, 0xFFFF);
  PutLE16(word, 0);
  codec_runs::ReadResult five = ReadBMP(BmpHandMade(1, 1, 16, 0, {}, word), params);
  ASSERT_TRUE(five.ok);
  EXPECT_EQ(PixelsOf(five.bitmap.get())[0], 0xF8F8F8u);
  Bytes green;
  PutLE16(green, 0x07E0);
  PutLE16(green, 0);
  Bytes masksAfter = BmpHandMade(1, 1, 16, 3, {}, green);
  // The 40-byte header's masks follow it: insert them before the pixels.
  Bytes masks;
  PutLE32(masks, 0xF800), PutLE32(masks, 0x07E0), PutLE32(masks, 0x001F);
  masksAfter.insert(masksAfter.end() - 4, masks.begin(), masks.end());
  PutLE32(masksAfter, 0);  // placeholder to keep the arithmetic simple
  masksAfter.resize(masksAfter.size() - 4);
  masksAfter[10] += 12;  // pixel offset
  codec_runs::ReadResult sixA = ReadBMP(masksAfter, params);
  ASSERT_TRUE(sixA.ok);
  EXPECT_EQ(PixelsOf(sixA.bitmap.get())[0], 0x00FC00u);
  for (int32_t size : {108, 124}) {
    codec_runs::ReadResult six = ReadBMP(BmpHandMade(1, 1, 16, 3, {}, green, size, {0xF800, 0x07E0, 0x001F}), params);
    ASSERT_TRUE(six.ok);
    EXPECT_EQ(PixelsOf(six.bitmap.get())[0], 0x00FC00u);
    EXPECT_EQ(params.BMPVersion, 0);
  }
  // A 1-bit palette of white then black: the bits are turned, so set bits are white.
  Bytes bits = {0x80, 0, 0, 0};
  codec_runs::ReadResult inverted = ReadBMP(BmpHandMade(2, 1, 1, 0, {0xFFFFFF, 0x000000}, bits), params);
  ASSERT_TRUE(inverted.ok);
  EXPECT_EQ(PixelsOf(inverted.bitmap.get()), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
  // Colours used above 256 count as 0: 256 entries are read for 8 bits.
  Bytes eight = {5, 0, 0, 0};
  std::vector<uint32_t> palette(256, 0);
  palette[5] = 0x123456;
  Bytes file = BmpHandMade(1, 1, 8, 0, palette, eight);
  file[14 + 32] = 0x2C, file[14 + 33] = 0x01;  // 300
  codec_runs::ReadResult many = ReadBMP(file, params);
  ASSERT_TRUE(many.ok);
  EXPECT_EQ(PixelsOf(many.bitmap.get())[0], 0x123456u);
  // Indices beyond a short palette read black, not memory past it.
  Bytes index = {7, 0, 0, 0};
  codec_runs::ReadResult beyond = ReadBMP(BmpHandMade(1, 1, 8, 0, {0xFFFFFF, 0xFF0000}, index), params);
  ASSERT_TRUE(beyond.ok);
  EXPECT_EQ(PixelsOf(beyond.bitmap.get())[0], 0u);
}

TEST(BmpReader, RunLengthCodes) {
  std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  TIOParamsVals params(nullptr);
  params.KeepNativePixelFormat = true;
  auto indices = [](TIEBitmap* b) {
    std::vector<int> v;
    for (int32_t y = 0; y < b->Height(); ++y)
      for (int32_t x = 0; x < b->Width(); ++x) v.push_back(b->GetPixel8(x, y));
    return v;
  };
  // RLE8: a run longer than the row keeps its colour in the last column; a delta moves right
  // and up; end of bitmap. Rows are bottom-up.
  const Bytes rle8 = {5, 1, 0, 0, 1, 2, 0, 2, 1, 0, 1, 3, 0, 1};
  codec_runs::ReadResult r8 = ReadBMP(BmpHandMade(3, 2, 8, 1, palette, rle8), params);
  ASSERT_TRUE(r8.ok);
  EXPECT_EQ(indices(r8.bitmap.get()), (std::vector<int>{2, 0, 3, 1, 1, 1}));
  // RLE4: alternating nibbles, absolute runs padded to words.
  const Bytes rle4 = {3, 0x12, 0, 0, 0, 3, 0x32, 0x10, 0, 1};
  codec_runs::ReadResult r4 = ReadBMP(BmpHandMade(3, 2, 4, 2, palette, rle4), params);
  ASSERT_TRUE(r4.ok);
  EXPECT_EQ(indices(r4.bitmap.get()), (std::vector<int>{3, 2, 1, 1, 2, 1}));
  // Data that ends before the end-of-bitmap code and the last row is damage.
  codec_runs::ReadResult cut = ReadBMP(BmpHandMade(3, 2, 8, 1, palette, Bytes{3, 1, 0, 0}), params);
  EXPECT_FALSE(cut.ok);
}

TEST(BmpRle, RowEncoding) {
  uint8_t out[4000];
  const uint8_t row[] = {5, 5, 5, 7};
  ASSERT_EQ(EncodeRLE8Row(row, 4, out), 6);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{3, 5, 1, 7, 0, 0}));
  std::vector<uint8_t> flat(300, 9);
  ASSERT_EQ(EncodeRLE8Row(flat.data(), 300, out), 6);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{255, 9, 45, 9, 0, 0}));
  const uint8_t literal[] = {1, 2, 3};
  ASSERT_EQ(EncodeRLE8Row(literal, 3, out), 8);
  EXPECT_EQ(Bytes(out, out + 8), (Bytes{0, 3, 1, 2, 3, 0, 0, 0}));
  ASSERT_EQ(EncodeRLE4Row(literal, 3, out), 6);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{0, 3, 0x12, 0x30, 0, 0}));
  const uint8_t pair[] = {4, 6};
  ASSERT_EQ(EncodeRLE4Row(pair, 2, out), 4);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{2, 0x46, 0, 0}));
}

TEST(BmpWriter, HeaderFields) {
  auto bitmap = test_pictures::FewColours(10, 4, 30);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  params.BMPCompression = 1;
  params.SetDpiX(72);
  params.SetDpiY(150);
  const Bytes file = WriteBMP(bitmap.get(), params);
  ASSERT_GT(file.size(), 60u);
  EXPECT_EQ(file[14 + 16], 1);  // RLE8
  EXPECT_EQ(file[14 + 24] | (file[14 + 25] << 8), 2835);
  EXPECT_EQ(file[14 + 28] | (file[14 + 29] << 8), 5906);
  EXPECT_EQ(Bytes(file.end() - 2, file.end()), (Bytes{0, 1}));
  EXPECT_EQ(params.ColorMapCount, 256);
  TIOParamsVals back(nullptr);
  codec_runs::ReadResult read = ReadBMP(file, back);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(back.DpiX, 72);
  EXPECT_EQ(back.DpiY, 150);
  EXPECT_EQ(back.BMPCompression, 1);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  // The core header never compresses; three colours at one bit give black and white.
  params.BMPVersion = 2;
  const Bytes core = WriteBMP(bitmap.get(), params);
  EXPECT_EQ(core[14], 12);
  params.BMPVersion = 1;
  params.BitsPerSample = 1;
  WriteBMP(test_pictures::FewColours(9, 3, 3).get(), params);
  ASSERT_EQ(params.ColorMapCount, 2);
  EXPECT_EQ(params.ColorMap[0].r, 0);
  EXPECT_EQ(params.ColorMap[1].r, 255);
  // 32 bits without SaveAlpha: every fourth byte 255.
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  const Bytes opaque = WriteBMP(BmpWithAlpha(test_pictures::Gradient(3, 2)).get(), params, false);
  EXPECT_EQ(opaque[14 + 14], 32);
  EXPECT_EQ(opaque[54 + 3], 255);
  EXPECT_EQ(opaque[54 + 7], 255);
}

TEST(BmpReader, DamagedFilesFailAndLeaveTheTargetAlone) {
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  const Bytes valid = WriteBMP(test_pictures::FewColours(16, 8, 40).get(), params);
  const Bytes cases[] = {
      Bytes(valid.begin(), valid.end() - 1),                  // a row cut short
      Bytes(valid.begin(), valid.begin() + 30),               // inside the header
      BmpHandMade(4, 4, 8, 1, {0, 0}, Bytes{1, 1}),              // RLE data without an end
      BmpHandMade(4, 4, 7, 0, {}, Bytes(16, 0)),                 // no such depth
      BmpHandMade(-4, 4, 24, 0, {}, Bytes(48, 0)),               // negative width
      BmpHandMade(4, 4, 24, 4, {}, Bytes(48, 0)),                // JPEG inside
      BmpHandMade(1 << 20, 1 << 20, 8, 1, {0}, Bytes{0, 1}),     // a size no data could fill
      BmpHandMade(0x7FFFFFFF, 2, 24, 0, {}, Bytes(48, 0)),       // rows past the stream
  };
  for (const Bytes& bytes : cases) {
    auto bitmap = std::make_unique<TIEBitmap>(3, 3, ie24RGB);
    bitmap->Fill(0x00FF00);
    fuzz::Bytes copy = bytes;
    fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
    codec_runs::TAbortableProgress progress;
    TIEMask* mask = nullptr;
    TIOParamsVals read(nullptr);
    ReadBMPStream(&stream, bitmap.get(), 0, read, progress, false, false, mask, false);
    EXPECT_TRUE(progress.aborting);
    EXPECT_EQ(mask, nullptr);
    EXPECT_EQ(bitmap->Width(), 3);
    EXPECT_EQ(PixelsOf(bitmap.get())[4], 0x00FF00u);
  }
}

TEST(BmpReader, FuzzedFiles) {
  struct Sample {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    uint8_t version, compression;
  } samples[] = {
      {"24", [] { return test_pictures::Gradient(12, 7); }, 8, 3, 1, 0},
      {"32", [] { return BmpWithAlpha(test_pictures::Gradient(9, 5)); }, 8, 3, 1, 0},
      {"8 rle", [] { return test_pictures::FewColours(40, 6, 50); }, 8, 1, 1, 1},
      {"4 rle", [] { return test_pictures::FewColours(33, 5, 9); }, 4, 1, 1, 1},
      {"4 core", [] { return test_pictures::FewColours(14, 5, 9); }, 4, 1, 2, 0},
      {"1", [] { return test_pictures::Checker1Bit(20, 9); }, 1, 1, 3, 0},
  };
  unsigned seed = 5000;
  for (auto& s : samples) {
    auto bitmap = s.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = s.bits;
    params.SamplesPerPixel = s.samples;
    params.BMPVersion = s.version;
    params.BMPCompression = s.compression;
    const Bytes file = WriteBMP(bitmap.get(), params, true);
    ASSERT_FALSE(file.empty());
    // Every cut ends in the aborting flag, but for a cut that takes only the end-of-bitmap code
    // of run-length data: the last row's end of line has completed the picture.
    const size_t complete = s.compression ? file.size() - 2 : file.size();
    for (size_t size = 0; size < complete; ++size) {
      TIOParamsVals read(nullptr);
      EXPECT_FALSE(ReadBMP(Bytes(file.begin(), file.begin() + size), read).ok) << s.name << " cut at " << size;
    }
    fuzz::Fuzz(s.name, file, seed++, [](uint8_t* data, int32_t size) {
      for (bool native : {false, true}) {
        fuzz::TGuardedStream stream(data, size);
        TIEBitmap bitmap;
        TIOParamsVals params(nullptr);
        params.KeepNativePixelFormat = native;
        codec_runs::TAbortableProgress progress;
        TIEMask* mask = nullptr;
        ReadBMPStream(&stream, &bitmap, 0, params, progress, native, false, mask, false);
        delete mask;
      }
    });
  }
}
