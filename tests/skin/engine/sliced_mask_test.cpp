#include <gtest/gtest.h>

#include <algorithm>
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
