// TIcon: ICO files read, drawn with their mask, written back; icons made from handles.
#include <gtest/gtest.h>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/icon.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Patched;
using graphics_test::Pixel;
using graphics_test::Put16;
using graphics_test::Put32;
using graphics_test::StreamOf;

namespace {

// One 32-bit icon image (pixels 0x00RRGGBB): `color` on the right half; the mask leaves out
// the left half, which is black so that nothing is inverted there.
std::vector<uint8_t> IconImage(int size, uint32_t color) {
  std::vector<uint8_t> image;
  Put32(image, 40);
  Put32(image, uint32_t(size));
  Put32(image, uint32_t(2 * size));
  Put16(image, 1);
  Put16(image, 32);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) Put32(image, x < size / 2 ? 0 : color);  // alpha 0: the mask decides
  const int maskStride = ((size + 31) / 32) * 4;
  for (int y = 0; y < size; ++y)
    for (int b = 0; b < maskStride; ++b) {
      int firstX = b * 8;
      uint8_t bits = 0;
      for (int x = firstX; x < firstX + 8; ++x)
        if (x < size / 2) bits |= uint8_t(0x80 >> (x - firstX));  // 1: transparent
      image.push_back(bits);
    }
  return image;
}

std::vector<uint8_t> IconFile(const std::vector<std::pair<int, uint32_t>>& images) {
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, uint32_t(images.size()));
  std::vector<std::vector<uint8_t>> bodies;
  for (auto& [size, color] : images) bodies.push_back(IconImage(size, color));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(uint8_t(images[i].first));
    file.push_back(uint8_t(images[i].first));
    file.push_back(0);
    file.push_back(0);
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, uint32_t(bodies[i].size()));
    Put32(file, offset);
    offset += uint32_t(bodies[i].size());
  }
  for (auto& body : bodies) file.insert(file.end(), body.begin(), body.end());
  return file;
}

std::unique_ptr<TIcon> IconLoad(const std::vector<uint8_t>& file) { return graphics_test::LoadGraphic<TIcon>(file); }

void IconExpectInvalid(const std::vector<uint8_t>& file, const std::string& what) {
  graphics_test::ExpectInvalidGraphic<TIcon>(file, "Icon image is not valid", what);
}

TEST(Icon, PicksTheSystemSizeAndDrawsThroughItsMask) {
  std::vector<uint8_t> file = IconFile({{16, 0x0000FF}, {32, 0xFF0000}});
  auto icon = IconLoad(file);
  EXPECT_EQ(icon->Width(), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(icon->Height(), GetSystemMetrics(SM_CYICON));
  EXPECT_NE(icon->Handle(), nullptr);
  EXPECT_TRUE(icon->Transparent());

  auto target = MakeBitmap(32, 32, pf24bit, clLime);
  target->Canvas()->Draw(0, 0, icon.get());
  EXPECT_EQ(Pixel(*target, 24, 10), 0x0000FFu);  // red: the 32 x 32 image
  EXPECT_EQ(Pixel(*target, 4, 10), 0x00FF00u);   // left out by the mask

  // Written back as it was read.
  EXPECT_EQ(graphics_test::SaveGraphic(*icon), file);

  // A bitmap takes the icon drawn on white.
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.Assign(icon.get());
  EXPECT_EQ(bitmap.Width(), 32);
  EXPECT_EQ(Pixel(bitmap, 4, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(bitmap, 24, 10), 0x0000FFu);
}

TEST(Icon, MadeFromAHandleAndWrittenAsAFile) {
  auto color = MakeBitmap(16, 16, pf32bit, clRed);
  auto mask = MakeBitmap(16, 16, pf1bit, clBlack);  // all opaque
  ICONINFO info{TRUE, 0, 0, mask->Handle(), color->Handle()};
  HICON handle = CreateIconIndirect(&info);
  ASSERT_NE(handle, nullptr);

  TIcon icon;
  icon.SetHandle(handle);
  EXPECT_EQ(icon.Handle(), handle);
  EXPECT_EQ(icon.Width(), 16);
  auto again = IconLoad(graphics_test::SaveGraphic(icon));
  auto target = MakeBitmap(16, 16, pf24bit, clLime);
  target->Canvas()->StretchDraw(Rect(0, 0, 16, 16), again.get());
  EXPECT_EQ(Pixel(*target, 8, 8), 0x0000FFu);

  TIcon copy;
  copy.Assign(&icon);
  EXPECT_NE(copy.Handle(), nullptr);
  EXPECT_NE(copy.Handle(), icon.Handle());

  HICON released = icon.ReleaseHandle();
  EXPECT_EQ(released, handle);
  EXPECT_TRUE(icon.Empty());
  DestroyIcon(released);
}

TEST(Icon, ReleasedHandleOfAFileIsMadeAgain) {
  auto icon = IconLoad(IconFile({{32, 0x00FF00}}));
  HICON first = icon->ReleaseHandle();
  EXPECT_FALSE(icon->Empty());
  EXPECT_NE(icon->Handle(), nullptr);
  DestroyIcon(first);
}

TEST(Icon, SizeAndClipboardAreRefused) {
  TIcon icon;
  try {
    icon.SetWidth(10);
    FAIL() << "no exception";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), "Cannot change the size of an icon");
  }
  UINT format;
  HANDLE data;
  HPALETTE palette;
  try {
    icon.SaveToClipboardFormat(format, data, palette);
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Clipboard does not support Icons");
  }
}

TEST(Icon, MalformedFilesRaiseAndKeepTheOldIcon) {
  std::vector<uint8_t> file = IconFile({{16, 0x0000FF}});
  for (size_t length = 0; length < file.size(); length += (length < 60 ? 1 : 97))
    IconExpectInvalid(std::vector<uint8_t>(file.begin(), file.begin() + length), "cut at " + std::to_string(length));

  const graphics_test::FieldPatch cases[] = {
      {"a cursor", 2, 2, 2},
      {"no images", 4, 0, 2},
      {"reserved", 0, 1, 2},
      {"image offset inside the directory", 18, 8, 4},
      {"image past the end", 18, 5000, 4},
      {"image size 0", 14, 0, 4},
      {"header size", 22, 8, 4},
      {"image width 0", 26, 0, 4},
      {"image height huge", 30, 100000, 4},
      {"bit count 7", 36, 7, 2},
      {"compressed image", 38, BI_RLE8, 4},
      {"rows past the image", 26, 200, 4},
  };
  for (const graphics_test::FieldPatch& patch : cases) IconExpectInvalid(Patched(file, patch), patch.name);

  auto icon = IconLoad(file);
  HICON before = icon->Handle();
  auto stream = StreamOf({0, 0, 2, 0, 1, 0});
  EXPECT_THROW(icon->LoadFromStream(stream.get()), EInvalidGraphic);
  EXPECT_EQ(icon->Handle(), before);
}

}  // namespace
