// Magic-wand selection: which pixels the flood fill and the similar-colour search select, and
// the outline polygon of a region, checked by filling it back into a mask.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_mask.h"
#include "imaging/proc/magic_wand.h"

using namespace imaging;

namespace {

// A grey picture drawn from text rows: '#' is 200, '.' is 20, digits are 20 + digit.
std::unique_ptr<TIEBitmap> PicturePtr(const std::vector<std::string>& rows, TIEPixelFormat format = ie24RGB) {
  auto result = std::make_unique<TIEBitmap>(int32_t(rows[0].size()), int32_t(rows.size()), format);
  TIEBitmap& bitmap = *result;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const char c = rows[y][x];
      const uint8_t v = c == '#' ? 200 : c == '.' ? 20 : uint8_t(20 + (c - '0'));
      if (format == ie24RGB)
        bitmap.SetPixel24(x, y, TRGB{v, v, v});
      else
        bitmap.SetPixel8(x, y, v);
    }
  return result;
}

std::vector<std::string> Selected(TIEMask& mask, int32_t width, int32_t height) {
  std::vector<std::string> rows(height, std::string(width, '.'));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (mask.IsPixelSet(x, y)) rows[y][x] = '#';
  return rows;
}

std::vector<std::string> FloodFill(TIEBitmap& bitmap, POINT seed, int32_t tolerance,
                                   TMagicWandFilter filter = TMagicWandFilter::None) {
  TIEMask mask;
  mask.Allocate(bitmap.Width(), bitmap.Height(), 1);
  MagicWandFloodFill(&bitmap, seed, 1, &mask, TMagicWandTolerance(tolerance), filter);
  return Selected(mask, bitmap.Width(), bitmap.Height());
}

std::vector<std::string> PolygonArea(const std::vector<POINT>& points, int32_t width, int32_t height) {
  TIEMask mask;
  mask.Allocate(width, height, 1);
  mask.FillPolygon(1, points.data(), int32_t(points.size()));
  return Selected(mask, width, height);
}

}  // namespace

TEST(MagicWand, TheFloodFillFollowsFourConnectedSimilarPixelsOnly) {
  auto ringPtr = PicturePtr({
      "..........",
      ".#######..",
      ".#.....#..",
      ".#.....#.#",
      ".#######.#",
      "........#.",
  });
  TIEBitmap& ring = *ringPtr;
  // The hole stays unselected; the area touching only at a corner is another region.
  EXPECT_EQ(FloodFill(ring, {1, 1}, 0), (std::vector<std::string>{
                                             "..........",
                                             ".#######..",
                                             ".#.....#..",
                                             ".#.....#..",
                                             ".#######..",
                                             "..........",
                                         }));
  // Tolerance 255 takes everything.
  EXPECT_EQ(FloodFill(ring, {0, 0}, 255), std::vector<std::string>(6, "##########"));
  // The maximum filter grows the region by a pixel, clipped to the image.
  EXPECT_EQ(FloodFill(ring, {9, 3}, 0, TMagicWandFilter::Maximum), (std::vector<std::string>{
                                                                        "..........",
                                                                        "..........",
                                                                        "........##",
                                                                        "........##",
                                                                        "........##",
                                                                        "........##",
                                                                    }));
  // Outside the image: nothing.
  EXPECT_EQ(FloodFill(ring, {10, 0}, 255), std::vector<std::string>(6, ".........."));
  EXPECT_EQ(FloodFill(ring, {-1, 2}, 255), std::vector<std::string>(6, ".........."));
}

TEST(MagicWand, TheToleranceIsInclusiveAndEachChannelCounts) {
  TIEBitmap bitmap(3, 1, ie24RGB);
  bitmap.SetPixel24(0, 0, TRGB{50, 50, 50});
  bitmap.SetPixel24(1, 0, TRGB{50, 50, 60});  // red + 10
  bitmap.SetPixel24(2, 0, TRGB{50, 50, 61});  // red + 11
  EXPECT_EQ(FloodFill(bitmap, {0, 0}, 10)[0], "##.");
  TIEMask mask;
  mask.Allocate(3, 1, 8);
  MagicWandSelectSimilar(&bitmap, {2, 0}, 77, &mask, TMagicWandTolerance(1));
  EXPECT_EQ(mask.GetPixel(0, 0), 0);
  EXPECT_EQ(mask.GetPixel(1, 0), 77);
  EXPECT_EQ(mask.GetPixel(2, 0), 77);
}

