// The skin PNG reader against netpbm: files that pnmtopng makes over every colour type, depth,
// interlacing and transparency decode to the pixels pngtopam gives; damaged, truncated and
// hand-built files end in the reader's errors.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <string>

#include "skin/engine/png/png_graphic.h"
#include "tests/skin/engine/png/png_samples.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/exceptions.h"

using namespace png_samples;
using skin::png::TPNGGraphic;

namespace {

enum AlphaKind { kOpaque, kAlpha, kDropped, kKey, kPaletteKey };

struct Case {
  const char* name;
  std::string pipeline;
  int width, height;
  int colours;  // 0: the gradient, else a picture of that many colours
  uint8_t colourType, depth, interlace;
  AlphaKind alpha;
};

std::vector<Case> Cases(const std::string& dir) {
  const std::string a = " -alpha='" + dir + "/alpha.pgm'";
  const std::string a2 = " -alpha='" + dir + "/alpha2.pgm'";
  const std::string a3 = " -alpha='" + dir + "/alpha3.pgm'";
  return {
      {"grey 1", "ppmtopgm | pgmtopbm -threshold | pnmtopng", 23, 17, 0, 0, 1, 0, kOpaque},
      {"grey 2", "ppmtopgm | pnmdepth 3 | pnmtopng -force", 23, 17, 0, 0, 2, 0, kOpaque},
      {"grey 4", "ppmtopgm | pnmdepth 15 | pnmtopng -force", 23, 17, 0, 0, 4, 0, kOpaque},
      {"grey 8", "ppmtopgm | pnmtopng -force", 23, 17, 0, 0, 8, 0, kOpaque},
      {"grey 16", "ppmtopgm | pnmdepth 65535 | pnmtopng -force", 23, 17, 0, 0, 16, 0, kOpaque},
      {"rgb 8", "pnmtopng -force", 23, 17, 0, 2, 8, 0, kOpaque},
      {"rgb 16", "pnmdepth 65535 | pnmtopng -force", 23, 17, 0, 2, 16, 0, kOpaque},
      {"palette 1", "pnmtopng", 23, 17, 2, 3, 1, 0, kOpaque},
      {"palette 2", "pnmtopng", 23, 17, 4, 3, 2, 0, kOpaque},
      {"palette 4", "pnmtopng", 23, 17, 12, 3, 4, 0, kOpaque},
      {"palette 8", "pnmtopng", 23, 17, 50, 3, 8, 0, kOpaque},
      {"grey alpha 8", "ppmtopgm | pnmtopng -force" + a, 23, 17, 0, 4, 8, 0, kDropped},
      {"grey alpha 16", "ppmtopgm | pnmdepth 65535 | pnmtopng -force" + a, 23, 17, 0, 4, 16, 0, kDropped},
      {"rgba 8", "pnmtopng -force" + a, 23, 17, 0, 6, 8, 0, kAlpha},
      {"rgba 16", "pnmdepth 65535 | pnmtopng -force" + a, 23, 17, 0, 6, 16, 0, kAlpha},
      {"grey 1 interlaced", "ppmtopgm | pgmtopbm -threshold | pnmtopng -interlace", 13, 9, 0, 0, 1, 1, kOpaque},
      {"grey 2 interlaced", "ppmtopgm | pnmdepth 3 | pnmtopng -force -interlace", 13, 9, 0, 0, 2, 1, kOpaque},
      {"grey 16 interlaced", "ppmtopgm | pnmdepth 65535 | pnmtopng -force -interlace", 13, 9, 0, 0, 16, 1, kOpaque},
      {"rgb 8 interlaced", "pnmtopng -force -interlace", 13, 9, 0, 2, 8, 1, kOpaque},
      {"rgba 16 interlaced", "pnmdepth 65535 | pnmtopng -force -interlace" + a2, 13, 9, 0, 6, 16, 1, kAlpha},
      {"palette 2 interlaced", "pnmtopng -interlace", 13, 9, 4, 3, 2, 1, kOpaque},
      {"grey alpha interlaced", "ppmtopgm | pnmtopng -force -interlace" + a2, 13, 9, 0, 4, 8, 1, kDropped},
      {"rgba 3 x 2 interlaced", "pnmtopng -force -interlace" + a3, 3, 2, 0, 6, 8, 1, kAlpha},
      {"grey 8 transparent", "ppmtopgm | pnmtopng -force -transparent=rgb:00/00/00", 23, 17, 0, 0, 8, 0, kKey},
      {"grey 2 transparent", "ppmtopgm | pnmdepth 3 | pnmtopng -force -transparent=rgb:55/55/55", 23, 17, 0, 0, 2, 0,
       kKey},
      {"rgb transparent", "pnmtopng -force -transparent=rgb:00/00/00", 23, 17, 0, 2, 8, 0, kKey},
      {"rgb 16 transparent", "pnmdepth 65535 | pnmtopng -force -transparent=rgb:00/00/00", 23, 17, 0, 2, 16, 0, kKey},
      {"palette transparent", "pnmtopng -transparent=rgb:0a/ff/00", 23, 17, 50, 3, 8, 0, kPaletteKey},
  };
}

class SkinPngReader : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveNetpbm()) GTEST_SKIP() << "netpbm's pnmtopng and pngtopam are needed";
    dir_ = test_files::MakeTempDir();
    test_files::WriteFileBytes(dir_ + "/alpha.pgm", AlphaPGM(23, 17));
    test_files::WriteFileBytes(dir_ + "/alpha2.pgm", AlphaPGM(13, 9));
    test_files::WriteFileBytes(dir_ + "/alpha3.pgm", AlphaPGM(3, 2));
  }
  Bytes Make(const Case& c) {
    const Bytes source = c.colours ? FewColoursPPM(c.width, c.height, c.colours) : GradientPPM(c.width, c.height);
    return RunTool(c.pipeline, source);
  }
  std::string dir_;
};

