#include "imaging/transitions/transition_timing.h"

#include <gtest/gtest.h>

using namespace imaging;

TEST(TransitionTiming, CurvesFollowElapsedTime) {
  struct Case {
    uint32_t elapsed;
    int32_t linear, exponential, logarithmic;
  };
  // Duration 1000 ms; at t = 1 the logarithmic curve gives 1028 before the bound.
  const Case cases[] = {{100, 102, 11, 556},  {250, 256, 23, 744},  {500, 512, 82, 886},
                        {750, 768, 287, 969}, {900, 921, 608, 1006}, {1000, 1024, 1003, 1024}};
  for (const Case& c : cases) {
    EXPECT_EQ(TransitionStepAt(tcLinear, c.elapsed, 1000, 0), c.linear) << c.elapsed;
    EXPECT_EQ(TransitionStepAt(tcExponential, c.elapsed, 1000, 0), c.exponential) << c.elapsed;
    EXPECT_EQ(TransitionStepAt(tcLogarithmic, c.elapsed, 1000, 0), c.logarithmic) << c.elapsed;
  }
  EXPECT_EQ(TransitionStepAt(tcExponential, 0, 1000, 0), 6);
  EXPECT_EQ(TransitionStepAt(tcLogarithmic, 980, 1000, 0), 1024);
}

TEST(TransitionTiming, LogarithmicCurveStaysWithinTheStepsNearTheStart) {
  // ln(0) has no value and ln(10t) is far below -2.718 for small t: the step holds at 0.
  EXPECT_EQ(TransitionStepAt(tcLogarithmic, 0, 1000, 0), 0);
  EXPECT_EQ(TransitionStepAt(tcLogarithmic, 5, 1000, 0), 0);
  EXPECT_EQ(TransitionStepAt(tcLogarithmic, 1, 100000, 0), 0);
}

TEST(TransitionTiming, DurationsWithoutLengthEndAtOnce) {
  for (int32_t duration : {0, -1, -1000, INT32_MIN}) {
    EXPECT_TRUE(TransitionTimeIsUp(0, duration)) << duration;
    for (uint8_t curve : {tcLinear, tcExponential, tcLogarithmic})
      EXPECT_EQ(TransitionStepAt(curve, 0, duration, 0), 1024) << duration;
  }
  EXPECT_FALSE(TransitionTimeIsUp(999, 1000));
  EXPECT_TRUE(TransitionTimeIsUp(1000, 1000));
}

TEST(TransitionTiming, UnknownCurveKeepsTheStep) { EXPECT_EQ(TransitionStepAt(7, 500, 1000, 300), 300); }

TEST(TransitionTiming, ElapsedTimeSurvivesTheCounterWrap) {
  EXPECT_EQ(TransitionElapsed(0xFFFFFFF0u, 0x10u), 0x20u);
  EXPECT_EQ(TransitionElapsed(100, 600), 500u);
}

TEST(TransitionTiming, ProgressForTheTableEffects) {
  const std::pair<int32_t, int32_t> cases[] = {{1, 0},    {5, 0},    {6, 1},    {128, 12},  {384, 38},
                                               {512, 50}, {640, 62}, {896, 88}, {1024, 100}};
  for (auto [step, progress] : cases) EXPECT_EQ(TransitionProgress(step), progress) << step;
}
