// The bitmap routines beside the processing object: scaling with alpha, transparent-pixel
// fill, bit inversion, content comparison, histogram matching, channel reorder, the dialog
// parameters and the module's start-up.
#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/base/startup.h"
#include "imaging/model/routines/filter_presets.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/proc/dialog_params.h"
#include "imaging/proc/image_proc.h"
#include "imaging/proc/proc_startup.h"
#include "imaging/proc/rect_and_channels.h"
#include "tests/imaging/proc/proc_test_support.h"

using namespace imaging;
using namespace proc_test;

TEST(ProcRoutines, ResamplingWithAlphaCopiesAtTheSameSizeAndScalesTheAlphaOtherwise) {
  TIEBitmap source(8, 6, ie24RGB);
  FillPicture(source, true);
  TIEBitmap same(8, 6, ie24RGB);
  ResampleBitmapWithAlpha(&source, &same, rfLanczos3, nullptr, {});
  EXPECT_TRUE(SamePicture(same, source));

  for (TResampleFilter filter : {rfNone, rfTriangle}) {
    TIEBitmap half(4, 3, ie24RGB);
    ResampleBitmapWithAlpha(&source, &half, filter, nullptr, {});
    ASSERT_TRUE(half.HasAlphaChannel()) << filter;
    EXPECT_EQ(half.AlphaChannel()->Width(), 4);
    EXPECT_FALSE(half.AlphaChannel()->Full());
    if (filter == rfNone) {
      EXPECT_EQ(half.GetAlphaAt(1, 1), source.GetAlphaAt(2, 2));
    }
  }
  // 1-bit sources: 1-bit for the projections, 24-bit otherwise.
  TIEBitmap bits(16, 4, ie1g);
  FillPicture(bits, false);
  TIEBitmap projected(8, 2, ie1g), smooth(8, 2, ie1g);
  ResampleBitmapWithAlpha(&bits, &projected, rfProjectBW, nullptr, {});
  ResampleBitmapWithAlpha(&bits, &smooth, rfBilinear, nullptr, {});
  EXPECT_EQ(projected.PixelFormat(), ie1g);
  EXPECT_EQ(smooth.PixelFormat(), ie24RGB);
}

TEST(ProcRoutines, TransparentPixelsTakeTheColourAndBitsInvertWholeRows) {
  TIEBitmap bitmap(3, 2, ie24RGB);
  bitmap.Fill(0);
  bitmap.SetAlphaAt(1, 1, 0);
  FillTransparentPixels(&bitmap, 0x102030);
  EXPECT_EQ(bitmap.GetPixel24(1, 1).r, 0x10);
  EXPECT_EQ(bitmap.GetPixel24(1, 1).b, 0x30);
  EXPECT_EQ(bitmap.GetPixel24(0, 1).r, 0);

  TIEBitmap bits(10, 2, ie1g);
  bits.Fill(0);
  InvertBitmapBits(&bits);
  for (int32_t i = 0; i < bits.RowLen(); ++i) EXPECT_EQ(static_cast<uint8_t*>(bits.Scanline(1))[i], 0xFF);
  uint8_t buffer[3] = {0x0F, 0x00, 0xAA};
  InvertBytes(buffer, 3);
  EXPECT_EQ(buffer[0], 0xF0);
  EXPECT_EQ(buffer[2], 0x55);
}

TEST(ProcRoutines, SameBitmapContentLooksAtSizeFormatPixelsAndAlpha) {
  TIEBitmap a(5, 4, ie24RGB);
  FillPicture(a, false);
  TIEBitmap b;
  b.Assign(&a);
  EXPECT_TRUE(SameBitmapContent(&a, &b));
  b.AlphaChannel();
  EXPECT_FALSE(SameBitmapContent(&a, &b));
  a.AlphaChannel();
  EXPECT_TRUE(SameBitmapContent(&a, &b));
  b.SetAlphaAt(4, 3, 1);
  EXPECT_FALSE(SameBitmapContent(&a, &b));
  // Another format of the same size is never equal, and rows of different lengths are not
  // compared past the shorter one.
  TIEBitmap grey(5, 4, ie8g);
  EXPECT_FALSE(SameBitmapContent(&grey, &a));
}

