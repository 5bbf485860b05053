// The view as a control: defaults, form data, the I/O messages, external bitmaps and the
// navigator link.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/controls/screen.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;
using view_fixture::Pump;
using view_fixture::ViewWindow;

namespace {
using ImageView = ViewWindow;
}

TEST_F(ImageView, ANewViewHasItsDefaults) {
  TImageView view(nullptr);
  EXPECT_EQ(view.LayersCount(), 1);
  EXPECT_EQ(view.GetIEBitmap()->Width(), 0);
  EXPECT_EQ(view.ZoomX(), 100);
  EXPECT_EQ(view.ZoomY(), 100);
  EXPECT_EQ(view.ViewX(), 0);
  EXPECT_EQ(view.Width(), 105);
  EXPECT_EQ(view.Height(), 105);
  EXPECT_EQ(view.GetDpiX(), 300);
  EXPECT_EQ(view.GetDpiY(), 300);
  EXPECT_TRUE(view.IsEmpty());
  EXPECT_EQ(view.Cursor(), 1785);
  EXPECT_TRUE(view.GetLayer(0)->Locked);
  EXPECT_FALSE(view.GetLayer(0)->VisibleBox);
  EXPECT_EQ(view.GetViewWidth(), 50);  // no parent window
  ASSERT_NE(view.GetTBitmap(), nullptr);
  EXPECT_EQ(view.GetTBitmap()->PixelFormat(), vcl::pf24bit);
  view.SetDpiX(0);
  EXPECT_EQ(view.GetDpiX(), 300);
}

TEST_F(ImageView, IsEmptyOnlyBelowTwoByTwo) {
  TImageView view(nullptr);
  const struct {
    int32_t w, h;
    bool empty;
  } cases[] = {{1, 1, true}, {1, 2, false}, {2, 1, false}, {1, 500, false}, {500, 1, false}};
  for (const auto& c : cases) {
    view.GetIEBitmap()->Allocate(c.w, c.h, ie24RGB);
    EXPECT_EQ(view.IsEmpty(), c.empty) << c.w << " x " << c.h;
  }
}

TEST_F(ImageView, PublishedPropertiesComeFromFormData) {
  MakeView("    Background = clRed\n"
           "    Center = False\n"
           "    ZoomFilter = rfLanczos3\n"
           "    LegacyBitmap = True\n"
           "    EnableAlphaChannel = False\n");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Background(), vcl::clRed);
  EXPECT_FALSE(view->Center());
  EXPECT_EQ(view->ZoomFilter(), rfLanczos3);
  EXPECT_FALSE(view->EnableAlphaChannel());
  EXPECT_EQ(view->GetViewWidth(), 200);
  EXPECT_EQ(view->GetViewHeight(), 150);
  // The window class does not repaint everything on resizing.
  const LONG_PTR style = GetClassLongPtrA(view->Handle(), GCL_STYLE);
  EXPECT_EQ(style & (CS_HREDRAW | CS_VREDRAW), 0);
}

TEST_F(ImageView, WorkerMessagesReachTheView) {
  MakeView();
  int progress = -1, finished = 0;
  view->SetOnProgress([&](vcl::TObject*, int32_t per) { progress = per; });
  view->SetOnFinishWork([&](vcl::TObject*) { ++finished; });
  EXPECT_EQ(view->GetIO(), view->GetIO());
  EXPECT_TRUE(static_cast<bool>(view->GetIO()->OnProgress));
  view->GetIEBitmap()->Allocate(30, 20, ie24RGB);
  PostMessageA(view->Handle(), IEM_PROGRESS, 42, 0);
  PostMessageA(view->Handle(), IEM_FINISHWORK, 0, 0);
  PostMessageA(view->Handle(), IEM_UPDATE, 0, 0);
  Pump();
  EXPECT_EQ(progress, 42);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(view->ImageWidth(), 30);  // the update ran
  // A handler set after the I/O object was made is the one it reports to.
  int later = -1;
  view->SetOnProgress([&](vcl::TObject*, int32_t per) { later = per; });
  view->GetIO()->DoProgress(view->GetIO(), 7);
  EXPECT_EQ(later, 7);
}

TEST_F(ImageView, BitmapChangeHandlersAreToldAndToldOfTheEnd) {
  std::vector<int> calls;
  {
    TImageView view(nullptr);
    int32_t kept = view.AddBitmapChangeHandler([&](bool destroying) { calls.push_back(destroying ? 10 : 1); });
    int32_t gone = view.AddBitmapChangeHandler([&](bool destroying) { calls.push_back(destroying ? 20 : 2); });
    view.NotifyBitmapChange();
    view.RemoveBitmapChangeHandler(gone);
    view.RemoveBitmapChangeHandler(12345);
    (void)kept;
  }
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 10}));
}

