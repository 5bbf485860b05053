#include "imaging/proc/routines/nearest_stretch.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/bit_helpers.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

namespace {

// Sets a bitmap's access mode for the duration of a routine and restores it afterwards.
class AccessScope {
 public:
  AccessScope(TIEBitmap* bitmap, uint8_t access) : bitmap_(bitmap), saved_(bitmap->Access()) {
    bitmap->SetAccess(access);
  }
  ~AccessScope() { bitmap_->SetAccess(saved_); }
  AccessScope(const AccessScope&) = delete;
  AccessScope& operator=(const AccessScope&) = delete;

 private:
  TIEBitmap* bitmap_;
  uint8_t saved_;
};

// Bytes of the unit copied per pixel; 0 for 1-bit rows and for formats copied not at all.
int32_t UnitBytes(TIEPixelFormat format) {
  switch (format) {
    case ie8p: case ie8g: return 1;
    case ie16g: return 2;
    case ie24RGB: case ieCIELab: return 3;
    case ie32f: case ieCMYK: case ie32RGB: return 4;
    case ieRGB48: return 6;
    default: return 0;
  }
}

}  // namespace

TIEBitmap* ResampleNearest(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender, const TIEProgressEvent& progress) {
  const TIEPixelFormat format = source->GetPixelFormat();
  const int32_t sourceWidth = source->GetWidth(), sourceHeight = source->GetHeight();
  const int32_t destWidth = dest->GetWidth(), destHeight = dest->GetHeight();
  if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) return dest;
  const int32_t unit = UnitBytes(format);
  if (unit == 0 && format != ie1g) return dest;
  // Rows of another format would be too short for the units copied into them.
  if (dest->GetPixelFormat() != format && !dest->Allocate(destWidth, destHeight, format)) return dest;

  AccessScope reading(source, 1), writing(dest, 2);
  std::vector<int32_t> columns(destWidth);
  const double columnRatio = double(sourceWidth) / destWidth, rowRatio = double(sourceHeight) / destHeight;
  for (int32_t i = 0; i < destWidth; ++i) columns[i] = static_cast<int32_t>(std::trunc(columnRatio * i));

  int32_t lastReported = -1;
  for (int32_t j = 0; j < destHeight; ++j) {
    const int32_t sourceRow = static_cast<int32_t>(std::trunc(rowRatio * j));
    const uint8_t* from = static_cast<const uint8_t*>(source->GetScanline(sourceRow));
    uint8_t* to = static_cast<uint8_t*>(dest->GetScanline(j));
    if (format == ie1g) {
      for (int32_t i = 0; i < destWidth; ++i) SetBitInBuffer(to, i, GetBitFromBuffer(from, columns[i]) != 0);
    } else {
      for (int32_t i = 0; i < destWidth; ++i) std::memcpy(to + int64_t(i) * unit, from + int64_t(columns[i]) * unit, unit);
    }
    if (progress) {
      const int32_t percent = static_cast<int32_t>(std::trunc(j * 100.0 / (destHeight + 0.5)));
      if (percent != lastReported) {
        lastReported = percent;
        progress(sender, percent);
      }
    }
  }
  if (format == ie8p) source->CopyPaletteTo(dest);
  return dest;
}

}  // namespace imaging
