// The PBM, PGM and PPM codec against netpbm: files made by its programs (every magic, maxvals
// other than 255, two-byte samples) read here to the pixels netpbm itself reads, files written
// here read there to the same pixels, and damaged files end with the aborting flag.
#include "imaging/codecs/pnm/pxm_codec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>

#include "imaging/model/ie_bitmap.h"
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

bool ReadPXM(const Bytes& bytes, TIEBitmap* bitmap, TIOParamsVals& params, bool preview = false) {
  return codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    ReadPXMStream(stream, bitmap, params, progress, preview);
  });
}

Bytes WritePXM(TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WritePXMStream(stream, bitmap, params, progress); });
}

// Every pixel within one level of the other (maxvals other than 255 scale with rounding there
// and truncation here).
void ExpectClose(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift : {0, 8, 16}) {
      const int d = int((a[i] >> shift) & 255) - int((b[i] >> shift) & 255);
      ASSERT_LE(std::abs(d), 1) << "pixel " << i;
    }
}

class PxmCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"pnmtoplainpnm", "pnmdepth", "ppmtopgm", "pgmtopbm", "pamtopnm"}))
      GTEST_SKIP() << "netpbm is needed";
  }
};

}  // namespace

TEST_F(PxmCodec, NetpbmFilesReadToTheSamePixels) {
  struct Case {
    const char* name;
    const char* pipeline;
    const char* magic;
    int32_t bits, samples;
  } cases[] = {
      {"P6", "pamtopnm", "P6", 8, 3},
      {"P3", "pnmtoplainpnm", "P3", 8, 3},
      {"P5", "ppmtopgm", "P5", 8, 1},
      {"P2", "ppmtopgm | pnmtoplainpnm", "P2", 8, 1},
      {"P4", "ppmtopgm | pgmtopbm -threshold", "P4", 1, 1},
      {"P1", "ppmtopgm | pgmtopbm -threshold | pnmtoplainpnm", "P1", 1, 1},
      {"P6 maxval 15", "pnmdepth 15", "P6", 8, 3},
      {"P3 maxval 15", "pnmdepth 15 | pnmtoplainpnm", "P3", 8, 3},
      {"P5 maxval 100", "ppmtopgm | pnmdepth 100", "P5", 8, 1},
      {"P5 maxval 1000", "ppmtopgm | pnmdepth 1000", "P5", 16, 1},
      {"P6 maxval 65535", "pnmdepth 65535", "P6", 16, 3},
      {"P6 maxval 4095", "pnmdepth 4095", "P6", 16, 3},
  };
  auto picture = test_pictures::Gradient(29, 13);
  const Bytes source = ToPPM(picture.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = RunTool(c.pipeline, source);
    ASSERT_EQ(std::string(file.begin(), file.begin() + 2), c.magic);
    const TNetpbmImage reference = ParseNetpbm(file);
    ASSERT_TRUE(reference.Valid());
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadPXM(file, &bitmap, params));
    EXPECT_EQ(params.BitsPerSample, c.bits);
    EXPECT_EQ(params.SamplesPerPixel, c.samples);
    ExpectClose(PixelsOf(&bitmap), PixelsOf(reference));
    // Two-byte samples keep their depth in the native formats, scaled to the full range.
    if (c.bits == 16) {
      TIEBitmap native;
      TIOParamsVals nativeParams(nullptr);
      nativeParams.KeepNativePixelFormat = true;
      ASSERT_TRUE(ReadPXM(file, &native, nativeParams));
      EXPECT_EQ(native.PixelFormat(), c.samples == 1 ? ie16g : ieRGB48);
      const uint32_t first = reference.samples[size_t(5) * reference.depth];
      const uint32_t expected = uint32_t(uint64_t(first) * 65535 / reference.maxval);
      EXPECT_EQ(c.samples == 1 ? native.GetPixel16(5, 0) : native.GetPixel48(5, 0).r, expected);
    }
  }
}

