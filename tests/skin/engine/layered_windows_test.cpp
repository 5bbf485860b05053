#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/paint/layered_windows.h"

using namespace skin;

namespace {

TEST(LayeredWindows, TheFoundEntryPointUpdatesARealLayeredWindow) {
  ASSERT_TRUE(CanUseLayeredWindows());
  HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  vcl::TBitmap picture;
  picture.SetPixelFormat(vcl::pf32bit);
  picture.SetSize(24, 16);
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(source, picture.Handle());
  POINT position{30, 40}, origin{0, 0};
  SIZE size{24, 16};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 200, AC_SRC_ALPHA};
  EXPECT_TRUE(UpdateLayeredWindowFunc(window, screen, &position, &size, source, &origin, 0, &blend, ULW_ALPHA));
  RECT placed{};
  GetWindowRect(window, &placed);
  EXPECT_EQ(placed.left, 30);
  EXPECT_EQ(placed.top, 40);
  EXPECT_EQ(placed.right - placed.left, 24);
  EXPECT_EQ(placed.bottom - placed.top, 16);
  SelectObject(source, old);
  DeleteDC(source);
  ReleaseDC(nullptr, screen);
  DestroyWindow(window);
}

TEST(LayeredWindows, WithoutTheEntryPointLayeredHelpersAreOff) {
  const TUpdateLayeredWindowFunc found = UpdateLayeredWindowFunc;
  UpdateLayeredWindowFunc = nullptr;
  EXPECT_FALSE(CanUseLayeredWindows());
  UpdateLayeredWindowFunc = found;
  EXPECT_TRUE(CanUseLayeredWindows());
}

TEST(LayeredWindows, OneSharedAccessorFor32BitBackgrounds) {
  TacFast32* shared = SharedFast32();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(SharedFast32(), shared);
  vcl::TBitmap background;
  background.SetPixelFormat(vcl::pf32bit);
  background.SetSize(3, 3);
  ASSERT_TRUE(shared->Attach(&background));
  shared->SetPixel(2, 2, 0xFF0000FF);
  EXPECT_EQ(shared->GetPixel(2, 2), 0xFF0000FFu);
}

}  // namespace
