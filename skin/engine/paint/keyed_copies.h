// Copies of skin pictures with their three kinds of transparency: the key colour (fuchsia),
// a mask half stored below the picture (white lets the target show, black the picture) and
// per-pixel alpha. Transparent pixels keep the target, or take the background that lies
// behind the control (TsBackgroundInfo) where a copy is asked to fill from it.
//
// Every copy is clipped to both bitmaps: pixels that would fall outside either are skipped.
// Bitmaps other than 24- or 32-bit draw nothing. In a 32-bit target, pixels filled from the
// background or from the fill colour get alpha 255.
#pragma once

#include <cstdint>

#include "skin/engine/skin_model.h"
#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace skin {

// The tint colour of CopyAlphaBitmap that means no tint.
constexpr vcl::TColor NoTintColor = 0x1FFFFFFF;

// Mixes of one byte: m = 0 shows the picture, 255 nearly keeps the target; alpha 0 keeps the
// target, 255 nearly shows the picture.
inline uint8_t MaskMix(int32_t picture, int32_t target, int32_t mask) {
  return static_cast<uint8_t>((picture * 256 + (target - picture) * mask) >> 8);
}
inline uint8_t AlphaMix(int32_t picture, int32_t target, int32_t alpha) {
  return static_cast<uint8_t>((target * 256 + (picture - target) * alpha) >> 8);
}

// A 24-bit picture whose mask lies in the lower half of the source bitmap (mask row =
// source height div 2 + picture row), or a 32-bit picture with alpha, onto the target
// rectangle. With the background ready, key pixels are filled from it when `fillFromBg` is set
// and left otherwise; without it every pixel is mixed.
void CopyTransparentOnBg(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                         bool fillFromBg, const TsBackgroundInfo& info, vcl::TBitmap* source);

// A picture with alpha (converted to 32 bits when it is not) onto the target, its opacity
// lowered by `blendPercent`, optionally tinted (grey level times the tint colour) and
// mirrored below the target rectangle as a fading reflection.
void CopyAlphaBitmap(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                     bool reflection, int32_t blendPercent, vcl::TColor tint, bool fillFromBg,
                     const TsBackgroundInfo& info, vcl::TBitmap* source);

// One piece of a skin mask: the picture at `sourceRect`, its mask (image rectangle height
// div 2) rows below in the same bitmap.
void CopyMaskPiece(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                   const TsMaskData& mask, bool fillFromBg, const TsBackgroundInfo& info, vcl::TBitmap* source);

// The whole source at (x, y), pixels of the key colour skipped.
void CopyWithKeyColor(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, vcl::TColor key, int32_t y);

// The source rectangle (right and bottom inclusive, clipped to the source) at (x, y). Key
// pixels take the background when `fillFromBg` is set and the background is ready (unless the
// target is the background itself), stay when only the background is ready, and take the
// fill colour otherwise. A 32-bit source is compared with the key as one 32-bit value.
void CopyKeyedRect(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, bool fillFromBg,
                   const TsBackgroundInfo& info, vcl::TColor key, vcl::TRect sourceRect, int32_t y);

// The source rectangle (inclusive, clipped) at (x, y), key pixels skipped; `info` is not used.
void CopyKeyedRect24(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, const TsBackgroundInfo& info,
                     vcl::TColor key, vcl::TRect sourceRect, int32_t y);

}  // namespace skin
