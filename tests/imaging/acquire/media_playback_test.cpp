// Playback of a video file through the platform's filter graph: an AVI the test writes opens
// with its frame count and size, and every frame grabbed matches the frame written.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/acquire/direct_show.h"
#include "imaging/acquire/acquire_startup.h"
#include "imaging/acquire/media_playback.h"
#include "imaging/io/image_io.h"
#include "imaging/io/io_startup.h"
#include "tests/imaging/acquire/avi_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_deadline.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;
using namespace acquire_test;

namespace {

class MediaPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageIOStaticInit();
    IEAcquireStaticInit();
    name_ = vcl::AnsiToUtf16(folder_.File("clip.avi"));
    ASSERT_TRUE(WriteAVI(folder_.File("clip.avi"), 25, 1));
    io_ = TImageIO::CreateFromBitmap(&target_);
  }
  void TearDown() override {
    io_.reset();
    IEAcquireStaticFinalize();
  }
  TestTempFolder folder_;
  std::u16string name_;
  TIEBitmap target_;
  std::unique_ptr<TImageIO> io_;
};

}  // namespace

TEST_F(MediaPlaybackTest, AWrittenFileOpensAndEveryFrameMatches) {
  ASSERT_EQ(io_->OpenMediaFile(name_), kFrames);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_TRUE(io_->IsMediaFileOpen());
  EXPECT_EQ(io_->Params().MediaFileFrameCount, kFrames);
  EXPECT_EQ(io_->Params().Width, kWidth);
  EXPECT_EQ(io_->Params().Height, kHeight);
  // Out of order and repeated, so that each seek is seen to land on its own frame.
  for (int32_t n : {0, 3, 1, 4, 2, 2, 0}) {
    SCOPED_TRACE(n);
    io_->LoadMediaFrame(n);
    EXPECT_FALSE(io_->Aborting());
    EXPECT_TRUE(IsFrame(target_, n));
    EXPECT_EQ(io_->Params().ImageIndex, n);
    EXPECT_EQ(io_->Params().MediaFileFrameDelayTime, 40);
  }
  // A frame past the end brings no sample: the grab fails instead of repeating the last one.
  target_.Allocate(3, 2, ie24RGB);
  io_->LoadMediaFrame(kFrames);
  EXPECT_TRUE(io_->Aborting());
  EXPECT_EQ(target_.Width(), 3);
  io_->CloseMediaFile();
  EXPECT_FALSE(io_->IsMediaFileOpen());
}

TEST_F(MediaPlaybackTest, FilesThatAreNoVideoOpenWithNoFrames) {
  const std::string text = folder_.File("not-a-video.avi");
  FILE* f = fopen(folder_.UnixFile("not-a-video.avi").c_str(), "wb");
  ASSERT_TRUE(f);
  fputs("RIFF this is no video at all", f);
  fclose(f);
  for (const std::u16string& name : {vcl::AnsiToUtf16(text), vcl::AnsiToUtf16(folder_.File("missing.avi"))}) {
    EXPECT_EQ(io_->OpenMediaFile(name), 0);
    EXPECT_TRUE(io_->Aborting());
    io_->CloseMediaFile();
  }
}

TEST_F(MediaPlaybackTest, TheGraphReportsStateDurationsAndFormat) {
  // Running, seeking and pausing with the system clock take well under a second; the graph has
  // been seen to hang in them.
  const test_support::TestDeadline deadline(60000, "the media graph");
  TIEDirectShow graph;
  // Without a graph everything answers its empty value.
  EXPECT_FALSE(graph.Connected());
  EXPECT_EQ(graph.GetState(), 0);
  EXPECT_EQ(graph.GetDuration(), 0);
  EXPECT_EQ(graph.GetTimeFormat(), ietfNone);
  TIEBitmap bitmap;
  EXPECT_FALSE(graph.GrabFrame(&bitmap));

  graph.SourceFileName = name_;
  graph.SampleGrabberEnabled = true;
  graph.Connect();
  ASSERT_TRUE(graph.Connected());
  graph.Pause();
  EXPECT_EQ(graph.GetState(), 1);
  // A source that counts frames answers in frames; one that does not stays in media time.
  graph.SetTimeFormat(ietfFrame);
  const int64_t frames = graph.GetDuration();
  EXPECT_EQ(frames, graph.GetTimeFormat() == ietfFrame ? kFrames : kFrames * 400000);
  graph.SetTimeFormat(ietfMediaTime);
  EXPECT_EQ(graph.GetTimeFormat(), ietfMediaTime);
  EXPECT_EQ(graph.GetDuration(), kFrames * 400000);
  EXPECT_EQ(graph.GetFrameDuration(), 400000);
  int32_t width = 0, height = 0;
  std::string format;
  graph.GetVideoFormat(width, height, format);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(std::abs(height), kHeight);
  graph.Run();
  EXPECT_EQ(graph.GetState(), 2);
  graph.Pause();
  uint64_t seen = graph.SampleCount();
  graph.SetPosition(3 * 400000);
  // A sample of the running graph may still arrive after the pause; the seek's own sample
  // follows it, so wait on until the grabbed frame is the one sought.
  bool landed = false;
  for (const DWORD start = GetTickCount(); !landed && GetTickCount() - start < 5000;) {
    if (!graph.WaitForSample(seen, 500)) continue;
    seen = graph.SampleCount();
    landed = graph.GrabFrame(&bitmap) && IsFrame(bitmap, 3);
  }
  EXPECT_TRUE(landed);

  // Connecting again replaces the graph rather than leaving the first one running.
  graph.Connect();
  ASSERT_TRUE(graph.Connected());
  EXPECT_EQ(graph.GetState(), 0);
  graph.Disconnect();
  EXPECT_FALSE(graph.Connected());
  EXPECT_EQ(graph.GetState(), 0);
  graph.Disconnect();
}
