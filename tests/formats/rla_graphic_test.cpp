// Wavefront RLA files made by hand (no independent tool writes them): rows from the bottom or
// the top, a matte channel as alpha, gamma; damaged files end in EInvalidGraphic.
#include "formats/rla/rla_graphic.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

// Rows of `width` pixels, channel value = base + row for each channel (all one run), in file
// order; bottom < top stores rows from the bottom.
Bytes MakeRla(int16_t width, int16_t bottom, int16_t top, uint16_t mattes, const char* gamma = "",
              const char* space = "rgb", uint16_t bits = 8) {
  Bytes f(740, 0);
  auto put16 = [&](size_t at, uint32_t v) { f[at] = uint8_t(v >> 8), f[at + 1] = uint8_t(v); };
  put16(0, 0), put16(2, static_cast<uint16_t>(width - 1)), put16(4, static_cast<uint16_t>(bottom)),
      put16(6, static_cast<uint16_t>(top));
  put16(20, 3), put16(22, mattes), put16(26, 0xFFFE), put16(658, bits);
  std::memcpy(f.data() + 28, gamma, std::strlen(gamma));
  std::memcpy(f.data() + 580, space, std::strlen(space));
  const int height = std::abs(top - bottom) + 1;
  const size_t table = f.size();
  f.resize(table + height * 4);
  for (int r = 0; r < height; ++r) {
    const uint32_t at = static_cast<uint32_t>(f.size());
    f[table + r * 4] = uint8_t(at >> 24), f[table + r * 4 + 1] = uint8_t(at >> 16), f[table + r * 4 + 2] = uint8_t(at >> 8),
                  f[table + r * 4 + 3] = uint8_t(at);
    for (int c = 0; c < 3 + mattes; ++c) {
      test_files::PutBE16(f, 2);
      f.push_back(static_cast<uint8_t>(width - 1));  // a run of `width`
      f.push_back(static_cast<uint8_t>(c * 50 + r));
    }
  }
  return f;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(RLAGraphic, RowsMatteAndGamma) {
  reader_checks::TLoaded l = reader_checks::LoadAs("rla", MakeRla(2, 0, 1, 0));
  EXPECT_EQ("TRLAGraphic", l.className);
  EXPECT_EQ(vcl::pf24bit, l.format);
  // Bottom 0, top 1: the first stored row is the bottom one.
  EXPECT_EQ((std::vector<uint32_t>{0x013365, 0x013365, 0x003264, 0x003264}), l.rgb);
  l = reader_checks::LoadAs("rla", MakeRla(2, 1, 0, 1));
  EXPECT_EQ(vcl::pf32bit, l.format);
  EXPECT_EQ((std::vector<uint32_t>{0x003264, 0x003264, 0x013365, 0x013365}), l.rgb);
  EXPECT_EQ((std::vector<uint8_t>{150, 150, 151, 151}), l.alpha);
  // A gamma of 2.2 brightens the mid tones; 1.0 leaves them.
  EXPECT_EQ(0x003264u, reader_checks::LoadAs("rla", MakeRla(1, 0, 0, 0, "1.0")).rgb[0]);
  EXPECT_GT(reader_checks::LoadAs("rla", MakeRla(1, 0, 0, 0, "2.2")).rgb[0] & 0xFF, 0x64u);
}

TEST(RLAGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected RLA image format.";
  Bytes cut = MakeRla(4, 0, 3, 0);
  cut.resize(cut.size() - 3);
  Bytes rowOutside = MakeRla(4, 0, 1, 0);
  rowOutside[740] = 0x7F;
  Bytes tallHeader = MakeRla(2, 0, 1, 0);
  tallHeader[7] = 0xFF, tallHeader[6] = 0x7F;  // top 32767: a table of 32768 rows
  tallHeader.resize(760);
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"xyz channels", MakeRla(2, 0, 1, 0, "", "xyz"), invalid},
      {"16-bit channels", MakeRla(2, 0, 1, 0, "", "rgb", 16), invalid},
      {"right left of left", MakeRla(-1, 0, 1, 0), invalid},
      {"rows cut", cut, "EInvalidGraphic: Stream read error in RLA file."},
      {"row outside the file", rowOutside, "EInvalidGraphic: Stream read error in RLA file."},
      {"table beyond the file", tallHeader, "EInvalidGraphic: Stream read error in RLA file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TRLAGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(RLAGraphic, SurvivesDamage) {
  // Rows stored from either end, with and without the matte channel.
  unsigned seed = 251;
  for (const Bytes& sample : {MakeRla(5, 3, 0, 1, "2.2"), MakeRla(4, 0, 2, 0), MakeRla(7, 2, 0, 0, "1.0")})
    reader_checks::FuzzReader("rla", sample, seed++, [] { return new TRLAGraphic; });
}
