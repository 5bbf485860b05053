// The layer compositor: every visible layer drawn into a 24-bit destination at the view's zoom
// and origin, with its opacity, render operation, filter, crop, rotation and mask, over the
// background, followed by the overlays (layer boxes and grips, dimming, selection marks, pixel
// grid). Also the off-screen composition of all layers at zoom 100.
#include <algorithm>
#include <cmath>
#include <memory>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/nearest_rotation.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

// Exchanges the pixel storage of two bitmaps (no pixels are copied).
void SwapStorage(TIEBitmap* a, TIEBitmap* b) {
  TIEBitmap spare;
  a->MoveContentTo(&spare);
  b->MoveContentTo(a);
  spare.MoveContentTo(b);
}

}  // namespace

// Inverting overlays (boxes, grid) drawn over a partly rebuilt buffer must stay inside the
// rebuilt area, or they would flip pixels that were not drawn again.
struct TOverlayClip {
  HDC dc = nullptr;
  TOverlayClip(vcl::TBitmap* bitmap, const RECT* clip) {
    if (!clip || !bitmap) return;
    dc = bitmap->Canvas()->Handle();
    IntersectClipRect(dc, clip->left, clip->top, clip->right + 1, clip->bottom + 1);
  }
  ~TOverlayClip() {
    if (dc) SelectClipRgn(dc, nullptr);
  }
};

// What the mask step of one layer leaves for its restore: the mask layer (or a temporary one
// in display mode 1) and whether the layer's alpha storage now holds the combined alpha.
struct TImageView::TMaskStep {
  TIELayer* mask = nullptr;
  std::unique_ptr<TIELayer> temporary;
  bool swapped = false;
};

// The rectangles of one layer's drawing: where it goes (client pixels) and what of its bitmap.
struct TImageView::TLayerRects {
  int32_t dx = 0, dy = 0, dw = 0, dh = 0;
  int32_t sx = 0, sy = 0, sw = 0, sh = 0;
};

// A rotated layer is drawn from a turned copy; its overrides and position stand for the copy
// while it is drawn and come back afterwards, whatever happens in between.
struct TImageView::TRotatedDraw {
  TIELayer* layer = nullptr;
  std::unique_ptr<TIEBitmap> copy;
  int32_t width = 0, height = 0, x = 0, y = 0;
  ~TRotatedDraw() {
    if (!copy) return;
    layer->Width = width;
    layer->Height = height;
    layer->PosX = x;
    layer->PosY = y;
  }
};

void TImageView::BuildFastIndexTables() {
  // Absolute destination column -> bitmap column, read from the zoom table's window.
  const int32_t w = offsetX_ + destWidth_, h = offsetY_ + destHeight_;
  fastColumns_.assign(static_cast<size_t>(std::max(w, 0)), 0);
  fastRows_.assign(static_cast<size_t>(std::max(h, 0)), 0);
  const int32_t lastX = std::max(imageWidth_ - 1, 0), lastY = std::max(imageHeight_ - 1, 0);
  for (int32_t d = 0; d < destWidth_; ++d) {
    const int32_t z = zWindowX_ + d;
    fastColumns_[offsetX_ + d] = z < static_cast<int32_t>(zTableX_.size()) ? std::min(zTableX_[z], lastX) : lastX;
  }
  for (int32_t d = 0; d < destHeight_; ++d) {
    const int32_t z = zWindowY_ + d;
    fastRows_[offsetY_ + d] = z < static_cast<int32_t>(zTableY_.size()) ? std::min(zTableY_[z], lastY) : lastY;
  }
}

int32_t TImageView::LayerClientX(int32_t x) {
  const int32_t c = BitmapToClientX(x);
  const int32_t back = ClientToBitmapX(c);
  if (back < x) return c + 1;
  if (back > x) return c - 1;
  return c;
}

int32_t TImageView::LayerClientY(int32_t y) {
  const int32_t c = BitmapToClientY(y);
  const int32_t back = ClientToBitmapY(c);
  if (back < y) return c + 1;
  if (back > y) return c - 1;
  return c;
}

bool TImageView::UsesFastPath(TIELayer* layer) const {
  return layersSync_ || (LayersCount() == 1 && layer->Width == 0 && layer->Height == 0 && layer->PosX == 0 &&
                         layer->PosY == 0);
}

