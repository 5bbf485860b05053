// The checkered fill: alternate pixels in two colours, only inside the rectangle, and the DC's
// colours given back.
#include <gtest/gtest.h>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/pattern_fill.h"

using namespace vcl;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;

namespace {

constexpr uint32_t kPatternWhite = 0xFFFFFF;
constexpr uint32_t kPatternRed = 0x0000FF;
constexpr uint32_t kPatternBlue = 0xFF0000;

TEST(PatternFill, CheckersTheRectangleAndKeepsTheDCColours) {
  auto bitmap = MakeBitmap(12, 12, pf24bit);
  HDC dc = bitmap->Canvas()->Handle();
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));

  FillCheckered(dc, Rect(2, 3, 10, 9), clRed, clBlue);

  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 10 && y >= 3 && y < 9;
      // The pattern is laid from the DC's origin, so neighbouring rectangles line up.
      const uint32_t expected = !inside ? kPatternWhite : (x + y) % 2 == 0 ? kPatternBlue : kPatternRed;
      EXPECT_EQ(Pixel(*bitmap, x, y), expected) << x << "," << y;
    }
  }
}

TEST(PatternFill, HeldDownFaceMixesButtonFaceAndHighlight) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  FillHeldDownFace(bitmap->Canvas()->Handle(), Rect(0, 0, 4, 4));
  EXPECT_EQ(Pixel(*bitmap, 0, 0), static_cast<uint32_t>(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(Pixel(*bitmap, 1, 0), static_cast<uint32_t>(ColorToRGB(clBtnFace)));
}

}  // namespace
