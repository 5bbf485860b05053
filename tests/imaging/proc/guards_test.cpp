// Requests that would have wiped or overrun the image: sizes that resample to nothing, empty
// crop rectangles, a fully transparent crop, rectangle fills starting before the image, and
// allocations that fail in the middle of an operation.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "imaging/base/startup.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/image_proc.h"
#include "imaging/proc/rect_and_channels.h"
#include "tests/imaging/proc/fake_view.h"
#include "tests/imaging/proc/proc_test_support.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace proc_test;

namespace {

struct Fixture {
  TIEBitmap bitmap;
  TImageProc proc{nullptr};
  Fixture(int32_t w, int32_t h, TIEPixelFormat format = ie24RGB) : bitmap(w, h, format) {
    FillPicture(bitmap, false);
    proc.SetAttachedBitmap(&bitmap);
    proc.SetAutoUndo(true);
  }
};

}  // namespace

TEST(ProcGuards, ResampleSizesResolveTheKeptSideBeforeTheRatio) {
  struct Case {
    int32_t w, h;
    int32_t expectW, expectH;
    int32_t undoEntries;
  } cases[] = {
      {-1, 300, 600, 300, 1}, {0, 50, 400, 50, 1}, {-1, -1, 400, 200, 0},  // (-1, -1) wiped the image
      {-1, 0, 400, 200, 0},                                                // gave 1 x 200 before
      {-800, 0, 800, 200, 1}, {-5, -7, 400, 200, 0}, {400, 200, 400, 200, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "," + std::to_string(c.h));
    Fixture f(400, 200);
    f.proc.Resample(c.w, c.h, rfFastLinear);
    EXPECT_EQ(f.bitmap.Width(), c.expectW);
    EXPECT_EQ(f.bitmap.Height(), c.expectH);
    EXPECT_EQ(f.proc.UndoCount(), c.undoEntries);

    Fixture g(400, 200);
    TIEBitmap dest;
    g.proc.ResampleTo(&dest, c.w, c.h, rfNone);
    if (c.w < 0 && c.h < 0) {
      EXPECT_TRUE(dest.IsEmpty());
    } else {
      EXPECT_EQ(dest.Width(), c.expectW);
      EXPECT_EQ(dest.Height(), c.expectH);
    }
  }
}

TEST(ProcGuards, EmptyCropRectanglesAndFullyTransparentImagesAreLeftAlone) {
  for (TIECropRect rect : {TIECropRect{5, 1, 4, 3}, TIECropRect{1, 5, 3, 4}, TIECropRect{0, 0, 9, 7}}) {
    Fixture f(10, 8);
    TIEBitmap original;
    original.Assign(&f.bitmap);
    f.proc.Crop(rect);
    EXPECT_TRUE(SamePicture(f.bitmap, original));
    EXPECT_EQ(f.proc.UndoCount(), 0);
  }

  Fixture f(10, 8);
  f.bitmap.AlphaChannel()->Fill(0);
  f.bitmap.AlphaChannel()->SetFull(false);
  f.proc.CropToAlphaBounds();
  EXPECT_EQ(f.bitmap.Width(), 10);
  EXPECT_EQ(f.bitmap.Height(), 8);

  // One opaque pixel: a 1 x 1 image, without an undo entry.
  f.bitmap.AlphaChannel()->SetPixel8(5, 7, 200);
  const TRGB pixel = f.bitmap.GetPixel24(5, 7);
  EXPECT_EQ(FindAlphaBounds(&f.bitmap).left, 5);
  f.proc.CropToAlphaBounds();
  ASSERT_EQ(f.bitmap.Width(), 1);
  ASSERT_EQ(f.bitmap.Height(), 1);
  EXPECT_EQ(f.bitmap.GetPixel24(0, 0).g, pixel.g);
  EXPECT_EQ(f.bitmap.AlphaChannel()->GetPixel8(0, 0), 200);
  EXPECT_EQ(f.proc.UndoCount(), 0);
  EXPECT_TRUE(f.proc.AutoUndo());
}

TEST(ProcGuards, ACropReachingPastTheImageShowsTheBackgroundAndTransparency) {
  Fixture f(4, 3);
  f.proc.SetBackground(0x0000FF);
  f.bitmap.AlphaChannel();
  const TRGB corner = f.bitmap.GetPixel24(3, 2);
  f.proc.Crop({2, 1, 6, 4});
  ASSERT_EQ(f.bitmap.Width(), 5);
  ASSERT_EQ(f.bitmap.Height(), 4);
  EXPECT_EQ(f.bitmap.GetPixel24(1, 1).b, corner.b);
  EXPECT_EQ(f.bitmap.AlphaChannel()->GetPixel8(1, 1), 255);
  EXPECT_EQ(f.bitmap.GetPixel24(4, 3).r, 255);
  EXPECT_EQ(f.bitmap.AlphaChannel()->GetPixel8(4, 3), 0);
}

