// The PCX and DCX codecs against ImageMagick: files written there read here to the same pixels
// and files written here decode there to the same pixels. Hand-made files cover runs across
// lines, odd widths and resolutions; damaged files end with the aborting flag.
#include "imaging/codecs/pcx/pcx_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
using test_files::PutLE16;
using test_files::PutLE32;

namespace {

codec_runs::ReadResult ReadPCX(const Bytes& bytes, TIOParamsVals& params) {
  codec_runs::ReadResult result;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadPCXStream(stream, result.bitmap.get(), params, stream->Size(), progress, false);
  });
  return result;
}

codec_runs::ReadResult ReadDCX(const Bytes& bytes, TIOParamsVals& params) {
  codec_runs::ReadResult result;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadDCXStream(stream, result.bitmap.get(), params, progress, false);
  });
  return result;
}

Bytes WritePCX(TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::WriteToMemory(
      [&](vcl::TStream* stream, TCodecProgress& progress) { WritePCXStream(stream, bitmap, params, progress); });
}

// A PCX header of the given layout followed by the data.
Bytes PcxHandMade(int32_t width, int32_t height, int32_t bits, int32_t planes, int32_t bytesPerLine, int32_t encoding,
               const Bytes& data, uint32_t dpiX = 72, uint32_t dpiY = 72) {
  Bytes file = {10, 5, uint8_t(encoding), uint8_t(bits)};
  PutLE16(file, 0), PutLE16(file, 0);
  PutLE16(file, uint32_t(width - 1)), PutLE16(file, uint32_t(height - 1));
  PutLE16(file, dpiX), PutLE16(file, dpiY);
  // A 16-entry palette: entry i = (i * 16, 255 - i * 16, i).
  for (int i = 0; i < 16; ++i) file.insert(file.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i)});
  file.push_back(0);
  file.push_back(uint8_t(planes));
  PutLE16(file, uint32_t(bytesPerLine));
  PutLE16(file, 1);
  file.resize(128, 0);
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

constexpr const char* kMagick = "convert pcx:- ppm:-";

uint32_t HeaderColour(int i) { return (uint32_t(i * 16) << 16) | (uint32_t(255 - i * 16) << 8) | uint32_t(i); }

class PcxCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"convert", "pcxtoppm"})) GTEST_SKIP() << "ImageMagick's convert and netpbm's pcxtoppm are needed";
  }
};

}  // namespace

TEST_F(PcxCodec, ImageMagickFilesReadToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    const char* options;
    int32_t bits, samples;
  } cases[] = {
      {"24 bits", [] { return test_pictures::Gradient(37, 21); }, "", 8, 3},
      {"24 bits raw", [] { return test_pictures::Gradient(16, 9); }, "-compress none", 8, 3},
      {"256 colours", [] { return test_pictures::FewColours(41, 13, 200); }, "-type palette", 8, 1},
      {"few colours", [] { return test_pictures::FewColours(17, 5, 7); }, "-type palette", 8, 1},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    const Bytes file = RunTool(std::string("convert ppm:- ") + c.options + " pcx:-", ToPPM(bitmap.get()));
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadPCX(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(params.BitsPerSample, c.bits);
    EXPECT_EQ(params.SamplesPerPixel, c.samples);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  }
}

