// The view's processing object: made on demand and attached, undo and redo of the pixels,
// layers and selection through it, its end with the view, and the layer operations that bake
// size, rotation and transparent margins into the pixels.
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <string>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/image_proc.h"
#include "tests/imaging/view/view_fixture.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

using ViewProc = ViewWindow;

// Every row of a 24-bit bitmap, in one block.
std::vector<uint8_t> Pixels(TIEBitmap* bitmap) {
  std::vector<uint8_t> bytes;
  const int32_t row = bitmap->Width() * 3;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    const auto* p = static_cast<const uint8_t*>(bitmap->Scanline(y));
    bytes.insert(bytes.end(), p, p + row);
  }
  return bytes;
}

// Gives each pixel of a 24-bit bitmap a value of its own.
void Pattern(TIEBitmap* bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      TRGB* p = bitmap->GetRGBPixelPtr(x, y);
      p->r = uint8_t(x * 7 + y);
      p->g = uint8_t(y * 13);
      p->b = uint8_t(x + 100);
    }
}

// Selects the rectangle x1..x2, y1..y2 (inclusive) of the current layer.
void Select(TImageView* view, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TIEMask* mask = view->SelectionMask();
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) mask->SetPixel(x, y, 1);
  mask->SyncBoundingBox();
  // Reading the record back is what makes the view count the mask as its selection.
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  record.SetPosition(0);
  view->LoadSelectionFromStream(&record, 0);
}

std::vector<uint8_t> SelectionRecord(TImageView* view) {
  vcl::TMemoryStream record;
  view->SaveSelectionToStream(&record);
  const auto* p = static_cast<const uint8_t*>(record.Memory());
  return std::vector<uint8_t>(p, p + record.Size());
}

// Two 20 x 10 layers; layer 1 (current) patterned.
void TwoLayers(TImageView* view) {
  view->GetIEBitmap()->Allocate(20, 10, ie24RGB);
  view->GetIEBitmap()->Fill(0);
  view->AddLayer();
  Pattern(view->GetIEBitmap());
  view->Update();
}

}  // namespace

TEST_F(ViewProc, MadeOnceAttachedAndReportingThroughTheView) {
  MakeView();
  SetImage(20, 10, 0);
  int32_t progressCalls = 0, finishCalls = 0, savedUndo = 0;
  view->OnProgress = [&](vcl::TObject*, int32_t) { ++progressCalls; };
  view->SetOnSaveUndo([&](vcl::TObject*, TIEUndoSource source) { savedUndo = source; });
  TImageProc* proc = view->GetProc();
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(view->GetProc(), proc);
  EXPECT_EQ(proc->Owner(), view);
  EXPECT_EQ(proc->AttachedImage(), static_cast<TIEProcView*>(view));
  EXPECT_EQ(proc->WorkingBitmap(), view->GetIEBitmap());
  EXPECT_TRUE(proc->AutoUndo());
  // Handlers set after the object was made reach it as well.
  view->SetOnFinishWork([&](vcl::TObject*) { ++finishCalls; });
  proc->Fill(0x0000FF);
  EXPECT_GT(progressCalls, 0);
  EXPECT_EQ(finishCalls, 1);
  EXPECT_EQ(savedUndo, ieusImage);
  EXPECT_EQ(view->GetIEBitmap()->GetRGBPixelPtr(5, 5)->r, 255);
  // Another layer made current: the object follows the view's current bitmap.
  view->AddLayer();
  EXPECT_EQ(proc->WorkingBitmap(), view->GetIEBitmap());
  // Freed by someone else, the view makes a new one when asked.
  delete proc;
  TImageProc* again = view->GetProc();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->AttachedImage(), static_cast<TIEProcView*>(view));
}

