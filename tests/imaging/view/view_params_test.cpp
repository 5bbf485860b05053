// The scroll-bar and mouse-wheel settings objects of the views.
#include <gtest/gtest.h>

#include "imaging/view/view_params.h"

using namespace imaging;

TEST(ViewParams, DefaultsOfANewScrollBarAndWheel) {
  TIEScrollBarParams bar;
  EXPECT_EQ(bar.LineStep(), -1);
  EXPECT_EQ(bar.PageStep(), -1);
  EXPECT_TRUE(bar.Tracking());

  TIEMouseWheelParams wheel;
  EXPECT_FALSE(wheel.InvertWheel());
  EXPECT_EQ(wheel.Action(), iemwZoom);
  EXPECT_EQ(int(wheel.Action()), 2);
  EXPECT_EQ(wheel.StepKind(), iemwPercentage);
  EXPECT_EQ(int(wheel.StepKind()), 1);
  EXPECT_EQ(wheel.StepValue(), 8);
  EXPECT_FALSE(wheel.ZoomAtCursor());
}
