// The two passes of the kernel resampler over plain byte rows: the horizontal pass turns a
// source row into a row of the destination's width, the vertical pass mixes rows of the
// intermediate into one destination row. Weights are 8.8 fixed point, sums are integers, and
// each pixel is the sum divided (truncating) by the sum of the weights, clamped to 0..255.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/routines/resample_filters.h"

namespace imaging {

// What a list whose weights sum to 0 gives.
enum class TZeroWeightRule {
  AsWeight256,    // the sum is divided by 256
  UnsignedShift,  // the sum, read as an unsigned 32-bit number, shifted right by 8
};

// Bytes a row handed to the passes must be readable past its last pixel: the row loops load
// whole 4- and 16-byte words.
constexpr int32_t kResampleRowSlack = 16;

// The horizontal pass for one contributor table, with its per-column data prepared once so
// that any number of threads can run rows through it.
class THorizontalResampler {
 public:
  // channels: 3 (blue, green, red) or 1.
  THorizontalResampler(const TContributorTable& table, int32_t channels, TZeroWeightRule rule);

  // source: a row of the source width, readable kResampleRowSlack bytes past its end.
  // dest: room for the destination width plus kResampleRowSlack bytes.
  void Run(const uint8_t* source, uint8_t* dest) const;

 private:
  struct Column {
    int32_t firstPair;
    int32_t pairCount;
    int32_t weightSum;
    float reciprocal;  // 1 / weightSum when the fast division is exact for it, else 0
  };
  struct TapPair {
    int32_t offsetA;
    int32_t offsetB;
    int32_t weights;  // weight A in the low 16 bits, weight B in the high 16 bits
  };
  void RunThreeChannels(const uint8_t* source, uint8_t* dest) const;
  void RunOneChannel(const uint8_t* source, uint8_t* dest) const;

  int32_t channels_;
  TZeroWeightRule rule_;
  std::vector<Column> columns_;
  std::vector<TapPair> pairs_;
};

// One row of the vertical pass: out[x] for x < bytes from rows[k][x] weighted by weights[k].
// Each of the rows must be readable up to bytes rounded up to 16. A weight sum of 0 gives the
// unsigned shift.
void ResampleVerticalRow(const uint8_t* const* rows, const int32_t* weights, int32_t count, uint8_t* out,
                         int32_t bytes);

}  // namespace imaging
