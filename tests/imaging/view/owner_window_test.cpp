#include <gtest/gtest.h>

#include "imaging/view/owner_window.h"
#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"

using namespace imaging;

TEST(FindOwnerWindowHandle, WalksTheOwnersToTheFirstWindowedControl) {
  EXPECT_EQ(FindOwnerWindowHandle(nullptr), nullptr);
  vcl::TComponent lonely(nullptr);
  EXPECT_EQ(FindOwnerWindowHandle(&lonely), nullptr);

  HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  auto* control = new vcl::TWinControl(nullptr);
  auto* owned = new vcl::TComponent(control);
  auto* ownedTwice = new vcl::TComponent(owned);
  EXPECT_EQ(FindOwnerWindowHandle(ownedTwice), nullptr);  // no window made yet
  EXPECT_FALSE(control->HandleAllocated());
  control->SetParentWindow(host);
  control->HandleNeeded();
  ASSERT_TRUE(control->HandleAllocated());
  EXPECT_EQ(FindOwnerWindowHandle(ownedTwice), control->WindowHandle());
  EXPECT_EQ(FindOwnerWindowHandle(control), control->WindowHandle());
  delete control;  // frees what it owns
  DestroyWindow(host);
}
