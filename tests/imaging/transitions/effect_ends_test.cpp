// Every effect starts on the source picture and ends on the target picture, and the wipes and
// reveals never take back pixels they already showed.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/transitions/transition_effect_table.h"
#include "imaging/transitions/transition_frames.h"
#include "tests/imaging/transitions/transition_pictures.h"

using namespace imaging;
using transition_test::FirstDifference;
using transition_test::MatchingPixels;
using transition_test::PreparePictures;

namespace {

std::string NameOf(int32_t type) {
  const TEffect* effect = FindTransitionEffect(type);
  return std::to_string(type) + " " + (effect ? effect->Name : "?");
}

// Random points and boxes are placed at random, so a few pixels may still show the source at
// the last step; the run's final frame completes the picture.
bool EndsByFinalFrame(int32_t type) { return type == iettRandomPoints || type == iettRandomBoxes; }

// Build up fills the frame with a stretched strip of the target from its first frame; the
// shredded and speckled wipes scatter strips and cells around their edge even at progress 0.
bool ShowsTargetAtProgressZero(int32_t type) {
  return (type >= iettBuildUpFromLeft && type <= iettBuildUpFromBottom) ||
         (type >= iettShreddedFromLeft && type <= iettShreddedOutFromVerticalCenter) ||
         (type >= iettSpeckledWipeFromLeft && type <= iettSpeckledWipeFromBottom);
}

// A picture of the frame's size in one colour.
std::unique_ptr<vcl::TBitmap> Plain(TTransitionFrames& frames, vcl::TColor colour) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(frames.Width(), frames.Height());
  bitmap->Canvas()->Brush()->SetColor(colour);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, frames.Width(), frames.Height()));
  return bitmap;
}

}  // namespace

TEST(EffectEnds, EveryEffectStartsOnTheSourceAndEndsOnTheTarget) {
  // The fades pass through the background colour: fading out ends on it, fading in starts on it.
  TTransitionFrames frames;
  frames.SetBackground(vcl::clTeal);
  for (auto [w, h] : {std::pair{40, 30}, std::pair{30, 40}}) {
    for (int32_t type = 1; type <= TransitionEffectCount; ++type) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
      PreparePictures(frames, w, h);
      const auto background = Plain(frames, vcl::clTeal);
      frames.DrawFrame(type, 0);
      vcl::TBitmap* start = type == iettFadeIn ? background.get() : frames.Source();
      EXPECT_EQ(FirstDifference(frames.Frame(), start), "") << NameOf(type) << " at step 0";
      if (EndsByFinalFrame(type)) continue;
      frames.DrawFrame(type, TransitionStepMax);
      vcl::TBitmap* end = type == iettFadeOut ? background.get() : frames.Target();
      EXPECT_EQ(FirstDifference(frames.Frame(), end), "") << NameOf(type) << " at step 1024";
    }
  }
}

TEST(EffectEnds, ProgressZeroOfATableEffectLeavesTheSourceAlone) {
  // Steps 1 to 5 hand the table effects progress 0: nothing of the target may show yet.
  TTransitionFrames frames;
  for (int32_t type = iettExpandFromLeft; type <= TransitionEffectCount; ++type) {
    if (ShowsTargetAtProgressZero(type)) continue;
    PreparePictures(frames, 40, 30);
    frames.DrawFrame(type, 0);
    frames.DrawFrame(type, 3);
    EXPECT_EQ(FirstDifference(frames.Frame(), frames.Source()), "") << NameOf(type) << " at step 3";
  }
}

TEST(EffectEnds, WipesAndRevealsNeverShrinkTheShownTarget) {
  // The effects that reveal the target in place (no stretching, no moving pictures, no random
  // strips drawn anew each frame).
  std::vector<int32_t> types = {iettLeftRight1, iettLeftRight2, iettRightLeft1, iettRightLeft2, iettUpDown1,
                                iettUpDown2, iettDownUp1, iettDownUp2, iettRandomPoints, iettRandomBoxes,
                                iettCenter1};
  for (int32_t t = iettWipeFromTopLeft; t <= iettWipeOutFromVerticalCenter; ++t) types.push_back(t);
  types.push_back(iettQuartersWipeInToCenter);
  for (int32_t t = iettCurvedWipeFromLeft; t <= iettBarsFromTopAndBottom; ++t) types.push_back(t);
  for (int32_t t = iettExpandingRectangles; t <= iettStarburstCounterClockwiseFromCenter; ++t) types.push_back(t);
  for (int32_t t = iettHorizontalBlinds; t <= iettRectanglesFromTheBottom; ++t) types.push_back(t);
  for (int32_t t = iettArrowWipeFromLeft; t <= iettRandomBigBoxesEffect; ++t) types.push_back(t);

  TTransitionFrames frames;
  for (int32_t type : types) {
    PreparePictures(frames, 64, 48);
    frames.DrawFrame(type, 0);
    int32_t shown = MatchingPixels(frames.Frame(), frames.Target());
    for (int32_t step = 16; step <= TransitionStepMax; step += 16) {
      frames.DrawFrame(type, step);
      const int32_t now = MatchingPixels(frames.Frame(), frames.Target());
      ASSERT_GE(now, shown) << NameOf(type) << " at step " << step;
      shown = now;
    }
  }
}
