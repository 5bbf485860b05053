// Undo snapshots taken at a press and withdrawn when nothing changed, in the view's own list
// and in the processing undo; objects through the real clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/proc/image_proc.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/vect_startup.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace vect_test;

namespace {

using VectUndo = VectWindow;
using VectClipboard = VectWindow;

TEST_F(VectUndo, SnapshotsFollowAutoUndoAndTheLimit) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBox);
  Drag(10, 10, 40, 40);
  EXPECT_EQ(view->ObjUndoCount(), 0);  // ObjAutoUndo is off by default
  EXPECT_FALSE(view->UndoSavedAtPress());

  view->SetObjAutoUndo(true);
  Drag(50, 50, 80, 80);
  const std::vector<uint8_t> two = SavedObjects(view);
  Drag(90, 20, 120, 60);
  // Limit 1: the state before the last change only.
  ASSERT_EQ(view->ObjUndoCount(), 1);
  ASSERT_TRUE(view->ObjUndo());
  EXPECT_EQ(SavedObjects(view), two);
  EXPECT_FALSE(view->ObjUndo());

  view->SetObjUndoLimit(3);
  Drag(90, 20, 120, 60);
  Drag(130, 20, 150, 60);
  ASSERT_EQ(view->ObjUndoCount(), 2);
  view->ObjUndo();
  view->ObjUndo();
  EXPECT_EQ(SavedObjects(view), two);

  // Limit 0: nothing is stored, but the press still notes that it asked for a snapshot.
  view->SetObjUndoLimit(0);
  SendMessageA(view->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 90));
  EXPECT_TRUE(view->UndoSavedAtPress());
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(40, 120));
  EXPECT_EQ(view->ObjUndoCount(), 0);
}

TEST_F(VectUndo, APressThatChangesNothingWithdrawsItsSnapshot) {
  MakeView();
  view->SetObjAutoUndo(true);
  view->SetObjUndoLimit(5);
  view->SetMouseInteractVt(vmDrawBox);
  Drag(10, 10, 40, 40);
  ASSERT_EQ(view->ObjUndoCount(), 1);
  view->SetMouseInteractVt(vmSelectObjects);
  Click(150, 120);  // empty space
  Click(10, 17);    // on the box's edge: only selects
  ASSERT_EQ(view->SelObjectsCount(), 1);
  EXPECT_EQ(view->ObjUndoCount(), 1);
  Drag(10, 17, 40, 50);  // moves the box
  EXPECT_NE(view->GetObjectRecord(0)->X1, 10);
  EXPECT_EQ(view->ObjUndoCount(), 2);
}

TEST_F(VectUndo, SharedModeWithdrawsTheNewestVectorEntryOnly) {
  MakeView();
  view->SetObjAutoUndo(true);
  view->SetObjUndoMode(ieumShared);
  TImageProc* proc = view->GetProc();
  proc->SetUndoLimit(10);
  view->SetMouseInteractVt(vmDrawBox);
  Drag(10, 10, 40, 40);
  ASSERT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(proc->GetUndoKindAt(0), ieusObjects);
  proc->SaveUndo(ieusImage);  // an image entry newer than the vector one
  view->SetMouseInteractVt(vmSelectObjects);
  Click(150, 120);
  // The click's own snapshot went; the image entry and the first vector entry stay.
  ASSERT_EQ(proc->UndoCount(), 2);
  EXPECT_EQ(proc->GetUndoKindAt(0), ieusObjects);
  EXPECT_EQ(proc->GetUndoKindAt(1), ieusImage);
  EXPECT_EQ(view->ObjUndoCount(), 0);

  // The processing undo restores the objects through the stream.
  const int32_t before = view->ObjectsCount();
  view->SetMouseInteractVt(vmDrawBox);
  Drag(60, 60, 90, 90);
  ASSERT_EQ(view->ObjectsCount(), before + 1);
  proc->Undo(false);
  EXPECT_EQ(view->ObjectsCount(), before);
}

TEST_F(VectClipboard, CopiedObjectsPasteIntoAnotherViewIdentically) {
  MakeView();
  AddObjectsOfEveryKind(view);
  for (int32_t i = 0; i < view->ObjectsCount(); ++i) view->SelObject(i);
  view->CopyObjectsToClipboard();
  ASSERT_TRUE(IsClipboardFormatAvailable(ClipboardFormatVect()));
  char name[64] = {};
  GetClipboardFormatNameA(ClipboardFormatVect(), name, sizeof(name));
  EXPECT_STREQ(name, "IMAGING VECT");

  TImageVect* source = view;
  auto keep = std::move(form);
  MakeView();
  view->Template().Kind = vkBox;
  view->AddNewObject();  // pasted objects come after what the view holds
  ASSERT_TRUE(view->PasteObjectsFromClipboard());
  ASSERT_EQ(view->ObjectsCount(), source->ObjectsCount() + 1);
  EXPECT_EQ(view->SelObjectsCount(), source->ObjectsCount());
  for (int32_t i = 0; i < source->ObjectsCount(); ++i)
    ExpectSameObject(*source->GetObjectRecord(i), *view->GetObjectRecord(i + 1), "object " + std::to_string(i));
  EXPECT_EQ(PixelAt(view->GetObjBitmap(5), 2, 2), PixelAt(source->GetObjBitmap(4), 2, 2));
  keep.reset();
}

TEST_F(VectClipboard, ADamagedBlockIsRefusedAndAddsNothing) {
  MakeView();
  AddObjectsOfEveryKind(view);
  view->SelObject(3);
  view->CopyObjectsToClipboard();
  // Another program puts a cut block under the same format name.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE block = GetClipboardData(ClipboardFormatVect());
  std::vector<uint8_t> bytes(GlobalSize(block));
  std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
  GlobalUnlock(block);
  const std::vector<std::vector<uint8_t>> damaged = {
      std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2), std::vector<uint8_t>{'I', 'E'}};
  CloseClipboard();
  for (const auto& data : damaged) {
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, data.size());
    std::memcpy(GlobalLock(copy), data.data(), data.size());
    GlobalUnlock(copy);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(ClipboardFormatVect(), copy);
    CloseClipboard();
    const int32_t count = view->ObjectsCount();
    EXPECT_THROW(view->PasteObjectsFromClipboard(), vcl::Exception);
    EXPECT_EQ(view->ObjectsCount(), count);
  }
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(view->PasteObjectsFromClipboard());
}

}  // namespace
