// Threads and synchronisation: TThread with calls marshalled to the main thread (Synchronize,
// Queue, CheckSynchronize), critical sections and events.
//
// Starting a thread. A thread must never run Execute on a half-constructed object, and in C++
// no code of a base class runs after the constructors of the derived classes. So the OS thread
// is always created suspended, and it is let go by Start(). A thread created with
// createSuspended = false starts in AfterConstruction(), which NewThread<T>(...) calls once the
// whole constructor chain has run:
//
//     auto* worker = vcl::NewThread<TMyThread>(false, ...);   // runs now
//     auto* later = new TMyThread(true, ...); later->Start(); // runs from Start
//
// Freeing a thread. `delete thread` on a running thread first terminates it and waits for it
// while the whole object (derived members included) still exists, then destroys it; a class
// operator delete that receives the object before its destructors run makes this possible.
// A thread with FreeOnTerminate deletes itself after Execute and OnTerminate.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/lists.h"
#include "vcl/runtime/system.h"

namespace vcl {

using TThreadMethod = std::function<void()>;

// The thread that initialised this unit at start-up: the process's main thread, on which
// Synchronize and Queue calls run.
extern uint32_t MainThreadID;

// Called (from the queuing thread) whenever a call is queued for the main thread. The
// application object sets it to post a message to its window, so that its message loop runs
// CheckSynchronize.
extern std::function<void()> WakeMainThread;

// The handle of a manual-reset event that is signalled while calls wait for the main thread,
// so that a bare loop can wait on it and then run CheckSynchronize.
void* SyncEvent();

// Runs, on the main thread, the calls that other threads queued for it, in the order they were
// queued. With a timeout it first waits that many milliseconds for work to arrive. Returns
// whether it ran any. An exception of a queued (asynchronous) call leaves this function; the
// calls after it stay queued. Raises EThread on any other thread.
bool CheckSynchronize(uint32_t timeoutMs = 0);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
  VCL_CLASS(TThread, TObject)
  explicit TThread(bool createSuspended);
  ~TThread() override;
  // Stops a running thread before any destructor runs; see the note at the top of this file.
  static void operator delete(TThread* thread, std::destroying_delete_t);
  // The allocation that the operator delete above pairs with, and the release of the memory
  // when a constructor throws.
  static void* operator new(std::size_t size);
  static void operator delete(void* block);

  // Starts the thread unless it was created suspended (NewThread calls it).
  void AfterConstruction() override;
  // Lets a thread that has not run yet go; raises EThread when it was started before.
  void Start();
  // Undoes one Suspend; on a thread that has never run it is Start.
  void Resume();
  void Suspend();
  // Asks Execute to end: it sets the flag that Execute is expected to poll.
  void Terminate();
  // Waits until the thread has ended and returns its ReturnValue. On the main thread it keeps
  // running Synchronize and Queue calls meanwhile, so a worker that synchronises cannot
  // deadlock it. An exception of a queued call run meanwhile is raised once the wait is over.
  uint32_t WaitFor();

  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  bool Suspended() const { return suspended_; }
  void* Handle() const { return handle_; }
  uint32_t ThreadID() const { return threadID_; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority value);
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }
  uint32_t ReturnValue() const { return returnValue_; }
  // The exception that escaped Execute (or OnTerminate), caught at the thread's boundary;
  // empty when none did.
  std::exception_ptr FatalException() const { return fatalException_; }

  // Runs in the main thread, through Synchronize, after Execute has ended.
  std::function<void(TObject* sender)> OnTerminate;

  // From another thread: queues the call for the main thread and blocks until it has run
  // there; an exception of the call is raised again in the calling thread. On the main thread
  // the call runs at once.
  void Synchronize(TThreadMethod method) { Synchronize(this, std::move(method)); }
  static void Synchronize(TThread* thread, TThreadMethod method);
  // Like Synchronize, but returns at once; the call runs later on the main thread (at once when
  // queued from the main thread). Calls queued through the member form belong to the thread and
  // are dropped when it is destroyed before they ran, since they may refer to it; the static
  // form with no thread keeps them.
  void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
  static void Queue(TThread* thread, TThreadMethod method);
  // Drops the queued, not yet run asynchronous calls of a thread (nullptr: of the static form).
  static void RemoveQueuedEvents(TThread* thread);

 protected:
  virtual void Execute() = 0;
  // Runs OnTerminate through Synchronize.
  virtual void DoTerminate();
  void SetReturnValue(uint32_t value) { returnValue_ = value; }

 private:
  friend struct ThreadEntry;
  uint32_t Run();
  // Terminates the thread, lets it run if it is suspended, and waits for it.
  void StopAndWait();
  void WaitUntilEnded(bool raiseQueuedErrors);

  void* handle_ = nullptr;
  uint32_t threadID_ = 0;
  bool createSuspended_;
  std::atomic<bool> started_{false};
  std::atomic<bool> suspended_{true};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  // Set when the object is freed before the thread ever ran: the thread then ends at once.
  std::atomic<bool> abandoned_{false};
  std::atomic<bool> freeOnTerminate_{false};
  std::atomic<uint32_t> returnValue_{0};
  std::exception_ptr fatalException_;
};

