// Selections made through the view's own calls: the stored corners and the mask, the marching
// ants and the grid on the window, the animation timer, and a stored selection read back into
// a smaller picture.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using view_fixture::Pump;
using view_fixture::ViewWindow;

namespace {

class Selection : public ViewWindow {
 protected:
  // A 100 x 100 grey picture in a 200 x 150 client (bitmap (0, 0) at client (50, 25)),
  // selection coordinates in bitmap pixels.
  void Make() {
    MakeView();
    SetImage(100, 100, 0x808080);
    view->SetSelectionBase(iesbBitmap);
  }
  std::string Points() {
    std::string text;
    const POINT* p = view->GetSelectionPolygon();
    for (int32_t i = 0; i < view->GetSelectionPolygonCount(); ++i)
      text += (i ? " " : "") + std::to_string(p[i].x) + "," + std::to_string(p[i].y);
    return text;
  }
  std::string MaskBox() {
    TIEMask* mask = view->SelectionMask();
    if (mask->IsEmpty()) return "empty";
    return std::to_string(mask->X1()) + "," + std::to_string(mask->Y1()) + "-" + std::to_string(mask->X2()) + "," +
           std::to_string(mask->Y2());
  }
  // What the window shows, read through a paint into a bitmap of our own.
  void Capture() {
    window.SetPixelFormat(vcl::pf24bit);
    window.SetWidth(view->Width());
    window.SetHeight(view->Height());
    view->PaintTo(window.Canvas()->Handle(), 0, 0);
    GdiFlush();
  }
  uint32_t Pixel(int32_t x, int32_t y) {
    const auto* p = static_cast<const uint8_t*>(window.ScanLine(y)) + x * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
  }
  vcl::TBitmap window;
};

}  // namespace

TEST_F(Selection, RectanglesAreOrderedClampedAndFilled) {
  struct Case {
    const char* name;
    RECT first;
    RECT second;
    int32_t operation;
    const char* points;
    const char* box;
  };
  const Case cases[] = {
      {"corners in any order", {50, 40, 10, 10}, {0, 0, 0, 0}, 0, "10,10 50,10 50,40 10,40", "10,10-49,39"},
      {"clamped to the bitmap", {-10, -10, 500, 500}, {0, 0, 0, 0}, 0, "0,0 100,0 100,100 0,100", "0,0-99,99"},
      {"a line changes nothing", {10, 10, 30, 30}, {10, 10, 10, 50}, 0, "10,10 30,10 30,30 10,30", "10,10-29,29"},
      {"added after a separator",
       {10, 10, 20, 20},
       {60, 60, 70, 80},
       1,
       "10,10 20,10 20,20 10,20 1048575,1048575 60,60 70,60 70,80 60,80",
       "10,10-69,79"},
      {"replaced", {10, 10, 20, 20}, {60, 60, 70, 80}, 0, "60,60 70,60 70,80 60,80", "60,60-69,79"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Make();
    view->Select(c.first.left, c.first.top, c.first.right, c.first.bottom, 0);
    if (c.second.right != 0)
      view->Select(c.second.left, c.second.top, c.second.right, c.second.bottom, c.operation);
    EXPECT_TRUE(view->Selected());
    EXPECT_EQ(c.points, Points());
    EXPECT_EQ(c.box, MaskBox());
  }
  // Both rectangles are in the mask, nothing between them.
  Make();
  view->Select(10, 10, 20, 20, 0);
  view->Select(60, 60, 70, 80, 1);
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(15, 15));
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(65, 75));
  EXPECT_FALSE(view->SelectionMask()->IsPixelSet(40, 40));
}

TEST_F(Selection, ClientCoordinatesGoThroughTheCurrentLayer) {
  MakeView();
  SetImage(100, 100, 0x808080);
  view->Select(60, 35, 100, 75, 0);
  EXPECT_EQ("10,10 50,10 50,50 10,50", Points());
}

TEST_F(Selection, ASelectionThatCoversNothingEndsAsNone) {
  Make();
  for (POINT p : std::vector<POINT>{{10, 10}, {20, 20}, {30, 30}}) view->AddSelectionPoint(p.x, p.y);
  EXPECT_TRUE(view->Selected());
  view->EndSelect();
  EXPECT_FALSE(view->Selected());
  EXPECT_EQ(0, view->GetSelectionPolygonCount());
}

