// The application object: hooks on its window, calls queued by other threads running in the
// loop, OnMessage and the idle event.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/runtime/threads.h"

using namespace vcl;
using namespace controls_test;

namespace {

class ApplicationTest : public ControlsTest {};

TEST_F(ApplicationTest, HooksSeeTheApplicationWindowsMessagesAndMayConsumeThem) {
  std::vector<std::string> log;
  int first = 0, second = 0;
  Application->HookMainWindow([&](TMessage& m) {
    if (m.Msg != WM_USER + 30) return false;
    log.push_back("first");
    return m.WParam == 1;
  }, &first);
  Application->HookMainWindow([&](TMessage& m) {
    if (m.Msg == WM_USER + 30) log.push_back("second");
    return false;
  }, &second);
  SendMessageA(Application->Handle(), WM_USER + 30, 0, 0);
  SendMessageA(Application->Handle(), WM_USER + 30, 1, 0);
  Application->UnhookMainWindow(&first);
  SendMessageA(Application->Handle(), WM_USER + 30, 1, 0);
  Application->UnhookMainWindow(&second);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "first", "second"}));
}

struct QueuedWork {
  std::atomic<bool> ran{false};
  DWORD ranOn = 0;
};

DWORD WINAPI QueueFromWorker(LPVOID param) {
  auto* work = static_cast<QueuedWork*>(param);
  try {
    TThread::Queue(nullptr, [work] {
      work->ranOn = GetCurrentThreadId();
      work->ran = true;
    });
  } catch (...) {
    // Nothing may leave a thread procedure.
  }
  return 0;
}

TEST_F(ApplicationTest, CallsQueuedByAnotherThreadRunInTheLoop) {
  Application->Initialize();
  QueuedWork work;
  HANDLE thread = CreateThread(nullptr, 0, QueueFromWorker, &work, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(HandleMessagesUntil([&] { return work.ran.load(); }));
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(work.ranOn, GetCurrentThreadId());
}

TEST_F(ApplicationTest, OnMessageSeesMessagesFirstAndOnIdleRunsBetweenThem) {
  auto form = NewTestForm();
  form->HandleNeeded();
  bool formSaw = false;
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 40) formSaw = true;
    previous(m);
  };
  bool swallowed = false;
  Application->OnMessage = [&](MSG& msg, bool& handled) {
    if (msg.message == WM_USER + 40) swallowed = handled = true;
  };
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) { ++idles; };
  PostMessageA(form->Handle(), WM_USER + 40, 0, 0);
  ASSERT_TRUE(HandleMessagesUntil([&] { return swallowed && idles > 0; }));
  EXPECT_FALSE(formSaw);
  Application->OnMessage = nullptr;
  Application->OnIdle = nullptr;
  form->WindowProc = previous;
}

// Minimising the main form minimises the application: the application window goes iconic
// (what placement and skinning code test with IsIconic), taking the forms it owns along.
TEST_F(ApplicationTest, MinimisingTheMainFormMakesTheApplicationWindowIconic) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::unique_ptr<TForm> owned(main);
  main->SetBounds(100, 100, 300, 200);
  main->Show();
  std::vector<std::string> log;
  Application->OnMinimize = [&](TObject* sender) {
    EXPECT_EQ(sender, Application);
    log.push_back("minimize");
  };
  Application->OnRestore = [&](TObject*) { log.push_back("restore"); };
  HWND app = Application->Handle();
  ASSERT_FALSE(IsIconic(app));

  SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(app));
  EXPECT_FALSE(IsIconic(main->Handle()));  // the form itself keeps its state
  EXPECT_FALSE(IsWindowVisible(main->Handle()));
  EXPECT_TRUE(main->Visible());  // hidden with its owner, still a shown form
  Application->Minimize();  // already minimised: nothing more
  EXPECT_EQ(log, (std::vector<std::string>{"minimize"}));

  SendMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(app));
  EXPECT_TRUE(IsWindowVisible(main->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"minimize", "restore"}));

  // A minimise command posted to the application window (how stored placements restore a
  // minimised program) arrives through the loop.
  PostMessageA(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(app) != FALSE; }));
  Application->Restore();
  EXPECT_FALSE(IsIconic(app));
  EXPECT_EQ(log, (std::vector<std::string>{"minimize", "restore", "minimize", "restore"}));
  Application->OnMinimize = nullptr;
  Application->OnRestore = nullptr;
}

// Another form minimises on its own; the application stays.
TEST_F(ApplicationTest, MinimisingAnotherFormLeavesTheApplicationAlone) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::unique_ptr<TForm> ownedMain(main);
  auto other = NewTestForm();
  other->Show();
  SendMessageA(other->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(other->Handle()));
  EXPECT_EQ(other->WindowState(), wsMinimized);
  EXPECT_FALSE(IsIconic(Application->Handle()));
}

TEST_F(ApplicationTest, HandleExceptionShowsTheMessageOrLeavesAnAbortSilent) {
  auto raise = [](auto exception) {
    try {
      throw exception;
    } catch (...) {
      Application->HandleException(Application);
    }
  };
  raise(EInvalidOperation("first"));
  raise(EAbort("quiet"));
  raise(std::out_of_range("second"));
  EXPECT_EQ(errors, (std::vector<std::string>{"first", "second"}));
}

}  // namespace
