// Making bitmaps and reading or writing their pixels in the skin engine's tests.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin_test {

// An uninitialised bitmap of the given format and size.
inline std::unique_ptr<vcl::TBitmap> MakeBitmap(vcl::TPixelFormat format, int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  return bitmap;
}

// Bytes per pixel of a 24- or 32-bit bitmap.
inline int BytesPerPixel(vcl::TBitmap* bitmap) { return bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3; }

// The first byte (blue) of pixel (x, y) of a 24- or 32-bit bitmap.
inline uint8_t* PixelAddress(vcl::TBitmap* bitmap, int x, int y) {
  return static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * BytesPerPixel(bitmap);
}

// Pixel (x, y) of a 24-bit bitmap as a colour value, red in the low byte.
inline uint32_t ColourAt24(vcl::TBitmap* bitmap, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + 3 * x;
  return p[2] | p[1] << 8 | p[0] << 16;
}

// Pixel (x, y) of a 24-bit bitmap as it is stored, blue in the low byte.
inline uint32_t StoredAt24(vcl::TBitmap* bitmap, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + 3 * x;
  return p[0] | p[1] << 8 | p[2] << 16;
}

// Sets pixel (x, y) of a 24-bit bitmap from its stored value, blue in the low byte.
inline void PutStored24(vcl::TBitmap* bitmap, int x, int y, uint32_t value) {
  uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + 3 * x;
  p[0] = uint8_t(value), p[1] = uint8_t(value >> 8), p[2] = uint8_t(value >> 16);
}

inline bool SameRect(const vcl::TRect& a, const vcl::TRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace skin_test
