// The view's geometry: the update that brings zoomed size, centring, view origin and visible
// source rectangle in line with the current image, the lock counters, and the zoom and origin
// setters.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/view/image_view.h"
#include "imaging/view/scroll_bars.h"

namespace imaging {

void TImageView::SetFactors() {
  zoomFactorX_ = zoomX_ / 100;
  zoomFactorInvX_ = 100 / zoomX_;
  zoomFactorY_ = zoomY_ / 100;
  zoomFactorInvY_ = 100 / zoomY_;
}

void TImageView::UnlockUpdate() {
  UnlockUpdateNoRefresh();
  if (updateLock_ == 0) Update();
}

void TImageView::UnlockUpdateNoRefresh() {
  if (updateLock_ > 0) --updateLock_;
}

int32_t TImageView::UnlockPaint() {
  if (paintLock_ > 0) {
    --paintLock_;
    if (paintLock_ == 0) Update();
  }
  return paintLock_;
}

int32_t TImageView::UnlockPaintNoUpdate() {
  if (paintLock_ > 0) --paintLock_;
  return paintLock_;
}

int32_t TImageView::GetViewWidth() {
  if (fixedSize_) return Width();
  if (HasParentWindow() && HandleAllocated()) return ClientWidth();
  return 50;
}

int32_t TImageView::GetViewHeight() {
  if (fixedSize_) return Height();
  if (HasParentWindow() && HandleAllocated()) return ClientHeight();
  return 50;
}

bool TImageView::IsEmpty() { return ieBitmap_->Width() < 2 && ieBitmap_->Height() < 2; }

void TImageView::Update() {
  if (updateLock_ > 0) return;
  vcl::TComponentState state = ComponentState();
  state.Exclude(vcl::csFreeNotification);
  if (!state.Empty()) return;
  updateRunning_ = true;
  try {
    for (int32_t i = 0; i < LayersCount(); ++i)
      if (layerToRefresh_ == -1 || layerToRefresh_ == i) layers_[i]->FreeCachedMaskAlpha();
    layerToRefresh_ = -1;
    SyncLayerSizes();

    if ((autoStretch_ || autoShrink_ || autoFit_) && imageWidth_ != 0 && imageHeight_ != 0) {
      ViewChanging(2, zoomX_);
      // Framed background styles keep their frame or shadow inside the client area.
      int32_t mx = (Width() - GetViewWidth()) / 2, my = (Height() - GetViewHeight()) / 2;
      if (backgroundStyle_ == iebsCropped) {
        mx = DisplayMetrics().EdgeX;
        my = DisplayMetrics().EdgeY;
      } else if (backgroundStyle_ == iebsCropShadow) {
        mx = my = 5;
      } else if (backgroundStyle_ == iebsSoftShadow) {
        mx = my = 9;
      }
      if (imageWidth_ > 1 || imageHeight_ > 1) {
        zoomX_ = GetOptimalZoom(imageWidth_, imageHeight_, GetViewWidth() - 2 * mx, GetViewHeight() - 2 * my,
                                autoStretch_ || autoFit_, autoShrink_ || autoFit_);
        zoomY_ = zoomX_;
      } else {
        zoomX_ = zoomY_ = 100;
      }
      zoomX_ = std::max(zoomX_, 1.0);
      zoomY_ = std::max(zoomY_, 1.0);
      SetFactors();
      UpdateExtents();
      RefreshViewRect();
      ViewChange(1);
      delayedFilterCountdown_ = 0;
      outlinePauseCountdown_ = 0;
    }

    if (ieBitmap_->Width() != lastImageWidth_ || ieBitmap_->Height() != lastImageHeight_) {
      lastImageWidth_ = ieBitmap_->Width();
      lastImageHeight_ = ieBitmap_->Height();
      if (mask_->Width() != lastImageWidth_ || mask_->Height() != lastImageHeight_) {
        if (selected_) {
          mask_->Resize(lastImageWidth_, lastImageHeight_);
          mask_->UpdateFullFlag();
          mask_->SyncBoundingBox();
        } else {
          mask_->Allocate(lastImageWidth_, lastImageHeight_, mask_->BitsPerPixel() == 8 ? 8 : 1);
        }
      }
      if (ieBitmap_->HasAlphaChannel()) {
        TIEBitmap* alpha = ieBitmap_->GetAlphaChannel();
        if (alpha->Width() != lastImageWidth_ || alpha->Height() != lastImageHeight_) {
          alpha->Allocate(lastImageWidth_, lastImageHeight_, ie8g);
          alpha->Fill(255);
        }
      }
    }

    if (HandleAllocated()) {
      if (!ComponentState().Contains(vcl::csDesigning) && HasParentWindow()) {
        int32_t oldWidth = GetViewWidth(), oldHeight = GetViewHeight();
        int32_t maxX, maxY;
        GetMaxViewXY(maxX, maxY);
        bool changed = false;
        if (maxX < viewX_) {
          ViewChanging(0, maxX);
          viewX_ = maxX;
          changed = true;
        }
        if (maxY < viewY_) {
          ViewChanging(1, maxY);
          viewY_ = maxY;
          changed = true;
        }
        if (changed) ViewChange(0);
        try {
          ConfigureScrollBars(maxX, maxY);
        } catch (...) {
        }
        if ((GetViewWidth() != oldWidth || GetViewHeight() != oldHeight) && !updateReentry_) {
          updateReentry_ = true;
          try {
            Update();
          } catch (...) {
            updateReentry_ = false;
            throw;
          }
          updateReentry_ = false;
        }
      }
      UpdateExtents();
      backBufferDirty_ = true;
      fullRepaint_ = true;
      if (HasParentWindow() && !invalidateSuppress_ && invalidateOnUpdate_) Invalidate();
      // A navigator follows an update of its own kind and selects what this view shows.
      if (navigator_ && navigator_->PaintLockCount() == 0) {
        if (updateKind_ == 0) navigator_->Update();
        SyncNavigator();
      }
    } else {
      UpdateExtents();
    }
    RefreshViewRect();
  } catch (...) {
    updateKind_ = 0;
    updateRunning_ = false;
    throw;
  }
  updateKind_ = 0;
  updateRunning_ = false;
}

void TImageView::UpdateExtents() {
  zoomedWidth_ = RoundCoordinate(imageWidth_ * zoomX_ / 100);
  zoomedHeight_ = RoundCoordinate(imageHeight_ * zoomY_ / 100);
  offsetX_ = 0;
  offsetY_ = 0;
  if (ComponentState().Contains(vcl::csDesigning)) {
    extentX_ = std::min(zoomedWidth_, Width());
    extentY_ = std::min(zoomedHeight_, Height());
    return;
  }
  int32_t viewWidth = GetViewWidth(), viewHeight = GetViewHeight();
  extentX_ = std::min(zoomedWidth_, viewWidth);
  extentY_ = std::min(zoomedHeight_, viewHeight);
  if (center_) {
    if (extentX_ < viewWidth) offsetX_ = (viewWidth - extentX_) / 2;
    if (extentY_ < viewHeight) offsetY_ = (viewHeight - extentY_) / 2;
  }
}

namespace {

// One axis of the visible source rectangle.
void ViewRectAxis(int32_t zoomed, int32_t image, int32_t column, int32_t visible, double zoom, int32_t& source,
                  int32_t& sourceSize, int32_t& dest) {
  source = 0;
  sourceSize = 0;
  if (zoomed != 0) {
    double d = static_cast<double>(image) / zoomed;
    source = RoundCoordinate(column * d);
    sourceSize = RoundCoordinate(d * visible);
    // Rounding can overshoot by more than one pixel at low zoom: clamp to what is left.
    if (source + sourceSize > image) sourceSize = std::max(0, image - source);
  }
  if (zoom > 100) {
    dest = TruncCoordinate(sourceSize * zoom / 100);
    if (dest < visible && source + sourceSize + 1 <= image) {
      ++sourceSize;
      dest = TruncCoordinate(sourceSize * zoom / 100);
    } else if (dest < visible) {
      // The source ends at the image's last column, whose zoomed columns run to the rounded
      // zoomed width, one past the truncated product at some zooms (97 pixels at 150 % are 146
      // columns, not 145): the tables map that column to the last pixel, so it is drawn too.
      dest = std::max(dest, std::min(visible, zoomed - column));
    }
  } else {
    dest = visible;
  }
}

}  // namespace

void TImageView::UpdateViewRect() {
  // The origin snapped to the first zoomed column of its bitmap column (the origin itself
  // until the tables exist).
  ViewRectAxis(zoomedWidth_, imageWidth_, SnapViewX(viewX_), extentX_, zoomX_, srcX_, srcWidth_, destWidth_);
  ViewRectAxis(zoomedHeight_, imageHeight_, SnapViewY(viewY_), extentY_, zoomY_, srcY_, srcHeight_, destHeight_);
}

void TImageView::GetFrameMargins(int32_t& mx, int32_t& my) {
  const TIEDisplayMetrics& metrics = DisplayMetrics();
  if (backgroundStyle_ == iebsCropped) {
    mx = metrics.EdgeX;
    my = metrics.EdgeY;
  } else if (backgroundStyle_ == iebsCropShadow) {
    mx = my = 5;
  } else if (backgroundStyle_ == iebsSoftShadow) {
    mx = my = 9;
  } else if (BorderStyle() == vcl::bsNone) {
    mx = my = 0;
  } else if (Ctl3D()) {
    mx = metrics.EdgeX;
    my = metrics.EdgeY;
  } else {
    mx = metrics.BorderX;
    my = metrics.BorderY;
  }
}

double TImageView::GetFitZoom() {
  if (imageWidth_ == 0 || imageHeight_ == 0) return zoomX_;
  int32_t mx, my;
  GetFrameMargins(mx, my);
  const double zx = (Width() - 2 * mx) / (imageWidth_ / 100.0);
  const double zy = (Height() - 2 * my) / (imageHeight_ / 100.0);
  return std::min(zx, zy);
}

// Floating-point division raises nothing: a result that is not a usable zoom gives 100.
double TImageView::GetOptimalZoom(int32_t iw, int32_t ih, int32_t aw, int32_t ah, bool stretch, bool shrink) {
  if (iw == 0 || ih == 0 || aw == 0 || ah == 0) return 100;
  const bool horizontal = static_cast<double>(iw) / aw > static_cast<double>(ih) / ah;
  const bool larger = horizontal ? aw < iw : ah < ih;
  const double zoom = (larger ? shrink : stretch) ? GetFitZoom() : 100;
  if (!std::isfinite(zoom) || zoom <= 0) return 100;
  return zoom;
}

// The source rectangle snaps the origin through the tables, and the tables' windows depend on
// the source rectangle: a second round settles both after a change of zoom or size.
void TImageView::RefreshViewRect() {
  UpdateViewRect();
  UpdateZoomTables();
  UpdateViewRect();
  UpdateZoomTables();
}

void TImageView::GetMaxViewXY(int32_t& maxX, int32_t& maxY) {
  int32_t viewWidth = GetViewWidth(), viewHeight = GetViewHeight();
  int32_t zw = TruncCoordinate(imageWidth_ * zoomX_ / 100);
  int32_t zh = TruncCoordinate(imageHeight_ * zoomY_ / 100);
  if (zoomX_ != zoomY_) {
    if (zw > viewWidth + 10) zw = TruncCoordinate((imageWidth_ + 1) * zoomX_ / 100);
    if (zh > viewHeight + 10) zh = TruncCoordinate((imageHeight_ + 1) * zoomY_ / 100);
  } else if ((zw > viewWidth + 10 || zh > viewHeight + 10) && scrollBars_ != vcl::ssNone) {
    zw = TruncCoordinate((imageWidth_ + 1) * zoomX_ / 100);
    zh = TruncCoordinate((imageHeight_ + 1) * zoomY_ / 100);
  }
  maxX = 0;
  maxY = 0;
  if (zw < 1 || zh < 1) return;
  maxX = zw - viewWidth;
  maxY = zh - viewHeight;
  if (maxX < 0 || ClientToBitmapX(maxX) == 0) maxX = 0;
  if (maxY < 0 || ClientToBitmapY(maxY) == 0) maxY = 0;
  if (zoomX_ != zoomY_) {
    if (zw <= Width()) maxX = 0;
    if (zh <= Height()) maxY = 0;
  } else if (zw <= Width() && zh <= Height()) {
    maxX = 0;
    maxY = 0;
  }
}

bool TImageView::CanScroll() {
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  return maxX > 0 || maxY > 0;
}

// Both axes: the two changing events always fire; a clamped origin equal to the old one
// repaints nothing.
void TImageView::SetViewXY(int32_t x, int32_t y) {
  ViewChanging(0, x);
  ViewChanging(1, y);
  if (x == viewX_ && y == viewY_) return;
  MoveOrigin(x, y, true, true);
}

void TImageView::SetViewX(int32_t x) {
  ViewChanging(0, x);
  if (x == viewX_) return;
  MoveOrigin(x, viewY_, true, false);
}

void TImageView::SetViewY(int32_t y) {
  ViewChanging(1, y);
  if (y == viewY_) return;
  MoveOrigin(viewX_, y, false, true);
}

void TImageView::MoveOrigin(int32_t x, int32_t y, bool horizontal, bool vertical) {
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  int32_t newX = std::clamp(x, 0, std::max(0, maxX));
  int32_t newY = std::clamp(y, 0, std::max(0, maxY));
  if (newX == viewX_ && newY == viewY_) return;
  const int32_t oldWindowX = zWindowX_, oldWindowY = zWindowY_;
  const int32_t oldOffsetX = offsetX_, oldOffsetY = offsetY_, oldDestWidth = destWidth_, oldDestHeight = destHeight_;
  const bool wasClean = !backBufferDirty_;
  viewX_ = newX;
  viewY_ = newY;
  const bool delaying = delayZoomFilter_ && zoomFilter_ != rfNone && (zoomX_ != 100 || zoomY_ != 100);
  if (delaying) delayedFilterCountdown_ = delayedFilterTicks_;
  outlinePauseCountdown_ = outlinePauseTicks_;
  RefreshViewRect();
  // A scroll that keeps the geometry moves the composed pixels and composes only what came
  // into view; anything else composes everything again.
  const bool sameGeometry = offsetX_ == oldOffsetX && offsetY_ == oldOffsetY && destWidth_ == oldDestWidth &&
                            destHeight_ == oldDestHeight;
  if (!(wasClean && sameGeometry && !delaying && ScrollBackBuffer(zWindowX_ - oldWindowX, zWindowY_ - oldWindowY)))
    backBufferDirty_ = true;
  fullRepaint_ = true;
  PaintNow();
  ViewChange(0);
  if (!HandleAllocated()) return;
  if (horizontal && (scrollBars_ == vcl::ssHorizontal || scrollBars_ == vcl::ssBoth) && hRatio_ > 0)
    SetScrollBarPos(Handle(), SB_HORZ, TruncCoordinate(viewX_ / hRatio_), true, flatScrollBars_);
  if (vertical && (scrollBars_ == vcl::ssVertical || scrollBars_ == vcl::ssBoth) && vRatio_ > 0)
    SetScrollBarPos(Handle(), SB_VERT, TruncCoordinate(viewY_ / vRatio_), true, flatScrollBars_);
}

void TImageView::ApplyZoomX(double zoom) {
  StopSmoothScroll();
  double f = zoom / 100;
  int32_t hx = GetViewWidth() / 2;
  int32_t cx = RoundCoordinate((hx + viewX_ - offsetX_) * 100 / zoomX_);
  int32_t newX = TruncCoordinate(cx * f - hx);
  zoomX_ = zoom;
  SetFactors();
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewX_ = std::clamp(newX, 0, std::max(0, maxX));
}

void TImageView::ApplyZoomY(double zoom) {
  StopSmoothScroll();
  double f = zoom / 100;
  int32_t hy = GetViewHeight() / 2;
  int32_t cy = RoundCoordinate((hy + viewY_ - offsetY_) * 100 / zoomY_);
  int32_t newY = TruncCoordinate(cy * f - hy);
  zoomY_ = zoom;
  SetFactors();
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewY_ = std::clamp(newY, 0, std::max(0, maxY));
}

void TImageView::ApplyZoom(double zoom) {
  StopSmoothScroll();
  double f = zoom / 100;
  int32_t hx = GetViewWidth() / 2, hy = GetViewHeight() / 2;
  int32_t cx = RoundCoordinate((hx + viewX_ - offsetX_) * 100 / zoomX_);
  int32_t cy = RoundCoordinate((hy + viewY_ - offsetY_) * 100 / zoomY_);
  int32_t newX = TruncCoordinate(cx * f - hx), newY = TruncCoordinate(cy * f - hy);
  zoomX_ = zoom;
  zoomY_ = zoom;
  SetFactors();
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewX_ = std::clamp(newX, 0, std::max(0, maxX));
  viewY_ = std::clamp(newY, 0, std::max(0, maxY));
}

void TImageView::SetZoom(double zoom) {
  StopSmoothScroll();
  ViewChanging(2, zoom);
  if (!(zoom > 0) || !std::isfinite(zoom) || (zoom == zoomX_ && zoom == zoomY_)) return;
  if (delayZoomFilter_ && zoomFilter_ != rfNone && (zoomX_ != 100 || zoomY_ != 100))
    delayedFilterCountdown_ = delayedFilterTicks_;
  outlinePauseCountdown_ = outlinePauseTicks_;
  TImageView* navigator = navigator_;
  LockPaint();
  if (navigator) navigator->LockPaint();
  try {
    ApplyZoom(zoom);
    updateKind_ = 2;
    Update();
    updateKind_ = 2;
    Update();
    RefreshViewRect();
  } catch (...) {
    UnlockPaintNoUpdate();
    if (navigator) navigator->UnlockPaintNoUpdate();
    throw;
  }
  UnlockPaintNoUpdate();
  if (navigator) navigator->UnlockPaintNoUpdate();
  PaintNow();
  ViewChange(1);
}

void TImageView::SetZoomX(double zoom) { SetAxisZoom(zoom, true); }

void TImageView::SetZoomY(double zoom) { SetAxisZoom(zoom, false); }

void TImageView::SetAxisZoom(double zoom, bool horizontal) {
  StopSmoothScroll();
  ViewChanging(2, zoom);
  if (!(zoom > 0) || !std::isfinite(zoom) || zoom == (horizontal ? zoomX_ : zoomY_)) return;
  if (delayZoomFilter_ && zoomFilter_ != rfNone && (horizontal ? zoomX_ : zoomY_) != 100)
    delayedFilterCountdown_ = delayedFilterTicks_;
  outlinePauseCountdown_ = outlinePauseTicks_;
  LockPaint();
  try {
    if (horizontal)
      ApplyZoomX(zoom);
    else
      ApplyZoomY(zoom);
    updateKind_ = 2;
    Update();
    updateKind_ = 2;
    Update();
    RefreshViewRect();
  } catch (...) {
    UnlockPaintNoUpdate();
    throw;
  }
  UnlockPaintNoUpdate();
  PaintNow();
  ViewChange(1);
}

}  // namespace imaging
