// Photoshop files made by ImageMagick and by hand load with the pixels ImageMagick decodes from
// them; damaged files end in EInvalidGraphic.
#include "formats/psd/psd_graphic.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

bool HaveImageMagick() {
  std::string version;
  return test_files::RunShell("convert -version", &version) == 0 && version.find("ImageMagick") != std::string::npos;
}

uint32_t PsdGradient(int x, int y) {
  return static_cast<uint32_t>(x * 19 & 0xFF) << 16 | static_cast<uint32_t>(y * 50 & 0xFF) << 8 |
         static_cast<uint32_t>(x * y & 0xFF);
}

// A file with no resources and no layers whose merged image is `planes` (channel after channel),
// raw, or PackBits coded row by row (rows of up to 128 bytes): a run where a row starts with
// two equal bytes, literals for the rest.
Bytes MakePsd(uint16_t mode, uint16_t bits, uint16_t channels, uint32_t width, uint32_t height, const Bytes& planes,
              bool packBits, const Bytes& modeData = {}) {
  Bytes f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  test_files::PutBE16(f, channels);
  test_files::PutBE32(f, height);
  test_files::PutBE32(f, width);
  test_files::PutBE16(f, bits);
  test_files::PutBE16(f, mode);
  test_files::PutBE32(f, static_cast<uint32_t>(modeData.size()));
  f.insert(f.end(), modeData.begin(), modeData.end());
  test_files::PutBE32(f, 4);  // resources the reader skips
  f.insert(f.end(), {1, 2, 3, 4});
  test_files::PutBE32(f, 0);
  test_files::PutBE16(f, packBits ? 1 : 0);
  if (!packBits) {
    f.insert(f.end(), planes.begin(), planes.end());
    return f;
  }
  const size_t rowBytes = planes.size() / (size_t{height} * channels);
  Bytes data;
  for (size_t row = 0; row < size_t{height} * channels; ++row) {
    // Each row: a run of its first byte twice, then the rest as literals.
    const uint8_t* r = planes.data() + row * rowBytes;
    const bool run = rowBytes >= 2 && r[0] == r[1];
    Bytes packed = run ? Bytes{0xFF, r[0]} : Bytes{static_cast<uint8_t>(rowBytes - 1)};
    if (!run) {
      packed.insert(packed.end(), r, r + rowBytes);
    } else if (rowBytes > 2) {
      packed.push_back(static_cast<uint8_t>(rowBytes - 3));
      packed.insert(packed.end(), r + 2, r + rowBytes);
    }
    test_files::PutBE16(f, static_cast<uint32_t>(packed.size()));
    data.insert(data.end(), packed.begin(), packed.end());
  }
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PSDGraphic, FilesOfImageMagickLoadAsItDecodesThem) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick missing";
  struct Case {
    const char* options;
    vcl::TPixelFormat format;
    int tolerance;
    // Against the picture ImageMagick was given: it cannot read its own indexed files back, and it
    // takes the colours of a merged image with alpha as matted against white, which they are not.
    bool againstSource = false;
  } cases[] = {
      {"", vcl::pf24bit, 0},
      {"-depth 16", vcl::pf24bit, 0},
      {"-colorspace gray", vcl::pf8bit, 0},
      {"-colorspace gray -depth 16", vcl::pf8bit, 1},  // rounded to 8 bits a little differently
      {"-type palette", vcl::pf8bit, 0, true},
      {"-colorspace cmyk", vcl::pf24bit, 1},
      {"-alpha set -channel A -fx 'i/w' +channel", vcl::pf32bit, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const Bytes ppm = reader_checks::MakePnm(false, 13, 5, PsdGradient);
    Bytes psd, decoded;
    ASSERT_TRUE(tiff_strips::RunTool(std::string("convert {in} ") + c.options + " psd:{out}", ppm, psd));
    if (c.againstSource)
      decoded = ppm;
    else
      ASSERT_TRUE(tiff_strips::RunTool("convert 'psd:{in}[0]' -depth 8 ppm:{out}", psd, decoded));
    const reader_checks::TLoaded l = reader_checks::LoadAs("psd", psd);
    EXPECT_EQ("TPSDGraphic", l.className);
    EXPECT_EQ(c.format, l.format);
    const std::vector<uint32_t> expected = reader_checks::PnmPixels(decoded);
    ASSERT_TRUE(reader_checks::ChannelsWithin(expected, l.rgb, c.tolerance));
    if (c.format == vcl::pf32bit) {
      Bytes alpha;
      ASSERT_TRUE(tiff_strips::RunTool("convert 'psd:{in}[0]' -alpha extract -depth 8 pgm:{out}", psd, alpha));
      std::vector<uint8_t> expectedAlpha;
      for (uint32_t v : reader_checks::PnmPixels(alpha)) expectedAlpha.push_back(static_cast<uint8_t>(v));
      EXPECT_EQ(expectedAlpha, l.alpha);
    }
  }
}

