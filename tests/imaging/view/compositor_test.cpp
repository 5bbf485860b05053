// The layer compositor: a view of several layers (opacity, blend operation, mask) composed on
// screen matches the flattening of the same layers; masks, minimum sizes, display modes, the
// pixel grid and the off-screen composition.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/model/blend_operations.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

using Compositor = ViewWindow;

constexpr vcl::TColor kBackground = 0x203040;  // B 0x20, G 0x30, R 0x40
constexpr uint32_t kBackgroundPixel = 0x403020;  // as PixelAt reads it

uint32_t PixelAt(TIEBitmap* bitmap, int32_t x, int32_t y) {
  const auto* p = static_cast<const uint8_t*>(bitmap->Scanline(y)) + x * 3;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

// Fills a 24-bit bitmap with f(x, y) = (b, g, r) packed as above.
void Paint24(TIEBitmap* bitmap, const std::function<uint32_t(int32_t, int32_t)>& f) {
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* p = static_cast<uint8_t*>(bitmap->Scanline(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x, p += 3) {
      const uint32_t v = f(x, y);
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
    }
  }
}

// Layer 0 a colour pattern; layer 1 half transparent and moved; layer 2 multiplied and
// masked by layer 3 (a hidden grey ramp).
void BuildThreeLayers(TImageView* view) {
  view->SetBackground(kBackground);
  view->GetIEBitmap()->Allocate(120, 100, ie24RGB);
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return uint32_t(x * 2) | uint32_t(y * 2) << 8 | 0x800000u; });
  view->AddLayer();
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return ((x / 8 + y / 8) & 1) ? 0xFFFFFFu : 0x0000FFu; });
  view->CurrentLayer()->Transparency = 128;
  view->CurrentLayer()->PosX = 10;
  view->CurrentLayer()->PosY = 6;
  view->AddLayer();
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return uint32_t(200 - y) << 8 | uint32_t(x) << 16 | 0x40u; });
  view->CurrentLayer()->Operation = ieopMultiply;
  view->AddLayer();
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t) {
    const uint32_t g = uint32_t(std::min(255, x * 2));
    return g | g << 8 | g << 16;
  });
  view->CurrentLayer()->IsMask = true;
  view->CurrentLayer()->Visible = false;
  view->Update();
}

std::unique_ptr<TIEBitmap> Compose(TImageView* view) {
  auto dest = std::make_unique<TIEBitmap>(view->GetViewWidth(), view->GetViewHeight(), ie24RGB);
  view->PaintToBackBuffer(dest.get(), nullptr, false, true, nullptr);
  return dest;
}

}  // namespace

TEST_F(Compositor, AViewAtEveryZoomShowsTheFlatteningOfItsLayers) {
  MakeView();
  BuildThreeLayers(view);
  TIEBitmap flat(1, 1, ie24RGB);
  view->RenderLayersTo(&flat);
  ASSERT_EQ(130, flat.Width());  // layer 1 reaches 10 pixels past layer 0
  ASSERT_EQ(106, flat.Height());

  // Integral zooms map every layer's pixels onto the same grid, so the composed view must
  // equal the flattening sampled at each client pixel's bitmap point.
  for (double zoom : {100.0, 200.0, 50.0}) {
    SCOPED_TRACE(zoom);
    view->SetZoom(zoom);
    auto shown = Compose(view);
    int32_t compared = 0;
    for (int32_t y = 0; y < shown->Height(); ++y)
      for (int32_t x = 0; x < shown->Width(); ++x) {
        const int32_t bx = view->ClientToBitmapX(x), by = view->ClientToBitmapY(y);
        // Inside layer 0's shown area only: outside it the view shows the background.
        if (x < view->OffsetX() || y < view->OffsetY() || x >= view->OffsetX() + view->ViewDestWidth() ||
            y >= view->OffsetY() + view->ViewDestHeight())
          continue;
        ASSERT_EQ(PixelAt(&flat, bx, by), PixelAt(shown.get(), x, y)) << x << "," << y;
        ++compared;
      }
    EXPECT_GT(compared, 1000);
  }
}

