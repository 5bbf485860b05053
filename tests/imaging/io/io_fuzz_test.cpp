// Damaged data through the I/O object: detection, loading and parameter reads of truncated and
// damaged copies end in a picture or a flagged failure that left the target untouched; never in
// a crash, a hang or a read past the data.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/imaging/io/format_cases.h"
#include "tests/imaging/io/gif_animation.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

namespace {

fuzz::Bytes Encoded(int32_t fileType, bool headers) {
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(Smooth(40, 30).get());
  io.SetStreamHeaders(headers);
  vcl::TMemoryStream stream;
  io.SaveToStream(&stream, fileType);
  return test_files::StreamBytes(&stream);
}

using IOFuzzTest = IOTest;

TEST_F(IOFuzzTest, DamagedDataFailsCleanly) {
  struct TSample {
    const char* name;
    int32_t fileType;
    bool headers;
  };
  const TSample samples[] = {{"tiff", 1, false}, {"jpeg", 3, false}, {"tiff-headed", 1, true}, {"jpeg-headed", 3, true}};
  unsigned seed = 1;
  for (const TSample& sample : samples) {
    fuzz::Fuzz(sample.name, Encoded(sample.fileType, sample.headers), seed++, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TImageIO io(nullptr);
      io.SetStreamHeaders(sample.headers);
      FillSentinel(*io.IEBitmap());
      io.LoadFromStream(&stream);
      if (io.Aborting()) {
        EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
      } else {
        EXPECT_FALSE(io.IEBitmap()->IsEmpty());
      }
      stream.SetPosition(0);
      io.ParamsFromStream(&stream);
    });
  }
}

TEST_F(IOFuzzTest, DamagedFilesOfEveryFormatFailCleanly) {
  unsigned seed = 100;
  for (const TFormatCase& format : AllFormats()) {
    auto source = SourceIO(format, 40, 30);
    // The GIF sample is an animation, so that damage reaches the composition of its frames.
    const fuzz::Bytes sample = format.fileType == 2 ? gif_animation::FourFrames() : EncodedFile(*source, format);
    fuzz::Fuzz(format.name, sample, seed++, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TImageIO io(nullptr);
      FillSentinel(*io.IEBitmap());
      // By the format's type and by detection (a format without a content test only by type).
      io.LoadFromStreamFormat(&stream, format.fileType);
      if (io.Aborting()) {
        EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
      } else {
        EXPECT_FALSE(io.IEBitmap()->IsEmpty());
        FillSentinel(*io.IEBitmap());
      }
      stream.SetPosition(0);
      io.LoadFromStream(&stream);
      if (io.Aborting()) { EXPECT_TRUE(IsSentinel(*io.IEBitmap())); }
      stream.SetPosition(0);
      io.ParamsFromStreamFormat(&stream, format.fileType);
    });
  }
}

}  // namespace
