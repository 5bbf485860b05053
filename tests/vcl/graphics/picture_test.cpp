// TPicture and the picture-format registry; pictures, fonts, pens and brushes in form data.
#include <gtest/gtest.h>

#include <memory>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/classes/component.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/streams.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::Rows;

namespace {

// Graphic classes of the tests' own, all reading BMP files.
class TTestGraphic : public TBitmap {
  VCL_GRAPHIC_CLASS(TTestGraphic, TBitmap)
  // Reports its progress the way format readers do.
  void LoadFromStream(TStream* stream) override {
    Progress(this, psStarting, 0, false, Rect(0, 0, 0, 0), "Loading");
    TBitmap::LoadFromStream(stream);
    Progress(this, psEnding, 100, true, Rect(0, 0, Width(), Height()), "");
  }
};
class TTestChild : public TTestGraphic {
  VCL_GRAPHIC_CLASS(TTestChild, TTestGraphic)
};
class TOtherGraphic : public TBitmap {
  VCL_GRAPHIC_CLASS(TOtherGraphic, TBitmap)
};

// Leaves the registry as the platform set it up.
class PictureRegistry : public ::testing::Test {
 protected:
  void TearDown() override {
    TPicture::UnregisterGraphicClass(TTestGraphic::GraphicClass());
    TPicture::UnregisterGraphicClass(TOtherGraphic::GraphicClass());
  }
  // The class of the graphic the picture loads a BMP file of that name with, or the error.
  std::string LoadAs(const std::string& name) {
    MakeBitmap(2, 2, pf24bit, clRed)->SaveToFile(dir.File(name));
    TPicture picture;
    try {
      picture.LoadFromFile(dir.File(name));
    } catch (const EInvalidGraphic& e) {
      return e.Message();
    }
    return picture.Graphic()->ClassName();
  }

  TestTempFolder dir;
};

const char* const kPlatformFilter =
    "All (*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg)|*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|"
    "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg";

TEST_F(PictureRegistry, PlatformFormatsAtStartUp) {
  EXPECT_EQ(GraphicFilter(TGraphic::GraphicClass()), kPlatformFilter);
  EXPECT_EQ(GraphicFilter(TBitmap::GraphicClass()), "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(GraphicFilter(TMetafile::GraphicClass()),
            "All (*.emf;*.wmf)|*.emf;*.wmf|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
  EXPECT_EQ(GraphicFileMask(TGraphic::GraphicClass()), "*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg");
  EXPECT_EQ(GraphicFileExtension(TMetafile::GraphicClass()), "wmf");
  EXPECT_EQ(GraphicFileExtension(TJPEGImage::GraphicClass()), "jpeg");
  EXPECT_EQ(GraphicFileExtension(TGraphic::GraphicClass()), "");
}

TEST_F(PictureRegistry, RulesOfTheLookup) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, TGraphicClass>> register_;
    TGraphicClass unregister;
    const char* file;
    const char* expected;
  };
  const Case cases[] = {
      {"platform class, any case", {}, nullptr, "a.BmP", "TBitmap"},
      {"a new extension", {{"tst", TTestGraphic::GraphicClass()}}, nullptr, "a.tst", "TTestGraphic"},
      {"registered in capitals", {{"TST", TTestGraphic::GraphicClass()}}, nullptr, "a.tSt", "TTestGraphic"},
      {"the latest wins",
       {{"tst", TTestGraphic::GraphicClass()}, {"tst", TOtherGraphic::GraphicClass()}}, nullptr, "a.tst",
       "TOtherGraphic"},
      {"a platform extension taken over", {{"bmp", TTestGraphic::GraphicClass()}}, nullptr, "a.bmp", "TTestGraphic"},
      {"given back when the class goes",
       {{"bmp", TTestGraphic::GraphicClass()}}, TTestGraphic::GraphicClass(), "a.bmp", "TBitmap"},
      {"descendants go with their class",
       {{"tst", TTestChild::GraphicClass()}}, TTestGraphic::GraphicClass(), "a.tst",
       "Unknown picture file extension (.tst)"},
      {"an earlier class shows again",
       {{"tst", TOtherGraphic::GraphicClass()}, {"tst", TTestChild::GraphicClass()}}, TTestGraphic::GraphicClass(),
       "a.tst", "TOtherGraphic"},
      {"unknown, its case kept", {}, nullptr, "a.XYZ", "Unknown picture file extension (.XYZ)"},
      {"no extension", {}, nullptr, "noextension", "Unknown picture file extension (.)"},
  };
  for (const Case& k : cases) {
    for (auto& [extension, graphicClass] : k.register_)
      TPicture::RegisterFileFormat(extension, "Test pictures", graphicClass);
    if (k.unregister) TPicture::UnregisterGraphicClass(k.unregister);
    EXPECT_EQ(LoadAs(k.file), k.expected) << k.name;
    TearDown();
    EXPECT_EQ(GraphicFilter(TGraphic::GraphicClass()), kPlatformFilter) << k.name;
  }
}

