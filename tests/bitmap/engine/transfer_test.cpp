#include "bitmap/engine/transfer.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "bitmap/engine/blend.h"
#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/parallel_rows.h"
#include "tests/bitmap/engine/bitmap32_pixels.h"
#include "tests/bitmap/engine/transfer_reference.h"
#include "vcl/runtime/win.h"

using namespace bitmap;

namespace {

const TStretchFilter kFilters[] = {sfNearest, sfLinear, sfSpline, sfLanczos, sfMitchell};
const char* const kFilterNames[] = {"sfNearest", "sfLinear", "sfSpline", "sfLanczos", "sfMitchell"};

// Random pixels with every kind of alpha: transparent, opaque and in between.
void FillRandom(TBitmap32& b, int32_t w, int32_t h, std::mt19937& rng) {
  b.SetSize(w, h);
  for (int32_t i = 0; i < w * h; ++i) {
    TColor32 p = rng();
    switch (rng() % 4) {
      case 0: p |= 0xFF000000u; break;
      case 1: p &= 0x00FFFFFFu; break;
      default: break;
    }
    b.Bits()[i] = p;
  }
}

// A combiner that is not a blend mode, so it is called pixel by pixel.
void XorCombine(TColor32 f, TColor32& b, TColor32 m) { b = (b ^ f) + m; }

// The combiners the tests draw with: none, a blend mode's (run by its row kernel) and a
// plain function (run per pixel).
enum class TCombiner { None, BlendMode, PerPixel };

struct TSetup {
  TDrawMode mode;
  uint32_t master;
  TCombiner combiner;
};
const TSetup kSetups[] = {
    {dmOpaque, 255, TCombiner::None},        {dmBlend, 255, TCombiner::None},
    {dmBlend, 77, TCombiner::None},          {dmCustom, 200, TCombiner::BlendMode},
    {dmCustom, 255, TCombiner::PerPixel},    {dmCustom, 255, TCombiner::None},
};

TPixelCombineEvent CombinerOf(TCombiner kind, int32_t blendMode) {
  switch (kind) {
    case TCombiner::None: return {};
    case TCombiner::BlendMode: return BlendModeCombineEvent(blendMode);
    case TCombiner::PerPixel: return TPixelCombineEvent::Of<&XorCombine>();
  }
  return {};
}

std::string Describe(const TRect& r) {
  return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " +
         std::to_string(r.Right) + ", " + std::to_string(r.Bottom) + ")";
}

// Draws with the real transfer and with the reference over the same background and
// compares every pixel of the destination.
void ExpectSameAsReference(TBitmap32& src, const TRect& srcRect, const TBitmap32& background,
                           const TRect& dstRect, const TRect& dstClip, TStretchFilter filter,
                           const TSetup& setup, int32_t blendMode, const std::string& what) {
  src.SetMasterAlpha(setup.master);
  const TPixelCombineEvent combiner = CombinerOf(setup.combiner, blendMode);
  TBitmap32 ours, expected;
  ours.Assign(const_cast<TBitmap32*>(&background));
  expected.Assign(const_cast<TBitmap32*>(&background));
  TransferRect(&ours, dstRect, dstClip, &src, srcRect, filter, setup.mode, combiner);
  reference::TransferRect(&expected, dstRect, dstClip, &src, srcRect, filter, setup.mode, combiner);
  const std::vector<TColor32> a = bitmap_test::PixelsOf(ours), b = bitmap_test::PixelsOf(expected);
  for (size_t i = 0; i < a.size(); ++i)
    ASSERT_EQ(a[i], b[i]) << what << " " << kFilterNames[filter] << " mode " << int(setup.mode)
                          << " master " << setup.master << " combiner " << int(setup.combiner)
                          << " src " << Describe(srcRect) << " dst " << Describe(dstRect)
                          << " clip " << Describe(dstClip) << " pixel " << i % ours.Width()
                          << ", " << i / ours.Width();
}

TRect RandomRect(std::mt19937& rng, int32_t lo, int32_t hi, int32_t maxSize) {
  auto value = [&](int32_t a, int32_t b) { return a + int32_t(rng() % uint32_t(b - a + 1)); };
  const int32_t left = value(lo, hi), top = value(lo, hi);
  return TRect{left, top, left + value(1, maxSize), top + value(1, maxSize)};
}

}  // namespace

