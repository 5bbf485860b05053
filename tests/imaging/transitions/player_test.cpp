// The player on a real view: runs that end at once, stop midway or lose their view, the view's
// paint lock, and the events in their order.
#include "imaging/transitions/transition_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "tests/imaging/transitions/transition_pictures.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
    form = std::make_unique<vcl::TForm>(nullptr);
    form->SetBounds(40, 40, 300, 250);
    view = new TImageView(form.get());
    view->SetParent(form.get());
    view->SetBounds(0, 0, 200, 150);
    form->Show();
    vcl::Application->ProcessMessages();
    for (auto [bitmap, target] : {std::pair{&source, false}, std::pair{&target, true}}) {
      bitmap->SetPixelFormat(vcl::pf24bit);
      bitmap->SetSize(60, 40);
      transition_test::FillPattern(bitmap, target);
    }
  }
  void TearDown() override {
    player.reset();
    form.reset();
    vcl::Application->ProcessMessages();
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // A player on the view that writes its events into `log`.
  void MakePlayer(TIEView* on) {
    player = std::make_unique<TIETransitionEffects>(on);
    player->OnTransitionStep = [this](vcl::TObject* sender, int32_t step) {
      log.push_back("step " + std::to_string(step) + (sender == view ? "" : " (other sender)"));
    };
    player->SetOnTransitionPaint([this](vcl::TObject*, vcl::TBitmap* bitmap, TIETransitionEffects*, int32_t step) {
      const std::string what = bitmap == player->Frames().Target() ? "target" : "frame";
      log.push_back("paint " + what + " " + std::to_string(step));
    });
    player->OnTransitionStop = [this](vcl::TObject*) { log.push_back("stop"); };
  }

  std::vector<std::string> errors, log;
  std::unique_ptr<vcl::TForm> form;
  TImageView* view = nullptr;
  std::unique_ptr<TIETransitionEffects> player;
  vcl::TBitmap source, target;
};

}  // namespace

TEST_F(PlayerTest, RunsWithoutLengthEndOnTheFirstTick) {
  MakePlayer(view);
  player->SetFinalFrame(true);
  for (int32_t duration : {0, -1, -5000}) {
    log.clear();
    player->SetDuration(duration);
    ASSERT_TRUE(player->Start(&source, &target, iettCrossDissolve));
    EXPECT_EQ(view->PaintLockCount(), 1);
    player->Tick();
    EXPECT_FALSE(player->Running()) << duration;
    EXPECT_EQ(log, (std::vector<std::string>{"step 0", "paint frame 0", "paint target 1024", "stop"})) << duration;
    EXPECT_EQ(view->PaintLockCount(), 0);
    EXPECT_EQ(player->Frames().Frame()->Width(), 1);
  }
}

TEST_F(PlayerTest, WithoutTheFinalFrameTheRunEndsOnItsLastEffectFrame) {
  MakePlayer(view);
  player->SetDuration(0);
  ASSERT_TRUE(player->Start(&source, &target, iettExpandFromLeft));
  player->Tick();
  EXPECT_EQ(log, (std::vector<std::string>{"step 0", "paint frame 0", "stop"}));
}

TEST_F(PlayerTest, StoppingMidRunEndsItOnce) {
  MakePlayer(view);
  player->SetDuration(1000000);
  ASSERT_TRUE(player->Start(&source, &target, iettWipeFromTopLeft));
  // Half the run has gone by.
  player->SetStartTick(GetTickCount() - 500000);
  player->Tick();
  EXPECT_TRUE(player->Running());
  player->Tick();
  EXPECT_EQ(player->Step(), 512);
  player->Stop();
  player->Stop();
  EXPECT_FALSE(player->Running());
  EXPECT_EQ(log, (std::vector<std::string>{"step 0", "paint frame 0", "step 512", "paint frame 512", "stop"}));
  EXPECT_EQ(view->PaintLockCount(), 0);
}

TEST_F(PlayerTest, ResizingTheViewStopsTheRun) {
  MakePlayer(view);
  player->SetDuration(1000000);
  ASSERT_TRUE(player->Start(&source, &target, iettCrossDissolve));
  view->SetBounds(0, 0, 180, 150);
  EXPECT_FALSE(player->Running());
  EXPECT_EQ(log, std::vector<std::string>{"stop"});
  EXPECT_EQ(view->PaintLockCount(), 0);
  // Idle again, the player no longer listens.
  view->SetBounds(0, 0, 160, 150);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(PlayerTest, StopWhileIdleDoesNothing) {
  MakePlayer(view);
  player->Stop();
  player->Tick();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(view->PaintLockCount(), 0);
}

TEST_F(PlayerTest, TypesWithoutAnEffectStartNothing) {
  MakePlayer(view);
  for (int32_t type : {int32_t(iettNone), int32_t(iettPanZoom), 189, -3}) {
    EXPECT_FALSE(player->Start(&source, &target, type)) << type;
    EXPECT_FALSE(player->Running());
  }
  vcl::TBitmap empty;
  EXPECT_FALSE(player->Start(&empty, &target, iettCrossDissolve));
  EXPECT_FALSE(player->StartPanZoom(nullptr, vcl::Rect(0, 0, 5, 5), vcl::Rect(0, 0, 5, 5), 10, 10));
  EXPECT_EQ(view->PaintLockCount(), 0);
}

TEST_F(PlayerTest, StartingAgainEndsTheRunningRunFirst) {
  MakePlayer(view);
  player->SetDuration(1000000);
  ASSERT_TRUE(player->Start(&source, &target, iettCrossDissolve));
  ASSERT_TRUE(player->Start(&source, &target, iettFadeIn));
  EXPECT_EQ(log, std::vector<std::string>{"stop"});
  EXPECT_EQ(view->PaintLockCount(), 1);
  EXPECT_EQ(player->TransitionType(), iettFadeIn);
}

TEST_F(PlayerTest, DestroyingTheViewDuringARunEndsItQuietly) {
  MakePlayer(view);
  player->SetDuration(1000000);
  ASSERT_TRUE(player->Start(&source, &target, iettCircularWipeFromCenter));
  player->Tick();
  log.clear();
  form.reset();
  EXPECT_FALSE(player->Running());
  EXPECT_EQ(player->View(), nullptr);
  player->Tick();
  player->Stop();
  EXPECT_TRUE(log.empty());
  player.reset();
}

TEST_F(PlayerTest, DestroyingThePlayerDuringARunGivesThePaintLockBack) {
  MakePlayer(view);
  player->SetDuration(1000000);
  ASSERT_TRUE(player->Start(&source, &target, iettMoveLeftRight1));
  player->Tick();
  player.reset();
  EXPECT_EQ(view->PaintLockCount(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"step 0", "paint frame 0"}));
}

