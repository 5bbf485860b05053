// The canvas on a bitmap's DIB: lines, shapes, fills, text, copies and the tools.
#include <gtest/gtest.h>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/exceptions.h"

using namespace vcl;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;

namespace {

constexpr uint32_t kCanvasWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kCanvasRed = 0x0000FF;
constexpr uint32_t kCanvasBlue = 0xFF0000;

int CountPixels(TBitmap& bitmap, uint32_t color) {
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) count += Pixel(bitmap, x, y) == color;
  return count;
}

TEST(CanvasLines, LeaveOutTheirEndPoint) {
  auto bitmap = MakeBitmap(12, 12, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Pen()->SetColor(clBlack);
  c->MoveTo(1, 1);
  c->LineTo(8, 1);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(Pixel(*bitmap, x, 1), kBlack) << x;
  EXPECT_EQ(Pixel(*bitmap, 8, 1), kCanvasWhite);
  EXPECT_EQ(c->PenPos().x, 8);

  c->Polyline({Point(1, 4), Point(6, 4), Point(6, 9)});
  EXPECT_EQ(Pixel(*bitmap, 6, 4), kBlack);  // the corner is drawn by the second segment
  EXPECT_EQ(Pixel(*bitmap, 6, 8), kBlack);
  EXPECT_EQ(Pixel(*bitmap, 6, 9), kCanvasWhite);
}

TEST(CanvasShapes, RightAndBottomAreExclusive) {
  auto bitmap = MakeBitmap(10, 10, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetColor(clRed);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(2, 2, 6, 6);
  EXPECT_EQ(Pixel(*bitmap, 2, 2), kBlack);
  EXPECT_EQ(Pixel(*bitmap, 5, 5), kBlack);
  EXPECT_EQ(Pixel(*bitmap, 3, 3), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 6, 6), kCanvasWhite);

  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(7, 7, 9, 9));
  EXPECT_EQ(Pixel(*bitmap, 8, 8), kCanvasBlue);
  EXPECT_EQ(Pixel(*bitmap, 9, 9), kCanvasWhite);
  EXPECT_EQ(CountPixels(*bitmap, kCanvasBlue), 4);
}

