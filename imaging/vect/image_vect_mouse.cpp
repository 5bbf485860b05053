#include <algorithm>
#include <cmath>

#include "imaging/base/distances.h"
#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/vect/image_vect.h"
#include "vcl/controls/messages.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

namespace {

// The view's cursors over grips (numbers of the view's cursor table).
constexpr vcl::TCursor crGripEnds = 1786, crGripBody = 1790, crGripSidesX = 1789, crGripSidesY = 1787,
                       crGripCorner = 1788, crPolylineDelete = 1792, crPolylineInsert = 1791;

}  // namespace

POINT TImageVect::ClampToImage(int32_t x, int32_t y) {
  const int32_t left = BitmapToClientX(0), top = BitmapToClientY(0);
  const int32_t right = std::max(left, BitmapToClientX(ImageWidth()) - 1);
  const int32_t bottom = std::max(top, BitmapToClientY(ImageHeight()) - 1);
  return POINT{std::clamp(x, left, right), std::clamp(y, top, bottom)};
}

int32_t TImageVect::BitmapOffsetX(int32_t x) const {
  return RoundCoordinate((x - press_.x) * 100.0 / (ZoomX() > 0 ? ZoomX() : 100));
}

int32_t TImageVect::BitmapOffsetY(int32_t y) const {
  return RoundCoordinate((y - press_.y) * 100.0 / (ZoomY() > 0 ? ZoomY() : 100));
}

namespace {

// The band's rectangle (press to current point, corners ordered).
RECT BandRect(POINT a, POINT b) {
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

void TImageVect::InvalidateRubberBand(bool erase) {
  if (!HandleAllocated()) return;
  if (erase) {
    vcl::TBitmap* back = GetBackBuffer();
    if (!back) return;
    const RECT r = BandRect(press_, current_);
    BitBlt(Canvas()->Handle(), r.left - 1, r.top - 1, r.right - r.left + 3, r.bottom - r.top + 3,
           back->Canvas()->Handle(), r.left - 1, r.top - 1, SRCCOPY);
    return;
  }
  DrawRubberLine(press_.x, press_.y);
}

// The box and the ellipse draw with an inverting pen and a clear brush; drawn twice, a band
// is gone.
void TImageVect::DrawRubberBox() {
  if (!HandleAllocated()) return;
  HDC dc = GetDC(Handle());
  if (!dc) return;
  const int oldRop = SetROP2(dc, R2_NOT);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  const RECT r = BandRect(press_, current_);
  Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SetROP2(dc, oldRop);
  ReleaseDC(Handle(), dc);
}

void TImageVect::DrawRubberEllipse() {
  if (!HandleAllocated()) return;
  HDC dc = GetDC(Handle());
  if (!dc) return;
  const int oldRop = SetROP2(dc, R2_NOT);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  const RECT r = BandRect(press_, current_);
  Ellipse(dc, r.left, r.top, r.right + 1, r.bottom + 1);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SetROP2(dc, oldRop);
  ReleaseDC(Handle(), dc);
}

void TImageVect::DrawRubberLine(int32_t fromX, int32_t fromY) {
  if (!HandleAllocated()) return;
  HDC dc = GetDC(Handle());
  if (!dc) return;
  const int oldRop = SetROP2(dc, R2_NOT);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, fromX, fromY, nullptr);
  LineTo(dc, current_.x, current_.y);
  SelectObject(dc, oldPen);
  SetROP2(dc, oldRop);
  ReleaseDC(Handle(), dc);
}

void TImageVect::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TImageView::MouseDown(button, shift, x, y);
  doubleClick_ = shift.Contains(vcl::ssDouble);
  skipMoveAfterDouble_ = doubleClick_;
  const POINT clamped = ClampToImage(x, y);
  if (button != vcl::mbLeft || IsEmpty()) return;
  if (IsTextEditing()) {
    DeactivateTextEdit();
    Update();
  }
  polylineSegment_ = -1;
  polylinePoint_ = -1;
  deferredSelect_ = false;
  if (!action_) {
    changed_ = false;
    SaveUndoAtPress();  // before anything changes; multi-press creations take one at the first
  }
  pressed_ = true;
  press_ = clamped;
  current_ = clamped;
  lastMouse_ = POINT{x, y};