TEST(ProcRoutines, HistogramMatchingAgainstItselfKeepsTheChannelsClose) {
  // Equalising and inverting the same curve moves a value only where the histogram has rare
  // levels next to each other, and then by a few levels.
  for (TIEPixelFormat format : {ie24RGB, ieRGB48}) {
    TIEBitmap reference(16, 16, ie24RGB);
    FillPicture(reference, false);
    TIEBitmap target(16, 16, ie24RGB);
    target.Assign(&reference);
    if (format == ieRGB48) target.SetPixelFormat(ieRGB48);
    TIEBitmap before;
    before.Assign(&target);
    MatchBitmapHistogram(&reference, &target);
    int64_t moved = 0;
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x) {
        const TRGB was = before.GetPixelRGB(x, y), now = target.GetPixelRGB(x, y);
        EXPECT_LE(std::abs(was.r - now.r), 8) << format;
        EXPECT_LE(std::abs(was.b - now.b), 8) << format;
        moved += std::abs(was.r - now.r) + std::abs(was.g - now.g) + std::abs(was.b - now.b);
      }
    EXPECT_LE(moved, 3 * 256) << format;  // one level per channel on average at most
  }
  // Other formats and an empty reference change nothing.
  TIEBitmap grey(4, 4, ie8g), reference(4, 4, ie24RGB), empty;
  grey.Fill(7);
  FillPicture(reference, false);
  MatchBitmapHistogram(&reference, &grey);
  EXPECT_EQ(grey.GetPixel8(3, 3), 7);
  TIEBitmap target(4, 4, ie24RGB);
  FillPicture(target, false);
  TIEBitmap unchanged;
  unchanged.Assign(&target);
  MatchBitmapHistogram(&empty, &target);
  EXPECT_TRUE(SamePicture(target, unchanged));
}

TEST(ProcRoutines, ChannelReorderPermutesZeroesOrLeavesAlone) {
  struct Case {
    const char* order;
    TRGB expected;  // from blue 10, green 20, red 30
  } cases[] = {
      {"BGR", {10, 20, 30}}, {"rgb", {30, 20, 10}}, {"B0R", {10, 0, 30}},
      {"BBB", {10, 10, 10}}, {"BGX", {10, 20, 30}}, {"BG", {10, 20, 30}},
  };
  for (const Case& c : cases) {
    for (TIEPixelFormat format : {ie24RGB, ieRGB48}) {
      TIEBitmap bitmap(2, 2, ie24RGB);
      bitmap.Fill(double(0x0A141E));  // a TColor: red 30, green 20, blue 10
      if (format == ieRGB48) bitmap.SetPixelFormat(ieRGB48);
      ReorderRGBChannels(&bitmap, c.order, nullptr, {});
      const TRGB got = bitmap.GetPixelRGB(1, 1);
      EXPECT_EQ(got.b, c.expected.b) << c.order << " " << format;
      EXPECT_EQ(got.g, c.expected.g) << c.order << " " << format;
      EXPECT_EQ(got.r, c.expected.r) << c.order << " " << format;
    }
  }
}

TEST(ProcRoutines, DialogParametersStartFromTheirDefaultsAndDropCachedDataOnChange) {
  TIPDialogParams params;
  EXPECT_EQ(params.Param1(), -1);
  EXPECT_EQ(params.Param4(), -1);
  EXPECT_EQ(params.UserFilter.weights[4], 1);
  EXPECT_EQ(params.UserFilter.divisor, 0);
  EXPECT_EQ(params.Colours[1].r, 255);
  EXPECT_EQ(params.Sizes1[3], 150);
  EXPECT_DOUBLE_EQ(params.Real, 1.7);
  EXPECT_EQ(params.Values3[1], 4);
  EXPECT_DOUBLE_EQ(params.Reals[1], 1.0);

  const char data[] = "cached";
  params.CachedData()->WriteBuffer(data, sizeof data);
  params.SetParam3(9);
  EXPECT_EQ(params.CachedData()->Size(), 0);
  params.CachedData()->WriteBuffer(data, sizeof data);
  params.Real = 3;
  params.Reset();
  EXPECT_EQ(params.Param3(), -1);
  EXPECT_DOUBLE_EQ(params.Real, 1.7);
  EXPECT_EQ(params.CachedData()->Size(), 0);

  TImageProc proc(nullptr);
  ASSERT_NE(proc.DialogParams(), nullptr);
  EXPECT_EQ(proc.GetPreviewsParams(), kDefaultPreviewsParams);
}

TEST(ProcRoutines, TheSharedStartUpRegistersTheClipboardFormatAndThePresets) {
  IEStaticInitialize();
  EXPECT_NE(RawClipboardFormat, 0u);
  EXPECT_EQ(FilterPresetCount(), 9);
  IEStaticFinalize();
}
