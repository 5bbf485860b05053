// A form read from form data with an image control carrying a bitmap layer, a scrollable view
// of a picture larger than itself and a range bar, painted as a whole. Set
// MERGEON_CONTROLS_PICTURE to a file name to keep the painted form as a BMP file, and
// MERGEON_CONTROLS_SHOW_SECONDS to keep the form on screen that long (to take a screenshot).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bitmap/controls/image32.h"
#include "bitmap/controls/img_view32.h"
#include "bitmap/controls/range_bars.h"
#include "tests/bitmap/controls/controls_fixture.h"

using namespace bitmap;
using namespace controls_fixture;

namespace {

void SaveAsBmp(const TBitmap32& picture, const char* fileName) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = picture.Width();
  info.biHeight = -picture.Height();
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  const uint32_t pixelBytes = uint32_t(picture.Width()) * uint32_t(picture.Height()) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + pixelBytes;
  FILE* out = std::fopen(fileName, "wb");
  ASSERT_NE(out, nullptr) << fileName;
  std::fwrite(&file, sizeof(file), 1, out);
  std::fwrite(&info, sizeof(info), 1, out);
  std::fwrite(picture.Bits(), 1, pixelBytes, out);
  std::fclose(out);
}

void PaintLandscape(TBitmap32& picture, int w, int h) {
  picture.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool check = ((x / 25) + (y / 25)) % 2 == 0;
      *picture.PixelPtr(x, y) = MakeColor32(uint8_t(x * 255 / w), uint8_t(y * 255 / h), check ? 0xC0 : 0x40);
    }
}

class ControlsForm : public ControlsTest {};

TEST_F(ControlsForm, ReadFromFormDataAndPainted) {
  ShownForm(420, 230);
  form->SetColor(vcl::clBtnFace);
  TBitmap32 small, large;
  PaintLandscape(small, 40, 30);
  PaintLandscape(large, 400, 300);
  ReadFormText("object DemoForm: TForm\n"
               "  object Img: TImage32\n"
               "    Left = 8\n    Top = 8\n    Width = 160\n    Height = 150\n"
               "    Color = clWhite\n"
               "    Bitmap.Data = " + BitmapDataText(small) + "\n"
               "    Bitmap.StretchFilter = sfLinear\n"
               "    BitmapAlign = baCenter\n"
               "    ScaleMode = smResize\n"
               "  end\n"
               "  object View: TImgView32\n"
               "    Left = 180\n    Top = 8\n    Width = 230\n    Height = 170\n"
               "    Color = clSilver\n"
               "    Bitmap.Data = " + BitmapDataText(large) + "\n"
               "    ScrollBars.Size = 16\n"
               "    SizeGrip = sgAlways\n"
               "  end\n"
               "  object Bar: TRangeBar\n"
               "    Left = 8\n    Top = 190\n    Width = 402\n    Height = 18\n"
               "    Range = 1000\n    Window = 200\n    Position = 300\n"
               "  end\n"
               "end\n",
               form.get());
  auto* image = dynamic_cast<TImage32*>(form->FindComponent("Img"));
  auto* view = dynamic_cast<TImgView32*>(form->FindComponent("View"));
  auto* bar = dynamic_cast<TRangeBar*>(form->FindComponent("Bar"));
  ASSERT_TRUE(image && view && bar);
  // A half-transparent red square over the middle of the image's bitmap, in bitmap pixels.
  auto* layer = image->Layers()->Add<TBitmapLayer>();
  layer->Bitmap()->SetSize(8, 8);
  layer->Bitmap()->FillColor(0x80FF0000);
  layer->Bitmap()->SetDrawMode(dmBlend);
  layer->SetScaled(true);
  layer->SetLocation(TFloatRect{16, 11, 24, 19});
  Pump();

  // The form's client area: its colour, then each control painted by the platform's paint
  // cycle at its place.
  const vcl::TRect client = form->ClientRect();
  TBitmap32 painted;
  painted.SetSize(client.right, client.bottom);
  painted.FillColor(ColorToColor32(form->Color()));
  for (vcl::TWinControl* control : {static_cast<vcl::TWinControl*>(image), static_cast<vcl::TWinControl*>(view),
                                    static_cast<vcl::TWinControl*>(bar)})
    control->PaintTo(painted.DC(), control->Left(), control->Top());
  GdiFlush();
  if (const char* file = std::getenv("MERGEON_CONTROLS_PICTURE")) SaveAsBmp(painted, file);

  // The image: 40 x 30 fitted into 160 x 150 is 160 x 120 at (0, 15); the layer covers bitmap
  // (16, 11) - (24, 19), that is (64, 59) - (96, 91) in the control.
  EXPECT_EQ(painted.GetPixelSafe(8 + 80, 8 + 5) & 0xFFFFFF, 0xFFFFFFu);  // white above the bitmap
  const TColor32 underLayer = painted.GetPixelSafe(8 + 80, 8 + 75);
  EXPECT_GT(RedOf(underLayer), 0xA0);
  // The view: the 400 x 300 picture centred in its 214 x 154 viewport starts at (93, 73).
  EXPECT_EQ(view->HScroll()->Position(), 93);
  EXPECT_EQ(view->VScroll()->Position(), 73);
  EXPECT_EQ(painted.GetPixelSafe(180, 8) & 0xFFFFFF, large.GetPixelSafe(93, 73) & 0xFFFFFF);
  // The bar: a single border round it, so its buttons are 16 long.
  EXPECT_EQ(bar->GetTrackRect().left, 16);

  if (const char* seconds = std::getenv("MERGEON_CONTROLS_SHOW_SECONDS")) {
    const int limit = std::atoi(seconds) * 1000;
    PumpUntil([] { return false; }, limit);
  }
}

}  // namespace
