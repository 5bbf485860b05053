#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "skin/engine/graphics/alpha_image_list.h"
#include "skin/engine/graphics/image_list_glyphs.h"
#include "skin/engine/paint/keyed_copies.h"
#include "tests/skin/engine/png/png_samples.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/icon.h"
#include "vcl/runtime/exceptions.h"

using namespace skin;
using png_samples::Bytes;

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

// An RGBA PNG of the pixels (row by row), or an RGB one when `alpha` is false.
Bytes PngOf(int width, int height, const std::vector<Rgba>& pixels, bool alpha = true) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) {
      const Rgba& p = pixels[size_t(y * width + x)];
      raw.insert(raw.end(), {p.r, p.g, p.b});
      if (alpha) raw.push_back(p.a);
    }
  }
  return png_samples::MakePng(uint32_t(width), uint32_t(height), 8, alpha ? 6 : 2, raw);
}

void AddItem(TsAlphaImageList* list, TsImageFormat format, const Bytes& bytes) {
  TsImgListItem* item = list->Items()->Add();
  item->SetImageFormat(format);
  item->DataStream()->WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

struct ListPtr {
  TsAlphaImageList* list;
  ~ListPtr() { delete list; }
  TsAlphaImageList* operator->() const { return list; }
};

ListPtr AlphaMakeList(int width, int height, bool keepData = true) {
  ListPtr l{vcl::New<TsAlphaImageList>(nullptr)};
  l->KeepData = keepData;
  l->SetWidth(width);
  l->SetHeight(height);
  return l;
}

// A 24-bit canvas whose pixel (x, y) is blue 30 x, green 20 y, red 100.
std::unique_ptr<vcl::TBitmap> Canvas(int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
      p[0] = uint8_t(30 * x), p[1] = uint8_t(20 * y), p[2] = 100;
    }
  return bitmap;
}

const uint8_t* AlphaAt(vcl::TBitmap* bitmap, int x, int y) {
  return static_cast<const uint8_t*>(bitmap->ScanLine(y)) + x * (bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3);
}

// A 4 x 4 picture of many alphas.
std::vector<Rgba> Picture() {
  std::vector<Rgba> pixels;
  const uint8_t alphas[] = {0, 1, 64, 127, 128, 200, 254, 255};
  for (int i = 0; i < 16; ++i) pixels.push_back({uint8_t(250 - 13 * i), uint8_t(17 * i), uint8_t(90 + i), alphas[i % 8]});
  return pixels;
}

}  // namespace

TEST(AlphaImageList, PngItemIsBlendedOverTheCanvasByItsAlpha) {
  auto list = AlphaMakeList(4, 4);
  const std::vector<Rgba> picture = Picture();
  AddItem(list.list, ifPNG, PngOf(4, 4, picture));
  list->GenerateIcons();
  ASSERT_TRUE(list->IconsGenerated);
  ASSERT_EQ(list->Count(), 1);

  auto canvas = Canvas(7, 6);
  vcl::TBitmap target;
  target.Assign(canvas.get());
  list->Draw(target.Canvas(), 2, 1, 0);
  GdiFlush();
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 7; ++x) {
      const uint8_t* under = AlphaAt(canvas.get(), x, y);
      uint8_t expected[3] = {under[0], under[1], under[2]};
      if (x >= 2 && x < 6 && y >= 1 && y < 5) {
        const Rgba& p = picture[size_t((y - 1) * 4 + (x - 2))];
        const int channel[3] = {p.b, p.g, p.r};
        for (int k = 0; k < 3; ++k) expected[k] = uint8_t((under[k] * 256 + (channel[k] - under[k]) * p.a) / 256);
      }
      const uint8_t* got = AlphaAt(&target, x, y);
      for (int k = 0; k < 3; ++k) EXPECT_EQ(got[k], expected[k]) << x << "," << y << " byte " << k;
    }
}

TEST(AlphaImageList, PictureWithoutAlphaIsTransparentWhereItHasItsCornerColour) {
  auto list = AlphaMakeList(3, 3);
  std::vector<Rgba> pixels(9, Rgba{10, 200, 30, 255});
  for (int i : {0, 4, 6}) pixels[size_t(i)] = Rgba{255, 0, 255, 255};  // 6 is the bottom-left pixel
  AddItem(list.list, ifPNG, PngOf(3, 3, pixels, false));
  list->GenerateIcons();
  vcl::TBitmap image;
  ASSERT_TRUE(list->GetImageBitmap(0, &image));
  ASSERT_EQ(image.PixelFormat(), vcl::pf32bit);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(AlphaAt(&image, i % 3, i / 3)[3], i == 0 || i == 4 || i == 6 ? 0 : 255) << i;

  auto canvas = Canvas(3, 3);
  vcl::TBitmap target;
  target.Assign(canvas.get());
  list->Draw(target.Canvas(), 0, 0, 0);
  GdiFlush();
  EXPECT_EQ(std::memcmp(AlphaAt(&target, 1, 1), AlphaAt(canvas.get(), 1, 1), 3), 0);  // magenta shows what was there
  EXPECT_EQ(AlphaAt(&target, 2, 0)[1], 199);  // (0 * 256 + 200 * 255) div 256: the mix divides by 256
}

