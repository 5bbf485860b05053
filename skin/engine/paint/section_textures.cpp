#include "skin/engine/paint/section_textures.h"

#include <algorithm>

#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/background_fill.h"
#include "skin/engine/paint/tile_grid.h"
#include "skin/engine/skin_manager.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/jpeg.h"

namespace skin {

namespace {

vcl::TRect Intersect(const vcl::TRect& a, const vcl::TRect& b) {
  return vcl::TRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
}

// Tiles w x h pieces from (sx, sy) of the source DC over the area, whole pieces while they fit
// and cut ones at the right and bottom.
void TileFrom(HDC target, const vcl::TRect& area, HDC source, int32_t sx, int32_t sy, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0) return;
  const TTileSpan span = VisibleTiles(area, DrawableBox(target), w, h);
  for (int64_t x = span.left; x < span.right; x += w)
    for (int64_t y = span.top; y < span.bottom; y += h)
      BitBlt(target, int32_t(x), int32_t(y), int32_t(std::min<int64_t>(w, span.right - x)),
             int32_t(std::min<int64_t>(h, span.bottom - y)), source, sx, sy, SRCCOPY);
}

void StretchFrom(HDC target, const vcl::TRect& area, HDC source, int32_t sx, int32_t sy, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || area.right <= area.left || area.bottom <= area.top) return;
  StretchBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, source, sx, sy, w, h,
             SRCCOPY);
}

}  // namespace

void TileGraphic(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TGraphic* graphic) {
  if (!canvas || !graphic || graphic->Width() <= 0 || graphic->Height() <= 0) return;
  const int32_t w = graphic->Width(), h = graphic->Height();
  if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(graphic)) {
    TileFrom(canvas->Handle(), rect, bitmap->Canvas()->Handle(), 0, 0, w, h);
    return;
  }
  if (!dynamic_cast<vcl::TJPEGImage*>(graphic)) return;
  HDC dc = canvas->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  const TTileSpan span = VisibleTiles(rect, DrawableBox(dc), w, h);
  for (int64_t x = span.left; x < span.right; x += w)
    for (int64_t y = span.top; y < span.bottom; y += h) canvas->Draw(int32_t(x), int32_t(y), graphic);
  RestoreDC(dc, saved);
}

