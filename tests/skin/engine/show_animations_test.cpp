// Show animations through an output window over real windows: they end with the flag cleared,
// the window thawed and nothing left behind, also when the animated control goes away first.
#include <gtest/gtest.h>

#include <vector>

#include "skin/engine/show_animations.h"
#include "skin/engine/skin_types.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

// Notes the WM_SETREDRAW values it gets.
class TRedrawPanel : public vcl::TPanel {
 public:
  using vcl::TPanel::TPanel;
  std::vector<WPARAM> redraws;
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == WM_SETREDRAW) redraws.push_back(message.WParam);
    vcl::TPanel::WndProc(message);
  }
};

struct TShownForm {
  std::unique_ptr<vcl::TForm> form{new vcl::TForm(nullptr)};
  TRedrawPanel* panel;
  TShownForm() {
    form->SetBounds(0, 0, 120, 90);
    panel = new TRedrawPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 60, 40);
    form->Show();
  }
  ~TShownForm() { form->Hide(); }
};

TEST(ShowAnimations, StepsFollowTheTime) {
  EXPECT_EQ(AnimStepsFor(0), 0);
  EXPECT_EQ(AnimStepsFor(100), 12);
  EXPECT_EQ(AnimStepsFor(7), 0);
}

TEST(ShowAnimations, AnAnimationEndsCleanlyWithAndWithoutFrames) {
  for (uint16_t time : {uint16_t(0), uint16_t(40)}) {
    TShownForm shown;
    SendMessageA(shown.panel->Handle(), WM_SETREDRAW, 0, 0);
    shown.panel->redraws.clear();
    AnimShowControl(shown.panel, time, 255, atFading);
    EXPECT_FALSE(AnimationInProgress) << time;
    EXPECT_EQ(AnimOverlayWindow, nullptr);
    EXPECT_EQ(AnimImage, nullptr);
    EXPECT_EQ(AnimSnapshot, nullptr);
    ASSERT_FALSE(shown.panel->redraws.empty());
    EXPECT_EQ(shown.panel->redraws.back(), 1u);  // thawed
    EXPECT_TRUE(IsWindowVisible(shown.panel->Handle()));
  }
}

TEST(ShowAnimations, AControlFreedAfterItsOverlayWasPreparedLeavesNothingStale) {
  TShownForm shown;
  ASSERT_TRUE(ShowOutputWindowOver(shown.panel));
  ASSERT_NE(AnimOverlayWindow, nullptr);
  EXPECT_TRUE(IsWindowVisible(AnimOverlayWindow->Handle()));
  delete shown.panel;  // frees the overlay it owns
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  // The next animation starts afresh and ends cleanly.
  auto* other = new TRedrawPanel(shown.form.get());
  other->SetParent(shown.form.get());
  other->SetBounds(5, 5, 30, 30);
  AnimSnapshot.reset();
  AnimShowControl(other, 16, 255, atAero);
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimOverlayWindow, nullptr);
}

TEST(ShowAnimations, AControlWithoutAWindowIsNotAnimatedButStillEndsTheAnimation) {
  vcl::TPanel loose(nullptr);
  AnimShowControl(&loose, 40, 255, atFading);
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  AnimShowControl(nullptr, 40, 255, atFading);
  EXPECT_FALSE(AnimationInProgress);
}

}  // namespace
