// What the mouse does in the view, by MouseInteract: zoom by clicks, scroll by dragging, draw
// and move selections, and move, resize and rotate layers by their grips; the cursors that
// tell which; scrolling while a drag goes past the image.
#include <algorithm>
#include <cmath>
#include <string>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/base/text_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/image_proc.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

constexpr vcl::TCursor crScroll = 1782, crMove = 1790, crCrossPlus = 1791, crCross2 = 1793, crCross2Plus = 1794;
constexpr vcl::TCursor crBusy = -11;
constexpr double kZoomSteps[] = {2, 5, 10, 25, 33, 50, 75, 100};

double ZoomInStep(double zoom) {
  if (zoom >= 100) return zoom + 100;
  for (double step : kZoomSteps)
    if (step > zoom) return step;
  return zoom + 100;
}

double ZoomOutStep(double zoom) {
  if (zoom >= 200) return zoom - 100;
  double result = 2;
  for (double step : kZoomSteps)
    if (step < zoom) result = step;
  return result;
}

constexpr int32_t kSelectModes = miSelect | miSelectPolygon | miSelectCircle | miSelectMagicWand | miSelectLasso;
constexpr int32_t kLayerModes = miMoveLayers | miResizeLayers | miRotateLayers;

// The first rule that matches trims the new set; the moving scroll goes with anything.
int32_t TrimMouseInteract(int32_t current, int32_t m) {
  auto added = [&](int32_t bit) { return (m & bit) && !(current & bit); };
  int32_t keep = ~0;
  if (added(miScroll))
    keep = miZoom | miScroll;
  else if (added(miSelect))
    keep = miZoom | miSelect;
  else if (added(miSelectPolygon))
    keep = miSelectPolygon;
  else if (added(miSelectCircle))
    keep = miZoom | miSelectCircle;
  else if (added(miSelectLasso))
    keep = miZoom | miSelectLasso;
  else if (added(miSelectZoom))
    keep = miZoom | miSelectZoom;
  else if (added(miZoom))
    keep = miZoom | miScroll | miSelect | miSelectCircle | miSelectZoom | miSelectLasso;
  else if (added(miSelectMagicWand))
    keep = miSelectMagicWand;
  else if (m & miRotateLayers)
    keep = miMoveLayers | miRotateLayers;
  else if (m & (miMoveLayers | miResizeLayers))
    keep = miMoveLayers | miResizeLayers;
  return m & (keep | miMovingScroll);
}

}  // namespace

// ---- modes ----

void TImageView::SetMouseInteract(int32_t value) {
  if (value == mouseInteract_) return;
  if (polygonDrawing_ && (mouseInteract_ & miSelectPolygon)) {
    // An open polygon ends as it stands.
    DropLastPolygonPoint();
    mask_->Clear();
    EndSelect();
    polygonDrawing_ = false;
    Invalidate();
  }
  value = TrimMouseInteract(mouseInteract_, value);
  // Rotation is shown live only in the rotate mode: elsewhere the pixels take it.
  if (!(value & miRotateLayers))
    ApplyLayersRotation(-1);
  else if (cropOnRotate_)
    CropLayersToAlpha(-1);
  mouseInteract_ = value;
}

void TImageView::ApplyPendingRotations() {
  for (auto& layer : layers_)
    if (layer->Rotate() != 0) {
      ApplyLayersRotation(-1);
      return;
    }
}

// ---- helpers ----

void TImageView::BeginClientBase() {
  if (baseNesting_++ == 0) {
    savedSelectionBase_ = selectionBase_;
    selectionBase_ = iesbClientArea;
  }
}

void TImageView::EndClientBase() {
  if (baseNesting_ > 0 && --baseNesting_ == 0) selectionBase_ = savedSelectionBase_;
}

vcl::TPoint TImageView::ClampToLayer(int32_t x, int32_t y) {
  if (layersCurrent_ < 0) return vcl::TPoint{x, y};
  const auto& d = layers_[layersCurrent_]->DrawnDest;
  return vcl::TPoint{std::clamp(x, d[0], std::max(d[0], d[0] + d[2])), std::clamp(y, d[1], std::max(d[1], d[1] + d[3]))};
}

