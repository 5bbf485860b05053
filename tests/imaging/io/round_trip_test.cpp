// Every format with a codec in this library, loaded and saved through the I/O object by file
// name, by stream and by detection, with the parameter block filled as the codec reports it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/io/format_cases.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

namespace {

class RoundTripTest : public IOTest, public ::testing::WithParamInterface<TFormatCase> {
 protected:
  // The source's file under `name`: saved by name where the format has a writer.
  void WriteSourceFile(TImageIO& source, const std::string& name) {
    const TFormatCase& format = GetParam();
    if (format.writable) {
      source.SaveToFile(File(name));
      ASSERT_FALSE(source.Aborting());
    } else {
      test_files::WriteFileBytes(folder_.UnixFile(name), EncodedFile(source, format));
    }
  }
  // The type to give calls that cannot find the format by content.
  int32_t TypeForDetection() const { return GetParam().detectable ? 0 : GetParam().fileType; }
};

std::unique_ptr<TImageIO> SourceIO() { return SourceIO(AllFormats()[0]); }

TEST_P(RoundTripTest, ByFileNameFillsTheParameterBlock) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO(format);
  const std::string fileName = std::string("picture") + format.extension;
  const std::u16string name = File(fileName);
  if (format.writable) {
    TReports saved;
    saved.Attach(*source);
    source->SaveToFile(name);
    ASSERT_FALSE(source->Aborting());
    EXPECT_EQ(saved.finished, 1);
    EXPECT_EQ(source->Params().FileType, format.fileType);
    EXPECT_EQ(source->Params().FileName, name);
  } else {
    WriteSourceFile(*source, fileName);
  }

  TImageIO loader(nullptr);
  TReports loaded;
  loaded.Attach(loader);
  loader.LoadFromFile(name);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_EQ(loaded.finished, 1);
  EXPECT_TRUE(loaded.lastProgressWas100BeforeFinish);
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
  TIOParamsVals& p = loader.Params();
  EXPECT_EQ(p.FileType, format.fileType);
  EXPECT_EQ(p.FileName, name);
  EXPECT_EQ(p.Width, 64);
  EXPECT_EQ(p.Height, 48);
  EXPECT_EQ(p.DpiX, format.dpi);
  EXPECT_EQ(p.DpiY, format.dpi);
  EXPECT_EQ(p.BitsPerSample, format.bitsPerSample);
  EXPECT_EQ(p.SamplesPerPixel, format.samplesPerPixel);
}

TEST_P(RoundTripTest, ByStreamAndByDetection) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO(format);
  vcl::TMemoryStream stream;
  // The image sits after other data: detection and reading start at the stream's position.
  stream.WriteBuffer("prefix", 6);
  if (format.writable) {
    source->SaveToStream(&stream, format.fileType);
    ASSERT_FALSE(source->Aborting());
    // A save by stream leaves the name and type of the block alone.
    EXPECT_EQ(source->Params().FileType, 0);
  } else {
    const test_files::Bytes bytes = EncodedFile(*source, format);
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  const int64_t end = stream.Position();

  TImageIO loader(nullptr);
  stream.SetPosition(6);
  EXPECT_EQ(loader.FindStreamFormat(&stream), format.detectable ? format.fileType : 0);
  EXPECT_EQ(stream.Position(), 6);
  FillSentinel(*loader.IEBitmap());
  loader.LoadFromStream(&stream);
  if (format.detectable) {
    ASSERT_FALSE(loader.Aborting());
    EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
    EXPECT_EQ(loader.Params().FileType, format.fileType);
    EXPECT_TRUE(loader.Params().FileName.empty());
  } else {
    // Nothing to recognise it by: a visible failure, the target as it was.
    EXPECT_TRUE(loader.Aborting());
    EXPECT_TRUE(IsSentinel(*loader.IEBitmap()));
  }

  TImageIO byType(nullptr);
  stream.SetPosition(6);
  byType.LoadFromStreamFormat(&stream, format.fileType);
  ASSERT_FALSE(byType.Aborting());
  EXPECT_TRUE(Matches(*byType.IEBitmap(), *source->IEBitmap(), format.tolerance));
  EXPECT_EQ(byType.Params().FileType, format.fileType);
  EXPECT_LE(end, stream.Size());
}

