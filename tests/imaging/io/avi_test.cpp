// AVI frames: a file the test writes through the platform's video file library reads back
// frame by frame with the same pixels; frames that do not exist and files that are no AVI fail.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/win.h"

#include <vfw.h>

using namespace imaging;
using namespace io_test;

namespace {

constexpr int32_t kWidth = 37, kHeight = 21, kFrames = 5;

// Frame n: a pattern that differs in every frame and every pixel's channels.
TRGB FramePixel(int32_t n, int32_t x, int32_t y) {
  return TRGB{uint8_t(x * 7 + n * 40), uint8_t(y * 11 + n * 3), uint8_t((x ^ y) * 5 + n * 17)};
}

// Writes an uncompressed 24-bit AVI of kFrames frames at `rate` frames per `scale` seconds.
bool WriteAVI(const std::string& name, DWORD rate, DWORD scale) {
  AVIFileInit();
  PAVIFILE file = nullptr;
  const std::u16string wide = Wide(name) + u'\0';
  bool ok = AVIFileOpenW(&file, reinterpret_cast<LPCWSTR>(wide.c_str()), OF_WRITE | OF_CREATE, nullptr) == 0;
  PAVISTREAM stream = nullptr;
  const int32_t rowLength = ((kWidth * 24 + 31) / 32) * 4;
  if (ok) {
    AVISTREAMINFOW info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = scale;
    info.dwRate = rate;
    info.dwSuggestedBufferSize = rowLength * kHeight;
    SetRect(&info.rcFrame, 0, 0, kWidth, kHeight);
    ok = AVIFileCreateStreamW(file, &stream, &info) == 0;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = rowLength * kHeight;
  if (ok) ok = AVIStreamSetFormat(stream, 0, &header, sizeof header) == 0;
  std::vector<uint8_t> bits(static_cast<size_t>(rowLength) * kHeight);
  for (int32_t n = 0; ok && n < kFrames; ++n) {
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        // Rows bottom-up, pixels blue, green, red.
        uint8_t* p = &bits[static_cast<size_t>(kHeight - 1 - y) * rowLength + x * 3];
        const TRGB c = FramePixel(n, x, y);
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
    ok = AVIStreamWrite(stream, n, 1, bits.data(), static_cast<LONG>(bits.size()), AVIIF_KEYFRAME, nullptr, nullptr) == 0;
  }
  if (stream) AVIStreamRelease(stream);
  if (file) AVIFileRelease(file);
  AVIFileExit();
  return ok;
}

bool IsFrame(TIEBitmap& bitmap, int32_t n) {
  if (bitmap.Width() != kWidth || bitmap.Height() != kHeight || bitmap.PixelFormat() != ie24RGB) return false;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const TRGB a = bitmap.GetPixel24(x, y), b = FramePixel(n, x, y);
      if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
    }
  return true;
}

class AVITest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    name_ = folder_.File("clip.avi");
    ASSERT_TRUE(WriteAVI(name_, 25, 1));
    io_ = TImageIO::CreateFromBitmap(&target_);
    FillSentinel(target_);
    reports_.Attach(*io_);
  }
  std::string name_;
  TIEBitmap target_;
  std::unique_ptr<TImageIO> io_;
  TReports reports_;
};

}  // namespace

TEST_F(AVITest, AWrittenFileReadsBackFrameByFrame) {
  ASSERT_EQ(io_->OpenAVIFile(Wide(name_)), kFrames);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_EQ(io_->Params().AVIFrameCount, kFrames);
  EXPECT_EQ(io_->Params().AVIFrameDelayTime, 40);
  // Out of order, to see that each index is its own frame.
  for (int32_t n : {3, 0, 4, 1, 2}) {
    SCOPED_TRACE(n);
    const int32_t finished = reports_.finished;
    io_->LoadAVIFrame(n);
    EXPECT_FALSE(io_->Aborting());
    EXPECT_TRUE(IsFrame(target_, n));
    EXPECT_EQ(reports_.finished, finished + 1);
    EXPECT_EQ(io_->Params().Width, kWidth);
    EXPECT_EQ(io_->Params().Height, kHeight);
    EXPECT_EQ(io_->Params().BitsPerSample, 8);
    EXPECT_EQ(io_->Params().SamplesPerPixel, 3);
  }
  io_->CloseAVIFile();
  EXPECT_FALSE(io_->IsAVIFileOpen());
}

TEST_F(AVITest, TheShutDownEndsTheVideoFileLibraryOnceUsed) {
  ASSERT_EQ(io_->OpenAVIFile(Wide(name_)), kFrames);
  io_->CloseAVIFile();
  EXPECT_TRUE(AVILibraryStarted());
  ImageIOStaticFinalize();
  EXPECT_FALSE(AVILibraryStarted());
  ImageIOStaticInit();
  // Started again by the next file.
  ASSERT_EQ(io_->OpenAVIFile(Wide(name_)), kFrames);
  io_->CloseAVIFile();
  EXPECT_TRUE(AVILibraryStarted());
}

