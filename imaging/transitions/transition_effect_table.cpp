#include "imaging/transitions/transition_effect_table.h"

#include <algorithm>

#include "imaging/transitions/halftone_blit.h"
#include "imaging/transitions/transition_effect_procs.h"
#include "vcl/runtime/win.h"

namespace imaging {

using namespace transition_procs;

const TEffect TransitionEffects[TransitionEffectCount] = {
    {"Cross Fade", nullptr},
    {"Fade Out", nullptr},
    {"Fade In", nullptr},
    {"Fade Out then In", nullptr},
    {"Wipe Left to Right", nullptr},
    {"Wipe Left to Right 2", nullptr},
    {"Wipe Right to Left", nullptr},
    {"Wipe Right to Left 2", nullptr},
    {"Wipe Top to Bottom", nullptr},
    {"Wipe Top to Bottom 2", nullptr},
    {"Wipe Bottom to Top", nullptr},
    {"Wipe Bottom to Top 2", nullptr},
    {"Slide from Top Left", nullptr},
    {"Slide from Top Right", nullptr},
    {"Slide from Bottom Left", nullptr},
    {"Slide from Bottom Right", nullptr},
    {"Push Left to Right", nullptr},
    {"Slide Out Left to Right", nullptr},
    {"Push Right to Left", nullptr},
    {"Slide Out Right to Left", nullptr},
    {"Push Top to Bottom", nullptr},
    {"Slide Out Top to Bottom", nullptr},
    {"Push Bottom to Top", nullptr},
    {"Slide Out Bottom to Top", nullptr},
    {"Random Points", nullptr},
    {"Random Boxes", nullptr},
    {"Wipe Out from Center", nullptr},
    {"Wipe In to Center", nullptr},
    {"Expand Out from Center", nullptr},
    {"Expand In to Center", nullptr},
    {"Expand from Left", ExpandFromLeft},
    {"Expand from Right", ExpandFromRight},
    {"Expand from Top", ExpandFromTop},
    {"Expand from Bottom", ExpandFromBottom},
    {"Expand from Top Left", ExpandFromTopLeft},
    {"Expand from Top Right", ExpandFromTopRight},
    {"Expand from Bottom Left", ExpandFromBottomLeft},
    {"Expand from Bottom Right", ExpandFromBottomRight},
    {"Expand in from Left", ExpandInFromLeft},
    {"Expand in from Right", ExpandInFromRight},
    {"Expand in from Top", ExpandInFromTop},
    {"Expand in from Bottom", ExpandInFromBottom},
    {"Expand in to Vertical Center", ExpandInToVerticalCenter},
    {"Expand in to Horizon", ExpandInToHorizon},
    {"Expand in from Sides", ExpandInFromSides},
    {"Expand in from Top and Bottom", ExpandInFromTopAndBottom},
    {"Expand out from Horizon", ExpandOutFromHorizon},
    {"Expand out from Vertical Center", ExpandOutFromVerticalCenter},
    {"Wipe from Top Left", WipeFromTopLeft},
    {"Wipe from Top Right", WipeFromTopRight},
    {"Wipe from Bottom Left", WipeFromBottomLeft},
    {"Wipe from Bottom Right", WipeFromBottomRight},
    {"Wipe in from Top and Bottom", WipeInFromTopAndBottom},
    {"Wipe from Horizon", WipeFromHorizon},
    {"Wipe in from Sides", WipeInFromSides},
    {"Wipe out from Vertical Center", WipeOutFromVerticalCenter},
    {"Build up from Left", BuildUpFromLeft},
    {"Build up from Right", BuildUpFromRight},
    {"Build up from Top", BuildUpFromTop},
    {"Build up from Bottom", BuildUpFromBottom},
    {"Unroll from Left", UnrollFromLeft},
    {"Unroll from Right", UnrollFromRight},
    {"Unroll from Top", UnrollFromTop},
    {"Unroll from Bottom", UnrollFromBottom},
    {"Slide in from Left", SlideInFromLeft},
    {"Slide in from Right", SlideInFromRight},
    {"Slide in from Top", SlideInFromTop},
    {"Slide in from Bottom", SlideInFromBottom},
    {"Shrink to Top Left", ShrinkToTopLeft},
    {"Shrink to Top Right", ShrinkToTopRight},
    {"Shrink to Bottom Left", ShrinkToBottomLeft},
    {"Shrink to Bottom Right", ShrinkToBottomRight},
    {"Shrink to Center", ShrinkToCenter},
    {"Quarters Wipe in to Center", QuartersWipeInToCenter},
    {"Quarters Expand to Center", QuartersExpandToCenter},
    {"Quarters Slide in to Center", QuartersSlideInToCenter},
    {"Curved Wipe from Left", CurvedWipeFromLeft},
    {"Curved Wipe from Right", CurvedWipeFromRight},
    {"Curved Wipe from Top", CurvedWipeFromTop},
    {"Curved Wipe from Bottom", CurvedWipeFromBottom},
    {"Curved Wipe from Top Left", CurvedWipeFromTopLeft},
    {"Curved Wipe from Top Right", CurvedWipeFromTopRight},
    {"Curved Wipe from Bottom Left", CurvedWipeFromBottomLeft},
    {"Curved Wipe from Bottom Right", CurvedWipeFromBottomRight},
    {"Bars in from Left", BarsInFromLeft},
    {"Bars in from Right", BarsInFromRight},
    {"Bars from Top", BarsFromTop},
    {"Bars from Bottom", BarsFromBottom},
    {"Bars Left then Right", BarsLeftThenRight},
    {"Bars Right then Left", BarsRightThenLeft},
    {"Bars Top then Bottom", BarsTopThenBottom},
    {"Bars Bottom then Top", BarsBottomThenTop},
    {"Bars from both Sides", BarsFrombothSides},
    {"Bars from Top and Bottom", BarsFromTopAndBottom},
    {"Shredded from Left", ShreddedFromLeft},
    {"Shredded from Right", ShreddedFromRight},
    {"Shredded from Top", ShreddedFromTop},
    {"Shredded from Bottom", ShreddedFromBottom},
    {"Shredded from Top and Left", ShreddedFromTopAndLeft},
    {"Shredded from Top and Right", ShreddedFromTopAndRight},
    {"Shredded from Bottom and Left", ShreddedFromBottomAndLeft},
    {"Shredded from Bottom and Right", ShreddedFromBottomAndRight},
    {"Shredded from Horizon and Left", ShreddedFromHorizonAndLeft},
    {"Shredded from Horizon and Right", ShreddedFromHorizonAndRight},
    {"Shredded from Top and Vertical Center", ShreddedFromTopAndVerticalCenter},
    {"Shredded from Bottom and Vertical Center", ShreddedFromBottomAndVerticalCenter},
    {"Shredded from Center", ShreddedFromCenter},
    {"Shredded to Center", ShreddedToCenter},
    {"Shredded in to Horizon", ShreddedInToHorizon},
    {"Shredded in to Vertical Center", ShreddedInToVerticalCenter},
    {"Shredded out from Horizon", ShreddedOutFromHorizon},
    {"Shredded out from Vertical Center", ShreddedOutFromVerticalCenter},
    {"Expanding Rectangles", ExpandingRectangles},
    {"Expanding Triangles", ExpandingTriangles},
    {"Expanding Circles", ExpandingCircles},
    {"Expanding Diamonds", ExpandingDiamonds},
    {"Circular Wipe from Center", CircularWipeFromCenter},
    {"Circular Wipe to Center", CircularWipeToCenter},
    {"Crisscross Wipe from Top Left", CrisscrossWipeFromTopLeft},
    {"Crisscross Wipe from Top Right", CrisscrossWipeFromTopRight},
    {"Crisscross Wipe from Bottom Left", CrisscrossWipeFromBottomLeft},
    {"Crisscross Wipe from Bottom Right", CrisscrossWipeFromBottomRight},
    {"Crisscross Wipe Bounce from Top Left", CrisscrossWipeBounceFromTopLeft},
    {"Crisscross Wipe Bounce from Top Right", CrisscrossWipeBounceFromTopRight},
    {"Crisscross Wipe Bounce from Bottom Left", CrisscrossWipeBounceFromBottomLeft},
    {"Crisscross Wipe Bounce from Bottom Right", CrisscrossWipeBounceFromBottomRight},
    {"Crisscross Wipe from Left Right and Top", CrisscrossWipeFromLeftRightAndTop},
    {"Crisscross Wipe from Left Right and Bottom", CrisscrossWipeFromLeftRightAndBottom},
    {"Crisscross Wipe from Left Top and Bottom", CrisscrossWipeFromLeftTopAndBottom},
    {"Crisscross Wipe from Top Left Right and Bottom", CrisscrossWipeFromTopLeftRightAndBottom},
    {"Crisscross Wipe from Right Top and Bottom", CrisscrossWipeFromRightTopAndBottom},
    {"Crisscross Wipe from Bottom Left Top Right", CrisscrossWipeFromBottomLeftTopRight},
    {"Wipe diagonal from Top Left", WipeDiagonalFromTopLeft},
    {"Wipe diagonal from Top Right", WipeDiagonalFromTopRight},
    {"Wipe diagonal from Bottom Left", WipeDiagonalFromBottomLeft},
    {"Wipe diagonal from Bottom Right", WipeDiagonalFromBottomRight},
    {"Diagonal Sweep Clockwise", DiagonalSweepClockwise},
    {"Diagonal Sweep Counter-Clockwise", DiagonalSweepCounterClockwise},
    {"Sweep Clockwise", SweepClockwise},
    {"Sweep Counter-Clockwise", SweepCounterClockwise},
    {"Starburst Clockwise", StarburstClockwiseFromCenter},
    {"Starburst Counter-Clockwise", StarburstCounterClockwiseFromCenter},
    {"Rotational Rectangle Clockwise", RotationalRectangle},
    {"Rotational Rectangle Counter-Clockwise", RotationalRectangleCounterClockwise},
    {"Rotational Star Clockwise", RotationalStar},
    {"Rotational Star Counter-Clockwise", RotationalStarCounterClockwise},
    {"Speckled Wipe from Left", SpeckledWipeFromLeft},
    {"Speckled Wipe from Right", SpeckledWipeFromRight},
    {"Speckled Wipe from Top", SpeckledWipeFromTop},
    {"Speckled Wipe from Bottom", SpeckledWipeFromBottom},
    {"Push Left and Slide out", PushLeftAndSlideOut},
    {"Push Right and Slide out", PushRightAndSlideOut},
    {"Push up and Slide out", PushUpAndSlideOut},
    {"Push down and Slide out", PushDownAndSlideOut},
    {"Push and Squeeze Left", PushAndSqueezeLeft},
    {"Push and Squeeze Right", PushAndSqueezeRight},
    {"Push and Squeeze up", PushAndSqueezeUp},
    {"Push and Squeeze down", PushAndSqueezeDown},
    {"Horizontal Blinds", HorizontalBlinds},
    {"Vertical Blinds", VerticalBlinds},
    {"Uneven Blinds from Left", UnevenBlindsFromLeft},
    {"Uneven Blinds from Right", UnevenBlindsFromRight},
    {"Uneven Blinds from Top", UnevenBlindsFromTop},
    {"Uneven Blinds from Bottom", UnevenBlindsFromBottom},
    {"Rectangles from the Left", RectanglesFromTheLeft},
    {"Rectangles from the Right", RectanglesFromTheRight},
    {"Rectangles from the Top", RectanglesFromTheTop},
    {"Rectangles from the Bottom", RectanglesFromTheBottom},
    {"Spiralling Rectangle Clockwise", SpirallingRectangleClockwise},
    {"Spiralling Rectangle Counter-Clockwise", SpirallingRectangleCounterClockwise},
    {"Arrow Wipe from Left", ArrowWipeFromLeft},
    {"Arrow Wipe from Right", ArrowWipeFromRight},
    {"Arrow Wipe from Top", ArrowWipeFromTop},
    {"Arrow Wipe from Bottom", ArrowWipeFromBottom},
    {"Horizontal Bow Tie Wipe", HorizontalBowTieWipe},
    {"Vertical Bow Tie Wipe", VerticalBowTieWipe},
    {"Diagonal Cross from Center", DiagonalCrossFromCenter},
    {"Diagonal Cross to Center", DiagonalCrossToCenter},
    {"Zigzag Wipe from Horizon", ZigzagWipeFromHorizon},
    {"Zigzag Wipe from Vertical Center", ZigzagWipeFromVerticalCenter},
    {"Diamond Wipe from Center", DiamondWipeFromCenter},
    {"Diamond Wipe to Center", DiamondWipeToCenter},
    {"Diagonal Box Wipe", DiagonalBoxWipe},
    {"Triangular Wipe", TriangularWipe},
    {"Random Big Boxes", RandomBigBoxes},
    {"Page Flip", PageFlip},
    {"Page Flip 2", PageFlip2},
};

const TEffect* FindTransitionEffect(int32_t type) {
  if (type < 1 || type > TransitionEffectCount) return nullptr;
  return &TransitionEffects[type - 1];
}

void CalcTransitionSize(const vcl::TRect& rect, int32_t progress, int32_t& w, int32_t& h, int32_t& sw, int32_t& sh) {
  w = rect.right - rect.left;
  h = rect.bottom - rect.top;
  if (w >= h) {
    sw = MulDiv(w, progress, 100);
    sh = MulDiv(sw, h, w);
  } else {
    sh = MulDiv(h, progress, 100);
    sw = MulDiv(sh, w, h);
  }
  // MulDiv answers -1 for a zero divisor (an empty frame): nothing grows then.
  if (sw < 0) sw = 0;
  if (sh < 0) sh = 0;
}

void StretchDrawFlipped(vcl::TCanvas* canvas, vcl::TRect dstRect, vcl::TBitmap* bitmap, vcl::TRect srcRect,
                        bool flipH, bool flipV) {
  srcRect.left = std::max(srcRect.left, 0);
  srcRect.top = std::max(srcRect.top, 0);
  srcRect.right = std::min(srcRect.right, bitmap->Width());
  srcRect.bottom = std::min(srcRect.bottom, bitmap->Height());
  if (srcRect.right <= srcRect.left || srcRect.bottom <= srcRect.top) return;
  if (flipH) {
    const int32_t left = dstRect.left;
    dstRect.left = dstRect.right + 1;
    dstRect.right = left - 1;
  }
  if (flipV) {
    const int32_t top = dstRect.top;
    dstRect.top = dstRect.bottom + 1;
    dstRect.bottom = top - 1;
  }
  HalftoneBlt(canvas->Handle(), dstRect.left, dstRect.top, dstRect.right - dstRect.left, dstRect.bottom - dstRect.top,
              bitmap->Canvas()->Handle(), srcRect.left, srcRect.top, srcRect.right - srcRect.left,
              srcRect.bottom - srcRect.top);
}

}  // namespace imaging
