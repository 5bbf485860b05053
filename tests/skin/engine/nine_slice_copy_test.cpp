#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "skin/engine/paint/nine_slice_copy.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

constexpr uint32_t kNineUntouched = 0xEEEEEE;

std::unique_ptr<vcl::TBitmap> NineMakeBitmap(int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  return bitmap;
}

std::unique_ptr<vcl::TBitmap> NineFilled(int width, int height) {
  auto b = NineMakeBitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) skin_test::PutStored24(b.get(), x, y, kNineUntouched);
  return b;
}

// Which band of a length-n run with margins lo and hi a position falls in, and the source
// position it shows: margins map to the same place in the source, the middle repeats.
struct Axis {
  bool middle;
  bool thinned;  // inside a margin but beyond its limit
  int source;
};
Axis Map(int d, int n, int lo, int hi, int loLimit, int hiLimit, int s0, int sn, bool collapseMiddle) {
  const int mid = sn - lo - hi;
  if (d < lo) return {false, d >= std::min(lo, loLimit), s0 + d};
  if (d >= n - hi) return {false, d < n - std::min(hi, hiLimit), s0 + sn - (n - d)};
  return {true, false, s0 + lo + (collapseMiddle ? 0 : (d - lo) % mid)};
}

TEST(NineSliceCopy, CornersStayAndTheRestRepeatsOrStretches) {
  struct Case {
    const char* name;
    vcl::TRect target, margins, limits;
    int edgeMode, centreMode;
    bool centre;
  } cases[] = {
      {"tiled", {5, 4, 34, 27}, {3, 2, 4, 3}, {255, 255, 255, 255}, nsTile, nsTile, true},
      {"tiled, no centre", {5, 4, 34, 27}, {3, 2, 4, 3}, {255, 255, 255, 255}, nsTile, nsTile, false},
      {"stretched", {2, 1, 38, 30}, {3, 2, 4, 3}, {255, 255, 255, 255}, nsStretch, nsStretch, true},
      {"limited bands", {3, 3, 33, 29}, {4, 8, 3, 2}, {2, 4, 255, 1}, nsTile, nsTile, false},
      {"edges off", {5, 4, 34, 27}, {3, 2, 4, 3}, {255, 255, 255, 255}, 7, 7, true},
  };
  const vcl::TRect sourceRect{1, 1, 15, 14};  // 14 x 13 inside a larger source
  for (const Case& c : cases) {
    const bool stretch = c.edgeMode == nsStretch;
    // For stretched bands every middle pixel of the source is alike, so the result does not
    // depend on how the platform samples.
    auto source = NineMakeBitmap(16, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const Axis ax = Map(x - 1, 14, c.margins.left, c.margins.right, 255, 255, 1, 14, stretch);
        const Axis ay = Map(y - 1, 13, c.margins.top, c.margins.bottom, 255, 255, 1, 13, stretch);
        skin_test::PutStored24(source.get(), x, y, uint32_t(0x400000 | ax.source * 8 << 8 | ay.source * 8));
      }
    auto target = NineFilled(40, 32);
    CopyBmp9Slice(target.get(), source.get(), c.target, c.centre, c.centreMode,
                  vcl::TRect{c.edgeMode, c.edgeMode, c.edgeMode, c.edgeMode}, c.limits, c.margins, sourceRect);
    const int w = c.target.right - c.target.left, h = c.target.bottom - c.target.top;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 40; ++x) {
        const int dx = x - c.target.left, dy = y - c.target.top;
        uint32_t expected = kNineUntouched;
        if (dx >= 0 && dx < w && dy >= 0 && dy < h) {
          const Axis ax = Map(dx, w, c.margins.left, c.margins.right, c.limits.left, c.limits.right, 1, 14, stretch);
          const Axis ay = Map(dy, h, c.margins.top, c.margins.bottom, c.limits.top, c.limits.bottom, 1, 13, stretch);
          const bool painted = ax.middle && ay.middle ? c.centre && c.centreMode <= nsStretch
                               : ax.middle            ? !ay.thinned && c.edgeMode <= nsStretch
                               : ay.middle            ? !ax.thinned && c.edgeMode <= nsStretch
                                                      : !(ax.thinned && ay.thinned);
          if (painted) expected = skin_test::StoredAt24(source.get(), ax.source, ay.source);
        }
        ASSERT_EQ(skin_test::StoredAt24(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
}

// Margins that fill the source leave no middle part: the corners are laid, the bands are not,
// and the copy ends instead of laying empty pieces for ever.
TEST(NineSliceCopy, NoMiddlePartLaysNoBands) {
  auto source = NineMakeBitmap(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) skin_test::PutStored24(source.get(), x, y, 0x102030);
  for (vcl::TRect margins : {vcl::TRect{4, 4, 4, 4}, vcl::TRect{5, 6, 5, 6}}) {
    auto target = NineFilled(30, 30);
    CopyBmp9Slice(target.get(), source.get(), vcl::TRect{0, 0, 30, 30}, true, nsTile, vcl::TRect{0, 0, 0, 0},
                  vcl::TRect{255, 255, 255, 255}, margins, vcl::TRect{0, 0, 8, 8});
    EXPECT_EQ(skin_test::StoredAt24(target.get(), 0, 0), 0x102030u);
    EXPECT_EQ(skin_test::StoredAt24(target.get(), 29, 29), 0x102030u);
    EXPECT_EQ(skin_test::StoredAt24(target.get(), 15, 15), kNineUntouched);
    EXPECT_EQ(skin_test::StoredAt24(target.get(), 0, 15), kNineUntouched);
  }
}

TEST(NineSliceCopy, WritesNothingOutsideTheTargetRectangle) {
  auto source = NineMakeBitmap(12, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) skin_test::PutStored24(source.get(), x, y, 0x0000FF);
  struct Case {
    vcl::TRect target;
  } cases[] = {{{10, 10, 10, 20}}, {{10, 10, 20, 10}}, {{12, 12, 8, 8}}, {{10, 10, 14, 13}}, {{-6, -6, 5, 5}},
               {{25, 25, 60, 60}}};
  for (const Case& c : cases) {
    auto target = NineFilled(30, 30);
    CopyBmp9Slice(target.get(), source.get(), c.target, true, nsStretch, vcl::TRect{1, 1, 1, 1},
                  vcl::TRect{255, 255, 255, 255}, vcl::TRect{5, 5, 5, 5}, vcl::TRect{0, 0, 12, 12});
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) {
        const bool inside = x >= c.target.left && x < c.target.right && y >= c.target.top && y < c.target.bottom;
        if (!inside) ASSERT_EQ(skin_test::StoredAt24(target.get(), x, y), kNineUntouched) << x << "," << y;
        else ASSERT_EQ(skin_test::StoredAt24(target.get(), x, y), 0x0000FFu) << x << "," << y;
      }
  }
  // A rectangle far larger than the target lays only the tiles that show, on the same grid.
  auto unique = NineMakeBitmap(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) skin_test::PutStored24(unique.get(), x, y, uint32_t(0x010000 * (x * 9 + 1) + 0x100 * (y * 9 + 1)));
  const vcl::TRect huge{-1000003, -2000005, 300000000, 400000000};
  auto big = NineFilled(40, 32);
  CopyBmp9Slice(big.get(), unique.get(), huge, true, nsTile, vcl::TRect{0, 0, 0, 0}, vcl::TRect{255, 255, 255, 255},
                vcl::TRect{3, 3, 3, 3}, vcl::TRect{0, 0, 16, 16});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(skin_test::StoredAt24(big.get(), x, y), skin_test::StoredAt24(unique.get(), 3 + int((x - huge.left - 3) % 10), 3 + int((y - huge.top - 3) % 10)))
          << x << "," << y;

  auto target = NineFilled(4, 4);
  CopyBmp9Slice(target.get(), nullptr, vcl::TRect{0, 0, 4, 4}, true, 0, {}, {}, {}, {});
  CopyBmp9Slice(nullptr, source.get(), vcl::TRect{0, 0, 4, 4}, true, 0, {}, {}, {}, {});
  EXPECT_EQ(skin_test::StoredAt24(target.get(), 1, 1), kNineUntouched);
}

}  // namespace
