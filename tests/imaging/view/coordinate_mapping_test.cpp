// Client-to-bitmap mapping and back, at the zooms and origins a user reaches, against plain
// integer arithmetic: a zoomed column z shows bitmap column floor(z * 100 / zoom) when the zoom
// magnifies, and the first bitmap column that lands on z when it reduces.
#include <cmath>

#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/view/view_fixture.h"

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

using Mapping = ViewWindow;

struct Case {
  int32_t zoom;  // whole per cent, so that the reference is exact integer arithmetic
  int32_t width, height;
  int32_t viewX, viewY;
};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b; }
int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The bitmap column that zoomed column z shows.
int32_t BitmapColumn(int64_t z, int32_t zoom, int32_t size) {
  int64_t b = zoom >= 100 ? FloorDiv(z * 100, zoom) : CeilDiv(z * 100, zoom);
  return static_cast<int32_t>(std::min<int64_t>(b, size - 1));
}

// The first zoomed column of bitmap column b.
int32_t FirstZoomed(int64_t b, int32_t zoom) {
  return static_cast<int32_t>(zoom >= 100 ? CeilDiv(b * zoom, 100) : FloorDiv(b * zoom, 100));
}

// The origin snapped to the first zoomed column of the pixel it falls in.
int32_t Snapped(int32_t origin, int32_t zoom) {
  return zoom >= 100 ? FirstZoomed(FloorDiv(int64_t(origin) * 100, zoom), zoom) : origin;
}

void CheckAxis(TImageView* view, bool horizontal, const Case& c) {
  const int32_t zoom = c.zoom;
  const int32_t size = horizontal ? c.width : c.height;
  const int32_t client = horizontal ? 200 : 150;
  const int32_t zoomed = static_cast<int32_t>(std::nearbyint(double(size) * zoom / 100));
  const int32_t visible = std::min(zoomed, client);
  const int32_t offset = (client - visible) / 2;
  const int32_t origin = horizontal ? view->ViewX() : view->ViewY();
  const int32_t a = Snapped(origin, zoom);
  auto toBitmap = [&](int32_t x) { return horizontal ? view->ClientToBitmapX(x) : view->ClientToBitmapY(x); };
  auto toClient = [&](int32_t b) { return horizontal ? view->BitmapToClientX(b) : view->BitmapToClientY(b); };
  EXPECT_EQ(horizontal ? view->OffsetX() : view->OffsetY(), offset);
  for (int32_t x = offset; x < offset + visible; ++x) {
    const int32_t b = toBitmap(x);
    ASSERT_EQ(b, BitmapColumn(a + x - offset, zoom, size)) << "client " << x;
    // Back to the first client column of that pixel, which maps to the same pixel again.
    const int32_t back = toClient(b);
    ASSERT_LE(back, x) << "pixel " << b;
    ASSERT_EQ(toBitmap(back), b) << "pixel " << b;
    if (zoom <= 100) {
      ASSERT_EQ(back, x) << "pixel " << b;
    } else if (back >= offset) {
      ASSERT_EQ(back, FirstZoomed(b, zoom) - a + offset) << "pixel " << b;
    }
  }
}

}  // namespace

TEST_F(Mapping, ClientToBitmapAndBackAtEveryZoomAndOrigin) {
  const Case cases[] = {
      {100, 400, 300, 0, 0},     {100, 400, 300, 57, 33},  {100, 100, 60, 0, 0},  // centred
      {150, 400, 300, 0, 0},     {150, 400, 300, 37, 20},  {150, 400, 300, 301, 161},
      {800, 200, 100, 0, 0},     {800, 200, 100, 1234, 517}, {800, 30, 20, 0, 0},
      {33, 300, 200, 0, 0},      {33, 2000, 1500, 101, 77},  {33, 2000, 1500, 459, 344},
      {1, 30000, 100, 0, 0},     {1, 30000, 100, 50, 0},    {1, 150, 150, 0, 0},  // 2 x 2 zoomed
  };
  MakeView();
  ASSERT_NE(view, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "zoom " << c.zoom << ", " << c.width << " x " << c.height << ", origin "
                                      << c.viewX << ", " << c.viewY);
    SetImage(c.width, c.height);
    view->SetZoom(c.zoom);
    view->SetViewXY(0, 0);
    view->SetViewXY(c.viewX, c.viewY);
    EXPECT_EQ(view->ViewX(), c.viewX);
    EXPECT_EQ(view->ViewY(), c.viewY);
    CheckAxis(view, true, c);
    CheckAxis(view, false, c);
  }
}

TEST_F(Mapping, GoldenValuesAtTwoHundredAndFiftyPerCent) {
  MakeView("    Center = False\n");
  SetImage(400, 300);
  view->SetZoom(200);
  view->SetViewXY(0, 0);
  EXPECT_EQ(view->ClientToBitmapX(0), 0);
  EXPECT_EQ(view->ClientToBitmapX(1), 0);
  EXPECT_EQ(view->ClientToBitmapX(2), 1);
  EXPECT_EQ(view->ClientToBitmapX(3), 1);
  EXPECT_EQ(view->BitmapToClientX(0), 0);
  EXPECT_EQ(view->BitmapToClientX(1), 2);
  // A position inside a magnified pixel snaps to that pixel's first zoomed column.
  EXPECT_EQ(view->SnapViewX(5), 4);

  view->SetZoom(50);
  view->SetViewXY(0, 0);
  EXPECT_EQ(view->ClientToBitmapX(1), 2);
  EXPECT_EQ(view->BitmapToClientX(2), 1);
  EXPECT_EQ(view->BitmapToClientX(3), 1);
}

TEST_F(Mapping, PointsOutsideTheImageMapArithmetically) {
  MakeView();
  SetImage(100, 60);  // centred: offset 50, 45
  EXPECT_EQ(view->OffsetX(), 50);
  EXPECT_EQ(view->ClientToBitmapX(40), -10);
  EXPECT_EQ(view->ClientToBitmapX(0), -50);
  EXPECT_EQ(view->ClientToBitmapY(200), 155);
  EXPECT_EQ(view->BitmapToClientX(-10), 40);
  EXPECT_EQ(view->BitmapToClientX(150), 200);
}

TEST_F(Mapping, LayerCoordinatesFollowPositionShownSizeAndZoom) {
  MakeView("    Center = False\n");
  SetImage(400, 300);
  view->AddLayer();
  TIELayer* layer = view->CurrentLayer();
  layer->Bitmap()->Allocate(50, 40, ie24RGB);
  layer->PosX = 30;
  layer->PosY = 10;
  layer->Width = 100;  // shown twice as wide as its bitmap
  view->Update();
  view->SetZoom(200);
  view->SetViewXY(0, 0);
  // Client 60 is image column 30, the layer's left edge; client 260 is 100 image columns on,
  // the layer's right edge (bitmap column 50).
  EXPECT_EQ(layer->ClientToLayerX(60), 0);
  EXPECT_EQ(layer->ClientToLayerX(160), 25);
  EXPECT_EQ(layer->ClientToLayerY(20 + 2 * 7), 7);
  EXPECT_EQ(layer->LayerToClientX(0), 60);
  EXPECT_EQ(layer->LayerToClientX(25), 160);
  EXPECT_EQ(layer->LayerToClientY(7), 34);
  // A layer whose bitmap is empty maps to 0 instead of dividing by zero.
  layer->Bitmap()->FreeImage(true);
  layer->Width = 0;
  EXPECT_EQ(layer->ClientToLayerX(100), 0);
  EXPECT_EQ(layer->LayerToClientX(10), 60);
}