TEST_F(ViewProc, UndoAndRedoRestoreExactPixelsLayersAndSelection) {
  MakeView();
  TwoLayers(view);
  Select(view, 2, 3, 6, 7);
  TImageProc* proc = view->GetProc();
  proc->SetUndoLimit(10);
  const std::vector<uint8_t> before = Pixels(view->GetIEBitmap());
  const std::vector<uint8_t> selectionBefore = SelectionRecord(view);

  // Fill works inside the selection only, with its undo entry saved first.
  proc->Fill(0x00FF00);
  const std::vector<uint8_t> filled = Pixels(view->GetIEBitmap());
  EXPECT_EQ(view->GetIEBitmap()->GetRGBPixelPtr(4, 5)->g, 255);
  EXPECT_EQ(view->GetIEBitmap()->GetRGBPixelPtr(10, 5)->b, 110);
  ASSERT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(proc->GetUndoCaption(0), "Fill");

  proc->SaveUndo(ieusSelection);
  proc->SaveUndo(ieusLayers);
  view->GetLayer(1)->PosX = 7;
  view->GetLayer(1)->Name = "moved";
  view->GetLayer(0)->Visible = false;
  view->ClearSelection();
  ASSERT_EQ(proc->UndoCount(), 3);

  proc->Undo(true);  // the layers
  proc->ClearOneUndo();
  EXPECT_EQ(view->GetLayer(1)->PosX, 0);
  EXPECT_EQ(view->GetLayer(1)->Name, "");
  EXPECT_TRUE(view->GetLayer(0)->Visible);
  EXPECT_EQ(view->LayersCurrent(), 1);
  EXPECT_EQ(Pixels(view->GetIEBitmap()), filled);

  proc->Undo(true);  // the selection
  proc->ClearOneUndo();
  EXPECT_TRUE(view->Selected());
  EXPECT_EQ(SelectionRecord(view), selectionBefore);

  proc->Undo(true);  // the pixels
  proc->ClearOneUndo();
  EXPECT_EQ(proc->UndoCount(), 0);
  EXPECT_EQ(Pixels(view->GetIEBitmap()), before);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 20);

  // The redo stack holds what each undo replaced, newest first.
  ASSERT_EQ(proc->RedoCount(), 3);
  proc->Redo();
  proc->ClearOneRedo();
  EXPECT_EQ(Pixels(view->GetIEBitmap()), filled);
  proc->Redo();
  proc->ClearOneRedo();
  EXPECT_FALSE(view->Selected());
  proc->Redo();
  EXPECT_EQ(view->GetLayer(1)->PosX, 7);
  EXPECT_EQ(view->GetLayer(1)->Name, "moved");
  EXPECT_FALSE(view->GetLayer(0)->Visible);
}

TEST_F(ViewProc, UndoOfTheImageGoesBackToTheLayerItCameFrom) {
  MakeView();
  TwoLayers(view);
  TImageProc* proc = view->GetProc();
  const std::vector<uint8_t> before = Pixels(view->GetIEBitmap());
  proc->Fill(0xFFFFFF);
  view->SetLayersCurrent(0);
  proc->Undo(false);
  // Layer 0 keeps its black pixels; layer 1 has its pattern back.
  EXPECT_EQ(view->GetIEBitmap()->GetRGBPixelPtr(3, 3)->r, 0);
  EXPECT_EQ(Pixels(view->GetLayer(1)->Bitmap()), before);
}

TEST_F(ViewProc, TheLayersWithTheirImagesComeBackFromTheViewsLayerStream) {
  MakeView();
  TwoLayers(view);
  TImageProc* proc = view->GetProc();
  const std::vector<uint8_t> before = Pixels(view->GetIEBitmap());
  proc->SaveUndo(ieusObjectsAndLayers);
  view->GetIEBitmap()->Fill(0);
  view->AddLayer();
  ASSERT_EQ(view->LayersCount(), 3);
  proc->Undo(false);
  ASSERT_EQ(view->LayersCount(), 2);
  EXPECT_EQ(Pixels(view->GetLayer(1)->Bitmap()), before);
}

