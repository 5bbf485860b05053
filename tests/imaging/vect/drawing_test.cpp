// Objects drawn into bitmaps: the pixels at the places their geometry fixes, the highlight box,
// draw events, visibility and pen widths at a zoom.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "imaging/base/gdiplus_binding.h"
#include "imaging/model/blend_operations.h"
#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;
using namespace vect_test;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xFF0000, kBlue = 0x0000FF;

struct Probe {
  int32_t x, y;
  uint32_t colour;
};

struct DrawCase {
  const char* name;
  std::function<void(TIEVectorObject&)> setup;
  std::vector<Probe> probes;
};

// A record from the template: pen black, width 1, brush clear, no antialiasing.
TIEVectorObject Record(TImageVect* view, uint8_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TIEVectorObject r = view->Template();
  r.Kind = kind;
  r.X1 = x1, r.Y1 = y1, r.X2 = x2, r.Y2 = y2;
  r.PenColor = 0;
  return r;
}

using Drawing = VectWindow;

TEST_F(Drawing, EveryKindPutsItsPixelsWhereItsGeometrySays) {
  MakeView();
  view->SetObjAntialias(false);
  const std::vector<DrawCase> cases = {
      {"box outline",
       [](TIEVectorObject& r) { r.Kind = vkBox; },
       {{10, 10, kBlack}, {50, 40, kBlack}, {30, 10, kBlack}, {10, 25, kBlack}, {30, 25, kWhite}, {51, 41, kWhite}}},
      {"filled box",
       [](TIEVectorObject& r) {
         r.Kind = vkBox;
         r.BrushStyle = vcl::bsSolid;
         r.BrushColor = 0x0000FF;  // red as a platform colour
       },
       {{30, 25, kRed}, {10, 10, kBlack}, {9, 9, kWhite}}},
      {"filled ellipse",
       [](TIEVectorObject& r) {
         r.Kind = vkEllipse;
         r.BrushStyle = vcl::bsSolid;
         r.BrushColor = 0xFF0000;  // blue
       },
       {{30, 25, kBlue}, {11, 11, kWhite}, {49, 39, kWhite}, {30, 10, kBlack}}},
      {"line keeps its direction",
       [](TIEVectorObject& r) {
         r.Kind = vkLine;
         r.Y2 = r.Y1;
       },
       {{10, 10, kBlack}, {30, 10, kBlack}, {49, 10, kBlack}, {30, 11, kWhite}}},
      {"wide line",
       [](TIEVectorObject& r) {
         r.Kind = vkLine;
         r.Y1 = r.Y2 = 25;
         r.PenWidth = 5;
       },
       {{30, 23, kBlack}, {30, 27, kBlack}, {30, 30, kWhite}}},
      {"bitmap object without a bitmap is a crossed rectangle",
       [](TIEVectorObject& r) {
         r.Kind = vkBitmap;
         r.BitmapIndex = -1;
         r.X2 = 40, r.Y2 = 40;
       },
       {{25, 25, kBlack}, {10, 10, kBlack}, {40, 10, kBlack}, {20, 30, kBlack}, {25, 15, kWhite}}},
      {"closed filled polyline",
       [](TIEVectorObject& r) {
         r.Kind = vkPolyline;
         r.Points = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};
         r.BaseRect = RECT{0, 0, 40, 30};
         r.Closed = 1;
         r.BrushStyle = vcl::bsSolid;
         r.BrushColor = 0x0000FF;
       },
       {{30, 25, kRed}, {10, 10, kBlack}, {50, 40, kBlack}, {55, 45, kWhite}}},
      {"arrow head at the end",
       [](TIEVectorObject& r) {
         r.Kind = vkLine;
         r.X1 = 10, r.Y1 = 60, r.X2 = 90, r.Y2 = 60;
         r.EndShape = 2;
         r.BrushStyle = vcl::bsSolid;
         r.BrushColor = 0;
       },
       {{80, 58, kBlack}, {80, 62, kBlack}, {72, 56, kBlack}, {85, 57, kWhite}, {30, 55, kWhite}}},
      {"invisible object",
       [](TIEVectorObject& r) {
         r.Kind = vkBox;
         r.Style &= ~iestVisible;
       },
       {{10, 10, kWhite}, {50, 40, kWhite}}},
  };
  for (const DrawCase& c : cases) {
    view->RemoveAllObjects();
    TIEVectorObject r = Record(view, vkBox, 10, 10, 50, 40);
    c.setup(r);
    view->AddNewObject(r);
    auto bitmap = WhiteBitmap(100, 80);
    view->DrawObjectsToBitmap(bitmap.get(), false);
    for (const Probe& p : c.probes)
      EXPECT_EQ(PixelAt(bitmap.get(), p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
  }
}

TEST_F(Drawing, ABitmapObjectShowsItsBitmapStretchedIntoItsRectangle) {
  MakeView();
  TIEVectorObject r = Record(view, vkBitmap, 20, 10, 59, 29);
  const int32_t hobj = view->AddNewObject(r);
  auto source = WhiteBitmap(4, 2);
  source->SetPixel24(3, 1, TRGB{0, 0, 255});  // bottom right pixel red (blue, green, red)
  view->SetObjBitmap(hobj, source.get());
  auto bitmap = WhiteBitmap(100, 80);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(PixelAt(bitmap.get(), 55, 25), kRed);
  EXPECT_EQ(PixelAt(bitmap.get(), 59, 29), kRed);
  EXPECT_EQ(PixelAt(bitmap.get(), 25, 12), kWhite);
  EXPECT_EQ(PixelAt(bitmap.get(), 60, 29), kWhite);

  // Its border is drawn inside the rectangle, over the bitmap, as wide as the pen.
  view->GetObjectRecord(hobj)->BitmapBorder = 1;
  view->GetObjectRecord(hobj)->PenWidth = 2;
  view->GetObjectRecord(hobj)->PenColor = 0xFF0000;  // blue
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(PixelAt(bitmap.get(), 20, 10), kBlue);
  EXPECT_EQ(PixelAt(bitmap.get(), 58, 28), kBlue);
  EXPECT_EQ(PixelAt(bitmap.get(), 57, 27), kRed);
}

TEST_F(Drawing, AHighlightBoxMasksThePixelsUnderItWithItsColour) {
  MakeView();
  TIEVectorObject r = Record(view, vkBox, 10, 10, 29, 19);
  r.Highlight = 1;
  r.BrushColor = 0x0000FF;  // red
  r.PenWidth = 7;
  const int32_t hobj = view->AddNewObject(r);
  auto colour = std::make_unique<TIEBitmap>(40, 30, ie24RGB);
  colour->Fill(0x808080);
  view->DrawObjectsToBitmap(colour.get(), false);
  EXPECT_EQ(PixelAt(colour.get(), 10, 10), 0x800000u);
  EXPECT_EQ(PixelAt(colour.get(), 29, 19), 0x800000u);
  EXPECT_EQ(PixelAt(colour.get(), 20, 15), 0x800000u);
  EXPECT_EQ(PixelAt(colour.get(), 30, 15), 0x808080u);
  EXPECT_EQ(view->GetObjectRecord(hobj)->PenWidth, 7) << "drawing leaves the stored pen width";

  // A grey image is masked the same way, not overwritten by the colour.
  view->GetObjectRecord(hobj)->BrushColor = 0x0F0F0F;
  auto grey = std::make_unique<TIEBitmap>(40, 30, ie8g);
  grey->Fill(200);
  view->DrawObjectsToBitmap(grey.get(), false);
  EXPECT_EQ(grey->GetPixel8(20, 15), 200 & 0x0F);
  EXPECT_EQ(grey->GetPixel8(35, 25), 200);
}

TEST_F(Drawing, DrawEventsSurroundEachVisibleObjectAndHandledSkipsItsDrawing) {
  MakeView();
  TIEVectorObject r = Record(view, vkBox, 10, 10, 50, 40);
  r.BrushStyle = vcl::bsSolid;
  r.BrushColor = 0;
  view->AddNewObject(r);
  r.Style &= ~iestVisible;
  view->AddNewObject(r);
  std::vector<int32_t> before, after;
  bool handle = true;
  view->OnBeforeDrawObject = [&](vcl::TObject*, int32_t hobj, vcl::TBitmap*, vcl::TRect, bool, bool& handled) {
    before.push_back(hobj);
    handled = handle;
  };
  view->OnAfterDrawObject = [&](vcl::TObject*, int32_t hobj, vcl::TBitmap*, vcl::TRect, bool, bool&) {
    after.push_back(hobj);
  };
  auto bitmap = WhiteBitmap(60, 50);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(before, std::vector<int32_t>{0});
  EXPECT_EQ(after, std::vector<int32_t>{0});
  EXPECT_EQ(PixelAt(bitmap.get(), 30, 25), kWhite);
  handle = false;
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(PixelAt(bitmap.get(), 30, 25), kBlack);
}

TEST_F(Drawing, ATextWithoutAFontHeightFillsItsBoxHeight) {
  MakeView();
  TIEVectorObject r = Record(view, vkText, 5, 5, 94, 64);
  r.Text = "HH";
  r.Font->lfHeight = 0;
  r.PenStyle = vcl::psClear;
  view->AddNewObject(r);
  auto bitmap = WhiteBitmap(100, 80);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  int32_t top = 1000, bottom = -1;
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 100; ++x)
      if (PixelAt(bitmap.get(), x, y) != kWhite) top = std::min(top, y), bottom = std::max(bottom, y);
  ASSERT_GE(bottom, 0) << "the text is drawn";
  EXPECT_GE(bottom - top, 30) << "glyphs of a 60-pixel font";
  EXPECT_GE(top, 5);
  EXPECT_LE(bottom, 64);
}

