// TsTrackBar: the platform's input (keys, pages, wheel) with OnUserChange, the skinned painting
// of ticks and selection markers, and the hint suppression while the thumb is held.
#include <gtest/gtest.h>

#include "skin/controls/track_bar.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class TrackBars : public SkinnedControls {
 protected:
  TsTrackBar* NewBar(int max = 10) {
    auto* bar = Add<TsTrackBar>(nullptr, 10, 10, 182, 40);
    bar->SetMax(max);
    bar->SetPageSize(3);
    return bar;
  }
};

TEST_F(TrackBars, KeysPagesAndTheWheelMoveTheThumbAndTellTheUser) {
  struct Case {
    UINT msg;
    WPARAM wParam;
    int expected;
  } cases[] = {
      {WM_KEYDOWN, VK_RIGHT, 6}, {WM_KEYDOWN, VK_LEFT, 4},  {WM_KEYDOWN, VK_NEXT, 8},
      {WM_KEYDOWN, VK_PRIOR, 2}, {WM_KEYDOWN, VK_END, 10},  {WM_KEYDOWN, VK_HOME, 0},
      {WM_MOUSEWHEEL, WPARAM(WORD(-WHEEL_DELTA)) << 16, 6},
  };
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    for (const Case& c : cases) {
      auto* bar = NewBar();
      bar->SetPosition(5);
      int userChanges = 0, changes = 0;
      bar->OnUserChange = [&](vcl::TObject*) { ++userChanges; };
      bar->OnChange = [&](vcl::TObject*) { ++changes; };
      bar->SetFocus();
      SendMessageA(bar->Handle(), c.msg, c.wParam, 0);
      EXPECT_EQ(bar->Position(), c.expected) << "skinned " << skinned << " key " << c.wParam;
      EXPECT_GE(userChanges, 1);
      EXPECT_EQ(changes, 1);
      delete bar;
    }
  }
}

TEST_F(TrackBars, TicksFollowThePlatformAndABarWithoutTicksHasNone) {
  ActivateSkin();
  auto* bar = NewBar(4);
  bar->SetTickStyle(vcl::tsAuto);
  std::vector<int32_t> ticks = bar->TickPositions();
  ASSERT_EQ(ticks.size(), 5u);
  // The first and last ticks sit under the thumb's centre at Min and Max.
  EXPECT_EQ(ticks.front(), bar->ValueToPixel(0));
  EXPECT_NEAR(ticks.back(), bar->ValueToPixel(4), 1);
  bar->SetTickStyle(vcl::tsNone);
  EXPECT_TRUE(bar->TickPositions().empty());
}

TEST_F(TrackBars, ASelectionOnABarWithoutTicksPaints) {
  ActivateSkin();
  // No ticks, or a single one, leave nothing to divide the channel by.
  for (int max : {0, 1, 255}) {
    auto* bar = NewBar(max);
    bar->SetTickStyle(max == 255 ? vcl::tsNone : vcl::tsAuto);
    bar->SetSelStart(0);
    bar->SetSelEnd(max);
    bar->SetTickMarks(vcl::tmBoth);
    auto image = CreateBmp24(bar->Width(), bar->Height());
    SendMessageA(bar->Handle(), WM_PRINT, WPARAM(image->Canvas()->Handle()), PRF_CLIENT);
    delete bar;
  }
}

TEST_F(TrackBars, SelectionMarkersStandAtTheirValues) {
  ActivateSkin();
  auto* bar = NewBar(100);
  bar->SetMin(50);
  // Values map onto the channel from Min, not from the control's origin.
  const vcl::TRect channel = bar->ChannelRect();
  const vcl::TRect thumb = bar->ThumbRect();
  const int half = (thumb.right - thumb.left) / 2;
  EXPECT_EQ(bar->ValueToPixel(50), channel.left + half);
  EXPECT_EQ(bar->ValueToPixel(100), channel.right - (thumb.right - thumb.left) + half);
  bar->SetPosition(75);
  const vcl::TRect moved = bar->ThumbRect();
  EXPECT_NEAR((moved.left + moved.right) / 2, bar->ValueToPixel(75), 1);
}

TEST_F(TrackBars, HintsStayOffWhileTheThumbIsHeld) {
  ActivateSkin();
  vcl::Application->SetShowHint(true);
  auto* bar = NewBar();
  Pump();
  const vcl::TRect thumb = bar->ThumbRect();
  const LPARAM at = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_FALSE(vcl::Application->ShowHint());
  EXPECT_EQ(bar->ThumbState(), 2);
  SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(vcl::Application->ShowHint());
  EXPECT_NE(bar->ThumbState(), 2);
  // A press whose release goes elsewhere (capture taken away) gives the hints back too.
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(bar->Handle(), WM_CAPTURECHANGED, 0, 0);
  EXPECT_TRUE(vcl::Application->ShowHint());
}

}  // namespace
