// Distances of a point to lines, segments, polylines, ellipses and rectangles, for hit tests
// of vector objects and selections. 1,000,000 (segments) and 2147483647 (shapes) stand for
// "too far to matter".
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

constexpr double kFarDistance = 1000000;
constexpr double kNoDistance = 2147483647;

double PointDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the infinite line through two points (to the point itself when they are equal).
double DistanceToLine(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the segment; an end point more than 45000 pixels away on either axis counts as
// far (kFarDistance).
double DistanceToSegment(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the polyline of count points mapped into view coordinates
// (Round((p - source) * scale + view)), closed back to the first point when asked. A pen wider
// than 1 is tested as a band of shifted copies covering its width on both sides.
double DistanceToPolyline(int32_t x, int32_t y, const POINT* points, int32_t count, int32_t sourceX,
                          int32_t sourceY, int32_t viewX, int32_t viewY, double scaleX, double scaleY,
                          int32_t penWidth, bool closed);
// Distance to the ellipse inscribed in (x1, y1)-(x2, y2), tested for every pen offset from
// -(penWidth div 2) to penWidth div 2; kNoDistance for a negative pen width.
// The outline is a polygon of about 2 pi r / 8 vertices, closed.
double DistanceToEllipse(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled,
                         int32_t penWidth);
// Distance to the rectangle's edges for the same pen offsets; 0 inside a filled rectangle;
// kNoDistance for a negative pen width.
double DistanceToRectangle(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled,
                           int32_t penWidth);

}  // namespace imaging
