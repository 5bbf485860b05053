// Damaged data through the I/O object: detection, loading and parameter reads of truncated and
// damaged copies end in a picture or a flagged failure that left the target untouched; never in
// a crash, a hang or a read past the data.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/params/codec_progress.h"
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

fuzz::Bytes IoEncoded(int32_t fileType, bool headers) {
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
    fuzz::Fuzz(sample.name, IoEncoded(sample.fileType, sample.headers), seed++, [&](uint8_t* data, int32_t size) {
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
      if (io.Aborting()) {
        EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
      }
      stream.SetPosition(0);
      io.ParamsFromStreamFormat(&stream, format.fileType);
    });
  }
}

// The formats whose members read what the registry rows' readers did not: PCX stream headers,
// a PSD layer's transparency at its place, the DCX container.
fuzz::Bytes MemberSample(int32_t fileType, bool headers) {
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(Smooth(24, 18).get());
  io.Params().BitsPerSample = 8;
  io.Params().SamplesPerPixel = 3;
  io.SetStreamHeaders(headers);
  vcl::TMemoryStream stream;
  io.SaveToStream(&stream, fileType);
  return test_files::StreamBytes(&stream);
}

fuzz::Bytes OneLayerPSD() {
  TIEBitmap merged(24, 18, ie24RGB);
  merged.Fill(0x102030);
  TPSDLayers layers(1);
  layers[0].Bitmap = std::make_unique<TIEBitmap>(8, 6, ie24RGB);
  layers[0].Bitmap->Fill(0xFFFFFF);
  layers[0].Bitmap->GetAlphaChannel()->Fill(200);
  layers[0].PosX = 5;
  layers[0].PosY = 7;
  TIOParamsVals params(nullptr);
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  vcl::TMemoryStream stream;
  WritePSDStream(&stream, params, progress, &merged, layers);
  return test_files::StreamBytes(&stream);
}

TEST_F(IOFuzzTest, DamagedFilesOfTheMemberFormatsFailCleanly) {
  struct TSample {
    const char* name;
    int32_t fileType;
    fuzz::Bytes data;
    bool headers;
  };
  const TSample samples[] = {{"pcx-headed", 4, MemberSample(4, true), true},
                             {"pcx-headed-unexpected", 4, MemberSample(4, true), false},
                             {"dcx", 19, MemberSample(19, false), false},
                             {"tga", 11, MemberSample(11, false), false},
                             {"psd-one-layer", 24, OneLayerPSD(), false}};
  unsigned seed = 300;
  for (const TSample& sample : samples) {
    fuzz::Fuzz(sample.name, sample.data, seed++, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TImageIO io(nullptr);
      io.SetStreamHeaders(sample.headers);
      FillSentinel(*io.IEBitmap());
      io.LoadFromStreamFormat(&stream, sample.fileType);
      if (io.Aborting()) {
        EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
      } else {
        EXPECT_FALSE(io.IEBitmap()->IsEmpty());
        FillSentinel(*io.IEBitmap());
      }
      stream.SetPosition(0);
      io.LoadFromStream(&stream);
      if (io.Aborting()) {
        EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
      }
    });
  }
}

}  // namespace
