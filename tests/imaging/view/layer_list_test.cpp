// The layer list: adding, removing (with masks), clearing, and which layer and bitmap are
// current afterwards.
#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/view/view_fixture.h"
#include "tests/support/fuzz_driver.h"
#include "imaging/model/ie_mask.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"
#include <cstring>

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

using LayerList = ViewWindow;

// Layers 0..n-1, each named by its index, the ones in `masks` flagged as masks.
void Build(TImageView* view, int32_t count, std::initializer_list<int32_t> masks) {
  view->GetIEBitmap()->Allocate(20, 10, ie24RGB);
  view->CurrentLayer()->Name = "0";
  for (int32_t i = 1; i < count; ++i) {
    view->AddLayer();
    view->CurrentLayer()->Name = std::to_string(i);
  }
  for (int32_t m : masks) view->GetLayer(m)->IsMask = true;
}

std::string Names(TImageView* view) {
  std::string names;
  for (int32_t i = 0; i < view->LayersCount(); ++i) names += view->GetLayer(i)->Name;
  return names;
}

}  // namespace

TEST_F(LayerList, RemovingALayerKeepsAValidCurrentLayerAndBitmap) {
  struct Case {
    int32_t count;
    std::initializer_list<int32_t> masks;
    int32_t current, remove;
    const char* left;
    const char* currentName;
  };
  const Case cases[] = {
      {3, {2}, 2, 1, "0", "0"},         // the current mask goes with its layer
      {4, {2}, 3, 1, "03", "3"},        // current above both: down by two
      {4, {2}, 1, 1, "03", "3"},        // current is the removed layer: the one now at its place
      {4, {2}, 0, 1, "03", "0"},        // below: unchanged
      {3, {}, 2, 0, "12", "2"},         // removing below the current one
      {3, {}, 1, 2, "01", "1"},         // removing above
      {3, {}, 2, 2, "01", "1"},         // removing the current top layer
      {2, {1}, 1, 0, "01", "1"},        // a base and its mask are all there is: nothing goes
      {3, {1}, 2, 0, "2", "2"},         // layer 0 and its mask
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " layers, remove " << c.remove << " with current " << c.current);
    MakeView();
    Build(view, c.count, c.masks);
    view->SetLayersCurrent(c.current);
    view->RemoveLayer(c.remove);
    EXPECT_EQ(Names(view), c.left);
    ASSERT_GE(view->LayersCurrent(), 0);
    ASSERT_LT(view->LayersCurrent(), view->LayersCount());
    EXPECT_EQ(view->CurrentLayer()->Name, c.currentName);
    EXPECT_EQ(view->GetIEBitmap(), view->CurrentLayer()->Bitmap());
    view->Update();  // stores the current bitmap into the current layer again
    EXPECT_EQ(view->GetIEBitmap(), view->CurrentLayer()->Bitmap());
  }
}

TEST_F(LayerList, NoRemovalOfTheLastLayerOrOutsideTheList) {
  MakeView();
  view->RemoveLayer(0);
  EXPECT_EQ(view->LayersCount(), 1);
  Build(view, 2, {});
  view->RemoveLayer(2);
  view->RemoveLayer(-1);
  EXPECT_EQ(view->LayersCount(), 2);
  EXPECT_THROW(view->GetLayer(2), vcl::EListError);
}

TEST_F(LayerList, AddAndClear) {
  MakeView("    Background = clWhite\n");
  SetImage(30, 20, 0);
  EXPECT_EQ(view->AddLayer(), 1);
  EXPECT_EQ(view->LayersCurrent(), 1);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 30);  // shaped like the current bitmap
  EXPECT_EQ(view->GetIEBitmap()->GetPixel24(29, 19).r, 255);  // filled with the background
  EXPECT_TRUE(view->CurrentLayer()->VisibleBox);
  EXPECT_FALSE(view->CurrentLayer()->Locked);
  view->AddLayer();
  view->GetLayer(0)->PosX = 9;
  view->ClearLayers();
  EXPECT_EQ(view->LayersCount(), 1);
  EXPECT_EQ(view->LayersCurrent(), 0);
  EXPECT_EQ(view->GetLayer(0)->PosX, 0);
  EXPECT_TRUE(view->GetLayer(0)->Locked);
  EXPECT_FALSE(view->GetLayer(0)->VisibleBox);
  EXPECT_EQ(view->GetIEBitmap(), view->GetLayer(0)->Bitmap());
}

TEST_F(LayerList, UnselectableLayersAreSkippedWhenMadeCurrent) {
  MakeView();
  Build(view, 3, {});
  view->GetLayer(2)->Selectable = false;
  view->SetLayersCurrent(0);
  view->SetLayersCurrent(2);
  EXPECT_EQ(view->LayersCurrent(), 1);
  view->SetSkipUnselectableLayers(false);
  view->SetLayersCurrent(2);
  EXPECT_EQ(view->LayersCurrent(), 2);
}

TEST_F(LayerList, AllLayersEqualSize) {
  MakeView();
  SetImage(100, 50, 0);
  view->AddLayer();
  view->GetIEBitmap()->Allocate(40, 80, ie24RGB);
  view->GetIEBitmap()->GetAlphaChannel();
  view->SetLayersSync(true);
  view->Update();
  EXPECT_EQ(view->ImageWidth(), 100);
  EXPECT_EQ(view->ImageHeight(), 80);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Height(), 80);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 100);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->GetAlphaAt(99, 0), 0);   // new area transparent
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->GetAlphaAt(39, 79), 255);
}