TEST_F(ImageView, AnExternalBitmapIsNeverFreedByTheView) {
  MakeView();
  auto external = std::make_unique<TIEBitmap>(16, 8, ie24RGB);
  view->AttachExternalBitmap(external.get());
  EXPECT_EQ(view->GetIEBitmap(), external.get());
  EXPECT_EQ(view->ImageWidth(), 16);
  // Detaching gives the layer a bitmap of its own at once (a platform bitmap while legacy), so
  // that clearing or removing layers right after frees nothing of the caller's.
  view->AttachExternalBitmap(nullptr);
  EXPECT_NE(view->GetIEBitmap(), external.get());
  EXPECT_EQ(view->CurrentLayer()->Bitmap(), view->GetIEBitmap());
  EXPECT_TRUE(view->CurrentLayer()->OwnsBitmap());
  ASSERT_NE(view->GetTBitmap(), nullptr);
  view->ClearLayers();
  EXPECT_EQ(external->Width(), 16);
  // The same on the way out: a view destroyed while showing it.
  view->AttachExternalBitmap(external.get());
  form.reset();
  EXPECT_EQ(external->Width(), 16);
}

TEST_F(ImageView, LegacyBitmapOffAndOnKeepsThePixels) {
  MakeView();
  SetImage(6, 4, 0x102030);
  vcl::TBitmap* first = view->GetTBitmap();
  ASSERT_NE(first, nullptr);
  view->SetLegacyBitmap(false);
  EXPECT_EQ(view->GetTBitmap(), nullptr);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 6);
  view->SetLegacyBitmap(true);
  ASSERT_NE(view->GetTBitmap(), nullptr);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 6);
  const TRGB p = view->GetIEBitmap()->GetPixel24(5, 3);
  EXPECT_EQ(p.r + p.g + p.b, 0x10 + 0x20 + 0x30);
}

// The navigator shows the target's current bitmap, and follows it when the target changes it.
TEST_F(ImageView, TheNavigatorFollowsTheTargetsCurrentBitmap) {
  MakeView();
  SetImage(40, 30, 0);
  auto navigator = std::make_unique<TImageView>(form.get());
  navigator->SetParent(form.get());
  view->SetNavigator(navigator.get(), 0);
  EXPECT_TRUE(navigator->IsNavigator());
  EXPECT_EQ(navigator->GetIEBitmap(), view->GetIEBitmap());
  EXPECT_EQ(navigator->ImageWidth(), 40);
  EXPECT_TRUE(navigator->AutoFit());
  EXPECT_EQ(navigator->MouseInteract(), miSelect);
  view->AddLayer();
  EXPECT_EQ(navigator->GetIEBitmap(), view->GetIEBitmap());
  view->RemoveLayer(1);
  EXPECT_EQ(navigator->GetIEBitmap(), view->GetIEBitmap());
  view->AddLayer();
  view->ClearLayers();
  EXPECT_EQ(navigator->GetIEBitmap(), view->GetIEBitmap());
  // Destroying the navigator unlinks it; destroying the target detaches it.
  navigator.reset();
  EXPECT_EQ(view->Navigator(), nullptr);
  view->AddLayer();
  navigator = std::make_unique<TImageView>(nullptr);
  view->SetNavigator(navigator.get(), 0);
  form.reset();
  EXPECT_FALSE(navigator->IsNavigator());
  EXPECT_TRUE(navigator->CurrentLayer()->OwnsBitmap());
}

// A navigator asked to shade darkens what lies outside the rectangle it selects; without that
// option (the wheel option alone included) it shows its picture as it is.
TEST_F(ImageView, ANavigatorShadesOutsideItsRectangleOnlyWhenAsked) {
  struct Case {
    uint8_t options;
    bool shaded;
  } cases[] = {{0, false},
               {ienoMouseWheelZoom, false},
               {ienoShadeOutside, true},
               {ienoMouseWheelZoom | ienoShadeOutside, true}};
  MakeView();
  SetImage(400, 300, 0x808080);
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.options));
    auto navigator = std::make_unique<TImageView>(form.get());
    navigator->SetParent(form.get());
    navigator->SetBorderStyle(vcl::bsNone);
    navigator->SetScrollBars(vcl::ssNone);
    navigator->SetBounds(200, 0, 100, 75);
    view->SetNavigator(navigator.get(), c.options);
    EXPECT_EQ(c.options, navigator->NavigatorOptions());
    Pump();
    vcl::TBitmap window;
    window.SetPixelFormat(vcl::pf24bit);
    window.SetWidth(100);
    window.SetHeight(75);
    navigator->PaintTo(window.Canvas()->Handle(), 0, 0);
    GdiFlush();
    // 400 x 300 at 25 %: the rectangle of the 200 x 150 the view shows is (0, 0) - (50, 37).
    auto grey = [&](int32_t x, int32_t y) { return static_cast<const uint8_t*>(window.ScanLine(y))[x * 3]; };
    EXPECT_EQ(0x80, grey(25, 18));
    if (c.shaded) {
      EXPECT_LT(grey(80, 60), 0x50);
    } else {
      EXPECT_EQ(0x80, grey(80, 60));
    }
    view->SetNavigator(nullptr, 0);
    EXPECT_EQ(0, navigator->NavigatorOptions());
  }
}

