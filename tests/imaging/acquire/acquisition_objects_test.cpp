// The I/O object's acquisition objects: made on first request once the acquisition library is
// started, the service link reports progress through the I/O object, and the capture graph
// tells the attached view's window about frames, one notice at a time.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/acquire/acquire_startup.h"
#include "imaging/acquire/direct_show.h"
#include "imaging/acquire/wia_device_manager.h"
#include "imaging/io/attached_view.h"
#include "imaging/io/image_io.h"
#include "imaging/io/io_startup.h"
#include "tests/imaging/acquire/avi_writer.h"
#include "tests/support/temp_folder.h"
#include "vcl/controls/controls.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace acquire_test;

namespace {

// A window of this thread to receive notices.
HWND AcquisitionNewWindow() {
  return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"STATIC"), nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
}

// The notices queued for the window, taken off the queue.
std::vector<MSG> TakeNotices(HWND window, UINT message) {
  std::vector<MSG> taken;
  MSG msg;
  while (PeekMessageW(&msg, window, message, message, PM_REMOVE)) taken.push_back(msg);
  return taken;
}

class WindowView : public TIEAttachedView {
 public:
  HWND window = nullptr;
  TIEBitmap bitmap;
  vcl::TComponent* ViewComponent() override { return nullptr; }
  TIEBitmap* GetIEBitmap() override { return &bitmap; }
  vcl::TBitmap* GetTBitmap() override { return nullptr; }
  HWND ViewHandle() override { return window; }
  bool HasParentWindow() override { return false; }
  void Update() override {}
  void ImageChange() override {}
  vcl::TColor GetBackground() override { return 0; }
  int32_t GetDpiX() override { return 96; }
  int32_t GetDpiY() override { return 96; }
  void SetDpiX(int32_t) override {}
  void SetDpiY(int32_t) override {}
  int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler) override { return 1; }
  void RemoveBitmapChangeHandler(int32_t) override {}
};

class AcquisitionObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageIOStaticInit();
    IEAcquireStaticInit();
    io_ = TImageIO::CreateFromBitmap(&target_);
  }
  void TearDown() override {
    io_.reset();
    IEAcquireStaticFinalize();
  }
  TIEBitmap target_;
  std::unique_ptr<TImageIO> io_;
};

}  // namespace

TEST(AcquisitionObjects, NoneWithoutTheLibraryStarted) {
  ImageIOStaticInit();
  IEAcquireStaticFinalize();
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  EXPECT_EQ(io->GetWia(), nullptr);
  EXPECT_EQ(io->GetDirectShow(), nullptr);
  io->UpdateDirectShowNotifyWindow();
  EXPECT_EQ(IEMediaExtensions, "");
  IEAcquireStaticInit();
  EXPECT_EQ(IEMediaExtensions, "mpg,mpeg,wmv,avi");
  IEAcquireStaticFinalize();
}

TEST_F(AcquisitionObjectsTest, TheServiceLinkIsMadeOnceAndReportsProgressThroughTheIOObject) {
  TIEWia* wia = IEGetWia(*io_);
  ASSERT_NE(wia, nullptr);
  EXPECT_EQ(IEGetWia(*io_), wia);
  EXPECT_EQ(wia->Owner(), io_.get());
  std::vector<int32_t> reported;
  io_->OnProgress = [&](vcl::TObject*, int32_t per) { reported.push_back(per); };
  io_->SetAborting(false);
  EXPECT_TRUE(wia->OnProgress(30));
  io_->SetAborting(true);
  EXPECT_FALSE(wia->OnProgress(60));
  EXPECT_EQ(reported, (std::vector<int32_t>{30, 60}));
}

TEST_F(AcquisitionObjectsTest, TheCaptureGraphNotifiesTheAttachedViewsWindow) {
  WindowView view;
  view.window = AcquisitionNewWindow();
  io_->SetAttachedImage(&view);
  TIEDirectShow* graph = IEGetDirectShow(*io_);
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(IEGetDirectShow(*io_), graph);
  EXPECT_EQ(graph->NotifyWindow(), view.window);
  EXPECT_EQ(graph->NewFrameMessage(), 0x1F59u);
  EXPECT_EQ(graph->EventMessage(), 0x1F5Au);
  // The view's window was recreated: the notices follow it.
  const HWND old = view.window;
  view.window = AcquisitionNewWindow();
  io_->UpdateDirectShowNotifyWindow();
  EXPECT_EQ(graph->NotifyWindow(), view.window);
  io_->SetAttachedImage(nullptr);
  DestroyWindow(old);
  DestroyWindow(view.window);
}

TEST(FrameNotices, OneNoticeIsInFlightAndADisconnectTakesQueuedOnes) {
  TestTempFolder folder;
  ASSERT_TRUE(WriteAVI(folder.File("clip.avi"), 25, 1));
  const HWND window = AcquisitionNewWindow();
  TIEDirectShow graph;
  graph.SourceFileName = vcl::AnsiToUtf16(folder.File("clip.avi"));
  graph.SampleGrabberEnabled = true;
  graph.SetNotifyTarget(window, 0x1F59, 0x1F5A);
  graph.Connect();
  ASSERT_TRUE(graph.Connected());

  // Frames keep arriving, but until the receiver has handled the notice no other is posted.
  uint64_t count = graph.SampleCount();
  graph.Run();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(graph.WaitForSample(count, 2000));
    count = graph.SampleCount();
  }
  graph.Pause();
  std::vector<MSG> notices = TakeNotices(window, 0x1F59);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].wParam, 0u);
  EXPECT_EQ(notices[0].lParam, reinterpret_cast<LPARAM>(&graph));

  // Handled, the next frame posts again; with notices disabled, none does.
  struct Case {
    bool enabled;
    size_t notices;
  } cases[] = {{true, 1}, {false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.enabled);
    graph.NotificationsEnabled = c.enabled;
    graph.FrameNoticeHandled();
    count = graph.SampleCount();
    graph.Stop();
    graph.SetPosition(0);
    graph.Run();
    ASSERT_TRUE(graph.WaitForSample(count, 2000));
    graph.Pause();
    EXPECT_EQ(TakeNotices(window, 0x1F59).size(), c.notices);
  }

  // A notice still queued when the graph goes would reach the receiver with a dead object:
  // the disconnect takes it, and leaves those of other objects.
  graph.NotificationsEnabled = true;
  PostMessageW(window, 0x1F59, 0, reinterpret_cast<LPARAM>(&graph));
  PostMessageW(window, 0x1F59, 0, 12345);
  graph.Disconnect();
  notices = TakeNotices(window, 0x1F59);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].lParam, 12345);
  DestroyWindow(window);
}

namespace {

// The scanner connection of an I/O object is torn down for the window of the control that owns
// it, not for no window.
TEST(TwainOwnerWindow, TheNearestWindowControlAmongTheOwners) {
  const HWND host = AcquisitionNewWindow();
  auto control = std::make_unique<vcl::TWinControl>(nullptr);
  control->SetParentWindow(host);
  auto io = std::make_unique<imaging::TImageIO>(control.get());
  const HWND window = control->Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(imaging::FindOwnerWindow(io.get()), window);
  imaging::TImageIO alone(nullptr);
  EXPECT_EQ(imaging::FindOwnerWindow(&alone), nullptr);
  EXPECT_EQ(imaging::FindOwnerWindow(nullptr), nullptr);
  io.reset();
  control.reset();
  DestroyWindow(host);
}

}  // namespace
