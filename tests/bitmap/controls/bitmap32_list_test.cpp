// The bitmap list: items keep their bitmaps through form data, a bad index raises the
// collection's error, and assigning a collection copies its bitmaps.
#include <gtest/gtest.h>

#include <string>

#include "bitmap/controls/bitmap32_list.h"
#include "tests/bitmap/controls/controls_fixture.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/forms.h"

using namespace bitmap;
using namespace controls_fixture;

namespace {

void FillNumbered(TBitmap32& bitmap, int n) {
  bitmap.SetSize(3 + n, 2);
  bitmap.FillColor(0xFF000000u | uint32_t(n * 0x111111));
}

TEST(Bitmap32List, BitmapsByIndex) {
  TBitmap32List list(nullptr);
  for (int i = 0; i < 5; ++i) FillNumbered(*list.Bitmaps()->Add()->Bitmap(), i);
  EXPECT_EQ(list.Bitmaps()->Count(), 5);
  EXPECT_EQ(list.GetBitmap(4)->Width(), 7);
  EXPECT_EQ(list.Bitmaps()->GetOwner(), &list);
  for (int bad : {5, -1}) {
    try {
      list.GetBitmap(bad);
      FAIL() << bad;
    } catch (const vcl::EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
}

TEST(Bitmap32List, AssigningCopiesTheBitmaps) {
  TBitmap32List source(nullptr), target(nullptr);
  for (int i = 0; i < 3; ++i) FillNumbered(*source.Bitmaps()->Add()->Bitmap(), i + 1);
  source.GetBitmap(1)->SetStretchFilter(sfLanczos);
  TBitmap32Collection* own = target.Bitmaps();
  target.SetBitmaps(source.Bitmaps());
  EXPECT_EQ(target.Bitmaps(), own);  // the list keeps its collection
  ASSERT_EQ(target.Bitmaps()->Count(), 3);
  EXPECT_NE(target.GetBitmap(1), source.GetBitmap(1));
  EXPECT_EQ(target.GetBitmap(1)->Width(), 5);
  EXPECT_EQ(target.GetBitmap(1)->GetPixelSafe(4, 1), source.GetBitmap(1)->GetPixelSafe(4, 1));
  EXPECT_EQ(target.GetBitmap(1)->StretchFilter(), sfLanczos);
  // An item's Bitmap property copies too.
  TBitmap32 replacement;
  replacement.SetSize(9, 9);
  target.Bitmaps()->Items(0)->SetBitmap(&replacement);
  EXPECT_EQ(target.GetBitmap(0)->Width(), 9);
  EXPECT_NE(target.GetBitmap(0), &replacement);
}

TEST(Bitmap32List, FormDataKeepsEveryBitmap) {
  vcl::TForm written(nullptr);
  written.SetName("ListForm");
  auto* list = new TBitmap32List(&written);
  list->SetName("GradientList");
  for (int i = 0; i < 5; ++i) FillNumbered(*list->Bitmaps()->Add()->Bitmap(), i);
  const std::string text = WriteFormText(&written);
  EXPECT_NE(text.find("Bitmap.Data = {"), std::string::npos) << text;

  vcl::TForm read(nullptr);
  ReadFormText(text, &read);
  auto* copy = dynamic_cast<TBitmap32List*>(read.FindComponent("GradientList"));
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->Bitmaps()->Count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(copy->GetBitmap(i)->Width(), 3 + i);
    EXPECT_EQ(copy->GetBitmap(i)->GetPixelSafe(2, 1), list->GetBitmap(i)->GetPixelSafe(2, 1));
  }
}

TEST(Bitmap32List, DamagedDataIsAReadError) {
  vcl::TForm read(nullptr);
  // The block claims a 100 x 100 bitmap but holds one pixel.
  const std::string text = "object ListForm: TForm\n"
                           "  object GradientList: TBitmap32List\n"
                           "    Bitmaps = <\n"
                           "      item\n"
                           "        Bitmap.Data = {6400000064000000FF00FF00}\n"
                           "      end>\n"
                           "  end\n"
                           "end\n";
  EXPECT_THROW(ReadFormText(text, &read), vcl::Exception);
  EXPECT_EQ(read.FindComponent("GradientList"), nullptr);
}

}  // namespace
