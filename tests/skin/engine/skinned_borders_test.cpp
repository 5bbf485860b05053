#include <gtest/gtest.h>

#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/skin_manager.h"
#include "tests/skin/engine/border_mask_fixture.h"
#include "tests/skin/engine/control_on_parent_fixture.h"


using namespace border_mask_fixture;

TEST(SkinnedBorders, MaskBorderTilesFrameAndCutsCornerKeyPixelsFromTheRegion) {
  struct Case {
    const char* name;
    int frames, state, width, height;
    int wl, wr, wt, wb;  // the margins after shrinking to the target
    bool centre;
  } cases[] = {
      {"state 1 of 2, tiled edges and centre", 2, 1, 13, 11, 3, 3, 3, 3, true},
      {"state beyond the last frame", 2, 7, 9, 9, 3, 3, 3, 3, true},
      {"no centre", 1, 0, 10, 9, 3, 3, 3, 3, false},
      // The margins give way: the corners come from the frame's outer sides and meet.
      {"narrower than the margins", 1, 0, 5, 6, 3, 2, 3, 3, true},
      {"exactly both margins", 1, 0, 6, 6, 3, 3, 3, 3, true},
  };
  for (const Case& c : cases) {
    BorderMask m(c.frames, 4);
    auto target = MakeBitmap(c.width, c.height, kBackground);
    HRGN region = CreateRectRgn(0, 0, c.width, c.height);
    PaintMaskBorderRgn(target.get(), region, c.centre, c.state, m.mask);
    const int frame = std::min(c.state, c.frames - 1);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const bool corner = IsCorner(x, c.width, c.wl, c.wr) && IsCorner(y, c.height, c.wt, c.wb);
        const bool centre = !IsCorner(x, c.width, c.wl, c.wr) && !IsCorner(y, c.height, c.wt, c.wb);
        const int sx = SourceAlong(x, c.width, c.wl, c.wr, 8, 3, 3);
        const int sy = SourceAlong(y, c.height, c.wt, c.wb, 8, 3, 3);
        const uint32_t source = Get(m.mask.Image.get(), 8 * frame + sx, sy);
        uint32_t expected = source;
        if (corner && source == kKey) expected = kBackground;
        if (centre && !c.centre) expected = kBackground;
        EXPECT_EQ(Get(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
        // Only corner key pixels leave the region; key pixels of the edges are painted and stay.
        EXPECT_EQ(PtInRegion(region, x, y) != 0, !(corner && source == kKey)) << c.name << " at " << x << "," << y;
      }
    }
    DeleteObject(region);
  }
}

TEST(SkinnedBorders, MaskHalfBlendsThePieceOverTheTarget) {
  BorderMask m(1);
  // The lower half holds the mask: weight 0 shows the image, 255 nearly keeps the target.
  auto image = MakeBitmap(8, 16, 0);
  const uint8_t weights[] = {0, 64, 128, 255};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Set(image.get(), x, y, 0xC8C8C8);
      const uint8_t w = weights[(x + y) % 4];
      Set(image.get(), x, y + 8, w | (w << 8) | (w << 16));
    }
  m.mask.Image = image;
  m.mask.ImageRect = {0, 0, 8, 16};
  m.mask.MaskType = 1;
  m.mask.StretchMode = 1 | 4;  // the stretch bit is not honoured for masks with a mask half
  auto target = MakeBitmap(10, 10, 0x646464);
  PaintMaskBorderRgn(target.get(), nullptr, true, 0, m.mask);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const int sx = SourceAlong(x, 10, 3, 3, 8, 3, 3), sy = SourceAlong(y, 10, 3, 3, 8, 3, 3);
      const int weight = weights[(sx + sy) % 4];
      const int channel = ((100 - 200) * weight + 200 * 256) / 256;  // 200 at 0, 100 at 255
      EXPECT_EQ(Get(target.get(), x, y), uint32_t(channel * 0x010101)) << x << "," << y;
    }
}