TEST_F(ImageView, TheCursorTableComesFromTheProgramsResources) {
  MakeView();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const struct {
    int number;
    const char* name;
  } cases[] = {{1778, "ZOOMMENO"}, {1782, "MANO"}, {1785, "CROCE3"}, {1791, "CROCE3_PLUS"}, {1796, "CROCE2_MINUS"},
               {1797, "C1795"},    {1806, "C1803"}, {1814, "ROT4"}};
  for (const auto& c : cases) {
    HCURSOR expected = LoadCursorA(instance, c.name);
    ASSERT_NE(expected, nullptr) << c.name;
    EXPECT_EQ(vcl::Screen->Cursors(c.number), expected) << c.number;
  }
  EXPECT_EQ(view->Cursor(), 1785);
  view->SetCurrentCursor(1790);
  EXPECT_EQ(view->Cursor(), 1790);
  view->RestoreCursor();
  EXPECT_EQ(view->Cursor(), 1785);
}

TEST_F(ImageView, LayerGripsAndTheGripUnderThePoint) {
  MakeView("    Center = False\n");
  SetImage(300, 200, 0);
  view->AddLayer();
  TIELayer* layer = view->CurrentLayer();
  layer->Bitmap()->Allocate(100, 50, ie24RGB);
  layer->PosX = 10;
  layer->PosY = 20;
  layer->ClientAreaBox = vcl::TRect{10, 20, 110, 70};  // as the compositor leaves it
  view->Update();
  vcl::TRect grips[9];
  view->GetLayerGrips(1, grips);
  EXPECT_EQ(grips[0].left, 5);
  EXPECT_EQ(grips[0].bottom, 25);
  EXPECT_EQ(grips[5].left, 105);
  EXPECT_EQ(grips[5].top, 40);
  EXPECT_EQ(grips[8].left, 55);  // the rotation centre (60, 45)
  EXPECT_EQ(grips[8].top, 40);
  EXPECT_EQ(view->FindLayerGrip(15, 25), 1);  // on the border of grip 0
  EXPECT_EQ(view->FindLayerGrip(110, 70), 3);
  EXPECT_EQ(view->FindLayerGrip(60, 72), 8);
  EXPECT_EQ(view->FindLayerGrip(60, 45), 0);  // the rotation grip needs miRotateLayers
  view->SetMouseInteract(miRotateLayers);
  EXPECT_EQ(view->FindLayerGrip(60, 45), 9);
  EXPECT_EQ(view->FindLayerGrip(200, 150), 0);
}

TEST_F(ImageView, EventHandlersSeeTheEventTimeSelectionBase) {
  MakeView("    SelectionBase = iesbBitmap\n");
  EXPECT_EQ(view->SelectionBase(), iesbBitmap);
  std::vector<TIESelectionBase> seen;
  view->OnZoomIn = [&](vcl::TObject*, double& zoom) {
    seen.push_back(view->SelectionBase());
    view->SetSelectionBase(iesbBitmap);
    zoom = 300;
  };
  double zoom = 200;
  view->FireZoomIn(zoom);
  EXPECT_EQ(zoom, 300);
  EXPECT_EQ(view->SelectionBase(), iesbBitmap);  // the view's own setting is back
  view->SetSelectionBase(iesbClientArea);
  view->FireZoomIn(zoom);
  EXPECT_EQ(seen, (std::vector<TIESelectionBase>{iesbClientArea, iesbBitmap}));
  EXPECT_EQ(view->SelectionBase(), iesbClientArea);
}

