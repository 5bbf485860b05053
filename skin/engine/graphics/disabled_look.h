// The last touches a skinned control gives its cached image: the disabled look (greyed,
// blended into what lies behind it, or both) and the parent's background through the
// key-coloured corners of its border mask.
#pragma once

#include <cstdint>

#include "skin/engine/common_data.h"
#include "skin/engine/skin_types.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

enum TsDisabledKindItem : uint8_t { dkBlended = 0, dkGrayed = 1 };
// Stored as bits: 1 = dkBlended, 2 = dkGrayed. Empty: a disabled control looks enabled.
using TsDisabledKind = vcl::TEnumSet<TsDisabledKindItem, uint8_t>;

// Corners of the corner routines, as bits.
constexpr uint8_t kCornerBitTopLeft = 1, kCornerBitBottomLeft = 2, kCornerBitTopRight = 4,
                  kCornerBitBottomRight = 8, kAllCorners = 15;

// Greys the image (dkGrayed), then blends it with what lies behind it (dkBlended): 40 % of
// the image over 60 % of the background image at the info's offset plus `position`, or half
// and half with the info's fill colour, or, when that is the key colour, with the parent
// control's background colour.
void ApplyDisabledKind(vcl::TBitmap* image, TsDisabledKind kinds, vcl::TControl* parent, vcl::TPoint position,
                       TsBackgroundInfo info);

// Restores the parent's background in the selected corners (kCornerBit...) of the control's
// cached image, where its border mask in `state` shows the key colour. Nothing without a
// manager, a valid border mask, a cache or a control of at least 2 x 2.
void RestoreParentCorners(TsCommonData* link, int32_t state, uint8_t corners);
// All four corners.
void PaintTransparentCorners(TsCommonData* link, int32_t state);

// One corner of a key-colour mask: the key pixels of the mask bitmap's source rectangle
// (inclusive, clipped to the mask bitmap without moving the corner) are replaced in the cache
// at (x, y) by the parent's image (`parent.Ready`; its pixel at the cache position plus the
// offset, where it has one) or by the parent's fill colour unless that is the key colour.
void RestoreCornerKeyColor(vcl::TBitmap* cache, vcl::TBitmap* maskBitmap, int32_t x, int32_t y,
                           const vcl::TRect& sourceRect, const TsBackgroundInfo& parent);

// One corner of a mask with a mask half: the key pixels of the picture part in the source
// rectangle take the parent's image pixel (a position right of the image ends the row) or
// the parent's colour. Both rectangles are right and bottom exclusive; the copied size is the
// smaller one, clipped to the cache and the mask bitmap.
void RestoreCornerMasked(vcl::TBitmap* cache, const vcl::TRect& targetRect, const vcl::TRect& sourceRect,
                         vcl::TBitmap* maskBitmap, const TsBackgroundInfo& parent);

}  // namespace skin
