#include "vcl/runtime/threads.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace vcl {

uint32_t MainThreadID = GetCurrentThreadId();
std::function<void()> WakeMainThread;

namespace {

// One call waiting for the main thread.
struct SyncCall {
  SyncCall(TThreadMethod method, TThread* thread, bool synchronous)
      : method(std::move(method)), thread(thread), synchronous(synchronous) {}

  TThreadMethod method;
  TThread* thread = nullptr;
  bool synchronous = false;
  HANDLE done = nullptr;  // synchronous calls: signalled once the call has run
  std::exception_ptr error;
};

// The calls waiting for the main thread, in the order they were queued.
class SyncQueue {
 public:
  SyncQueue() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  HANDLE Event() const { return event_; }

  void Push(std::shared_ptr<SyncCall> call) {
    lock_.Enter();
    calls_.push_back(std::move(call));
    ::SetEvent(event_);
    lock_.Leave();
    if (WakeMainThread) {
      // Only a hint to the main thread: the event above is set whatever happens here.
      try {
        WakeMainThread();
      } catch (...) {
      }
    }
  }

  // The oldest call, or none; the event is cleared once nothing waits.
  std::shared_ptr<SyncCall> Pop() {
    lock_.Enter();
    std::shared_ptr<SyncCall> call;
    if (!calls_.empty()) {
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    if (calls_.empty()) ::ResetEvent(event_);
    lock_.Leave();
    return call;
  }

  void RemoveAsynchronous(TThread* thread) {
    lock_.Enter();
    calls_.erase(std::remove_if(calls_.begin(), calls_.end(),
                                [thread](const std::shared_ptr<SyncCall>& call) {
                                  return !call->synchronous && call->thread == thread;
                                }),
                 calls_.end());
    if (calls_.empty()) ::ResetEvent(event_);
    lock_.Leave();
  }

 private:
  TCriticalSection lock_;
  std::deque<std::shared_ptr<SyncCall>> calls_;
  HANDLE event_;
};

SyncQueue& PendingCalls() {
  static SyncQueue queue;
  return queue;
}

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID; }

// Closes a handle when the scope ends.
struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() {
    if (handle) CloseHandle(handle);
  }
};

const int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                           THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                           THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                           THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

void* SyncEvent() { return PendingCalls().Event(); }

bool CheckSynchronize(uint32_t timeoutMs) {
  if (!OnMainThread())
    throw EThread("CheckSynchronize called from a thread that is not the main thread");
  SyncQueue& queue = PendingCalls();
  if (timeoutMs > 0) WaitForSingleObject(queue.Event(), timeoutMs);
  bool ran = false;
  while (std::shared_ptr<SyncCall> call = queue.Pop()) {
    ran = true;
    if (!call->synchronous) {
      call->method();
      continue;
    }
    // The waiting thread gets the exception back; it must not unwind the main thread.
    try {
      call->method();
    } catch (...) {
      call->error = std::current_exception();
    }
    ::SetEvent(call->done);
  }
  return ran;
}

// The platform's entry point of every thread; nothing may unwind out of it.
struct ThreadEntry {
  static DWORD WINAPI Proc(LPVOID param) { return static_cast<TThread*>(param)->Run(); }
};

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {
  DWORD id = 0;
  handle_ = CreateThread(nullptr, 0, &ThreadEntry::Proc, this, CREATE_SUSPENDED, &id);
  if (!handle_) throw EThread("Thread creation error: " + SysErrorMessage(GetLastError()));
  threadID_ = id;
}

void* TThread::operator new(std::size_t size) { return ::operator new(size); }

void TThread::operator delete(void* block) { ::operator delete(block); }

void TThread::operator delete(TThread* thread, std::destroying_delete_t) {
  // The thread may still use members of the derived classes: stop it while they exist.
  thread->StopAndWait();
  void* block = dynamic_cast<void*>(thread);
  thread->~TThread();
  ::operator delete(block);
}

TThread::~TThread() {
  // Reached directly only for objects that were not made with new.
  StopAndWait();
  RemoveQueuedEvents(this);
  if (handle_) CloseHandle(handle_);
}