TEST_F(Drawing, PenWidthsFollowTheZoomOnTheView) {
  MakeView(100, 75);
  view->SetObjAntialias(false);
  TIEVectorObject r = Record(view, vkLine, 10, 20, 90, 20);
  view->AddNewObject(r);
  struct ZoomCase {
    double zoom;
    int32_t width;
  };
  for (ZoomCase z : {ZoomCase{50, 1}, ZoomCase{100, 1}, ZoomCase{300, 3}}) {
    view->SetZoom(z.zoom);
    view->SetViewXY(0, 0);
    view->Update();
    Pump();
    view->Repaint();
    vcl::TBitmap* back = view->GetBackBuffer();
    ASSERT_NE(back, nullptr);
    const int32_t x = view->BitmapToClientX(50);
    int32_t dark = 0;
    for (int32_t y = 0; y < back->Height(); ++y) {
      const auto* row = static_cast<const uint8_t*>(back->ScanLine(y));
      if (row[3 * x] < 128 && row[3 * x + 1] < 128 && row[3 * x + 2] < 128) ++dark;
    }
    EXPECT_EQ(dark, z.width) << "zoom " << z.zoom;
    EXPECT_EQ(view->ZoomedPenWidth(*view->GetObjectRecord(0), z.zoom / 100, z.zoom / 100), z.width);
  }
}

}  // namespace

