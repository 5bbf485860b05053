// Timers: ticks arrive through the message loop, and a timer may be stopped or freed from
// inside its own handler.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/timer.h"

using namespace vcl;
using namespace controls_test;

namespace {

class TimerTest : public ControlsTest {};

TEST_F(TimerTest, TicksUntilDisabled) {
  TTimer timer(nullptr);
  timer.SetInterval(10);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    if (++ticks == 3) timer.SetEnabled(false);
  };
  ASSERT_TRUE(PumpUntil([&] { return ticks == 3; }));
  // Stopped from inside its handler: no fourth tick however long the loop runs.
  TTimer guard(nullptr);
  guard.SetInterval(60);
  bool guardTicked = false;
  guard.OnTimer = [&](TObject*) { guardTicked = true; };
  ASSERT_TRUE(PumpUntil([&] { return guardTicked; }));
  EXPECT_EQ(ticks, 3);
}

TEST_F(TimerTest, FreedInsideItsOwnHandler) {
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    delete timer;
    timer = nullptr;
  };
  ASSERT_TRUE(PumpUntil([&] { return timer == nullptr; }));
  TTimer guard(nullptr);
  guard.SetInterval(50);
  bool guardTicked = false;
  guard.OnTimer = [&](TObject*) { guardTicked = true; };
  ASSERT_TRUE(PumpUntil([&] { return guardTicked; }));
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(TimerTest, OwnerFreesItsTimerAndZeroIntervalStops) {
  auto owner = std::make_unique<TForm>(nullptr);
  auto* timer = new TTimer(owner.get());
  timer->SetInterval(0);
  bool ticked = false;
  timer->OnTimer = [&](TObject*) { ticked = true; };
  TTimer guard(nullptr);
  guard.SetInterval(50);
  bool guardTicked = false;
  guard.OnTimer = [&](TObject*) { guardTicked = true; };
  ASSERT_TRUE(PumpUntil([&] { return guardTicked; }));
  EXPECT_FALSE(ticked);
  owner.reset();  // frees the timer with it
}

TEST_F(TimerTest, AnExceptionInOnTimerReachesTheApplication) {
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    throw EConvertError("bad tick");
  };
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(errors.front(), "bad tick");
}

}  // namespace