TEST_F(PlayerTest, AStepHandlerMayStopTheRun) {
  MakePlayer(view);
  player->SetDuration(1000000);
  player->OnTransitionStep = [this](vcl::TObject*, int32_t) { player->Stop(); };
  ASSERT_TRUE(player->Start(&source, &target, iettCrossDissolve));
  player->Tick();
  EXPECT_EQ(log, std::vector<std::string>{"stop"});
  EXPECT_EQ(view->PaintLockCount(), 0);
}

TEST_F(PlayerTest, TimerDrivesARunToItsEnd) {
  MakePlayer(view);
  player->SetDuration(60);
  player->SetFinalFrame(true);
  player->SetTimingCurve(tcLogarithmic);
  ASSERT_TRUE(player->Start(&source, &target, iettSweepClockwise));
  for (int32_t i = 0; i < 500 && player->Running(); ++i) {
    vcl::Application->ProcessMessages();
    Sleep(2);
  }
  ASSERT_FALSE(player->Running());
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log.front(), "step 0");
  EXPECT_EQ(log[log.size() - 2], "paint target 1024");
  EXPECT_EQ(log.back(), "stop");
  EXPECT_EQ(view->PaintLockCount(), 0);
}

TEST_F(PlayerTest, PanZoomRunsPaintNoTargetAtTheEnd) {
  MakePlayer(view);
  TIEBitmap picture(80, 60, ie24RGB);
  picture.Fill(128);
  player->SetDuration(0);
  player->SetFinalFrame(true);
  ASSERT_TRUE(player->StartPanZoom(&picture, vcl::Rect(0, 0, 40, 30), vcl::Rect(40, 30, 80, 60), 50, 40));
  player->Tick();
  EXPECT_EQ(log, (std::vector<std::string>{"step 0", "paint frame 0", "stop"}));
}

TEST(PlayerWithoutView, DrawsAndReportsFrames) {
  TIETransitionEffects player(nullptr);
  vcl::TBitmap source, target;
  for (auto [bitmap, isTarget] : {std::pair{&source, false}, std::pair{&target, true}}) {
    bitmap->SetPixelFormat(vcl::pf24bit);
    bitmap->SetSize(20, 10);
    transition_test::FillPattern(bitmap, isTarget);
  }
  int32_t stops = 0;
  vcl::TObject* sender = &source;
  player.OnTransitionStop = [&](vcl::TObject* s) {
    ++stops;
    sender = s;
  };
  player.SetDuration(0);
  ASSERT_TRUE(player.Start(&source, &target, iettCrossDissolve));
  player.Tick();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(sender, nullptr);
}

TEST_F(PlayerTest, PanZoomLetterboxesOnTheViewsOwnBackground) {
  view->SetBackground(vcl::clNavy);
  view->SetBackgroundStyle(iebsChessboard);
  TIEBitmap picture;
  ASSERT_TRUE(picture.Allocate(40, 40, ie24RGB));
  picture.Fill(0x00FFFF);
  MakePlayer(view);
  // A window past the right and bottom edges: a 10 x 20 picture, centred between two bands.
  ASSERT_TRUE(player->StartPanZoom(&picture, vcl::Rect(30, 20, 60, 60), vcl::Rect(30, 20, 60, 60), 200, 150));
  player->Frames().DrawFrame(iettPanZoom, 0);
  vcl::TBitmap expected;
  expected.SetPixelFormat(vcl::pf24bit);
  expected.SetSize(200, 150);
  view->PaintBackgroundTo(expected.Canvas());
  vcl::TCanvas* frame = player->Frames().Frame()->Canvas();
  std::vector<vcl::TColor> seen;
  for (int32_t x : {0, 7, 21, 40, 60, 140, 170, 199})
    for (int32_t y : {0, 9, 33, 75, 149}) {
      EXPECT_EQ(frame->Pixels(x, y), expected.Canvas()->Pixels(x, y)) << x << ", " << y;
      seen.push_back(expected.Canvas()->Pixels(x, y));
    }
  // A chessboard, not one colour.
  EXPECT_NE(std::count(seen.begin(), seen.end(), seen.front()), ptrdiff_t(seen.size()));
  player->Stop();
}
