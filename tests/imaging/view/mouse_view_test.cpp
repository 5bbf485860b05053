// Zooming, scrolling and layer editing by real mouse messages: which modes go together, and the
// zoom, origin and layer geometry after each gesture.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/view/view_params.h"
#include "tests/imaging/view/mouse_fixture.h"

using namespace imaging;
using view_fixture::MouseView;
using view_fixture::Pump;

namespace {

using MouseInteraction = MouseView;

// A 20 x 20 layer 1 at (10, 10), current: client (60, 35) .. (80, 55).
TIELayer* AddSquareLayer(TImageView* view, int32_t w = 20, int32_t h = 20) {
  view->AddLayer();
  view->GetIEBitmap()->Allocate(w, h, ie24RGB);
  view->GetIEBitmap()->Fill(0x0000FF);
  TIELayer* layer = view->CurrentLayer();
  layer->PosX = 10;
  layer->PosY = 10;
  return layer;
}

POINT GripCentre(TImageView* view, int32_t grip) {
  vcl::TRect grips[9];
  view->GetLayerGrips(view->LayersCurrent(), grips);
  const vcl::TRect& r = grips[grip - 1];
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

TEST_F(MouseInteraction, ModesThatCannotGoTogetherAreTrimmed) {
  struct Case {
    int32_t from, to, result;
  };
  const Case cases[] = {
      {0, miZoom | miSelectPolygon, miSelectPolygon},
      {miSelectPolygon, miSelectPolygon | miZoom, miZoom},
      {0, miMoveLayers | miResizeLayers | miRotateLayers, miMoveLayers | miRotateLayers},
      {0, miZoom | miSelect | miScroll, miZoom | miScroll},
      {miSelect, miSelect | miSelectCircle, miSelectCircle},
      {0, miSelectMagicWand | miZoom, miZoom},
      {0, miSelectLasso | miSelectZoom | miZoom, miZoom | miSelectLasso},
      {0, miSelect | miMovingScroll, miSelect | miMovingScroll},
      {miZoom | miScroll, miZoom | miScroll | miMovingScroll, miZoom | miScroll | miMovingScroll},
  };
  MakeMouseView();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to);
    view->SetMouseInteract(c.from);
    view->SetMouseInteract(c.to);
    EXPECT_EQ(c.result, view->MouseInteract());
  }
}

TEST_F(MouseInteraction, ClicksZoomInAndOutByTheSteps) {
  struct Case {
    double from;
    bool right;
    double to;
  };
  const Case cases[] = {{60, false, 75},  {100, false, 200}, {250, false, 350}, {60, true, 50},
                        {2, true, 2},     {150, true, 100},  {300, true, 200},  {1, false, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << (c.right ? " out" : " in"));
    MakeMouseView();
    view->SetMouseInteract(miZoom);
    view->SetZoom(c.from);
    Settle();
    Click(100, 75, 0, c.right);
    EXPECT_EQ(c.to, view->ZoomX());
    EXPECT_EQ(c.to, view->ZoomY());
  }
}

TEST_F(MouseInteraction, TheZoomEventMayChangeTheStep) {
  MakeMouseView();
  view->SetMouseInteract(miZoom);
  view->OnZoomIn = [](vcl::TObject*, double& zoom) { zoom = 400; };
  Click(100, 75);
  EXPECT_EQ(400, view->ZoomX());
  // A zoom click on an empty image does nothing.
  SetImage(1, 1);
  Settle();
  const double before = view->ZoomX();
  Click(100, 75);
  EXPECT_EQ(before, view->ZoomX());
}

