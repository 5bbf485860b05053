#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include "skin/engine/paint/section_background.h"
#include "skin/engine/paint/section_textures.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/system.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

using SectionBackgroundPx = std::array<int, 3>;  // blue, green, red
constexpr uint32_t kSectionBackgroundUntouched = 0xEEEEEE;

std::unique_ptr<vcl::TBitmap> SectionBackgroundMakeBitmap(int w, int h, vcl::TPixelFormat format = vcl::pf24bit) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(w, h);
  return b;
}
SectionBackgroundPx SectionBackgroundGet(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + skin_test::BytesPerPixel(b) * x;
  return {p[0], p[1], p[2]};
}
void SectionBackgroundPut(vcl::TBitmap* b, int x, int y, uint32_t colour) {  // colour as TColor (red low)
  uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + skin_test::BytesPerPixel(b) * x;
  p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
}
SectionBackgroundPx Channels(uint32_t colour) { return {int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF), int(colour & 0xFF)}; }
std::unique_ptr<vcl::TBitmap> SectionBackgroundFilled(int w, int h, uint32_t colour, vcl::TPixelFormat format = vcl::pf24bit) {
  auto b = SectionBackgroundMakeBitmap(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SectionBackgroundPut(b.get(), x, y, colour);
  return b;
}

// A skin of one section, PANEL, with a 4 x 3 patterned texture in the master image.
struct SkinFixture {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};
  std::unique_ptr<vcl::TBitmap> parent = SectionBackgroundMakeBitmap(40, 30);
  SkinFixture() {
    vcl::TBitmap* master = manager->MasterBitmap();
    master->SetPixelFormat(vcl::pf24bit);
    master->SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) SectionBackgroundPut(master, x, y, 0x0A0B0C + 0x1B0000 * x + 0x002300 * y + 0x11 * ((x + y) % 3));
    TsMaskData texture;
    texture.SectionName = "PANEL";
    texture.PropertyName = "PATTERN";
    texture.Manager = manager.get();
    texture.ImageRect = {1, 2, 5, 5};
    texture.ImgType = itisaTexture;
    manager->Masks.push_back(texture);
    TsGeneralData section;
    section.SectionName = "PANEL";
    section.Color = 0x3070B0;
    section.HotColor = 0x60A0E0;
    manager->Sections.push_back(section);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) SectionBackgroundPut(parent.get(), x, y, uint32_t(0x050709 * ((x * 7 + y * 3) % 31)));
  }
  TsGeneralData& Section() { return manager->Sections[0]; }
  SectionBackgroundPx Texture(int x, int y) { return SectionBackgroundGet(manager->MasterBitmap(), 1 + ((x % 4) + 4) % 4, 2 + ((y % 3) + 3) % 3); }
};

int Mix(int target, int source, int a) { return (target * a + source * (255 - a) + 127) / 256; }
int Keep(int pixel, int share, int colour) { return int(std::nearbyint(pixel * (share / 100.0) + colour * (1 - share / 100.0))); }