  const TIEVectMouseModes m = vectModes_;
  if (m & vmDrawLine) action_ = vkLine;
  else if (m & vmDrawLineLabel) action_ = vkLineLabel;
  else if (m & vmDrawRuler) action_ = vkRuler;
  else if (m & vmDrawBox) action_ = vkBox;
  else if (m & vmDrawEllipse) action_ = vkEllipse;
  else if (m & vmDrawBitmap) action_ = vkBitmap;
  else if (m & vmDrawText) action_ = vkText;
  else if (m & vmDrawMemo) action_ = vkMemo;
  else if (m & vmMeasureLength) {
    action_ = vkLine;
    hintActive_ = true;  // the hint follows a length drag only
    ShowMeasureHint(press_.x, press_.y);
  }
  else if (m & vmDrawExtended) action_ = vkExtended;
  else if (m & vmDrawAngle) {
    if (!doubleClick_) PressAngle(shift, clamped.x, clamped.y);
  } else if (m & vmDrawPolyline) {
    const POINT p = polylineLeaves_ ? POINT{x, y} : clamped;
    PressPolyline(shift, p.x, p.y, doubleClick_);
  } else if (m & vmEditPolyline) {
    const POINT p = polylineLeaves_ ? POINT{x, y} : clamped;
    FindPolylinePointAtPress(p.x, p.y);
  } else if (m & vmSelectObjects) {
    const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
    if (!doubleClick_) {
      int32_t grip = 0;
      int32_t index = GripAtPoint(x, y, grip);
      if ((index < 0 || (grip == 3 && !centreGrip_)) && selectOnMouseDown_) {
        SelectAtPoint(shift, x, y, true);
        index = GripAtPoint(x, y, grip);
      }
      grip_ = index >= 0 ? static_cast<uint8_t>(grip) : 0;
      if (grip_)
        for (int32_t hobj : selection_)
          if (TIEVectorObject* r = GetObjectRecord(hobj)) r->DragRect = RECT{r->X1, r->Y1, r->X2, r->Y2};
    } else {
      double distance = 0;
      const int32_t hobj = FindObjectAt(bx, by, true, distance);
      if (hobj >= 0) DoObjectDblClick(hobj);
      TIEVectorObject* r = GetObjectRecord(hobj);
      if (r && hobj >= 0 && distance == 0 && (r->Kind == vkText || r->Kind == vkMemo)) {
        // A text is edited alone: the double click makes it the only selected object.
        const bool wasSelected = IsSelObject(hobj);
        const std::vector<int32_t> old = selection_;
        for (int32_t h : old)
          if (h != hobj) DoUserDeselectObject(h);
        selection_.assign(1, hobj);
        if (!wasSelected) DoUserSelectObject(hobj);
        DoSelectObject();
        Update();
        ActivateTextEdit(hobj);
      }
    }
    double distance = 0;
    const int32_t over = FindObjectAt(bx, by, false, distance);
    if (TIEVectorObject* r = GetObjectRecord(over); r && distance == 0 && r->Kind == vkExtended && r->Extended)
      r->Extended->MouseDown(button, shift, bx, by);
  }
  dragOffsetX_ = dragOffsetY_ = 0;
  rubberShown_ = false;
}

void TImageVect::PressAngle(vcl::TShiftState shift, int32_t x, int32_t y) {
  POINT point{ClientToBitmapX(x), ClientToBitmapY(y)};
  TIEVectorObject* r = action_ == vkAngle ? GetObjectRecord(angleHandle_) : nullptr;
  if (!r) {
    changed_ = true;
    action_ = vkAngle;
    template_.Kind = vkAngle;
    template_.AnglePoints[0] = point;
    template_.AnglePoints[1] = template_.AnglePoints[2] = POINT{kUndefinedAnglePoint, kUndefinedAnglePoint};
    template_.X1 = template_.Y1 = 1000000;
    template_.X2 = template_.Y2 = -1000000;
    angleHandle_ = AddNewObject(template_);
    r = GetObjectRecord(angleHandle_);
    const RECT b = r->AngleBounds();
    r->X1 = b.left, r->Y1 = b.top, r->X2 = b.right, r->Y2 = b.bottom;
    UnSelAllObjects();
    Update();
    return;
  }
  const int32_t index = r->AnglePoints[1].x == kUndefinedAnglePoint ? 1 : 2;
  if (shift.Contains(vcl::ssCtrl)) {
    const POINT& previous = r->AnglePoints[index - 1];
    int32_t px = point.x, py = point.y;
    ConstrainTo45Degrees(previous.x, previous.y, px, py);
    point = POINT{px, py};
    press_ = POINT{BitmapToClientX(px), BitmapToClientY(py)};
  }
  r->AnglePoints[index] = point;
  // The rectangle is the bounds of the points, so that the whole angle counts as visible.
  const RECT b = r->AngleBounds();
  r->X1 = b.left, r->Y1 = b.top, r->X2 = b.right, r->Y2 = b.bottom;
  if (index == 2) {
    template_.X1 = b.left, template_.Y1 = b.top, template_.X2 = b.right, template_.Y2 = b.bottom;
    SelObject(angleHandle_);
    DoVectorialChanged();
    DoNewObject(angleHandle_);
    action_ = 0;
  }
  Update();
}

