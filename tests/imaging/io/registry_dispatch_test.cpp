// A codec that is not part of this library registers its functions in a registry row of its
// own, as a plug-in (here also one that takes a built-in format's number and extensions): the
// I/O object then loads, saves, detects and reads parameters through them, in the same frame as
// its own formats.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "imaging/io/registry_codecs.h"
#include "imaging/params/file_formats.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

namespace {

// A made-up format: "FAKE", width and height as 32-bit numbers, then the 24-bit rows.
constexpr char kMagic[4] = {'F', 'A', 'K', 'E'};

bool TryFake(vcl::TStream* stream, int32_t) {
  const int64_t start = stream->Position();
  char magic[4] = {};
  const bool found = stream->Read(magic, 4) == 4 && std::memcmp(magic, kMagic, 4) == 0;
  stream->SetPosition(start);
  return found;
}

void WriteFake(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals&, TCodecProgress& progress) {
  if (bitmap->PixelFormat() != ie24RGB) {
    progress.Abort();
    return;
  }
  int32_t size[2] = {bitmap->Width(), bitmap->Height()};
  stream->WriteBuffer(kMagic, 4);
  stream->WriteBuffer(size, 8);
  for (int32_t y = 0; y < size[1]; ++y) stream->WriteBuffer(bitmap->Scanline(y), size[0] * 3);
}

void ReadFake(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
              bool preview) {
  char magic[4];
  int32_t size[2];
  if (stream->Read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0 || stream->Read(size, 8) != 8 ||
      size[0] <= 0 || size[1] <= 0 || size[0] > 4096 || size[1] > 4096) {
    progress.Abort();
    return;
  }
  params.Width = size[0];
  params.Height = size[1];
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  if (preview) return;
  bitmap->Allocate(size[0], size[1], ie24RGB);
  for (int32_t y = 0; y < size[1]; ++y)
    if (stream->Read(bitmap->Scanline(y), size[0] * 3) != size[0] * 3) {
      progress.Abort();
      return;
    }
  progress.Report(100);
}

// A reader that reports a resolution of 1 and a PNG background.
void ReadFakeWithExtras(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                        bool preview) {
  ReadFake(stream, bitmap, params, progress, preview);
  params.DpiX = 1;
  params.DpiY = 1;
  params.PNGBackground = MakeRGB(10, 20, 30);
}

void ReadThatRaises(vcl::TStream*, TIEBitmap* bitmap, TIOParamsVals&, TCodecProgress&, bool) {
  bitmap->Allocate(3, 3, ie24RGB);
  throw vcl::EReadError("Stream read error");
}

class RegistryDispatchTest : public IOTest {
 protected:
  // A plug-in in place of the Targa row.
  void RegisterFakeCodec() {
    TIEFileFormatInfo* row = ReplaceRowByPlugIn(11);
    ASSERT_NE(row, nullptr);
    row->ReadFunction = ReadFake;
    row->WriteFunction = WriteFake;
    row->TryFunction = TryFake;
  }
};

TEST_F(RegistryDispatchTest, ARowWithoutItsCodecNeitherReadsNorWrites) {
  EXPECT_EQ(RegistryReader(16), nullptr);
  EXPECT_EQ(RegistryWriter(16), nullptr);
  EXPECT_EQ(RegistryWriter(7), nullptr);  // the cursor row has no writer at all
  EXPECT_EQ(FileTypeOfExtension("WBMP"), 16);
  EXPECT_EQ(FileTypeOfExtension(".Pix"), 11);
  EXPECT_EQ(FileTypeOfExtension("avi"), 0);
}

TEST_F(RegistryDispatchTest, ARegisteredCodecIsUsedByNameStreamAndDetection) {
  RegisterFakeCodec();
  TImageIO source(nullptr);
  source.IEBitmap()->Assign(Smooth(20, 10).get());
  const std::u16string name = File("picture.tga");
  TReports saved;
  saved.Attach(source);
  source.SaveToFile(name);
  ASSERT_FALSE(source.Aborting());
  EXPECT_EQ(saved.finished, 1);
  EXPECT_EQ(source.Params().FileType, 11);

  TImageIO loader(nullptr);
  TReports loaded;
  loaded.Attach(loader);
  loader.LoadFromFile(name);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *source.IEBitmap(), 0));
  EXPECT_EQ(loader.Params().FileType, 11);
  EXPECT_EQ(loader.Params().FileName, name);
  EXPECT_EQ(loader.Params().Width, 20);
  // No resolution in the file: the library's default.
  EXPECT_EQ(loader.Params().DpiX, 300);
  EXPECT_EQ(loaded.progress.back(), 100);
  EXPECT_EQ(loaded.finished, 1);

  vcl::TMemoryStream stream;
  source.SaveToStream(&stream, 11);
  stream.SetPosition(0);
  EXPECT_EQ(loader.FindStreamFormat(&stream), 11);
  TImageIO byContent(nullptr);
  byContent.LoadFromStream(&stream);
  ASSERT_FALSE(byContent.Aborting());
  EXPECT_TRUE(Matches(*byContent.IEBitmap(), *source.IEBitmap(), 0));
  EXPECT_EQ(byContent.FindFileFormat(name, true), 11);

  TImageIO params(nullptr);
  params.ParamsFromFile(name);
  EXPECT_EQ(params.Params().FileType, 11);
  EXPECT_EQ(params.Params().Height, 10);
  EXPECT_TRUE(params.IEBitmap()->IsEmpty());
}

