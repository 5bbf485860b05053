// The transparent (key-coloured) pixel runs in the corners of a border mask, collected as
// one-row rectangles so that a window region can leave them out.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/engine/skin_model.h"
#include "vcl/graphics/canvas.h"

namespace skin {

using TAOR = std::vector<vcl::TRect>;

// Appends the key-coloured runs of the mask's top (or, with `bottom`, its bottom) margin rows
// in its left corner (columns 0 .. WL - 1) and its right corner (the last WR columns of the
// first frame, moved to the right end of a region `regionWidth` wide). The runs of margin row
// r lie in row y0 + r. Margins reaching past the picture are read only as far as the picture
// goes. The picture is the mask's own image, else its manager's master image.
void CollectCornerRects(TAOR& rects, int32_t regionWidth, const TsMaskData& mask, bool bottom, int32_t y0);

// A window region: the rectangle width x height at (x, y) without the rectangles, which are
// relative to its top left. The caller owns the region.
HRGN RegionWithoutRects(int32_t x, int32_t y, int32_t width, int32_t height, const TAOR& rects);

}  // namespace skin
