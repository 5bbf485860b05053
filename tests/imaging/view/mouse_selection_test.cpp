// Selections drawn, resized and moved by real mouse messages, mode by mode: the mask and the
// point list after each gesture.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "tests/imaging/view/mouse_fixture.h"

using namespace imaging;
using view_fixture::MouseView;

namespace {

using MouseSelection = MouseView;

std::string Box(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string Points(TImageView* view) {
  std::string text;
  const POINT* p = view->GetSelectionPolygon();
  for (int32_t i = 0; i < view->GetSelectionPolygonCount(); ++i)
    text += (i ? " " : "") + std::to_string(p[i].x) + "," + std::to_string(p[i].y);
  return text;
}

}  // namespace

// Client (x, y) is bitmap (x - 50, y - 25); a rectangle's right and bottom are exclusive.
TEST_F(MouseSelection, EachModeLeavesTheExpectedMask) {
  struct Case {
    const char* name;
    int32_t mode;
    double ratio;
    std::vector<POINT> path;
    const char* box;  // the mask box, inclusive
  };
  const Case cases[] = {
      {"rectangle", miSelect, -1, {{60, 35}, {80, 50}, {100, 75}}, "10,10-49,49"},
      {"rectangle drawn backwards", miSelect, -1, {{100, 75}, {60, 35}}, "10,10-49,49"},
      {"rectangle past the image", miSelect, -1, {{100, 75}, {190, 140}}, "50,50-99,99"},
      {"rectangle at the ratio 0.5", miSelect, 0.5, {{60, 35}, {100, 75}}, "10,10-49,29"},
      {"ellipse 20 x 10", miSelectCircle, -1, {{100, 75}, {120, 85}}, "30,40-69,59"},
      {"lasso", miSelectLasso, -1, {{60, 35}, {100, 35}, {100, 75}, {60, 75}}, "10,10-49,49"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    view->SetMouseInteract(c.mode);
    view->SetFixedSelectionRatio(c.ratio);
    Drag(c.path);
    EXPECT_TRUE(view->Selected());
    EXPECT_EQ(c.box, Box(MaskBox()));
    EXPECT_EQ(view->GetSelectionPolygon() == nullptr, false);
  }
}

TEST_F(MouseSelection, AnEllipseHasAtLeastFiftyPointsAndMoreForLargeRadii) {
  struct Case {
    POINT to;
    int32_t points;
  };
  // trunc(min(rx, ry) x 2 pi) points, at least 50.
  const Case cases[] = {{{103, 78}, 50}, {{120, 85}, 62}, {{100, 75}, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    MakeMouseView();
    view->SetMouseInteract(miSelectCircle);
    Send(WM_LBUTTONDOWN, 100, 75, MK_LBUTTON);
    Send(WM_MOUSEMOVE, c.to.x, c.to.y, MK_LBUTTON);
    EXPECT_EQ(c.points, view->GetSelectionPolygonCount());
    Send(WM_LBUTTONUP, c.to.x, c.to.y);
  }
  // The ellipse without size covers nothing and ends as no selection.
  EXPECT_FALSE(view->Selected());
  EXPECT_EQ(0, view->GetSelectionPolygonCount());
}

TEST_F(MouseSelection, APolygonStaysOpenUntilADoubleClick) {
  MakeMouseView();
  view->SetMouseInteract(miSelectPolygon);
  int32_t changes = 0;
  view->OnSelectionChange = [&](vcl::TObject*) { ++changes; };
  for (POINT p : std::vector<POINT>{{60, 35}, {100, 35}, {100, 75}, {60, 75}}) Click(p.x, p.y);
  EXPECT_EQ("10,10 50,10 50,50 10,50", Points(view));
  EXPECT_TRUE(view->SelectionMask()->IsEmpty());
  EXPECT_EQ(0, changes);
  // The double click presses once more on the last vertex; that press is dropped.
  Send(WM_LBUTTONDBLCLK, 60, 75, MK_LBUTTON);
  Send(WM_LBUTTONUP, 60, 75);
  EXPECT_EQ("10,10 50,10 50,50 10,50", Points(view));
  EXPECT_EQ("10,10-49,49", Box(MaskBox()));
  EXPECT_EQ(1, changes);
  // The next click starts a new polygon.
  Click(120, 95);
  EXPECT_EQ("70,70", Points(view));
}

TEST_F(MouseSelection, ChangingTheModeEndsAnOpenPolygon) {
  MakeMouseView();
  view->SetMouseInteract(miSelectPolygon);
  for (POINT p : std::vector<POINT>{{60, 35}, {100, 35}, {100, 75}, {70, 70}}) Click(p.x, p.y);
  view->SetMouseInteract(miSelect);
  EXPECT_EQ("10,10 50,10 50,50", Points(view));
  EXPECT_FALSE(view->SelectionMask()->IsEmpty());
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(40, 20));
  EXPECT_FALSE(view->SelectionMask()->IsPixelSet(15, 40));
}

TEST_F(MouseSelection, ShiftAddsAnotherRectangle) {
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  Drag({{60, 35}, {70, 45}});
  Drag({{110, 85}, {120, 95}}, MK_SHIFT);
  // 4 corners, the separator, 4 corners.
  ASSERT_EQ(9, view->GetSelectionPolygonCount());
  EXPECT_EQ(TIEMask::PolygonSeparator, view->GetSelectionPolygon()[4].x);
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(15, 15));
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(65, 65));
  EXPECT_FALSE(view->SelectionMask()->IsPixelSet(40, 40));
  // Without Shift the next rectangle replaces both.
  Drag({{130, 110}, {140, 120}});
  EXPECT_EQ(4, view->GetSelectionPolygonCount());
  EXPECT_FALSE(view->SelectionMask()->IsPixelSet(65, 65));
}

