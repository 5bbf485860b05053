// Comparison of two bitmaps' pixels for the resampling and rotation tests.
#pragma once

#include <cstdint>
#include <cstring>

#include "imaging/model/ie_bitmap.h"

namespace routines_test {

// Same size and format, and every row equal over the bytes that hold pixels (padding aside).
inline bool SamePixels(imaging::TIEBitmap* a, imaging::TIEBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat()) return false;
  const int32_t bytes = (a->Width() * a->BitCount() + 7) / 8;
  for (int32_t y = 0; y < a->Height(); ++y) {
    // Copied first: the second row access may move the first one's view of a file-backed image.
    uint8_t row[4096];
    for (int32_t x = 0; x < bytes; x += int32_t(sizeof row)) {
      const int32_t n = bytes - x < int32_t(sizeof row) ? bytes - x : int32_t(sizeof row);
      std::memcpy(row, static_cast<uint8_t*>(a->GetScanline(y)) + x, n);
      if (std::memcmp(row, static_cast<uint8_t*>(b->GetScanline(y)) + x, n) != 0) return false;
    }
  }
  return true;
}

}  // namespace routines_test
