#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/paint/corner_rects.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

constexpr uint32_t kCornerKey = 0xFF00FF, kSolid = 0x336699;

// A border mask of two frames, each 8 x 6, picture and transparency half (MaskType 1), all
// pixels solid unless marked.
struct MaskFixture {
  TsMaskData mask;
  MaskFixture(vcl::TPixelFormat format = vcl::pf24bit) {
    mask.Image = std::make_shared<vcl::TBitmap>();
    mask.Image->SetPixelFormat(format);
    mask.Image->SetSize(16, 12);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) Put(x, y, kSolid);
    mask.ImageRect = vcl::TRect{0, 0, 16, 12};
    mask.ImageCount = 2;
    mask.MaskType = 1;
    mask.WL = mask.WT = mask.WR = mask.WB = 3;
  }
  void Put(int x, int y, uint32_t colour) {
    const int bpp = mask.Image->PixelFormat() == vcl::pf32bit ? 4 : 3;
    uint8_t* p = static_cast<uint8_t*>(mask.Image->ScanLine(y)) + bpp * x;
    p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
  }
};

TEST(CornerRects, CollectsTheKeyRunsOfBothCorners) {
  for (vcl::TPixelFormat format : {vcl::pf24bit, vcl::pf32bit}) {
    MaskFixture f(format);
    f.Put(0, 0, kCornerKey), f.Put(1, 0, kCornerKey);  // top-left, first row
    f.Put(0, 1, kCornerKey);                      // top-left, second row
    f.Put(2, 1, kCornerKey);                      // a second run in that row, reaching the margin's end
    f.Put(7, 0, kCornerKey), f.Put(6, 0, kCornerKey);   // top-right of the first frame
    f.Put(3, 0, kCornerKey);                      // beyond the left margin: not a corner
    f.Put(15, 0, kCornerKey);                     // in the second frame: not read
    f.Put(0, 5, kCornerKey), f.Put(7, 5, kCornerKey);   // last row of the picture half: bottom corners
    TAOR rects{vcl::TRect{9, 9, 9, 9}};     // what is there stays
    CollectCornerRects(rects, 100, f.mask, false, 20);
    const vcl::TRect expected[] = {{9, 9, 9, 9}, {0, 20, 2, 21}, {98, 20, 100, 21}, {0, 21, 1, 22}, {2, 21, 3, 22}};
    ASSERT_EQ(rects.size(), std::size(expected));
    for (size_t i = 0; i < rects.size(); ++i) EXPECT_TRUE(skin_test::SameRect(rects[i], expected[i])) << i;

    TAOR bottom;
    CollectCornerRects(bottom, 50, f.mask, true, 40);  // rows 3..5, the picture half's bottom
    const vcl::TRect expectedBottom[] = {{0, 42, 1, 43}, {49, 42, 50, 43}};
    ASSERT_EQ(bottom.size(), std::size(expectedBottom));
    for (size_t i = 0; i < bottom.size(); ++i) EXPECT_TRUE(skin_test::SameRect(bottom[i], expectedBottom[i])) << i;
  }
}

// Margins from a damaged skin may reach past the picture: only the picture is read.
TEST(CornerRects, MarginsPastThePictureReadOnlyThePicture) {
  MaskFixture f;
  f.Put(15, 0, kCornerKey);
  f.mask.ImageCount = 1;
  f.mask.WL = 40;
  f.mask.WR = 40;
  TAOR rects;
  CollectCornerRects(rects, 16, f.mask, false, 0);
  ASSERT_EQ(rects.size(), 2u);  // the same run, seen from both corners
  EXPECT_TRUE(skin_test::SameRect(rects[0], vcl::TRect{15, 0, 16, 1}));
  EXPECT_TRUE(skin_test::SameRect(rects[1], vcl::TRect{15, 0, 16, 1}));

  struct Case {
    int16_t wt, wb, maskType, imageCount;
    bool bottom;
  } cases[] = {{30, 3, 1, 2, false}, {3, 30, 1, 2, true}, {3, 3, -1, 0, true}, {-4, -4, 1, 2, false}};
  for (const Case& c : cases) {
    MaskFixture g;
    g.mask.WT = c.wt, g.mask.WB = c.wb, g.mask.MaskType = c.maskType, g.mask.ImageCount = c.imageCount;
    for (int y = 0; y < 12; ++y) g.Put(0, y, kCornerKey);
    TAOR none;
    CollectCornerRects(none, 16, g.mask, c.bottom, 0);
    for (const vcl::TRect& r : none) EXPECT_TRUE(r.left >= 0 && r.right <= 16) << c.wt << "/" << c.wb;
  }

  TsMaskData noPicture;
  noPicture.WT = noPicture.WL = 3;
  TAOR empty;
  CollectCornerRects(empty, 10, noPicture, false, 0);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
