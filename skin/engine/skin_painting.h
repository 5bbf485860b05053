// What a skinned control asks its parent about the background behind it, and the painters'
// entry points that take the answer. One header for the whole toolkit: form skinning and the
// controls call these signatures and adapt their own wording to them:
// - The request record's DrawIntoDC is what other layers call the "offset-wanted" flag: when
//   it is set, the asker's position (OffsetX, OffsetY) is in use and the answerer paints into
//   DC at Rect.
// - PaintSkinDataBg takes one hot flag; a pressed or checked look is a hot state.
// - PaintSlicedMask takes the mask record (a caller holding an index passes
//   Manager->Masks[index]) and the order target, rectangle, centre flag, background, mask,
//   state, corners flag.
// - FillKeyColorFromBg takes the background's origin point, not a shadow rectangle.
// - CopyBmp9Slice tiles or stretches the centre and edges by their modes.
// - CopyBorderStrips (bitmap_ops.h) takes target DC, x, y, width, height, source DC, source x,
//   source y, border width.
#pragma once

#include <cstdint>

#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TControl;
}

namespace skin {

class TsSkinManager;
class TsCommonData;
struct TsMaskData;

enum TsBackgroundKind : uint8_t { bkNone = 0, bkColor = 1, bkBitmap = 2 };

// One question to a parent (SM_ALPHACMD cmdGetBackground, lParam = its address) and its
// answer. Every field starts zeroed, so an asker never hands over stale values.
struct TsBackgroundRequest {
  vcl::TBitmap* Bitmap = nullptr;  // answer: the answerer's cached image (bkBitmap)
  int32_t Color = 0;               // answer: the colour (bkColor); may be a system colour
  // In: the asker's position in the answerer (when painting into DC). Out: the point of
  // Bitmap that lies at the answerer's own origin.
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  vcl::TRect Rect{};  // the area of DC to paint when DrawIntoDC
  TsBackgroundKind Kind = bkNone;
  bool DrawIntoDC = false;
  HDC DC = nullptr;
};

// Ask a window (by handle) or a control (through its window or, without one, its message
// dispatch) for the background. True when it answered. Otherwise, when the caller set
// DrawIntoDC, the parent is made to paint itself into DC at Rect (Rect is left shifted by the
// offsets) and Kind stays bkNone; else the answer falls back to a colour.
bool RequestWndBackground(TsBackgroundRequest& request, HWND window, bool draw);
bool RequestCtrlBackground(TsBackgroundRequest& request, vcl::TControl* control, bool draw);
// The answer as a background info: the bitmap at the offsets, or the colour resolved to RGB.
void BgRequestToBgInfo(const TsBackgroundRequest& request, TsBackgroundInfo& info);

// ---- Painters that take the background (built in the painting units) ----

// The section background of a control from its skin link into the rectangle of the target;
// `offset` is the rectangle's place within the background.
void PaintSkinDataBg(TsCommonData* link, const TsBackgroundInfo& info, bool hot, vcl::TBitmap* target,
                     vcl::TPoint offset, const vcl::TRect& rect);
// Frame `state` of the mask in nine pieces over the rectangle.
void PaintSlicedMask(vcl::TBitmap* target, const vcl::TRect& rect, bool paintCentre, const TsBackgroundInfo& info,
                     const TsMaskData& mask, int32_t state, bool cornersOnParent);
// Copies background pixels into the key-coloured pixels of the target (no mask), or where a
// corner of the mask shows the key colour.
void FillKeyColorFromBg(vcl::TBitmap* target, vcl::TBitmap* background, const vcl::TRect& rect,
                        vcl::TPoint backgroundOrigin, int32_t maskIndex, TsSkinManager* manager, int32_t cornerCode);
// Nine-part copy of the source rectangle into the target rectangle: corners copied, edges and
// centre tiled or stretched by their modes.
void CopyBmp9Slice(vcl::TBitmap* target, vcl::TBitmap* source, const vcl::TRect& targetRect, bool paintCentre,
                   int32_t centreMode, const vcl::TRect& edgeModes, const vcl::TRect& limits, const vcl::TRect& margins,
                   const vcl::TRect& sourceRect);

}  // namespace skin
