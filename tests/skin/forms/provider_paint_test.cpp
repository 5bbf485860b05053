// Painting of a skinned form: printed with WM_PRINT, the frame shows the skin's sections where
// the frame's layout puts them (the title band, the borders of the form's section and its
// corners), the title buttons from the skin's masks, and the client background from the same
// image.
#include <gtest/gtest.h>

#include <string>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "vcl/graphics/colours.h"
#include "tests/skin/forms/provider_fixture.h"

using namespace skin;
using namespace provider_test;

namespace {

// The frame the skin's sections give, painted here with the engine's painters: the form's
// section over the whole image and the title section over the title band.
std::unique_ptr<vcl::TBitmap> ProviderPaintExpectedFrame(TsSkinManager* manager, vcl::TForm* form, int titleBottom, bool active) {
  auto image = CreateBmp24(form->Width(), form->Height());
  TsCommonData link(nullptr, false);
  link.SetSkinManager(manager);
  link.SetSkinSection("FORM");
  vcl::TRect all{0, 0, form->Width(), form->Height()};
  PaintSkinDataItem(&link, EmptyBackgroundInfo, true, false, image.get(), vcl::TPoint{form->Left(), form->Top()}, all,
                    active ? 1 : 0);
  int title = manager->FindSectionIndex("FORMTITLE");
  TsBackgroundInfo self;
  FillBmpBgInfo(image.get(), 0, 0, self);
  vcl::TRect band{0, 0, form->Width(), titleBottom};
  PaintSectionItem(title, "FORMTITLE", self, -1, -1, manager, image.get(), vcl::TPoint{0, 0}, band, active ? 1 : 0,
                   true);
  return image;
}

TEST_F(ProviderTest, PrintedFrameIsTheSkinsFrame) {
  for (vcl::TFormBorderStyle style : {vcl::bsSizeable, vcl::bsSingle, vcl::bsToolWindow}) {
    SCOPED_TRACE(int(style));
    vcl::TForm* form = NewSkinnedForm(360, 240, style);
    ShowForm(form);
    auto* provider = TsSkinProvider::FromForm(form);
    auto printed = provider_test::PrintedForm(form);
    int border = provider->WndBorderWidth(true);
    int titleBottom = border + provider->CaptionHeight(true);
    auto expected = ProviderPaintExpectedFrame(manager, form, titleBottom, provider->FormActive());
    int width = form->Width(), height = form->Height();

    // Borders below the title: left, right and bottom strips.
    EXPECT_EQ(Differences(printed.get(), expected.get(), RECT{0, titleBottom, border, height}), "") << "left";
    EXPECT_EQ(Differences(printed.get(), expected.get(), RECT{width - border, titleBottom, width, height}), "")
        << "right";
    EXPECT_EQ(Differences(printed.get(), expected.get(), RECT{0, height - border, width, height}), "") << "bottom";
    // The title band between the icon and the buttons (the caption is empty).
    provider->LayoutTitleButtons();
    RECT icon = provider->TitleIconRect();
    int buttonsLeft = provider->ButtonClose.Rect.left;
    if (!IsRectEmpty(&provider->ButtonMin.Rect)) buttonsLeft = provider->ButtonMin.Rect.left;
    RECT band{std::max<LONG>(icon.right, border) + 1, 0, buttonsLeft - 1, titleBottom};
    EXPECT_EQ(Differences(printed.get(), expected.get(), band), "") << "title";
    forms.clear();
  }
}

TEST_F(ProviderTest, PrintedButtonsComeFromTheSkinsMasks) {
  vcl::TForm* form = NewSkinnedForm(360, 240);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  auto printed = provider_test::PrintedForm(form);
  provider->LayoutTitleButtons();
  // The close button differs from the bare title behind it, and looks as the cache shows it.
  int border = provider->WndBorderWidth(true);
  auto expected = ProviderPaintExpectedFrame(manager, form, border + provider->CaptionHeight(true), provider->FormActive());
  const RECT& close = provider->ButtonClose.Rect;
  EXPECT_NE(Differences(printed.get(), expected.get(), close), "");
  vcl::TBitmap* cache = provider->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  int mismatches = 0;
  for (int y = close.top; y < close.bottom; ++y)
    for (int x = close.left; x < close.right; ++x)
      if (PixelAt(printed.get(), x, y) != PixelAt(cache, x, y)) ++mismatches;
  EXPECT_EQ(mismatches, 0);
}

TEST_F(ProviderTest, ClientBackgroundComesFromTheFrameImage) {
  vcl::TForm* form = NewSkinnedForm(300, 220);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  auto printed = provider_test::PrintedForm(form);
  vcl::TBitmap* cache = provider->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  int x = provider->ClientOffsetX(), y = provider->ClientOffsetY();
  RECT client;
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(PixelAt(printed.get(), x + client.right / 2, y + client.bottom / 2),
            PixelAt(cache, x + client.right / 2, y + client.bottom / 2));
  // A child asking for its background gets the form's plain colour when the section paints
  // nothing else, else the image at the client's origin.
  TsBackgroundRequest request;
  ASSERT_EQ(form->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetBackground), reinterpret_cast<LPARAM>(&request)), 1);
  if (provider->SkinData()->PaintFlags & pfFastPaint) {
    EXPECT_EQ(request.Kind, bkColor);
    EXPECT_EQ(vcl::ColorToRGB(request.Color), vcl::ColorToRGB(provider->FormColor()));
  } else {
    EXPECT_EQ(request.Kind, bkBitmap);
    EXPECT_EQ(request.Bitmap, cache);
    EXPECT_EQ(request.OffsetX, x);
    EXPECT_EQ(request.OffsetY, y);
  }
  EXPECT_EQ(form->Perform(SM_ALPHACMD, MAKEWPARAM(0, 61), 0), MAKELONG(x, y));
}

