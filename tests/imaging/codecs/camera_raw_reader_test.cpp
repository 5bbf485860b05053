// The camera raw reader against LibRaw's own tools: a small DNG made here (a TIFF of Bayer
// samples with the tags LibRaw needs) is named as raw-identify names it, and decodes to what
// dcraw_emu's linear output gives once the reader's tone curve is applied to it. Damaged files
// end with the aborting flag, also when the decoder faults on them: it runs in the codec helper
// process, which only raw-like data reach at detection.
#include "imaging/codecs/camera_raw/camera_raw_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"

using namespace imaging;
using namespace netpbm_test;
using test_files::PutLE16;
using test_files::PutLE32;

namespace {

constexpr int32_t kCameraWidth = 64, kHeight = 48;

// A little-endian DNG of 12-bit Bayer samples (RGGB) with an identity colour matrix; with a
// JPEG, that is its EXIF thumbnail (a second directory).
Bytes MakeDNG(const Bytes& thumbnail = {}) {
  struct TEntry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;
  };
  auto shorts = [](std::initializer_list<uint32_t> values) {
    Bytes b;
    for (uint32_t v : values) PutLE16(b, v);
    return b;
  };
  auto longs = [](std::initializer_list<uint32_t> values) {
    Bytes b;
    for (uint32_t v : values) PutLE32(b, v);
    return b;
  };
  auto text = [](const std::string& s) { return Bytes(s.c_str(), s.c_str() + s.size() + 1); };
  Bytes pixels;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kCameraWidth; ++x) PutLE16(pixels, uint32_t(300 + x * 40 + y * 30 + (x % 2) * (y % 2) * 700) & 0xFFF);
  Bytes matrix;
  for (int i = 0; i < 9; ++i) PutLE32(matrix, i % 4 == 0 ? 1 : 0), PutLE32(matrix, 1);
  std::vector<TEntry> entries = {
      {254, 4, 1, longs({0})},
      {256, 3, 1, shorts({kCameraWidth})},
      {257, 3, 1, shorts({kHeight})},
      {258, 3, 1, shorts({16})},
      {259, 3, 1, shorts({1})},
      {262, 3, 1, shorts({32803})},
      {271, 2, 8, text("Mergeon")},
      {272, 2, 12, text("Test Camera")},
      {273, 4, 1, longs({0})},  // patched below
      {277, 3, 1, shorts({1})},
      {278, 3, 1, shorts({kHeight})},
      {279, 4, 1, longs({uint32_t(pixels.size())})},
      {284, 3, 1, shorts({1})},
      {33421, 3, 2, shorts({2, 2})},
      {33422, 1, 4, Bytes{0, 1, 1, 2}},
      {50706, 1, 4, Bytes{1, 4, 0, 0}},
      {50708, 2, 20, text("Mergeon Test Camera")},
      {50717, 3, 1, shorts({4095})},
      {50721, 10, 9, matrix},
      {50778, 3, 1, shorts({21})},
  };
  const uint32_t dataStart = 8 + 2 + uint32_t(entries.size()) * 12 + 4;
  Bytes data;
  Bytes directory;
  PutLE16(directory, uint32_t(entries.size()));
  uint32_t pixelSlot = 0;
  for (const TEntry& e : entries) {
    PutLE16(directory, e.tag), PutLE16(directory, e.type), PutLE32(directory, e.count);
    if (e.tag == 273) pixelSlot = uint32_t(directory.size());
    if (e.value.size() <= 4) {
      Bytes v = e.value;
      v.resize(4, 0);
      directory.insert(directory.end(), v.begin(), v.end());
    } else {
      PutLE32(directory, dataStart + uint32_t(data.size()));
      data.insert(data.end(), e.value.begin(), e.value.end());
      if (data.size() % 2) data.push_back(0);
    }
  }
  PutLE32(directory, 0);
  const uint32_t pixelOffset = dataStart + uint32_t(data.size());
  for (int i = 0; i < 4; ++i) directory[pixelSlot + i] = uint8_t(pixelOffset >> (8 * i));
  Bytes file = {'I', 'I', 42, 0};
  PutLE32(file, 8);
  file.insert(file.end(), directory.begin(), directory.end());
  file.insert(file.end(), data.begin(), data.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  if (!thumbnail.empty()) {
    if (file.size() % 2) file.push_back(0);
    const uint32_t next = uint32_t(file.size());
    for (int i = 0; i < 4; ++i) file[8 + directory.size() - 4 + i] = uint8_t(next >> (8 * i));
    PutLE16(file, 3);
    PutLE16(file, 259), PutLE16(file, 3), PutLE32(file, 1), PutLE32(file, 6);
    PutLE16(file, 513), PutLE16(file, 4), PutLE32(file, 1), PutLE32(file, next + 2 + 3 * 12 + 4);
    PutLE16(file, 514), PutLE16(file, 4), PutLE32(file, 1), PutLE32(file, uint32_t(thumbnail.size()));
    PutLE32(file, 0);
    file.insert(file.end(), thumbnail.begin(), thumbnail.end());
  }
  return file;
}

