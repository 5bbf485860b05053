#include "imaging/model/routines/dib_export.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/bit_runs.h"

namespace imaging {

namespace {

constexpr double kInchesPerMetre = 39.3700787;
// The header and the spare bytes the block has always carried after the rows.
constexpr int64_t kHeaderAndSpare = 44;

int32_t PixelsPerMetre(int32_t dpi) {
  const double value = std::trunc(dpi * kInchesPerMetre);
  return value > 2147483647.0 ? std::numeric_limits<int32_t>::max()
                              : (value < -2147483648.0 ? std::numeric_limits<int32_t>::min() : int32_t(value));
}

// Unlocks a locked global block when the export leaves.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL block) : block_(block), data_(static_cast<uint8_t*>(GlobalLock(block))) {}
  ~LockedBlock() {
    if (data_) GlobalUnlock(block_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  uint8_t* Data() const { return data_; }

 private:
  HGLOBAL block_;
  uint8_t* data_;
};

}  // namespace

HGLOBAL _CopyBitmaptoDIBEx(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t dpiX,
                           int32_t dpiY) {
  if (!bitmap) return nullptr;
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  // An empty bitmap gives a DIB of its header (and colour table) alone, 0 by 0 pixels, so that a
  // caller always gets a block it can hand on.
  const bool empty = bitmap->IsEmpty();
  if (!empty && format != ie1g && format != ie8p && format != ie8g && format != ie24RGB) {
    TIEBitmap converted;
    converted.CopyWithoutAlpha(bitmap);
    converted.SetPixelFormat(ie24RGB);
    if (converted.GetPixelFormat() != ie24RGB) return nullptr;
    return _CopyBitmaptoDIBEx(&converted, x1, y1, x2, y2, dpiX, dpiY);
  }

  int32_t w = 0, h = 0;
  if (!empty) {
    const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
    if (x2 == 0) x2 = width;
    if (y2 == 0) y2 = height;
    // A rectangle reaching outside the bitmap would read past its rows.
    x1 = IntMax(x1, 0);
    y1 = IntMax(y1, 0);
    x2 = IntMin(x2, width);
    y2 = IntMin(y2, height);
    if (x2 <= x1 || y2 <= y1) return nullptr;
    w = x2 - x1;
    h = y2 - y1;
  }
  const bool eightBit = format == ie8p || format == ie8g;
  const int32_t bitCount = format == ie1g ? 1 : (eightBit ? 8 : 24);
  const int64_t rowSize = AlignedRowSize(w, bitCount, 32);
  const int64_t tableSize = format == ie1g ? 8 : (eightBit ? 1024 : 0);
  const int64_t size = kHeaderAndSpare + tableSize + rowSize * h;
  if (size > std::numeric_limits<int32_t>::max()) return nullptr;  // beyond what a DIB header can describe

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (!block) return nullptr;
  {
    LockedBlock locked(block);
    uint8_t* data = locked.Data();
    if (!data) {
      GlobalFree(block);
      return nullptr;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biXPelsPerMeter = PixelsPerMetre(dpiX);
    header.biYPelsPerMeter = PixelsPerMetre(dpiY);
    std::memcpy(data, &header, sizeof header);

    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(data + sizeof header);
    if (format == ie1g) {
      table[0] = RGBQUAD{0, 0, 0, 0};
      table[1] = RGBQUAD{255, 255, 255, 255};
    } else if (format == ie8p) {
      for (int32_t i = 0; i < 256; ++i) {
        const TRGB c = bitmap->GetPaletteColor(i);
        table[i] = RGBQUAD{c.b, c.g, c.r, 0};
      }
    } else if (format == ie8g) {
      for (int32_t i = 0; i < 256; ++i) table[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }

    uint8_t* rows = data + sizeof header + tableSize;
    const int32_t sourceRowBytes = bitmap->GetRowLen();
    for (int32_t k = 0; k < h; ++k) {
      const uint8_t* from = static_cast<const uint8_t*>(bitmap->GetScanline(y2 - 1 - k));
      uint8_t* to = rows + rowSize * k;
      if (format == ie1g)
        // The source row is limited by its own length, not by the narrower DIB row.
        CopyBitRun(to, from, 0, x1, w, sourceRowBytes);
      else if (format == ie24RGB)
        std::memcpy(to, from + int64_t(x1) * 3, size_t(w) * 3);
      else
        std::memcpy(to, from + x1, size_t(w));
    }
  }
  return block;
}

}  // namespace imaging
