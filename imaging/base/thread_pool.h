// TIEThreadPool: runs a batch of worker threads and waits for them in the order they were
// added. Usage: create, Add each worker (created suspended), WaitForAll, free.
#pragma once

#include <vector>

#include "vcl/runtime/system.h"

namespace vcl {
class TThread;
}

namespace imaging {

class TIEThreadPool : public vcl::TObject {
  VCL_CLASS(TIEThreadPool, vcl::TObject)
  TIEThreadPool() = default;
  // Waits for and frees the threads still in the pool.
  ~TIEThreadPool() override;

  // Takes a thread created suspended, owns it and lets it run.
  void Add(vcl::TThread* thread);
  // Waits for each thread in the order they were added and frees it. Every thread is freed
  // even when waiting raises; the first exception is raised again afterwards.
  void WaitForAll();
  int Count() const { return static_cast<int>(threads_.size()); }

 private:
  std::vector<vcl::TThread*> threads_;
};

}  // namespace imaging
