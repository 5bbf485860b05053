// The background painter: the chessboard on both paths (and clipped to its bitmap), the framed
// and shadowed styles, the gradient and the wallpaper, and what the view paints on its window.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/view_background.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

// A 24-bit platform bitmap filled with one colour (0x00BBGGRR).
std::unique_ptr<vcl::TBitmap> Surface(int32_t w, int32_t h, vcl::TColor fill) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetWidth(w);
  bitmap->SetHeight(h);
  bitmap->Canvas()->Brush()->SetColor(fill);
  bitmap->Canvas()->FillRect(vcl::TRect{0, 0, w, h});
  GdiFlush();
  return bitmap;
}

// The pixel as a TColor (0x00BBGGRR).
vcl::TColor At(vcl::TBitmap* bitmap, int32_t x, int32_t y) {
  GdiFlush();
  const auto* p = static_cast<const uint8_t*>(bitmap->ScanLine(y)) + x * 3;
  return static_cast<vcl::TColor>(p[2] | p[1] << 8 | p[0] << 16);
}

TIEBackgroundParams Params(TIEBackgroundStyle style, vcl::TColor background) {
  TIEBackgroundParams p;
  p.style = style;
  p.background = background;
  return p;
}

constexpr vcl::TColor kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, kBlue = 0xFF0000;

}  // namespace

TEST(ViewBackground, ChessboardCellsOnBothPaths) {
  // 40 x 20 with cells of 16: columns of 16, 16 and 8, rows of 16 and 4.
  struct Case {
    bool pixels;
    vcl::TColor topLeft;
  } cases[] = {{true, kWhite}, {false, kBlack}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixels);
    auto surface = Surface(40, 20, kRed);
    PaintChessboard(surface->Canvas(), c.pixels ? surface.get() : nullptr, 0, 0, 40, 20, kWhite, 16, vcl::bsSolid);
    const vcl::TColor other = c.topLeft == kWhite ? kBlack : kWhite;
    EXPECT_EQ(c.topLeft, At(surface.get(), 0, 0));
    EXPECT_EQ(c.topLeft, At(surface.get(), 15, 15));
    EXPECT_EQ(other, At(surface.get(), 16, 0));
    EXPECT_EQ(other, At(surface.get(), 31, 15));
    EXPECT_EQ(c.topLeft, At(surface.get(), 32, 0));
    EXPECT_EQ(c.topLeft, At(surface.get(), 39, 15));
    EXPECT_EQ(other, At(surface.get(), 0, 16));
    EXPECT_EQ(other, At(surface.get(), 0, 19));
    EXPECT_EQ(c.topLeft, At(surface.get(), 16, 19));
  }
}

// An area hanging over every edge (a thumbnail cell half out of the client area) is clipped
// to the bitmap, keeps its phase, and leaves the rows around it alone.
TEST(ViewBackground, TheChessboardPixelPathIsClippedToItsBitmap) {
  const int32_t w = 20, h = 10;
  auto surface = Surface(w, h, kRed);
  PaintChessboard(surface->Canvas(), surface.get(), -6, -6, 40, 30, kWhite, 4, vcl::bsSolid);
  // (0, 0) lies 6 pixels into the area: cell (1, 1), the same colour as the top-left cell.
  EXPECT_EQ(kWhite, At(surface.get(), 0, 0));
  EXPECT_EQ(kBlack, At(surface.get(), 2, 0));  // cell (2, 1)
  EXPECT_EQ(kBlack, At(surface.get(), 0, 2));  // cell (1, 2)
  EXPECT_EQ(kBlack, At(surface.get(), 19, 9));  // cell (6, 3)
  // Entirely outside: nothing happens.
  auto untouched = Surface(w, h, kRed);
  PaintChessboard(untouched->Canvas(), untouched.get(), 30, 0, 10, 10, kWhite, 4, vcl::bsSolid);
  PaintChessboard(untouched->Canvas(), untouched.get(), 0, -20, 10, 10, kWhite, 4, vcl::bsSolid);
  EXPECT_EQ(kRed, At(untouched.get(), 19, 9));
  EXPECT_EQ(kRed, At(untouched.get(), 0, 0));
}

