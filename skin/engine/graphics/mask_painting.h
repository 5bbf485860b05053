// Putting skin masks on bitmaps: one state of a mask stretched over a rectangle in nine
// pieces, one state as a glyph at its natural size, and the parent's background let through
// the key-coloured corners of a frame.
#pragma once

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_model.h"
#include "skin/engine/skin_painting.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin {

// Fade modes of the glyph painters: 1 paints the glyph as it is; any other value paints its
// faded look (the mask half lets 100 more of the target through, a key-colour glyph is mixed
// half and half with the target).
constexpr int kGlyphNormal = 1;

// Copies the source rectangle of the mask's bitmap (inclusive) onto the target at the target
// rectangle's top-left, clipped to both bitmaps. A key-colour mask (type 0) skips its key
// pixels. A mask with a mask half blends each channel over the target by the mask pixel the
// frame height below (raised by 100 when faded), skipping key pixels; 32-bit targets get
// alpha 255 where written. Only 24-bit sources and 24- or 32-bit targets are painted.
void CopyGlyphThroughMask(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                          const TsMaskData& mask, int fadeMode, vcl::TBitmap* source);

// Paints frame `state` of the mask (the last one beyond it) with its top-left corner at
// `point`, at its natural size; what lies left of or above the target is cut off. Key-colour
// glyphs of the master image show the background through their key pixels, or, faded, are
// mixed half and half with the target; own-image masks and masks with a mask half go through
// CopyGlyphThroughMask.
void PaintMaskGlyph(vcl::TBitmap* target, vcl::TPoint point, int32_t state, const TsBackgroundInfo& info,
                    const TsMaskData& mask, int fadeMode);

// One tile of a mask with a mask half (source rectangle in the mask's image, right and bottom
// exclusive) onto the 24-bit target's rectangle: the picture blends over the target by its
// mask half; key pixels take the background (its image at the info's offset, or its fill
// colour unless that is the key colour). Clipped to the target, the mask image and the
// background image.
void CopyMaskTileOnBg(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                      const TsMaskData& mask, const TsBackgroundInfo& info);

// Corner codes of FillKeyColorFromBg: which corner of the mask's first frame is tested.
constexpr int kCornerTopLeft = 13;
constexpr int kCornerTopRight = 14;
constexpr int kCornerBottomLeft = 16;
constexpr int kCornerBottomRight = 17;

// PaintSlicedMask and FillKeyColorFromBg are declared with the other painters in
// skin_painting.h. FillKeyColorFromBg copies background pixels (from the origin on) into the
// 32-bit target's rectangle where the target shows the key colour (mask index -1) or where the
// chosen corner of the mask does (any other code counts as top-left); everything is clipped
// to the three bitmaps, and other formats are left alone.

}  // namespace skin