// At zooms that are not whole numbers every client pixel shows what the view's own mapping
// says it shows, whether one layer takes the fast path or several are drawn by their rectangles,
// and the whole zoomed width is drawn.
TEST_F(Compositor, FractionalZoomsShowWhatTheMappingSays) {
  struct Stack {
    const char* name;
    std::function<void(TImageView*)> build;
  } stacks[] = {
      {"one layer of odd size",
       [](TImageView* view) {
         view->SetBackground(kBackground);
         view->GetIEBitmap()->Allocate(97, 61, ie24RGB);
         Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return uint32_t(x * 2) | uint32_t(y * 3) << 8; });
         view->Update();
       }},
      {"three layers", BuildThreeLayers},
  };
  for (const Stack& stack : stacks) {
    MakeView();
    stack.build(view);
    TIEBitmap flat(1, 1, ie24RGB);
    view->RenderLayersTo(&flat);
    for (double zoom : {33.0, 75.0, 133.0, 150.0, 250.0, 317.0}) {
      SCOPED_TRACE(testing::Message() << stack.name << " at " << zoom << "%");
      view->SetZoom(zoom);
      EXPECT_GE(view->ViewDestWidth(), view->ExtentX());
      EXPECT_GE(view->ViewDestHeight(), view->ExtentY());
      auto shown = Compose(view);
      const int32_t ox = view->OffsetX(), oy = view->OffsetY();
      int32_t differing = 0;
      for (int32_t y = 0; y < shown->Height(); ++y)
        for (int32_t x = 0; x < shown->Width(); ++x) {
          const int32_t bx = view->ClientToBitmapX(x), by = view->ClientToBitmapY(y);
          // One layer is drawn over the visible destination; more layers reach as far as the
          // flattening does (where it holds the background too).
          const bool onImage = view->LayersCount() == 1
                                   ? x >= ox && y >= oy && x < ox + view->ViewDestWidth() &&
                                         y < oy + view->ViewDestHeight()
                                   : x >= ox && y >= oy && bx < flat.Width() && by < flat.Height();
          const uint32_t expected = onImage ? PixelAt(&flat, bx, by) : kBackgroundPixel;
          if (PixelAt(shown.get(), x, y) != expected && differing++ < 3) {
            ADD_FAILURE() << "client " << x << "," << y << " shows " << std::hex << PixelAt(shown.get(), x, y)
                          << " instead of " << expected << std::dec << " (bitmap " << bx << "," << by << ")";
          }
        }
      EXPECT_EQ(0, differing);
    }
  }
}

