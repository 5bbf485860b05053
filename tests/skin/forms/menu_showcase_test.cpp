// A skinned popup menu left open for a screenshot: items with icons, a checked item, a radio
// item, a divider, a disabled item, shortcuts, and the first item hot. Skipped unless
// MERGEON_SHOWCASE_SECONDS says how long to show it. Under Xvfb the popup is an X window of
// its own: take it with `xwd -id` (a picture of the root leaves it black).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "skin/engine/bitmap_ops.h"
#include "skin/forms/skinned_menus.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/colours.h"
#include "vcl/graphics/imagelist.h"

using namespace provider_test;

namespace {

UINT_PTR showcaseTimer = 0;
DWORD showcaseEnd = 0;
bool showcaseHot = false;

void CALLBACK ShowcaseTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!showcaseHot) {
    // The first item hot, as under the mouse.
    if (HWND popup = FindWindowA("#32768", nullptr)) {
      PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
      showcaseHot = true;
    }
  }
  if (GetTickCount() >= showcaseEnd) {
    KillTimer(nullptr, showcaseTimer);
    EndMenu();
  }
}

// A 16 x 16 picture: a coloured square with a lighter inner square.
std::unique_ptr<vcl::TBitmap> Icon(vcl::TColor outer, vcl::TColor inner) {
  auto bitmap = skin::CreateBmp24(16, 16);
  HDC dc = bitmap->Canvas()->Handle();
  skin::PaintSolidRect(dc, {0, 0, 16, 16}, vcl::clFuchsia);
  skin::PaintSolidRect(dc, {1, 1, 15, 15}, outer);
  skin::PaintSolidRect(dc, {5, 5, 11, 11}, inner);
  return bitmap;
}

TEST_F(ProviderTest, MenuShowcase) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the menu";
  vcl::TForm* form = NewSkinnedForm(420, 300);
  form->SetCaption("Mergeon - skinned popup menu");
  auto* images = new vcl::TCustomImageList(form, 16, 16);
  images->AddMasked(Icon(0x00A05020, 0x00F0D0A0).get(), vcl::clFuchsia);
  images->AddMasked(Icon(0x003080E0, 0x00C0F0FF).get(), vcl::clFuchsia);
  images->AddMasked(Icon(0x0040A040, 0x00D0FFD0).get(), vcl::clFuchsia);
  auto* menu = new vcl::TPopupMenu(form);
  menu->SetImages(images);
  struct Entry {
    const char* caption;
    int image;
    vcl::TShortCut shortCut;
  };
  const Entry entries[] = {{"&Open...", 0, vcl::scCtrl | 'O'}, {"&Save", 1, vcl::scCtrl | 'S'},
                           {"-", -1, 0},                          {"Show &grid", -1, 0},
                           {"&Fit window", -1, 0},                {"&Actual size", -1, 0},
                           {"-", -1, 0},                          {"&Transfer", 2, vcl::scCtrl | 'T'},
                           {"&Print", -1, 0}};
  for (const Entry& entry : entries) {
    auto* item = new vcl::TMenuItem(form);
    item->SetCaption(entry.caption);
    item->SetImageIndex(entry.image);
    item->SetShortCut(entry.shortCut);
    menu->Items()->Add(item);
  }
  menu->Items()->Items(3)->SetChecked(true);
  menu->Items()->Items(4)->SetRadioItem(true);
  menu->Items()->Items(4)->SetChecked(true);
  menu->Items()->Items(5)->SetRadioItem(true);
  menu->Items()->Items(8)->SetEnabled(false);
  ShowForm(form);
  SetForegroundWindow(form->Handle());
  skin::SkinableMenus(manager)->HookMenu(menu, true);
  showcaseEnd = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
  showcaseHot = false;
  showcaseTimer = SetTimer(nullptr, 0, 100, ShowcaseTick);
  RECT box{};
  GetWindowRect(form->Handle(), &box);
  menu->Popup(box.left + 60, box.top + 60);
  KillTimer(nullptr, showcaseTimer);
  skin::SkinableMenus(manager)->HookMenu(menu, false);
}

}  // namespace