// Small random drawings: every filter, every draw mode, enlarging, shrinking, mixed, with the
// destination rectangle inside, across and outside the destination, clipped and not.
TEST(StretchTransfer, MatchesTheReferenceOnRandomDrawings) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 150; ++round) {
    TBitmap32 src, background;
    FillRandom(src, 1 + int32_t(rng() % 20), 1 + int32_t(rng() % 20), rng);
    FillRandom(background, 1 + int32_t(rng() % 30), 1 + int32_t(rng() % 30), rng);
    TRect srcRect;
    do {
      srcRect = RandomRect(rng, 0, std::max(src.Width(), src.Height()) - 1, 20);
      IntersectRects(srcRect, srcRect, src.BoundsRect());
    } while (RectIsEmpty(srcRect));
    const TRect dstRect = RandomRect(rng, -8, 28, 45);
    const TRect dstClip = rng() % 2 ? background.BoundsRect() : RandomRect(rng, -4, 26, 30);
    for (TStretchFilter filter : kFilters)
      for (const TSetup& setup : kSetups)
        ExpectSameAsReference(src, srcRect, background, dstRect, dstClip, filter, setup,
                              int32_t(rng() % BlendModeCount), "round " + std::to_string(round));
  }
}

// Large enough to be split into bands on several threads.
TEST(StretchTransfer, MatchesTheReferenceOnLargeDrawings) {
  std::mt19937 rng(7);
  TBitmap32 src, background;
  FillRandom(src, 173, 129, rng);
  FillRandom(background, 420, 380, rng);
  const TRect srcRect{3, 2, 170, 127};
  const TRect cases[][2] = {
      {{-10, -7, 410, 390}, {0, 0, 420, 380}},  // enlarged, reaching outside
      {{5, 9, 105, 99}, {0, 0, 420, 380}},      // shrunk
      {{0, 0, 415, 100}, {30, 0, 400, 380}},    // wider and flatter, clipped
  };
  ASSERT_GE(int64_t(400) * 380, kParallelPixels);
  for (const auto& c : cases)
    for (TStretchFilter filter : kFilters)
      for (const TSetup& setup : kSetups)
        ExpectSameAsReference(src, srcRect, background, c[0], c[1], filter, setup, 5, "large");
}

// Every map is computed against the whole destination rectangle: a clipped drawing is
// exactly the matching part of the unclipped one.
TEST(StretchTransfer, ClippedDrawingIsPartOfTheWhole) {
  std::mt19937 rng(99);
  TBitmap32 src;
  FillRandom(src, 9, 7, rng);
  const TRect srcRect{1, 1, 8, 6};
  for (TStretchFilter filter : kFilters)
    for (const TRect dstRect : {TRect{-5, -3, 30, 20}, TRect{2, 3, 7, 5}, TRect{0, 0, 19, 4}}) {
      TBitmap32 whole, part;
      whole.SetSize(24, 16);
      whole.FillColor(0xFF000000u);
      part.Assign(&whole);
      TransferRect(&whole, dstRect, whole.BoundsRect(), &src, srcRect, filter, dmOpaque, {});
      const TRect clip{3, 2, 11, 9};
      TransferRect(&part, dstRect, clip, &src, srcRect, filter, dmOpaque, {});
      for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 24; ++x) {
          const bool inside = RectContainsPoint(clip, TPoint{x, y});
          ASSERT_EQ(*part.PixelPtr(x, y), inside ? *whole.PixelPtr(x, y) : 0xFF000000u)
              << kFilterNames[filter] << " " << Describe(dstRect) << " at " << x << ", " << y;
        }
    }
}

