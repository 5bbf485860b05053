#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "skin/engine/paint/section_textures.h"
#include "skin/engine/skin_manager.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/runtime/system.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

constexpr uint32_t kSectionTexturesUntouched = 0xEEEEEE;

std::unique_ptr<vcl::TBitmap> SectionTexturesFilled(int w, int h, uint32_t v) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) skin_test::PutStored24(b.get(), x, y, v);
  return b;
}

// Each pixel of the target compared with expected(x, y).
void SectionTexturesExpectPixels(vcl::TBitmap* target, const std::function<uint32_t(int, int)>& expected, const char* name) {
  for (int y = 0; y < target->Height(); ++y)
    for (int x = 0; x < target->Width(); ++x) ASSERT_EQ(skin_test::StoredAt24(target, x, y), expected(x, y)) << name << " at " << x << "," << y;
}

int Mod(int a, int b) { return ((a % b) + b) % b; }

TEST(SectionTextures, MasterTextureByDrawMode) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  vcl::TBitmap* master = manager->MasterBitmap();
  master->SetPixelFormat(vcl::pf24bit);
  master->SetSize(20, 10);
  // A patterned picture at (2, 1, 6, 4) for the tiles and a flat one at (10, 2, 14, 5) for the
  // stretches, whose result does not depend on the platform's sampling.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) skin_test::PutStored24(master, x, y, x >= 10 ? 0x2040A0 : uint32_t(0x100000 * y + 0x1000 * x + 0x11));
  TsMaskData patterned, flat;
  patterned.Manager = flat.Manager = manager.get();
  patterned.ImageRect = {2, 1, 6, 4};  // 4 x 3
  flat.ImageRect = {10, 2, 14, 5};

  const vcl::TRect r{3, 2, 17, 13};
  auto tile = [&](int x, int y) { return skin_test::StoredAt24(master, 2 + Mod(x - r.left, 4), 1 + Mod(y - r.top, 3)); };
  auto tileRight = [&](int x, int y) { return skin_test::StoredAt24(master, 2 + Mod(x - (r.right - 4), 4), 1 + Mod(y - r.top, 3)); };
  auto tileBottom = [&](int x, int y) { return skin_test::StoredAt24(master, 2 + Mod(x - r.left, 4), 1 + Mod(y - (r.bottom - 3), 3)); };
  auto in = [&](int x, int y, const vcl::TRect& b) { return x >= b.left && x < b.right && y >= b.top && y < b.bottom; };
  struct Case {
    const char* name;
    int mode;
    bool stretch;
    vcl::TRect painted, left;
    std::function<uint32_t(int, int)> colour;
  } cases[] = {
      {"tile", tdTile, false, r, AllCovered, tile},
      {"stretch", tdStretch, true, r, AllCovered, nullptr},
      {"top row", tdTopRow, false, {3, 2, 17, 5}, {3, 5, 17, 13}, tile},
      {"left column", tdLeftColumn, false, {3, 2, 7, 13}, {7, 2, 17, 13}, tile},
      {"stretched top", tdStretchTop, true, {3, 2, 17, 5}, {3, 5, 17, 13}, nullptr},
      {"stretched left", tdStretchLeft, true, {3, 2, 7, 13}, {7, 2, 17, 13}, nullptr},
      {"bottom row", tdBottomRow, false, {3, 10, 17, 13}, {3, 2, 17, 10}, tileBottom},
      {"right column", tdRightColumn, false, {13, 2, 17, 13}, {3, 2, 13, 13}, tileRight},
      {"rows above the last", tdTileAboveLastRow, false, {3, 2, 17, 11}, AllCovered, tile},
      {"unknown mode", 42, false, {13, 2, 17, 13}, {13, 2, 17, 13}, tileRight},
  };
  for (const Case& c : cases) {
    auto target = SectionTexturesFilled(24, 16, kSectionTexturesUntouched);
    vcl::TRect rect = r;
    PaintTexture(target->Canvas(), rect, nullptr, c.mode, c.stretch ? flat : patterned);
    EXPECT_TRUE(skin_test::SameRect(rect, c.left)) << c.name;
    SectionTexturesExpectPixels(target.get(), [&](int x, int y) {
      if (!in(x, y, c.painted)) return kSectionTexturesUntouched;
      return c.stretch ? 0x2040A0u : c.colour(x, y);
    }, c.name);
  }

  // Bands taller than the rectangle stay inside it.
  auto target = SectionTexturesFilled(24, 16, kSectionTexturesUntouched);
  vcl::TRect low{3, 2, 17, 4};
  PaintTexture(target->Canvas(), low, nullptr, tdTopRow, patterned);
  EXPECT_EQ(low.bottom - low.top, 0);
  SectionTexturesExpectPixels(target.get(), [&](int x, int y) { return in(x, y, {3, 2, 17, 4}) ? tile(x, y) : kSectionTexturesUntouched; }, "low");

  // Rectangles far larger than the target tile only what shows, on the rectangle's grid.
  const vcl::TRect huge{-1000001, -2000002, 500000000, 600000000};
  for (int mode : {tdTile, tdTileAboveLastRow}) {
    auto big = SectionTexturesFilled(24, 16, kSectionTexturesUntouched);
    vcl::TRect all = huge;
    PaintTexture(big->Canvas(), all, nullptr, mode, patterned);
    EXPECT_TRUE(IsAllCovered(all));
    SectionTexturesExpectPixels(big.get(), [&](int x, int y) {
      return skin_test::StoredAt24(master, 2 + Mod(x - huge.left, 4), 1 + Mod(y - huge.top, 3));
    }, "huge");
  }

  TsMaskData none;
  vcl::TRect kept = r;
  PaintTexture(target->Canvas(), kept, nullptr, tdTile, none);
  EXPECT_TRUE(skin_test::SameRect(kept, r));
}

