#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/engine/paint/filtered_resampler.h"
#include "vcl/runtime/exceptions.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

// Every byte of pixel (x, y) set to v.
void SetGrey(vcl::TBitmap* bitmap, int x, int y, uint8_t v) {
  const int bytes = bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3;
  for (int k = 0; k < bytes; ++k) skin_test::PixelAddress(bitmap, x, y)[k] = v;
}

TEST(FilteredResampler, SourcesBelowTwoPixelsRaiseBeforeAnythingChanges) {
  for (auto [w, h] : {std::pair{1, 5}, std::pair{5, 1}, std::pair{0, 0}}) {
    auto source = skin_test::MakeBitmap(vcl::pf16bit, w, h);
    auto destination = skin_test::MakeBitmap(vcl::pf24bit, 3, 3);
    try {
      ResampleBmp(source.get(), destination.get(), 4, rfMitchell, 4);
      ADD_FAILURE() << w << "x" << h << " did not raise";
    } catch (const vcl::Exception& e) {
      EXPECT_EQ(e.Message(), "Source bitmap is too small");
    }
    EXPECT_EQ(source->PixelFormat(), vcl::pf16bit);
    EXPECT_EQ(destination->Width(), 3);
  }
  EXPECT_THROW(ResampleBmp(nullptr, nullptr, 4, rfMitchell, 4), vcl::Exception);
}

TEST(FilteredResampler, UnknownFilterRaises) {
  auto source = skin_test::MakeBitmap(vcl::pf24bit, 4, 4);
  auto destination = skin_test::MakeBitmap(vcl::pf24bit, 3, 3);
  for (int filter : {-1, 7, 1000}) {
    EXPECT_THROW(ResampleBmp(source.get(), destination.get(), 2, filter, 2), vcl::Exception) << filter;
    TContributions lists;
    EXPECT_THROW(BuildContributions(lists, 2, 4, 3, filter), vcl::Exception) << filter;
  }
  EXPECT_EQ(destination->Width(), 3);
}

TEST(FilteredResampler, SameSizeCopiesOrLeavesTheBitmap) {
  auto source = skin_test::MakeBitmap(vcl::pf32bit, 3, 2);
  for (int x = 0; x < 3; ++x) SetGrey(source.get(), x, 1, static_cast<uint8_t>(40 * x + 7));
  auto destination = skin_test::MakeBitmap(vcl::pf24bit, 9, 9);
  ResampleBmp(source.get(), destination.get(), 3, rfMitchell, 2);
  ASSERT_EQ(destination->PixelFormat(), vcl::pf32bit);
  ASSERT_EQ(destination->Width(), 3);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(skin_test::PixelAddress(destination.get(), x, 1)[3], 40 * x + 7);

  ResampleBmp(source.get(), source.get(), 3, rfMitchell, 2);  // one bitmap: nothing to do
  for (int x = 0; x < 3; ++x) EXPECT_EQ(skin_test::PixelAddress(source.get(), x, 1)[0], 40 * x + 7);
}

// Rows of a 2-row picture resampled in width only: the vertical pass of these filters at the
// same height gives each row back unchanged, so the row shows the horizontal weights.
TEST(FilteredResampler, RowsFollowTheUnshiftedCentres) {
  struct Case {
    const char* name;
    int filter;
    std::vector<uint8_t> in, out;
  } cases[] = {
      // Enlarging: destination pixel i sits on source position m * i / n, so the first pixel is
      // the first source pixel and the last ones repeat the mirrored edge.
      {"triangle 2->4", rfTriangle, {10, 90}, {10, 50, 90, 90}},
      {"triangle 3->6", rfTriangle, {0, 100, 200}, {0, 50, 100, 150, 200, 200}},
      // Shrinking with the box: the half-way tap on the left counts, the one on the right not.
      {"box 4->2", rfBox, {0, 100, 200, 40}, {50, 150}},
  };
  for (const Case& c : cases) {
    const int m = static_cast<int>(c.in.size()), n = static_cast<int>(c.out.size());
    auto source = skin_test::MakeBitmap(vcl::pf24bit, m, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < m; ++x) SetGrey(source.get(), x, y, c.in[x]);
    auto destination = std::make_unique<vcl::TBitmap>();
    ResampleBmp(source.get(), destination.get(), n, c.filter, 2);
    ASSERT_EQ(destination->Width(), n) << c.name;
    ASSERT_EQ(destination->PixelFormat(), vcl::pf24bit) << c.name;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < n; ++x)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(skin_test::PixelAddress(destination.get(), x, y)[k], c.out[x]) << c.name << " x " << x;
  }
}

