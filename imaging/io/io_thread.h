// TIEIOThread: one asynchronous call of a TImageIO. The worker calls the same public method
// again on its own thread, where the object sees that it runs inside one of its workers and does
// the work there. The workers of one object take turns in the order they were created, since
// they share the object's target bitmap and parameter block.
#pragma once

#include <functional>
#include <memory>

#include "imaging/io/image_io.h"
#include "vcl/runtime/threads.h"

namespace imaging {

class TIEIOThread : public vcl::TThread {
  VCL_CLASS(TIEIOThread, vcl::TThread)
  // Registers with `io` (made with vcl::NewThread: it starts once constructed). `call` repeats
  // the public method with its arguments.
  TIEIOThread(TImageIO* io, std::function<void()> call);

  // Leaves the object's list if it is still in it (a thread that never ran).
  ~TIEIOThread() override;
  // Set when the object is told to abort before this call got its turn: it then only reports.
  void Cancel() { cancelled_ = true; }

 protected:
  // Waits for its turn, runs the call (any exception only sets the aborting flag), frees itself
  // and leaves the object's list; the object is not touched after that.
  void Execute() override;

 private:
  TImageIO* io_;
  std::function<void()> call_;
  std::shared_ptr<TImageIO::TWorkers> workers_;
  // Whether it is still in the object's list.
  bool listed_ = false;
  std::atomic<bool> cancelled_{false};
};

}  // namespace imaging
