// Drawing 32-bit PNGs with their alpha (at their size, with a reflection, stretched), the
// inherited drawing of the other images, icons made from PNGs, the clean-up of PNG masks and
// the registration with the picture loader.
#include "skin/engine/png/png_drawing.h"

#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/png/png_registration.h"
#include "tests/skin/engine/png/png_samples.h"
#include "tests/support/file_helpers.h"
#include "tests/support/temp_folder.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/exceptions.h"

using namespace png_samples;
using skin::png::TPNGGraphic;

namespace {

// An RGBA image of the pixels, row by row (filter 0).
Bytes RgbaPng(int width, int height, const std::vector<Rgba>& pixels) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const Rgba& p = pixels[size_t(y * width + x)];
      raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
  }
  return MakePng(uint32_t(width), uint32_t(height), 8, 6, raw);
}

std::unique_ptr<vcl::TBitmap> PngBackground(int width, int height, vcl::TColor colour) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(width, height);
  b->Canvas()->Brush()->SetColor(colour);
  b->Canvas()->FillRect(vcl::Rect(0, 0, width, height));
  return b;
}

Rgba PngRgb(uint8_t r, uint8_t g, uint8_t b) { return Rgba{r, g, b, 255}; }

// The colour bitmap (bytes B, G, R, A) and the mask bits (true: transparent) of an icon.
struct IconParts {
  std::vector<uint32_t> colour;
  std::vector<bool> mask;
};

IconParts PartsOf(HICON icon, int width, int height) {
  IconParts parts;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return parts;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(nullptr);
  parts.colour.resize(size_t(width * height));
  GetDIBits(dc, info.hbmColor, 0, UINT(height), parts.colour.data(), &bi, DIB_RGB_COLORS);
  std::vector<uint32_t> mask(size_t(width * height));
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  GetDIBits(dc, info.hbmMask, 0, UINT(height), mask.data(), &bi, DIB_RGB_COLORS);
  for (uint32_t m : mask) parts.mask.push_back((m & 0xFFFFFF) != 0);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return parts;
}

// A class registered for "png" after the skin reader; it only notes that it was asked.
class TLaterPng : public vcl::TBitmap {
  VCL_GRAPHIC_CLASS(TLaterPng, vcl::TBitmap)
  void LoadFromStream(vcl::TStream*) override { SetSize(7, 7); }
};

}  // namespace

TEST(SkinPngDraw, AlphaBlendsOverWhatTheCanvasHolds) {
  TPNGGraphic png;
  Load(png, RgbaPng(2, 2, {{255, 255, 255, 255}, {10, 20, 30, 0}, {200, 100, 50, 128}, {0, 0, 0, 255}}));
  auto target = PngBackground(3, 3, vcl::TColor(0x204060));  // red 0x60, green 0x40, blue 0x20
  target->Canvas()->Draw(1, 1, &png);
  const std::vector<Rgba> shown = Shown(*target);
  EXPECT_EQ(shown[0], PngRgb(0x60, 0x40, 0x20));  // outside the image
  EXPECT_EQ(shown[4], PngRgb((255 * 255 + 0x60) >> 8, (255 * 255 + 0x40) >> 8, (255 * 255 + 0x20) >> 8));
  EXPECT_EQ(shown[5], PngRgb(0x60, 0x40, 0x20));  // alpha 0
  EXPECT_EQ(shown[7], PngRgb((200 * 128 + 0x60 * 128) >> 8, (100 * 128 + 0x40 * 128) >> 8, (50 * 128 + 0x20 * 128) >> 8));
  auto black = PngBackground(2, 2, vcl::TColor(0));
  black->Canvas()->Draw(0, 0, &png);
  EXPECT_EQ(Shown(*black)[0], PngRgb(254, 254, 254));
}

