#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/system.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

constexpr uint32_t kItemUntouched = 0xEEEEEE, kSection = 0x3070B0, kBorder = 0x00AA00, kBorderCentre = 0x0000AA;
constexpr uint32_t kCorners[4] = {0x111111, 0x222222, 0x333333, 0x444444};

std::unique_ptr<vcl::TBitmap> ItemFilled(int w, int h, uint32_t colour) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) row[3 * x] = uint8_t(colour >> 16), row[3 * x + 1] = uint8_t(colour >> 8), row[3 * x + 2] = uint8_t(colour);
  }
  return b;
}
void ItemPut(vcl::TBitmap* b, int x, int y, uint32_t colour) {
  uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + 3 * x;
  p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
}

// Section ITEM: a flat colour, four solid 6 x 6 corner images and (optionally) a 6 x 6 border
// mask with 2-pixel margins and a centre of its own colour.
struct ItemSkin {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};
  explicit ItemSkin(bool corners = true, bool border = true) {
    vcl::TBitmap* master = manager->MasterBitmap();
    master->SetPixelFormat(vcl::pf24bit);
    master->SetSize(30, 6);
    for (int i = 0; i < 5; ++i)
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
          const bool centre = x >= 2 && x < 4 && y >= 2 && y < 4;
          ItemPut(master, 6 * i + x, y, i < 4 ? kCorners[i] : centre ? kBorderCentre : kBorder);
        }
    for (int i = 0; i < 5; ++i) {
      TsMaskData m;
      m.Manager = manager.get();
      m.ImageRect = {6 * i, 0, 6 * i + 6, 6};
      m.ImageCount = 1;
      if (i == 4) m.WL = m.WT = m.WR = m.WB = 2, m.StretchMode = 4;  // the centre belongs to the mask
      manager->Masks.push_back(m);
    }
    TsGeneralData s;
    s.SectionName = "ITEM";
    s.Color = s.HotColor = kSection;
    if (corners) s.CornerTopLeft = 0, s.CornerTopRight = 1, s.CornerBottomLeft = 2, s.CornerBottomRight = 3;
    if (border) s.BorderIndex = 4;
    manager->Sections.push_back(s);
  }
};

// What an item of the skin above shows at (x, y) of the rectangle.
uint32_t ItemPixel(const vcl::TRect& r, int x, int y, bool corners, bool border, bool centre) {
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return kItemUntouched;
  const int dx = x - r.left, dy = y - r.top, w = r.right - r.left, h = r.bottom - r.top;
  if (border && (dx < 2 || dy < 2 || dx >= w - 2 || dy >= h - 2)) return kBorder;
  if (border && centre) return kBorderCentre;
  if (corners) {
    const bool left = dx < 6, right = dx >= w - 6, top = dy < 6, bottom = dy >= h - 6;
    if (left && top) return kCorners[0];
    if (right && top) return kCorners[1];
    if (left && bottom) return kCorners[2];
    if (right && bottom) return kCorners[3];
  }
  return kSection;
}

TEST(ItemPainters, BackgroundCornersAndBorder) {
  const vcl::TRect rect{10, 20, 110, 60};
  struct Case {
    const char* name;
    bool corners, border, centre;
  } cases[] = {{"background only", false, false, false},
               {"corners at the corners", true, false, false},
               {"border over the corners", true, true, false},
               {"border with its centre", true, true, true}};
  for (const Case& c : cases) {
    ItemSkin skin(c.corners, c.border);
    auto target = ItemFilled(120, 70, kItemUntouched);
    PaintSectionItem(0, "ITEM", TsBackgroundInfo{}, -1, -1, skin.manager.get(), target.get(), {0, 0}, rect, 0, c.centre);
    for (int y = 0; y < 70; ++y)
      for (int x = 0; x < 120; ++x)
        ASSERT_EQ(skin_test::ColourAt24(target.get(), x, y), ItemPixel(rect, x, y, c.corners, c.border, c.centre))
            << c.name << " at " << x << "," << y;
  }
}