TResampleFilter TImageView::LayerFilter(TIELayer* layer) const {
  if (delayedFilterCountdown_ >= 1) return rfNone;
  if (layer->Width == 0 && layer->Height == 0 && zoomX_ == 100 && zoomY_ == 100) return rfNone;
  return layer->UseResampleFilter ? layer->ResampleFilter : zoomFilter_;
}

bool TImageView::CanCompose() {
  if (ComponentState().Contains(vcl::csDesigning)) return false;
  if (ieBitmap_->Width() == 0 || ieBitmap_->Height() == 0) return false;
  if (ieBitmap_->HasAlphaChannel()) {
    TIEBitmap* alpha = ieBitmap_->GetAlphaChannel();
    if (alpha->Width() != ieBitmap_->Width() || alpha->Height() != ieBitmap_->Height()) return false;
  }
  return true;
}

void TImageView::PaintToBackBuffer(TIEBitmap* dest, TIERowAddressTable* destRows, bool drawOverlays,
                                   bool drawBackground, const RECT* clip) {
  SyncLayerSizes();
  UpdateViewRect();
  UpdateZoomTables();
  if (!CanCompose()) return;
  bool first = true;
  for (int32_t i = 0; i < LayersCount(); ++i) {
    TIELayer* layer = layers_[i].get();
    TIEBitmap* bitmap = layer->Bitmap();
    if (!layer->Visible || destWidth_ == 0 || destHeight_ == 0 || !bitmap) continue;
    if (bitmap->Width() < minLayerSize_ && bitmap->Height() < minLayerSize_) continue;

    TMaskStep mask;
    PrepareMaskStep(i, mask);
    ApplyMaskLayer(layer, mask);
    try {
      if (first && drawBackground) PaintBufferBackground(dest, clip, i, false);
      // The destination rows start out alike only over a plain solid fill.
      const bool overSolid = first && drawBackground && backgroundStyle_ == iebsSolid && !OnDrawBackground &&
                             !(wallPaper_ && wallPaper_->Graphic());
      if (UsesFastPath(layer))
        DrawLayerFast(layer, dest, destRows, clip, overSolid);
      else
        DrawLayerGeneral(i, dest, destRows, clip, overSolid);
      if (drawOverlays) DrawLayerOverlays(i, dest, clip);
    } catch (...) {
      RestoreMaskAlpha(layer, mask);
      throw;
    }
    RestoreMaskAlpha(layer, mask);
    first = false;
  }
  ApplyDisplayMode(dest);
  if (first && drawBackground) PaintBufferBackground(dest, clip, -1, true);
  if (drawOverlays) {
    vcl::TBitmap* platform = dest->GetVclBitmap();
    TOverlayClip overlayClip(platform, clip);
    DrawSelectionMarks(platform);
    DrawPixelGrid(platform);
  }
}

// The mask of a layer is the mask layer right above it (not for masks themselves, nor for
// rotated layers); in display mode 1 a layer above layer 0 without one gets an opaque mask of
// its own size, so that only its part outside layer 0 fades.
void TImageView::PrepareMaskStep(int32_t index, TMaskStep& step) {
  TIELayer* layer = layers_[index].get();
  if (index + 1 < LayersCount() && layers_[index + 1]->IsMask && !layer->IsMask && layer->Rotate() == 0)
    step.mask = layers_[index + 1].get();
  if (index > 0 && !step.mask && layersDisplayMode_ == 1) {
    TIEBitmap* bitmap = layer->Bitmap();
    auto* full = new TIEBitmap(bitmap->Width(), bitmap->Height(), ie8g);
    full->Fill(255);
    step.temporary = std::make_unique<TIELayer>(this, true, full);
    step.temporary->PosX = layer->PosX;
    step.temporary->PosY = layer->PosY;
    step.temporary->Width = layer->Width;
    step.temporary->Height = layer->Height;
    step.mask = step.temporary.get();
  }
}

