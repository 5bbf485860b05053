// The kernels of the resampling filters and the contributor lists built from them: for each
// destination column (or row), the source positions that feed it and their weights in 8.8
// fixed point.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/base/defs.h"

namespace imaging {

// sin(pi x) / (pi x), and 1 at x = 0.
double NormalizedSinc(double x);

// x is the distance in source pixels.
double TriangleKernel(double x);
double HermiteKernel(double x);
double BellKernel(double x);
double BSplineKernel(double x);
double Lanczos3Kernel(double x);
// Mitchell-Netravali with B = C = 1/3.
double MitchellKernel(double x);
// 1 on (-0.5, 0.5]: open at -0.5, closed at +0.5.
double BoxKernel(double x);
double LinearKernel(double x);

using TResampleKernel = double (*)(double x);

struct TResampleFilterInfo {
  TResampleKernel kernel;  // nullptr for the filters that have no kernel
  double support;
};

// Indexed by TResampleFilter: rfTriangle .. rfLinear have a kernel and its support; the
// other rows hold nullptr and 0.
extern const TResampleFilterInfo ResampleFilterTable[14];

// Whether the filter is one of the kernel-table filters rfTriangle .. rfLinear.
bool HasResampleKernel(TResampleFilter filter);

// (dst - 1) / (src - 1), or dst / src when either size is 1: the first and last pixels of
// source and destination map onto each other.
double ResampleScale(int32_t sourceSize, int32_t destSize);

struct ResampleContributor {
  int32_t index;   // source position, mirrored and clamped into the source
  int32_t weight;  // kernel value times 256, rounded
};

// The kernel of a filter placed over one axis: its scale (below 1 when reducing, where the
// kernel is stretched by 1 / scale) and its reach around a position. No kernel (nullptr) for
// filters without one or an empty source.
struct TKernelPlacement {
  TKernelPlacement(int32_t sourceSize, int32_t destSize, TResampleFilter filter);
  TResampleKernel kernel = nullptr;
  double scale = 1;
  bool reducing = false;
  double width = 0;
};

// The contributor lists of one axis, one per destination position, in one block.
class TContributorTable {
 public:
  // The lists for destSize positions over sourceSize positions with a kernel-table filter
  // (anything else gives empty lists). Entries with weight 0 are left out.
  TContributorTable(int32_t sourceSize, int32_t destSize, TResampleFilter filter)
      : TContributorTable(sourceSize, destSize, filter, 1) {}
  // The same positions over the source shrunk by a whole factor first (each pixel of the
  // shrunk source the average of a block of `shrink` source pixels, the last block possibly
  // shorter): each list gives a block the sum of its pixels' weights and indexes the shrunk
  // source. shrink 1 is the table above.
  TContributorTable(int32_t sourceSize, int32_t destSize, TResampleFilter filter, int32_t shrink);

  int32_t Size() const { return static_cast<int32_t>(weightSums_.size()); }
  int32_t Count(int32_t position) const { return static_cast<int32_t>(starts_[position + 1] - starts_[position]); }
  const ResampleContributor* List(int32_t position) const { return entries_.data() + starts_[position]; }
  // The sum of the list's weights.
  int32_t WeightSum(int32_t position) const { return weightSums_[position]; }
  // The longest list.
  int32_t MaxCount() const { return maxCount_; }

 private:
  void BuildExact(const TKernelPlacement& place, int32_t sourceSize, int32_t destSize);
  void BuildShrunk(const TKernelPlacement& place, int32_t sourceSize, int32_t destSize, int32_t shrink);
  // Closes the list begun at entry `first`, whose weights add up to sum.
  void EndList(size_t first, int32_t sum);

  std::vector<ResampleContributor> entries_;
  std::vector<size_t> starts_;
  std::vector<int32_t> weightSums_;
  int32_t maxCount_ = 0;
};

}  // namespace imaging
