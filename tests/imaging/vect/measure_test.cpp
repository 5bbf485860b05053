// Measuring in physical units: unit conversion and value texts, the length dragged, the
// selection's perimeter and area, and rulers whose ticks stay bounded for tiny units.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "imaging/model/ie_mask.h"
#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using Measure = VectWindow;

TEST_F(Measure, UnitsConvertWithTheResolutionAndTheScale) {
  MakeView();
  view->SetDpiX(96);
  view->SetDpiY(96);
  view->SetMUnit(ieuCENTIMETERS);
  EXPECT_EQ(view->Template().RulerUnit, ieuCENTIMETERS);
  EXPECT_NEAR(view->UnitsPerPixelX() * 96, 2.54, 1e-12);
  EXPECT_EQ(view->MeasureText(96 * view->UnitsPerPixelX(), ieuCENTIMETERS, false), "2.54 cm");
  EXPECT_EQ(view->MeasureText(12.5, ieuCENTIMETERS, true), "12.50 cm\xB2");
  view->SetMUnit(ieuPIXELS);
  view->SetScale(2.0);
  EXPECT_EQ(view->UnitsPerPixelX(), 2.0);
  EXPECT_EQ(view->UnitsPerPixelY(), 2.0);
  view->SetFloatDigits(0);
  EXPECT_EQ(view->MeasureText(3.4, ieuINCHES, false), "3 inches");
  const std::vector<std::pair<TIEUnits, double>> perInch = {
      {ieuINCHES, 1}, {ieuMILLIMETERS, 25.4}, {ieuMETERS, 0.0254}, {ieuFEET, 1.0 / 12}, {ieuMILES, 1.0 / 63360}};
  for (const auto& [unit, expected] : perInch) EXPECT_NEAR(UnitsPerPixel(unit, 200) * 200, expected, 1e-12) << UnitText(unit);
}

TEST_F(Measure, ADraggedLengthCountsBothEndsWhicheverWayItGoes) {
  MakeView();
  view->SetMouseInteractVt(vmMeasureLength);
  double measured = -1;
  view->OnDragLenEnd = [&](vcl::TObject*, double value) { measured = value; };
  struct Case {
    int32_t x1, y1, x2, y2;
    double expected;
  };
  const std::vector<Case> cases = {{50, 50, 60, 50, std::hypot(11, 1)},
                                   {60, 50, 50, 50, std::hypot(11, 1)},
                                   {50, 50, 50, 50, std::sqrt(2.0)},
                                   {20, 30, 50, 70, std::hypot(31, 41)}};
  for (const Case& c : cases) {
    Drag(c.x1, c.y1, c.x2, c.y2);
    EXPECT_NEAR(measured, c.expected, 1e-9) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
  }
  EXPECT_EQ(view->ObjectsCount(), 0);  // measuring creates nothing
  EXPECT_FALSE(view->MeasureHintActive());

  // Without a selection the area is 0, which shows the previous value.
  view->SetMouseInteractVt(vmMeasureLength | vmMeasureArea);
  Drag(10, 10, 100, 100);
  EXPECT_NEAR(measured, std::hypot(31, 41), 1e-9);
}

TEST_F(Measure, ARectangleSelectionHasItsPerimeterAndArea) {
  MakeView();
  view->SetMUnit(ieuPIXELS);
  view->Select(10, 20, 40, 60);
  const POINT* points = view->GetSelectionPolygon();
  const int32_t count = view->GetSelectionPolygonCount();
  ASSERT_GE(count, 4);
  int32_t left = INT32_MAX, right = INT32_MIN, top = INT32_MAX, bottom = INT32_MIN;
  for (int32_t i = 0; i < count; ++i) {
    if (points[i].x == 0xFFFFF) continue;
    left = std::min<int32_t>(left, points[i].x), right = std::max<int32_t>(right, points[i].x);
    top = std::min<int32_t>(top, points[i].y), bottom = std::max<int32_t>(bottom, points[i].y);
  }
  const double w = right - left, h = bottom - top;
  EXPECT_NEAR(view->GetSelectionArea(), w * h, 1e-9);
  EXPECT_NEAR(view->GetSelectionPerimeter(), 2 * (w + h), 1e-9);
}

TEST_F(Measure, AMaskWithoutPolygonCountsItsSelectedPixelsAtEitherDepth) {
  MakeView();
  view->SetMUnit(ieuPIXELS);
  view->SetScale(0.5);
  for (const int32_t depth : {1, 8}) {
    view->ClearSelection();
    TIEMask* mask = view->SelectionMask();
    mask->Allocate(200, 150, depth);
    for (int32_t y = 5; y < 15; ++y) mask->FillSpan(depth == 1 ? 1 : 128, 3, 9, y);  // 7 x 10 pixels
    mask->SyncBoundingBox();
    ASSERT_LE(view->GetSelectionPolygonCount(), 2);
    EXPECT_NEAR(view->GetSelectionArea(), 70 * 0.25, 1e-9) << depth << "-bit mask";
  }
}

