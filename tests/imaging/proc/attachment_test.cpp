// What the processing object works on (its own bitmap, a given one, a view's, a view's platform
// bitmap, an image control's picture) and what happens when any of them goes, in any order.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/proc/image_proc.h"
#include "tests/imaging/proc/fake_view.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/picture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace imaging;
using namespace proc_test;

namespace {

vcl::TBitmap* MakePlatformBitmap(vcl::TBitmap& bitmap, int w, int h, vcl::TColor colour) {
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetWidth(w);
  bitmap.SetHeight(h);
  bitmap.Canvas()->Brush()->SetColor(colour);
  bitmap.Canvas()->FillRect(vcl::TRect{0, 0, w, h});
  return &bitmap;
}

}  // namespace

TEST(ProcAttachment, AutoUndoFollowsTheOwnerAndAFreshComponentOwnsAnEmptyBitmap) {
  vcl::TComponent owner(nullptr);
  auto* owned = new TImageProc(&owner);
  EXPECT_TRUE(owned->AutoUndo());
  TImageProc free(nullptr);
  EXPECT_FALSE(free.AutoUndo());
  ASSERT_NE(free.WorkingBitmap(), nullptr);
  EXPECT_TRUE(free.OwnsWorkingBitmap());
  EXPECT_TRUE(free.WorkingBitmap()->IsEmpty());

  TIEBitmap given(4, 4, ie24RGB);
  auto fromBitmap = TImageProc::CreateFromBitmap(&given);
  EXPECT_FALSE(fromBitmap->AutoUndo());
  EXPECT_EQ(fromBitmap->WorkingBitmap(), &given);
  EXPECT_FALSE(fromBitmap->OwnsWorkingBitmap());

  // Its own bitmap handed back to it stays its own, alive.
  TIEBitmap* own = free.WorkingBitmap();
  free.SetAttachedBitmap(own);
  EXPECT_EQ(free.WorkingBitmap(), own);
  EXPECT_TRUE(free.OwnsWorkingBitmap());
  own->Allocate(2, 2, ie8g);
  free.Fill(0xFFFFFF);
  EXPECT_EQ(own->GetPixel8(1, 1), 255);
}

TEST(ProcAttachment, AViewsCurrentBitmapIsFollowedAndTheViewsEndLeavesNoPointerIntoIt) {
  struct Case {
    const char* what;
    bool ownedByView;
  } cases[] = {{"component without owner", false}, {"component owned by the view", true}};
  for (const Case& c : cases) {
    auto view = std::make_unique<TFakeView>(8, 6, ie24RGB);
    view->AddLayer(5, 5, ie8g);
    std::unique_ptr<TImageProc> free;
    TImageProc* proc = c.ownedByView ? new TImageProc(view.get()) : (free = std::make_unique<TImageProc>(nullptr)).get();
    proc->SetAttachedImage(view.get());
    EXPECT_EQ(proc->WorkingBitmap(), view->Layers()[0].bitmap.get()) << c.what;
    EXPECT_FALSE(proc->OwnsWorkingBitmap()) << c.what;
    EXPECT_EQ(view->HandlerCount(), 1) << c.what;

    view->SetCurrent(1);
    EXPECT_EQ(proc->WorkingBitmap(), view->Layers()[1].bitmap.get()) << c.what;

    view.reset();
    if (!c.ownedByView) {
      // The component falls back to a bitmap of its own and keeps working.
      EXPECT_EQ(proc->AttachedImage(), nullptr) << c.what;
      EXPECT_TRUE(proc->OwnsWorkingBitmap()) << c.what;
      EXPECT_TRUE(proc->WorkingBitmap()->IsEmpty()) << c.what;
      proc->WorkingBitmap()->Allocate(3, 3, ie24RGB);
      proc->Fill(0x0000FF);
      EXPECT_EQ(proc->WorkingBitmap()->GetPixel24(2, 2).r, 255) << c.what;
    }
  }
}

TEST(ProcAttachment, DetachingAndReattachingInAnyOrderLeavesTheViewsWithoutHandlers) {
  TFakeView a(4, 4, ie24RGB), b(6, 6, ie24RGB);
  TIEBitmap given(2, 2, ie8g);
  {
    TImageProc proc(nullptr);
    proc.SetAttachedImage(&a);
    proc.SetAttachedImage(&b);
    EXPECT_EQ(a.HandlerCount(), 0);
    EXPECT_EQ(b.HandlerCount(), 1);
    proc.SetAttachedBitmap(nullptr);  // a view is attached: kept
    EXPECT_EQ(proc.AttachedImage(), &b);
    proc.SetAttachedBitmap(&given);
    EXPECT_EQ(b.HandlerCount(), 0);
    EXPECT_EQ(proc.AttachedImage(), nullptr);
    EXPECT_EQ(proc.WorkingBitmap(), &given);
    proc.SetAttachedImage(&a);
    proc.SetAttachedImage(nullptr);
    EXPECT_EQ(a.HandlerCount(), 0);
    EXPECT_TRUE(proc.OwnsWorkingBitmap());
    proc.SetAttachedImage(&b);
  }
  // The component went first: it took its handler with it.
  EXPECT_EQ(b.HandlerCount(), 0);
  EXPECT_EQ(given.Width(), 2);
}