TEST_F(PictureRegistry, FiltersOfRegisteredClasses) {
  TPicture::RegisterFileFormat("tst", "Test pictures", TTestGraphic::GraphicClass());
  TPicture::RegisterFileFormat("tsc", "Child pictures", TTestChild::GraphicClass());
  TPicture::RegisterFileFormatRes("tsr", 4711, TTestGraphic::GraphicClass());
  EXPECT_EQ(GraphicFilter(TTestChild::GraphicClass()), "Child pictures (*.tsc)|*.tsc");
  EXPECT_EQ(GraphicFilter(TTestGraphic::GraphicClass()),
            "All (*.tst;*.tsc;*.tsr)|*.tst;*.tsc;*.tsr|Test pictures (*.tst)|*.tst|Child pictures (*.tsc)|*.tsc|"
            "Pictures from a resource (*.tsr)|*.tsr");
  EXPECT_EQ(GraphicFileExtension(TTestGraphic::GraphicClass()), "tsr");
  EXPECT_EQ(GraphicFileMask(TBitmap::GraphicClass()), "*.bmp;*.tst;*.tsc;*.tsr");
}

TEST_F(PictureRegistry, LoadingForwardsProgressAndAFailureKeepsTheGraphic) {
  TPicture::RegisterFileFormat("tst", "Test pictures", TTestGraphic::GraphicClass());
  MakeBitmap(3, 2, pf24bit, clRed)->SaveToFile(dir.File("a.tst"));
  TPicture picture;
  std::vector<std::string> progress;
  int changes = 0;
  picture.OnProgress = [&](TObject* sender, TProgressStage stage, uint8_t percent, bool, const TRect&,
                           const std::string& msg) {
    progress.push_back(std::string(static_cast<TObject*>(sender)->ClassName()) + " " + std::to_string(stage) + " " +
                       std::to_string(percent) + " " + msg);
  };
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.LoadFromFile(dir.File("a.tst"));
  EXPECT_EQ(progress, (std::vector<std::string>{"TTestGraphic 0 0 Loading", "TTestGraphic 2 100 "}));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picture.Width(), 3);

  graphics_test::WriteUnixFile(dir.UnixFile("bad.bmp"), {'B', 'M', 1, 2, 3});
  TGraphic* before = picture.Graphic();
  EXPECT_THROW(picture.LoadFromFile(dir.File("bad.bmp")), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile(dir.File("missing.bmp")), EFOpenError);
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(picture.Width(), 3);

  picture.SaveToFile(dir.File("b.bmp"));
  TPicture again;
  again.LoadFromFile(dir.File("b.bmp"));
  EXPECT_EQ(Pixel(*again.Bitmap(), 2, 1), 0x0000FFu);
}

TEST(Picture, HoldsCopiesAndForcesTypes) {
  TPicture picture;
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  auto bitmap = MakeBitmap(4, 3, pf24bit, clBlue);
  picture.SetGraphic(bitmap.get());
  ASSERT_NE(picture.Graphic(), bitmap.get());
  EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(Rows(*picture.Bitmap()), Rows(*bitmap));

  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.Bitmap()->Canvas()->SetPixels(0, 0, clRed);  // drawing on the graphic changes the picture
  EXPECT_EQ(changes, 1);

  TMetafile* metafile = picture.Metafile();  // another class replaces the bitmap
  EXPECT_EQ(picture.Graphic(), metafile);
  EXPECT_TRUE(metafile->Empty());

  TPicture other;
  other.Assign(bitmap.get());
  picture.Assign(&other);
  EXPECT_EQ(picture.Width(), 4);
  TBitmap out;
  out.Assign(&picture);
  EXPECT_EQ(Rows(out), Rows(*bitmap));
  picture.Assign(nullptr);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Picture, DataIsTheClassNameThenTheGraphic) {
  TPicture picture;
  picture.SetGraphic(MakeBitmap(2, 2, pf24bit, clRed).get());
  TMemoryStream data;
  picture.WriteData(&data);
  std::vector<uint8_t> bytes = BytesOf(data);
  ASSERT_GT(bytes.size(), 14u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "\x07TBitmap");
  EXPECT_EQ(bytes[12], 'B');  // after the bitmap's byte count: the BMP file
  EXPECT_EQ(bytes[13], 'M');

  data.SetPosition(0);
  TPicture read;
  read.ReadData(&data);
  EXPECT_EQ(Pixel(*read.Bitmap(), 1, 1), 0x0000FFu);

  // A class this program does not know leaves the picture alone.
  TMemoryStream unknown;
  unknown.WriteBuffer("\x08TUnknown", 9);
  unknown.SetPosition(0);
  read.ReadData(&unknown);
  EXPECT_EQ(read.Graphic()->ClassName(), "TBitmap");
}