TEST_F(MouseSelection, APlainClickClearsTheSelection) {
  for (int32_t mode : {miSelect, miSelectLasso, miSelectCircle}) {
    SCOPED_TRACE(mode);
    MakeMouseView();
    view->SetMouseInteract(miSelect);
    Drag({{60, 35}, {100, 75}});
    ASSERT_TRUE(view->Selected());
    view->SetMouseInteract(mode);
    Click(130, 110);  // outside the selection
    EXPECT_FALSE(view->Selected());
    EXPECT_TRUE(view->SelectionMask()->IsEmpty());
  }
}

TEST_F(MouseSelection, DraggingInsideMovesTheSelection) {
  struct Case {
    const char* name;
    int32_t options;
    std::vector<POINT> path;
    const char* box;
  };
  const Case cases[] = {
      {"a short move", 0, {{70, 45}, {75, 48}, {80, 50}}, "20,15-59,54"},
      {"stopped at the border", 0, {{70, 45}, {200, 45}}, "60,10-99,49"},
      {"cut at the border", iesoCutBorders, {{70, 45}, {140, 45}}, "80,10-99,49"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    view->SetMouseInteract(miSelect);
    Drag({{60, 35}, {100, 75}});
    view->SetSelectionOptions(view->SelectionOptions() | c.options);
    Drag(c.path);
    EXPECT_EQ(c.box, Box(MaskBox()));
  }
}

TEST_F(MouseSelection, GripsResizeTheRectangleAndTurnOverPastTheOppositeSide) {
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  Drag({{60, 35}, {100, 75}});
  ASSERT_EQ("10,10 50,10 50,50 10,50", Points(view));
  // The bottom-right corner: the pixel under the mouse joins the selection.
  Drag({{100, 75}, {110, 85}});
  EXPECT_EQ("10,10 61,10 61,61 10,61", Points(view));
  EXPECT_EQ("10,10-60,60", Box(MaskBox()));
  // The top-left corner dragged past the right side becomes the top-right one.
  Send(WM_LBUTTONDOWN, 60, 35, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 130, 35, MK_LBUTTON);
  EXPECT_EQ("61,10 80,10 80,61 61,61", Points(view));
  Send(WM_MOUSEMOVE, 140, 35, MK_LBUTTON);
  EXPECT_EQ("61,10 91,10 91,61 61,61", Points(view));  // now a right-hand grip
  Send(WM_LBUTTONUP, 140, 35);
  EXPECT_EQ("61,10-90,60", Box(MaskBox()));
  // The right edge moves only the right side.
  Drag({{141, 60}, {121, 60}});
  EXPECT_EQ("61,10 72,10 72,61 61,61", Points(view));
}

TEST_F(MouseSelection, AFixedSizeRectangleFollowsTheMouse) {
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  view->SetFixedSelectionRatio(0);
  view->SetFixedSelectionSize(20, 10);
  Drag({{100, 75}});
  // Centred on the press: 50 - 10 .. 50 + 10 - 1 (exclusive), 50 - 5 .. 50 + 5 - 1.
  EXPECT_EQ("40,45-58,53", Box(MaskBox()));
}

TEST_F(MouseSelection, TheMagicWandSelectsTheRegionUnderTheClick) {
  struct Case {
    const char* name;
    int32_t mode;
  };
  const Case cases[] = {{"outline", 0}, {"flood fill", 1}, {"similar colours", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    TIEBitmap* bitmap = view->GetIEBitmap();
    for (int32_t y = 20; y < 40; ++y)
      for (int32_t x = 30; x < 60; ++x) bitmap->SetPixel24(x, y, TRGB{0, 0, 255});
    Settle();
    view->SetMouseInteract(miSelectMagicWand);
    view->SetMagicWandMode(c.mode);
    Click(90, 55);  // bitmap (40, 30)
    EXPECT_TRUE(view->Selected());
    EXPECT_TRUE(view->SelectionMask()->IsPixelSet(40, 30));
    EXPECT_TRUE(view->SelectionMask()->IsPixelSet(30, 20));
    EXPECT_TRUE(view->SelectionMask()->IsPixelSet(59, 39));
    EXPECT_FALSE(view->SelectionMask()->IsPixelSet(29, 20));
    EXPECT_FALSE(view->SelectionMask()->IsPixelSet(40, 40));
    // A click beside the image selects nothing more.
    Click(10, 10, MK_SHIFT);
    EXPECT_FALSE(view->SelectionMask()->IsPixelSet(0, 0));
  }
}

TEST_F(MouseSelection, SelectionEventsSeeTheUsersSelectionBase) {
  MakeMouseView();
  view->SetSelectionBase(iesbBitmap);
  view->SetMouseInteract(miSelect);
  std::vector<std::string> log;
  auto record = [&](const char* name) {
    return [&, name](vcl::TObject*) {
      log.push_back(std::string(name) + (view->SelectionBase() == iesbBitmap ? " bitmap" : " client"));
    };
  };
  view->OnBeforeSelectionChange = record("before");
  view->OnSelectionChanging = record("changing");
  view->OnSelectionChange = record("change");
  Drag({{60, 35}, {100, 75}});
  EXPECT_EQ((std::vector<std::string>{"before bitmap", "changing bitmap", "changing bitmap", "change bitmap"}), log);
  EXPECT_EQ(iesbBitmap, view->SelectionBase());
}

TEST_F(MouseSelection, CursorsTellWhatAPressWouldDo) {
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  Drag({{60, 35}, {100, 75}});
  struct Case {
    POINT at;
    WPARAM keys;
    vcl::TCursor cursor;
  };
  const Case cases[] = {
      {{60, 35}, 0, 1786},           // top-left corner
      {{100, 35}, 0, 1788},          // top-right corner
      {{100, 55}, 0, 1789},          // right edge
      {{80, 75}, 0, 1787},           // bottom edge
      {{80, 55}, 0, 1790},           // inside: a press moves it
      {{130, 110}, 0, crIECross},    // elsewhere
      {{130, 110}, MK_SHIFT, 1791},  // Shift adds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.at.x << "," << c.at.y);
    Send(WM_MOUSEMOVE, c.at.x, c.at.y, c.keys);
    EXPECT_EQ(c.cursor, view->Cursor());
  }
}

namespace {

// Holds a key down for this thread while it lives, as GetKeyState reports it.
class HeldKey {
 public:
  explicit HeldKey(int key) : key_(key) { Set(0x80); }
  ~HeldKey() { Set(0); }

 private:
  void Set(BYTE value) {
    BYTE state[256];
    GetKeyboardState(state);
    state[key_] = value;
    SetKeyboardState(state);
  }
  int key_;
};

}  // namespace

// Alt, or the forced-Alt flag that stands for it, makes squares, circles and 45-degree edges.
TEST_F(MouseSelection, AltMakesSquaresCirclesAndStraightEdges) {
  struct Case {
    const char* name;
    int32_t mode;
    bool forced;
    std::vector<POINT> path;
    const char* box;
  };
  const Case cases[] = {
      {"square, forced", miSelect, true, {{60, 35}, {100, 55}}, "10,10-49,49"},
      {"square, held", miSelect, false, {{60, 35}, {100, 55}}, "10,10-49,49"},
      {"circle, forced", miSelectCircle, true, {{100, 75}, {120, 80}}, "30,30-69,69"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    view->SetMouseInteract(c.mode);
    view->SetForceAlt(c.forced);
    {
      std::unique_ptr<HeldKey> alt;
      if (!c.forced) alt = std::make_unique<HeldKey>(VK_MENU);
      Drag(c.path);
    }
    EXPECT_EQ(c.box, Box(MaskBox()));
  }
  // A polygon's next vertex snaps to the horizontal through the last one.
  MakeMouseView();
  view->SetMouseInteract(miSelectPolygon);
  view->SetForceAlt(true);
  Click(60, 35);
  Click(100, 38);
  Click(100, 80);
  EXPECT_EQ("10,10 50,10 50,55", Points(view));
}

TEST_F(MouseSelection, TheRightButtonEndsAPolygonWhenAskedTo) {
  for (bool option : {false, true}) {
    SCOPED_TRACE(option);
    MakeMouseView();
    view->SetMouseInteract(miSelectPolygon);
    if (option) view->SetSelectionOptions(view->SelectionOptions() | iesoRightButtonTerminatePolySelect);
    for (POINT p : std::vector<POINT>{{60, 35}, {100, 35}, {100, 75}}) Click(p.x, p.y);
    Click(60, 75, 0, true);
    EXPECT_EQ("10,10 50,10 50,50", Points(view));
    EXPECT_EQ(option, !view->SelectionMask()->IsEmpty());
  }
  // A lasso is not ended by a double click: it ends at its release.
  MakeMouseView();
  view->SetMouseInteract(miSelectLasso);
  Send(WM_LBUTTONDOWN, 60, 35, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 100, 35, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 100, 75, MK_LBUTTON);
  Send(WM_LBUTTONUP, 100, 75);
  EXPECT_EQ("10,10 50,10 50,50", Points(view));
  EXPECT_FALSE(view->SelectionMask()->IsEmpty());
}

TEST_F(MouseSelection, DraggingPastTheImageScrollsAndTheAnchorStaysOnItsPixel) {
  MakeMouseView(400, 300);
  view->SetMouseInteract(miSelect);
  Drag({{100, 100}, {230, 120}});
  EXPECT_EQ(200, view->ViewX());
  EXPECT_EQ(0, view->ViewY());
  EXPECT_EQ("100,100-399,119", Box(MaskBox()));
}

TEST_F(MouseSelection, ShiftShowsTheAddingCursorAndHoverEventsFire) {
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  Drag({{60, 35}, {100, 75}});
  std::vector<int32_t> grips;
  int32_t inSelection = 0;
  view->OnMouseInResizingGrip = [&](vcl::TObject*, int32_t grip) { grips.push_back(grip); };
  view->OnMouseInSel = [&](vcl::TObject*) { ++inSelection; };
  Send(WM_MOUSEMOVE, 100, 75);
  Send(WM_MOUSEMOVE, 80, 55);
  Send(WM_MOUSEMOVE, 130, 110);
  EXPECT_EQ((std::vector<int32_t>{3, 0, 0}), grips);
  EXPECT_EQ(1, inSelection);
  view->SetFocus();
  {
    HeldKey shift(VK_SHIFT);
    SendMessageW(view->Handle(), WM_KEYDOWN, VK_SHIFT, 1);
    EXPECT_EQ(1791, view->Cursor());
  }
  SendMessageW(view->Handle(), WM_KEYUP, VK_SHIFT, 0xC0000001);
  EXPECT_EQ(crIECross, view->Cursor());
}
