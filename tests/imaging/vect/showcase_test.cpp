// A vector view holding one object of each kind, one of them selected with its grips: a
// showcase to look at, not a test. It runs only when asked for; with MERGEON_SHOWCASE_SECONDS
// set the form stays on screen that long, so that a screenshot under a real display shows the
// view:
//   MERGEON_SHOWCASE_SECONDS=8 shared/tools/screenshot out.png 6
//     build-X/tests/imaging_vect_tests.exe --gtest_also_run_disabled_tests
//     --gtest_filter=VectShowcase.*
// (one command line)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/vect/image_vect.h"
#include "imaging/vect/text_control.h"
#include "tests/support/showcase_form.h"
#include "vcl/controls/application.h"

using namespace imaging;

namespace {

TIEVectorObject Shape(TImageVect* view, uint8_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      vcl::TColor pen) {
  TIEVectorObject r = view->Template();
  r.Kind = kind;
  r.X1 = x1, r.Y1 = y1, r.X2 = x2, r.Y2 = y2;
  r.PenColor = pen;
  r.PenWidth = 2;
  return r;
}

TEST(VectShowcase, DISABLED_OneObjectOfEachKindWithGrips) {
  TShowcaseForm showcase("Vector view", 20, 20, 560, 420);
  vcl::TForm* form = showcase.Form();
  auto* view = new TImageVect(form);
  view->SetParent(form);
  view->SetBorderStyle(vcl::bsNone);
  view->SetScrollBars(vcl::ssNone);
  view->SetBounds(0, 0, 540, 380);
  form->Show();
  view->GetIEBitmap()->Allocate(520, 360, ie24RGB);
  view->GetIEBitmap()->Fill(0xF0E8E0);

  view->AddNewObject(Shape(view, vkLine, 20, 20, 140, 80, 0x000080));
  TIEVectorObject arrow = Shape(view, vkLine, 20, 110, 140, 110, 0x004000);
  arrow.EndShape = 2;
  arrow.StartShape = 1;
  arrow.BrushStyle = vcl::bsSolid;
  arrow.BrushColor = 0x004000;
  view->AddNewObject(arrow);
  TIEVectorObject box = Shape(view, vkBox, 170, 20, 280, 90, 0x800000);
  box.BrushStyle = vcl::bsSolid;
  box.BrushColor = 0xFFE0C0;
  view->AddNewObject(box);
  TIEVectorObject ellipse = Shape(view, vkEllipse, 300, 20, 400, 100, 0x008000);
  ellipse.BrushStyle = vcl::bsSolid;
  ellipse.BrushColor = 0xC0FFC0;
  ellipse.SoftShadow.Enabled = 1;
  ellipse.SoftShadow.OffsetX = ellipse.SoftShadow.OffsetY = 5;
  view->AddNewObject(ellipse);
  TIEVectorObject arc = Shape(view, vkArc, 420, 20, 500, 100, 0x0000C0);
  arc.ArcEnd = 3.14159;
  view->AddNewObject(arc);
  view->AddNewObject(Shape(view, vkBitmap, 20, 140, 84, 204, 0));
  TIEVectorObject text = Shape(view, vkText, 110, 140, 260, 180, 0x000000);
  text.Text = "Text object";
  text.Font->lfHeight = -24;
  text.Transparency = 140;
  view->AddNewObject(text);
  view->AddNewObject(Shape(view, vkRuler, 290, 150, 480, 150, 0x404040));
  TIEVectorObject ticks = Shape(view, vkRuler, 290, 120, 480, 120, 0x404040);
  ticks.RulerType = 0;
  ticks.RulerUnit = ieuCENTIMETERS;
  ticks.PenWidth = 1;
  view->AddNewObject(ticks);
  TIEVectorObject polyline = Shape(view, vkPolyline, 20, 230, 160, 330, 0x800080);
  polyline.Points = {{0, 100}, {40, 0}, {80, 70}, {140, 10}};
  polyline.BaseRect = RECT{0, 0, 140, 100};
  view->AddNewObject(polyline);
  TIEVectorObject angle = Shape(view, vkAngle, 0, 0, 0, 0, 0x008080);
  angle.AnglePoints[0] = {190, 330};
  angle.AnglePoints[1] = {240, 240};
  angle.AnglePoints[2] = {300, 330};
  const RECT ab = angle.AngleBounds();
  angle.X1 = ab.left, angle.Y1 = ab.top, angle.X2 = ab.right, angle.Y2 = ab.bottom;
  view->AddNewObject(angle);
  TIEVectorObject memo = Shape(view, vkMemo, 320, 190, 500, 260, 0x000000);
  memo.Text = "A memo wraps its text inside its box.";
  memo.SingleFormat = 0;
  memo.CharFormats = {charformat::Make("Arial", -16, 0, 0x000000, 0xE0FFFF, vcl::bsClear, 0),
                      charformat::Make("Times New Roman", -18, 3, 0x0000C0, 0xE0FFFF, vcl::bsClear, 0)};
  memo.CharFormatIndex.assign(memo.Text.size(), 0);
  for (size_t i = 7; i < 12; ++i) memo.CharFormatIndex[i] = 1;  // "wraps" in red, bold italic
  memo.Font->lfHeight = -16;
  memo.BrushStyle = vcl::bsSolid;
  memo.BrushColor = 0xE0FFFF;
  memo.BorderColor = 0x808080;
  view->AddNewObject(memo);
  TIEVectorObject label = Shape(view, vkLineLabel, 330, 330, 470, 290, 0x000080);
  label.Text = "Label";
  label.Font->lfHeight = -16;
  view->AddNewObject(label);
  TIEVectorObject highlight = Shape(view, vkBox, 100, 200, 270, 225, 0);
  highlight.Highlight = 1;
  highlight.BrushColor = 0x00FFFF;  // yellow
  view->AddNewObject(highlight);
  view->SelObject(2);
  view->Update();
  view->Repaint();
  vcl::Application->ProcessMessages();

  EXPECT_EQ(view->DrawnObjectsCount(), view->ObjectsCount());
  showcase.HoldOnScreen();
  const std::vector<std::string>& errors = showcase.Close();
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