TEST_F(ImageView, AutomaticFitOnUpdate) {
  const struct {
    const char* properties;
    int32_t w, h;
    double zoom;
  } cases[] = {
      {"    AutoFit = True\n", 100, 60, 200},        // smaller: stretched (200 / 100 < 150 / 60)
      {"    AutoFit = True\n", 800, 300, 25},        // larger: shrunk
      {"    AutoShrink = True\n", 100, 60, 100},     // smaller stays
      {"    AutoShrink = True\n", 400, 100, 50},
      {"    AutoStretch = True\n", 400, 100, 100},   // larger stays
      {"    AutoStretch = True\n", 50, 50, 300},
      {"    AutoFit = True\n", 1, 1, 100},
      {"    AutoFit = True\n", 40000, 10, 1},        // 0.5 becomes 1
      // A soft shadow keeps 9 pixels all round: (200 - 18) / 4.
      {"    AutoFit = True\n    BackgroundStyle = iebsSoftShadow\n", 400, 100, 45.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.properties << c.w << " x " << c.h);
    MakeView(c.properties);
    SetImage(c.w, c.h);
    EXPECT_DOUBLE_EQ(view->ZoomX(), c.zoom);
    EXPECT_DOUBLE_EQ(view->ZoomY(), c.zoom);
    EXPECT_DOUBLE_EQ(view->ZoomFactorX(), c.zoom / 100);
  }
}

TEST_F(ImageView, FormDataGivesTheImageTheControlsSize) {
  MakeView("    Background = clBlue\n");
  EXPECT_EQ(view->GetIEBitmap()->Width(), 200);
  EXPECT_EQ(view->GetIEBitmap()->Height(), 150);
  EXPECT_EQ(view->ImageWidth(), 200);
  // Filled when the size was read, with the background of that moment (the default, since the
  // form data sets the bounds first).
  const int32_t face = vcl::ColorToRGB(static_cast<vcl::TColor>(0x8000000F));
  EXPECT_EQ(view->GetIEBitmap()->GetPixel24(199, 149).b, (face >> 16) & 0xFF);
  // Outside form data, resizing the control leaves the image alone.
  view->SetBounds(0, 0, 120, 90);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 200);
}

TEST_F(ImageView, AssignFromAPlatformBitmap) {
  TImageView view(nullptr);
  vcl::TBitmap deep;
  deep.SetPixelFormat(vcl::pf32bit);
  deep.SetWidth(5);
  deep.SetHeight(3);
  view.Assign(&deep);
  EXPECT_EQ(view.GetIEBitmap()->PixelFormat(), ie24RGB);
  EXPECT_EQ(view.GetIEBitmap()->Width(), 5);
  vcl::TBitmap bilevel;
  bilevel.SetPixelFormat(vcl::pf1bit);
  bilevel.SetWidth(9);
  bilevel.SetHeight(2);
  view.Assign(&bilevel);
  EXPECT_EQ(view.GetIEBitmap()->PixelFormat(), ie1g);
  TImageView other(nullptr);
  other.SetDPI(72, 96);
  other.GetIEBitmap()->Allocate(4, 4, ie24RGB);
  view.Assign(&other);
  EXPECT_EQ(view.GetIEBitmap()->Width(), 4);
  EXPECT_EQ(view.GetDpiY(), 96);
}

TEST_F(ImageView, LayerBoxAndGripsAreDrawnUnlessTheApplicationDoes) {
  MakeView("    Center = False\n");
  SetImage(300, 200, 0);
  view->AddLayer();
  TIELayer* layer = view->CurrentLayer();
  layer->Bitmap()->Allocate(100, 50, ie24RGB);
  layer->PosX = 20;
  layer->PosY = 20;
  layer->ClientAreaBox = vcl::TRect{20, 20, 120, 70};
  view->Update();
  vcl::TBitmap canvas;
  canvas.SetPixelFormat(vcl::pf24bit);
  canvas.SetWidth(160);
  canvas.SetHeight(100);
  canvas.Canvas()->Brush()->SetColor(vcl::clWhite);
  canvas.Canvas()->FillRect(vcl::TRect{0, 0, 160, 100});
  auto pixel = [&](int x, int y) {
    const auto* row = static_cast<const uint8_t*>(canvas.ScanLine(y));
    return row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
  };
  view->DrawLayerBox(&canvas, 1);
  int inverted = 0;
  for (int x = 20; x < 120; ++x) inverted += pixel(x, 20) == 0;
  EXPECT_GT(inverted, 20);   // dotted
  EXPECT_LT(inverted, 100);
  EXPECT_EQ(pixel(70, 45), 0xFFFFFF);
  view->DrawLayerGrips(&canvas, 1);
  EXPECT_EQ(pixel(120, 45), 0xFFFFBA);  // the middle of grip 5, filled with the grip colour (BGR)
  std::vector<int32_t> grips;
  view->OnDrawLayerGrip = [&](vcl::TObject*, vcl::TBitmap*, int32_t, int32_t grip, vcl::TRect) { grips.push_back(grip); };
  view->DrawLayerGrips(&canvas, 1);
  EXPECT_EQ(grips, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}