TEST(MagicWand, SelectSimilarTakesUnconnectedPixelsOfEveryFormat) {
  for (TIEPixelFormat format : {ie24RGB, ie8g}) {
    auto bitmapPtr = PicturePtr({"#..#", "....", ".#.."}, format);
    TIEBitmap& bitmap = *bitmapPtr;
    TIEMask mask;
    mask.Allocate(4, 3, 1);
    MagicWandSelectSimilar(&bitmap, {0, 0}, 1, &mask, TMagicWandTolerance(0));
    EXPECT_EQ(Selected(mask, 4, 3), (std::vector<std::string>{"#..#", "....", ".#.."})) << format;
  }
}

TEST(MagicWand, TheOutlineOfOnePixelRunsAlongItsFourEdges) {
  TIEBitmap bitmap(12, 10, ie24RGB);
  bitmap.Fill(0);
  bitmap.SetPixel24(5, 7, TRGB{255, 255, 255});
  const std::vector<POINT> points = MagicWandOutline(&bitmap, {5, 7}, TMagicWandTolerance(0), TMagicWandFilter::None);
  const std::vector<POINT> expected = {{5, 7}, {6, 7}, {6, 7}, {6, 8}, {6, 8}, {5, 8}, {5, 8}, {5, 7}};
  ASSERT_EQ(points.size(), expected.size());
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].x, expected[i].x) << i;
    EXPECT_EQ(points[i].y, expected[i].y) << i;
  }
  EXPECT_TRUE(MagicWandOutline(&bitmap, {12, 3}, TMagicWandTolerance(0), TMagicWandFilter::None).empty());
}

TEST(MagicWand, TheOutlineEnclosesTheRegionAndOnlyItsOuterBorder) {
  struct Case {
    const char* what;
    std::vector<std::string> picture;
    POINT seed;
    std::vector<std::string> expected;
  } cases[] = {
      {"rectangle", {"......", ".###..", ".###..", "......"}, {2, 1}, {"......", ".###..", ".###..", "......"}},
      {"L shape", {"#.....", "#.....", "####..", "......"}, {0, 0}, {"#.....", "#.....", "####..", "......"}},
      {"plus", {"..#..", "#####", "..#..", "..#.."}, {2, 2}, {"..#..", "#####", "..#..", "..#.."}},
      {"ring: the hole is inside the outer border", {"#####", "#...#", "#####"}, {0, 0}, {"#####", "#####", "#####"}},
      {"whole image", {"####", "####"}, {3, 1}, {"####", "####"}},
  };
  for (const Case& c : cases) {
    auto bitmapPtr = PicturePtr(c.picture);
    TIEBitmap& bitmap = *bitmapPtr;
    const std::vector<POINT> points =
        MagicWandOutline(&bitmap, c.seed, TMagicWandTolerance(0), TMagicWandFilter::None);
    ASSERT_FALSE(points.empty()) << c.what;
    for (const POINT& p : points) {
      EXPECT_GE(p.x, 0) << c.what;
      EXPECT_LE(p.x, bitmap.Width()) << c.what;
      EXPECT_LE(p.y, bitmap.Height()) << c.what;
    }
    EXPECT_EQ(PolygonArea(points, bitmap.Width(), bitmap.Height()), c.expected) << c.what;
  }
}

TEST(MagicWand, TheOutlinesMaximumFilterStaysInsideTheRegionsBoundingBox) {
  auto bitmapPtr = PicturePtr({"......", ".#....", "..#...", "......"});
  TIEBitmap& bitmap = *bitmapPtr;
  // Tolerance 0 on '#': two diagonal pixels are two regions; the seed's box is one pixel.
  std::vector<POINT> points = MagicWandOutline(&bitmap, {1, 1}, TMagicWandTolerance(0), TMagicWandFilter::Maximum);
  EXPECT_EQ(PolygonArea(points, 6, 4), (std::vector<std::string>{"......", ".#....", "......", "......"}));

  auto blockPtr = PicturePtr({"......", ".##...", ".#....", "......"});
  TIEBitmap& block = *blockPtr;
  points = MagicWandOutline(&block, {1, 1}, TMagicWandTolerance(0), TMagicWandFilter::Maximum);
  EXPECT_EQ(PolygonArea(points, 6, 4), (std::vector<std::string>{"......", ".##...", ".##...", "......"}));
}

TEST(MagicWand, ALargeRegionIsTracedWithoutAMagnifiedCopyOfIt) {
  // 16 bytes per pixel would ask for 256 MB here; the border alone is followed instead.
  TIEBitmap bitmap(4000, 4000, ie8g);
  bitmap.Fill(90);
  const std::vector<POINT> points =
      MagicWandOutline(&bitmap, {1234, 2345}, TMagicWandTolerance(255), TMagicWandFilter::None);
  ASSERT_EQ(points.size(), 8u);
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[0].y, 0);
  EXPECT_EQ(points[3].x, 4000);
  EXPECT_EQ(points[3].y, 4000);
}
