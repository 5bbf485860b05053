// The variance-splitting colour quantizer: the pixels are counted in a 32 x 32 x 32 histogram
// of 5-bit colour cells, and the box of cells with the largest variance is split in two until
// there are as many boxes as colours; each box's mean colour is a palette entry, and a cell's
// colour maps to the box that holds it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;

// A box holds at most this many colours (its inverse map stores box indexes as bytes).
constexpr int32_t kVarianceQuantMaxBoxes = 256;

struct TVarianceBox {
  double variance = 0;
  std::array<double, 3> mean{};            // red, green, blue in 5-bit units
  int64_t count = 0;
  std::array<std::array<int64_t, 32>, 3> axisHistogram{};  // red, green, blue
  std::array<int32_t, 3> low{};            // inclusive
  std::array<int32_t, 3> high{};           // exclusive
};

struct TVarianceQuantState {
  std::vector<int64_t> histogram;          // 32768 cells: (r5 shl 10) or (g5 shl 5) or b5
  std::vector<TVarianceBox> boxes;
  std::vector<uint8_t> inverseMap;         // box index of each cell
  int64_t totalPixels = 0;
};

// Splits the colours of an ie24RGB bitmap into at most `colours` boxes (never more than
// kVarianceQuantMaxBoxes) and writes the boxes' colours into palette entries 0, 1, ...
std::unique_ptr<TVarianceQuantState> VarianceQuantBuild(TIEBitmap* bitmap, std::span<TRGB> palette,
                                                        int32_t colours);
// The palette index of a packed RGB value.
int32_t VarianceQuantLookup(const TVarianceQuantState& state, int32_t packedRGB);

}  // namespace imaging
