// Focus and keys: moving the focus enters and exits the controls on the way, Tab and the
// arrows move it through the tab order as dialog keys, and the form previews keys.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/screen.h"

using namespace vcl;
using namespace controls_test;

namespace {

class FocusTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm(300, 200);
    panel = new TTestPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 200, 100);
    panel->SetName("panel");
    for (int i = 0; i < 3; ++i) {
      auto* c = new TSolidControl(form.get());
      c->SetParent(i < 2 ? static_cast<TWinControl*>(panel) : form.get());
      c->SetBounds(10 + 60 * i, 10, 40, 20);
      c->SetTabStop(true);
      c->SetName("edit" + std::to_string(i));
      edits.push_back(c);
    }
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    form.reset();
    ControlsTest::TearDown();
  }

  // A key as the message loop delivers it: first offered to the focused control of this
  // library (CN_KEYDOWN), then, when nobody took it, dispatched.
  void PressKey(WORD key) {
    MSG msg{};
    msg.hwnd = GetFocus();
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    if (SendMessageA(msg.hwnd, CN_KEYDOWN, msg.wParam, msg.lParam) == 0) DispatchMessageA(&msg);
  }

  std::unique_ptr<TForm> form;
  TTestPanel* panel = nullptr;
  std::vector<TSolidControl*> edits;
};

TEST_F(FocusTest, SetFocusEntersAndExitsAlongTheWay) {
  // Showing the form focused its first tab stop; start from the last one.
  EXPECT_TRUE(edits[0]->Focused());
  edits[2]->SetFocus();
  std::vector<std::string> log;
  for (TWinControl* c : std::initializer_list<TWinControl*>{panel, edits[0], edits[1], edits[2]}) {
    c->OnEnter = [&log, c](TObject*) { log.push_back("enter " + c->Name()); };
    c->OnExit = [&log, c](TObject*) { log.push_back("exit " + c->Name()); };
  }
  edits[0]->SetFocus();
  EXPECT_TRUE(edits[0]->Focused());
  EXPECT_EQ(form->ActiveControl(), edits[0]);
  edits[1]->SetFocus();
  edits[2]->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit edit2", "enter panel", "enter edit0", "exit edit0", "enter edit1",
                                          "exit edit1", "exit panel", "enter edit2"}));
  EXPECT_EQ(Screen->ActiveControl(), edits[2]);
}

TEST_F(FocusTest, HidingTheFocusedControlTakesTheFocusAway) {
  edits[0]->SetFocus();
  edits[0]->Hide();
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_FALSE(edits[0]->CanFocus());
  panel->SetEnabled(false);
  EXPECT_FALSE(edits[1]->CanFocus());
  EXPECT_THROW(form->SetActiveControl(edits[1]), EInvalidOperation);
}

TEST_F(FocusTest, TabAndArrowsMoveThroughTheTabOrder) {
  edits[0]->SetFocus();
  PressKey(VK_TAB);
  EXPECT_TRUE(edits[1]->Focused());
  PressKey(VK_TAB);
  EXPECT_TRUE(edits[2]->Focused());
  PressKey(VK_TAB);  // round to the start
  EXPECT_TRUE(edits[0]->Focused());
  // Arrows move among the siblings in the same parent.
  PressKey(VK_RIGHT);
  EXPECT_TRUE(edits[1]->Focused());
  PressKey(VK_LEFT);
  EXPECT_TRUE(edits[0]->Focused());
  // A new tab order changes the way Tab goes.
  edits[1]->SetTabOrder(0);
  edits[1]->SetFocus();
  PressKey(VK_TAB);
  EXPECT_TRUE(edits[0]->Focused());
}

TEST_F(FocusTest, KeysPostedToTheWindowTakeTheSameWayThroughTheLoop) {
  edits[0]->SetFocus();
  PostMessageA(edits[0]->Handle(), WM_KEYDOWN, VK_TAB, 1);
  PostMessageA(edits[0]->Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
  ASSERT_TRUE(PumpUntil([&] { return edits[1]->Focused(); }));
}

TEST_F(FocusTest, ControlThatWantsAKeyKeepsIt) {
  edits[0]->SetFocus();
  TWndMethod previous = edits[0]->WindowProc;
  std::vector<WORD> keys;
  edits[0]->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { keys.push_back(key); };
  edits[0]->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTTAB;
      return;
    }
    previous(m);
  };
  PressKey(VK_TAB);
  EXPECT_TRUE(edits[0]->Focused());
  EXPECT_EQ(keys, (std::vector<WORD>{VK_TAB}));
  edits[0]->WindowProc = previous;
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeAndSwallowKeys) {
  edits[0]->SetFocus();
  std::vector<std::string> log;
  form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("form " + std::to_string(key));
    if (key == 'X') key = 0;
  };
  edits[0]->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { log.push_back("edit " + std::to_string(key)); };
  edits[0]->OnKeyPress = [&](TObject*, char& key) { log.push_back(std::string("press ") + key); };
  PressKey('A');
  SendMessageA(edits[0]->Handle(), WM_CHAR, 'a', 1);
  EXPECT_EQ(log, (std::vector<std::string>{"edit 65", "press a"}));
  log.clear();
  form->SetKeyPreview(true);
  PressKey('A');
  PressKey('X');
  EXPECT_EQ(log, (std::vector<std::string>{"form 65", "edit 65", "form 88"}));
}

TEST_F(FocusTest, DialogKeysReachTheControlsOfTheForm) {
  // Enter and Escape go to the form as CM_DIALOGKEY, which offers them to every control (a
  // default or cancel button answers there).
  edits[0]->SetFocus();
  std::vector<WORD> offered;
  TWndMethod previous = edits[2]->WindowProc;
  edits[2]->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_DIALOGKEY) {
      offered.push_back(static_cast<WORD>(m.WParam));
      m.Result = m.WParam == VK_ESCAPE;
      return;
    }
    previous(m);
  };
  PressKey(VK_RETURN);
  PressKey(VK_ESCAPE);
  EXPECT_EQ(offered, (std::vector<WORD>{VK_RETURN, VK_ESCAPE}));
  edits[2]->WindowProc = previous;
}

}  // namespace
