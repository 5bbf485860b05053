#include "imaging/model/routines/resample_filters.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A weight in 8.8 fixed point, halves to even.
int32_t RoundWeight(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

// Reflects a position that lies outside the source back into it (-1 -> 1, size -> size - 1),
// then clamps what is still outside (a source narrower than the kernel).
int32_t MirrorIndex(int64_t j, int32_t size) {
  if (j < 0)
    j = -j;
  else if (j >= size)
    j = 2 * int64_t(size) - j - 1;
  if (j < 0) j = 0;
  if (j > size - 1) j = size - 1;
  return static_cast<int32_t>(j);
}

}  // namespace

double NormalizedSinc(double x) {
  if (x == 0) return 1;
  const double px = kPi * x;
  return std::sin(px) / px;
}

double TriangleKernel(double x) {
  const double t = std::fabs(x);
  return t < 1 ? 1 - t : 0;
}

double HermiteKernel(double x) {
  const double t = std::fabs(x);
  return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
}

double BellKernel(double x) {
  const double t = std::fabs(x);
  if (t < 0.5) return 0.75 - t * t;
  if (t < 1.5) return 0.5 * (t - 1.5) * (t - 1.5);
  return 0;
}

double BSplineKernel(double x) {
  const double t = std::fabs(x);
  if (t < 1) return t * t * t / 2 - t * t + 2.0 / 3.0;
  if (t < 2) return (2 - t) * (2 - t) * (2 - t) / 6;
  return 0;
}

double Lanczos3Kernel(double x) {
  return std::fabs(x) < 3 ? NormalizedSinc(x) * NormalizedSinc(x / 3) : 0;
}

double MitchellKernel(double x) {
  const double t = std::fabs(x);
  if (t < 1) return (7 * t * t * t - 12 * t * t + 16.0 / 3.0) / 6;
  if (t < 2) return (-7.0 / 3.0 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3.0) / 6;
  return 0;
}

double BoxKernel(double x) { return x > -0.5 && x <= 0.5 ? 1 : 0; }

double LinearKernel(double x) {
  if (x >= -1 && x < 0) return 1 + x;
  if (x >= 0 && x < 1) return 1 - x;
  return 0;
}

const TResampleFilterInfo ResampleFilterTable[14] = {
    {nullptr, 0},             // rfNone
    {TriangleKernel, 1.0},    // rfTriangle
    {HermiteKernel, 1.0},     // rfHermite
    {BellKernel, 1.5},        // rfBell
    {BSplineKernel, 2.0},     // rfBSpline
    {Lanczos3Kernel, 3.0},    // rfLanczos3
    {MitchellKernel, 2.0},    // rfMitchell
    {BoxKernel, 1.0},         // rfNearest
    {LinearKernel, 1.0},      // rfLinear
    {nullptr, 0},             // rfFastLinear
    {nullptr, 0},             // rfBilinear
    {nullptr, 0},             // rfBicubic
    {nullptr, 0},             // rfProjectBW
    {nullptr, 0},             // rfProjectWB
};

bool HasResampleKernel(TResampleFilter filter) {
  return filter >= rfTriangle && filter <= rfLinear;
}

double ResampleScale(int32_t sourceSize, int32_t destSize) {
  if (sourceSize == 1 || destSize == 1) return double(destSize) / sourceSize;
  return double(destSize - 1) / (sourceSize - 1);
}

TKernelPlacement::TKernelPlacement(int32_t sourceSize, int32_t destSize, TResampleFilter filter) {
  if (!HasResampleKernel(filter) || sourceSize <= 0) return;
  kernel = ResampleFilterTable[filter].kernel;
  scale = ResampleScale(sourceSize, destSize);
  reducing = scale < 1;
  const double support = ResampleFilterTable[filter].support;
  width = reducing ? support / scale : support;
}

TContributorTable::TContributorTable(int32_t sourceSize, int32_t destSize, TResampleFilter filter, int32_t shrink) {
  if (destSize < 0) destSize = 0;
  starts_.assign(1, 0);
  weightSums_.reserve(destSize);
  starts_.reserve(size_t(destSize) + 1);
  const TKernelPlacement place(sourceSize, destSize, filter);
  if (shrink > 1)
    BuildShrunk(place, sourceSize, destSize, shrink);
  else
    BuildExact(place, sourceSize, destSize);
}

