// The inner loops of the stretch transfer, built once per instruction set (see
// resample_rows_impl.h). The kernel resampler's work on a separable form of the weight
// tables: a destination pixel is a weighted sum over a few source rows (the vertical pass, on
// 8-bit channels) and then over a run of consecutive columns of those sums (the horizontal
// pass). The sums are exact 32-bit integer arithmetic, so every build gives the same bits;
// so do the bilinear mixes and the nearest-neighbour gathering.
#pragma once

#include <cstdint>

#include "bitmap/engine/blend_rows.h"
#include "bitmap/engine/colour32.h"

namespace bitmap {

struct TResampleRowKernels {
  // For each column x in 0 .. count - 1 and each channel, sums[4x + c] = the sum over k of
  // weights[k] * channel c of rows[k][x]; channels in memory order (blue, green, red,
  // alpha). rowCount is even.
  void (*VerticalSums)(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                       int32_t count, int32_t* sums);
  // For each destination pixel i in 0 .. count - 1: the four channel sums
  // sum over t < taps of weight(i, t) * sums[4 * (starts[i] + t) + c], each clamped to
  // 0 .. 0xFF0000 and its bits 16..23 taken as the channel. taps is even; the weights come
  // in pairs of taps, each pair spread over eight values (the first tap's weight four times,
  // then the second's): weight(i, t) = weights[4 * (i * taps + t)], and the same at +1..+3.
  void (*HorizontalPack)(const int32_t* sums, const int32_t* starts, const int32_t* weights,
                         int32_t taps, int32_t count, TColor32* out);

  // The same two passes for tables without negative weights, where every column sum (at most
  // 255 * 256) fits 16 bits: sums[4x + c] holds the sum minus 32768. Rows of weight 0 are
  // skipped, so rowCount may be odd. For the horizontal pass taps is a multiple of 4 and the
  // weights come in groups of four taps, each group as (w0, w1) four times, then (w2, w3)
  // four times; each run's weights add up to 256.
  void (*VerticalSums16)(const TColor32* const* rows, const int16_t* weights, int32_t rowCount,
                         int32_t count, int16_t* sums);
  void (*HorizontalPack16)(const int16_t* sums, const int32_t* starts, const int16_t* weights,
                           int32_t taps, int32_t count, TColor32* out);

  // Bilinear enlargement, one channel at a time: (a * w + b * (256 - w)) >> 8 with w in
  // 0..256. MixRows: out[x] mixes upper[x] (weight w) and lower[x]. MixColumns: out[i] mixes
  // mixed[left[i]] (weight weights[i]) and mixed[right[i]].
  void (*MixRows)(const TColor32* upper, const TColor32* lower, uint32_t weight, int32_t count,
                  TColor32* out);
  void (*MixColumns)(const TColor32* mixed, const int32_t* left, const int32_t* right,
                     const int32_t* weights, int32_t count, TColor32* out);

  // Nearest neighbour: out[i] = row[columns[i]].
  void (*GatherColumns)(const TColor32* row, const int32_t* columns, int32_t count,
                        TColor32* out);
};

// The loops of one build; nil when this processor lacks the build's instructions.
const TResampleRowKernels* ResampleRowKernels(TKernelSet set);
// The build chosen for this processor.
const TResampleRowKernels& ResampleRowKernels();

namespace detail {
extern const TResampleRowKernels kBaselineResampleRows;
extern const TResampleRowKernels kAvx2ResampleRows;
}  // namespace detail

}  // namespace bitmap