TEST(CanvasShapes, ClearBrushLeavesTheInside) {
  auto bitmap = MakeBitmap(10, 10, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(1, 1, 9, 9);
  EXPECT_EQ(Pixel(*bitmap, 1, 1), kBlack);
  EXPECT_EQ(Pixel(*bitmap, 4, 4), kCanvasWhite);
}

TEST(CanvasShapes, HatchBrushPaintsOnlyItsLines) {
  auto bitmap = MakeBitmap(16, 16, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetColor(clRed);
  c->Brush()->SetStyle(bsHorizontal);
  c->FillRect(Rect(0, 0, 16, 16));
  int red = CountPixels(*bitmap, kCanvasRed);
  // Horizontal hatch lines every eighth row; the rest stays as it was.
  EXPECT_EQ(red, 2 * 16);
  EXPECT_EQ(CountPixels(*bitmap, kCanvasWhite), 256 - red);
}

TEST(CanvasShapes, CurvesAndPolygonsFillTheirInside) {
  struct Case {
    const char* name;
    void (*draw)(TCanvas*);
  };
  const Case cases[] = {
      {"Ellipse", [](TCanvas* c) { c->Ellipse(2, 2, 18, 18); }},
      {"RoundRect", [](TCanvas* c) { c->RoundRect(2, 2, 18, 18, 6, 6); }},
      {"Pie", [](TCanvas* c) { c->Pie(2, 2, 18, 18, 18, 10, 10, 2); }},
      {"Chord", [](TCanvas* c) { c->Chord(0, 0, 20, 20, 20, 20, 0, 0); }},
      {"Polygon", [](TCanvas* c) { c->Polygon({Point(2, 2), Point(18, 2), Point(18, 18), Point(2, 18)}); }},
  };
  for (const Case& k : cases) {
    auto bitmap = MakeBitmap(20, 20, pf24bit);
    bitmap->Canvas()->Brush()->SetColor(clBlue);
    k.draw(bitmap->Canvas());
    EXPECT_EQ(Pixel(*bitmap, 12, 8), kCanvasBlue) << k.name;
    EXPECT_EQ(Pixel(*bitmap, 0, 19), kCanvasWhite) << k.name;
  }
}

TEST(CanvasShapes, ArcAndBezierDrawOnlyAnOutline) {
  auto bitmap = MakeBitmap(20, 20, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetColor(clBlue);
  c->Arc(2, 2, 18, 18, 18, 10, 2, 10);  // the upper half
  c->PolyBezier({Point(2, 16), Point(6, 12), Point(12, 12), Point(17, 16)});
  EXPECT_EQ(CountPixels(*bitmap, kCanvasBlue), 0);
  EXPECT_GT(CountPixels(*bitmap, kBlack), 20);
  EXPECT_EQ(Pixel(*bitmap, 10, 10), kCanvasWhite);
}

TEST(CanvasPenModes, NotAndXorDrawnTwiceRestoreThePixels) {
  for (TPenMode mode : {pmNot, pmXor, pmNotXor}) {
    auto bitmap = MakeBitmap(10, 10, pf24bit, clSilver);
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 5, 10));
    std::vector<uint8_t> before = graphics_test::Rows(*bitmap);
    c->Pen()->SetMode(mode);
    c->Pen()->SetColor(clBlue);
    c->MoveTo(0, 5);
    c->LineTo(10, 5);
    EXPECT_NE(graphics_test::Rows(*bitmap), before) << mode;
    c->MoveTo(0, 5);
    c->LineTo(10, 5);
    EXPECT_EQ(graphics_test::Rows(*bitmap), before) << mode;
  }
}

TEST(CanvasPenModes, NotInvertsWhatIsUnder) {
  auto bitmap = MakeBitmap(4, 4, pf24bit, TColor(0x102030));
  TCanvas* c = bitmap->Canvas();
  c->Pen()->SetMode(pmNot);
  c->MoveTo(0, 1);
  c->LineTo(4, 1);
  EXPECT_EQ(Pixel(*bitmap, 2, 1), 0xEFDFCFu);
}

TEST(CanvasFocusRect, SecondCallErasesIt) {
  auto bitmap = MakeBitmap(12, 12, pf24bit);
  std::vector<uint8_t> before = graphics_test::Rows(*bitmap);
  bitmap->Canvas()->DrawFocusRect(Rect(1, 1, 11, 11));
  EXPECT_GT(CountPixels(*bitmap, kBlack), 0);
  bitmap->Canvas()->DrawFocusRect(Rect(1, 1, 11, 11));
  EXPECT_EQ(graphics_test::Rows(*bitmap), before);
}

TEST(CanvasFrameRect, DrawsOnePixelInTheBrush) {
  auto bitmap = MakeBitmap(8, 8, pf24bit);
  bitmap->Canvas()->Brush()->SetColor(clRed);
  bitmap->Canvas()->FrameRect(Rect(1, 1, 7, 7));
  EXPECT_EQ(CountPixels(*bitmap, kCanvasRed), 20);
  EXPECT_EQ(Pixel(*bitmap, 1, 1), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 6, 6), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 3, 3), kCanvasWhite);
}

TEST(CanvasFloodFill, SurfaceAndBorderStyles) {
  auto bitmap = MakeBitmap(10, 10, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(2, 2, 8, 8);  // a black frame
  c->Brush()->SetColor(clRed);
  c->FloodFill(4, 4, clWhite, fsSurface);
  EXPECT_EQ(Pixel(*bitmap, 4, 4), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), kCanvasWhite);  // outside the frame

  c->Brush()->SetColor(clBlue);
  c->FloodFill(0, 0, clBlack, fsBorder);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), kCanvasBlue);
  EXPECT_EQ(Pixel(*bitmap, 9, 9), kCanvasBlue);
  EXPECT_EQ(Pixel(*bitmap, 4, 4), kCanvasRed);
}

