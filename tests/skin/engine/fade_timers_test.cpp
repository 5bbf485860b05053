// Hover fades on real controls with real window timers: the levels of each step, when a fade
// runs at all, and fades that end because their control went away.
#include <gtest/gtest.h>

#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

// A skinned panel that composes a grey cache on cmdPaintToCache, counts the frames it is
// given and stops its fade on cmdStopFade, as the skinned controls do.
class TFadingPanel : public vcl::TPanel {
 public:
  explicit TFadingPanel(vcl::TComponent* owner) : vcl::TPanel(owner), link(std::make_unique<TsCommonData>(this, true)) {}
  ~TFadingPanel() override { StopFadeTimer(fade, link.get()); }
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD) {
      switch (HIWORD(message.WParam)) {
        case cmdPaintToCache:
          link->InitCacheBmp24();
          PaintSolidRect(link->CacheBitmap->Canvas()->Handle(), {0, 0, Width(), Height()}, 0x808080);
          link->CacheStale = false;
          return;
        case cmdFadeFrame:
          ++frames;
          message.Result = 1;
          return;
        case cmdStopFade:
          ++stops;
          StopFadeTimer(fade, link.get());
          return;
        case cmdUpdateImage:
          ++updates;
          return;
      }
    }
    if (PreprocessControlMessage(message, link.get())) return;
    vcl::TPanel::WndProc(message);
  }
  std::unique_ptr<TsCommonData> link;
  TsFadeTimer* fade = nullptr;
  int frames = 0, stops = 0, updates = 0;
};

struct TFadeSkin {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};
  std::unique_ptr<vcl::TForm> form{new vcl::TForm(nullptr)};
  TFadingPanel* panel;

  explicit TFadeSkin(bool fading = true) {
    TsGeneralData s;
    s.SectionName = "BUTTON";
    s.FadingEnabled = fading;
    s.FadingIterations = 5;
    manager->Sections = {s};
    manager->SkinData()->Active = true;
    form->SetBounds(0, 0, 100, 80);
    panel = new TFadingPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(5, 5, 40, 20);
    panel->link->SetSkinSection("BUTTON");
    form->Show();
    panel->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
  }
  ~TFadeSkin() {
    form.reset();
    manager.reset();
  }
};

TEST(FadeTimers, LevelsFallFrom255ToNothing) {
  struct Case {
    int32_t stepNo, steps, level;
  } cases[] = {{0, 5, 255}, {1, 5, 204}, {2, 5, 153}, {3, 5, 102}, {4, 5, 51}, {5, 5, 0}, {1, 0, 255}, {9, 5, 0}};
  for (const Case& c : cases) EXPECT_EQ(FadeLevel(c.stepNo, c.steps), c.level) << c.stepNo << "/" << c.steps;
}

TEST(FadeTimers, AnimationEventsFollowTheirSetOrTheManagersButtons) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  manager->AnimEffects()->Buttons()->Events = 1u << beMouseUp;
  struct Case {
    TacAnimatEvent event;
    TacAnimatEvents events;
    bool enabled;
  } cases[] = {{aeMouseEnter, 1u << aeMouseEnter, true}, {aeMouseEnter, 0, false},
               {aeMouseEnter, 1u << aeGlobalDef, false}, {aeMouseUp, 1u << aeGlobalDef, true},
               {aeGlobalDef, 1u << aeGlobalDef, true}};
  for (const Case& c : cases) EXPECT_EQ(IsAnimEventEnabled(c.event, c.events, manager.get()), c.enabled) << c.event;
}

TEST(FadeTimers, AFadeRunsItsStepsAndStopsItself) {
  TFadeSkin skin;
  TFadingPanel* panel = skin.panel;
  RepaintWithFade(panel->fade, panel->link.get(), false, 2, true);
  ASSERT_NE(panel->fade, nullptr);
  EXPECT_EQ(panel->fade->Interval(), 10u);
  EXPECT_EQ(panel->fade->FadeSteps, 5);  // a new timer is idle while it is prepared
  for (int i = 0; i < 200 && panel->fade; ++i) DelayWithMessages(5);
  EXPECT_EQ(panel->fade, nullptr);
  EXPECT_EQ(panel->stops, 1);
  EXPECT_GE(panel->frames, 4);
}