// The background is left out only under an untouched layer 0 that covers the client area: a
// layer 0 hidden, moved or resized leaves pixels of the previous picture otherwise.
TEST_F(Compositor, TheBackgroundCoversWhatLayerZeroNoLongerCovers) {
  struct Case {
    const char* name;
    std::function<void(TIELayer*)> change;
    vcl::TPoint uncovered;
    int32_t backgrounds;
  } cases[] = {
      {"untouched", [](TIELayer*) {}, {-1, -1}, 0},
      {"hidden", [](TIELayer* l) { l->Visible = false; }, {5, 5}, 1},
      {"moved", [](TIELayer* l) { l->PosX = 50, l->PosY = 30; }, {10, 10}, 1},
      {"resized", [](TIELayer* l) { l->Width = 100, l->Height = 60; }, {120, 80}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeView();
    view->SetBackground(kBackground);
    view->GetIEBitmap()->Allocate(300, 200, ie24RGB);
    view->GetIEBitmap()->Fill(0x00FF00);
    view->AddLayer();
    view->GetIEBitmap()->Allocate(20, 20, ie24RGB);
    view->GetIEBitmap()->Fill(0x0000FF);
    view->CurrentLayer()->PosX = 150;
    view->CurrentLayer()->PosY = 100;
    c.change(view->GetLayer(0));
    view->Update();
    ASSERT_EQ(0, view->OffsetX());
    int32_t backgrounds = 0;
    view->OnDrawBackground = [&](vcl::TObject*, vcl::TCanvas*, vcl::TRect, bool&) { ++backgrounds; };
    // The buffer still holds the previous picture.
    auto dest = std::make_unique<TIEBitmap>(view->GetViewWidth(), view->GetViewHeight(), ie24RGB);
    dest->Fill(0xFF00FF);
    view->PaintToBackBuffer(dest.get(), nullptr, false, true, nullptr);
    EXPECT_EQ(c.backgrounds, backgrounds);
    if (c.uncovered.x >= 0) {
      EXPECT_EQ(kBackgroundPixel, PixelAt(dest.get(), c.uncovered.x, c.uncovered.y));
    }
    EXPECT_EQ(0xFF0000u, PixelAt(dest.get(), 155, 105));  // layer 1
  }
}

TEST_F(Compositor, PaintToGivesTheWindowsPixels) {
  MakeView();
  BuildThreeLayers(view);
  view->SetBackgroundStyle(iebsChessboard);
  view->SetMouseInteract(miMoveLayers | miResizeLayers);
  view->SetLayersCurrent(1);
  view->Update();
  vcl::TBitmap window;
  window.SetPixelFormat(vcl::pf24bit);
  window.SetWidth(view->Width());
  window.SetHeight(view->Height());
  view->PaintTo(window.Canvas()->Handle(), 0, 0);
  GdiFlush();
  vcl::TBitmap* back = view->GetBackBuffer();
  ASSERT_NE(nullptr, back);
  ASSERT_EQ(view->Width(), back->Width());
  int32_t differing = 0;
  for (int32_t y = 0; y < back->Height(); ++y) {
    const auto* a = static_cast<const uint8_t*>(window.ScanLine(y));
    const auto* b = static_cast<const uint8_t*>(back->ScanLine(y));
    for (int32_t x = 0; x < back->Width() * 3; ++x) differing += a[x] != b[x];
  }
  EXPECT_EQ(0, differing);
  EXPECT_FALSE(view->BackBufferDirty());
}

// The cached mask alpha belongs to a size: a layer that changes size without an update gets a
// new one instead of the old, smaller alpha being read past its rows.
TEST_F(Compositor, AMaskCacheFollowsTheLayersSize) {
  MakeView();
  view->SetBackground(0);
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0);
  view->AddLayer();
  view->GetIEBitmap()->Fill(0xFFFFFF);
  view->AddLayer();
  view->GetIEBitmap()->Fill(0xFFFFFF);  // a mask that lets everything through
  view->CurrentLayer()->IsMask = true;
  view->CurrentLayer()->Visible = false;
  view->Update();
  Compose(view);
  TIELayer* masked = view->GetLayer(1);
  ASSERT_NE(nullptr, masked->CachedMaskAlpha());
  EXPECT_EQ(40, masked->CachedMaskAlpha()->Width());

  // Grow the masked layer behind the view's back; its alpha grows with it.
  masked->Bitmap()->Allocate(80, 60, ie24RGB);
  masked->Bitmap()->Fill(0xFFFFFF);
  masked->Bitmap()->GetAlphaChannel()->Allocate(80, 60, ie8g);
  masked->Bitmap()->GetAlphaChannel()->Fill(255);
  auto shown = Compose(view);
  EXPECT_EQ(80, masked->CachedMaskAlpha()->Width());
  EXPECT_EQ(60, masked->CachedMaskAlpha()->Height());
  // The mask (40 wide) covers the layer's first 40 columns: white there, black beyond.
  const int32_t ox = view->OffsetX(), oy = view->OffsetY();
  EXPECT_EQ(0xFFFFFFu, PixelAt(shown.get(), ox + 5, oy + 5));
  EXPECT_EQ(0u, PixelAt(shown.get(), ox + 60, oy + 35));
  // The layer's own alpha is back after the paint: full, its own size.
  EXPECT_EQ(80, masked->Bitmap()->GetAlphaChannel()->Width());
  EXPECT_EQ(255, masked->Bitmap()->GetAlphaChannel()->GetAlphaAt(70, 50));
}