codec_runs::ReadResult CameraReadRaw(const Bytes& bytes, TIOParamsVals& params, bool preview = false) {
  codec_runs::ReadResult result;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadCameraRawStream(stream, result.bitmap.get(), params, progress, preview);
  });
  return result;
}

// dcraw_emu's 16-bit linear picture of the file.
TNetpbmImage DcrawLinear(const Bytes& dng, const std::string& options) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.dng", dng);
  test_files::RunShell("dcraw_emu -4 -q 0 " + options + " -Z " + dir + "/out.ppm " + dir + "/in.dng");
  return ParseNetpbm(test_files::ReadFileBytes(dir + "/out.ppm"));
}

// The reader's tone curve over a linear picture, as the reader applies it: white from the top
// 1 % of the brightness histogram, curve (2b / white)^(gamma - 1) x brightness x 442 / white.
std::vector<uint32_t> ToneMapped(const TNetpbmImage& linear, int32_t trim, bool wide, double gamma) {
  std::vector<uint32_t> brightness;
  std::vector<int64_t> histogram(8192, 0);
  for (size_t i = 0; i < linear.samples.size(); i += 3) {
    const double r = linear.samples[i], g = linear.samples[i + 1], b = linear.samples[i + 2];
    brightness.push_back(uint32_t(std::min(65535.0, std::floor(std::sqrt(r * r + g * g + b * b) / 2))));
    ++histogram[brightness.back() >> 3];
  }
  const int64_t perc = int64_t(0.01 * double(brightness.size()));
  int64_t sum = 0;
  int32_t v = 0;
  for (int32_t bin = 8191; bin >= 1 && !v; --bin)
    if ((sum += histogram[bin]) > perc) v = bin;
  const double white = v ? 16.0 * v : 1.0;
  std::vector<uint32_t> out;
  for (int32_t y = trim; y < linear.height - trim; ++y)
    for (int32_t x = trim; x < linear.width - trim; ++x) {
      const size_t i = size_t(y) * linear.width + x;
      double factor = brightness[i] ? std::pow(2.0 * brightness[i] / white, gamma - 1) * 442 / white : 0;
      if (wide) factor = factor / 255 * 65535;
      for (int c = 0; c < 3; ++c)
        out.push_back(uint32_t(std::min(wide ? 65535.0 : 255.0, std::trunc(linear.samples[i * 3 + c] * factor))));
    }
  return out;
}

std::vector<uint32_t> CameraSamples(TIEBitmap* bitmap) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      if (bitmap->PixelFormat() == ieRGB48) {
        const TIEBitmap::TRGB48 p = bitmap->GetPixel48(x, y);
        out.insert(out.end(), {p.r, p.g, p.b});
      } else {
        const TRGB p = bitmap->GetPixel24(x, y);
        out.insert(out.end(), {p.r, p.g, p.b});
      }
    }
  return out;
}

int LargestDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return -1;
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
  return largest;
}

// Points the codec tests at a stand-in helper for the scope: a script that faults, or one that
// leaves a mark that it ran.
class TStandInHelper {
 public:
  explicit TStandInHelper(const std::string& script) {
    const std::string dir = test_files::MakeTempDir();
    path_ = dir + "/helper";
    mark_ = dir + "/ran";
    const std::string text = "#!/bin/sh\ntouch '" + mark_ + "'\n" + script + "\n";
    test_files::WriteFileBytes(path_, Bytes(text.begin(), text.end()));
    test_files::RunShell("chmod +x '" + path_ + "'");
    setenv("MERGEON_CODEC_HELPER", path_.c_str(), 1);
  }
  ~TStandInHelper() { unsetenv("MERGEON_CODEC_HELPER"); }
  bool Ran() const { return test_files::RunShell("test -e '" + mark_ + "'") == 0; }

 private:
  std::string path_, mark_;
};

