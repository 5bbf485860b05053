// The undo and redo stacks: limits, captions and kinds, image snapshots in memory and in the
// temporary file, and the view's selection, layers and vector objects restored through the
// view, including corrupt layer records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/proc/image_proc.h"
#include "tests/imaging/proc/fake_view.h"
#include "tests/imaging/proc/proc_test_support.h"

using namespace imaging;
using namespace proc_test;

namespace {

struct UndoFixture {
  TIEBitmap bitmap{6, 5, ie24RGB};
  TImageProc proc{nullptr};
  std::vector<TIEUndoSource> saved;
  UndoFixture() {
    FillPicture(bitmap, false);
    proc.SetAttachedBitmap(&bitmap);
    proc.OnSaveUndo = [this](vcl::TObject*, TIEUndoSource source) { saved.push_back(source); };
  }
};

}  // namespace

TEST(ProcUndo, TheLimitBoundsBothStacksAndTrimsAtTheNextPushOnly) {
  UndoFixture f;
  f.proc.SaveUndo(ieusImage);
  f.proc.SaveUndo(ieusImage);
  EXPECT_EQ(f.proc.UndoCount(), 1);  // limit 1 by default
  f.proc.SetUndoLimit(3);
  for (int i = 0; i < 5; ++i) f.proc.SaveUndoCaptioned("step " + std::to_string(i), ieusImage);
  EXPECT_EQ(f.proc.UndoCount(), 3);
  EXPECT_EQ(f.proc.GetUndoCaption(0), "step 4");
  EXPECT_EQ(f.proc.GetUndoCaption(2), "step 2");
  EXPECT_EQ(f.proc.GetUndoCaption(3), "");
  EXPECT_EQ(f.proc.GetUndoCaption(-1), "");

  f.proc.SetUndoLimit(1);
  EXPECT_EQ(f.proc.UndoCount(), 3);  // stored only
  f.proc.SaveUndoCaptioned("last", ieusImage);
  EXPECT_EQ(f.proc.UndoCount(), 1);
  EXPECT_EQ(f.proc.GetUndoCaption(0), "last");

  // 0 disables saving, events included; a negative limit counts as 0 instead of asking to
  // delete from an empty list.
  for (int32_t limit : {0, -5}) {
    f.proc.ClearAllUndo();
    f.saved.clear();
    f.proc.SetUndoLimit(limit);
    EXPECT_EQ(f.proc.UndoLimit(), 0);
    f.proc.SaveUndo(ieusImage);
    f.proc.SaveUndoCaptioned("x", ieusImage);
    f.proc.SaveRedo(ieusImage);
    EXPECT_EQ(f.proc.UndoCount(), 0);
    EXPECT_EQ(f.proc.RedoCount(), 0);
    EXPECT_TRUE(f.saved.empty());
  }
}

TEST(ProcUndo, APictureSmallerThanTwoByTwoIsNotSavedButTheEventFires) {
  UndoFixture f;
  f.bitmap.Allocate(1, 1, ie24RGB);
  f.proc.SaveUndo(ieusImage);
  EXPECT_EQ(f.proc.UndoCount(), 0);
  EXPECT_EQ(f.saved.size(), 1u);
  f.proc.SaveUndoCaptioned("c", ieusImage);  // checked first: neither entry nor event
  EXPECT_EQ(f.saved.size(), 1u);
}

TEST(ProcUndo, SnapshotsLiveWhereTheUndoLocationSaysAndRestoreExactly) {
  for (TIELocation location : {ieFile, ieMemory}) {
    UndoFixture f;
    f.bitmap.AlphaChannel()->SetPixel8(2, 3, 17);
    f.proc.SetUndoLocation(location);
    f.proc.SetUndoLimit(2);
    TIEBitmap original;
    original.Assign(&f.bitmap);
    f.proc.SaveUndoCaptioned("before", ieusImage);
    f.bitmap.Fill(0);
    f.bitmap.RemoveAlphaChannel(false, 0);
    TIEBitmap changed;
    changed.Assign(&f.bitmap);

    f.proc.Undo(true);
    EXPECT_TRUE(SamePicture(f.bitmap, original)) << int(location);
    EXPECT_EQ(f.proc.UndoCount(), 1);  // the entry stays until dropped
    EXPECT_EQ(f.proc.RedoCount(), 1);
    f.proc.ClearOneUndo();
    f.proc.Redo();
    EXPECT_TRUE(SamePicture(f.bitmap, changed)) << int(location);
    f.proc.ClearOneRedo();
    EXPECT_FALSE(f.proc.CanUndo());
    EXPECT_FALSE(f.proc.CanRedo());
  }
}

TEST(ProcUndo, KindsByIndexAndDeletionByPosition) {
  TFakeView view(6, 4, ie24RGB, true, true);
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);
  proc.SetUndoLimit(10);
  proc.SaveUndo(ieusImage);
  proc.SaveUndo(ieusObjects);
  proc.SaveUndo(ieusSelection);
  EXPECT_EQ(proc.GetUndoKindAt(0), ieusImage);
  EXPECT_EQ(proc.GetUndoKindAt(2), ieusSelection);
  EXPECT_EQ(proc.GetUndoKindAt(3), 0);
  EXPECT_EQ(proc.GetUndoKindAt(-1), 0);
  proc.DeleteUndoAt(1);  // the objects entry
  ASSERT_EQ(proc.UndoCount(), 2);
  EXPECT_EQ(proc.GetUndoKindAt(1), ieusSelection);
  proc.DeleteUndoAt(7);
  proc.DeleteUndoAt(-1);
  EXPECT_EQ(proc.UndoCount(), 2);
  proc.UndoAt(5, false);  // outside: nothing
  proc.UndoAt(-1, false);
}

