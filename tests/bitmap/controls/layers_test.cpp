#include "bitmap/controls/layers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/transfer.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/screen.h"

using namespace bitmap;

namespace {

// The image control's part in the collection's life, reduced to what layers ask of it: a
// platform control (for the cursor) that shows its bitmap at a rectangle, and counts the
// collection's notices.
class TestOwner : public vcl::TControl, public ILayerOwner {
 public:
  TestOwner() : vcl::TControl(nullptr), layers(this) {
    layers.SetViewTransform(&transform);
    layers.OnChanging = [this](vcl::TObject*) { ++changing; };
    layers.OnChange = [this](vcl::TObject*) { ++changes; };
    layers.OnOverlayUpdate = [this](vcl::TObject*) { ++overlays; };
  }
  TRect GetBitmapRect() override { return bitmapRect; }
  bool PaintToActive() const override { return paintingTo; }
  void ResetCounts() { changing = changes = overlays = 0; }

  TViewTransform transform;
  TRect bitmapRect{0, 0, 0, 0};
  bool paintingTo = false;
  int changing = 0, changes = 0, overlays = 0;
  TLayerCollection layers;  // last: freed first, while the counters still exist
};

// Records the mouse input a layer receives.
struct MouseLog {
  std::vector<std::string> events;
  void Watch(TCustomLayer* layer, const std::string& name) {
    layer->OnMouseDown = [this, name](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState, int x, int y) {
      events.push_back(name + " down " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    layer->OnMouseMove = [this, name](vcl::TObject*, vcl::TShiftState, int x, int y) {
      events.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    };
    layer->OnMouseUp = [this, name](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState, int x, int y) {
      events.push_back(name + " up " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    };
  }
};

TPositionedLayer* AddAt(TLayerCollection& layers, const TFloatRect& where) {
  auto* layer = layers.Add<TPositionedLayer>();
  layer->SetLocation(where);
  return layer;
}

vcl::TScreen& TheScreen() {
  if (!vcl::Screen) vcl::Screen = new vcl::TScreen(nullptr);
  return *vcl::Screen;
}

}  // namespace

TEST(Layers, DefaultsOfEachClass) {
  TestOwner owner;
  TCustomLayer* base = owner.layers.Add(TCustomLayer::LayerClass());
  auto* positioned = owner.layers.Add<TPositionedLayer>();
  auto* bitmapLayer = owner.layers.Add<TBitmapLayer>();
  EXPECT_EQ(base->Options(), 0x80000000u);
  EXPECT_EQ(positioned->Options(), 0xA0000000u);
  EXPECT_EQ(positioned->Location(), (TFloatRect{0, 0, 64, 64}));
  EXPECT_FALSE(positioned->Scaled());
  EXPECT_FALSE(bitmapLayer->HitByAlpha());
  EXPECT_FALSE(bitmapLayer->CropToBitmap());
  EXPECT_TRUE(bitmapLayer->Bitmap()->IsEmpty());
  EXPECT_EQ(bitmapLayer->ClassName(), "TBitmapLayer");
  EXPECT_EQ(bitmapLayer->LayerClassType(), TBitmapLayer::LayerClass());
  EXPECT_EQ(owner.layers.Count(), 3);
  EXPECT_EQ(bitmapLayer->Index(), 2);
  EXPECT_EQ(bitmapLayer->GetOwner(), &owner.layers);
  EXPECT_EQ(owner.layers.GetOwner(), &owner);
  EXPECT_TRUE(owner.layers.MouseEvents());
  EXPECT_THROW(owner.layers.Items(3), vcl::EListError);
}

TEST(Layers, NoticesOfTheCollection) {
  TestOwner owner;
  owner.layers.Add<TBitmapLayer>();  // attaching is a change
  EXPECT_EQ(owner.changing, 1);
  EXPECT_EQ(owner.changes, 1);

  // Inside an update bracket the owner hears once, at the end.
  owner.ResetCounts();
  owner.layers.BeginUpdate();
  auto* layer = owner.layers.Add<TBitmapLayer>();
  layer->SetLocation({1, 2, 3, 4});
  layer->Bitmap()->SetSize(2, 2);
  EXPECT_EQ(owner.changes, 0);
  owner.layers.EndUpdate();
  EXPECT_EQ(owner.changing, 1);
  EXPECT_EQ(owner.changes, 1);

  // A visible layer's changes reach the owner at once; a silent one's never; an invisible
  // overlay layer's become overlay updates.
  owner.ResetCounts();
  layer->Bitmap()->FillColor(0xFF00FF00u);
  layer->SetLocation({0, 0, 5, 5});
  EXPECT_EQ(owner.changes, 2);
  layer->SetOptions(loVisible | loSilent);
  owner.ResetCounts();
  layer->SetLocation({1, 1, 5, 5});
  EXPECT_EQ(owner.changes + owner.changing, 0);
  layer->SetOptions(loCanvasOverlay);
  owner.ResetCounts();
  layer->SetLocation({2, 2, 5, 5});
  EXPECT_EQ(owner.changes, 0);
  EXPECT_EQ(owner.overlays, 1);
  owner.layers.BeginUpdate();
  layer->SetLocation({3, 3, 5, 5});  // no overlay update inside a bracket
  owner.layers.EndUpdate();
  EXPECT_EQ(owner.overlays, 1);

  // Hiding a layer is a change, so that it is taken off the screen.
  layer->SetOptions(loVisible);
  owner.ResetCounts();
  layer->SetOptions(0);
  EXPECT_EQ(owner.changes, 1);

  // Clear frees the layers in one bracket: one notice.
  owner.ResetCounts();
  owner.layers.Clear();
  EXPECT_EQ(owner.layers.Count(), 0);
  EXPECT_EQ(owner.changing, 1);
  EXPECT_EQ(owner.changes, 1);

  try {
    owner.layers.EndUpdate();
    ADD_FAILURE() << "no assertion";
  } catch (const vcl::EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Unpaired EndUpdate");
  }
}

TEST(Layers, FreeingTheCollectionTellsTheOwnerNothing) {
  int changes = 0, destroyed = 0;
  {
    auto* layers = new TLayerCollection(nullptr);
    layers->OnChange = [&](vcl::TObject*) { ++changes; };
    layers->OnChanging = [&](vcl::TObject*) { ++changes; };
    for (int i = 0; i < 3; ++i) layers->Add<TBitmapLayer>()->OnDestroy = [&](vcl::TObject*) { ++destroyed; };
    changes = 0;
    delete layers;
  }
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(destroyed, 3);
}

// OnDestroy comes while the whole layer exists; the layers that asked are told, the last
// first; freeing a layer takes it out of its collection.
TEST(Layers, DestructionNotices) {
  TestOwner owner;
  auto* doomed = owner.layers.Add<TBitmapLayer>();
  doomed->Bitmap()->SetSize(3, 2);
  int widthSeen = 0;
  doomed->OnDestroy = [&](vcl::TObject* sender) {
    widthSeen = static_cast<TBitmapLayer*>(sender)->Bitmap()->Width();
  };
  struct Watcher : TCustomLayer {
    using TCustomLayer::TCustomLayer;
    std::vector<TCustomLayer*>* told = nullptr;
    void Notification(TCustomLayer* layer) override { told->push_back(this); }
  };
  std::vector<TCustomLayer*> told;
  Watcher first(&owner.layers), second(&owner.layers);
  first.told = second.told = &told;
  doomed->AddNotification(&first);
  doomed->AddNotification(&second);
  doomed->AddNotification(&second);  // once only
  owner.ResetCounts();
  delete doomed;
  EXPECT_EQ(widthSeen, 3);
  EXPECT_EQ(told, (std::vector<TCustomLayer*>{&second, &first}));
  EXPECT_EQ(owner.layers.Count(), 2);
  EXPECT_EQ(owner.changes, 1);
}

TEST(Layers, SetIndexClampsAndReportsOnlyVisibleMoves) {
  TestOwner owner;
  std::vector<TPositionedLayer*> layers;
  for (int i = 0; i < 4; ++i) layers.push_back(owner.layers.Add<TPositionedLayer>());
  owner.ResetCounts();
  layers[2]->SetIndex(-5);
  EXPECT_EQ(layers[2]->Index(), 0);
  EXPECT_EQ(owner.layers.Items(0), layers[2]);
  EXPECT_EQ(owner.changing, 1);
  EXPECT_EQ(owner.changes, 1);
  layers[2]->SetIndex(owner.layers.Count() + 3);
  EXPECT_EQ(layers[2]->Index(), 3);
  layers[0]->SetOptions(loMouseEvents);  // invisible
  owner.ResetCounts();
  layers[0]->SetIndex(2);
  EXPECT_EQ(layers[0]->Index(), 2);
  EXPECT_EQ(owner.changes + owner.changing, 0);
  TCustomLayer loose(nullptr);
  loose.SetIndex(3);  // without a collection nothing happens
  EXPECT_EQ(loose.Index(), -1);
}

// Hit-testing: the topmost layer with loMouseEvents wins; the base layer's options take it
// out of hit-testing although it is painted.
TEST(Layers, HitTestingAndTheTopmostLayer) {
  TestOwner owner;
  TCustomLayer* base = owner.layers.Add(TCustomLayer::LayerClass());
  auto* lower = AddAt(owner.layers, {0, 0, 20, 20});
  auto* upper = AddAt(owner.layers, {10, 10, 30, 30});
  EXPECT_EQ(owner.layers.LayerAt(15, 15), upper);
  EXPECT_EQ(owner.layers.LayerAt(5, 5), lower);
  EXPECT_EQ(owner.layers.LayerAt(30, 15), nullptr);  // right and bottom edges are outside
  EXPECT_EQ(owner.layers.LayerAt(10, 10), upper);    // left and top edges inside
  EXPECT_EQ(owner.layers.LayerAt(50, 50), nullptr);
  EXPECT_EQ(owner.layers.LayerAt(50, 50, loVisible), base);

  int painted = 0;
  base->OnPaint = [&](vcl::TObject*, TBitmap32*) { ++painted; };
  TBitmap32 buffer;
  buffer.SetSize(4, 4);
  base->PaintWithEvent(&buffer);
  EXPECT_EQ(painted, 1);

  // OnHitTest has the last word.
  upper->OnHitTest = [](vcl::TObject*, int x, int, bool& passed) { passed = passed && x > 12; };
  EXPECT_EQ(owner.layers.LayerAt(11, 15), lower);
  EXPECT_EQ(owner.layers.LayerAt(13, 15), upper);
}

// A left press captures: every move and the release go to the layer wherever the pointer is,
// and the capture ends with the last button.
TEST(Layers, LeftPressCapturesUntilRelease) {
  TestOwner owner;
  auto* a = AddAt(owner.layers, {0, 0, 10, 10});
  auto* b = AddAt(owner.layers, {20, 0, 30, 10});
  MouseLog log;
  log.Watch(a, "a");
  log.Watch(b, "b");
  EXPECT_EQ(owner.layers.MouseDown(vcl::mbLeft, {}, 5, 5), a);
  EXPECT_EQ(owner.layers.CapturingLayer(), a);
  EXPECT_EQ(a->PressedButtons(), 1);
  EXPECT_EQ(owner.layers.MouseMove({}, 25, 5), a);  // over b, still a's
  EXPECT_EQ(owner.layers.MouseDown(vcl::mbRight, {}, 25, 5), a);
  EXPECT_EQ(a->PressedButtons(), 3);
  EXPECT_EQ(owner.layers.MouseUp(vcl::mbLeft, {}, 40, 40), a);
  EXPECT_EQ(owner.layers.CapturingLayer(), a);  // the right button is still down
  EXPECT_EQ(owner.layers.MouseUp(vcl::mbRight, {}, 40, 40), a);
  EXPECT_EQ(owner.layers.CapturingLayer(), nullptr);
  EXPECT_EQ(log.events, (std::vector<std::string>{"a down 0 5,5", "a move 25,5", "a down 1 25,5",
                                                  "a up 0 40,40", "a up 1 40,40"}));
  EXPECT_EQ(owner.layers.MouseMove({}, 25, 5), b);
}

// Presses that capture nothing reach no layer's MouseDown, but the layer under the pointer is
// still the answer; its release does reach it.
TEST(Layers, PressesThatCaptureNothing) {
  TestOwner owner;
  auto* layer = AddAt(owner.layers, {0, 0, 10, 10});
  auto* noCapture = AddAt(owner.layers, {20, 0, 30, 10});
  noCapture->SetOptions(noCapture->Options() | loNoCapture);
  MouseLog log;
  log.Watch(layer, "layer");
  log.Watch(noCapture, "nocapture");
  const struct {
    vcl::TMouseButton button;
    int x;
    TCustomLayer* answer;
    std::vector<std::string> events;
  } cases[] = {
      {vcl::mbRight, 5, layer, {"layer up 1 5,5"}},
      {vcl::mbMiddle, 5, layer, {"layer up 2 5,5"}},
      {vcl::mbLeft, 25, noCapture, {"nocapture up 0 25,5"}},
      {vcl::mbLeft, 50, nullptr, {}},
  };
  for (const auto& c : cases) {
    log.events.clear();
    EXPECT_EQ(owner.layers.MouseDown(c.button, {}, c.x, 5), c.answer);
    EXPECT_EQ(owner.layers.CapturingLayer(), nullptr);
    EXPECT_EQ(owner.layers.MouseUp(c.button, {}, c.x, 5), c.answer);
    EXPECT_EQ(log.events, c.events) << c.x;
  }
}

TEST(Layers, FreeingTheCapturingLayerReleasesTheMouse) {
  TestOwner owner;
  auto* layer = AddAt(owner.layers, {0, 0, 10, 10});
  owner.layers.MouseDown(vcl::mbLeft, {}, 1, 1);
  ASSERT_EQ(owner.layers.CapturingLayer(), layer);
  delete layer;
  EXPECT_EQ(owner.layers.CapturingLayer(), nullptr);
  EXPECT_EQ(owner.layers.MouseMove({}, 1, 1), nullptr);
}

// A move shows the layer's cursor, a release the default one; a move over no layer shows the
// owner control's cursor.
TEST(Layers, MouseInputSetsTheScreenCursor) {
  vcl::TScreen& screen = TheScreen();
  TestOwner owner;
  owner.SetCursor(vcl::crCross);
  auto* layer = AddAt(owner.layers, {0, 0, 10, 10});
  layer->SetCursor(vcl::crHandPoint);
  owner.layers.MouseMove({}, 5, 5);
  EXPECT_EQ(screen.Cursor(), vcl::crHandPoint);
  owner.layers.MouseMove({}, 50, 5);
  EXPECT_EQ(screen.Cursor(), vcl::crCross);
  owner.layers.MouseDown(vcl::mbLeft, {}, 5, 5);
  owner.layers.MouseUp(vcl::mbLeft, {}, 5, 5);
  EXPECT_EQ(screen.Cursor(), vcl::crDefault);
}

TEST(Layers, ScaledLocationFollowsTheViewTransform) {
  TestOwner owner;
  auto* layer = AddAt(owner.layers, {10, 20, 30, 40});
  owner.transform = TViewTransform{2 * 65536, 65536 / 2, 5, -3};
  EXPECT_EQ(layer->ScreenLocation(), (TFloatRect{10, 20, 30, 40}));  // not scaled
  layer->SetScaled(true);
  EXPECT_EQ(layer->ScreenLocation(), (TFloatRect{25, 7, 65, 17}));
  EXPECT_EQ(owner.layers.LayerAt(64, 16), layer);
  EXPECT_EQ(owner.layers.LayerAt(20, 16), nullptr);
  owner.layers.SetViewTransform(nullptr);
  EXPECT_EQ(layer->ScreenLocation(), (TFloatRect{10, 20, 30, 40}));
}

// With HitByAlpha a fully transparent pixel under the pointer is no hit.
TEST(Layers, HitByAlpha) {
  TestOwner owner;
  auto* layer = owner.layers.Add<TBitmapLayer>();
  layer->Bitmap()->SetSize(2, 2);
  layer->Bitmap()->FillColor(0xFF0000FFu);
  *layer->Bitmap()->PixelPtr(0, 0) = 0x00FFFFFFu;
  layer->SetLocation({0, 0, 20, 20});
  EXPECT_EQ(owner.layers.LayerAt(2, 2), layer);
  layer->SetHitByAlpha(true);
  EXPECT_EQ(owner.layers.LayerAt(2, 2), nullptr);  // pixel (0, 0)
  EXPECT_EQ(owner.layers.LayerAt(8, 8), layer);    // pixel (1, 1)
  // 1.5 rounds to 2: pixel (2, 0) lies outside the bitmap and reads as the outer colour.
  EXPECT_EQ(owner.layers.LayerAt(15, 2), nullptr);
  layer->Bitmap()->SetOuterColor(0xFF000000u);
  EXPECT_EQ(owner.layers.LayerAt(15, 2), layer);
  layer->SetLocation({0, 0, 0.4f, 20});             // less than a pixel wide
  EXPECT_EQ(owner.layers.LayerAt(0, 2), nullptr);
}

// The location is rounded half to even, and the bitmap stretched over it.
TEST(Layers, BitmapLayerPaintsAtTheRoundedLocation) {
  TestOwner owner;
  auto* layer = owner.layers.Add<TBitmapLayer>();
  layer->Bitmap()->SetSize(1, 1);
  layer->Bitmap()->FillColor(0xFFFF0000u);
  layer->SetLocation({10.4f, 10.6f, 20.5f, 30.5f});
  TBitmap32 buffer;
  buffer.SetSize(40, 40);
  buffer.FillColor(0);
  layer->PaintWithEvent(&buffer);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 11 && y < 30;
      ASSERT_EQ(*buffer.PixelPtr(x, y), inside ? 0xFFFF0000u : 0u) << x << ", " << y;
    }
}

// The layer bitmap's own draw mode, filter, master alpha and combiner decide the result,
// exactly as TransferRect draws it.
TEST(Layers, BitmapLayerComposesWithItsBitmapsSettings) {
  TestOwner owner;
  auto* layer = owner.layers.Add<TBitmapLayer>();
  TBitmap32* overlay = layer->Bitmap();
  overlay->SetSize(5, 4);
  for (int i = 0; i < 20; ++i) overlay->Bits()[i] = 0x80000000u + TColor32(i) * 0x0A0B0C;
  overlay->SetDrawMode(dmCustom);
  overlay->SetStretchFilter(sfLinear);
  overlay->SetMasterAlpha(200);
  overlay->OnPixelCombine = BlendModeCombineEvent(1);
  layer->SetLocation({2, 3, 17, 15});
  TBitmap32 buffer, expected;
  buffer.SetSize(20, 20);
  buffer.FillColor(0xFF406080u);
  expected.Assign(&buffer);
  layer->PaintWithEvent(&buffer);
  TransferRect(&expected, {2, 3, 17, 15}, expected.BoundsRect(), overlay, overlay->BoundsRect(),
               sfLinear, dmCustom, overlay->OnPixelCombine);
  EXPECT_EQ(std::vector<TColor32>(buffer.Bits(), buffer.Bits() + 400),
            std::vector<TColor32>(expected.Bits(), expected.Bits() + 400));
}

TEST(Layers, CropToBitmapClipsToTheOwnersBitmapRect) {
  TestOwner owner;
  owner.bitmapRect = TRect{5, 5, 10, 10};
  auto* layer = owner.layers.Add<TBitmapLayer>();
  layer->Bitmap()->SetSize(1, 1);
  layer->Bitmap()->FillColor(0xFFFFFFFFu);
  layer->SetLocation({0, 0, 20, 20});
  layer->SetCropToBitmap(true);
  auto paintedCount = [&]() {
    TBitmap32 buffer;
    buffer.SetSize(20, 20);
    buffer.FillColor(0);
    layer->PaintWithEvent(&buffer);
    int count = 0;
    for (int i = 0; i < 400; ++i) count += buffer.Bits()[i] != 0;
    return count;
  };
  EXPECT_EQ(paintedCount(), 25);
  owner.paintingTo = true;  // painting the whole picture elsewhere: no crop
  EXPECT_EQ(paintedCount(), 400);
  owner.paintingTo = false;
  layer->SetCropToBitmap(false);
  EXPECT_EQ(paintedCount(), 400);
}

// Copying a collection with layers ends in the assignment error once the first copy is in
// place; the update bracket is closed all the same. An empty collection copies fine.
TEST(Layers, AssigningCollections) {
  TestOwner source, target;
  source.layers.Add<TBitmapLayer>();
  source.layers.Add<TPositionedLayer>();
  target.layers.Add<TPositionedLayer>();
  EXPECT_THROW(target.layers.Assign(&source.layers), vcl::EConvertError);
  EXPECT_EQ(target.layers.Count(), 1);
  EXPECT_EQ(target.layers.Items(0)->ClassName(), "TBitmapLayer");
  EXPECT_EQ(target.layers.UpdateCount(), 0);
  TestOwner empty;
  target.layers.Assign(&empty.layers);
  EXPECT_EQ(target.layers.Count(), 0);
  TBitmap32 notACollection;
  EXPECT_THROW(target.layers.Assign(&notACollection), vcl::EConvertError);
}
