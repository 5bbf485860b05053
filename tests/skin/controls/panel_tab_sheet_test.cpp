// TsTabSheet: a page that shows its page control's image and answers for it.
#include <gtest/gtest.h>

#include "skin/controls/tab_sheet.h"
#include "skin/engine/skin_painting.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

// A page control whose skin link holds a composed image: pixel (x, y) is 0x00yyxx.
class TImagePageControl : public vcl::TPageControl, public IacSkinLinked {
 public:
  explicit TImagePageControl(vcl::TComponent* owner) : vcl::TPageControl(owner) {
    link = std::make_unique<TsCommonData>(this, true);
    // A section with a gradient: its children see the composed image, not a plain colour.
    link->SetSkinSection("FORMTITLE");
  }
  TsCommonData* SkinLink() const override { return link.get(); }
  void Compose() {
    link->ResolveSkinIndexes();
    link->InitCacheBmp24();
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        SetPixel(link->CacheBitmap->Canvas()->Handle(), x, y, RGB(x & 0xFF, y & 0xFF, 0));
    link->CacheStale = false;
  }
  std::unique_ptr<TsCommonData> link;
};

class TabSheets : public SkinnedControls {};

TEST_F(TabSheets, ShowThePageControlsImageAndAnswerForIt) {
  ActivateSkin();
  auto* page = Add<TImagePageControl>(nullptr, 10, 10, 200, 150);
  auto* sheet = vcl::New<TsTabSheet>(form.get());
  sheet->SetPageControl(page);
  page->SetActivePage(sheet);
  Pump();
  ASSERT_GT(sheet->Width(), 10);
  page->Compose();
  ASSERT_TRUE(page->link->IsSkinned());
  // A child asking the sheet for its background gets the page control's image at the sheet.
  TsBackgroundRequest request;
  RequestCtrlBackground(request, sheet, false);
  EXPECT_EQ(request.Kind, bkBitmap);
  EXPECT_EQ(request.Bitmap, page->link->CacheBitmap.get());
  EXPECT_EQ(request.OffsetX, sheet->Left());
  EXPECT_EQ(request.OffsetY, sheet->Top());
  // Erasing the sheet copies that image.
  auto image = CreateBmp24(sheet->Width(), sheet->Height());
  SendMessageA(sheet->Handle(), WM_ERASEBKGND, WPARAM(image->Canvas()->Handle()), 0);
  EXPECT_EQ(GetPixel(image->Canvas()->Handle(), 5, 7), RGB(sheet->Left() + 5, sheet->Top() + 7, 0));
  EXPECT_TRUE(sheet->UseCloseBtn());
}

TEST_F(TabSheets, ANewTabSkinRedrawsAVisiblePageControl) {
  ActivateSkin();
  auto* page = Add<TImagePageControl>(nullptr, 10, 10, 200, 150);
  auto* sheet = vcl::New<TsTabSheet>(form.get());
  sheet->SetPageControl(page);
  page->SetActivePage(sheet);
  Pump();
  page->Compose();
  const struct {
    const char* tabSkin;
    bool pageVisible;
    bool redrawn;
  } cases[] = {
      {"TABTOP", true, true},         // a new value
      {"TABTOP", true, false},        // the same value again
      {"TABBOTTOM", false, false},    // a hidden page control is left alone
      {"TABTOP", true, true},
  };
  for (const auto& c : cases) {
    page->SetVisible(c.pageVisible);
    Pump();
    page->link->CacheStale = false;
    ValidateRect(page->Handle(), nullptr);
    sheet->SetTabSkin(c.tabSkin);
    EXPECT_EQ(sheet->TabSkin(), c.tabSkin);
    EXPECT_EQ(page->link->CacheStale, c.redrawn) << c.tabSkin << " visible " << c.pageVisible;
    EXPECT_EQ(GetUpdateRect(page->Handle(), nullptr, FALSE) != FALSE, c.redrawn)
        << c.tabSkin << " visible " << c.pageVisible;
  }
}

}  // namespace
