// Layout: a form read from form data lays its aligned panels out in the platform's order
// (top, bottom, left, right, then client, each group by position with the platform's tie
// rule), with constraints and anchors, and follows size changes.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace controls_test;

namespace {

class TLayoutForm : public TForm {
  VCL_CLASS(TLayoutForm, TForm)
  explicit TLayoutForm(TComponent* owner) : TForm(owner) {}
  TTestPanel* TopA = nullptr;
  TTestPanel* TopB = nullptr;
  TTestPanel* Bottom1 = nullptr;
  TTestPanel* Bottom2 = nullptr;
  TTestPanel* Left1 = nullptr;
  TTestPanel* Right1 = nullptr;
  TTestPanel* Client = nullptr;
  TTestPanel* InnerClient = nullptr;
  TTestPanel* InnerTop = nullptr;
  TSolidGraphic* Corner = nullptr;
};

}  // namespace

VCL_PUBLISHED(TLayoutForm, p) {
  p.Field("TopA", &TLayoutForm::TopA)
      .Field("TopB", &TLayoutForm::TopB)
      .Field("Bottom1", &TLayoutForm::Bottom1)
      .Field("Bottom2", &TLayoutForm::Bottom2)
      .Field("Left1", &TLayoutForm::Left1)
      .Field("Right1", &TLayoutForm::Right1)
      .Field("Client", &TLayoutForm::Client)
      .Field("InnerClient", &TLayoutForm::InnerClient)
      .Field("InnerTop", &TLayoutForm::InnerTop)
      .Field("Corner", &TLayoutForm::Corner);
}

namespace {

class LayoutTest : public ControlsTest {};

TEST_F(LayoutTest, FormDataLaysOutNestedAlignedPanelsInPlatformOrder) {
  std::unique_ptr<TLayoutForm> form(NewForm<TLayoutForm>(nullptr));
  form->Show();
  ASSERT_EQ(form->ClientWidth(), 400);
  ASSERT_EQ(form->ClientHeight(), 300);
  struct Case {
    TControl* control;
    TRect bounds;
  } cases[] = {
      // The two top panels by their position: TopA (nearer the top) first.
      {form->TopA, Bounds(0, 0, 400, 30)},
      {form->TopB, Bounds(0, 30, 400, 20)},
      // Equal bottom edges: the later one goes nearer the bottom.
      {form->Bottom2, Bounds(0, 275, 400, 25)},
      {form->Bottom1, Bounds(0, 265, 400, 10)},
      {form->Left1, Bounds(0, 50, 60, 215)},
      // Width 70 in the form data, held to 50 by the constraint.
      {form->Right1, Bounds(350, 50, 50, 215)},
      // Client alignment takes what the others leave.
      {form->Client, Bounds(60, 50, 290, 215)},
      {form->InnerTop, Bounds(0, 0, 290, 15)},
      {form->InnerClient, Bounds(0, 15, 290, 200)},
      {form->Corner, Bounds(260, 200, 20, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->Name());
    TRect r = c.control->BoundsRect();
    EXPECT_EQ(r.left, c.bounds.left);
    EXPECT_EQ(r.top, c.bounds.top);
    EXPECT_EQ(r.right, c.bounds.right);
    EXPECT_EQ(r.bottom, c.bounds.bottom);
  }
  // The windows are where the controls say.
  RECT wr;
  GetWindowRect(form->Client->Handle(), &wr);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&wr), 2);
  EXPECT_EQ(wr.left, 60);
  EXPECT_EQ(wr.top, 50);
}

TEST_F(LayoutTest, ResizingTheFormRealignsAndMovesAnchoredControls) {
  std::unique_ptr<TLayoutForm> form(NewForm<TLayoutForm>(nullptr));
  form->Show();
  form->SetBounds(0, 0, 500, 400);
  EXPECT_EQ(form->Client->Width(), 390);
  EXPECT_EQ(form->Client->Height(), 315);
  EXPECT_EQ(form->Right1->Left(), 450);
  EXPECT_EQ(form->Bottom2->Top(), 375);
  // Anchored to the right and bottom: the same distance to those sides as before.
  EXPECT_EQ(form->Corner->Left(), 360);
  EXPECT_EQ(form->Corner->Top(), 300);
  EXPECT_EQ(form->InnerClient->Height(), 300);
}

TEST_F(LayoutTest, HidingAnAlignedControlGivesItsSpaceToTheOthers) {
  std::unique_ptr<TLayoutForm> form(NewForm<TLayoutForm>(nullptr));
  form->Show();
  form->Left1->Hide();
  EXPECT_EQ(form->Client->Left(), 0);
  EXPECT_EQ(form->Client->Width(), 350);
  form->Left1->Show();
  EXPECT_EQ(form->Client->Left(), 60);
}

