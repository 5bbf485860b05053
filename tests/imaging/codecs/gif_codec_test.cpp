// The GIF codec against netpbm's pamtogif and giftopnm: files written here decode there to the
// same pixels and transparency, files made there (interlaced, transparent, with comments, and
// frames joined into animations) read here to the same pixels, and damaged files end with the
// aborting flag and the target untouched.
#include "imaging/codecs/gif/gif_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

namespace {

struct GifReadResult {
  bool ok = false;
  int32_t frames = 0;
  std::unique_ptr<TIEBitmap> bitmap = std::make_unique<TIEBitmap>();
  std::unique_ptr<TIEMask> mask;
};

GifReadResult ReadGIF(const Bytes& bytes, TIOParamsVals& params, bool preview = false) {
  GifReadResult result;
  TIEMask* mask = nullptr;
  result.ok = codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadGIFStream(stream, result.bitmap.get(), result.frames, params, progress, preview, mask, false);
  });
  result.mask.reset(mask);
  return result;
}

Bytes WriteGIF(TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WriteGIFStream(stream, bitmap, params, progress); });
}

std::unique_ptr<TIEBitmap> GifWithAlpha(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) bitmap->SetAlphaAt(x, y, (x + y) % 5 == 0 ? 0 : 255);
  return bitmap;
}

// The one frame of a single-image GIF as a frame of an animation: a graphic control extension of
// our own, the descriptor with the file's global table made local, the image data.
Bytes FrameOf(const Bytes& gif, uint8_t packed, uint16_t delay, uint8_t transparentIndex) {
  const size_t tableBytes = (gif[10] & 0x80) ? size_t(3) << ((gif[10] & 7) + 1) : 0;
  const Bytes table(gif.begin() + 13, gif.begin() + 13 + tableBytes);
  size_t at = 13 + tableBytes;
  Bytes frame = {0x21, 0xF9, 4, packed, uint8_t(delay), uint8_t(delay >> 8), transparentIndex, 0};
  while (at < gif.size() && gif[at] == 0x21) {  // extensions of the file are dropped
    at += 2;
    while (gif[at]) at += gif[at] + 1;
    ++at;
  }
  EXPECT_EQ(gif[at], 0x2C);
  frame.insert(frame.end(), gif.begin() + at, gif.begin() + at + 10);
  frame.back() |= uint8_t(0x80 | (gif[10] & 7));
  frame.insert(frame.end(), table.begin(), table.end());
  at += 10 + ((gif[at + 9] & 0x80) ? size_t(3) << ((gif[at + 9] & 7) + 1) : 0);
  const size_t data = at;
  ++at;
  while (gif[at]) at += gif[at] + 1;
  frame.insert(frame.end(), gif.begin() + data, gif.begin() + at + 1);
  return frame;
}

Bytes Animation(const std::vector<Bytes>& frames, uint16_t width, uint16_t height) {
  Bytes file = test_files::ToBytes("GIF89a");
  test_files::PutLE16(file, width);
  test_files::PutLE16(file, height);
  file.insert(file.end(), {0, 0, 0});
  for (const Bytes& f : frames) file.insert(file.end(), f.begin(), f.end());
  file.push_back(0x3B);
  return file;
}

class GifCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"pamtogif", "giftopnm"})) GTEST_SKIP() << "netpbm's pamtogif and giftopnm are needed";
  }
};

}  // namespace