void TImageVect::PressPolyline(vcl::TShiftState shift, int32_t x, int32_t y, bool doubleClick) {
  TIEVectorObject* r = action_ == vkPolyline ? GetObjectRecord(polylineHandle_) : nullptr;
  if (r) {
    if (shift.Contains(vcl::ssCtrl)) ConstrainTo45Degrees(polylineLast_.x, polylineLast_.y, x, y);
    polylineLast_ = POINT{x, y};
    AddPolylinePoint(polylineHandle_, ClientToBitmapX(x), ClientToBitmapY(y));
    if (doubleClick && polylineEndMode_ == 0) {
      template_.X1 = r->X1, template_.Y1 = r->Y1, template_.X2 = r->X2, template_.Y2 = r->Y2;
      SelObject(polylineHandle_);
      DoVectorialChanged();
      changed_ = false;
      DoNewObject(polylineHandle_);
      action_ = 0;
    }
  } else {
    action_ = vkPolyline;
    template_.Kind = vkPolyline;
    template_.X1 = template_.Y1 = 1000000;
    template_.X2 = template_.Y2 = -1000000;
    changed_ = true;
    polylineHandle_ = AddNewObject(template_);
    AddPolylinePoint(polylineHandle_, ClientToBitmapX(x), ClientToBitmapY(y));
    polylineLast_ = POINT{x, y};
    UnSelAllObjects();
  }
  Update();
}

void TImageVect::FindPolylinePointAtPress(int32_t x, int32_t y) {
  if (selection_.size() != 1) return;
  TIEVectorObject* r = GetObjectRecord(selection_[0]);
  if (!r || r->Kind != vkPolyline) return;
  const auto& points = r->ViewPoints;
  for (size_t i = 0; i < points.size(); ++i)
    if (std::abs(points[i].x - x) <= 3 && std::abs(points[i].y - y) <= 3) {
      polylinePoint_ = static_cast<int32_t>(i);
      return;
    }
  const size_t n = points.size();
  for (size_t i = 0; i + 1 < n; ++i)
    if (DistanceToSegment(x, y, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y) < 1.5) {
      polylineSegment_ = static_cast<int32_t>(i);
      return;
    }
  if (r->Closed && n > 2 &&
      DistanceToSegment(x, y, points[n - 1].x, points[n - 1].y, points[0].x, points[0].y) < 1.5)
    polylineSegment_ = static_cast<int32_t>(n - 1);
}