TEST_F(LayoutTest, ConstraintsHoldEverySizeChange) {
  auto form = NewTestForm();
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  panel->Constraints()->SetMinWidth(30);
  panel->Constraints()->SetMaxHeight(50);
  struct Case {
    int width, height, expectWidth, expectHeight;
  } cases[] = {{10, 10, 30, 10}, {100, 100, 100, 50}, {30, 50, 30, 50}};
  for (const Case& c : cases) {
    panel->SetBounds(0, 0, c.width, c.height);
    EXPECT_EQ(panel->Width(), c.expectWidth);
    EXPECT_EQ(panel->Height(), c.expectHeight);
  }
  // A constraint set later shrinks the control at once.
  panel->Constraints()->SetMaxWidth(40);
  EXPECT_EQ(panel->Width(), 30);
  panel->SetWidth(90);
  EXPECT_EQ(panel->Width(), 40);
  // A maximum below the minimum moves the minimum down with it.
  panel->Constraints()->SetMaxWidth(20);
  EXPECT_EQ(panel->Constraints()->MinWidth(), 20);
  EXPECT_THROW(panel->Constraints()->SetMinHeight(-1), EInvalidArgument);
}

TEST_F(LayoutTest, FormConstraintsLimitTheWindowItself) {
  auto form = NewTestForm();
  form->Constraints()->SetMinWidth(300);
  form->Constraints()->SetMinHeight(200);
  form->Show();
  // A size change of the window that bypasses the control still meets the limits.
  SetWindowPos(form->Handle(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->Height(), 200);
}

TEST_F(LayoutTest, CanResizeMayVetoAndAutoSizeFollowsTheContent) {
  auto form = NewTestForm();
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 100, 100);
  panel->OnCanResize = [](TObject*, int& w, int&, bool& resize) { resize = w <= 150; };
  panel->SetWidth(200);
  EXPECT_EQ(panel->Width(), 100);
  panel->OnCanResize = nullptr;

  auto* child = new TSolidGraphic(form.get());
  child->SetParent(panel);
  child->SetBounds(10, 20, 30, 40);
  panel->SetAutoSize(true);
  EXPECT_EQ(panel->Width(), 40);
  EXPECT_EQ(panel->Height(), 60);
}

// A container whose content lies inside margins of its own, as inside a bevel or below a
// caption: 3 at the left, 12 at the top, 4 at the right, 5 at the bottom.
class TMarginBox : public TTestPanel {
  VCL_CLASS(TMarginBox, TTestPanel)
  explicit TMarginBox(TComponent* owner) : TTestPanel(owner) {}

 protected:
  void AdjustClientRect(TRect& rect) override {
    TTestPanel::AdjustClientRect(rect);
    rect.left += 3;
    rect.top += 12;
    rect.right -= 4;
    rect.bottom -= 5;
  }
};

TEST_F(LayoutTest, AutoSizeFitsTheVisibleChildrenWithTheMarginsOrKeepsTheSize) {
  struct Case {
    const char* name;
    TAlign childAlign;  // alNone: no child at all
    bool childVisible;
    TRect childBounds;
    int width, height;  // the box's size afterwards
  } cases[] = {
      {"no children", alNone, false, {}, 120, 70},
      {"a hidden child", alCustom, false, Bounds(10, 20, 30, 40), 120, 70},
      {"a placed child", alCustom, true, Bounds(13, 17, 30, 20), 13 + 30 + 4, 17 + 20 + 5},
      {"a child along the top", alTop, true, Bounds(0, 0, 50, 25), 120, 12 + 25 + 5},
      {"a child filling the box", alClient, true, Bounds(0, 0, 50, 25), 120, 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = NewTestForm();
    form->Show();
    auto* box = new TMarginBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(5, 5, 120, 70);
    if (c.childAlign != alNone) {
      auto* child = new TSolidGraphic(form.get());
      child->SetParent(box);
      child->SetVisible(c.childVisible);
      child->SetBoundsRect(c.childBounds);
      if (c.childAlign != alCustom) child->SetAlign(c.childAlign);
    }
    box->SetAutoSize(true);
    // Laying out again changes nothing: the size is stable.
    box->Realign();
    box->Realign();
    EXPECT_EQ(box->Width(), c.width);
    EXPECT_EQ(box->Height(), c.height);
  }
}

TEST_F(LayoutTest, AlignmentWaitsWhileDisabledAndRunsOnce) {
  auto form = NewTestForm(300, 200);
  form->SetBorderStyle(bsNone);
  form->Show();
  auto* a = new TTestPanel(form.get());
  a->SetParent(form.get());
  int resizes = 0;
  a->OnResize = [&](TObject*) { ++resizes; };
  form->DisableAlign();
  a->SetAlign(alClient);
  EXPECT_NE(a->Width(), 300);
  form->EnableAlign();
  EXPECT_EQ(a->Width(), 300);
  EXPECT_EQ(a->Height(), 200);
  EXPECT_GE(resizes, 1);
}

TEST_F(LayoutTest, AFrameHoldsControlsAndNeedsFormDataOfItsOwnClass) {
  auto form = NewTestForm();
  auto* frame = new TFrame(form.get());
  frame->SetParent(form.get());
  EXPECT_EQ(frame->Width(), 320);
  EXPECT_TRUE(frame->ControlStyle().Contains(csAcceptsControls));
  auto* inner = new TSolidControl(form.get());
  inner->SetParent(frame);
  inner->SetAlign(alClient);
  form->Show();
  EXPECT_EQ(inner->Width(), frame->ClientWidth());
  class TNoDataFrame : public TFrame {
    VCL_CLASS(TNoDataFrame, TFrame)
    explicit TNoDataFrame(TComponent* owner) : TFrame(owner) {}
  };
  EXPECT_THROW(NewFrame<TNoDataFrame>(nullptr), EResNotFound);
}

TEST_F(LayoutTest, NewFormWithoutFormDataRaisesResourceNotFound) {
  class TNoDataForm : public TForm {
    VCL_CLASS(TNoDataForm, TForm)
    explicit TNoDataForm(TComponent* owner) : TForm(owner) {}
  };
  int before = Screen->CustomFormCount();
  EXPECT_THROW(NewForm<TNoDataForm>(nullptr), EResNotFound);
  EXPECT_EQ(Screen->CustomFormCount(), before);
}

}  // namespace