bool TImageView::AltHeld(vcl::TShiftState shift) const { return shift.Contains(vcl::ssAlt) || forceAlt_; }

vcl::TCursor TImageView::GripCursor(int32_t grip) const {
  switch (grip) {
    case 1:
    case 3:
      return 1786;
    case 2:
    case 4:
      return 1788;
    case 5:
    case 6:
      return 1789;
    case 7:
    case 8:
      return 1787;
    default:
      return cursorSetting_;
  }
}

void TImageView::OffsetMousePoints(int32_t dx, int32_t dy) {
  lastPoint_.x -= dx;
  lastPoint_.y -= dy;
  previous_.x -= dx;
  previous_.y -= dy;
  previousRaw_.x -= dx;
  previousRaw_.y -= dy;
}

// Polls the cursor: while it lies past the image, the view scrolls by the overshoot, until the
// view reaches its limit or the cursor is back over the image.
bool TImageView::DragAutoScroll() {
  if (!HandleAllocated()) return false;
  bool result = false;
  autoScrolling_ = true;
  try {
    for (int32_t guard = 0; guard < 100000; ++guard) {
      POINT p{};
      if (!GetCursorPos(&p) || !::ScreenToClient(Handle(), &p)) break;
      auto overshoot = [](int32_t v, int32_t left, int32_t extent) {
        if (v < left) return v - left;
        if (v > left + extent - 1) return v - (left + extent - 1);
        return 0;
      };
      const int32_t dx = overshoot(p.x, offsetX_, extentX_), dy = overshoot(p.y, offsetY_, extentY_);
      if (dx == 0 && dy == 0) break;
      const int32_t oldX = viewX_, oldY = viewY_;
      SetViewXY(viewX_ + dx, viewY_ + dy);
      if (viewX_ == oldX && viewY_ == oldY) break;
      result = true;
      anchor_.x += oldX - viewX_;
      anchor_.y += oldY - viewY_;
      mouseDownClamped_.x += oldX - viewX_;
      mouseDownClamped_.y += oldY - viewY_;
      OffsetMousePoints(dx, dy);
    }
  } catch (...) {
    autoScrolling_ = false;
    throw;
  }
  autoScrolling_ = false;
  return result;
}

// ---- press ----