TEST(ProcGuards, RectangleFillsStartingBeforeTheImageAreClamped) {
  TIEBitmap bitmap(10, 10, ie24RGB);
  bitmap.SetLocation(ieMemory);
  bitmap.Allocate(10, 10, ie24RGB);
  FillPicture(bitmap, false);
  TIEBitmap original;
  original.Assign(&bitmap);
  std::vector<int32_t> progress;
  FillRectRGB(&bitmap, -3, -2, 4, 3, TRGB{1, 2, 3}, [&](vcl::TObject*, int32_t per) { progress.push_back(per); },
              nullptr);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const bool inside = x < 4 && y < 3;
      const TRGB got = bitmap.GetPixel24(x, y), was = original.GetPixel24(x, y);
      EXPECT_EQ(got.b, inside ? 1 : was.b) << x << "," << y;
      EXPECT_EQ(got.r, inside ? 3 : was.r) << x << "," << y;
    }
  EXPECT_EQ(progress.back(), 85);  // 3 rows: Trunc(300 / 3.5)

  // Ends past the image are lowered to it; only red decides a 1-bit pixel.
  TIEBitmap bits(10, 10, ie1g);
  bits.Fill(1);
  FillRectRGB(&bits, 0, 0, 20, 3, TRGB{255, 255, 0}, {}, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(bits.Scanline(2))[1] & 0xC0, 0);
  EXPECT_EQ(static_cast<uint8_t*>(bits.Scanline(3))[1] & 0xC0, 0xC0);
}

TEST(ProcGuards, AFillThroughASelectionChangesOnlyTheSelectedPixelsAndNoAlpha) {
  TFakeView view(12, 9, ie24RGB);
  TIEBitmap& picture = *view.Layers()[0].bitmap;
  FillPicture(picture, true);
  TIEBitmap original;
  original.Assign(&picture);
  view.selection.Allocate(12, 9, 1);
  for (int32_t y = 2; y <= 5; ++y)
    for (int32_t x = 3; x <= 8; ++x)
      if ((x + y) % 3) view.selection.SetPixel(x, y, 1);
  view.hasSelection = true;
  TImageProc proc(nullptr);
  proc.SetAttachedImage(&view);
  proc.Fill(0x00FF00);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      const bool selected = view.selection.IsPixelSet(x, y);
      EXPECT_EQ(picture.GetPixel24(x, y).g, selected ? 255 : original.GetPixel24(x, y).g) << x << "," << y;
      EXPECT_EQ(picture.GetAlphaAt(x, y), original.GetAlphaAt(x, y)) << x << "," << y;
    }
}

TEST(ProcGuards, ImageResizeToTheSameSizeDoesNothingAndFillAlphaMakesTheNewAreaTransparent) {
  Fixture f(6, 4);
  f.proc.ImageResize(6, 4, TIEHorizontalAlign::Left, TIEVerticalAlign::Top, 0);
  EXPECT_EQ(f.proc.UndoCount(), 0);
  EXPECT_FALSE(f.bitmap.HasAlphaChannel());
  f.proc.ImageResize(8, 5, TIEHorizontalAlign::Left, TIEVerticalAlign::Top, 0);
  ASSERT_TRUE(f.bitmap.HasAlphaChannel());
  EXPECT_EQ(f.bitmap.GetAlphaAt(5, 3), 255);
  EXPECT_EQ(f.bitmap.GetAlphaAt(7, 4), 0);
  EXPECT_EQ(f.proc.UndoCount(), 1);
  f.proc.ImageResize(0, 5, TIEHorizontalAlign::Left, TIEVerticalAlign::Top, 255);
  f.proc.ImageResize(-3, 5, TIEHorizontalAlign::Left, TIEVerticalAlign::Top, 255);
  EXPECT_EQ(f.bitmap.Width(), 8);
}

namespace {

int64_t failFrom = std::numeric_limits<int64_t>::max();
void* LimitedAllocator(uint8_t kind, int64_t size) {
  return size >= failFrom ? nullptr : IEDefaultBlockAllocator(kind, size);
}

class FailingAllocation : public ::testing::Test {
 protected:
  void SetUp() override {
    IEBitmapBlockAllocator = LimitedAllocator;
    BitmapFileFallback = false;
  }
  void TearDown() override {
    failFrom = std::numeric_limits<int64_t>::max();
    IEBitmapBlockAllocator = IEDefaultBlockAllocator;
    BitmapFileFallback = true;
  }
};

}  // namespace

TEST_F(FailingAllocation, AnOperationThatCannotGetItsWorkBitmapRaisesAndLeavesTheImageWhole) {
  struct Case {
    const char* what;
    std::function<void(TImageProc&)> run;
  } cases[] = {
      {"Resample", [](TImageProc& p) { p.Resample(3000, 3000, rfTriangle); }},
      {"ResampleTo", [](TImageProc& p) {
         TIEBitmap dest;
         p.ResampleTo(&dest, 3000, 3000, rfNone);
       }},
      {"Crop", [](TImageProc& p) { p.Crop({0, 0, 2999, 2999}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TIEBitmap bitmap;
    bitmap.SetMemoryThreshold(std::numeric_limits<int64_t>::max());
    bitmap.SetLocation(ieMemory);
    ASSERT_TRUE(bitmap.Allocate(40, 30, ie24RGB));
    FillPicture(bitmap, true);
    TIEBitmap original;
    original.Assign(&bitmap);
    TImageProc proc(nullptr);
    proc.SetAttachedBitmap(&bitmap);
    failFrom = 1 << 20;
    EXPECT_THROW(c.run(proc), vcl::EOutOfMemory);
    failFrom = std::numeric_limits<int64_t>::max();
    EXPECT_TRUE(SamePicture(bitmap, original));
    // The component keeps working.
    proc.Resample(20, 15, rfNone);
    EXPECT_EQ(bitmap.Width(), 20);
  }
}
