// Lines with a label, texts along a curve and application objects receiving the mouse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using LabelsAndExtended = VectWindow;

// Counts the pixels of a bitmap inside a rectangle that are not white.
int32_t Inked(TIEBitmap* bitmap, RECT r) {
  int32_t count = 0;
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x)
      if (PixelAt(bitmap, x, y) != 0xFFFFFF) ++count;
  return count;
}

TEST_F(LabelsAndExtended, ALabelSitsAtItsEndAndCountsForHitsAndGrips) {
  MakeView();
  view->SetObjAntialias(false);
  TIEVectorObject r = view->Template();
  r.Kind = vkLineLabel;
  r.X1 = 100, r.Y1 = 100, r.X2 = 20, r.Y2 = 20;
  r.Text = "Label";
  r.Font->lfHeight = -14;
  r.PenColor = 0;
  r.LabelPosition = 1;  // at (X1, Y1)
  const int32_t hobj = view->AddNewObject(r);
  auto bitmap = WhiteBitmap(200, 150);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  const RECT label = view->GetObjectRecord(hobj)->LabelRect;
  // The anchor lies right of and below the far end: the box starts at the anchor.
  EXPECT_EQ(label.left, 100);
  EXPECT_EQ(label.top, 100);
  EXPECT_GT(label.right, 120);
  EXPECT_GT(label.bottom, 108);
  EXPECT_GT(Inked(bitmap.get(), RECT{label.left + 1, label.top + 1, label.right, label.bottom}), 10)
      << "the text is inside the box";
  EXPECT_DOUBLE_EQ(view->DistanceToObject(hobj, label.right - 2, label.bottom - 2), 0);

  view->Update();
  Pump();
  view->Repaint();
  view->SelObject(hobj);
  int32_t grip = 0;
  EXPECT_EQ(view->GripAtPoint(view->BitmapToClientX(label.right - 3), view->BitmapToClientY(label.bottom - 3), grip), 0);
  EXPECT_EQ(grip, 2);
}

TEST_F(LabelsAndExtended, ACurvedTextIsWrittenAlongItsCurve) {
  MakeView();
  TIEVectorObject r = view->Template();
  r.Kind = vkText;
  r.X1 = 10, r.Y1 = 10, r.X2 = 189, r.Y2 = 129;
  r.Text = "curved";
  r.Font->lfHeight = -20;
  r.PenColor = 0;
  r.PenStyle = vcl::psClear;
  r.CurvePoints = {{0, 0.9}, {1, 0.9}};  // a straight curve near the bottom of the box
  view->AddNewObject(r);
  auto bitmap = WhiteBitmap(200, 150);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_GT(Inked(bitmap.get(), RECT{10, 95, 190, 125}), 40) << "glyphs sit on the curve";
  EXPECT_EQ(Inked(bitmap.get(), RECT{12, 12, 188, 60}), 0) << "nothing at the top of the box";
}

class Recorder : public TIEVectExtendedObject {
 public:
  explicit Recorder(std::vector<std::string>* log) : log_(log) {}
  std::unique_ptr<TIEVectExtendedObject> Clone() const override { return std::make_unique<Recorder>(log_); }
  void MouseDown(vcl::TMouseButton, vcl::TShiftState, int32_t x, int32_t y) override {
    log_->push_back("down " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(vcl::TMouseButton, vcl::TShiftState, int32_t, int32_t) override { log_->push_back("up"); }
  void MouseEnter() override { log_->push_back("enter"); }
  void MouseLeave() override { log_->push_back("leave"); }
  void MouseMove(vcl::TShiftState, int32_t, int32_t) override { log_->push_back("move"); }
  void Draw(vcl::TBitmap*, const RECT&, double, double, bool alphaPass) override {
    log_->push_back(alphaPass ? "draw coverage" : "draw");
  }

 private:
  std::vector<std::string>* log_;
};

TEST_F(LabelsAndExtended, AnApplicationObjectIsDrawnAndFollowsTheMouse) {
  MakeView();
  std::vector<std::string> log;
  TIEVectorObject r = view->Template();
  r.Kind = vkExtended;
  r.X1 = 50, r.Y1 = 50, r.X2 = 100, r.Y2 = 90;
  r.Extended = std::make_unique<Recorder>(&log);
  view->AddNewObject(r);
  view->SetMouseInteractVt(vmSelectObjects);
  auto bitmap = WhiteBitmap(200, 150);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(log, std::vector<std::string>{"draw"});
  log.clear();
  HWND window = view->Handle();
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(61, 60));
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(150, 120));
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 70));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(70, 70));
  std::vector<std::string> mouse;
  for (const std::string& entry : log)
    if (entry.rfind("draw", 0) != 0) mouse.push_back(entry);
  EXPECT_EQ(mouse, (std::vector<std::string>{"enter", "move", "move", "leave", "down 70,70", "up"}));
}

}  // namespace