void TImageVect::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (skipMoveAfterDouble_) {
    skipMoveAfterDouble_ = false;
    return;
  }
  TImageView::MouseMove(shift, x, y);
  if (x == lastMouse_.x && y == lastMouse_.y) return;
  lastMouse_ = POINT{x, y};
  const POINT raw{x, y};
  const POINT p = ClampToImage(x, y);
  const bool held = pressed_ && shift.Contains(vcl::ssLeft);
  const bool ctrl = shift.Contains(vcl::ssCtrl);

  if (held && action_) {
    interactionChanged_ = 1;
    const bool resizable = template_.IsResizable();
    switch (action_) {
      case vkLine:
      case vkLineLabel:
      case vkRuler: {
        HideMeasureHint();
        DrawRubberLine(press_.x, press_.y);
        current_ = (vectModes_ & vmMeasureLength) && action_ == vkLine ? raw : p;
        if (ctrl) ConstrainTo45Degrees(press_.x, press_.y, current_.x, current_.y);
        if (!resizable) press_ = current_;
        DrawRubberLine(press_.x, press_.y);
        ShowMeasureHint(current_.x, current_.y);
        break;
      }
      case vkBox:
      case vkEllipse:
      case vkExtended:
      case vkBitmap:
      case vkText:
      case vkMemo: {
        const bool ellipse = action_ == vkEllipse;
        if (ellipse)
          DrawRubberEllipse();
        else
          DrawRubberBox();
        current_ = p;
        if (ctrl && (action_ == vkBox || action_ == vkEllipse || action_ == vkExtended)) {
          const int32_t dx = current_.x - press_.x, dy = current_.y - press_.y;
          const int32_t d = std::abs(dx) >= std::abs(dy) ? dx : dy;
          current_.x = press_.x + d, current_.y = press_.y + d;
        }
        if (action_ == vkBitmap && (shift.Contains(vcl::ssAlt) || template_.KeepAspect)) {
          if (TIEBitmap* bitmap = BitmapTableBitmap(template_.BitmapIndex); bitmap && bitmap->Width() > 0)
            current_.y = RoundCoordinate(
                static_cast<double>(bitmap->Height()) / bitmap->Width() * (current_.x - press_.x) + press_.y);
        }
        if (!resizable) press_ = current_;
        if (ellipse)
          DrawRubberEllipse();
        else
          DrawRubberBox();
        break;
      }
      case vkPolyline: {
        const POINT q = polylineLeaves_ ? raw : p;
        if (GetObjectRecord(polylineHandle_)) {
          AddPolylinePoint(polylineHandle_, ClientToBitmapX(q.x), ClientToBitmapY(q.y));
          polylineLast_ = q;
          Update();
        }
        break;
      }
      case vkAngle:
        current_ = p;
        InvalidateImageRect(vcl::TRect(0, 0, ClientWidth(), ClientHeight()));
        break;
      default:
        break;
    }
    rubberShown_ = true;
  } else if (held && grip_) {
    MoveByGrip(shift, p.x, p.y);
  } else if (held && (vectModes_ & vmEditPolyline) && polylinePoint_ >= 0) {
    DragPolylinePoint(p.x, p.y);
  } else if (held && (vectModes_ & vmSelectObjects) && rubberBandSelect_ && !deferredSelect_) {
    if (rubberShown_) DrawRubberBox();
    current_ = p;
    RubberBandSelect(shift);
    DrawRubberBox();
    rubberShown_ = true;
    rubberBand_ = true;
  } else if (!held) {
    if (action_ == vkPolyline) {
      current_ = raw;
      if (ctrl) ConstrainTo45Degrees(polylineLast_.x, polylineLast_.y, current_.x, current_.y);
      InvalidateImageRect(vcl::TRect(0, 0, ClientWidth(), ClientHeight()));
    } else if (action_ == vkAngle) {
      current_ = p;
      InvalidateImageRect(vcl::TRect(0, 0, ClientWidth(), ClientHeight()));
    } else if (OnObjectOver) {
      double distance = 0;
      DoObjectOver(FindObjectAtClient(x, y, distance));
    }
    SetModeCursor(shift, x, y);
  }

  if (!action_) {
    double distance = 0;
    const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
    int32_t over = FindObjectAt(bx, by, false, distance);
    TIEVectorObject* r = GetObjectRecord(over);
    if (!r || distance != 0 || r->Kind != vkExtended || !r->Extended) over = -1, r = nullptr;
    if (over != extendedUnderMouse_) {
      if (TIEVectorObject* old = GetObjectRecord(extendedUnderMouse_); old && old->Extended)
        old->Extended->MouseLeave();
      extendedUnderMouse_ = over;
      if (r) r->Extended->MouseEnter();
    }
    if (r) r->Extended->MouseMove(shift, bx, by);
  }
}

