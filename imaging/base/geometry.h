// Geometry of the views and the vector layer: rectangle and point tests, fitting and
// constraining drags, angles (radians, counter-clockwise as seen on the screen, y growing
// downwards), point rotation, polygons and Bezier points. All bounds are inclusive. Points and
// rectangles are the platform's records (the component library's TPoint and TRect).
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

bool PointInRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
bool PointInUnorderedRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The first rectangle may have its corners in any order, the second must be ordered.
bool RectsIntersect(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, int32_t bx1, int32_t by1, int32_t bx2,
                    int32_t by2);
// 2 when b lies inside a, 1 when b straddles an edge of a, 0 otherwise.
int32_t RectInsideState(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, int32_t bx1, int32_t by1, int32_t bx2,
                        int32_t by2);
void IncludePointInRect(RECT& rect, int32_t x, int32_t y);
// Scales (up or down) to the largest size that fits the box, each side at least 1; an empty
// size leaves the outputs alone.
void ScaleSizeToFit(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, int32_t& newWidth,
                    int32_t& newHeight);
// Snaps the point to the horizontal, the vertical or a diagonal through the anchor.
void ConstrainTo45Degrees(int32_t anchorX, int32_t anchorY, int32_t& x, int32_t& y);

double ArcTan2Float(double y, double x);
// The arc cosine, with its argument held within -1 .. 1.
double ArcCosFloat(double c);
// The angle (0 .. pi) between the vectors P1->P2 and P2->P3; 0 when either has length 0.
double GetAngleBetweenSegments(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
// The direction of P1->P2 (0 .. 2 pi), straight up being pi / 2.
double GetLineAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// 1 or -1 for the two turning directions of P0->P1->P2; for collinear points -1 when P0 lies
// between the others, 1 when P1 does, else 0.
int32_t TurnDirection(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The angle at P2 (0 .. 2 pi) of the path P1->P2->P3.
double GetVertexAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);

// Rotates points[0 .. lastIndex] in place about (cx, cy) by the angle in degrees.
void RotatePoints(POINT* points, int32_t lastIndex, int32_t cx, int32_t cy, double angle);
// Even-odd test: a point on a left edge counts inside, on a right edge outside.
bool PointInPolygon(int32_t x, int32_t y, const POINT* points, int32_t lastIndex);
// The same test on count points mapped to ((p - base) * scale + offset).
bool PointInScaledPolygon(int32_t x, int32_t y, const POINT* points, int32_t count, int32_t baseX,
                          int32_t baseY, int32_t offsetX, int32_t offsetY, double scaleX, double scaleY);

// n points of the cubic Bezier curve p0..p3 at t = 1/n, 2/n, ..., 1 (p0 itself is not emitted).
void ComputeBezierPoints(const POINT& p0, const POINT& p1, const POINT& p2, const POINT& p3,
                         POINT* points, int32_t n);

}  // namespace imaging
