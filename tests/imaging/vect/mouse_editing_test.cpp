// Clicks, multi-press creation, selection, moving, resizing and polyline point editing through
// synthetic mouse gestures on the real window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;
using namespace vect_test;

namespace {

void ExpectRect(TIEVectorObject* r, RECT expected, const char* what = "") {
  ASSERT_NE(r, nullptr) << what;
  EXPECT_EQ(r->X1, expected.left) << what;
  EXPECT_EQ(r->Y1, expected.top) << what;
  EXPECT_EQ(r->X2, expected.right) << what;
  EXPECT_EQ(r->Y2, expected.bottom) << what;
}

using MouseEditing = VectWindow;

TEST_F(MouseEditing, AClickCreatesAnObjectOfTheTemplatesSizeThenOfTheLastSize) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBox);
  Click(20, 30);
  ExpectRect(view->GetObjectRecord(0), {20, 30, 83, 93}, "first click: template 0..63");
  Drag(10, 10, 30, 50);
  Click(100, 60);
  ASSERT_EQ(view->ObjectsCount(), 3);
  ExpectRect(view->GetObjectRecord(2), {100, 60, 120, 100}, "a click after a drag repeats its size");

  view->SetCenterNewObjects(true);
  Click(100, 60);
  ExpectRect(view->GetObjectRecord(3), {90, 40, 110, 80}, "centred on the click");
}

TEST_F(MouseEditing, NoClickCreateIgnoresClicksButNotDrags) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBox | vmNoClickCreate);
  Click(20, 30);
  EXPECT_EQ(view->ObjectsCount(), 0);
  Drag(20, 30, 40, 60);
  EXPECT_EQ(view->ObjectsCount(), 1);
}

TEST_F(MouseEditing, ANonResizableTemplateCreatesADefaultSizeBoxWhereTheButtonIsReleased) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBox);
  view->Template().Style &= ~iestResizable;
  Drag(10, 10, 90, 70);
  ExpectRect(view->GetObjectRecord(0), {90, 70, 153, 133});
}

TEST_F(MouseEditing, APolylineGrowsWithEachClickAndEndsWithADoubleClick) {
  MakeView();
  view->SetMouseInteractVt(vmDrawPolyline);
  int32_t created = -1;
  view->OnNewObject = [&](vcl::TObject*, int32_t hobj) { created = hobj; };
  Click(10, 20);
  Click(60, 20);
  EXPECT_EQ(view->CurrentAction(), vkPolyline) << "still creating between clicks";
  EXPECT_EQ(created, -1);
  DoubleClick(60, 90);
  EXPECT_EQ(view->CurrentAction(), 0);
  EXPECT_EQ(created, 0);
  ASSERT_EQ(view->ObjectsCount(), 1);
  TIEVectorObject* r = view->GetObjectRecord(0);
  EXPECT_EQ(r->Kind, vkPolyline);
  ASSERT_EQ(r->PointCount(), 3);
  EXPECT_EQ(r->Points[2].x, 60);
  EXPECT_EQ(r->Points[2].y, 90);
  ExpectRect(r, {10, 20, 60, 90});
  EXPECT_TRUE(view->IsSelObject(0));
}

TEST_F(MouseEditing, AnAngleNeedsThreePressesAndCtrlSnapsTheSecondPoint) {
  MakeView();
  view->SetMouseInteractVt(vmDrawAngle);
  Click(20, 100);
  Click(120, 92, kCtrl);  // close to horizontal: snapped onto y = 100
  EXPECT_EQ(view->CurrentAction(), vkAngle);
  Click(60, 30);
  EXPECT_EQ(view->CurrentAction(), 0);
  ASSERT_EQ(view->ObjectsCount(), 1);
  TIEVectorObject* r = view->GetObjectRecord(0);
  EXPECT_EQ(r->Kind, vkAngle);
  EXPECT_EQ(r->AnglePoints[0].x, 20);
  EXPECT_EQ(r->AnglePoints[1].x, 120);
  EXPECT_EQ(r->AnglePoints[1].y, 100);
  EXPECT_EQ(r->AnglePoints[2].x, 60);
  EXPECT_EQ(r->AnglePoints[2].y, 30);
  // Both outer points lie left of the vertex: the rectangle still holds all three points.
  ExpectRect(r, {20, 30, 120, 100});
  EXPECT_TRUE(view->IsSelObject(0));
}

// Two boxes, the second selected with the first, in select mode.
class Selecting : public VectWindow {
 protected:
  void SetUp() override {
    VectWindow::SetUp();
    MakeView();
    view->Template().Kind = vkBox;
    view->Template().BrushStyle = vcl::bsSolid;
    view->Template().X1 = 10, view->Template().Y1 = 10, view->Template().X2 = 50, view->Template().Y2 = 40;
    view->AddNewObject();
    view->Template().X1 = 100, view->Template().Y1 = 60, view->Template().X2 = 140, view->Template().Y2 = 100;
    view->AddNewObject();
    view->SetMouseInteractVt(vmSelectObjects);
    view->SetMaxSelectionDistance(3);
  }
};

