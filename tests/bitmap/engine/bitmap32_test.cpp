#include "bitmap/engine/bitmap32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/transfer.h"
#include "vcl/runtime/exceptions.h"
#include "tests/bitmap/engine/bitmap32_pixels.h"

using namespace bitmap;

namespace {

// Counts the signals a bitmap sends.
struct Signals {
  int changes = 0, resizes = 0, handles = 0;
  void Watch(TBitmap32& b) {
    b.OnChange = [this](vcl::TObject*) { ++changes; };
    b.OnResize = [this](vcl::TObject*) { ++resizes; };
    b.OnHandleChanged = [this](vcl::TObject*) { ++handles; };
  }
};

// A bitmap whose pixel (x, y) is y * 16 + x + 1 with alpha 0x80.
void FillNumbered(TBitmap32& b, int32_t w, int32_t h) {
  b.SetSize(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) *b.PixelPtr(x, y) = 0x80000000u | TColor32(y * 16 + x + 1);
}

}  // namespace

TEST(Bitmap32, CreatedEmptyWithDefaults) {
  TBitmap32 b;
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_EQ(b.Handle(), nullptr);
  EXPECT_EQ(b.DC(), nullptr);
  EXPECT_EQ(b.DrawMode(), dmOpaque);
  EXPECT_EQ(b.MasterAlpha(), 255u);
  EXPECT_EQ(b.StretchFilter(), sfNearest);
  EXPECT_EQ(b.OuterColor(), 0u);
  EXPECT_FALSE(b.OnPixelCombine.Assigned());
  EXPECT_EQ(b.BitmapInfo().bmiHeader.biSize, 40u);
  EXPECT_EQ(b.BitmapInfo().bmiHeader.biBitCount, 32);
}

TEST(Bitmap32, SetSizeMakesStorageAndSignals) {
  TBitmap32 b;
  Signals s;
  s.Watch(b);
  EXPECT_TRUE(b.SetSize(4, 3));
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_NE(b.Bits(), nullptr);
  EXPECT_NE(b.Handle(), nullptr);
  EXPECT_NE(b.DC(), nullptr);
  EXPECT_EQ(b.BitmapInfo().bmiHeader.biHeight, -3);  // top-down rows
  EXPECT_EQ((std::vector<int>{s.changes, s.resizes, s.handles}), (std::vector<int>{1, 1, 1}));

  EXPECT_FALSE(b.SetSize(4, 3));  // the same size signals nothing
  EXPECT_EQ((std::vector<int>{s.changes, s.resizes, s.handles}), (std::vector<int>{1, 1, 1}));

  EXPECT_TRUE(b.SetSize(-5, 10));
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 10);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_EQ(b.Handle(), nullptr);
  EXPECT_EQ(s.handles, 2);
}

TEST(Bitmap32, UpdatesSuppressChangesAndMustPair) {
  TBitmap32 b;
  Signals s;
  s.Watch(b);
  b.BeginUpdate();
  b.SetSize(2, 2);
  b.FillColor(1);
  b.EndUpdate();
  EXPECT_EQ(s.changes, 0);
  EXPECT_EQ(s.resizes, 1);  // resizes are not bracketed
  try {
    b.EndUpdate();
    FAIL() << "no assertion";
  } catch (const vcl::EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Unpaired TThreadPersistent.EndUpdate");
  }
}

TEST(Bitmap32, TooLargeASizeFailsCleanly) {
  TBitmap32 b;
  Signals s;
  s.Watch(b);
  b.SetSize(2, 2);
  try {
    b.SetSize(100000, 100000);
    FAIL() << "no exception";
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(e.Message(), "Can't allocate the DIB handle");
  }
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(s.handles, 2);  // told of the lost storage too
}