TEST_F(PcxCodec, WrittenFilesDecodeInImageMagickToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    uint8_t compression;
    const char* tool;
  } cases[] = {
      {"24 bits", [] { return test_pictures::Gradient(37, 21); }, 8, 3, 1, kMagick},
      {"24 bits raw", [] { return test_pictures::Gradient(19, 6); }, 8, 3, 0, kMagick},
      {"8 bits", [] { return test_pictures::FewColours(33, 17, 200); }, 8, 1, 1, kMagick},
      {"8 bits raw", [] { return test_pictures::FewColours(30, 7, 90); }, 8, 1, 0, kMagick},
      // ImageMagick takes other colours than the palette's for 4-bit files and shows set bits
      // of 1-bit files black whatever the palette says; netpbm follows the palette, as this
      // codec does, but reads no raw lines.
      {"4 bits", [] { return test_pictures::FewColours(31, 11, 16); }, 4, 1, 1, "pcxtoppm"},
      {"4 bits raw", [] { return test_pictures::FewColours(30, 11, 12); }, 4, 1, 0, nullptr},
      {"1 bit", [] { return test_pictures::Checker1Bit(45, 13); }, 1, 1, 1, "pcxtoppm"},
      {"1 bit from two colours", [] { return test_pictures::FewColours(21, 4, 2); }, 1, 1, 1, "pcxtoppm"},
      {"1 bit raw", [] { return test_pictures::Checker1Bit(16, 5); }, 1, 1, 0, nullptr},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.PCXCompression = c.compression;
    const Bytes file = WritePCX(bitmap.get(), params);
    ASSERT_FALSE(file.empty());
    if (c.tool) {
      const TNetpbmImage decoded = ParseNetpbm(RunTool(c.tool, file));
      ASSERT_TRUE(decoded.Valid());
      EXPECT_EQ(PixelsOf(decoded), PixelsOf(bitmap.get()));
    }
    // The reader gives one-plane 1-bit files as black and white, as the bits are.
    TIOParamsVals back(nullptr);
    codec_runs::ReadResult read = ReadPCX(file, back);
    ASSERT_TRUE(read.ok);
    if (bitmap->PixelFormat() != ie1g && c.bits == 1) continue;
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  }
}

TEST_F(PcxCodec, DcxPagesOfImageMagickAndOfTheWriter) {
  auto first = test_pictures::Gradient(23, 11);
  auto second = test_pictures::FewColours(15, 8, 30);
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/a.ppm", ToPPM(first.get()));
  test_files::WriteFileBytes(dir + "/b.ppm", ToPPM(second.get()));
  ASSERT_EQ(test_files::RunShell("convert " + dir + "/a.ppm " + dir + "/b.ppm " + dir + "/pages.dcx"), 0);
  const Bytes pages = test_files::ReadFileBytes(dir + "/pages.dcx");
  // Page 10 of two is the last one, and the index says so.
  TIOParamsVals params(nullptr);
  params.DCXImageIndex = 10;
  codec_runs::ReadResult read = ReadDCX(pages, params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(params.DCXImageIndex, 1);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(second.get()));
  params.DCXImageIndex = 0;
  read = ReadDCX(pages, params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(first.get()));

  // A page inserted second keeps the others byte for byte, and ImageMagick sees all three.
  vcl::TMemoryStream container;
  container.WriteBuffer(pages.data(), int32_t(pages.size()));
  container.SetPosition(0);
  auto inserted = test_pictures::FewColours(20, 7, 12);
  TIOParamsVals write(nullptr);
  write.BitsPerSample = 8;
  write.SamplesPerPixel = 1;
  write.DCXImageIndex = 1;
  codec_runs::TAbortableProgress progress;
  WriteDCXStream(&container, inserted.get(), write, progress);
  ASSERT_FALSE(progress.aborting);
  const Bytes three = test_files::StreamBytes(&container);
  test_files::WriteFileBytes(dir + "/three.dcx", three);
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    TIEBitmap* expected = page == 0 ? first.get() : page == 1 ? inserted.get() : second.get();
    const TNetpbmImage decoded = ParseNetpbm(
        RunTool("convert '" + dir + "/three.dcx[" + std::to_string(page) + "]' ppm:-", Bytes{}));
    ASSERT_TRUE(decoded.Valid());
    EXPECT_EQ(PixelsOf(decoded), PixelsOf(expected));
    TIOParamsVals back(nullptr);
    back.DCXImageIndex = page;
    codec_runs::ReadResult again = ReadDCX(three, back);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(PixelsOf(again.bitmap.get()), PixelsOf(expected));
  }
  // The old pages' bytes are all there, unchanged.
  auto le32 = [](const Bytes& b, size_t at) {
    return size_t(b[at]) | size_t(b[at + 1]) << 8 | size_t(b[at + 2]) << 16 | size_t(b[at + 3]) << 24;
  };
  const size_t page0 = le32(pages, 4), page1 = le32(pages, 8);
  ASSERT_LT(page0, page1);
  const Bytes old0(pages.begin() + page0, pages.begin() + page1), old1(pages.begin() + page1, pages.end());
  EXPECT_EQ(Bytes(three.begin() + le32(three, 4), three.begin() + le32(three, 8)), old0);
  EXPECT_EQ(Bytes(three.begin() + le32(three, 12), three.end()), old1);
}

