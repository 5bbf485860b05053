// The acquisition side of the I/O object: acquired images handed over, media-file frames
// through a playback the test fakes, the scanner and print blocks, and resolution equalising.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/io/adjust_bitmap_dpi.h"
#include "imaging/io/media_file.h"
#include "imaging/io/scanner_params.h"
#include "tests/imaging/io/io_test_support.h"

using namespace imaging;
using namespace io_test;

namespace {

// A playback that reports the durations it is given and grabs a frame filled with the
// position it was sought to.
class FakeMedia : public TIEMediaFile {
 public:
  int64_t media = 100000000, frames = 250, average = 400000;
  bool opens = true;
  int64_t* soughtTo = nullptr;
  bool Open(const std::u16string&) override { return opens; }
  int64_t MediaDuration() override { return media; }
  int64_t FrameDuration() override { return frames; }
  int64_t AverageFrameTime() override { return average; }
  void VideoSize(int32_t& width, int32_t& height) override {
    width = 16;
    height = 9;
  }
  void Seek(int64_t position) override { *soughtTo = position; }
  bool GrabFrame(TIEBitmap* target) override {
    target->Allocate(16, 9, ie24RGB);
    target->Fill(static_cast<double>(*soughtTo % 256));
    return true;
  }
  void Close() override {}
};

class AcquireTest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    io_ = TImageIO::CreateFromBitmap(&target_);
    FillSentinel(target_);
  }
  void TearDown() override {
    IEMediaFileFactory = nullptr;
    IOTest::TearDown();
  }
  TIEBitmap target_;
  std::unique_ptr<TImageIO> io_;
};

}  // namespace

TEST(MediaFrames, DurationsGiveFramesStepAndDelay) {
  struct Case {
    int64_t media, frames, average;
    int64_t count, step;
    double delay;
  } cases[] = {
      // A source that counts frames.
      {100000000, 250, 400000, 250, 1, 40},
      // One that does not, with and without an average frame time.
      {100000000, 100000000, 400000, 250, 400000, 40},
      {100000000, 100000000, 0, 100000000, 1, 0.0001},
      // No frames: no delay, rather than a division by zero.
      {100000000, 0, 400000, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.frames) + " / " + std::to_string(c.average));
    const TIEMediaFrames frames = MediaFrames(c.media, c.frames, c.average);
    EXPECT_EQ(frames.Count, c.count);
    EXPECT_EQ(frames.Step, c.step);
    EXPECT_NEAR(frames.Delay, c.delay, 1e-9);
  }
}

TEST_F(AcquireTest, MediaFileFramesComeThroughThePlayback) {
  int64_t soughtTo = -1;
  IEMediaFileFactory = [&] {
    auto media = std::make_unique<FakeMedia>();
    media->frames = media->media;  // no frame units: the step is the average frame time
    media->soughtTo = &soughtTo;
    return media;
  };
  ASSERT_EQ(io_->OpenMediaFile(u"clip.mpg"), 250);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_TRUE(io_->IsMediaFileOpen());
  EXPECT_EQ(io_->Params().MediaFileFrameCount, 250);
  EXPECT_EQ(io_->Params().Width, 16);
  EXPECT_EQ(io_->Params().FileName, u"clip.mpg");
  io_->LoadMediaFrame(3);
  EXPECT_EQ(soughtTo, 3 * 400000);
  EXPECT_EQ(target_.Width(), 16);
  EXPECT_EQ(io_->Params().MediaFileFrameDelayTime, 40);
  const TIOParamsVals& p = io_->Params();
  for (int32_t index : {p.ImageIndex, p.TIFFImageIndex, p.GIFImageIndex, p.DCXImageIndex, p.ICOImageIndex,
                        p.CURImageIndex})
    EXPECT_EQ(index, 3);
  io_->CloseMediaFile();
  EXPECT_FALSE(io_->IsMediaFileOpen());
}