TEST_F(Measure, RulerTicksFollowTheUnitAndStayFewForTinyUnits) {
  MakeView(400, 150);
  view->SetDpiX(96);
  view->SetDpiY(96);
  TIEVectorObject ruler = view->Template();
  ruler.Kind = vkRuler;
  ruler.RulerType = 0;
  ruler.PenColor = vcl::clBlack;
  ruler.X1 = 10, ruler.Y1 = 60, ruler.X2 = 390, ruler.Y2 = 60;
  ruler.RulerUnit = ieuCENTIMETERS;
  const int32_t hobj = view->AddNewObject(ruler);
  auto bitmap = WhiteBitmap(400, 150);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  // A long tick each 37.8 pixels, a middle one halfway, short ones between.
  const int32_t long1 = 10 + 38, middle = 10 + 19, shortTick = 10 + 4;
  auto dark = [&](int32_t x, int32_t dy) {
    for (int32_t sx = x - 1; sx <= x + 1; ++sx)
      if (PixelAt(bitmap.get(), sx, 60 - dy) != 0xFFFFFF || PixelAt(bitmap.get(), sx, 60 + dy) != 0xFFFFFF) return true;
    return false;
  };
  EXPECT_TRUE(dark(long1, 11));
  EXPECT_TRUE(dark(middle, 7));
  EXPECT_FALSE(dark(middle, 10));
  EXPECT_TRUE(dark(shortTick, 5));
  EXPECT_FALSE(dark(shortTick, 7));

  // In nanometres a tenth of a unit is a ten-millionth of a pixel: the ticks go up by decades
  // until they are pixels apart, so the drawing ends and still shows ticks.
  for (const uint8_t unit : {ieuNANOMETERS, ieuMICRONS, ieuPIXELS}) {
    view->GetObjectRecord(hobj)->RulerUnit = unit;
    bitmap = WhiteBitmap(400, 150);
    view->DrawObjectsToBitmap(bitmap.get(), false);
    int32_t ticks = 0;
    for (int32_t x = 10; x <= 390; ++x)
      if (PixelAt(bitmap.get(), x, 60 - 5) != 0xFFFFFF || PixelAt(bitmap.get(), x, 60 + 5) != 0xFFFFFF) ++ticks;
    EXPECT_GT(ticks, 10) << UnitText(static_cast<TIEUnits>(unit));
    EXPECT_LT(ticks, 300) << UnitText(static_cast<TIEUnits>(unit));
  }
}

// The extent of a text in a ruler's label font (the object's font at the drawing's scale 1).
SIZE LabelExtent(const TIEVectorObject& ruler, const std::string& text) {
  LOGFONTA log = *ruler.Font;
  log.lfHeight = std::max(3, std::abs(static_cast<int>(log.lfHeight)));
  log.lfWidth = 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontIndirectA(&log);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return size;
}

// The box of the pixels that are not white within (x1, y1) - (x2, y2), inclusive; empty
// (left > right) when there are none.
RECT InkBox(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RECT box{x2 + 1, y2 + 1, x1 - 1, y1 - 1};
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x)
      if (PixelAt(bitmap, x, y) != 0xFFFFFF) {
        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x), box.bottom = std::max<LONG>(box.bottom, y);
      }
  return box;
}

