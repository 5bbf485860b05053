#include "imaging/transitions/halftone_blit.h"

#include <gtest/gtest.h>

#include "tests/imaging/transitions/transition_pictures.h"
#include "vcl/graphics/bitmap.h"

using transition_test::FillPattern;
using transition_test::FirstDifference;

// Blocks that reach past the frame (the magnifying effects draw so) come out as the
// platform's halftone stretch draws them.
TEST(HalftoneBlit, BlocksReachingOutsideEqualThePlatformsStretch) {
  struct Block {
    int32_t x, y, w, h, u, v, p, q;
  };
  const Block blocks[] = {
      {-60, 0, 180, 70, 40, 0, 60, 70},    // magnified past the left edge
      {0, -30, 120, 130, 0, 30, 120, 40},  // past the top
      {0, 0, 170, 110, 0, 0, 80, 50},      // past the right and the bottom
      {-40, -20, 200, 150, 20, 10, 70, 50},
      {10, 10, 100, 60, -20, -10, 140, 90},  // the source reaching outside
      {0, 0, 50, 30, 110, 60, 40, 30},       // partly outside both
      {130, 0, 40, 40, 0, 0, 60, 60},        // nothing visible
      {5, 5, 60, 40, 0, 0, 120, 70},         // inside: the plain case
  };
  vcl::TBitmap source, platform, engine;
  for (vcl::TBitmap* b : {&source, &platform, &engine}) {
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(120, 70);
  }
  FillPattern(&source, false);
  for (const Block& b : blocks) {
    FillPattern(&platform, true);
    FillPattern(&engine, true);
    HDC dc = platform.Canvas()->Handle();
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, b.x, b.y, b.w, b.h, source.Canvas()->Handle(), b.u, b.v, b.p, b.q, SRCCOPY);
    imaging::HalftoneBlt(engine.Canvas()->Handle(), b.x, b.y, b.w, b.h, source.Canvas()->Handle(), b.u, b.v, b.p,
                         b.q);
    EXPECT_EQ(FirstDifference(&engine, &platform), "")
        << b.x << ", " << b.y << ", " << b.w << " x " << b.h << " from " << b.u << ", " << b.v << ", " << b.p
        << " x " << b.q;
  }
}
