#include "imaging/io/io_thread.h"

#include <utility>

#include "imaging/io/io_workers.h"

namespace imaging {

TIEIOThread::TIEIOThread(TImageIO* io, std::function<void()> call)
    : vcl::TThread(false), io_(io), call_(std::move(call)), workers_(io->workers_) {
  EnterCriticalSection(&workers_->lock);
  ticket_ = workers_->nextTicket++;
  workers_->list.push_back(this);
  LeaveCriticalSection(&workers_->lock);
}

void TIEIOThread::Execute() {
  TImageIO::TWorkers& workers = *workers_;
  EnterCriticalSection(&workers.lock);
  while (workers.serving != ticket_) SleepConditionVariableCS(&workers.changed, &workers.lock, INFINITE);
  LeaveCriticalSection(&workers.lock);
  try {
    if (cancelled_) {
      io_->SetAborting(true);
      io_->DoFinishWork();
    } else {
      call_();
    }
  } catch (...) {
    // Nothing of a call reaches the caller, who has long returned: it only fails.
    io_->SetAborting(true);
  }
  try {
    // What the call holds (a copied buffer, say) goes while the object still exists.
    call_ = nullptr;
  } catch (...) {
  }
  SetFreeOnTerminate(true);
  io_->WorkerEnded(this);
}

}  // namespace imaging
