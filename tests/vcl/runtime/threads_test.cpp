#include "vcl/runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

#include "tests/support/test_helpers.h"

using namespace vcl;

namespace {

// A thread whose Execute is a function of the test.
class LambdaThread : public TThread {
  VCL_CLASS(LambdaThread, TThread)
  using Body = std::function<void(LambdaThread&)>;
  LambdaThread(bool createSuspended, Body body) : TThread(createSuspended), body_(std::move(body)) {}

  using TThread::SetReturnValue;

 protected:
  void Execute() override { body_(*this); }

 private:
  Body body_;
};

// Pumps the main thread's queued calls until the condition holds (bounded, so a fault fails
// the test instead of hanging it).
template <class Condition>
bool PumpUntil(Condition condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) CheckSynchronize(10);
  return condition();
}

TEST(TThreadTest, MainThreadIsTheProcessMainThread) {
  EXPECT_EQ(MainThreadID, GetCurrentThreadId());
}

TEST(TThreadTest, EveryWayOfStartingRunsExecuteOnceAndWaitForGivesTheReturnValue) {
  enum Way { kNewThread, kStart, kResume };
  for (Way way : {kNewThread, kStart, kResume}) {
    SCOPED_TRACE(way);
    std::atomic<int> runs{0};
    std::atomic<uint32_t> ranOn{0};
    auto body = [&](LambdaThread& self) {
      ++runs;
      ranOn = GetCurrentThreadId();
      self.SetReturnValue(40 + way);
    };
    std::unique_ptr<LambdaThread> thread;
    if (way == kNewThread) {
      thread.reset(NewThread<LambdaThread>(false, body));
    } else {
      thread = std::make_unique<LambdaThread>(true, body);
      EXPECT_TRUE(thread->Suspended());
      if (way == kStart) thread->Start(); else thread->Resume();
    }
    EXPECT_EQ(thread->WaitFor(), 40u + way);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(thread->Finished());
    EXPECT_FALSE(thread->Suspended());
    EXPECT_EQ(ranOn, thread->ThreadID());
    EXPECT_NE(thread->ThreadID(), MainThreadID);
    EXPECT_NE(thread->Handle(), nullptr);
    EXPECT_FALSE(thread->FatalException());
  }
}

TEST(TThreadTest, ANonSuspendedThreadWaitsForAfterConstruction) {
  std::atomic<bool> ran{false};
  auto thread = std::make_unique<LambdaThread>(false, [&](LambdaThread&) { ran = true; });
  EXPECT_FALSE(ran);
  thread->AfterConstruction();
  thread->WaitFor();
  EXPECT_TRUE(ran);
}

TEST(TThreadTest, MisuseRaisesEThread) {
  auto started = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [](LambdaThread&) {}));
  EXPECT_EQ(MessageOf<EThread>([&] { started->Start(); }),
            "Cannot call Start on a running or suspended thread");
  started->WaitFor();

  auto neverStarted = std::make_unique<LambdaThread>(true, [](LambdaThread&) {});
  EXPECT_EQ(MessageOf<EThread>([&] { neverStarted->WaitFor(); }),
            "Cannot wait for a thread that was never started");
  // It would free itself while the caller waits.
  neverStarted->SetFreeOnTerminate(true);
  EXPECT_EQ(MessageOf<EThread>([&] { neverStarted->WaitFor(); }),
            "Cannot wait for a thread that frees itself");
  neverStarted->SetFreeOnTerminate(false);

  std::string selfWait;
  auto selfWaiter = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(
      false, [&](LambdaThread& self) { selfWait = MessageOf<EThread>([&] { self.WaitFor(); }); }));
  selfWaiter->WaitFor();
  EXPECT_EQ(selfWait, "A thread cannot wait for itself");
}

TEST(TThreadTest, ExecuteDoesNotRunWhenTerminatedBeforeStart) {
  std::atomic<bool> ran{false};
  delete new LambdaThread(true, [&](LambdaThread&) { ran = true; });
  EXPECT_FALSE(ran);

  auto thread = std::make_unique<LambdaThread>(true, [&](LambdaThread&) { ran = true; });
  thread->Terminate();
  thread->Start();
  thread->WaitFor();
  EXPECT_FALSE(ran);
  EXPECT_TRUE(thread->Finished());
}

TEST(TThreadTest, TerminateEndsAPollingExecute) {
  TSimpleEvent running;
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread& self) {
    running.SetEvent();
    while (!self.Terminated()) Sleep(1);
    self.SetReturnValue(7);
  }));
  EXPECT_EQ(running.WaitFor(), wrSignaled);
  EXPECT_FALSE(thread->Terminated());
  thread->Terminate();
  EXPECT_TRUE(thread->Terminated());
  EXPECT_EQ(thread->WaitFor(), 7u);
}