void TImageView::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TIEView::MouseDown(button, shift, x, y);
  if (vcl::TCustomForm* form = vcl::GetParentForm(this); form && form->Visible() && CanFocus()) SetFocus();
  filterAtDown_ = zoomFilter_;
  if (button == vcl::mbRight && shift.Contains(vcl::ssLeft)) return;
  const bool left = button == vcl::mbLeft;
  const bool rightSelectsLayers = button == vcl::mbRight && (selectionOptions_ & iesoRightButtonSelectLayers);
  if (!left && !(mouseInteract_ & miZoom) && !rightSelectsLayers) return;
  if (!(mouseInteract_ & miScroll) && delayZoomFilter_) zoomFilter_ = rfNone;
  BeginClientBase();
  try {
    mouseDownClamped_ = vcl::TPoint{std::clamp(x, offsetX_, std::max(offsetX_, offsetX_ + extentX_)),
                                    std::clamp(y, offsetY_, std::max(offsetY_, offsetY_ + extentY_))};
    anchor_ = previous_ = lastPoint_ = ClampToLayer(x, y);
    mouseDown_ = previousRaw_ = vcl::TPoint{x, y};
    originAtDown_ = vcl::TPoint{viewX_, viewY_};
    countAtDown_ = GetSelectionPolygonCount();
    layerMoved_ = false;
    const int32_t m = mouseInteract_;
    if (left && (m & (miSelectPolygon | miSelectLasso))) {
      ApplyPendingRotations();
      DoBeforeSelectionChange();
      moveState_ = MoveHitTest(x, y, shift);
      if (moveState_ != 0) {
        int32_t px = x, py = y;
        if (AltHeld(shift) && !polygon_.empty() && polygon_.back().x != TIEMask::PolygonSeparator &&
            layersCurrent_ >= 0) {
          TIELayer* layer = layers_[layersCurrent_].get();
          ConstrainTo45Degrees(layer->LayerToClientX(polygon_.back().x), layer->LayerToClientY(polygon_.back().y), px,
                               py);
        }
        if (!polygonDrawing_) {
          if (shift.Contains(vcl::ssShift) && multiSelect_)
            StartNewSubPolygon();
          else
            ClearSelection();
        }
        AddPolygonPoint(px, py);
        polygonDrawing_ = true;
        lassoDrawing_ = (m & miSelectLasso) != 0;
        DoSelectionChanging();
      }
    } else if (left && (m & miSelect)) {
      ApplyPendingRotations();
      DoBeforeSelectionChange();
      selGrip_ = GripAtPointUnlessShift(x, y, shift);
      if (selGrip_ == 0) moveState_ = MoveHitTest(x, y, shift);
      if (selGrip_ == 0 && moveState_ != 0) {
        rectDrawing_ = true;
        if (selectionAspectRatio_ == 0) DragRectSelection(x, y, shift);
        DoSelectionChanging();
      } else if (selGrip_ != 0) {
        gripBox_ = polygonBox_;
      }
    } else if (left && (m & miSelectZoom)) {
      rectDrawing_ = true;
      DoSelectionChanging();
      PushSelection();
    } else if (left && (m & miSelectCircle)) {
      ApplyPendingRotations();
      DoBeforeSelectionChange();
      moveState_ = MoveHitTest(x, y, shift);
      if (moveState_ != 0) {
        circleDrawing_ = true;
        selection_.visible = true;
        if (selectionAspectRatio_ == 0) DragCircleSelection(x, y, shift);
        DoSelectionChanging();
      }
    } else if (left && (m & miSelectMagicWand)) {
      ApplyPendingRotations();
      DoBeforeSelectionChange();
      moveState_ = MoveHitTest(x, y, shift);
    } else if ((left || rightSelectsLayers) && (m & kLayerModes)) {
      layerUndoSaved_ = false;
      layerGrip_ = (m & miResizeLayers) ? FindLayerGrip(x, y) : 0;
      if (layerGrip_ == 9) layerGrip_ = 0;
      if (layerGrip_ != 0) {
        ApplyPendingRotations();
        const auto& d = layers_[layersCurrent_]->DrawnDest;
        layerRectAtGrip_ = vcl::TRect{d[0], d[1], d[0] + d[2], d[1] + d[3]};
        LayerNotify(layersCurrent_, 7);
      } else if (m & (miMoveLayers | miRotateLayers)) {
        if ((m & miRotateLayers) && FindLayerGrip(x, y) == 9) {
          centreLayer_ = layersCurrent_;
        } else if ((m & miRotateLayers) && layersCurrent_ >= 0 && !IsPointInLayer(x, y, layersCurrent_)) {
          rotatingLayer_ = layersCurrent_;
          accumulatedRotation_ = layers_[layersCurrent_]->Rotate();
        } else {
          const int32_t found = FindLayerAt(x, y, true);
          if (found >= 0) {
            SetLayersCurrent(found);
            movingLayer_ = layersCurrent_;
            LayerNotify(layersCurrent_, 0);
            LayerNotify(layersCurrent_, 8);
            if (!layers_[layersCurrent_]->Locked) SetCurrentCursor(crMove);
          }
        }
      }
    }
    if (left && (m & miScroll) && CanScroll()) SetCurrentCursor(crScroll);
  } catch (...) {
    EndClientBase();
    throw;
  }
  EndClientBase();
}

// ---- move ----

