// The PNG codec against netpbm's pnmtopng and pngtopam: files made there over colour types,
// depths, interlacing, transparency, texts and resolution read here to the pixels and alpha
// pngtopam gives, files written here read there to the same pixels and alpha, and damaged files
// end with the aborting flag and the target untouched.
#include "imaging/codecs/png/png_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/coding/zlib_streams.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/imaging/codecs/small_profile.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

bool ReadPNG(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params, bool preview = false) {
  return codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadPNGStream(stream, bitmap, params, progress, preview);
  });
}

Bytes WritePNG(TIEBitmap* bitmap, TIOParamsVals& params) {
  std::unique_ptr<TIEMask> mask;
  if (bitmap->HasAlphaChannel()) {
    mask = std::make_unique<TIEMask>();
    bitmap->AlphaChannel()->CopyToMask(mask.get());
  }
  return codec_runs::WriteToMemory([&](auto* stream, TCodecProgress& progress) {
    WritePNGStream(stream, bitmap, params, progress, mask.get());
  });
}

std::unique_ptr<TIEBitmap> PngWithAlpha(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) bitmap->SetAlphaAt(x, y, uint8_t((x * 37 + y * 11) % 256));
  return bitmap;
}

// Alpha of every pixel, 255 when the bitmap has none.
std::vector<uint32_t> PngAlphaOf(TIEBitmap* bitmap) {
  std::vector<uint32_t> alpha;
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) alpha.push_back(bitmap->HasAlphaChannel() ? bitmap->GetAlphaAt(x, y) : 255);
  return alpha;
}

std::vector<uint32_t> PngAlphaOf(const TNetpbmImage& pam) {
  std::vector<uint32_t> alpha;
  const bool has = pam.depth == 2 || pam.depth == 4;
  for (size_t i = 0; i < size_t(pam.width) * pam.height; ++i)
    alpha.push_back(has ? pam.samples[i * pam.depth + pam.depth - 1] * 255 / pam.maxval : 255);
  return alpha;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// The PNG with one more chunk right after its header chunk.
Bytes WithChunk(const Bytes& png, const char* type, const Bytes& data) {
  Bytes chunk;
  test_files::PutBE32(chunk, uint32_t(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  test_files::PutBE32(chunk, Crc32(chunk.data() + 4, chunk.size() - 4));
  Bytes out(png.begin(), png.begin() + 33);
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), png.begin() + 33, png.end());
  return out;
}

// An RGB display profile padded to 4 KiB (libpng takes tiny profiles for damage).
Bytes PngSmallProfile() { return codec_profiles::SmallProfile(4096); }

class PngCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"pnmtopng", "pngtopam", "pnmdepth", "ppmtopgm", "pgmtopbm"}))
      GTEST_SKIP() << "netpbm's pnmtopng and pngtopam are needed";
    dir_ = test_files::MakeTempDir();
  }
  std::string dir_;
};

}  // namespace