TEST(SkinPngDraw, ReflectionFillsTheRowsBelowAtTheImagesSizeOnly) {
  std::vector<Rgba> pixels(16, Rgba{200, 0, 0, 255});
  for (int x = 0; x < 4; ++x) pixels[size_t(8 + x)] = Rgba{0, 0, 240, 255};  // row 2 blue
  TPNGGraphic png;
  Load(png, RgbaPng(4, 4, pixels));
  png.Reflected = true;
  auto target = PngBackground(4, 8, vcl::TColor(0x303030));
  target->Canvas()->Draw(0, 0, &png);
  std::vector<Rgba> shown = Shown(*target);
  EXPECT_EQ(shown[4 * 4], PngRgb(0x30, 0x30, 0x30));  // row 4: not written
  // Row 5 mirrors source row 2 at weight 255 * (255 div 3) div 255 = 85.
  const uint8_t mixed = uint8_t((0x30 * 256 + (240 - 0x30) * 85) >> 8);
  EXPECT_EQ(shown[5 * 4], PngRgb((0x30 * 256 - 0x30 * 85) >> 8, (0x30 * 256 - 0x30 * 85) >> 8, mixed));
  EXPECT_EQ(shown[6 * 4], PngRgb(0x30, 0x30, 0x30));  // below the H + H div 2 rows
  // Stretched: the extra rows keep the background.
  auto stretched = PngBackground(8, 12, vcl::TColor(0x303030));
  stretched->Canvas()->StretchDraw(vcl::Rect(0, 0, 8, 8), &png);
  shown = Shown(*stretched);
  for (int y = 8; y < 12; ++y) EXPECT_EQ(shown[size_t(y * 8 + 3)], PngRgb(0x30, 0x30, 0x30)) << y;
  EXPECT_EQ(shown[0].r, 199);
}

TEST(SkinPngDraw, StretchingKeepsAlphaLevels) {
  TPNGGraphic png;
  Load(png, RgbaPng(2, 2, std::vector<Rgba>(4, Rgba{255, 0, 0, 255})));
  auto target = PngBackground(6, 6, vcl::TColor(0xFF0000));  // blue
  target->Canvas()->StretchDraw(vcl::Rect(1, 1, 5, 5), &png);
  std::vector<Rgba> shown = Shown(*target);
  EXPECT_EQ(shown[7], PngRgb(254, 0, 0));
  EXPECT_EQ(shown[28], PngRgb(254, 0, 0));
  EXPECT_EQ(shown[0], PngRgb(0, 0, 255));
  // A uniform alpha of 100 stays 100 after stretching: no palette quantises it.
  Load(png, RgbaPng(2, 2, std::vector<Rgba>(4, Rgba{255, 0, 0, 100})));
  target = PngBackground(6, 6, vcl::TColor(0));
  target->Canvas()->StretchDraw(vcl::Rect(0, 0, 6, 6), &png);
  EXPECT_EQ(Shown(*target)[14], PngRgb(255 * 100 >> 8, 0, 0));
}

TEST(SkinPngDraw, OtherImagesDrawAsBitmapsWithTheirTransparentColour) {
  Bytes raw = {0, 0, 50, 0, 50};  // one row, grey 0, 50, 0, 50
  Bytes key = {0, 0};
  TPNGGraphic png;
  Load(png, MakePng(4, 1, 8, 0, raw, {Chunk("tRNS", key)}));
  ASSERT_EQ(png.PixelFormat(), vcl::pf8bit);
  auto target = PngBackground(4, 1, vcl::TColor(0x0000FF));
  target->Canvas()->Draw(0, 0, &png);
  EXPECT_EQ(Shown(*target), (std::vector<Rgba>{PngRgb(255, 0, 0), PngRgb(50, 50, 50), PngRgb(255, 0, 0), PngRgb(50, 50, 50)}));
}

TEST(SkinPngIcons, CreateIconHandleMasksByAlphaOrByTheTopLeftPixel) {
  const std::vector<Rgba> pixels = {{1, 2, 3, 0}, {9, 9, 9, 255}, {1, 2, 3, 0}, {1, 2, 3, 255}};
  TPNGGraphic png;
  Load(png, RgbaPng(2, 2, pixels));
  HICON icon = png.CreateIconHandle(false);
  ASSERT_TRUE(icon);
  IconParts parts = PartsOf(icon, 2, 2);
  DestroyIcon(icon);
  EXPECT_EQ(parts.mask, (std::vector<bool>{false, false, false, false}));
  EXPECT_EQ(parts.colour[1], 0xFF090909u);
  icon = png.CreateIconHandle(true);
  ASSERT_TRUE(icon);
  parts = PartsOf(icon, 2, 2);
  DestroyIcon(icon);
  // Equal to the top-left pixel with its alpha: the last pixel differs only in alpha.
  EXPECT_EQ(parts.mask, (std::vector<bool>{true, false, true, false}));
  // A 1 x 1 image keeps an opaque mask; a grey image becomes 32-bit.
  Load(png, RgbaPng(1, 1, {{5, 5, 5, 0}}));
  icon = png.CreateIconHandle(true);
  EXPECT_EQ(PartsOf(icon, 1, 1).mask, (std::vector<bool>{false}));
  DestroyIcon(icon);
  Load(png, MakePng(2, 2, 8, 0, {0, 7, 8, 0, 7, 7}));
  icon = png.CreateIconHandle(false);
  EXPECT_EQ(png.PixelFormat(), vcl::pf32bit);
  EXPECT_EQ(PartsOf(icon, 2, 2).mask, (std::vector<bool>{true, false, true, true}));
  DestroyIcon(icon);
}

