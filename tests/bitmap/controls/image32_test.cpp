// The buffered paint box and the image control on real windows: placement by align and scale
// mode, the 16.16 view transform, the paint stages, the buffer's validity and size, PaintTo,
// mouse routing to layers, and form data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bitmap/controls/image32.h"
#include "bitmap/controls/layers.h"
#include "tests/bitmap/controls/controls_fixture.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/graphic.h"
#include "vcl/runtime/exceptions.h"

using namespace bitmap;
using namespace controls_fixture;

namespace {

// An image control that reports which stage painters ran and opens its protected steps.
class TProbeImage : public TImage32 {
 public:
  using TImage32::TImage32;
  using TCustomImage32::DoPaintBuffer;
  using TCustomImage32::RefreshPlacement;
  using TCustomPaintBox32::Paint;

  std::vector<std::string> painted;

 protected:
  void ClearBackground(TBitmap32* dest, uint32_t n) override { Record("background", n), TImage32::ClearBackground(dest, n); }
  void PaintControlFrame(TBitmap32* dest, uint32_t n) override { Record("control frame", n), TImage32::PaintControlFrame(dest, n); }
  void PaintBitmap(TBitmap32* dest, uint32_t n) override { Record("bitmap", n), TImage32::PaintBitmap(dest, n); }
  void PaintBitmapFrame(TBitmap32* dest, uint32_t n) override { Record("bitmap frame", n), TImage32::PaintBitmapFrame(dest, n); }
  void PaintLayers(TBitmap32* dest, uint32_t n) override { Record("layers", n), TImage32::PaintLayers(dest, n); }