TEST(ViewBackground, FramedAndShadowedStyles) {
  // Cropped with an image one pixel wide: button face, no edge.
  auto surface = Surface(40, 30, kRed);
  PaintViewBackground(surface->Canvas(), surface.get(), Params(iebsCropped, kWhite), 0, 0, 40, 30,
                      vcl::TRect{10, 10, 11, 20});
  const vcl::TColor face = vcl::ColorToRGB(vcl::clBtnFace);
  for (int32_t x : {8, 9, 10, 11, 12}) EXPECT_EQ(face, At(surface.get(), x, 9)) << x;

  // Soft shadow without a bitmap: untouched; at design time: the background colour.
  surface = Surface(40, 30, kRed);
  PaintViewBackground(surface->Canvas(), nullptr, Params(iebsSoftShadow, kWhite), 0, 0, 40, 30,
                      vcl::TRect{10, 10, 20, 20});
  EXPECT_EQ(kRed, At(surface.get(), 2, 2));
  TIEBackgroundParams designing = Params(iebsSoftShadow, kWhite);
  designing.designing = true;
  PaintViewBackground(surface->Canvas(), nullptr, designing, 0, 0, 40, 30, vcl::TRect{10, 10, 20, 20});
  EXPECT_EQ(kWhite, At(surface.get(), 2, 2));

  // Photo-like: grey around, a black frame one pixel outside the image, a chessboard inside.
  surface = Surface(40, 30, kRed);
  PaintViewBackground(surface->Canvas(), surface.get(), Params(iebsPhotoLike, kWhite), 0, 0, 40, 30,
                      vcl::TRect{10, 10, 30, 20});
  EXPECT_EQ(vcl::TColor(0xB0B0B0), At(surface.get(), 2, 2));
  EXPECT_EQ(kBlack, At(surface.get(), 9, 9));
  EXPECT_EQ(kBlack, At(surface.get(), 30, 20));
  EXPECT_EQ(kWhite, At(surface.get(), 10, 10));

  // Gradient: white at the top to blue at the bottom.
  surface = Surface(20, 40, kRed);
  TIEBackgroundParams gradient = Params(iebsGradient, kWhite);
  gradient.gradientEnd = kBlue;
  PaintViewBackground(surface->Canvas(), surface.get(), gradient, 0, 0, 20, 40, vcl::TRect{0, 0, 0, 0});
  const vcl::TColor top = At(surface.get(), 5, 0), bottom = At(surface.get(), 5, 39);
  EXPECT_GE(top & 0xFF, 0xF0);
  EXPECT_LE(bottom & 0xFF, 0x10);
  EXPECT_GE((bottom >> 16) & 0xFF, 0xF0);
}

TEST(ViewBackground, TiledWallPaperFillsTheArea) {
  auto tile = Surface(30, 20, kBlue);
  vcl::TPicture picture;
  picture.SetGraphic(tile.get());
  TIEBackgroundParams params = Params(iebsSolid, kRed);
  params.wallPaper = &picture;
  params.wallPaperStyle = iewoTile;
  auto surface = Surface(70, 50, kBlack);
  PaintViewBackground(surface->Canvas(), surface.get(), params, 0, 0, 70, 50, vcl::TRect{0, 0, 0, 0});
  for (int32_t y : {0, 25, 49})
    for (int32_t x : {0, 35, 69}) EXPECT_EQ(kBlue, At(surface.get(), x, y)) << x << "," << y;
}

namespace {
using ViewPainting = ViewWindow;
}

// The window shows the version text at its bottom-right corner, its right edge on the client
// edge, over the image.
TEST_F(ViewPainting, VersionTextAndBackgroundOnTheWindow) {
  MakeView();
  view->SetBackground(kRed);
  view->GetIEBitmap()->Allocate(20, 20, ie24RGB);
  view->GetIEBitmap()->Fill(0x00FF00);
  view->Update();
  view->SetDrawVersion(true);
  auto window = Surface(view->Width(), view->Height(), kBlack);
  view->PaintTo(window->Canvas()->Handle(), 0, 0);
  EXPECT_EQ(kRed, At(window.get(), 2, 2));
  EXPECT_EQ(vcl::TColor(0x00FF00), At(window.get(), view->OffsetX() + 5, view->OffsetY() + 5));
  // White text background reaches the last column at the bottom.
  bool white = false;
  for (int32_t y = view->Height() - 13; y < view->Height(); ++y) white |= At(window.get(), view->Width() - 1, y) == kWhite;
  EXPECT_TRUE(white);
  EXPECT_EQ(kRed, At(window.get(), view->Width() - 1, 2));
}

