// Painting: a custom-painted control paints into its window, its graphic children are painted
// over it in z-order, PaintTo reproduces the whole on another surface, and a repaint asked for
// by a worker thread is carried out on the window's thread.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/runtime/threads.h"

using namespace vcl;
using namespace controls_test;

namespace {

class PaintTest : public ControlsTest {};

TEST_F(PaintTest, CustomControlPaintsItsWindowOnWmPaint) {
  auto form = NewTestForm();
  auto* control = new TSolidControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 50, 40);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return control->Paints() > 0; }));
  // What the window shows: read back through the window's own DC.
  HDC dc = GetDC(control->Handle());
  COLORREF pixel = GetPixel(dc, 5, 5);
  ReleaseDC(control->Handle(), dc);
  EXPECT_EQ(pixel, RGB(255, 0, 0));
}

}  // namespace

namespace {

// A panel with a windowed child and three windowless ones, two of them overlapping.
class PaintSceneTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm(300, 200);
    form->SetBorderStyle(bsNone);
    panel = new TTestPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 200, 100);
    panel->SetColor(clYellow);
    child = new TSolidControl(form.get());
    child->SetParent(panel);
    child->SetBounds(10, 10, 40, 30);
    lower = new TSolidGraphic(form.get());
    lower->SetParent(panel);
    lower->SetBounds(100, 10, 30, 30);
    upper = new TSolidGraphic(form.get());
    upper->SetParent(panel);
    upper->SetBounds(110, 20, 30, 30);
    upper->Fill = clLime;
  }
  void TearDown() override {
    form.reset();
    ControlsTest::TearDown();
  }
  // A pixel of the panel's window (or of the child window over it).
  static TColor WindowPixel(TWinControl* control, int x, int y) {
    HDC dc = GetDC(control->Handle());
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control->Handle(), dc);
    return static_cast<TColor>(c);
  }

  std::unique_ptr<TForm> form;
  TTestPanel* panel = nullptr;
  TSolidControl* child = nullptr;
  TSolidGraphic* lower = nullptr;
  TSolidGraphic* upper = nullptr;
};

TEST_F(PaintSceneTest, GraphicChildrenArePaintedOverTheParentInZOrder) {
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return upper->Paints() > 0 && child->Paints() > 0; }));
  struct Case {
    int x, y;
    TColor color;
  } cases[] = {
      {2, 2, clYellow},     // the panel's own background
      {105, 15, clBlue},    // only the lower graphic
      {135, 45, clLime},    // only the upper one
      {115, 25, clLime},    // both: the upper one wins
  };
  for (const Case& c : cases) EXPECT_EQ(WindowPixel(panel, c.x, c.y), c.color) << c.x << "," << c.y;
  EXPECT_EQ(WindowPixel(child, 5, 5), clRed);
  // Bringing the lower one to the front repaints the overlap in its colour.
  lower->BringToFront();
  panel->Update();
  EXPECT_EQ(WindowPixel(panel, 115, 25), clBlue);
}

TEST_F(PaintSceneTest, PaintToReproducesTheWindowAndItsChildren) {
  form->Show();
  Application->ProcessMessages();
  TPixelSurface surface(220, 120);
  surface.Fill(clBlack);
  panel->PaintTo(surface.DC(), 10, 5);
  struct Case {
    int x, y;
    TColor color;
  } cases[] = {
      {12, 7, clYellow},   // panel background, moved by (10, 5)
      {25, 20, clRed},     // the windowed child
      {115, 20, clBlue},   // lower graphic
      {125, 30, clLime},   // overlap: upper graphic
      {5, 2, clBlack},     // outside the panel: untouched
  };
  for (const Case& c : cases) EXPECT_EQ(surface.Pixel(c.x, c.y), c.color) << c.x << "," << c.y;
  // Each pixel matches what the live window shows at the same place.
  for (int y = 0; y < 100; y += 7)
    for (int x = 0; x < 200; x += 9) {
      bool inChild = x >= 10 && x < 50 && y >= 10 && y < 40;
      TColor live = inChild ? WindowPixel(child, x - 10, y - 10) : WindowPixel(panel, x, y);
      ASSERT_EQ(surface.Pixel(x + 10, y + 5), live) << x << "," << y;
    }
}

TEST_F(PaintSceneTest, PaintCopyIsMarkedWhileChildrenPaintForPaintTo) {
  form->Show();
  Application->ProcessMessages();
  bool copyWhilePainting = false;
  TWndMethod previous = lower->WindowProc;
  lower->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_PAINT) copyWhilePainting = lower->ControlState().Contains(csPaintCopy);
    previous(m);
  };
  TPixelSurface surface(200, 100);
  panel->PaintTo(surface.DC(), 0, 0);
  EXPECT_TRUE(copyWhilePainting);
  EXPECT_FALSE(lower->ControlState().Contains(csPaintCopy));
  lower->WindowProc = previous;
}

