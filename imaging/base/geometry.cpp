#include "imaging/base/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/base/number_helpers.h"

namespace imaging {

bool PointInRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return x1 <= x && x <= x2 && y1 <= y && y <= y2;
}

bool PointInUnorderedRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  OrderRectCorners(x1, y1, x2, y2);
  return PointInRect(x, y, x1, y1, x2, y2);
}

bool RectsIntersect(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, int32_t bx1, int32_t by1, int32_t bx2,
                    int32_t by2) {
  return !(std::max(ax1, ax2) < bx1 || std::min(ax1, ax2) > bx2 || std::max(ay1, ay2) < by1 ||
           std::min(ay1, ay2) > by2);
}

int32_t RectInsideState(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, int32_t bx1, int32_t by1, int32_t bx2,
                        int32_t by2) {
  bool cx1 = ax1 <= bx1 && bx1 <= ax2;
  bool cx2 = ax1 <= bx2 && bx2 <= ax2;
  bool cy1 = ay1 <= by1 && by1 <= ay2;
  bool cy2 = ay1 <= by2 && by2 <= ay2;
  if ((cx1 != cx2 && (cy1 || cy2)) || ((cx1 || cx2) && cy1 != cy2)) return 1;
  if (cx1 && cx2 && cy1 && cy2) return 2;
  return 0;
}

void IncludePointInRect(RECT& rect, int32_t x, int32_t y) {
  rect.left = std::min<int32_t>(rect.left, x);
  rect.right = std::max<int32_t>(rect.right, x);
  rect.top = std::min<int32_t>(rect.top, y);
  rect.bottom = std::max<int32_t>(rect.bottom, y);
}

void ScaleSizeToFit(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, int32_t& newWidth,
                    int32_t& newHeight) {
  if (width == 0 || height == 0) return;
  double s = std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
  newWidth = std::max<int32_t>(static_cast<int32_t>(std::trunc(width * s)), 1);
  newHeight = std::max<int32_t>(static_cast<int32_t>(std::trunc(height * s)), 1);
}

void ConstrainTo45Degrees(int32_t anchorX, int32_t anchorY, int32_t& x, int32_t& y) {
  int32_t dx = x - anchorX, dy = y - anchorY;
  int32_t adx = std::abs(dx), ady = std::abs(dy);
  int32_t k = std::abs(adx - ady);
  if (ady > adx + 30) {
    x = anchorX;
  } else if (adx > ady + 30) {
    y = anchorY;
  } else if (dx > 0 && dy > 0) {
    if (adx >= ady) y += k; else x += k;
  } else if (dx < 0 && dy < 0) {
    if (adx >= ady) x += k; else y += k;
  } else if (dx < 0) {
    if (adx >= ady) y += k; else x -= k;
  } else if (dy < 0) {
    if (adx >= ady) y -= k; else x += k;
  }
}

double ArcTan2Float(double y, double x) { return std::atan2(y, x); }

double ArcCosFloat(double c) {
  // Rounding can push a cosine just past +-1; the angle is then 0 or pi, not a NaN.
  c = std::clamp(c, -1.0, 1.0);
  return ArcTan2Float(std::sqrt(1 - c * c), c);
}

double GetAngleBetweenSegments(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  double ax = static_cast<double>(x2) - x1, ay = static_cast<double>(y2) - y1;
  double bx = static_cast<double>(x3) - x2, by = static_cast<double>(y3) - y2;
  double lengths = std::sqrt(ax * ax + ay * ay) * std::sqrt(bx * bx + by * by);
  if (lengths == 0) return 0;
  return ArcCosFloat((ax * bx + ay * by) / lengths);
}

double GetLineAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const double pi = M_PI;
  if (x1 == x2) {
    if (y2 < y1) return pi / 2;
    if (y2 > y1) return 3 * pi / 2;
    return 0;
  }
  if (y1 == y2) return x2 < x1 ? pi : 0;
  // The angle to the horizontal on the side the line points to.
  int32_t sideX = x2 > x1 ? x1 - 1 : x1 + 1;
  double theta = GetAngleBetweenSegments(sideX, y1, x1, y1, x2, y2);
  if (x2 > x1) return y2 < y1 ? theta : 2 * pi - theta;
  return y2 > y1 ? pi + theta : pi - theta;
}