TEST_F(MouseInteraction, DraggingScrollsByTheMouseMove) {
  MakeMouseView(400, 300);
  view->SetMouseInteract(miScroll);
  Send(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
  EXPECT_EQ(1782, view->Cursor());
  Send(WM_MOUSEMOVE, 80, 90, MK_LBUTTON);
  EXPECT_EQ(20, view->ViewX());
  EXPECT_EQ(10, view->ViewY());
  Send(WM_MOUSEMOVE, 60, 80, MK_LBUTTON);
  Send(WM_LBUTTONUP, 60, 80);
  EXPECT_EQ(40, view->ViewX());
  EXPECT_EQ(20, view->ViewY());
  EXPECT_EQ(crIECross, view->Cursor());
  // Twice the speed, from there.
  view->SetMouseScrollRate(2);
  Drag({{100, 100}, {90, 95}});
  EXPECT_EQ(60, view->ViewX());
  EXPECT_EQ(30, view->ViewY());
  // A rate far past any origin ends at the limit.
  view->SetMouseScrollRate(1e12);
  Drag({{100, 100}, {90, 95}});
  EXPECT_EQ(200, view->ViewX());
  EXPECT_EQ(150, view->ViewY());
}

TEST_F(MouseInteraction, ARectangleDraggedInZoomSelectModeFillsTheView) {
  MakeMouseView(400, 300);
  view->SetMouseInteract(miSelectZoom);
  Drag({{20, 20}, {45, 30}, {70, 45}});
  // 50 x 25 pixels into 200 x 150: 400 %, the rectangle's corner at the view's corner.
  EXPECT_EQ(400, view->ZoomX());
  EXPECT_EQ(80, view->ViewX());
  EXPECT_EQ(55, view->ViewY());
  // The selection from before the gesture (none) comes back.
  EXPECT_FALSE(view->Selected());
  EXPECT_EQ(0, view->SelectionStackCount());
}

TEST_F(MouseInteraction, TheMovingScrollFollowsTheCursorAcrossTheView) {
  MakeMouseView(400, 300);
  view->SetMouseInteract(miMovingScroll);
  view->SetSmoothScrollDivisor(0);
  Send(WM_MOUSEMOVE, 100, 75);
  Send(WM_MOUSEMOVE, 4, 3);  // 2 % of the view: the start
  EXPECT_EQ(0, view->ViewX());
  EXPECT_EQ(0, view->ViewY());
  Send(WM_MOUSEMOVE, 199, 149);  // 1.05 x 0.98 of the maximum, held at the maximum
  EXPECT_EQ(200, view->ViewX());
  EXPECT_EQ(150, view->ViewY());
  Send(WM_MOUSEMOVE, 100, 75);  // (0.5 - 0.02) x 1.05 x 200, x 150
  EXPECT_EQ(100, view->ViewX());
  EXPECT_EQ(75, view->ViewY());
}

TEST_F(MouseInteraction, ALayerMovesByTheMouseAndTellsEachStep) {
  MakeMouseView();
  AddSquareLayer(view);
  view->SetLayersCurrent(0);
  Settle();
  view->SetMouseInteract(miMoveLayers);
  std::vector<int32_t> events;
  view->OnLayerNotify = [&](vcl::TObject*, int32_t layer, int32_t event) {
    EXPECT_EQ(1, layer);
    events.push_back(event);
  };
  Send(WM_LBUTTONDOWN, 70, 45, MK_LBUTTON);
  EXPECT_EQ(1, view->LayersCurrent());
  EXPECT_EQ(1790, view->Cursor());
  Send(WM_MOUSEMOVE, 80, 48, MK_LBUTTON);
  EXPECT_EQ("X=20 Y=13", view->InteractionHint());
  Send(WM_MOUSEMOVE, 85, 50, MK_LBUTTON);
  Send(WM_LBUTTONUP, 85, 50);
  EXPECT_EQ(25, view->GetLayer(1)->PosX);
  EXPECT_EQ(15, view->GetLayer(1)->PosY);
  EXPECT_EQ((std::vector<int32_t>{0, 8, 3, 3, 1}), events);
  EXPECT_EQ("", view->InteractionHint());
  // A locked layer stays where it is.
  view->GetLayer(1)->Locked = true;
  Settle();
  Drag({{80, 45}, {90, 55}});
  EXPECT_EQ(25, view->GetLayer(1)->PosX);
}

TEST_F(MouseInteraction, LayerGripsResizeWithOrWithoutTheAspect) {
  struct Case {
    const char* name;
    int32_t aspectMode;
    int32_t grip;
    int32_t dx, dy;
    int32_t width, height;  // the expected change
    int32_t posX, posY;
  };
  // The layer is 40 x 20 at (10, 10).
  const Case cases[] = {
      {"free corner", 0, 3, 10, 6, 10, 6, 10, 10},
      {"kept corner", 2, 3, 20, 0, 20, 10, 10, 10},
      {"kept top-left corner", 2, 1, 10, 0, -10, -5, 20, 15},
      {"kept right edge", 2, 6, 20, 0, 20, 10, 10, 10},
      {"corners only, right edge", 3, 6, 20, 7, 20, 0, 10, 10},
      {"corners only, corner", 3, 3, -20, 0, -20, -10, 10, 10},
      {"free left edge", 0, 5, -10, 3, 10, 0, 0, 10},
      {"free bottom edge", 0, 8, 4, 12, 0, 12, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    TIELayer* layer = AddSquareLayer(view, 40, 20);
    Settle();
    view->SetMouseInteract(miResizeLayers);
    view->SetLayersResizeAspect(c.aspectMode);
    const POINT g = GripCentre(view, c.grip);
    const int32_t w0 = layer->GetWidth(), h0 = layer->GetHeight();
    Drag({g, {g.x + c.dx / 2, g.y + c.dy / 2}, {g.x + c.dx, g.y + c.dy}});
    EXPECT_EQ(w0 + c.width, layer->GetWidth());
    EXPECT_EQ(h0 + c.height, layer->GetHeight());
    EXPECT_EQ(c.posX, layer->PosX);
    EXPECT_EQ(c.posY, layer->PosY);
  }
}

TEST_F(MouseInteraction, ALayerWithoutPixelsResizesWithoutDividingByZero) {
  MakeMouseView();
  TIELayer* layer = AddSquareLayer(view);
  Settle();
  view->SetMouseInteract(miResizeLayers);
  view->SetLayersResizeAspect(2);
  const POINT g = GripCentre(view, 3);
  layer->Bitmap()->Allocate(0, 0, ie24RGB);
  for (POINT to : std::vector<POINT>{{g.x + 10, g.y + 10}, {g.x - 40, g.y - 40}, {g.x, g.y + 30}}) {
    SCOPED_TRACE(::testing::Message() << to.x << "," << to.y);
    Drag({g, to});
    EXPECT_GE(layer->Width, 1);
    EXPECT_GE(layer->Height, 1);
  }
}

TEST_F(MouseInteraction, RotatingOutsideTheLayerTurnsItAndShiftSnaps) {
  MakeMouseView();
  AddSquareLayer(view);
  Settle();
  view->SetMouseInteract(miRotateLayers);
  std::vector<int32_t> events;
  view->OnLayerNotify = [&](vcl::TObject*, int32_t, int32_t event) { events.push_back(event); };
  // Right of the centre, moving down turns the layer the negative way, a quarter of a degree
  // per pixel.
  Drag({{120, 45}, {120, 65}});
  EXPECT_EQ(-5, view->GetLayer(1)->Rotate());
  EXPECT_EQ((std::vector<int32_t>{5, 6}), events);
  Drag({{120, 45}, {120, 145}, {120, 245}}, MK_SHIFT);
  EXPECT_EQ(-45, view->GetLayer(1)->Rotate());
  EXPECT_EQ(0, std::fmod(view->GetLayer(1)->Rotate(), 45.0));
}

// Leaving the rotate mode gives the pixels the rotation; entering it crops every layer to its
// opaque pixels, the background layer too, which changes the image size.
TEST_F(MouseInteraction, TheRotateModeBakesWhenLeftAndCropsWhenEntered) {
  MakeMouseView();
  TIELayer* layer = AddSquareLayer(view);
  view->SetMouseInteract(miRotateLayers);
  layer->SetRotate(30);
  view->SetMouseInteract(miMoveLayers);
  EXPECT_EQ(0, view->GetLayer(1)->Rotate());
  EXPECT_GT(view->GetLayer(1)->Bitmap()->Width(), 20);

  TIEBitmap* base = view->GetLayer(0)->Bitmap();
  TIEBitmap* alpha = base->GetAlphaChannel();
  alpha->Fill(0);
  for (int32_t y = 30; y < 50; ++y)
    for (int32_t x = 20; x < 60; ++x) alpha->SetPixel8(x, y, 255);
  view->SetMouseInteract(miRotateLayers);
  EXPECT_EQ(40, view->GetLayer(0)->Bitmap()->Width());
  EXPECT_EQ(20, view->GetLayer(0)->Bitmap()->Height());
  view->Update();
  EXPECT_EQ(40, view->ImageWidth());
}

TEST_F(MouseInteraction, LayerCursorsTellTheGesture) {
  MakeMouseView();
  AddSquareLayer(view);
  Settle();
  struct Case {
    int32_t mode;
    POINT at;
    vcl::TCursor cursor;
  };
  const POINT corner = GripCentre(view, 2), edge = GripCentre(view, 7);
  const Case cases[] = {
      {miResizeLayers, corner, 1788},   {miResizeLayers, edge, 1787},       {miMoveLayers, {70, 45}, 1790},
      {miMoveLayers, {140, 110}, crIECross},  // layer 0 is there, but locked
      {miRotateLayers, {40, 20}, 1814}, {miRotateLayers, {40, 100}, 1811}, {miRotateLayers, {120, 20}, 1812},
      {miRotateLayers, {120, 100}, 1813}, {miRotateLayers, {70, 45}, crIECross},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.mode << " at " << c.at.x << "," << c.at.y);
    view->SetMouseInteract(c.mode);
    Send(WM_MOUSEMOVE, c.at.x, c.at.y);
    EXPECT_EQ(c.cursor, view->Cursor());
  }
}

TEST_F(MouseInteraction, TheNavigatorShowsTheVisibleAreaAndScrollsTheView) {
  MakeMouseView(400, 300);
  auto* navigator = new TImageView(form.get());
  navigator->SetParent(form.get());
  navigator->SetBounds(200, 0, 100, 75);
  navigator->SetBorderStyle(vcl::bsNone);
  navigator->SetScrollBars(vcl::ssNone);
  view->SetNavigator(navigator, 1);
  Pump();
  ASSERT_TRUE(navigator->Selected());
  EXPECT_EQ(0, navigator->GetSelX1());
  EXPECT_EQ(0, navigator->GetSelY1());
  EXPECT_EQ(199, navigator->GetSelX2());
  EXPECT_EQ(149, navigator->GetSelY2());
  view->SetViewXY(100, 50);
  EXPECT_EQ(100, navigator->GetSelX1());
  EXPECT_EQ(50, navigator->GetSelY1());
  EXPECT_EQ(299, navigator->GetSelX2());

  // Dragging the navigator's rectangle scrolls the view: the navigator shows 400 x 300 at 25 %.
  navigator->Paint();
  ASSERT_EQ(25, navigator->ZoomX());
  const int32_t x = 100 * 25 / 100 + 5, y = 50 * 25 / 100 + 5;
  POINT s{x, y};
  ClientToScreen(navigator->Handle(), &s);
  SetCursorPos(s.x, s.y);
  SendMessageW(navigator->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(navigator->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x - 10, y + 5));
  SendMessageW(navigator->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x - 10, y + 5));
  EXPECT_EQ(60, view->ViewX());
  EXPECT_EQ(70, view->ViewY());
  EXPECT_EQ(60, navigator->GetSelX1());
  EXPECT_EQ(70, navigator->GetSelY1());

  // The wheel over the navigator zooms the view, not the navigator.
  view->MouseWheelParams()->SetStepKind(iemwAbsolute);
  view->MouseWheelParams()->SetStepValue(10);
  navigator->MouseWheelParams()->SetStepKind(iemwAbsolute);
  navigator->MouseWheelParams()->SetStepValue(10);
  SendMessageW(navigator->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), MAKELPARAM(s.x, s.y));
  EXPECT_EQ(110, view->ZoomX());
  EXPECT_EQ(25, navigator->ZoomX());
  SendMessageW(navigator->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 0), MAKELPARAM(s.x, s.y));
  EXPECT_EQ(110, view->ZoomX());

  view->SetNavigator(nullptr, 0);
  EXPECT_FALSE(navigator->IsNavigator());
  EXPECT_FALSE(navigator->OnMouseWheel);
  EXPECT_FALSE(navigator->OnSelectionChanging);
}

