#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/base/distances.h"
#include "imaging/base/geometry.h"
#include "imaging/vect/image_vect.h"

namespace imaging {

namespace {

// Even-odd rule.
bool InsidePolygon(const std::vector<POINT>& polygon, int32_t x, int32_t y) {
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const POINT& a = polygon[i];
    const POINT& b = polygon[j];
    if ((a.y > y) != (b.y > y) &&
        x < static_cast<double>(b.x - a.x) * (y - a.y) / static_cast<double>(b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

RECT BoundsOf(const TIEVectorObject& r) {
  if (r.Kind == vkAngle) return r.AngleBounds();
  return RECT{std::min(r.X1, r.X2), std::min(r.Y1, r.Y2), std::max(r.X1, r.X2), std::max(r.Y1, r.Y2)};
}

bool InHalfOpenSquare(int32_t x, int32_t y, int32_t gx, int32_t gy, int32_t s) {
  return x >= gx - s && x < gx + s && y >= gy - s && y < gy + s;
}

}  // namespace

double TImageVect::DistanceToObject(int32_t hobj, int32_t x, int32_t y) {
  TIEVectorObject* rp = GetObjectRecord(hobj);
  if (!rp) return -1;
  TIEVectorObject& r = *rp;
  const int32_t w = r.PenWidth;
  const RECT b = BoundsOf(r);
  switch (r.Kind) {
    case vkLine:
    case vkLineLabel: {
      double d = DistanceToSegment(x, y, r.X1, r.Y1, r.X2, r.Y2);
      if (w > 1) d = d <= w / 2.0 ? 0 : d - w / 2.0;
      if (r.Kind == vkLineLabel && r.LabelRect.right > r.LabelRect.left)
        d = std::min(d, DistanceToRectangle(x, y, r.LabelRect.left, r.LabelRect.top, r.LabelRect.right,
                                            r.LabelRect.bottom, true, 1));
      return d;
    }
    case vkEllipse:
      return DistanceToEllipse(x, y, b.left, b.top, b.right, b.bottom, r.BrushStyle != vcl::bsClear, w);
    case vkArc:
      return DistanceToEllipse(x, y, b.left, b.top, b.right, b.bottom, false, w);
    case vkRuler:
      return DistanceToSegment(x, y, r.X1, r.Y1, r.X2, r.Y2);
    case vkPolyline: {
      if (r.Points.empty()) return kFarDistance;
      if (r.Closed && r.BrushStyle != vcl::bsClear && r.Points.size() > 2) {
        std::vector<POINT> mapped;
        mapped.reserve(r.Points.size());
        for (const POINT& p : r.Points) mapped.push_back(r.MapPolylinePoint(p));
        if (InsidePolygon(mapped, x, y)) return 0;
      }
      return DistanceToPolyline(x, y, r.Points.data(), r.PointCount(), r.BaseRect.left, r.BaseRect.top, r.X1, r.Y1,
                                r.PolylineScaleX(), r.PolylineScaleY(), w, r.Closed != 0);
    }
    case vkAngle: {
      POINT points[3];
      int32_t count = 0;
      for (const POINT& p : r.AnglePoints)
        if (p.x != kUndefinedAnglePoint || p.y != kUndefinedAnglePoint) points[count++] = p;
      if (count == 0) return kFarDistance;
      return DistanceToPolyline(x, y, points, count, 0, 0, 0, 0, 1.0, 1.0, 1, false);
    }
    case vkBitmap: {
      const double d = DistanceToRectangle(x, y, b.left, b.top, b.right, b.bottom, true, 1);
      TIEBitmap* bitmap = BitmapTableBitmap(r.BitmapIndex);
      if (d == 0 && alphaHitTest_ && bitmap && bitmap->HasAlphaChannel() && bitmap->Width() > 0 &&
          bitmap->Height() > 0) {
        const int32_t bw = b.right - b.left + 1, bh = b.bottom - b.top + 1;
        const int32_t px = std::clamp<int32_t>((x - b.left) * bitmap->Width() / bw, 0, bitmap->Width() - 1);
        const int32_t py = std::clamp<int32_t>((y - b.top) * bitmap->Height() / bh, 0, bitmap->Height() - 1);
        return bitmap->GetAlphaAt(px, py) > 0 ? 0 : 1000;
      }
      return d;
    }
    case vkBox:
      return DistanceToRectangle(x, y, b.left, b.top, b.right, b.bottom,
                                 r.BrushStyle != vcl::bsClear || boxInsideSelects_, std::max(w, 1));
    case vkText:
    case vkMemo:
    case vkExtended:
      return DistanceToRectangle(x, y, b.left, b.top, b.right, b.bottom, true, 1);
    default:
      return -1;  // a kind that draws nothing cannot be hit
  }
}

int32_t TImageVect::FindObjectAt(int32_t x, int32_t y, bool selectableOnly, double& distance) {
  const double zx = ZoomX() > 0 ? ZoomX() : 100, zy = ZoomY() > 0 ? ZoomY() : 100;
  const int32_t vx = static_cast<int32_t>(ViewX() * 100 / zx), vy = static_cast<int32_t>(ViewY() * 100 / zy);
  const int32_t vw = static_cast<int32_t>(ClientWidth() * 100 / zx), vh = static_cast<int32_t>(ClientHeight() * 100 / zy);
  int32_t best = hobjNotFound;
  distance = kNoDistance;
  for (auto it = drawOrder_.rbegin(); it != drawOrder_.rend(); ++it) {
    TIEVectorObject& r = *storage_[*it];
    if (!r.IsVisible() || (selectableOnly && !r.IsSelectable())) continue;
    const RECT b = BoundsOf(r);
    if (b.right < vx || b.left > vx + vw || b.bottom < vy || b.top > vy + vh) continue;
    const double d = DistanceToObject(*it, x, y);
    if (d < 0) continue;
    if (d < distance) {
      distance = d;
      best = *it;
    }
  }
  if (best != hobjNotFound && maxSelDistance_ >= 0 && distance > maxSelDistance_ * 100 / zx) return hobjNotFound;
  return best;
}

int32_t TImageVect::FindObjectAtClient(int32_t x, int32_t y, double& distance) {
  return FindObjectAt(ClientToBitmapX(x), ClientToBitmapY(y), false, distance);
}

int32_t TImageVect::GripAtPoint(int32_t x, int32_t y, int32_t& grip) {
  grip = 0;
  const int32_t s = gripSize_;
  const RECT image{BitmapToClientX(0), BitmapToClientY(0), BitmapToClientX(ImageWidth()),
                   BitmapToClientY(ImageHeight())};
  for (size_t i = 0; i < selection_.size(); ++i) {
    const int32_t hobj = selection_[i];
    TIEVectorObject* rp = GetObjectRecord(hobj);
    if (!rp) continue;
    TIEVectorObject& r = *rp;
    const RECT c = ObjectClientRect(r);
    if (c.right + s < image.left || c.left - s > image.right || c.bottom + s < image.top || c.top - s > image.bottom)
      continue;
    int32_t found = 0;
    if (r.Kind == vkAngle) {
      for (int32_t k = 0; k < 3 && !found; ++k) {
        const POINT& p = r.AnglePoints[k];
        if (p.x == kUndefinedAnglePoint && p.y == kUndefinedAnglePoint) continue;
        if (InHalfOpenSquare(x, y, BitmapToClientX(p.x), BitmapToClientY(p.y), s)) found = 10 + k;
      }
      if (!found) {
        const double d = DistanceToObject(hobj, ClientToBitmapX(x), ClientToBitmapY(y));
        if (d >= 0 && d < bodyTolerance_) found = 3;
      }
    } else {
      const int32_t x1 = BitmapToClientX(r.X1), y1 = BitmapToClientY(r.Y1);
      const int32_t x2 = BitmapToClientX(r.X2), y2 = BitmapToClientY(r.Y2);
      if (InHalfOpenSquare(x, y, x1, y1, s)) {
        found = 1;
      } else if (InHalfOpenSquare(x, y, x2, y2, s)) {
        found = 2;
      } else if (centreGrip_) {
        if (InHalfOpenSquare(x, y, c.left + (c.right - c.left + 1) / 2, c.top + (c.bottom - c.top + 1) / 2, s))
          found = 3;
      } else {
        const double d = DistanceToObject(hobj, ClientToBitmapX(x), ClientToBitmapY(y));
        if (d >= 0 && d < bodyTolerance_) found = 3;
      }
      if (r.Kind != vkLine && r.Kind != vkRuler && r.Kind != vkLineLabel) {
        const POINT more[6] = {{x2, y1}, {x1, y2}, {x1, (y1 + y2) / 2}, {x2, (y1 + y2) / 2},
                               {(x1 + x2) / 2, y1}, {(x1 + x2) / 2, y2}};
        for (int32_t k = 0; k < 6; ++k)
          if (InHalfOpenSquare(x, y, more[k].x, more[k].y, s)) {
            found = 4 + k;
            break;
          }
      }
      if (r.Kind == vkLineLabel && r.LabelRect.right > r.LabelRect.left) {
        const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
        if (bx >= r.LabelRect.left && bx <= r.LabelRect.right && by >= r.LabelRect.top && by <= r.LabelRect.bottom)
          found = 2;
      }
    }
    if (found) {
      if (!r.IsResizable()) found = 3;
      grip = found;
      return static_cast<int32_t>(i);
    }
  }
  return hobjNoGrip;
}

}  // namespace imaging