// The outline runs four pixels of each colour, starting at the animation phase; the phase
// counts the timer's ticks, 0 .. 9.
TEST_F(Selection, MarchingAntsStartAtThePhase) {
  struct Case {
    int32_t ticks;
    // The top edge after its first pixel (the corner, which the left edge, drawn last, paints
    // again): R colour 1, B colour 2.
    const char* top;
  };
  const Case cases[] = {{0, "RRRBBBBRRR"}, {3, "BBBBRRRRBB"}, {8, "RRRRBBBBRR"}, {9, "RRRRBBBBRR"}, {10, "RRRBBBBRRR"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticks);
    Make();
    view->SetSelectionOptions(iesoAnimated);  // no grips over the corners
    view->SetSelectionColor1(0x0000FF);
    view->SetSelectionColor2(0xFF0000);
    // A polygon being built: no mask yet, the point list is drawn.
    for (POINT p : std::vector<POINT>{{10, 10}, {50, 10}, {50, 50}, {10, 50}}) view->AddSelectionPoint(p.x, p.y);
    ASSERT_NE(nullptr, view->SelectionTimer());
    EXPECT_TRUE(view->SelectionTimer()->Enabled());
    for (int32_t i = 0; i < c.ticks; ++i) view->AnimationTimerTick(view->SelectionTimer());
    EXPECT_EQ(c.ticks % 10, view->SelectionAnimationPhase());
    // After each edge the application may draw at its end: the corners 1, 2, 3 and 0.
    std::string corners;
    view->OnDrawPolygon = [&](vcl::TObject*, int32_t, int32_t point, vcl::TCanvas*, int32_t x, int32_t y) {
      corners += std::to_string(point) + "@" + std::to_string(x) + "," + std::to_string(y) + " ";
    };
    Capture();
    view->OnDrawPolygon = nullptr;
    EXPECT_EQ("1@99,35 2@99,74 3@60,74 0@60,35 ", corners);
    std::string top;
    for (int32_t x = 61; x < 71; ++x) {
      const uint32_t p = Pixel(x, 35);
      top += p == 0xFF0000 ? 'R' : p == 0x0000FF ? 'B' : '?';
    }
    EXPECT_EQ(c.top, top);
    // The rectangle's last column and row are the ones before its exclusive corner.
    EXPECT_NE(0x808080u, Pixel(99, 60));
    EXPECT_EQ(0x808080u, Pixel(100, 60));
  }
}

TEST_F(Selection, AFinishedRectangleShowsItsGripsAndTheGrid) {
  for (int32_t grid : {1, 3}) {
    SCOPED_TRACE(grid);
    Make();
    view->SetSelectionGridSize(grid);
    view->Select(10, 10, 70, 70, 0);
    Capture();
    // Client rectangle (60, 35) .. (120, 95): grey lines at its thirds.
    const uint32_t line = grid == 3 ? 0xA0A0A0u : 0x808080u;
    EXPECT_EQ(line, Pixel(90, 55));
    EXPECT_EQ(line, Pixel(90, 75));
    EXPECT_EQ(line, Pixel(80, 65));
    EXPECT_EQ(line, Pixel(100, 85));
    EXPECT_EQ(0x808080u, Pixel(90, 65));
    // A round grip on the top-left corner, in the grip colour, also outside the selection.
    EXPECT_EQ(0xFFFFBAu, Pixel(62, 32));
    EXPECT_EQ(0xFFFFBAu, Pixel(90, 32));  // the top edge's grip
    EXPECT_EQ(0x808080u, Pixel(75, 30));
  }
}

TEST_F(Selection, TheTimerRunsOnlyWhileASelectionIsShown) {
  Make();
  ASSERT_NE(nullptr, view->SelectionTimer());
  view->AnimationTimerTick(view->SelectionTimer());
  EXPECT_FALSE(view->SelectionTimer()->Enabled());
  view->Select(10, 10, 50, 50, 0);
  EXPECT_TRUE(view->SelectionTimer()->Enabled());
  view->ClearSelection();
  EXPECT_FALSE(view->SelectionShown());
  view->AnimationTimerTick(view->SelectionTimer());
  EXPECT_FALSE(view->SelectionTimer()->Enabled());
  // A view without an owner is a workspace: no timer at all.
  TImageView workspace(nullptr);
  EXPECT_EQ(nullptr, workspace.SelectionTimer());
}