// Run with --gtest_also_run_disabled_tests under shared/tools/screenshot to look at an ellipse
// drawn by the mouse (left, with its marching ants) and a layer picked for resizing (right,
// with its grips).
TEST_F(MouseInteraction, DISABLED_ShowsASelectionAndLayerGripsForAScreenshot) {
  MakeMouseView();
  form->SetBounds(40, 40, 460, 240);
  TIEBitmap* bitmap = view->GetIEBitmap();
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x)
      bitmap->SetPixel24(x, y, TRGB{uint8_t(x * 2), uint8_t(y * 2), 160});
  Settle();
  view->SetMouseInteract(miSelectCircle);
  Drag({{100, 75}, {120, 85}, {135, 100}});

  auto* layers = new TImageView(form.get());
  layers->SetParent(form.get());
  layers->SetBounds(220, 0, 200, 150);
  layers->SetBorderStyle(vcl::bsNone);
  layers->SetScrollBars(vcl::ssNone);
  layers->GetIEBitmap()->Allocate(160, 120, ie24RGB);
  layers->GetIEBitmap()->Fill(0x406080);
  AddSquareLayer(layers, 60, 40);
  layers->SetMouseInteract(miMoveLayers | miResizeLayers);
  layers->Update();
  for (int32_t i = 0; i < 400; ++i) {
    Pump();
    Sleep(10);
  }
}

