#include "imaging/io/io_thread.h"

#include <utility>

#include "imaging/io/io_workers.h"

namespace imaging {

TIEIOThread::TIEIOThread(TImageIO* io, std::function<void()> call)
    : vcl::TThread(false), io_(io), call_(std::move(call)), workers_(io->workers_) {
  EnterCriticalSection(&workers_->lock);
  workers_->list.push_back(this);
  listed_ = true;
  LeaveCriticalSection(&workers_->lock);
}

TIEIOThread::~TIEIOThread() {
  if (listed_) workers_->Remove(this);
}

void TIEIOThread::Execute() {
  TImageIO::TWorkers& workers = *workers_;
  EnterCriticalSection(&workers.lock);
  while (workers.list.front() != this) SleepConditionVariableCS(&workers.changed, &workers.lock, INFINITE);
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
  // The object may be destroyed as soon as the list is empty; the list itself lives on in
  // workers_ until this thread object goes.
  listed_ = false;
  workers_->Remove(this);
}

}  // namespace imaging
