// Records with values no editing gesture makes (as a damaged file may give them) are drawn,
// hit-tested and dragged without faults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using HostileRecords = VectWindow;

TEST_F(HostileRecords, AreDrawnAndHitTestedSafely) {
  MakeView();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<const char*, std::function<void(TIEVectorObject&)>>> cases = {
      {"unknown kind", [](TIEVectorObject& r) { r.Kind = 250; }},
      {"negative pen", [](TIEVectorObject& r) { r.Kind = vkBox, r.PenWidth = -20; }},
      {"huge pen", [](TIEVectorObject& r) { r.Kind = vkLine, r.PenWidth = 100000; }},
      {"huge corners", [](TIEVectorObject& r) {
         r.Kind = vkEllipse, r.X1 = -2000000000, r.Y1 = -2000000000, r.X2 = 2000000000, r.Y2 = 2000000000;
       }},
      {"arc angles not numbers", [nan](TIEVectorObject& r) { r.Kind = vkArc, r.ArcStart = nan, r.ArcEnd = nan; }},
      {"bitmap index past the table", [](TIEVectorObject& r) { r.Kind = vkBitmap, r.BitmapIndex = 99; }},
      {"curve not numbers", [nan](TIEVectorObject& r) {
         r.Kind = vkText, r.Text = "abc", r.CurvePoints = {{nan, 0}, {1, nan}};
       }},
      {"curve of one point", [](TIEVectorObject& r) { r.Kind = vkText, r.Text = "abc", r.CurvePoints = {{0.5, 0.5}}; }},
      {"text without font", [](TIEVectorObject& r) { r.Kind = vkText, r.Text = "abc", r.Font.reset(); }},
      {"polyline without base", [](TIEVectorObject& r) {
         r.Kind = vkPolyline, r.Points = {{5, 5}, {9, 9}}, r.BaseRect = RECT{3, 3, 3, 3};
       }},
      {"polyline without points", [](TIEVectorObject& r) { r.Kind = vkPolyline, r.Closed = 1; }},
      {"angle without points", [](TIEVectorObject& r) {
         r.Kind = vkAngle;
         for (POINT& p : r.AnglePoints) p = POINT{kUndefinedAnglePoint, kUndefinedAnglePoint};
       }},
      {"huge shapes", [](TIEVectorObject& r) {
         r.Kind = vkLineLabel, r.StartShape = 2, r.EndShape = 9, r.ShapeWidth = 1 << 30, r.ShapeLength = -(1 << 30);
       }},
      {"memo margins past the box", [](TIEVectorObject& r) {
         r.Kind = vkMemo, r.Text = "abc", r.Margins[0] = 400, r.Margins[2] = -300;
       }},
      {"extended without object", [](TIEVectorObject& r) { r.Kind = vkExtended; }},
  };
  for (const auto& [name, setup] : cases) {
    view->RemoveAllObjects();
    TIEVectorObject r = view->Template();
    r.X1 = 10, r.Y1 = 10, r.X2 = 80, r.Y2 = 60;
    setup(r);
    const int32_t hobj = view->AddNewObject(r);
    view->GetObjectRecord(hobj)->Kind = r.Kind;
    view->GetObjectRecord(hobj)->BitmapIndex = r.BitmapIndex;  // as read, not as attached
    view->SelObject(hobj);
    auto bitmap = WhiteBitmap(100, 80);
    view->DrawObjectsToBitmap(bitmap.get(), true);
    view->Update();
    view->Repaint();
    double distance = 0;
    view->FindObjectAt(40, 40, false, distance);
    int32_t grip = 0;
    view->GripAtPoint(10, 10, grip);
    view->SetMouseInteractVt(vmSelectObjects);
    Drag(40, 40, 50, 45);
    view->SetMouseInteractVt(0);
    EXPECT_TRUE(errors.empty()) << name << ": " << (errors.empty() ? "" : errors.front());
    errors.clear();
  }
}

}  // namespace