TEST_F(MouseInteraction, TheZoomFilterWaitsForTheRelease) {
  for (int32_t mode : {miSelect, miScroll}) {
    SCOPED_TRACE(mode);
    MakeMouseView(400, 300);
    view->SetMouseInteract(mode);
    view->SetZoomFilter(rfTriangle);
    view->SetDelayZoomFilter(true);
    Send(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    EXPECT_EQ(mode == miScroll ? rfTriangle : rfNone, view->ZoomFilter());
    Send(WM_MOUSEMOVE, 120, 110, MK_LBUTTON);
    Send(WM_LBUTTONUP, 120, 110);
    EXPECT_EQ(rfTriangle, view->ZoomFilter());
  }
}

TEST_F(MouseInteraction, OtherButtonsActOnlyWhereAModeWantsThem) {
  struct Case {
    const char* name;
    int32_t mode, options;
    UINT down, up;
    int32_t current;  // the current layer afterwards
  };
  const Case cases[] = {
      {"right button picks a layer", miMoveLayers, iesoRightButtonSelectLayers, WM_RBUTTONDOWN, WM_RBUTTONUP, 1},
      {"right button without the option", miMoveLayers, 0, WM_RBUTTONDOWN, WM_RBUTTONUP, 0},
      {"middle button", miMoveLayers, iesoRightButtonSelectLayers, WM_MBUTTONDOWN, WM_MBUTTONUP, 0},
      {"left button", miMoveLayers, 0, WM_LBUTTONDOWN, WM_LBUTTONUP, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeMouseView();
    AddSquareLayer(view);
    view->SetLayersCurrent(0);
    Settle();
    view->SetMouseInteract(c.mode);
    view->SetSelectionOptions(view->SelectionOptions() | c.options);
    Send(c.down, 70, 45);
    Send(c.up, 70, 45);
    EXPECT_EQ(c.current, view->LayersCurrent());
  }
  // A layer picked with the right button is not dragged by a later left press beside it.
  MakeMouseView();
  TIELayer* layer = AddSquareLayer(view);
  Settle();
  view->SetMouseInteract(miMoveLayers);
  view->SetSelectionOptions(view->SelectionOptions() | iesoRightButtonSelectLayers);
  Click(70, 45, 0, true);
  Drag({{10, 10}, {30, 20}});
  EXPECT_EQ(10, layer->PosX);
  EXPECT_EQ(10, layer->PosY);
  // A middle click in a selection mode neither selects nor clears.
  MakeMouseView();
  view->SetMouseInteract(miSelect);
  Drag({{60, 35}, {100, 75}});
  Send(WM_MBUTTONDOWN, 130, 110);
  Send(WM_MBUTTONUP, 130, 110);
  EXPECT_TRUE(view->Selected());
}

TEST_F(MouseInteraction, TheRotationCentreMovesWithItsGrip) {
  MakeMouseView();
  TIELayer* layer = AddSquareLayer(view);
  Settle();
  view->SetMouseInteract(miRotateLayers);
  Settle();
  const POINT centre = GripCentre(view, 9);
  ASSERT_EQ(70, centre.x);
  ASSERT_EQ(45, centre.y);
  Send(WM_LBUTTONDOWN, 70, 45, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 64, 41, MK_LBUTTON);
  EXPECT_EQ("X=4 Y=6", view->InteractionHint());
  Send(WM_LBUTTONUP, 64, 41);
  EXPECT_DOUBLE_EQ(0.2, layer->RotateCenterX);
  EXPECT_DOUBLE_EQ(0.3, layer->RotateCenterY);
  EXPECT_EQ(0, layer->Rotate());
}
