// Splitting a drawing's rows into bands computed on several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace bitmap {

// Below this many destination pixels a drawing stays on the calling thread.
constexpr int64_t kParallelPixels = 128 * 1024;

// Calls band(first, end) for consecutive bands of [0, rowCount) that together cover it once,
// on up to one thread per processor (the calling thread among them; each takes the next band
// when it has finished one) and returns when all are done. The bands must touch disjoint
// memory. An exception in a band is raised
// again on the calling thread once every band has finished.
void ParallelRows(int32_t rowCount, const std::function<void(int32_t first, int32_t end)>& band);

// Copies bytes from src to dst (which must not overlap) like memcpy; a large block is copied in
// bands on the worker threads: one thread alone reaches only part of the memory's bandwidth
// (measured: a 48 MB copy took half the time on two threads as on one).
void ParallelCopy(void* dst, const void* src, size_t bytes);

// The number of threads ParallelRows uses at most.
int32_t ParallelRowThreads();
// Caps the threads ParallelRows uses (1 keeps every drawing on its calling thread); 0 or less
// lifts the cap. For measurements that compare with one-threaded peers.
void SetParallelRowThreadLimit(int32_t threads);

}  // namespace bitmap
