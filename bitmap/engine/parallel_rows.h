// Splitting a drawing's rows into bands computed on several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "vcl/runtime/parallel_bands.h"

namespace bitmap {

// Below this many destination pixels a drawing stays on the calling thread.
constexpr int64_t kParallelPixels = 128 * 1024;

// The worker pool lives in the runtime library, shared with the image library: calls
// band(first, end) over [0, rowCount) on up to one thread per processor (see there).
using vcl::ParallelRows;
using vcl::ParallelRowThreads;
using vcl::SetParallelRowThreadLimit;

// Copies bytes from src to dst (which must not overlap) like memcpy; a large block is copied in
// bands on the worker threads: one thread alone reaches only part of the memory's bandwidth
// (measured: a 48 MB copy took half the time on two threads as on one).
void ParallelCopy(void* dst, const void* src, size_t bytes);

}  // namespace bitmap
