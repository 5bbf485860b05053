// TsScrollBox: the wheel handed to the form's focused control with the platform's key flags,
// scrolling by itself when that control ignores it; its skinned border and background.
#include <gtest/gtest.h>

#include "skin/controls/bevel.h"
#include "skin/controls/scroll_box.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;
using controls_test::Rgb;
using controls_test::SkinnedControls;

namespace {

// A focusable control that records the wheel messages it gets and answers as told.
class TWheelWatcher : public vcl::TCustomControl {
 public:
  using vcl::TCustomControl::TCustomControl;
  std::vector<WPARAM> seen;
  LRESULT answer = 0;
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == WM_MOUSEWHEEL) {
      seen.push_back(message.WParam);
      message.Result = answer;
      return;
    }
    vcl::TCustomControl::WndProc(message);
  }
};

class ScrollBoxes : public SkinnedControls {};

TEST_F(ScrollBoxes, WheelTurnsGoToTheFocusedControlWithShiftAndCtrlFlags) {
  auto* box = Add<TsScrollBox>(nullptr, 10, 10, 200, 150);
  box->SetAutoMouseWheel(true);
  box->SetAutoScroll(false);
  box->VertScrollBar()->SetRange(1000);
  // A focused control inside the box that leaves the wheel to its parent: the box hands the
  // turn back to it as the platform's message, then scrolls when it is ignored.
  auto* watcher = Add<TWheelWatcher>(box, 10, 10, 50, 50);
  watcher->SetTabStop(true);
  watcher->SetFocus();
  form->SetActiveControl(watcher);
  const struct {
    WORD keys;
  } cases[] = {{0}, {MK_SHIFT}, {MK_CONTROL}, {MK_SHIFT | MK_CONTROL}};
  for (const auto& c : cases) {
    watcher->seen.clear();
    SendMessageA(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(c.keys, WORD(-WHEEL_DELTA)), MAKELPARAM(20, 20));
    ASSERT_EQ(watcher->seen.size(), 1u);
    EXPECT_EQ(LOWORD(watcher->seen[0]) & (MK_SHIFT | MK_CONTROL), c.keys);
    EXPECT_EQ(short(HIWORD(watcher->seen[0])), -WHEEL_DELTA);
  }
  // Ignored by the focused control (answer 0), the turn scrolls the box; handled, it does not.
  const int before = box->VertScrollBar()->Position();
  SendMessageA(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), MAKELPARAM(20, 20));
  EXPECT_EQ(box->VertScrollBar()->Position(), before + box->VertScrollBar()->Increment());
  watcher->answer = 1;
  SendMessageA(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), MAKELPARAM(20, 20));
  EXPECT_EQ(box->VertScrollBar()->Position(), before + box->VertScrollBar()->Increment());
}

TEST_F(ScrollBoxes, ShiftScrollsSidewaysWithoutForwarding) {
  auto* box = Add<TsScrollBox>(nullptr, 10, 10, 200, 150);
  box->SetAutoScroll(false);
  box->HorzScrollBar()->SetRange(1000);
  box->SetFocus();
  SendMessageA(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, WORD(-WHEEL_DELTA)), MAKELPARAM(20, 20));
  EXPECT_GT(box->HorzScrollBar()->Position(), 0);
}

TEST_F(ScrollBoxes, ASkinnedBoxShowsItsSectionWithoutABorder) {
  ActivateSkin();
  auto* box = Add<TsScrollBox>(nullptr, 10, 10, 200, 150);
  box->SetBorderStyle(vcl::bsNone);
  box->SkinData()->SetSkinSection("PANEL_LOW");
  Pump();
  int i = manager->FindSectionIndex("PANEL_LOW");
  EXPECT_EQ(FormPixel(110, 85), Rgb(uint32_t(manager->Sections[size_t(i)].Color)));
}

TEST_F(ScrollBoxes, BevelsTakeTheirSectionFromShapeAndStyle) {
  ActivateSkin();
  auto* bevel = Add<TsBevel>(nullptr, 0, 200, 300, 2);
  bevel->SetShape(vcl::bsTopLine);
  EXPECT_EQ(bevel->SkinLink()->SkinSection(), "PANEL_LOW");
  bevel->SetStyle(vcl::bsRaised);
  EXPECT_EQ(bevel->SkinLink()->SkinSection(), "PANEL");
  bevel->SetShape(vcl::bsFrame);
  EXPECT_EQ(bevel->SkinLink()->SkinSection(), "GROUPBOX");
  EXPECT_TRUE(bevel->SkinLink()->CacheStale);
  form->Repaint();
  Pump();
}

}  // namespace
