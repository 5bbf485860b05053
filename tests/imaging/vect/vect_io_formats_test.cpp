// Vector-object files and files of layers and objects through the I/O object: recognised by
// content, loaded flattened (the objects drawn) into a bare bitmap, and into an attached vector
// view as objects and layers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/base/startup.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;

namespace {

// A filled blue box from (10, 5) to (30, 25).
void AddBlueBox(TImageVect* vect) {
  TIEVectorObject box;
  box.Kind = vkBox;
  box.X1 = 10, box.Y1 = 5, box.X2 = 30, box.Y2 = 25;
  box.PenColor = 0xC80000;
  box.BrushColor = 0xC80000;
  box.BrushStyle = vcl::bsSolid;
  box.PenWidth = 1;
  vect->AddNewObject(box);
}

class VectFilesTest : public vect_test::VectWindow {
 protected:
  void SetUp() override {
    vect_test::VectWindow::SetUp();
    IEStaticInitialize();  // the vector layer registers its formats with the I/O library
  }
  void TearDown() override {
    IEStaticFinalize();
    vect_test::VectWindow::TearDown();
  }
  std::u16string Write(const std::string& name, vcl::TMemoryStream& stream) {
    test_files::WriteFileBytes(folder.UnixFile(name), test_files::StreamBytes(&stream));
    return vcl::AnsiToUtf16(folder.File(name));
  }
  // The objects alone.
  std::u16string ObjectsFile() {
    TImageVect source(nullptr);
    source.SetLegacyBitmap(false);
    AddBlueBox(&source);
    vcl::TMemoryStream stream;
    source.SaveObjectsToStream(&stream);
    return Write("objects.iev", stream);
  }
  // A red 60 x 40 image with the box over it, its layer coded as JPEG.
  std::u16string LayersAndObjectsFile() {
    TImageVect source(nullptr);
    source.SetLegacyBitmap(false);
    source.GetIEBitmap()->Allocate(60, 40, ie24RGB);
    source.GetIEBitmap()->Fill(0x0000C8);
    source.Update();
    AddBlueBox(&source);
    vcl::TMemoryStream stream;
    source.SaveLayersAndObjectsToStream(&stream, 3);
    return Write("both.all", stream);
  }
  TestTempFolder folder;
};

bool IsBlue(TRGB p) { return p.b > 150 && p.r < 40 && p.g < 40; }
bool IsRed(TRGB p) { return p.r > 150 && p.b < 40 && p.g < 40; }
bool IsWhite(TRGB p) { return p.r > 240 && p.g > 240 && p.b > 240; }

TEST_F(VectFilesTest, FilesOfObjectsAndOfLayersWithObjectsLoadFlattenedByContent) {
  struct Case {
    const char* name;
    std::u16string file;
    int32_t fileType;
    int32_t width, height;
    bool redUnder;
  } cases[] = {{"objects", ObjectsFile(), 25, 31, 26, false}, {"both", LayersAndObjectsFile(), 27, 60, 40, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TImageIO io(nullptr);
    EXPECT_EQ(io.FindFileFormat(c.file, false), c.fileType);
    io.LoadFromFileAuto(c.file);
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FileType, c.fileType);
    TIEBitmap* picture = io.IEBitmap();
    EXPECT_EQ(picture->Width(), c.width);
    EXPECT_EQ(picture->Height(), c.height);
    EXPECT_TRUE(IsBlue(picture->GetPixel24(20, 15)));
    EXPECT_TRUE(c.redUnder ? IsRed(picture->GetPixel24(2, 2)) : IsWhite(picture->GetPixel24(2, 2)));

    vcl::TFileStream file(vcl::Utf16ToAnsi(c.file), vcl::fmOpenRead);
    TImageIO byStream(nullptr);
    byStream.LoadFromStream(&file);
    ASSERT_FALSE(byStream.Aborting());
    EXPECT_EQ(byStream.Params().FileType, c.fileType);
    EXPECT_TRUE(IsBlue(byStream.IEBitmap()->GetPixel24(20, 15)));
  }
}

TEST_F(VectFilesTest, ObjectsFarAwayAreNoPictureToDrawOn) {
  TImageVect source(nullptr);
  source.SetLegacyBitmap(false);
  AddBlueBox(&source);
  source.GetObjectRecord(-2)->X2 = 20000000;
  vcl::TMemoryStream stream;
  source.SaveObjectsToStream(&stream);
  for (bool intoView : {false, true}) {
    SCOPED_TRACE(intoView);
    stream.SetPosition(0);
    if (intoView) MakeView();
    TImageIO own(nullptr);
    TImageIO* io = intoView ? view->GetIO() : &own;
    io->LoadFromStream(&stream);
    EXPECT_TRUE(io->Aborting());
    if (intoView) {
      EXPECT_EQ(view->ObjectsCount(), 0);
    }
  }
}

TEST_F(VectFilesTest, DamagedFilesFailCleanly) {
  ObjectsFile();
  LayersAndObjectsFile();
  unsigned seed = 60;
  for (const char* name : {"objects.iev", "both.all"}) {
    fuzz::Fuzz(name, test_files::ReadFileBytes(folder.UnixFile(name)), seed++, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TImageIO io(nullptr);
      io.LoadFromStream(&stream);
      if (!io.Aborting()) {
        EXPECT_FALSE(io.IEBitmap()->IsEmpty());
      }
    });
  }
}

// A damaged file gave a small box a pen millions of pixels wide: it is drawn into the flattened
// picture at once (the drawing took minutes, past the fuzz watchdog).
TEST_F(VectFilesTest, AnAbsurdPenWidthDrawsInBoundedTime) {
  const std::string hex =
      "4945565242000000000000000000f03f0100000000000000789c636480002e206605623920960462260618e0"
      "7080b15218d0c0090606090606461883ff3f421c005c540395";
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  vcl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  stream.SetPosition(0);
  TImageIO io(nullptr);
  io.LoadFromStream(&stream);
  if (!io.Aborting()) {
    EXPECT_FALSE(io.IEBitmap()->IsEmpty());
  }
}

TEST_F(VectFilesTest, AnAttachedVectorViewTakesTheObjectsAndLayers) {
  const std::u16string objects = ObjectsFile();
  const std::u16string both = LayersAndObjectsFile();
  MakeView();
  TImageIO* io = view->GetIO();
  io->LoadFromFileAuto(objects);
  ASSERT_FALSE(io->Aborting());
  EXPECT_EQ(io->Params().FileType, 25);
  EXPECT_EQ(view->ObjectsCount(), 1);
  // The picture under the objects is white, transparent and just large enough.
  EXPECT_EQ(view->GetIEBitmap()->Width(), 31);
  ASSERT_TRUE(view->GetIEBitmap()->HasAlphaChannel());
  EXPECT_EQ(view->GetIEBitmap()->GetAlphaAt(2, 2), 0);

  io->LoadFromFileAuto(both);
  ASSERT_FALSE(io->Aborting());
  EXPECT_EQ(io->Params().FileType, 27);
  EXPECT_EQ(view->ObjectsCount(), 1);
  EXPECT_EQ(view->GetIEBitmap()->Width(), 60);
  EXPECT_TRUE(IsRed(view->GetIEBitmap()->GetPixel24(2, 2)));
}

}  // namespace