TEST(AlphaImageList, IconItemsAndDroppedDataDrawThroughThePlatformIcon) {
  // An opaque PNG: the platform's icon drawing gives its pixels exactly.
  std::vector<Rgba> pixels;
  for (int i = 0; i < 16; ++i) pixels.push_back({uint8_t(16 * i), 80, uint8_t(255 - 16 * i), 255});
  const Bytes png = PngOf(4, 4, pixels);
  // The same picture as an icon file, made through the platform.
  Bytes ico;
  {
    auto helper = AlphaMakeList(4, 4);
    AddItem(helper.list, ifPNG, png);
    helper->GenerateIcons();
    vcl::TIcon icon;
    icon.SetHandle(ImageList_GetIcon(helper->Handle(), 0, ILD_NORMAL));
    vcl::TMemoryStream stream;
    icon.SaveToStream(&stream);
    ico.assign(static_cast<uint8_t*>(stream.Memory()), static_cast<uint8_t*>(stream.Memory()) + stream.Size());
  }
  struct Case {
    const char* name;
    TsImageFormat format;
    bool keepData;
  } cases[] = {{"icon item", ifICO, true}, {"PNG item, data dropped", ifPNG, false}};
  for (const Case& c : cases) {
    auto list = AlphaMakeList(4, 4, c.keepData);
    AddItem(list.list, c.format, c.format == ifICO ? ico : png);
    list->GenerateIcons();
    EXPECT_EQ(list->Items()->Count(), c.keepData ? 1 : 0) << c.name;
    auto canvas = Canvas(6, 6);
    vcl::TBitmap target;
    target.Assign(canvas.get());
    list->Draw(target.Canvas(), 1, 2, 0);
    GdiFlush();
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= 1 && x < 5 && y >= 2 && y < 6;
        const Rgba& p = pixels[size_t(inside ? (y - 2) * 4 + (x - 1) : 0)];
        const uint8_t* under = AlphaAt(canvas.get(), x, y);
        const uint8_t expected[3] = {inside ? p.b : under[0], inside ? p.g : under[1], inside ? p.r : under[2]};
        EXPECT_EQ(std::memcmp(AlphaAt(&target, x, y), expected, 3), 0) << c.name << " at " << x << "," << y;
      }
  }
}

TEST(AlphaImageList, ImagesAddedDirectlyBecomeOpaqueExceptTheKeyColour) {
  auto list = AlphaMakeList(2, 2);
  AddItem(list.list, ifPNG, PngOf(2, 2, std::vector<Rgba>(4, Rgba{1, 2, 3, 128})));
  list->GenerateIcons();
  vcl::TBitmap plain;
  plain.SetPixelFormat(vcl::pf24bit);
  plain.SetSize(2, 2);
  for (int y = 0; y < 2; ++y) std::memset(plain.ScanLine(y), 0x40, 6);
  uint8_t* key = static_cast<uint8_t*>(plain.ScanLine(1));
  key[0] = 0xFF, key[1] = 0x00, key[2] = 0xFF;
  list->Add(&plain, nullptr);  // straight into the platform list: the list takes its alpha
  ASSERT_EQ(list->Count(), 2);
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf32bit);
  image.SetSize(2, 2);
  ASSERT_TRUE(list->GetImageBitmap(1, &image));
  EXPECT_EQ(AlphaAt(&image, 1, 0)[3], 255);
  EXPECT_EQ(AlphaAt(&image, 0, 1)[3], 0);
  // The PNG's own alpha is left as it was.
  ASSERT_TRUE(list->GetImageBitmap(0, &image));
  EXPECT_EQ(AlphaAt(&image, 0, 0)[3], 128);
}

TEST(AlphaImageList, AssignCopiesTheImagesAndNoneFreesThePlatformList) {
  auto source = AlphaMakeList(4, 4);
  AddItem(source.list, ifPNG, PngOf(4, 4, Picture()));
  AddItem(source.list, ifPNG, PngOf(4, 4, std::vector<Rgba>(16, Rgba{9, 8, 7, 255})));
  source->GenerateIcons();
  for (bool keep : {true, false}) {
    auto copy = AlphaMakeList(16, 16, keep);
    copy->Assign(source.list);
    EXPECT_EQ(copy->Width(), 4);
    EXPECT_EQ(copy->Count(), 2);
    EXPECT_EQ(copy->Items()->Count(), keep ? 2 : 0);
    vcl::TBitmap image;
    image.SetPixelFormat(vcl::pf32bit);
    image.SetSize(4, 4);
    ASSERT_TRUE(copy->GetImageBitmap(1, &image));
    EXPECT_EQ(AlphaAt(&image, 3, 3)[2], 9);
  }
  source->Assign(nullptr);
  EXPECT_FALSE(source->HandleAllocated());
  vcl::TBitmap image;
  EXPECT_FALSE(source->GetImageBitmap(0, &image));
}