TEST(SectionTextures, TilesBitmapsAndJpegsFromTheCorner) {
  auto picture = SectionTexturesFilled(3, 2, 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) skin_test::PutStored24(picture.get(), x, y, 0x203040 + 0x10 * x + 0x100000 * y);
  auto target = SectionTexturesFilled(16, 12, kSectionTexturesUntouched);
  const vcl::TRect r{2, 3, 13, 10};
  TileGraphic(target->Canvas(), r, picture.get());
  SectionTexturesExpectPixels(target.get(), [&](int x, int y) {
    const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    return inside ? skin_test::StoredAt24(picture.get(), (x - r.left) % 3, (y - r.top) % 2) : kSectionTexturesUntouched;
  }, "bitmap");

  // An own picture covers everything.
  auto again = SectionTexturesFilled(16, 12, kSectionTexturesUntouched);
  vcl::TRect rect = r;
  PaintTexture(again->Canvas(), rect, picture.get(), tdRightColumn, TsMaskData{});
  EXPECT_TRUE(IsAllCovered(rect));
  EXPECT_EQ(skin_test::StoredAt24(again.get(), 12, 9), skin_test::StoredAt24(picture.get(), 1, 0));

  auto flat = SectionTexturesFilled(8, 8, 0x3060C0);
  vcl::TJPEGImage jpeg;
  jpeg.Assign(flat.get());
  ASSERT_EQ(jpeg.Width(), 8);
  auto jpegTarget = SectionTexturesFilled(30, 30, kSectionTexturesUntouched);
  TileGraphic(jpegTarget->Canvas(), vcl::TRect{5, 4, 25, 21}, &jpeg);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const uint32_t v = skin_test::StoredAt24(jpegTarget.get(), x, y);
      if (x < 5 || x >= 25 || y < 4 || y >= 21) {
        ASSERT_EQ(v, kSectionTexturesUntouched) << x << "," << y;
      } else {
        for (int shift : {0, 8, 16})
          ASSERT_NEAR(int((v >> shift) & 0xFF), int((0x3060C0u >> shift) & 0xFF), 4) << x << "," << y;
      }
    }
  TileGraphic(jpegTarget->Canvas(), r, nullptr);
}

}  // namespace