uint8_t Scaled(uint32_t sample, uint32_t maxval) { return uint8_t(uint64_t(sample) * 255 / maxval); }

}  // namespace

TEST_F(SkinPngReader, PnmtopngFilesDecodeToThePixelsOfPngtopam) {
  for (const Case& c : Cases(dir_)) {
    SCOPED_TRACE(c.name);
    const Bytes file = Make(c);
    ASSERT_GT(file.size(), 33u);
    ASSERT_EQ(file[24], c.depth);
    ASSERT_EQ(file[25], c.colourType);
    ASSERT_EQ(file[28], c.interlace);
    const Netpbm ref = ParseNetpbm(RunTool("pngtopam -alphapam", file));
    ASSERT_TRUE(ref.Valid());
    TPNGGraphic png;
    Load(png, file);
    ASSERT_EQ(png.Width(), c.width);
    ASSERT_EQ(png.Height(), c.height);
    EXPECT_EQ(png.PixelFormat(), c.colourType == 6 ? vcl::pf32bit
                                 : c.colourType == 2 ? vcl::pf24bit
                                 : c.depth == 1 ? vcl::pf1bit
                                 : c.depth <= 4 && c.colourType != 4 ? vcl::pf4bit
                                                                      : vcl::pf8bit);
    const std::vector<Rgba> shown = Shown(png);
    const bool colour = ref.depth >= 3;
    const bool refAlpha = ref.depth == 2 || ref.depth == 4;
    EXPECT_EQ(png.Transparent(), c.alpha == kKey);
    const uint32_t key = uint32_t(png.TransparentColor()) & 0xFFFFFF;
    int mismatches = 0, keyed = 0;
    for (int i = 0; i < c.width * c.height; ++i) {
      const uint32_t* s = &ref.samples[size_t(i) * ref.depth];
      Rgba want{Scaled(s[0], ref.maxval), Scaled(s[colour ? 1 : 0], ref.maxval), Scaled(s[colour ? 2 : 0], ref.maxval),
                255};
      if (c.alpha == kAlpha) want.a = Scaled(s[ref.depth - 1], ref.maxval);
      if (shown[size_t(i)] != want && ++mismatches < 5)
        ADD_FAILURE() << "pixel " << i << ": " << int(shown[i].r) << "," << int(shown[i].g) << "," << int(shown[i].b)
                      << "," << int(shown[i].a) << " wanted " << int(want.r) << "," << int(want.g) << ","
                      << int(want.b) << "," << int(want.a);
      if (c.alpha == kKey && refAlpha) {
        const uint32_t rgb = uint32_t(want.r) | uint32_t(want.g) << 8 | uint32_t(want.b) << 16;
        // The key names exactly the colour of the pixels pngtopam makes transparent.
        EXPECT_EQ(rgb == key, s[ref.depth - 1] == 0) << "pixel " << i;
        keyed += s[ref.depth - 1] == 0;
      }
    }
    EXPECT_EQ(mismatches, 0);
    if (c.alpha == kKey) {
      EXPECT_GT(keyed, 0);
    }
  }
}