TEST_P(RoundTripTest, ContentDecidesOverAMisleadingExtension) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO(format);
  const std::string realName = std::string("real") + format.extension;
  WriteSourceFile(*source, realName);
  const std::u16string real = File(realName);
  // Named as a format whose codec is not in this library.
  const std::u16string misnamed = File("misnamed.pcx");
  ASSERT_TRUE(CopyFileW(reinterpret_cast<const WCHAR*>(real.c_str()), reinterpret_cast<const WCHAR*>(misnamed.c_str()),
                        FALSE));

  TImageIO loader(nullptr);
  FillSentinel(*loader.IEBitmap());
  if (!format.detectable) {
    // Only its own extension finds the format.
    EXPECT_EQ(loader.FindFileFormat(misnamed, false), 0);
    loader.LoadFromFileAuto(misnamed);
    EXPECT_TRUE(loader.Aborting());
    EXPECT_TRUE(IsSentinel(*loader.IEBitmap()));
    loader.LoadFromFileAuto(real);
    ASSERT_FALSE(loader.Aborting());
    EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
    return;
  }
  EXPECT_EQ(loader.FindFileFormat(misnamed, false), format.fileType);
  // Strict: the content and the extension disagree. Icons and cursors share one layout and
  // are told apart by name, so for them the extension is taken.
  const bool iconFamily = format.fileType == 6 || format.fileType == 7;
  EXPECT_EQ(loader.FindFileFormat(misnamed, true), iconFamily ? 4 : 0);
  loader.LoadFromFileAuto(misnamed);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_EQ(loader.Params().FileType, format.fileType);
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));

  // By extension alone the file goes to the PCX reader, which is not in this library.
  TImageIO byExtension(nullptr);
  FillSentinel(*byExtension.IEBitmap());
  byExtension.LoadFromFile(misnamed);
  EXPECT_TRUE(byExtension.Aborting());
  EXPECT_TRUE(IsSentinel(*byExtension.IEBitmap()));
}

TEST_P(RoundTripTest, ParametersOnlyLeaveTheTargetAlone) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO(format);
  const std::string fileName = std::string("params") + format.extension;
  WriteSourceFile(*source, fileName);

  TImageIO reader(nullptr);
  FillSentinel(*reader.IEBitmap());
  reader.ParamsFromFile(File(fileName));
  EXPECT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.Params().FileType, format.fileType);
  EXPECT_EQ(reader.Params().Width, 64);
  EXPECT_EQ(reader.Params().Height, 48);
  EXPECT_EQ(reader.Params().BitsPerSample, format.bitsPerSample);
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));

  const test_files::Bytes bytes = EncodedFile(*source, format);
  reader.ParamsFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), TypeForDetection());
  EXPECT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.Params().FileType, format.fileType);
  EXPECT_EQ(reader.Params().Width, 64);
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));
}

TEST_P(RoundTripTest, FromABufferByTypeAndByDetection) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO(format);
  const test_files::Bytes bytes = EncodedFile(*source, format);
  ASSERT_FALSE(bytes.empty());
  for (int32_t type : {format.fileType, TypeForDetection()}) {
    TImageIO loader(nullptr);
    loader.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), type);
    ASSERT_FALSE(loader.Aborting()) << type;
    EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the rest of the dispatch ----

using DispatchTest = IOTest;

TEST_F(DispatchTest, SaveExtensionsAreComparedWithoutCase) {
  auto source = SourceIO();
  const std::u16string name = File("upper.JPG");
  source->SaveToFile(name);
  ASSERT_FALSE(source->Aborting());
  TImageIO loader(nullptr);
  EXPECT_EQ(loader.FindFileFormat(name, true), 3);
}

TEST_F(DispatchTest, RegistryExtensionsOfBuiltInFormatsWriteThatFormat) {
  // "XIF" is listed only in the TIFF row.
  auto source = SourceIO();
  const std::u16string name = File("picture.xif");
  source->SaveToFile(name);
  ASSERT_FALSE(source->Aborting());
  EXPECT_EQ(source->Params().FileType, 1);
  TImageIO loader(nullptr);
  loader.LoadFromFile(name);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), 0));
}