TEST_F(RegistryDispatchTest, ARegisteredCodecGetsAConvertedCopyAndTheSameFailureRules) {
  RegisterFakeCodec();
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(Smooth(20, 10).get());
  io.IEBitmap()->ConvertTo(ie8g);
  io.SaveToFile(File("grey.tga"));
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8g);

  // Damaged data: the target and the block stay.
  test_files::WriteFileBytes(folder_.UnixFile("damaged.tga"), test_files::ToBytes("FAKE\x14"));
  TImageIO loader(nullptr);
  FillSentinel(*loader.IEBitmap());
  loader.Params().FileType = 42;
  loader.LoadFromFile(File("damaged.tga"));
  EXPECT_TRUE(loader.Aborting());
  EXPECT_TRUE(IsSentinel(*loader.IEBitmap()));
  EXPECT_EQ(loader.Params().FileType, 42);

  // A codec whose stream fails fails the call the same way; the stream's error then reaches
  // the caller, as it does from the built-in formats.
  GetFileFormatInfo(11)->ReadFunction = ReadThatRaises;
  bool abortingAtFinish = false;
  loader.OnFinishWork = [&](vcl::TObject*) { abortingAtFinish = loader.Aborting(); };
  EXPECT_THROW(loader.LoadFromFile(File("grey.tga")), vcl::EReadError);
  EXPECT_TRUE(loader.Aborting());
  EXPECT_TRUE(abortingAtFinish);
  EXPECT_TRUE(IsSentinel(*loader.IEBitmap()));
}

TEST_F(RegistryDispatchTest, TheFrameKeepsWhatDiffersPerFormat) {
  RegisterFakeCodec();
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(6, 4).get());
  writer.SaveToFile(File("data.tga"));
  ASSERT_FALSE(writer.Aborting());
  for (int32_t type : {28, 11}) {
    ReplaceRowByPlugIn(type)->ReadFunction = ReadFakeWithExtras;
    TImageIO io(nullptr);
    io.SetBackground(0x00332211);
    io.LoadFromFileFormat(File("data.tga"), type);
    ASSERT_FALSE(io.Aborting()) << type;
    // Medical images keep the resolution they have; the others get the library's default.
    EXPECT_EQ(io.Params().DpiX, type == 28 ? 1 : 300) << type;
    // Only the PNG and GIF loads take a background from the file.
    EXPECT_EQ(io.GetBackground(), 0x00332211) << type;
  }
}

TEST_F(RegistryDispatchTest, APlugInRowIsFoundByExtensionAndContent) {
  auto row = std::make_unique<TIEFileFormatInfo>();
  row->FileType = 100;
  row->FullName = "Fake plug-in";
  row->Extensions = "FAK;FAKE";
  row->InternalFormat = false;
  row->ReadFunction = ReadFake;
  row->WriteFunction = WriteFake;
  row->TryFunction = TryFake;
  RegisterFileFormat(std::move(row));

  TImageIO io(nullptr);
  io.IEBitmap()->Assign(Smooth(12, 9).get());
  const std::u16string name = File("picture.fake");
  io.SaveToFile(name);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FileType, 100);

  vcl::TMemoryStream stream;
  io.SaveToStream(&stream, 100);
  stream.SetPosition(0);
  EXPECT_EQ(io.FindStreamFormat(&stream), 100);
  // A plug-in's extension decides over the content.
  EXPECT_EQ(io.FindFileFormat(name, true), 100);

  TImageIO loader(nullptr);
  loader.LoadFromFileAuto(name);
  ASSERT_FALSE(loader.Aborting());
  EXPECT_TRUE(Matches(*loader.IEBitmap(), *io.IEBitmap(), 0));
}

}  // namespace
