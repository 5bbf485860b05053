#include "vcl/runtime/parallel_bands.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <vector>

#include "vcl/runtime/win.h"

namespace vcl {

namespace {

// More threads than this gain nothing on memory-bound loops.
constexpr int32_t kMaxThreads = 16;

// Rows handed out in chunks: each thread takes the next chunk when it has finished one, so
// a thread the system holds back (other programs are running) leaves its share to the others
// instead of keeping the whole drawing waiting.
constexpr int32_t kChunksPerThread = 4;

struct TWork {
  const std::function<void(int32_t, int32_t)>* body = nullptr;
  int32_t rowCount = 0, chunk = 1;
  std::atomic<int32_t> next{0};
  std::atomic<bool> failed{false};
};

// One thread's part of a drawing: chunks until none is left or a band has failed.
struct TBand {
  TWork* work = nullptr;
  std::exception_ptr failure;

  void Run() {
    try {
      for (;;) {
        if (work->failed.load()) return;
        const int32_t first = work->next.fetch_add(work->chunk);
        if (first >= work->rowCount) return;
        (*work->body)(first, std::min(first + work->chunk, work->rowCount));
      }
    } catch (...) {
      failure = std::current_exception();
      work->failed.store(true);
    }
  }
};

// Worker threads made once, on first use, and kept: starting threads for every drawing
// would cost more than a band of a middle-sized one takes. Worker i waits for its start
// event, runs the band it was given and signals its done event. One drawing uses the
// workers at a time; a drawing that finds them busy (another thread's, or one started from
// inside a band) runs on its own thread alone.
class TWorkerPool {
 public:
  static TWorkerPool& Instance() {
    static TWorkerPool* pool = new TWorkerPool();  // never destroyed: workers outlive main
    return *pool;
  }

  int32_t Threads() const {
    const int32_t all = int32_t(workers_.size()) + 1, limit = limit_.load();
    return limit > 0 && limit < all ? limit : all;
  }
  void SetLimit(int32_t threads) { limit_.store(threads); }

  void Run(int32_t rowCount, const std::function<void(int32_t, int32_t)>& body, int32_t minRowsPerBand) {
    const int32_t parts = std::clamp(rowCount / minRowsPerBand, 1, Threads());
    bool idle = false;
    if (parts == 1 || !busy_.compare_exchange_strong(idle, true)) {
      body(0, rowCount);
      return;
    }
    TWork work;
    work.body = &body;
    work.rowCount = rowCount;
    const int32_t chunks = parts * kChunksPerThread;
    work.chunk = std::max(minRowsPerBand, (rowCount + chunks - 1) / chunks);
    std::vector<TBand> bands(static_cast<size_t>(parts));
    for (TBand& band : bands) band.work = &work;
    std::vector<HANDLE> done;
    for (int32_t p = 1; p < parts; ++p) {
      Worker& worker = workers_[p - 1];
      worker.band = &bands[p];
      SetEvent(worker.start);
      done.push_back(worker.done);
    }
    bands[0].Run();
    WaitForMultipleObjects(DWORD(done.size()), done.data(), TRUE, INFINITE);
    busy_.store(false);
    for (const TBand& band : bands)
      if (band.failure) std::rethrow_exception(band.failure);
  }

 private:
  struct Worker {
    HANDLE start = nullptr, done = nullptr, thread = nullptr;
    TBand* band = nullptr;
  };

  TWorkerPool() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    const int32_t wanted = std::clamp<int32_t>(int32_t(info.dwNumberOfProcessors), 1, kMaxThreads);
    workers_.reserve(static_cast<size_t>(wanted - 1));
    for (int32_t i = 1; i < wanted; ++i) {
      Worker worker;
      worker.start = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      worker.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      if (!worker.start || !worker.done) break;
      workers_.push_back(worker);
      Worker& placed = workers_.back();
      placed.thread = CreateThread(nullptr, 0, WorkerLoop, &placed, 0, nullptr);
      if (!placed.thread) {
        // Fewer workers than processors: the bands are simply larger.
        CloseHandle(placed.start);
        CloseHandle(placed.done);
        workers_.pop_back();
        break;
      }
    }
  }

  static DWORD WINAPI WorkerLoop(void* parameter) {
    auto* worker = static_cast<Worker*>(parameter);
    for (;;) {
      if (WaitForSingleObject(worker->start, INFINITE) != WAIT_OBJECT_0) return 0;
      worker->band->Run();  // catches everything: nothing may unwind into the platform
      SetEvent(worker->done);
    }
  }

  std::atomic<bool> busy_{false};
  std::atomic<int32_t> limit_{0};
  std::vector<Worker> workers_;  // reserved up front: the threads hold pointers into it
};

}  // namespace

int32_t ParallelRowThreads() { return TWorkerPool::Instance().Threads(); }

void SetParallelRowThreadLimit(int32_t threads) { TWorkerPool::Instance().SetLimit(threads); }

void ParallelRows(int32_t rowCount, const std::function<void(int32_t first, int32_t end)>& band,
                  int32_t minRowsPerBand) {
  if (rowCount <= 0) return;
  TWorkerPool::Instance().Run(rowCount, band, std::max<int32_t>(minRowsPerBand, 1));
}

}  // namespace vcl