// One layer at the origin, or layers all of one size: the view's own zoom-table windows are
// the renderer's index tables.
void TImageView::DrawLayerFast(TIELayer* layer, TIEBitmap* dest, TIERowAddressTable* destRows, const RECT* clip,
                               bool overSolid) {
  BuildFastIndexTables();
  layer->Bitmap()->RenderToTIEBitmapFull(dest, destRows, &fastColumns_, &fastRows_, clip, offsetX_, offsetY_,
                                         destWidth_, destHeight_, srcX_, srcY_, srcWidth_, srcHeight_,
                                         enableAlphaChannel_, overSolid, layer->Transparency, LayerFilter(layer),
                                         false, layer->Operation);
  layer->ClientAreaBox = vcl::TRect{offsetX_, offsetY_, offsetX_ + destWidth_, offsetY_ + destHeight_};
  layer->DrawnDest = {offsetX_, offsetY_, destWidth_, destHeight_};
  layer->DrawnSource = {srcX_, srcY_, srcWidth_, srcHeight_};
}

void TImageView::DrawLayerGeneral(int32_t index, TIEBitmap* dest, TIERowAddressTable* destRows, const RECT* clip,
                                  bool overSolid) {
  TIELayer* layer = layers_[index].get();
  TRotatedDraw rotated;
  TIEBitmap* source = layer->Bitmap();
  if (layer->Rotate() != 0) {
    MakeRotatedCopy(layer, rotated);
    if (rotated.copy) source = rotated.copy.get();
  } else if (index > 0 && layer->Magnify && layer->MagnifyZoom >= 1) {
    DrawMagnifier(layer, dest);
  }

  const int32_t w = layer->Width != 0 ? layer->Width : source->Width();
  const int32_t h = layer->Height != 0 ? layer->Height : source->Height();
  TLayerRects r;
  r.dx = LayerClientX(layer->PosX);
  r.dy = LayerClientY(layer->PosY);
  r.dw = LayerClientX(layer->PosX + w) - r.dx;
  r.dh = LayerClientY(layer->PosY + h) - r.dy;
  r.sw = source->Width();
  r.sh = source->Height();
  layer->ClientAreaBox = vcl::TRect{r.dx, r.dy, r.dx + r.dw, r.dy + r.dh};
  if (layer->Cropped && w > 0 && h > 0) CropToLayerZero(layer, source, w, h, r);

  // A layer shown at its own size lies on the image's pixel grid: its pixels come from the
  // view's own mapping, so that it meets layer 0, the selection, the mouse and the pixel grid
  // at every zoom. A stretched layer is scaled by its own rectangles.
  TIEIndexTable columns, rows;
  if (w == source->Width() && h == source->Height()) BuildLayerIndexTables(layer, source, r, columns, rows);
  source->RenderToTIEBitmapFull(dest, destRows, &columns, &rows, clip, r.dx, r.dy, r.dw, r.dh, r.sx, r.sy, r.sw,
                                r.sh, enableAlphaChannel_, overSolid, layer->Transparency, LayerFilter(layer), true,
                                layer->Operation);
  layer->DrawnDest = {r.dx, r.dy, r.dw, r.dh};
  layer->DrawnSource = {r.sx, r.sy, r.sw, r.sh};
}

// The layer's bitmap resampled to its shown size and turned; the corners, in client pixels,
// are kept on the layer for its grips.
void TImageView::MakeRotatedCopy(TIELayer* layer, TRotatedDraw& rotated) {
  const int32_t pw = layer->GetWidth(), ph = layer->GetHeight();
  if (pw <= 0 || ph <= 0) return;
  TIEBitmap* bitmap = layer->Bitmap();
  auto shown = std::make_unique<TIEBitmap>(pw, ph, bitmap->PixelFormat());
  ResampleBitmapWithAlpha(bitmap, shown.get(), rfNone, nullptr, nullptr);
  shown->GetAlphaChannel();
  auto copy = std::make_unique<TIEBitmap>();
  RotateBitmapInto(shown.get(), copy.get(), 0, nullptr, nullptr, layer->Rotate());
  rotated.layer = layer;
  rotated.width = layer->Width;
  rotated.height = layer->Height;
  rotated.x = layer->PosX;
  rotated.y = layer->PosY;
  layer->Width = copy->Width();
  layer->Height = copy->Height();
  rotated.copy = std::move(copy);
  POINT corners[4] = {{0, 0}, {pw, 0}, {pw, ph}, {0, ph}};
  RotatePoints(corners, 3, TruncCoordinate(pw * layer->RotateCenterX), TruncCoordinate(ph * layer->RotateCenterY),
               layer->Rotate());
  int32_t minX = corners[0].x, minY = corners[0].y;
  for (const POINT& p : corners) {
    minX = std::min<int32_t>(minX, p.x);
    minY = std::min<int32_t>(minY, p.y);
  }
  layer->PosX = rotated.x + minX;
  layer->PosY = rotated.y + minY;
  for (int k = 0; k < 4; ++k)
    layer->RotatedCorners[k] =
        vcl::TPoint{TruncCoordinate((corners[k].x + rotated.x) * zoomX_ / 100) + offsetX_ - viewX_,
                    TruncCoordinate((corners[k].y + rotated.y) * zoomY_ / 100) + offsetY_ - viewY_};
}