TEST(SectionBackground, LayersThroughTheSectionsTransparency) {
  const vcl::TRect rect{3, 2, 15, 12};
  const vcl::TPoint offset{5, 4};
  const uint32_t gradientColour = 0x204060;
  struct Case {
    const char* name;
    int transparency, gradient, image;
    bool hot, ready, part;
    uint32_t behind;  // the background colour when not ready
    vcl::TColor custom;
    // The expected pixel from the section colour, the texture, the background pixel.
    std::function<SectionBackgroundPx(SectionBackgroundPx c, SectionBackgroundPx tex, SectionBackgroundPx bg)> pixel;
  } cases[] = {
      {"opaque colour", 0, 0, 0, false, true, false, 0, NoCustomColor, [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx) { return c; }},
      {"hot colour", 0, 0, 0, true, true, false, 0, NoCustomColor, [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx) { return c; }},
      {"custom colour", 40, 30, 50, false, true, false, 0, 0x123456, [](SectionBackgroundPx, SectionBackgroundPx, SectionBackgroundPx) { return Channels(0x123456); }},
      {"see-through over an image", 100, 0, 0, false, true, false, 0, NoCustomColor, [](SectionBackgroundPx, SectionBackgroundPx, SectionBackgroundPx bg) { return bg; }},
      {"see-through over a colour", 100, 0, 0, false, false, false, 0x445566, NoCustomColor,
       [](SectionBackgroundPx, SectionBackgroundPx, SectionBackgroundPx) { return Channels(0x445566); }},
      {"nothing known behind", 100, 0, 0, false, false, false, 0xFF00FF, NoCustomColor,
       [](SectionBackgroundPx, SectionBackgroundPx, SectionBackgroundPx) { return Channels(0xFF00FF); }},
      {"40 % over a colour", 40, 0, 0, false, false, false, 0x445566, NoCustomColor,
       [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx bg) { return SectionBackgroundPx{Keep(bg[0], 40, c[0]), Keep(bg[1], 40, c[1]), Keep(bg[2], 40, c[2])}; }},
      {"40 % over an image", 40, 0, 0, false, true, false, 0, NoCustomColor,
       [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx bg) { return SectionBackgroundPx{Mix(bg[0], c[0], 102), Mix(bg[1], c[1], 102), Mix(bg[2], c[2], 102)}; }},
      {"gradient 30 over texture 50", 0, 30, 50, false, true, false, 0, NoCustomColor,
       [&](SectionBackgroundPx c, SectionBackgroundPx tex, SectionBackgroundPx) {
         const SectionBackgroundPx g = Channels(gradientColour);
         SectionBackgroundPx out;
         for (int k = 0; k < 3; ++k) out[k] = Keep(Mix(tex[k], g[k], 127), 80, c[k]);
         return out;
       }},
      {"gradient 60, texture 40: no colour layer", 0, 60, 40, false, true, false, 0, NoCustomColor,
       [&](SectionBackgroundPx, SectionBackgroundPx tex, SectionBackgroundPx) {
         const SectionBackgroundPx g = Channels(gradientColour);
         return SectionBackgroundPx{Mix(tex[0], g[0], 102), Mix(tex[1], g[1], 102), Mix(tex[2], g[2], 102)};
       }},
      {"gradient 70, texture 50: layers kept", 0, 70, 50, false, true, false, 0, NoCustomColor,
       [&](SectionBackgroundPx, SectionBackgroundPx tex, SectionBackgroundPx) {
         const SectionBackgroundPx g = Channels(gradientColour);
         return SectionBackgroundPx{Mix(tex[0], g[0], 127), Mix(tex[1], g[1], 127), Mix(tex[2], g[2], 127)};
       }},
      {"part: gradient 60, texture 40", 0, 60, 40, false, true, true, 0, NoCustomColor,
       [&](SectionBackgroundPx, SectionBackgroundPx tex, SectionBackgroundPx) {
         const SectionBackgroundPx g = Channels(gradientColour);
         return SectionBackgroundPx{Mix(tex[0], g[0], 102), Mix(tex[1], g[1], 102), Mix(tex[2], g[2], 102)};
       }},
      {"part: gradient 70, texture 50 fills", 0, 70, 50, false, true, true, 0, NoCustomColor,
       [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx) { return c; }},
      {"part: 40 % over an image", 40, 0, 0, false, true, true, 0, NoCustomColor,
       [](SectionBackgroundPx c, SectionBackgroundPx, SectionBackgroundPx bg) { return SectionBackgroundPx{Mix(bg[0], c[0], 102), Mix(bg[1], c[1], 102), Mix(bg[2], c[2], 102)}; }},
  };
  for (const Case& c : cases) {
    for (vcl::TPixelFormat format : {vcl::pf24bit, vcl::pf32bit}) {
      SkinFixture f;
      TsGeneralData& s = f.Section();
      s.Transparency = s.HotTransparency = c.transparency;
      s.GradientPercent = s.HotGradientPercent = c.gradient;
      s.ImagePercent = s.HotImagePercent = c.image;
      TsGradPie flat;
      flat.Color1 = flat.Color2 = int32_t(gradientColour);
      flat.Percent = 100;
      s.GradientArray = s.HotGradientArray = {flat};
      auto target = SectionBackgroundFilled(20, 16, kSectionBackgroundUntouched, format);
      TsBackgroundInfo info{c.ready ? f.parent.get() : nullptr, 1, 2, int32_t(c.behind), c.ready};
      if (c.part)
        PaintPartBg(0, 0, 0, f.manager.get(), target.get(), offset, rect, c.hot, info, "PANEL");
      else
        PaintSectionBg(0, "PANEL", info, c.custom, -1, -1, f.manager.get(), target.get(), offset, rect, c.hot);
      const SectionBackgroundPx colour = Channels(c.hot ? s.HotColor : s.Color);
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
          const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
          const SectionBackgroundPx behind = c.ready ? SectionBackgroundGet(f.parent.get(), 1 + offset.x + x - rect.left, 2 + offset.y + y - rect.top)
                                    : Channels(c.behind);
          const SectionBackgroundPx want = inside ? c.pixel(colour, f.Texture(x - rect.left, y - rect.top), behind) : Channels(kSectionBackgroundUntouched);
          ASSERT_EQ(SectionBackgroundGet(target.get(), x, y), want) << c.name << (format == vcl::pf32bit ? " (32)" : "") << " at " << x << ","
                                                   << y;
        }
    }
  }
}