void TImageView::MouseMove(vcl::TShiftState shift, int x, int y) {
  TIEView::MouseMove(shift, x, y);
  BeginClientBase();
  try {
    const int32_t rawX = x, rawY = y;
    const vcl::TPoint p = ClampToLayer(x, y);
    if (MouseCapture())
      SelectionMouseMove(shift, p.x, p.y, rawX, rawY);
    else if (!polygonDrawing_ || lassoDrawing_)
      IdleMouseMove(shift, p.x, p.y, rawX, rawY);
    else {
      // The rubber line follows the cursor from the last vertex.
      DrawPolygonRubberLine();
      int32_t px = p.x, py = p.y;
      if (AltHeld(shift) && !polygon_.empty() && polygon_.back().x != TIEMask::PolygonSeparator &&
          layersCurrent_ >= 0) {
        TIELayer* layer = layers_[layersCurrent_].get();
        ConstrainTo45Degrees(layer->LayerToClientX(polygon_.back().x), layer->LayerToClientY(polygon_.back().y), px, py);
      }
      lastPoint_ = vcl::TPoint{px, py};
      DrawPolygonRubberLine();
      DoSelectionChanging();
    }
    if ((mouseInteract_ & miMovingScroll) && !MouseCapture() && (rawX != previousRaw_.x || rawY != previousRaw_.y)) {
      int32_t mx, my;
      GetMaxViewXY(mx, my);
      const int32_t vw = std::max(GetViewWidth(), 1), vh = std::max(GetViewHeight(), 1);
      const int32_t tx = TruncCoordinate((static_cast<double>(std::clamp(rawX, 0, vw - 1)) / vw - 0.02) * 1.05 * mx);
      const int32_t ty = TruncCoordinate((static_cast<double>(std::clamp(rawY, 0, vh - 1)) / vh - 0.02) * 1.05 * my);
      SmoothScrollTo(tx, ty);
    }
    if (mask_->IsPixelSet(ToBitmapX(p.x), ToBitmapY(p.y))) FireMouseInSel();
    lastPoint_ = previous_ = p;
    previousRaw_ = vcl::TPoint{rawX, rawY};
  } catch (...) {
    EndClientBase();
    throw;
  }
  EndClientBase();
}

void TImageView::SelectionMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY) {
  if (mouseInteract_ & miScroll) {
    SetViewXY(originAtDown_.x - TruncCoordinate((rawX - mouseDown_.x) * scrollSpeed_),
              originAtDown_.y - TruncCoordinate((rawY - mouseDown_.y) * scrollSpeed_));
  } else if (selGrip_ != 0) {
    DragAutoScroll();
    selGrip_ = ResizeSelectionByGrip(selGrip_, x, AltHeld(shift) || selectionAspectRatio_ > 0, y);
    DoSelectionChanging();
  } else if (moveState_ != 0) {
    if (rectDrawing_) {
      DragRectSelection(x, y, shift);
    } else if (polygonDrawing_) {
      // A held button draws freehand.
      DragAutoScroll();
      PaintNow();
      DrawPolygonRubberLine();
      AppendPolygonPoint(std::clamp(ToBitmapX(x), 0, ieBitmap_->Width()), std::clamp(ToBitmapY(y), 0, ieBitmap_->Height()));
      DrawSelection(this, true);
      DoSelectionChanging();
    } else if (circleDrawing_) {
      DragCircleSelection(x, y, shift);
    } else {
      LayerMouseMove(shift, x, y, rawX, rawY);
    }
  } else {
    if (selectionOptions_ & iesoCanScroll) DragAutoScroll();
    const int32_t dx = ToBitmapX(x) - ToBitmapX(previous_.x), dy = ToBitmapY(y) - ToBitmapY(previous_.y);
    MoveSelection(dx, dy, (selectionOptions_ & iesoCutBorders) != 0);
    DoSelectionChanging();
  }
}