// A cropped layer shows only what lies over layer 0: cut on the left, top, right and bottom.
void TImageView::CropToLayerZero(TIELayer* layer, TIEBitmap* source, int32_t w, int32_t h, TLayerRects& r) {
  const int32_t w0 = layers_[0]->Bitmap()->Width(), h0 = layers_[0]->Bitmap()->Height();
  if (ClientToBitmapX(r.dx) < 0) {
    r.sx = -TruncCoordinate(static_cast<double>(source->Width()) / w * layer->PosX);
    r.sw = source->Width() - r.sx;
    r.dx = BitmapToClientX(0);
    r.dw = BitmapToClientX(layer->PosX + w) - r.dx;
  }
  if (ClientToBitmapY(r.dy) < 0) {
    r.sy = -TruncCoordinate(static_cast<double>(source->Height()) / h * layer->PosY);
    r.sh = source->Height() - r.sy;
    r.dy = BitmapToClientY(0);
    r.dh = BitmapToClientY(layer->PosY + h) - r.dy;
  }
  // A drawn width of 0 (a small layer far out) leaves the source as it is.
  const vcl::TRect& box = layer->ClientAreaBox;
  if (w0 < ClientToBitmapX(r.dx + r.dw)) {
    r.dw = BitmapToClientX(w0) - r.dx;
    if (box.right != box.left)
      r.sw = TruncCoordinate(static_cast<double>(source->Width()) / (box.right - box.left) * r.dw);
  }
  if (h0 < ClientToBitmapY(r.dy + r.dh)) {
    r.dh = BitmapToClientY(h0) - r.dy;
    if (box.bottom != box.top)
      r.sh = TruncCoordinate(static_cast<double>(source->Height()) / (box.bottom - box.top) * r.dh);
  }
}

// Destination column -> source column through the view's mapping (what ClientToBitmapX says
// the column shows, less the layer's position), for the columns the layer is drawn on.
void TImageView::BuildLayerIndexTables(TIELayer* layer, TIEBitmap* source, const TLayerRects& r,
                                       TIEIndexTable& columns, TIEIndexTable& rows) {
  const int32_t sw = source->Width(), sh = source->Height();
  if (sw <= 0 || sh <= 0 || r.dw <= 0 || r.dh <= 0) return;
  const int32_t right = r.dx + r.dw, bottom = r.dy + r.dh;
  if (right <= 0 || bottom <= 0) return;
  columns.assign(static_cast<size_t>(right), 0);
  rows.assign(static_cast<size_t>(bottom), 0);
  for (int32_t c = std::max(r.dx, 0); c < right; ++c)
    columns[c] = std::clamp(ClientToBitmapX(c) - layer->PosX, 0, sw - 1);
  for (int32_t c = std::max(r.dy, 0); c < bottom; ++c)
    rows[c] = std::clamp(ClientToBitmapY(c) - layer->PosY, 0, sh - 1);
}

void TImageView::DrawLayerOverlays(int32_t index, TIEBitmap* dest, const RECT* clip) {
  TIELayer* layer = layers_[index].get();
  vcl::TBitmap* platform = dest->GetVclBitmap();
  TOverlayClip overlayClip(platform, clip);
  if (layer->VisibleBox) {
    if (index == layersCurrent_) {
      if (mouseInteract_ & (miMoveLayers | miResizeLayers)) DrawLayerBox(platform, index);
      if ((mouseInteract_ & miResizeLayers) && !layer->Locked) DrawLayerGrips(platform, index);
      if (mouseInteract_ & miRotateLayers) DrawRotationGrip(platform, index);
    } else if (drawAllBoxes_) {
      DrawLayerBox(platform, index);
    }
  }
  if (layer->DimOutside && index == layersCurrent_) DimOutsideLayer(platform, index);
}

