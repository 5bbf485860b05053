#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "imaging/model/backgrounds.h"
#include "imaging/model/frames_and_shadows.h"
#include "imaging/base/gdiplus_binding.h"
#include "imaging/model/graphics_helpers.h"
#include "imaging/model/hint_boxes.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/pixel_formats.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;

namespace {

// A 24-bit bitmap of one colour to draw on.
class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(60, 60, vcl::clWhite); }

  void Reset(int w, int h, vcl::TColor colour) {
    bitmap_.SetPixelFormat(vcl::pf24bit);
    bitmap_.SetSize(w, h);
    bitmap_.Canvas()->Brush()->SetColor(colour);
    bitmap_.Canvas()->Brush()->SetStyle(vcl::bsSolid);
    bitmap_.Canvas()->FillRect(RECT{0, 0, w, h});
  }
  vcl::TCanvas* Canvas() { return bitmap_.Canvas(); }
  // The blue, green, red bytes of a pixel as 0xRRGGBB.
  uint32_t Pixel(int x, int y) {
    auto* p = static_cast<uint8_t*>(bitmap_.ScanLine(y)) + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }
  int Grey(int x, int y) { return Pixel(x, y) & 0xFF; }

  vcl::TBitmap bitmap_;
};

}  // namespace

TEST_F(DrawingTest, Frame3DLeavesTheTopRightCornerOut) {
  DrawFrame3D(Canvas(), 0, 0, 10, 10, 0x0000FF, 0xFF0000);  // red top-left, blue bottom-right
  EXPECT_EQ(Pixel(10, 0), 0xFFFFFFu);
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(5, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(0, 5), 0xFF0000u);
  EXPECT_EQ(Pixel(5, 10), 0x0000FFu);
  EXPECT_EQ(Pixel(10, 5), 0x0000FFu);
  EXPECT_EQ(Pixel(10, 10), 0x0000FFu);
  EXPECT_EQ(Pixel(5, 5), 0xFFFFFFu);
  EXPECT_EQ(Canvas()->Pen()->Width(), 1);
}

TEST_F(DrawingTest, Frame3DOnIECanvasOnBothPaths) {
  ResetGDIPlusState();
  LoadGDIPlus();
  for (bool gdiPlus : {false, true}) {
    Reset(60, 60, vcl::clWhite);
    TIECanvas canvas(Canvas(), false, gdiPlus);
    DrawFrame3DOnIECanvas(&canvas, 5, 5, 20, 20, 0x0000FF, 0xFF0000);
    EXPECT_EQ(Pixel(5, 12), 0xFF0000u) << gdiPlus;
    EXPECT_EQ(Pixel(12, 5), 0xFF0000u) << gdiPlus;
    EXPECT_EQ(Pixel(12, 20), 0x0000FFu) << gdiPlus;
    EXPECT_EQ(Pixel(20, 12), 0x0000FFu) << gdiPlus;
    EXPECT_EQ(Pixel(12, 12), 0xFFFFFFu) << gdiPlus;
  }
  UnloadGDIPlus();
}

TEST_F(DrawingTest, ShadowStripsDarkenTowardsTheImage) {
  // The view's strips for an image ending at column 29 and row 29.
  DrawShadowRight(Canvas(), &bitmap_, 30, 0, 35, 33, 2);
  int w = 6;
  auto factor = [](int i, int size) {
    double t = (size - i) / (size / 3.0);
    return std::exp(-0.1 - t * t / 6);
  };
  EXPECT_EQ(Grey(30, w), static_cast<int>(std::trunc(255 * factor(0, w))));
  EXPECT_EQ(Grey(35, w), static_cast<int>(std::trunc(255 * factor(5, w))));
  EXPECT_LT(Grey(30, 10), Grey(33, 10));
  EXPECT_EQ(Grey(30, w - 1), 255);                // the strip starts w rows down
  EXPECT_EQ(Grey(30, 33 - w + 0 + 3), Grey(30, 10));  // last row of column 0
  EXPECT_EQ(Grey(30, 33 - w + 0 + 4), 255);
  EXPECT_EQ(Grey(29, 10), 255);

  DrawShadowBottom(Canvas(), nullptr, 0, 30, 34, 35, 2);  // through the canvas alone
  int h = 6;
  EXPECT_EQ(Grey(h, 30), static_cast<int>(std::trunc(255 * factor(0, h))));
  EXPECT_EQ(Grey(h - 1, 30), 255);
  EXPECT_LT(Grey(10, 30), Grey(10, 33));
}

