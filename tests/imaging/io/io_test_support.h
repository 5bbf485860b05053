// Helpers of the I/O object's tests: names in a temporary folder, pictures and their
// comparison, a stream that fails after a number of bytes, and a counter of reports.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/image_io.h"
#include "imaging/io/io_startup.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/file_formats.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/threads.h"

namespace io_test {

using imaging::TIEBitmap;
using imaging::TImageIO;

inline std::u16string Wide(const std::string& name) { return vcl::AnsiToUtf16(name); }

// Every test starts from the module's start-up state: the built-in registry rows, no codec
// registered for the formats this library does not write itself.
class IOTest : public ::testing::Test {
 protected:
  void SetUp() override { imaging::ImageIOStaticInit(); }
  void TearDown() override { imaging::ImageIOStaticInit(); }
  TestTempFolder folder_;
  std::u16string File(const std::string& name) const { return Wide(folder_.File(name)); }
};

// Puts a plug-in's row in place of the built-in row of `fileType`, with the same number, name
// and extensions and no functions yet: the I/O object then reads and writes the type through
// the row's functions, as for any format that is not built in.
inline imaging::TIEFileFormatInfo* ReplaceRowByPlugIn(int32_t fileType) {
  const imaging::TIEFileFormatInfo* builtIn = imaging::GetFileFormatInfo(fileType);
  auto row = std::make_unique<imaging::TIEFileFormatInfo>();
  row->FileType = fileType;
  if (builtIn) {
    row->FullName = builtIn->FullName;
    row->Extensions = builtIn->Extensions;
  }
  row->InternalFormat = false;
  imaging::UnregisterFileFormat(fileType);
  imaging::RegisterFileFormat(std::move(row));
  return imaging::GetFileFormatInfo(fileType);
}

// A smooth 24-bit picture (ramps in every channel), which lossy formats keep closely.
inline std::unique_ptr<TIEBitmap> Smooth(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, imaging::ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      bitmap->SetPixel24(x, y, imaging::TRGB{uint8_t((x + y) * 255 / (w + h)), uint8_t(y * 255 / h), uint8_t(x * 255 / w)});
  return bitmap;
}

// Fills a bitmap with a picture whose every pixel differs from the gradient's.
inline void FillSentinel(TIEBitmap& bitmap) {
  bitmap.Allocate(5, 7, imaging::ie24RGB);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 5; ++x) bitmap.SetPixel24(x, y, imaging::TRGB{1, 2, 3});
}

inline bool IsSentinel(TIEBitmap& bitmap) {
  if (bitmap.Width() != 5 || bitmap.Height() != 7 || bitmap.PixelFormat() != imaging::ie24RGB) return false;
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      imaging::TRGB p = bitmap.GetPixel24(x, y);
      if (p.b != 1 || p.g != 2 || p.r != 3) return false;
    }
  return true;
}

// The largest difference of any colour sample between two pictures of one size and format
// (-1: the sizes or formats differ). Pixels are compared as colours, so that any format works.
inline int32_t LargestDifference(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return -1;
  int32_t largest = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const imaging::TRGB pa = a.GetPixelRGB(x, y), pb = b.GetPixelRGB(x, y);
      largest = std::max({largest, std::abs(pa.r - pb.r), std::abs(pa.g - pb.g), std::abs(pa.b - pb.b)});
    }
  return largest;
}

// Whether two pictures of one size and format match: exactly for a tolerance of 0, else with a
// mean sample difference of at most `tolerance` (lossy formats).
inline bool Matches(TIEBitmap& a, TIEBitmap& b, int32_t tolerance) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  if (tolerance == 0) return LargestDifference(a, b) == 0;
  int64_t total = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const imaging::TRGB pa = a.GetPixelRGB(x, y), pb = b.GetPixelRGB(x, y);
      total += std::abs(pa.r - pb.r) + std::abs(pa.g - pb.g) + std::abs(pa.b - pb.b);
    }
  return total <= int64_t(tolerance) * a.Width() * a.Height() * 3;
}

// Whether two pictures have the same alpha (a picture without an alpha channel is opaque).
inline bool SameAlpha(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const uint8_t alphaA = a.HasAlphaChannel() ? a.GetAlphaAt(x, y) : 255;
      const uint8_t alphaB = b.HasAlphaChannel() ? b.GetAlphaAt(x, y) : 255;
      if (alphaA != alphaB) return false;
    }
  return true;
}

// Passes everything to another stream until `limit` bytes have been written; then writes
// nothing more (so WriteBuffer raises the stream write error), like a disk that filled up.
class TFailingStream : public vcl::TStream {
 public:
  TFailingStream(std::unique_ptr<vcl::TStream> inner, int64_t limit) : inner_(std::move(inner)), limit_(limit) {}
  int32_t Read(void* buffer, int32_t count) override { return inner_->Read(buffer, count); }
  int32_t Write(const void* buffer, int32_t count) override {
    if (written_ + count > limit_) return 0;
    written_ += count;
    return inner_->Write(buffer, count);
  }
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return inner_->Seek(offset, origin); }
  void SetSize(int64_t size) override { inner_->SetSize(size); }

 private:
  std::unique_ptr<vcl::TStream> inner_;
  int64_t limit_;
  int64_t written_ = 0;
};

// Counts finish-work reports and remembers the progress values and the threads they came on.
struct TReports {
  int32_t finished = 0;
  std::vector<int32_t> progress;
  std::vector<uint32_t> threads;
  bool lastProgressWas100BeforeFinish = true;
  void Attach(TImageIO& io) {
    io.OnProgress = [this](vcl::TObject*, int32_t per) { progress.push_back(per); };
    io.OnFinishWork = [this](vcl::TObject*) {
      ++finished;
      threads.push_back(GetCurrentThreadId());
      if (progress.empty() || progress.back() != 100) lastProgressWas100BeforeFinish = false;
    };
  }
};

// Runs the calls queued for the main thread until `done` or about 20 seconds have passed.
template <class Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 2000 && !done(); ++i) vcl::CheckSynchronize(10);
  return done();
}

}  // namespace io_test
