#include <gtest/gtest.h>

#include "skin/engine/paint/glyph_text_layout.h"

using namespace skin;

namespace {

TEST(GlyphTextLayout, PlacesGlyphAndCaption) {
  struct Case {
    const char* name;
    vcl::TRect client;
    vcl::TPoint glyph, text;
    int32_t layout, alignment, margin, spacing;
    uint32_t flags;
    vcl::TPoint glyphAt;
    vcl::TRect textAt;
  } cases[] = {
      {"centred", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphLeft, gaCenter, -1, 4, 0, {20, 7}, {40, 9, 80, 22}},
      {"client offset", {10, 20, 110, 50}, {16, 16}, {40, 13}, glGlyphLeft, gaCenter, -1, 4, 0, {30, 27}, {50, 29, 90, 42}},
      {"no caption ignores spacing", {0, 0, 100, 30}, {16, 16}, {0, 0}, glGlyphLeft, gaLeft, 5, 4, 0, {5, 7}, {21, 15, 21, 15}},
      {"glyph on top", {0, 0, 60, 50}, {16, 16}, {30, 13}, glGlyphTop, gaLeft, -1, 4, 0, {22, 8}, {15, 28, 45, 41}},
      {"glyph below", {0, 0, 60, 50}, {16, 16}, {30, 13}, glGlyphBottom, gaLeft, -1, 4, 0, {22, 26}, {15, 9, 45, 22}},
      {"right-to-left swaps sides", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphLeft, gaLeft, 3, 4, glRightToLeftReading, {47, 7}, {3, 9, 43, 22}},
      {"spread from a margin", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphLeft, gaLeft, 4, -1, 0, {4, 7}, {40, 9, 80, 22}},
      {"spread in thirds, right", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphLeft, gaRight, -1, -1, 0, {16, 7}, {46, 9, 86, 22}},
      {"glyph right, right", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphRight, gaRight, 2, 4, 0, {82, 7}, {38, 9, 78, 22}},
      {"left margin default 2", {0, 0, 100, 30}, {16, 16}, {40, 13}, glGlyphLeft, gaLeft, -1, 4, 0, {2, 7}, {22, 9, 62, 22}},
  };
  for (const Case& c : cases) {
    vcl::TPoint glyphAt{-99, -99};
    vcl::TRect textAt{};
    CalcGlyphTextLayout(c.client, c.glyph, c.text, c.layout, c.alignment, c.margin, c.spacing, glyphAt, textAt, c.flags);
    EXPECT_EQ(glyphAt.x, c.glyphAt.x) << c.name;
    EXPECT_EQ(glyphAt.y, c.glyphAt.y) << c.name;
    EXPECT_EQ(textAt.left, c.textAt.left) << c.name;
    EXPECT_EQ(textAt.top, c.textAt.top) << c.name;
    EXPECT_EQ(textAt.right, c.textAt.right) << c.name;
    EXPECT_EQ(textAt.bottom, c.textAt.bottom) << c.name;
  }
}

}  // namespace
