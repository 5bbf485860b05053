#include "skin/engine/paint/button_glyph.h"

#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/skin_types.h"

using namespace skin;

namespace {

constexpr vcl::TColor kButtonKey = 0xFF00FF;
constexpr vcl::TColor kWhite = 0xFFFFFF;
const vcl::TColor kFrames[4] = {0x0000C0, 0x00C000, 0xC00000, 0x404040};

std::unique_ptr<vcl::TBitmap> ButtonSolid(int width, int height, vcl::TColor colour) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(width, height);
  b->Canvas()->Brush()->SetColor(colour);
  b->Canvas()->FillRect(vcl::Rect(0, 0, width, height));
  return b;
}

vcl::TColor ButtonAt(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<const uint8_t*>(b->ScanLine(y)) + x * 3;
  return p[2] | p[1] << 8 | p[0] << 16;
}

// Four 4 x 4 frames of one colour each, the bottom-left pixel of each in the key colour.
std::unique_ptr<vcl::TBitmap> Strip() {
  auto strip = ButtonSolid(16, 4, 0);
  for (int f = 0; f < 4; ++f) {
    strip->Canvas()->Brush()->SetColor(kFrames[f]);
    strip->Canvas()->FillRect(vcl::Rect(f * 4, 0, f * 4 + 4, 4));
    strip->Canvas()->SetPixels(f * 4, 3, kButtonKey);
  }
  return strip;
}

TEST(ButtonGlyph, AStripShowsTheFrameOfItsState) {
  struct Case {
    bool enabled;
    int state, down;
    bool fallback;
    int frame;
  } cases[] = {
      {true, 0, 0, false, 0}, {true, 1, 0, false, 1}, {true, 1, 0, true, 0}, {true, 2, 1, false, 3},
      {true, 2, 2, false, 1}, {true, 2, 2, true, 0}, {false, 2, 1, false, 0},
  };
  auto strip = Strip();
  for (const Case& c : cases) {
    FirstGlyphFallback = c.fallback;
    auto target = ButtonSolid(8, 8, kWhite);
    DrawBtnGlyphBmp(strip.get(), target.get(), vcl::Rect(2, 2, 6, 6), 4, c.enabled, {}, c.state, 0, c.down);
    EXPECT_EQ(ButtonAt(target.get(), 3, 3), kFrames[c.frame]) << c.state << " " << c.down;
    EXPECT_EQ(ButtonAt(target.get(), 2, 5), kWhite);  // the key pixel lets the button show
    EXPECT_EQ(ButtonAt(target.get(), 6, 3), kWhite);  // nothing right of the frame
  }
  FirstGlyphFallback = false;
}

TEST(ButtonGlyph, ADisabledSinglePictureTurnsGreyAroundItsTransparentPixels) {
  auto glyph = ButtonSolid(4, 4, 0x0000FF);  // red
  glyph->Canvas()->SetPixels(0, 3, kButtonKey);
  auto target = ButtonSolid(6, 6, kWhite);
  DrawBtnGlyphBmp(glyph.get(), target.get(), vcl::Rect(1, 1, 5, 5), 1, false, {dgGrayed}, 0, 0, 0);
  const vcl::TColor grey = ButtonAt(target.get(), 2, 2);
  EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
  EXPECT_EQ(grey & 0xFF, (grey >> 16) & 0xFF);
  EXPECT_NE(grey, kWhite);
  EXPECT_EQ(ButtonAt(target.get(), 1, 4), kWhite);  // still transparent after greying
  EXPECT_EQ(ButtonAt(glyph.get(), 2, 2), 0x0000FF);  // the caller's glyph is untouched
}

TEST(ButtonGlyph, ASinglePictureFadesIntoTheButtonInTheNormalState) {
  auto glyph = ButtonSolid(4, 4, 0);
  glyph->Canvas()->SetPixels(0, 3, kButtonKey);
  auto target = ButtonSolid(6, 6, kWhite);
  DrawBtnGlyphBmp(glyph.get(), target.get(), vcl::Rect(1, 1, 5, 5), 1, true, {}, 0, 40, 0);
  EXPECT_EQ(ButtonAt(target.get(), 2, 2), 0x666666);  // black 40 % of the way to white
  EXPECT_EQ(ButtonAt(target.get(), 1, 4), kWhite);
  target = ButtonSolid(6, 6, kWhite);
  DrawBtnGlyphBmp(glyph.get(), target.get(), vcl::Rect(1, 1, 5, 5), 1, true, {}, 1, 40, 0);
  EXPECT_EQ(ButtonAt(target.get(), 2, 2), 0);  // hot: drawn as it is
}

}  // namespace
