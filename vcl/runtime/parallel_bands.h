// Splitting rows of work into bands computed on several threads at once, on worker threads
// made once and kept for the life of the process (the bitmap engine's drawings and the image
// library's resampler share them).
#pragma once

#include <cstdint>
#include <functional>

namespace vcl {

// Calls band(first, end) for consecutive bands of [0, rowCount) that together cover it once,
// on up to one thread per processor (the calling thread among them; each takes the next band
// when it has finished one) and returns when all are done. The bands must touch disjoint
// memory. An exception in a band is raised again on the calling thread once every band has
// finished. minRowsPerBand: bands smaller than this cost more to hand over than they save.
void ParallelRows(int32_t rowCount, const std::function<void(int32_t first, int32_t end)>& band,
                  int32_t minRowsPerBand = 16);

// The number of threads ParallelRows uses at most.
int32_t ParallelRowThreads();
// Caps the threads ParallelRows uses (1 keeps all work on its calling thread); 0 or less
// lifts the cap. For measurements that compare with one-threaded peers.
void SetParallelRowThreadLimit(int32_t threads);

}  // namespace vcl