// The combined alpha (the layer's own alpha limited by the mask under it) is kept on the layer
// and reused until an update drops it, or until the layer's size no longer matches it.
void TImageView::ApplyMaskLayer(TIELayer* layer, TMaskStep& step) {
  TIELayer* m = step.mask;
  if (!m) return;
  TIEBitmap* bitmap = layer->Bitmap();
  TIEBitmap* saved = bitmap->GetAlphaChannel();
  TIEBitmap* cached = layer->CachedMaskAlpha();
  if (cached && (cached->Width() != saved->Width() || cached->Height() != saved->Height())) {
    layer->FreeCachedMaskAlpha();
    cached = nullptr;
  }
  if (!cached) {
    TIEBitmap* mb = m->Bitmap();
    if (mb->PixelFormat() != ie8g) mb->SetPixelFormat(ie8g);
    if (mb->HasAlphaChannel()) mb->RemoveAlphaChannel(false, 0);
    const int32_t aw = saved->Width(), ah = saved->Height();
    auto combined = std::make_unique<TIEBitmap>(aw, ah, ie8g);
    combined->SetIsAlphaChannel(true);
    const int32_t mw = mb->Width(), mh = mb->Height();
    const int32_t w0 = layers_[0]->Bitmap()->Width(), h0 = layers_[0]->Bitmap()->Height();
    const bool mode1 = layersDisplayMode_ == 1;
    const uint8_t amount = static_cast<uint8_t>(std::clamp(layersDisplayAmount_, 0, 255));
    // A mask or layer without pixels covers nothing: every pixel keeps the amount or 0.
    const double sx = mw > 0 ? static_cast<double>(m->GetWidth()) / mw : 0;
    const double sy = mh > 0 ? static_cast<double>(m->GetHeight()) / mh : 0;
    const double lx = bitmap->Width() > 0 ? static_cast<double>(layer->GetWidth()) / bitmap->Width() : 0;
    const double ly = bitmap->Height() > 0 ? static_cast<double>(layer->GetHeight()) / bitmap->Height() : 0;
    std::vector<int32_t> map(static_cast<size_t>(aw), -1);
    std::vector<uint8_t> inside(static_cast<size_t>(aw), 1);
    if (sx > 0) {
      for (int32_t c = 0; c < aw; ++c) {
        map[c] = RoundCoordinate(lx * c / sx - m->PosX / sx + layer->PosX / sx);
        if (mode1) {
          const int32_t ix = RoundCoordinate(sx * map[c]) + m->PosX;
          inside[c] = ix >= 0 && ix <= w0;
        }
      }
    }
    for (int32_t r = 0; r < ah; ++r) {
      auto* out = static_cast<uint8_t*>(combined->Scanline(r));
      const auto* own = static_cast<const uint8_t*>(saved->Scanline(r));
      const int32_t mr = sy > 0 ? RoundCoordinate(ly * r / sy - m->PosY / sy + layer->PosY / sy) : -1;
      if (mode1 && sy > 0) {
        const int32_t iy = RoundCoordinate(sy * mr) + m->PosY;
        if (iy < 0 || iy > h0) {
          std::fill(out, out + aw, amount);
          continue;
        }
      }
      const uint8_t* maskRow = mr >= 0 && mr < mh ? static_cast<const uint8_t*>(mb->Scanline(mr)) : nullptr;
      for (int32_t c = 0; c < aw; ++c) {
        uint8_t value;
        if (mode1 && !inside[c])
          value = amount;
        else if (!maskRow || map[c] < 0 || map[c] >= mw)
          value = 0;
        else
          value = maskRow[map[c]];
        out[c] = std::min(own[c], value);
      }
    }
    combined->SetFull(false);
    cached = combined.release();
    layer->SetCachedMaskAlpha(cached);
  }
  SwapStorage(saved, cached);
  step.swapped = true;
}

