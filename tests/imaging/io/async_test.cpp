// Asynchronous calls: each runs on a worker of its own, the calls of one object one after the
// other; their reports reach the user-interface thread; cancelling and destroying the object
// while they run is safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/attached_view.h"
#include "imaging/params/file_formats.h"
#include "tests/imaging/io/gif_animation.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/classes/component.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

// After the platform header, whose types it uses.
#include <tlhelp32.h>

using namespace imaging;
using namespace io_test;

namespace {

int32_t ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int32_t count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

class AsyncTest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    // A picture large enough that its loads overlap the calls that start them.
    TImageIO writer(nullptr);
    writer.IEBitmap()->Assign(test_pictures::Gradient(600, 400).get());
    jpeg_ = File("large.jpg");
    tiff_ = File("large.tif");
    writer.SaveToFile(jpeg_);
    writer.SaveToFile(tiff_);
    ASSERT_FALSE(writer.Aborting());
  }
  std::u16string jpeg_, tiff_;
};

TEST_F(AsyncTest, TenLoadsTogetherReportOnTheUserInterfaceThread) {
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  TReports reports;
  reports.Attach(*io);
  for (int i = 0; i < 10; ++i) {
    if (i % 2)
      io->LoadFromFile(jpeg_);
    else
      io->LoadTIFFFromFile(tiff_);
  }
  // Nothing is reported before the main thread runs its queued calls.
  EXPECT_EQ(reports.finished, 0);
  ASSERT_TRUE(PumpUntil([&] { return reports.finished == 10; }));
  io->WaitThreads(false);
  EXPECT_FALSE(io->Aborting());
  for (uint32_t thread : reports.threads) EXPECT_EQ(thread, vcl::MainThreadID);
  EXPECT_EQ(target.Width(), 600);
  EXPECT_EQ(target.Height(), 400);
  EXPECT_EQ(io->LoadTIFFFromFile(tiff_), -1);
  io->WaitThreads(false);
}

TEST_F(AsyncTest, TheNewFormatsRunOnWorkersToo) {
  const std::string animation = "four.gif";
  test_files::WriteFileBytes(folder_.UnixFile(animation), gif_animation::FourFrames());
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  TReports reports;
  reports.Attach(*io);
  // A worker's frame count reaches nobody: the call returns -1 at once.
  io->Params().GIFImageIndex = 3;
  EXPECT_EQ(io->LoadGIFFromFile(File(animation)), -1);
  io->WaitThreads(false);
  EXPECT_FALSE(io->Aborting());
  EXPECT_EQ(target.Width(), 9);

  io->SaveToFile(File("copy.png"));
  io->LoadFromFile(File("copy.png"));
  ASSERT_TRUE(PumpUntil([&] { return reports.finished == 3; }));
  io->WaitThreads(false);
  EXPECT_FALSE(io->Aborting());
  EXPECT_EQ(target.Width(), 9);
  EXPECT_EQ(io->Params().FileType, 8);
}

TEST_F(AsyncTest, DestroyingWhileLoadsRunLeavesNothingBehind) {
  fuzz::Watchdog watchdog;
  watchdog.Start({});
  const int32_t threadsBefore = ThreadsOfThisProcess();
  for (int round = 0; round < 5; ++round) {
    TIEBitmap target;
    int32_t finished = 0;
    {
      auto io = TImageIO::CreateFromBitmap(&target);
      io->SetAsynchronous(true);
      io->OnFinishWork = [&](vcl::TObject*) { ++finished; };
      for (int i = 0; i < 10; ++i) io->LoadFromFile(i % 2 ? jpeg_ : tiff_);
      // Destroyed at once: the destructor waits for the workers.
    }
    // What they queued for the object is dropped, not delivered to a freed object.
    for (int i = 0; i < 5; ++i) vcl::CheckSynchronize(2);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(target.Width(), 600);
  }
  // The workers have ended and freed themselves.
  EXPECT_TRUE(PumpUntil([&] { return ThreadsOfThisProcess() <= threadsBefore; }))
      << ThreadsOfThisProcess() << " threads, " << threadsBefore << " before";
  watchdog.Done();
}

TEST_F(AsyncTest, CancellingEndsEveryCallWithAReport) {
  fuzz::Watchdog watchdog;
  watchdog.Start({});
  TIEBitmap target;
  FillSentinel(target);
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  TReports reports;
  reports.Attach(*io);
  for (int i = 0; i < 10; ++i) io->LoadFromFile(jpeg_);
  io->WaitThreads(true);
  EXPECT_TRUE(io->Aborting());
  ASSERT_TRUE(PumpUntil([&] { return reports.finished == 10; }));
  // A call cancelled before it ran loaded nothing; one cut short left the target as it was.
  EXPECT_TRUE(IsSentinel(target) || target.Width() == 600);
  watchdog.Done();
}