TEST_F(PxmCodec, WrittenFilesReadInNetpbmToTheSamePixels) {
  auto grey16 = [] {
    auto b = std::make_unique<TIEBitmap>(21, 7, ie16g);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 21; ++x) b->SetPixel16(x, y, uint16_t(x * 3000 + y * 7));
    return b;
  };
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    int32_t bits, samples;
    const char* magic;
  } cases[] = {
      {"pixmap", [] { return test_pictures::Gradient(31, 9); }, 8, 3, "P6"},
      {"grey map", [] { return test_pictures::Gradient(31, 9); }, 8, 1, "P5"},
      {"bitmap", [] { return test_pictures::Checker1Bit(35, 9); }, 1, 1, "P4"},
      {"bitmap from colours", [] { return test_pictures::Gradient(13, 9); }, 1, 1, "P4"},
      {"16-bit pixmap", [] { return test_pictures::Gradient(17, 5); }, 16, 3, "P6"},
      {"16-bit grey", grey16, 16, 1, "P5"},
      {"other formats", [] {
         auto b = std::make_unique<TIEBitmap>(9, 4, ie8g);
         for (int32_t y = 0; y < 4; ++y)
           for (int32_t x = 0; x < 9; ++x) b->SetPixel8(x, y, uint8_t(x * 20 + y));
         return b;
       }, 4, 3, "P6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    const Bytes file = WritePXM(bitmap.get(), params);
    ASSERT_GT(file.size(), 2u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 2), c.magic);
    const TNetpbmImage plain = ParseNetpbm(RunTool("pnmtoplainpnm", file));
    ASSERT_TRUE(plain.Valid());
    std::unique_ptr<TIEBitmap> expected;
    if (c.samples == 1 && c.bits == 8) {  // grey levels of the colours
      expected = std::make_unique<TIEBitmap>();
      expected->Assign(bitmap.get());
      expected->SetPixelFormat(ie8g);
    }
    if (c.bits == 1 && bitmap->PixelFormat() != ie1g) {
      expected = std::make_unique<TIEBitmap>();
      expected->Assign(bitmap.get());
      expected->SetPixelFormat(ie1g);
    }
    if (c.bits == 16 && c.samples == 1) {
      EXPECT_EQ(plain.maxval, 65535u);
      EXPECT_EQ(plain.samples[3], bitmap->GetPixel16(3, 0));
      continue;
    }
    ExpectClose(PixelsOf(plain), PixelsOf(expected ? expected.get() : bitmap.get()));
  }
}

TEST(PxmReader, HeaderCommentsScalingAndBits) {
  // A comment between the magic and the width; maxval 15.
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadPXM(test_files::ToBytes("P2\n# made by hand  \n2 1\n15\n0 15\n"), &bitmap, params));
  ASSERT_EQ(params.PXMComments.Count(), 1);
  EXPECT_EQ(params.PXMComments.Strings(0), "made by hand");
  EXPECT_EQ(PixelsOf(&bitmap), (std::vector<uint32_t>{0, 0xFFFFFF}));
  // P6 with maxval 15 is scaled as P5 is (its samples would otherwise load nearly black).
  ASSERT_TRUE(ReadPXM(test_files::ToBytes(std::string("P6 1 1 15\n\x0F\x00\x05", 13)), &bitmap, params));
  EXPECT_EQ(PixelsOf(&bitmap)[0], 0xFF0055u);
  // Samples above the maxval are taken as the maxval.
  ASSERT_TRUE(ReadPXM(test_files::ToBytes("P5 1 1 100\n\xC8"), &bitmap, params));
  EXPECT_EQ(PixelsOf(&bitmap)[0], 0xFFFFFFu);
  // A P4 file reads 1 as black and writes back to the same bytes.
  const Bytes p4 = test_files::ToBytes(std::string("P4 10 2\n\xA5\x40\x0F\xC0", 12));
  ASSERT_TRUE(ReadPXM(p4, &bitmap, params));
  EXPECT_EQ(bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(PixelsOf(&bitmap)[0], 0u);
  EXPECT_EQ(PixelsOf(&bitmap)[1], 0xFFFFFFu);
  params.PXMComments.Clear();
  params.BitsPerSample = params.SamplesPerPixel = 1;
  const Bytes again = WritePXM(&bitmap, params);
  EXPECT_EQ(Bytes(again.end() - 4, again.end()), Bytes(p4.end() - 4, p4.end()));
  // Preview reads the header only.
  TIEBitmap untouched;
  ASSERT_TRUE(ReadPXM(test_files::ToBytes("P5 640 480 255\n"), &untouched, params, true));
  EXPECT_EQ(params.Width, 640);
  EXPECT_EQ(untouched.Width(), 0);
}

TEST(PxmWriter, CommentsGoIntoTheHeader) {
  auto bitmap = test_pictures::Gradient(640, 480);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  params.PXMComments.Add("first");
  params.PXMComments.Add("second");
  const Bytes file = WritePXM(bitmap.get(), params);
  const std::string head = "P5 \n# first\n\n# second\n640 480 255\n";
  ASSERT_GT(file.size(), head.size());
  EXPECT_EQ(std::string(file.begin(), file.begin() + head.size()), head);
  EXPECT_EQ(file.size(), head.size() + 640 * 480);
}

