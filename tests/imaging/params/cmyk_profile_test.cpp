// The built-in CMYK press profile behind the single-colour CMYK converters: the colours they
// give through the platform's colour management are checked against an independent colour
// engine (lcms2's transicc) converting with the same two profiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/icc_profile.h"
#include "imaging/params/colour_conversion.h"
#include "tests/support/file_helpers.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/win.h"
#include <icm.h>

using namespace imaging;
using test_files::Bytes;

namespace {

// Mid-tones and extremes of every channel, so that each combination of inks (or of red,
// green and blue) is met at several levels.
const int kLevels[] = {0, 64, 128, 191, 255};

// Within this many steps of 255 per channel the two engines count as agreeing. The platform
// path carries colours in 16 bits through a precomputed table and keeps the high byte of each
// result, a truncation of up to one step; the other engine interpolates the profile's tables
// in floating point, which parts from the 16-bit table by a fraction of a step more. A wrong
// channel order, a missing complement or another profile misses by tens of steps.
constexpr double kTolerance = 1.5;

// The system sRGB profile (found by name in the colour directory, as the converters find it)
// copied into the folder; false when the system has none.
bool CopySystemSRGB(const TestTempFolder& folder, const std::string& name) {
  char directory[MAX_PATH] = {};
  DWORD size = sizeof directory;
  if (!GetColorDirectoryA(nullptr, directory, &size)) return false;
  const std::string source = std::string(directory) + "\\sRGB Color Space Profile.icm";
  return CopyFileA(source.c_str(), folder.File(name).c_str(), FALSE) != 0;
}

// Runs transicc over the lines of `input` and returns the numbers of each output line, held
// within `limit` (255 for RGB, 100 per cent for inks) as 8-bit results are.
std::vector<std::vector<double>> Transicc(const TestTempFolder& folder, const std::string& from, const std::string& to,
                                          const std::string& input, double limit) {
  test_files::WriteFileBytes(folder.UnixFile("in.txt"), test_files::ToBytes(input));
  // Perceptual, as the converters ask for it. Only the results go to the file: the tool
  // greets on its error output.
  std::string messages;
  const int status = test_files::RunShell("transicc -n -t0 -i'" + folder.UnixFile(from) + "' -o'" +
                                              folder.UnixFile(to) + "' < '" + folder.UnixFile("in.txt") + "' > '" +
                                              folder.UnixFile("out.txt") + "'",
                                          &messages);
  EXPECT_EQ(status, 0) << messages;
  const Bytes output = test_files::ReadFileBytes(folder.UnixFile("out.txt"));
  std::vector<std::vector<double>> rows;
  std::istringstream lines(std::string(output.begin(), output.end()));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream numbers(line);
    std::vector<double> row;
    double v;
    while (numbers >> v) row.push_back(std::clamp(v, 0.0, limit));
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

class CMYKProfile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(IEUseCMYKProfile);
    ASSERT_TRUE(InitCMYKProfiles()) << "the built-in CMYK profile did not open";
    if (!test_files::HaveTool("transicc")) GTEST_SKIP() << "transicc (liblcms2-utils) is needed (tools/install-deps)";
    test_files::WriteFileBytes(folder_.UnixFile("press.icc"),
                               Bytes(IECMYKProfile->Raw(), IECMYKProfile->Raw() + IECMYKProfile->RawLength()));
    ASSERT_TRUE(CopySystemSRGB(folder_, "srgb.icm")) << "no system sRGB profile";
  }

  TestTempFolder folder_;
};

// The program carries a CMYK printer profile of its own and prepares both directions once.
TEST(CMYKProfileSetup, TheBuiltInProfileIsACMYKPrinterProfileAndIsPreparedOnce) {
  ASSERT_TRUE(InitCMYKProfiles());
  ASSERT_NE(IECMYKProfile, nullptr);
  ASSERT_NE(IESRGBProfile, nullptr);
  ASSERT_GE(IECMYKProfile->RawLength(), 132);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(IECMYKProfile->Raw()) + 12, 8), "prtrCMYK");
  EXPECT_TRUE(IECMYKProfile->HasTransform());
  EXPECT_TRUE(IESRGBProfile->HasTransform());
  TIEICC* const prepared = IECMYKProfile;
  EXPECT_TRUE(InitCMYKProfiles());
  EXPECT_EQ(IECMYKProfile, prepared);

  // Freed at the shut-down, prepared again on the next use.
  FreeCMYKProfiles();
  EXPECT_EQ(IECMYKProfile, nullptr);
  EXPECT_EQ(IESRGBProfile, nullptr);
  TRGB pixel{};
  IECMYKToRGB(0x00FFFFFF, pixel);  // black ink alone
  ASSERT_NE(IECMYKProfile, nullptr);
  EXPECT_TRUE(IECMYKProfile->HasProfile());
}