TEST_F(AcquireTest, WithoutAPlaybackOrAReadableFileNothingOpens) {
  EXPECT_EQ(io_->OpenMediaFile(u"clip.mpg"), 0);
  EXPECT_TRUE(io_->Aborting());
  EXPECT_FALSE(io_->IsMediaFileOpen());
  io_->LoadMediaFrame(0);
  EXPECT_TRUE(IsSentinel(target_));
  IEMediaFileFactory = [] {
    auto media = std::make_unique<FakeMedia>();
    media->opens = false;
    return media;
  };
  EXPECT_EQ(io_->OpenMediaFile(u"clip.mpg"), 0);
  EXPECT_TRUE(io_->Aborting());
}

TEST_F(AcquireTest, AnAcquiredImageIsCopiedUnlessTheHandlerTakesIt) {
  auto acquired = Smooth(12, 8);
  bool takeIt = true;
  io_->OnAcquireBitmap = [&](vcl::TObject*, TIEBitmap*, bool& handled) { handled = takeIt; };
  TIOParamsVals* params = nullptr;
  io_->DoAcquireBitmap(acquired.get(), params);
  EXPECT_TRUE(IsSentinel(target_));
  EXPECT_EQ(params, nullptr);
  takeIt = false;
  io_->DoAcquireBitmap(acquired.get(), params);
  EXPECT_TRUE(Matches(target_, *acquired, 0));
  EXPECT_EQ(params, &io_->Params());
}

TEST_F(AcquireTest, TheScannerAndPrintBlocksHaveTheirDefaults) {
  TIETWainParams& scanner = io_->TWainParams();
  EXPECT_EQ(scanner.Owner(), io_.get());
  EXPECT_FALSE(scanner.MultiFlagA);
  EXPECT_DOUBLE_EQ(scanner.Gamma, 2.2);
  EXPECT_EQ(scanner.Value2, -2);
  EXPECT_EQ(scanner.Values4[0], -1);
  EXPECT_EQ(scanner.Values4[1], 1);
  scanner.Items.push_back({1, 2, 3});
  scanner.Gamma = 1;
  scanner.IntegerCaps2.SetCount(3);
  scanner.SetDefaults();
  EXPECT_TRUE(scanner.Items.empty());
  EXPECT_DOUBLE_EQ(scanner.Gamma, 2.2);
  EXPECT_EQ(scanner.IntegerCaps2.Count(), 0);

  const TIOPrintPreviewParams& print = io_->PrintPreviewParams();
  EXPECT_DOUBLE_EQ(print.MarginLeft, 1.0);
  EXPECT_DOUBLE_EQ(print.MarginBottom, 1.0);
  EXPECT_EQ(print.Position, 4);
  EXPECT_EQ(print.Size, 1);
  EXPECT_DOUBLE_EQ(print.Width, -1.0);
  EXPECT_DOUBLE_EQ(print.Gamma, 1.0);
}

TEST(AdjustBitmapDPI, TheShorterSideFollowsTheLargerResolution) {
  struct Case {
    int32_t width, height, dpiX, dpiY;
    bool filtered;
    bool same;
    int32_t newWidth, newHeight, newDpiX, newDpiY;
  } cases[] = {
      {800, 400, 200, 100, false, false, 800, 800, 200, 200},
      {400, 800, 100, 200, true, false, 800, 800, 200, 200},
      {800, 400, 100, 100, false, true, 800, 400, 100, 100},
      {800, 400, 0, 100, false, true, 800, 400, 0, 100},
      // A ratio no device makes would ask for an absurd bitmap: left alone.
      {800, 400, 65535, 1, false, true, 800, 400, 65535, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpiX) + " x " + std::to_string(c.dpiY));
    TIEBitmap source(c.width, c.height, ie24RGB);
    TIOParamsVals params(nullptr);
    params.Width = c.width;
    params.Height = c.height;
    params.DpiX = c.dpiX;
    params.DpiY = c.dpiY;
    std::unique_ptr<TIEBitmap> owned;
    TIEBitmap* result = AdjustBitmapDPI(&source, params, c.filtered);
    if (result != &source) owned.reset(result);
    EXPECT_EQ(result == &source, c.same);
    EXPECT_EQ(result->Width(), c.newWidth);
    EXPECT_EQ(result->Height(), c.newHeight);
    EXPECT_EQ(params.DpiX, c.newDpiX);
    EXPECT_EQ(params.DpiY, c.newDpiY);
    EXPECT_EQ(params.Width, c.newWidth);
    EXPECT_EQ(params.Height, c.newHeight);
  }
}
