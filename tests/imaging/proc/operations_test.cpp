// Every operation of the processing object against the routine it stands on, over the pixel
// formats: the same pixels, one undo entry with its caption, and undo and redo that bring back
// the exact pictures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/nearest_rotation.h"
#include "imaging/model/routines/shear_rotation.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/proc/image_proc.h"
#include "imaging/proc/rect_and_channels.h"
#include "tests/imaging/proc/fake_view.h"
#include "tests/imaging/proc/proc_test_support.h"

using namespace imaging;
using namespace proc_test;

namespace {

constexpr vcl::TColor kBackground = 0x204060;

struct Operation {
  const char* caption;
  std::function<void(TImageProc&)> viaProc;
  std::function<void(TIEBitmap&)> direct;
  bool colourOnly = false;  // asks for ie24RGB: other formats are converted first
};

void ResampleDirect(TIEBitmap& b, int32_t w, int32_t h, TResampleFilter filter) {
  TIEBitmap result(w, h, b.PixelFormat());
  if (b.PixelFormat() == ie8p) b.CopyPaletteTo(&result);
  ResampleBitmapWithAlpha(&b, &result, filter, nullptr, {});
  b.Assign(&result);
}

void CropDirect(TIEBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  TIEBitmap result(w, h, b.PixelFormat());
  if (b.PixelFormat() == ie8p) b.CopyPaletteTo(&result);
  b.CopyRectTo(&result, x1, y1, 0, 0, w, h);
  if (b.HasAlphaChannel()) b.AlphaChannel()->CopyRectTo(result.AlphaChannel(), x1, y1, 0, 0, w, h);
  TIEBitmap alpha;
  if (b.HasAlphaChannel()) alpha.Assign(result.AlphaChannel());
  b.CopyWithoutAlpha(&result);
  if (b.HasAlphaChannel()) b.AlphaChannel()->Assign(&alpha);
}

std::vector<Operation> Operations() {
  return {
      {"Fill", [](TImageProc& p) { p.Fill(0x336699); },
       [](TIEBitmap& b) {
         TRGB c;
         ColorToRGBTriple(0x336699, c);
         FillRectRGB(&b, 0, 0, b.Width(), b.Height(), c, {}, nullptr);
       }},
      {"Clear", [](TImageProc& p) { p.Clear(); }, [](TIEBitmap& b) { b.Fill(double(kBackground)); }},
      {"ImageResize 15,9", [](TImageProc& p) { p.ImageResize(15, 9, TIEHorizontalAlign::Center, TIEVerticalAlign::Bottom, 255); },
       [](TIEBitmap& b) { b.Resize(15, 9, double(kBackground), 255, 1, 2); }},
      {"Resample 22,-1", [](TImageProc& p) { p.Resample(22, -1, rfTriangle); },
       [](TIEBitmap& b) { ResampleDirect(b, 22, 22 * b.Height() / b.Width(), rfTriangle); }},
      {"Resample 5,3", [](TImageProc& p) { p.Resample(5, 3, rfNone); },
       [](TIEBitmap& b) { ResampleDirect(b, 5, 3, rfNone); }},
      {"Rotate 30", [](TImageProc& p) { p.Rotate(TIEDegrees(30), false, rqShear, -1); },
       [](TIEBitmap& b) { RotateBitmapInPlace(&b, double(kBackground), nullptr, {}, 30); }},
      {"Rotate 90", [](TImageProc& p) { p.Rotate(TIEDegrees(90), true, rqShear, 0xFF); },
       [](TIEBitmap& b) {
         if (b.PixelFormat() == ie24RGB || b.PixelFormat() == ie1g)
           ShearRotateBitmap(&b, true, nullptr, {}, TRGB{0, 0, 0xFF}, 90);
         else
           RotateBitmapInPlace(&b, double(0xFF), nullptr, {}, 90);
       }},
      {"Rotate -12.5", [](TImageProc& p) { p.Rotate(TIEDegrees(-12.5), true, rqBilinear, -1); },
       [](TIEBitmap& b) {
         if (b.PixelFormat() == ie24RGB)
           RotateInterpolated24(&b, kBackground, rqBilinear, nullptr, {}, -12.5);
         else if (b.PixelFormat() == ie1g)
           ShearRotateBitmap(&b, true, nullptr, {}, TRGB{0x60, 0x40, 0x20}, -12.5);
         else
           RotateBitmapInPlace(&b, double(kBackground), nullptr, {}, -12.5);
       }},
      {"Crop", [](TImageProc& p) { p.Crop({1, 2, 9, 6}); }, [](TIEBitmap& b) { CropDirect(b, 1, 2, 9, 6); }},
      {"ConvertToGray", [](TImageProc& p) { p.ConvertToGray(); },
       [](TIEBitmap& b) { ConvertRectToGray24(&b, 0, 0, b.Width(), b.Height(), nullptr, {}); }, true},
      {"ConvertTo 2", [](TImageProc& p) { p.ConvertTo(2, false); },
       [](TIEBitmap& b) { ConvertTo1BitOrderedDither(&b, nullptr); }, true},
      {"ConvertTo 1", [](TImageProc& p) { p.ConvertTo(1, true); },
       [](TIEBitmap& b) { ConvertTo1BitThreshold(&b, -1, nullptr); }, true},
      {"ConvertTo 16", [](TImageProc& p) { p.ConvertTo(16, false); },
       [](TIEBitmap& b) { QuantizeToPalette24(&b, 16, {}, nullptr, {}); }, true},
      {"ConvertToPalette", [](TImageProc& p) {
         std::vector<TRGB> palette(8);
         p.ConvertToPalette(8, palette, false);
       },
       [](TIEBitmap& b) {
         std::vector<TRGB> palette(8);
         QuantizeToPalette24(&b, 8, palette, nullptr, {});
       }, true},
  };
}

const TIEPixelFormat kFormats[] = {ie1g, ie8p, ie8g, ie16g, ie24RGB, ie32f, ieCMYK, ieRGB48, ieCIELab, ie32RGB};

}  // namespace