TEST_F(GifCodec, WrittenFilesDecodeWithGiftopnmToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits;
    bool interlaced, exact;
  } cases[] = {
      {"8 bits", [] { return test_pictures::FewColours(41, 23, 200); }, 8, false, true},
      {"8 bits interlaced", [] { return test_pictures::FewColours(41, 23, 200); }, 8, true, true},
      {"8 bits quantized", [] { return test_pictures::Gradient(40, 30); }, 8, false, false},
      {"4 bits", [] { return test_pictures::FewColours(17, 9, 16); }, 4, false, true},
      {"2 bits", [] { return test_pictures::FewColours(17, 9, 3); }, 2, false, true},
      {"1 bit", [] { return test_pictures::Checker1Bit(37, 11); }, 1, true, true},
      {"1 bit of two colours", [] { return test_pictures::FewColours(20, 8, 2); }, 1, false, true},
      {"8 bits with alpha", [] { return GifWithAlpha(test_pictures::FewColours(19, 9, 100)); }, 8, false, true},
      {"1 bit with alpha", [] { return GifWithAlpha(test_pictures::Checker1Bit(19, 9)); }, 1, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.GIFInterlaced = c.interlaced;
    params.GIFComments.Add("written here");
    const Bytes file = WriteGIF(bitmap.get(), params);
    ASSERT_FALSE(file.empty());
    const std::string dir = test_files::MakeTempDir();
    const TNetpbmImage there =
        ParseNetpbm(RunTool("giftopnm -alphaout='" + dir + "/alpha.pgm' 2>/dev/null", file));
    ASSERT_TRUE(there.Valid());
    TIOParamsVals back(nullptr);
    GifReadResult read = ReadGIF(file, back);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.frames, 1);
    EXPECT_EQ(back.GIFInterlaced, c.interlaced);
    ASSERT_EQ(back.GIFComments.Count(), 1);
    EXPECT_EQ(back.GIFComments.Strings(0), "written here");
    std::vector<uint32_t> herePixels = PixelsOf(read.bitmap.get()), therePixels = PixelsOf(there),
                          sourcePixels = PixelsOf(bitmap.get());
    if (bitmap->HasAlphaChannel()) {
      const TNetpbmImage alpha = ParseNetpbm(test_files::ReadFileBytes(dir + "/alpha.pgm"));
      ASSERT_TRUE(alpha.Valid());
      ASSERT_TRUE(read.mask);
      for (int32_t y = 0; y < bitmap->Height(); ++y)
        for (int32_t x = 0; x < bitmap->Width(); ++x) {
          const bool opaque = bitmap->GetAlphaAt(x, y) == 255;
          EXPECT_EQ(alpha.samples[size_t(y) * alpha.width + x] != 0, opaque);
          EXPECT_EQ(read.mask->GetPixel(x, y) != 0, opaque);
          // Transparent pixels carry no colour.
          if (!opaque) herePixels[size_t(y) * bitmap->Width() + x] = therePixels[size_t(y) * bitmap->Width() + x] =
                           sourcePixels[size_t(y) * bitmap->Width() + x] = 0;
        }
    }
    EXPECT_EQ(therePixels, herePixels);
    if (c.exact) {
      EXPECT_EQ(therePixels, sourcePixels);
    }
  }
}

TEST_F(GifCodec, PamtogifFilesReadToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    const char* options;
  } cases[] = {
      {"256 colours", [] { return test_pictures::FewColours(50, 20, 256); }, ""},
      {"interlaced", [] { return test_pictures::FewColours(33, 19, 40); }, "-interlace"},
      {"few colours", [] { return test_pictures::FewColours(33, 7, 5); }, "-sort"},
      {"black and white", [] { return test_pictures::Checker1Bit(33, 7); }, ""},
      {"comment", [] { return test_pictures::FewColours(9, 7, 5); }, "-comment='made by pamtogif'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    const Bytes file = RunTool(std::string("pamtogif ") + c.options + " 2>/dev/null", ToPPM(bitmap.get()));
    ASSERT_FALSE(file.empty());
    for (bool native : {false, true}) {
      TIOParamsVals params(nullptr);
      params.KeepNativePixelFormat = native;
      GifReadResult read = ReadGIF(file, params);
      ASSERT_TRUE(read.ok);
      EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(bitmap.get()));
      if (std::string(c.name) == "comment") {
        ASSERT_EQ(params.GIFComments.Count(), 1);
        EXPECT_EQ(params.GIFComments.Strings(0), "made by pamtogif");
      }
      if (std::string(c.name) == "black and white") {
        EXPECT_EQ(read.bitmap->PixelFormat(), ie1g);
      } else if (native) {
        EXPECT_EQ(read.bitmap->PixelFormat(), ie8p);
      }
    }
  }
  // A transparent colour that occurs gives a mask.
  auto picture = test_pictures::FewColours(12, 6, 4);
  const imaging::TRGB first = picture->GetPixelRGB(0, 0);
  char colour[16];
  std::snprintf(colour, sizeof colour, "#%02x%02x%02x", first.r, first.g, first.b);
  const Bytes transparent = RunTool(std::string("pamtogif -transparent='") + colour + "' 2>/dev/null", ToPPM(picture.get()));
  TIOParamsVals params(nullptr);
  GifReadResult read = ReadGIF(transparent, params);
  ASSERT_TRUE(read.ok);
  EXPECT_TRUE(params.GIFHasTransparentColor);
  ASSERT_TRUE(read.mask);
  EXPECT_EQ(read.mask->GetPixel(0, 0), 0);
}