TEST(AlphaImageList, ItemsTravelThroughFormDataAndBuildTheIconsOnLoading) {
  auto source = AlphaMakeList(4, 4);
  source->SetName("Glyphs");
  const Bytes picture = PngOf(4, 4, Picture());
  AddItem(source.list, ifPNG, picture);
  AddItem(source.list, ifPNG, PngOf(4, 4, std::vector<Rgba>(16, Rgba{9, 8, 7, 255})));
  source->Items()->Items(1)->SetPixelFormat(vcl::pf24bit);
  source->GenerateIcons();
  vcl::TMemoryStream text;
  vcl::WriteComponent(&text, source.list);
  const std::string form(static_cast<char*>(text.Memory()), size_t(text.Size()));
  EXPECT_NE(form.find("ImgData"), std::string::npos);

  text.SetPosition(0);
  ListPtr loaded{new TsAlphaImageList(nullptr)};
  vcl::ReadComponent(&text, loaded.list);
  ASSERT_EQ(loaded->Items()->Count(), 2);
  EXPECT_EQ(loaded->Items()->Items(1)->PixelFormat(), vcl::pf24bit);
  vcl::TMemoryStream* data = loaded->Items()->Items(0)->DataStream();
  ASSERT_EQ(size_t(data->Size()), picture.size());
  EXPECT_EQ(std::memcmp(data->Memory(), picture.data(), picture.size()), 0);
  EXPECT_TRUE(loaded->IconsGenerated);
  EXPECT_EQ(loaded->Count(), 2);
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf32bit);
  image.SetSize(4, 4);
  ASSERT_TRUE(loaded->GetImageBitmap(0, &image));
  EXPECT_EQ(AlphaAt(&image, 2, 0)[3], Picture()[2].a);
}

TEST(AlphaImageList, UnreadableDataRaisesAndLeavesTheListUsable) {
  auto list = AlphaMakeList(4, 4);
  Bytes broken = PngOf(4, 4, Picture());
  broken.resize(broken.size() / 2);
  for (TsImageFormat format : {ifPNG, ifICO}) {
    list->Items()->Clear();
    AddItem(list.list, format, broken);
    EXPECT_THROW(list->GenerateIcons(), vcl::Exception) << format;
    EXPECT_FALSE(list->ChangeGuard) << format;  // later changes are still seen
  }
}

namespace {

// A list of one image of `frames` 4 x 4 frames side by side, frame f opaque in colour
// 0x10 * (f + 1) in every channel.
ListPtr FramedList(int frames) {
  auto list = AlphaMakeList(4 * frames, 4);
  std::vector<Rgba> pixels;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4 * frames; ++x) {
      const uint8_t v = uint8_t(0x10 * (x / 4 + 1));
      pixels.push_back({v, v, v, 255});
    }
  AddItem(list.list, ifPNG, PngOf(4 * frames, 4, pixels));
  list->GenerateIcons();
  return list;
}

}  // namespace

TEST(ImageListGlyphs, EachStateDrawsItsFrameAndTheLastFrameServesTheStatesBeyond) {
  struct Case {
    int frames, state, frame;
  } cases[] = {{3, 0, 0}, {3, 1, 1}, {3, 2, 2}, {4, 7, 3}, {3, -2, 0}, {1, 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frames << " frames, state " << c.state);
    auto list = FramedList(c.frames);
    auto canvas = Canvas(10, 8);
    const SIZE size = DrawImgListGlyph(list.list, canvas.get(), 3, 2, 0, c.frames, c.state, false, 0, NoTintColor);
    GdiFlush();
    EXPECT_EQ(size.cx, 4);
    EXPECT_EQ(size.cy, 4);
    // Alpha 255 shows the picture within one step of rounding.
    const int expected = 0x10 * (c.frame + 1);
    for (int y = 2; y < 6; ++y)
      for (int x = 3; x < 7; ++x) EXPECT_NEAR(AlphaAt(canvas.get(), x, y)[1], expected, 1) << x << "," << y;
    EXPECT_EQ(AlphaAt(canvas.get(), 7, 2)[1], 40) << "right of the frame the canvas stays";
  }
}

TEST(ImageListGlyphs, ADeviceContextGetsTheSameFrameBlendedOverWhatItShows) {
  auto list = FramedList(2);
  auto canvas = Canvas(10, 8);
  auto reference = Canvas(10, 8);
  DrawImgListGlyphToDC(list.list, canvas->Canvas()->Handle(), 1, 1, 0, 2, 1, false, 50, NoTintColor);
  DrawImgListGlyph(list.list, reference.get(), 1, 1, 0, 2, 1, false, 50, NoTintColor);
  GdiFlush();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x)
      for (int k = 0; k < 3; ++k) EXPECT_EQ(AlphaAt(canvas.get(), x, y)[k], AlphaAt(reference.get(), x, y)[k]) << x << "," << y;
  // Half the frame's 0x20 over the canvas: neither the one nor the other.
  EXPECT_GT(std::abs(AlphaAt(canvas.get(), 2, 2)[1] - 0x20), 2);
  EXPECT_NE(AlphaAt(canvas.get(), 2, 2)[1], AlphaAt(Canvas(10, 8).get(), 2, 2)[1]);
}
