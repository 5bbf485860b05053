// The vector view read from form data, fonts and icons of objects, the grip picture, drawing
// into the image itself.
#include <gtest/gtest.h>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace vect_test;

namespace {

using ViewProperties = VectWindow;

TEST_F(ViewProperties, FormDataCreatesTheViewAndSetsItsPublishedProperties) {
  form = std::make_unique<vcl::TForm>(nullptr);
  const std::string text =
      "object TestForm: TForm\n"
      "  object Vect: TImageVect\n"
      "    Left = 0\n    Top = 0\n    Width = 120\n    Height = 90\n"
      "    ShareBitmaps = False\n"
      "    ZoomObjectsWidth = False\n"
      "    ObjAntialias = False\n"
      "    SelectOnMouseDown = False\n"
      "    BitmapResampleFilter = rfBilinear\n"
      "    MUnit = ieuMILLIMETERS\n"
      "    FloatDigits = 3\n"
      "    ObjUndoLimit = 4\n"
      "    ObjAutoUndo = True\n"
      "    ObjUndoMode = ieumShared\n"
      "  end\n"
      "end\n";
  vcl::TStringStream stream(text);
  vcl::TReader reader(&stream);
  reader.ReadRootComponent(form.get());
  auto* read = dynamic_cast<TImageVect*>(form->FindComponent("Vect"));
  ASSERT_NE(read, nullptr);
  EXPECT_FALSE(read->ShareBitmaps());
  EXPECT_FALSE(read->ZoomObjectsWidth());
  EXPECT_FALSE(read->ObjAntialias());
  EXPECT_FALSE(read->SelectOnMouseDown());
  EXPECT_EQ(read->BitmapResampleFilter(), rfBilinear);
  EXPECT_EQ(read->MUnit(), ieuMILLIMETERS);
  EXPECT_EQ(read->Template().RulerUnit, ieuMILLIMETERS);
  EXPECT_EQ(read->FloatDigits(), 3);
  EXPECT_EQ(read->ObjUndoLimit(), 4);
  EXPECT_TRUE(read->ObjAutoUndo());
  EXPECT_EQ(read->ObjUndoMode(), ieumShared);
}

TEST_F(ViewProperties, AnObjectTakesAFontsRecordColourAndStyles) {
  MakeView();
  view->Template().Kind = vkText;
  const int32_t hobj = view->AddNewObject();
  vcl::TFont font;
  font.SetName("Courier New");
  font.SetColor(0x00FF00);
  vcl::TFontStyles styles;
  styles.Include(vcl::fsBold).Include(vcl::fsUnderline);
  font.SetStyle(styles);
  view->SetObjFont(hobj, &font);
  TIEVectorObject* r = view->GetObjectRecord(hobj);
  EXPECT_STREQ(r->Font->lfFaceName, "Courier New");
  EXPECT_EQ(r->PenColor, 0x00FF00);
  const vcl::TFontStyles got = view->GetObjFontStyles(hobj);
  EXPECT_TRUE(got.Contains(vcl::fsBold));
  EXPECT_TRUE(got.Contains(vcl::fsUnderline));
  EXPECT_FALSE(got.Contains(vcl::fsItalic));
  view->Template().Kind = vkBox;
  EXPECT_FALSE(view->GetObjFontStyles(view->AddNewObject()).Contains(vcl::fsBold)) << "a box keeps no font";
}

TEST_F(ViewProperties, AnIconBecomesTheObjectsBitmapAndAMissingOneLeavesItBlank) {
  MakeView();
  view->Template().Kind = vkBitmap;
  const int32_t hobj = view->AddNewObject();
  view->SetObjBitmapFromIcon(hobj, reinterpret_cast<const char*>(IDI_HAND), 32, 24);
  ASSERT_NE(view->GetObjBitmap(hobj), nullptr);
  EXPECT_EQ(view->GetObjBitmap(hobj)->Width(), 32);
  EXPECT_EQ(view->GetObjBitmap(hobj)->Height(), 24);
  view->SetObjBitmapFromIcon(hobj, "NO_SUCH_ICON", 8, 8);
  ASSERT_NE(view->GetObjBitmap(hobj), nullptr);
  EXPECT_EQ(view->GetObjBitmap(hobj)->Width(), 8);
  view->SetObjBitmapFromIcon(hobj, "NO_SUCH_ICON", 0, 8);
  EXPECT_EQ(view->GetObjBitmap(hobj)->Width(), 8) << "no size, no change";
}

TEST_F(ViewProperties, AGripPictureSetsTheGripSize) {
  MakeView();
  vcl::TPicture picture;
  vcl::TBitmap grip;
  grip.SetSize(14, 9);
  picture.SetGraphic(&grip);
  view->SetObjGripImage(&picture);
  EXPECT_EQ(view->ObjGripSize(), 7);
}

TEST_F(ViewProperties, DrawingOnTheBackgroundWritesTheObjectsIntoTheImage) {
  MakeView(100, 80);
  TIEVectorObject r = view->Template();
  r.Kind = vkBox;
  r.X1 = 10, r.Y1 = 10, r.X2 = 30, r.Y2 = 30;
  r.BrushStyle = vcl::bsSolid;
  r.BrushColor = 0xFF0000;  // blue
  view->AddNewObject(r);
  int32_t changes = 0;
  view->OnImageChange = [&](vcl::TObject*) { ++changes; };
  view->DrawObjectsOnBackground(false);
  EXPECT_EQ(PixelAt(view->GetIEBitmap(), 20, 20), 0x0000FFu);
  EXPECT_EQ(PixelAt(view->GetIEBitmap(), 50, 50), 0xFFFFFFu);
  EXPECT_GE(changes, 1);
}

}  // namespace