void TImageVect::SetModeCursor(vcl::TShiftState shift, int32_t x, int32_t y) {
  if ((vectModes_ & vmEditPolyline) && selection_.size() == 1) {
    TIEVectorObject* r = GetObjectRecord(selection_[0]);
    if (r && r->Kind == vkPolyline) {
      for (const POINT& p : r->ViewPoints)
        if (std::abs(p.x - x) <= 3 && std::abs(p.y - y) <= 3) {
          SetCurrentCursor(shift.Contains(vcl::ssCtrl) ? crPolylineDelete : crGripBody);
          return;
        }
      for (size_t i = 0; i + 1 < r->ViewPoints.size(); ++i) {
        const POINT& a = r->ViewPoints[i];
        const POINT& b = r->ViewPoints[i + 1];
        if (DistanceToSegment(x, y, a.x, a.y, b.x, b.y) < 1.5) {
          SetCurrentCursor(crPolylineInsert);
          return;
        }
      }
    }
  }
  if (vectModes_ & vmSelectObjects) {
    int32_t grip = 0;
    if (GripAtPoint(x, y, grip) >= 0) {
      switch (grip) {
        case 1: case 2: SetCurrentCursor(crGripEnds); return;
        case 3: SetCurrentCursor(crGripBody); return;
        case 6: case 7: SetCurrentCursor(crGripSidesX); return;
        case 8: case 9: SetCurrentCursor(crGripSidesY); return;
        default: SetCurrentCursor(crGripCorner); return;
      }
    }
  }
  RestoreCursor();
}

void TImageVect::MoveByGrip(vcl::TShiftState shift, int32_t x, int32_t y) {
  DoVectorialChangedOnce();
  interactionChanged_ = 1;
  if (shift.Contains(vcl::ssCtrl) && !selection_.empty() && (grip_ == 1 || grip_ == 2)) {
    TIEVectorObject* first = GetObjectRecord(selection_[0]);
    if (first && (first->Kind == vkLine || first->Kind == vkRuler || first->Kind == vkLineLabel)) {
      const int32_t ox = grip_ == 1 ? first->DragRect.right : first->DragRect.left;
      const int32_t oy = grip_ == 1 ? first->DragRect.bottom : first->DragRect.top;
      // The dragged end snaps around the other end: the mouse is taken as the end's new place.
      int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
      ConstrainTo45Degrees(ox, oy, bx, by);
      const int32_t endX = grip_ == 1 ? first->DragRect.left : first->DragRect.right;
      const int32_t endY = grip_ == 1 ? first->DragRect.top : first->DragRect.bottom;
      const int32_t dx = bx - endX - dragOffsetX_, dy = by - endY - dragOffsetY_;
      dragOffsetX_ += dx, dragOffsetY_ += dy;
      for (int32_t hobj : selection_)
        if (TIEVectorObject* r = GetObjectRecord(hobj); r && r->IsResizable()) {
          int32_t ddx = dx, ddy = dy;
          DoObjectMoveResize(hobj, grip_, ddx, ddy);
          ResizeObjectByGrip(*r, grip_, ddx, ddy, false);
        }
      Update();
      return;
    }
  }
  const int32_t dx = BitmapOffsetX(x) - dragOffsetX_, dy = BitmapOffsetY(y) - dragOffsetY_;
  if (dx == 0 && dy == 0) return;
  dragOffsetX_ += dx, dragOffsetY_ += dy;
  bool moveAllowed = true;
  if (grip_ == 3 && !allowMoveOutside_) {
    RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t hobj : selection_)
      if (TIEVectorObject* r = GetObjectRecord(hobj)) {
        const RECT b = r->Kind == vkAngle ? r->AngleBounds()
                                          : RECT{std::min(r->X1, r->X2), std::min(r->Y1, r->Y2),
                                                 std::max(r->X1, r->X2), std::max(r->Y1, r->Y2)};
        box.left = std::min(box.left, b.left), box.top = std::min(box.top, b.top);
        box.right = std::max(box.right, b.right), box.bottom = std::max(box.bottom, b.bottom);
      }
    moveAllowed = box.left + dx >= 0 && box.top + dy >= 0 && box.right + dx < ImageWidth() &&
                  box.bottom + dy < ImageHeight();
  }
  for (int32_t hobj : selection_) {
    TIEVectorObject* r = GetObjectRecord(hobj);
    if (!r) continue;
    int32_t ox = dx, oy = dy;
    const bool keep = shift.Contains(vcl::ssAlt) || r->KeepAspect;
    DoObjectMoveResize(hobj, grip_, ox, oy);
    if (grip_ == 3) {
      if (!r->IsMovable() || !moveAllowed) continue;
      r->X1 += ox, r->X2 += ox, r->Y1 += oy, r->Y2 += oy;
      if (r->Kind == vkAngle)
        for (POINT& p : r->AnglePoints)
          if (p.x != kUndefinedAnglePoint || p.y != kUndefinedAnglePoint) p.x += ox, p.y += oy;
    } else if (r->IsResizable()) {
      ResizeObjectByGrip(*r, grip_, ox, oy, keep);
    }
  }
  Update();
}

