// The kernel resampler's road for large reductions: the source is first shrunk by a whole
// factor per axis with a box average, and the kernel then filters what remains, vertically
// first, in strips of a few destination rows that stay in the processor's cache, the strips
// spread over the runtime's worker threads. The result follows the filter as the two exact
// passes do, within a few levels where the box average and the other order of the passes
// round differently; it costs a fraction of their time.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/base/defs.h"

namespace imaging {

// The whole factor an axis going from sourceSize to destSize is box-shrunk by first: half the
// reduction, rounded down, so that the kernel still filters at least a 2:1 reduction; 1 when
// the axis grows, keeps its size, or becomes a single pixel.
int32_t ResampleShrinkFactor(int32_t sourceSize, int32_t destSize);

// Whether ResampleBitmap takes the shrinking road for a source and destination of these
// sizes: a source of at least kShrinkMinPixels (below, the exact passes fit in the cache and
// take little time), no axis growing, and at least one shrink factor of 2 or more.
constexpr int64_t kShrinkMinPixels = 512 * 1024;
bool UsesShrinkingResample(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH);

// The rows of a 24-bit source (srcW x srcH, blue, green, red) resampled into the rows of a
// 24-bit destination with a kernel-table filter and the given shrink factors. Rows are
// plain memory that any thread may read or write. afterRows(n) runs on the calling thread
// with the number of destination rows finished so far (for progress).
void ShrinkingResample24(const std::vector<const uint8_t*>& sourceRows, int32_t srcW, int32_t srcH,
                         const std::vector<uint8_t*>& destRows, int32_t dstW, int32_t dstH,
                         TResampleFilter filter, int32_t shrinkX, int32_t shrinkY,
                         const std::function<void(int32_t rowsDone)>& afterRows);

}  // namespace imaging