TEST(SkinnedBorders, StretchModeStretchesOnePixelEdges) {
  BorderMask m(1, 1);
  // Margins of 3 and 4 leave edges one pixel long, of one colour each.
  m.mask.WL = m.mask.WT = 3;
  m.mask.WR = m.mask.WB = 4;
  auto target = MakeBitmap(20, 12, kBackground);
  PaintMaskBorderRgn(target.get(), nullptr, false, 0, m.mask);
  for (int x = 3; x < 16; ++x) {
    EXPECT_EQ(Get(target.get(), x, 1), FramePixel(0, 3, 1)) << x;
    EXPECT_EQ(Get(target.get(), x, 11), FramePixel(0, 3, 7)) << x;
  }
  for (int y = 3; y < 8; ++y) EXPECT_EQ(Get(target.get(), 1, y), FramePixel(0, 1, 3)) << y;
}

TEST(SkinnedBorders, UnpaintableTargetsAndPiecesAreLeftAlone) {
  BorderMask m(1);
  auto tiny = MakeBitmap(1, 1, kBackground);
  PaintMaskBorderRgn(tiny.get(), nullptr, true, 0, m.mask);
  EXPECT_EQ(Get(tiny.get(), 0, 0), kBackground);

  TsMaskData orphan = m.mask;
  orphan.Manager = nullptr;
  auto target = MakeBitmap(6, 6, kBackground);
  PaintMaskBorderRgn(target.get(), nullptr, true, 0, orphan);
  EXPECT_EQ(Get(target.get(), 3, 3), kBackground);

  // Pieces that reach past either bitmap are clipped, never read or written outside.
  struct Piece {
    int tl, tt, tr, tb, sl, st, sr, sb;
  } pieces[] = {{4, 4, 40, 40, 5, 5, 60, 60}, {0, 0, 5, 5, -3, -2, 2, 3}, {-1, 0, 3, 3, 0, 0, 3, 3}};
  for (const Piece& p : pieces) {
    auto t = MakeBitmap(6, 6, kBackground);
    CopyMaskPieceRgn(p.tl, p.tt, p.tr, p.tb, p.sl, p.st, p.sr, p.sb, false, m.mask, nullptr, t.get());
  }
  auto t = MakeBitmap(6, 6, kBackground);
  CopyMaskPieceRgn(0, 0, 5, 5, -3, -2, 2, 3, false, m.mask, nullptr, t.get());
  EXPECT_EQ(Get(t.get(), 2, 1), kBackground);  // before the source's first column and row
  EXPECT_EQ(Get(t.get(), 3, 2), kKey);  // without the corner flag key pixels are painted too
  EXPECT_EQ(Get(t.get(), 5, 5), Get(m.mask.Image.get(), 2, 3));
}

TEST(SkinnedBorders, WithoutABorderMaskASolidFrameGoesStraightOnTheDC) {
  BorderMask m(1);
  m.manager.Masks.push_back(m.mask);
  ControlOnParent on(&m.manager, false, 20, 16);
  on.link->BorderMaskIndex = -1;
  auto target = MakeBitmap(20, 16, 0x777777);
  vcl::TRect inner{1, 2, 3, 4};
  PaintSkinnedBorder(target->Canvas()->Handle(), {0, 0, 20, 16}, 2, 0, on.link.get(), inner);
  GdiFlush();
  const uint32_t colour = uint32_t(vcl::ColorToRGB(on.link->BgColorForState(0)));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool frame = x < 2 || x >= 18 || y < 2 || y >= 14;
      EXPECT_EQ(Get(target.get(), x, y), frame ? colour : 0x777777u) << x << "," << y;
    }
  EXPECT_EQ(inner.left, 1);
  EXPECT_EQ(inner.bottom, 4);
}

