// The arrow and range bars on real windows: geometry of buttons, track, handle and zones, the
// position model, the repeat timer (ticked by the test, and once by the real timer), paging,
// dragging, the wheel, hover tracking, drawing and form data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bitmap/controls/range_bars.h"
#include "tests/bitmap/controls/controls_fixture.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/timer.h"

// After the platform's headers, which it needs.
#include <vsstyle.h>

using namespace bitmap;
using namespace controls_fixture;

namespace {

// A range bar whose timer the test ticks itself.
class TProbeBar : public TCustomRangeBar {
 public:
  using TCustomRangeBar::TCustomRangeBar;
  using TCustomRangeBar::CanScroll;
  using TCustomRangeBar::GetHandleRect;
  using TArrowBar::RepeatTimer;
  void Tick() { TimerTick(); }
  // The zones as a press and the pointer would leave them, without moving anything.
  void ShowZones(TBarZone pressed, TBarZone hover) {
    pressedZone_ = pressed;
    hoverZone_ = hover;
  }
};

class RangeBarTest : public ControlsTest {
 protected:
  TProbeBar* NewBar(int w, int h, vcl::TBorderStyle border = vcl::bsNone, TScrollBarKind kind = vcl::sbHorizontal) {
    if (!form) ShownForm();
    auto* bar = new TProbeBar(form.get());
    bar->SetParent(form.get());
    bar->SetKind(kind);
    bar->SetBorderStyle(border);
    bar->SetBounds(10, 10, w, h);
    Pump();
    return bar;
  }
  // A bar 100 x 16 without border: buttons 16 long, a 68-pixel track from 16 to 84.
  TProbeBar* StandardBar(int range, int window, float position = 0) {
    TProbeBar* bar = NewBar(100, 16);
    bar->SetParams(range, window);
    bar->SetPosition(position);
    return bar;
  }
  static void Press(TArrowBar* bar, int x, int y) {
    SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  }
  static void Release(TArrowBar* bar, int x, int y) { SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
  static void Move(TArrowBar* bar, int x, int y, WPARAM keys = 0) {
    SendMessageA(bar->Handle(), WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
  }
  // Puts the pointer on a client point of the bar (paging reads where the pointer is).
  static void PointAt(TArrowBar* bar, int x, int y) {
    POINT p{x, y};
    ClientToScreen(bar->Handle(), &p);
    SetCursorPos(p.x, p.y);
  }
};

struct GeometryCase {
  const char* name;
  int w, h;
  vcl::TBorderStyle border;
  TScrollBarKind kind;
  int buttonSizeProperty;
  bool showArrows;
  TRBStyle style;
  int clientW, clientH, buttonSize;
  RECT track;
};

class BarGeometry : public RangeBarTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(BarGeometry, ButtonsAndTrack) {
  const GeometryCase& c = GetParam();
  TProbeBar* bar = NewBar(c.w, c.h, c.border, c.kind);
  bar->SetButtonSize(c.buttonSizeProperty);
  bar->SetShowArrows(c.showArrows);
  bar->SetStyle(c.style);
  EXPECT_EQ(bar->ClientWidth(), c.clientW);
  EXPECT_EQ(bar->ClientHeight(), c.clientH);
  EXPECT_EQ(bar->GetButtonSize(), c.buttonSize);
  const RECT track = bar->GetTrackRect();
  EXPECT_EQ(track.left, c.track.left);
  EXPECT_EQ(track.top, c.track.top);
  EXPECT_EQ(track.right, c.track.right);
  EXPECT_EQ(track.bottom, c.track.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BarGeometry,
    ::testing::Values(
        GeometryCase{"NoBorder", 100, 16, vcl::bsNone, vcl::sbHorizontal, 0, true, rbsDefault, 100, 16, 16, {16, 0, 84, 16}},
        GeometryCase{"SingleBorder", 100, 16, vcl::bsSingle, vcl::sbHorizontal, 0, true, rbsDefault, 98, 14, 14, {14, 0, 84, 14}},
        GeometryCase{"ShortBarHalvesTheLength", 20, 16, vcl::bsNone, vcl::sbHorizontal, 0, true, rbsDefault, 20, 16, 10, {10, 0, 10, 16}},
        GeometryCase{"ThickBarButtonsAtMost32", 200, 40, vcl::bsNone, vcl::sbHorizontal, 0, true, rbsDefault, 200, 40, 32, {32, 0, 168, 40}},
        GeometryCase{"OwnButtonSize", 100, 16, vcl::bsNone, vcl::sbHorizontal, 40, true, rbsDefault, 100, 16, 40, {40, 0, 60, 16}},
        GeometryCase{"OwnButtonSizeTooLong", 100, 16, vcl::bsNone, vcl::sbHorizontal, 60, true, rbsDefault, 100, 16, 50, {50, 0, 50, 16}},
        GeometryCase{"FlatLookOnePixelShorter", 100, 16, vcl::bsNone, vcl::sbHorizontal, 0, true, rbsMac, 100, 16, 15, {15, 0, 85, 16}},
        GeometryCase{"NoArrows", 100, 16, vcl::bsNone, vcl::sbHorizontal, 0, false, rbsDefault, 100, 16, 0, {0, 0, 100, 16}},
        GeometryCase{"TinyButtonsBecomeNone", 3, 16, vcl::bsNone, vcl::sbHorizontal, 0, true, rbsDefault, 3, 16, 0, {0, 0, 3, 16}},
        GeometryCase{"Vertical", 16, 100, vcl::bsNone, vcl::sbVertical, 0, true, rbsDefault, 16, 100, 16, {0, 16, 16, 84}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeBarTest, HandleIsNeverShorterThan17Pixels) {
  struct Case {
    int window;
    float position;
    RECT handle;
  };
  // Range 1000 on a 68-pixel track: window 100 gives Round(6.8) = 7, so 17 pixels moving over
  // 51; window 500 gives 34 pixels placed by the plain ratio.
  for (Case c : {Case{100, 0, {16, 0, 33, 16}}, Case{100, 900, {67, 0, 84, 16}}, Case{100, 450, {42, 0, 59, 16}},
                 Case{500, 0, {16, 0, 50, 16}}, Case{500, 250, {33, 0, 67, 16}}, Case{1000, 0, {16, 0, 84, 16}}}) {
    TProbeBar* bar = StandardBar(1000, c.window, c.position);
    const RECT h = bar->GetHandleRect();
    EXPECT_EQ(h.left, c.handle.left) << c.window << " " << c.position;
    EXPECT_EQ(h.right, c.handle.right) << c.window << " " << c.position;
    EXPECT_EQ(h.top, 0);
    EXPECT_EQ(h.bottom, 16);
  }
  // No room for a handle at all.
  TProbeBar* shortBar = NewBar(20, 16);
  shortBar->SetParams(1000, 10);
  const RECT none = shortBar->GetHandleRect();
  EXPECT_TRUE(IsRectEmpty(&none));
}

TEST_F(RangeBarTest, ZonesAlongTheBar) {
  TProbeBar* bar = StandardBar(1000, 500, 250);  // handle 33 .. 67
  struct Case {
    int x, y;
    TBarZone zone;
  };
  for (Case c : {Case{0, 8, zoneFirstButton}, Case{15, 8, zoneFirstButton}, Case{16, 8, zoneTrackBefore},
                 Case{32, 8, zoneTrackBefore}, Case{33, 8, zoneHandle}, Case{66, 8, zoneHandle},
                 Case{67, 8, zoneTrackAfter}, Case{83, 8, zoneTrackAfter}, Case{84, 8, zoneLastButton},
                 Case{99, 15, zoneLastButton}, Case{50, 16, zoneNone}, Case{-1, 8, zoneNone}})
    EXPECT_EQ(bar->GetZone(c.x, c.y), c.zone) << c.x << "," << c.y;
  // Without arrows the outermost pixel lines belong to no zone.
  bar->SetShowArrows(false);
  EXPECT_EQ(bar->GetZone(0, 8), zoneNone);
  EXPECT_EQ(bar->GetZone(99, 8), zoneNone);
  EXPECT_EQ(bar->GetZone(1, 8), zoneTrackBefore);
  // The zone rectangles split the track at the handle.
  bar->SetShowArrows(true);
  const RECT before = bar->GetZoneRect(zoneTrackBefore), after = bar->GetZoneRect(zoneTrackAfter);
  EXPECT_EQ(before.left, 16);
  EXPECT_EQ(before.right, 33);
  EXPECT_EQ(after.left, 67);
  EXPECT_EQ(after.right, 84);
}

TEST_F(RangeBarTest, PositionStaysInsideTheRange) {
  TProbeBar* bar = StandardBar(1000, 100);
  std::vector<float> changes;
  bar->OnChange = [&](vcl::TObject*) { changes.push_back(bar->Position()); };
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetPosition(2000);
  EXPECT_EQ(bar->Position(), 900);
  bar->SetPosition(450.5f);
  EXPECT_EQ(bar->Position(), 450.5f);
  bar->SetPosition(450.5f);
  EXPECT_EQ(changes, (std::vector<float>{900, 450.5f}));
  bar->SetPosition(std::nanf(""));  // not a number: the start
  EXPECT_EQ(bar->Position(), 0);
  // A window at least as large as the range pins the position at 0.
  bar->SetParams(100, 300);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetParams(-10, -10);
  EXPECT_EQ(bar->Range(), 0);
  EXPECT_EQ(bar->Window(), 0);
}

TEST_F(RangeBarTest, NothingToScrollMeansNoPressAndNoHandle) {
  TProbeBar* bar = StandardBar(50, 100);
  EXPECT_FALSE(bar->CanScroll());
  int changes = 0;
  bar->OnChange = [&](vcl::TObject*) { ++changes; };
  Press(bar, 90, 8);
  EXPECT_EQ(bar->PressedZone(), zoneNone);
  EXPECT_FALSE(bar->RepeatTimer()->Enabled());
  Release(bar, 90, 8);
  EXPECT_EQ(changes, 0);
  // Drawn with disabled arrows and no handle: the track is one pattern end to end.
  auto shown = CaptureClient(bar);
  EXPECT_EQ(shown->GetPixelSafe(30, 8), shown->GetPixelSafe(32, 8));
  EXPECT_EQ(shown->GetPixelSafe(50, 8), shown->GetPixelSafe(70, 8));
}

TEST_F(RangeBarTest, HeldButtonStepsAtOnceThenAfterTheDelayThenEveryInterval) {
  TProbeBar* bar = StandardBar(1000, 100, 20);
  std::vector<std::string> reports;
  bar->OnChange = [&](vcl::TObject*) { reports.push_back("change " + std::to_string(int(bar->Position()))); };
  bar->OnUserChange = [&](vcl::TObject*) { reports.push_back("user"); };
  Press(bar, 5, 8);
  vcl::TTimer* timer = bar->RepeatTimer();
  EXPECT_EQ(bar->PressedZone(), zoneFirstButton);
  EXPECT_EQ(bar->Position(), 12);  // one step at once
  EXPECT_EQ(bar->TimerMode(), tmWaitForRepeat);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 600u);
  bar->Tick();  // 600 ms later: repeating starts, at 100 ms
  EXPECT_EQ(bar->TimerMode(), tmRepeating);
  EXPECT_EQ(timer->Interval(), 100u);
  EXPECT_EQ(bar->Position(), 4);
  bar->Tick();
  EXPECT_EQ(bar->Position(), 0);
  bar->Tick();  // nothing left to move: the repeat stops and hovering begins
  EXPECT_EQ(bar->TimerMode(), tmHovering);
  EXPECT_EQ(timer->Interval(), 150u);
  Release(bar, 5, 8);
  EXPECT_EQ(bar->PressedZone(), zoneNone);
  EXPECT_EQ(reports, (std::vector<std::string>{"change 12", "user", "change 4", "user", "change 0", "user"}));
}

TEST_F(RangeBarTest, PressAtTheEndDoesNotStartRepeating) {
  TProbeBar* bar = StandardBar(1000, 100, 0);
  Press(bar, 5, 8);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(bar->TimerMode(), tmHovering);
  EXPECT_EQ(bar->RepeatTimer()->Interval(), 150u);
  Release(bar, 5, 8);
}

TEST_F(RangeBarTest, RealTimerRepeatsUntilTheEnd) {
  TProbeBar* bar = StandardBar(1000, 100, 876);
  std::vector<int> positions;
  bar->OnUserChange = [&](vcl::TObject*) { positions.push_back(int(bar->Position())); };
  Press(bar, 95, 8);
  ASSERT_TRUE(PumpUntil([&] { return bar->TimerMode() == tmHovering || bar->TimerMode() == tmNone; }, 10000));
  Release(bar, 95, 8);
  EXPECT_EQ(positions, (std::vector<int>{884, 892, 900}));
}

TEST_F(RangeBarTest, PagingStopsWhereThePointerIs) {
  TProbeBar* bar = StandardBar(1000, 100, 0);  // handle 16 .. 33
  PointAt(bar, 60, 8);
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(bar->Handle(), &p);
  if (p.x != 60) GTEST_SKIP() << "the pointer cannot be placed on this display";
  Press(bar, 60, 8);
  EXPECT_EQ(bar->PressedZone(), zoneTrackAfter);
  EXPECT_EQ(bar->Position(), 100);  // a page at once: handle now at 16 + Round(51 * 100 / 900) = 22
  bar->Tick();
  bar->Tick();
  bar->Tick();
  bar->Tick();
  // 400 puts the handle at 39 .. 56, 500 at 44 .. 61, over the pointer: paging has stopped.
  EXPECT_EQ(bar->Position(), 500);
  bar->Tick();
  EXPECT_EQ(bar->Position(), 500);
  Release(bar, 60, 8);
}

TEST_F(RangeBarTest, DraggingTheHandle) {
  struct Case {
    int window;
    float start;
    int dx;
    float expected;
  };
  // A handle kept at 17 pixels maps the 51 free pixels onto the 900 free positions (rounded);
  // a larger one maps the track onto the range.
  for (Case c : {Case{100, 0, 10, 176}, Case{100, 0, -10, 0}, Case{500, 0, 10, 1000.0f * 10 / 68},
                 Case{500, 250, -10, 250 - 1000.0f * 10 / 68}}) {
    TProbeBar* bar = StandardBar(1000, c.window, c.start);
    int userChanges = 0;
    bar->OnUserChange = [&](vcl::TObject*) { ++userChanges; };
    const RECT handle = bar->GetHandleRect();
    const int x = handle.left + 5;
    Press(bar, x, 8);
    ASSERT_EQ(bar->PressedZone(), zoneHandle);
    EXPECT_EQ(bar->Position(), c.start);  // pressing the handle does not step
    Move(bar, x + c.dx, 8, MK_LBUTTON);
    EXPECT_FLOAT_EQ(bar->Position(), c.expected) << c.window << " " << c.dx;
    EXPECT_EQ(userChanges, c.expected != c.start ? 1 : 0);
    Release(bar, x + c.dx, 8);
  }
}

TEST_F(RangeBarTest, ChangesByCodeAreNotTheUsers) {
  TProbeBar* bar = StandardBar(1000, 100, 100);
  std::vector<std::string> reports;
  bar->OnChange = [&](vcl::TObject*) { reports.push_back("change"); };
  bar->OnUserChange = [&](vcl::TObject*) { reports.push_back("user"); };
  bar->SetPosition(200);
  bar->SetParams(2000, 100);  // no event at all
  // The wheel: 120 per notch times Increment / 120.
  bar->Perform(vcl::CM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
  EXPECT_EQ(bar->Position(), 216);
  EXPECT_EQ(reports, (std::vector<std::string>{"change", "change"}));
}

TEST_F(RangeBarTest, CenteredBarKeepsItsCentre) {
  TProbeBar* bar = StandardBar(200, 100, 50);
  bar->SetCentered(true);
  bar->SetRange(400);
  EXPECT_EQ(bar->Position(), 150);  // the centre stays at half the range
  // A resize keeps it too: the window follows the bar's length.
  bar->SetParams(400, 0);
  const float centre = bar->Position() + bar->EffectiveWindow() / 2.0f;
  bar->SetBounds(10, 10, 200, 16);
  EXPECT_EQ(bar->EffectiveWindow(), 200);
  EXPECT_FLOAT_EQ(bar->Position() + 100, centre);
}

TEST_F(RangeBarTest, UncenteredBarFollowsItsLengthToo) {
  TProbeBar* bar = NewBar(100, 16);
  bar->SetParams(150, 0);
  EXPECT_TRUE(bar->CanScroll());
  bar->SetBounds(10, 10, 200, 16);
  EXPECT_EQ(bar->EffectiveWindow(), 200);
  EXPECT_FALSE(bar->CanScroll());
  EXPECT_EQ(bar->Position(), 0);
}

TEST_F(RangeBarTest, HoverFollowsThePointerUntilItLeaves) {
  TProbeBar* bar = StandardBar(1000, 500, 250);
  Move(bar, 40, 8);
  EXPECT_EQ(bar->HoverZone(), zoneHandle);
  EXPECT_EQ(bar->TimerMode(), tmHovering);
  EXPECT_EQ(bar->RepeatTimer()->Interval(), 150u);
  Move(bar, 90, 8);
  EXPECT_EQ(bar->HoverZone(), zoneLastButton);
  bar->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(bar->HoverZone(), zoneNone);
  EXPECT_EQ(bar->TimerMode(), tmNone);
  EXPECT_FALSE(bar->RepeatTimer()->Enabled());
}

TEST_F(RangeBarTest, EveryLookCoversTheWholeBar) {
  struct Case {
    TRBStyle style;
    TRBBackgnd backgnd;
    int window;
    bool enabled;
  };
  for (Case c : {Case{rbsDefault, bgPattern, 100, true}, Case{rbsDefault, bgPattern, 2000, true},
                 Case{rbsMac, bgPattern, 100, true}, Case{rbsMac, bgSolid, 100, true}, Case{rbsMac, bgPattern, 100, false},
                 Case{rbsMac, bgSolid, 2000, true}}) {
    TProbeBar* bar = StandardBar(1000, c.window, 300);
    bar->SetStyle(c.style);
    bar->SetBackgnd(c.backgnd);
    bar->SetEnabled(c.enabled);
    TBitmap32 surface;
    surface.SetSize(100, 16);
    surface.FillColor(0xFF123456);
    SendMessageA(bar->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC()), PRF_CLIENT);
    GdiFlush();
    int untouched = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 100; ++x)
        if ((surface.GetPixelSafe(x, y) & 0xFFFFFF) == 0x123456) ++untouched;
    EXPECT_EQ(untouched, 0) << c.style << " " << c.backgnd << " " << c.window << " " << c.enabled;
  }
}

// Under the platform's visual style (the test prefix has one) the default look draws each
// element as a part of the "SCROLLBAR" theme class, in the state the element is in, and the bar
// shows exactly what the platform draws for those parts. The parts are listed in drawing order:
// the two arrows, the track before and after the handle, then the handle and its gripper.
struct ThemedBarCase {
  const char* name;
  TScrollBarKind kind;
  int window;  // of a range of 1000; 1000 leaves nothing to scroll
  TBarZone pressed, hover;
  bool grip;
  std::vector<std::pair<int, int>> parts;  // part and state
};

class ThemedBar : public RangeBarTest, public ::testing::WithParamInterface<ThemedBarCase> {};

TEST_P(ThemedBar, DrawsTheThemePartsOfItsState) {
  const ThemedBarCase& c = GetParam();
  ASSERT_TRUE(UseThemes()) << "the test prefix has a visual style";
  const bool horizontal = c.kind == vcl::sbHorizontal;
  TProbeBar* bar = horizontal ? NewBar(100, 16) : NewBar(16, 100, vcl::bsNone, c.kind);
  bar->SetParams(1000, c.window);
  bar->SetPosition(250);
  bar->SetShowHandleGrip(c.grip);
  bar->ShowZones(c.pressed, c.hover);
  ThemeSpy spy;
  auto shown = PaintClientOver(bar, 0xFF123456);

  std::vector<ThemePart> expected;
  const TBarZone order[] = {zoneFirstButton, zoneLastButton, zoneTrackBefore, zoneTrackAfter, zoneHandle, zoneHandle};
  for (size_t i = 0; i < c.parts.size(); ++i) {
    const RECT r = bar->GetZoneRect(order[i]);
    expected.push_back(ThemePart{c.parts[i].first, c.parts[i].second, TRect{r.left, r.top, r.right, r.bottom}});
  }
  EXPECT_EQ(spy.parts, expected);
  auto drawn = spy.Draw(expected, shown->Width(), shown->Height(), 0xFF123456);
  int differences = 0;
  for (int y = 0; y < shown->Height(); ++y)
    for (int x = 0; x < shown->Width(); ++x)
      if ((shown->GetPixelSafe(x, y) & 0xFFFFFF) != (drawn->GetPixelSafe(x, y) & 0xFFFFFF)) ++differences;
  EXPECT_EQ(differences, 0);
  bar->ShowZones(zoneNone, zoneNone);
}

INSTANTIATE_TEST_SUITE_P(
    RangeBars, ThemedBar,
    ::testing::Values(
        ThemedBarCase{"HorizontalAtRest", vcl::sbHorizontal, 500, zoneNone, zoneNone, true,
                      {{SBP_ARROWBTN, 9}, {SBP_ARROWBTN, 13}, {SBP_LOWERTRACKHORZ, 1}, {SBP_UPPERTRACKHORZ, 1},
                       {SBP_THUMBBTNHORZ, 1}, {SBP_GRIPPERHORZ, 0}}},
        ThemedBarCase{"VerticalAtRest", vcl::sbVertical, 500, zoneNone, zoneNone, true,
                      {{SBP_ARROWBTN, 1}, {SBP_ARROWBTN, 5}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 1},
                       {SBP_THUMBBTNVERT, 1}, {SBP_GRIPPERVERT, 0}}},
        ThemedBarCase{"HotFirstArrow", vcl::sbHorizontal, 500, zoneNone, zoneFirstButton, false,
                      {{SBP_ARROWBTN, 10}, {SBP_ARROWBTN, 13}, {SBP_LOWERTRACKHORZ, 1}, {SBP_UPPERTRACKHORZ, 1},
                       {SBP_THUMBBTNHORZ, 1}}},
        ThemedBarCase{"PressedLastArrow", vcl::sbVertical, 500, zoneLastButton, zoneNone, false,
                      {{SBP_ARROWBTN, 1}, {SBP_ARROWBTN, 7}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 1},
                       {SBP_THUMBBTNVERT, 1}}},
        ThemedBarCase{"HotHandle", vcl::sbHorizontal, 500, zoneNone, zoneHandle, true,
                      {{SBP_ARROWBTN, 9}, {SBP_ARROWBTN, 13}, {SBP_LOWERTRACKHORZ, 1}, {SBP_UPPERTRACKHORZ, 1},
                       {SBP_THUMBBTNHORZ, 2}, {SBP_GRIPPERHORZ, 0}}},
        ThemedBarCase{"PressedHandle", vcl::sbVertical, 500, zoneHandle, zoneHandle, true,
                      {{SBP_ARROWBTN, 1}, {SBP_ARROWBTN, 5}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 1},
                       {SBP_THUMBBTNVERT, 3}, {SBP_GRIPPERVERT, 0}}},
        // A track is pressed or normal; hovering over it changes nothing.
        ThemedBarCase{"PressedTrackBefore", vcl::sbHorizontal, 500, zoneTrackBefore, zoneTrackAfter, false,
                      {{SBP_ARROWBTN, 9}, {SBP_ARROWBTN, 13}, {SBP_LOWERTRACKHORZ, 3}, {SBP_UPPERTRACKHORZ, 1},
                       {SBP_THUMBBTNHORZ, 1}}},
        ThemedBarCase{"PressedTrackAfter", vcl::sbVertical, 500, zoneTrackAfter, zoneTrackBefore, false,
                      {{SBP_ARROWBTN, 1}, {SBP_ARROWBTN, 5}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 3},
                       {SBP_THUMBBTNVERT, 1}}},
        // Nothing to scroll: disabled arrows, the whole track, no handle.
        ThemedBarCase{"NothingToScroll", vcl::sbHorizontal, 1000, zoneNone, zoneNone, true,
                      {{SBP_ARROWBTN, 12}, {SBP_ARROWBTN, 16}, {SBP_LOWERTRACKHORZ, 1}, {SBP_UPPERTRACKHORZ, 1}}},
        ThemedBarCase{"NothingToScrollVertically", vcl::sbVertical, 1000, zoneNone, zoneNone, true,
                      {{SBP_ARROWBTN, 4}, {SBP_ARROWBTN, 8}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 1}}}),
    [](const ::testing::TestParamInfo<ThemedBarCase>& info) { return std::string(info.param.name); });

