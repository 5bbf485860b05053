#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "skin/engine/graphics/disabled_look.h"
#include "tests/skin/engine/bitmap_pixels.h"
#include "tests/skin/engine/control_on_parent_fixture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

uint8_t* DisabledAt(vcl::TBitmap* bitmap, int x, int y) {
  return static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * (bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3);
}

void DisabledPut(vcl::TBitmap* bitmap, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = DisabledAt(bitmap, x, y);
  p[0] = b, p[1] = g, p[2] = r;
}

}  // namespace

TEST(DisabledLook, KindsGreyAndBlendTheImage) {
  // The control image: pixel (x, y) has blue 10 x, green 20 y, red 200; 32-bit alpha 77.
  const int W = 4, H = 3;
  auto parentImage = skin_test::MakeBitmap(vcl::pf24bit, 10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) DisabledPut(parentImage.get(), x, y, uint8_t(25 * x), uint8_t(25 * y), 90);
  vcl::TPanel parent(nullptr);
  parent.SetColor(vcl::TColor(0x00A0A0));

  enum Behind { kWhite, kParentImage, kParentControl };
  struct Case {
    const char* name;
    TsDisabledKind kinds;
    Behind behind;
  } cases[] = {
      {"none", {}, kWhite},
      {"greyed", {dkGrayed}, kWhite},
      {"blended over white", {dkBlended}, kWhite},
      {"blended over the parent image", {dkBlended}, kParentImage},
      {"blended over the parent control's colour", {dkBlended}, kParentControl},
      {"greyed, then blended", {dkGrayed, dkBlended}, kParentImage},
  };
  for (const Case& c : cases) {
    auto image = skin_test::MakeBitmap(vcl::pf32bit, W, H);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) DisabledPut(image.get(), x, y, uint8_t(10 * x), uint8_t(20 * y), 200), DisabledAt(image.get(), x, y)[3] = 77;
    TsBackgroundInfo info;
    info.FillColor = c.behind == kParentControl ? SkinKeyColor : 0xFFFFFF;
    if (c.behind == kParentImage) info.Bitmap = parentImage.get(), info.X = 2, info.Y = 1, info.Ready = true;
    ApplyDisabledKind(image.get(), c.kinds, &parent, {3, 4}, info);

    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        double channel[3] = {10.0 * x, 20.0 * y, 200.0};
        if (c.kinds.Contains(dkGrayed)) {
          const double grey = std::floor((channel[0] + channel[1] + channel[2]) / 3);
          channel[0] = channel[1] = channel[2] = grey;
        }
        if (c.kinds.Contains(dkBlended)) {
          double behind[3] = {255, 255, 255};
          if (c.behind == kParentControl) behind[0] = 0, behind[1] = 0xA0, behind[2] = 0xA0;
          if (c.behind == kParentImage) behind[0] = 25 * (x + 5), behind[1] = 25 * (y + 5), behind[2] = 90;
          const double own = c.behind == kParentImage ? 0.4 : 0.5;
          for (int k = 0; k < 3; ++k) channel[k] = std::nearbyint(behind[k] - own * (behind[k] - channel[k]));
        }
        const uint8_t* p = DisabledAt(image.get(), x, y);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(p[k], uint8_t(channel[k])) << c.name << " at " << x << "," << y << " byte " << k;
        EXPECT_EQ(p[3], 77) << c.name;  // the image keeps its opacity
      }
  }
}

TEST(DisabledLook, CornerKeyPixelsShowTheParent) {
  // A 6 x 4 mask bitmap whose key pixels form a diagonal: (c, c) for c = 0..3, and (5, 0).
  auto mask = skin_test::MakeBitmap(vcl::pf24bit, 6, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) DisabledPut(mask.get(), x, y, 1, 2, 3);
  for (int c = 0; c < 4; ++c) DisabledPut(mask.get(), c, c, 0xFF, 0x00, 0xFF);
  DisabledPut(mask.get(), 5, 0, 0xFF, 0x00, 0xFF);
  // Parent images: pixel (x, y) is blue x, green y, red 0x70; 3 columns wide, so positions
  // from x = 3 on lie right of them.
  auto image24 = skin_test::MakeBitmap(vcl::pf24bit, 3, 8);
  auto image32 = skin_test::MakeBitmap(vcl::pf32bit, 3, 8);
  auto image8 = skin_test::MakeBitmap(vcl::pf8bit, 3, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 3; ++x) DisabledPut(image24.get(), x, y, uint8_t(x), uint8_t(y), 0x70), DisabledPut(image32.get(), x, y, uint8_t(x), uint8_t(y), 0x70);

  enum Parent { kImage24, kImage32, kImage8, kColour, kKeyColour };
  for (bool masked : {false, true})
    for (Parent parent : {kImage24, kImage32, kImage8, kColour, kKeyColour}) {
      TsBackgroundInfo info;
      info.X = -1, info.Y = 2;
      info.FillColor = parent == kKeyColour ? SkinKeyColor : 0x0C0B0A;
      if (parent == kImage24) info.Bitmap = image24.get(), info.Ready = true;
      if (parent == kImage32) info.Bitmap = image32.get(), info.Ready = true;
      if (parent == kImage8) info.Bitmap = image8.get(), info.Ready = true;
      auto cache = skin_test::MakeBitmap(vcl::pf24bit, 5, 5);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) DisabledPut(cache.get(), x, y, 0x11, 0x11, 0x11);
      // The corner of source columns 0..3 and rows 0..3 lands at (1, 1) of the cache; the source
      // rectangle reaches past the mask bitmap on the left and is clipped.
      if (masked)
        RestoreCornerMasked(cache.get(), {1, 1, 5, 5}, {0, 0, 4, 4}, mask.get(), info);
      else
        RestoreCornerKeyColor(cache.get(), mask.get(), 1, 1, {-3, 0, 3, 3}, info);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
          const int sx = x - 1, sy = y - 1;
          const bool key = sx == sy && sx >= 0 && sx < 4;
          const uint8_t* p = DisabledAt(cache.get(), x, y);
          uint32_t expected = 0x111111, got = p[0] | (p[1] << 8) | (p[2] << 16);
          if (key) {
            const int ix = x + info.X, iy = y + info.Y;
            if ((parent == kImage24 || parent == kImage32) && ix < 3) expected = ix | (iy << 8) | (0x70 << 16);
            if (parent == kColour) expected = 0x0A0B0C;
            // A colour answer of the key colour restores the key colour in a masked corner only.
            if (parent == kKeyColour && masked) expected = 0xFF00FF;
          }
          EXPECT_EQ(got, expected) << (masked ? "masked" : "keyed") << " parent " << parent << " at " << x << "," << y;
        }
    }
}