namespace {

// A picture over a chessboard with a second layer whose box and grips show.
void ShowPictureWithLayer(imaging::TImageView* view) {
  view->SetBackground(0xFFFFFF);
  view->SetBackgroundStyle(iebsChessboard);
  view->GetIEBitmap()->Allocate(120, 90, ie24RGB);
  for (int32_t y = 0; y < 90; ++y) {
    auto* p = static_cast<uint8_t*>(view->GetIEBitmap()->Scanline(y));
    for (int32_t x = 0; x < 120; ++x, p += 3) {
      p[0] = uint8_t(x * 2);
      p[1] = uint8_t(y * 2);
      p[2] = 200;
    }
  }
  view->AddLayer();
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0xFF8000);
  view->CurrentLayer()->PosX = 30;
  view->CurrentLayer()->PosY = 20;
  view->SetMouseInteract(miMoveLayers | miResizeLayers);
  view->Update();
}

}  // namespace

// The current layer's box (inverting dots) and its eight grips are drawn into the window's
// pixels; a locked layer gets its box but no grips.
TEST_F(ViewPainting, TheCurrentLayerShowsItsBoxAndGrips) {
  MakeView();
  ShowPictureWithLayer(view);
  auto window = Surface(view->Width(), view->Height(), kBlack);
  view->PaintTo(window->Canvas()->Handle(), 0, 0);
  const vcl::TRect box = view->CurrentLayer()->ClientAreaBox;
  ASSERT_EQ(40, box.right - box.left);
  const vcl::TColor grip = 0xBAFFFF;
  EXPECT_EQ(grip, At(window.get(), box.left, box.top));
  EXPECT_EQ(grip, At(window.get(), box.right, (box.top + box.bottom) / 2));
  EXPECT_NE(0xFF8000, At(window.get(), box.left + 20, box.top));  // the dotted box line

  view->CurrentLayer()->Locked = true;
  view->Update();
  view->PaintTo(window->Canvas()->Handle(), 0, 0);
  EXPECT_NE(grip, At(window.get(), box.left, box.top));
}

// Run with --gtest_also_run_disabled_tests under shared/tools/screenshot to look at the view.
TEST_F(ViewPainting, DISABLED_ShowsAPictureForAScreenshot) {
  MakeView("    Width = 260\n    Height = 200\n    BorderStyle = bsSingle\n    ScrollBars = ssBoth\n");
  form->SetBounds(40, 40, 320, 260);
  ShowPictureWithLayer(view);
  view->SetZoom(150);
  for (int32_t i = 0; i < 400; ++i) {
    view_fixture::Pump();
    Sleep(10);
  }
}

// A failure inside the paint body is dropped: the back buffer stays dirty for the next paint
// and the version text still comes. A locked view copies nothing.
TEST_F(ViewPainting, FailuresAndLocksInThePaint) {
  MakeView();
  view->SetBackground(kRed);
  view->GetIEBitmap()->Allocate(20, 20, ie24RGB);
  view->GetIEBitmap()->Fill(0x00FF00);
  view->Update();
  int32_t calls = 0;
  view->OnDrawBackBuffer = [&](vcl::TObject*) {
    ++calls;
    throw vcl::Exception("drawing failed");
  };
  view->SetDrawVersion(true);
  auto window = Surface(view->Width(), view->Height(), kBlack);
  EXPECT_NO_THROW(view->PaintTo(window->Canvas()->Handle(), 0, 0));
  EXPECT_EQ(1, calls);
  EXPECT_TRUE(view->BackBufferDirty());
  bool white = false;
  for (int32_t y = view->Height() - 13; y < view->Height(); ++y) white |= At(window.get(), view->Width() - 1, y) == kWhite;
  EXPECT_TRUE(white);

  view->OnDrawBackBuffer = nullptr;
  view->SetDrawVersion(false);
  view->LockPaint();
  window = Surface(view->Width(), view->Height(), kBlack);
  view->PaintTo(window->Canvas()->Handle(), 0, 0);
  EXPECT_EQ(kBlack, At(window.get(), 2, 2));
  EXPECT_TRUE(view->BackBufferDirty());
  view->UnlockPaintNoUpdate();
  view->PaintTo(window->Canvas()->Handle(), 0, 0);
  EXPECT_EQ(kRed, At(window.get(), 2, 2));
  EXPECT_FALSE(view->BackBufferDirty());
}

TEST_F(ViewPainting, FlatScrollBarsHideTheBarsUntilTheNextUpdate) {
  MakeView("    ScrollBars = ssBoth\n");
  view->GetIEBitmap()->Allocate(1000, 1000, ie24RGB);
  view->Update();
  const HWND window = view->Handle();
  ASSERT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL);
  view->SetFlatScrollBars(true);
  EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
  view->Update();
  EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL);
  EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_HSCROLL);
}