// Making another layer current saves the selection and reads it back: the stack must not grow
// with every switch.
TEST_F(LayerList, SwitchingLayersWithASelectionLeavesTheStackEmpty) {
  MakeView();
  Build(view, 3, {});
  view->SetLayersCurrent(0);
  view->SelectionMask()->SetPixel(3, 3, 1);
  view->SelectionMask()->SyncBoundingBox();
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  record.SetPosition(0);
  view->LoadSelectionFromStream(&record, 0);
  ASSERT_TRUE(view->Selected());
  for (int i = 0; i < 10; ++i) view->SetLayersCurrent(1 + i % 2);
  EXPECT_EQ(view->SelectionStackCount(), 0);
  EXPECT_TRUE(view->Selected());
}

TEST_F(LayerList, SelectionFollowsTheLayerPosition) {
  MakeView();
  Build(view, 2, {});
  view->GetLayer(1)->PosX = 10;
  view->SetLayersCurrent(0);
  view->SelectionMask()->SetPixel(15, 4, 1);
  view->SelectionMask()->SyncBoundingBox();
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  record.SetPosition(0);
  view->LoadSelectionFromStream(&record, 0);
  view->SetLayersCurrent(1);
  EXPECT_TRUE(view->SelectionMask()->IsPixelSet(5, 4));
  EXPECT_FALSE(view->SelectionMask()->IsPixelSet(15, 4));
}

TEST_F(LayerList, DamagedSelectionRecordsAreRefused) {
  MakeView();
  SetImage(20, 10, 0);
  view->SelectionMask()->SetPixel(3, 3, 1);
  view->SelectionMask()->SyncBoundingBox();
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  const auto* p = static_cast<const uint8_t*>(record.Memory());
  const std::vector<uint8_t> valid(p, p + record.Size());
  fuzz::Fuzz("selection record", valid, 5, [&](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    view->LoadSelectionFromStream(&stream, 0);
  });
  // A huge point count fails before anything is allocated.
  std::vector<uint8_t> bytes = valid;
  const int32_t huge = 0x7FFFFFFF;
  std::memcpy(bytes.data() + 8, &huge, 4);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  EXPECT_THROW(view->LoadSelectionFromStream(&stream, 0), vcl::EReadError);
}

TEST_F(LayerList, FindLayerAtLooksThroughTransparentPixels) {
  MakeView();
  SetImage(40, 30, 0);
  view->GetLayer(0)->ClientAreaBox = vcl::TRect{0, 0, 40, 30};
  view->AddLayer();
  TIELayer* top = view->CurrentLayer();
  top->ClientAreaBox = vcl::TRect{0, 0, 40, 30};
  TIEBitmap* alpha = top->Bitmap()->GetAlphaChannel();
  alpha->Fill(255);
  alpha->SetPixel8(5, 5, 0);
  EXPECT_EQ(view->FindLayerAt(6, 6, true), 1);
  // The mapping runs through the view: at zoom 100 with the image centred, client = bitmap
  // plus the offset.
  const int32_t x = 5 + view->OffsetX(), y = 5 + view->OffsetY();
  top->ClientAreaBox = vcl::TRect{0, 0, 200, 150};
  view->GetLayer(0)->ClientAreaBox = vcl::TRect{0, 0, 200, 150};
  EXPECT_EQ(view->FindLayerAt(x, y, true), 0);
  view->SetSelectionOptions(view->SelectionOptions() | iesoSelectTranspLayers);
  EXPECT_EQ(view->FindLayerAt(x, y, true), 1);
  top->Visible = false;
  EXPECT_EQ(view->FindLayerAt(x, y, true), 0);
  EXPECT_EQ(view->FindLayerAt(500, 5, true), -1);
}

TEST_F(LayerList, AFixedSelectionRatioDecidesWhetherTheSelectionIsSizeable) {
  MakeView();
  EXPECT_TRUE(view->SelectionOptions() & iesoSizeable);
  view->SetFixedSelectionRatio(0);
  EXPECT_FALSE(view->SelectionOptions() & iesoSizeable);
  view->SetFixedSelectionRatio(1.5);
  EXPECT_TRUE(view->SelectionOptions() & iesoSizeable);
}

// A rotated layer is hit inside its turned corners; before it was ever drawn its corners are
// unknown and enclose nothing.
TEST_F(LayerList, ARotatedLayerIsHitInsideItsTurnedCorners) {
  MakeView();
  SetImage(100, 100, 0);
  view->AddLayer();
  view->GetIEBitmap()->Allocate(40, 40, ie24RGB);
  view->CurrentLayer()->SetRotate(45);
  EXPECT_FALSE(view->IsPointInLayer(70, 45, 1));
  view->Update();
  view_fixture::Pump();
  view->Paint();
  // Centred in the 200 x 150 client: the layer's centre is at (70, 45).
  EXPECT_TRUE(view->IsPointInLayer(70, 45, 1));
  EXPECT_FALSE(view->IsPointInLayer(51, 26, 1));  // the unturned corner lies outside
}