// Equal sizes never resample: the result is the block transfer's, whatever the filter.
TEST(StretchTransfer, EqualSizesAreABlockTransferWithEveryFilter) {
  std::mt19937 rng(5);
  TBitmap32 src, background;
  FillRandom(src, 12, 10, rng);
  FillRandom(background, 14, 14, rng);
  const TRect srcRect{2, 1, 10, 9}, dstRect{4, 3, 12, 11};
  for (const TSetup& setup : kSetups) {
    src.SetMasterAlpha(setup.master);
    const TPixelCombineEvent combiner = CombinerOf(setup.combiner, 3);
    TBitmap32 block;
    block.Assign(&background);
    TransferBlock(&block, dstRect, &src, srcRect.Left, srcRect.Top,
                  setup.mode == dmCustom && !combiner.Assigned() ? dmOpaque : setup.mode, combiner);
    for (TStretchFilter filter : kFilters) {
      TBitmap32 drawn;
      drawn.Assign(&background);
      TransferRect(&drawn, dstRect, drawn.BoundsRect(), &src, srcRect, filter, setup.mode, combiner);
      EXPECT_EQ(bitmap_test::PixelsOf(drawn), bitmap_test::PixelsOf(block)) << kFilterNames[filter] << " mode " << int(setup.mode);
    }
  }
}

// Same-size blends above a megapixel run in row bands on the workers: the same bits as on
// one thread, clipped or not, in every mode that blends; a caller's combiner stays on the
// calling thread.
TEST(StretchTransfer, LargeBlocksDrawInBandsAsOnOneThread) {
  std::mt19937 rng(8);
  TBitmap32 src, background;
  FillRandom(src, 1200, 1000, rng);
  FillRandom(background, 1210, 1004, rng);
  const TRect srcRect{0, 0, 1200, 1000};
  struct TCase {
    TSetup setup;
    int32_t blendMode;
    TRect dstRect, clip;
  };
  const TRect whole{5, 2, 1205, 1002};
  const TCase cases[] = {
      {{dmOpaque, 255, TCombiner::None}, 0, whole, {0, 0, 1210, 1004}},
      {{dmOpaque, 255, TCombiner::None}, 0, whole, {7, 3, 1190, 1001}},  // clipped
      {{dmBlend, 255, TCombiner::None}, 0, whole, {0, 0, 1210, 1004}},
      {{dmBlend, 77, TCombiner::None}, 0, whole, {0, 0, 1210, 1004}},
      {{dmCustom, 200, TCombiner::BlendMode}, 0, whole, {0, 0, 1210, 1004}},
      {{dmCustom, 255, TCombiner::BlendMode}, 24, whole, {0, 0, 1210, 1004}},
      {{dmCustom, 128, TCombiner::BlendMode}, 12, whole, {7, 3, 1190, 1001}},  // clipped
  };
  for (const TCase& c : cases) {
    src.SetMasterAlpha(c.setup.master);
    const TPixelCombineEvent combiner = CombinerOf(c.setup.combiner, c.blendMode);
    TBitmap32 banded, single;
    banded.Assign(&background);
    single.Assign(&background);
    TransferRect(&banded, c.dstRect, c.clip, &src, srcRect, sfNearest, c.setup.mode, combiner);
    SetParallelRowThreadLimit(1);
    TransferRect(&single, c.dstRect, c.clip, &src, srcRect, sfNearest, c.setup.mode, combiner);
    SetParallelRowThreadLimit(0);
    ASSERT_TRUE(bitmap_test::PixelsOf(banded) == bitmap_test::PixelsOf(single))
        << "mode " << int(c.setup.mode) << " blend mode " << c.blendMode << " master " << c.setup.master;
  }

  struct TThreadRecorder {
    std::set<DWORD> threads;
    void Combine(TColor32 f, TColor32& b, TColor32) {
      threads.insert(GetCurrentThreadId());
      b ^= f;
    }
  } recorder;
  TBitmap32 target;
  target.Assign(&background);
  TransferRect(&target, whole, target.BoundsRect(), &src, srcRect, sfNearest, dmCustom,
               TPixelCombineEvent::Of<&TThreadRecorder::Combine>(&recorder));
  EXPECT_EQ(recorder.threads, std::set<DWORD>{GetCurrentThreadId()});
}