namespace {

TEST_F(LayoutTest, ControlThatRefusesItsSizeStaysAgainstItsSide) {
  auto form = NewTestForm(300, 200);
  form->SetBorderStyle(bsNone);
  form->Show();
  auto* right = new TTestPanel(form.get());
  right->SetBounds(0, 0, 70, 10);
  // A limit the layout only learns of when it sizes the control.
  right->OnConstrainedResize = [](TObject*, int&, int&, int& maxWidth, int& maxHeight) {
    maxWidth = 50;
    maxHeight = 40;
  };
  right->SetParent(form.get());
  right->SetAlign(alRight);
  EXPECT_EQ(right->Left(), 250);
  EXPECT_EQ(right->Width(), 50);
  auto* bottom = new TTestPanel(form.get());
  bottom->SetBounds(0, 0, 10, 60);
  bottom->OnConstrainedResize = right->OnConstrainedResize;
  bottom->SetParent(form.get());
  bottom->SetAlign(alBottom);
  EXPECT_EQ(bottom->Top(), 160);
  EXPECT_EQ(bottom->Height(), 40);
}

// Mirroring puts every child at the other side, swaps left and right alignment and one-sided
// anchors, and with allLevels does the same inside the children.
TEST_F(LayoutTest, FlipChildrenMirrorsPositionsAlignmentsAndAnchors) {
  auto form = NewTestForm(300, 200);
  form->SetBorderStyle(bsNone);
  form->Show();
  auto place = [&](TWinControl* parent, int left, int width) {
    auto* panel = new TTestPanel(form.get());
    panel->SetBounds(left, 100, width, 30);
    panel->SetParent(parent);
    return panel;
  };
  TTestPanel* leftOne = place(form.get(), 10, 50);
  TTestPanel* bothSides = place(form.get(), 100, 40);
  bothSides->SetAnchors({akLeft, akTop, akRight});
  TTestPanel* rightAnchored = place(form.get(), 200, 30);
  rightAnchored->SetAnchors({akTop, akRight});
  TTestPanel* sideBar = place(form.get(), 0, 20);
  sideBar->SetAlign(alLeft);
  TTestPanel* inner = place(leftOne, 5, 10);

  form->FlipChildren(false);
  EXPECT_EQ(leftOne->Left(), 300 - 50 - 10);
  EXPECT_EQ(leftOne->Anchors(), (TAnchors{akTop, akRight}));
  EXPECT_EQ(bothSides->Left(), 300 - 40 - 100);
  EXPECT_EQ(bothSides->Anchors(), (TAnchors{akLeft, akTop, akRight}));
  EXPECT_EQ(rightAnchored->Left(), 300 - 30 - 200);
  EXPECT_EQ(rightAnchored->Anchors(), (TAnchors{akLeft, akTop}));
  EXPECT_EQ(sideBar->Align(), alRight);
  EXPECT_EQ(sideBar->Left(), 280);
  EXPECT_EQ(inner->Left(), 5);  // not all levels

  form->FlipChildren(true);
  EXPECT_EQ(leftOne->Left(), 10);
  EXPECT_EQ(sideBar->Align(), alLeft);
  EXPECT_EQ(sideBar->Left(), 0);
  EXPECT_EQ(inner->Left(), 50 - 10 - 5);
}

}  // namespace