TEST(PcxFormat, LineEncoding) {
  uint8_t out[300];
  const uint8_t samples[] = {5, 5, 200};
  ASSERT_EQ(PCXEncodeLine(out, samples, 3, 1, 0), 5);
  EXPECT_EQ(Bytes(out, out + 5), (Bytes{194, 5, 193, 200, 0}));
  const std::vector<uint8_t> flat(100, 7);
  ASSERT_EQ(PCXEncodeLine(out, flat.data(), 100, 1, 0), 4);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{192 + 63, 7, 192 + 37, 7}));
  // Every third byte from the second: the green samples of 3-byte pixels.
  const uint8_t pixels[] = {1, 9, 2, 3, 9, 4};
  ASSERT_EQ(PCXEncodeLine(out, pixels, 2, 3, 1), 2);
  EXPECT_EQ(Bytes(out, out + 2), (Bytes{194, 9}));
}

TEST(PcxFormat, ReaderLayouts) {
  TIOParamsVals params(nullptr);
  // 24 bits over two rows: a run of 6 starts in the red line of row 0 and goes on into its green line.
  // The run's last sample starts row 1.
  const Bytes spanning = PcxHandMade(2, 2, 8, 3, 2, 1, Bytes{10, 192 + 6, 20, 30, 31, 40, 41, 50});
  codec_runs::ReadResult r = ReadPCX(spanning, params);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(PixelsOf(r.bitmap.get()), (std::vector<uint32_t>{0x0A1414, 0x141414, 0x141F29, 0x1E2832}));
  // 4 bits at an odd width: the last byte's low nibble is not a pixel.
  codec_runs::ReadResult four = ReadPCX(PcxHandMade(3, 1, 4, 1, 2, 0, Bytes{0x12, 0x3F}), params);
  ASSERT_TRUE(four.ok);
  EXPECT_EQ(PixelsOf(four.bitmap.get()), (std::vector<uint32_t>{HeaderColour(1), HeaderColour(2), HeaderColour(3)}));
  EXPECT_EQ(params.BitsPerSample, 4);
  EXPECT_EQ(params.ColorMapCount, 16);
  // 16 colours in four 1-bit planes: line k gives bit k of the index.
  codec_runs::ReadResult planes = ReadPCX(PcxHandMade(2, 1, 1, 4, 2, 0, Bytes{0x80, 0, 0x40, 0, 0xC0, 0, 0x80, 0}), params);
  ASSERT_TRUE(planes.ok);
  EXPECT_EQ(PixelsOf(planes.bitmap.get()), (std::vector<uint32_t>{HeaderColour(1 + 4 + 8), HeaderColour(2 + 4)}));
  EXPECT_EQ(params.BitsPerSample, 4);
  EXPECT_EQ(params.SamplesPerPixel, 1);
  // 1 bit: set bits are white.
  codec_runs::ReadResult bits = ReadPCX(PcxHandMade(3, 1, 1, 1, 2, 0, Bytes{0xA0, 0}), params);
  ASSERT_TRUE(bits.ok);
  EXPECT_EQ(bits.bitmap->PixelFormat(), ie1g);
  EXPECT_EQ(PixelsOf(bits.bitmap.get()), (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF}));
  // 256 colours: whatever the byte before the palette holds.
  Bytes palette(768, 0);
  palette[3 * 7] = 0x11, palette[3 * 7 + 1] = 0x22, palette[3 * 7 + 2] = 0x33;
  Bytes data = {7, 7, 0x99};
  data.insert(data.end(), palette.begin(), palette.end());
  codec_runs::ReadResult indexed = ReadPCX(PcxHandMade(2, 1, 8, 1, 2, 0, data), params);
  ASSERT_TRUE(indexed.ok);
  EXPECT_EQ(PixelsOf(indexed.bitmap.get()), (std::vector<uint32_t>{0x112233, 0x112233}));
  // A resolution of 0 on either axis gives the library's defaults on both.
  codec_runs::ReadResult dpi = ReadPCX(PcxHandMade(1, 1, 8, 3, 2, 0, Bytes(6, 0), 300, 0), params);
  ASSERT_TRUE(dpi.ok);
  EXPECT_EQ(params.DpiX, IEDefaultDpiX);
  EXPECT_EQ(params.DpiY, IEDefaultDpiY);
}

