// The filter graph object on its own: names of formats and standards, the clock choice, graph
// events posted to the notify window, the windowless renderer, and grabbed samples that are
// too short for their format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/acquire/direct_show.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/acquire/avi_writer.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;
using namespace acquire_test;

namespace {

HWND DirectNewWindow() {
  return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"STATIC"), nullptr, WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                         nullptr, nullptr);
}

class DirectShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteAVI(folder_.File("clip.avi"), 25, 1));
    graph_.SourceFileName = vcl::AnsiToUtf16(folder_.File("clip.avi"));
    // A graph that decodes the clip: the grabber stands between the file and the renderer.
    graph_.SampleGrabberEnabled = true;
  }
  TestTempFolder folder_;
  TIEDirectShow graph_;
};

}  // namespace

TEST(VideoNames, SubtypesAndStandardMasks) {
  const GUID yuy2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  const GUID ia44 = {0x34344149, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  const GUID unknown = {0x12345678, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  const struct {
    const GUID* subtype;
    const char* name;
  } subtypes[] = {{&yuy2, "YUY2"},
                  {&ia44, "IA44"},
                  {&MEDIASUBTYPE_RGB24, "RGB24"},
                  {&MEDIASUBTYPE_RGB565, "RGB565"},
                  {&MEDIASUBTYPE_ARGB32, "ARGB32"},
                  {&unknown, ""}};
  for (const auto& c : subtypes) EXPECT_EQ(IEVideoSubtypeName(*c.subtype), c.name);

  const struct {
    uint32_t mask;
    const char* names;
  } standards[] = {{0x0, ""},
                   {0x11, "NTSC_M PAL_B"},
                   {0x100000, "PAL_N_COMBO"},
                   {0x8, ""},  // a bit no standard has
                   {0x1 | 0x2 | 0x80000, "NTSC_M NTSC_M_J SECAM_L1"}};
  for (const auto& c : standards) EXPECT_EQ(IEVideoStandardNames(c.mask), c.names);
}

TEST_F(DirectShowTest, ClockKindOneRunsWithoutAReferenceClock) {
  const struct {
    uint8_t kind;
    bool clock;
  } cases[] = {{0, true}, {1, false}, {2, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    graph_.ClockKind = c.kind;
    graph_.Connect();
    ASSERT_TRUE(graph_.Connected());
    graph_.Pause();
    IMediaFilter* filter = nullptr;
    ASSERT_EQ(graph_.FilterGraph()->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&filter)), S_OK);
    IReferenceClock* clock = nullptr;
    filter->GetSyncSource(&clock);
    EXPECT_EQ(clock != nullptr, c.clock);
    if (clock) clock->Release();
    filter->Release();
    graph_.Disconnect();
  }
}

TEST_F(DirectShowTest, GraphEventsArePostedToTheNotifyWindowWithTheObject) {
  const HWND window = DirectNewWindow();
  graph_.SetNotifyTarget(window, 0x1F59, 0x1F5A);
  // Without a reference clock: Wine's system clock can hang in its last release when a graph
  // that played to its end goes (its advise thread misses the wake-up), and the end of the
  // stream is an event with or without a clock.
  graph_.ClockKind = 1;
  graph_.Connect();
  ASSERT_TRUE(graph_.Connected());
  graph_.Run();
  // The clip lasts 200 ms; its end is an event.
  MSG msg{};
  bool posted = false;
  const DWORD start = GetTickCount();
  while (!posted && GetTickCount() - start < 5000) {
    posted = PeekMessageW(&msg, window, 0x1F5A, 0x1F5A, PM_REMOVE);
    if (!posted) Sleep(10);
  }
  ASSERT_TRUE(posted);
  EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(&graph_));
  graph_.Disconnect();
  DestroyWindow(window);
}

TEST_F(DirectShowTest, TheWindowlessRendererGivesTheNativeSizeAndTheFrame) {
  const HWND window = DirectNewWindow();
  graph_.SetNotifyTarget(window, 0x1F59, 0x1F5A);
  graph_.SampleGrabberEnabled = false;
  graph_.RenderToVMR = true;
  graph_.Connect();
  ASSERT_TRUE(graph_.Connected());
  graph_.Pause();
  graph_.SetPosition(0);
  int32_t width = 0, height = 0;
  graph_.GetNativeVideoSize(width, height);
  TIEBitmap bitmap;
  if (graph_.WindowlessVideo()) {
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_TRUE(graph_.GrabFrame(&bitmap));
    EXPECT_TRUE(IsFrame(bitmap, 0));
  } else {
    // Without a display device that presents video the graph plays all the same, into the
    // null renderer, and the windowless calls do nothing.
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_FALSE(graph_.GrabFrame(&bitmap));
    graph_.RepaintVideo(window, nullptr);
    RECT r{0, 0, 10, 10};
    graph_.SetVideoPosition(&r, &r);
    EXPECT_EQ(graph_.GetState(), 1);
  }
  graph_.Disconnect();
  DestroyWindow(window);
}

TEST(VideoFrameRows, TheSignOfTheHeightSaysWhichRowComesFirst) {
  // Two rows of one pixel, each padded to 4 bytes: the first row holds 10, the second 20.
  const uint8_t rows[] = {10, 10, 10, 0, 20, 20, 20, 0};
  for (int32_t dibHeight : {2, -2}) {
    SCOPED_TRACE(dibHeight);
    TIEBitmap bitmap(1, 2, ie24RGB);
    CopyVideoFrameRows(rows, 1, dibHeight, &bitmap);
    // Bottom-up: the first row is the bottom one; top-down: the top one.
    EXPECT_EQ(bitmap.GetPixel24(0, 0).g, dibHeight > 0 ? 20 : 10);
    EXPECT_EQ(bitmap.GetPixel24(0, 1).g, dibHeight > 0 ? 10 : 20);
  }
}

TEST_F(DirectShowTest, ASampleShorterThanItsFormatIsRefused) {
  graph_.Connect();
  ASSERT_TRUE(graph_.Connected());
  graph_.Pause();
  graph_.SetPosition(0);
  const int32_t rowLength = (kWidth * 3 + 3) & ~3;
  std::vector<uint8_t> sample(static_cast<size_t>(rowLength) * kHeight, 0x55);
  TIEBitmap bitmap(3, 2, ie24RGB);
  for (int32_t size : {0, 1, rowLength * kHeight - 1}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(graph_.CopyGrabberFrame(sample.data(), size, &bitmap));
    EXPECT_EQ(bitmap.Width(), 3);
  }
  EXPECT_TRUE(graph_.CopyGrabberFrame(sample.data(), static_cast<int32_t>(sample.size()), &bitmap));
  EXPECT_EQ(bitmap.Width(), kWidth);
  EXPECT_EQ(bitmap.Height(), kHeight);
  EXPECT_EQ(bitmap.GetPixel24(kWidth - 1, kHeight - 1).g, 0x55);
  graph_.Disconnect();
}
