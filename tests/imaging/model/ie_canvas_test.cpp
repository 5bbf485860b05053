#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "imaging/model/colour_argb.h"
#include "imaging/base/gdiplus_binding.h"
#include "imaging/model/ie_canvas.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;

namespace {

// A white 24-bit bitmap to draw on, with GDI+ loaded for the test's lifetime.
class IECanvasTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ResetGDIPlusState();
    LoadGDIPlus();
    ASSERT_TRUE(IsGDIPlusAvailable());
    bitmap_.SetPixelFormat(vcl::pf24bit);
    bitmap_.SetSize(40, 40);
    bitmap_.Canvas()->Brush()->SetColor(vcl::clWhite);
    bitmap_.Canvas()->FillRect(RECT{0, 0, 40, 40});
  }
  void TearDown() override { UnloadGDIPlus(); }

  bool UseGDIPlus() const { return GetParam(); }
  std::unique_ptr<TIECanvas> MakeCanvas(bool antialias = false) {
    return std::make_unique<TIECanvas>(bitmap_.Canvas(), antialias, UseGDIPlus());
  }
  // The blue, green, red bytes of a pixel.
  uint32_t Pixel(int x, int y) {
    auto* p = static_cast<uint8_t*>(bitmap_.ScanLine(y)) + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }
  int Green(int x, int y) { return (Pixel(x, y) >> 8) & 0xFF; }

  vcl::TBitmap bitmap_;
};

}  // namespace

TEST(ColorToARGB, ResolvesSystemColours) {
  EXPECT_EQ(ColorToARGB(0x00332211, 0x80), 0x80112233u);
  EXPECT_EQ(ColorToARGB(0x000000FF, 255), 0xFFFF0000u);
  uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(vcl::clWindow));
  EXPECT_EQ(ColorToARGB(vcl::clWindow, 7), ColorToARGB(static_cast<vcl::TColor>(rgb), 7));
  EXPECT_EQ(ColorToARGB(vcl::clWindow, 7) >> 24, 7u);
}

TEST(PenAdjustedEllipseBox, ThickPensKeepThinBoxes) {
  struct Case {
    RECT in;
    float width;
    RECT out;
  } cases[] = {
      {{10, 10, 12, 30}, 3, {8, 10, 12, 30}},  // drawn as x 8, y 10, width 3, height 19
      {{10, 10, 30, 30}, 1, {10, 10, 30, 30}},
      {{10, 10, 30, 30}, 4, {10, 10, 30, 30}},
      {{10, 10, 10, 30}, 0, {9, 10, 10, 30}},  // no width: a line
      {{10, 20, 30, 20}, 0, {10, 19, 30, 20}},
  };
  for (const Case& c : cases) {
    RECT r = PenAdjustedEllipseBox(c.in, c.width);
    EXPECT_EQ(r.left, c.out.left) << c.in.left << "," << c.in.right << " w" << c.width;
    EXPECT_EQ(r.top, c.out.top);
    EXPECT_EQ(r.right, c.out.right);
    EXPECT_EQ(r.bottom, c.out.bottom);
  }
}

TEST_P(IECanvasTest, FillRectCoversTheSamePixelsAsThePlatformCanvas) {
  auto canvas = MakeCanvas();
  EXPECT_EQ(canvas->UseGDIPlus(), UseGDIPlus());
  canvas->Brush()->SetColor(vcl::clBlack);
  canvas->FillRect(RECT{20, 20, 10, 10});
  for (int y = 8; y <= 21; ++y)
    for (int x = 8; x <= 21; ++x) {
      bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
      EXPECT_EQ(Pixel(x, y), inside ? 0u : 0xFFFFFFu) << x << "," << y;
    }
}

