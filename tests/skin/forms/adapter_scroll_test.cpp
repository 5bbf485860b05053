// The skinned scroll bars of a list box scroll it as the platform's bars do: arrow clicks,
// track clicks, thumb drags to either end and the wheel, through real window messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class SkinnedListScroll : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(0, 0, 300, 300);
    list = new vcl::TListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 150, 120);
    for (int i = 0; i < 100; ++i) list->Items()->Add("Item " + std::to_string(i));
    form->Show();
    adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
    adapter = dynamic_cast<TacScrollWnd*>(adapter_test::ItemAdapterOf(adapters, list));
    ASSERT_NE(adapter, nullptr);
    wnd = list->Handle();
    ASSERT_TRUE(adapter->VertBar->Shown);
  }
  void TearDown() override {
    adapter_test::RemoveFormProvider(form.get());
    form.reset();
    manager.reset();
  }

  int TopIndex() const { return int(SendMessageA(wnd, LB_GETTOPINDEX, 0, 0)); }
  int LastTop() const {
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(wnd, SB_VERT, &info);
    return info.nMax - std::max<int>(info.nPage, 1) + 1;
  }
  RECT Bar() const { return adapter->VertBarRect(); }
  static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
  // A press and release at a screen point of the bar, as the platform delivers them.
  void Click(POINT p) {
    SendMessageA(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, At(p.x, p.y));
    SendMessageA(wnd, WM_LBUTTONUP, 0, 0);
  }
  // The thumb taken at its middle and moved to a screen y, then let go.
  void Drag(int toY) {
    int32_t length = 0, start = 0;
    adapter->CalcThumb(*adapter->VertBar, Bar(), length, start);
    const RECT bar = Bar();
    const int x = (bar.left + bar.right) / 2;
    SendMessageA(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, start + length / 2));
    ASSERT_TRUE(adapter->ThumbTracking);
    SetCursorPos(x, toY);
    PostMessageA(wnd, WM_MOUSEMOVE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, wnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) DispatchMessageA(&msg);
    SendMessageA(wnd, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(adapter->ThumbTracking);
  }

  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
  vcl::TListBox* list = nullptr;
  TacCtrlAdapter* adapters = nullptr;
  TacScrollWnd* adapter = nullptr;
  HWND wnd = nullptr;
};

TEST_F(SkinnedListScroll, HitTestsFindTheBarAndItsParts) {
  const RECT bar = Bar();
  const int x = (bar.left + bar.right) / 2;
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, At(x, bar.top + 2)), HTVSCROLL);
  EXPECT_EQ(adapter->HitTestBar(*adapter->VertBar, bar, {x, bar.top + 1}), kPartLineUp);
  EXPECT_EQ(adapter->HitTestBar(*adapter->VertBar, bar, {x, bar.bottom - 1}), kPartLineDown);
  EXPECT_EQ(adapter->HitTestBar(*adapter->VertBar, bar, {bar.left - 1, bar.top + 1}), -1);
}

TEST_F(SkinnedListScroll, ArrowsAndTrackScrollByLineAndPage) {
  const RECT bar = Bar();
  const int x = (bar.left + bar.right) / 2;
  Click({x, bar.bottom - 2});
  EXPECT_EQ(TopIndex(), 1);
  Click({x, bar.top + 2});
  EXPECT_EQ(TopIndex(), 0);
  // The track below the thumb pages down by what the list shows.
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(wnd, SB_VERT, &info);
  Click({x, bar.bottom - ScrollBarWidth - 3});
  EXPECT_EQ(TopIndex(), int(info.nPage));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SkinnedListScroll, ThumbDragsReachBothEndsExactly) {
  const RECT bar = Bar();
  Drag(bar.bottom + 50);
  EXPECT_EQ(TopIndex(), LastTop());
  EXPECT_EQ(GetScrollPos(wnd, SB_VERT), LastTop());
  Drag(bar.top - 50);
  EXPECT_EQ(TopIndex(), 0);
  Drag((bar.top + bar.bottom) / 2);
  EXPECT_GT(TopIndex(), 0);
  EXPECT_LT(TopIndex(), LastTop());
  EXPECT_EQ(GetScrollPos(wnd, SB_VERT), TopIndex());
}

TEST_F(SkinnedListScroll, WheelScrollsTheListAndTheBarFollows) {
  SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_GT(TopIndex(), 0);
  EXPECT_EQ(adapter->VertBar->Info.nPos, TopIndex());
}

TEST_F(SkinnedListScroll, MinThumbSizeNeedsAnAdapter) {
  EXPECT_TRUE(SetMinThumbSize(wnd, 1, 20));
  EXPECT_EQ(adapter->VertBar->MinThumb, 20);
  EXPECT_FALSE(SetMinThumbSize(form->Handle(), 3, 20));
}

}  // namespace