void TContributorTable::EndList(size_t first, int32_t sum) {
  const int32_t count = static_cast<int32_t>(entries_.size() - first);
  if (count > maxCount_) maxCount_ = count;
  starts_.push_back(entries_.size());
  weightSums_.push_back(sum);
}

void TContributorTable::BuildExact(const TKernelPlacement& place, int32_t sourceSize, int32_t destSize) {
  for (int32_t i = 0; i < destSize; ++i) {
    const size_t first = entries_.size();
    int32_t sum = 0;
    if (place.kernel) {
      const double center = i / place.scale;
      const int64_t left = static_cast<int64_t>(std::floor(center - place.width));
      const int64_t right = static_cast<int64_t>(std::ceil(center + place.width));
      for (int64_t j = left; j <= right; ++j) {
        const int32_t weight = place.reducing
                                   ? RoundWeight(place.kernel((center - j) * place.scale) * 256 * place.scale)
                                   : RoundWeight(place.kernel(center - j) * 256);
        if (weight == 0) continue;
        entries_.push_back({MirrorIndex(j, sourceSize), weight});
        sum += weight;
      }
      // At reductions beyond about 1:512 every weight rounds to 0 and the pixel would come out
      // black. Since each pixel is divided by its list's own weight sum, such a list may take
      // the kernel values on a larger common scale: the largest becomes 256, limited so that
      // a sum of weights times 255 stays within 32 bits.
      if (place.reducing && entries_.size() == first) {
        double largest = 0, total = 0;
        for (int64_t j = left; j <= right; ++j) {
          const double k = std::fabs(place.kernel((center - j) * place.scale));
          largest = k > largest ? k : largest;
          total += k;
        }
        if (largest > 0) {
          // Rounding at most doubles a weight that does not vanish, hence the half.
          const double factor = std::fmin(256 / largest, 2147483647.0 / 255 / 2 / total);
          for (int64_t j = left; j <= right; ++j) {
            const int32_t weight = RoundWeight(place.kernel((center - j) * place.scale) * factor);
            if (weight == 0) continue;
            entries_.push_back({MirrorIndex(j, sourceSize), weight});
            sum += weight;
          }
        }
      }
    }
    EndList(first, sum);
  }
}

void TContributorTable::BuildShrunk(const TKernelPlacement& place, int32_t sourceSize, int32_t destSize,
                                    int32_t shrink) {
  const int32_t lastBlock = (sourceSize - 1) / shrink;
  // Kept all 0 between positions: each position clears only the blocks it touched.
  std::vector<double> blockWeights(size_t(lastBlock) + 1, 0.0);

  for (int32_t i = 0; i < destSize; ++i) {
    const size_t first = entries_.size();
    int32_t sum = 0;
    if (place.kernel) {
      // The kernel over the whole source, positions and mirroring as the exact table has
      // them; each source pixel's weight goes to the block that holds it, so the lists filter
      // the shrunk source as the exact ones would a source that is flat within each block.
      const double center = i / place.scale;
      const int64_t left = static_cast<int64_t>(std::floor(center - place.width));
      const int64_t right = static_cast<int64_t>(std::ceil(center + place.width));
      int32_t low = lastBlock, high = 0;
      for (int64_t j = left; j <= right; ++j) {
        const double k =
            place.reducing ? place.kernel((center - j) * place.scale) * place.scale : place.kernel(center - j);
        if (k == 0) continue;
        const int32_t block = MirrorIndex(j, sourceSize) / shrink;
        blockWeights[block] += k;
        low = std::min(low, block);
        high = std::max(high, block);
      }
      double largest = 0, total = 0;
      for (int32_t b = low; b <= high; ++b) {
        largest = std::fmax(largest, std::fabs(blockWeights[b]));
        total += std::fabs(blockWeights[b]);
      }
      // As in the exact table: 8.8 weights, or, where every one of them would round to 0, the
      // largest scaled to 256 with the sum of weights times 255 kept within 32 bits.
      double factor = 256;
      if (largest > 0 && RoundWeight(largest * 256) == 0)
        factor = std::fmin(256 / largest, 2147483647.0 / 255 / 2 / total);
      for (int32_t b = low; b <= high; ++b) {
        const int32_t weight = RoundWeight(blockWeights[b] * factor);
        if (weight == 0) continue;
        entries_.push_back({b, weight});
        sum += weight;
      }
      for (int32_t b = low; b <= high; ++b) blockWeights[b] = 0;
    }
    EndList(first, sum);
  }
}

}  // namespace imaging
