// Pictures and comparisons for the processing object's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/model/ie_bitmap.h"

namespace proc_test {

using namespace imaging;

// A picture whose every pixel differs from its neighbours, valid in every format (ie32f
// levels within 0 .. 1), with a palette of distinct colours for ie8p; with an alpha channel of
// its own pattern when asked.
inline void FillPicture(TIEBitmap& bitmap, bool withAlpha) {
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  if (bitmap.PixelFormat() == ie8p)
    for (int32_t i = 0; i < 256; ++i) bitmap.SetPaletteColor(i, TRGB{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bitmap.Scanline(y));
    if (bitmap.PixelFormat() == ie32f) {
      for (int32_t x = 0; x < w; ++x) reinterpret_cast<float*>(row)[x] = float((x * 7 + y * 13) % 64) / 63.0f;
      continue;
    }
    std::memset(row, 0, bitmap.RowLen());
    const int32_t bytes = int32_t((int64_t(w) * bitmap.BitCount() + 7) / 8);
    for (int32_t i = 0; i < bytes; ++i) row[i] = uint8_t((i * 37 + y * 91 + (i * y) % 11) & 0xFF);
    if (bitmap.PixelFormat() == ie1g && w % 8) row[bytes - 1] &= uint8_t(0xFF << (8 - w % 8));
  }
  if (!withAlpha) return;
  TIEBitmap* alpha = bitmap.AlphaChannel();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) alpha->SetPixel8(x, y, uint8_t((x * 29 + y * 5) % 256));
  alpha->SetFull(false);
}

// Same size, format, pixels (padding ignored), palette for ie8p, and alpha channel (presence
// and values).
inline ::testing::AssertionResult SamePicture(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
    return ::testing::AssertionFailure() << a.Width() << "x" << a.Height() << " format " << a.PixelFormat() << " vs "
                                         << b.Width() << "x" << b.Height() << " format " << b.PixelFormat();
  const int32_t bits = int32_t(int64_t(a.Width()) * a.BitCount());
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* ra = static_cast<const uint8_t*>(a.LockScanline(y));
    const uint8_t* rb = static_cast<const uint8_t*>(b.Scanline(y));
    for (int32_t i = 0; i < bits / 8; ++i)
      if (ra[i] != rb[i]) {
        a.UnlockScanline(y);
        return ::testing::AssertionFailure() << "row " << y << " byte " << i << ": " << int(ra[i]) << " vs "
                                             << int(rb[i]);
      }
    if (bits % 8) {
      const uint8_t mask = uint8_t(0xFF << (8 - bits % 8));
      if ((ra[bits / 8] & mask) != (rb[bits / 8] & mask)) {
        a.UnlockScanline(y);
        return ::testing::AssertionFailure() << "row " << y << " last bits differ";
      }
    }
    a.UnlockScanline(y);
  }
  if (a.PixelFormat() == ie8p)
    for (int32_t i = 0; i < 256; ++i) {
      const TRGB pa = a.GetPaletteColor(i), pb = b.GetPaletteColor(i);
      if (pa.r != pb.r || pa.g != pb.g || pa.b != pb.b) return ::testing::AssertionFailure() << "palette " << i;
    }
  if (a.HasAlphaChannel() != b.HasAlphaChannel()) return ::testing::AssertionFailure() << "alpha channel presence";
  if (a.HasAlphaChannel()) {
    ::testing::AssertionResult alpha = SamePicture(*a.AlphaChannel(), *b.AlphaChannel());
    if (!alpha) return ::testing::AssertionFailure() << "alpha: " << alpha.message();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace proc_test