uint32_t TThread::Run() {
  if (abandoned_) return 0;
  try {
    if (!terminated_) Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
  // Execute may have asked for it (a worker that frees itself once done).
  bool freeThread = freeOnTerminate_;
  uint32_t result = returnValue_;
  finished_ = true;
  try {
    DoTerminate();
  } catch (...) {
    if (!fatalException_) fatalException_ = std::current_exception();
  }
  if (freeThread) {
    try {
      delete this;
    } catch (...) {
    }
  }
  return result;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::AfterConstruction() {
  if (!createSuspended_ && !started_) Start();
}

void TThread::Start() {
  if (started_.exchange(true))
    throw EThread("Cannot call Start on a running or suspended thread");
  suspended_ = false;
  ResumeThread(handle_);
}

void TThread::Resume() {
  if (!started_) {
    Start();
    return;
  }
  DWORD previous = ResumeThread(handle_);
  if (previous == static_cast<DWORD>(-1))
    throw EThread("Thread Error: " + SysErrorMessage(GetLastError()));
  if (previous <= 1) suspended_ = false;
}

void TThread::Suspend() {
  // A thread that has never run is suspended already.
  if (!started_) return;
  bool wasSuspended = suspended_.exchange(true);
  if (SuspendThread(handle_) == static_cast<DWORD>(-1)) {
    suspended_ = wasSuspended;
    throw EThread("Thread Error: " + SysErrorMessage(GetLastError()));
  }
}

void TThread::Terminate() { terminated_ = true; }

TThreadPriority TThread::Priority() const {
  int value = GetThreadPriority(handle_);
  for (int p = tpIdle; p <= tpTimeCritical; ++p)
    if (kPriorities[p] == value) return static_cast<TThreadPriority>(p);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority value) {
  if (value < tpIdle || value > tpTimeCritical) throw EThread("Invalid thread priority");
  SetThreadPriority(handle_, kPriorities[value]);
}

uint32_t TThread::WaitFor() {
  if (GetCurrentThreadId() == threadID_) throw EThread("A thread cannot wait for itself");
  // Such a thread may be gone by the time the wait ends.
  if (freeOnTerminate_) throw EThread("Cannot wait for a thread that frees itself");
  if (!started_) throw EThread("Cannot wait for a thread that was never started");
  WaitUntilEnded(true);
  return returnValue_;
}

void TThread::WaitUntilEnded(bool raiseQueuedErrors) {
  if (!OnMainThread()) {
    WaitForSingleObject(handle_, INFINITE);
    return;
  }
  HANDLE handles[2] = {handle_, PendingCalls().Event()};
  std::exception_ptr queuedError;
  for (;;) {
    DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) break;
    if (result == WAIT_OBJECT_0 + 1) {
      try {
        CheckSynchronize();
      } catch (...) {
        if (!queuedError) queuedError = std::current_exception();
      }
    } else if (result == WAIT_OBJECT_0 + 2) {
      // Lets messages sent by other threads' windows through without taking posted ones.
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
  }
  if (raiseQueuedErrors && queuedError) std::rethrow_exception(queuedError);
}

void TThread::StopAndWait() {
  if (!handle_ || GetCurrentThreadId() == threadID_) return;
  if (!started_.exchange(true)) {
    // Never ran: let it go so that it ends at once without calling into this object.
    abandoned_ = true;
    ResumeThread(handle_);
    WaitForSingleObject(handle_, INFINITE);
    return;
  }
  if (WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0) return;
  terminated_ = true;
  // Undo every Suspend, so that the thread can see the request and end.
  for (DWORD count = ResumeThread(handle_); count > 1 && count != static_cast<DWORD>(-1);
       count = ResumeThread(handle_)) {
  }
  suspended_ = false;
  WaitUntilEnded(false);
}

void TThread::Synchronize(TThread* thread, TThreadMethod method) {
  if (OnMainThread()) {
    method();
    return;
  }
  auto call = std::make_shared<SyncCall>(std::move(method), thread, true);
  call->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!call->done) throw EThread("Thread Error: " + SysErrorMessage(GetLastError()));
  HandleCloser closer{call->done};
  PendingCalls().Push(call);
  WaitForSingleObject(call->done, INFINITE);
  if (call->error) std::rethrow_exception(call->error);
}

void TThread::Queue(TThread* thread, TThreadMethod method) {
  if (OnMainThread()) {
    method();
    return;
  }
  PendingCalls().Push(std::make_shared<SyncCall>(std::move(method), thread, false));
}

void TThread::RemoveQueuedEvents(TThread* thread) { PendingCalls().RemoveAsynchronous(thread); }

// Critical section ---------------------------------------------------------------------------

static_assert(sizeof(CRITICAL_SECTION) <= 48 && alignof(CRITICAL_SECTION) <= 8,
              "TCriticalSection has no room for the platform's critical section");

TCriticalSection::TCriticalSection() {
  InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

TCriticalSection::~TCriticalSection() {
  DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

void TCriticalSection::Acquire() {
  EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

void TCriticalSection::Release() {
  LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

bool TCriticalSection::TryEnter() {
  return TryEnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)) != FALSE;
}

// Events -------------------------------------------------------------------------------------

THandleObject::~THandleObject() {
  if (handle_) CloseHandle(handle_);
}

TWaitResult THandleObject::WaitFor(uint32_t timeoutMs) {
  switch (WaitForSingleObject(handle_, timeoutMs)) {
    case WAIT_OBJECT_0:
      return wrSignaled;
    case WAIT_TIMEOUT:
      return wrTimeout;
    case WAIT_ABANDONED:
      return wrAbandoned;
    default:
      lastError_ = GetLastError();
      return wrError;
  }
}

TEvent::TEvent() : TEvent(true, false) {}

TEvent::TEvent(bool manualReset, bool initialState, const std::string& name) {
  handle_ = CreateEventA(nullptr, manualReset, initialState, name.empty() ? nullptr : name.c_str());
  if (!handle_) {
    unsigned long error = GetLastError();
    throw EOSError(SysErrorMessage(error), error);
  }
}

void TEvent::SetEvent() { ::SetEvent(handle_); }

void TEvent::ResetEvent() { ::ResetEvent(handle_); }

// Thread list ---------------------------------------------------------------------------------

void TThreadList::Add(void* item) {
  TList* list = LockList();
  try {
    if (duplicates_ == dupAccept || list->IndexOf(item) < 0)
      list->Add(item);
    else if (duplicates_ == dupError)
      throw EListError(Format("List does not allow duplicates ($0%x)", reinterpret_cast<intptr_t>(item)));
  } catch (...) {
    UnlockList();
    throw;
  }
  UnlockList();
}

void TThreadList::Remove(void* item) {
  LockList()->Remove(item);
  UnlockList();
}

void TThreadList::Clear() {
  LockList()->Clear();
  UnlockList();
}

TList* TThreadList::LockList() {
  lock_.Enter();
  return &list_;
}

void TThreadList::UnlockList() { lock_.Leave(); }

}  // namespace vcl
