// Layer files through the I/O object: recognised by content before anything else claims them
// (layers coded as JPEG included), loaded flattened into a bare bitmap, into an attached view as
// layers, and shown by the thumbnail grid; and PSD layers exchanged with an attached view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "imaging/base/startup.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/layer.h"
#include "tests/imaging/view/grid_fixture.h"
#include "tests/imaging/view/view_fixture.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;

namespace {

constexpr uint32_t kFormatRed = 0x0000C8;    // TColor: blue, green, red from the top byte down
constexpr uint32_t kFormatBlue = 0xC80000;

// Two layers: a 40 x 30 red background and a 20 x 10 blue layer at (5, 6), each coded with
// the given codec (3: JPEG, 8: PNG).
void BuildTwoLayers(TImageView* view) {
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(kFormatRed);
  view->Update();
  view->AddLayer();
  TIELayer* top = view->CurrentLayer();
  top->Bitmap()->Allocate(20, 10, ie24RGB);
  top->Bitmap()->Fill(kFormatBlue);
  top->PosX = 5;
  top->PosY = 6;
  view->Update();
}

bool ViewIoNear(TRGB pixel, uint8_t r, uint8_t g, uint8_t b) {
  return std::abs(pixel.r - r) <= 12 && std::abs(pixel.g - g) <= 12 && std::abs(pixel.b - b) <= 12;
}

class LayersFileTest : public view_fixture::ViewWindow {
 protected:
  void SetUp() override {
    view_fixture::ViewWindow::SetUp();
    IEStaticInitialize();  // the view registers its formats with the I/O library
  }
  void TearDown() override {
    IEStaticFinalize();
    view_fixture::ViewWindow::TearDown();
  }
  // The layers saved with the codec, as a file.
  std::u16string LayersFile(int32_t codec) {
    TImageView source(nullptr);
    source.SetLegacyBitmap(false);
    BuildTwoLayers(&source);
    vcl::TMemoryStream stream;
    source.SaveLayersToStream(&stream, codec);
    const std::string name = "layers" + std::to_string(codec) + ".lyr";
    test_files::WriteFileBytes(folder.UnixFile(name), test_files::StreamBytes(&stream));
    return vcl::AnsiToUtf16(folder.File(name));
  }
  TestTempFolder folder;
};

TEST_F(LayersFileTest, LoadedByContentAsTheLayersComposed) {
  for (int32_t codec : {3, 8}) {
    SCOPED_TRACE(codec);
    const std::u16string name = LayersFile(codec);
    TImageIO io(nullptr);
    EXPECT_EQ(io.FindFileFormat(name, false), 26);
    io.LoadFromFileAuto(name);
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FileType, 26);
    TIEBitmap* picture = io.IEBitmap();
    ASSERT_EQ(picture->Width(), 40);
    ASSERT_EQ(picture->Height(), 30);
    // Both layers are there: the second is not dropped.
    EXPECT_TRUE(ViewIoNear(picture->GetPixel24(1, 1), 0xC8, 0, 0));
    EXPECT_TRUE(ViewIoNear(picture->GetPixel24(15, 10), 0, 0, 0xC8));

    // By content from a stream, the same.
    vcl::TFileStream file(vcl::Utf16ToAnsi(name), vcl::fmOpenRead);
    TImageIO byStream(nullptr);
    EXPECT_EQ(byStream.FindStreamFormat(&file), 26);
    byStream.LoadFromStream(&file);
    ASSERT_FALSE(byStream.Aborting());
    EXPECT_EQ(byStream.Params().FileType, 26);
    EXPECT_TRUE(ViewIoNear(byStream.IEBitmap()->GetPixel24(15, 10), 0, 0, 0xC8));
  }
}

TEST_F(LayersFileTest, AnAttachedViewTakesTheLayersThemselves) {
  const std::u16string name = LayersFile(8);
  MakeView();
  TImageIO* io = view->GetIO();
  io->LoadFromFileAuto(name);
  ASSERT_FALSE(io->Aborting());
  EXPECT_EQ(io->Params().FileType, 26);
  ASSERT_EQ(view->LayersCount(), 2);
  EXPECT_EQ(view->GetLayer(1)->PosX, 5);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 20);
}

TEST_F(LayersFileTest, DamagedLayerDataFailTheLoad) {
  const std::u16string name = LayersFile(8);
  test_files::Bytes bytes = test_files::ReadFileBytes(folder.UnixFile("layers8.lyr"));
  bytes.resize(bytes.size() / 2);
  test_files::WriteFileBytes(folder.UnixFile("cut.lyr"), bytes);
  TImageIO io(nullptr);
  int32_t finished = 0;
  io.OnFinishWork = [&](vcl::TObject*) { ++finished; };
  io.LoadFromFile(vcl::AnsiToUtf16(folder.File("cut.lyr")));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
}