int32_t TurnDirection(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  int64_t d1x = int64_t(x1) - x0, d1y = int64_t(y1) - y0;
  int64_t d2x = int64_t(x2) - x0, d2y = int64_t(y2) - y0;
  if (d1y * d2x < d1x * d2y) return 1;
  if (d1x * d2y < d1y * d2x) return -1;
  if (d1x * d2x < 0 || d1y * d2y < 0) return -1;
  return d1x * d1x + d1y * d1y < d2x * d2x + d2y * d2y ? 1 : 0;
}

double GetVertexAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  auto length = [](double dx, double dy) {
    double l = std::sqrt(dx * dx + dy * dy);
    return l == 0 ? 1.0 : l;
  };
  double a = length(double(x3) - x2, double(y3) - y2);
  double b = length(double(x3) - x1, double(y3) - y1);
  double c = length(double(x2) - x1, double(y2) - y1);
  double angle = ArcCosFloat((a * a + c * c - b * b) / (2 * a * c));
  if (TurnDirection(x1, y1, x2, y2, x3, y3) == -1) return 2 * M_PI - angle;
  return angle;
}

void RotatePoints(POINT* points, int32_t lastIndex, int32_t cx, int32_t cy, double angle) {
  double d = -angle * M_PI / 180;
  double c = std::cos(d), s = std::sin(d);
  for (int32_t i = 0; i <= lastIndex; ++i) {
    double dx = static_cast<double>(points[i].x) - cx, dy = static_cast<double>(points[i].y) - cy;
    points[i].x = cx + static_cast<int32_t>(std::trunc(c * dx - s * dy));
    points[i].y = cy + static_cast<int32_t>(std::trunc(s * dx + c * dy));
  }
}

namespace {

// Even-odd crossing test over n points given by a mapping to doubles.
template <class PointAt>
bool EvenOddInside(double x, double y, int32_t n, PointAt at) {
  bool inside = false;
  for (int32_t i = 0, j = n - 1; i < n; j = i++) {
    auto [xi, yi] = at(i);
    auto [xj, yj] = at(j);
    if (((yi <= y && y < yj) || (yj <= y && y < yi)) && x < xi + (xj - xi) * (y - yi) / (yj - yi))
      inside = !inside;
  }
  return inside;
}

}  // namespace

bool PointInPolygon(int32_t x, int32_t y, const POINT* points, int32_t lastIndex) {
  return EvenOddInside(x, y, lastIndex + 1, [points](int32_t i) {
    return std::pair<double, double>(points[i].x, points[i].y);
  });
}

bool PointInScaledPolygon(int32_t x, int32_t y, const POINT* points, int32_t count, int32_t baseX,
                          int32_t baseY, int32_t offsetX, int32_t offsetY, double scaleX, double scaleY) {
  return EvenOddInside(x, y, count, [&](int32_t i) {
    return std::pair<double, double>((static_cast<double>(points[i].x) - baseX) * scaleX + offsetX,
                                     (static_cast<double>(points[i].y) - baseY) * scaleY + offsetY);
  });
}

void ComputeBezierPoints(const POINT& p0, const POINT& p1, const POINT& p2, const POINT& p3,
                         POINT* points, int32_t n) {
  if (n <= 0) return;
  double g = 1.0 / n;
  double t = g;
  for (int32_t k = 0; k < n; ++k, t += g) {
    double t2 = t * t, t3 = t2 * t;
    double a = 1 - 3 * t + 3 * t2 - t3;
    double b = 3 * t - 6 * t2 + 3 * t3;
    double c = 3 * t2 - 3 * t3;
    double d = t3;
    points[k].x = static_cast<int32_t>(std::nearbyint(a * p0.x + b * p1.x + c * p2.x + d * p3.x));
    points[k].y = static_cast<int32_t>(std::nearbyint(a * p0.y + b * p1.y + c * p2.y + d * p3.y));
  }
}

}  // namespace imaging