TEST_F(PngCodec, PnmtopngFilesReadToThePixelsOfPngtopam) {
  auto picture = test_pictures::Gradient(23, 17);
  const Bytes ppm = ToPPM(picture.get());
  // An alpha map for -alpha, and a text file for -text.
  std::string alphaMap = "P5 23 17 255\n";
  for (int i = 0; i < 23 * 17; ++i) alphaMap += char((i * 7) % 256);
  test_files::WriteFileBytes(dir_ + "/alpha.pgm", test_files::ToBytes(alphaMap));
  test_files::WriteFileBytes(dir_ + "/text", test_files::ToBytes("Title A title\nAuthor Someone\n"));
  const std::string alpha = " -alpha='" + dir_ + "/alpha.pgm'";
  struct Case {
    const char* name;
    std::string pipeline;
    bool colours;  // through a palette of few colours
    int32_t bits, samples;
  } cases[] = {
      {"rgb 8", "pnmtopng", false, 8, 3},
      {"rgb 16", "pnmdepth 65535 | pnmtopng -force", false, 16, 3},
      {"rgb interlaced", "pnmtopng -interlace", false, 8, 3},
      {"rgb alpha", "pnmtopng" + alpha, false, 8, 4},
      {"rgb 16 alpha", "pnmdepth 65535 | pnmtopng -force" + alpha, false, 16, 4},
      {"grey 8", "ppmtopgm | pnmtopng", false, 8, 1},
      {"grey 16", "ppmtopgm | pnmdepth 65535 | pnmtopng -force", false, 16, 1},
      {"grey 4", "ppmtopgm | pnmdepth 15 | pnmtopng", false, 4, 1},
      {"grey 2", "ppmtopgm | pnmdepth 3 | pnmtopng", false, 2, 1},
      {"grey 1", "ppmtopgm | pgmtopbm -threshold | pnmtopng", false, 1, 1},
      {"grey 1 interlaced", "ppmtopgm | pgmtopbm -threshold | pnmtopng -interlace", false, 1, 1},
      {"grey alpha", "ppmtopgm | pnmtopng" + alpha, false, 8, 2},
      {"grey interlaced", "ppmtopgm | pnmdepth 15 | pnmtopng -interlace", false, 4, 1},
      {"palette 8", "pnmtopng", true, 8, 1},
      {"palette 4", "pnmtopng", true, 4, 1},
      {"palette transparent", "pnmtopng -transparent=rgb:00/00/00", true, 8, 1},
      {"palette interlaced", "pnmtopng -interlace", true, 8, 1},
      {"texts, gamma, resolution", "pnmtopng -gamma=0.45 -size='2835 3937 1' -text='" + dir_ + "/text'", false, 8, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes source = c.colours ? ToPPM(test_pictures::FewColours(23, 17, c.bits == 8 ? 50 : 9).get()) : ppm;
    const Bytes file = RunTool(c.pipeline + " 2>/dev/null", source);
    ASSERT_FALSE(file.empty());
    const TNetpbmImage reference = ParseNetpbm(RunTool("pngtopam -alphapam", file));
    ASSERT_TRUE(reference.Valid());
    for (bool native : {false, true}) {
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      params.KeepNativePixelFormat = native;
      ASSERT_TRUE(ReadPNG(file, &bitmap, params));
      EXPECT_EQ(params.SamplesPerPixel, c.samples);
      EXPECT_EQ(params.BitsPerSample, c.bits);
      EXPECT_LE(MaxDifference(PixelsOf(&bitmap), PixelsOf(reference)), c.bits == 16 ? 1 : 0);
      EXPECT_EQ(PngAlphaOf(&bitmap), PngAlphaOf(reference));
      if (native && c.bits == 16 && c.samples == 1) {
        EXPECT_EQ(bitmap.PixelFormat(), ie16g);
        EXPECT_EQ(bitmap.GetPixel16(7, 3), reference.samples[(3 * 23 + 7) * reference.depth]);
      }
      if (native && c.colours && c.bits == 8 && std::string(c.name) != "palette transparent") {
        EXPECT_EQ(bitmap.PixelFormat(), ie8p);
      }
      if (c.bits == 1) {
        EXPECT_EQ(bitmap.PixelFormat(), ie1g);
      }
    }
  }
  // Texts and resolution of the last case.
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadPNG(RunTool(cases[17].pipeline + " 2>/dev/null", ppm), &bitmap, params));
  ASSERT_EQ(params.PNGTextKeys.Count(), 2);
  EXPECT_EQ(params.PNGTextKeys.Strings(1), "Author");
  EXPECT_EQ(params.PNGTextValues.Strings(0), "A title");
  EXPECT_EQ(params.DpiX, 72);
  EXPECT_EQ(params.DpiY, 100);
}