TEST(CanvasPixels, ReadAndWrite) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->SetPixels(1, 2, TColor(0x123456));
  EXPECT_EQ(c->Pixels(1, 2), 0x123456);
  // A system colour is resolved before it is drawn.
  c->SetPixels(0, 0, clBtnFace);
  EXPECT_EQ(c->Pixels(0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(c->Pixels(10, 10), -1);  // outside the bitmap: CLR_INVALID
}

TEST(CanvasText, DrawsInsideItsExtent) {
  auto bitmap = MakeBitmap(60, 30, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Font()->SetColor(clBlack);
  TSize extent = c->TextExtent("Hg");
  EXPECT_GT(extent.cx, 0);
  EXPECT_GT(extent.cy, 0);
  EXPECT_EQ(c->TextWidth("Hg"), extent.cx);
  EXPECT_EQ(c->TextHeight("Hg"), extent.cy);
  EXPECT_GT(c->TextWidth("HgHg"), extent.cx);

  c->TextOut(5, 5, "Hg");
  int inside = 0, outside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      bool dark = Pixel(*bitmap, x, y) == kBlack;
      bool in = x >= 5 && x < 5 + extent.cx && y >= 5 && y < 5 + extent.cy;
      (in ? inside : outside) += dark;
    }
  EXPECT_GT(inside, 5);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(c->PenPos().x, 5 + extent.cx);  // TextOut moves the pen past the text
}

TEST(CanvasText, TextRectClipsAndFillsWithTheBrush) {
  auto bitmap = MakeBitmap(60, 30, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetColor(clRed);
  c->TextRect(Rect(10, 0, 30, 30), 0, 5, "WWWWWWWWWW");
  for (int y = 0; y < 30; ++y) {
    EXPECT_EQ(Pixel(*bitmap, 5, y), kCanvasWhite) << y;   // left of the rectangle: nothing
    EXPECT_EQ(Pixel(*bitmap, 40, y), kCanvasWhite) << y;  // right of it: nothing
  }
  EXPECT_EQ(Pixel(*bitmap, 20, 29), kCanvasRed);  // the rectangle is filled with the brush
  EXPECT_GT(CountPixels(*bitmap, kBlack), 0);

  // A clear brush fills nothing.
  auto clear = MakeBitmap(60, 30, pf24bit);
  clear->Canvas()->Brush()->SetStyle(bsClear);
  clear->Canvas()->TextRect(Rect(10, 0, 30, 30), 12, 5, "W");
  EXPECT_EQ(CountPixels(*clear, kCanvasRed), 0);
  EXPECT_EQ(Pixel(*clear, 20, 29), kCanvasWhite);
}

TEST(CanvasCopyRect, StretchesWithTheCopyMode) {
  auto source = MakeBitmap(2, 2, pf24bit);
  TCanvas* s = source->Canvas();
  s->SetPixels(0, 0, clRed);
  s->SetPixels(1, 0, clBlue);
  s->SetPixels(0, 1, clLime);
  s->SetPixels(1, 1, clBlack);

  auto dest = MakeBitmap(8, 8, pf24bit);
  dest->Canvas()->CopyRect(Rect(0, 0, 8, 8), s, Rect(0, 0, 2, 2));
  EXPECT_EQ(Pixel(*dest, 0, 0), kCanvasRed);
  EXPECT_EQ(Pixel(*dest, 3, 3), kCanvasRed);
  EXPECT_EQ(Pixel(*dest, 4, 0), kCanvasBlue);
  EXPECT_EQ(Pixel(*dest, 7, 3), kCanvasBlue);
  EXPECT_EQ(Pixel(*dest, 0, 4), 0x00FF00u);
  EXPECT_EQ(Pixel(*dest, 7, 7), kBlack);

  dest->Canvas()->SetCopyMode(cmNotSrcCopy);
  dest->Canvas()->CopyRect(Rect(0, 0, 2, 2), s, Rect(0, 0, 2, 2));
  EXPECT_EQ(Pixel(*dest, 0, 0), 0xFFFF00u);
  EXPECT_EQ(Pixel(*dest, 1, 1), kCanvasWhite);
}

TEST(CanvasBrushCopy, ReplacesTheColourByTheBrush) {
  auto source = MakeBitmap(4, 4, pf24bit, clLime);
  source->Canvas()->SetPixels(1, 1, clRed);
  auto dest = MakeBitmap(4, 4, pf24bit);
  dest->Canvas()->Brush()->SetColor(clBlue);
  dest->Canvas()->BrushCopy(Rect(0, 0, 4, 4), source.get(), Rect(0, 0, 4, 4), clLime);
  EXPECT_EQ(Pixel(*dest, 1, 1), kCanvasRed);
  EXPECT_EQ(Pixel(*dest, 3, 3), kCanvasBlue);

  // A clear brush leaves what was there.
  auto kept = MakeBitmap(4, 4, pf24bit, clSilver);
  kept->Canvas()->Brush()->SetStyle(bsClear);
  kept->Canvas()->BrushCopy(Rect(0, 0, 4, 4), source.get(), Rect(0, 0, 4, 4), clLime);
  EXPECT_EQ(Pixel(*kept, 1, 1), kCanvasRed);
  EXPECT_EQ(Pixel(*kept, 3, 3), 0xC0C0C0u);
}

TEST(CanvasTools, AChangedToolIsSelectedAgain) {
  auto bitmap = MakeBitmap(10, 4, pf24bit);
  TCanvas* c = bitmap->Canvas();
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 1);
  c->LineTo(10, 1);
  c->Pen()->SetColor(clBlue);
  c->MoveTo(0, 2);
  c->LineTo(10, 2);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psClear);
  c->MoveTo(0, 3);
  c->LineTo(10, 3);
  EXPECT_EQ(Pixel(*bitmap, 5, 1), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 5, 2), kCanvasBlue);
  EXPECT_EQ(Pixel(*bitmap, 5, 3), kCanvasWhite);
}