TEST_F(ViewProc, HandlersAreToldOfTheEndWhileTheViewIsWhole) {
  MakeView();
  SetImage(20, 10, 0);
  int32_t widthSeen = -1, layersSeen = -1;
  view->AddBitmapChangeHandler([&](bool destroying) {
    if (!destroying) return;
    layersSeen = view->LayersCount();
    widthSeen = view->GetIEBitmap() ? view->GetIEBitmap()->Width() : 0;
  });
  form.reset();
  EXPECT_EQ(layersSeen, 1);
  EXPECT_EQ(widthSeen, 20);
}

TEST_F(ViewProc, AProcessingObjectOutlivingItsViewFallsBackToABitmapOfItsOwn) {
  MakeView();
  SetImage(20, 10, 0);
  view->GetProc()->Fill(0x0000FF);  // the view's own object lives and dies with it
  TImageProc proc(nullptr);
  proc.SetAttachedImage(view);
  proc.SetBackground(0x123456);  // goes to the view
  EXPECT_EQ(view->Background(), vcl::TColor(0x123456));
  ASSERT_EQ(proc.WorkingBitmap(), view->GetIEBitmap());
  form.reset();
  view = nullptr;
  EXPECT_EQ(proc.AttachedImage(), nullptr);
  ASSERT_NE(proc.WorkingBitmap(), nullptr);
  EXPECT_TRUE(proc.OwnsWorkingBitmap());
  EXPECT_EQ(proc.GetBackground(), vcl::TColor(0));
  // Operations run on the empty bitmap of its own, and a new bitmap can be attached.
  proc.Fill(0x00FF00);
  proc.Resample(40, 20, rfNone);
  TIEBitmap fresh(8, 4, ie24RGB);
  proc.SetAttachedBitmap(&fresh);
  proc.Fill(0x00FF00);
  EXPECT_EQ(fresh.GetRGBPixelPtr(7, 3)->g, 255);
}

TEST_F(ViewProc, ResampleLayersBakesTheShownSize) {
  MakeView();
  TwoLayers(view);
  view->AddLayer();  // layer 2, current, no override
  view->GetLayer(1)->Width = 40;
  view->GetLayer(1)->Height = 5;
  view->GetLayer(0)->Width = 30;
  EXPECT_EQ(view->GetLayer(1)->GetWidth(), 40);

  view->ResampleLayers(1);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 40);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Height(), 5);
  EXPECT_EQ(view->GetLayer(1)->Width, 0);
  EXPECT_EQ(view->GetLayer(1)->Height, 0);
  EXPECT_EQ(view->GetLayer(0)->Width, 30);  // not chosen
  EXPECT_EQ(view->LayersCurrent(), 2);

  view->ResampleLayers(-1);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Width(), 30);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Height(), 10);
  EXPECT_EQ(view->GetLayer(0)->Width, 0);
  EXPECT_EQ(view->LayersCurrent(), 2);
  // The private object records nothing on the view's undo stack.
  EXPECT_EQ(view->GetProc()->UndoCount(), 0);
}

TEST_F(ViewProc, ResampleLayersWorksOnAnUnselectableLayersOwnPixels) {
  MakeView();
  TwoLayers(view);
  view->SetLayersCurrent(0);
  view->GetLayer(1)->Selectable = false;  // making it current lands on layer 0
  view->GetLayer(1)->Width = 40;
  view->ResampleLayers(-1);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 40);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Width(), 20);
}

TEST_F(ViewProc, CropLayersToAlphaKeepsThePosition) {
  MakeView();
  TwoLayers(view);
  TIEBitmap* bitmap = view->GetIEBitmap();
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) bitmap->SetAlphaAt(x, y, (x >= 4 && x <= 11 && y >= 2 && y <= 6) ? 255 : 0);
  view->GetLayer(1)->PosX = 3;
  view->GetLayer(1)->PosY = 1;
  view->CropLayersToAlpha(-1);
  EXPECT_EQ(bitmap->Width(), 8);
  EXPECT_EQ(bitmap->Height(), 5);
  EXPECT_EQ(bitmap->GetRGBPixelPtr(0, 0)->b, 104);  // was column 4
  EXPECT_EQ(view->GetLayer(1)->PosX, 3);
  EXPECT_EQ(view->GetLayer(1)->PosY, 1);
  // Layer 0 has no alpha channel: nothing to crop.
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Width(), 20);
}