// A component with the graphics objects as published properties.
class TGraphicsHolder : public TComponent {
  VCL_CLASS(TGraphicsHolder, TComponent)
  explicit TGraphicsHolder(TComponent* owner);
  ~TGraphicsHolder() override;
  TFont* Font() { return &font_; }
  void SetFont(TFont* value) { font_.Assign(value); }
  TPen* Pen() { return &pen_; }
  void SetPen(TPen* value) { pen_.Assign(value); }
  TBrush* Brush() { return &brush_; }
  void SetBrush(TBrush* value) { brush_.Assign(value); }
  TPicture* Picture() { return &picture_; }
  void SetPicture(TPicture* value) { picture_.Assign(value); }
  TBitmap* Glyph() { return &glyph_; }
  void SetGlyph(TBitmap* value) { glyph_.Assign(value); }

 private:
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TPicture picture_;
  TBitmap glyph_;
};

TGraphicsHolder::TGraphicsHolder(TComponent* owner) : TComponent(owner) {}
TGraphicsHolder::~TGraphicsHolder() = default;

VCL_PUBLISHED(TGraphicsHolder, p) {
  p.Object("Brush", &TGraphicsHolder::Brush, &TGraphicsHolder::SetBrush)
      .Object("Font", &TGraphicsHolder::Font, &TGraphicsHolder::SetFont)
      .Object("Glyph", &TGraphicsHolder::Glyph, &TGraphicsHolder::SetGlyph)
      .Object("Pen", &TGraphicsHolder::Pen, &TGraphicsHolder::SetPen)
      .Object("Picture", &TGraphicsHolder::Picture, &TGraphicsHolder::SetPicture);
}

std::string WriteText(TComponent* root) {
  TStringStream stream;
  {
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
  }
  return stream.DataString();
}

void ReadText(const std::string& text, TComponent* root) {
  TStringStream stream(text);
  TReader reader(&stream);
  reader.ReadRootComponent(root);
}

TEST(GraphicsFormData, FontPenBrushAndPicturesAreWrittenAndRead) {
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.Font()->SetName("Arial");
  holder.Font()->SetHeight(-15);
  holder.Font()->SetStyle({fsBold, fsItalic});
  holder.Font()->SetCharset(RUSSIAN_CHARSET);
  holder.Font()->SetColor(clRed);
  holder.Pen()->SetMode(pmNot);
  holder.Pen()->SetWidth(3);
  holder.Brush()->SetStyle(bsClear);
  holder.Picture()->SetGraphic(MakeBitmap(2, 2, pf24bit, clBlue).get());
  holder.Glyph()->Assign(MakeBitmap(3, 1, pf8bit, clLime).get());

  std::string text = WriteText(&holder);
  for (const char* line : {"Brush.Style = bsClear", "Font.Charset = RUSSIAN_CHARSET", "Font.Color = clRed",
                           "Font.Height = -15", "Font.Name = 'Arial'", "Font.Style = [fsBold, fsItalic]",
                           "Pen.Mode = pmNot", "Pen.Width = 3", "Picture.Data = {", "Glyph.Data = {"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("Font.Size"), std::string::npos);  // the size is not stored
  EXPECT_EQ(text.find("Pen.Color"), std::string::npos);  // defaults are not stored
  EXPECT_NE(text.find("Picture.Data = {\r\n    07544269746D6170"), std::string::npos) << text;

  TGraphicsHolder read(nullptr);
  ReadText(text, &read);
  EXPECT_EQ(read.Font()->Name(), "Arial");
  EXPECT_EQ(read.Font()->Height(), -15);
  EXPECT_EQ(read.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(read.Font()->Charset(), RUSSIAN_CHARSET);
  EXPECT_EQ(read.Font()->Color(), clRed);
  EXPECT_EQ(read.Pen()->Mode(), pmNot);
  EXPECT_EQ(read.Pen()->Width(), 3);
  EXPECT_EQ(read.Brush()->Style(), bsClear);
  ASSERT_NE(read.Picture()->Graphic(), nullptr);
  EXPECT_EQ(Pixel(*read.Picture()->Bitmap(), 1, 1), 0xFF0000u);
  EXPECT_EQ(read.Glyph()->PixelFormat(), pf8bit);
  EXPECT_EQ(Rows(*read.Glyph()), Rows(*holder.Glyph()));

  // Nothing to store for an empty picture and glyph.
  TGraphicsHolder empty(nullptr);
  empty.SetName("Empty");
  std::string plain = WriteText(&empty);
  EXPECT_EQ(plain.find("Data"), std::string::npos) << plain;
}

}  // namespace