TEST_P(IECanvasTest, TransparentBrushesBlend) {
  auto canvas = MakeCanvas();
  canvas->Brush()->SetColor(vcl::clBlack);
  canvas->Brush()->SetAlpha(150);
  canvas->FillRect(RECT{0, 0, 10, 10});
  EXPECT_NEAR(Green(5, 5), 105, 2);  // 255 * (255 - 150) / 255
  EXPECT_EQ(Pixel(10, 5), 0xFFFFFFu);
  canvas->Brush()->SetAlpha(0);
  canvas->FillRect(RECT{20, 20, 30, 30});
  EXPECT_EQ(Pixel(25, 25), 0xFFFFFFu);
  canvas->Brush()->SetAlpha(255);
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->FillRect(RECT{20, 20, 30, 30});
  EXPECT_EQ(Pixel(25, 25), 0xFFFFFFu);
}

TEST_P(IECanvasTest, ShapesStayInsideTheirBoxes) {
  auto canvas = MakeCanvas();
  canvas->Pen()->SetColor(vcl::clBlack);
  canvas->Brush()->SetColor(0x0000FF);  // red
  canvas->Rectangle(5, 5, 15, 15);
  EXPECT_EQ(Pixel(5, 5), 0u);
  EXPECT_EQ(Pixel(14, 14), 0u);
  EXPECT_EQ(Pixel(10, 10), 0xFF0000u);
  EXPECT_EQ(Pixel(15, 15), 0xFFFFFFu);
  canvas->Ellipse(20, 20, 30, 30);
  EXPECT_EQ(Pixel(25, 25), 0xFF0000u);
  EXPECT_EQ(Pixel(20, 20), 0xFFFFFFu);
  EXPECT_EQ(Pixel(30, 25), 0xFFFFFFu);
  canvas->RoundRect(20, 5, 30, 15, 50, 50);  // corners larger than the box
  EXPECT_EQ(Pixel(25, 10), 0xFF0000u);
  EXPECT_EQ(Pixel(31, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(25, 16), 0xFFFFFFu);
}

TEST_P(IECanvasTest, LinesPolylinesAndPolygons) {
  auto canvas = MakeCanvas();
  canvas->Pen()->SetColor(vcl::clBlack);
  canvas->MoveTo(2, 30);
  canvas->LineTo(12, 30);
  EXPECT_EQ(Pixel(7, 30), 0u);
  canvas->DrawLine(2, 35, 12, 35);
  EXPECT_EQ(Pixel(7, 35), 0u);
  const POINT line[] = {{20, 30}, {30, 30}, {30, 38}};
  canvas->Polyline(line, 2);
  EXPECT_EQ(Pixel(25, 30), 0u);
  EXPECT_EQ(Pixel(30, 34), 0u);
  EXPECT_EQ(Pixel(25, 34), 0xFFFFFFu);
  canvas->Brush()->SetColor(0x00FF00);  // green
  const POINT triangle[] = {{2, 2}, {18, 2}, {2, 18}};
  canvas->Polygon(triangle, 2);
  EXPECT_EQ(Pixel(6, 6), 0x00FF00u);
  EXPECT_EQ(Pixel(16, 16), 0xFFFFFFu);
  canvas->Polygon(triangle, -1);  // no points: nothing
}

TEST_P(IECanvasTest, ArcFollowsTheEllipse) {
  auto canvas = MakeCanvas();
  canvas->Pen()->SetColor(vcl::clBlack);
  // The upper half: from the right end counter-clockwise to the left end.
  canvas->Arc(0, 0, 40, 40, 40, 20, 0, 20);
  int top = 0, bottom = 0;
  for (int x = 0; x < 40; ++x) {
    for (int y = 0; y < 18; ++y) top += Pixel(x, y) != 0xFFFFFFu;
    for (int y = 22; y < 40; ++y) bottom += Pixel(x, y) != 0xFFFFFFu;
  }
  EXPECT_GT(top, 30);
  EXPECT_EQ(bottom, 0);
}

TEST_P(IECanvasTest, TextRectTransparentKeepsTheBackground) {
  auto canvas = MakeCanvas();
  canvas->Brush()->SetColor(0x0000FF);
  canvas->GetFont()->SetColor(vcl::clBlack);
  canvas->TextRectTransparent(RECT{0, 0, 40, 20}, 2, "WW", 2);
  int black = 0, red = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      black += Pixel(x, y) == 0u;
      red += Pixel(x, y) == 0xFF0000u;
    }
  EXPECT_GT(black, 0);
  EXPECT_EQ(red, 0);
  EXPECT_EQ(bitmap_.Canvas()->Brush()->Style(), vcl::bsSolid);
  EXPECT_EQ(bitmap_.Canvas()->Brush()->Color(), 0x0000FF);
}

