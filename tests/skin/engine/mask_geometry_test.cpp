#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "skin/engine/graphics/mask_geometry.h"

using namespace skin;

TEST(MaskGeometry, MarginsGiveWayToASmallTargetWithoutGapOrOverlap) {
  struct Case {
    int size, nearIn, farIn, nearOut, farOut;
  } cases[] = {
      {15, 10, 10, 8, 7}, {16, 10, 10, 8, 8}, {40, 10, 10, 10, 10},
      // Unequal margins: the sum always meets the size (taking the odd pixel from the far
      // side by the size's parity alone would leave a column unpainted here).
      {15, 10, 11, 7, 8}, {16, 8, 9, 8, 8},
      // One margin smaller than its share: the other gives up the rest.
      {5, 0, 20, 0, 5}, {4, 9, 1, 4, 0},
      {0, 3, 3, 0, 0}, {6, -2, 4, 0, 4},
  };
  for (const Case& c : cases) {
    int32_t nearMargin = c.nearIn, farMargin = c.farIn;
    ShrinkMargins(c.size, nearMargin, farMargin);
    EXPECT_EQ(nearMargin, c.nearOut) << c.size << " " << c.nearIn << " " << c.farIn;
    EXPECT_EQ(farMargin, c.farOut) << c.size << " " << c.nearIn << " " << c.farIn;
  }
}

TEST(MaskGeometry, TilesAreWholeThenCutAndEmptyPiecesLayNothing) {
  struct Case {
    int start, end, piece;
    std::vector<std::pair<int, int>> laid;
  } cases[] = {
      {2, 12, 4, {{2, 4}, {6, 4}, {10, 2}}},
      {0, 8, 4, {{0, 4}, {4, 4}}},
      {0, 3, 5, {{0, 3}}},
      {0, 10, 0, {}},  // a piece of length 0 must not loop
      {0, 10, -3, {}},
      {5, 5, 2, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, int>> laid;
    TileSpan(c.start, c.end, c.piece, [&](int at, int length) { laid.emplace_back(at, length); });
    EXPECT_EQ(laid, c.laid) << c.start << ".." << c.end << " by " << c.piece;
  }
}