TEST_F(RangeBarTest, FlatHandleInItsColour) {
  TProbeBar* bar = StandardBar(1000, 500, 0);
  bar->SetStyle(rbsMac);  // buttons 15 long: the handle is 15 .. 50
  bar->SetHandleColor(vcl::clRed);
  bar->SetShowHandleGrip(false);
  auto shown = CaptureClient(bar);
  EXPECT_EQ(shown->GetPixelSafe(30, 8) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(shown->GetPixelSafe(15, 8) & 0xFFFFFF, ColorToColor32(vcl::clWindowFrame) & 0xFFFFFF);
}

TEST_F(RangeBarTest, SingleBorderIsDrawnOutsideTheClientArea) {
  TProbeBar* bar = NewBar(100, 16, vcl::bsSingle);
  RECT window{};
  GetWindowRect(bar->Handle(), &window);
  EXPECT_EQ(window.right - window.left, 100);
  EXPECT_EQ(bar->ClientWidth(), 98);
  bar->SetBorderStyle(vcl::bsNone);
  EXPECT_EQ(bar->ClientWidth(), 100);
}

TEST(RangeBarColours, AdjustAndMix) {
  EXPECT_EQ(AdjustColor(RGB(250, 10, 100), 24), vcl::TColor(RGB(255, 34, 124)));
  EXPECT_EQ(AdjustColor(RGB(250, 10, 100), -24), vcl::TColor(RGB(226, 0, 76)));
  EXPECT_EQ(MixColors(RGB(255, 255, 255), RGB(0, 0, 0), 128), vcl::TColor(RGB(127, 127, 127)));
  EXPECT_EQ(MixColors(RGB(255, 0, 0), RGB(0, 0, 255), 255), vcl::TColor(RGB(254, 0, 0)));
  EXPECT_EQ(MixColors(vcl::clBlack, vcl::clWhite, 0), vcl::TColor(RGB(254, 254, 254)));
  EXPECT_THROW(MixColors(vcl::clRed, vcl::clBlue, 256), vcl::EAssertionFailed);
}

TEST(RangeBarAccess, SetsMasterAndSlave) {
  TRangeBar master(nullptr), slave(nullptr);
  TArrowBarAccess both(&master, &slave);
  both.SetStyle(rbsMac);
  both.SetButtonSize(12);
  both.SetColor(vcl::clRed);
  both.SetShowArrows(false);
  for (TRangeBar* bar : {&master, &slave}) {
    EXPECT_EQ(bar->Style(), rbsMac);
    EXPECT_EQ(bar->ButtonSize(), 12);
    EXPECT_EQ(bar->Color(), vcl::clRed);
    EXPECT_FALSE(bar->ShowArrows());
  }
  master.SetHandleColor(vcl::clBlue);
  EXPECT_EQ(both.HandleColor(), vcl::clBlue);
  TArrowBarAccess alone(&master, nullptr);
  alone.SetBackgnd(bgSolid);
  EXPECT_EQ(master.Backgnd(), bgSolid);
  EXPECT_EQ(slave.Backgnd(), bgPattern);
}

TEST_F(RangeBarTest, ReadFromFormData) {
  ShownForm();
  ReadFormText("object TestForm: TForm\n"
               "  object Bar: TRangeBar\n"
               "    Left = 5\n    Top = 7\n    Width = 16\n    Height = 120\n"
               "    Kind = sbVertical\n"
               "    Style = rbsMac\n"
               "    BorderStyle = bsNone\n"
               "    Range = 500\n"
               "    Window = 50\n"
               "    Position = 120\n"
               "    Increment = 3\n"
               "    Centered = True\n"
               "  end\n"
               "end\n",
               form.get());
  auto* bar = dynamic_cast<TRangeBar*>(form->FindComponent("Bar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Kind(), vcl::sbVertical);
  EXPECT_EQ(bar->Style(), rbsMac);
  EXPECT_EQ(bar->BorderStyle(), vcl::bsNone);
  EXPECT_EQ(bar->Range(), 500);
  EXPECT_EQ(bar->Window(), 50);
  EXPECT_EQ(bar->Position(), 120);
  EXPECT_EQ(bar->Increment(), 3);
  EXPECT_TRUE(bar->Centered());
  EXPECT_EQ(bar->Color(), vcl::clScrollBar);
  const std::string written = WriteFormText(form.get());
  EXPECT_NE(written.find("Range = 500"), std::string::npos) << written;
  EXPECT_NE(written.find("Kind = sbVertical"), std::string::npos) << written;
}

}  // namespace
