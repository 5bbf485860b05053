// Geometry of the skinned bars on a bare window: thumb sizes, bars that do not fit, the left
// scroll bar, a thumb that fills its track, and clicks the bars swallow.
#include <gtest/gtest.h>

#include <memory>

#include "skin/forms/adapters/scroll_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"

using namespace skin;

namespace {

int vscrollCount = 0, rightClicks = 0;

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VSCROLL) ++vscrollCount;
  if (msg == WM_NCRBUTTONDOWN) ++rightClicks;
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

class ScrollGeometry : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "MergeonScrollProbe";
    RegisterClassA(&cls);
  }
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    vscrollCount = rightClicks = 0;
  }
  void TearDown() override {
    if (adapter) RemoveAdapter(wnd, true, false, adapter);
    if (wnd) DestroyWindow(wnd);
    manager.reset();
  }
  TacScrollWnd* Make(DWORD exStyle, int w, int h, int page, int max = 99) {
    wnd = CreateWindowExA(exStyle, "MergeonScrollProbe", "", WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL,
                          50, 50, w, h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, max, UINT(page), 0, 0};
    SetScrollInfo(wnd, SB_VERT, &info, FALSE);
    SetScrollInfo(wnd, SB_HORZ, &info, FALSE);
    adapter = MakeAdapter<TacScrollWnd>(true, wnd, std::string("EDIT"), manager.get(), nullptr);
    auto* scroll = static_cast<TacScrollWnd*>(adapter);
    GetScrollInfo(wnd, SB_VERT, &scroll->VertBar->Info);
    GetScrollInfo(wnd, SB_HORZ, &scroll->HorzBar->Info);
    return scroll;
  }

  std::unique_ptr<TsSkinManager> manager;
  HWND wnd = nullptr;
  TacMainWnd* adapter = nullptr;
};

TEST_F(ScrollGeometry, BarsTakeTheirRoomFromTheClientArea) {
  TacScrollWnd* s = Make(0, 200, 150, 10);
  ASSERT_TRUE(s->HorzBar->Shown && s->VertBar->Shown);
  RECT window{}, client{};
  GetWindowRect(wnd, &window);
  GetClientRect(wnd, &client);
  const RECT v = s->VertBarRect(), h = s->HorzBarRect();
  EXPECT_EQ(v.right, window.right - s->EdgeRight);
  EXPECT_EQ(v.right - v.left, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(h.bottom - h.top, GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(h.right, v.left) << "the corner square belongs to neither bar";
  EXPECT_EQ(client.right, (window.right - window.left) - s->EdgeLeft - s->EdgeRight - (v.right - v.left));
}

TEST_F(ScrollGeometry, LeftScrollBarWindowHasItsBarOnTheLeft) {
  TacScrollWnd* s = Make(WS_EX_LEFTSCROLLBAR, 200, 150, 10);
  RECT window{};
  GetWindowRect(wnd, &window);
  EXPECT_TRUE(s->LeftScrollBar);
  EXPECT_EQ(s->VertBarRect().left, window.left + s->EdgeLeft);
  EXPECT_EQ(s->HorzBarRect().left, s->VertBarRect().right);
}

TEST_F(ScrollGeometry, ClientLowerThanTheBarGetsNoHorizontalBar) {
  TacScrollWnd* s = Make(0, 200, GetSystemMetrics(SM_CYHSCROLL) - 2, 10);
  EXPECT_FALSE(s->HorzBar->Shown);
}

TEST_F(ScrollGeometry, ThumbLengthFollowsThePage) {
  TacScrollWnd* s = Make(0, 200, 250, 0);
  int32_t length = 0, start = 0;
  s->CalcThumb(*s->VertBar, s->VertBarRect(), length, start);
  EXPECT_EQ(length, s->BarMetric(*s->VertBar, 0, false)) << "page 0: as long as an arrow";
  EXPECT_EQ(start, s->VertBarRect().top + length);
  s->VertBar->Info.nPage = 50;
  s->CalcThumb(*s->VertBar, s->VertBarRect(), length, start);
  const RECT v = s->VertBarRect();
  const int track = (v.bottom - v.top) - 2 * s->BarMetric(*s->VertBar, 0, false);
  EXPECT_EQ(length, MulDiv(50, track, 100));
}

TEST_F(ScrollGeometry, ThumbFillingItsTrackCannotBeTakenAndSendsNothing) {
  TacScrollWnd* s = Make(0, 200, 250, 100);
  const RECT v = s->VertBarRect();
  const POINT middle{(v.left + v.right) / 2, (v.top + v.bottom) / 2};
  EXPECT_EQ(s->HitTestBar(*s->VertBar, v, middle), -1);
  SendMessageA(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(middle.x, middle.y));
  EXPECT_FALSE(s->ThumbTracking);
  SendMessageA(wnd, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(vscrollCount, 0);
}

TEST_F(ScrollGeometry, BarShorterThanTwoArrowsIsTwoHalves) {
  const int unit = GetSystemMetrics(SM_CYHSCROLL);
  TacScrollWnd* s = Make(0, 100, unit + unit + 10, 10);
  const RECT v = s->VertBarRect();
  ASSERT_LT(v.bottom - v.top, 2 * s->BarMetric(*s->VertBar, 0, false));
  const int x = (v.left + v.right) / 2, half = (v.top + v.bottom) / 2;
  EXPECT_EQ(s->HitTestBar(*s->VertBar, v, {x, half - 1}), kPartLineUp);
  EXPECT_EQ(s->HitTestBar(*s->VertBar, v, {x, half + 1}), kPartLineDown);
}

TEST_F(ScrollGeometry, RightClicksOnABarAreSwallowed) {
  TacScrollWnd* s = Make(0, 200, 150, 10);
  const RECT v = s->VertBarRect();
  EXPECT_EQ(SendMessageA(wnd, WM_NCRBUTTONDOWN, HTVSCROLL, MAKELPARAM(v.left + 1, v.top + 1)), 0);
  EXPECT_EQ(rightClicks, 0);
  SendMessageA(wnd, WM_NCRBUTTONDOWN, HTNOWHERE, 0);
  EXPECT_EQ(rightClicks, 1);
}

}  // namespace