TEST(Bitmap32, PlatformDrawingAndPixelsShareTheMemory) {
  TBitmap32 b;
  b.SetSize(8, 8);
  b.FillColor(0xFF000000u);
  HBRUSH brush = CreateSolidBrush(RGB(0xFF, 0x20, 0x10));
  RECT r{2, 3, 5, 6};
  ::FillRect(b.DC(), &r, brush);
  DeleteObject(brush);
  GdiFlush();
  EXPECT_EQ(*b.PixelPtr(2, 3) & 0x00FFFFFFu, 0x00FF2010u);
  EXPECT_EQ(*b.PixelPtr(4, 5) & 0x00FFFFFFu, 0x00FF2010u);
  EXPECT_EQ(*b.PixelPtr(5, 5), 0xFF000000u);
  EXPECT_EQ(b.ScanLine(3) + 2, b.PixelPtr(2, 3));

  TBitmap32 copy;
  copy.SetSize(8, 8);
  copy.FillColor(0);
  b.DrawToDC(copy.DC(), 0, 0);
  GdiFlush();
  EXPECT_EQ(*copy.PixelPtr(3, 4) & 0x00FFFFFFu, 0x00FF2010u);
}

TEST(Bitmap32, PixelSafeAndBounds) {
  TBitmap32 b;
  FillNumbered(b, 3, 2);
  b.SetOuterColor(0xDEADBEEFu);
  EXPECT_EQ(b.GetPixelSafe(2, 1), 0x80000000u | 19);
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}})
    EXPECT_EQ(b.GetPixelSafe(x, y), 0xDEADBEEFu) << x << "," << y;
  EXPECT_EQ(b.BoundsRect(), (TRect{0, 0, 3, 2}));
}

TEST(Bitmap32, Fills) {
  TBitmap32 empty;
  Signals es;
  es.Watch(empty);
  empty.FillColor(5);
  EXPECT_EQ(es.changes, 0);

  const struct { int32_t x1, y1, x2, y2; int filled; bool signals; } cases[] = {
      {-10, -10, 5, 5, 25, true},     // the corner
      {20, 0, 25, 5, 0, false},       // past the right edge
      {0, 20, 5, 25, 0, false},
      {-5, 0, 0, 5, 0, false},        // ends at the left edge
      {5, 5, 5, 9, 0, false},         // no width
      {18, 18, 30, 30, 4, true},
      {-1, -1, 100, 100, 400, true},
  };
  for (const auto& c : cases) {
    TBitmap32 b;
    b.SetSize(20, 20);
    b.FillColor(0);
    Signals s;
    s.Watch(b);
    b.FillRectClipped(c.x1, c.y1, c.x2, c.y2, 7);
    const auto px = bitmap_test::PixelsOf(b);
    EXPECT_EQ(std::count(px.begin(), px.end(), 7u), c.filled) << c.x1 << "," << c.y1;
    EXPECT_EQ(s.changes, c.signals ? 1 : 0);
  }

  TBitmap32 b;
  b.SetSize(4, 4);
  b.FillColor(0);
  b.FillRect(-3, 1, 99, 2, 9);  // kept inside the pixels
  const auto px = bitmap_test::PixelsOf(b);
  EXPECT_EQ(std::count(px.begin(), px.end(), 9u), 4);
  EXPECT_EQ(*b.PixelPtr(0, 1), 9u);

  b.FillColor(0x00123456u);
  b.ResetAlpha();
  EXPECT_EQ(*b.PixelPtr(3, 3), 0xFF123456u);
}

TEST(Bitmap32, SettersSignalOnlyRealChanges) {
  TBitmap32 b;
  Signals s;
  s.Watch(b);
  b.SetDrawMode(dmOpaque);
  b.SetMasterAlpha(255);
  b.SetStretchFilter(sfNearest);
  EXPECT_EQ(s.changes, 0);
  b.SetDrawMode(dmBlend);
  b.SetMasterAlpha(128);
  b.SetStretchFilter(sfLanczos);
  EXPECT_EQ(s.changes, 3);
}

TEST(Bitmap32, AssignCopiesPixelsAndSettingsWithOneSignal) {
  TBitmap32 src;
  FillNumbered(src, 5, 4);
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(77);
  src.SetStretchFilter(sfSpline);
  src.SetOuterColor(0x11);
  src.OnPixelCombine = BlendModeCombineEvent(2);

  TBitmap32 dst;
  Signals s;
  s.Watch(dst);
  dst.Assign(&src);
  EXPECT_EQ(bitmap_test::PixelsOf(dst), bitmap_test::PixelsOf(src));
  EXPECT_EQ(dst.DrawMode(), dmCustom);
  EXPECT_EQ(dst.MasterAlpha(), 77u);
  EXPECT_EQ(dst.StretchFilter(), sfSpline);
  EXPECT_EQ(dst.OuterColor(), 0x11u);
  EXPECT_FALSE(dst.OnPixelCombine.Assigned());  // events stay
  EXPECT_EQ(s.changes, 1);

  dst.Assign(nullptr);
  EXPECT_TRUE(dst.IsEmpty());
  EXPECT_EQ(dst.Width(), 0);
  EXPECT_THROW(dst.Assign(new vcl::TPersistent()), vcl::EConvertError);
}

