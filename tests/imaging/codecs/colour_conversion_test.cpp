#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/io_params.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/metadata/tiff_types.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using test_files::Bytes;
using test_files::PutBE16;
using test_files::PutBE32;

namespace {

// A display profile with sRGB's primaries but linear tone curves: mid grey 128 stands for
// half the light, which sRGB shows as about 188. Small enough to build here.
Bytes LinearRGBProfile() {
  auto text = [](Bytes& b, const char* t) { b.insert(b.end(), t, t + std::strlen(t)); };
  auto s15 = [](Bytes& b, double v) { PutBE32(b, uint32_t(int32_t(std::lround(v * 65536)))); };
  auto xyz = [&](double x, double y, double z) {
    Bytes b;
    text(b, "XYZ ");
    PutBE32(b, 0);
    s15(b, x), s15(b, y), s15(b, z);
    return b;
  };
  Bytes identityCurve;
  text(identityCurve, "curv");
  PutBE32(identityCurve, 0);
  PutBE32(identityCurve, 0);  // no entries: output = input
  Bytes description;
  text(description, "desc");
  PutBE32(description, 0);
  PutBE32(description, 7);
  text(description, "Linear");
  description.resize(description.size() + 1 + 8 + 3 + 67, 0);  // end, Unicode and ScriptCode parts empty
  const std::vector<std::pair<const char*, Bytes>> tags = {
      {"desc", description},
      {"wtpt", xyz(0.9642, 1.0, 0.8249)},
      {"rXYZ", xyz(0.4361, 0.2225, 0.0139)},
      {"gXYZ", xyz(0.3851, 0.7169, 0.0971)},
      {"bXYZ", xyz(0.1431, 0.0606, 0.7139)},
      {"rTRC", identityCurve},
      {"gTRC", identityCurve},
      {"bTRC", identityCurve}};
  Bytes table, data;
  PutBE32(table, uint32_t(tags.size()));
  const uint32_t dataStart = 128 + 4 + 12 * uint32_t(tags.size());
  for (const auto& [signature, bytes] : tags) {
    text(table, signature);
    PutBE32(table, dataStart + uint32_t(data.size()));
    PutBE32(table, uint32_t(bytes.size()));
    data.insert(data.end(), bytes.begin(), bytes.end());
    while (data.size() % 4) data.push_back(0);
  }
  Bytes profile;
  PutBE32(profile, uint32_t(128 + table.size() + data.size()));
  PutBE32(profile, 0);
  PutBE32(profile, 0x02100000);  // version 2.1
  text(profile, "mntrRGB XYZ ");
  profile.resize(36, 0);
  text(profile, "acsp");
  profile.resize(68, 0);
  s15(profile, 0.9642), s15(profile, 1.0), s15(profile, 0.8249);  // illuminant
  profile.resize(128, 0);
  profile.insert(profile.end(), table.begin(), table.end());
  profile.insert(profile.end(), data.begin(), data.end());
  return profile;
}

void LoadLinear(TIEICC* icc) {
  static const Bytes profile = LinearRGBProfile();
  icc->LoadFromBuffer(profile.data(), int32_t(profile.size()));
}

// What sRGB shows for linear mid grey 128 (0.502 of the light).
constexpr int kLinearGreyShown = 188;

// Colour management switched on for one test, and off again however it ends.
struct CMSOn {
  CMSOn() { IEEnableCMS = true; }
  ~CMSOn() { IEEnableCMS = false; }
};

// The built-in CMYK profile switched off for one test (the arithmetic CMYK forms), and on
// again however it ends.
struct CMYKProfileOff {
  CMYKProfileOff() { IEUseCMYKProfile = false; }
  ~CMYKProfileOff() { IEUseCMYKProfile = true; }
};

Bytes Row(std::initializer_list<int> bytes) {
  Bytes b;
  for (int v : bytes) b.push_back(uint8_t(v));
  return b;
}

Bytes GreyRow(int pixels, uint8_t level) { return Bytes(size_t(pixels) * 3, level); }

// ---- the arithmetic conversions ----

TEST(ColourConversion, ArithmeticConversionsByFormatPair) {
  CMYKProfileOff arithmeticCMYK;
  const uint16_t words[3] = {0x1234, 0xABCD, 0x00FF};  // red, green, blue in the machine's order
  Bytes machineWords(6);
  std::memcpy(machineWords.data(), words, 6);
  const TCIELab white = RGBToCIELab(MakeRGB(255, 255, 255));
  struct Case {
    const char* what;
    int32_t from, to;
    Bytes source;
    Bytes expected;
  } cases[] = {
      {"RGB to BGR swaps red and blue", 0, 1, Row({10, 20, 30, 40, 50, 60}), Row({30, 20, 10, 60, 50, 40})},
      {"BGR to BGR copies", 1, 1, Row({1, 2, 3, 250, 251, 252}), Row({1, 2, 3, 250, 251, 252})},
      // k = the largest of red, green, blue; each ink byte = channel x 255 / k; black keeps k 1.
      {"BGR to CMYK", 1, 2, Row({50, 100, 200, 0, 0, 0}), Row({255, 127, 63, 200, 0, 0, 0, 1})},
      {"BGR to CIELab", 1, 4, Row({255, 255, 255, 0, 0, 0}),
       Row({white.l, uint8_t(white.a), uint8_t(white.b), 0, 0, 0})},
      // (red 21 + green 71 + blue 8) / 100
      {"BGR to grey", 1, 5, Row({50, 100, 200, 255, 255, 255}), Row({117, 255})},
      {"CMYK to BGR", 2, 1, Row({255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 255, 255}),
       Row({255, 255, 255, 0, 0, 0, 255, 255, 0})},
      {"CIELab to BGR", 4, 1, Row({255, 0, 0, 0, 0, 0}), Row({255, 255, 255, 0, 0, 0})},
      {"48-bit machine order to BGR", 6, 1, machineWords, Row({0x00, 0xAB, 0x12})},
      {"48-bit high byte first to BGR", 7, 1, Row({0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}), Row({0x00, 0xAB, 0x12})},
      // Y 128 with Cr 255: red 128 + 1.402 x 127 clamps, green 128 - 0.71414 x 127 truncates to 37.
      {"YCbCr to BGR", 8, 1, Row({100, 128, 128, 128, 128, 255}), Row({100, 100, 100, 128, 37, 255})},
  };
  for (const Case& c : cases) {
    Bytes target(c.expected.size(), 0xAA);
    const int32_t count = int32_t(c.source.size()) / (c.from == 2 ? 4 : c.from >= 6 && c.from <= 7 ? 6 : 3);
    IEConvertColorRow(c.source.data(), c.from, target.data(), c.to, count, nullptr);
    EXPECT_EQ(target, c.expected) << c.what;
  }
}

TEST(ColourConversion, PairsWithoutAConversionLeaveTheTargetAlone) {
  const Bytes source(16, 77);
  const std::pair<int32_t, int32_t> pairs[] = {{2, 5}, {0, 2}, {5, 1}, {4, 2}, {6, 6}, {8, 4}, {1, 6}, {9, 1}, {-1, 1}};
  for (auto [from, to] : pairs) {
    Bytes target(16, 0xAA);
    IEConvertColorRow(source.data(), from, target.data(), to, 2, nullptr);
    EXPECT_EQ(target, Bytes(16, 0xAA)) << from << " to " << to;
  }
  // Nothing to convert: no pixels, or no rows.
  Bytes target(6, 0xAA);
  IEConvertColorRow(source.data(), 0, target.data(), 1, 0, nullptr);
  IEConvertColorRow(source.data(), 0, target.data(), 1, -3, nullptr);
  IEConvertColorRow(nullptr, 0, target.data(), 1, 2, nullptr);
  IEConvertColorRow(source.data(), 0, nullptr, 1, 2, nullptr);
  EXPECT_EQ(target, Bytes(6, 0xAA));
}

// With the CMYK profile switched off the single-colour converters give their arithmetic
// results, whether or not a built-in profile is there and prepared.
TEST(ColourConversion, CMYKConvertersAreArithmeticWithTheProfileSwitchedOff) {
  InitCMYKProfiles();
  CMYKProfileOff arithmeticCMYK;
  struct Case {
    uint32_t cmyk;
    TRGB rgb;
  } cases[] = {{0xFFFFFFFF, MakeRGB(255, 255, 255)}, {0x00FFFFFF, MakeRGB(0, 0, 0)}, {0xFFFFFF00, MakeRGB(0, 255, 255)}};
  for (const Case& c : cases) {
    TRGB pixel{1, 2, 3};
    IECMYKToRGB(int32_t(c.cmyk), pixel);
    EXPECT_EQ(std::tie(pixel.r, pixel.g, pixel.b), std::tie(c.rgb.r, c.rgb.g, c.rgb.b)) << std::hex << c.cmyk;
  }
  EXPECT_EQ(IERGBToCMYK(0), 0x01000000);
}

// ---- through profiles ----

// The system sRGB profile into the sRGB output profile changes (nearly) nothing, and the row
// did go through a profile transform.
TEST(ColourConversion, SRGBRowThroughTheProfilesComesBackUnchanged) {
  CMSOn cms;
  TIOParamsVals params(nullptr);
  params.GetInputICCProfile()->LoadStandardSRGB();
  ASSERT_TRUE(params.InputICCProfile->HasProfile()) << "no system sRGB profile";
  Bytes source;
  for (int i = 0; i < 64; ++i) {
    source.push_back(uint8_t(i * 4));
    source.push_back(uint8_t(255 - i * 3));
    source.push_back(uint8_t((i * 37) % 256));
  }
  Bytes target(source.size(), 0);
  IEConvertColorRow(source.data(), kICCFormatBGR, target.data(), kICCFormatBGR, 64, &params);
  EXPECT_TRUE(params.InputICCProfile->HasTransform());
  for (size_t i = 0; i < source.size(); ++i) EXPECT_NEAR(target[i], source[i], 2) << "byte " << i;
}

// Which profile a row goes through, seen on linear mid grey: through the linear profile it
// comes out near 188, through sRGB or without profiles it stays 128.
TEST(ColourConversion, ProfileChoice) {
  enum Profile { None, Empty, Linear, SRGB };
  auto make = [](std::unique_ptr<TIEICC>& slot, Profile p) {
    if (p == None) return;
    slot = std::make_unique<TIEICC>();
    if (p == Linear) LoadLinear(slot.get());
    if (p == SRGB) slot->LoadStandardSRGB();
  };
  struct Case {
    const char* what;
    bool cms;
    Profile input, fallback;
    bool applied, noOutput, withParams;
    int expected;
  } cases[] = {
      {"the embedded profile", true, Linear, None, false, false, true, kLinearGreyShown},
      {"no embedded profile: the default one", true, None, Linear, false, false, true, kLinearGreyShown},
      {"an unusable embedded profile: the default one", true, Empty, Linear, false, false, true, kLinearGreyShown},
      {"a usable embedded profile wins over the default", true, SRGB, Linear, false, false, true, 128},
      {"an empty embedded profile without a default", true, Empty, None, false, false, true, 128},
      {"a profile already applied", true, Linear, None, true, false, true, 128},
      {"no output profile", true, Linear, None, false, true, true, 128},
      {"no parameter block", true, Linear, None, false, false, false, 128},
      {"colour management off", false, Linear, Linear, false, false, true, 128},
  };
  for (const Case& c : cases) {
    IEEnableCMS = c.cms;
    TIOParamsVals params(nullptr);
    make(params.InputICCProfile, c.input);
    make(params.DefaultICCProfile, c.fallback);
    if (params.InputICCProfile) params.InputICCProfile->SetApplied(c.applied);
    if (c.noOutput) params.GetOutputICCProfile()->Clear();
    const Bytes source = GreyRow(4, 128);
    Bytes target(source.size(), 0);
    IEConvertColorRow(source.data(), kICCFormatBGR, target.data(), kICCFormatBGR, 4, c.withParams ? &params : nullptr);
    for (uint8_t v : target) EXPECT_NEAR(v, c.expected, 3) << c.what;
  }
  IEEnableCMS = false;
}

// YCbCr samples are not RGB: the profile is applied to the colours they stand for.
TEST(ColourConversion, YCbCrRowGoesThroughTheProfileAsColours) {
  CMSOn cms;
  TIOParamsVals params(nullptr);
  LoadLinear(params.GetInputICCProfile());
  const Bytes source = Row({128, 128, 128, 128, 128, 255});  // grey 128, then red clamped
  Bytes target(6, 0);
  IEConvertColorRow(source.data(), 8, target.data(), kICCFormatBGR, 2, &params);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(target[i], kLinearGreyShown, 3);
  // The second pixel is red-dominant; YCbCr taken for red, green, blue would give a bluish
  // pixel with red well below full.
  EXPECT_GT(target[5], 250);
  EXPECT_LT(target[3], target[5] - 30);
}

// ---- the codecs on the hook ----

struct Call {
  int32_t from, to;
  bool withParams;
  bool operator==(const Call&) const = default;
};
std::vector<Call> calls;

void RecordingHook(const void* source, int32_t from, void* target, int32_t to, int32_t count, TIOParamsVals* params) {
  if (calls.empty() || !(calls.back() == Call{from, to, params != nullptr})) calls.push_back({from, to, params != nullptr});
  IEConvertColorRow(source, from, target, to, count, params);
}

class ColourHook : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    IEConvertColorHook = RecordingHook;
  }
  void TearDown() override { IEConvertColorHook = IEConvertColorRow; }
};