TEST_F(PngCodec, WrittenFilesDecodeWithPngtopamToTheSamePixels) {
  auto grey16 = [] {
    auto b = std::make_unique<TIEBitmap>(19, 11, ie16g);
    for (int32_t y = 0; y < 11; ++y)
      for (int32_t x = 0; x < 19; ++x) b->SetPixel16(x, y, uint16_t(x * 3001 + y * 13));
    return b;
  };
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    bool interlaced;
    uint8_t filter;
    int32_t compression;
    int colourType;  // in the file
  } cases[] = {
      {"rgb", [] { return test_pictures::Gradient(29, 13); }, 8, 3, false, 0, 5, 2},
      {"rgb interlaced, sub, level 9", [] { return test_pictures::Gradient(29, 13); }, 8, 3, true, 1, 9, 2},
      {"rgb paeth, level 0", [] { return test_pictures::Gradient(29, 13); }, 8, 3, false, 2, 0, 2},
      {"rgb alpha", [] { return PngWithAlpha(test_pictures::Gradient(29, 13)); }, 8, 3, false, 0, 5, 6},
      {"rgb alpha interlaced", [] { return PngWithAlpha(test_pictures::Gradient(29, 13)); }, 8, 3, true, 3, 5, 6},
      {"rgb 48", [] { return test_pictures::Converted(test_pictures::Gradient(29, 13), ieRGB48); }, 8, 3, false, 0, 5, 2},
      {"palette", [] { return test_pictures::FewColours(29, 13, 50); }, 8, 1, false, 0, 5, 3},
      {"palette from 4 bits", [] { return test_pictures::FewColours(29, 13, 12); }, 4, 1, true, 0, 5, 3},
      {"palette transparent", [] { return PngWithAlpha(test_pictures::FewColours(29, 13, 50)); }, 8, 1, false, 0, 5, 3},
      {"grey", [] { return test_pictures::Converted(test_pictures::Gradient(29, 13), ie8g); }, 8, 1, false, 0, 5, 0},
      {"grey 16", grey16, 16, 1, false, 0, 5, 0},
      {"grey of a grey rgb", [] { return test_pictures::Converted(test_pictures::Converted(test_pictures::Gradient(29, 13), ie8g), ie24RGB); }, 8, 1,
       false, 0, 5, 0},
      {"bilevel", [] { return test_pictures::Checker1Bit(29, 13); }, 1, 1, false, 0, 5, 0},
      {"bilevel interlaced", [] { return test_pictures::Checker1Bit(29, 13); }, 1, 1, true, 0, 5, 0},
      {"two colours", [] { return test_pictures::FewColours(29, 13, 2); }, 1, 1, false, 0, 5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.PNGInterlaced = c.interlaced;
    params.PNGFilter = c.filter;
    params.PNGCompression = c.compression;
    const Bytes file = WritePNG(bitmap.get(), params);
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[25], c.colourType);
    EXPECT_EQ(file[28], c.interlaced ? 1 : 0);
    const TNetpbmImage there = ParseNetpbm(RunTool("pngtopam -alphapam", file));
    ASSERT_TRUE(there.Valid());
    if (std::string(c.name) == "grey 16") {
      EXPECT_EQ(there.maxval, 65535u);
      EXPECT_EQ(there.samples[(2 * 19 + 5) * there.depth], bitmap->GetPixel16(5, 2));
      continue;
    }
    std::vector<uint32_t> expected = PixelsOf(bitmap.get()), alpha = PngAlphaOf(bitmap.get());
    if (c.colourType == 3 && bitmap->HasAlphaChannel()) {
      // A palette keeps full transparency only: not opaque pixels become entry 0.
      for (size_t i = 0; i < alpha.size(); ++i)
        if (alpha[i] != 255) alpha[i] = 0, expected[i] = 0;
      std::vector<uint32_t> got = PixelsOf(there);
      for (size_t i = 0; i < alpha.size(); ++i)
        if (alpha[i] == 0) got[i] = 0;
      EXPECT_EQ(got, expected);
    } else {
      EXPECT_EQ(PixelsOf(there), expected);
    }
    EXPECT_EQ(PngAlphaOf(there), alpha);
    // And back here.
    TIEBitmap read;
    TIOParamsVals back(nullptr);
    ASSERT_TRUE(ReadPNG(file, &read, back));
    EXPECT_EQ(PixelsOf(&read), PixelsOf(there));
    EXPECT_EQ(back.PNGInterlaced, c.interlaced);
  }
}