TEST_F(GifCodec, FramesOfAnAnimation) {
  std::vector<Bytes> frames;
  std::vector<std::unique_ptr<TIEBitmap>> pictures;
  for (int i = 0; i < 5; ++i) {
    pictures.push_back(test_pictures::FewColours(10 + i, 6, 3 + i));
    const Bytes gif = RunTool("pamtogif 2>/dev/null", ToPPM(pictures.back().get()));
    frames.push_back(FrameOf(gif, uint8_t((i % 4) << 2), uint16_t(10 * i), 0));
  }
  const Bytes file = Animation(frames, 20, 10);
  for (int32_t index : {0, 2, 4}) {
    TIOParamsVals params(nullptr);
    params.GIFImageIndex = index;
    GifReadResult read = ReadGIF(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.frames, 5);
    EXPECT_EQ(params.GIFImageCount, 5);
    EXPECT_EQ(params.GIFDelayTime, 10 * index);
    EXPECT_EQ(params.GIFDisposal, index % 4);
    EXPECT_EQ(params.GIFScreenWidth, 20);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(pictures[index].get()));
    // giftopnm agrees on the frame.
    const TNetpbmImage there = ParseNetpbm(RunTool("giftopnm -image=" + std::to_string(index + 1), file));
    EXPECT_EQ(PixelsOf(there), PixelsOf(pictures[index].get()));
  }
  // The parameters alone: the frame's fields and table without a bitmap.
  TIOParamsVals params(nullptr);
  params.GIFImageIndex = 3;
  GifReadResult preview = ReadGIF(file, params, true);
  ASSERT_TRUE(preview.ok);
  EXPECT_EQ(params.Width, 13);
  EXPECT_GT(params.ColorMapCount, 0);
  EXPECT_EQ(preview.bitmap->Width(), 0);
}

TEST(GifReader, TablesAndExtensionsOfOtherWriters) {
  // A two-entry red and blue table reads as colour; a frame without any table still reads; a
  // graphic control block longer than 4 bytes and an index past a short table stay in step.
  auto file = [](bool table, uint8_t gceSize) {
    Bytes b = test_files::ToBytes("GIF89a");
    b.insert(b.end(), {2, 0, 1, 0, uint8_t(table ? 0x80 : 0), 0, 0});
    if (table) b.insert(b.end(), {255, 0, 0, 0, 0, 255});
    b.insert(b.end(), {0x21, 0xF9, gceSize, 1, 0, 0, 200});
    for (int i = 4; i < gceSize; ++i) b.push_back(0);
    b.push_back(0);
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0});
    // LZW, minimum code size 2: clear (4), 1, 0, end (5) in 3-bit codes.
    b.insert(b.end(), {2, 2, 0x0C, 0x0A, 0, 0x3B});
    return b;
  };
  TIOParamsVals params(nullptr);
  GifReadResult colour = ReadGIF(file(true, 4), params);
  ASSERT_TRUE(colour.ok);
  EXPECT_EQ(colour.bitmap->PixelFormat(), ie24RGB);
  EXPECT_EQ(PixelsOf(colour.bitmap.get()), (std::vector<uint32_t>{0x0000FF, 0xFF0000}));
  EXPECT_EQ(params.GIFTransparentColor.r, 0);  // index 200 of a 2-entry table: black, not memory
  GifReadResult noTable = ReadGIF(file(false, 4), params);
  ASSERT_TRUE(noTable.ok);
  EXPECT_EQ(PixelsOf(noTable.bitmap.get()), (std::vector<uint32_t>{0xFFFFFF, 0}));
  GifReadResult longBlock = ReadGIF(file(true, 7), params);
  ASSERT_TRUE(longBlock.ok);
  EXPECT_EQ(PixelsOf(longBlock.bitmap.get()), PixelsOf(colour.bitmap.get()));
  EXPECT_TRUE(params.GIFHasTransparentColor);
  EXPECT_FALSE(longBlock.mask);  // its transparent index 200 never occurs
}