TEST_F(DispatchTest, PageOfAMultiPageTIFFByIndex) {
  // Two pages: the gradient, then a few-colour picture.
  auto first = test_pictures::Gradient(40, 30);
  auto second = test_pictures::FewColours(24, 16, 5);
  vcl::TMemoryStream stream;
  TIOParamsVals params(nullptr);
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  WriteTIFFStream(&stream, false, first.get(), params, progress);
  stream.SetPosition(0);
  params.SetImageIndex(1);
  ASSERT_EQ(WriteTIFFStream(&stream, true, second.get(), params, progress), 2);
  ASSERT_FALSE(aborting);
  const std::u16string name = File("pages.tif");
  {
    vcl::TFileStream file(vcl::Utf16ToAnsi(name), vcl::fmCreate);
    stream.SetPosition(0);
    file.CopyFrom(&stream, 0);
  }

  TImageIO loader(nullptr);
  loader.Params().SetImageIndex(1);
  EXPECT_EQ(loader.LoadTIFFFromFile(name), 2);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_EQ(LargestDifference(*loader.IEBitmap(), *second), 0);
  EXPECT_EQ(loader.Params().TIFFImageCount, 2);

  loader.Params().SetImageIndex(0);
  loader.LoadFromFile(name);
  EXPECT_EQ(LargestDifference(*loader.IEBitmap(), *first), 0);
}

TEST_F(DispatchTest, StreamHeadersFrameTheImage) {
  for (int32_t type : {1, 3}) {
    auto source = SourceIO();
    source->SetStreamHeaders(true);
    vcl::TMemoryStream stream;
    source->SaveToStream(&stream, type);
    ASSERT_FALSE(source->Aborting());
    stream.WriteBuffer("trailer", 7);
    const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), type == 1 ? "TIFF" : "JFIF");
    EXPECT_EQ(bytes[4] | bytes[5] | bytes[6] | bytes[7], 0);
    const int64_t length = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | int64_t(bytes[11]) << 24;
    EXPECT_EQ(length, stream.Size() - 12 - 7);

    // The reader leaves the stream just after the image, ready for the data that follows.
    TImageIO loader(nullptr);
    loader.SetStreamHeaders(true);
    stream.SetPosition(0);
    loader.LoadFromStreamFormat(&stream, type);
    ASSERT_FALSE(loader.Aborting()) << type;
    EXPECT_EQ(stream.Position(), 12 + length) << type;
    EXPECT_EQ(loader.IEBitmap()->Width(), 64);
  }
}

TEST_F(DispatchTest, JPEGHeadersAreRecognisedWithoutTheSettingAndLengthsAreChecked) {
  auto source = SourceIO();
  source->SetStreamHeaders(true);
  vcl::TMemoryStream stream;
  source->SaveJPEGToStream(&stream);
  TImageIO loader(nullptr);
  stream.SetPosition(0);
  loader.LoadJPEGFromStream(&stream);
  EXPECT_FALSE(loader.Aborting());
  EXPECT_EQ(stream.Position(), stream.Size());

  // A length beyond the data is refused rather than followed.
  auto* bytes = static_cast<uint8_t*>(stream.Memory());
  bytes[11] = 0x7F;
  TImageIO damaged(nullptr);
  FillSentinel(*damaged.IEBitmap());
  stream.SetPosition(0);
  damaged.LoadJPEGFromStream(&stream);
  EXPECT_TRUE(damaged.Aborting());
  EXPECT_TRUE(IsSentinel(*damaged.IEBitmap()));
}

TEST_F(DispatchTest, SavingNeverConvertsTheUsersImage) {
  // A palette image saved as JPEG: the writer gets a 24-bit copy.
  TImageIO io(nullptr);
  auto colours = test_pictures::FewColours(32, 20, 6);
  io.IEBitmap()->Assign(colours.get());
  io.IEBitmap()->ConvertTo(ie8p);
  ASSERT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
  io.SaveToFile(File("palette.jpg"));
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
}

TEST_F(DispatchTest, AdjustDPIEqualisesTheResolutions) {
  TImageIO io(nullptr);
  io.IEBitmap()->Allocate(1000, 500, ie24RGB);
  io.Params().DpiX = 300;
  io.Params().DpiY = 150;
  io.Params().Width = 1000;
  io.Params().Height = 500;
  io.AdjustDPI();
  EXPECT_EQ(io.IEBitmap()->Width(), 1000);
  EXPECT_EQ(io.IEBitmap()->Height(), 1000);
  EXPECT_EQ(io.Params().DpiY, 300);
  EXPECT_EQ(io.Params().Height, 1000);

  // A ratio no device has (a damaged file's) is left alone instead of asking for a huge image.
  io.IEBitmap()->Allocate(100, 50, ie24RGB);
  io.Params().DpiX = 65535;
  io.Params().DpiY = 1;
  io.AdjustDPI();
  EXPECT_EQ(io.IEBitmap()->Height(), 50);
}

}  // namespace