TEST(SkinPngIcons, MakeIconOnColorKeepsPixelsAndAlpha) {
  TPNGGraphic png;
  Load(png, RgbaPng(2, 2, {{1, 2, 3, 0}, {200, 100, 50, 128}, {9, 9, 9, 255}, {0, 0, 0, 0}}));
  HICON icon = skin::png::MakeIconOnColor(&png, vcl::TColor(0x00FF00));
  ASSERT_TRUE(icon);
  IconParts parts = PartsOf(icon, 2, 2);
  DestroyIcon(icon);
  EXPECT_EQ(parts.mask, (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(parts.colour[1], 0x80C86432u);
  // An RGB image has no alpha of its own: its icon is opaque, not invisible.
  Bytes rgb = {0, 10, 20, 30, 40, 50, 60, 0, 1, 2, 3, 4, 5, 6};
  Load(png, MakePng(2, 2, 8, 2, rgb));
  icon = skin::png::MakeIconOnColor(&png, vcl::TColor(0));
  ASSERT_TRUE(icon);
  parts = PartsOf(icon, 2, 2);
  DestroyIcon(icon);
  EXPECT_EQ(parts.mask, (std::vector<bool>(4, false)));
  EXPECT_EQ(parts.colour[0], 0xFF0A141Eu);
  EXPECT_EQ(png.PixelFormat(), vcl::pf32bit);
}

TEST(SkinPngIcons, ClearWhiteTransparentClearsOnlyFullyTransparentWhite) {
  TPNGGraphic png;
  Load(png, RgbaPng(2, 2, {{255, 255, 255, 0}, {255, 255, 255, 1}, {255, 254, 255, 0}, {3, 3, 3, 3}}));
  skin::png::ClearWhiteTransparent(&png);
  EXPECT_EQ(Shown(png), (std::vector<Rgba>{{0, 0, 0, 0}, {255, 255, 255, 1}, {255, 254, 255, 0}, {3, 3, 3, 3}}));
  Load(png, RgbaPng(1, 1, {{255, 255, 255, 0}}));
  skin::png::ClearWhiteTransparent(&png);
  EXPECT_EQ(Shown(png)[0], (Rgba{255, 255, 255, 0}));
}

TEST(SkinPngRegistration, PngFilesLoadThroughThePictureLoaderUntilALaterClassTakesThem) {
  TestTempFolder folder;
  test_files::WriteFileBytes(folder.UnixFile("a.png"), RgbaPng(1, 1, {{1, 2, 3, 4}}));
  skin::png::RegisterSkinPngFormat();
  {
    vcl::TPicture picture;
    picture.LoadFromFile(folder.File("a.png"));
    EXPECT_NE(dynamic_cast<TPNGGraphic*>(picture.Graphic()), nullptr);
    EXPECT_NE(vcl::GraphicFilter(TPNGGraphic::GraphicClass()).find("Portable network graphics (skin toolkit)"),
              std::string::npos);
  }
  vcl::TPicture::RegisterFileFormat("png", "Later", TLaterPng::GraphicClass());
  {
    vcl::TPicture picture;
    picture.LoadFromFile(folder.File("a.png"));
    EXPECT_EQ(picture.Graphic()->ClassName(), std::string("TLaterPng"));
    EXPECT_EQ(picture.Width(), 7);
  }
  vcl::TPicture::UnregisterGraphicClass(TLaterPng::GraphicClass());
  skin::png::UnregisterSkinPngFormat();
  vcl::TPicture picture;
  try {
    picture.LoadFromFile(folder.File("a.png"));
    ADD_FAILURE() << "loaded";
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.png)");
  }
}
