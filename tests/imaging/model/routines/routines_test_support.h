// Small helpers the routine tests share: bitmaps made from pixel functions, and pixel reads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"

namespace routines_test {

using imaging::TIEBitmap;
using imaging::TRGB;

// An in-memory ie24RGB bitmap whose pixel (x, y) is colour(x, y).
inline std::unique_ptr<TIEBitmap> MakeRGB24(int32_t width, int32_t height,
                                            const std::function<TRGB(int32_t, int32_t)>& colour) {
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->SetLocation(imaging::ieMemory);
  bitmap->Allocate(width, height, imaging::ie24RGB);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) bitmap->SetPixel24(x, y, colour(x, y));
  return bitmap;
}

inline std::unique_ptr<TIEBitmap> MakeBitmap(int32_t width, int32_t height, imaging::TIEPixelFormat format) {
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->SetLocation(imaging::ieMemory);
  bitmap->Allocate(width, height, format);
  return bitmap;
}

inline bool BitAt(TIEBitmap* bitmap, int32_t x, int32_t y) {
  const uint8_t* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
  return (row[x >> 3] & (0x80 >> (x & 7))) != 0;
}

inline void SetBit(TIEBitmap* bitmap, int32_t x, int32_t y, bool value) {
  uint8_t* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
  if (value)
    row[x >> 3] |= uint8_t(0x80 >> (x & 7));
  else
    row[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
}

inline bool SameColour(const TRGB& a, const TRGB& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

inline TRGB Grey(uint8_t level) { return TRGB{level, level, level}; }

}  // namespace routines_test
