// Autodesk cel files and Dr. Halo cut files with their companion palettes, made by hand (no
// independent tool writes them); damaged files end in EInvalidGraphic.
#include <gtest/gtest.h>

#include "formats/autodesk/autodesk_graphic.h"
#include "formats/cut/cut_graphic.h"
#include "formats/file_format_list.h"
#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

Bytes Cel(uint16_t width, uint16_t height, const Bytes& pixels, uint8_t bits = 8) {
  Bytes f;
  test_files::PutLE16(f, 0x9119);
  test_files::PutLE16(f, width);
  test_files::PutLE16(f, height);
  f.resize(10, 0);
  f.insert(f.end(), {bits, 0});
  f.resize(32, 0);
  for (int i = 0; i < 256; ++i) f.insert(f.end(), {uint8_t(i % 64), uint8_t(63), uint8_t(0)});
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

// Rows of a run of `run` pixels of value 5 followed by the literal bytes 1, 2.
Bytes Cut(uint16_t width, uint16_t height, uint8_t run) {
  Bytes f;
  test_files::PutLE16(f, width);
  test_files::PutLE16(f, height);
  test_files::PutLE16(f, 0);
  for (int y = 0; y < height; ++y) {
    const Bytes row = {uint8_t(0x80 | run), 5, 2, 1, 2, 0};
    test_files::PutLE16(f, static_cast<uint32_t>(row.size()));
    f.insert(f.end(), row.begin(), row.end());
  }
  return f;
}

// A companion palette declaring `count` entries, entry i = (i, 255 - i, 7) in 16-bit words.
Bytes Pal(uint32_t count) {
  Bytes f(40, 0);
  f[12] = static_cast<uint8_t>(count - 1);
  f[13] = static_cast<uint8_t>((count - 1) >> 8);
  for (uint32_t i = 0; i < count; ++i) {
    if (f.size() % 512 > 506) f.resize((f.size() / 512 + 1) * 512, 0);
    for (uint32_t v : {i & 0xFF, 255 - (i & 0xFF), 7u}) test_files::PutLE16(f, v);
  }
  return f;
}

using reader_checks::ErrorOf;

reader_checks::TLoaded LoadFile(const std::string& path) {
  RegisterPictureFormats();
  vcl::TPicture picture;
  picture.LoadFromFile(path);
  reader_checks::TLoaded l = reader_checks::Pixels(dynamic_cast<vcl::TBitmap*>(picture.Graphic()));
  UnregisterPictureFormats();
  reader_checks::RestorePlatformFormats();
  return l;
}

}  // namespace

TEST(AutodeskGraphic, PaletteOfSixBitComponentsAndRows) {
  const reader_checks::TLoaded l = reader_checks::LoadAs("cel", Cel(3, 2, {0, 1, 63, 10, 11, 12}));
  EXPECT_EQ("TAutodeskGraphic", l.className);
  EXPECT_EQ(vcl::pf8bit, l.format);
  EXPECT_EQ((std::vector<uint32_t>{0x00FC00, 0x04FC00, 0xFCFC00, 0x28FC00, 0x2CFC00, 0x30FC00}), l.rgb);
  EXPECT_EQ("TAutodeskGraphic", reader_checks::LoadAs("pic", Cel(1, 1, {0})).className);
}

TEST(AutodeskGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected Autodesk image format.";
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"4 bits a pixel", Cel(2, 2, Bytes(4, 1), 4), invalid},
      {"zero height", Cel(2, 0, {}), invalid},
      {"rows cut", Cel(4, 4, Bytes(15, 1)), "EInvalidGraphic: Stream read error in Autodesk file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TAutodeskGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(AutodeskGraphic, SurvivesDamage) {
  unsigned seed = 191;
  for (const Bytes& sample : {Cel(5, 3, Bytes(15, 9)), Cel(2, 7, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})})
    reader_checks::FuzzReader("autodesk", sample, seed++, [] { return new TAutodeskGraphic; });
}

TEST(CUTGraphic, CompanionPaletteCappedAt256AndGreyWithoutIt) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/halo.cut", Cut(5, 2, 3));
  // Without a companion: grey levels.
  reader_checks::TLoaded l = LoadFile(dir + "/halo.cut");
  EXPECT_EQ("TCUTGraphic", l.className);
  EXPECT_EQ(std::vector<uint32_t>({0x050505, 0x050505, 0x050505, 0x010101, 0x020202, 0x050505, 0x050505,
                                   0x050505, 0x010101, 0x020202}),
            l.rgb);
  // A companion declaring 300 entries: the first 256 are taken, entries skip block ends.
  test_files::WriteFileBytes(dir + "/halo.pal", Pal(300));
  l = LoadFile(dir + "/halo.cut");
  EXPECT_EQ(0x05FA07u, l.rgb[0]);
  EXPECT_EQ(0x01FE07u, l.rgb[3]);
  // Entry 90 lies in the second block.
  Bytes file = Cut(1, 1, 1);
  file[9] = 90;
  test_files::WriteFileBytes(dir + "/halo.cut", file);
  l = LoadFile(dir + "/halo.cut");
  EXPECT_EQ(0x5AA507u, l.rgb[0]);
  EXPECT_FALSE(TCUTGraphic().CanLoadStream(nullptr));
}

TEST(CUTGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  Bytes cut = Cut(5, 3, 3);
  cut.resize(cut.size() - 8);  // the last row gone
  Bytes zero = Cut(5, 3, 3);
  zero[0] = zero[1] = 0;
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"rows cut", cut, "EInvalidGraphic: Stream read error in CUT file."},
      {"zero width", zero, "EInvalidGraphic: Cannot load image. Invalid or unexpected CUT image format."},
      {"size beyond the data", Cut(60000, 60000, 3), "EInvalidGraphic: Stream read error in CUT file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TCUTGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(CUTGraphic, SurvivesDamage) {
  unsigned seed = 193;
  for (const Bytes& sample : {Cut(9, 4, 7), Cut(3, 6, 1), Cut(40, 2, 38)})
    reader_checks::FuzzReader("cut", sample, seed++, [] { return new TCUTGraphic; });
}