TEST(PcxFormat, ImageInsideOtherDataFindsItsPalette) {
  // The image sits after 50 bytes of other data and is followed by nothing: its palette is the
  // last 768 bytes of its own data, counted from where it starts.
  Bytes palette(768, 0);
  palette[0] = 0xAB;
  Bytes data = {0, 0, 12};
  data.insert(data.end(), palette.begin(), palette.end());
  Bytes file(50, 0xEE);
  const Bytes image = PcxHandMade(2, 1, 8, 1, 2, 0, data);
  file.insert(file.end(), image.begin(), image.end());
  fuzz::Bytes copy = file;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  stream.SetPosition(50);
  codec_runs::TAbortableProgress progress;
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ReadPCXStream(&stream, &bitmap, params, int64_t(image.size()), progress, false);
  ASSERT_FALSE(progress.aborting);
  EXPECT_EQ(PixelsOf(&bitmap), (std::vector<uint32_t>{0xAB0000, 0xAB0000}));
}

TEST(PcxFormat, WriterParameters) {
  auto bitmap = test_pictures::Gradient(9, 4);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 4;
  params.SetDpiX(150);
  params.SetDpiY(75);
  const Bytes file = WritePCX(bitmap.get(), params);
  ASSERT_GT(file.size(), 128u);
  EXPECT_EQ(params.SamplesPerPixel, 3);
  EXPECT_EQ(file[65], 3);
  EXPECT_EQ(file[66] | file[67] << 8, 10);  // 9 made even
  TIOParamsVals back(nullptr);
  codec_runs::ReadResult read = ReadPCX(file, back);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(back.DpiX, 150);
  EXPECT_EQ(back.DpiY, 75);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
  // 8 bits in 2 samples has no PCX layout: refused rather than a header without pixels.
  params.SamplesPerPixel = 2;
  EXPECT_TRUE(WritePCX(bitmap.get(), params).empty());
}