TEST_F(CMYKProfile, CMYKToRGBAgreesWithAnIndependentEngine) {
  std::vector<uint32_t> colours;
  std::ostringstream input;
  for (int c : kLevels)
    for (int m : kLevels)
      for (int y : kLevels)
        for (int k : kLevels) {
          // Packed bytes hold 255 minus the ink; transicc takes ink in per cent.
          colours.push_back(uint32_t(255 - c) | uint32_t(255 - m) << 8 | uint32_t(255 - y) << 16 |
                            uint32_t(255 - k) << 24);
          input << c * 100.0 / 255 << ' ' << m * 100.0 / 255 << ' ' << y * 100.0 / 255 << ' ' << k * 100.0 / 255
                << '\n';
        }
  const auto expected = Transicc(folder_, "press.icc", "srgb.icm", input.str(), 255);
  ASSERT_EQ(expected.size(), colours.size());
  for (size_t i = 0; i < colours.size(); ++i) {
    ASSERT_EQ(expected[i].size(), 3u);
    TRGB pixel{};
    IECMYKToRGB(int32_t(colours[i]), pixel);
    const int got[3] = {pixel.r, pixel.g, pixel.b};
    for (int ch = 0; ch < 3; ++ch)
      EXPECT_NEAR(got[ch], expected[i][ch], kTolerance) << "packed CMYK " << std::hex << colours[i] << " channel " << ch;
  }
}

TEST_F(CMYKProfile, RGBToCMYKAgreesWithAnIndependentEngine) {
  std::vector<TRGB> colours;
  std::ostringstream input;
  for (int r : kLevels)
    for (int g : kLevels)
      for (int b : kLevels) {
        colours.push_back(MakeRGB(uint8_t(r), uint8_t(g), uint8_t(b)));
        input << r << ' ' << g << ' ' << b << '\n';
      }
  const auto expected = Transicc(folder_, "srgb.icm", "press.icc", input.str(), 100);
  ASSERT_EQ(expected.size(), colours.size());
  for (size_t i = 0; i < colours.size(); ++i) {
    ASSERT_EQ(expected[i].size(), 4u);
    const int32_t packedRGB = colours[i].r << 16 | colours[i].g << 8 | colours[i].b;
    const auto cmyk = uint32_t(IERGBToCMYK(packedRGB));
    for (int ch = 0; ch < 4; ++ch) {
      const int ink = 255 - int((cmyk >> (8 * ch)) & 0xFF);
      EXPECT_NEAR(ink, expected[i][ch] * 255 / 100, kTolerance)
          << "red " << int(colours[i].r) << " green " << int(colours[i].g) << " blue " << int(colours[i].b)
          << " ink " << ch;
    }
  }
}

// The codecs' row converter takes CMYK rows (without an image profile) through the same
// single-colour converters, both ways.
TEST_F(CMYKProfile, RowsWithoutImageProfilesGoThroughThePressProfile) {
  const Bytes cmykRow = {255, 255, 255, 0, /**/ 0, 255, 255, 255, /**/ 255, 255, 255, 255};
  const auto expected = Transicc(folder_, "press.icc", "srgb.icm", "0 0 0 100\n100 0 0 0\n0 0 0 0\n", 255);
  ASSERT_EQ(expected.size(), 3u);
  Bytes bgr(9, 0xAA);
  IEConvertColorRow(cmykRow.data(), kICCFormatCMYK, bgr.data(), kICCFormatBGR, 3, nullptr);
  for (int x = 0; x < 3; ++x)
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(bgr[x * 3 + 2 - ch], expected[x][ch], kTolerance) << x << " " << ch;
  // Black ink alone prints as a deep grey, not the arithmetic form's pure black.
  EXPECT_GT(bgr[0] + bgr[1] + bgr[2], 3 * 20);

  const Bytes white = {255, 255, 255};
  Bytes cmyk(4, 0xAA);
  IEConvertColorRow(white.data(), kICCFormatBGR, cmyk.data(), kICCFormatCMYK, 1, nullptr);
  for (uint8_t v : cmyk) EXPECT_GE(v, 255 - kTolerance) << "white paper takes no ink";
}

}  // namespace
