// Distances of points to objects, the object search and the grip search.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using HitTest = VectWindow;

int32_t Add(TImageVect* view, uint8_t kind, RECT r, uint8_t brush = vcl::bsClear, int32_t pen = 1) {
  TIEVectorObject record = view->Template();
  record.Kind = kind;
  record.X1 = r.left, record.Y1 = r.top, record.X2 = r.right, record.Y2 = r.bottom;
  record.BrushStyle = brush;
  record.PenWidth = pen;
  return view->AddNewObject(record);
}

TEST_F(HitTest, DistancesFollowEachKindsShape) {
  MakeView();
  struct Case {
    const char* name;
    uint8_t kind;
    RECT rect;
    uint8_t brush;
    int32_t pen;
    int32_t x, y;
    double low, high;  // expected distance range
  };
  const std::vector<Case> cases = {
      {"line, on it", vkLine, {10, 10, 90, 10}, vcl::bsClear, 1, 50, 10, 0, 0},
      {"line, beside it", vkLine, {10, 10, 90, 10}, vcl::bsClear, 1, 50, 16, 6, 6},
      {"line, beyond its end", vkLine, {10, 10, 90, 10}, vcl::bsClear, 1, 93, 14, 5, 5},
      {"wide line, within half its width", vkLine, {10, 10, 90, 10}, vcl::bsClear, 9, 50, 14, 0, 0},
      {"wide line, beside it", vkLine, {10, 10, 90, 10}, vcl::bsClear, 9, 50, 20, 5.5, 5.5},
      {"ruler", vkRuler, {10, 10, 10, 90}, vcl::bsClear, 1, 13, 50, 3, 3},
      {"filled box, inside", vkBox, {10, 10, 90, 60}, vcl::bsSolid, 1, 50, 30, 0, 0},
      {"unfilled box, inside", vkBox, {10, 10, 90, 60}, vcl::bsClear, 1, 50, 30, 19, 21},
      {"unfilled box, on its side", vkBox, {10, 10, 90, 60}, vcl::bsClear, 1, 50, 10, 0, 0},
      {"text, inside", vkText, {10, 10, 90, 60}, vcl::bsClear, 1, 50, 30, 0, 0},
      {"text, outside", vkText, {10, 10, 90, 60}, vcl::bsClear, 1, 95, 30, 4, 6},
      {"filled ellipse, centre", vkEllipse, {10, 10, 90, 90}, vcl::bsSolid, 1, 50, 50, 0, 0},
      {"unfilled ellipse, centre", vkEllipse, {10, 10, 90, 90}, vcl::bsClear, 1, 50, 50, 35, 41},
      {"arc, on its outline", vkArc, {10, 10, 90, 90}, vcl::bsClear, 1, 90, 50, 0, 2},
      {"memo, inside", vkMemo, {10, 10, 90, 60}, vcl::bsClear, 1, 20, 20, 0, 0},
  };
  for (const Case& c : cases) {
    view->RemoveAllObjects();
    const int32_t hobj = Add(view, c.kind, c.rect, c.brush, c.pen);
    const double d = view->DistanceToObject(hobj, c.x, c.y);
    EXPECT_GE(d, c.low) << c.name;
    EXPECT_LE(d, c.high) << c.name;
  }
}

TEST_F(HitTest, PolylinesAndAnglesAreMeasuredAlongTheirPoints) {
  MakeView();
  TIEVectorObject r = view->Template();
  r.Kind = vkPolyline;
  r.Points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  r.BaseRect = RECT{0, 0, 10, 10};
  r.X1 = 20, r.Y1 = 20, r.X2 = 120, r.Y2 = 120;  // scaled ten times
  const int32_t open = view->AddNewObject(r);
  EXPECT_DOUBLE_EQ(view->DistanceToObject(open, 70, 20), 0);
  EXPECT_NEAR(view->DistanceToObject(open, 70, 70), 50, 1) << "an open polyline has no inside";
  r.Closed = 1;
  r.BrushStyle = vcl::bsSolid;
  const int32_t closed = view->AddNewObject(r);
  EXPECT_DOUBLE_EQ(view->DistanceToObject(closed, 70, 70), 0);
  EXPECT_NEAR(view->DistanceToObject(closed, 10, 70), 10, 1) << "the closing segment counts";

  TIEVectorObject a = view->Template();
  a.Kind = vkAngle;
  a.AnglePoints[0] = {0, 100};
  a.AnglePoints[1] = {50, 100};
  a.AnglePoints[2] = {kUndefinedAnglePoint, kUndefinedAnglePoint};
  const int32_t angle = view->AddNewObject(a);
  EXPECT_NEAR(view->DistanceToObject(angle, 25, 104), 4, 0.5);
}

TEST_F(HitTest, AKindThatDrawsNothingNeverWinsTheSearch) {
  MakeView();
  const int32_t box = Add(view, vkBox, {10, 10, 60, 60}, vcl::bsSolid);
  for (uint8_t bad : {uint8_t{vkNone}, uint8_t{13}, uint8_t{200}}) {
    const int32_t other = Add(view, vkBox, {0, 0, 199, 149});
    view->GetObjectRecord(other)->Kind = bad;  // as a damaged stream could leave it
    double distance = 0;
    EXPECT_EQ(view->FindObjectAt(30, 30, false, distance), box) << int(bad);
    EXPECT_EQ(distance, 0);
    EXPECT_EQ(view->FindObjectAt(150, 120, false, distance), box) << int(bad) << ": far away, still the box";
    view->SetMaxSelectionDistance(5);
    EXPECT_EQ(view->FindObjectAt(150, 120, false, distance), hobjNotFound) << int(bad);
    view->SetMaxSelectionDistance(-1);
    view->RemoveAllObjects();
    Add(view, vkBox, {10, 10, 60, 60}, vcl::bsSolid);
  }
}