void TImageVect::ResizeObjectByGrip(TIEVectorObject& r, int32_t grip, int32_t dx, int32_t dy, bool keepAspect) {
  switch (grip) {
    case 1: r.X1 += dx, r.Y1 += dy; break;
    case 2: r.X2 += dx, r.Y2 += dy; break;
    case 4: r.X2 += dx, r.Y1 += dy; break;
    case 5: r.X1 += dx, r.Y2 += dy; break;
    case 6: r.X1 += dx; break;
    case 7: r.X2 += dx; break;
    case 8: r.Y1 += dy; break;
    case 9: r.Y2 += dy; break;
    case 10:
    case 11:
    case 12: {
      POINT& p = r.AnglePoints[grip - 10];
      if (p.x == kUndefinedAnglePoint && p.y == kUndefinedAnglePoint) return;
      p.x += dx, p.y += dy;
      const RECT b = r.AngleBounds();
      r.X1 = b.left, r.Y1 = b.top, r.X2 = b.right, r.Y2 = b.bottom;
      return;
    }
    default: return;
  }
  if (!keepAspect) return;
  const int64_t dragW = r.DragRect.right - r.DragRect.left, dragH = r.DragRect.bottom - r.DragRect.top;
  if (grip == 8 || grip == 9) {
    const int64_t height = r.Y2 - r.Y1;
    if (height * dragW == 0 || dragH == 0) return;
    const int32_t newWidth = RoundCoordinate(static_cast<double>(height) * dragW / dragH);
    if (grip == 8) r.X1 = r.X2 - newWidth;
    else r.X2 = r.X1 + newWidth;
  } else {
    const int64_t width = r.X2 - r.X1;
    if (width * dragH == 0 || dragW == 0) return;
    const int32_t newHeight = RoundCoordinate(static_cast<double>(width) * dragH / dragW);
    if (grip == 1 || grip == 4) r.Y1 = r.Y2 - newHeight;
    else r.Y2 = r.Y1 + newHeight;
  }
}

void TImageVect::DragPolylinePoint(int32_t x, int32_t y) {
  if (selection_.size() != 1) return;
  TIEVectorObject* r = GetObjectRecord(selection_[0]);
  if (!r || r->Kind != vkPolyline || polylinePoint_ >= r->PointCount()) return;
  const int32_t dx = BitmapOffsetX(x) - dragOffsetX_, dy = BitmapOffsetY(y) - dragOffsetY_;
  if (dx == 0 && dy == 0) return;
  dragOffsetX_ += dx, dragOffsetY_ += dy;
  interactionChanged_ = 1;
  DoVectorialChangedOnce();
  r->Points[polylinePoint_].x += dx;
  r->Points[polylinePoint_].y += dy;
  r->RebasePolyline();
  changed_ = true;
  Update();
}

void TImageVect::RubberBandSelect(vcl::TShiftState shift) {
  if (!shift.Contains(vcl::ssShift)) selection_.clear();
  const int32_t x1 = ClientToBitmapX(std::min(press_.x, current_.x)), y1 = ClientToBitmapY(std::min(press_.y, current_.y));
  const int32_t x2 = ClientToBitmapX(std::max(press_.x, current_.x)), y2 = ClientToBitmapY(std::max(press_.y, current_.y));
  for (int32_t hobj : drawOrder_) {
    TIEVectorObject& r = *storage_[hobj];
    if (!r.IsVisible() || !r.IsSelectable()) continue;
    const RECT b = r.Kind == vkAngle ? r.AngleBounds()
                                     : RECT{std::min(r.X1, r.X2), std::min(r.Y1, r.Y2), std::max(r.X1, r.X2),
                                            std::max(r.Y1, r.Y2)};
    if (b.left >= x1 && b.right <= x2 && b.top >= y1 && b.bottom <= y2 && !IsSelObject(hobj))
      AppendHandle(selection_, hobj);
  }
  DoSelectObject();
  Update();
}