TEST_F(LayersFileTest, PSDLayersGoIntoAndComeFromAnAttachedView) {
  MakeView();
  BuildTwoLayers(view);
  TImageIO* io = view->GetIO();
  const std::u16string name = vcl::AnsiToUtf16(folder.File("layers.psd"));
  io->SaveToFile(name);
  ASSERT_FALSE(io->Aborting());

  // Without layer import: the merged image.
  TImageIO plain(nullptr);
  plain.LoadFromFile(name);
  ASSERT_FALSE(plain.Aborting());
  EXPECT_EQ(plain.IEBitmap()->Width(), 40);
  EXPECT_TRUE(ViewIoNear(plain.IEBitmap()->GetPixel24(15, 10), 0, 0, 0xC8));

  // Imported, replacing the view's layers.
  view->ClearLayers();
  view->GetIEBitmap()->Allocate(5, 5, ie24RGB);
  io->Params().PSDImportLayers = true;
  io->Params().PSDReplaceViewLayers = true;
  io->LoadFromFile(name);
  ASSERT_FALSE(io->Aborting());
  EXPECT_EQ(io->Params().FileType, 24);
  ASSERT_EQ(view->LayersCount(), 2);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Width(), 40);
  EXPECT_EQ(view->GetLayer(1)->PosX, 5);
  EXPECT_EQ(view->GetLayer(1)->PosY, 6);
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 20);

  // Imported again, added after the view's own.
  io->Params().PSDReplaceViewLayers = false;
  io->LoadFromFile(name);
  ASSERT_FALSE(io->Aborting());
  EXPECT_EQ(view->LayersCount(), 4);
}

TEST_F(LayersFileTest, ALayerFarAwayIsNoPictureToCompose) {
  // Found by the fuzz run: a position that would grow the composed picture to millions of
  // columns.
  TImageView source(nullptr);
  source.SetLegacyBitmap(false);
  BuildTwoLayers(&source);
  source.CurrentLayer()->PosX = -16777211;
  vcl::TMemoryStream stream;
  source.SaveLayersToStream(&stream, 8);
  stream.SetPosition(0);
  TImageIO io(nullptr);
  int32_t finished = 0;
  io.OnFinishWork = [&](vcl::TObject*) { ++finished; };
  io.LoadFromStream(&stream);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
}

TEST_F(LayersFileTest, DamagedLayerFilesFailCleanly) {
  for (int32_t codec : {8, 3}) {
    LayersFile(codec);
    const test_files::Bytes valid = test_files::ReadFileBytes(folder.UnixFile("layers" + std::to_string(codec) + ".lyr"));
    fuzz::Fuzz("layers file", valid, 40 + codec, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TImageIO io(nullptr);
      io.LoadFromStream(&stream);
      if (!io.Aborting()) {
        EXPECT_FALSE(io.IEBitmap()->IsEmpty());
      }
    });
  }
}

class LayersInGridTest : public grid_fixture::GridWindow {};

TEST_F(LayersInGridTest, TheGridShowsALayersFileComposed) {
  IEStaticInitialize();
  TestTempFolder folder;
  {
    TImageView source(nullptr);
    source.SetLegacyBitmap(false);
    BuildTwoLayers(&source);
    // The top layer covers the centre.
    source.CurrentLayer()->PosX = 0;
    source.CurrentLayer()->PosY = 0;
    source.CurrentLayer()->Bitmap()->Allocate(40, 30, ie24RGB);
    source.CurrentLayer()->Bitmap()->Fill(kFormatBlue);
    vcl::TMemoryStream stream;
    source.SaveLayersToStream(&stream, 3);
    test_files::WriteFileBytes(folder.UnixFile("grid.lyr"), test_files::StreamBytes(&stream));
  }
  MakeGrid();
  grid->SetImageFileName(grid->AppendImage(), vcl::AnsiToUtf16(folder.File("grid.lyr")));
  EXPECT_TRUE(grid->LoadImage(0));
  const uint32_t centre = grid_fixture::StoredCentreColour(grid, 0);
  // Blue (0x0000C8 as 0x00RRGGBB), within what JPEG keeps.
  EXPECT_LE(centre >> 16 & 0xFF, 12u);
  EXPECT_GE(centre & 0xFF, 0xB0u);
  form.reset();
  IEStaticFinalize();
}

}  // namespace