TEST_F(PaintSceneTest, GraphicControlPaintsOnAGivenDC) {
  TPixelSurface surface(30, 30);
  surface.Fill(clBlack);
  lower->Perform(WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
  EXPECT_EQ(surface.Pixel(5, 5), clBlue);
}

TEST_F(PaintSceneTest, DoubleBufferedPaintsTheSame) {
  panel->SetDoubleBuffered(true);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return upper->Paints() > 0; }));
  EXPECT_EQ(WindowPixel(panel, 2, 2), clYellow);
  EXPECT_EQ(WindowPixel(panel, 115, 25), clLime);
  EXPECT_EQ(WindowPixel(panel, 105, 15), clBlue);
}

TEST_F(PaintSceneTest, InvalidatingAGraphicControlRepaintsOnlyItsRectangle) {
  form->Show();
  Application->ProcessMessages();
  int before = lower->Paints();
  int childBefore = child->Paints();
  lower->Fill = clFuchsia;
  lower->Invalidate();
  panel->Update();
  EXPECT_EQ(lower->Paints(), before + 1);
  EXPECT_EQ(child->Paints(), childBefore);
  EXPECT_EQ(WindowPixel(panel, 105, 15), clFuchsia);
}

// A custom control draws on its canvas outside a paint cycle too; the drawing shows at once.
TEST_F(PaintSceneTest, CanvasDrawsOnTheWindowOutsidePaint) {
  form->Show();
  Application->ProcessMessages();
  child->Canvas()->Brush()->SetColor(clNavy);
  child->Canvas()->FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(WindowPixel(child, 2, 2), clNavy);
  // A graphic control's canvas is its parent's DC, moved to it and clipped to it.
  lower->Canvas()->Brush()->SetColor(clMaroon);
  lower->Canvas()->FillRect(Rect(0, 0, 100, 100));
  EXPECT_EQ(WindowPixel(panel, 100, 10), clMaroon);
  EXPECT_EQ(WindowPixel(panel, 99, 10), clYellow);
}

}  // namespace

namespace {

TEST_F(PaintSceneTest, PrintMessagePaintsTheClientAndGraphicChildrenIntoAGivenDC) {
  form->Show();
  Application->ProcessMessages();
  TPixelSurface surface(200, 100);
  surface.Fill(clBlack);
  SendMessageA(panel->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface.DC()),
               PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT | PRF_CHILDREN);
  EXPECT_EQ(surface.Pixel(2, 2), clYellow);
  EXPECT_EQ(surface.Pixel(105, 15), clBlue);
  EXPECT_EQ(surface.Pixel(115, 25), clLime);
  EXPECT_EQ(surface.Pixel(15, 15), clRed);
}

}  // namespace

namespace {

// A thread that runs one function of the test.
class TCallThread : public TThread {
  VCL_CLASS(TCallThread, TThread)
  TCallThread(bool createSuspended, std::function<void()> body) : TThread(createSuspended), body_(std::move(body)) {}

 protected:
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;
};

// A worker that asks a control to repaint does not run the control's message chain itself:
// the request is carried out on the thread of the window, and the control repaints.
TEST_F(PaintTest, InvalidateFromAWorkerRunsOnTheWindowsThread) {
  auto form = NewTestForm();
  auto* control = new TSolidControl(form.get());
  control->SetParent(form.get());
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return control->Paints() > 0; }));
  Application->ProcessMessages();
  std::vector<DWORD> threads;
  TWindowProcLink watch = control->WindowProc.Install([&](TMessage& m, const TWindowProcNext& next) {
    if (m.Msg == CM_INVALIDATE) threads.push_back(GetCurrentThreadId());
    next(m);
  });
  int paints = control->Paints();
  std::unique_ptr<TCallThread> worker(NewThread<TCallThread>(false, [control] { control->Invalidate(); }));
  worker->WaitFor();
  EXPECT_TRUE(threads.empty()) << "the chain ran on the worker";
  ASSERT_TRUE(PumpUntil([&] { return control->Paints() > paints; }));
  EXPECT_EQ(threads, std::vector<DWORD>{GetCurrentThreadId()});
  // On the window's own thread it runs at once.
  threads.clear();
  control->Invalidate();
  EXPECT_EQ(threads, std::vector<DWORD>{GetCurrentThreadId()});
}

}  // namespace