namespace {

using Compositing = VectWindow;

TEST_F(Compositing, ATransparentTextIsBlendedWithWhatIsUnderIt) {
  MakeView();
  TIEVectorObject r = Record(view, vkText, 5, 5, 94, 64);
  r.Text = "HH";
  r.Font->lfHeight = 0;
  r.PenStyle = vcl::psClear;
  r.Transparency = 128;
  view->AddNewObject(r);
  auto bitmap = WhiteBitmap(100, 80);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  int32_t darkest = 255, changed = 0;
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 100; ++x) {
      const uint32_t p = PixelAt(bitmap.get(), x, y);
      if (p != kWhite) ++changed;
      darkest = std::min<int32_t>(darkest, p & 0xFF);
    }
  EXPECT_GT(changed, 100) << "the text is drawn";
  EXPECT_GE(darkest, 120);
  EXPECT_LE(darkest, 135);
}

TEST_F(Compositing, ABlendOperationCombinesTheObjectWithTheImage) {
  MakeView();
  TIEVectorObject r = Record(view, vkBox, 10, 10, 50, 40);
  r.BrushStyle = vcl::bsSolid;
  r.BrushColor = r.PenColor = 0x808080;
  r.BlendOp = ieopMultiply;
  view->AddNewObject(r);
  auto bitmap = std::make_unique<TIEBitmap>(60, 50, ie24RGB);
  bitmap->Fill(0x604020);  // red 0x20, green 0x40, blue 0x60
  view->DrawObjectsToBitmap(bitmap.get(), false);
  const TRGB inside = bitmap->GetPixel24(30, 25);
  EXPECT_NEAR(inside.r, 0x10, 1);
  EXPECT_NEAR(inside.g, 0x20, 1);
  EXPECT_NEAR(inside.b, 0x30, 1);
  EXPECT_EQ(PixelAt(bitmap.get(), 55, 45), 0x204060u) << "outside the box nothing changes";
}