TEST(Bitmap32, RotateClockwise) {
  TBitmap32 b;
  FillNumbered(b, 3, 2);
  b.SetMasterAlpha(99);
  b.SetDrawMode(dmBlend);
  const TColor32 p00 = *b.PixelPtr(0, 0), p21 = *b.PixelPtr(2, 1);

  TBitmap32 into;
  Signals s;
  s.Watch(into);
  b.Rotate90(&into);
  EXPECT_EQ(into.Width(), 2);
  EXPECT_EQ(into.Height(), 3);
  EXPECT_EQ(*into.PixelPtr(1, 0), p00);
  EXPECT_EQ(*into.PixelPtr(0, 2), p21);
  EXPECT_EQ(s.changes, 1);

  for (TBitmap32* target : {static_cast<TBitmap32*>(nullptr), &b}) {  // in place, both ways
    TBitmap32 c;
    c.Assign(&b);
    c.Rotate90(target == &b ? &c : nullptr);
    EXPECT_EQ(bitmap_test::PixelsOf(c), bitmap_test::PixelsOf(into));
    EXPECT_EQ(c.Width(), 2);
    EXPECT_EQ(c.MasterAlpha(), 99u);  // the settings survive
    EXPECT_EQ(c.DrawMode(), dmBlend);
  }
}

TEST(Bitmap32, Flips) {
  TBitmap32 b;
  FillNumbered(b, 3, 3);
  TBitmap32 h, v;
  b.FlipHorizontal(&h);
  b.FlipVertical(&v);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      EXPECT_EQ(*h.PixelPtr(2 - x, y), *b.PixelPtr(x, y));
      EXPECT_EQ(*v.PixelPtr(x, 2 - y), *b.PixelPtr(x, y));
    }
  TBitmap32 inPlace;
  inPlace.Assign(&b);
  inPlace.FlipHorizontal();
  EXPECT_EQ(bitmap_test::PixelsOf(inPlace), bitmap_test::PixelsOf(h));
  inPlace.Assign(&b);
  inPlace.FlipVertical(&inPlace);
  EXPECT_EQ(bitmap_test::PixelsOf(inPlace), bitmap_test::PixelsOf(v));

  // One column or one row stays as it is.
  for (auto [w, hgt] : {std::pair{1, 4}, {4, 1}}) {
    TBitmap32 thin, before;
    FillNumbered(thin, w, hgt);
    before.Assign(&thin);
    if (w == 1) thin.FlipHorizontal(); else thin.FlipVertical();
    EXPECT_EQ(bitmap_test::PixelsOf(thin), bitmap_test::PixelsOf(before));
  }

  // Into another bitmap the vertical flip is not bracketed: the resize signals too.
  TBitmap32 target;
  Signals s;
  s.Watch(target);
  b.FlipVertical(&target);
  EXPECT_EQ(s.changes, 2);
  TBitmap32 target2;
  Signals s2;
  s2.Watch(target2);
  b.FlipHorizontal(&target2);
  EXPECT_EQ(s2.changes, 1);
}

TEST(Bitmap32, DataStream) {
  TBitmap32 b;
  b.SetSize(2, 1);
  *b.PixelPtr(0, 0) = 0x11223344u;
  *b.PixelPtr(1, 0) = 0xAABBCCDDu;
  vcl::TMemoryStream stream;
  b.WriteData(&stream);
  ASSERT_EQ(stream.Size(), 16);
  const uint8_t expected[16] = {2, 0, 0, 0, 1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0xDD, 0xCC, 0xBB, 0xAA};
  EXPECT_EQ(std::memcmp(stream.Memory(), expected, 16), 0);

  TBitmap32 read;
  Signals s;
  s.Watch(read);
  stream.SetPosition(0);
  read.ReadData(&stream);
  EXPECT_EQ(bitmap_test::PixelsOf(read), bitmap_test::PixelsOf(b));
  EXPECT_EQ(s.changes, 2);  // the resize, then the end of the read
}