class CameraRaw : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"dcraw_emu", "raw-identify"})) GTEST_SKIP() << "LibRaw's dcraw_emu and raw-identify are needed";
  }
};

}  // namespace

TEST_F(CameraRaw, IdentifiedAsRawIdentifyNamesIt) {
  const Bytes dng = MakeDNG();
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.dng", dng);
  std::string identified;
  ASSERT_EQ(test_files::RunShell("raw-identify " + dir + "/in.dng", &identified), 0);
  fuzz::Bytes copy = dng;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  EXPECT_TRUE(IsCameraRawStream(&stream));
  EXPECT_EQ(stream.Position(), 0);
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult preview = CameraReadRaw(dng, params, true);
  ASSERT_TRUE(preview.ok);
  EXPECT_NE(identified.find("is a " + params.CameraRawOptionsText + " image"), std::string::npos)
      << identified << " / " << params.CameraRawOptionsText;
  EXPECT_EQ(params.Width, kCameraWidth - 2);
  EXPECT_EQ(params.Height, kHeight - 2);
  EXPECT_TRUE(preview.bitmap->IsEmpty());
  // Data LibRaw does not know.
  fuzz::Bytes other(4000, 0x5A);
  fuzz::TGuardedStream otherStream(other.data(), int32_t(other.size()));
  EXPECT_FALSE(IsCameraRawStream(&otherStream));
  TIOParamsVals refused(nullptr);
  EXPECT_FALSE(CameraReadRaw(Bytes(other.begin(), other.end()), refused).ok);
}

TEST_F(CameraRaw, DecodesToDcrawEmuThroughTheToneCurve) {
  const Bytes dng = MakeDNG();
  struct Case {
    const char* name;
    bool wide, half;
    double gamma;
  } cases[] = {
      {"48 bits", true, false, 0.6},
      {"24 bits", false, false, 0.6},
      {"24 bits, gamma 0.45", false, false, 0.45},
      {"half size", true, true, 0.6},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TNetpbmImage linear = DcrawLinear(dng, c.half ? "-h" : "");
    ASSERT_TRUE(linear.Valid());
    TIOParamsVals params(nullptr);
    params.KeepNativePixelFormat = c.wide;
    params.CameraRawHalfSize = c.half;
    params.CameraRawGamma = c.gamma;
    codec_runs::ReadResult read = CameraReadRaw(dng, params);
    ASSERT_TRUE(read.ok);
    // A half-size decode has no colour filter array left, and no border to trim.
    const int32_t trim = c.half ? 0 : 1;
    EXPECT_EQ(read.bitmap->Width(), linear.width - 2 * trim);
    EXPECT_EQ(read.bitmap->Height(), linear.height - 2 * trim);
    EXPECT_EQ(params.Width, read.bitmap->Width());
    EXPECT_EQ(params.BitsPerSample, c.wide ? 16 : 8);
    const std::vector<uint32_t> expected = ToneMapped(linear, trim, c.wide, c.gamma);
    EXPECT_EQ(LargestDifference(CameraSamples(read.bitmap.get()), expected), 0);
    // A picture, not one flat value.
    EXPECT_NE(*std::min_element(expected.begin(), expected.end()), *std::max_element(expected.begin(), expected.end()));
  }
  // The quick interpolation switch changes nothing: the reader always interpolates quickly.
  TIOParamsVals quick(nullptr), slow(nullptr);
  slow.CameraRawQuickInterpolate = false;
  EXPECT_EQ(CameraSamples(CameraReadRaw(dng, quick).bitmap.get()), CameraSamples(CameraReadRaw(dng, slow).bitmap.get()));
}

TEST_F(CameraRaw, DamagedFilesFail) {
  const Bytes dng = MakeDNG();
  // Cuts inside the directory and the samples.
  for (size_t size : {size_t(0), size_t(8), size_t(100), size_t(300), dng.size() / 2, dng.size() - 2}) {
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(CameraReadRaw(Bytes(dng.begin(), dng.begin() + size), params).ok) << size;
  }
  fuzz::Fuzz("dng", dng, 7700, [](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    codec_runs::TAbortableProgress progress;
    ReadCameraRawStream(&stream, &bitmap, params, progress, false);
  });
}

TEST_F(CameraRaw, ADecoderThatFaultsFailsTheReadAndTheProgramGoesOn) {
  const Bytes dng = MakeDNG();
  TStandInHelper faulting("kill -SEGV $$");
  TIOParamsVals params(nullptr);
  EXPECT_FALSE(CameraReadRaw(dng, params).ok);
  TIOParamsVals preview(nullptr);
  EXPECT_FALSE(CameraReadRaw(dng, preview, true).ok);
  fuzz::Bytes copy = dng;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  EXPECT_FALSE(IsCameraRawStream(&stream));
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_TRUE(faulting.Ran());
}