TEST_F(DrawingTest, ShadowKindsOneAndThree) {
  Canvas()->Brush()->SetColor(vcl::clBlack);
  DrawShadowRight(Canvas(), &bitmap_, 0, 0, 4, 19, 1);
  EXPECT_EQ(Pixel(0, 5), 0u);
  EXPECT_EQ(Pixel(3, 19), 0u);
  EXPECT_EQ(Pixel(4, 19), 0xFFFFFFu);
  EXPECT_EQ(Pixel(0, 4), 0xFFFFFFu);

  Reset(60, 60, vcl::clWhite);
  DrawShadowRight(Canvas(), &bitmap_, 10, 10, 14, 29, 3);
  // The ramp stays within the rectangle: nothing past its last column or row.
  for (int y = 0; y < 60; ++y) EXPECT_EQ(Pixel(15, y), 0xFFFFFFu) << y;
  for (int x = 0; x < 60; ++x) EXPECT_EQ(Pixel(x, 30), 0xFFFFFFu) << x;
  EXPECT_EQ(Grey(10, 10), 255);  // the first row's floor is white
  EXPECT_EQ(Grey(10, 20), 93);   // trunc(255 / e) next to the image, above the row's floor
  EXPECT_EQ(Grey(14, 20), 208);  // trunc(e^(4/5) / e * 255)
  EXPECT_EQ(Grey(10, 29), 255);  // the far end is cut diagonally
  EXPECT_EQ(Pixel(10, 20) & 0xFF, (Pixel(10, 20) >> 8) & 0xFF);

  Reset(60, 60, vcl::clWhite);
  DrawShadowBottom(Canvas(), &bitmap_, 10, 10, 29, 14, 3);
  for (int x = 0; x < 60; ++x) EXPECT_EQ(Pixel(x, 15), 0xFFFFFFu) << x;
  for (int y = 0; y < 60; ++y) EXPECT_EQ(Pixel(30, y), 0xFFFFFFu) << y;
  DrawShadowBottom(Canvas(), &bitmap_, 10, 10, 29, 14, 7);  // unknown kind: nothing
}

TEST_F(DrawingTest, SoftShadowFallsDownAndRightAndSparesTheImage) {
  DrawSoftShadow(&bitmap_, 20, 20, 39, 39);
  for (int i = 20; i <= 39; ++i) {
    EXPECT_EQ(Pixel(39, i), 0xFFFFFFu) << i;  // the image's last column and row stay
    EXPECT_EQ(Pixel(i, 39), 0xFFFFFFu) << i;
  }
  EXPECT_LT(Grey(41, 30), 200);
  EXPECT_LT(Grey(30, 41), 200);
  EXPECT_LT(Grey(41, 30), Grey(18, 30));
  EXPECT_LT(Grey(30, 41), Grey(30, 18));
  EXPECT_EQ(Grey(14, 30), 255);  // beyond the margin
  EXPECT_EQ(Grey(45, 30), Grey(45, 30) & 0xFF);
  EXPECT_EQ(Pixel(41, 30) & 0xFF, (Pixel(41, 30) >> 16) & 0xFF);

  Reset(30, 30, vcl::clWhite);
  DrawSoftShadow(&bitmap_, 0, 0, 27, 27);  // the margin runs off the bitmap
  EXPECT_LT(Grey(29, 15), 255);
}