// A thread whose Execute uses a member of the derived class until it is terminated.
std::atomic<bool> gExecuteEndedBeforeMembersDied{false};
class MemberUsingThread : public TThread {
  VCL_CLASS(MemberUsingThread, TThread)
  MemberUsingThread() : TThread(true) {}
  ~MemberUsingThread() override { gExecuteEndedBeforeMembersDied = executeEnded_.load(); }

  TSimpleEvent running;

 protected:
  void Execute() override {
    running.SetEvent();
    while (!Terminated()) {
      samples_.push_back(1);
      if (samples_.size() > 1000) samples_.clear();
    }
    executeEnded_ = true;
  }

 private:
  std::vector<int> samples_;
  std::atomic<bool> executeEnded_{false};
};

TEST(TThreadTest, DeletingARunningThreadStopsItBeforeItsMembersAreDestroyed) {
  for (bool suspendFirst : {false, true}) {
    SCOPED_TRACE(suspendFirst);
    gExecuteEndedBeforeMembersDied = false;
    auto* thread = new MemberUsingThread;
    thread->Start();
    ASSERT_EQ(thread->running.WaitFor(), wrSignaled);
    if (suspendFirst) {
      thread->Suspend();
      EXPECT_TRUE(thread->Suspended());
    }
    delete thread;
    EXPECT_TRUE(gExecuteEndedBeforeMembersDied);
  }
}

TEST(TThreadTest, SuspendAndResumeARunningThread) {
  std::atomic<int> ticks{0};
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread& self) {
    while (!self.Terminated()) {
      ++ticks;
      Sleep(1);
    }
  }));
  thread->Suspend();
  EXPECT_TRUE(thread->Suspended());
  thread->Resume();
  EXPECT_FALSE(thread->Suspended());
  thread->Terminate();
  thread->WaitFor();
}

TEST(TThreadTest, AnExceptionInExecuteIsKeptInFatalException) {
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [](LambdaThread& self) {
    self.SetReturnValue(3);
    throw EConvertError("'x' is not a valid integer value");
  }));
  EXPECT_EQ(thread->WaitFor(), 3u);
  ASSERT_TRUE(thread->FatalException());
  try {
    std::rethrow_exception(thread->FatalException());
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
  }
}

TEST(TThreadTest, OnTerminateRunsOnTheMainThreadWithTheThreadAsSender) {
  uint32_t ranOn = 0;
  TObject* sender = nullptr;
  auto thread = std::make_unique<LambdaThread>(true, [](LambdaThread&) {});
  thread->OnTerminate = [&](TObject* s) {
    ranOn = GetCurrentThreadId();
    sender = s;
  };
  thread->Start();
  thread->WaitFor();
  EXPECT_EQ(ranOn, MainThreadID);
  EXPECT_EQ(sender, thread.get());
}

// Records its own destruction, for threads that free themselves.
std::atomic<bool> gSelfFreeingThreadDestroyed{false};
class SelfFreeingThread : public TThread {
  VCL_CLASS(SelfFreeingThread, TThread)
  explicit SelfFreeingThread(bool setInExecute) : TThread(false), setInExecute_(setInExecute) {
    if (!setInExecute) SetFreeOnTerminate(true);
  }
  ~SelfFreeingThread() override { gSelfFreeingThreadDestroyed = true; }

 protected:
  void Execute() override {
    if (setInExecute_) SetFreeOnTerminate(true);
  }

 private:
  bool setInExecute_;
};

TEST(TThreadTest, FreeOnTerminateFreesTheThreadAfterOnTerminate) {
  for (bool setInExecute : {false, true}) {
    SCOPED_TRACE(setInExecute);
    gSelfFreeingThreadDestroyed = false;
    bool terminated = false;
    auto* thread = new SelfFreeingThread(setInExecute);
    thread->OnTerminate = [&](TObject*) {
      EXPECT_FALSE(gSelfFreeingThreadDestroyed);
      terminated = true;
    };
    thread->AfterConstruction();
    EXPECT_TRUE(PumpUntil([&] { return gSelfFreeingThreadDestroyed.load(); }));
    EXPECT_TRUE(terminated);
  }
}

TEST(TThreadTest, SynchronizeRunsOnTheMainThreadWhileItWaitsInWaitFor) {
  std::vector<uint32_t> ranOn;  // only touched on the main thread
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread& self) {
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
  }));
  thread->WaitFor();
  EXPECT_EQ(ranOn, std::vector<uint32_t>(3, MainThreadID));
}

TEST(TThreadTest, SynchronizeRunsWhileTheMainThreadPumpsCheckSynchronize) {
  int calls = 0;
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
    TThread::Synchronize(nullptr, [&] { ++calls; });
    TThread::Synchronize(nullptr, [&] { ++calls; });
  }));
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread->Handle(), 0) == WAIT_OBJECT_0; }));
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(CheckSynchronize());  // nothing left
  thread->WaitFor();
}

