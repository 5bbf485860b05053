#include "imaging/base/distances.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "imaging/base/geometry.h"

namespace imaging {

double PointDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  return std::sqrt(dx * dx + dy * dy);
}

double DistanceToLine(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  double a = static_cast<double>(y1) - y2, b = static_cast<double>(x2) - x1;
  double length = std::sqrt(a * a + b * b);
  if (length == 0) return PointDistance(x, y, x1, y1);
  return std::fabs(a * x + b * y + static_cast<double>(x1) * y2 - static_cast<double>(x2) * y1) / length;
}

double DistanceToSegment(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) return PointDistance(x, y, x1, y1);
  double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  double t = ((static_cast<double>(x) - x1) * dx + (static_cast<double>(y) - y1) * dy) / (dx * dx + dy * dy);
  auto nearEnd = [&](int32_t ex, int32_t ey) {
    if (std::llabs(int64_t(x) - ex) <= 45000 && std::llabs(int64_t(y) - ey) <= 45000) return PointDistance(x, y, ex, ey);
    return kFarDistance;
  };
  if (t > 1) return nearEnd(x2, y2);
  if (t < 0) return nearEnd(x1, y1);
  double d = DistanceToLine(x, y, x1, y1, x2, y2);
  return std::isfinite(d) ? d : kFarDistance;
}

double DistanceToPolyline(int32_t x, int32_t y, const POINT* points, int32_t count, int32_t sourceX,
                          int32_t sourceY, int32_t viewX, int32_t viewY, double scaleX, double scaleY,
                          int32_t penWidth, bool closed) {
  double result = kFarDistance;
  if (count <= 0) return result;
  std::vector<POINT> mapped(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    mapped[i].x = static_cast<int32_t>(std::nearbyint((static_cast<double>(points[i].x) - sourceX) * scaleX + viewX));
    mapped[i].y = static_cast<int32_t>(std::nearbyint((static_cast<double>(points[i].y) - sourceY) * scaleY + viewY));
  }
  int32_t half = penWidth > 1 ? penWidth / 2 : 0;
  auto segment = [&](const POINT& a, const POINT& b) {
    for (int32_t ox = -half; ox <= half; ++ox)
      for (int32_t oy = -half; oy <= half; ++oy)
        result = std::min(result, DistanceToSegment(x, y, a.x + ox, a.y + oy, b.x + ox, b.y + oy));
  };
  for (int32_t i = 0; i + 1 < count; ++i) segment(mapped[i], mapped[i + 1]);
  if (closed && count > 1) segment(mapped[count - 1], mapped[0]);
  return result;
}

double DistanceToEllipse(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled,
                         int32_t penWidth) {
  double result = kNoDistance;
  if (penWidth < 0) return result;
  int32_t halfX = (x2 - x1) / 2, halfY = (y2 - y1) / 2;
  int32_t px = x - x1 - halfX, py = y - y1 - halfY;
  for (int32_t k = -(penWidth / 2); k <= penWidth / 2; ++k) {
    int32_t rx = halfX + k, ry = halfY + k;
    int64_t v = static_cast<int64_t>(std::trunc(2 * M_PI * std::min(rx, ry)));
    if (!filled) v /= 8;
    v = std::max<int64_t>(v, 2);
    auto vertex = [&](int64_t w) {
      double a = 2 * M_PI * static_cast<double>(w) / static_cast<double>(v);
      return POINT{static_cast<int32_t>(std::trunc(std::cos(a) * rx)),
                         static_cast<int32_t>(std::trunc(std::sin(a) * ry))};
    };
    // Every spoke and every edge counts, the closing edge back to vertex 0 included.
    for (int64_t w = 0; w < v; ++w) {
      POINT p = vertex(w);
      if (filled) {
        result = std::min(result, std::trunc(DistanceToSegment(px, py, 0, 0, p.x, p.y)));
      } else {
        POINT next = vertex((w + 1) % v);
        result = std::min(result, DistanceToSegment(px, py, p.x, p.y, next.x, next.y));
      }
    }
  }
  return result;
}

double DistanceToRectangle(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled,
                           int32_t penWidth) {
  double result = kNoDistance;
  if (penWidth < 0) return result;
  for (int32_t k = -(penWidth / 2); k <= penWidth / 2; ++k) {
    int32_t l = x1 + k, t = y1 + k, r = x2 + k, b = y2 + k;
    if (filled && PointInRect(x, y, l, t, r, b)) return 0;
    result = std::min({result, DistanceToSegment(x, y, l, t, r, t), DistanceToSegment(x, y, r, t, r, b),
                       DistanceToSegment(x, y, r, b, l, b), DistanceToSegment(x, y, l, b, l, t)});
  }
  return result;
}

}  // namespace imaging