TEST_F(Compositing, ASoftShadowFallsOnTheSideOfItsOffset) {
  MakeView();
  TIEVectorObject r = Record(view, vkBox, 20, 20, 50, 40);
  r.BrushStyle = vcl::bsSolid;
  r.BrushColor = 0x00FF00;
  r.SoftShadow.Enabled = 1;
  r.SoftShadow.OffsetX = r.SoftShadow.OffsetY = 6;
  r.SoftShadow.Radius = 2;
  view->AddNewObject(r);
  auto bitmap = WhiteBitmap(80, 70);
  view->DrawObjectsToBitmap(bitmap.get(), false);
  EXPECT_EQ(PixelAt(bitmap.get(), 35, 30), 0x00FF00u);
  EXPECT_LT(PixelAt(bitmap.get(), 54, 44) & 0xFF, 0xC0) << "shadow below right";
  EXPECT_EQ(PixelAt(bitmap.get(), 16, 16), kWhite) << "no shadow above left";
}

}  // namespace

namespace {

// Draws a diagonal black line into a white bitmap and counts its grey (neither black nor
// white) pixels.
int32_t GreyPixelsOfADiagonal(TImageVect* view, bool antialias) {
  view->RemoveAllObjects();
  TIEVectorObject r = view->Template();
  r.Kind = vkLine;
  r.X1 = 5, r.Y1 = 5, r.X2 = 90, r.Y2 = 40;
  r.PenColor = 0;
  r.PenWidth = 2;
  view->AddNewObject(r);
  auto bitmap = WhiteBitmap(100, 50);
  view->DrawObjectsToBitmap(bitmap.get(), antialias);
  int32_t grey = 0, black = 0;
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 100; ++x) {
      const uint32_t p = PixelAt(bitmap.get(), x, y) & 0xFF;
      if (p == 0) ++black;
      else if (p != 0xFF) ++grey;
    }
  EXPECT_GT(grey + black, 80) << "the line is drawn";
  return grey;
}

TEST_F(Compositing, WithoutGDIPlusAntialiasingComesFromDrawingAtTwiceTheSize) {
  MakeView();
  const bool loaded = IsGDIPlusLoaded();
  UnloadGDIPlus();
  ASSERT_FALSE(IsGDIPlusAvailable());
  const int32_t plain = GreyPixelsOfADiagonal(view, false);
  const int32_t smooth = GreyPixelsOfADiagonal(view, true);
  if (loaded) LoadGDIPlus();
  EXPECT_EQ(plain, 0);
  EXPECT_GT(smooth, 20);
}

}  // namespace

namespace {

using Composition = VectWindow;

TEST_F(Composition, ARenderedCompositionHoldsTheObjectsButNotTheGrips) {
  MakeView(100, 80);
  view->SetObjAntialias(false);
  TIEVectorObject r = Record(view, vkBox, 20, 20, 60, 50);
  view->AddNewObject(r);
  view->SelObject(0);
  TIEBitmap out;
  out.SetLocation(ieTBitmap);
  view->RenderLayersTo(&out);
  ASSERT_EQ(out.Width(), 100);
  EXPECT_EQ(PixelAt(&out, 40, 20), kBlack);
  EXPECT_EQ(PixelAt(&out, 17, 20), kWhite) << "no grip beside the corner";
  EXPECT_EQ(PixelAt(&out, 40, 17), kWhite) << "no grip above the top side";
}

}  // namespace
