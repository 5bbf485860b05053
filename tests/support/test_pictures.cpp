#include "tests/support/test_pictures.h"

#include <algorithm>
#include <cstring>

namespace test_pictures {

using namespace imaging;

std::unique_ptr<TIEBitmap> Gradient(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      bitmap->SetPixel24(x, y, MakeRGB(uint8_t(x * 255 / std::max(w - 1, 1)), uint8_t(y * 255 / std::max(h - 1, 1)),
                                       uint8_t((x * 7 + y * 13) & 0xFF)));
  return bitmap;
}

std::unique_ptr<TIEBitmap> FewColours(int32_t w, int32_t h, int32_t colours) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int32_t c = (x / 3 + y) % colours;
      bitmap->SetPixel24(x, y, MakeRGB(uint8_t(c * 37), uint8_t(255 - c * 11), uint8_t(c * 91)));
    }
  return bitmap;
}

std::unique_ptr<TIEBitmap> Smooth(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      bitmap->SetPixel24(x, y, MakeRGB(uint8_t(x * 255 / (w - 1)), uint8_t(y * 255 / (h - 1)), 128));
  return bitmap;
}

std::unique_ptr<TIEBitmap> Converted(std::unique_ptr<TIEBitmap> source, TIEPixelFormat format) {
  auto bitmap = std::make_unique<TIEBitmap>(source->Width(), source->Height(), format);
  bitmap->CopyAndConvertFormat(source.get());
  return bitmap;
}

std::unique_ptr<TIEBitmap> Checker1Bit(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie1g);
  for (int32_t y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
    std::memset(row, 0, size_t(bitmap->GetRowLen()));
    for (int32_t x = 0; x < w; ++x)
      if (((x / 5) + (y / 3)) % 2 == 0 || x == y) row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
  return bitmap;
}

}  // namespace test_pictures