void TImageView::RestoreMaskAlpha(TIELayer* layer, TMaskStep& step) {
  if (!step.swapped) return;
  step.swapped = false;
  TIEBitmap* cached = layer->CachedMaskAlpha();
  TIEBitmap* bitmap = layer->Bitmap();
  if (cached && bitmap->HasAlphaChannel()) SwapStorage(bitmap->GetAlphaChannel(), cached);
}

// The background is left out only where layer 0 itself, untouched, covers the whole
// destination opaquely: any other first layer (layer 0 hidden, moved, resized or turned)
// leaves pixels of the previous picture that the background must cover.
bool TImageView::FirstLayerCoversDestination(TIEBitmap* dest, int32_t index) {
  if (index != 0) return false;
  TIELayer* layer = layers_[0].get();
  TIEBitmap* bitmap = layer->Bitmap();
  const bool ownSize = (layer->Width == 0 || layer->Width == bitmap->Width()) &&
                       (layer->Height == 0 || layer->Height == bitmap->Height());
  if (!layer->Visible || layer->PosX != 0 || layer->PosY != 0 || !ownSize || layer->Rotate() != 0) return false;
  if (offsetX_ >= 1 || offsetY_ >= 1 || destWidth_ < dest->Width() || destHeight_ < dest->Height()) return false;
  const bool opaque = !enableAlphaChannel_ || !bitmap->HasAlphaChannel() || bitmap->GetAlphaChannel()->Full();
  return opaque && layer->Transparency > 254;
}

void TImageView::PaintBufferBackground(TIEBitmap* dest, const RECT* clip, int32_t firstLayer, bool force) {
  if (!force && FirstLayerCoversDestination(dest, firstLayer)) return;
  vcl::TBitmap* platform = dest->GetVclBitmap();
  vcl::TCanvas* canvas = platform->Canvas();
  HDC dc = canvas->Handle();
  if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right + 1, clip->bottom + 1);
  struct TClipReset {
    HDC dc;
    ~TClipReset() { SelectClipRgn(dc, nullptr); }
  } reset{dc};
  bool handled = false;
  if (OnDrawBackground) OnDrawBackground(this, canvas, vcl::TRect{0, 0, dest->Width(), dest->Height()}, handled);
  if (handled) return;
  TIEBackgroundParams params;
  params.designing = ComponentState().Contains(vcl::csDesigning);
  params.style = backgroundStyle_;
  params.background = Background();
  params.cellSize = chessboardSize_;
  params.chessboardBrush = chessboardBrushStyle_;
  params.gradientEnd = gradientEndColour_;
  params.wallPaper = wallPaper_.get();
  params.wallPaperStyle = wallPaperStyle_;
  PaintViewBackground(canvas, platform, params, 0, 0, dest->Width(), dest->Height(),
                      vcl::TRect{offsetX_, offsetY_, offsetX_ + destWidth_, offsetY_ + destHeight_});
  GdiFlush();
}

void TImageView::ApplyDisplayMode(TIEBitmap* dest) {
  if (layersDisplayMode_ != 2 && layersDisplayMode_ != 3) return;
  const auto& d = layers_[0]->DrawnDest;
  const int32_t x0 = d[0], y0 = d[1], x1 = d[0] + d[2], y1 = d[1] + d[3];
  const int32_t amount = layersDisplayAmount_;
  for (int32_t r = 0; r < dest->Height(); ++r) {
    auto* row = static_cast<uint8_t*>(dest->Scanline(r));
    for (int32_t j = 0; j < dest->Width(); ++j) {
      uint8_t* p = row + j * 3;
      if (layersDisplayMode_ == 2) {
        if ((r < y0 || r > y1 || j < x0 || j > x1) && ((r + j) & 1) == 0) p[0] = p[1] = p[2] = 128;
      } else if (r < y0 || r >= y1 || j < x0 || j >= x1) {
        for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::min(p[k] + amount, 255));
      }
    }
  }
}