// sfLinear interpolates only when enlarging both ways; otherwise the tent kernel resamples.
TEST(StretchTransfer, LinearUsesTheTentKernelUnlessEnlargingBothWays) {
  std::mt19937 rng(3);
  TBitmap32 src;
  FillRandom(src, 6, 6, rng);
  const TRect srcRect = src.BoundsRect();
  for (const TRect dstRect : {TRect{0, 0, 12, 4}, TRect{0, 0, 12, 6}, TRect{0, 0, 3, 11}}) {
    TBitmap32 viaTransfer, viaKernel, viaBilinear;
    for (TBitmap32* b : {&viaTransfer, &viaKernel, &viaBilinear}) {
      b->SetSize(12, 12);
      b->FillColor(0);
    }
    TransferRect(&viaTransfer, dstRect, viaTransfer.BoundsRect(), &src, srcRect, sfLinear, dmOpaque, {});
    ResampleKernel(&viaKernel, dstRect, dstRect, &src, srcRect, sfLinear, dmOpaque, {});
    EXPECT_EQ(bitmap_test::PixelsOf(viaTransfer), bitmap_test::PixelsOf(viaKernel)) << Describe(dstRect);
  }
  TBitmap32 dst;
  dst.SetSize(4, 4);
  EXPECT_THROW(StretchBilinearUp(&dst, {0, 0, 12, 4}, {0, 0, 4, 4}, &src, srcRect, dmOpaque, {}),
               vcl::EAssertionFailed);
}

// 2 x 2 to 4 x 4: the outer pixels repeat the corners (positions clamp to the bitmap), the
// inner ones mix with weights 192/64 and 64/192 of 256.
TEST(StretchTransfer, BilinearTwoByTwoToFourByFour) {
  TBitmap32 src, dst;
  src.SetSize(2, 2);
  // Blue rises from left to right, green from top to bottom.
  *src.PixelPtr(0, 0) = MakeColor32(0, 0, 0);
  *src.PixelPtr(1, 0) = MakeColor32(0, 0, 255);
  *src.PixelPtr(0, 1) = MakeColor32(0, 255, 0);
  *src.PixelPtr(1, 1) = MakeColor32(0, 255, 255);
  dst.SetSize(4, 4);
  TransferRect(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), sfLinear, dmOpaque, {});
  const uint8_t ramp[4] = {0, 63, 191, 255};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(*dst.PixelPtr(x, y), MakeColor32(0, ramp[y], ramp[x])) << x << ", " << y;
}

TEST(StretchTransfer, NearestOnePixelWideTakesTheMiddleColumn) {
  TBitmap32 src, dst;
  src.SetSize(10, 3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x) *src.PixelPtr(x, y) = TColor32(y * 100 + x);
  dst.SetSize(1, 5);
  // Columns 3 .. 8: (3 + 9 - 1) div 2 = 5.
  TransferRect(&dst, {0, 0, 1, 5}, dst.BoundsRect(), &src, {3, 0, 9, 3}, sfNearest, dmOpaque, {});
  for (int32_t y = 0; y < 5; ++y) EXPECT_EQ(*dst.PixelPtr(0, y) % 100, 5u);
  // A one-pixel-high destination takes the middle row the same way.
  dst.SetSize(4, 1);
  TransferRect(&dst, {0, 0, 4, 1}, dst.BoundsRect(), &src, {0, 0, 10, 3}, sfNearest, dmOpaque, {});
  EXPECT_EQ(*dst.PixelPtr(0, 0) / 100, 1u);
}

// A source one column wide fills every destination column from that column, at any offset.
TEST(StretchTransfer, OneColumnSourceFillsEveryColumn) {
  TBitmap32 src, dst;
  src.SetSize(6, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) *src.PixelPtr(x, y) = MakeColor32(uint8_t(x * 40), uint8_t(y * 60), 7);
  for (TStretchFilter filter : {sfLinear, sfSpline, sfLanczos, sfMitchell}) {
    dst.SetSize(9, 4);
    dst.FillColor(0);
    TransferRect(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, {4, 0, 5, 4}, filter, dmOpaque, {});
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 9; ++x)
        ASSERT_EQ(RedOf(*dst.PixelPtr(x, y)), 160) << kFilterNames[filter] << " " << x << ", " << y;
  }
}