 private:
  void Record(const char* name, uint32_t n) { painted.push_back(std::string(name) + " " + std::to_string(n)); }
};

constexpr TColor32 Red = 0xFFFF0000, Blue = 0xFF0000FF, Green = 0xFF00FF00;

// A bitmap whose every pixel tells where it is.
void FillGradient(TBitmap32& bmp, int w, int h) {
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *bmp.PixelPtr(x, y) = MakeColor32(uint8_t(x * 4), uint8_t(y * 4), 0x80);
}

struct PlacementCase {
  const char* name;
  int controlW, controlH, bitmapW, bitmapH;
  TScaleMode mode;
  TBitmapAlign align;
  float scale, offsetX, offsetY;
  SIZE size;
  TRect rect;
  TViewTransform transform;
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, RectSizeAndTransform) {
  const PlacementCase& c = GetParam();
  TProbeImage image(nullptr);
  image.SetBounds(0, 0, c.controlW, c.controlH);
  image.Bitmap()->SetSize(c.bitmapW, c.bitmapH);
  image.SetScaleMode(c.mode);
  image.SetBitmapAlign(c.align);
  image.SetScale(c.scale);
  image.SetBitmapOffsetX(c.offsetX);
  image.SetBitmapOffsetY(c.offsetY);
  const SIZE size = image.GetBitmapSize();
  EXPECT_EQ(size.cx, c.size.cx);
  EXPECT_EQ(size.cy, c.size.cy);
  EXPECT_EQ(image.GetBitmapRect(), c.rect);
  EXPECT_FALSE(image.PlacementValid());
  image.RefreshPlacement();
  EXPECT_TRUE(image.PlacementValid());
  EXPECT_EQ(image.PlacedBitmapRect(), c.rect);
  const TViewTransform& t = image.ViewTransform();
  EXPECT_EQ(t.ScaleX, c.transform.ScaleX);
  EXPECT_EQ(t.ScaleY, c.transform.ScaleY);
  EXPECT_EQ(t.OffsetX, c.transform.OffsetX);
  EXPECT_EQ(t.OffsetY, c.transform.OffsetY);
  // The layers read the same transform.
  EXPECT_EQ(image.Layers()->ViewTransform(), &t);
}

INSTANTIATE_TEST_SUITE_P(
    AlignAndScaleModes, Placement,
    ::testing::Values(
        PlacementCase{"ResizeCentred", 100, 100, 200, 100, smResize, baCenter, 1, 0, 0, {100, 50}, {0, 25, 100, 75}, {32768, 32768, 0, 25}},
        PlacementCase{"NormalCentredLarger", 100, 100, 200, 100, smNormal, baCenter, 1, 0, 0, {200, 100}, {-50, 0, 150, 100}, {65536, 65536, -50, 0}},
        PlacementCase{"NormalCentredOddSpace", 101, 100, 20, 10, smNormal, baCenter, 1, 0, 0, {20, 10}, {40, 45, 60, 55}, {65536, 65536, 40, 45}},
        PlacementCase{"StretchTopLeft", 100, 60, 200, 100, smStretch, baTopLeft, 1, 0, 0, {100, 60}, {0, 0, 100, 60}, {32768, 39322, 0, 0}},
        PlacementCase{"ScaleOneAndAHalf", 100, 100, 200, 100, smScale, baTopLeft, 1.5f, 0, 0, {300, 150}, {0, 0, 300, 150}, {98304, 98304, 0, 0}},
        PlacementCase{"ScaleRoundsHalfToEven", 100, 100, 5, 3, smScale, baTopLeft, 0.5f, 0, 0, {2, 2}, {0, 0, 2, 2}, {26214, 43691, 0, 0}},
        PlacementCase{"ResizeTall", 100, 100, 50, 200, smResize, baCenter, 1, 0, 0, {25, 100}, {37, 0, 62, 100}, {32768, 32768, 37, 0}},
        PlacementCase{"ResizeEnlargesSmall", 100, 100, 10, 5, smResize, baTopLeft, 1, 0, 0, {100, 50}, {0, 0, 100, 50}, {655360, 655360, 0, 0}},
        PlacementCase{"CustomOffsetsRoundHalfToEven", 100, 100, 200, 100, smNormal, baCustom, 1, 10.5f, -3.5f, {200, 100}, {10, -4, 210, 96}, {65536, 65536, 10, -4}},
        PlacementCase{"TileNotMoved", 100, 70, 30, 30, smNormal, baTile, 1, 0, 0, {30, 30}, {0, 0, 30, 30}, {65536, 65536, 0, 0}},
        PlacementCase{"ThinBitmapGivesEmptyRectAndIdentity", 100, 100, 1000, 1, smResize, baCenter, 1, 0, 0, {100, 0}, {0, 50, 100, 50}, {65536, 65536, 0, 0}},
        PlacementCase{"EmptyBitmap", 100, 100, 0, 0, smNormal, baCenter, 1, 0, 0, {0, 0}, {0, 0, 0, 0}, {65536, 65536, 0, 0}},
        PlacementCase{"ZeroWideControl", 0, 100, 20, 20, smNormal, baTopLeft, 1, 0, 0, {0, 0}, {0, 0, 0, 0}, {65536, 65536, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Image32Settings, ScaleNeverBelowOneThousandth) {
  TImage32 image(nullptr);
  int changes = 0;
  image.OnChange = [&](vcl::TObject*) { ++changes; };
  for (float value : {0.0f, -5.0f, 0.0005f, std::nanf("")}) {
    image.SetScale(value);
    EXPECT_FLOAT_EQ(image.Scale(), 0.001f);
  }
  EXPECT_EQ(changes, 1);  // only the first value changed anything
  image.Bitmap()->SetSize(2000, 1000);
  image.SetScaleMode(smScale);
  const SIZE size = image.GetBitmapSize();
  EXPECT_EQ(size.cx, 2);
  EXPECT_EQ(size.cy, 1);
}

TEST(Image32Settings, UpdatesHoldBackChangesAndMustPair) {
  TImage32 image(nullptr);
  int changes = 0;
  image.OnChange = [&](vcl::TObject*) { ++changes; };
  image.BeginUpdate();
  image.Bitmap()->SetSize(10, 10);
  image.SetScaleMode(smStretch);
  image.EndUpdate();
  EXPECT_EQ(changes, 0);  // neither the changes nor EndUpdate report anything
  image.Changed();
  EXPECT_EQ(changes, 1);
  try {
    image.EndUpdate();
    FAIL() << "no assertion";
  } catch (const vcl::EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Unpaired EndUpdate call");
  }
  EXPECT_EQ(image.UpdateCount(), 0);
}

TEST(Image32Settings, PaintStageListChecksItsIndex) {
  TPaintStages stages;
  TPaintStageRec& added = stages.Add();
  EXPECT_FALSE(added.AtDesignTime);
  EXPECT_TRUE(added.AtRunTime);
  EXPECT_EQ(added.Kind, 0u);
  EXPECT_EQ(added.Parameter, 0u);
  EXPECT_EQ(stages.Count(), 1);
  EXPECT_THROW(stages.Items(1), vcl::EListError);
  EXPECT_THROW(stages.Items(-1), vcl::EListError);
  stages.Clear();
  EXPECT_EQ(stages.Count(), 0);
}

TEST(Image32Stages, DefaultStagesAtRunTimeAndInTheDesigner) {
  TProbeImage image(nullptr);
  image.SetBounds(0, 0, 40, 30);
  image.Bitmap()->SetSize(10, 10);
  ASSERT_EQ(image.PaintStages()->Count(), 5);
  EXPECT_EQ(image.PaintStages()->Items(4).Parameter, loVisible);
  image.DoPaintBuffer();
  EXPECT_EQ(image.painted, (std::vector<std::string>{"background 0", "bitmap 2", "layers 4"}));
  EXPECT_TRUE(image.BufferValid());
  image.painted.clear();
  image.SetDesigning(true);
  image.DoPaintBuffer();
  EXPECT_EQ(image.painted, (std::vector<std::string>{"background 0", "control frame 1", "bitmap 2",
                                                     "bitmap frame 3", "layers 4"}));
}

TEST(Image32Stages, CustomStagesRunInOrderAndUnknownKindsDoNothing) {
  TProbeImage image(nullptr);
  image.SetBounds(0, 0, 40, 30);
  image.PaintStages()->Clear();
  std::vector<std::string> order;
  for (uint32_t kind : {uint32_t(psCustom), 99u, uint32_t(psClearBuffer), uint32_t(psCustom)}) image.PaintStages()->Add().Kind = kind;
  TPaintStageRec& designOnly = image.PaintStages()->Add();
  designOnly.Kind = psCustom;
  designOnly.AtRunTime = false;
  designOnly.AtDesignTime = true;
  image.SetColor(vcl::clRed);
  image.OnPaintStage = [&](vcl::TObject* sender, TBitmap32* buffer, uint32_t stage) {
    EXPECT_EQ(sender, &image);
    EXPECT_EQ(buffer, image.Buffer());
    order.push_back("custom " + std::to_string(stage));
    if (stage == 3) { EXPECT_EQ(buffer->GetPixelSafe(0, 0), Red); }  // the clear ran before
  };
  image.Buffer()->SetSize(40, 30);
  image.DoPaintBuffer();
  EXPECT_EQ(order, (std::vector<std::string>{"custom 0", "custom 3"}));
}

// The background is cleared only outside an opaque bitmap; a blended bitmap gets a full clear.
TEST(Image32Stages, BackgroundAroundAnOpaqueBitmapOnly) {
  TImage32 image(nullptr);
  image.SetBounds(0, 0, 40, 30);
  image.SetColor(vcl::clLime);
  image.Bitmap()->SetSize(20, 10);
  image.Bitmap()->FillColor(0x80FF0000);
  image.SetBitmapAlign(baCenter);
  image.PaintStages()->Clear();
  image.PaintStages()->Add().Kind = psClearBackground;
  TBitmap32 dest;
  dest.SetSize(40, 30);
  dest.FillColor(Blue);
  image.PaintTo(&dest, image.GetBitmapRect());
  EXPECT_EQ(dest.GetPixelSafe(0, 0), Green);
  EXPECT_EQ(dest.GetPixelSafe(39, 29), Green);
  EXPECT_EQ(dest.GetPixelSafe(20, 15), Blue);  // under the bitmap: left alone
  image.Bitmap()->SetDrawMode(dmBlend);
  image.PaintTo(&dest, image.GetBitmapRect());
  EXPECT_EQ(dest.GetPixelSafe(20, 15), Green);
}

TEST(Image32Stages, TilesCoverTheWholeBuffer) {
  TImage32 image(nullptr);
  image.SetBounds(0, 0, 100, 70);
  image.SetBitmapAlign(baTile);
  image.Bitmap()->SetSize(30, 30);
  image.Bitmap()->FillColor(Blue);
  *image.Bitmap()->PixelPtr(0, 0) = Red;
  TBitmap32 dest;
  dest.SetSize(100, 70);
  image.PaintTo(&dest, image.GetBitmapRect());
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(dest.GetPixelSafe(x, y), (x % 30 == 0 && y % 30 == 0) ? Red : Blue) << x << "," << y;
}

TEST(Image32Stages, TilingIntoARectangleEndingAtTheOriginDrawsNothing) {
  // PaintTo takes any rectangle; one whose right or bottom edge is 0 (or less) gives the tiles
  // no step. Nothing of the bitmap lands in the buffer, and nothing divides by 0.
  TImage32 image(nullptr);
  image.SetBounds(0, 0, 60, 40);
  image.SetBitmapAlign(baTile);
  image.Bitmap()->SetSize(10, 10);
  image.Bitmap()->FillColor(Red);
  image.PaintStages()->Clear();
  image.PaintStages()->Add().Kind = psDrawBitmap;
  const TRect rectangles[] = {{-10, -10, 0, 0}, {-10, 5, 0, 15}, {5, -10, 15, 0}, {-20, -20, -10, -10}};
  for (const TRect& r : rectangles) {
    TBitmap32 dest;
    dest.SetSize(60, 40);
    dest.FillColor(Blue);
    image.PaintTo(&dest, r);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) ASSERT_EQ(dest.GetPixelSafe(x, y), Blue) << r.Left << "," << r.Top << ": " << x << "," << y;
  }
}

TEST(Image32Stages, PaintToAnEmptyRectangleUsesTheIdentity) {
  TImage32 image(nullptr);
  image.SetBounds(0, 0, 50, 40);
  image.SetColor(vcl::clRed);
  image.Bitmap()->SetSize(10, 10);
  image.Bitmap()->FillColor(Blue);
  std::vector<std::string> seen;
  TPaintStageRec& probe = image.PaintStages()->Add();
  probe.Kind = psCustom;
  image.OnPaintStage = [&](vcl::TObject*, TBitmap32*, uint32_t) {
    const TViewTransform& t = image.ViewTransform();
    seen.push_back(std::to_string(t.ScaleX) + " " + std::to_string(t.ScaleY) + " " + std::to_string(t.OffsetX) +
                   " " + std::to_string(t.OffsetY) + (image.PaintToActive() ? " active" : ""));
  };
  TBitmap32 dest;
  dest.SetSize(20, 20);
  dest.FillColor(Green);
  image.PaintTo(&dest, TRect{5, 5, 5, 5});
  EXPECT_EQ(seen, (std::vector<std::string>{"65536 65536 0 0 active"}));
  EXPECT_EQ(dest.GetPixelSafe(5, 5), Red);  // the background ran, the bitmap drew nothing
  EXPECT_FALSE(image.PaintToActive());
  EXPECT_FALSE(image.PlacementValid());
  seen.clear();
  image.PaintTo(&dest, TRect{0, 0, 20, 5});
  EXPECT_EQ(seen, (std::vector<std::string>{"131072 32768 0 0 active"}));
  EXPECT_EQ(dest.GetPixelSafe(19, 4), Blue);
  EXPECT_EQ(dest.GetPixelSafe(0, 5), Red);
}

// ---- on a window -----------------------------------------------------------------------------

class Image32Window : public ControlsTest {
 protected:
  TProbeImage* NewImage(int w, int h) {
    auto* image = new TProbeImage(ShownForm());
    image->SetParent(form.get());
    image->SetBounds(10, 10, w, h);
    Pump();
    return image;
  }
};

TEST_F(Image32Window, BufferFollowsGrowthAndLargeShrinksOnly) {
  TProbeImage* image = NewImage(100, 100);
  image->Repaint();
  EXPECT_EQ(image->Buffer()->Width(), 100);
  EXPECT_EQ(image->Buffer()->Height(), 100);
  struct Step {
    int size, bufferSize;
  };
  // +10: exactly the new size; -30: kept; -11 more (41 in all): exactly the new size.
  for (Step step : {Step{110, 110}, Step{80, 110}, Step{69, 69}, Step{60, 69}}) {
    image->SetBounds(10, 10, step.size, step.size);
    image->Repaint();
    EXPECT_EQ(image->Buffer()->Width(), step.bufferSize) << step.size;
    EXPECT_EQ(image->Buffer()->Height(), step.bufferSize) << step.size;
  }
}

TEST_F(Image32Window, ValidBufferIsOnlyBlitted) {
  TProbeImage* image = NewImage(60, 40);
  image->Bitmap()->SetSize(20, 20);
  image->Bitmap()->FillColor(Red);
  int blits = 0;
  image->OnGDIOverlay = [&](vcl::TObject*) { ++blits; };
  auto paintPending = [&] { UpdateWindow(image->Handle()); };
  image->Repaint();
  EXPECT_TRUE(image->BufferValid());
  image->painted.clear();
  blits = 0;
  // The platform asks for a paint again (another window covered this one): one blit, no redraw.
  InvalidateRect(image->Handle(), nullptr, FALSE);
  paintPending();
  EXPECT_TRUE(image->painted.empty());
  EXPECT_EQ(blits, 1);
  // A layer's overlay update re-blits without redrawing.
  image->Layers()->OverlayUpdate();
  EXPECT_TRUE(image->painted.empty());
  EXPECT_EQ(blits, 2);
  // A change of the bitmap redraws the buffer once, at the next paint.
  image->Bitmap()->FillColor(Blue);
  EXPECT_FALSE(image->BufferValid());
  paintPending();
  EXPECT_EQ(image->painted.size(), 3u);
  EXPECT_EQ(blits, 3);
}

// A graphic larger than any bitmap can store: copying it releases the old storage and fails.
class TOversizedGraphic : public vcl::TGraphic {
  VCL_CLASS(TOversizedGraphic, vcl::TGraphic)
  bool Empty() const override { return false; }
  int Width() const override { return 50000; }
  int Height() const override { return 50000; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(vcl::TStream*) override {}
  void SaveToStream(vcl::TStream*) override {}
  void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
  void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}

 protected:
  void Draw(vcl::TCanvas*, const vcl::TRect&) override {}
};

// The control hears of a copy into its bitmap that failed half-way and shows what is left
// (nothing), not the picture it drew before.
TEST_F(Image32Window, FailedCopyIntoTheBitmapRedrawsTheBuffer) {
  TProbeImage* image = NewImage(60, 40);
  image->SetColor(vcl::clTeal);
  image->Bitmap()->SetSize(20, 20);
  image->Bitmap()->FillColor(Red);
  image->Repaint();
  ASSERT_TRUE(image->BufferValid());
  TOversizedGraphic huge;
  EXPECT_THROW(image->Bitmap()->Assign(&huge), vcl::Exception);
  EXPECT_TRUE(image->Bitmap()->IsEmpty());
  EXPECT_FALSE(image->BufferValid());
  // The next paint draws the buffer again rather than showing the old one.
  image->painted.clear();
  InvalidateRect(image->Handle(), nullptr, FALSE);
  UpdateWindow(image->Handle());
  EXPECT_EQ(image->painted, (std::vector<std::string>{"background 0", "bitmap 2", "layers 4"}));
}

TEST_F(Image32Window, WindowShowsWhatPaintToRenders) {
  TProbeImage* image = NewImage(120, 90);
  image->SetColor(vcl::clTeal);
  FillGradient(*image->Bitmap(), 60, 40);
  image->Bitmap()->SetStretchFilter(sfLinear);
  image->SetScaleMode(smResize);
  image->SetBitmapAlign(baCenter);
  auto* layer = image->Layers()->Add<TBitmapLayer>();
  layer->Bitmap()->SetSize(10, 10);
  layer->Bitmap()->FillColor(0x80FFFF00);
  layer->Bitmap()->SetDrawMode(dmBlend);
  layer->SetScaled(true);
  layer->SetLocation(TFloatRect{5, 5, 25, 15});
  Pump();
  auto shown = CaptureClient(image);
  TBitmap32 rendered;
  rendered.SetSize(120, 90);
  image->PaintTo(&rendered, image->GetBitmapRect());
  int differences = 0;
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x)
      if ((shown->GetPixelSafe(x, y) & 0xFFFFFF) != (rendered.GetPixelSafe(x, y) & 0xFFFFFF)) ++differences;
  EXPECT_EQ(differences, 0);
  // The layer is there, blended over the scaled bitmap (the bitmap is placed at (0, 5), twice
  // its size, so the layer covers (10, 15) - (50, 35)).
  EXPECT_EQ(image->GetBitmapRect(), (TRect{0, 5, 120, 85}));
  const TColor32 underLayer = rendered.GetPixelSafe(30, 25);
  EXPECT_GT(RedOf(underLayer), 0x7F);
  EXPECT_GT(GreenOf(underLayer), 0x7F);
  EXPECT_EQ(shown->GetPixelSafe(0, 0) & 0xFFFFFF, ColorToColor32(vcl::clTeal) & 0xFFFFFF);
}

TEST_F(Image32Window, NeverErasedByThePlatform) {
  TProbeImage* image = NewImage(30, 30);
  TBitmap32 surface;
  surface.SetSize(30, 30);
  surface.FillColor(Red);
  EXPECT_EQ(SendMessageA(image->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.DC()), 0), 1);
  GdiFlush();
  EXPECT_EQ(surface.GetPixelSafe(15, 15), Red);
  EXPECT_EQ(SendMessageA(image->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, 0);
}

TEST_F(Image32Window, LeftPressCapturesUntilRelease) {
  TProbeImage* image = NewImage(100, 100);
  std::vector<std::string> events;
  image->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int x, int y, TCustomLayer* layer) {
    events.push_back("down " + std::to_string(x) + "," + std::to_string(y) + (layer ? " layer" : ""));
  };
  image->OnMouseUp = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int, TCustomLayer* layer) {
    events.push_back(std::string("up") + (layer ? " layer" : ""));
  };
  SendMessageA(image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 80));
  EXPECT_EQ(GetCapture(), image->Handle());
  SendMessageA(image->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(70, 80));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"down 70,80", "up"}));
}