void TImageView::LayerMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY) {
  auto saveUndoOnce = [this](TIEUndoSource source) {
    if (layerUndoSaved_) return false;
    layerUndoSaved_ = true;
    if (layerUndo_) GetProc()->SaveUndo(source);
    return true;
  };
  if (movingLayer_ >= 0 && movingLayer_ < LayersCount() && !layers_[movingLayer_]->Locked) {
    saveUndoOnce(ieusLayers);
    DragAutoScroll();
    TIELayer* layer = layers_[movingLayer_].get();
    const int32_t dx = ClientToBitmapX(rawX) - ClientToBitmapX(previousRaw_.x);
    const int32_t dy = ClientToBitmapY(rawY) - ClientToBitmapY(previousRaw_.y);
    layer->PosX += dx;
    layer->PosY += dy;
    if (dx != 0 || dy != 0) layerMoved_ = true;
    SetInteractionHint("X=" + std::to_string(layer->PosX) + " Y=" + std::to_string(layer->PosY), rawX, rawY,
                       "X=000 Y=000");
    layerToRefresh_ = movingLayer_;
    Update();
    LayerNotify(layersCurrent_, 3);
  } else if (centreLayer_ >= 0 && centreLayer_ < LayersCount()) {
    TIELayer* layer = layers_[centreLayer_].get();
    TIEBitmap* bitmap = layer->Bitmap();
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    if (w > 0 && h > 0) {
      layer->RotateCenterX = static_cast<double>(layer->ClientToLayerX(x)) / w;
      layer->RotateCenterY = static_cast<double>(layer->ClientToLayerY(y)) / h;
    }
    SetInteractionHint("X=" + std::to_string(TruncCoordinate(w * layer->RotateCenterX)) +
                           " Y=" + std::to_string(TruncCoordinate(h * layer->RotateCenterY)),
                       rawX, rawY, "X=000 Y=000");
    layerToRefresh_ = centreLayer_;
    Update();
  } else if (rotatingLayer_ >= 0 && rotatingLayer_ < LayersCount() && !layers_[rotatingLayer_]->Locked) {
    saveUndoOnce(ieusLayersWithImage);
    TIELayer* layer = layers_[rotatingLayer_].get();
    double qx = (ClientToBitmapX(rawX) - ClientToBitmapX(previousRaw_.x)) / 4.0;
    double qy = (ClientToBitmapY(rawY) - ClientToBitmapY(previousRaw_.y)) / 4.0;
    TIEBitmap* bitmap = layer->Bitmap();
    const int32_t cx = layer->LayerToClientX(RoundCoordinate(bitmap->Width() * layer->RotateCenterX));
    const int32_t cy = layer->LayerToClientY(RoundCoordinate(bitmap->Height() * layer->RotateCenterY));
    if (cx < rawX) qy = -qy;
    if (rawY < cy) qx = -qx;
    accumulatedRotation_ += qx + qy;
    double angle = accumulatedRotation_;
    if (shift.Contains(vcl::ssShift) && rotationSnap_ > 0) angle = std::trunc(accumulatedRotation_ / rotationSnap_) * rotationSnap_;
    layer->SetRotate(angle);
    std::string text;
    FloatToDotStrDirect(text, layer->Rotate());
    SetInteractionHint(text + "\xB0", rawX, rawY, "0000\xB0");
    layerToRefresh_ = rotatingLayer_;
    Update();
    LayerNotify(layersCurrent_, 5);
  } else if (layerGrip_ != 0 && layersCurrent_ >= 0 && !layers_[layersCurrent_]->Locked) {
    TIELayer* layer = layers_[layersCurrent_].get();
    if (saveUndoOnce(ieusLayers)) {
      const int32_t w = layer->GetWidth(), h = layer->GetHeight();
      // A layer without pixels has no shape to keep: it resizes freely until it has one.
      layerAspect_ = w > 0 && h > 0 ? static_cast<double>(h) / w : 0;
    }
    DragAutoScroll();
    ResizeLayerByGrip(rawX, rawY, AltHeld(shift));
    SetInteractionHint(std::to_string(layer->GetWidth()) + " x " + std::to_string(layer->GetHeight()), rawX, rawY,
                       "0000 x 0000");
    layerToRefresh_ = layersCurrent_;
    Update();
    LayerNotify(layersCurrent_, 4);
  }
}

