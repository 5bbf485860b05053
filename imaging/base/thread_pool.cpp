#include "imaging/base/thread_pool.h"

#include <exception>

#include "vcl/runtime/threads.h"

namespace imaging {

TIEThreadPool::~TIEThreadPool() {
  try {
    WaitForAll();
  } catch (...) {
    // A destructor cannot raise; the threads are freed all the same.
  }
}

void TIEThreadPool::Add(vcl::TThread* thread) {
  threads_.push_back(thread);
  thread->Resume();
}

void TIEThreadPool::WaitForAll() {
  std::vector<vcl::TThread*> threads;
  threads.swap(threads_);
  std::exception_ptr failure;
  for (vcl::TThread* thread : threads) {
    try {
      thread->WaitFor();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    delete thread;
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace imaging
