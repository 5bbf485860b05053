// The worker list of one TImageIO, shared with its workers so that a worker that ends last can
// still leave the lock it just released while the object is being destroyed.
#pragma once

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

  // Takes a worker out of the list and wakes the waiters: the next worker's turn, or an empty
  // list.
  void Remove(TIEIOThread* worker) {
    EnterCriticalSection(&lock);
    for (auto it = list.begin(); it != list.end(); ++it)
      if (*it == worker) {
        list.erase(it);
        break;
      }
    WakeAllConditionVariable(&changed);
    LeaveCriticalSection(&lock);
  }

  CRITICAL_SECTION lock;
  // Woken (all waiters) whenever a worker leaves the list.
  CONDITION_VARIABLE changed;
  // In the order the calls were made; the first one runs.
  std::vector<TIEIOThread*> list;
};

}  // namespace imaging