TEST_F(ViewProc, ApplyLayersRotationTurnsThePixelsAndKeepsTheLayerInPlace) {
  MakeView();
  TwoLayers(view);
  view->AddLayer();  // layer 2 current, not rotated
  TIELayer* layer = view->GetLayer(1);
  layer->PosX = 50;
  layer->PosY = 40;
  layer->SetRotate(90);
  view->ApplyLayersRotation(-1);
  EXPECT_EQ(layer->Rotate(), 0);
  EXPECT_EQ(layer->Width, 0);
  EXPECT_EQ(layer->Height, 0);
  EXPECT_EQ(layer->Bitmap()->Width(), 10);
  EXPECT_EQ(layer->Bitmap()->Height(), 20);
  // A quarter turn about the centre (10, 5): the turned box starts at (5, -5) of the layer.
  EXPECT_EQ(layer->PosX, 55);
  EXPECT_EQ(layer->PosY, 35);
  EXPECT_EQ(view->GetLayer(2)->Bitmap()->Width(), 20);
  EXPECT_EQ(view->LayersCurrent(), 2);
  EXPECT_EQ(view->GetProc()->UndoCount(), 0);
}

// The current layer's pixels get new storage from the operation; the next update must not put
// the old ones back.
TEST_F(ViewProc, BakingTheCurrentLayerSurvivesTheNextUpdate) {
  struct Case {
    const char* name;
    int32_t width, height;
  };
  const Case cases[] = {{"rotate", 10, 20}, {"resample", 30, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeView();
    TwoLayers(view);  // layer 1 current, 20 x 10
    TIELayer* layer = view->GetLayer(1);
    if (std::string(c.name) == "rotate") {
      layer->SetRotate(90);
      view->ApplyLayersRotation(-1);
    } else {
      layer->Width = 30;
      layer->Height = 15;
      view->ResampleLayers(-1);
    }
    view->Update();
    EXPECT_EQ(c.width, layer->Bitmap()->Width());
    EXPECT_EQ(c.height, layer->Bitmap()->Height());
    EXPECT_EQ(c.width, view->GetIEBitmap()->Width());
  }
}

TEST_F(ViewProc, ApplyLayersRotationBakesTheShownSizeFirst) {
  MakeView();
  TwoLayers(view);
  TIELayer* layer = view->GetLayer(1);
  layer->Width = 40;
  layer->Height = 20;
  layer->SetRotate(180);
  view->ApplyLayersRotation(1);
  EXPECT_EQ(layer->Bitmap()->Width(), 40);
  EXPECT_EQ(layer->Bitmap()->Height(), 20);
  EXPECT_EQ(layer->Rotate(), 0);
  EXPECT_EQ(layer->PosX, 0);
  EXPECT_EQ(layer->PosY, 0);
}

TEST_F(ViewProc, APlatformBitmapViewShowsWhatTheOperationMade) {
  MakeView();
  ASSERT_TRUE(view->LegacyBitmap());
  SetImage(20, 10, 0);
  view->GetProc()->Resample(40, 30, rfNone);
  ASSERT_NE(view->GetTBitmap(), nullptr);
  EXPECT_EQ(view->GetTBitmap(), view->GetIEBitmap()->VclBitmap());
  EXPECT_EQ(view->GetTBitmap()->Width(), 40);
  EXPECT_EQ(view->GetTBitmap()->Height(), 30);
  EXPECT_EQ(view->ImageWidth(), 40);
  EXPECT_EQ(view->ImageHeight(), 30);
  view->GetProc()->Undo(false);
  EXPECT_EQ(view->GetTBitmap(), view->GetIEBitmap()->VclBitmap());
  EXPECT_EQ(view->ImageWidth(), 20);
}
