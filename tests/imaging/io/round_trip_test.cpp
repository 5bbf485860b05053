// Every format with a codec in this library, loaded and saved through the I/O object by file
// name, by stream and by detection, with the parameter block filled as the codec reports it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/io/io_test_support.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

namespace {

struct TFormatCase {
  const char* name;
  const char* extension;
  int32_t fileType;
  int32_t tolerance;  // mean sample difference after a round trip (JPEG is lossy)
};

const TFormatCase kFormats[] = {
    {"TIFF", ".tif", 1, 0},
    {"JPEG", ".jpg", 3, 3},
};

class RoundTripTest : public IOTest, public ::testing::WithParamInterface<TFormatCase> {};

std::unique_ptr<TImageIO> SourceIO() {
  auto io = std::make_unique<TImageIO>(nullptr);
  io->IEBitmap()->Assign(Smooth(64, 48).get());
  io->Params().SetDpiX(150);
  io->Params().SetDpiY(150);
  return io;
}

TEST_P(RoundTripTest, ByFileNameFillsTheParameterBlock) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO();
  const std::u16string name = File(std::string("picture") + format.extension);
  TReports saved;
  saved.Attach(*source);
  source->SaveToFile(name);
  ASSERT_FALSE(source->Aborting());
  EXPECT_EQ(saved.finished, 1);
  EXPECT_EQ(source->Params().FileType, format.fileType);
  EXPECT_EQ(source->Params().FileName, name);

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
  EXPECT_EQ(p.DpiX, 150);
  EXPECT_EQ(p.DpiY, 150);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
}

TEST_P(RoundTripTest, ByStreamAndByDetection) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO();
  vcl::TMemoryStream stream;
  // The image sits after other data: detection and reading start at the stream's position.
  stream.WriteBuffer("prefix", 6);
  source->SaveToStream(&stream, format.fileType);
  ASSERT_FALSE(source->Aborting());
  const int64_t end = stream.Position();

  TImageIO loader(nullptr);
  stream.SetPosition(6);
  EXPECT_EQ(loader.FindStreamFormat(&stream), format.fileType);
  EXPECT_EQ(stream.Position(), 6);
  loader.LoadFromStream(&stream);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
  EXPECT_EQ(loader.Params().FileType, format.fileType);
  EXPECT_TRUE(loader.Params().FileName.empty());

  TImageIO byType(nullptr);
  stream.SetPosition(6);
  byType.LoadFromStreamFormat(&stream, format.fileType);
  ASSERT_FALSE(byType.Aborting());
  EXPECT_EQ(byType.IEBitmap()->Width(), 64);
  EXPECT_LE(end, stream.Size());
}

TEST_P(RoundTripTest, ContentDecidesOverAMisleadingExtension) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO();
  const std::u16string real = File(std::string("real") + format.extension);
  source->SaveToFile(real);
  ASSERT_FALSE(source->Aborting());
  const std::u16string misnamed = File("misnamed.bmp");
  ASSERT_TRUE(CopyFileW(reinterpret_cast<const WCHAR*>(real.c_str()), reinterpret_cast<const WCHAR*>(misnamed.c_str()),
                        FALSE));

  TImageIO loader(nullptr);
  EXPECT_EQ(loader.FindFileFormat(misnamed, false), format.fileType);
  // Strict: the content and the extension disagree.
  EXPECT_EQ(loader.FindFileFormat(misnamed, true), 0);
  loader.LoadFromFileAuto(misnamed);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_EQ(loader.Params().FileType, format.fileType);
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));

  // By extension alone the file goes to the bitmap reader, which is not in this library.
  TImageIO byExtension(nullptr);
  FillSentinel(*byExtension.IEBitmap());
  byExtension.LoadFromFile(misnamed);
  EXPECT_TRUE(byExtension.Aborting());
  EXPECT_TRUE(IsSentinel(*byExtension.IEBitmap()));
}

TEST_P(RoundTripTest, ParametersOnlyLeaveTheTargetAlone) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO();
  const std::u16string name = File(std::string("params") + format.extension);
  source->SaveToFile(name);
  ASSERT_FALSE(source->Aborting());

  TImageIO reader(nullptr);
  FillSentinel(*reader.IEBitmap());
  reader.ParamsFromFile(name);
  EXPECT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.Params().FileType, format.fileType);
  EXPECT_EQ(reader.Params().Width, 64);
  EXPECT_EQ(reader.Params().Height, 48);
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));

  vcl::TMemoryStream stream;
  source->SaveToStream(&stream, format.fileType);
  reader.ParamsFromBuffer(stream.Memory(), stream.Size(), 0);
  EXPECT_EQ(reader.Params().FileType, format.fileType);
  EXPECT_EQ(reader.Params().Width, 64);
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));
}

TEST_P(RoundTripTest, FromABufferByTypeAndByDetection) {
  const TFormatCase& format = GetParam();
  auto source = SourceIO();
  vcl::TMemoryStream stream;
  source->SaveToStream(&stream, format.fileType);
  for (int32_t type : {format.fileType, 0}) {
    TImageIO loader(nullptr);
    loader.LoadFromBuffer(stream.Memory(), stream.Size(), type);
    ASSERT_FALSE(loader.Aborting()) << type;
    EXPECT_TRUE(Matches(*loader.IEBitmap(), *source->IEBitmap(), format.tolerance));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, ::testing::ValuesIn(kFormats),
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
  bool aborting = false;
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