TEST_F(Compositor, AMaskLimitsTheLayerBelowIt) {
  MakeView();
  view->SetBackground(0);
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0);
  view->AddLayer();
  view->GetIEBitmap()->Fill(0xFFFFFF);
  view->AddLayer();
  // Left half opaque, right half transparent.
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t) { return x < 20 ? 0xFFFFFFu : 0u; });
  view->CurrentLayer()->IsMask = true;
  view->CurrentLayer()->Visible = false;
  view->Update();
  auto shown = Compose(view);
  const int32_t ox = view->OffsetX(), oy = view->OffsetY();
  EXPECT_EQ(0xFFFFFFu, PixelAt(shown.get(), ox + 10, oy + 10));
  EXPECT_EQ(0u, PixelAt(shown.get(), ox + 30, oy + 10));
  // A visible mask layer is drawn as an ordinary grey layer on top.
  view->CurrentLayer()->Visible = true;
  shown = Compose(view);
  EXPECT_EQ(0xFFFFFFu, PixelAt(shown.get(), ox + 10, oy + 10));
  EXPECT_EQ(0u, PixelAt(shown.get(), ox + 30, oy + 10));
}

TEST_F(Compositor, WhatIsDrawnAndWhatIsNot) {
  MakeView();
  view->SetBackground(0x0000FF);
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0x00FF00);
  view->Update();
  const int32_t ox = view->OffsetX(), oy = view->OffsetY();
  EXPECT_EQ(0x00FF00u, PixelAt(Compose(view).get(), ox, oy));

  struct Case {
    int32_t w, h;
    bool drawn;
  } cases[] = {{1, 1, false}, {1, 5, true}, {5, 1, true}, {2, 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    view->GetIEBitmap()->Allocate(c.w, c.h, ie24RGB);
    view->GetIEBitmap()->Fill(0x00FF00);
    view->Update();
    auto shown = Compose(view);
    EXPECT_EQ(c.drawn ? 0x00FF00u : 0xFF0000u, PixelAt(shown.get(), view->OffsetX(), view->OffsetY()));
  }

  // An alpha channel of another size than its bitmap: nothing at all, not even the background.
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0x00FF00);
  view->Update();
  view->GetIEBitmap()->GetAlphaChannel()->Allocate(10, 10, ie8g);
  auto untouched = std::make_unique<TIEBitmap>(view->GetViewWidth(), view->GetViewHeight(), ie24RGB);
  untouched->Fill(0x123456);
  view->PaintToBackBuffer(untouched.get(), nullptr, true, true, nullptr);
  EXPECT_EQ(0x563412u, PixelAt(untouched.get(), 0, 0));
  EXPECT_EQ(0x563412u, PixelAt(untouched.get(), ox + 5, oy + 5));
  view->GetIEBitmap()->RemoveAlphaChannel(false, 0);

  // No visible layer: the destination holds only the background.
  view->CurrentLayer()->Visible = false;
  EXPECT_EQ(0xFF0000u, PixelAt(Compose(view).get(), ox + 5, oy + 5));
}

TEST_F(Compositor, DisplayModesTreatTheAreaOutsideLayerZero) {
  MakeView();
  view->SetBackground(0x000000);
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0x000000);
  view->Update();
  const int32_t x0 = view->OffsetX(), y0 = view->OffsetY();
  const int32_t x1 = x0 + 40, y1 = y0 + 30;

  view->SetLayersDisplayMode(3, 60);
  auto shown = Compose(view);
  EXPECT_EQ(0u, PixelAt(shown.get(), x0, y0));
  EXPECT_EQ(0x3C3C3Cu, PixelAt(shown.get(), x1, y0));      // the column just right of it is lightened
  EXPECT_EQ(0x3C3C3Cu, PixelAt(shown.get(), x0 + 1, y1));  // and the row just below
  EXPECT_EQ(0x3C3C3Cu, PixelAt(shown.get(), 0, 0));

  view->SetLayersDisplayMode(2, 60);
  shown = Compose(view);
  // Mode 2 leaves the column x0 + w0 and the row y0 + h0 alone; farther out every other pixel
  // is grey.
  const int32_t even = (x1 + y0) % 2 == 0 ? y0 : y0 + 1;
  EXPECT_EQ(0u, PixelAt(shown.get(), x1, even));
  EXPECT_EQ(0x808080u, PixelAt(shown.get(), x1 + 1, even + 1));
  EXPECT_EQ(0u, PixelAt(shown.get(), x1 + 1, even));
}

