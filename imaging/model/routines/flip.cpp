#include "imaging/model/routines/flip.h"

#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/work_buffers.h"

namespace imaging {

namespace {

void FlipUpsideDown(TIEBitmap* bitmap) {
  const int32_t h = bitmap->Height();
  const auto rowLen = static_cast<size_t>(bitmap->RowLen());
  std::vector<uint8_t> swap(rowLen);
  const TLockedRows rows(bitmap);
  for (int32_t top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
    std::memcpy(swap.data(), rows[top], rowLen);
    std::memcpy(rows[top], rows[bottom], rowLen);
    std::memcpy(rows[bottom], swap.data(), rowLen);
  }
}

void MirrorBitRow(uint8_t* row, int32_t width, std::vector<uint8_t>& scratch) {
  const auto bytes = static_cast<size_t>((width + 7) / 8);
  scratch.assign(row, row + bytes);
  std::memset(row, 0, bytes);
  for (int32_t x = 0; x < width; ++x)
    if (GetBitFromBuffer(scratch.data(), x)) SetBitInBuffer(row, width - 1 - x, true);
}

void MirrorPixelRow(uint8_t* row, int32_t width, int32_t bytesPerPixel) {
  uint8_t pixel[16];
  for (int32_t left = 0, right = width - 1; left < right; ++left, --right) {
    uint8_t* a = row + size_t(left) * bytesPerPixel;
    uint8_t* b = row + size_t(right) * bytesPerPixel;
    std::memcpy(pixel, a, bytesPerPixel);
    std::memcpy(a, b, bytesPerPixel);
    std::memcpy(b, pixel, bytesPerPixel);
  }
}

void FlipLeftRight(TIEBitmap* bitmap) {
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const TIEPixelFormat format = bitmap->PixelFormat();
  const int32_t bytesPerPixel = IEBytesPerPixel(format);
  std::vector<uint8_t> scratch;
  TIEAccessScope access(bitmap, 3);
  for (int32_t y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
    if (format == ie1g)
      MirrorBitRow(row, w, scratch);
    else
      MirrorPixelRow(row, w, bytesPerPixel);
  }
}

}  // namespace

void FlipBitmap(TIEBitmap* bitmap, int32_t direction) {
  if (!bitmap || bitmap->IsEmpty()) return;
  if (direction != kFlipLeftRight && direction != kFlipUpsideDown) return;
  if (bitmap->PixelFormat() != ie1g && IEBytesPerPixel(bitmap->PixelFormat()) == 0) return;
  if (direction == kFlipUpsideDown)
    FlipUpsideDown(bitmap);
  else
    FlipLeftRight(bitmap);
  if (bitmap->HasAlphaChannel()) FlipBitmap(bitmap->GetAlphaChannel(), direction);
}

}  // namespace imaging