void PaintTexture(vcl::TCanvas* canvas, vcl::TRect& rect, vcl::TGraphic* ownPicture, int32_t drawMode,
                  const TsMaskData& mask) {
  if (!canvas) return;
  if (ownPicture && !ownPicture->Empty()) {
    TileGraphic(canvas, rect, ownPicture);
    rect = AllCovered;
    return;
  }
  vcl::TBitmap* master = mask.Manager ? mask.Manager->MasterBitmap() : nullptr;
  const int32_t w = mask.ImageRect.right - mask.ImageRect.left, h = mask.ImageRect.bottom - mask.ImageRect.top;
  if (!master || master->Empty() || w <= 0 || h <= 0) return;
  HDC dc = canvas->Handle();
  HDC source = master->Canvas()->Handle();
  const int32_t sx = mask.ImageRect.left, sy = mask.ImageRect.top;
  const vcl::TRect r = rect;
  const auto band = [&](const vcl::TRect& b) { return Intersect(b, r); };
  const auto remainder = [](vcl::TRect left) {
    if (left.right < left.left) left.right = left.left;
    if (left.bottom < left.top) left.bottom = left.top;
    return left;
  };
  switch (drawMode) {
    case tdTile:
      TileFrom(dc, r, source, sx, sy, w, h);
      rect = AllCovered;
      break;
    case tdStretch:
      StretchFrom(dc, r, source, sx, sy, w, h);
      rect = AllCovered;
      break;
    case tdTopRow:
      TileFrom(dc, band({r.left, r.top, r.right, r.top + h}), source, sx, sy, w, h);
      rect = remainder({r.left, r.top + h, r.right, r.bottom});
      break;
    case tdLeftColumn:
      TileFrom(dc, band({r.left, r.top, r.left + w, r.bottom}), source, sx, sy, w, h);
      rect = remainder({r.left + w, r.top, r.right, r.bottom});
      break;
    case tdStretchTop:
      StretchFrom(dc, band({r.left, r.top, r.right, r.top + h}), source, sx, sy, w, h);
      rect = remainder({r.left, r.top + h, r.right, r.bottom});
      break;
    case tdStretchLeft:
      StretchFrom(dc, band({r.left, r.top, r.left + w, r.bottom}), source, sx, sy, w, h);
      rect = remainder({r.left + w, r.top, r.right, r.bottom});
      break;
    case tdBottomRow:
      TileFrom(dc, band({r.left, r.bottom - h, r.right, r.bottom}), source, sx, sy, w, h);
      rect = remainder({r.left, r.top, r.right, r.bottom - h});
      break;
    case tdRightColumn:
      TileFrom(dc, band({r.right - w, r.top, r.right, r.bottom}), source, sx, sy, w, h);
      rect = remainder({r.left, r.top, r.right - w, r.bottom});
      break;
    case tdTileAboveLastRow: {
      // Whole rows of tiles only; the strip below them keeps what it had.
      const int64_t lastTop = std::min<int64_t>(int64_t(r.bottom) - h, DrawableBox(dc).bottom);
      for (int64_t y = GridStart(r.top, DrawableBox(dc).top, h); y < lastTop; y += h)
        TileFrom(dc, {r.left, int32_t(y), r.right, int32_t(y + h)}, source, sx, sy, w, h);
      rect = AllCovered;
      break;
    }
    default:
      TileFrom(dc, band({r.right - w, r.top, r.right, r.bottom}), source, sx, sy, w, h);
      rect = band({r.right - w, r.top, r.right, r.bottom});
      break;
  }
}

void PaintMaskedTexture(vcl::TBitmap* target, vcl::TRect& rect, const TsBackgroundInfo& info, int32_t drawMode,
                        const TsMaskData& mask) {
  if (drawMode != tdTile && drawMode != tdTileAboveLastRow) return;
  const vcl::TRect r = rect;
  rect = AllCovered;
  const vcl::TRect& image = mask.ImageRect;
  const int32_t tw = (image.right - image.left) / std::max<int32_t>(mask.ImageCount, 1);
  const int32_t th = (image.bottom - image.top) / 2;
  if (!target || tw <= 0 || th <= 0) return;
  const vcl::TRect bitmapBox{0, 0, target->Width(), target->Height()};
  // Tiles of the grid from r's corner within `area`, those outside the target skipped.
  const auto lay = [&](const vcl::TRect& area) {
    const TTileSpan span = VisibleTiles(area, bitmapBox, tw, th);
    for (int64_t x = GridStart(r.left, span.left, tw); x < span.right; x += tw)
      for (int64_t y = GridStart(r.top, span.top, th); y < span.bottom; y += th)
        CopyMaskTileOnBg(vcl::TRect{int32_t(x), int32_t(y), int32_t(std::min<int64_t>(x + tw, area.right)),
                                    int32_t(std::min<int64_t>(y + th, area.bottom))},
                         image, target, mask, info);
  };
  if (drawMode == tdTile) {
    lay(r);
    return;
  }
  // Whole tiles only; the strips beside and below them show the background.
  const auto wholeEnd = [](int64_t start, int64_t end, int64_t step) {
    return end - step > start ? start + (end - step - start + step - 1) / step * step : start;
  };
  const int32_t x = int32_t(wholeEnd(r.left, r.right, tw));
  const int32_t y = x > r.left ? int32_t(wholeEnd(r.top, r.bottom, th)) : r.top;
  if (x > r.left && y > r.top) lay(vcl::TRect{r.left, r.top, x, y});
  PutBackground(target, vcl::TRect{r.left, y, r.right, r.bottom}, info);
  PutBackground(target, vcl::TRect{x, r.top, r.right, r.bottom}, info);
}

}  // namespace skin