TEST_F(Selecting, ClicksSelectShiftAddsAndAClickOutsideDeselects) {
  std::vector<int32_t> selected, deselected;
  view->OnUserSelectObject = [&](vcl::TObject*, int32_t h) { selected.push_back(h); };
  view->OnUserDeselectObject = [&](vcl::TObject*, int32_t h) { deselected.push_back(h); };
  Click(30, 25);
  EXPECT_EQ(view->SelObjectsCount(), 1);
  EXPECT_TRUE(view->IsSelObject(0));
  Click(120, 80, kShift);
  EXPECT_EQ(view->SelObjectsCount(), 2);
  Click(120, 80, kShift);
  EXPECT_EQ(view->SelObjectsCount(), 1) << "Shift on a selected object removes it";
  Click(180, 20);
  EXPECT_EQ(view->SelObjectsCount(), 0);
  EXPECT_EQ(selected, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(deselected, (std::vector<int32_t>{1, 0}));

  view->SetMaxSelectionDistance(-1);
  Click(180, 20);
  EXPECT_TRUE(view->IsSelObject(1)) << "without a distance limit the nearest object is taken";
}

TEST_F(Selecting, PressingOnASelectedObjectDefersTheChoiceToTheRelease) {
  view->SelObject(0);
  view->SelObject(1);
  Drag(30, 25, 40, 35);
  ExpectRect(view->GetObjectRecord(0), {20, 20, 60, 50}, "dragging moves the whole selection");
  ExpectRect(view->GetObjectRecord(1), {110, 70, 150, 110});
  EXPECT_EQ(view->SelObjectsCount(), 2);
  Click(40, 35);
  EXPECT_EQ(view->SelObjectsCount(), 1) << "a click without moving selects it alone";
  EXPECT_TRUE(view->IsSelObject(0));
}

TEST_F(Selecting, GripsResizeAndKeepAspectFollowsTheDragRectangle) {
  view->SelObject(0);
  Drag(50, 40, 70, 45);  // grip 2 at (X2, Y2)
  ExpectRect(view->GetObjectRecord(0), {10, 10, 70, 45});
  view->GetObjectRecord(0)->KeepAspect = 1;
  Drag(70, 45, 100, 45);  // width 60 -> 90 with proportions 60 x 35: height 52.5 rounds to even
  ExpectRect(view->GetObjectRecord(0), {10, 10, 100, 62});
  Drag(10, 27, 0, 27);  // left middle, grip 6
  EXPECT_EQ(view->GetObjectRecord(0)->X1, 0);
}

TEST_F(Selecting, AGripDragPastTheOppositeSideLeavesOrderedCorners) {
  view->SelObject(0);
  Drag(10, 10, 80, 70);  // grip 1 dragged beyond (X2, Y2)
  ExpectRect(view->GetObjectRecord(0), {50, 40, 80, 70});
}

TEST_F(Selecting, MovingStaysInsideTheImageUnlessAllowedOutside) {
  view->SetAllowOutOfBitmapMoving(false);
  view->SelObject(0);
  Drag(30, 25, 0, 25, kNone, 1);
  ExpectRect(view->GetObjectRecord(0), {10, 10, 50, 40}, "the move that leaves the image is refused");
  view->SetAllowOutOfBitmapMoving(true);
  Drag(30, 25, 10, 25, kNone, 1);
  ExpectRect(view->GetObjectRecord(0), {-10, 10, 30, 40});
}

TEST_F(Selecting, ARubberBandSelectsTheObjectsInsideIt) {
  Drag(2, 2, 60, 50);
  EXPECT_EQ(view->SelObjectsCount(), 1);
  EXPECT_TRUE(view->IsSelObject(0));
  Drag(190, 145, 2, 2);
  EXPECT_EQ(view->SelObjectsCount(), 2);
}

TEST_F(Selecting, TheMoveResizeHandlerCanChangeTheOffsets) {
  view->OnObjectMoveResize = [](vcl::TObject*, int32_t, int32_t grip, int32_t& dx, int32_t& dy) {
    if (grip == 3) dy = 0;
  };
  view->SelObject(1);
  Drag(120, 80, 130, 95);
  ExpectRect(view->GetObjectRecord(1), {110, 60, 150, 100});
}

// A three-point polyline selected for point editing.
class PolylinePoints : public VectWindow {
 protected:
  void SetUp() override {
    VectWindow::SetUp();
    MakeView();
    view->Template().Kind = vkPolyline;
    view->Template().X1 = view->Template().Y1 = 1000000;
    view->Template().X2 = view->Template().Y2 = -1000000;
    hobj = view->AddNewObject();
    for (POINT p : {POINT{20, 20}, POINT{100, 20}, POINT{100, 100}}) view->AddPolylinePoint(hobj, p.x, p.y);
    view->SelObject(hobj);
    view->SetMouseInteractVt(vmEditPolyline);
    view->Update();
    Pump();
  }
  int32_t hobj = -1;
};

TEST_F(PolylinePoints, CtrlClickOnAPointRemovesItButTwoPointsStay) {
  Click(100, 20, kCtrl);
  TIEVectorObject* r = view->GetObjectRecord(hobj);
  ASSERT_EQ(r->PointCount(), 2);
  ExpectRect(r, {20, 20, 100, 100});
  view->Update();
  Pump();
  Click(20, 20, kCtrl);
  EXPECT_EQ(r->PointCount(), 2);
}

TEST_F(PolylinePoints, AClickOnASegmentInsertsAPointAndADragMovesOne) {
  Click(60, 20);
  TIEVectorObject* r = view->GetObjectRecord(hobj);
  ASSERT_EQ(r->PointCount(), 4);
  EXPECT_EQ(r->Points[1].x, 60);
  EXPECT_EQ(r->Points[1].y, 20);
  view->Update();
  Pump();
  Drag(100, 100, 110, 120);
  EXPECT_EQ(r->Points[3].x, 110);
  EXPECT_EQ(r->Points[3].y, 120);
  ExpectRect(r, {20, 20, 110, 120});
}

TEST_F(PolylinePoints, InsertingIntoAPolylineSqueezedFlatChangesNothing) {
  TIEVectorObject* r = view->GetObjectRecord(hobj);
  r->X2 = r->X1;  // resized to no width while its own points keep theirs
  view->Update();
  Pump();
  const auto before = r->Points;
  Click(20, 60);
  EXPECT_EQ(r->PointCount(), static_cast<int32_t>(before.size()));
  EXPECT_TRUE(errors.empty());
}

}  // namespace

