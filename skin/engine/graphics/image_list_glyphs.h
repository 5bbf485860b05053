// One state frame of an image-list image, drawn where a skinned control wants its glyph: the
// image holds its frames side by side, and the frame for the control's state is taken. An
// alpha image list is blended by its per-pixel alpha; any other list draws through itself.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/runtime/win.h"

namespace skin {

// Draws frame `state` (limited to 0 .. frameCount - 1) of image `index` at (x, y) of the
// target; an alpha list's frame is reflected, faded by `blend` percent and toned with `tone`
// (NoTintColor: none) as CopyAlphaBitmap does. Returns the frame size; nothing is drawn (and
// the size is still returned) for a target of width 0 or a list without its platform list.
SIZE DrawImgListGlyph(vcl::TCustomImageList* list, vcl::TBitmap* target, int32_t x, int32_t y, int32_t index,
                      int32_t frameCount, int32_t state, bool reflected, int32_t blend, vcl::TColor tone);

// The same onto a device context, through a 24-bit copy of what lies there (with room below
// the glyph for its reflection).
SIZE DrawImgListGlyphToDC(vcl::TCustomImageList* list, HDC dc, int32_t x, int32_t y, int32_t index,
                          int32_t frameCount, int32_t state, bool reflected, int32_t blend, vcl::TColor tone);

}  // namespace skin
