// Hints (shown after the pause over a control that has one, gone on request or when hints are
// switched off) and the screen's cursors.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/screen.h"

using namespace vcl;
using namespace controls_test;

namespace {

class HintTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    savedPause = Application->HintPause();
    Application->SetHintPause(10);
    form = NewTestForm(300, 200);
    form->SetBorderStyle(bsNone);
    target = new TSolidControl(form.get());
    target->SetParent(form.get());
    target->SetBounds(20, 20, 80, 40);
    target->SetHint("Short text|Longer text for the status line");
    target->SetShowHint(true);
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Application->CancelHint();
    Application->SetHintPause(savedPause);
    Application->SetShowHint(true);
    Application->OnHint = nullptr;
    form.reset();
    ControlsTest::TearDown();
  }
  // The pointer moves onto the control, as the platform would report it.
  void HoverTarget() {
    TPoint p = target->ClientToScreen(Point(10, 10));
    SetCursorPos(p.x, p.y);
    SendMessageA(target->Handle(), WM_MOUSEMOVE, 0, PointToLParam(10, 10));
  }
  bool HintShowing() const {
    THintWindow* hint = Application->HintWindow();
    return hint && hint->HandleAllocated() && IsWindowVisible(hint->WindowHandle());
  }

  int savedPause = 0;
  std::unique_ptr<TForm> form;
  TSolidControl* target = nullptr;
};

TEST_F(HintTest, ShowsTheShortHintAfterThePauseAndTheLongOneInOnHint) {
  std::vector<std::string> longHints;
  Application->OnHint = [&](TObject*) { longHints.push_back(Application->Hint()); };
  HoverTarget();
  ASSERT_TRUE(PumpUntil([&] { return HintShowing(); }));
  THintWindow* hint = Application->HintWindow();
  EXPECT_EQ(hint->Caption(), "Short text");
  EXPECT_EQ(hint->Color(), clInfoBk);
  // Below the pointer and wide enough for the text.
  TPoint p = target->ClientToScreen(Point(10, 10));
  EXPECT_GT(hint->Top(), p.y);
  EXPECT_GE(hint->Width(), hint->Canvas()->TextWidth("Short text"));
  // Painted: the hint colour inside the border.
  hint->Update();
  HDC dc = GetDC(hint->Handle());
  COLORREF inside = GetPixel(dc, 1, 1);
  ReleaseDC(hint->Handle(), dc);
  EXPECT_EQ(static_cast<TColor>(inside), ColorToRGB(clInfoBk));
  ASSERT_TRUE(HandleMessagesUntil([&] { return !longHints.empty(); }));
  EXPECT_EQ(longHints.back(), "Longer text for the status line");
  Application->CancelHint();
  EXPECT_FALSE(HintShowing());
}

TEST_F(HintTest, NoHintWhileHintsAreOffOrTheControlHasNone) {
  Application->SetShowHint(false);
  HoverTarget();
  Application->ProcessMessages();
  Sleep(50);
  Application->ProcessMessages();
  EXPECT_FALSE(HintShowing());
  Application->SetShowHint(true);
  target->SetShowHint(false);
  HoverTarget();
  Application->ProcessMessages();
  Sleep(50);
  Application->ProcessMessages();
  EXPECT_FALSE(HintShowing());
}

TEST_F(HintTest, AControlMayChangeItsHintBeforeItShows) {
  TWndMethod previous = target->WindowProc;
  target->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_HINTSHOW) {
      auto* info = reinterpret_cast<THintInfo*>(m.LParam);
      info->HintStr = "Changed";
      info->HintColor = clAqua;
    }
    previous(m);
  };
  HoverTarget();
  ASSERT_TRUE(PumpUntil([&] { return HintShowing(); }));
  EXPECT_EQ(Application->HintWindow()->Caption(), "Changed");
  EXPECT_EQ(Application->HintWindow()->Color(), clAqua);
  target->WindowProc = previous;
}

class ScreenTest : public ControlsTest {};

TEST_F(ScreenTest, CursorsByNumberIncludingRegisteredOnes) {
  EXPECT_EQ(Screen->Cursors(crArrow), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  EXPECT_EQ(Screen->Cursors(crHandPoint), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
  // An unknown number gives the default cursor.
  EXPECT_EQ(Screen->Cursors(14000), Screen->Cursors(crDefault));
  HCURSOR own = reinterpret_cast<HCURSOR>(CopyIcon(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS))));
  Screen->SetCursors(14000, own);
  EXPECT_EQ(Screen->Cursors(14000), own);
  Screen->SetCursors(14000, nullptr);
  EXPECT_EQ(Screen->Cursors(14000), Screen->Cursors(crDefault));
}

TEST_F(ScreenTest, ScreenCursorShowsAtOnceAndControlsShowTheirOwn) {
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  auto form = NewTestForm(200, 100);
  auto* control = new TSolidControl(form.get());
  control->SetParent(form.get());
  control->SetCursor(crHandPoint);
  form->Show();
  TPoint p = control->ClientToScreen(Point(5, 5));
  SetCursorPos(p.x, p.y);
  SendMessageA(control->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
}

}  // namespace
