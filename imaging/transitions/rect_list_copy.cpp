#include "imaging/transitions/rect_list_copy.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

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
  std::vector<RECT> clipped;
  clipped.reserve(list.Rects().size());
  for (const RECT& r : list.Rects()) {
    const RECT c{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, w),
                 std::min<LONG>(r.bottom, h)};
    if (c.left < c.right && c.top < c.bottom) clipped.push_back(c);
  }
  // Each row's spans, merged where they touch or overlap: thin strips side by side (shredded
  // and speckled wipes) become a few long copies instead of one short copy per strip and row.
  // The spans are gathered a band of rows at a time, so that tall thin strips do not scatter
  // writes over the whole picture's worth of rows.
  constexpr int32_t Band = 32;
  std::vector<std::pair<int32_t, int32_t>> rowSpans[Band];
  for (int32_t bandTop = 0; bandTop < h; bandTop += Band) {
    const int32_t bandBottom = std::min(bandTop + Band, h);
    for (auto& spans : rowSpans) spans.clear();
    for (const RECT& c : clipped) {
      const int32_t top = std::max<int32_t>(c.top, bandTop), bottom = std::min<int32_t>(c.bottom, bandBottom);
      for (int32_t y = top; y < bottom; ++y) rowSpans[y - bandTop].emplace_back(c.left, c.right);
    }
    for (int32_t y = bandTop; y < bandBottom; ++y) {
      const auto& spans = rowSpans[y - bandTop];
      if (spans.empty()) continue;
      uint8_t* dst = frame.Row(y);
      const uint8_t* src = picture.Row(y);
      // Spans out of order (strips across and along at once) are copied as they come: sorting
      // hundreds of spans a row costs more than the copies it would save.
      if (!std::is_sorted(spans.begin(), spans.end())) {
        for (const auto& [left, right] : spans) std::memcpy(dst + left * 3, src + left * 3, size_t(right - left) * 3);
        continue;
      }
      int32_t left = spans.front().first, right = spans.front().second;
      for (const auto& span : spans) {
        if (span.first > right) {
          std::memcpy(dst + left * 3, src + left * 3, size_t(right - left) * 3);
          left = span.first;
        }
        right = std::max(right, span.second);
      }
      std::memcpy(dst + left * 3, src + left * 3, size_t(right - left) * 3);
    }
  }
  return true;
}

}  // namespace imaging
