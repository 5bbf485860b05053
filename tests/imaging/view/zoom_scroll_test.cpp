// Zoom and scrolling: where zoom, zoom at a point, fit, the wheel, the scroll bars and smooth
// scrolling leave the view, and the changing/change events they fire.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/view_params.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using view_fixture::Pump;
using view_fixture::ViewWindow;

namespace {

class ZoomScroll : public ViewWindow {
 protected:
  // A 400 x 300 client showing a w x h picture, every changing/change event logged.
  void Make(int32_t w, int32_t h, const std::string& extra = "") {
    MakeView("    Width = 400\n    Height = 300\n" + extra);
    SetImage(w, h, 0x808080);
    view->OnViewChanging = [this](vcl::TObject*, int32_t change, double value) {
      log.push_back("changing " + std::to_string(change) + " " + std::to_string(int(value)));
    };
    view->OnViewChange = [this](vcl::TObject*, int32_t change) { log.push_back("change " + std::to_string(change)); };
  }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(ZoomScroll, RefusedZoomsFireOnlyTheChangingEvent) {
  Make(1000, 1000);
  for (double zoom : {0.0, -5.0, 100.0}) {
    SCOPED_TRACE(zoom);
    log.clear();
    view->SetZoom(zoom);
    EXPECT_EQ((std::vector<std::string>{"changing 2 " + std::to_string(int(zoom))}), log);
    EXPECT_EQ(100, view->ZoomX());
  }
  log.clear();
  view->SetZoom(200);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ("changing 2 200", log.front());
  EXPECT_EQ("change 1", log.back());
}

TEST_F(ZoomScroll, ZoomKeepsTheCentrePoint) {
  Make(1000, 1000);
  ASSERT_EQ(400, view->GetViewWidth());
  view->SetZoom(200);
  EXPECT_EQ(200, view->ViewX());  // Trunc(200 x 2 - 200)
  EXPECT_EQ(150, view->ViewY());  // Trunc(150 x 2 - 150)
}

TEST_F(ZoomScroll, TheOriginIsClampedAndAnUnchangedOneIsNotReported) {
  Make(1000, 1000);
  int32_t maxX, maxY;
  view->GetMaxViewXY(maxX, maxY);
  ASSERT_EQ(600, maxX);
  ASSERT_EQ(700, maxY);
  log.clear();
  view->SetViewXY(-10, -10);
  EXPECT_EQ((std::vector<std::string>{"changing 0 -10", "changing 1 -10"}), log);
  view->SetViewXY(5000, 5000);
  EXPECT_EQ(600, view->ViewX());
  EXPECT_EQ(700, view->ViewY());
  EXPECT_EQ("change 0", log.back());
  log.clear();
  view->SetViewX(9000);
  EXPECT_EQ((std::vector<std::string>{"changing 0 9000"}), log);
}

// The client coordinates go out as the changing values before the zoom itself; the bitmap
// point under the cursor stays under it.
TEST_F(ZoomScroll, ZoomAtKeepsThePointUnderTheCursor) {
  Make(1000, 1000);
  struct Case {
    int32_t x, y;
    double zoom;
    bool centre;
  } cases[] = {{100, 80, 200, false}, {300, 250, 300, false}, {50, 40, 150, true}, {200, 150, 400, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.zoom << " " << c.centre);
    view->SetZoom(100);
    view->SetViewXY(100, 100);
    const int32_t bx = view->ClientToBitmapX(c.x), by = view->ClientToBitmapY(c.y);
    log.clear();
    view->ZoomAt(c.x, c.y, c.zoom, c.centre);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ("changing 2 " + std::to_string(c.x), log[0]);
    EXPECT_EQ("changing 2 " + std::to_string(c.y), log[1]);
    EXPECT_EQ("changing 2 " + std::to_string(int(c.zoom)), log[2]);
    EXPECT_EQ(c.zoom, view->ZoomX());
    const int32_t px = c.centre ? view->GetViewWidth() / 2 : c.x, py = c.centre ? view->GetViewHeight() / 2 : c.y;
    EXPECT_NEAR(bx, view->ClientToBitmapX(px), 1);
    EXPECT_NEAR(by, view->ClientToBitmapY(py), 1);
  }
}

TEST_F(ZoomScroll, FitFitsTheImageAndNothingWithoutOne) {
  Make(800, 200);
  view->Fit();
  EXPECT_EQ(50, view->ZoomX());  // min(400 / 8, 300 / 2)
  SetImage(1, 1);
  view->Fit();
  EXPECT_EQ(30000, view->ZoomX());  // the pixel fills the smaller side
  view->AttachExternalBitmap(nullptr);  // an empty bitmap of its own
  view->Update();
  ASSERT_EQ(0, view->ImageWidth());
  log.clear();
  view->Fit();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(30000, view->ZoomX());
}

TEST_F(ZoomScroll, TheWheelZoomsByItsSteps) {
  Make(1000, 1000);
  struct Case {
    double from;
    int32_t delta;
    double to;
  } cases[] = {{100, 120, 92}, {100, -120, 108}, {5, 120, 4}, {5, -120, 6}, {100, 0, 100}, {100, 240, 92}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " " << c.delta);
    view->SetZoom(c.from);
    view->HandleMouseWheel(c.delta, 10, 10, false);
    EXPECT_EQ(c.to, view->ZoomX());
  }
  // Through the window message too, and not at all while the view fits itself.
  view->SetZoom(100);
  SendMessageA(view->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(50, 50));
  EXPECT_EQ(92, view->ZoomX());
  view->SetAutoFit(true);
  const double fitted = view->ZoomX();
  view->HandleMouseWheel(-120, 10, 10, false);
  EXPECT_EQ(fitted, view->ZoomX());
}

TEST_F(ZoomScroll, TheWheelScrollsWhenAskedTo) {
  Make(1000, 1000);
  view->MouseWheelParams()->SetAction(iemwScroll);
  view->HandleMouseWheel(-120, 10, 10, false);  // percentage: 8 % of 300
  EXPECT_EQ(24, view->ViewY());
  EXPECT_EQ(0, view->ViewX());
  view->HandleMouseWheel(-120, 10, 10, true);  // Ctrl: horizontally, 8 % of 400
  EXPECT_EQ(32, view->ViewX());
  view->MouseWheelParams()->SetStepKind(iemwAbsolute);
  view->HandleMouseWheel(120, 10, 10, false);
  EXPECT_EQ(16, view->ViewY());
}

// Smooth scrolling ends exactly on its target, also where the last steps would round to no
// move.
TEST_F(ZoomScroll, SmoothScrollingReachesItsTarget) {
  Make(1000, 1000);
  struct Case {
    int32_t x, y;
  } cases[] = {{3, 2}, {600, 700}, {301, 5}, {0, 0}, {7, 699}};
  // The steps are driven here one after another; the first case runs on the view's timer.
  bool onTimer = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    view->SmoothScrollTo(c.x, c.y);
    for (int32_t i = 0; i < 500 && view->SmoothScrolling(); ++i) {
      if (onTimer) {
        Sleep(5);
        Pump();
      } else {
        view->SmoothScrollStep();
      }
    }
    onTimer = false;
    EXPECT_FALSE(view->SmoothScrolling());
    EXPECT_EQ(c.x, view->ViewX());
    EXPECT_EQ(c.y, view->ViewY());
  }
  // Without a divisor the view goes there at once.
  view->SetSmoothScrollDivisor(0);
  view->SmoothScrollTo(123, 45);
  EXPECT_EQ(123, view->ViewX());
  EXPECT_EQ(45, view->ViewY());
  EXPECT_FALSE(view->SmoothScrolling());
}