TEST(FadeTimers, NoFadeWithoutTheSectionsFadingOrWithTheOptionOff) {
  {
    TFadeSkin skin(false);
    RepaintWithFade(skin.panel->fade, skin.panel->link.get(), false, 1, true);
    EXPECT_EQ(skin.panel->fade, nullptr);
    EXPECT_TRUE(skin.panel->link->CacheStale);
  }
  {
    TFadeSkin skin;
    NoFading = true;
    RepaintWithFade(skin.panel->fade, skin.panel->link.get(), false, 1, true);
    NoFading = false;
    EXPECT_EQ(skin.panel->fade, nullptr);
  }
  {
    // A running fade is removed when the section stops fading.
    TFadeSkin skin;
    RepaintWithFade(skin.panel->fade, skin.panel->link.get(), false, 1, true);
    ASSERT_NE(skin.panel->fade, nullptr);
    skin.manager->Sections[0].FadingEnabled = false;
    RepaintWithFade(skin.panel->fade, skin.panel->link.get(), false, 1, true);
    EXPECT_EQ(skin.panel->fade, nullptr);
  }
}

TEST(FadeTimers, PressingHalvesTheStepsAndARestartBeginsAtTheIterations) {
  TFadeSkin skin;
  TsCommonData* link = skin.panel->link.get();
  StartFade(skin.panel->fade, link, true, 0);
  ASSERT_NE(skin.panel->fade, nullptr);
  EXPECT_EQ(skin.panel->fade->FadeSteps, 2);  // 5 halved
  skin.panel->fade->SetDirection(1);
  StartFade(skin.panel->fade, link, false, 1);
  // The existing timer starts at the iterations; direction 1 takes them as its steps.
  EXPECT_EQ(skin.panel->fade->FadeSteps, 5);
  EXPECT_EQ(skin.panel->fade->FadeStepNo, 1);
  StopFadeTimer(skin.panel->fade, link);
  EXPECT_EQ(skin.panel->fade, nullptr);
}

TEST(FadeTimers, AControlFreedMidFadeEndsTheFadeCleanly) {
  TFadeSkin skin;
  RepaintWithFade(skin.panel->fade, skin.panel->link.get(), false, 1, true);
  ASSERT_NE(skin.panel->fade, nullptr);
  DelayWithMessages(15);
  delete skin.panel;  // takes its timer with it
  DelayWithMessages(40);

  // A timer whose link has no control any more stops ticking.
  TsFadeTimer loose(nullptr);
  TsCommonData orphan(nullptr, true);
  loose.FadeData = &orphan;
  loose.SetDirection(1);
  EXPECT_TRUE(loose.Enabled());
  EXPECT_FALSE(loose.Finished());
  EXPECT_FALSE(loose.Enabled());
  EXPECT_EQ(loose.FadeDirection, 0);
}

TEST(FadeTimers, AnAnimationTimerOutlivingItsControlStopsWithoutTouchingIt) {
  TFadeSkin skin;
  auto timer = std::make_unique<TsAnimTimer>(nullptr);
  timer->BindSkinData(skin.panel->link.get());
  EXPECT_EQ(timer->AnimSteps, 5);
  timer->AnimFrom = CreateBmp24(40, 20);
  timer->AnimStepNo = 0;
  timer->SetEnabled(true);
  DelayWithMessages(25);
  EXPECT_GT(skin.panel->updates, 0);
  delete skin.panel;
  EXPECT_EQ(timer->AnimData, nullptr);
  EXPECT_FALSE(timer->Enabled());
  DelayWithMessages(25);
  EXPECT_TRUE(timer->Finished());
}

}  // namespace
