// Properties that controls keep for other code: BiDiMode (with CM_BIDIMODECHANGED and the
// children that follow their parent), the drag properties, the side of a control's own
// controls, and the change notice CM_CHANGED.
#include <gtest/gtest.h>

#include <vector>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace controls_test;

namespace {

class ControlProperties : public ControlsTest {};

// Records the messages of one number that reach a control.
struct MessageLog {
  MessageLog(TControl* control, UINT msg) : control_(control), previous_(control->WindowProc) {
    control->WindowProc = [this, msg](TMessage& m) {
      if (m.Msg == msg) seen.push_back(m);
      previous_(m);
    };
  }
  ~MessageLog() { control_->WindowProc = previous_; }
  std::vector<TMessage> seen;

 private:
  TControl* control_;
  TWndMethod previous_;
};

TEST_F(ControlProperties, BiDiModeReachesTheChildrenThatFollowTheirParent) {
  auto form = NewTestForm();
  auto* outer = new TTestPanel(form.get());
  outer->SetParent(form.get());
  auto* follower = new TSolidGraphic(form.get());
  follower->SetParent(outer);
  auto* own = new TTestPanel(form.get());
  own->SetParent(outer);
  own->SetBiDiMode(bdLeftToRight);
  own->SetParentBiDiMode(false);

  MessageLog outerLog(outer, CM_BIDIMODECHANGED);
  MessageLog followerLog(follower, CM_BIDIMODECHANGED);
  outer->SetBiDiMode(bdRightToLeft);
  EXPECT_FALSE(outer->ParentBiDiMode());
  EXPECT_EQ(outerLog.seen.size(), 1u);
  EXPECT_EQ(follower->BiDiMode(), bdRightToLeft);
  EXPECT_TRUE(follower->ParentBiDiMode());
  EXPECT_EQ(followerLog.seen.size(), 1u);
  EXPECT_EQ(own->BiDiMode(), bdLeftToRight);
  // Setting it again changes nothing and tells no one.
  outer->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(outerLog.seen.size(), 1u);

  // A control put on a parent takes the parent's mode; one that follows again takes it too.
  auto* late = new TSolidGraphic(form.get());
  late->SetParent(outer);
  EXPECT_EQ(late->BiDiMode(), bdRightToLeft);
  own->SetParentBiDiMode(true);
  EXPECT_EQ(own->BiDiMode(), bdRightToLeft);
  // Text stays left to right here, whatever the mode.
  EXPECT_FALSE(follower->UseRightToLeftReading());
  EXPECT_EQ(follower->DrawTextBiDiModeFlags(DT_LEFT), DT_LEFT);
}

TEST_F(ControlProperties, DragAndReadingPropertiesArePublished) {
  auto form = NewTestForm();
  auto* panel = new TTestPanel(form.get());
  SetPropValue(panel, "DragMode", "dmAutomatic");
  SetPropValue(panel, "DragKind", "dkDock");
  SetPropValue(panel, "DragCursor", "-21");
  SetPropValue(panel, "BiDiMode", "bdRightToLeftReadingOnly");
  EXPECT_EQ(panel->DragMode(), dmAutomatic);
  EXPECT_EQ(panel->DragKind(), dkDock);
  EXPECT_EQ(panel->DragCursor(), crHandPoint);
  EXPECT_EQ(panel->BiDiMode(), bdRightToLeftReadingOnly);
  EXPECT_EQ(GetPropValue(panel, "ParentBiDiMode"), "False");
  EXPECT_TRUE(IsStoredProp(panel, GetPropInfo(panel, "BiDiMode")));
  TTestPanel plain(nullptr);
  EXPECT_EQ(plain.DragMode(), dmManual);
  EXPECT_EQ(plain.DragKind(), dkDrag);
  EXPECT_EQ(plain.DragCursor(), crDrag);
  EXPECT_FALSE(IsStoredProp(&plain, GetPropInfo(&plain, "BiDiMode")));
  EXPECT_EQ(plain.GetControlsAlignment(), taLeftJustify);
}

// A control whose value changed tells itself through CM_CHANGED with itself in lParam; a
// control that wraps it listens there.
class TValueControl : public TTestPanel {
  VCL_CLASS(TValueControl, TTestPanel)
  using TTestPanel::TTestPanel;
  void SetValue(int value) {
    value_ = value;
    Changed();
  }

 private:
  int value_ = 0;
};

TEST_F(ControlProperties, ChangedSendsCMChangedWithTheControl) {
  TValueControl control(nullptr);
  MessageLog log(&control, CM_CHANGED);
  control.SetValue(3);
  ASSERT_EQ(log.seen.size(), 1u);
  EXPECT_EQ(log.seen[0].LParam, reinterpret_cast<LPARAM>(&control));
}

}  // namespace