TEST_F(SkinPngReader, GammaOfTheFileAppliesToColoursAndNotToAlpha) {
  const Bytes file = RunTool("pnmtopng -force -gamma=0.45 -alpha='" + dir_ + "/alpha.pgm'", GradientPPM(23, 17));
  const Netpbm ref = ParseNetpbm(RunTool("pngtopam -alphapam", file));
  ASSERT_TRUE(ref.Valid());
  TPNGGraphic png;
  Load(png, file);
  EXPECT_EQ(png.ImageProperties().Options & 2, 2);
  const std::vector<Rgba> shown = Shown(png);
  for (size_t i = 0; i < shown.size(); ++i) {
    auto corrected = [](uint32_t v) {
      return uint8_t(std::nearbyint(std::pow(v / 255.0, 1 / (0.45 * 2.2)) * 255));
    };
    const uint32_t* s = &ref.samples[i * 4];
    ASSERT_EQ(shown[i], (Rgba{corrected(s[0]), corrected(s[1]), corrected(s[2]), uint8_t(s[3])})) << i;
  }
  // The next file without gAMA in the same object decodes without any gamma.
  const Bytes plain = RunTool("pnmtopng -force", GradientPPM(23, 17));
  Load(png, plain);
  const Netpbm ref2 = ParseNetpbm(RunTool("pngtopam", plain));
  const std::vector<Rgba> shown2 = Shown(png);
  for (size_t i = 0; i < shown2.size(); ++i)
    ASSERT_EQ(shown2[i], (Rgba{uint8_t(ref2.samples[i * 3]), uint8_t(ref2.samples[i * 3 + 1]),
                                uint8_t(ref2.samples[i * 3 + 2]), 255}))
        << i;
}

TEST_F(SkinPngReader, TruncationsAndRandomDamageEndInTheReadersError) {
  unsigned seed = 1;
  for (const Case& c : Cases(dir_)) {
    const Bytes file = Make(c);
    ASSERT_FALSE(file.empty()) << c.name;
    fuzz::Fuzz(c.name, file, seed++, [](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TPNGGraphic png;
      png.LoadFromStream(&stream);
    });
  }
}

// Damage that keeps every checksum right reaches the image data, the filters and the colour
// conversion rather than stopping at the first CRC: the same copies with their CRCs made again.
TEST_F(SkinPngReader, DamageBehindRepairedChecksumsEndsInTheReadersError) {
  unsigned seed = 1000;
  for (const Case& c : Cases(dir_)) {
    const Bytes file = Make(c);
    ASSERT_FALSE(file.empty()) << c.name;
    fuzz::Fuzz(c.name, file, seed++, [](uint8_t* data, int32_t size) {
      for (int64_t at = 8; at + 12 <= size;) {
        const uint32_t length = uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
        if (length > uint32_t(size) || at + 12 + int64_t(length) > size) break;
        const uint32_t crc = uint32_t(crc32(0, data + at + 4, uInt(length + 4)));
        uint8_t* stored = data + at + 8 + length;
        for (int k = 0; k < 4; ++k) stored[k] = uint8_t(crc >> (24 - 8 * k));
        at += 12 + int64_t(length);
      }
      fuzz::TGuardedStream stream(data, size);
      TPNGGraphic png;
      png.LoadFromStream(&stream);
    });
  }
}