INSTANTIATE_TEST_SUITE_P(Paths, IECanvasTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "GDIPlus" : "Plain"; });

TEST(TIEPen, MirrorsThePlatformPen) {
  ResetGDIPlusState();
  LoadGDIPlus();
  vcl::TPen pen;
  pen.SetColor(0x0000FF);
  pen.SetWidth(3);
  {
    TIEPen iePen(&pen);
    EXPECT_NE(iePen.Handle(), nullptr);
    EXPECT_EQ(iePen.Width(), 3.0f);
    EXPECT_EQ(iePen.Alpha(), 255);
    EXPECT_EQ(iePen.LineJoin(), 2);
    EXPECT_EQ(iePen.GetARGB(), 0xFFFF0000u);
    iePen.SetWidth(2.7f);
    EXPECT_EQ(pen.Width(), 2);
    iePen.SetStyle(vcl::psClear);
    iePen.SetColor(0x00FF00);
    EXPECT_EQ(iePen.GetARGB(), 0x0000FF00u);  // clear: alpha 0
    EXPECT_EQ(pen.Style(), vcl::psClear);
    iePen.SetStyle(vcl::psDash);
    EXPECT_EQ(iePen.GetARGB(), 0xFF00FF00u);  // the colour comes back
    iePen.SetAlpha(64);
    EXPECT_EQ(iePen.GetARGB(), 0x4000FF00u);
    iePen.SetMode(vcl::pmXor);
    EXPECT_EQ(pen.Mode(), vcl::pmXor);
  }
  UnloadGDIPlus();
  EXPECT_FALSE(IsGDIPlusLoaded());
  TIEPen plain(&pen);
  EXPECT_EQ(plain.Handle(), nullptr);
}

TEST(TIEBrush, SolidClearAndHatchedBrushes) {
  ResetGDIPlusState();
  LoadGDIPlus();
  vcl::TBrush brush;
  {
    TIEBrush ieBrush(&brush);
    EXPECT_NE(ieBrush.Handle(), nullptr);
    ieBrush.SetStyle(vcl::bsClear);
    EXPECT_EQ(ieBrush.GetARGB() >> 24, 0u);
    ieBrush.SetColor(0x123456);
    EXPECT_EQ(brush.Style(), vcl::bsClear);  // stays clear like its mirror
    EXPECT_EQ(brush.Color(), 0x123456);
    ieBrush.SetStyle(vcl::bsCross);
    EXPECT_NE(ieBrush.Handle(), nullptr);
    EXPECT_EQ(ieBrush.GetARGB(), 0xFF563412u);
    ieBrush.SetAlpha(10);
    EXPECT_EQ(ieBrush.GetARGB() >> 24, 10u);
  }
  UnloadGDIPlus();
}

TEST(GDIPlusBinding, UseCountedLoading) {
  ResetGDIPlusState();
  EXPECT_FALSE(IsGDIPlusLoaded());
  LoadGDIPlus();
  LoadGDIPlus();
  EXPECT_TRUE(IsGDIPlusAvailable());
  UnloadGDIPlus();
  EXPECT_TRUE(IsGDIPlusLoaded());
  UnloadGDIPlus();
  EXPECT_FALSE(IsGDIPlusLoaded());
  UnloadGDIPlus();  // unbalanced: nothing happens
  EXPECT_FALSE(IsGDIPlusLoaded());

  // Without GDI+ a canvas that asks for it draws through the platform canvas.
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetSize(4, 4);
  TIECanvas canvas(bitmap.Canvas(), true, true);
  EXPECT_FALSE(canvas.UseGDIPlus());
}
