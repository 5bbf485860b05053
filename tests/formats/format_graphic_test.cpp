#include "formats/format_graphic.h"

#include <gtest/gtest.h>

#include "formats/byte_order.h"
#include "formats/file_format_list.h"
#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/streams.h"

using namespace formats;

namespace {

// A format of the test's own: files that start with "TF" and hold a width and a height byte.
class TTestGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TTestGraphic, TFormatGraphic)
  bool CanLoadStream(vcl::TStream* stream) override {
    const int64_t at = stream->Position();
    char magic[2] = {};
    const bool ok = stream->Size() - at > 4 && stream->Read(magic, 2) == 2 && magic[0] == 'T' && magic[1] == 'F';
    stream->SetPosition(at);
    return ok;
  }
  bool ReadImageProperties(vcl::TStream* stream, uint32_t index) override {
    inherited::ReadImageProperties(stream, index);
    uint8_t header[4] = {};
    if (stream->Read(header, 4) != 4 || header[0] != 'T' || header[1] != 'F') return false;
    ImageProps.ImageWidth = header[2];
    ImageProps.ImageHeight = header[3];
    ImageProps.Scheme = scGray;
    return true;
  }
  void LoadFromStream(vcl::TStream* stream) override {
    BeginLoad(stream, "TF");
    SetPixelFormat(vcl::pf8bit);
    SetSize(static_cast<int>(ImageProps.ImageWidth), static_cast<int>(ImageProps.ImageHeight));
    ProgressStarting(messages::gesTransfering);
    for (uint32_t y = 0; y < ImageProps.ImageHeight; ++y) ProgressRow(y);
    ProgressEnding();
  }
};

class TOtherGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TOtherGraphic, TFormatGraphic)
};

std::string WriteFile(const std::string& name, const test_files::Bytes& bytes) {
  const std::string path = test_files::MakeTempDir() + "/" + name;
  test_files::WriteFileBytes(path, bytes);
  return path;
}

std::string FormatErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const vcl::Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(FormatGraphic, BaseClassDescribesNothing) {
  TFormatGraphic graphic;
  graphic.ImageProps.ImageWidth = 7;
  vcl::TMemoryStream stream;
  EXPECT_FALSE(graphic.ReadImageProperties(&stream, 0));
  EXPECT_EQ(0u, graphic.ImageProps.ImageWidth);
  EXPECT_EQ(1.0f, graphic.ImageProps.Gamma);
  const std::string path = WriteFile("any.bin", {'T', 'F', 1, 1, 0});
  EXPECT_FALSE(graphic.CanLoadFile(path));
  EXPECT_THROW(graphic.CanLoadFile(path + ".missing"), vcl::EFOpenError);
  TTestGraphic test;
  EXPECT_TRUE(test.CanLoadFile(path));
}

TEST(FormatGraphic, AssignTakesThePropertiesOnlyFromAFormatGraphic) {
  TTestGraphic source;
  source.SetPixelFormat(vcl::pf24bit);
  source.SetSize(3, 2);
  source.ImageProps.ImageWidth = 3;
  source.ImageProps.StripRows = {1, 2};
  TTestGraphic copy;
  copy.Assign(&source);
  EXPECT_EQ(3u, copy.ImageProps.ImageWidth);
  EXPECT_EQ(source.ImageProps.StripRows, copy.ImageProps.StripRows);
  EXPECT_EQ(3, copy.Width());
  vcl::TBitmap plain;
  plain.SetPixelFormat(vcl::pf24bit);
  plain.SetSize(5, 5);
  copy.Assign(&plain);
  EXPECT_EQ(3u, copy.ImageProps.ImageWidth);
  EXPECT_EQ(5, copy.Width());
}

TEST(FormatGraphic, ThePictureLoaderPicksARegisteredFormatByExtension) {
  TFileFormatList list;
  list.RegisterExtension("tfx", "Test format images", "", fkRaster, false, TTestGraphic::GraphicClass());
  vcl::TPicture picture;
  std::vector<int> percents;
  picture.OnProgress = [&](vcl::TObject*, vcl::TProgressStage stage, uint8_t percent, bool, const vcl::TRect&,
                           const std::string&) {
    if (stage == vcl::psRunning) percents.push_back(percent);
  };
  picture.LoadFromFile(WriteFile("picture.TFX", {'T', 'F', 4, 3}));
  auto* graphic = dynamic_cast<TTestGraphic*>(picture.Graphic());
  ASSERT_NE(nullptr, graphic);
  EXPECT_EQ(4, graphic->Width());
  EXPECT_EQ((std::vector<int>{0, 33, 66}), percents);
  // A header the class cannot load: its own message, and the picture keeps what it had.
  EXPECT_EQ("Cannot load image. Invalid or unexpected TF image format.",
            FormatErrorOf([&] { picture.LoadFromFile(WriteFile("bad.tfx", {'X', 'X', 1, 1})); }));
  EXPECT_EQ(graphic, picture.Graphic());
}