TEST(FilteredResampler, HalvingA32BitPictureFiltersAlphaLikeTheColours) {
  auto source = skin_test::MakeBitmap(vcl::pf32bit, 8, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) SetGrey(source.get(), x, y, static_cast<uint8_t>((x * 37 + y * 91) % 256));
  auto destination = std::make_unique<vcl::TBitmap>();
  ResampleBmp(source.get(), destination.get(), 4, rfMitchell, 3);
  ASSERT_EQ(destination->PixelFormat(), vcl::pf32bit);
  ASSERT_EQ(destination->Width(), 4);
  ASSERT_EQ(destination->Height(), 3);
  bool varied = false;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* p = skin_test::PixelAddress(destination.get(), x, y);
      EXPECT_EQ(p[3], p[0]) << x << "," << y;
      EXPECT_EQ(p[3], p[2]) << x << "," << y;
      varied |= p[3] != skin_test::PixelAddress(destination.get(), 0, 0)[3];
    }
  EXPECT_TRUE(varied);
}

TEST(FilteredResampler, OtherFormatsWorkIn24Bits) {
  auto source = skin_test::MakeBitmap(vcl::pf16bit, 4, 4);
  source->Canvas()->Brush()->SetColor(0x00FFFFFF);
  source->Canvas()->FillRect(vcl::TRect{0, 0, 4, 4});
  auto destination = skin_test::MakeBitmap(vcl::pf32bit, 1, 1);
  ResampleBmp(source.get(), destination.get(), 8, rfTriangle, 8);
  EXPECT_EQ(source->PixelFormat(), vcl::pf24bit);
  EXPECT_EQ(destination->PixelFormat(), vcl::pf24bit);
  EXPECT_EQ(destination->Width(), 8);
  EXPECT_EQ(skin_test::PixelAddress(destination.get(), 5, 5)[1], 255);  // triangle weights sum to 1 when enlarging
}

TEST(FilteredResampler, EmptyTargetSizeLeavesAnEmptyDestination) {
  auto source = skin_test::MakeBitmap(vcl::pf24bit, 4, 4);
  for (auto [w, h] : {std::pair{0, 3}, std::pair{3, 0}, std::pair{-5, -5}}) {
    auto destination = skin_test::MakeBitmap(vcl::pf24bit, 2, 2);
    ResampleBmp(source.get(), destination.get(), w, rfMitchell, h);
    EXPECT_TRUE(destination->Empty()) << w << "x" << h;
  }
}

// A shrinking filter over a tiny source reaches several pixels past the edge; a single mirror
// does not bring such taps back, so every offset must still name a source pixel.
TEST(FilteredResampler, ContributorsStayInsideTheSource) {
  struct Case {
    int n, m, filter;
  } cases[] = {{1, 2, rfMitchell}, {1, 3, rfWindowedSine}, {2, 9, rfBSpline}, {1, 50, rfMitchell},
               {7, 2, rfWindowedSine}, {3, 3, rfBell}, {5, 64, rfBox}};
  for (const Case& c : cases) {
    TContributions lists;
    const int stride = 4;
    const int32_t bytes = BuildContributions(lists, c.n, c.m, stride, c.filter);
    EXPECT_EQ(bytes, lists.Capacity * 8);
    ASSERT_EQ(static_cast<int>(lists.Lists.size()), c.n);
    for (const TContributorList& list : lists.Lists) {
      EXPECT_LE(list.Count, lists.Capacity);
      for (int e = 0; e < list.Count; ++e) {
        EXPECT_GE(list.First[e].Offset, 0) << c.n << " from " << c.m;
        EXPECT_LE(list.First[e].Offset, (c.m - 1) * stride) << c.n << " from " << c.m;
        EXPECT_EQ(list.First[e].Offset % stride, 0);
      }
    }
    FreeContributions(lists);
    EXPECT_TRUE(lists.Lists.empty());
  }
  TContributions none;
  EXPECT_EQ(BuildContributions(none, 0, 5, 3, rfMitchell), 0);
  EXPECT_TRUE(none.Lists.empty());
}

TEST(FilteredResampler, ChannelSumsSaturate) {
  TContributor taps[] = {{0, 2 * 65536}, {3, -65536}, {0, 0}};
  TContributions lists;
  lists.Capacity = 1;
  lists.Lists = {{1, &taps[0]}, {1, &taps[1]}, {2, &taps[0]}, {1, &taps[2]}};
  const uint8_t source[6] = {200, 100, 1, 50, 50, 50};
  uint8_t out[12] = {};
  ResampleLine24(3, out, source, lists, 4);
  const uint8_t expected[12] = {255, 200, 2, 0, 0, 0, 255, 150, 0, 0, 0, 0};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(out[k], expected[k]) << k;
}

}  // namespace