namespace {

using MoreGestures = VectWindow;

TEST_F(MoreGestures, GesturesAtAZoomGiveBitmapPixels) {
  MakeView(100, 75);
  view->SetZoom(200);
  view->SetViewXY(0, 0);
  view->Update();
  Pump();
  view->SetMouseInteractVt(vmDrawBox);
  Drag(20, 20, 100, 60);
  ExpectRect(view->GetObjectRecord(0), {10, 10, 50, 30});
  view->SetMouseInteractVt(vmSelectObjects);
  Drag(40, 20, 60, 40);  // on the top side (the body of an unfilled box), moved by 20 client pixels
  ExpectRect(view->GetObjectRecord(0), {20, 20, 60, 40});
}

TEST_F(MoreGestures, ABitmapKeepsTheProportionsOfTheTemplatesBitmap) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBitmap);
  view->Template().KeepAspect = 1;  // the template's bitmap is 64 x 64
  Drag(10, 10, 50, 30);
  ExpectRect(view->GetObjectRecord(0), {10, 10, 50, 50});
}

TEST_F(MoreGestures, MeasuringALengthCreatesNothing) {
  MakeView();
  view->SetMouseInteractVt(vmMeasureLength);
  Drag(10, 10, 80, 60);
  EXPECT_EQ(view->ObjectsCount(), 0);
  EXPECT_EQ(view->CurrentAction(), 0);
}

TEST_F(MoreGestures, CtrlSnapsTheDraggedEndOfALineAroundTheOther) {
  MakeView();
  TIEVectorObject line = view->Template();
  line.Kind = vkLine;
  line.X1 = 20, line.Y1 = 100, line.X2 = 120, line.Y2 = 100;
  view->AddNewObject(line);
  view->SelObject(0);
  view->SetMouseInteractVt(vmSelectObjects);
  Drag(120, 100, 80, 45, kCtrl);  // between the horizontal and the vertical: the diagonal
  TIEVectorObject* r = view->GetObjectRecord(0);
  EXPECT_EQ(r->X1, 20);
  EXPECT_EQ(r->Y1, 100);
  EXPECT_EQ(std::abs(r->X2 - 20), std::abs(r->Y2 - 100)) << r->X2 << "," << r->Y2;
}

TEST_F(MoreGestures, TheAngleUnderCreationFollowsTheMouse) {
  MakeView();
  view->SetObjAntialias(false);
  view->Template().PenColor = 0;
  view->SetMouseInteractVt(vmDrawAngle);
  Click(20, 100);
  Click(100, 100);
  SendMessageA(view->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 20));
  view->Repaint();
  Pump();
  vcl::TBitmap* back = view->GetBackBuffer();
  const auto* row = static_cast<const uint8_t*>(back->ScanLine(60));
  EXPECT_LT(row[3 * 100], 128) << "the second leg runs up to the mouse";
  EXPECT_EQ(view->ObjectsCount(), 1);
  EXPECT_EQ(view->GetObjectRecord(0)->AnglePoints[2].x, kUndefinedAnglePoint);
}

}  // namespace