void TImageView::IdleMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY) {
  const int32_t m = mouseInteract_;
  if (m & kSelectModes) {
    const int32_t grip = GripAtPointUnlessShift(rawX, rawY, shift);
    FireMouseInResizingGrip(grip);
    if (grip != 0) {
      SetCurrentCursor(GripCursor(grip));
    } else if (MoveHitTest(rawX, rawY, shift) == 0) {
      SetCurrentCursor(crMove);
    } else if (shift.Contains(vcl::ssShift) && multiSelect_) {
      if (cursorSetting_ == crIECross) SetCurrentCursor(crCrossPlus);
      if (cursorSetting_ == crCross2) SetCurrentCursor(crCross2Plus);
    } else if (!shift.Contains(vcl::ssShift)) {
      RestoreCursor();
    }
  } else if ((m & miRotateLayers) && layersCurrent_ >= 0) {
    TIELayer* layer = layers_[layersCurrent_].get();
    if (IsPointInLayer(rawX, rawY, layersCurrent_)) {
      RestoreCursor();
    } else {
      TIEBitmap* bitmap = layer->Bitmap();
      const int32_t cx = layer->LayerToClientX(RoundCoordinate(bitmap->Width() * layer->RotateCenterX));
      const int32_t cy = layer->LayerToClientY(RoundCoordinate(bitmap->Height() * layer->RotateCenterY));
      if (rawX < cx && rawY < cy) SetCurrentCursor(1814);
      else if (rawX < cx && rawY > cy) SetCurrentCursor(1811);
      else if (rawX > cx && rawY < cy) SetCurrentCursor(1812);
      else if (rawX > cx && rawY > cy) SetCurrentCursor(1813);
    }
  } else if (m & (miResizeLayers | miMoveLayers)) {
    int32_t grip = 0;
    if ((m & miResizeLayers) && layersCurrent_ >= 0 && !layers_[layersCurrent_]->Locked) grip = FindLayerGrip(rawX, rawY);
    if (grip >= 1 && grip <= 8) {
      SetCurrentCursor(GripCursor(grip));
    } else {
      const int32_t found = (m & miMoveLayers) ? FindLayerAt(rawX, rawY, true) : -1;
      if (found >= 0 && !layers_[found]->Locked)
        SetCurrentCursor(crMove);
      else
        RestoreCursor();
    }
  }
  (void)x;
  (void)y;
}

// ---- resizing a layer ----

