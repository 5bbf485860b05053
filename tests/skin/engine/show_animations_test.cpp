// Show animations over real windows: forms fade in through a layered overlay whose updates are
// recorded, other controls cross-fade in an output window. Every animation ends with the flag
// cleared, the window thawed and nothing left behind, also when the animated control goes away
// first.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "skin/engine/common_data.h"
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

// ---- Forms: the layered overlay ----

using TBox = std::array<LONG, 4>;
TBox Box(const vcl::TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// What one overlay update showed.
struct TRecordedUpdate {
  int32_t frame;
  uint8_t alpha;
  vcl::TRect target;
  bool layered, noActivate, topmost, visible, active, auxiliaryTag;
  bool equalsImage;   // the bitmap holds the window's whole image
  uint8_t cornerAlpha, centreAlpha;
  HWND overlay;
};

// Records the overlay updates of one animation and stops recording when it goes.
struct TOverlayRecorder {
  std::vector<TRecordedUpdate> updates;
  TOverlayRecorder() {
    AnimOverlayObserver = [this](const TAnimOverlayUpdate& update) {
      const LONG ex = GetWindowLongA(update.Overlay, GWL_EXSTYLE);
      vcl::TBitmap* bitmap = update.Bitmap;
      const int32_t w = bitmap->Width(), h = bitmap->Height();
      bool same = AnimImage && AnimImage->Width() == w && AnimImage->Height() == h;
      for (int32_t y = 0; same && y < h; ++y)
        same = std::memcmp(bitmap->ScanLine(y), AnimImage->ScanLine(y), size_t(w) * 4) == 0;
      auto alphaAt = [bitmap](int32_t x, int32_t y) { return static_cast<uint8_t*>(bitmap->ScanLine(y))[x * 4 + 3]; };
      updates.push_back({update.Frame, update.Alpha, update.Target, (ex & WS_EX_LAYERED) != 0,
                         (ex & WS_EX_NOACTIVATE) != 0, (ex & WS_EX_TOPMOST) != 0, IsWindowVisible(update.Overlay) != 0,
                         GetActiveWindow() == update.Overlay,
                         AnimOverlayWindow && AnimOverlayWindow->Tag() == -98, same, alphaAt(0, 0),
                         alphaAt(w / 2, h / 2), update.Overlay});
    };
  }
  ~TOverlayRecorder() { AnimOverlayObserver = nullptr; }
  std::vector<TRecordedUpdate> LoopFrames() const {
    std::vector<TRecordedUpdate> frames;
    for (const auto& u : updates)
      if (u.frame >= 0) frames.push_back(u);
    return frames;
  }
};

// A borderless form that records its redraw switches and whether it was painted after the
// animation let go.
class TAnimatedForm : public vcl::TForm {
 public:
  explicit TAnimatedForm(int32_t w = 200, int32_t h = 120) : vcl::TForm(nullptr) {
    SetBorderStyle(vcl::bsNone);
    SetColor(vcl::TColor(0x3060C0));
    SetBounds(40, 30, w, h);
  }
  std::vector<WPARAM> redraws;
  bool paintedAfterAnimation = false;
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == WM_SETREDRAW) redraws.push_back(message.WParam);
    if (message.Msg == WM_PAINT && !AnimationInProgress) paintedAfterAnimation = true;
    vcl::TForm::WndProc(message);
  }
};

TEST(ShowAnimations, FormsTakeTheLayeredPathWherePlatformHasLayeredWindows) {
  ASSERT_TRUE(LayeredAnimationAvailable());
}

TEST(ShowAnimations, AFormFadesInThroughStepsPlusOneFramesEndingAtMaxAlpha) {
  struct Case {
    uint16_t time;
    uint8_t maxAlpha;
    TacAnimType mode;
    size_t loopFrames;
    uint8_t firstAlpha;  // of the update that shows the overlay
  } cases[] = {
      {0, 200, atFading, 0, 200},  // no loop: shown once at MaxAlpha
      {7, 255, atAero, 0, 255},
      {100, 255, atFading, 13, 0},
      {100, 180, atAero, 13, 0},
      {16, 90, atFading, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "time " << c.time << " mode " << int(c.mode));
    TAnimatedForm form;
    form.Show();
    TOverlayRecorder recorder;
    AnimShowControl(&form, c.time, c.maxAlpha, c.mode);
    ASSERT_EQ(recorder.updates.size(), c.loopFrames + 1);
    const TRecordedUpdate& shown = recorder.updates.front();
    EXPECT_EQ(shown.frame, -1);
    EXPECT_EQ(shown.alpha, c.firstAlpha);
    EXPECT_TRUE(shown.equalsImage);
    EXPECT_EQ(shown.centreAlpha, 255);  // the image is opaque
    auto frames = recorder.LoopFrames();
    ASSERT_EQ(frames.size(), c.loopFrames);
    const double step = c.loopFrames ? double(c.maxAlpha) / (c.loopFrames - 1) : 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].frame, int32_t(i));
      EXPECT_NEAR(frames[i].alpha, std::min(double(c.maxAlpha), step * double(i + 1)), 0.5 + 1e-9) << i;
    }
    if (!frames.empty()) {
      EXPECT_EQ(frames.back().alpha, c.maxAlpha);
      EXPECT_TRUE(frames.back().equalsImage);
    }
  }
}

