#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "imaging/base/system_info.h"
#include "imaging/base/thread_pool.h"
#include "imaging/base/wide_file.h"
#include "tests/support/test_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/threads.h"

using namespace imaging;

namespace {

// A worker that records the order in which the workers finished.
class TRecordingThread : public vcl::TThread {
 public:
  TRecordingThread(int id, int delayMs, std::string& log, vcl::TCriticalSection& lock)
      : vcl::TThread(true), id_(id), delayMs_(delayMs), log_(log), lock_(lock) {}

 protected:
  void Execute() override {
    Sleep(delayMs_);
    lock_.Enter();
    log_ += std::to_string(id_);
    lock_.Leave();
  }

 private:
  int id_, delayMs_;
  std::string& log_;
  vcl::TCriticalSection& lock_;
};

class THoldClipboardThread : public vcl::TThread {
 public:
  explicit THoldClipboardThread(HANDLE opened) : vcl::TThread(true), opened_(opened) {}
  bool held = false;

 protected:
  void Execute() override {
    held = OpenClipboard(nullptr);
    SetEvent(opened_);
    Sleep(100);
    if (held) CloseClipboard();
  }

 private:
  HANDLE opened_;
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TEST(SystemInfo, PlatformQueries) {
  uint8_t code = GetWindowsVersionCode();
  EXPECT_GE(code, 3);  // the NT family
  EXPECT_LE(code, 9);
  EXPECT_TRUE(CPUHasMMX());
  ResetProcessorCoreCount();
  int32_t cores = GetProcessorCoreCount();
  EXPECT_GE(cores, 1);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_LE(cores, static_cast<int32_t>(info.dwNumberOfProcessors));
  EXPECT_EQ(GetProcessorCoreCount(), cores);
  EXPECT_FALSE(IsRemoteSession());
  const uint8_t a[16] = {1, 2, 3}, b[16] = {1, 2, 3}, c[16] = {1, 2, 4};
  EXPECT_TRUE(SameGUID(a, b));
  EXPECT_FALSE(SameGUID(a, c));
}

TEST(SystemInfo, LeftButtonFollowsTheMouse) {
  auto send = [](DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof(input));
  };
  EXPECT_FALSE(IsLeftButtonDown());
  ASSERT_EQ(send(MOUSEEVENTF_LEFTDOWN), 1u);
  EXPECT_TRUE(IsLeftButtonDown());
  send(MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(IsLeftButtonDown());
}

TEST(SystemInfo, OpenClipboardRetryWaitsForAnotherHolder) {
  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  auto* holder = new THoldClipboardThread(opened);
  holder->Start();
  WaitForSingleObject(opened, 5000);
  ASSERT_TRUE(holder->held);
  EXPECT_TRUE(OpenClipboardRetry());
  CloseClipboard();
  holder->WaitFor();
  delete holder;
  CloseHandle(opened);
}

TEST(TIEThreadPool, RunsEveryWorkerAndFreesThem) {
  std::string log;
  vcl::TCriticalSection lock;
  {
    TIEThreadPool pool;
    pool.Add(new TRecordingThread(1, 60, log, lock));
    pool.Add(new TRecordingThread(2, 0, log, lock));
    pool.Add(new TRecordingThread(3, 30, log, lock));
    EXPECT_EQ(pool.Count(), 3);
    pool.WaitForAll();
    EXPECT_EQ(pool.Count(), 0);
    EXPECT_EQ(log.size(), 3u);
    pool.Add(new TRecordingThread(4, 10, log, lock));
  }  // the destructor waits for the last one
  EXPECT_EQ(log.size(), 4u);
  EXPECT_EQ(log.back(), '4');
}

TEST(WideFile, OpenCreateAndExistence) {
  RuntimeTempFolder folder;
  std::string name = folder.File("data.bin");
  EXPECT_FALSE(WideFileExists(Wide(name)));
  {
    TIEWideFileStream created(Wide(name), ieFileCreate);
    created.WriteBuffer("hello", 5);
  }
  EXPECT_TRUE(WideFileExists(Wide(name)));
  EXPECT_TRUE(IEFileExists(name));
  EXPECT_FALSE(WideFileExists(Wide(folder.Path())));
  EXPECT_FALSE(IEFileExists(folder.Path()));
  {
    TIEWideFileStream reader(Wide(name), vcl::fmOpenRead | vcl::fmShareDenyWrite);
    EXPECT_EQ(reader.Size(), 5);
    EXPECT_EQ(reader.Write("x", 1), 0);
  }
  {
    // Creating again empties the file and holds it unshared.
    TIEWideFileStream recreated(Wide(name), ieFileCreate);
    EXPECT_EQ(recreated.Size(), 0);
    EXPECT_EQ(WideFileOpen(Wide(name), vcl::fmOpenRead | vcl::fmShareDenyNone), INVALID_HANDLE_VALUE);
  }
  EXPECT_EQ(WideFileOpen(Wide(name), 0x50), INVALID_HANDLE_VALUE);
  EXPECT_EQ(WideFileOpen(Wide(name), 3), INVALID_HANDLE_VALUE);
  HANDLE h = WideFileOpen(Wide(name), vcl::fmOpenReadWrite | vcl::fmShareDenyNone);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST(WideFile, NonAsciiNames) {
  RuntimeTempFolder folder;
  std::u16string name = Wide(folder.Path()) + u"\\\u00e9t\u00e9 \u65e5\u672c.txt";
  {
    TIEWideFileStream created(name, ieFileCreate);
    created.WriteBuffer("x", 1);
  }
  EXPECT_TRUE(WideFileExists(name));
  DeleteFileW(reinterpret_cast<const WCHAR*>(name.c_str()));
  EXPECT_FALSE(WideFileExists(name));
}

TEST(WideFile, FailuresNameTheFullPath) {
  RuntimeTempFolder folder;
  std::string missing = folder.File("missing.bin");
  try {
    TIEWideFileStream stream(Wide(missing), vcl::fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const vcl::EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.Message();
  }
  try {
    TIEWideFileStream stream(Wide(folder.Path() + "\\no\\such\\folder.bin"), ieFileCreate);
    FAIL() << "created a file in a missing folder";
  } catch (const vcl::EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"", 0), 0u) << e.Message();
  }
  EXPECT_THROW(TIEWideFileStream(Wide(missing), 0x50), vcl::EFOpenError);
}
