#include <gtest/gtest.h>

#include "imaging/view/scroll_bars.h"

using namespace imaging;

namespace {

// A top-level window with both scroll bars, destroyed with the fixture.
class ScrollBarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "scroll", WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 200,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }

  SCROLLINFO Info(int bar, bool flat) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (flat)
      FlatSB_GetScrollInfo(window_, bar, &info);
    else
      GetScrollInfo(window_, bar, &info);
    return info;
  }

  HWND window_ = nullptr;
};

}  // namespace

TEST_F(ScrollBarsTest, StandardAndFlatBarsTakeRangePageAndPosition) {
  ASSERT_TRUE(InitializeFlatSB(window_));
  for (bool flat : {false, true}) {
    SetScrollBarInfo(window_, SB_HORZ, 0, 999, 100, 250, true, flat);
    SCROLLINFO info = Info(SB_HORZ, flat);
    EXPECT_EQ(info.nMin, 0) << flat;
    EXPECT_EQ(info.nMax, 999) << flat;
    EXPECT_EQ(info.nPage, 100u) << flat;
    EXPECT_EQ(info.nPos, 250) << flat;

    EXPECT_EQ(SetScrollBarRange(window_, SB_VERT, 10, 500, false, flat), -1);
    SetScrollBarPos(window_, SB_VERT, 42, true, flat);
    info = Info(SB_VERT, flat);
    EXPECT_EQ(info.nMin, 10) << flat;
    EXPECT_EQ(info.nMax, 500) << flat;
    EXPECT_EQ(info.nPos, 42) << flat;
    EnableScrollBarArrows(window_, SB_VERT, ESB_DISABLE_BOTH, flat);
    EnableScrollBarArrows(window_, SB_VERT, ESB_ENABLE_BOTH, flat);
    ShowWindowScrollBar(window_, SB_HORZ, false, flat);
    ShowWindowScrollBar(window_, SB_HORZ, true, flat);
  }
  UninitializeFlatSB(window_);
  ShowWindowScrollBar(window_, SB_VERT, false, false);
  EXPECT_FALSE(GetWindowLongA(window_, GWL_STYLE) & WS_VSCROLL);
}