// A magnifier layer shows, enlarged, what lies under its centre: the composed picture below it
// (source 1) or layer 0's pixels (source 0).
void TImageView::DrawMagnifier(TIELayer* layer, TIEBitmap* dest) {
  TIEBitmap* bitmap = layer->Bitmap();
  if (!gripDragging_) {
    if (layer->Width > 0) bitmap->SetWidth(layer->Width);
    if (layer->Height > 0) bitmap->SetHeight(layer->Height);
  }
  const int32_t bw = bitmap->Width(), bh = bitmap->Height();
  if (bw <= 0 || bh <= 0) return;
  const int32_t sw = TruncCoordinate(bw / (layer->MagnifyZoom / (zoomX_ / 100)));
  const int32_t sh = TruncCoordinate(bh / (layer->MagnifyZoom / (zoomY_ / 100)));
  const int32_t cx = BitmapToClientX(layer->PosX) + TruncCoordinate(bw * zoomX_ / 100 / 2);
  const int32_t cy = BitmapToClientY(layer->PosY) + TruncCoordinate(bh * zoomY_ / 100 / 2);
  const vcl::TRect r{cx - sw / 2, cy - sh / 2, cx + sw - sw / 2, cy + sh - sh / 2};
  if (layer->MagnifySource == 1) {
    vcl::TBitmap* own = bitmap->GetVclBitmap();
    own->Canvas()->CopyRect(vcl::TRect{0, 0, bw, bh}, dest->GetVclBitmap()->Canvas(), r);
    GdiFlush();
  } else if (layer->MagnifySource == 0) {
    if (bitmap->PixelFormat() != ie24RGB) bitmap->SetPixelFormat(ie24RGB);
    TIEBitmap* base = layers_[0]->Bitmap();
    const int32_t x1 = ClientToBitmapX(r.left), y1 = ClientToBitmapY(r.top);
    const int32_t x2 = ClientToBitmapX(r.right), y2 = ClientToBitmapY(r.bottom);
    const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
    if (x1 >= 0 && y1 >= 0 && x1 < base->Width() - w && y1 < base->Height() - h && w < base->Width() &&
        h < base->Height()) {
      bitmap->Fill(0);
      base->RenderToTIEBitmap(bitmap, 0, 0, bw, bh, x1, y1, w, h, 255,
                              layer->UseResampleFilter ? layer->ResampleFilter : zoomFilter_, 0);
    }
  }
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  if (layer->MagnifyShape == 0) {
    alpha->Fill(255);
    alpha->SetFull(true);
  } else {
    alpha->Fill(0);
    for (int32_t y = 0; y < bh; ++y) {
      // The inscribed ellipse of (0, 0, width - 1, height - 1).
      auto* row = static_cast<uint8_t*>(alpha->Scanline(y));
      const double ry = (bh - 1) / 2.0, rx = (bw - 1) / 2.0;
      const double fy = ry > 0 ? (y - ry) / ry : 0;
      const double span = fy * fy <= 1 ? rx * std::sqrt(1 - fy * fy) : -1;
      for (int32_t x = 0; x < bw; ++x)
        if (span >= 0 && std::fabs(x - rx) <= span) row[x] = 255;
    }
    alpha->SetFull(false);
  }
}

// The selection drawing belongs to the selection code; what the compositor draws of it is the
// inverted fill and the outer mark of an existing selection polygon.
void TImageView::DrawSelectionMarks(vcl::TBitmap* bitmap) {
  if (!selectionVisible_ || polygon_.empty() || !bitmap || layersCurrent_ < 0) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  const auto& d = layer->DrawnDest;
  const auto& s = layer->DrawnSource;
  if (selectionOptions_ & iesoFilled) mask_->DrawInvertedFill(bitmap->Canvas(), d[0], d[1], d[2], d[3], s[0], s[1], s[2], s[3]);
  if (selectionOptions_ & iesoMarkOuter)
    mask_->DrawOuterMark(bitmap, d[0], d[1], d[2], d[3], s[0], s[1], s[2], s[3], outerMarkOpacity_, outerMarkColour_);
}

