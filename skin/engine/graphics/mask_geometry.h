// What the mask painters share: where a mask's pixels are, how its margins give way to a
// small target, how a piece is tiled along a span.
#pragma once

#include <cstdint>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_model.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// The mask's own image, else its manager's master image; nullptr when it has neither.
vcl::TBitmap* MaskBitmap(const TsMaskData& mask);

// Margins that no longer fit a target of `size` give way evenly, the far one taking the odd
// pixel: 10 and 10 become 8 and 7 for 15 pixels, 8 and 8 for 16. The two never overlap or
// leave a gap, and neither goes below 0.
void ShrinkMargins(int32_t size, int32_t& nearMargin, int32_t& farMargin);

// Lays `piece`-long copies along [start, end): whole ones while one fits, then one cut to
// the space left. A piece of length 0 or less lays nothing (and cannot loop).
template <typename Lay>
void TileSpan(int32_t start, int32_t end, int32_t piece, Lay lay) {
  if (piece <= 0) return;
  int32_t at = start;
  for (; end - at >= piece; at += piece) lay(at, piece);
  if (at < end) lay(at, end - at);
}

}  // namespace skin