// A stream whose first read reaching past the middle of its data waits until the object has
// been cancelled, so that the cancel lands while a codec on the worker is in the middle of its
// work.
class TCancelGateStream : public vcl::TMemoryStream {
 public:
  explicit TCancelGateStream(TImageIO& io) : io_(io) {}
  int32_t Read(void* buffer, int32_t count) override {
    if (!reached_ && Position() + count > Size() / 2) {
      reached_ = true;
      codecWorking.store(true);
      for (int i = 0; i < 10000 && !io_.Aborting(); ++i) Sleep(1);
    }
    return TMemoryStream::Read(buffer, count);
  }
  std::atomic<bool> codecWorking{false};

 private:
  TImageIO& io_;
  bool reached_ = false;  // touched by the worker only
};

TEST_F(AsyncTest, ACancelFromTheMainThreadStopsACodecAtWork) {
  fuzz::Watchdog watchdog;
  watchdog.Start({});
  TIEBitmap target;
  FillSentinel(target);
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  TReports reports;
  reports.Attach(*io);
  std::string path = vcl::Utf16ToAnsi(jpeg_).substr(2);
  for (char& ch : path)
    if (ch == '\\') ch = '/';
  const test_files::Bytes bytes = test_files::ReadFileBytes(path);
  ASSERT_FALSE(bytes.empty());
  TCancelGateStream stream(*io);
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  constexpr int32_t kJPEGFile = 3;
  io->LoadFromStreamFormat(&stream, kJPEGFile);
  while (!stream.codecWorking.load()) Sleep(1);
  io->WaitThreads(true);
  EXPECT_TRUE(io->Aborting());
  ASSERT_TRUE(PumpUntil([&] { return reports.finished == 1; }));
  // The codec stopped: the load cut short left the target as it was.
  EXPECT_TRUE(IsSentinel(target));
  watchdog.Done();
}

TEST_F(AsyncTest, ABufferIsCopiedForTheWorker) {
  test_files::Bytes bytes = test_files::ReadFileBytes(vcl::Utf16ToAnsi(jpeg_).substr(2));
  std::string unix = vcl::Utf16ToAnsi(jpeg_).substr(2);
  for (char& ch : unix)
    if (ch == '\\') ch = '/';
  bytes = test_files::ReadFileBytes(unix);
  ASSERT_FALSE(bytes.empty());
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  io->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  // The caller's buffer goes at once.
  std::fill(bytes.begin(), bytes.end(), uint8_t(0));
  test_files::Bytes().swap(bytes);
  io->WaitThreads(false);
  EXPECT_FALSE(io->Aborting());
  EXPECT_EQ(target.Width(), 600);
}

TEST_F(AsyncTest, SavesRunOnWorkersToo) {
  TIEBitmap target;
  target.Assign(test_pictures::Gradient(64, 48).get());
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  const std::u16string name = File("async.tif");
  io->SaveToFile(name);
  io->WaitThreads(false);
  ASSERT_FALSE(io->Aborting());
  TImageIO loader(nullptr);
  loader.LoadFromFile(name);
  EXPECT_TRUE(Matches(*loader.IEBitmap(), target, 0));
}

TEST_F(AsyncTest, AnObjectThatOwnsItsBitmapWorksSynchronously) {
  TImageIO io(nullptr);
  io.SetAsynchronous(true);
  TReports reports;
  reports.Attach(io);
  io.LoadFromFile(jpeg_);
  EXPECT_EQ(reports.finished, 1);
  EXPECT_EQ(io.IEBitmap()->Width(), 600);
}

// A reader that takes its time and records how many reads run at once and in which order:
// the data is one byte, the picture's width.
std::atomic<int32_t> gReadsRunning{0};
std::atomic<int32_t> gMostAtOnce{0};
std::vector<int32_t> gOrder;

void SlowReader(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals&, TCodecProgress& progress, bool) {
  const int32_t running = ++gReadsRunning;
  if (running > gMostAtOnce) gMostAtOnce = running;
  uint8_t width = 0;
  stream->ReadBuffer(&width, 1);
  gOrder.push_back(width);
  Sleep(30);
  bitmap->Allocate(width, 1, ie24RGB);
  --gReadsRunning;
  if (!bitmap->Width()) progress.Abort();
}