TEST(PngCodecFields, BackgroundResolutionTextsAndProfile) {
  auto bitmap = test_pictures::Gradient(8, 4);
  TIOParamsVals params(nullptr);
  params.PNGBackground = TRGB{30, 20, 10};
  params.SetDpiX(72);
  params.SetDpiY(300);
  params.PNGTextKeys.Add("Title");
  params.PNGTextKeys.Add("Author");
  params.PNGTextKeys.Add("Orphan");
  params.PNGTextValues.Add("A title");
  params.PNGTextValues.Add("Someone");
  const Bytes file = WritePNG(bitmap.get(), params);
  // An ICC profile chunk added by hand: name, method 0, the deflated profile.
  const Bytes profile = PngSmallProfile();
  vcl::TMemoryStream packed;
  {
    TZCompressionStream deflate(&packed, 2);
    deflate.WriteBuffer(profile.data(), int32_t(profile.size()));
  }
  Bytes iccp = test_files::ToBytes(std::string("test\0\0", 6));
  const Bytes deflated = test_files::StreamBytes(&packed);
  iccp.insert(iccp.end(), deflated.begin(), deflated.end());
  TIEBitmap read;
  TIOParamsVals back(nullptr);
  ASSERT_TRUE(ReadPNG(WithChunk(file, "iCCP", iccp), &read, back));
  EXPECT_EQ(back.PNGBackground.r, 10);  // the 8-bit background keeps its value
  EXPECT_EQ(back.PNGBackground.b, 30);
  EXPECT_EQ(back.DpiX, 72);
  EXPECT_EQ(back.DpiY, 300);
  ASSERT_EQ(back.PNGTextKeys.Count(), 2);  // the smaller of the two lists
  EXPECT_EQ(back.PNGTextValues.Strings(1), "Someone");
  ASSERT_EQ(back.GetInputICCProfile()->RawLength(), int32_t(profile.size()));
  EXPECT_EQ(Bytes(back.GetInputICCProfile()->Raw(), back.GetInputICCProfile()->Raw() + profile.size()), profile);
  // Without a resolution chunk the library default; a palette background is an index.
  TIOParamsVals paletteParams(nullptr);
  paletteParams.SamplesPerPixel = 1;
  paletteParams.BitsPerSample = 8;
  auto few = test_pictures::FewColours(8, 4, 5);
  paletteParams.PNGBackground = few->GetPixelRGB(7, 3);
  const Bytes palette = WritePNG(few.get(), paletteParams);
  TIOParamsVals paletteBack(nullptr);
  ASSERT_TRUE(ReadPNG(palette, &read, paletteBack, true));
  EXPECT_EQ(read.Width(), 8);  // preview left the bitmap alone
  EXPECT_EQ(paletteBack.ColorMapCount, 256);
  EXPECT_EQ(PackRGB(paletteBack.PNGBackground), PackRGB(few->GetPixelRGB(7, 3)));
}

TEST(PngCodecFields, ContentTest) {
  const Bytes damaged = {0x89, 'P', 'N', 'G', 0, 0, 0, 0, 1, 2, 3};
  vcl::TMemoryStream stream;
  stream.WriteBuffer("xx", 2);
  stream.WriteBuffer(damaged.data(), int32_t(damaged.size()));
  stream.SetPosition(2);
  EXPECT_TRUE(IsPNGStream(&stream));
  EXPECT_EQ(stream.Position(), 2);
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  EXPECT_FALSE(ReadPNG(damaged, &bitmap, params));
  stream.SetPosition(8);
  EXPECT_FALSE(IsPNGStream(&stream));
  EXPECT_EQ(stream.Position(), 8);
}