TEST(TThreadTest, AnExceptionInASynchronizedCallIsRaisedInTheWorker) {
  std::string caught;
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread& self) {
    try {
      self.Synchronize([] { throw EListError("List index out of bounds (5)"); });
    } catch (const EListError& e) {
      caught = e.Message();
    }
  }));
  thread->WaitFor();
  EXPECT_EQ(caught, "List index out of bounds (5)");
  EXPECT_FALSE(thread->FatalException());
}

TEST(TThreadTest, OnTheMainThreadSynchronizeAndQueueRunAtOnce) {
  int calls = 0;
  TThread::Synchronize(nullptr, [&] { ++calls; });
  TThread::Queue(nullptr, [&] { ++calls; });
  EXPECT_EQ(calls, 2);
  EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EAbort(""); }), EAbort);
}

TEST(TThreadTest, QueuedCallsRunOnTheMainThreadInOrder) {
  std::vector<int> order;  // only touched on the main thread
  std::vector<int> seenBySynchronize;
  bool wrongThread = false;
  auto record = [&](int n) {
    return [&, n] {
      if (GetCurrentThreadId() != MainThreadID) wrongThread = true;
      order.push_back(n);
    };
  };
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
    TThread::Queue(nullptr, record(1));
    TThread::Queue(nullptr, record(2));
    // Runs after the two queued before it.
    TThread::Synchronize(nullptr, [&] { seenBySynchronize = order; });
    TThread::Queue(nullptr, record(3));
    TThread::Queue(nullptr, record(4));
  }));
  thread->WaitFor();
  CheckSynchronize();
  EXPECT_EQ(seenBySynchronize, (std::vector<int>{1, 2}));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_FALSE(wrongThread);
}

TEST(TThreadTest, AFailingQueuedCallLeavesTheLaterOnesQueued) {
  std::vector<int> order;
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
    TThread::Queue(nullptr, [&] { order.push_back(1); });
    TThread::Queue(nullptr, [] { throw EConvertError("bad"); });
    TThread::Queue(nullptr, [&] { order.push_back(3); });
  }));
  // Not WaitFor: it would run the queued calls.
  WaitForSingleObject(thread->Handle(), INFINITE);
  EXPECT_THROW(CheckSynchronize(), EConvertError);
  EXPECT_EQ(order, std::vector<int>{1});
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
  thread->WaitFor();
}

TEST(TThreadTest, QueuedCallsOfAThreadAreDroppedWhenItIsFreed) {
  std::vector<std::string> ran;
  auto* thread = NewThread<LambdaThread>(false, [&](LambdaThread& self) {
    self.Queue([&] { ran.push_back("member"); });
    TThread::Queue(nullptr, [&] { ran.push_back("static"); });
  });
  // Not WaitFor: it would run the queued calls.
  WaitForSingleObject(thread->Handle(), INFINITE);
  delete thread;
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(ran, std::vector<std::string>{"static"});
}

TEST(TThreadTest, QueuingSignalsSyncEventAndWakesTheMainThread) {
  std::atomic<int> wakes{0};
  WakeMainThread = [&] { ++wakes; };
  auto thread = std::unique_ptr<LambdaThread>(
      NewThread<LambdaThread>(false, [](LambdaThread&) { TThread::Queue(nullptr, [] {}); }));
  EXPECT_EQ(WaitForSingleObject(thread->Handle(), INFINITE), WAIT_OBJECT_0);
  WakeMainThread = nullptr;
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(WaitForSingleObject(SyncEvent(), 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(WaitForSingleObject(SyncEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  thread->WaitFor();
}

TEST(TThreadTest, CheckSynchronizeOffTheMainThreadRaises) {
  std::atomic<bool> raised{false};
  auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      raised = true;
    }
  }));
  thread->WaitFor();
  EXPECT_TRUE(raised);
  EXPECT_FALSE(CheckSynchronize(1));
}

TEST(TThreadTest, PriorityRoundTrips) {
  auto thread = std::make_unique<LambdaThread>(true, [](LambdaThread&) {});
  EXPECT_EQ(thread->Priority(), tpNormal);
  for (TThreadPriority p : {tpLowest, tpLower, tpHigher, tpNormal}) {
    thread->SetPriority(p);
    EXPECT_EQ(thread->Priority(), p);
  }
  EXPECT_THROW(thread->SetPriority(static_cast<TThreadPriority>(42)), EThread);
}