namespace {

using namespace border_mask_fixture;

void FillCache(TsCommonData* link, uint32_t colour) {
  vcl::TBitmap* cache = link->CacheBitmap.get();
  for (int y = 0; y < cache->Height(); ++y)
    for (int x = 0; x < cache->Width(); ++x) Set(cache, x, y, colour);
}

}  // namespace

TEST(DisabledLook, TransparentCornersShowTheParentBehindTheControl) {
  struct Case {
    const char* name;
    bool withImage;
    int state, width, height;
  } cases[] = {
      {"parent image, state 2 of 3", true, 2, 12, 10},
      {"parent colour, state 0", false, 0, 12, 10},
      {"state beyond the last frame", true, 5, 9, 9},
  };
  for (const Case& c : cases) {
    BorderMask m(3);
    Set(m.mask.Image.get(), 16 + 1, 1, kKey);  // frame 2 alone has a fourth key pixel in its top-left corner
    m.manager.Masks.push_back(m.mask);
    ControlOnParent on(&m.manager, c.withImage, c.width, c.height);
    FillCache(on.link.get(), kBackground);
    PaintTransparentCorners(on.link.get(), c.state);
    const int frame = std::min(c.state, 2);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        uint32_t expected = kBackground;
        if (IsCorner(x, c.width, 3, 3) && IsCorner(y, c.height, 3, 3) &&
            Get(m.mask.Image.get(), 8 * frame + SourceAlong(x, c.width, 3, 3, 8, 3, 3),
                SourceAlong(y, c.height, 3, 3, 8, 3, 3)) == kKey)
          expected = c.withImage ? ControlOnParent::Behind(x, y) : kParentColour;
        EXPECT_EQ(Get(on.link->CacheBitmap.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
}

TEST(DisabledLook, CornersNeedABorderMaskAndATwoByTwoControl) {
  BorderMask m(1);
  m.manager.Masks.push_back(m.mask);
  ControlOnParent narrow(&m.manager, true, 1, 10);
  FillCache(narrow.link.get(), kBackground);
  PaintTransparentCorners(narrow.link.get(), 0);
  EXPECT_EQ(Get(narrow.link->CacheBitmap.get(), 0, 0), kBackground);

  ControlOnParent noMask(&m.manager, true, 10, 10);
  noMask.link->BorderMaskIndex = 4;  // not a mask of the manager
  FillCache(noMask.link.get(), kBackground);
  PaintTransparentCorners(noMask.link.get(), 0);
  EXPECT_EQ(Get(noMask.link->CacheBitmap.get(), 0, 0), kBackground);
}

TEST(DisabledLook, OwnImageWithoutFramesIsReadAsThreeMaskedFrames) {
  BorderMask m(1);
  // 24 x 16: three frames of 8 x 8 over their mask halves; only frame 1's top-left pixel is
  // keyed, so state 1 alone restores it.
  auto image = MakeBitmap(24, 16, 0x303030);
  Set(image.get(), 8, 0, kKey);
  m.mask.Image = image;
  m.mask.ImageCount = 0;
  m.mask.ImageRect = {};
  m.manager.Masks.push_back(m.mask);
  for (int state : {0, 1}) {
    ControlOnParent on(&m.manager, true, 10, 10);
    FillCache(on.link.get(), kBackground);
    PaintTransparentCorners(on.link.get(), state);
    EXPECT_EQ(Get(on.link->CacheBitmap.get(), 0, 0), state == 1 ? ControlOnParent::Behind(0, 0) : kBackground)
        << "state " << state;
    EXPECT_EQ(Get(on.link->CacheBitmap.get(), 1, 0), kBackground);
  }
}

TEST(DisabledLook, MasterImageMaskWithoutFramesCountsAsOneFrame) {
  // A mask of the master image loaded with explicit margins and no frame count.
  TsSkinManager manager(nullptr);
  vcl::TBitmap* master = manager.MasterBitmap();
  master->SetPixelFormat(vcl::pf24bit);
  master->SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) Set(master, x, y, x == 0 && y == 0 ? kKey : 0x202020);
  TsMaskData mask;
  mask.ImageRect = {0, 0, 8, 8};
  mask.ImageCount = 0;
  mask.Manager = &manager;
  mask.WL = mask.WT = mask.WR = mask.WB = 3;
  manager.Masks.push_back(mask);
  ControlOnParent on(&manager, false, 10, 10);
  FillCache(on.link.get(), kBackground);
  PaintTransparentCorners(on.link.get(), 2);
  EXPECT_EQ(Get(on.link->CacheBitmap.get(), 0, 0), kParentColour);
  EXPECT_EQ(Get(on.link->CacheBitmap.get(), 1, 0), kBackground);
}