TEST_F(Compositor, ThePixelGridStartsAtFourHundredPercent) {
  MakeView();
  view->SetBackground(0);
  view->GetIEBitmap()->Allocate(10, 10, ie24RGB);
  view->GetIEBitmap()->Fill(0);
  view->Update();
  view->SetDisplayGrid(true);
  for (double zoom : {399.0, 400.0}) {
    SCOPED_TRACE(zoom);
    view->SetZoom(zoom);
    auto dest = std::make_unique<TIEBitmap>(view->GetViewWidth(), view->GetViewHeight(), ie24RGB);
    view->PaintToBackBuffer(dest.get(), nullptr, true, true, nullptr);
    const auto& d = view->CurrentLayer()->DrawnDest;
    ASSERT_EQ(10, view->CurrentLayer()->DrawnSource[2]);
    // Count the inverted columns along one row inside the image: 11 lines at 400 %.
    int32_t lines = 0;
    const int32_t y = d[1] + 2;
    for (int32_t x = d[0]; x <= d[0] + d[2] && x < dest->Width(); ++x) lines += PixelAt(dest.get(), x, y) == 0xFFFFFFu;
    EXPECT_EQ(zoom >= 400 ? 11 : 0, lines);
  }
}

TEST_F(Compositor, RenderLayersToMakesRoomForLayersOnTheLeft) {
  MakeView();
  view->SetBackground(0x000000);
  view->GetIEBitmap()->Allocate(20, 10, ie24RGB);
  view->GetIEBitmap()->Fill(0x00FF00);
  view->AddLayer();
  view->GetIEBitmap()->Allocate(5, 5, ie24RGB);
  view->GetIEBitmap()->Fill(0xFF0000);
  view->CurrentLayer()->PosX = -10;
  view->Update();
  TIEBitmap flat(1, 1, ie24RGB);
  view->RenderLayersTo(&flat);
  EXPECT_EQ(30, flat.Width());
  EXPECT_EQ(10, flat.Height());
  EXPECT_EQ(0x0000FFu, PixelAt(&flat, 0, 0));    // the moved layer at the left edge
  EXPECT_EQ(0x00FF00u, PixelAt(&flat, 10, 9));   // layer 0 ten pixels to the right
  EXPECT_EQ(0x000000u, PixelAt(&flat, 3, 8));    // the background below the small layer
}

// A composition that fails leaves the view as it was: zoom, origin and image size.
TEST_F(Compositor, AFailedRenderLayersToRestoresTheView) {
  MakeView();
  view->GetIEBitmap()->Allocate(400, 300, ie24RGB);
  view->GetIEBitmap()->Fill(0x808080);
  view->Update();
  view->SetZoom(200);
  view->SetViewXY(120, 90);
  const int32_t vx = view->ViewX(), vy = view->ViewY();
  ASSERT_GT(vx, 0);
  TIEBitmap grey(10, 10, ie8g);  // the renderer draws only into 24-bit bitmaps
  EXPECT_THROW(view->RenderLayersTo(&grey), vcl::Exception);
  EXPECT_EQ(200, view->ZoomX());
  EXPECT_EQ(200, view->ZoomY());
  EXPECT_EQ(2.0, view->ZoomFactorX());
  EXPECT_EQ(vx, view->ViewX());
  EXPECT_EQ(vy, view->ViewY());
  EXPECT_EQ(400, view->ImageWidth());
  EXPECT_EQ(300, view->ImageHeight());
}

TEST_F(Compositor, FlattenLayersLeavesOneLayerWithTheComposition) {
  MakeView();
  BuildThreeLayers(view);
  TIEBitmap expected(1, 1, ie24RGB);
  view->RenderLayersTo(&expected);
  view->FlattenLayers();
  ASSERT_EQ(1, view->LayersCount());
  TIEBitmap* flat = view->GetIEBitmap();
  ASSERT_EQ(expected.Width(), flat->Width());
  ASSERT_EQ(expected.Height(), flat->Height());
  for (int32_t y = 0; y < expected.Height(); y += 7)
    for (int32_t x = 0; x < expected.Width(); x += 5) ASSERT_EQ(PixelAt(&expected, x, y), PixelAt(flat, x, y)) << x << "," << y;
}

