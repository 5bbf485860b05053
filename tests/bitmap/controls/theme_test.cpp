// The theme service: without an active visual style (as under the test display) themed drawing
// is off and no theme is open; the service follows the theme-change message and can be shut
// down and made again.
#include <gtest/gtest.h>

#include "bitmap/controls/theme.h"

using namespace bitmap;

namespace {

TEST(ThemeService, FollowsThePlatformsVisualStyle) {
  TThemeNexus& nexus = ThemeNexus();
  ASSERT_NE(nexus.WindowHandle(), nullptr);
  // What the platform itself says decides; with no theme active nothing is open.
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  ASSERT_NE(uxtheme, nullptr);
  using TQuery = BOOL(WINAPI*)();
  auto isActive = reinterpret_cast<TQuery>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "IsThemeActive")));
  auto isAppThemed = reinterpret_cast<TQuery>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "IsAppThemed")));
  const bool expected = isActive() && isAppThemed();
  FreeLibrary(uxtheme);
  EXPECT_EQ(UseThemes(), expected);
  EXPECT_EQ(ScrollbarTheme() != nullptr, expected);
  // A theme change closes and opens the themes again, with the same answer.
  SendMessageA(nexus.WindowHandle(), WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(UseThemes(), expected);
  // Drawing a part without themes leaves the surface alone.
  HDC dc = CreateCompatibleDC(nullptr);
  RECT r{0, 0, 4, 4};
  DrawScrollbarThemePart(dc, 1, 1, r);
  DeleteDC(dc);
}

TEST(ThemeService, ShutDownAndMadeAgain) {
  HWND first = ThemeNexus().WindowHandle();
  ShutDownThemeService();
  EXPECT_FALSE(IsWindow(first));
  HWND second = ThemeNexus().WindowHandle();
  EXPECT_TRUE(IsWindow(second));
}

}  // namespace
