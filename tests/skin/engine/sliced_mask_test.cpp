#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "skin/engine/graphics/mask_painting.h"
#include "tests/skin/engine/border_mask_fixture.h"

using namespace border_mask_fixture;

namespace {

constexpr uint32_t kFill = 0x0A0B0C;

// The background image behind the target: every pixel tells its position.
std::shared_ptr<vcl::TBitmap> ParentImage() {
  auto image = MakeBitmap(40, 40, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) Set(image.get(), x, y, 0x800000u | (y << 8) | x);
  return image;
}

}  // namespace

TEST(SlicedMask, PiecesMatchTheFrameAroundAnyRectangle) {
  enum Parent { kNone, kImage, kColour };
  struct Case {
    const char* name;
    int frames, state, drawMode;
    vcl::TRect rect;    // inside a 16 x 14 target
    int wl, wr, wt, wb;  // the margins after shrinking to the rectangle
    bool centre, onParent;
    Parent parent;
  } cases[] = {
      {"state 1 of 2, tiled, corners keep the target", 2, 1, 4, {2, 1, 15, 13}, 3, 3, 3, 3, true, false, kImage},
      {"corners show the parent image", 2, 0, 4, {1, 2, 14, 11}, 3, 3, 3, 3, true, true, kImage},
      {"corners show the parent colour", 1, 0, 4, {0, 0, 9, 9}, 3, 3, 3, 3, true, true, kColour},
      {"state beyond the last frame", 3, 9, 4, {0, 0, 10, 10}, 3, 3, 3, 3, true, false, kNone},
      {"centre not asked for", 1, 0, 4, {0, 0, 10, 10}, 3, 3, 3, 3, false, false, kNone},
      {"centre not the mask's", 1, 0, 0, {0, 0, 10, 10}, 3, 3, 3, 3, true, false, kNone},
      // Margins give way: the corners are cut from the frame's outer sides and meet.
      {"narrower than the margins", 1, 0, 4, {3, 3, 8, 7}, 3, 2, 2, 2, true, false, kNone},
      {"exactly both margins", 1, 0, 4, {0, 0, 6, 6}, 3, 3, 3, 3, true, false, kNone},
      {"state 1 painted with draw mode 2", 2, 1, 2 | 4, {0, 0, 10, 10}, 3, 3, 3, 3, true, false, kNone},
  };
  for (const Case& c : cases) {
    BorderMask m(c.frames, c.drawMode);
    auto target = MakeBitmap(16, 14, kBackground);
    auto parent = ParentImage();
    TsBackgroundInfo info;
    if (c.parent == kImage) info.Bitmap = parent.get(), info.X = 5, info.Y = 7, info.Ready = true;
    if (c.parent == kColour) info.FillColor = kFill;
    PaintSlicedMask(target.get(), c.rect, c.centre, info, m.mask, c.state, c.onParent);
    const int frame = std::min(c.state, c.frames - 1);
    const int W = c.rect.right - c.rect.left, H = c.rect.bottom - c.rect.top;
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 16; ++x) {
        const int dx = x - c.rect.left, dy = y - c.rect.top;
        uint32_t expected = kBackground;
        if (dx >= 0 && dx < W && dy >= 0 && dy < H) {
          const bool corner = IsCorner(dx, W, c.wl, c.wr) && IsCorner(dy, H, c.wt, c.wb);
          const bool centre = !IsCorner(dx, W, c.wl, c.wr) && !IsCorner(dy, H, c.wt, c.wb);
          expected = Get(m.mask.Image.get(), 8 * frame + SourceAlong(dx, W, c.wl, c.wr, 8, 3, 3),
                         SourceAlong(dy, H, c.wt, c.wb, 8, 3, 3));
          if (corner && expected == kKey) {
            expected = kBackground;
            if (c.onParent && c.parent == kImage) expected = 0x800000u | ((y + 7) << 8) | (x + 5);
            if (c.onParent && c.parent == kColour) expected = kFill;
          }
          if (centre && !(c.centre && (c.drawMode & 4))) expected = kBackground;
        }
        EXPECT_EQ(Get(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
}

TEST(SlicedMask, NothingIsPaintedWhereTheMaskOrTargetForbidsIt) {
  struct Case {
    const char* name;
    int state, drawMode;
    vcl::TRect rect;
    bool orphan;
  } cases[] = {
      {"state 0 with draw mode 2", 0, 2 | 4, {0, 0, 8, 8}, false},
      {"one pixel wide", 0, 4, {2, 0, 3, 8}, false},
      {"one pixel high", 0, 4, {0, 5, 8, 6}, false},
      {"no skin manager", 0, 4, {0, 0, 8, 8}, true},
  };
  for (const Case& c : cases) {
    BorderMask m(1, c.drawMode);
    if (c.orphan) m.mask.Manager = nullptr;
    auto target = MakeBitmap(8, 8, kBackground);
    PaintSlicedMask(target.get(), c.rect, true, EmptyBackgroundInfo, m.mask, c.state, false);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(Get(target.get(), x, y), kBackground) << c.name;
  }
}

TEST(SlicedMask, MarginsFillingTheFrameLayCornersOnly) {
  BorderMask m(1, 4);
  m.mask.WL = m.mask.WR = m.mask.WT = m.mask.WB = 4;  // no middle left in the 8 x 8 frame
  auto target = MakeBitmap(20, 20, kBackground);
  PaintSlicedMask(target.get(), {0, 0, 20, 20}, true, EmptyBackgroundInfo, m.mask, 0, false);
  EXPECT_EQ(Get(target.get(), 2, 3), FramePixel(0, 2, 3));
  EXPECT_EQ(Get(target.get(), 17, 18), FramePixel(0, 5, 6));
  for (int i = 4; i < 16; ++i) {
    EXPECT_EQ(Get(target.get(), i, 1), kBackground) << i;
    EXPECT_EQ(Get(target.get(), 1, i), kBackground) << i;
    EXPECT_EQ(Get(target.get(), i, i), kBackground) << i;
  }
}

TEST(SlicedMask, StretchModeStretchesAOnePixelEdgeOverTheSide) {
  BorderMask m(1, 1);
  m.mask.WL = m.mask.WT = 3;
  m.mask.WR = m.mask.WB = 4;  // the middles are one pixel
  auto target = MakeBitmap(30, 12, kBackground);
  PaintSlicedMask(target.get(), {0, 0, 30, 12}, false, EmptyBackgroundInfo, m.mask, 0, false);
  for (int x = 3; x < 26; ++x) EXPECT_EQ(Get(target.get(), x, 2), FramePixel(0, 3, 2)) << x;
  for (int y = 3; y < 8; ++y) EXPECT_EQ(Get(target.get(), 29, y), FramePixel(0, 7, 3)) << y;
}

TEST(SlicedMask, MaskHalfPiecesBlendAndThirtyTwoBitTargetsTurnOpaque) {
  BorderMask m(1, 1 | 4);  // the stretch bit does not apply to masks with a mask half
  auto image = MakeBitmap(8, 16, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Set(image.get(), x, y, 0xC8C8C8);
      const uint32_t w = (x * 32 + y * 4) & 0xFF;
      Set(image.get(), x, y + 8, w * 0x010101);
    }
  m.mask.Image = image;
  m.mask.ImageRect = {0, 0, 8, 16};
  m.mask.MaskType = 1;
  auto target = std::make_unique<vcl::TBitmap>();
  target->SetPixelFormat(vcl::pf32bit);
  target->SetSize(11, 10);
  for (int y = 0; y < 10; ++y) std::fill_n(static_cast<uint32_t*>(target->ScanLine(y)), 11, 0x00646464u);
  PaintSlicedMask(target.get(), {0, 0, 11, 10}, true, EmptyBackgroundInfo, m.mask, 0, false);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 11; ++x) {
      const int sx = SourceAlong(x, 11, 3, 3, 8, 3, 3), sy = SourceAlong(y, 10, 3, 3, 8, 3, 3);
      const int w = (sx * 32 + sy * 4) & 0xFF;
      const uint32_t channel = uint32_t((200 * 256 + (100 - 200) * w) / 256);
      EXPECT_EQ(static_cast<uint32_t*>(target->ScanLine(y))[x], 0xFF000000u | channel * 0x010101u) << x << "," << y;
    }
}

TEST(SlicedMask, GlyphAtItsNaturalSizeIsCutWhereItLeavesTheTarget) {
  struct Case {
    const char* name;
    vcl::TPoint point;
    int state;
  } cases[] = {
      {"inside", {2, 1}, 0},
      {"left of the target", {-3, 0}, 1},
      {"above the target", {1, -5}, 1},
      {"state beyond the last frame", {0, 0}, 7},
  };
  for (const Case& c : cases) {
    BorderMask m(2);
    auto target = MakeBitmap(12, 10, kBackground);
    PaintMaskGlyph(target.get(), c.point, c.state, EmptyBackgroundInfo, m.mask, 1);
    const int frame = std::min(c.state, 1);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        const int gx = x - c.point.x, gy = y - c.point.y;
        uint32_t expected = kBackground;
        if (gx >= 0 && gx < 8 && gy >= 0 && gy < 8) {
          expected = FramePixel(frame, gx, gy);
          if (Get(m.mask.Image.get(), 8 * frame + gx, gy) == kKey) expected = kBackground;
        }
        EXPECT_EQ(Get(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
  // An own image that does not hold the mask's rectangle paints nothing.
  BorderMask m(2);
  m.mask.ImageRect = {0, 0, 24, 8};
  auto target = MakeBitmap(12, 10, kBackground);
  PaintMaskGlyph(target.get(), {0, 0}, 0, EmptyBackgroundInfo, m.mask, 1);
  EXPECT_EQ(Get(target.get(), 3, 3), kBackground);
}

TEST(SlicedMask, TileOnBackgroundBlendsThePictureAndFillsKeyPixelsFromTheParent) {
  enum Parent { kNoImage, kNoImageKeyFill, kImage24, kImage32WithFill, kImage32KeyFill };
  for (Parent parent : {kNoImage, kNoImageKeyFill, kImage24, kImage32WithFill, kImage32KeyFill}) {
    TsSkinManager manager(nullptr);
    TsMaskData mask;
    // A 6 x 4 picture over its mask half; the key colour fills column 1 and column 5.
    mask.Image = MakeBitmap(6, 8, 0);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        Set(mask.Image.get(), x, y, x == 1 || x == 5 ? kKey : 0x505050);
        Set(mask.Image.get(), x, y + 4, uint32_t(x * 40) * 0x010101);
      }
    mask.ImageRect = {0, 0, 6, 8};
    mask.ImageCount = 1;
    mask.MaskType = 1;
    mask.Manager = &manager;
    // The parent image is 5 columns wide: behind the picture's last column there is none.
    auto image24 = MakeBitmap(5, 9, 0);
    auto image32 = std::make_unique<vcl::TBitmap>();
    image32->SetPixelFormat(vcl::pf32bit);
    image32->SetSize(5, 9);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 5; ++x) {
        Set(image24.get(), x, y, 0x700000u | (y << 8) | x);
        uint8_t* p = static_cast<uint8_t*>(image32->ScanLine(y)) + x * 4;
        p[0] = 0x70, p[1] = uint8_t(y), p[2] = uint8_t(x), p[3] = 0xFF;  // the same colour as image24's
      }
    TsBackgroundInfo info;
    info.FillColor = parent == kNoImageKeyFill || parent == kImage32KeyFill ? SkinKeyColor : kFill;
    info.X = -1, info.Y = 2;
    if (parent == kImage24) info.Bitmap = image24.get(), info.Ready = true;
    if (parent == kImage32WithFill || parent == kImage32KeyFill) info.Bitmap = image32.get(), info.Ready = true;

    auto target = MakeBitmap(8, 6, 0x646464);
    CopyMaskTileOnBg({1, 1, 7, 5}, {0, 0, 6, 8}, target.get(), mask, info);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const int sx = x - 1, sy = y - 1;
        uint32_t expected = 0x646464;
        if (sx >= 0 && sx < 6 && sy >= 0 && sy < 4) {
          if (sx != 1 && sx != 5) {
            expected = uint32_t((sx * 40 * (100 - 80) + 80 * 256) / 256) * 0x010101u;
          } else if (parent == kNoImage || parent == kImage32WithFill) {
            expected = kFill;
          } else if ((parent == kImage24 || parent == kImage32KeyFill) && x + info.X < 5) {
            expected = 0x700000u | ((y + 2) << 8) | (x - 1);
          }
        }
        EXPECT_EQ(Get(target.get(), x, y), expected) << "parent " << parent << " at " << x << "," << y;
      }
  }
}

TEST(SlicedMask, MasterImageGlyphRowsForNormalHotPressedAndDisabled) {
  // Four frames of 4 x 4 in the master image: normal, hot, pressed, disabled. Pixel (x, y) of
  // frame f is grey 40 f + 10 x + y + 20; the frame's pixel (1, 2) is the key colour.
  TsSkinManager manager(nullptr);
  vcl::TBitmap* master = manager.MasterBitmap();
  master->SetPixelFormat(vcl::pf24bit);
  master->SetSize(20, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 20; ++x) Set(master, x, y, 0x0F0F0F);
  auto grey = [](int frame, int x, int y) { return uint32_t(40 * frame + 10 * x + y + 20); };
  for (int f = 0; f < 4; ++f)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) Set(master, 2 + 4 * f + x, 1 + y, x == 1 && y == 2 ? kKey : grey(f, x, y) * 0x010101u);
  TsMaskData mask;
  mask.ImageRect = {2, 1, 18, 5};
  mask.ImageCount = 4;
  mask.MaskType = 0;
  mask.Manager = &manager;

  auto parent = ParentImage();
  enum Behind { kParentImage, kFillColour };
  struct Case {
    const char* name;
    int state, fade;
    Behind behind;
  } cases[] = {
      {"normal", 0, 1, kParentImage}, {"hot", 1, 1, kParentImage},      {"pressed", 2, 1, kFillColour},
      {"disabled", 3, 1, kParentImage}, {"faded", 0, 0, kParentImage}, {"faded, mode 2", 3, 2, kFillColour},
  };
  for (const Case& c : cases) {
    auto target = MakeBitmap(8, 8, 0x646464);
    TsBackgroundInfo info;
    if (c.behind == kParentImage) info.Bitmap = parent.get(), info.X = 4, info.Y = 3, info.Ready = true;
    else info.FillColor = kFill;
    PaintMaskGlyph(target.get(), {3, 2}, c.state, info, mask, c.fade);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const int gx = x - 3, gy = y - 2;
        uint32_t expected = 0x646464;
        if (gx >= 0 && gx < 4 && gy >= 0 && gy < 4) {
          const bool key = gx == 1 && gy == 2;
          const uint32_t g = grey(c.state, gx, gy);
          if (c.fade != 1) {
            // Mixed half and half with the target; key pixels are skipped.
            if (!key) expected = uint32_t(std::nearbyint(g - 0.5 * (int(g) - 0x64))) * 0x010101u;
          } else if (!key) {
            expected = g * 0x010101u;
          } else {
            expected = c.behind == kParentImage ? 0x800000u | ((y + 3) << 8) | (x + 4) : kFill;
          }
        }
        EXPECT_EQ(Get(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
}
