// The nine-part copy of one bitmap into another: corners as they are, edges and centre tiled
// or stretched, used for frames and skin pictures that must fit any size.
#pragma once

#include <cstdint>

#include "skin/engine/skin_painting.h"

namespace skin {

// How an edge or the centre covers its area.
enum : int32_t { nsTile = 0, nsStretch = 1 };

// CopyBmp9Slice (declared with the other painters in skin_painting.h) copies `sourceRect` of
// `source` into `targetRect` of `target`: the corners of `margins` size unchanged, the edges by
// their mode in `edgeModes` (Left, Top, Right, Bottom; other values paint nothing), and the
// centre by `centreMode` when the centre flag is set. `limits` thin the painted edge bands: an
// edge is min(margin, limit) thick and the corners keep their full size only along the outer
// band. A middle part of no size lays nothing, and nothing is drawn outside the target
// rectangle.

}  // namespace skin