// Lanczos rings around a sharp edge and the ringing is clamped to 0 and 255; the B-spline
// never leaves the range.
TEST(StretchTransfer, RingingIsClampedPerChannel) {
  TBitmap32 src;
  src.SetSize(8, 1);
  for (int32_t x = 0; x < 8; ++x) *src.PixelPtr(x, 0) = x < 4 ? 0xFF000000u : 0xFFFFFFFFu;
  const TRect dstRect{0, 0, 40, 1};
  auto raw = [&](TStretchFilter filter) {
    TBitmap32 scratch;
    scratch.SetSize(40, 1);
    std::vector<int32_t> sums;
    reference::Resample(&scratch, dstRect, dstRect, &src, src.BoundsRect(), filter, dmOpaque, {}, &sums);
    return sums;
  };
  const std::vector<int32_t> lanczos = raw(sfLanczos);
  EXPECT_LT(*std::min_element(lanczos.begin(), lanczos.end()), 0);
  EXPECT_GT(*std::max_element(lanczos.begin(), lanczos.end()), 0xFF0000);
  TBitmap32 dst;
  dst.SetSize(40, 1);
  TransferRect(&dst, dstRect, dstRect, &src, src.BoundsRect(), sfLanczos, dmOpaque, {});
  for (int32_t x = 0; x < 40; ++x) {
    const int32_t blue = lanczos[size_t(x) * 4];
    const uint8_t expected = blue < 0 ? 0 : blue > 0xFF0000 ? 255 : uint8_t(blue >> 16);
    ASSERT_EQ(BlueOf(*dst.PixelPtr(x, 0)), expected) << x;
  }
  const std::vector<int32_t> spline = raw(sfSpline);
  EXPECT_GE(*std::min_element(spline.begin(), spline.end()), 0);
  EXPECT_LE(*std::max_element(spline.begin(), spline.end()), 0xFF0000);
}

// dmBlend at master alpha 255: the nearest path uses the row blend (an opaque pixel is copied
// exactly), the interpolating paths the pixel blend with M = 255.
TEST(StretchTransfer, BlendAtFullMasterAlphaPerPath) {
  TBitmap32 src;
  src.SetSize(2, 2);
  src.FillColor(0xFFFFFFFFu);
  src.SetMasterAlpha(255);
  TColor32 pixelBlend = 0xFF000000u;
  BlendPixelMaster(0xFFFFFFFFu, pixelBlend, 255);
  ASSERT_NE(pixelBlend, 0xFFFFFFFFu);
  const struct {
    TStretchFilter filter;
    TColor32 expected;
  } cases[] = {{sfNearest, 0xFFFFFFFFu}, {sfLinear, pixelBlend}, {sfLanczos, pixelBlend}};
  for (const auto& c : cases) {
    TBitmap32 dst;
    dst.SetSize(5, 5);
    dst.FillColor(0xFF000000u);
    TransferRect(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), c.filter, dmBlend, {});
    EXPECT_EQ(*dst.PixelPtr(2, 2), c.expected) << kFilterNames[c.filter];
  }
}

TEST(StretchTransfer, WhatDrawsNothing) {
  TBitmap32 src, dst;
  src.SetSize(3, 3);
  src.FillColor(0xFF123456u);
  dst.SetSize(6, 6);
  dst.FillColor(0xFF000000u);
  const std::vector<TColor32> before = bitmap_test::PixelsOf(dst);
  // An empty source rectangle, an empty or outside clip, dmBlend at master alpha 0.
  TransferRect(&dst, {0, 0, 6, 6}, dst.BoundsRect(), &src, {2, 2, 2, 3}, sfLanczos, dmOpaque, {});
  TransferRect(&dst, {0, 0, 6, 6}, {3, 3, 3, 6}, &src, src.BoundsRect(), sfLanczos, dmOpaque, {});
  TransferRect(&dst, {7, 0, 12, 6}, dst.BoundsRect(), &src, src.BoundsRect(), sfLinear, dmOpaque, {});
  src.SetMasterAlpha(0);
  for (TStretchFilter filter : kFilters)
    TransferRect(&dst, {0, 0, 6, 6}, dst.BoundsRect(), &src, src.BoundsRect(), filter, dmBlend, {});
  EXPECT_EQ(bitmap_test::PixelsOf(dst), before);
  // An empty source bitmap draws nothing; a rectangle one pixel past the source is an error.
  TBitmap32 empty;
  TransferRect(&dst, {0, 0, 6, 6}, dst.BoundsRect(), &empty, {0, 0, 1, 1}, sfNearest, dmOpaque, {});
  EXPECT_EQ(bitmap_test::PixelsOf(dst), before);
  try {
    TransferRect(&dst, {0, 0, 6, 6}, dst.BoundsRect(), &src, {0, 0, 3, 4}, sfSpline, dmOpaque, {});
    ADD_FAILURE() << "no error";
  } catch (const ETransformError& e) {
    EXPECT_EQ(e.Message(), "Source rectangle is invalid");
  }
}

