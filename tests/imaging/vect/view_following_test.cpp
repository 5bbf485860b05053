// What the vector view does when the view under it changes: a scroll moves the open editor with
// its object, a drag that scrolls the view keeps its point on the picture, and a new resolution
// redraws what is measured in it.
#include <gtest/gtest.h>

#include "imaging/io/attached_view.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/text_control.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using ViewFollowing = VectWindow;

TEST_F(ViewFollowing, AnOpenEditorFollowsItsObjectWhenTheViewScrolls) {
  for (const uint8_t kind : {vkText, vkMemo}) {
    SCOPED_TRACE(int(kind));
    MakeView(400, 300);
    TIEVectorObject text = view->Template();
    text.Kind = kind;
    text.X1 = 60, text.Y1 = 40, text.X2 = 160, text.Y2 = 70;
    text.Text = "edit me";
    view->ActivateTextEdit(view->AddNewObject(text));
    ASSERT_TRUE(view->IsTextEditing());
    vcl::TControl* editor = view->TextEditor();
    if (kind == vkMemo) editor = view->MemoEditor();
    ASSERT_EQ(60, editor->Left());
    ASSERT_EQ(40, editor->Top());
    view->SetViewXY(30, 20);
    ASSERT_EQ(30, view->ViewX());
    EXPECT_EQ(30, editor->Left());
    EXPECT_EQ(20, editor->Top());
    view->SetViewX(50);
    EXPECT_EQ(10, editor->Left());
    view->CancelInteraction();
  }
}

// The view scrolls under a drag by (10, 10), as it does when the mouse leaves the image: the
// dragged corner stays on the picture point it was over, 10 client pixels further up and left.
TEST_F(ViewFollowing, ADragThatScrollsTheViewKeepsItsPointOnThePicture) {
  MakeView(400, 300);
  view->SetMouseInteractVt(vmDrawBox);
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 40));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 60));
  view->SetViewXY(10, 10);
  view->OffsetMousePoints(10, 10);
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
  Pump();
  ASSERT_EQ(1, view->ObjectsCount());
  const TIEVectorObject* box = view->GetObjectRecord(0);
  EXPECT_EQ(60, box->X2);
  EXPECT_EQ(60, box->Y2);
}

// The I/O object sets the resolution through the attached-view interface: the view composes
// again, so that rulers show lengths in the new resolution.
TEST_F(ViewFollowing, ANewResolutionRedrawsTheView) {
  MakeView();
  TIEVectorObject ruler = view->Template();
  ruler.Kind = vkRuler;
  ruler.RulerType = 2;
  ruler.RulerUnit = ieuINCHES;
  ruler.X1 = 20, ruler.Y1 = 60, ruler.X2 = 180, ruler.Y2 = 60;
  view->AddNewObject(ruler);
  for (const bool horizontal : {true, false}) {
    SCOPED_TRACE(horizontal ? "x" : "y");
    static_cast<TImageView*>(view)->Paint();
    ASSERT_FALSE(view->BackBufferDirty());
    TIEAttachedView* attached = view;
    if (horizontal)
      attached->SetDpiX(160);
    else
      attached->SetDpiY(80);
    EXPECT_TRUE(view->BackBufferDirty());
  }
  EXPECT_EQ(160, view->GetDpiX());
  EXPECT_EQ(80, view->GetDpiY());
}

}  // namespace
