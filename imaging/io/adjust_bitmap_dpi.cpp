#include "imaging/io/adjust_bitmap_dpi.h"

#include <cstdint>
#include <memory>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/resample.h"
#include "imaging/params/io_params.h"

namespace imaging {

TIEBitmap* AdjustBitmapDPI(TIEBitmap* bitmap, TIOParamsVals& params, bool filtered) {
  const int32_t dpiX = params.DpiX, dpiY = params.DpiY;
  if (!bitmap || dpiX == dpiY || dpiX <= 0 || dpiY <= 0 || bitmap->Width() <= 0 || bitmap->Height() <= 0)
    return bitmap;
  // Fax modes differ by about 2; anything far beyond that is a damaged file.
  constexpr int64_t kLargestRatio = 16;
  constexpr int64_t kLargestSide = 65535;
  if (dpiX > dpiY * kLargestRatio || dpiY > dpiX * kLargestRatio) return bitmap;
  int32_t width = params.Width, height = params.Height;
  if (width <= 0 || height <= 0) return bitmap;
  int64_t newWidth = width, newHeight = height;
  if (height < width)
    newHeight = static_cast<int64_t>(static_cast<double>(height) / dpiY * dpiX);
  else
    newWidth = static_cast<int64_t>(static_cast<double>(width) / dpiX * dpiY);
  if (newWidth <= 0 || newHeight <= 0 || newWidth > kLargestSide || newHeight > kLargestSide) return bitmap;

  auto result = std::make_unique<TIEBitmap>();
  if (filtered) {
    if (!result->Allocate(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight), ie24RGB)) return bitmap;
    if (bitmap->PixelFormat() != ie24RGB) bitmap->ConvertTo(ie24RGB);
    ResampleBitmap(bitmap, result.get(), rfFastLinear, {}, nullptr);
  } else {
    if (!result->Allocate(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight), bitmap->PixelFormat()))
      return bitmap;
    ResampleNearest(bitmap, result.get(), nullptr, {});
  }
  if (height < width) {
    params.SetDpiY(dpiX);
    params.Height = static_cast<int32_t>(newHeight);
  } else {
    params.SetDpiX(dpiY);
    params.Width = static_cast<int32_t>(newWidth);
  }
  return result.release();
}

}  // namespace imaging
