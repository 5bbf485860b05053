// Textures of section backgrounds: a bitmap or JPEG picture tiled over a rectangle, and a
// texture cut from the skin's master image laid by its draw mode.
#pragma once

#include <cstdint>

#include "skin/engine/skin_model.h"
#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/graphic.h"

namespace skin {

// The uncovered rectangle of a texture painter that covered all of it.
constexpr vcl::TRect AllCovered{-1, -1, -1, -1};
inline bool IsAllCovered(const vcl::TRect& r) { return r.right == -1; }

// Draw modes of a texture from the master image.
enum : int32_t {
  tdTile = 0,
  tdStretch = 1,
  tdTopRow = 2,
  tdLeftColumn = 3,
  tdStretchTop = 4,
  tdStretchLeft = 5,
  tdBottomRow = 6,
  tdRightColumn = 7,
  tdTileAboveLastRow = 10,
};

// Tiles a bitmap or JPEG picture over the rectangle from its top-left corner, the last row and
// column cut. Other graphics, empty ones and nil draw nothing.
void TileGraphic(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TGraphic* graphic);

// Covers part of `rect` with a texture and leaves in it the part still uncovered (AllCovered
// when nothing is left). An own picture that is not empty is tiled over all of it. Otherwise
// the mask's whole image rectangle in its manager's master image is laid by `drawMode`; bands
// are kept inside the rectangle. Without a picture nothing is painted and the rectangle stays.
void PaintTexture(vcl::TCanvas* canvas, vcl::TRect& rect, vcl::TGraphic* ownPicture, int32_t drawMode,
                  const TsMaskData& mask);

// Tiles a texture whose image holds a picture over its transparency mask (one frame wide, half
// the image high) over `rect`, each tile through CopyMaskTileOnBg with `info` as what lies
// behind (its image read at info.X + x, info.Y + y for target pixel x, y). Mode 0 covers the
// whole rectangle, the last column and row cut. Mode 10 lays whole tiles only and fills the
// strips right of and below them from the background. Both leave `rect` AllCovered; other
// modes paint nothing and leave it as it is.
void PaintMaskedTexture(vcl::TBitmap* target, vcl::TRect& rect, const TsBackgroundInfo& info, int32_t drawMode,
                        const TsMaskData& mask);

}  // namespace skin