// A label of a ticked ruler is placed from its long tick's first end (ex, ey), with the label's
// height th and half width tl: for a ruler that is not vertical, at (ex - tl, ey - (2 th + 1)
// + 20), centred above the tick whichever way the ruler was drawn; for one drawn downwards, at
// (ex + 2 th + 1, ey + tl + 20).
TEST_F(Measure, ATickedRulersLabelsSitWhereTheirTickEndsSay) {
  MakeView(400, 150);
  view->SetDpiX(96);
  view->SetDpiY(96);
  struct Case {
    const char* name;
    POINT p, q;
    POINT end;     // the first end of the long tick one centimetre (37.8 pixels) from p
    bool upright;  // a ruler across: the label above the tick
    RECT search;   // where only that label has ink
  } cases[] = {
      {"drawn to the right", {10, 60}, {390, 60}, {48, 48}, true, {33, 0, 63, 47}},
      {"drawn to the left", {390, 60}, {10, 60}, {352, 48}, true, {337, 0, 367, 47}},
      {"drawn downwards", {200, 10}, {200, 140}, {212, 48}, false, {214, 52, 290, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIEVectorObject ruler = view->Template();
    ruler.Kind = vkRuler;
    ruler.RulerType = 0;
    ruler.PenColor = vcl::clBlack;
    ruler.RulerUnit = ieuCENTIMETERS;
    ruler.X1 = c.p.x, ruler.Y1 = c.p.y, ruler.X2 = c.q.x, ruler.Y2 = c.q.y;
    view->RemoveAllObjects();
    view->AddNewObject(ruler);
    auto bitmap = WhiteBitmap(400, 150);
    view->DrawObjectsToBitmap(bitmap.get(), false);
    const SIZE size = LabelExtent(ruler, "1");
    const int32_t tl = size.cx / 2, m = 2 * size.cy + 1;
    const int32_t left = c.upright ? c.end.x - tl : c.end.x + m;
    const int32_t top = c.upright ? c.end.y - m + 20 : c.end.y + tl + 20;
    const RECT ink = InkBox(bitmap.get(), c.search.left, c.search.top, c.search.right, c.search.bottom);
    ASSERT_LE(ink.left, ink.right) << "no label";
    EXPECT_GE(ink.top, top - 1);
    EXPECT_LE(ink.bottom, top + size.cy);
    EXPECT_GE(ink.left, left - 1);
    EXPECT_LE(ink.right, left + size.cx + 1);
  }
}

// A ruler with its length: type 1 writes " " and the text from its start, type 2 centres the
// text, type 3 writes the text and " " up to its end; drawn to the left, the text still reads
// from left to right.
TEST_F(Measure, ARulersLengthTextSitsWhereItsTypeSays) {
  MakeView(400, 150);
  struct Case {
    uint8_t type;
    bool leftwards;
  } cases[] = {{1, false}, {2, false}, {3, false}, {1, true}, {2, true}, {3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int(c.type) << (c.leftwards ? ", to the left" : ""));
    TIEVectorObject ruler = view->Template();
    ruler.Kind = vkRuler;
    ruler.RulerType = c.type;
    ruler.PenColor = vcl::clBlack;
    ruler.RulerUnit = ieuPIXELS;
    ruler.X1 = c.leftwards ? 380 : 20, ruler.X2 = c.leftwards ? 20 : 380;
    ruler.Y1 = ruler.Y2 = 60;
    view->RemoveAllObjects();
    view->AddNewObject(ruler);
    auto bitmap = WhiteBitmap(400, 150);
    view->DrawObjectsToBitmap(bitmap.get(), false);
    std::string text = view->MeasureText(360, ieuPIXELS, false);
    if (c.type == 1) text = " " + text;
    if (c.type == 3) text += " ";
    const SIZE size = LabelExtent(ruler, text);
    const int32_t left = c.type == 1 ? 20 : c.type == 2 ? 20 + (360 - size.cx) / 2 : 380 - size.cx;
    // Below the baseline and between the end bars only the text has ink.
    const RECT ink = InkBox(bitmap.get(), 22, 61, 378, 60 + size.cy + 4);
    ASSERT_LE(ink.left, ink.right) << "no text";
    EXPECT_GE(ink.left, left - 1);
    EXPECT_LE(ink.right, left + size.cx + 1);
    EXPECT_LE(ink.bottom, 60 + size.cy);
    // The text fills most of its box: it is not somewhere else inside it.
    EXPECT_GT(ink.right - ink.left, size.cx * 2 / 3);
  }
}

TEST_F(Measure, TheReflexComplementDrawsAnAngleAndItsMirrorAlike) {
  MakeView();
  TIEVectorObject angle = view->Template();
  angle.Kind = vkAngle;
  angle.PenColor = vcl::clBlack;
  angle.AnglePoints[0] = {150, 60}, angle.AnglePoints[1] = {60, 60}, angle.AnglePoints[2] = {60, 140};
  const int32_t a = view->AddNewObject(angle);
  std::swap(angle.AnglePoints[0], angle.AnglePoints[2]);
  const int32_t b = view->AddNewObject(angle);  // the same legs the other way round: 360 - a
  // The label and the arc around the vertex (the legs' far ends differ by GDI's last pixel).
  auto draw = [&](int32_t hobj) {
    auto bitmap = WhiteBitmap(200, 150);
    view->DrawObjectsToBitmap(bitmap.get(), false, hobj);
    std::vector<uint32_t> pixels;
    for (int32_t y = 30; y < 120; ++y)
      for (int32_t x = 30; x < 130; ++x) pixels.push_back(PixelAt(bitmap.get(), x, y));
    return pixels;
  };
  EXPECT_NE(draw(a), draw(b));  // "90.00°" and "270.00°"
  view->SetReflexAngleComplement(true);
  EXPECT_EQ(draw(a), draw(b));  // both "90.00°"
}

}  // namespace
