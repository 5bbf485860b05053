// TsGroupBox and TsRadioGroup: caption placement and client area, the group's buttons, its
// columns and its index, and the veto of OnChanging.
#include <gtest/gtest.h>

#include "skin/controls/group_box.h"
#include "skin/controls/radio_group.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class Groups : public SkinnedControls {
 protected:
  TsRadioGroup* NewGroup(std::initializer_list<const char*> items, int width = 166, int height = 90) {
    auto* group = Add<TsRadioGroup>(nullptr, 10, 10, width, height);
    for (const char* item : items) group->Items()->Add(item);
    return group;
  }
  static void ClickOn(vcl::TWinControl* button) {
    SendMessageA(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  }
};

TEST_F(Groups, ColumnsAreKeptBetweenOneAndSixteen) {
  auto* group = NewGroup({"a", "b"});
  const struct {
    int set, stored;
  } cases[] = {{0, 1}, {20, 16}, {3, 3}, {-4, 1}};
  for (const auto& c : cases) {
    group->SetColumns(c.set);
    EXPECT_EQ(group->Columns(), c.stored) << c.set;
  }
}

TEST_F(Groups, ButtonsFillTheFirstColumnFirst) {
  auto* group = NewGroup({"a", "b", "c", "d", "e"}, 200, 100);
  group->SetColumns(2);
  ASSERT_EQ(group->ButtonCount(), 5);
  // 5 items in 2 columns: three rows; 0-2 in the first column, 3-4 in the second.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(group->Buttons(i)->Left(), (i / 3) * ((200 - 10) / 2) + 8) << i;
    EXPECT_EQ(group->Buttons(i)->Caption(), std::string(1, char('a' + i)));
  }
  EXPECT_EQ(group->Buttons(0)->Top() < group->Buttons(1)->Top(), true);
  EXPECT_EQ(group->Buttons(3)->Top(), group->Buttons(0)->Top());
}

TEST_F(Groups, ItemIndexIsClampedAndFollowsTheItems) {
  auto* group = NewGroup({"a", "b", "c"});
  int clicks = 0;
  group->OnClick = [&](vcl::TObject*) { ++clicks; };
  group->SetItemIndex(7);
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_TRUE(group->Buttons(2)->Checked());
  EXPECT_EQ(clicks, 1);
  group->SetItemIndex(2);
  EXPECT_EQ(clicks, 1);  // the same index again fires nothing
  group->SetItemIndex(-5);
  EXPECT_EQ(group->ItemIndex(), -1);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(group->Buttons(i)->Checked());
  group->SetItemIndex(2);
  group->Items()->Delete(2);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(group->ButtonCount(), 2);
}

TEST_F(Groups, OnChangingRefusesTheUsersClicksButNotTheCodes) {
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    auto* group = NewGroup({"Stretch To Fit", "Tile Image"});
    group->SetItemIndex(0);
    bool allow = false;
    int asked = -1;
    group->OnChanging = [&](vcl::TObject*, int index, bool& allowChange) {
      asked = index;
      allowChange = allow;
    };
    Pump();
    if (skinned)
      ClickOn(group->Buttons(1));
    else
      SendMessageA(group->Buttons(1)->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(asked, 1) << "skinned " << skinned;
    EXPECT_EQ(group->ItemIndex(), 0) << "skinned " << skinned;
    allow = true;
    if (skinned)
      ClickOn(group->Buttons(1));
    else
      SendMessageA(group->Buttons(1)->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(group->ItemIndex(), 1) << "skinned " << skinned;
    allow = false;
    group->SetItemIndex(0);
    EXPECT_EQ(group->ItemIndex(), 0);
    delete group;
  }
}

TEST_F(Groups, TheCaptionIsPlacedByItsLayoutAndOffset) {
  ActivateSkin();
  auto* box = Add<TsGroupBox>(nullptr, 10, 10, 200, 100);
  box->SetCaption("Base");
  const int tw = vcl::ScreenTextExtent(box->Font(), "Base").cx;
  box->SetCaptionLayout(clTopRight);
  EXPECT_EQ(box->CaptionRect().left, 200 - tw - 14);
  box->SetCaptionLayout(clTopLeft);
  EXPECT_EQ(box->CaptionRect().left, 6);
  box->SetCaptionYOffset(-4);
  EXPECT_EQ(box->CaptionRect().top, -4);
  box->SetCaptionYOffset(0);
  auto* child = Add<vcl::TPanel>(box, 0, 0, 20, 20);
  child->SetAlign(vcl::alTop);
  const int belowCaption = child->Top();
  // A positive offset moves the client area down by as much.
  box->SetCaptionYOffset(5);
  EXPECT_EQ(child->Top(), belowCaption + 5);
}

}  // namespace
