// The worker list of one TImageIO, shared with its workers so that a worker that ends last can
// still leave the lock it just released while the object is being destroyed.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/io/image_io.h"
#include "vcl/runtime/win.h"

namespace imaging {

struct TImageIO::TWorkers {
  TWorkers() {
    InitializeCriticalSection(&lock);
    InitializeConditionVariable(&changed);
  }
  ~TWorkers() { DeleteCriticalSection(&lock); }
  TWorkers(const TWorkers&) = delete;
  TWorkers& operator=(const TWorkers&) = delete;

  CRITICAL_SECTION lock;
  // Woken (all waiters) whenever a worker ends: the next one's turn, or an empty list.
  CONDITION_VARIABLE changed;
  std::vector<TIEIOThread*> list;
  uint64_t nextTicket = 0;
  // The ticket of the call that may run now.
  uint64_t serving = 0;
};

}  // namespace imaging