Bytes ColourSamples(int32_t count, uint8_t value) { return Bytes(size_t(count), value); }

tiff_test::TiffBuilder Image16(int32_t w, int32_t h, bool bigEndian, uint32_t spp, uint16_t value) {
  Bytes samples;
  for (int32_t i = 0; i < w * h * int32_t(spp); ++i)
    bigEndian ? PutBE16(samples, value) : (samples.push_back(uint8_t(value)), samples.push_back(uint8_t(value >> 8)));
  tiff_test::TiffBuilder b(bigEndian);
  b.Page()
      .Add(256, ttLong, {uint32_t(w)})
      .Add(257, ttLong, {uint32_t(h)})
      .Add(258, ttShort, std::vector<uint32_t>(spp, 16))
      .Add(259, ttShort, {1})
      .Add(262, ttShort, {2})
      .Add(277, ttShort, {spp})
      .Add(278, ttLong, {uint32_t(h)})
      .Strips({samples});
  return b;
}

tiff_test::TiffBuilder YCbCrImage(int32_t w, int32_t h) {
  tiff_test::TiffBuilder b = tiff_test::SimpleImage(w, h, 3, 6, ColourSamples((w + 1) / 2 * 4 * h, 128));
  b.Add(530, ttShort, {2, 1});
  return b;
}

