// Tiling over large rectangles: only the tiles that can show are laid, so a rectangle far
// larger than its target costs no more than the target itself.
#pragma once

#include <algorithm>
#include <cstdint>

#include "vcl/graphics/canvas.h"

namespace skin {

// The first line of a grid laid from `start` in steps of `step` (> 0) at or before `from`,
// never before `start`.
inline int64_t GridStart(int64_t start, int64_t from, int64_t step) {
  return from <= start ? start : start + (from - start) / step * step;
}

// The part of `area` whose tiles (laid from its top-left corner in steps of w x h) reach into
// `visible`: left and top moved to the first such tile, right and bottom cut at the visible
// edges. Empty when nothing shows.
struct TTileSpan {
  int64_t left, top, right, bottom;
  bool Empty() const { return right <= left || bottom <= top; }
};
inline TTileSpan VisibleTiles(const vcl::TRect& area, const vcl::TRect& visible, int32_t w, int32_t h) {
  return TTileSpan{GridStart(area.left, visible.left, w), GridStart(area.top, visible.top, h),
                   std::min<int64_t>(area.right, visible.right), std::min<int64_t>(area.bottom, visible.bottom)};
}

// What can be drawn on a DC: its clip box.
inline vcl::TRect DrawableBox(HDC dc) {
  vcl::TRect box{0, 0, 0, 0};
  GetClipBox(dc, &box);
  return box;
}

}  // namespace skin