TEST(ProcOperations, EachGivesTheRoutinesPixelsRecordsOneUndoAndUndoesExactly) {
  for (const Operation& op : Operations()) {
    for (TIEPixelFormat format : kFormats) {
      for (bool withAlpha : {false, true}) {
        SCOPED_TRACE(std::string(op.caption) + " format " + std::to_string(format) + (withAlpha ? " alpha" : ""));
        TFakeView view(11, 8, format);
        view.background = kBackground;
        TIEBitmap& picture = *view.Layers()[0].bitmap;
        FillPicture(picture, withAlpha);
        TIEBitmap original, expected;
        original.Assign(&picture);
        expected.Assign(&picture);
        if (op.colourOnly && format != ie24RGB) expected.SetPixelFormat(ie24RGB);
        op.direct(expected);

        TImageProc proc(nullptr);
        proc.SetAutoUndo(true);
        proc.SetAttachedImage(&view);
        int finished = 0;
        proc.OnFinishWork = [&](vcl::TObject*) { ++finished; };
        op.viaProc(proc);
        EXPECT_TRUE(SamePicture(picture, expected));
        EXPECT_EQ(finished, 1);
        EXPECT_GE(view.imageChanges, 1);
        ASSERT_EQ(proc.UndoCount(), 1);
        EXPECT_EQ(proc.GetUndoCaption(0), op.caption);

        proc.Undo(true);
        EXPECT_TRUE(SamePicture(picture, original));
        ASSERT_EQ(proc.RedoCount(), 1);
        proc.Redo();
        EXPECT_TRUE(SamePicture(picture, expected));
      }
    }
  }
}

TEST(ProcOperations, CaptionsCarryTheArgumentsAsPassed) {
  struct Case {
    std::function<void(TImageProc&)> run;
    const char* caption;
  } cases[] = {
      {[](TImageProc& p) { p.Resample(-1, 4, rfBilinear); }, "Resample -1,4"},
      {[](TImageProc& p) { p.Rotate(TIEDegrees(0.1), false, rqShear, 0); }, "Rotate 0.1"},
      {[](TImageProc& p) { p.Rotate(TIEDegrees(-45), false, rqShear, 0); }, "Rotate -45"},
      {[](TImageProc& p) { p.ImageResize(20, 3, TIEHorizontalAlign::Left, TIEVerticalAlign::Top, 255); }, "ImageResize 20,3"},
      {[](TImageProc& p) { p.ConvertTo(300, false); }, "ConvertTo 300"},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap(10, 8, ie24RGB);
    FillPicture(bitmap, false);
    TImageProc proc(nullptr);
    proc.SetAttachedBitmap(&bitmap);
    proc.SetAutoUndo(true);
    c.run(proc);
    EXPECT_EQ(proc.GetUndoCaption(0), c.caption);
  }
}