// A bitmap drawn into itself reads the pixels as they were before the drawing.
TEST(StretchTransfer, DrawingIntoItselfReadsTheOriginal) {
  std::mt19937 rng(17);
  TBitmap32 original;
  FillRandom(original, 16, 12, rng);
  const struct {
    TRect dstRect, srcRect;
  } cases[] = {{{1, 2, 13, 12}, {0, 0, 12, 10}}, {{0, 0, 16, 12}, {2, 2, 10, 8}}, {{3, 1, 9, 5}, {0, 0, 16, 12}}};
  for (TStretchFilter filter : kFilters)
    for (TDrawMode mode : {dmOpaque, dmBlend})
      for (const auto& c : cases) {
        TBitmap32 self, copy, expected;
        self.Assign(&original);
        copy.Assign(&original);
        expected.Assign(&original);
        TransferRect(&self, c.dstRect, self.BoundsRect(), &self, c.srcRect, filter, mode, {});
        TransferRect(&expected, c.dstRect, expected.BoundsRect(), &copy, c.srcRect, filter, mode, {});
        EXPECT_EQ(bitmap_test::PixelsOf(self), bitmap_test::PixelsOf(expected)) << kFilterNames[filter] << " " << Describe(c.dstRect);
      }
}

namespace {
struct ThrowingCombiner {
  int calls = 0;
  void Combine(TColor32, TColor32& b, TColor32) {
    if (++calls == 5) throw std::runtime_error("combiner failed");
    b = 1;
  }
};
}  // namespace

// A combiner's exception passes through every path and leaves the transfer usable.
TEST(StretchTransfer, CombinerExceptionsPassThrough) {
  TBitmap32 src, dst;
  src.SetSize(4, 4);
  src.FillColor(0xFF808080u);
  dst.SetSize(9, 9);
  for (TStretchFilter filter : kFilters) {
    ThrowingCombiner combiner;
    const auto event = TPixelCombineEvent::Of<&ThrowingCombiner::Combine>(&combiner);
    EXPECT_THROW(TransferRect(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(),
                              filter, dmCustom, event),
                 std::runtime_error)
        << kFilterNames[filter];
    EXPECT_EQ(combiner.calls, 5);
    TransferRect(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), filter, dmOpaque, {});
    EXPECT_EQ(*dst.PixelPtr(4, 4), 0xFF808080u);
  }
}

// TBitmap32's DrawToRect stretches with the bitmap's own filter and settings.
TEST(StretchTransfer, DrawToRectUsesTheBitmapsSettings) {
  std::mt19937 rng(8);
  TBitmap32 src, background;
  FillRandom(src, 7, 5, rng);
  FillRandom(background, 20, 20, rng);
  src.SetStretchFilter(sfMitchell);
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(180);
  src.OnPixelCombine = BlendModeCombineEvent(2);
  TBitmap32 drawn, expected;
  drawn.Assign(&background);
  expected.Assign(&background);
  int changes = 0;
  drawn.OnChange = [&](vcl::TObject*) { ++changes; };
  src.DrawToRect(&drawn, {-3, 2, 17, 30});
  reference::TransferRect(&expected, {-3, 2, 17, 30}, expected.BoundsRect(), &src, src.BoundsRect(),
                          sfMitchell, dmCustom, src.OnPixelCombine);
  EXPECT_EQ(bitmap_test::PixelsOf(drawn), bitmap_test::PixelsOf(expected));
  EXPECT_EQ(changes, 1);
}