TEST_F(HitTest, TheUpperObjectWinsOnEqualDistancesAndHiddenOrUnselectableOnesAreSkipped) {
  MakeView();
  const int32_t lower = Add(view, vkBox, {10, 10, 60, 60}, vcl::bsSolid);
  const int32_t upper = Add(view, vkBox, {20, 20, 70, 70}, vcl::bsSolid);
  double distance = 0;
  EXPECT_EQ(view->FindObjectAt(30, 30, false, distance), upper);
  view->GetObjectRecord(upper)->Style &= ~iestSelectable;
  EXPECT_EQ(view->FindObjectAt(30, 30, true, distance), lower);
  EXPECT_EQ(view->FindObjectAt(30, 30, false, distance), upper);
  view->GetObjectRecord(upper)->Style &= ~iestVisible;
  EXPECT_EQ(view->FindObjectAt(30, 30, false, distance), lower);
}

TEST_F(HitTest, GripsAreFoundAtCornersMiddlesAndBody) {
  MakeView();
  const int32_t box = Add(view, vkBox, {20, 20, 100, 80}, vcl::bsSolid);
  const int32_t line = Add(view, vkLine, {120, 20, 180, 100});
  view->SelObject(box);
  view->SelObject(line);
  struct Case {
    int32_t x, y;
    int32_t index, grip;
  };
  for (Case c : std::vector<Case>{{20, 20, 0, 1},
                                  {100, 80, 0, 2},
                                  {60, 50, 0, 3},
                                  {100, 20, 0, 4},
                                  {20, 80, 0, 5},
                                  {20, 50, 0, 6},
                                  {100, 50, 0, 7},
                                  {60, 20, 0, 8},
                                  {60, 80, 0, 9},
                                  {24, 24, 0, 1},  // inside the half-open square
                                  {25, 25, 0, 3},  // just outside it: the body
                                  {120, 20, 1, 1},
                                  {180, 100, 1, 2},
                                  {150, 60, 1, 3},
                                  {180, 20, -4, 0}}) {
    int32_t grip = -1;
    EXPECT_EQ(view->GripAtPoint(c.x, c.y, grip), c.index) << c.x << "," << c.y;
    EXPECT_EQ(grip, c.grip) << c.x << "," << c.y;
  }
  view->GetObjectRecord(box)->Style &= ~iestResizable;
  int32_t grip = 0;
  view->GripAtPoint(20, 20, grip);
  EXPECT_EQ(grip, 3) << "an object that cannot be resized is only moved";
}

TEST_F(HitTest, ClicksAndDoubleClicksReachTheirEvents) {
  MakeView();
  const int32_t box = Add(view, vkBox, {20, 20, 100, 80}, vcl::bsSolid);
  view->SetMouseInteractVt(vmSelectObjects);
  std::vector<int32_t> clicks, doubles;
  view->OnObjectClick = [&](vcl::TObject*, int32_t hobj) { clicks.push_back(hobj); };
  view->OnObjectDblClick = [&](vcl::TObject*, int32_t hobj) { doubles.push_back(hobj); };
  Click(50, 50);
  DoubleClick(50, 50);
  EXPECT_EQ(doubles, std::vector<int32_t>{box});
  EXPECT_EQ(clicks, (std::vector<int32_t>{box, box, box}));
}

}  // namespace

namespace {

using Pointer = VectWindow;

TEST_F(Pointer, ADoubleClickOnATextSelectsItAlone) {
  MakeView();
  const int32_t box = Add(view, vkBox, {10, 10, 40, 40}, vcl::bsSolid);
  const int32_t text = Add(view, vkText, {60, 60, 120, 90});
  view->SelObject(box);
  view->SetMouseInteractVt(vmSelectObjects);
  std::vector<int32_t> selected, deselected;
  view->OnUserSelectObject = [&](vcl::TObject*, int32_t h) { selected.push_back(h); };
  view->OnUserDeselectObject = [&](vcl::TObject*, int32_t h) { deselected.push_back(h); };
  SendMessageA(view->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(80, 75));
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(80, 75));
  Pump();
  EXPECT_EQ(view->SelObjectsCount(), 1);
  EXPECT_TRUE(view->IsSelObject(text));
  EXPECT_EQ(selected, std::vector<int32_t>{text});
  EXPECT_EQ(deselected, std::vector<int32_t>{box});
}

TEST_F(Pointer, TheCursorTellsWhatAGripDoes) {
  MakeView();
  Add(view, vkBox, {20, 20, 100, 80}, vcl::bsSolid);
  view->SelObject(0);
  view->SetMouseInteractVt(vmSelectObjects);
  struct Case {
    int32_t x, y;
    vcl::TCursor cursor;
  };
  for (Case c : std::vector<Case>{{20, 20, 1786}, {60, 50, 1790}, {100, 50, 1789}, {60, 80, 1787}, {100, 20, 1788},
                                  {160, 130, crIECross}}) {
    SendMessageA(view->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(view->Cursor(), c.cursor) << c.x << "," << c.y;
  }
}

}  // namespace