TEST(TCriticalSectionTest, TheOwnerMayEnterAgainAndOthersWaitUntilItLeavesAsOften) {
  TCriticalSection lock;
  lock.Enter();
  lock.Acquire();
  EXPECT_TRUE(lock.TryEnter());
  auto tryFromOtherThread = [&] {
    std::atomic<bool> got{false};
    auto thread = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
      got = lock.TryEnter();
      if (got) lock.Leave();
    }));
    thread->WaitFor();
    return got.load();
  };
  EXPECT_FALSE(tryFromOtherThread());
  lock.Leave();
  lock.Release();
  EXPECT_FALSE(tryFromOtherThread());
  lock.Leave();
  EXPECT_TRUE(tryFromOtherThread());
}

TEST(TCriticalSectionTest, TwoWorkersIncrementingUnderTheLockLoseNothing) {
  TCriticalSection lock;
  long counter = 0;  // deliberately not atomic
  auto work = [&](LambdaThread&) {
    for (int i = 0; i < 200000; ++i) {
      lock.Enter();
      long v = counter;
      counter = v + 1;
      lock.Leave();
    }
  };
  auto a = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, work));
  auto b = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, work));
  a->WaitFor();
  b->WaitFor();
  EXPECT_EQ(counter, 400000);
}

TEST(TEventTest, ResetModesAndInitialStates) {
  struct Case {
    bool manualReset, initialState;
    TWaitResult first, second;
  };
  const Case cases[] = {
      {true, true, wrSignaled, wrSignaled},
      {false, true, wrSignaled, wrTimeout},  // an auto-reset event releases one wait
      {true, false, wrTimeout, wrTimeout},
      {false, false, wrTimeout, wrTimeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.manualReset << c.initialState);
    TEvent event(c.manualReset, c.initialState);
    EXPECT_EQ(event.WaitFor(0), c.first);
    EXPECT_EQ(event.WaitFor(1), c.second);
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(0), c.manualReset ? wrSignaled : wrTimeout);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
  }
}

TEST(TEventTest, ASimpleEventReleasesAWaitingThread) {
  TSimpleEvent event;
  EXPECT_EQ(event.WaitFor(0), wrTimeout);
  std::atomic<int> result{-1};
  auto thread = std::unique_ptr<LambdaThread>(
      NewThread<LambdaThread>(false, [&](LambdaThread&) { result = event.WaitFor(); }));
  event.SetEvent();
  thread->WaitFor();
  EXPECT_EQ(result, wrSignaled);
}

TEST(TEventTest, NamedEventsShareTheirStateAndAClashingNameRaises) {
  TEvent first(true, false, "MergeonTestEvent");
  TEvent second(true, false, "MergeonTestEvent");
  first.SetEvent();
  EXPECT_EQ(second.WaitFor(0), wrSignaled);

  HANDLE mutex = CreateMutexA(nullptr, FALSE, "MergeonTestMutex");
  ASSERT_NE(mutex, nullptr);
  EXPECT_THROW(TEvent(true, false, "MergeonTestMutex"), EOSError);
  CloseHandle(mutex);
}

TEST(TThreadListTest, DuplicatesDecideAboutAnItemAlreadyListed) {
  void* item = reinterpret_cast<void*>(0x2A);
  struct Case {
    TDuplicates duplicates;
    int countAfterSecondAdd;
    bool raises;
  };
  for (const Case& c : {Case{dupIgnore, 1, false}, Case{dupAccept, 2, false}, Case{dupError, 1, true}}) {
    SCOPED_TRACE(c.duplicates);
    TThreadList list;
    list.SetDuplicates(c.duplicates);
    list.Add(item);
    if (c.raises) {
      try {
        list.Add(item);
        ADD_FAILURE() << "no EListError";
      } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List does not allow duplicates ($02A)");
      }
    } else {
      list.Add(item);
    }
    // The lock is free again after an error: another thread can take the list.
    std::atomic<int> count{-1};
    auto reader = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, [&](LambdaThread&) {
      count = list.LockList()->Count();
      list.UnlockList();
    }));
    reader->WaitFor();
    EXPECT_EQ(count, c.countAfterSecondAdd);
    list.Remove(item);
    EXPECT_EQ(list.LockList()->Count(), c.countAfterSecondAdd - 1);
    list.UnlockList();
    list.Clear();
    EXPECT_EQ(list.LockList()->Count(), 0);
    list.UnlockList();
  }
}

TEST(TThreadListTest, WorkersAddingAtOnceLoseNothing) {
  TThreadList list;
  list.SetDuplicates(dupAccept);
  auto work = [&](LambdaThread&) {
    for (intptr_t i = 1; i <= 5000; ++i) list.Add(reinterpret_cast<void*>(i));
  };
  auto a = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, work));
  auto b = std::unique_ptr<LambdaThread>(NewThread<LambdaThread>(false, work));
  a->WaitFor();
  b->WaitFor();
  EXPECT_EQ(list.LockList()->Count(), 10000);
  list.UnlockList();
}

}  // namespace
