// The mouse: capture on a press for controls with csCaptureMouse (windowless ones through
// their parent's window), clicks on release inside, mouse enter and leave as the pointer
// moves, and the wheel going to the focused control and up its parents.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"

using namespace vcl;
using namespace controls_test;

namespace {

class MouseTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm(300, 200);
    form->SetBorderStyle(bsNone);
    form->SetBounds(50, 50, 300, 200);
    graphic = new TSolidGraphic(form.get());
    graphic->SetParent(form.get());
    graphic->SetBounds(10, 10, 40, 30);
    windowed = new TSolidControl(form.get());
    windowed->SetParent(form.get());
    windowed->SetBounds(100, 10, 60, 40);
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    SetCaptureControl(nullptr);
    form.reset();
    ControlsTest::TearDown();
  }

  // Sends a mouse message to a window at a point of its client area.
  static void Mouse(TWinControl* target, UINT msg, int x, int y, WPARAM keys = 0) {
    SendMessageA(target->Handle(), msg, keys, PointToLParam(x, y));
  }

  std::unique_ptr<TForm> form;
  TSolidGraphic* graphic = nullptr;
  TSolidControl* windowed = nullptr;
};

TEST_F(MouseTest, WindowlessControlCapturesThroughItsParentAndClicksInside) {
  std::vector<std::string> log;
  graphic->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  };
  graphic->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  };
  graphic->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { log.push_back("up"); };
  graphic->OnClick = [&](TObject*) { log.push_back("click"); };

  Mouse(form.get(), WM_LBUTTONDOWN, 15, 20, MK_LBUTTON);
  EXPECT_EQ(GetCapture(), form->Handle());
  EXPECT_EQ(GetCaptureControl(), graphic);
  EXPECT_TRUE(graphic->MouseCapture());
  // While captured, moves far outside still go to the graphic control, in its coordinates.
  Mouse(form.get(), WM_MOUSEMOVE, 250, 150, MK_LBUTTON);
  Mouse(form.get(), WM_LBUTTONUP, 20, 20);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"down 5,10", "move 240,140", "click", "up"}));
}

TEST_F(MouseTest, ReleaseOutsideDoesNotClick) {
  int clicks = 0;
  windowed->OnClick = [&](TObject*) { ++clicks; };
  Mouse(windowed, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  EXPECT_EQ(GetCapture(), windowed->Handle());
  Mouse(windowed, WM_LBUTTONUP, 500, 500);
  EXPECT_EQ(clicks, 0);
  Mouse(windowed, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  Mouse(windowed, WM_LBUTTONUP, 6, 6);
  EXPECT_EQ(clicks, 1);
}

TEST_F(MouseTest, DoubleClickArrivesAsPressWithDouble) {
  std::vector<bool> doubles;
  int dblClicks = 0;
  windowed->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int, int) { doubles.push_back(s.Contains(ssDouble)); };
  windowed->OnDblClick = [&](TObject*) { ++dblClicks; };
  Mouse(windowed, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  Mouse(windowed, WM_LBUTTONUP, 5, 5);
  Mouse(windowed, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
  Mouse(windowed, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(doubles, (std::vector<bool>{false, true}));
  EXPECT_EQ(dblClicks, 1);
  // Without csDoubleClicks the second press is a plain press.
  windowed->SetControlStyle(windowed->ControlStyle() - TControlStyle{csDoubleClicks});
  Mouse(windowed, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
  Mouse(windowed, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(doubles.back(), false);
  EXPECT_EQ(dblClicks, 1);
}

TEST_F(MouseTest, CancelModeEndsACapture) {
  Mouse(form.get(), WM_LBUTTONDOWN, 15, 20, MK_LBUTTON);
  ASSERT_TRUE(graphic->MouseCapture());
  int clicks = 0;
  graphic->OnClick = [&](TObject*) { ++clicks; };
  SendMessageA(form->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(graphic->MouseCapture());
  EXPECT_FALSE(graphic->ControlState().Contains(csLButtonDown));
  EXPECT_EQ(clicks, 0);
}

TEST_F(MouseTest, EnterAndLeaveFollowThePointer) {
  std::vector<std::string> log;
  for (TControl* c : std::initializer_list<TControl*>{graphic, windowed, form.get()}) {
    c->OnMouseEnter = [&log, c](TObject*) { log.push_back("enter " + c->Name()); };
    c->OnMouseLeave = [&log, c](TObject*) { log.push_back("leave " + c->Name()); };
  }
  graphic->SetName("graphic");
  windowed->SetName("windowed");
  form->SetName("form");
  // The form also hears, with lParam, which child the mouse entered.
  std::vector<LPARAM> formHeard;
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_MOUSEENTER) formHeard.push_back(m.LParam);
    previous(m);
  };
  auto moveTo = [&](int x, int y) {
    TPoint screen = form->ClientToScreen(Point(x, y));
    SetCursorPos(screen.x, screen.y);
    Application->DoMouseIdle();
  };
  moveTo(20, 20);
  moveTo(110, 20);
  moveTo(250, 150);
  EXPECT_EQ(log, (std::vector<std::string>{"enter graphic", "leave graphic", "enter windowed", "leave windowed",
                                          "enter form"}));
  EXPECT_EQ(formHeard.front(), reinterpret_cast<LPARAM>(graphic));
  EXPECT_EQ(Application->MouseControl(), form.get());
  form->WindowProc = previous;
}

TEST_F(MouseTest, WheelGoesToTheFocusedControlThenUpItsParents) {
  windowed->SetTabStop(true);
  form->SetActiveControl(windowed);
  windowed->SetFocus();
  ASSERT_TRUE(windowed->Focused());
  std::vector<std::string> log;
  windowed->OnMouseWheel = [&](TObject*, TShiftState s, int delta, TPoint, bool& handled) {
    log.push_back("windowed " + std::to_string(delta) + (s.Contains(ssCtrl) ? " ctrl" : ""));
  };
  windowed->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) { log.push_back("down"); };
  form->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
    log.push_back("form " + std::to_string(delta));
    handled = true;
  };
  // Half a notch first: nothing whole to scroll yet, so it goes up unhandled.
  SendMessageA(form->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-60)), 0);
  SendMessageA(form->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-60)), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"windowed -60 ctrl", "form -60", "windowed -60", "down", "form -60"}));
}

}  // namespace

namespace {

TEST_F(MouseTest, ContextClickOverAGraphicChildIsTheChildsFirst) {
  std::vector<std::string> log;
  graphic->OnContextPopup = [&](TObject*, TPoint pos, bool& handled) {
    log.push_back("graphic " + std::to_string(pos.x) + "," + std::to_string(pos.y));
    handled = true;
  };
  form->OnContextPopup = [&](TObject*, TPoint, bool& handled) {
    log.push_back("form");
    handled = true;
  };
  TPoint overChild = form->ClientToScreen(Point(15, 20));
  TPoint elsewhere = form->ClientToScreen(Point(250, 150));
  SendMessageA(form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()),
               PointToLParam(overChild.x, overChild.y));
  SendMessageA(form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()),
               PointToLParam(elsewhere.x, elsewhere.y));
  EXPECT_EQ(log, (std::vector<std::string>{"graphic 5,10", "form"}));
}

TEST_F(MouseTest, ShowingAChildLeavesAHiddenParentHidden) {
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  panel->Hide();
  auto* child = new TSolidGraphic(form.get());
  child->SetParent(panel);
  child->Hide();
  child->Show();
  EXPECT_TRUE(child->Visible());
  EXPECT_FALSE(panel->Visible());
}

}  // namespace