namespace {

uint32_t BackPixel(vcl::TBitmap* back, int32_t x, int32_t y) {
  GdiFlush();
  const auto* p = static_cast<const uint8_t*>(back->ScanLine(y)) + x * 3;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

// A picture larger than the client, so that every scroll keeps the geometry; the layers are
// kept at one size, so they are drawn through the view's zoom tables.
void BuildLargeLayers(TImageView* view) {
  view->SetLayersSync(true);
  view->SetBackground(kBackground);
  view->GetIEBitmap()->Allocate(700, 500, ie24RGB);
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return uint32_t(x * 7) | uint32_t(y * 3) << 8 | uint32_t(x ^ y) << 16; });
  view->AddLayer();
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return ((x / 5 + y / 3) & 1) ? 0xFFFFFFu : 0x0000FFu; });
  view->CurrentLayer()->Transparency = 100;
  view->CurrentLayer()->Operation = ieopAverage;
  view->Update();
}

}  // namespace

// After a scroll that keeps the geometry only the strips that came into view are composed;
// the back buffer must then hold exactly what a full composition gives.
TEST_F(Compositor, AScrolledBackBufferEqualsAFullComposition) {
  MakeView();
  BuildLargeLayers(view);
  struct Move {
    int32_t dx, dy;
  } moves[] = {{1, 0}, {0, 1}, {-3, 2}, {7, -5}, {40, 30}, {-1, -1}};
  for (double zoom : {100.0, 150.0, 33.0, 300.0, 125.0, 133.33, 175.0, 233.0, 812.5}) {
    view->SetZoom(zoom);
    view->SetViewXY(60, 50);
    view->Paint();
    for (const Move& m : moves) {
      SCOPED_TRACE(testing::Message() << zoom << "% by " << m.dx << "," << m.dy);
      view->SetViewXY(view->ViewX() + m.dx, view->ViewY() + m.dy);
      ASSERT_FALSE(view->BackBufferDirty());
      vcl::TBitmap* back = view->GetBackBuffer();
      auto full = std::make_unique<TIEBitmap>(view->GetViewWidth(), view->GetViewHeight(), ie24RGB);
      view->PaintToBackBuffer(full.get(), nullptr, true, true, nullptr);
      int32_t differing = 0;
      for (int32_t y = 0; y < full->Height(); ++y)
        for (int32_t x = 0; x < full->Width(); ++x) differing += PixelAt(full.get(), x, y) != BackPixel(back, x, y);
      EXPECT_EQ(0, differing);
    }
  }
}

// The composed pixels move with the scroll instead of being composed again: a mark left in
// the buffer moves along.
TEST_F(Compositor, AScrollMovesTheComposedPixels) {
  MakeView();
  BuildLargeLayers(view);
  view->SetViewXY(60, 50);
  view->Paint();
  vcl::TBitmap* back = view->GetBackBuffer();
  GdiFlush();
  auto* p = static_cast<uint8_t*>(back->ScanLine(40)) + 50 * 3;
  p[0] = 1, p[1] = 2, p[2] = 3;
  view->SetViewXY(62, 51);
  EXPECT_EQ(0x030201u, BackPixel(back, 48, 39));
  // A chessboard stays where the window has it, and layers drawn by their own rectangles
  // depend on the buffer's edges: the next scroll composes everything.
  view->LockPaint();  // the composition waits for the next paint
  view->SetBackgroundStyle(iebsChessboard);
  view->Paint();
  view->UnlockPaintNoUpdate();
  view->Paint();
  ASSERT_FALSE(view->BackBufferDirty());
  view->LockPaint();
  view->SetViewXY(63, 52);
  EXPECT_TRUE(view->BackBufferDirty());
  view->UnlockPaintNoUpdate();
  view->SetBackgroundStyle(iebsSolid);
  view->SetMouseInteract(miMoveLayers);  // the box outlines the visible area
  view->Paint();
  ASSERT_FALSE(view->BackBufferDirty());
  view->LockPaint();
  view->SetViewXY(62, 52);
  EXPECT_TRUE(view->BackBufferDirty());
  view->UnlockPaintNoUpdate();
  view->SetMouseInteract(0);
  view->SetLayersSync(false);
  view->Paint();
  ASSERT_FALSE(view->BackBufferDirty());
  view->LockPaint();
  view->SetViewXY(64, 52);
  EXPECT_TRUE(view->BackBufferDirty());
  view->UnlockPaintNoUpdate();
}