TEST_F(Selection, ZoomSelectionFitsTheSelectionAndRemovesIt) {
  Make();
  view->Select(20, 30, 70, 55, 0);  // 50 x 25
  double fired = 0;
  view->OnZoomIn = [&](vcl::TObject*, double& zoom) { fired = zoom; };
  view->ZoomSelection(true, true);
  EXPECT_EQ(400, fired);
  EXPECT_EQ(400, view->ZoomX());
  EXPECT_EQ(80, view->ViewX());
  EXPECT_EQ(95, view->ViewY());
  EXPECT_FALSE(view->Selected());
  // Without a selection nothing happens.
  view->ZoomSelection(true, true);
  EXPECT_EQ(400, view->ZoomX());
}

// A stored selection read into a smaller picture in mode 1 is moved back inside it.
TEST_F(Selection, AStoredSelectionIsMovedIntoASmallerPicture) {
  struct Case {
    const char* name;
    RECT rect;
    const char* box;
  };
  const Case cases[] = {
      {"past the right side", {80, 10, 100, 30}, "40,10-59,29"},
      {"past both", {70, 80, 100, 100}, "30,40-59,59"},
      {"inside", {10, 10, 30, 30}, "10,10-29,29"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Make();
    view->Select(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, 0);
    vcl::TMemoryStream record;
    view->SaveSelectionToStream(&record);
    SetImage(60, 60, 0x808080);
    record.SetPosition(0);
    view->LoadSelectionFromStream(&record, 1);
    EXPECT_EQ(c.box, MaskBox());
    EXPECT_EQ(60, view->SelectionMask()->Width());
  }
}

// A stored vertex far outside the picture is held to the stored size: drawing it must not
// overflow the coordinate arithmetic.
TEST_F(Selection, AStoredVertexFarOutsideIsHeldToThePicture) {
  Make();
  view->Select(10, 10, 50, 50, 0);
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  const int32_t huge = 2000000000, hugeNegative = -2000000000;
  auto* bytes = static_cast<uint8_t*>(record.Memory());
  std::memcpy(bytes + 12, &huge, 4);  // the first vertex's x (after width, height, count)
  std::memcpy(bytes + 12 + 20, &hugeNegative, 4);  // the third vertex's y
  record.SetPosition(0);
  view->LoadSelectionFromStream(&record, 0);
  ASSERT_EQ(4, view->GetSelectionPolygonCount());
  EXPECT_EQ(100, view->GetSelectionPolygon()[0].x);
  EXPECT_EQ(0, view->GetSelectionPolygon()[2].y);
  view->SetZoom(800);
  Capture();
  view->AnimationTimerTick(view->SelectionTimer());
}

// A move stops at the border, or with iesoCutBorders runs past it in part, never entirely.
TEST_F(Selection, MovedSelectionsStayOnThePicture) {
  struct Case {
    const char* name;
    bool cut;
    bool triangle;
    int32_t dx, dy;
    const char* box;
  };
  const Case cases[] = {
      {"inside", false, false, 10, 5, "20,15-59,54"},
      {"stopped at the border", false, false, 70, 0, "60,10-99,49"},
      {"cut at the border", true, false, 70, 0, "80,10-99,49"},
      {"cut, never wholly outside", true, false, 200, -300, "60,0-99,39"},
      {"a triangle", false, true, 10, 5, "20,15-59,54"},
      {"a triangle cut", true, true, 80, 0, "90,10-99,49"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Make();
    if (c.cut) view->SetSelectionOptions(view->SelectionOptions() | iesoCutBorders);
    if (c.triangle) {
      for (POINT p : std::vector<POINT>{{10, 10}, {50, 10}, {10, 50}}) view->AddSelectionPoint(p.x, p.y);
      view->EndSelect();
    } else {
      view->Select(10, 10, 50, 50, 0);
    }
    view->MoveSelectionBy(c.dx, c.dy);
    EXPECT_TRUE(view->Selected());
    EXPECT_EQ(c.box, MaskBox());
  }
}
