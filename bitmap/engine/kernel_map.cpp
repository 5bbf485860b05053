#include "bitmap/engine/kernel_map.h"

#include <algorithm>
#include <cmath>

namespace bitmap {

// Every intermediate below is a float on purpose: the weights must come out the same on
// every build, so nothing may be kept in wider registers or fused (this file is compiled
// without floating-point contraction).

float BoxKernel(float x) { return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f; }

float TentKernel(float x) {
  const float a = std::fabs(x);
  return a < 1.0f ? 1.0f - a : 0.0f;
}

float BSplineKernel(float x) {
  const float a = std::fabs(x);
  if (a < 1.0f) {
    const float square = a * a;
    const float cube = square * a;
    return cube / 2.0f - square + 2.0f / 3.0f;
  }
  if (a < 2.0f) {
    const float t = 2.0f - a;
    const float square = t * t;
    const float cube = square * t;
    return cube / 6.0f;
  }
  return 0.0f;
}

float Sinc(float x) {
  if (x == 0.0f) return 1.0f;
  const float t = float(double(x) * 3.14159265358979323846);
  return float(std::sin(double(t)) / double(t));
}

float Lanczos3Kernel(float x) {
  const float a = std::fabs(x);
  return a < 3.0f ? Sinc(a) * Sinc(a / 3.0f) : 0.0f;
}

float MitchellKernel(float x) {
  const float a = std::fabs(x);
  const float square = a * a;
  const float cube = square * a;
  if (a < 1.0f) return (7.0f * cube - 12.0f * square + 16.0f / 3.0f) / 6.0f;
  if (a < 2.0f)
    return (-(7.0f / 3.0f) * cube + 12.0f * square - 20.0f * a + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

TFilterKernel FilterKernel(TStretchFilter filter) {
  switch (filter) {
    case sfNearest: return BoxKernel;
    case sfLinear: return TentKernel;
    case sfSpline: return BSplineKernel;
    case sfLanczos: return Lanczos3Kernel;
    case sfMitchell: return MitchellKernel;
  }
  return BoxKernel;
}

float FilterSupport(TStretchFilter filter) {
  switch (filter) {
    case sfNearest: return 1.0f;
    case sfLinear: return 1.0f;
    case sfSpline: return 2.0f;
    case sfLanczos: return 3.0f;
    case sfMitchell: return 2.0f;
  }
  return 1.0f;
}

bool FilterHasNegativeLobes(TStretchFilter filter) {
  return filter == sfLanczos || filter == sfMitchell;
}

TFlatMappingTable BuildFlatKernelMap(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                                     int32_t srcLo, int32_t srcHi, TStretchFilter filter) {
  // Widths in 64 bits: rectangles far outside the bitmaps must not overflow.
  const int64_t srcW = int64_t(srcHi) - srcLo, dstW = int64_t(dstHi) - dstLo;
  const int64_t clipW = int64_t(clipHi) - clipLo;
  TFlatMappingTable table;
  if (srcW <= 0 || dstW <= 0 || clipW <= 0) return table;
  table.first.reserve(static_cast<size_t>(clipW) + 1);
  table.first.push_back(0);
  if (srcW == 1) {
    table.entries.assign(static_cast<size_t>(clipW), TClusterEntry{srcLo, 256});
    for (int64_t i = 1; i <= clipW; ++i) table.first.push_back(size_t(i));
    return table;
  }

  const TFilterKernel kernel = FilterKernel(filter);
  float radius = FilterSupport(filter);
  const float scale = float(dstW) / float(srcW);
  const float step = 1.0f / scale;
  const bool shrinking = scale < 1.0f;
  if (shrinking) radius = radius * step;  // the kernel is widened to cover the source pixels
  const float firstCentre = float(srcLo) - 0.5f;
  const int64_t offset = int64_t(clipLo) - dstLo;

  for (int64_t i = 0; i < clipW; ++i) {
    const size_t begin = table.entries.size();
    const float centre = firstCentre + (float(i + offset) + 0.5f) * step;
    const int64_t first = int64_t(std::floor(centre - radius));
    const int64_t last = int64_t(std::ceil(centre + radius));
    int32_t count = -256;
    for (int64_t j = first; j <= last; ++j) {
      const float distance = centre - float(j);
      const int32_t weight =
          shrinking ? int32_t(std::nearbyint(kernel(distance * scale) * 256.0f * scale))
                    : int32_t(std::nearbyint(kernel(distance) * 256.0f));
      if (weight == 0) continue;
      table.entries.push_back(
          TClusterEntry{int32_t(std::clamp<int64_t>(j, srcLo, srcHi - 1)), weight});
      count += weight;
    }
    const size_t size = table.entries.size() - begin;
    if (size == 0) {
      // Every weight rounded away (a very strong reduction): the nearest pixel stands alone.
      const int64_t nearest = int64_t(std::floor(centre));
      table.entries.push_back(
          TClusterEntry{int32_t(std::clamp<int64_t>(nearest, srcLo, srcHi - 1)), 256});
    } else if (count != 0) {
      // Rounding left the weights off 256: the middle entry absorbs the difference.
      table.entries[begin + (size - 1) / 2].Weight -= count;
    }
    table.first.push_back(table.entries.size());
  }
  return table;
}

TMappingTable BuildKernelMap(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                             int32_t srcLo, int32_t srcHi, TStretchFilter filter) {
  const TFlatMappingTable flat =
      BuildFlatKernelMap(dstLo, dstHi, clipLo, clipHi, srcLo, srcHi, filter);
  TMappingTable table(static_cast<size_t>(flat.Count()));
  for (int32_t i = 0; i < flat.Count(); ++i) table[i].assign(flat.Begin(i), flat.End(i));
  return table;
}

}  // namespace bitmap