TEST(PxmContentTest, Headers) {
  struct Case {
    const char* text;
    bool is;
  } cases[] = {
      {"P6 3 2 255\n", true},  {"P1\n# c\n3 2\n", true}, {"P5 0 7 8 255\n", true}, {"P7 3 2 255\n", false},
      {"P6 3\n", false},       {"P6 x 2 255\n", false},  {"GIF89a", false},        {"", false},
  };
  for (const Case& c : cases) {
    vcl::TMemoryStream stream;
    const std::string text = c.text;
    stream.WriteBuffer(text.data(), int32_t(text.size()));
    stream.SetPosition(0);
    EXPECT_EQ(IsPXMStream(&stream), c.is) << c.text;
    EXPECT_EQ(stream.Position(), 0);
  }
}

TEST(PxmReader, DamagedFilesFailAndLeaveTheTargetAlone) {
  const char* cases[] = {
      "P5 2 2 0\n\1\2\3\4",      // maxval 0
      "P5 2 2 70000\n\1\2\3\4",  // maxval past two bytes
      "P5 2 2 255\n\1\2\3",      // a sample missing
      "P2 2 2 255\n1 2 3",       // a text sample missing
      "P1 2 2\n0 1 1",           // a bit missing
      "P9 2 2 255\n\1\2\3\4",    // no such magic
      "P6 -2 2 255\n",           // negative width
      "P6 2 2\n",                // no maxval
      "P4 100000 100000\n\0",    // rows past the data
  };
  for (const char* text : cases) {
    TIEBitmap bitmap(3, 3, ie24RGB);
    bitmap.Fill(0x00FF00);
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadPXM(test_files::ToBytes(text), &bitmap, params)) << text;
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(PixelsOf(&bitmap)[4], 0x00FF00u);
  }
}

TEST(PxmReader, FuzzedFiles) {
  auto picture = test_pictures::Gradient(14, 6);
  struct Sample {
    const char* name;
    int32_t bits, samples;
  } layouts[] = {{"P6", 8, 3}, {"P5", 8, 1}, {"P4", 1, 1}, {"P6 16", 16, 3}};
  std::vector<std::pair<std::string, Bytes>> samples;
  for (auto& l : layouts) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = l.bits;
    params.SamplesPerPixel = l.samples;
    params.PXMComments.Add("a comment");
    samples.emplace_back(l.name, WritePXM(picture.get(), params));
  }
  samples.emplace_back("P3", test_files::ToBytes("P3\n# c\n3 2\n15\n0 1 2 3 4 5 6 7 8\n9 10 11 12 13 14 15 0 1\n"));
  samples.emplace_back("P2", test_files::ToBytes("P2 3 2 1000\n0 100 200\n300 400 1000\n"));
  samples.emplace_back("P1", test_files::ToBytes("P1 5 2\n0 1 0 1 1\n10101\n"));
  unsigned seed = 6000;
  for (const auto& [name, file] : samples) {
    ASSERT_GT(file.size(), 8u) << name;
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_TRUE(ReadPXM(file, &bitmap, params)) << name;
    // Every cut that takes pixels away ends in the aborting flag (a text file cut inside its last
    // number still holds a number there).
    size_t whole = file.size();
    if (name[1] <= '3') {
      whole = file.size() - 1;
      while (whole > 0 && std::isalnum(file[whole - 1])) --whole;
    }
    for (size_t size = 0; size < whole; ++size) {
      TIEBitmap cut;
      TIOParamsVals cutParams(nullptr);
      EXPECT_FALSE(ReadPXM(Bytes(file.begin(), file.begin() + size), &cut, cutParams)) << name << " cut at " << size;
    }
    fuzz::Fuzz(name.c_str(), file, seed++, [](uint8_t* data, int32_t size) {
      for (bool native : {false, true}) {
        fuzz::TGuardedStream stream(data, size);
        TIEBitmap bitmap;
        TIOParamsVals params(nullptr);
        params.KeepNativePixelFormat = native;
        codec_runs::TAbortableProgress progress;
        ReadPXMStream(&stream, &bitmap, params, progress, false);
        stream.SetPosition(0);
        IsPXMStream(&stream);
      }
    });
  }
}