void TImageView::ResizeLayerByGrip(int32_t x, int32_t y, bool aspectKey) {
  if (layersCurrent_ < 0) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  int32_t f = ClientToBitmapX(x), g = ClientToBitmapY(y);
  const int32_t f0 = ClientToBitmapX(previousRaw_.x), g0 = ClientToBitmapY(previousRaw_.y);
  const int32_t X1 = layerRectAtGrip_.left, Y1 = layerRectAtGrip_.top, X2 = layerRectAtGrip_.right,
                Y2 = layerRectAtGrip_.bottom;
  int32_t grip = layerGrip_;
  bool keep = false;
  switch (layerResizeAspect_) {
    case 1: keep = aspectKey; break;
    case 2: keep = true; break;
    case 3: keep = grip >= 1 && grip <= 4; break;
    default: break;
  }
  // A ratio of 0 (a layer that had no size) cannot be kept.
  const double r = layerAspect_;
  if (keep && r > 0 && std::isfinite(r)) {
    switch (grip) {
      case 1:
      case 3: g = ClientToBitmapY(TruncCoordinate((x - X1) * r) + Y1); break;
      case 2: g = ClientToBitmapY(TruncCoordinate(r * (X2 - x)) + Y1); break;
      case 4:
      case 5:
        g = ClientToBitmapY(TruncCoordinate(r * (X1 - x)) + Y2);
        grip = 4;
        break;
      case 6:
        g = ClientToBitmapY(TruncCoordinate((x - X1) * r) + Y1);
        grip = 3;
        break;
      case 7:
      case 8:
        f = ClientToBitmapX(TruncCoordinate((y - Y1) / r) + X1);
        grip = grip == 7 ? 1 : 3;
        break;
      default:
        break;
    }
  }
  const int32_t w = layer->GetWidth(), h = layer->GetHeight();
  int32_t newW = w, newH = h, newX = layer->PosX, newY = layer->PosY;
  const int32_t left = ClientToBitmapX(X1), top = ClientToBitmapY(Y1);
  switch (grip) {
    case 1: newW = layer->PosX + w - f; newH = layer->PosY + h - g; newX = f; newY = g; break;
    case 2: newW = f - layer->PosX; newH = layer->PosY + h - g; newY = g; break;
    case 3: newW = f - left; newH = g - top; break;
    case 4: newW = layer->PosX + w - f; newH = g - top; newX = f; break;
    case 5: newW = w + f0 - f; newX = layer->PosX + (f - f0); break;
    case 6: newW = f - left; break;
    case 7: newH = layer->PosY + h - g; newY = g; break;
    case 8: newH = h + g - g0; break;
    default: return;
  }
  // Sizes stay at least 1, and a side that reached its minimum no longer drags the position.
  if (newW < 1) newW = 1;
  if (newH < 1) newH = 1;
  if (newW > 1) layer->PosX = newX;
  if (newH > 1) layer->PosY = newY;
  layer->Width = newW;
  layer->Height = newH;
  if (!keep) layerAspect_ = static_cast<double>(newH) / newW;
}

// ---- release ----