TEST_F(ProviderTest, HidingShrinksTheFrameImage) {
  vcl::TForm* form = NewSkinnedForm(300, 220);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider->SkinData()->CacheBitmap, nullptr);
  EXPECT_EQ(provider->SkinData()->CacheBitmap->Width(), 300);
  form->Hide();
  EXPECT_TRUE(provider->SkinData()->CacheBitmap->Empty());
  ShowForm(form);
  auto printed = provider_test::PrintedForm(form);
  EXPECT_EQ(provider->SkinData()->CacheBitmap->Width(), 300);
}

TEST_F(ProviderTest, PrintClientDoesNothing) {
  vcl::TForm* form = NewSkinnedForm(300, 220);
  ShowForm(form);
  auto surface = NewSurface(300, 220);
  PatBlt(surface->Canvas()->Handle(), 0, 0, 300, 220, WHITENESS);
  SendMessageA(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->Canvas()->Handle()), PRF_CLIENT);
  EXPECT_EQ(PixelAt(surface.get(), 150, 110), 0xFFFFFFu);
}

}  // namespace

namespace {

// The title band of the printed form, as text of its pixels' colours.
std::string TitleBand(vcl::TForm* form, TsSkinProvider* provider) {
  auto printed = provider_test::PrintedForm(form);
  int bottom = provider->WndBorderWidth(true) + provider->CaptionHeight(true);
  std::string pixels;
  for (int y = 0; y < bottom; ++y)
    for (int x = 0; x < form->Width(); x += 2) pixels += std::to_string(PixelAt(printed.get(), x, y)) + ",";
  return pixels;
}

TEST_F(ProviderTest, CaptionChangesShowInTheTitle) {
  vcl::TForm* form = NewSkinnedForm(360, 240);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  std::string empty = TitleBand(form, provider);
  form->SetCaption("A caption");
  ProcessMessages();
  std::string titled = TitleBand(form, provider);
  EXPECT_NE(titled, empty);
  form->SetCaption("");
  ProcessMessages();
  EXPECT_EQ(TitleBand(form, provider), empty);
}

TEST_F(ProviderTest, ActivationChangesTheFrame) {
  vcl::TForm* form = NewSkinnedForm(360, 240);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_TRUE(provider->FormActive());
  auto active = provider_test::PrintedForm(form);
  SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_FALSE(provider->FormActive());
  auto inactive = provider_test::PrintedForm(form);
  int border = provider->WndBorderWidth(true);
  int titleBottom = border + provider->CaptionHeight(true);
  // Each state shows the skin's frame of that state.
  auto wantActive = ProviderPaintExpectedFrame(manager, form, titleBottom, true);
  auto wantInactive = ProviderPaintExpectedFrame(manager, form, titleBottom, false);
  RECT left{0, titleBottom, border, form->Height() - border};
  EXPECT_EQ(Differences(active.get(), wantActive.get(), left), "");
  EXPECT_EQ(Differences(inactive.get(), wantInactive.get(), left), "");
  EXPECT_NE(Differences(active.get(), inactive.get(), left), "") << "the two states look alike";
}

}  // namespace