TEST(ProcAttachment, AViewWithAPlatformBitmapOnlyIsEditedThroughAWrapperThatNeverFreesIt) {
  vcl::TBitmap platform;
  MakePlatformBitmap(platform, 5, 4, 0x000000);
  auto view = std::make_unique<TFakeView>(1, 1, ie24RGB);
  view->showPlatformBitmapOnly = true;
  view->platformBitmap = &platform;
  TImageProc proc(nullptr);
  proc.SetAttachedImage(view.get());
  EXPECT_TRUE(proc.OwnsWorkingBitmap());
  EXPECT_EQ(proc.LinkedVclBitmap(), &platform);
  proc.Fill(0x00FF00);
  EXPECT_EQ(platform.Canvas()->Pixels(2, 2), vcl::TColor(0x00FF00));
  EXPECT_EQ(view->updates, 1);

  // The view changes its bitmap: the wrapper follows, and the old one stays alive.
  vcl::TBitmap other;
  MakePlatformBitmap(other, 3, 3, 0xFFFFFF);
  view->platformBitmap = &other;
  view->SetCurrent(0);
  EXPECT_EQ(proc.LinkedVclBitmap(), &other);
  EXPECT_EQ(proc.WorkingBitmap()->Width(), 3);
  proc.SetAttachedImage(nullptr);
  EXPECT_EQ(platform.Width(), 5);
  EXPECT_EQ(other.Width(), 3);
}

TEST(ProcAttachment, AnImageControlGetsAWrapperOfItsOwnAndTheViewsPixelsStay) {
  TFakeView view(4, 4, ie24RGB);
  view.Layers()[0].bitmap->Fill(double(0x112233));
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);

  auto image = std::make_unique<vcl::TImage>(nullptr);
  MakePlatformBitmap(*image->Picture()->Bitmap(), 6, 2, 0x000000);
  int changes = 0;
  image->Picture()->Bitmap()->OnChange = [&](vcl::TObject*) { ++changes; };
  proc.SetAttachedTImage(image.get());
  // The view's bitmap was not used as the wrapper: its pixels are all there.
  EXPECT_EQ(view.Layers()[0].bitmap->Width(), 4);
  EXPECT_EQ(view.Layers()[0].bitmap->GetPixel24(3, 3).r, 0x33);
  EXPECT_EQ(view.HandlerCount(), 0);
  EXPECT_EQ(proc.WorkingBitmap()->Width(), 6);

  // An operation repaints the control, and the wrapper carries no alpha channel afterwards.
  proc.WorkingBitmap()->AlphaChannel();
  proc.Fill(0x0000FF);
  EXPECT_GT(changes, 0);
  EXPECT_FALSE(proc.WorkingBitmap()->HasAlphaChannel());
  EXPECT_EQ(image->Picture()->Bitmap()->Canvas()->Pixels(5, 1), vcl::TColor(0x0000FF));

  // Detaching with nil leaves the picture as it is.
  proc.SetAttachedTImage(nullptr);
  EXPECT_EQ(image->Picture()->Bitmap()->Width(), 6);
  EXPECT_EQ(image->Picture()->Bitmap()->Canvas()->Pixels(0, 0), vcl::TColor(0x0000FF));

  // The control goes while attached: the component forgets it and works on its own bitmap.
  proc.SetAttachedTImage(image.get());
  image.reset();
  EXPECT_EQ(proc.AttachedTImage(), nullptr);
  EXPECT_EQ(proc.LinkedVclBitmap(), nullptr);
  EXPECT_TRUE(proc.WorkingBitmap()->IsEmpty());
  proc.Fill(0);
}

TEST(ProcAttachment, TheBackgroundBelongsToTheViewWhileOneIsAttached) {
  TFakeView view(2, 2, ie24RGB);
  view.background = 0x445566;
  TImageProc proc(nullptr);
  EXPECT_EQ(proc.GetBackground(), 0);
  proc.SetBackground(0x010203);
  proc.SetAttachedImage(&view);
  EXPECT_EQ(proc.GetBackground(), 0x445566);
  proc.SetBackground(0x778899);
  EXPECT_EQ(view.background, 0x778899);
  proc.SetAttachedImage(nullptr);
  EXPECT_EQ(proc.GetBackground(), 0x010203);
}