void TImageView::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TIEView::MouseUp(button, shift, x, y);
  hintText_.clear();
  const vcl::TPoint p = ClampToLayer(x, y);
  BeginClientBase();
  try {
    bool changed = false;
    const bool left = button == vcl::mbLeft;
    const bool moved = p.x != anchor_.x || p.y != anchor_.y;
    const bool add = shift.Contains(vcl::ssShift) && multiSelect_;
    const int32_t m = mouseInteract_;
    auto rebuildMask = [&] {
      if (!add) mask_->Clear();
      EndSelect();
    };
    if ((m & miZoom) && !moved && !IsEmpty()) {
      if (left) {
        if (m & miScroll) RestoreCursor();
        double z = ZoomInStep(zoomX_);
        FireZoomIn(z);
        if (z != zoomX_ || z != zoomY_) ZoomAt(x, y, z, false);
      } else if (button == vcl::mbRight) {
        double z = ZoomOutStep(zoomX_);
        FireZoomOut(z);
        if (z != zoomX_ || z != zoomY_) ZoomAt(x, y, z, false);
      }
      polygonDrawing_ = false;
    } else if (left && (m & miScroll) && CanScroll()) {
      SetViewXY(originAtDown_.x - TruncCoordinate((x - mouseDown_.x) * scrollSpeed_),
                originAtDown_.y - TruncCoordinate((y - mouseDown_.y) * scrollSpeed_));
      RestoreCursor();
    } else if (left && (m & miSelectZoom)) {
      ZoomSelection(zoomSelectionUniform_, true);
      rectDrawing_ = false;
      PopSelection(true, 0);
    } else if (left && (m & miSelect)) {
      if (moved || selGrip_ != 0 || moveState_ == 0) {
        if (rectDrawing_ || selGrip_ != 0) rebuildMask();
        rectDrawing_ = false;
        selGrip_ = 0;
        moveState_ = -1;
        changed = true;
        if (isNavigator_) {
          Invalidate();
        } else {
          updateKind_ = 3;
          Update();
        }
      } else if (selected_) {
        ClearSelection();
        changed = true;
      }
    } else if (left && (m & miSelectCircle)) {
      if (!moved && moveState_ != 0 && selectionAspectRatio_ != 0) {
        ClearSelection();
      } else {
        if (circleDrawing_) rebuildMask();
        circleDrawing_ = false;
        moveState_ = -1;
        changed = true;
        updateKind_ = 3;
        Update();
      }
    } else if (left && (m & miSelectPolygon) && !(m & miSelectLasso)) {
      if (moveState_ == 0) changed = true;
      updateKind_ = 3;
      Update();
    } else if (left && (m & miSelectMagicWand) && !(m & miSelectLasso)) {
      if (moveState_ != 0) {
        SetCurrentCursor(crBusy);
        SelectMagicWand(x, y, add);
        RestoreCursor();
      }
      changed = true;
      updateKind_ = 3;
      Update();
    } else if (left && (m & miSelectLasso)) {
      if (!moved && moveState_ != 0) {
        ClearSelection();
      } else {
        if (lassoDrawing_) rebuildMask();
        lassoDrawing_ = polygonDrawing_ = false;
        moveState_ = -1;
        changed = true;
        updateKind_ = 3;
        Update();
      }
    }
    if (left) {
      if (movingRect_) {
        mask_->Clear();
        EndSelect();
        movingRect_ = false;
      }
      if (movingLayer_ >= 0) {
        movingLayer_ = -1;
        RestoreCursor();
        if (layerMoved_) LayerNotify(layersCurrent_, 1);
        layerMoved_ = false;
        Invalidate();
      }
      if (rotatingLayer_ >= 0) {
        rotatingLayer_ = -1;
        if (moved) LayerNotify(layersCurrent_, 6);
        Invalidate();
      } else if (centreLayer_ >= 0) {
        centreLayer_ = -1;
      }
      if ((m & miRotateLayers) && !moved) {
        const int32_t found = FindLayerAt(x, y, true);
        if (found >= 0) {
          SetLayersCurrent(found);
          LayerNotify(layersCurrent_, 0);
        }
      }
      if (layerGrip_ != 0) {
        layerGrip_ = 0;
        if (moved) LayerNotify(layersCurrent_, 2);
        Update();
      }
      moveState_ = -1;
      selGrip_ = 0;
      rectDrawing_ = circleDrawing_ = lassoDrawing_ = false;
      if (changed) DoSelectionChange();
    }
    if (button == vcl::mbRight && (selectionOptions_ & iesoRightButtonTerminatePolySelect) && polygonDrawing_)
      EndPolygonSelection(shift.Contains(vcl::ssShift), false);
    // Every gesture ends with its release, whichever button made it (a layer picked with the
    // right button must not be dragged by the next left press elsewhere); only an open polygon
    // lives on.
    if (!shift.Contains(vcl::ssLeft)) {
      movingLayer_ = rotatingLayer_ = centreLayer_ = -1;
      layerGrip_ = 0;
      moveState_ = -1;
      selGrip_ = 0;
      rectDrawing_ = circleDrawing_ = lassoDrawing_ = false;
    }
  } catch (...) {
    zoomFilter_ = filterAtDown_;
    EndClientBase();
    throw;
  }
  zoomFilter_ = filterAtDown_;
  EndClientBase();
}

void TImageView::WMLButtonDblClk(vcl::TWMMouse& message) {
  // The platform's handling presses once more (a vertex on the last one), which the end drops.
  TIEView::WMLButtonDblClk(message);
  if (polygonDrawing_ && !lassoDrawing_) EndPolygonSelection((message.Keys() & MK_SHIFT) != 0, true);
}

// ---- keys ----

void TImageView::KeyDown(WORD& key, vcl::TShiftState shift) {
  TIEView::KeyDown(key, shift);
  if (shift.Contains(vcl::ssShift) && multiSelect_) {
    if (cursorSetting_ == crIECross) SetCurrentCursor(crCrossPlus);
    if (cursorSetting_ == crCross2) SetCurrentCursor(crCross2Plus);
  }
}

void TImageView::KeyUp(WORD& key, vcl::TShiftState shift) {
  TIEView::KeyUp(key, shift);
  if (!shift.Contains(vcl::ssShift) && multiSelect_) RestoreCursor();
}

}  // namespace imaging
