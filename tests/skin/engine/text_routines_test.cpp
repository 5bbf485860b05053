#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/engine/paint/text_routines.h"
#include "vcl/graphics/bitmap.h"

using namespace skin;

namespace {

std::unique_ptr<vcl::TBitmap> TextMakeBitmap(int width, int height, vcl::TColor fill) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(fill);
  bitmap->Canvas()->FillRect(vcl::TRect{0, 0, width, height});
  return bitmap;
}

TEST(TextRoutines, CutsTextWithEllipsisToTheWidth) {
  auto bitmap = TextMakeBitmap(8, 8, 0xFFFFFF);
  vcl::TCanvas* canvas = bitmap->Canvas();
  const int twoAndDots = TextWidthOf(canvas, "ab...");
  ASSERT_LT(twoAndDots, TextWidthOf(canvas, "abc..."));
  struct Case {
    int width;
    std::string expected;
  } cases[] = {
      {twoAndDots, "ab..."},
      {TextWidthOf(canvas, "abc...") - 1, "ab..."},
      {TextWidthOf(canvas, "abcde"), "abcde"},  // fits as it is
      {TextWidthOf(canvas, "a...") - 1, ""},    // not even one letter
      {0, ""},
      {-5, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CutTextWithEllipsis(canvas, "abcde", c.width), c.expected) << c.width;
}

TEST(TextRoutines, MeasuresInTheFontOnTheScreen) {
  auto bitmap = TextMakeBitmap(8, 8, 0xFFFFFF);
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetHeight(-20);
  vcl::TSize onCanvas{}, onScreen{};
  GetTextExtentOf(canvas, "Skin text", onCanvas);
  GetFontTextExtent(canvas->Font()->Handle(), "Skin text", onScreen);
  EXPECT_GT(onCanvas.cx, 0);
  EXPECT_EQ(onScreen.cx, onCanvas.cx);
  EXPECT_EQ(onScreen.cy, onCanvas.cy);
  EXPECT_EQ(TextWidthOf(canvas, "Skin text"), onCanvas.cx);
  EXPECT_EQ(TextHeightOf(canvas, "Skin text"), onCanvas.cy);
}

TEST(TextRoutines, DrawsTheWholeStringInsideTheRectangleOnly) {
  auto bitmap = TextMakeBitmap(60, 30, 0xFFFFFF);
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetColor(0);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const vcl::TRect box{10, 5, 30, 25};
  EXPECT_GT(DrawCanvasText(canvas, "WWWWWWWWWWWW", box, DT_SINGLELINE), 0);
  int inside = 0, outside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool dark = (bitmap->Canvas()->Pixels(x, y) & 0xFF) < 128;
      const bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      (in ? inside : outside) += dark;
    }
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);  // DrawText clips to the rectangle without DT_NOCLIP
}

TEST(TextRoutines, DottedFocusFrameTouchesRightAndBottom) {
  auto bitmap = TextMakeBitmap(20, 20, 0x808080);
  vcl::TCanvas* canvas = bitmap->Canvas();
  DrawDottedFocusRect(canvas, vcl::TRect{3, 3, 12, 9});
  struct Case {
    int x, y;
    vcl::TColor colour;
  } cases[] = {
      {3, 3, 0},         {6, 3, 0},         {12, 3, 0},        {3, 9, 0},         {12, 9, 0},
      {3, 6, 0},         {12, 6, 0},        {2, 2, 0xFFFFFF},  {11, 8, 0xFFFFFF}, {5, 8, 0xFFFFFF},
      {4, 3, 0x808080},  {3, 4, 0x808080},  {13, 9, 0x808080}, {12, 10, 0x808080}, {7, 6, 0x808080},
  };
  for (const Case& c : cases) EXPECT_EQ(canvas->Pixels(c.x, c.y), c.colour) << c.x << "," << c.y;
}

}  // namespace
