// Skinned borders of windowed controls: a border mask painted over a control's image, with
// the key-coloured pixels of its corners cut out of the control's window region.
#pragma once

#include "skin/engine/common_data.h"
#include "skin/engine/skin_model.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

namespace skin {

// Paints the border of a control into its cache around D and returns the inner rectangle left
// for the client area. The border mask (with the parent's background in its corners, and
// behind it for masks with a mask half) is widened to `borderWidth` with the control's
// background colour; the border strips then go to `dc` unless it is the cache's own. Without
// a border mask a solid frame of `borderWidth` is painted straight on `dc` and `inner` is
// left as it was.
void PaintSkinnedBorder(HDC dc, const vcl::TRect& rect, int32_t borderWidth, int32_t state, TsCommonData* link,
                        vcl::TRect& inner);

// Paints frame `state` of the mask over the whole 24-bit `target` in nine pieces: corners
// at their size (margins shrunk to a small target), edges and centre tiled, or stretched
// when the mask's draw mode asks for it and it has no mask half. Key-coloured corner pixels
// stay unpainted and are removed from `region` (may be 0). The centre is painted only with
// `paintCentre` and draw-mode value 4. Targets below 2 x 2 are left alone.
void PaintMaskBorderRgn(vcl::TBitmap* target, HRGN region, bool paintCentre, int state, const TsMaskData& mask);

// One piece: the source rectangle of the mask's image (inclusive) onto the target rectangle
// (inclusive), clipped to both bitmaps. A mask half (mask type 1) blends the piece over the
// target. With `corner`, key-coloured pixels are skipped and each run of them in a row is
// removed from `region`; without it every pixel is painted.
void CopyMaskPieceRgn(int targetLeft, int targetTop, int targetRight, int targetBottom, int sourceLeft,
                      int sourceTop, int sourceRight, int sourceBottom, bool corner, const TsMaskData& mask,
                      HRGN region, vcl::TBitmap* target);

}  // namespace skin