TEST(ProcAttachment, PixelFormatsAreConvertedByTheFallbackTable) {
  struct Case {
    TIEPixelFormat from;
    TIEPixelFormatSet allowed;
    bool autoConvert;
    bool result;
    TIEPixelFormat after;
  } cases[] = {
      {ie8p, {ie24RGB}, true, true, ie24RGB},
      {ie8p, {ie24RGB}, false, false, ie8p},
      {ie32RGB, {ie16g, ie1g}, true, true, ie16g},  // none of its row: the descending scan
      {ie1g, {ie24RGB, ie8g}, true, true, ie8g},     // the row's order, not the set's
      {ie24RGB, {}, false, true, ie24RGB},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap(4, 3, c.from);
    TImageProc proc(nullptr);
    proc.SetAttachedBitmap(&bitmap);
    proc.SetAutoConvertFormat(c.autoConvert);
    EXPECT_EQ(proc.EnsurePixelFormat(c.allowed), c.result) << c.from;
    EXPECT_EQ(bitmap.PixelFormat(), c.after) << c.from;
  }
}

TEST(ProcAttachment, FinishReportsOneHundredBeforeTheFinishEvent) {
  TImageProc proc(nullptr);
  std::string log;
  proc.OnProgress = [&](vcl::TObject* sender, int32_t per) {
    EXPECT_EQ(sender, &proc);
    log += std::to_string(per) + ";";
  };
  proc.OnFinishWork = [&](vcl::TObject*) { log += "finish"; };
  proc.DoFinishWork();
  EXPECT_EQ(log, "100;finish");
}

TEST(ProcAttachment, APictureWhoseBitmapIsReplacedIsFollowedNotTheOldOne) {
  vcl::TImage image(nullptr);
  MakePlatformBitmap(*image.Picture()->Bitmap(), 4, 4, 0x000000);
  TImageProc proc(nullptr);
  proc.SetAttachedTImage(&image);
  vcl::TBitmap replacement;
  MakePlatformBitmap(replacement, 7, 3, 0xFFFFFF);
  image.Picture()->SetBitmap(&replacement);  // the picture frees its old bitmap
  proc.Fill(0xFF0000);
  EXPECT_EQ(proc.LinkedVclBitmap(), image.Picture()->Bitmap());
  EXPECT_EQ(proc.WorkingBitmap()->Width(), 7);
  EXPECT_EQ(image.Picture()->Bitmap()->Canvas()->Pixels(6, 2), vcl::TColor(0xFF0000));
}

TEST(ProcAttachment, ProgressIsReportedOnTheCallersThreadAndEndsAtOneHundred) {
  TIEBitmap bitmap(900, 700, ie24RGB);
  bitmap.Fill(double(0x336699));
  TImageProc proc(nullptr);
  proc.SetAttachedBitmap(&bitmap);
  const DWORD caller = GetCurrentThreadId();
  std::vector<int32_t> values;
  bool otherThread = false;
  proc.OnProgress = [&](vcl::TObject*, int32_t per) {
    otherThread |= GetCurrentThreadId() != caller;
    values.push_back(per);
  };
  proc.Resample(1500, 1100, rfLanczos3);
  ASSERT_FALSE(values.empty());
  EXPECT_FALSE(otherThread);
  EXPECT_EQ(values.back(), 100);
  for (int32_t per : values) {
    EXPECT_GE(per, 0);
    EXPECT_LE(per, 100);
  }
}

TEST(ProcAttachment, UndoOnAnImageControlBringsThePictureBack) {
  vcl::TImage image(nullptr);
  MakePlatformBitmap(*image.Picture()->Bitmap(), 5, 4, 0x00FF00);
  TImageProc proc(nullptr);
  proc.SetAutoUndo(true);
  proc.SetAttachedTImage(&image);
  proc.Fill(0x0000FF);
  EXPECT_EQ(image.Picture()->Bitmap()->Canvas()->Pixels(1, 1), vcl::TColor(0x0000FF));
  proc.Undo(true);
  EXPECT_EQ(image.Picture()->Bitmap()->Canvas()->Pixels(1, 1), vcl::TColor(0x00FF00));
  proc.Redo();
  EXPECT_EQ(image.Picture()->Bitmap()->Canvas()->Pixels(4, 3), vcl::TColor(0x0000FF));
}