TEST(SkinnedBorders, BorderWiderThanTheMaskIsMadeUpWithTheBackgroundColour) {
  struct Case {
    const char* name;
    int borderWidth;
    vcl::TRect inner;
  } cases[] = {
      {"border of 5 over margins of 3", 5, {5, 5, 15, 11}},
      {"no extra border", 0, {3, 3, 17, 13}},
  };
  for (const Case& c : cases) {
    BorderMask m(1);
    m.manager.Masks.push_back(m.mask);
    ControlOnParent on(&m.manager, true, 20, 16);
    auto target = MakeBitmap(20, 16, 0x777777);
    vcl::TRect inner{};
    PaintSkinnedBorder(target->Canvas()->Handle(), {0, 0, 20, 16}, c.borderWidth, 0, on.link.get(), inner);
    GdiFlush();
    EXPECT_EQ(inner.left, c.inner.left) << c.name;
    EXPECT_EQ(inner.top, c.inner.top) << c.name;
    EXPECT_EQ(inner.right, c.inner.right) << c.name;
    EXPECT_EQ(inner.bottom, c.inner.bottom) << c.name;
    vcl::TBitmap* cache = on.link->CacheBitmap.get();
    const uint32_t colour = uint32_t(vcl::ColorToRGB(on.link->BgColorForState(0)));
    const int E = c.borderWidth;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        const bool mask = x < 3 || x >= 17 || y < 3 || y >= 13;
        const bool band = !mask && (x < E || x >= 20 - E || y < E || y >= 16 - E);
        if (mask) {
          // The border mask, its keyed corner pixels showing the parent's image.
          uint32_t expected = Get(m.mask.Image.get(), SourceAlong(x, 20, 3, 3, 8, 3, 3), SourceAlong(y, 16, 3, 3, 8, 3, 3));
          if (expected == kKey && IsCorner(x, 20, 3, 3) && IsCorner(y, 16, 3, 3)) expected = ControlOnParent::Behind(x, y);
          EXPECT_EQ(Get(cache, x, y), expected) << c.name << " cache at " << x << "," << y;
        } else if (band) {
          EXPECT_EQ(Get(cache, x, y), colour) << c.name << " cache at " << x << "," << y;
        }
        // Only the border strips reach the target.
        const bool strip = E > 0 && (x < E || x >= 20 - E || y < E || y >= 16 - E);
        EXPECT_EQ(Get(target.get(), x, y), strip ? Get(cache, x, y) : 0x777777u) << c.name << " target at " << x << "," << y;
      }
  }
}

TEST(SkinnedBorders, MaskHalfBorderLetsTheParentImageThrough) {
  BorderMask m(1);
  // The lower half of the mask image holds the weights: 255 (nearly the parent) in the left
  // half of the frame, 0 (the border alone) in the right half.
  auto image = MakeBitmap(8, 16, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Set(image.get(), x, y, 0xC8C8C8);
      Set(image.get(), x, y + 8, x < 4 ? 0xFFFFFF : 0);
    }
  m.mask.Image = image;
  m.mask.ImageRect = {0, 0, 8, 16};
  m.mask.MaskType = 1;
  m.manager.Masks.push_back(m.mask);
  ControlOnParent on(&m.manager, true, 12, 10);
  auto target = MakeBitmap(12, 10, 0x777777);
  vcl::TRect inner{};
  PaintSkinnedBorder(target->Canvas()->Handle(), {0, 0, 12, 10}, 0, 0, on.link.get(), inner);
  vcl::TBitmap* cache = on.link->CacheBitmap.get();
  for (int y : {0, 1, 9})
    for (int x = 0; x < 12; ++x) {
      const int sx = SourceAlong(x, 12, 3, 3, 8, 3, 3);
      const uint32_t behind = ControlOnParent::Behind(x, y);
      uint32_t expected = 0;
      for (int k = 0; k < 3; ++k) {
        const int t = (behind >> (8 * k)) & 0xFF, m8 = sx < 4 ? 255 : 0;
        expected |= uint32_t((200 * 256 + (t - 200) * m8) / 256) << (8 * k);
      }
      EXPECT_EQ(Get(cache, x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(Get(target.get(), 0, 0), 0x777777u);  // no extra border: nothing is copied to the DC
}