TEST(ItemPainters, RectanglesOutsideTheTargetPaintNothing) {
  ItemSkin skin;
  for (vcl::TRect rect : {vcl::TRect{-1, 0, 10, 10}, vcl::TRect{0, 0, 21, 10}, vcl::TRect{5, 5, 5, 9},
                          vcl::TRect{0, 3, 10, 16}, vcl::TRect{8, 8, 4, 4}}) {
    auto target = ItemFilled(20, 15, kItemUntouched);
    PaintSectionItem(0, "ITEM", TsBackgroundInfo{}, -1, -1, skin.manager.get(), target.get(), {0, 0}, rect, 0, true);
    TsBackgroundInfo info{nullptr, 3, 4, 0, false};
    PaintItemByIndexes(0, 4, -1, skin.manager.get(), target.get(), {0, 0}, rect, 0, true, info, "ITEM", -1);
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(skin_test::ColourAt24(target.get(), x, y), kItemUntouched) << x << "," << y;
  }
  auto target = ItemFilled(20, 15, kItemUntouched);
  PaintSectionItem(7, "ITEM", TsBackgroundInfo{}, -1, -1, skin.manager.get(), target.get(), {0, 0}, {0, 0, 20, 15}, 0,
                   true);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 10, 7), kItemUntouched);
}

TEST(ItemPainters, ScrollPartsLeaveTheCallersBackgroundAlone) {
  ItemSkin skin(false, true);
  auto target = ItemFilled(30, 20, kItemUntouched);
  TsBackgroundInfo info{nullptr, 3, 4, 0x123456, false};
  const vcl::TRect rect{2, 3, 28, 17};
  PaintItemByIndexes(0, 4, -1, skin.manager.get(), target.get(), {7, 9}, rect, 0, false, info, "ITEM", -1);
  EXPECT_EQ(info.X, 3);
  EXPECT_EQ(info.Y, 4);
  EXPECT_EQ(info.FillColor, 0x123456);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(skin_test::ColourAt24(target.get(), x, y), ItemPixel(rect, x, y, false, true, false)) << x << "," << y;
}

TEST(ItemPainters, NamedSectionWithFallback) {
  ItemSkin skin(false, false);
  struct Case {
    const char* name;
    const char* fallback;
    int32_t index;
  } cases[] = {{"ITEM", "NONE", 0}, {"NONE", "ITEM", 0}, {"NONE", "NOTHING", -1}};
  for (const Case& c : cases) {
    auto target = ItemFilled(8, 6, kItemUntouched);
    EXPECT_EQ(PaintNamedSectionItem(target.get(), c.name, c.fallback, nullptr, 0, {0, 0, 8, 6}, skin.manager.get(), 0),
              c.index)
        << c.name;
    EXPECT_EQ(skin_test::ColourAt24(target.get(), 4, 3), c.index == 0 ? kSection : kItemUntouched) << c.name;
  }
}

TEST(ItemPainters, ToADeviceContextAtTheRectangle) {
  ItemSkin skin;
  auto screen = ItemFilled(40, 30, kItemUntouched);
  HDC dc = screen->Canvas()->Handle();
  POINT originBefore{};
  GetViewportOrgEx(dc, &originBefore);
  const vcl::TRect rect{5, 4, 35, 26};
  PaintSectionItemToDC(0, "ITEM", TsBackgroundInfo{}, skin.manager.get(), dc, {0, 0}, rect, 0, false);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(skin_test::ColourAt24(screen.get(), x, y), ItemPixel(rect, x, y, true, true, false)) << x << "," << y;
  POINT originAfter{};
  GetViewportOrgEx(dc, &originAfter);
  EXPECT_EQ(originAfter.x, originBefore.x);

  auto untouched = ItemFilled(10, 10, kItemUntouched);
  PaintSectionItemToDC(0, "ITEM", TsBackgroundInfo{}, skin.manager.get(), untouched->Canvas()->Handle(), {0, 0},
                       vcl::TRect{-1, 0, 5, 5}, 0, false);
  EXPECT_EQ(skin_test::ColourAt24(untouched.get(), 2, 2), kItemUntouched);
}

}  // namespace
