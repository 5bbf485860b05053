// A skinned popup menu on the X display: what the display shows where the popup is must be
// the popup the skin painted (what the platform composed for that place), never a black box.
#include <gtest/gtest.h>

#include <string>

#include "skin/forms/skinned_menus.h"
#include "tests/skin/forms/provider_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/menus.h"

using namespace provider_test;

namespace {

class ScreenPopupMenu : public ProviderTest {};

struct PopupMenuShot {
  screen_test::Capture display, platform;
  int ticks = 0;
};
PopupMenuShot* popupMenuShot = nullptr;

// Runs inside the menu's own loop: once the popup has been up a while, reads it back both ways
// and closes the menu.
void CALLBACK PopupMenuShotTick(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popupMenuShot || (++popupMenuShot->ticks < 8 && !(popup && popupMenuShot->ticks >= 5))) return;
  KillTimer(nullptr, timer);
  if (popup && IsWindowVisible(popup)) {
    popupMenuShot->display = screen_test::CaptureDisplayWindow(popup);
    popupMenuShot->platform = screen_test::CaptureWindow(popup);
  }
  EndMenu();
}

// The share of pixels where two captures of the same place agree.
double PopupSameShare(const screen_test::Capture& a, const screen_test::Capture& b) {
  if (a.Empty() || a.pixels.size() != b.pixels.size()) return 0.0;
  size_t same = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) same += a.pixels[i] == b.pixels[i] ? 1 : 0;
  return double(same) / double(a.pixels.size());
}

double PopupDarkShare(const screen_test::Capture& capture) {
  if (capture.Empty()) return 1.0;
  size_t dark = 0;
  for (uint32_t p : capture.pixels) dark += (p & 0xFF) < 24 && (p >> 8 & 0xFF) < 24 && (p >> 16 & 0xFF) < 24;
  return double(dark) / double(capture.pixels.size());
}

// Known open fault: the X display shows the skinned popup as a black box while the platform's
// read-back shows it painted. Enable with --gtest_also_run_disabled_tests once it is mended.
TEST_F(ScreenPopupMenu, DISABLED_DisplayShowsTheSkinnedPopup) {
  if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
  vcl::TForm* form = NewSkinnedForm(420, 300);
  form->SetBounds(80, 80, 420, 300);
  auto* menu = new vcl::TPopupMenu(form);
  for (const char* caption : {"&Open...", "&Save", "-", "Show &grid", "&Fit window", "&Print"}) {
    auto* item = new vcl::TMenuItem(form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  ShowForm(form);
  SetForegroundWindow(form->Handle());
  screen_test::Pump(500);
  // The form alone, nothing over it: the display and the platform agree there, or the display
  // read itself is wrong.
  const screen_test::Capture formOnDisplay = screen_test::CaptureDisplayWindow(form->Handle());
  const screen_test::Capture formOnPlatform = screen_test::CaptureWindow(form->Handle());
  screen_test::SaveCapture(formOnDisplay, "popup-menu-form-display");
  ASSERT_GT(PopupSameShare(formOnDisplay, formOnPlatform), 0.9) << "the display read does not show the form";
  skin::SkinableMenus(manager)->HookMenu(menu, true);
  PopupMenuShot shot;
  popupMenuShot = &shot;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, PopupMenuShotTick);
  menu->Popup(form->Left() + 60, form->Top() + 60);
  KillTimer(nullptr, timer);
  popupMenuShot = nullptr;
  skin::SkinableMenus(manager)->HookMenu(menu, false);

  screen_test::SaveCapture(shot.display, "popup-menu-display");
  screen_test::SaveCapture(shot.platform, "popup-menu-platform");
  ASSERT_FALSE(shot.display.Empty()) << "the popup was not shown, or the display could not be read";
  EXPECT_LT(PopupDarkShare(shot.display), 0.2) << "the display shows a black box";
  EXPECT_GT(PopupSameShare(shot.display, shot.platform), 0.9) << "the display does not show what the popup painted";
}

}  // namespace
