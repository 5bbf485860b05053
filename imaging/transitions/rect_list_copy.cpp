#include "imaging/transitions/rect_list_copy.h"

#include <algorithm>
#include <cstring>

#include "vcl/runtime/win.h"

namespace imaging {

namespace {
// The rows of a 24-bit DIB section.
struct TDibRows {
  uint8_t* bits = nullptr;
  int32_t stride = 0, width = 0, height = 0;
  bool bottomUp = true;

  bool Open(HBITMAP bitmap) {
    DIBSECTION section{};
    if (!bitmap || GetObjectW(bitmap, sizeof section, &section) != sizeof section) return false;
    if (section.dsBm.bmBitsPixel != 24 || !section.dsBm.bmBits) return false;
    bits = static_cast<uint8_t*>(section.dsBm.bmBits);
    stride = section.dsBm.bmWidthBytes;
    width = section.dsBm.bmWidth;
    height = section.dsBm.bmHeight;
    bottomUp = section.dsBmih.biHeight > 0;
    return true;
  }
  uint8_t* Row(int32_t y) const { return bits + size_t(bottomUp ? height - 1 - y : y) * stride; }
};
}  // namespace

bool CopyTargetRects(HDC frameDC, vcl::TBitmap* target, const TComplexRegion& list, int32_t w, int32_t h) {
  TDibRows frame, picture;
  if (!frame.Open(static_cast<HBITMAP>(GetCurrentObject(frameDC, OBJ_BITMAP))) || !picture.Open(target->Handle()))
    return false;
  if (frame.width < w || frame.height < h || picture.width < w || picture.height < h) return false;
  GdiFlush();
  for (const RECT& r : list.Rects()) {
    const int32_t left = std::max<int32_t>(r.left, 0), right = std::min<int32_t>(r.right, w);
    const int32_t top = std::max<int32_t>(r.top, 0), bottom = std::min<int32_t>(r.bottom, h);
    if (left >= right || top >= bottom) continue;
    const size_t offset = size_t(left) * 3, bytes = size_t(right - left) * 3;
    for (int32_t y = top; y < bottom; ++y) std::memcpy(frame.Row(y) + offset, picture.Row(y) + offset, bytes);
  }
  return true;
}

}  // namespace imaging
