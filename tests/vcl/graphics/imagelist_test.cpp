// TImageList: adding, masking, replacing and deleting images, drawing enabled and disabled,
// and the images in form data.
#include <gtest/gtest.h>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/runtime/streams.h"

using namespace vcl;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;

namespace {

// A 16 x 16 image: a 6 x 6 square of `color` at (5, 5) on lime.
std::unique_ptr<TBitmap> Square(TColor color) {
  auto bitmap = MakeBitmap(16, 16, pf24bit, clLime);
  bitmap->Canvas()->Brush()->SetColor(color);
  bitmap->Canvas()->FillRect(Rect(5, 5, 11, 11));
  return bitmap;
}

TEST(ImageList, AddsDrawsReplacesAndDeletes) {
  TImageList list(nullptr);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Height(), 16);
  EXPECT_TRUE(list.Masked());
  EXPECT_EQ(list.Count(), 0);
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };

  EXPECT_EQ(list.Add(Square(clRed).get(), nullptr), 0);
  EXPECT_EQ(list.AddMasked(Square(clBlue).get(), clLime), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 2);

  auto target = MakeBitmap(40, 20, pf24bit, clWhite);
  list.Draw(target->Canvas(), 0, 0, 0);
  list.Draw(target->Canvas(), 20, 0, 1);
  EXPECT_EQ(Pixel(*target, 7, 7), 0x0000FFu);
  EXPECT_EQ(Pixel(*target, 1, 1), 0x00FF00u);   // no mask: the lime is drawn
  EXPECT_EQ(Pixel(*target, 27, 7), 0xFF0000u);
  EXPECT_EQ(Pixel(*target, 21, 1), 0xFFFFFFu);  // masked: the lime is left out

  list.Replace(0, Square(clYellow).get(), nullptr);
  list.Draw(target->Canvas(), 0, 0, 0);
  EXPECT_EQ(Pixel(*target, 7, 7), 0x00FFFFu);
  try {
    list.Replace(5, Square(clRed).get(), nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Unable to Replace Image");
  }

  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  for (int index : {-1, 1, 9}) {
    try {
      list.Delete(index);
      ADD_FAILURE() << index;
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message(), "Invalid ImageList Index");
    }
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, ImagesSmallerThanTheListAreRefused) {
  TImageList list(nullptr);
  auto small = MakeBitmap(8, 16, pf24bit);
  try {
    list.Add(small.get(), nullptr);
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Invalid image size");
  }
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, BackgroundColourFillsTheMaskedPart) {
  TImageList list(nullptr);
  list.AddMasked(Square(clBlue).get(), clLime);
  list.SetBkColor(clYellow);
  auto target = MakeBitmap(16, 16, pf24bit, clWhite);
  list.Draw(target->Canvas(), 0, 0, 0);
  EXPECT_EQ(Pixel(*target, 1, 1), 0x00FFFFu);
  // The transparent style leaves the mask out whatever the background colour.
  auto clear = MakeBitmap(16, 16, pf24bit, clWhite);
  list.Draw(clear->Canvas(), 0, 0, 0, dsTransparent, itImage);
  EXPECT_EQ(Pixel(*clear, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(Pixel(*clear, 7, 7), 0xFF0000u);
}

TEST(ImageList, DisabledImagesAreEmbossed) {
  TImageList list(nullptr);
  list.AddMasked(Square(clRed).get(), clLime);
  auto target = MakeBitmap(20, 20, pf24bit, clBtnFace);
  list.Draw(target->Canvas(), 0, 0, 0, false);
  const uint32_t shadow = ColorToRGB(clBtnShadow), highlight = ColorToRGB(clBtnHighlight);
  const uint32_t face = ColorToRGB(clBtnFace);
  EXPECT_EQ(Pixel(*target, 7, 7), shadow);
  EXPECT_EQ(Pixel(*target, 11, 11), highlight);  // one pixel past the square, down and right
  EXPECT_EQ(Pixel(*target, 2, 2), face);
  EXPECT_EQ(Pixel(*target, 15, 15), face);
}

TEST(ImageList, BitmapsAndIconsOfTheImages) {
  TImageList list(nullptr);
  list.AddMasked(Square(clBlue).get(), clLime);
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  EXPECT_TRUE(list.GetBitmap(0, &bitmap));
  EXPECT_EQ(bitmap.Width(), 16);
  EXPECT_EQ(Pixel(bitmap, 7, 7), 0xFF0000u);
  EXPECT_FALSE(list.GetBitmap(1, &bitmap));

  TIcon icon;
  list.GetIcon(0, &icon);
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(list.AddIcon(&icon), 1);
  auto target = MakeBitmap(16, 16, pf24bit, clWhite);
  list.Draw(target->Canvas(), 0, 0, 1);
  EXPECT_EQ(Pixel(*target, 7, 7), 0xFF0000u);
  EXPECT_EQ(Pixel(*target, 1, 1), 0xFFFFFFu);
}

TEST(ImageList, SizeChangesEmptyTheListAndAssignCopies) {
  TImageList list(nullptr);
  list.Add(Square(clRed).get(), nullptr);
  TImageList copy(nullptr);
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 1);
  EXPECT_NE(copy.Handle(), list.Handle());

  list.SetWidth(24);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Width(), 24);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list.Handle(), &cx, &cy);
  EXPECT_EQ(cx, 24);
  EXPECT_EQ(cy, 16);
}

TEST(ImageList, ImagesTravelInFormData) {
  TImageList list(nullptr);
  list.SetName("Images");
  list.SetWidth(16);
  list.SetBkColor(clYellow);
  list.Add(Square(clRed).get(), nullptr);
  list.AddMasked(Square(clBlue).get(), clLime);

  TStringStream text;
  {
    TWriter writer(&text);
    writer.WriteRootComponent(&list);
  }
  const std::string& data = text.DataString();
  EXPECT_NE(data.find("BkColor = clYellow"), std::string::npos) << data;
  EXPECT_NE(data.find("Bitmap = {"), std::string::npos) << data;

  TImageList read(nullptr);
  TStringStream source(data);
  TReader reader(&source);
  reader.ReadRootComponent(&read);
  EXPECT_EQ(read.Count(), 2);
  EXPECT_EQ(read.BkColor(), clYellow);
  auto target = MakeBitmap(16, 16, pf24bit, clWhite);
  read.Draw(target->Canvas(), 0, 0, 1, dsTransparent, itImage);
  EXPECT_EQ(Pixel(*target, 7, 7), 0xFF0000u);
  EXPECT_EQ(Pixel(*target, 1, 1), 0xFFFFFFu);

  // Data that is no image list is refused.
  TImageList bad(nullptr);
  TMemoryStream garbage;
  garbage.WriteBuffer("not an image list", 17);
  garbage.SetPosition(0);
  EXPECT_THROW(bad.ReadData(&garbage), EReadError);
}

}  // namespace
