// Helpers of the library bitmap's tests: bitmaps made in each location, and row bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"

namespace ie_bitmap_test {

using imaging::TIEBitmap;
using imaging::TIELocation;
using imaging::TIEPixelFormat;

inline const char* LocationName(TIELocation location) {
  switch (location) {
    case imaging::ieMemory: return "Memory";
    case imaging::ieFile: return "File";
    default: return "TBitmap";
  }
}

// An empty bitmap that will allocate in `location`: the memory threshold decides between
// memory and the temporary file.
inline std::unique_ptr<TIEBitmap> EmptyIn(TIELocation location) {
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->SetMemoryThreshold(location == imaging::ieFile ? 0 : std::numeric_limits<int64_t>::max());
  bitmap->SetLocation(location == imaging::ieTBitmap ? imaging::ieTBitmap : imaging::ieMemory);
  return bitmap;
}

inline std::unique_ptr<TIEBitmap> MakeIn(TIELocation location, int32_t width, int32_t height, TIEPixelFormat format) {
  auto bitmap = EmptyIn(location);
  bitmap->Allocate(width, height, format);
  return bitmap;
}

// A pixel as 0xRRGGBB, for comparisons that print readably.
inline uint32_t Packed(const imaging::TRGB& pixel) {
  return (uint32_t(pixel.r) << 16) | (uint32_t(pixel.g) << 8) | pixel.b;
}

// The first `count` bytes of a row.
inline std::vector<uint8_t> RowBytes(TIEBitmap& bitmap, int32_t row, int32_t count) {
  const auto* data = static_cast<const uint8_t*>(bitmap.GetScanline(row));
  return std::vector<uint8_t>(data, data + count);
}

inline void SetRowBytes(TIEBitmap& bitmap, int32_t row, const std::vector<uint8_t>& bytes) {
  std::memcpy(bitmap.GetScanline(row), bytes.data(), bytes.size());
}

// Fills every pixel byte with a pattern that depends on row and column.
inline void FillPattern(TIEBitmap& bitmap) {
  int32_t bytes = static_cast<int32_t>((int64_t(bitmap.GetWidth()) * bitmap.GetBitCount() + 7) / 8);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.GetScanline(y));
    for (int32_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(y * 31 + i * 7 + 1);
  }
}

inline bool HasPattern(TIEBitmap& bitmap) {
  int32_t bytes = static_cast<int32_t>((int64_t(bitmap.GetWidth()) * bitmap.GetBitCount() + 7) / 8);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap.GetScanline(y));
    for (int32_t i = 0; i < bytes; ++i)
      if (row[i] != static_cast<uint8_t>(y * 31 + i * 7 + 1)) return false;
  }
  return true;
}

}  // namespace ie_bitmap_test