TEST(FormatGraphic, RegisteringTwiceAndReplacing) {
  TFileFormatList list;
  list.RegisterExtension("tfy", "Test images", "", fkRaster, false, TTestGraphic::GraphicClass());
  EXPECT_EQ("Attempt to register TFY twice.", FormatErrorOf([&] {
              list.RegisterExtension("TFY", "", "", fkRaster, false, TOtherGraphic::GraphicClass());
            }));
  ASSERT_EQ(1, list.ExtensionCount());
  list.RegisterExtension("tfy", "Other images", "", fkRaster, true, TOtherGraphic::GraphicClass());
  ASSERT_EQ(1, list.ExtensionCount());
  EXPECT_EQ("", list.ExtensionEntry(0).Description);
  EXPECT_EQ(fkRaster, list.ExtensionEntry(0).FormatKinds);
  EXPECT_EQ(TOtherGraphic::GraphicClass(), list.ExtensionEntry(0).ClassEntry->GraphicClass);
  // The old class had no other extension, so its entry is gone.
  ASSERT_EQ(1, list.ClassCount());
  EXPECT_EQ("Other images", list.ClassEntry(0).Description);
  vcl::TPicture picture;
  picture.LoadFromFile(WriteFile("x.tfy", {}));  // the base reads BMP data: none at all is empty
  EXPECT_NE(nullptr, dynamic_cast<TOtherGraphic*>(picture.Graphic()));
}

TEST(FormatGraphic, UnregisteringAnExtensionKeepsTheClassForItsOthers) {
  TFileFormatList list;
  list.RegisterExtension("tfa", "Test images", "", fkRaster, false, TTestGraphic::GraphicClass());
  list.RegisterExtension("tfb", "", "Second kind", fkRaster, false, TTestGraphic::GraphicClass());
  list.UnregisterExtension("tfa", TTestGraphic::GraphicClass());
  EXPECT_EQ(-1, list.IndexOfExtension("tfa"));
  EXPECT_EQ(0, list.IndexOfExtension("TFB"));
  ASSERT_EQ(1, list.ClassCount());
  EXPECT_EQ(1, list.ClassEntry(0).Count);
  // The picture loader's registration of "tfa" stays while the class keeps another extension.
  vcl::TPicture picture;
  picture.LoadFromFile(WriteFile("still.tfa", {'T', 'F', 1, 1}));
  EXPECT_NE(nullptr, dynamic_cast<TTestGraphic*>(picture.Graphic()));
  list.UnregisterExtension("", TTestGraphic::GraphicClass());
  EXPECT_EQ(0, list.ExtensionCount());
  EXPECT_EQ(0, list.ClassCount());
  EXPECT_EQ("Unknown picture file extension (.tfb)",
            FormatErrorOf([&] { picture.LoadFromFile(WriteFile("gone.tfb", {'T', 'F', 1, 1})); }));
}

TEST(FormatGraphic, StartUpRegistersThePlatformClassesOnce) {
  RegisterPictureFormats();
  RegisterPictureFormats();
  ASSERT_NE(nullptr, FileFormatList());
  EXPECT_EQ(39, FileFormatList()->ExtensionCount());
  EXPECT_EQ(17, FileFormatList()->ClassCount());
  EXPECT_GE(FileFormatList()->IndexOfExtension("JPE"), 0);
  const TExtensionEntry& emf = FileFormatList()->ExtensionEntry(FileFormatList()->IndexOfExtension("emf"));
  EXPECT_EQ("Windows enhanced meta files", emf.Description);
  EXPECT_EQ("Windows metafiles", emf.ClassEntry->Description);
  UnregisterPictureFormats();
  EXPECT_NE(nullptr, FileFormatList());
  // The last shut-down takes the listed classes out of the picture loader, the platform's own
  // included; they are put back afterwards for the other tests of this program.
  UnregisterPictureFormats();
  EXPECT_EQ(nullptr, FileFormatList());
  vcl::TPicture picture;
  EXPECT_EQ("Unknown picture file extension (.bmp)",
            FormatErrorOf([&] { picture.LoadFromFile(WriteFile("gone.bmp", {})); }));
  reader_checks::RestorePlatformFormats();
}

TEST(FormatGraphic, ByteOrderAndDifferences) {
  uint16_t shorts[2] = {0x1234, 0xABCD};
  SwapShorts(shorts, 2);
  EXPECT_EQ(0x3412, shorts[0]);
  EXPECT_EQ(0xCDAB, shorts[1]);
  uint32_t longs[1] = {0x11223344};
  SwapLongs(longs, 1);
  EXPECT_EQ(0x44332211u, longs[0]);
  uint8_t row[] = {1, 2, 3, 1, 1, 1, 250, 10, 0};
  UndoTripleDifferences(row, 2);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 2, 3, 4, 252, 13, 4}), std::vector<uint8_t>(row, row + 9));
  uint8_t bytes[] = {5, 1, 1, 255};
  UndoByteDifferences(bytes, 3);
  EXPECT_EQ((std::vector<uint8_t>{5, 6, 7, 6}), std::vector<uint8_t>(bytes, bytes + 4));
}