TEST(PcxFormat, DcxContainers) {
  auto page = test_pictures::Gradient(4, 3);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  vcl::TMemoryStream stream;
  codec_runs::TAbortableProgress progress;
  WriteDCXStream(&stream, page.get(), params, progress);
  ASSERT_FALSE(progress.aborting);
  Bytes one = test_files::StreamBytes(&stream);
  ASSERT_GT(one.size(), 12u + 128u);
  EXPECT_EQ(Bytes(one.begin(), one.begin() + 12), (Bytes{0xB1, 0x68, 0xDE, 0x3A, 12, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(one[12], 10);
  // An index past the last page appends the image instead of dropping it.
  params.DCXImageIndex = 7;
  stream.SetPosition(0);
  WriteDCXStream(&stream, test_pictures::FewColours(5, 2, 3).get(), params, progress);
  ASSERT_FALSE(progress.aborting);
  const Bytes two = test_files::StreamBytes(&stream);
  TIOParamsVals read(nullptr);
  read.DCXImageIndex = 1;
  codec_runs::ReadResult last = ReadDCX(two, read);
  ASSERT_TRUE(last.ok);
  EXPECT_EQ(last.bitmap->Width(), 5);
  // A page offset at the end of the data is no container; neither is a table without pages.
  Bytes outside = one;
  outside[4] = uint8_t(one.size()), outside[5] = uint8_t(one.size() >> 8);
  fuzz::Bytes copy = outside;
  fuzz::TGuardedStream guarded(copy.data(), int32_t(copy.size()));
  EXPECT_FALSE(IsDCXStream(&guarded));
  EXPECT_EQ(guarded.Position(), 0);
  const Bytes empty = {0xB1, 0x68, 0xDE, 0x3A, 0, 0, 0, 0};
  EXPECT_FALSE(ReadDCX(empty, read).ok);
  // Writing into data that is no container changes nothing.
  vcl::TMemoryStream other;
  other.WriteBuffer("not a container", 15);
  other.SetPosition(0);
  codec_runs::TAbortableProgress refused;
  WriteDCXStream(&other, page.get(), params, refused);
  EXPECT_TRUE(refused.aborting);
  EXPECT_EQ(other.Size(), 15);
}

TEST(PcxFormat, DamagedFilesFail) {
  const Bytes cases[] = {
      PcxHandMade(100, 1, 8, 3, 2, 0, Bytes(600, 0)),         // lines shorter than the width
      PcxHandMade(2, 1, 2, 1, 2, 0, Bytes(2, 0)),             // 2 bits in one plane: no layout
      PcxHandMade(2, 1, 8, 2, 2, 0, Bytes(4, 0)),             // two planes
      PcxHandMade(2, 2, 8, 3, 2, 1, Bytes{192 + 12}),         // a run without its value
      PcxHandMade(2, 1, 8, 1, 2, 0, Bytes(100, 0)),           // 256 colours without a palette
      PcxHandMade(60000, 60000, 8, 3, 60000, 1, Bytes(64, 0xFF)),  // a size no data could fill
  };
  for (const Bytes& bytes : cases) {
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadPCX(bytes, params).ok);
  }
  // XMin above XMax is no width.
  Bytes reversed = PcxHandMade(2, 1, 8, 3, 2, 0, Bytes(6, 0));
  reversed[4] = 9;
  TIOParamsVals params(nullptr);
  EXPECT_FALSE(ReadPCX(reversed, params).ok);
}

TEST(PcxFormat, FuzzedFiles) {
  struct Sample {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    uint8_t compression;
  } samples[] = {
      {"24", [] { return test_pictures::Gradient(12, 7); }, 8, 3, 1},
      {"8", [] { return test_pictures::FewColours(20, 6, 50); }, 8, 1, 1},
      {"4", [] { return test_pictures::FewColours(13, 5, 9); }, 4, 1, 0},
      {"1", [] { return test_pictures::Checker1Bit(20, 9); }, 1, 1, 1},
  };
  unsigned seed = 7100;
  for (auto& s : samples) {
    auto bitmap = s.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = s.bits;
    params.SamplesPerPixel = s.samples;
    params.PCXCompression = s.compression;
    const Bytes file = WritePCX(bitmap.get(), params);
    ASSERT_FALSE(file.empty());
    // A 256-colour image cut by its last byte still holds every pixel: the palette's place is
    // the end of the data, and the byte before it is not looked at.
    const size_t complete = s.samples == 1 && s.bits == 8 ? file.size() - 1 : file.size();
    for (size_t size = 0; size < complete; ++size) {
      TIOParamsVals read(nullptr);
      EXPECT_FALSE(ReadPCX(Bytes(file.begin(), file.begin() + size), read).ok) << s.name << " cut at " << size;
    }
    fuzz::Fuzz(s.name, file, seed++, [](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      codec_runs::TAbortableProgress progress;
      ReadPCXStream(&stream, &bitmap, params, size, progress, false);
    });
  }
  // DCX: the container of two pages.
  vcl::TMemoryStream stream;
  TIOParamsVals params(nullptr);
  codec_runs::TAbortableProgress progress;
  WriteDCXStream(&stream, test_pictures::Gradient(6, 4).get(), params, progress);
  params.DCXImageIndex = 1;
  stream.SetPosition(0);
  WriteDCXStream(&stream, test_pictures::FewColours(7, 3, 5).get(), params, progress);
  ASSERT_FALSE(progress.aborting);
  fuzz::Fuzz("dcx", test_files::StreamBytes(&stream), seed, [](uint8_t* data, int32_t size) {
    for (int32_t index : {0, 1}) {
      fuzz::TGuardedStream guarded(data, size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      params.DCXImageIndex = index;
      codec_runs::TAbortableProgress progress;
      ReadDCXStream(&guarded, &bitmap, params, progress, false);
    }
  });
}