TEST_F(ColourHook, TIFFReaderConvertsColourRowsThroughTheHookWithItsParameters) {
  struct Case {
    const char* what;
    tiff_test::TiffBuilder file;
    Call expected;
  } cases[] = {
      {"RGB", tiff_test::SimpleImage(5, 3, 3, 2, ColourSamples(45, 90)), {0, 1, true}},
      {"RGB with a skipped fourth sample", tiff_test::SimpleImage(5, 3, 4, 2, ColourSamples(60, 90)), {0, 1, true}},
      {"CMYK", tiff_test::SimpleImage(5, 3, 4, 5, ColourSamples(60, 90)), {2, 1, true}},
      {"CIELab", tiff_test::SimpleImage(5, 3, 3, 8, ColourSamples(45, 90)), {4, 1, true}},
      {"48-bit little-endian", Image16(5, 3, false, 3, 0x8000), {6, 1, true}},
      {"48-bit big-endian", Image16(5, 3, true, 3, 0x8000), {7, 1, true}},
      {"64-bit RGBA big-endian", Image16(5, 3, true, 4, 0x8000), {7, 1, true}},
      {"YCbCr 4:2:2", YCbCrImage(5, 3), {8, 1, true}},
  };
  for (Case& c : cases) {
    calls.clear();
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    tiff_test::ReadResult result;
    tiff_test::Read(c.file.Build(), bitmap, params, result, false, true);
    EXPECT_FALSE(result.aborting) << c.what;
    EXPECT_EQ(calls, std::vector<Call>{c.expected}) << c.what;
  }
}