TEST(SectionBackground, PaintsOnlyInsideTheRectangleAndTheTarget) {
  SkinFixture f;
  f.Section().Transparency = 40;
  struct Case {
    vcl::TRect rect;
  } cases[] = {{{-4, -3, 8, 6}}, {{15, 10, 30, 30}}, {{5, 5, 5, 9}}, {{5, 5, 9, 5}}, {{9, 9, 4, 4}}};
  for (const Case& c : cases) {
    auto target = SectionBackgroundFilled(20, 16, kSectionBackgroundUntouched);
    TsBackgroundInfo info{f.parent.get(), 0, 0, 0, true};
    PaintSectionBg(0, "PANEL", info, NoCustomColor, -1, -1, f.manager.get(), target.get(), {0, 0}, c.rect, false);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        const bool inside = x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom;
        if (!inside) ASSERT_EQ(SectionBackgroundGet(target.get(), x, y), Channels(kSectionBackgroundUntouched)) << x << "," << y;
        else ASSERT_NE(SectionBackgroundGet(target.get(), x, y), Channels(kSectionBackgroundUntouched)) << x << "," << y;
      }
  }

  // The parent's own image as the target: a see-through section leaves it.
  f.Section().Transparency = 100;
  auto before = SectionBackgroundMakeBitmap(40, 30);
  before->Assign(f.parent.get());
  PaintSectionBg(0, "PANEL", TsBackgroundInfo{f.parent.get(), 0, 0, 0, true}, NoCustomColor, -1, -1, f.manager.get(),
                 f.parent.get(), {3, 3}, vcl::TRect{0, 0, 20, 20}, false);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(SectionBackgroundGet(f.parent.get(), x, y), SectionBackgroundGet(before.get(), x, y));

  // No section, no manager: nothing.
  auto target = SectionBackgroundFilled(8, 8, kSectionBackgroundUntouched);
  PaintSectionBg(5, "NONE", TsBackgroundInfo{}, NoCustomColor, -1, -1, f.manager.get(), target.get(), {0, 0},
                 vcl::TRect{0, 0, 8, 8}, false);
  PaintPartBg(-1, 0, 0, f.manager.get(), target.get(), {0, 0}, vcl::TRect{0, 0, 8, 8}, false, TsBackgroundInfo{}, "");
  EXPECT_EQ(SectionBackgroundGet(target.get(), 4, 4), Channels(kSectionBackgroundUntouched));
}

// A texture with a transparency half: black mask pixels show the picture, key pixels the
// background; mode 10 shows the background right of and below the whole tiles.
TEST(SectionBackground, MaskedTexturesTileOverTheBackground) {
  SkinFixture f;
  vcl::TBitmap* master = f.manager->MasterBitmap();
  master->SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) SectionBackgroundPut(master, x, y, y >= 3 && y < 6 ? 0 : uint32_t(0x102030 + 0x0A0000 * x + 0x000A00 * y));
  SectionBackgroundPut(master, 1, 1, 0xFF00FF);  // a key pixel in the picture
  TsMaskData mask;
  mask.Manager = f.manager.get();
  mask.ImageRect = {0, 0, 4, 6};  // one 4 x 3 frame over its 4 x 3 mask
  mask.ImageCount = 1;
  mask.MaskType = 1;
  for (int mode : {tdTile, tdTileAboveLastRow}) {
    auto target = SectionBackgroundFilled(20, 16, kSectionBackgroundUntouched);
    const vcl::TRect rect{2, 1, 13, 12};
    vcl::TRect r = rect;
    const TsBackgroundInfo info{f.parent.get(), 3, 1, 0, true};
    PaintMaskedTexture(target.get(), r, info, mode, mask);
    EXPECT_TRUE(IsAllCovered(r));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        const int dx = x - rect.left, dy = y - rect.top;
        SectionBackgroundPx want = Channels(kSectionBackgroundUntouched);
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
          const bool wholeTile = dx < 8 && dy < 9;  // columns before 13 - 4, rows before 12 - 3
          const SectionBackgroundPx picture = SectionBackgroundGet(master, dx % 4, dy % 3);
          const bool key = dx % 4 == 1 && dy % 3 == 1;
          if (mode == tdTileAboveLastRow && !wholeTile) want = SectionBackgroundGet(f.parent.get(), x + 3, y + 1);
          else want = key ? SectionBackgroundGet(f.parent.get(), x + 3, y + 1) : picture;
        }
        ASSERT_EQ(SectionBackgroundGet(target.get(), x, y), want) << mode << " at " << x << "," << y;
      }
  }
  for (int mode : {tdTile, tdTileAboveLastRow}) {
    auto big = SectionBackgroundFilled(20, 16, kSectionBackgroundUntouched);
    const vcl::TRect huge{-1000001, -2000000, 500000000, 600000000};
    vcl::TRect all = huge;
    PaintMaskedTexture(big.get(), all, TsBackgroundInfo{f.parent.get(), 3, 1, 0, true}, mode, mask);
    EXPECT_TRUE(IsAllCovered(all));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        const int dx = x - huge.left, dy = y - huge.top;
        const bool key = dx % 4 == 1 && dy % 3 == 1;
        ASSERT_EQ(SectionBackgroundGet(big.get(), x, y), key ? SectionBackgroundGet(f.parent.get(), x + 3, y + 1) : SectionBackgroundGet(master, dx % 4, dy % 3))
            << mode << " huge at " << x << "," << y;
      }
  }
  vcl::TRect kept{1, 1, 5, 5};
  PaintMaskedTexture(SectionBackgroundMakeBitmap(8, 8).get(), kept, TsBackgroundInfo{}, tdStretch, mask);
  EXPECT_EQ(kept.right, 5);
}

}  // namespace
