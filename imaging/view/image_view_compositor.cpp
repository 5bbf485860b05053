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

void TImageView::PaintToBackBuffer(TIEBitmap* dest, TIERowAddressTable* destRows, bool drawOverlays,
                                   bool drawBackground, const RECT* clip) {
  SyncLayerSizes();
  UpdateViewRect();
  UpdateZoomTables();
  if (ComponentState().Contains(vcl::csDesigning)) return;
  if (ieBitmap_->Width() == 0 || ieBitmap_->Height() == 0) return;
  if (ieBitmap_->HasAlphaChannel()) {
    TIEBitmap* alpha = ieBitmap_->GetAlphaChannel();
    if (alpha->Width() != ieBitmap_->Width() || alpha->Height() != ieBitmap_->Height()) return;
  }
  bool first = true;
  for (int32_t i = 0; i < LayersCount(); ++i) {
    TIELayer* layer = layers_[i].get();
    TIEBitmap* bitmap = layer->Bitmap();
    if (!layer->Visible || destWidth_ == 0 || destHeight_ == 0 || !bitmap) continue;
    if (bitmap->Width() < minLayerSize_ && bitmap->Height() < minLayerSize_) continue;

    TMaskStep mask;
    if (i + 1 < LayersCount() && layers_[i + 1]->IsMask && !layer->IsMask && layer->Rotate() == 0)
      mask.mask = layers_[i + 1].get();
    if (i > 0 && !mask.mask && layersDisplayMode_ == 1) {
      auto* full = new TIEBitmap(bitmap->Width(), bitmap->Height(), ie8g);
      full->Fill(255);
      mask.temporary = std::make_unique<TIELayer>(this, true, full);
      mask.temporary->PosX = layer->PosX;
      mask.temporary->PosY = layer->PosY;
      mask.temporary->Width = layer->Width;
      mask.temporary->Height = layer->Height;
      mask.mask = mask.temporary.get();
    }
    ApplyMaskLayer(layer, mask);
    try {
      const int32_t transparency = layer->Transparency;
      if (first && drawBackground) PaintBufferBackground(dest, clip, bitmap, transparency, false);
      TResampleFilter filter = rfNone;
      if (delayedFilterCountdown_ < 1 && (layer->Width != 0 || layer->Height != 0 || zoomX_ != 100 || zoomY_ != 100))
        filter = layer->UseResampleFilter ? layer->ResampleFilter : zoomFilter_;
      // The destination rows start out alike only over a plain solid fill.
      const bool overSolid = first && drawBackground && backgroundStyle_ == iebsSolid && !OnDrawBackground &&
                             !(wallPaper_ && wallPaper_->Graphic());

      if (layersSync_ || (LayersCount() == 1 && layer->Width == 0 && layer->Height == 0 && layer->PosX == 0 &&
                          layer->PosY == 0)) {
        BuildFastIndexTables();
        bitmap->RenderToTIEBitmapFull(dest, destRows, &fastColumns_, &fastRows_, clip, offsetX_, offsetY_,
                                      destWidth_, destHeight_, srcX_, srcY_, srcWidth_, srcHeight_,
                                      enableAlphaChannel_, overSolid, transparency, filter, false,
                                      layer->Operation);
        layer->ClientAreaBox = vcl::TRect{offsetX_, offsetY_, offsetX_ + destWidth_, offsetY_ + destHeight_};
        layer->DrawnDest = {offsetX_, offsetY_, destWidth_, destHeight_};
        layer->DrawnSource = {srcX_, srcY_, srcWidth_, srcHeight_};
      } else {
        // Rotated layers are drawn from a turned copy at their shown size; the overrides and
        // position stand for the copy while it is drawn and come back afterwards.
        std::unique_ptr<TIEBitmap> rotated;
        const int32_t savedW = layer->Width, savedH = layer->Height, savedX = layer->PosX, savedY = layer->PosY;
        struct TRestoreGeometry {
          TIELayer* layer;
          bool active;
          int32_t w, h, x, y;
          ~TRestoreGeometry() {
            if (!active) return;
            layer->Width = w;
            layer->Height = h;
            layer->PosX = x;
            layer->PosY = y;
          }
        } restore{layer, false, savedW, savedH, savedX, savedY};
        TIEBitmap* source = bitmap;
        if (layer->Rotate() != 0) {
          const int32_t pw = layer->GetWidth(), ph = layer->GetHeight();
          if (pw > 0 && ph > 0) {
            auto shown = std::make_unique<TIEBitmap>(pw, ph, bitmap->PixelFormat());
            ResampleBitmapWithAlpha(bitmap, shown.get(), rfNone, nullptr, nullptr);
            shown->GetAlphaChannel();
            rotated = std::make_unique<TIEBitmap>();
            RotateBitmapInto(shown.get(), rotated.get(), 0, nullptr, nullptr, layer->Rotate());
            source = rotated.get();
            restore.active = true;
            layer->Width = rotated->Width();
            layer->Height = rotated->Height();
            POINT corners[4] = {{0, 0}, {pw, 0}, {pw, ph}, {0, ph}};
            RotatePoints(corners, 3, TruncCoordinate(pw * layer->RotateCenterX),
                         TruncCoordinate(ph * layer->RotateCenterY), layer->Rotate());
            int32_t minX = corners[0].x, minY = corners[0].y;
            for (const POINT& p : corners) {
              minX = std::min<int32_t>(minX, p.x);
              minY = std::min<int32_t>(minY, p.y);
            }
            layer->PosX = savedX + minX;
            layer->PosY = savedY + minY;
            for (int k = 0; k < 4; ++k)
              layer->RotatedCorners[k] =
                  vcl::TPoint{TruncCoordinate((corners[k].x + savedX) * zoomX_ / 100) + offsetX_ - viewX_,
                              TruncCoordinate((corners[k].y + savedY) * zoomY_ / 100) + offsetY_ - viewY_};
          }
        } else if (i > 0 && layer->Magnify && layer->MagnifyZoom >= 1) {
          DrawMagnifier(layer, dest);
        }

        const int32_t w = layer->Width != 0 ? layer->Width : source->Width();
        const int32_t h = layer->Height != 0 ? layer->Height : source->Height();
        int32_t dx = LayerClientX(layer->PosX), dy = LayerClientY(layer->PosY);
        int32_t dw = LayerClientX(layer->PosX + w) - dx, dh = LayerClientY(layer->PosY + h) - dy;
        int32_t sx = 0, sy = 0, sw = source->Width(), sh = source->Height();
        layer->ClientAreaBox = vcl::TRect{dx, dy, dx + dw, dy + dh};
        if (layer->Cropped && w > 0 && h > 0) {
          const int32_t w0 = layers_[0]->Bitmap()->Width(), h0 = layers_[0]->Bitmap()->Height();
          if (ClientToBitmapX(dx) < 0) {
            sx = -TruncCoordinate(static_cast<double>(source->Width()) / w * layer->PosX);
            sw = source->Width() - sx;
            dx = BitmapToClientX(0);
            dw = BitmapToClientX(layer->PosX + w) - dx;
          }
          if (ClientToBitmapY(dy) < 0) {
            sy = -TruncCoordinate(static_cast<double>(source->Height()) / h * layer->PosY);
            sh = source->Height() - sy;
            dy = BitmapToClientY(0);
            dh = BitmapToClientY(layer->PosY + h) - dy;
          }
          // A drawn width of 0 (a small layer far out) leaves the source as it is.
          const vcl::TRect& box = layer->ClientAreaBox;
          if (w0 < ClientToBitmapX(dx + dw)) {
            dw = BitmapToClientX(w0) - dx;
            if (box.right != box.left)
              sw = TruncCoordinate(static_cast<double>(source->Width()) / (box.right - box.left) * dw);
          }
          if (h0 < ClientToBitmapY(dy + dh)) {
            dh = BitmapToClientY(h0) - dy;
            if (box.bottom != box.top)
              sh = TruncCoordinate(static_cast<double>(source->Height()) / (box.bottom - box.top) * dh);
          }
        }
        TIEIndexTable columns, rows;
        source->RenderToTIEBitmapFull(dest, destRows, &columns, &rows, clip, dx, dy, dw, dh, sx, sy, sw, sh,
                                      enableAlphaChannel_, overSolid, transparency, filter, true, layer->Operation);
        layer->DrawnDest = {dx, dy, dw, dh};
        layer->DrawnSource = {sx, sy, sw, sh};
      }

      if (drawOverlays) {
        vcl::TBitmap* platform = dest->GetVclBitmap();
        TOverlayClip overlayClip(platform, clip);
        if (layer->VisibleBox) {
          if (i == layersCurrent_) {
            if (mouseInteract_ & (miMoveLayers | miResizeLayers)) DrawLayerBox(platform, i);
            if ((mouseInteract_ & miResizeLayers) && !layer->Locked) DrawLayerGrips(platform, i);
            if (mouseInteract_ & miRotateLayers) DrawRotationGrip(platform, i);
          } else if (drawAllBoxes_) {
            DrawLayerBox(platform, i);
          }
        }
        if (layer->DimOutside && i == layersCurrent_) DimOutsideLayer(platform, i);
      }
    } catch (...) {
      RestoreMaskAlpha(layer, mask);
      throw;
    }
    RestoreMaskAlpha(layer, mask);
    first = false;
  }
  ApplyDisplayMode(dest);
  if (first && drawBackground) PaintBufferBackground(dest, clip, nullptr, 255, true);
  if (drawOverlays) {
    vcl::TBitmap* platform = dest->GetVclBitmap();
    TOverlayClip overlayClip(platform, clip);
    DrawSelectionMarks(platform);
    DrawPixelGrid(platform);
  }
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

void TImageView::PaintBufferBackground(TIEBitmap* dest, const RECT* clip, TIEBitmap* drawn, int32_t transparency,
                                       bool force) {
  if (!force && offsetX_ < 1 && offsetY_ < 1 && destWidth_ >= dest->Width() && destHeight_ >= dest->Height() &&
      (!enableAlphaChannel_ || !drawn || !drawn->HasAlphaChannel() || drawn->GetAlphaChannel()->Full()) &&
      transparency > 254)
    return;
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
