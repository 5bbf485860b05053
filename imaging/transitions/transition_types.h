// The kinds of transition the player can run and the timing curves a run's step follows.
#pragma once

#include <cstdint>

namespace imaging {

// 0 is no transition; 1 to 30 and 188 are drawn by the player itself (builtin_transitions.h),
// 31 to 187 by the procedures of the effect table (transition_effect_table.h).
enum TIETransitionType : uint8_t {
  iettNone = 0,
  iettCrossDissolve, iettFadeOut, iettFadeIn, iettFadeOutIn,
  iettLeftRight1, iettLeftRight2, iettRightLeft1, iettRightLeft2,
  iettUpDown1, iettUpDown2, iettDownUp1, iettDownUp2,
  iettFromUpLeft, iettFromUpRight, iettFromBottomLeft, iettFromBottomRight,
  iettMoveLeftRight1, iettMoveLeftRight2, iettMoveRightLeft1, iettMoveRightLeft2,
  iettMoveUpDown1, iettMoveUpDown2, iettMoveDownUp1, iettMoveDownUp2,
  iettRandomPoints, iettRandomBoxes, iettCenter1, iettCenter2, iettCenterZoom1, iettCenterZoom2,
  iettExpandFromLeft, iettExpandFromRight, iettExpandFromTop, iettExpandFromBottom,
  iettExpandFromTopLeft, iettExpandFromTopRight, iettExpandFromBottomLeft, iettExpandFromBottomRight,
  iettExpandInFromLeft, iettExpandInFromRight, iettExpandInFromTop, iettExpandInFromBottom,
  iettExpandInToVerticalCenter, iettExpandInToHorizon, iettExpandInFromSides, iettExpandInFromTopAndBottom,
  iettExpandOutFromHorizon, iettExpandOutFromVerticalCenter,
  iettWipeFromTopLeft, iettWipeFromTopRight, iettWipeFromBottomLeft, iettWipeFromBottomRight,
  iettWipeInFromTopAndBottom, iettWipeFromHorizon, iettWipeInFromSides, iettWipeOutFromVerticalCenter,
  iettBuildUpFromLeft, iettBuildUpFromRight, iettBuildUpFromTop, iettBuildUpFromBottom,
  iettUnrollFromLeft, iettUnrollFromRight, iettUnrollFromTop, iettUnrollFromBottom,
  iettSlideInFromLeft, iettSlideInFromRight, iettSlideInFromTop, iettSlideInFromBottom,
  iettShrinkToTopLeft, iettShrinkToTopRight, iettShrinkToBottomLeft, iettShrinkToBottomRight, iettShrinkToCenter,
  iettQuartersWipeInToCenter, iettQuartersExpandToCenter, iettQuartersSlideInToCenter,
  iettCurvedWipeFromLeft, iettCurvedWipeFromRight, iettCurvedWipeFromTop, iettCurvedWipeFromBottom,
  iettCurvedWipeFromTopLeft, iettCurvedWipeFromTopRight, iettCurvedWipeFromBottomLeft,
  iettCurvedWipeFromBottomRight,
  iettBarsInFromLeft, iettBarsInFromRight, iettBarsFromTop, iettBarsFromBottom,
  iettBarsLeftThenRight, iettBarsRightThenLeft, iettBarsTopThenBottom, iettBarsBottomThenTop,
  iettBarsFrombothSides, iettBarsFromTopAndBottom,
  iettShreddedFromLeft, iettShreddedFromRight, iettShreddedFromTop, iettShreddedFromBottom,
  iettShreddedFromTopAndLeft, iettShreddedFromTopAndRight, iettShreddedFromBottomAndLeft,
  iettShreddedFromBottomAndRight, iettShreddedFromHorizonAndLeft, iettShreddedFromHorizonAndRight,
  iettShreddedFromTopAndVerticalCenter, iettShreddedFromBottomAndVerticalCenter,
  iettShreddedFromCenter, iettShreddedToCenter, iettShreddedInToHorizon, iettShreddedInToVerticalCenter,
  iettShreddedOutFromHorizon, iettShreddedOutFromVerticalCenter,
  iettExpandingRectangles, iettExpandingTriangles, iettExpandingCircles, iettExpandingDiamonds,
  iettCircularWipeFromCenter, iettCircularWipeToCenter,
  iettCrisscrossWipeFromTopLeft, iettCrisscrossWipeFromTopRight, iettCrisscrossWipeFromBottomLeft,
  iettCrisscrossWipeFromBottomRight, iettCrisscrossWipeBounceFromTopLeft,
  iettCrisscrossWipeBounceFromTopRight, iettCrisscrossWipeBounceFromBottomLeft,
  iettCrisscrossWipeBounceFromBottomRight, iettCrisscrossWipeFromLeftRightAndTop,
  iettCrisscrossWipeFromLeftRightAndBottom, iettCrisscrossWipeFromLeftTopAndBottom,
  iettCrisscrossWipeFromTopLeftRightAndBottom, iettCrisscrossWipeFromRightTopAndBottom,
  iettCrisscrossWipeFromBottomLeftTopRight,
  iettWipeDiagonalFromTopLeft, iettWipeDiagonalFromTopRight, iettWipeDiagonalFromBottomLeft,
  iettWipeDiagonalFromBottomRight, iettDiagonalSweepClockwise, iettDiagonalSweepCounterClockwise,
  iettSweepClockwise, iettSweepCounterClockwise,
  iettStarburstClockwiseFromCenter, iettStarburstCounterClockwiseFromCenter,
  iettRotationalRectangle, iettRotationalRectangleCounterClockwise,
  iettRotationalStar, iettRotationalStarCounterClockwise,
  iettSpeckledWipeFromLeft, iettSpeckledWipeFromRight, iettSpeckledWipeFromTop, iettSpeckledWipeFromBottom,
  iettPushLeftAndSlideOut, iettPushRightAndSlideOut, iettPushUpAndSlideOut, iettPushDownAndSlideOut,
  iettPushAndSqueezeLeft, iettPushAndSqueezeRight, iettPushAndSqueezeUp, iettPushAndSqueezeDown,
  iettHorizontalBlinds, iettVerticalBlinds,
  iettUnevenBlindsFromLeft, iettUnevenBlindsFromRight, iettUnevenBlindsFromTop, iettUnevenBlindsFromBottom,
  iettRectanglesFromTheLeft, iettRectanglesFromTheRight, iettRectanglesFromTheTop, iettRectanglesFromTheBottom,
  iettSpirallingRectangleClockwise, iettSpirallingRectangleCounterClockwise,
  iettArrowWipeFromLeft, iettArrowWipeFromRight, iettArrowWipeFromTop, iettArrowWipeFromBottom,
  iettHorizontalBowTieWipe, iettVerticalBowTieWipe,
  iettDiagonalCrossFromCenter, iettDiagonalCrossToCenter,
  iettZigzagWipeFromHorizon, iettZigzagWipeFromVerticalCenter,
  iettDiamondWipeFromCenter, iettDiamondWipeToCenter, iettDiagonalBoxWipe,
  iettTriangularWipeEffect, iettRandomBigBoxesEffect, iettPageFlipEffect, iettPageFlipEffect2,
  iettPanZoom
};
static_assert(iettCenterZoom2 == 30 && iettQuartersSlideInToCenter == 76 && iettPageFlipEffect2 == 187 &&
              iettPanZoom == 188);

// How the step of a run follows the elapsed time.
enum TIETransitionCurve : uint8_t { tcLinear = 0, tcExponential = 1, tcLogarithmic = 2 };

// Steps run from 0 (the source picture) to this value (the run has reached its end).
constexpr int32_t TransitionStepMax = 1024;

}  // namespace imaging