TEST_F(DrawingTest, ShadeOutsideRectDarkensEveryPixelOnce) {
  ResetGDIPlusState();
  for (bool gdiPlus : {false, true}) {
    if (gdiPlus) LoadGDIPlus();
    Reset(60, 60, vcl::clWhite);
    ShadeOutsideRect(Canvas(), 0, 0, 50, 50, 10, 10, 30, 30);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        bool hole = x >= 11 && x < 30 && y >= 11 && y <= 30;
        bool area = x < 50 && y < 50;
        if (hole || !area)
          ASSERT_EQ(Grey(x, y), 255) << x << "," << y << " gdi+ " << gdiPlus;
        else
          ASSERT_NEAR(Grey(x, y), 105, 2) << x << "," << y << " gdi+ " << gdiPlus;
      }
    Reset(60, 60, vcl::clWhite);
    ShadeOutsideRect(Canvas(), 0, 0, 50, 50, 30, 10, 30, 30);  // empty: nothing
    EXPECT_EQ(Grey(5, 5), 255);
    if (gdiPlus) UnloadGDIPlus();
  }
}

TEST_F(DrawingTest, MeasureHintStaysInsideAndKeepsABackup) {
  Reset(100, 60, 0x00FF00);
  vcl::TFont font;
  font.SetColor(vcl::clBlack);
  vcl::TBrush brush;
  brush.SetColor(0x00FFFF);
  vcl::TBitmap* backup = nullptr;
  Canvas()->Font()->Assign(&font);
  int w = Canvas()->TextWidth("12 px") + 12;
  int h = Canvas()->TextHeight("12 px") + 12;
  int x = 95, y = -4;
  DrawMeasureHint(Canvas(), x, y, "12 px", &font, &brush, backup, 100, 60, 0xFFFFFF, 0x808080);
  EXPECT_EQ(x, 100 - w - 1);
  EXPECT_EQ(y, 0);
  ASSERT_NE(backup, nullptr);
  EXPECT_EQ(backup->Width(), w);
  EXPECT_EQ(backup->Height(), h);
  EXPECT_EQ(backup->PixelFormat(), vcl::pf24bit);
  EXPECT_EQ(backup->Canvas()->Pixels(w - 1, h - 1), 0x00FF00);  // what the box covered
  EXPECT_EQ(Pixel(x + 6, y + 6), 0xFFFFFFu);            // frame, top left
  EXPECT_EQ(Pixel(x + w - 1, y + h - 1), 0x808080u);    // frame, bottom right
  EXPECT_EQ(Pixel(x + 7, y + h - 3), 0xFFFF00u);        // the brush, inside
  EXPECT_EQ(Pixel(x + 2, y + 2), 0x00FF00u);            // the margin is left alone
  delete backup;
}

TEST_F(DrawingTest, InteractionHintStartsAtTheClampedPosition) {
  ResetGDIPlusState();
  LoadGDIPlus();
  int x = -10, y = 3;
  DrawInteractionHint(Canvas(), x, y, "Zoom", "Zoom 100%");
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 3);
  EXPECT_EQ(Pixel(5, 15), 0xFFFFFFu);
  EXPECT_EQ(Pixel(6, 15), 0xFFFFFFu);  // the frame's white left edge
  EXPECT_EQ(Pixel(6, 9), 0xFFFFFFu);
  // Inside, pale yellow at half strength over white.
  uint32_t inside = Pixel(8, 11);
  EXPECT_NEAR(static_cast<int>(inside >> 16), 255, 2);
  EXPECT_NEAR(static_cast<int>(inside & 0xFF), 255 - 0x9F * 128 / 255, 3);
  UnloadGDIPlus();
}

