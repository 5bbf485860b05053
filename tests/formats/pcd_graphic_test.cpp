// Photo CD image packs made by hand (no independent tool writes them): the Base image, its
// quarter turns, the chroma upsampling; damaged packs end in EInvalidGraphic.
#include "formats/pcd/pcd_graphic.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

// Luma 40 in the top-left corner block, 90 top right, 140 bottom left, 190 bottom right (blocks
// of 16 pixels), 110 elsewhere; neutral chroma.
uint8_t Luma(uint32_t x, uint32_t y) {
  const bool left = x < 16, right = x >= 752, top = y < 16, bottom = y >= 496;
  if (top && left) return 40;
  if (top && right) return 90;
  if (bottom && left) return 140;
  if (bottom && right) return 190;
  return 110;
}

Bytes PcdPack(uint8_t rotation) {
  Bytes f(96 * 2048, 0);
  std::memcpy(f.data() + 2048, "PCD_IPI", 7);
  f[3586] = rotation;
  for (uint32_t y = 0; y < 512; y += 2) {
    for (uint32_t k = 0; k < 2; ++k)
      for (uint32_t x = 0; x < 768; ++x) f.push_back(Luma(x, y + k));
    f.insert(f.end(), 384, 156);
    f.insert(f.end(), 384, 137);
  }
  return f;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PCDGraphic, BaseImageAndItsQuarterTurns) {
  const reader_checks::TLoaded upright = reader_checks::LoadAs("pcd", PcdPack(0));
  EXPECT_EQ("TPCDGraphic", upright.className);
  EXPECT_EQ(vcl::pf24bit, upright.format);
  ASSERT_EQ(768, upright.width);
  ASSERT_EQ(512, upright.height);
  auto at = [](const reader_checks::TLoaded& l, int x, int y) { return l.rgb[size_t(y) * l.width + x]; };
  const uint32_t topLeft = at(upright, 0, 0), topRight = at(upright, 767, 0), bottomLeft = at(upright, 0, 511),
                 bottomRight = at(upright, 767, 511);
  EXPECT_NE(topLeft, topRight);
  EXPECT_NE(topLeft, bottomLeft);
  EXPECT_NE(bottomLeft, bottomRight);
  // Code 1: a quarter turn anticlockwise, the top-right corner comes to the top left.
  const reader_checks::TLoaded one = reader_checks::LoadAs("pcd", PcdPack(1));
  ASSERT_EQ(512, one.width);
  ASSERT_EQ(768, one.height);
  EXPECT_EQ(topRight, at(one, 0, 0));
  EXPECT_EQ(bottomLeft, at(one, 511, 767));
  // Code 3: clockwise, the bottom-left corner comes to the top left.
  const reader_checks::TLoaded three = reader_checks::LoadAs("pcd", PcdPack(3));
  ASSERT_EQ(512, three.width);
  EXPECT_EQ(bottomLeft, at(three, 0, 0));
  EXPECT_EQ(topRight, at(three, 511, 767));
  // Code 2 is not a turn this reader knows: upright.
  EXPECT_EQ(upright.rgb, reader_checks::LoadAs("pcd", PcdPack(2)).rgb);
}

TEST(PCDGraphic, PropertiesOfEachLevel) {
  const Bytes pack = PcdPack(1);
  struct Case {
    uint32_t index, width, height;
    TPackingKind packing;
  } cases[] = {{0, 128, 192, pkNone}, {2, 512, 768, pkNone}, {7, 4096, 6144, pkPhotoCD}};
  for (const Case& c : cases) {
    vcl::TMemoryStream stream;
    stream.WriteBuffer(pack.data(), 8192);
    stream.SetPosition(0);
    TPCDGraphic graphic;
    ASSERT_TRUE(graphic.ReadImageProperties(&stream, c.index));
    EXPECT_EQ(c.width, graphic.ImageProps.ImageWidth);
    EXPECT_EQ(c.height, graphic.ImageProps.ImageHeight);
    EXPECT_EQ(c.packing, graphic.ImageProps.Packing);
  }
}

TEST(PCDGraphic, InterpolatePlaneDoublesBothWays) {
  // 2 x 2 samples in a plane of stride 4, doubled to 4 x 4.
  uint8_t plane[16] = {10, 20, 0, 0, 30, 41, 0, 0};
  TPCDGraphic::InterpolatePlane(2, 2, 4, plane);
  const uint8_t expected[16] = {10, 15, 20, 20, 20, 25, 31, 31, 30, 36, 41, 41, 30, 36, 41, 41};
  EXPECT_EQ(0, std::memcmp(expected, plane, 16));
}

TEST(PCDGraphic, DamagedPacksRaiseAndLeaveTheBitmapEmpty) {
  Bytes overview = PcdPack(0);
  std::memcpy(overview.data(), "PCD_OPA", 7);
  Bytes cut = PcdPack(0);
  cut.resize(cut.size() - 1);
  Bytes notPcd = PcdPack(0);
  notPcd[2048] = 'X';
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"overview file", overview, "EInvalidGraphic: Cannot load image. Invalid or unexpected PCD image format."},
      {"not a pack", notPcd, "EInvalidGraphic: Cannot load image. Invalid or unexpected PCD image format."},
      {"Base image cut", cut, "EInvalidGraphic: Stream read error in PCD file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TPCDGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(PCDGraphic, SurvivesDamage) {
  reader_checks::FuzzReader("pcd", PcdPack(3), 271, [] { return new TPCDGraphic; });
}