// Creates a thread object and, unless it was created suspended (its first constructor
// argument), starts it once every constructor has finished.
template <class T, class... Args>
T* NewThread(Args&&... args) {
  return New<T>(std::forward<Args>(args)...);
}

class TSynchroObject : public TObject {
  VCL_CLASS(TSynchroObject, TObject)
  virtual void Acquire() = 0;
  virtual void Release() = 0;
};

// A re-entrant lock over the platform's critical section: the thread that holds it may enter
// again, and must leave as often as it entered.
class TCriticalSection : public TSynchroObject {
  VCL_CLASS(TCriticalSection, TSynchroObject)
  TCriticalSection();
  ~TCriticalSection() override;

  void Acquire() override;
  void Release() override;
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter();

 private:
  // Room for the platform's CRITICAL_SECTION, so that this header needs no windows.h.
  alignas(8) unsigned char section_[48];
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A synchronisation object that is a platform handle, closed on destruction.
class THandleObject : public TObject {
  VCL_CLASS(THandleObject, TObject)
  ~THandleObject() override;

  void* Handle() const { return handle_; }
  // The platform's error code of the last WaitFor that ended in wrError.
  unsigned long LastError() const { return lastError_; }
  // Waits until the object is signalled or the timeout (milliseconds) runs out.
  TWaitResult WaitFor(uint32_t timeoutMs = 0xFFFFFFFFu);

 protected:
  THandleObject() = default;
  void* handle_ = nullptr;
  unsigned long lastError_ = 0;
};

class TEvent : public THandleObject {
  VCL_CLASS(TEvent, THandleObject)
  // A manual-reset event, not signalled, without a name.
  TEvent();
  // A named event opens the existing one of that name, if there is one. Raises EOSError when
  // the platform refuses (for instance when the name belongs to another kind of object).
  TEvent(bool manualReset, bool initialState, const std::string& name = {});

  void SetEvent();
  void ResetEvent();
};

// A manual-reset event, not signalled at creation, without a name.
class TSimpleEvent : public TEvent {
  VCL_CLASS(TSimpleEvent, TEvent)
  TSimpleEvent() = default;
};

// A TList that several threads share: every operation holds the list's lock, and LockList
// hands the list itself to one thread at a time until UnlockList.
class TThreadList : public TObject {
  VCL_CLASS(TThreadList, TObject)
  TThreadList() = default;

  // Adds an item; Duplicates says what happens to one already in the list (dupIgnore drops it,
  // dupError raises EListError "List does not allow duplicates ($0%x)").
  void Add(void* item);
  // Removes the first occurrence of the item, if any.
  void Remove(void* item);
  void Clear();
  TList* LockList();
  void UnlockList();

  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

 private:
  TCriticalSection lock_;
  TList list_;
  std::atomic<TDuplicates> duplicates_{dupIgnore};
};

}  // namespace vcl
