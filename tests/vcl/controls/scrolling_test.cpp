// Scrolling containers: the range covers the children, the bars appear and change the client
// area at once, scroll messages move the children, and ScrollInView brings a child into view.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"

using namespace vcl;
using namespace controls_test;

namespace {

class ScrollingTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm(400, 300);
    box = new TScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBorderStyle(bsNone);
    box->SetBounds(0, 0, 200, 150);
    distant = new TSolidControl(form.get());
    distant->SetParent(box);
    distant->SetBounds(20, 400, 40, 30);
    form->Show();
  }
  void TearDown() override {
    form.reset();
    ControlsTest::TearDown();
  }
  bool HasStyle(DWORD style) const { return (GetWindowLongPtrA(box->Handle(), GWL_STYLE) & style) != 0; }

  std::unique_ptr<TForm> form;
  TScrollBox* box = nullptr;
  TSolidControl* distant = nullptr;
};

TEST_F(ScrollingTest, RangeCoversTheChildrenAndTheBarShrinksTheClientAtOnce) {
  EXPECT_EQ(box->VertScrollBar()->Range(), 430);
  EXPECT_TRUE(HasStyle(WS_VSCROLL));
  EXPECT_FALSE(HasStyle(WS_HSCROLL));
  EXPECT_EQ(box->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
  // The child moves back into the client area: the bar goes, the client is whole again.
  int sizes = 0;
  box->OnResize = [&](TObject*) { ++sizes; };
  distant->SetTop(10);
  EXPECT_FALSE(HasStyle(WS_VSCROLL));
  EXPECT_EQ(box->ClientWidth(), 200);
  EXPECT_GE(sizes, 1);
}

TEST_F(ScrollingTest, ScrollMessagesMoveTheChildren) {
  struct Case {
    int code;
    int expectedPosition;
  } cases[] = {
      {SB_LINEDOWN, 8},
      {SB_PAGEDOWN, 8 + 150},
      {SB_BOTTOM, 430 - 150},
      {SB_LINEUP, 430 - 150 - 8},
      {SB_TOP, 0},
  };
  for (const Case& c : cases) {
    SendMessageA(box->Handle(), WM_VSCROLL, MAKEWPARAM(c.code, 0), 0);
    EXPECT_EQ(box->VertScrollBar()->Position(), c.expectedPosition) << c.code;
    EXPECT_EQ(distant->Top(), 400 - c.expectedPosition) << c.code;
    EXPECT_EQ(GetScrollPos(box->Handle(), SB_VERT), c.expectedPosition) << c.code;
  }
  // Dragging the thumb moves the content only with tracking on.
  SendMessageA(box->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100), 0);
  EXPECT_EQ(box->VertScrollBar()->Position(), 0);
  box->VertScrollBar()->SetTracking(true);
  SendMessageA(box->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100), 0);
  EXPECT_EQ(box->VertScrollBar()->Position(), 100);
}

TEST_F(ScrollingTest, ScrollInViewBringsAChildIntoSight) {
  box->ScrollInView(distant);
  // The child's bottom edge lands on the client's bottom edge.
  EXPECT_EQ(distant->Top() + distant->Height(), box->ClientHeight());
  EXPECT_EQ(box->VertScrollBar()->Position(), 430 - 150);
  auto* nearChild = new TSolidControl(form.get());
  nearChild->SetParent(box);
  nearChild->SetBounds(5, 5 - box->VertScrollBar()->Position(), 10, 10);
  // A child above the view comes to its top edge.
  box->ScrollInView(nearChild);
  EXPECT_EQ(box->VertScrollBar()->Position(), 5);
  EXPECT_EQ(nearChild->Top(), 0);
}

TEST_F(ScrollingTest, WithoutAutoScrollTheRangeIsTheCodesAndTheBorderIsAnEdge) {
  box->SetAutoScroll(false);
  EXPECT_EQ(box->VertScrollBar()->Range(), 0);
  EXPECT_FALSE(HasStyle(WS_VSCROLL));
  box->HorzScrollBar()->SetRange(1000);
  EXPECT_TRUE(HasStyle(WS_HSCROLL));
  box->SetBorderStyle(bsSingle);
  EXPECT_TRUE(GetWindowLongPtrA(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  // Recreating the window keeps the range and the bar.
  EXPECT_TRUE(HasStyle(WS_HSCROLL));
}

TEST_F(ScrollingTest, TheWheelScrollsWhenNobodyElseTakesIt) {
  box->SetFocus();
  SendMessageA(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(box->VertScrollBar()->Position(), box->VertScrollBar()->Increment());
}

}  // namespace
