// Turning images upright by their stored orientation, and 8-bit colour tables handed to
// palette images.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/model/exif_orientation.h"
#include "imaging/model/graphics_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

// A 3 x 2 image whose pixel (x, y) has red 10 x + 1 and green y + 1, and alpha 100 + 10 x + y.
std::unique_ptr<TIEBitmap> ExifNumbered(TIELocation location) {
  auto bitmap = MakeIn(location, 3, 2, ie24RGB);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      bitmap->SetPixel24(x, y, TRGB{0, static_cast<uint8_t>(y + 1), static_cast<uint8_t>(10 * x + 1)});
      bitmap->SetAlphaAt(x, y, static_cast<uint8_t>(100 + 10 * x + y));
    }
  return bitmap;
}

}  // namespace

TEST(ExifOrientation, EachValueShowsTheImageAsTaken) {
  // Where the shown pixel (x, y) comes from in the stored W x H image.
  struct Case {
    int32_t orientation;
    bool turned;  // shown H x W
    int32_t (*sourceX)(int32_t x, int32_t y, int32_t w, int32_t h);
    int32_t (*sourceY)(int32_t x, int32_t y, int32_t w, int32_t h);
  };
  const Case cases[] = {
      {1, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
      {2, false, [](int32_t x, int32_t, int32_t w, int32_t) { return w - 1 - x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
      {3, false, [](int32_t x, int32_t, int32_t w, int32_t) { return w - 1 - x; }, [](int32_t, int32_t y, int32_t, int32_t h) { return h - 1 - y; }},
      {4, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t h) { return h - 1 - y; }},
      // The main diagonal: a transposed image.
      {5, true, [](int32_t, int32_t y, int32_t, int32_t) { return y; }, [](int32_t x, int32_t, int32_t, int32_t) { return x; }},
      // A clockwise quarter turn: the stored bottom-left pixel comes to the top-left.
      {6, true, [](int32_t, int32_t y, int32_t, int32_t) { return y; }, [](int32_t x, int32_t, int32_t, int32_t h) { return h - 1 - x; }},
      // The other diagonal.
      {7, true, [](int32_t, int32_t y, int32_t w, int32_t) { return w - 1 - y; }, [](int32_t x, int32_t, int32_t, int32_t h) { return h - 1 - x; }},
      // A counter-clockwise quarter turn.
      {8, true, [](int32_t, int32_t y, int32_t w, int32_t) { return w - 1 - y; }, [](int32_t x, int32_t, int32_t, int32_t) { return x; }},
      // Values outside 2 .. 8 change nothing.
      {0, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
      {9, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
  };
  for (TIELocation location : {ieMemory, ieFile}) {
    for (const Case& c : cases) {
      auto bitmap = ExifNumbered(location);
      ApplyExifOrientation(bitmap.get(), c.orientation);
      const int32_t w = 3, h = 2;
      ASSERT_EQ(c.turned ? h : w, bitmap->Width()) << c.orientation;
      ASSERT_EQ(c.turned ? w : h, bitmap->Height()) << c.orientation;
      ASSERT_TRUE(bitmap->HasAlphaChannel());
      ASSERT_EQ(bitmap->Width(), bitmap->AlphaChannel()->Width());
      ASSERT_EQ(bitmap->Height(), bitmap->AlphaChannel()->Height());
      for (int32_t y = 0; y < bitmap->Height(); ++y)
        for (int32_t x = 0; x < bitmap->Width(); ++x) {
          const int32_t sx = c.sourceX(x, y, w, h), sy = c.sourceY(x, y, w, h);
          const TRGB pixel = bitmap->GetPixel24(x, y);
          EXPECT_EQ(10 * sx + 1, pixel.r) << "orientation " << c.orientation << " at " << x << "," << y << " "
                                          << LocationName(location);
          EXPECT_EQ(sy + 1, pixel.g) << "orientation " << c.orientation << " at " << x << "," << y;
          EXPECT_EQ(100 + 10 * sx + sy, bitmap->GetAlphaAt(x, y)) << "orientation " << c.orientation;
        }
    }
  }
}

TEST(ExifOrientation, TurnsKeepPaletteAndOneBitImages) {
  auto palette = MakeIn(ieMemory, 2, 1, ie8p);
  palette->SetPaletteColor(5, TRGB{1, 2, 3});
  palette->SetPixel8(0, 0, 5);
  palette->SetPixel8(1, 0, 0);
  ApplyExifOrientation(palette.get(), 6);
  ASSERT_EQ(ie8p, palette->PixelFormat());
  ASSERT_EQ(1, palette->Width());
  ASSERT_EQ(2, palette->Height());
  EXPECT_EQ(5, palette->GetPixel8(0, 0));
  EXPECT_EQ(0x030201u, Packed(palette->GetPixelRGB(0, 0)));
  EXPECT_FALSE(palette->HasAlphaChannel());

  auto bits = MakeIn(ieMemory, 9, 1, ie1g);
  static_cast<uint8_t*>(bits->GetScanline(0))[0] = 0x80;  // pixel 0
  static_cast<uint8_t*>(bits->GetScanline(0))[1] = 0x00;
  ApplyExifOrientation(bits.get(), 8);  // counter-clockwise: pixel 0 goes to the bottom
  ASSERT_EQ(1, bits->Width());
  ASSERT_EQ(9, bits->Height());
  EXPECT_EQ(0x80, static_cast<uint8_t*>(bits->GetScanline(8))[0] & 0x80);
  EXPECT_EQ(0x00, static_cast<uint8_t*>(bits->GetScanline(0))[0] & 0x80);

  TIEBitmap empty;
  ApplyExifOrientation(&empty, 6);
  ApplyExifOrientation(nullptr, 6);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(DIBPalette, EightBitColourTableBecomesThePalette) {
  vcl::TBitmap dib;
  dib.SetPixelFormat(vcl::pf8bit);
  dib.SetSize(2, 2);
  RGBQUAD table[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  SetDIBColorTable(dib.Canvas()->Handle(), 0, 3, table);

  TIEBitmap target(2, 2, ie8p);
  target.SetPaletteColor(200, TRGB{9, 9, 9});
  CopyDIBPaletteToIEBitmap(&dib, &target);
  EXPECT_EQ(0x1E140Au, Packed(target.GetPaletteColor(0)));  // red 30, green 20, blue 10
  EXPECT_EQ(0x3C3228u, Packed(target.GetPaletteColor(1)));
  EXPECT_EQ(0x5A5046u, Packed(target.GetPaletteColor(2)));

  // Any other pair is left alone.
  TIEBitmap grey(2, 2, ie8g);
  CopyDIBPaletteToIEBitmap(&dib, &grey);
  EXPECT_EQ(ie8g, grey.PixelFormat());
  vcl::TBitmap rgb;
  rgb.SetPixelFormat(vcl::pf24bit);
  rgb.SetSize(2, 2);
  TIEBitmap untouched(2, 2, ie8p);
  untouched.SetPaletteColor(0, TRGB{1, 2, 3});
  CopyDIBPaletteToIEBitmap(&rgb, &untouched);
  EXPECT_EQ(0x030201u, Packed(untouched.GetPaletteColor(0)));
  CopyDIBPaletteToIEBitmap(nullptr, &untouched);
  CopyDIBPaletteToIEBitmap(&dib, nullptr);
}
