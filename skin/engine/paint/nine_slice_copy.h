// The nine-part copy of one bitmap into another: corners as they are, edges and centre tiled
// or stretched, used for frames and skin pictures that must fit any size.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin {

// How an edge or the centre covers its area.
enum : int32_t { nsTile = 0, nsStretch = 1 };

// Copies `sourceRect` of `source` into `targetRect` of `target`: the corners of `margins`
// size unchanged, the edges by their mode in `edgeModes` (Left, Top, Right, Bottom; other
// values paint nothing), and the centre by `centreMode` when `fillCentre` is set. `limits`
// thin the painted edge bands: an edge is min(margin, limit) thick and the corners keep their
// full size only along the outer band. A middle part of no size lays nothing, and nothing is
// drawn outside the target rectangle.
void CopyBmp9Slice(vcl::TBitmap* target, vcl::TBitmap* source, const vcl::TRect& targetRect, bool fillCentre,
                   int32_t centreMode, const vcl::TRect& edgeModes, const vcl::TRect& limits,
                   const vcl::TRect& margins, const vcl::TRect& sourceRect);

}  // namespace skin