TEST(CanvasEvents, EveryDrawingCallReportsChangingAndChange) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  TCanvas* c = bitmap->Canvas();
  int changing = 0, changed = 0, bitmapChanged = 0;
  c->OnChanging = [&](TObject*) { ++changing; };
  c->OnChange = [&](TObject*) { ++changed; };
  bitmap->OnChange = [&](TObject*) { ++bitmapChanged; };
  c->FillRect(Rect(0, 0, 2, 2));
  c->LineTo(3, 3);
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(bitmapChanged, 2);
  c->Pixels(0, 0);  // reading changes nothing
  EXPECT_EQ(changed, 2);
}

TEST(CanvasLock, TryLockFailsWhileHeld) {
  TCanvas canvas;
  EXPECT_EQ(canvas.LockCount(), 0);
  ASSERT_TRUE(canvas.TryLock());
  EXPECT_EQ(canvas.LockCount(), 1);
  EXPECT_FALSE(canvas.TryLock());
  canvas.Lock();  // the holder may lock again
  EXPECT_EQ(canvas.LockCount(), 2);
  canvas.Unlock();
  canvas.Unlock();
  EXPECT_EQ(canvas.LockCount(), 0);
  EXPECT_TRUE(canvas.TryLock());
  canvas.Unlock();
}

TEST(CanvasHandle, APlainCanvasNeedsADC) {
  TCanvas canvas;
  EXPECT_FALSE(canvas.HandleAllocated());
  try {
    canvas.FillRect(Rect(0, 0, 1, 1));
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Canvas does not allow drawing");
  }
}

TEST(CanvasHandle, DrawsOnADCGivenToIt) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(canvas.ClipRect().right, 4);
    canvas.SetHandle(nullptr);
    EXPECT_FALSE(canvas.HandleAllocated());
  }
  // The canvas gave the DC back with stock tools in it and did not delete it.
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(HOLLOW_BRUSH));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
}

TEST(CanvasText, OrientationFollowsTheTextFlagsAndTheAlignment) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  TCanvas* c = bitmap->Canvas();
  EXPECT_EQ(c->CanvasOrientation(), coLeftToRight);
  c->SetTextFlags(ETO_RTLREADING);
  EXPECT_EQ(c->CanvasOrientation(), coLeftToRight);  // the DC still reads left to right
  SetTextAlign(c->Handle(), TA_RTLREADING);
  EXPECT_EQ(c->CanvasOrientation(), coRightToLeft);
  c->SetTextFlags(0);
  EXPECT_EQ(c->CanvasOrientation(), coLeftToRight);
}

TEST(CanvasDraw, DrawAndStretchDrawAGraphic) {
  auto picture = MakeBitmap(2, 2, pf24bit, clRed);
  auto bitmap = MakeBitmap(10, 10, pf24bit);
  bitmap->Canvas()->Draw(1, 1, picture.get());
  EXPECT_EQ(Pixel(*bitmap, 1, 1), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 2, 2), kCanvasRed);
  EXPECT_EQ(Pixel(*bitmap, 3, 3), kCanvasWhite);
  bitmap->Canvas()->StretchDraw(Rect(4, 4, 10, 10), picture.get());
  EXPECT_EQ(CountPixels(*bitmap, kCanvasRed), 4 + 36);
  bitmap->Canvas()->Draw(0, 0, nullptr);  // nothing to draw
}

}  // namespace
