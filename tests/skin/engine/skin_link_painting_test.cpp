// The painters that take a control's skin link: its section background, the whole item with
// border and corners (asking the parent for what lies behind), and its caption.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_manager.h"
#include "vcl/stdctrls/extctrls.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

constexpr uint32_t kSkinLinkUntouched = 0xEEEEEE, kSection = 0x3070B0, kBorder = 0x00AA00, kCorner = 0x222222;

std::unique_ptr<vcl::TBitmap> SkinLinkFilled(int w, int h, uint32_t colour) {
  auto b = CreateBmp24(w, h);
  b->Canvas()->Brush()->SetColor(static_cast<vcl::TColor>(colour));
  b->Canvas()->FillRect(vcl::TRect{0, 0, w, h});
  return b;
}
std::vector<uint32_t> SkinLinkPixels(vcl::TBitmap* b) {
  std::vector<uint32_t> out;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) out.push_back(skin_test::ColourAt24(b, x, y));
  return out;
}

// One section, ITEM, with a 2-pixel border mask (index 0) and a 4 x 4 top-left corner image
// (index 1); a panel owns the link.
struct LinkFixture {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};
  std::unique_ptr<vcl::TPanel> panel{new vcl::TPanel(nullptr)};
  std::unique_ptr<TsCommonData> link;
  LinkFixture() {
    vcl::TBitmap* master = manager->MasterBitmap();
    master->SetPixelFormat(vcl::pf24bit);
    master->SetSize(10, 6);
    master->Canvas()->Brush()->SetColor(kBorder);
    master->Canvas()->FillRect(vcl::TRect{0, 0, 6, 6});
    master->Canvas()->Brush()->SetColor(kCorner);
    master->Canvas()->FillRect(vcl::TRect{6, 0, 10, 4});
    TsMaskData border, corner;
    border.Manager = corner.Manager = manager.get();
    border.ImageRect = {0, 0, 6, 6};
    border.ImageCount = corner.ImageCount = 1;
    border.WL = border.WT = border.WR = border.WB = 2;
    corner.ImageRect = {6, 0, 10, 4};
    manager->Masks = {border, corner};
    TsGeneralData s;
    s.SectionName = "ITEM";
    s.Color = s.HotColor = kSection;
    s.FontColor[0] = 0x0000FF;
    s.FontColor[4] = 0x808080;
    s.CornerTopLeft = 1;
    s.BorderIndex = 0;
    manager->Sections = {s};
    link = std::make_unique<TsCommonData>(panel.get(), true);
    link->SetSkinManager(manager.get());
    link->SectionIndex = 0;
    link->BorderMaskIndex = 0;
  }
  ~LinkFixture() {
    link.reset();
    panel.reset();
    manager.reset();
  }
};

TEST(SkinLinkPainting, BackgroundTakesTheCustomColourOfTheControl) {
  LinkFixture f;
  const vcl::TRect rect{2, 2, 10, 8};
  auto target = SkinLinkFilled(12, 10, kSkinLinkUntouched);
  PaintSkinDataBg(f.link.get(), TsBackgroundInfo{}, false, target.get(), {0, 0}, rect);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 5, 5), kSection);
  f.panel->SetColor(0x00123456);
  f.link->SetCustomColor(true);
  PaintSkinDataBg(f.link.get(), TsBackgroundInfo{}, false, target.get(), {0, 0}, rect);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 5, 5), 0x123456u);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 1, 5), kSkinLinkUntouched);
  PaintSkinDataBg(nullptr, TsBackgroundInfo{}, false, target.get(), {0, 0}, vcl::TRect{0, 0, 12, 10});
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 0, 0), kSkinLinkUntouched);
}

TEST(SkinLinkPainting, ItemPaintsTheBorderBeforeTheCorners) {
  struct Case {
    const char* name;
    int16_t stretchMode;
    int32_t state;
    bool border;
  } cases[] = {{"normal", 0, 0, true}, {"border off in the normal state", 2, 0, false}, {"hot shows it", 2, 1, true}};
  for (const Case& c : cases) {
    LinkFixture f;
    f.manager->Masks[0].StretchMode = c.stretchMode;
    const vcl::TRect rect{3, 2, 23, 14};
    auto target = SkinLinkFilled(26, 16, kSkinLinkUntouched);
    PaintSkinDataItem(f.link.get(), TsBackgroundInfo{}, false, false, target.get(), {0, 0}, rect, c.state);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 26; ++x) {
        const int dx = x - rect.left, dy = y - rect.top;
        uint32_t want = kSkinLinkUntouched;
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
          if (dx < 4 && dy < 4) want = kCorner;  // over the border
          else if (c.border && (dx < 2 || dy < 2 || dx >= 18 || dy >= 10)) want = kBorder;
          else want = kSection;
        }
        ASSERT_EQ(skin_test::ColourAt24(target.get(), x, y), want) << c.name << " at " << x << "," << y;
      }
  }
}