TEST(Bitmap32, BadDataStreamsFailWithoutHarm) {
  const struct { std::vector<uint8_t> bytes; } cases[] = {
      {{2, 0, 0, 0}},                                            // header cut short
      {{2, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4}},                    // one pixel of two
      {{0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2}},  // a size from nowhere
  };
  for (const auto& c : cases) {
    TBitmap32 b;
    FillNumbered(b, 2, 2);
    const auto before = bitmap_test::PixelsOf(b);
    Signals s;
    s.Watch(b);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.bytes.data(), int32_t(c.bytes.size()));
    stream.SetPosition(0);
    EXPECT_THROW(b.ReadData(&stream), vcl::EReadError);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(bitmap_test::PixelsOf(b), before);
    EXPECT_EQ(s.changes, 1);  // signalled even when the read fails
  }
}

TEST(Bitmap32, DrawToRectSameSize) {
  TBitmap32 src, base;
  FillNumbered(src, 4, 4);
  base.SetSize(6, 6);
  base.FillColor(0xFF102030u);

  // Opaque: a plain copy, clipped to the destination.
  TBitmap32 dst;
  dst.Assign(&base);
  Signals s;
  s.Watch(dst);
  src.DrawToRect(&dst, {4, 4, 8, 8});
  EXPECT_EQ(*dst.PixelPtr(5, 5), *src.PixelPtr(1, 1));
  EXPECT_EQ(*dst.PixelPtr(3, 3), 0xFF102030u);
  EXPECT_EQ(s.changes, 1);

  // Custom with a blend mode: the mode's combiner on every pixel.
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(200);
  for (int32_t mode = 0; mode < BlendModeCount; ++mode) {
    src.OnPixelCombine = BlendModeCombineEvent(mode);
    dst.Assign(&base);
    src.DrawToRect(&dst, {1, 1, 5, 5});
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) {
        TColor32 expected = 0xFF102030u;
        src.OnPixelCombine(*src.PixelPtr(x, y), expected, 200);
        ASSERT_EQ(*dst.PixelPtr(x + 1, y + 1), expected) << BlendModeName(mode);
      }
  }
  // Custom without a combiner draws opaque.
  src.OnPixelCombine = TPixelCombineEvent();
  dst.Assign(&base);
  src.DrawToRect(&dst, {0, 0, 4, 4});
  EXPECT_EQ(*dst.PixelPtr(2, 2), *src.PixelPtr(2, 2));

  // Blend at master 0 draws nothing.
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(0);
  dst.Assign(&base);
  src.DrawToRect(&dst, {0, 0, 4, 4});
  EXPECT_EQ(bitmap_test::PixelsOf(dst), bitmap_test::PixelsOf(base));
}

TEST(Transfer, ArgumentChecks) {
  TBitmap32 src, dst, empty;
  src.SetSize(4, 4);
  dst.SetSize(4, 4);
  const TRect whole{0, 0, 4, 4};
  auto message = [&](auto call) {
    try {
      call();
    } catch (const ETransformError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { TransferRect(&dst, whole, whole, nullptr, whole, sfNearest, dmOpaque, {}); }),
            "Source bitmap is nil or empty");
  EXPECT_EQ(message([&] { TransferRect(&empty, whole, whole, &src, whole, sfNearest, dmOpaque, {}); }),
            "Destination bitmap is nil or empty");
  EXPECT_EQ(message([&] { TransferRect(&dst, whole, whole, &src, {0, 0, 5, 4}, sfNearest, dmOpaque, {}); }),
            "Source rectangle is invalid");
  EXPECT_EQ(message([&] { TransferRect(&dst, whole, whole, &empty, whole, sfNearest, dmOpaque, {}); }),
            "no error");
  EXPECT_EQ(message([&] { TransferRect(&dst, whole, whole, &src, {2, 2, 2, 9}, sfNearest, dmOpaque, {}); }),
            "no error");  // an empty source rectangle is ignored
}