TEST(GifWriter, HeaderTablesAndComments) {
  // 8 bits with alpha: 255 colours and the transparent entry 255 in a table of 256.
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.GIFComments.Add(std::string(300, 'c'));
  params.GIFComments.Add("");
  const Bytes file = WriteGIF(GifWithAlpha(test_pictures::Gradient(30, 20)).get(), params);
  ASSERT_GT(file.size(), 13u + 768);
  EXPECT_EQ(file[10], 0xF7);
  EXPECT_TRUE(params.GIFHasTransparentColor);
  const size_t gce = 13 + 768;
  EXPECT_EQ(Bytes(file.begin() + gce, file.begin() + gce + 3), (Bytes{0x21, 0xF9, 4}));
  EXPECT_EQ(file[gce + 3] & 1, 1);
  EXPECT_EQ(file[gce + 6], 255);
  TIOParamsVals back(nullptr);
  GifReadResult read = ReadGIF(file, back);
  ASSERT_TRUE(read.ok);
  // A long comment goes out in sub-blocks, which read back as entries; the empty one is left out.
  ASSERT_EQ(back.GIFComments.Count(), 2);
  EXPECT_EQ(back.GIFComments.Strings(0).size(), 255u);
  // 1 bit: a 2-entry table, black then white, packed byte 0x80.
  params.BitsPerSample = 1;
  const Bytes bilevel = WriteGIF(test_pictures::Checker1Bit(9, 4).get(), params);
  EXPECT_EQ(bilevel[10], 0x80);
  EXPECT_EQ(Bytes(bilevel.begin() + 13, bilevel.begin() + 19), (Bytes{0, 0, 0, 255, 255, 255}));
  // Above 8 bits per sample the writer keeps to GIF's 256 colours.
  params.BitsPerSample = 16;
  EXPECT_EQ(WriteGIF(test_pictures::FewColours(9, 4, 20).get(), params)[10], 0xF7);
}

TEST(GifReader, DamagedFilesFailAndLeaveTheTargetAlone) {
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.GIFComments.Add("a comment");
  const Bytes valid = WriteGIF(GifWithAlpha(test_pictures::FewColours(30, 12, 60)).get(), params);
  ASSERT_FALSE(valid.empty());
  Bytes huge = valid;
  huge[13 + 768 + 8 + 5] = 0xFF, huge[13 + 768 + 8 + 6] = 0xFF;  // width 65535 over a few bytes
  Bytes noGif = valid;
  noGif[0] = 'X';
  for (const Bytes& bytes : {huge, noGif}) {
    auto bitmap = std::make_unique<TIEBitmap>(3, 3, ie24RGB);
    bitmap->Fill(0x00FF00);
    fuzz::Bytes copy = bytes;
    fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
    codec_runs::TAbortableProgress progress;
    TIEMask* mask = nullptr;
    int32_t frames = 0;
    TIOParamsVals read(nullptr);
    ReadGIFStream(&stream, bitmap.get(), frames, read, progress, false, mask, false);
    EXPECT_TRUE(progress.aborting);
    EXPECT_EQ(mask, nullptr);
    EXPECT_EQ(bitmap->Width(), 3);
  }
  // Every cut ends in the aborting flag, but for those that take only the comment extension and
  // the trailer after the frame (the end of the stream stands for the trailer).
  for (size_t size = 0; size + 1 < valid.size(); ++size) {
    if (valid[size] == 0x21 && valid[size + 1] == 0xFE) break;
    TIOParamsVals read(nullptr);
    EXPECT_FALSE(ReadGIF(Bytes(valid.begin(), valid.begin() + size), read).ok) << "cut at " << size;
  }
}

TEST(GifReader, FuzzedFiles) {
  std::vector<std::pair<std::string, Bytes>> samples;
  const std::pair<const char*, int32_t> layouts[] = {{"8", 8}, {"4", 4}, {"1", 1}};
  for (auto [name, bits] : layouts) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = bits;
    params.GIFInterlaced = bits == 4;
    params.GIFComments.Add("comment");
    samples.emplace_back(name, WriteGIF(GifWithAlpha(test_pictures::FewColours(21, 9, 1 << bits)).get(), params));
  }
  unsigned seed = 8000;
  for (const auto& [name, file] : samples) {
    ASSERT_FALSE(file.empty());
    fuzz::Fuzz(name.c_str(), file, seed++, [](uint8_t* data, int32_t size) {
      for (int32_t index : {0, 1})
        for (bool preview : {false, true}) {
          fuzz::TGuardedStream stream(data, size);
          TIEBitmap bitmap;
          TIOParamsVals params(nullptr);
          params.GIFImageIndex = index;
          params.KeepNativePixelFormat = preview;
          codec_runs::TAbortableProgress progress;
          TIEMask* mask = nullptr;
          int32_t frames = 0;
          ReadGIFStream(&stream, &bitmap, frames, params, progress, preview, mask, false);
          delete mask;
        }
    });
  }
}
