#include "imaging/model/routines/nearest_stretch.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/access_scope.h"

namespace imaging {

TIEBitmap* ResampleNearest(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender, const TIEProgressEvent& progress) {
  const TIEPixelFormat format = source->GetPixelFormat();
  const int32_t sourceWidth = source->GetWidth(), sourceHeight = source->GetHeight();
  const int32_t destWidth = dest->GetWidth(), destHeight = dest->GetHeight();
  if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) return dest;
  // Whole bytes per pixel for every format but ie1g, whose bits are copied one by one.
  const int32_t unit = IEBytesPerPixel(format);
  if (unit == 0 && format != ie1g) return dest;
  // Rows of another format would be too short for the units copied into them.
  if (dest->GetPixelFormat() != format && !dest->Allocate(destWidth, destHeight, format)) return dest;

  TIEAccessScope reading(source, 1), writing(dest, 2);
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
