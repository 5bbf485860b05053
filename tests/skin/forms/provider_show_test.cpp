// The animated show of a skinned form without an extended border (no desktop composition, or
// extended borders switched off): the form's finished picture fades in, the form ends visible,
// not layered and painted; and the layered preparation that hides the form while it is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "skin/engine/show_animations.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class ProviderShow : public provider_test::ProviderTest {
 protected:
  void SetUp() override {
    provider_test::ProviderTest::SetUp();
    show = manager->AnimEffects()->FormShow();
    saved = {show->Active, show->Time, show->Mode};
  }
  void TearDown() override {
    AnimOverlayObserver = nullptr;
    show->Active = saved.Active;
    show->Time = saved.Time;
    show->Mode = saved.Mode;
    provider_test::ProviderTest::TearDown();
  }
  TacFormShow* show = nullptr;
  struct {
    bool Active;
    uint16_t Time;
    TacAnimType Mode;
  } saved{};
};

TEST_F(ProviderShow, AFormWithoutExtendedBorderFadesIn) {
  show->Active = true;
  show->Time = 24;
  show->Mode = atFading;
  vcl::TForm* form = NewSkinnedForm(300, 200);
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  provider->SetAllowExtBorders(false);
  auto* button = new vcl::TButton(form);
  button->SetParent(form);
  button->SetBounds(20, 20, 90, 28);
  std::vector<int> alphas;
  int width = 0;
  AnimOverlayObserver = [&](const TAnimOverlayUpdate& update) {
    alphas.push_back(update.Alpha);
    width = update.Bitmap->Width();
  };
  ShowForm(form);
  AnimOverlayObserver = nullptr;
  EXPECT_FALSE(provider->HasExtBorder());
  ASSERT_GE(alphas.size(), 3u) << "the form was shown without an animation";
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_EQ(width, form->Width());
  HWND wnd = form->Handle();
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_FALSE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(IsWindowVisible(button->Handle()));
  EXPECT_FALSE(provider->ShowAnimationRunning());
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimOverlayWindow, nullptr);
}

TEST_F(ProviderShow, NoAnimationWhenTheManagerHasNone) {
  show->Active = false;
  vcl::TForm* form = NewSkinnedForm(300, 200);
  TsSkinProvider::FromForm(form)->SetAllowExtBorders(false);
  int updates = 0;
  AnimOverlayObserver = [&](const TAnimOverlayUpdate&) { ++updates; };
  ShowForm(form);
  EXPECT_EQ(updates, 0);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(ProviderShow, LayeredPreparationHidesTheFormAndTakesItsLayeringBack) {
  vcl::TForm* form = NewSkinnedForm(200, 150);
  HWND wnd = form->Handle();
  SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) | WS_VISIBLE);
  if (!LayeredAnimationAvailable()) GTEST_SKIP() << "no layered windows";
  EXPECT_TRUE(TsSkinProvider::PrepareLayeredShow(form, true));
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(TsSkinProvider::PrepareLayeredShow(form, true)) << "a layered form is left alone";
  EXPECT_FALSE(TsSkinProvider::PrepareLayeredShow(form, false));
  EXPECT_FALSE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(TsSkinProvider::PrepareLayeredShow(nullptr, true));
}

}  // namespace