TEST_F(AVITest, FramesThatDoNotExistLoadNothing) {
  ASSERT_EQ(io_->OpenAVIFile(Wide(name_)), kFrames);
  for (int32_t n : {kFrames, -1, 1000}) {
    SCOPED_TRACE(n);
    const int32_t finished = reports_.finished;
    io_->LoadAVIFrame(n);
    EXPECT_TRUE(io_->Aborting());
    EXPECT_TRUE(IsSentinel(target_));
    EXPECT_EQ(reports_.finished, finished + 1);
  }
  io_->CloseAVIFile();
  io_->LoadAVIFrame(0);
  EXPECT_TRUE(io_->Aborting());
  EXPECT_TRUE(IsSentinel(target_));
}

TEST_F(AVITest, LoadFromFileReadsTheFrameOfTheImageIndex) {
  io_->Params().ImageIndex = 2;
  io_->LoadFromFile(Wide(name_));
  EXPECT_FALSE(io_->Aborting());
  EXPECT_TRUE(IsFrame(target_, 2));
  EXPECT_EQ(io_->Params().FileType, 15);
  EXPECT_EQ(io_->Params().FileName, Wide(name_));
  // The file is not left open.
  EXPECT_FALSE(io_->IsAVIFileOpen());
}

TEST_F(AVITest, AnAsynchronousLoadReadsTheFrameBeforeTheFileCloses) {
  io_->SetAsynchronous(true);
  io_->Params().ImageIndex = 4;
  io_->LoadFromFile(Wide(name_));
  ASSERT_TRUE(PumpUntil([&] { return reports_.finished > 0; }));
  io_->WaitThreads(false);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_TRUE(IsFrame(target_, 4));
}

TEST_F(AVITest, FilesThatAreNoAVIFail) {
  const std::string text = folder_.File("text.avi");
  test_files::WriteFileBytes(folder_.UnixFile("text.avi"), test_files::Bytes(300, 'x'));
  for (const std::string& name : {text, folder_.File("missing.avi")}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(io_->OpenAVIFile(Wide(name)), 0);
    EXPECT_TRUE(io_->Aborting());
    EXPECT_FALSE(io_->IsAVIFileOpen());
    const int32_t finished = reports_.finished;
    io_->LoadFromFile(Wide(name));
    EXPECT_TRUE(io_->Aborting());
    EXPECT_TRUE(IsSentinel(target_));
    EXPECT_EQ(reports_.finished, finished + 1);
  }
}

TEST_F(AVITest, ADamagedRateGivesNoDelayRatherThanADivisionByZero) {
  // The stream header's rate (after "strh", its size, type, handler, flags, priority and
  // language, initial frames and scale) set to 0.
  test_files::Bytes bytes = test_files::ReadFileBytes(folder_.UnixFile("clip.avi"));
  const std::string data(bytes.begin(), bytes.end());
  const size_t strh = data.find("strh");
  ASSERT_NE(strh, std::string::npos);
  for (size_t i = 0; i < 4; ++i) bytes[strh + 32 + i] = 0;
  test_files::WriteFileBytes(folder_.UnixFile("still.avi"), bytes);
  ASSERT_EQ(io_->OpenAVIFile(Wide(folder_.File("still.avi"))), kFrames);
  EXPECT_EQ(io_->Params().AVIFrameDelayTime, 0);
  io_->LoadAVIFrame(1);
  EXPECT_TRUE(IsFrame(target_, 1));
}

TEST_F(AVITest, TruncatedFilesGiveFramesOrFailures) {
  const test_files::Bytes whole = test_files::ReadFileBytes(folder_.UnixFile("clip.avi"));
  for (size_t length : {size_t(12), size_t(100), size_t(300), whole.size() / 2, whole.size() - 100}) {
    SCOPED_TRACE(length);
    test_files::WriteFileBytes(folder_.UnixFile("cut.avi"), test_files::Bytes(whole.begin(), whole.begin() + length));
    const int32_t frames = io_->OpenAVIFile(Wide(folder_.File("cut.avi")));
    EXPECT_EQ(frames == 0, io_->Aborting());
    for (int32_t n = 0; n < frames; ++n) {
      FillSentinel(target_);
      io_->LoadAVIFrame(n);
      // A frame that is there is whole; one that is not leaves the target.
      EXPECT_TRUE(io_->Aborting() ? IsSentinel(target_) : IsFrame(target_, n));
    }
    io_->CloseAVIFile();
  }
}