// The bytes a writer puts into a memory stream, which must not fail.
template <class Writer>
Bytes Written(Writer write) {
  vcl::TMemoryStream stream;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  write(&stream, progress);
  EXPECT_FALSE(aborting);
  Bytes bytes(size_t(stream.Size()));
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), int32_t(bytes.size()));
  return bytes;
}

Bytes ColourWriteTIFF(TIEBitmap* bitmap, TIOParamsVals& params) {
  return Written([&](vcl::TStream* s, TCodecProgress& p) { WriteTIFFStream(s, false, bitmap, params, p); });
}

Bytes ColourWriteJPEG(TIEBitmap* bitmap, TIOParamsVals& params) {
  return Written([&](vcl::TStream* s, TCodecProgress& p) { WriteJPEGStream(s, bitmap, params, p); });
}

void ColourReadJPEG(const Bytes& file, TIEBitmap& bitmap, TIOParamsVals& params) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(file.data(), int32_t(file.size()));
  stream.SetPosition(0);
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  ReadJPEGStream(&stream, nullptr, &bitmap, params, progress, false, false, false, true, false, true, -1, false);
  EXPECT_FALSE(aborting);
}

std::unique_ptr<TIEBitmap> Grey(int32_t w, int32_t h, uint8_t level) {
  auto b = std::make_unique<TIEBitmap>(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b->SetPixel24(x, y, MakeRGB(level, level, level));
  return b;
}

// The writers convert the bitmap's own colours, without profiles.
TEST_F(ColourHook, WritersConvertCMYKAndCIELabRowsWithoutParameters) {
  auto bitmap = Grey(6, 4, 100);
  for (auto [photometric, expected] : {std::pair{5, Call{1, 2, false}}, std::pair{7, Call{1, 4, false}}}) {
    calls.clear();
    TIOParamsVals params(nullptr);
    params.TIFFPhotometric = uint8_t(photometric);
    ColourWriteTIFF(bitmap.get(), params);
    EXPECT_EQ(calls, std::vector<Call>{expected}) << "TIFF photometric " << photometric;
  }
  calls.clear();
  TIOParamsVals params(nullptr);
  params.JPEGColorSpace = 3;
  const Bytes cmykJPEG = ColourWriteJPEG(bitmap.get(), params);
  EXPECT_EQ(calls, (std::vector<Call>{{1, 2, false}}));

  // Reading the CMYK JPEG back into 24 bits goes through the hook with the block.
  calls.clear();
  TIEBitmap back;
  TIOParamsVals readParams(nullptr);
  ColourReadJPEG(cmykJPEG, back, readParams);
  EXPECT_EQ(calls, (std::vector<Call>{{2, 1, true}}));
}

// ---- files carrying a profile ----

Bytes ICCMarker(const Bytes& profile) {
  Bytes marker = test_files::ToBytes(std::string("ICC_PROFILE\0\1\1", 14));
  marker.insert(marker.end(), profile.begin(), profile.end());
  return marker;
}

// A picture of linear mid grey carrying the linear profile reads as the lighter grey sRGB
// shows for it when colour management is on, and as stored when it is off.
TEST(ColourConversion, EmbeddedProfileAppliesWhenReadingFiles) {
  const Bytes profile = LinearRGBProfile();
  Bytes jpegWithProfile;
  {
    auto grey = Grey(16, 8, 128);
    TIOParamsVals params(nullptr);
    params.JPEGQuality = 100;
    const Bytes marker = ICCMarker(profile);
    params.JPEGMarkerList.AddMarker(0xE2, marker.data(), uint16_t(marker.size()));
    jpegWithProfile = ColourWriteJPEG(grey.get(), params);
  }
  auto withProfile = [&](tiff_test::TiffBuilder b) { return b.AddRaw(34675, ttUndefined, profile).Build(); };
  struct Case {
    const char* what;
    Bytes file;
    bool jpeg;
  } cases[] = {
      {"RGB TIFF", withProfile(tiff_test::SimpleImage(6, 4, 3, 2, ColourSamples(72, 128))), false},
      {"48-bit big-endian TIFF", withProfile(Image16(6, 4, true, 3, 0x8080)), false},
      {"YCbCr TIFF", withProfile(YCbCrImage(6, 4)), false},
      {"JPEG", jpegWithProfile, true},
  };
  for (const Case& c : cases) {
    for (bool cms : {false, true}) {
      IEEnableCMS = cms;
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      if (c.jpeg) {
        ColourReadJPEG(c.file, bitmap, params);
      } else {
        tiff_test::ReadResult result;
        tiff_test::Read(c.file, bitmap, params, result);
        EXPECT_FALSE(result.aborting) << c.what;
      }
      IEEnableCMS = false;
      ASSERT_TRUE(params.InputICCProfile && params.InputICCProfile->HasProfile()) << c.what;
      ASSERT_EQ(bitmap.PixelFormat(), ie24RGB) << c.what;
      const int expected = cms ? kLinearGreyShown : 128;
      for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
          const TRGB p = bitmap.GetPixelRGB(x, y);
          EXPECT_NEAR(p.r, expected, 3) << c.what << " cms " << cms << " at " << x << "," << y;
          EXPECT_NEAR(p.g, expected, 3) << c.what << " cms " << cms;
          EXPECT_NEAR(p.b, expected, 3) << c.what << " cms " << cms;
        }
      // The TIFF reader marks the profile applied once it has converted the page with it.
      if (!c.jpeg) {
        EXPECT_EQ(params.InputICCProfile->Applied(), cms) << c.what;
      }
    }
  }
}

}  // namespace