void TImageVect::SelectAtPoint(vcl::TShiftState shift, int32_t x, int32_t y, bool atPress) {
  double distance = 0;
  const int32_t hobj = FindObjectAt(ClientToBitmapX(x), ClientToBitmapY(y), true, distance);
  const bool withShift = shift.Contains(vcl::ssShift);
  if (hobj < 0) {
    if (!withShift && !selection_.empty()) {
      const std::vector<int32_t> old = selection_;
      for (int32_t h : old) DoUserDeselectObject(h);
      UnSelAllObjects();
    }
    return;
  }
  const bool selected = IsSelObject(hobj);
  if (selected && selectOnMouseDown_ && atPress) {
    deferredSelect_ = true;
    return;
  }
  if (!selected) {
    if (!withShift) {
      const std::vector<int32_t> old = selection_;
      for (int32_t h : old) DoUserDeselectObject(h);
      selection_.clear();
    }
    SelObject(hobj);
    DoUserSelectObject(hobj);
  } else if (withShift) {
    DoUserDeselectObject(hobj);
    UnSelObject(hobj);
  } else {
    const std::vector<int32_t> old = selection_;
    for (int32_t h : old)
      if (h != hobj) DoUserDeselectObject(h);
    selection_.assign(1, hobj);
    DoSelectObject();
  }
  Update();
}

void TImageVect::CreateAtRelease() {
  TIEVectorObject& t = template_;
  if (current_.x == press_.x && current_.y == press_.y) {
    const int32_t w = t.X2 - t.X1, h = t.Y2 - t.Y1;
    int32_t x1 = ClientToBitmapX(press_.x), y1 = ClientToBitmapY(press_.y);
    if (centreOnClick_) x1 -= w / 2, y1 -= h / 2;
    t.X1 = x1, t.Y1 = y1, t.X2 = x1 + w, t.Y2 = y1 + h;
  } else {
    t.X1 = ClientToBitmapX(press_.x), t.Y1 = ClientToBitmapY(press_.y);
    t.X2 = ClientToBitmapX(current_.x), t.Y2 = ClientToBitmapY(current_.y);
  }
  if (action_ == vkPolyline) {
    // Released with the release ending the polyline: it exists already.
    TIEVectorObject* r = GetObjectRecord(polylineHandle_);
    if (!r) return;
    t.X1 = r->X1, t.Y1 = r->Y1, t.X2 = r->X2, t.Y2 = r->Y2;
    selection_.clear();
    SelObject(polylineHandle_);
    changed_ = true;
    DoVectorialChanged();
    DoNewObject(polylineHandle_);
    return;
  }
  t.Kind = action_;
  const bool measuring = action_ == vkLine && !(vectModes_ & vmDrawLine) && (vectModes_ & vmMeasureLength);
  if (measuring) return;
  DoVectorialChangedOnce();
  AddNewObject(t);
  selection_.clear();
  DoSelectObject();
  DoNewObject(ObjectsCount() - 1);
  SelObject(ObjectsCount() - 1);
  changed_ = true;
  if ((t.Kind == vkText || t.Kind == vkMemo) && editAfterCreate_)
    ActivateTextEdit(ObjectsCount() - 1);
  else
    DoVectorialChanged();
}

void TImageVect::ReleasePolylineEdit(vcl::TShiftState shift, int32_t x, int32_t y) {
  if (selection_.size() != 1) return;
  TIEVectorObject* r = GetObjectRecord(selection_[0]);
  if (!r || r->Kind != vkPolyline) return;
  if (polylinePoint_ >= 0 && polylinePoint_ < r->PointCount()) {
    if (shift.Contains(vcl::ssCtrl) && r->PointCount() > 2) {
      DoVectorialChangedOnce();
      r->Points.erase(r->Points.begin() + polylinePoint_);
      r->Points.shrink_to_fit();
      r->RebasePolyline();
      changed_ = true;
      DoVectorialChanged();
    }
  } else if (polylineSegment_ >= 0 && polylineSegment_ < r->PointCount()) {
    const double sx = r->PolylineScaleX(), sy = r->PolylineScaleY();
    // A polyline squeezed to no width or height has no way back into its own coordinates.
    if (sx == 0 || sy == 0) return;
    const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
    const POINT p{RoundCoordinate((bx + r->BaseRect.left * sx - r->X1) / sx),
                  RoundCoordinate((by + r->BaseRect.top * sy - r->Y1) / sy)};
    DoVectorialChangedOnce();
    r->Points.insert(r->Points.begin() + polylineSegment_ + 1, p);
    r->RebasePolyline();
    changed_ = true;
    DoVectorialChanged();
  }
}