TEST(ProcUndo, KindsThatDoNotFitTheAttachmentSaveNothing) {
  UndoFixture f;  // a plain bitmap: no selection, layers or objects
  for (TIEUndoSource source : {ieusSelection, ieusObjects, ieusLayers, ieusLayersWithImage, ieusObjectsAndLayers})
    f.proc.SaveUndo(source);
  EXPECT_EQ(f.proc.UndoCount(), 0);
  EXPECT_EQ(f.saved.size(), 5u);
}

TEST(ProcUndo, SelectionAndVectorObjectsComeBackThroughTheView) {
  TFakeView view(10, 8, ie24RGB, true, true);
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);
  proc.SetUndoLimit(5);
  view.selection.Allocate(10, 8, 1);
  view.selection.SetPixel(3, 4, 1);
  view.hasSelection = true;
  view.objects = "line 1 2 3 4";
  proc.SaveUndo(ieusSelection);
  proc.SaveUndo(ieusObjects);

  view.selection.Clear();
  view.hasSelection = false;
  view.objects = "nothing";
  proc.UndoAt(0, true);
  EXPECT_EQ(view.objects, "line 1 2 3 4");
  EXPECT_EQ(proc.GetRedoCaption(0), "");
  ASSERT_EQ(proc.RedoCount(), 1);
  proc.UndoAt(1, false);
  EXPECT_TRUE(view.hasSelection);
  EXPECT_TRUE(view.selection.IsPixelSet(3, 4));
  proc.Redo();
  EXPECT_EQ(view.objects, "nothing");
}

TEST(ProcUndo, LayersAreMatchedByIdentifierAndTheCurrentOneKeepsItsPixels) {
  TFakeView view(6, 4, ie24RGB);
  view.AddLayer(5, 5, ie24RGB);
  FillPicture(*view.Layers()[0].bitmap, false);
  FillPicture(*view.Layers()[1].bitmap, false);
  view.SetCurrent(1);
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);
  proc.SetUndoLimit(5);
  view.Layers()[0].posX = 11;
  view.Layers()[1].posX = 22;
  TIEBitmap layer1;
  layer1.Assign(view.Layers()[1].bitmap.get());
  proc.SaveUndo(ieusLayersWithImage);

  view.Layers()[0].posX = 0;
  view.Layers()[1].posX = 0;
  view.Layers()[1].bitmap->Fill(0);
  view.AddLayer(3, 3, ie8g).posX = 33;  // made after the snapshot: kept
  const int32_t updates = view.updates;
  proc.Undo(false);
  EXPECT_EQ(view.Layers()[0].posX, 11);
  EXPECT_EQ(view.Layers()[1].posX, 22);
  EXPECT_EQ(view.Layers()[2].posX, 33);
  EXPECT_TRUE(SamePicture(*view.Layers()[1].bitmap, layer1));
  EXPECT_GT(view.updates, updates);
}

TEST(ProcUndo, CorruptLayerRecordsEndTheRestoreInsteadOfLoopingOrOverrunning) {
  // Lengths the record cannot have: 0 (a seek by it would never move), negative, shorter than
  // its own header, past the end of the data.
  for (int32_t length : {0, -24, 19, 1 << 20}) {
    SCOPED_TRACE(length);
    TFakeView view(6, 4, ie24RGB);
    view.AddLayer(4, 4, ie24RGB);
    TImageProc proc(nullptr);
    proc.SetAttachedImage(&view);
    proc.SetUndoLimit(5);
    view.Layers()[0].posX = 5;
    view.damagedLength = length;
    proc.SaveUndo(ieusLayers);
    view.damagedLength.reset();
    view.Layers()[0].posX = 0;
    proc.Undo(false);
    // The first record is read up to its header at most; nothing after it is trusted.
    EXPECT_LE(view.layerLoads, 1);
  }
}

TEST(ProcUndo, AnImageSnapshotOfALayerThatIsGoneRestoresIntoTheLastLayer) {
  TFakeView view(6, 4, ie24RGB);
  view.AddLayer(6, 4, ie24RGB);
  view.AddLayer(6, 4, ie24RGB);
  view.SetCurrent(2);
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);
  FillPicture(*view.Layers()[2].bitmap, false);
  TIEBitmap snapshot;
  snapshot.Assign(view.Layers()[2].bitmap.get());
  proc.SaveUndo(ieusImage);
  view.Layers().pop_back();
  view.SetCurrent(0);
  proc.Undo(false);
  EXPECT_TRUE(SamePicture(*view.Layers()[1].bitmap, snapshot));
}

TEST(ProcUndo, LayersAndObjectsGoThroughTheVectorViewOrTheLayersOfAPlainView) {
  for (bool vector : {false, true}) {
    SCOPED_TRACE(vector);
    TFakeView view(6, 4, ie24RGB, true, vector);
    view.AddLayer(3, 3, ie24RGB);
    view.objects = "box";
    TImageProc proc(nullptr);
    proc.SetAttachedImage(&view);
    proc.SaveUndo(ieusObjectsAndLayers);
    view.Layers().pop_back();
    view.objects = "none";
    proc.Undo(false);
    EXPECT_EQ(view.GetLayerCount(), 2);
    EXPECT_EQ(view.objects, vector ? "box" : "none");
  }
}