TEST_F(AsyncTest, TheCallsOfOneObjectRunOneAfterTheOtherInOrder) {
  ReplaceRowByPlugIn(11)->ReadFunction = SlowReader;
  for (uint8_t width = 1; width <= 6; ++width)
    test_files::WriteFileBytes(folder_.UnixFile("w" + std::to_string(width) + ".tga"), test_files::Bytes{width});
  gOrder.clear();
  gMostAtOnce = 0;
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  io->SetAsynchronous(true);
  TReports reports;
  reports.Attach(*io);
  for (int width = 1; width <= 6; ++width) io->LoadFromFile(File("w" + std::to_string(width) + ".tga"));
  io->WaitThreads(false);
  EXPECT_EQ(gMostAtOnce, 1);
  EXPECT_EQ(gOrder, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(target.Width(), 6);
  ASSERT_TRUE(PumpUntil([&] { return reports.finished == 6; }));
  // Progress came to the main thread as well.
  EXPECT_EQ(reports.progress.size(), 6u);
  for (uint32_t thread : reports.threads) EXPECT_EQ(thread, vcl::MainThreadID);
}

// A view for the tests: a real window to post to, and counters.
class TTestView : public TIEAttachedView {
 public:
  TTestView() {
    window_ = CreateWindowExW(0, reinterpret_cast<const WCHAR*>(u"STATIC"), nullptr, 0, 0, 0, 10, 10, HWND_MESSAGE,
                              nullptr, nullptr, nullptr);
  }
  ~TTestView() override { DestroyWindow(window_); }
  vcl::TComponent* ViewComponent() override { return nullptr; }
  TIEBitmap* GetIEBitmap() override { return &bitmap; }
  vcl::TBitmap* GetTBitmap() override { return nullptr; }
  HWND ViewHandle() override { return window_; }
  bool HasParentWindow() override { return true; }
  void Update() override { ++updates; }
  void ImageChange() override {
    ++imageChanges;
    imageChangeThreads.push_back(GetCurrentThreadId());
  }
  vcl::TColor GetBackground() override { return 0x123456; }
  int32_t GetDpiX() override { return dpiX; }
  int32_t GetDpiY() override { return dpiY; }
  void SetDpiX(int32_t value) override { dpiX = value; }
  void SetDpiY(int32_t value) override { dpiY = value; }
  int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler handler) override {
    handler_ = std::move(handler);
    return 1;
  }
  void RemoveBitmapChangeHandler(int32_t) override { handler_ = nullptr; }

  // The messages waiting for the window, in order.
  std::vector<std::pair<UINT, WPARAM>> TakeMessages() {
    std::vector<std::pair<UINT, WPARAM>> messages;
    MSG msg;
    while (PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) messages.emplace_back(msg.message, msg.wParam);
    return messages;
  }

  TIEBitmap bitmap;
  int32_t updates = 0, imageChanges = 0, dpiX = 96, dpiY = 96;
  std::vector<uint32_t> imageChangeThreads;

 private:
  HWND window_;
  TIEBitmapChangeHandler handler_;
};

TEST_F(AsyncTest, AnAttachedViewGetsItsReportsAsMessages) {
  TTestView view;
  TImageIO io(nullptr);
  io.SetAttachedImage(&view);
  io.SetAsynchronous(true);
  TReports reports;
  reports.Attach(io);
  io.LoadFromFile(jpeg_);
  io.WaitThreads(false);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(view.bitmap.Width(), 600);

  const auto messages = view.TakeMessages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages.back().first, IEM_FINISHWORK);
  EXPECT_EQ(messages[messages.size() - 2].first, IEM_PROGRESS);
  EXPECT_EQ(messages[messages.size() - 2].second, 100u);
  EXPECT_NE(std::find_if(messages.begin(), messages.end(), [](auto& m) { return m.first == IEM_UPDATE; }),
            messages.end());
  // The view's own handlers receive those; the object's run only for calls on the main thread.
  EXPECT_EQ(reports.finished, 0);
  ASSERT_TRUE(PumpUntil([&] { return view.imageChanges == 1; }));
  EXPECT_EQ(view.imageChangeThreads.front(), vcl::MainThreadID);
  EXPECT_EQ(view.dpiX, 300);

  io.LoadFromFile(File("damaged.jpg"));  // no such file: raised on the worker, a failure
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(view.TakeMessages().back().first, IEM_FINISHWORK);
  for (int i = 0; i < 5; ++i) vcl::CheckSynchronize(2);
  EXPECT_EQ(view.imageChanges, 1);

  // Synchronous calls report directly.
  io.SetAsynchronous(false);
  io.LoadFromFile(jpeg_);
  EXPECT_EQ(reports.finished, 1);
  EXPECT_TRUE(view.TakeMessages().empty());
  EXPECT_EQ(view.updates, 1);

  // The view's background is the object's while attached.
  io.SetBackground(0x00FF00);
  EXPECT_EQ(io.GetBackground(), 0x123456);
  io.SetAttachedImage(nullptr);
  EXPECT_EQ(io.GetBackground(), 0);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
}

}  // namespace