TEST_F(ZoomScroll, ScrollBarsFollowTheOriginAndTheirMessages) {
  Make(1000, 1000, "    ScrollBars = ssBoth\n");
  const HWND window = view->Handle();
  auto style = [&] { return GetWindowLongA(window, GWL_STYLE); };
  EXPECT_TRUE(style() & WS_HSCROLL);
  EXPECT_TRUE(style() & WS_VSCROLL);
  int32_t maxX, maxY;
  view->GetMaxViewXY(maxX, maxY);
  ASSERT_GT(maxX, 0);

  view->SetViewX(maxX / 2);
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(window, SB_HORZ, &info);
  EXPECT_EQ(65535, info.nMax);
  EXPECT_EQ(static_cast<int>(view->ViewX() / view->HorzScrollRatio()), info.nPos);

  // Thumb positions come in bar units; tracking off ignores the drag but not the drop.
  const uint16_t thumb = 20000;
  view->HScrollBarParams()->SetTracking(false);
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, thumb), 0);
  EXPECT_EQ(maxX / 2, view->ViewX());
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, thumb), 0);
  EXPECT_EQ(static_cast<int32_t>(std::nearbyint(thumb * view->HorzScrollRatio())), view->ViewX());
  SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(maxY, view->ViewY());
  SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
  EXPECT_EQ(maxY - 1, view->ViewY());
  SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), 0);
  EXPECT_EQ(maxY - 1 - view->GetViewHeight(), view->ViewY());
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_LEFT, 0), 0);
  EXPECT_EQ(0, view->ViewX());

  // A picture that fits: no origin to move, the bars go, or stay disabled when kept.
  SetImage(100, 100);
  view->GetMaxViewXY(maxX, maxY);
  EXPECT_EQ(0, maxX);
  EXPECT_EQ(0, maxY);
  EXPECT_FALSE(style() & WS_HSCROLL);
  EXPECT_FALSE(style() & WS_VSCROLL);
  view->SetKeepScrollBars(true);
  view->Update();
  EXPECT_TRUE(style() & WS_HSCROLL);
  EXPECT_TRUE(style() & WS_VSCROLL);
}