TEST(SkinLinkPainting, ItemFromAnUnskinnedParentShowsItsColour) {
  LinkFixture f;
  f.manager->Sections[0].Transparency = 100;
  f.manager->Sections[0].BorderIndex = -1;
  f.manager->Sections[0].CornerTopLeft = -1;
  f.link->BorderMaskIndex = -1;
  std::unique_ptr<vcl::TPanel> parent(new vcl::TPanel(nullptr));
  parent->SetColor(0x00204080);
  auto target = SkinLinkFilled(10, 10, kSkinLinkUntouched);
  PaintSkinDataItemFromParent(f.link.get(), parent.get(), true, false, target.get(), {4, 4}, vcl::TRect{0, 0, 10, 10},
                              0);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 0, 0), 0x204080u);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 9, 9), 0x204080u);

  // Without a parent nothing is known behind: the see-through section leaves the key colour.
  PaintSkinDataItemFromParent(f.link.get(), nullptr, true, false, target.get(), {0, 0}, vcl::TRect{0, 0, 10, 10}, 0);
  EXPECT_EQ(skin_test::ColourAt24(target.get(), 5, 5), uint32_t(SkinKeyColor));
}

TEST(SkinLinkPainting, CaptionInTheSectionColoursClippedToItsRectangle) {
  LinkFixture f;
  const vcl::TRect rect{6, 4, 40, 24};
  const UINT format = DT_SINGLELINE | DT_VCENTER;
  auto viaLink = SkinLinkFilled(60, 30, 0xFFFFFF);
  auto viaSection = SkinLinkFilled(60, 30, 0xFFFFFF);
  f.panel->Font()->SetHeight(-16);
  viaSection->Canvas()->Font()->Assign(f.panel->Font());
  WriteSkinDataText(viaLink->Canvas(), "Caption text that runs on", true, false, f.link.get(), format, rect);
  // The same drawing without the link, clipped to the rectangle afterwards.
  WriteSectionText(viaSection->Canvas(), "Caption text that runs on", true, f.manager.get(), false, 0,
                   format | DT_NOCLIP, rect);
  bool drawn = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
      ASSERT_EQ(skin_test::ColourAt24(viaLink.get(), x, y), inside ? skin_test::ColourAt24(viaSection.get(), x, y) : 0xFFFFFFu) << x << "," << y;
      drawn |= inside && skin_test::ColourAt24(viaLink.get(), x, y) != 0xFFFFFFu;
    }
  EXPECT_TRUE(drawn);

  // A hot web button is underlined; a normal one is not.
  f.link->SetSkinSection("WEBBUTTON");
  auto canvasOwner = SkinLinkFilled(8, 8, 0xFFFFFF);
  WriteSkinDataText(canvasOwner->Canvas(), "x", true, true, f.link.get(), format, rect);
  EXPECT_TRUE(canvasOwner->Canvas()->Font()->Style().Contains(vcl::fsUnderline));
  WriteSkinDataText(canvasOwner->Canvas(), "x", true, false, f.link.get(), format, rect);
  EXPECT_FALSE(canvasOwner->Canvas()->Font()->Style().Contains(vcl::fsUnderline));

  // A disabled caption mixes the text colour with the skin's global colour.
  f.link->SetSkinSection("ITEM");
  f.link->SectionIndex = 0;
  auto disabled = SkinLinkFilled(60, 30, 0xFFFFFF);
  WriteSkinDataText(disabled->Canvas(), "Hg", false, false, f.link.get(), format, rect);
  auto expected = SkinLinkFilled(60, 30, 0xFFFFFF);
  expected->Canvas()->Font()->Assign(f.panel->Font());
  expected->Canvas()->Font()->SetColor(BlendColors(0x0000FF, f.manager->GetGlobalColor(), 0.4));
  expected->Canvas()->Brush()->SetStyle(vcl::bsClear);
  HDC dc = expected->Canvas()->Handle();
  HGDIOBJ old = SelectObject(dc, expected->Canvas()->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, COLORREF(vcl::ColorToRGB(expected->Canvas()->Font()->Color())));
  RECT r = rect;
  DrawTextA(dc, "Hg", -1, &r, format);
  SelectObject(dc, old);
  EXPECT_EQ(SkinLinkPixels(disabled.get()), SkinLinkPixels(expected.get()));
}

}  // namespace