TEST_F(Image32Window, MouseGoesToTheLayerUnderIt) {
  TProbeImage* image = NewImage(100, 100);
  auto* layer = image->Layers()->Add<TPositionedLayer>();
  layer->SetLocation(TFloatRect{10, 10, 50, 50});
  std::vector<std::string> events;
  layer->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int x, int y) {
    events.push_back("layer down " + std::to_string(x) + "," + std::to_string(y));
  };
  layer->OnMouseMove = [&](vcl::TObject*, vcl::TShiftState, int, int) { events.push_back("layer move"); };
  TCustomLayer* reported = nullptr;
  image->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int, TCustomLayer* l) {
    reported = l;
  };
  image->OnMouseMove = [&](vcl::TObject*, vcl::TShiftState, int, int, TCustomLayer* l) {
    events.push_back(l ? "image move on layer" : "image move");
  };
  SendMessageA(image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  EXPECT_EQ(reported, layer);
  EXPECT_EQ(image->Layers()->CapturingLayer(), layer);
  // Captured: a move outside the layer still goes to it.
  SendMessageA(image->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 90));
  SendMessageA(image->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(90, 90));
  EXPECT_EQ(image->Layers()->CapturingLayer(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"layer down 20,30", "layer move", "image move on layer"}));
  // Off the layer, and with the layers' mouse input switched off: no layer.
  SendMessageA(image->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(80, 80));
  EXPECT_EQ(reported, nullptr);
  image->Layers()->SetMouseEvents(false);
  SendMessageA(image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  EXPECT_EQ(reported, nullptr);
  SendMessageA(image->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
}

TEST_F(Image32Window, AutoSizeFollowsTheScaledBitmap) {
  TProbeImage* image = NewImage(50, 50);
  int resizes = 0;
  image->OnBitmapResize = [&](vcl::TObject*) { ++resizes; };
  image->SetAutoSize(true);
  image->Bitmap()->SetSize(30, 20);
  EXPECT_EQ(image->Width(), 30);
  EXPECT_EQ(image->Height(), 20);
  image->SetScaleMode(smScale);
  image->SetScale(2.5f);
  image->Bitmap()->SetSize(31, 21);
  EXPECT_EQ(image->Width(), 78);  // Round(77.5), half to even
  EXPECT_EQ(image->Height(), 52);  // Round(52.5)
  EXPECT_EQ(resizes, 2);
}

TEST_F(Image32Window, ReadFromAndWrittenToFormData) {
  ShownForm();
  TBitmap32 picture;
  FillGradient(picture, 3, 2);
  const std::string text = "object TestForm: TForm\n"
                           "  object Img: TImage32\n"
                           "    Left = 4\n    Top = 6\n    Width = 50\n    Height = 40\n"
                           "    Bitmap.Data = " + BitmapDataText(picture) + "\n"
                           "    Bitmap.StretchFilter = sfLanczos\n"
                           "    BitmapAlign = baCenter\n"
                           "    Scale = 1.5\n"
                           "    ScaleMode = smResize\n"
                           "  end\n"
                           "end\n";
  ReadFormText(text, form.get());
  auto* image = dynamic_cast<TImage32*>(form->FindComponent("Img"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Parent(), form.get());
  EXPECT_EQ(image->Bitmap()->Width(), 3);
  EXPECT_EQ(image->Bitmap()->GetPixelSafe(2, 1), picture.GetPixelSafe(2, 1));
  EXPECT_EQ(image->Bitmap()->StretchFilter(), sfLanczos);
  EXPECT_EQ(image->BitmapAlign(), baCenter);
  EXPECT_EQ(image->ScaleMode(), smResize);
  EXPECT_FLOAT_EQ(image->Scale(), 1.5f);
  const std::string written = WriteFormText(form.get());
  for (const char* line : {"BitmapAlign = baCenter", "ScaleMode = smResize", "Bitmap.StretchFilter = sfLanczos",
                           "Bitmap.Data = {"})
    EXPECT_NE(written.find(line), std::string::npos) << line << "\n" << written;
}

// A form whose published method its form data names as a bitmap's combiner.
class TCombineForm : public vcl::TForm {
  VCL_CLASS(TCombineForm, vcl::TForm)
  explicit TCombineForm(vcl::TComponent* owner);
  void KeepGreen(TColor32 f, TColor32& b, TColor32) {
    ++calls;
    b = (b & 0xFF00FF00u) | (f & 0x0000FF00u);
  }
  int calls = 0;
};

TCombineForm::TCombineForm(vcl::TComponent* owner) : vcl::TForm(owner) {}

}  // namespace

VCL_PUBLISHED(TCombineForm, p) { p.Method("KeepGreen", &TCombineForm::KeepGreen); }

namespace {

// Form data binds a bitmap's combiner to the form's method by name and writes it back.
TEST_F(Image32Window, PixelCombinerInFormData) {
  auto* combineForm = new TCombineForm(nullptr);
  form.reset(combineForm);
  ReadFormText("object CombineForm: TCombineForm\n"
               "  object Img: TImage32\n"
               "    Bitmap.DrawMode = dmCustom\n"
               "    Bitmap.OnPixelCombine = KeepGreen\n"
               "  end\n"
               "end\n",
               form.get());
  auto* image = dynamic_cast<TImage32*>(form->FindComponent("Img"));
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(image->Bitmap()->OnPixelCombine.Assigned());
  image->Bitmap()->SetSize(1, 1);
  image->Bitmap()->FillColor(0xFF123456u);
  TBitmap32 dest;
  dest.SetSize(1, 1);
  dest.FillColor(0xFF000000u);
  image->Bitmap()->DrawToRect(&dest, dest.BoundsRect());
  EXPECT_EQ(combineForm->calls, 1);
  EXPECT_EQ(dest.GetPixelSafe(0, 0), 0xFF003400u);
  const std::string written = WriteFormText(form.get());
  EXPECT_NE(written.find("Bitmap.OnPixelCombine = KeepGreen"), std::string::npos) << written;
}

}  // namespace