void TImageVect::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TImageView::MouseUp(button, shift, x, y);
  const POINT p = ClampToImage(x, y);
  if (button != vcl::mbLeft || !pressed_) return;
  pressed_ = false;
  if (hintActive_) {
    HideMeasureHint();
    hintActive_ = false;
    if (OnDragLenEnd) OnDragLenEnd(this, lastMeasure_);
  }
  const bool isClick = p.x == press_.x && p.y == press_.y;
  const bool runs = (action_ != vkAngle && action_ != vkPolyline) || (action_ == vkPolyline && polylineEndMode_ == 2);
  const bool allowed = !isClick || !(vectModes_ & vmNoClickCreate) ||
                       (vectModes_ & (vmSelectObjects | vmMeasureArea | vmMeasurePerimeter));
  if (runs && allowed) {
    if (rubberShown_ && action_ != vkPolyline && action_ != vkAngle) {
      if (action_ == vkLine || action_ == vkLineLabel || action_ == vkRuler)
        DrawRubberLine(press_.x, press_.y);
      else if (action_ == vkEllipse)
        DrawRubberEllipse();
      else if (action_ || rubberBand_)
        DrawRubberBox();
    }
    rubberShown_ = false;
    rubberBand_ = false;
    if (action_) {
      CreateAtRelease();
    } else {
      const bool dragged = grip_ && (grip_ != 3 || !isClick);
      if (dragged || !(vectModes_ & (vmSelectObjects | vmEditPolyline)) || !isClick) {
        if (dragged) {
          for (int32_t hobj : selection_)
            if (TIEVectorObject* r = GetObjectRecord(hobj); r && !r->KeepsDirection() && r->Kind != vkAngle)
              r->OrderCorners();
          changed_ = true;
          DoVectorialChanged();
        }
      } else if ((vectModes_ & vmSelectObjects) && (!selectOnMouseDown_ || deferredSelect_)) {
        SelectAtPoint(shift, x, y, false);
      }
      if (vectModes_ & vmEditPolyline) ReleasePolylineEdit(shift, p.x, p.y);
    }
    action_ = 0;
    grip_ = 0;
    Update();
    if (interactionChanged_ > 0) {
      interactionChanged_ = 0;
      InvalidateImageRect(vcl::TRect(0, 0, ClientWidth(), ClientHeight()));
    }
    if (vectModes_ & vmSelectObjects) {
      double distance = 0;
      const int32_t hobj = FindObjectAtClient(x, y, distance);
      if (hobj >= 0) DoObjectClick(hobj);
    }
  }
  deferredSelect_ = false;
  polylinePoint_ = -1;
  polylineSegment_ = -1;
  changedOnce_ = false;
  if (!action_) WithdrawUndoAtRelease();
  double distance = 0;
  const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
  const int32_t over = FindObjectAt(bx, by, false, distance);
  if (TIEVectorObject* r = GetObjectRecord(over); r && distance == 0 && r->Kind == vkExtended && r->Extended)
    r->Extended->MouseUp(button, shift, bx, by);
}

void TImageVect::KeyDown(WORD& key, vcl::TShiftState shift) {
  if (key == VK_ESCAPE && IsTextEditing()) {
    CancelInteraction();
  } else if (key == VK_F2 && !selection_.empty()) {
    if (TIEVectorObject* r = GetObjectRecord(selection_[0]); r && (r->Kind == vkText || r->Kind == vkMemo))
      ActivateTextEdit(selection_[0]);
  }
  TImageView::KeyDown(key, shift);
}

void TImageVect::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_KEYDOWN: {
      TImageView::Dispatch(message);
      if (selection_.size() == 1)
        if (TIEVectorObject* r = GetObjectRecord(selection_[0]); r && r->Kind == vkExtended && r->Extended)
          r->Extended->KeyDown(static_cast<WORD>(message.WParam), vcl::KeyDataToShiftState(message.LParam));
      return;
    }
    default:
      TImageView::Dispatch(message);
  }
}

void TImageVect::OffsetMousePoints(int32_t dx, int32_t dy) {
  TImageView::OffsetMousePoints(dx, dy);
  current_.x -= dx;
  current_.y -= dy;
}

void TImageVect::Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation) {
  TImageView::Select(x1, y1, x2, y2, operation);
}

void TImageVect::AddSelectionPoint(int32_t x, int32_t y) { TImageView::AddSelectionPoint(x, y); }

}  // namespace imaging