// A rotated layer is drawn from a turned copy: its box is the turned size, and its own
// position and size overrides are back after the paint. A cropped layer stops at layer 0.
TEST_F(Compositor, RotatedAndCroppedLayers) {
  MakeView();
  view->SetBackground(0);
  view->GetIEBitmap()->Allocate(100, 80, ie24RGB);
  view->GetIEBitmap()->Fill(0);
  view->AddLayer();
  view->GetIEBitmap()->Allocate(40, 20, ie24RGB);
  view->GetIEBitmap()->Fill(0xFFFFFF);
  TIELayer* layer = view->CurrentLayer();
  layer->PosX = 30;
  layer->PosY = 30;
  layer->SetRotate(90);
  view->Update();
  auto shown = Compose(view);
  EXPECT_EQ(30, layer->PosX);
  EXPECT_EQ(30, layer->PosY);
  EXPECT_EQ(0, layer->Width);
  EXPECT_EQ(0, layer->Height);
  const vcl::TRect box = layer->ClientAreaBox;
  EXPECT_EQ(20, box.right - box.left);
  EXPECT_EQ(40, box.bottom - box.top);
  EXPECT_EQ(0xFFFFFFu, PixelAt(shown.get(), (box.left + box.right) / 2, (box.top + box.bottom) / 2));

  layer->SetRotate(0);
  layer->PosX = -10;
  layer->PosY = 0;
  layer->Cropped = true;
  view->Update();
  shown = Compose(view);
  const int32_t ox = view->OffsetX(), oy = view->OffsetY();
  EXPECT_EQ(ox, layer->DrawnDest[0]);
  EXPECT_EQ(30, layer->DrawnDest[2]);   // the 10 columns left of layer 0 are cut
  EXPECT_EQ(10, layer->DrawnSource[0]);
  EXPECT_EQ(0xFFFFFFu, PixelAt(shown.get(), ox, oy + 5));
  EXPECT_EQ(0u, PixelAt(shown.get(), ox - 1, oy + 5));
}

// A magnifier shows layer 0's pixels around its centre enlarged; an elliptic one leaves its
// corners transparent.
TEST_F(Compositor, AMagnifierShowsLayerZeroEnlarged) {
  MakeView();
  view->SetBackground(0);
  view->GetIEBitmap()->Allocate(100, 80, ie24RGB);
  Paint24(view->GetIEBitmap(), [](int32_t x, int32_t y) { return uint32_t(x) | uint32_t(y) << 8; });
  view->AddLayer();
  view->GetIEBitmap()->Allocate(20, 20, ie24RGB);
  view->GetIEBitmap()->Fill(0xFFFFFF);
  TIELayer* lens = view->CurrentLayer();
  lens->PosX = 40;
  lens->PosY = 30;
  lens->Magnify = true;
  lens->MagnifyZoom = 2;
  lens->MagnifySource = 0;
  lens->MagnifyShape = 1;
  view->Update();
  auto shown = Compose(view);
  const int32_t ox = view->OffsetX(), oy = view->OffsetY();
  // The lens covers image (40..59, 30..49) and shows the 10 x 10 area around (50, 40) twice
  // as large: its top-left quarter pixel comes from about (45, 35).
  const uint32_t centre = PixelAt(shown.get(), ox + 50, oy + 40);
  EXPECT_NEAR(50, int(centre & 0xFF), 1);
  EXPECT_NEAR(40, int((centre >> 8) & 0xFF), 1);
  const uint32_t left = PixelAt(shown.get(), ox + 44, oy + 40);
  EXPECT_NEAR(47, int(left & 0xFF), 1);
  // The corner lies outside the ellipse: layer 0 shows through.
  EXPECT_EQ(PixelAt(shown.get(), ox + 40, oy + 30), uint32_t(40 | 30 << 8));
}