TEST(PngReader, DamagedFilesFailAndLeaveTheTargetAlone) {
  TIOParamsVals params(nullptr);
  params.PNGTextKeys.Add("k");
  params.PNGTextValues.Add("v");
  const Bytes valid = WritePNG(PngWithAlpha(test_pictures::Gradient(21, 9)).get(), params);
  ASSERT_FALSE(valid.empty());
  for (size_t size = 0; size < valid.size(); ++size) {
    TIEBitmap bitmap(3, 3, ie24RGB);
    bitmap.Fill(0x00FF00);
    TIOParamsVals read(nullptr);
    EXPECT_FALSE(ReadPNG(Bytes(valid.begin(), valid.begin() + size), &bitmap, read)) << "cut at " << size;
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_FALSE(bitmap.HasAlphaChannel());
  }
  // A header asking for far more pixels than the data could hold.
  Bytes huge = valid;
  huge[16] = 0x7F;
  huge[20] = 0x7F;
  const uint32_t crc = Crc32(huge.data() + 12, 17);
  huge[29] = uint8_t(crc >> 24), huge[30] = uint8_t(crc >> 16), huge[31] = uint8_t(crc >> 8), huge[32] = uint8_t(crc);
  TIEBitmap bitmap;
  TIOParamsVals read(nullptr);
  EXPECT_FALSE(ReadPNG(huge, &bitmap, read));
  // A chunk whose length reaches far past the data: refused before libpng would skip it.
  Bytes longChunk = valid;
  const std::string text = "tEXt";
  const auto at = std::search(longChunk.begin(), longChunk.end(), text.begin(), text.end()) - longChunk.begin();
  ASSERT_LT(size_t(at), longChunk.size());
  longChunk[at - 4] = 0x7F, longChunk[at - 3] = 0, longChunk[at - 2] = 0, longChunk[at - 1] = 9;
  EXPECT_FALSE(ReadPNG(longChunk, &bitmap, read));
}

TEST(PngReader, FuzzedFiles) {
  std::vector<std::pair<std::string, Bytes>> samples;
  struct Layout {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    bool interlaced;
  } layouts[] = {
      {"rgb alpha", [] { return PngWithAlpha(test_pictures::Gradient(13, 7)); }, 8, 3, true},
      {"palette", [] { return test_pictures::FewColours(17, 6, 20); }, 8, 1, false},
      {"grey 16", [] { return test_pictures::Converted(test_pictures::Gradient(9, 5), ie16g); }, 16, 1, true},
      {"bilevel", [] { return test_pictures::Checker1Bit(19, 6); }, 1, 1, false},
  };
  for (auto& l : layouts) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = l.bits;
    params.SamplesPerPixel = l.samples;
    params.PNGInterlaced = l.interlaced;
    params.PNGTextKeys.Add("key");
    params.PNGTextValues.Add("value");
    samples.emplace_back(l.name, WritePNG(l.make().get(), params));
  }
  // Damaged copies go in twice: as they are, and with every chunk's check sum made right again,
  // so that the damage reaches past libpng's checks into the image data and the codec.
  auto withSums = [](const uint8_t* data, int32_t size) {
    Bytes fixed(data, data + size);
    size_t at = 8;
    while (at + 12 <= fixed.size()) {
      const size_t length = (size_t(fixed[at]) << 24) | (fixed[at + 1] << 16) | (fixed[at + 2] << 8) | fixed[at + 3];
      if (length > fixed.size() - at - 12) break;
      const uint32_t crc = Crc32(&fixed[at + 4], length + 4);
      fixed[at + 8 + length] = uint8_t(crc >> 24), fixed[at + 9 + length] = uint8_t(crc >> 16);
      fixed[at + 10 + length] = uint8_t(crc >> 8), fixed[at + 11 + length] = uint8_t(crc);
      at += 12 + length;
    }
    return fixed;
  };
  unsigned seed = 9000;
  for (const auto& [name, file] : samples) {
    ASSERT_FALSE(file.empty()) << name;
    fuzz::Fuzz(name.c_str(), file, seed++, [&](uint8_t* data, int32_t size) {
      const test_files::GuardedBuffer summed(withSums(data, size));
      for (uint8_t* bytes : {data, summed.data()})
      for (bool native : {false, true}) {
        fuzz::TGuardedStream stream(bytes, size);
        TIEBitmap bitmap;
        TIOParamsVals params(nullptr);
        params.KeepNativePixelFormat = native;
        codec_runs::TAbortableProgress progress;
        ReadPNGStream(&stream, &bitmap, params, progress, false);
        stream.SetPosition(0);
        IsPNGStream(&stream);
      }
    });
  }
}
