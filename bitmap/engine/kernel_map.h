// The resampling kernels of the stretch filters and the weight tables built from them: for
// each destination column (or row) the source positions that make it up and their weights.
// All of it works in single precision, so that every platform maps pixels the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap/engine/bitmap32.h"

namespace bitmap {

// One weighted source position: an absolute column or row, and a weight in 1/256.
struct TClusterEntry {
  int32_t Position = 0;
  int32_t Weight = 0;
  friend bool operator==(const TClusterEntry&, const TClusterEntry&) = default;
};
// The source positions that make up one destination column (or row); the weights sum to 256.
using TCluster = std::vector<TClusterEntry>;
// One cluster per column (or row) of the clipped destination, the first clipped one first.
using TMappingTable = std::vector<TCluster>;

using TFilterKernel = float (*)(float x);

float BoxKernel(float x);
float TentKernel(float x);
float BSplineKernel(float x);
float Lanczos3Kernel(float x);
float MitchellKernel(float x);
// sin(x * pi) / (x * pi), 1 at 0.
float Sinc(float x);

// The kernel of a filter and the radius around a destination centre that it covers.
TFilterKernel FilterKernel(TStretchFilter filter);
float FilterSupport(TStretchFilter filter);
// Whether the kernel has negative lobes, so that sums can leave 0..255.
bool FilterHasNegativeLobes(TStretchFilter filter);

// The table for one axis: source span [srcLo, srcHi) drawn onto [dstLo, dstHi), of which
// [clipLo, clipHi) is written. No source span gives an empty table; a one-pixel span gives
// that pixel at full weight everywhere.
TMappingTable BuildKernelMap(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                             int32_t srcLo, int32_t srcHi, TStretchFilter filter);

// The same table in one block: cluster i is entries[first[i]] .. entries[first[i + 1] - 1].
// The resampler builds this form, which needs no allocation per cluster.
struct TFlatMappingTable {
  std::vector<size_t> first;  // one more than there are clusters
  std::vector<TClusterEntry> entries;
  int32_t Count() const { return first.empty() ? 0 : int32_t(first.size()) - 1; }
  const TClusterEntry* Begin(int32_t i) const { return entries.data() + first[i]; }
  const TClusterEntry* End(int32_t i) const { return entries.data() + first[i + 1]; }
};
TFlatMappingTable BuildFlatKernelMap(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                                     int32_t srcLo, int32_t srcHi, TStretchFilter filter);

}  // namespace bitmap