TEST_F(CameraRaw, DetectionHandsOnlyRawLikeDataToTheDecoder) {
  // Every file that no other test claimed comes to this one: data that start like no camera
  // raw file never reach the decoder.
  struct Case {
    const char* name;
    Bytes data;
  } cases[] = {
      {"text", Bytes(4000, 'a')},
      {"zeros", Bytes(5000, 0)},
      {"a lone byte", Bytes(1, 'I')},
      {"empty", Bytes()},
  };
  for (const Case& c : cases) {
    TStandInHelper marking("exit 1");
    fuzz::Bytes copy = c.data;
    fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
    EXPECT_FALSE(IsCameraRawStream(&stream)) << c.name;
    EXPECT_FALSE(marking.Ran()) << c.name;
  }
  // A raw-like start is asked of the decoder.
  TStandInHelper marking("exit 1");
  fuzz::Bytes dng = MakeDNG();
  fuzz::TGuardedStream stream(dng.data(), int32_t(dng.size()));
  EXPECT_FALSE(IsCameraRawStream(&stream));
  EXPECT_TRUE(marking.Ran());
}

TEST_F(CameraRaw, FilesThatFaultTheDecoderFailTheRead) {
  // The colour filter pattern's count raised from 4 to 36 turns its inline value into an offset
  // far beyond the data: LibRaw reads there while it identifies the file.
  Bytes faulting = MakeDNG();
  const size_t count = 10 + 14 * 12 + 4;
  ASSERT_EQ(faulting[count - 4] | faulting[count - 3] << 8, 33422);
  faulting[count] = 36;
  for (size_t size : {faulting.size(), size_t(190)}) {
    const Bytes cut(faulting.begin(), faulting.begin() + ptrdiff_t(size));
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(CameraReadRaw(cut, params).ok) << size;
    TIOParamsVals preview(nullptr);
    EXPECT_FALSE(CameraReadRaw(cut, preview, true).ok) << size;
    fuzz::Bytes copy = cut;
    fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
    EXPECT_FALSE(IsCameraRawStream(&stream)) << size;
  }
}

TEST_F(CameraRaw, MatchingTheThumbnailColoursFollowsTheThumbnail) {
  if (!HaveTools({"cjpeg"})) GTEST_SKIP() << "cjpeg is needed";
  // A bright, warm thumbnail: matched to it, the picture takes its levels channel by channel.
  const std::string head = "P6\n32 24\n255\n";
  Bytes ppm(head.begin(), head.end());
  for (int32_t i = 0; i < 32 * 24; ++i) ppm.insert(ppm.end(), {uint8_t(200 + i % 40), uint8_t(150 + i % 60), uint8_t(90 + i % 50)});
  const Bytes jpeg = RunTool("cjpeg -quality 95", ppm);
  ASSERT_FALSE(jpeg.empty());
  const Bytes dng = MakeDNG(jpeg);
  auto means = [](TIEBitmap* bitmap) {
    std::vector<double> sum(3, 0.0);
    for (int32_t y = 0; y < bitmap->Height(); ++y)
      for (int32_t x = 0; x < bitmap->Width(); ++x) {
        const TRGB p = bitmap->GetPixel24(x, y);
        sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
      }
    for (double& s : sum) s /= double(bitmap->Width()) * bitmap->Height();
    return sum;
  };
  TIOParamsVals params(nullptr);
  params.CameraRawMatchThumbnailColors = true;
  codec_runs::ReadResult read = CameraReadRaw(dng, params);
  ASSERT_TRUE(read.ok);
  ASSERT_TRUE(params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty());
  EXPECT_EQ(read.bitmap->Width(), kCameraWidth - 2);
  const std::vector<double> thumbnail = means(params.EXIFThumbnail.get()), matched = means(read.bitmap.get());
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(matched[c], thumbnail[c], 12) << "channel " << c;
  // Without a thumbnail to match, the switch changes nothing.
  TIOParamsVals plain(nullptr), alone(nullptr);
  alone.CameraRawMatchThumbnailColors = true;
  EXPECT_EQ(CameraSamples(CameraReadRaw(MakeDNG(), plain).bitmap.get()), CameraSamples(CameraReadRaw(MakeDNG(), alone).bitmap.get()));
}