TEST(Backgrounds, StripedAndBrushed) {
  vcl::TBitmap bitmap;
  PaintStripedBackground(&bitmap, 5, 6);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(bitmap.PixelFormat(), vcl::pf24bit);
  const int rows[] = {240, 251, 255, 251, 240, 251};
  for (int y = 0; y < 6; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(row[i], rows[y]) << y;
  }

  PaintBrushedBackground(&bitmap, 200, 20);
  EXPECT_EQ(bitmap.Width(), 200);
  int edge = 0, middle = 0;
  for (int y = 0; y < 20; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 200; ++x) {
      ASSERT_EQ(row[3 * x], row[3 * x + 1]);
      ASSERT_EQ(row[3 * x], row[3 * x + 2]);
      ASSERT_GE(row[3 * x], 160);
      ASSERT_LE(row[3 * x], 218);
    }
    edge += row[0];
    middle += row[300];
  }
  EXPECT_GT(middle, edge + 20 * 30);
}

TEST(GraphicsHelpers, FontStylesTextExtentAndGreyTables) {
  LOGFONTA font{};
  EXPECT_TRUE(LogFontToFontStyles(nullptr).Empty());
  font.lfWeight = 700;
  font.lfItalic = 1;
  vcl::TFontStyles styles = LogFontToFontStyles(&font);
  EXPECT_TRUE(styles.Contains(vcl::fsBold));
  EXPECT_TRUE(styles.Contains(vcl::fsItalic));
  EXPECT_FALSE(styles.Contains(vcl::fsUnderline));
  font.lfWeight = 400;
  font.lfItalic = 0;
  font.lfUnderline = 1;
  font.lfStrikeOut = 1;
  styles = LogFontToFontStyles(&font);
  EXPECT_FALSE(styles.Contains(vcl::fsBold));
  EXPECT_TRUE(styles.Contains(vcl::fsUnderline));
  EXPECT_TRUE(styles.Contains(vcl::fsStrikeOut));

  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(vcl::pf8bit);
  bitmap.SetSize(4, 4);
  vcl::TCanvas* canvas = bitmap.Canvas();
  EXPECT_EQ(WideTextWidth(canvas, u"Preview"), canvas->TextWidth("Preview"));
  EXPECT_EQ(WideTextHeight(canvas, u"Preview"), canvas->TextHeight("Preview"));
  EXPECT_GT(WideTextWidth(canvas, u"\u00e9t\u00e9"), 0);

  EXPECT_FALSE(HasGrayDIBColorTable(&bitmap));
  SetGrayDIBColorTable(&bitmap);
  EXPECT_TRUE(HasGrayDIBColorTable(&bitmap));
  vcl::TBitmap rgb;
  rgb.SetPixelFormat(vcl::pf24bit);
  rgb.SetSize(2, 2);
  EXPECT_TRUE(HasGrayDIBColorTable(&rgb));  // no colour table at all
}

TEST(PixelFormats, PlatformFormats) {
  struct Case {
    vcl::TPixelFormat format;
    int32_t bits;
    TIEPixelFormat ie;
    int64_t rowOf10;
  } cases[] = {
      {vcl::pfDevice, 0, ie24RGB, 0}, {vcl::pf1bit, 1, ie1g, 4},     {vcl::pf4bit, 4, ie8p, 8},
      {vcl::pf8bit, 8, ie8p, 12},     {vcl::pf15bit, 15, ie24RGB, 20}, {vcl::pf16bit, 16, ie24RGB, 20},
      {vcl::pf24bit, 24, ie24RGB, 32}, {vcl::pf32bit, 32, ie24RGB, 40}, {vcl::pfCustom, 0, ie24RGB, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PixelFormatBitCount(c.format), c.bits) << c.format;
    EXPECT_EQ(PixelFormatToIEPixelFormat(c.format), c.ie) << c.format;
    EXPECT_EQ(PixelFormatRowSize(10, c.format), c.rowOf10) << c.format;
  }
}