TEST(PSDGraphic, HandMadeVariants) {
  struct Case {
    const char* what;
    Bytes file;
    vcl::TPixelFormat format;
    std::vector<uint32_t> rgb;  // 3 x 2 pixels
  };
  std::vector<Case> cases;
  const Bytes grey = {0, 60, 120, 180, 240, 255};
  for (bool packed : {false, true}) {
    // Bitmap mode: one bit a pixel, 1 is black; rows of (width + 7) / 8 bytes.
    cases.push_back({"bitmap", MakePsd(0, 1, 1, 3, 2, {0xA0, 0x40}, packed), vcl::pf1bit,
                     {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF}});
    Bytes wide;
    for (uint8_t v : grey) wide.insert(wide.end(), {v, 0xFF});
    std::vector<uint32_t> greyRgb;
    for (uint8_t v : grey) {
      const uint32_t g = (uint32_t(v << 8 | 0xFF) * 255 + 32767) / 65535;
      greyRgb.push_back(g << 16 | g << 8 | g);
    }
    cases.push_back({"16-bit grey", MakePsd(1, 16, 1, 3, 2, wide, packed), vcl::pf8bit, greyRgb});
    // 16-bit RGB: coded lengths are bytes, not samples.
    Bytes rgb16;
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < 6; ++i) rgb16.insert(rgb16.end(), {uint8_t(i * 40 + c), uint8_t(i * 40 + c)});
    cases.push_back({"16-bit RGB", MakePsd(3, 16, 3, 3, 2, rgb16, packed), vcl::pf24bit,
                     {0x000102, 0x28292A, 0x505152, 0x78797A, 0xA0A1A2, 0xC8C9CA}});
  }
  {  // A palette block of 4 entries (not 768 bytes): red, green and blue planes of 4.
    const Bytes palette = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9};
    cases.push_back({"short palette", MakePsd(2, 8, 1, 3, 2, {0, 1, 2, 3, 2, 1}, false, palette), vcl::pf8bit,
                     {0xFF0000, 0x00FF00, 0x0000FF, 0x090909, 0x0000FF, 0x00FF00}});
  }
  {  // Lab: L in 0..255, a and b offset by 128; mid grey and white.
    const Bytes lab = {0, 255, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128};
    const reader_checks::TLoaded l = reader_checks::LoadAs("psd", MakePsd(9, 8, 3, 3, 2, lab, false));
    EXPECT_EQ(vcl::pf24bit, l.format);
    ASSERT_EQ(6u, l.rgb.size());
    EXPECT_EQ(0x000000u, l.rgb[0]);
    EXPECT_EQ(0xFFu, l.rgb[1] & 0xFF);
  }
  {  // Multichannel with 5 channels: the first four as RGBA.
    Bytes planes;
    for (int c = 0; c < 5; ++c) planes.insert(planes.end(), 6, uint8_t(c * 50 + 10));
    const reader_checks::TLoaded l = reader_checks::LoadAs("psd", MakePsd(7, 8, 5, 3, 2, planes, true));
    EXPECT_EQ(vcl::pf32bit, l.format);
    EXPECT_EQ(std::vector<uint32_t>(6, 0x0A3C6E), l.rgb);
    EXPECT_EQ(std::vector<uint8_t>(6, 160), l.alpha);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const reader_checks::TLoaded l = reader_checks::LoadAs("psd", c.file);
    EXPECT_EQ(c.format, l.format);
    EXPECT_EQ(c.rgb, l.rgb);
  }
}

TEST(PSDGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected PSD or PDD image format.";
  const std::string cut = "EInvalidGraphic: Stream read error in PSD file.";
  Bytes lowerCase = MakePsd(1, 8, 1, 2, 2, {1, 2, 3, 4}, false);
  lowerCase[1] = 'b';
  Bytes cutRaw = MakePsd(3, 8, 3, 2, 2, Bytes(12, 7), false);
  cutRaw.pop_back();
  Bytes cutCoded = MakePsd(3, 8, 3, 4, 2, Bytes(24, 7), true);
  cutCoded.resize(cutCoded.size() - 3);
  Bytes hugeResources = MakePsd(1, 8, 1, 2, 2, {1, 2, 3, 4}, false);
  hugeResources[30] = 0x7F;  // the resources' length
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"signature in lower case", lowerCase, invalid},
      {"duotone at 1 bit", MakePsd(8, 1, 1, 2, 2, {0, 0}, false), invalid},
      {"mode 5", MakePsd(5, 8, 3, 2, 2, Bytes(12, 7), false), invalid},
      {"RGB with 2 channels", MakePsd(3, 8, 2, 2, 2, Bytes(8, 7), false), invalid},
      {"resources beyond the end", hugeResources, invalid},
      {"raw planes cut", cutRaw, cut},
      {"coded rows cut", cutCoded, cut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TPSDGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
  vcl::TMemoryStream stream;
  stream.WriteBuffer(lowerCase.data(), static_cast<int32_t>(lowerCase.size()));
  stream.SetPosition(0);
  EXPECT_TRUE(TPSDGraphic().CanLoadStream(&stream));  // the content test ignores case
}

TEST(PSDGraphic, SurvivesDamage) {
  Bytes rgb;
  for (int i = 0; i < 3 * 5 * 4; ++i) rgb.push_back(uint8_t(i * 13));
  Bytes wide;
  for (int i = 0; i < 4 * 6 * 3; ++i) wide.push_back(uint8_t(i * 7));
  const Bytes samples[] = {
      MakePsd(3, 8, 3, 5, 4, rgb, true),
      MakePsd(4, 16, 4, 3, 3, wide, true),
      MakePsd(2, 8, 1, 6, 2, Bytes(12, 3), false, Bytes(768, 0x55)),
      MakePsd(0, 1, 1, 9, 3, Bytes(6, 0xAA), true),
  };
  unsigned seed = 111;
  for (const Bytes& s : samples) reader_checks::FuzzReader("psd", s, seed++, [] { return new TPSDGraphic; });
}
