// The pictures of the window commands' glyphs, drawn where the symbol font lacks them: each
// command has its own shape, centred in the cell, in the colour asked for.
#include <gtest/gtest.h>

#include <string>

#include "skin/engine/bitmap_ops.h"
#include "skin/forms/caption_glyphs.h"
#include "tests/skin/forms/provider_fixture.h"

using namespace skin;

namespace {

// The glyph drawn in a 16 x 16 white cell, as rows of '#' (the colour) and '.'.
std::string Picture(int command) {
  auto image = CreateBmp24(16, 16);
  HDC dc = image->Canvas()->Handle();
  RECT all{0, 0, 16, 16};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  DrawCaptionGlyph(dc, command, all, RGB(10, 20, 30));
  std::string rows;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = provider_test::PixelAt(image.get(), x, y);
      rows += p == RGB(10, 20, 30) ? '#' : p == RGB(255, 255, 255) ? '.' : '?';
    }
    rows += '\n';
  }
  return rows;
}

TEST(CaptionGlyphs, EachCommandHasItsOwnShape) {
  struct Case {
    int command;
    char glyph;
    int centreRow, centreColumn;  // a pixel the shape must cover
  };
  const Case cases[] = {{SC_CLOSE, 'r', 7, 7}, {SC_MINIMIZE, '0', 10, 7}, {SC_MAXIMIZE, '1', 3, 7}, {SC_RESTORE, '2', 6, 3}};
  std::string seen[4];
  for (int i = 0; i < 4; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.command);
    EXPECT_EQ(CaptionCommandGlyph(c.command), c.glyph);
    seen[i] = Picture(c.command);
    EXPECT_EQ(seen[i].find('?'), std::string::npos) << seen[i];
    EXPECT_EQ(seen[i][size_t(c.centreRow * 17 + c.centreColumn)], '#') << seen[i];
    for (int j = 0; j < i; ++j) EXPECT_NE(seen[i], seen[j]);
  }
  // The cross is dark in its middle, where a missing-glyph box would be hollow.
  EXPECT_EQ(seen[0][size_t(7 * 17 + 7)], '#');
  // Commands without a glyph draw nothing.
  EXPECT_EQ(CaptionCommandGlyph(SC_MOVE), 0);
  EXPECT_EQ(Picture(SC_MOVE).find('#'), std::string::npos);
}

}  // namespace