void TImageView::DrawPixelGrid(vcl::TBitmap* bitmap) {
  if (!displayGrid_ || !bitmap || layersCurrent_ < 0) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  const int32_t threshold = DisplayMetrics().PixelGridZoom;
  if (!layer->Visible || (zoomX_ < threshold && zoomY_ < threshold)) return;
  if (!(imageWidth_ > 1 || imageHeight_ >= 2)) return;
  const auto& d = layer->DrawnDest;
  const int32_t x0 = d[0], y0 = d[1], w = d[2], h = d[3];
  const int32_t sw = layer->DrawnSource[2], sh = layer->DrawnSource[3];
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetMode(vcl::pmNot);
  // A layer that was not drawn has no source size: no lines.
  if (sw > 0)
    for (int32_t k = 0; k <= sw; ++k) {
      const int32_t x = RoundCoordinate(x0 + k * (static_cast<double>(w) / sw));
      canvas->MoveTo(x, y0);
      canvas->LineTo(x, y0 + h);
    }
  if (sh > 0)
    for (int32_t k = 0; k <= sh; ++k) {
      const int32_t y = RoundCoordinate(y0 + k * (static_cast<double>(h) / sh));
      canvas->MoveTo(x0, y);
      canvas->LineTo(x0 + w, y);
    }
  canvas->Pen()->SetMode(vcl::pmCopy);
  if (markedPixel_.x >= 0 && markedPixel_.y >= 0) {
    TIECanvas marked(canvas);
    marked.Pen()->SetColor(0x0000FF);
    marked.Pen()->SetWidth(2);
    marked.Brush()->SetStyle(vcl::bsClear);
    marked.RoundRect(layer->LayerToClientX(markedPixel_.x), layer->LayerToClientY(markedPixel_.y),
                     layer->LayerToClientX(markedPixel_.x + 1), layer->LayerToClientY(markedPixel_.y + 1), 5, 5);
  }
}

void TImageView::SetLayersDisplayMode(int32_t mode, int32_t amount) {
  layersDisplayMode_ = mode;
  layersDisplayAmount_ = amount;
  for (auto& layer : layers_) layer->FreeCachedMaskAlpha();
  Update();
}

// The view's geometry is borrowed for the off-screen composition and comes back whatever
// happens inside it.
void TImageView::RenderLayersTo(TIEBitmap* bitmap) {
  TIELayer* base = layers_[0].get();
  int32_t right = base->PosX + base->GetWidth(), bottom = base->PosY + base->GetHeight();
  int32_t ex = 0, ey = 0;
  for (auto& layer : layers_) {
    if (layer->Cropped) continue;
    right = std::max(right, layer->PosX + layer->GetWidth());
    bottom = std::max(bottom, layer->PosY + layer->GetHeight());
    if (layer->PosX < 0) ex = std::max(ex, -layer->PosX);
    if (layer->PosY < 0) ey = std::max(ey, -layer->PosY);
  }
  bitmap->Resize(right + ex, bottom + ey, static_cast<double>(vcl::ColorToRGB(Background())), 255, 0, 0);

  struct TSavedGeometry {
    TImageView* view;
    double zoomX, zoomY;
    int32_t viewX, viewY, imageWidth, imageHeight;
    ~TSavedGeometry() {
      view->imageWidth_ = imageWidth;
      view->imageHeight_ = imageHeight;
      view->viewX_ = viewX;
      view->viewY_ = viewY;
      view->zoomX_ = zoomX;
      view->zoomY_ = zoomY;
      view->SetFactors();
      view->invalidateOnUpdate_ = false;
      try {
        view->Update();
      } catch (...) {
      }
      view->invalidateOnUpdate_ = true;
    }
  } saved{this, zoomX_, zoomY_, viewX_, viewY_, imageWidth_, imageHeight_};

  zoomX_ = zoomY_ = 100;
  SetFactors();
  viewX_ = viewY_ = 0;
  offsetX_ = ex;
  offsetY_ = ey;
  TIEBitmap* b0 = base->Bitmap();
  extentX_ = zoomedWidth_ = imageWidth_ = b0->Width();
  extentY_ = zoomedHeight_ = imageHeight_ = b0->Height();
  // The visible rectangle and the zoom tables follow from these extents inside the call.
  PaintToBackBuffer(bitmap, nullptr, false, false, nullptr);
}

void TImageView::FlattenLayers() {
  auto flat = std::make_unique<TIEBitmap>(ieBitmap_->Width(), ieBitmap_->Height(), ie24RGB);
  flat->Fill(static_cast<double>(vcl::ColorToRGB(Background())));
  RenderLayersTo(flat.get());
  ClearLayers();
  ieBitmap_->Assign(flat.get());
  Update();
}

}  // namespace imaging