TEST(ShowAnimations, AeroGrowsFromTheMiddleHalfToTheWholeImage) {
  TAnimatedForm form(192, 96);
  form.Show();
  TOverlayRecorder recorder;
  AnimShowControl(&form, 100, 255, atAero);
  auto frames = recorder.LoopFrames();
  ASSERT_EQ(frames.size(), 13u);
  // Each side moves by a 48th of the size per frame: 4 by 2 pixels here.
  for (size_t i = 0; i + 1 < frames.size(); ++i) {
    const int32_t dx = 4 * int32_t(i), dy = 2 * int32_t(i);
    EXPECT_EQ(Box(frames[i].target), (TBox{48 - dx, 24 - dy, 144 + dx, 72 + dy})) << i;
  }
  EXPECT_EQ(Box(frames.back().target), (TBox{0, 0, 192, 96}));
  EXPECT_EQ(frames.front().cornerAlpha, 0);  // outside the middle half nothing is covered yet
  EXPECT_EQ(frames.front().centreAlpha, 255);
  EXPECT_FALSE(frames.front().equalsImage);
  EXPECT_TRUE(frames.back().equalsImage);
}

TEST(ShowAnimations, TheOverlayIsALayeredHelperThatNeverTakesActivation) {
  for (bool stayOnTop : {false, true}) {
    SCOPED_TRACE(stayOnTop ? "stay on top" : "normal");
    TAnimatedForm form;
    if (stayOnTop) form.SetFormStyle(vcl::fsStayOnTop);
    form.Show();
    TOverlayRecorder recorder;
    AnimShowControl(&form, 24, 255, atFading);
    ASSERT_EQ(recorder.updates.size(), 5u);  // the showing update and 4 frames
    for (const TRecordedUpdate& u : recorder.updates) {
      EXPECT_TRUE(u.layered);
      EXPECT_TRUE(u.noActivate);
      EXPECT_TRUE(u.auxiliaryTag);
      EXPECT_FALSE(u.active);
      EXPECT_EQ(u.topmost, stayOnTop);
    }
    for (const TRecordedUpdate& u : recorder.LoopFrames()) EXPECT_TRUE(u.visible);
  }
}

TEST(ShowAnimations, AFormAnimationEndsWithTheFormRedrawnAndTheOverlayGone) {
  TAnimatedForm form;
  form.Show();
  SendMessageA(form.Handle(), WM_SETREDRAW, 0, 0);
  form.redraws.clear();
  TOverlayRecorder recorder;
  AnimShowControl(&form, 40, 255, atAero);
  ASSERT_FALSE(recorder.updates.empty());
  EXPECT_FALSE(IsWindow(recorder.updates.front().overlay));
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  EXPECT_EQ(AnimImage, nullptr);
  EXPECT_EQ(AnimImageDC, nullptr);
  ASSERT_FALSE(form.redraws.empty());
  EXPECT_EQ(form.redraws.back(), 1u);
  EXPECT_TRUE(form.paintedAfterAnimation);
}

// A form with a provider that may free the form when asked to render its frame afresh, as a
// paint handler that closes its own form would.
class TShowProvidedForm : public TAnimatedForm, public IacProviderOwner {
 public:
  bool freeOnDiscard = false;
  int discards = 0;
  bool* freed = nullptr;
  ~TShowProvidedForm() override {
    if (freed) *freed = true;
  }
  vcl::TCustomForm* ProviderForm() const override { return const_cast<TShowProvidedForm*>(this); }
  void DiscardFrameCache() override {
    ++discards;
    if (freeOnDiscard) delete this;
  }
  TsCommonData* ProviderSkinLink() const override { return nullptr; }
  void SetSkinChangeLock(bool) override {}
  bool DrawsNonClientArea() const override { return false; }
  void UpdateWindowRegion() override {}
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdGetProvider) {
      message.Result = LRESULT(static_cast<IacProviderOwner*>(this));
      return;
    }
    TAnimatedForm::WndProc(message);
  }
};

TEST(ShowAnimations, TheProviderRendersItsFrameAfreshAndAFormFreedMeanwhileEndsTheAnimation) {
  {
    auto* form = new TShowProvidedForm();
    form->Show();
    TOverlayRecorder recorder;
    AnimShowControl(form, 16, 255, atFading);
    EXPECT_EQ(form->discards, 1);
    EXPECT_EQ(recorder.updates.size(), 4u);
    delete form;
  }
  bool freed = false;
  auto* form = new TShowProvidedForm();
  form->freed = &freed;
  form->freeOnDiscard = true;
  form->Show();
  TOverlayRecorder recorder;
  AnimShowControl(form, 100, 255, atFading);
  EXPECT_TRUE(freed);
  EXPECT_TRUE(recorder.updates.empty());
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  EXPECT_EQ(AnimImage, nullptr);
}

TEST(ShowAnimations, AFormWithoutAWindowIsNotAnimatedButEndsTheAnimation) {
  TAnimatedForm form;
  ASSERT_FALSE(form.HandleAllocated());
  TOverlayRecorder recorder;
  AnimShowControl(&form, 40, 255, atFading);
  EXPECT_TRUE(recorder.updates.empty());
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(AnimImage, nullptr);
  EXPECT_FALSE(form.HandleAllocated());
}

}  // namespace
