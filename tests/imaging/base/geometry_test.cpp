#include <gtest/gtest.h>

#include <cmath>

#include "imaging/base/distances.h"
#include "imaging/base/geometry.h"

using namespace imaging;

TEST(Geometry, PointAndRectangleTests) {
  EXPECT_TRUE(PointInRect(5, 5, 0, 0, 5, 5));
  EXPECT_FALSE(PointInRect(6, 5, 0, 0, 5, 5));
  EXPECT_TRUE(PointInUnorderedRect(5, 5, 10, 10, 0, 0));
  EXPECT_FALSE(PointInRect(5, 5, 10, 10, 0, 0));
  EXPECT_TRUE(RectsIntersect(10, 10, 0, 0, 5, 5, 20, 20));
  EXPECT_FALSE(RectsIntersect(0, 0, 4, 4, 5, 5, 20, 20));

  struct Case {
    int32_t bx1, by1, bx2, by2, expected;
  } cases[] = {{2, 2, 3, 3, 2}, {5, 5, 20, 20, 1}, {20, 20, 30, 30, 0}, {-5, -5, 20, 20, 0}, {0, 0, 10, 10, 2}};
  for (const Case& c : cases)
    EXPECT_EQ(RectInsideState(0, 0, 10, 10, c.bx1, c.by1, c.bx2, c.by2), c.expected) << c.bx1 << "," << c.by1;

  RECT r{5, 5, 6, 6};
  IncludePointInRect(r, 2, 9);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.right, 6);
  EXPECT_EQ(r.bottom, 9);
}

TEST(Geometry, ScaleSizeToFit) {
  struct Case {
    int32_t w, h, bw, bh, nw, nh;
  } cases[] = {{200, 100, 50, 50, 50, 25}, {1, 1000, 10, 10, 1, 10}, {10, 10, 40, 20, 20, 20}};
  for (const Case& c : cases) {
    int32_t nw = -1, nh = -1;
    ScaleSizeToFit(c.w, c.h, c.bw, c.bh, nw, nh);
    EXPECT_EQ(nw, c.nw) << c.w << "x" << c.h;
    EXPECT_EQ(nh, c.nh) << c.w << "x" << c.h;
  }
  int32_t nw = -1, nh = -1;
  ScaleSizeToFit(0, 10, 5, 5, nw, nh);
  EXPECT_EQ(nw, -1);
  EXPECT_EQ(nh, -1);
}

TEST(Geometry, ConstrainTo45Degrees) {
  struct Case {
    int32_t x, y, ex, ey;
  } cases[] = {{100, 10, 100, 0},  {10, 100, 0, 100},  {50, 40, 50, 50},   {-50, -40, -40, -40},
               {-50, 40, -50, 50}, {40, -50, 50, -50}, {40, 50, 50, 50},   {0, 0, 0, 0}};
  for (const Case& c : cases) {
    int32_t x = c.x, y = c.y;
    ConstrainTo45Degrees(0, 0, x, y);
    EXPECT_EQ(x, c.ex) << c.x << "," << c.y;
    EXPECT_EQ(y, c.ey) << c.x << "," << c.y;
  }
}

TEST(Geometry, Angles) {
  struct Case {
    int32_t x2, y2;
    double expected;
  } cases[] = {{10, -10, M_PI / 4}, {0, 10, 3 * M_PI / 2}, {10, 0, 0},          {-10, 0, M_PI},
               {0, -10, M_PI / 2},  {10, 10, 7 * M_PI / 4}, {-10, 10, 5 * M_PI / 4}, {-10, -10, 3 * M_PI / 4},
               {0, 0, 0}};
  for (const Case& c : cases) EXPECT_NEAR(GetLineAngle(0, 0, c.x2, c.y2), c.expected, 1e-9) << c.x2 << "," << c.y2;

  EXPECT_NEAR(GetVertexAngle(0, 0, 10, 0, 20, 0), M_PI, 1e-9);
  double left = GetVertexAngle(0, 0, 10, 0, 10, -10);
  double right = GetVertexAngle(0, 0, 10, 0, 10, 10);
  EXPECT_NEAR(left + right, 2 * M_PI, 1e-9);
  EXPECT_NEAR(right, M_PI / 2, 1e-9);
  EXPECT_FALSE(std::isnan(GetVertexAngle(0, 0, 3, 3, 7, 7)));  // collinear, cosine rounds past -1

  EXPECT_EQ(GetAngleBetweenSegments(0, 0, 0, 0, 5, 5), 0);
  EXPECT_NEAR(GetAngleBetweenSegments(0, 0, 10, 0, 0, 0), M_PI, 1e-12);
  EXPECT_DOUBLE_EQ(ArcCosFloat(1), 0);
  EXPECT_DOUBLE_EQ(ArcCosFloat(-1), M_PI);
  EXPECT_DOUBLE_EQ(ArcCosFloat(-1.0000001), M_PI);

  EXPECT_EQ(TurnDirection(0, 0, 10, 0, 20, 0), 1);
  EXPECT_EQ(TurnDirection(0, 0, 20, 0, 10, 0), 0);
  EXPECT_EQ(TurnDirection(0, 0, -10, 0, 10, 0), -1);
}

TEST(Geometry, RotatePointsAndPolygons) {
  POINT points[] = {{10, 0}, {0, 10}};
  RotatePoints(points, 1, 0, 0, 90);
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[0].y, -10);
  EXPECT_EQ(points[1].x, 10);
  EXPECT_EQ(points[1].y, 0);

  const POINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(PointInPolygon(0, 5, square, 3));
  EXPECT_FALSE(PointInPolygon(10, 5, square, 3));
  EXPECT_TRUE(PointInPolygon(5, 5, square, 3));
  EXPECT_FALSE(PointInPolygon(15, 5, square, 3));
  EXPECT_TRUE(PointInScaledPolygon(15, 15, square, 4, 0, 0, 0, 0, 2.0, 2.0));
  EXPECT_TRUE(PointInScaledPolygon(105, 105, square, 4, 0, 0, 100, 100, 1.0, 1.0));
  EXPECT_FALSE(PointInScaledPolygon(15, 15, square, 4, 0, 0, 0, 0, 1.0, 1.0));
}

TEST(Geometry, BezierPoints) {
  POINT one[1];
  ComputeBezierPoints({0, 0}, {10, 0}, {20, 10}, {30, 30}, one, 1);
  EXPECT_EQ(one[0].x, 30);
  EXPECT_EQ(one[0].y, 30);
  POINT line[4];
  ComputeBezierPoints({0, 0}, {10, 0}, {20, 0}, {40, 0}, line, 4);
  EXPECT_EQ(line[0].x, 8);  // t = 1/4 of a curve whose controls crowd the start
  EXPECT_EQ(line[3].x, 40);
  for (const POINT& p : line) EXPECT_EQ(p.y, 0);
}

TEST(Distances, Segments) {
  EXPECT_DOUBLE_EQ(DistanceToSegment(0, 5, 0, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToSegment(20, 0, 0, 0, 10, 0), 10);
  EXPECT_DOUBLE_EQ(DistanceToSegment(100000, 0, 0, 0, 10, 0), kFarDistance);
  EXPECT_DOUBLE_EQ(DistanceToSegment(-3, -4, 0, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToSegment(3, 4, 0, 0, 0, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToLine(50, 7, 0, 0, 10, 0), 7);
  EXPECT_DOUBLE_EQ(DistanceToLine(3, 4, 0, 0, 0, 0), 5);
  EXPECT_DOUBLE_EQ(PointDistance(0, 0, 3, 4), 5);
}

TEST(Distances, Polyline) {
  const POINT points[] = {{0, 0}, {10, 0}, {10, 10}};
  EXPECT_DOUBLE_EQ(DistanceToPolyline(5, 3, points, 3, 0, 0, 0, 0, 1, 1, 1, false), 3);
  EXPECT_DOUBLE_EQ(DistanceToPolyline(2, 4, points, 3, 0, 0, 0, 0, 1, 1, 1, false), 4);
  // Closing the shape adds the diagonal back to the start.
  EXPECT_NEAR(DistanceToPolyline(2, 4, points, 3, 0, 0, 0, 0, 1, 1, 1, true), std::sqrt(2.0), 1e-9);
  // Mapped into the view at twice the size, shifted by 100.
  EXPECT_DOUBLE_EQ(DistanceToPolyline(110, 103, points, 3, 0, 0, 100, 100, 2, 2, 1, false), 3);
  // A pen of width 4 covers two pixels on either side.
  EXPECT_DOUBLE_EQ(DistanceToPolyline(5, 3, points, 3, 0, 0, 0, 0, 1, 1, 4, false), 1);
  EXPECT_DOUBLE_EQ(DistanceToPolyline(5, -3, points, 3, 0, 0, 0, 0, 1, 1, 4, false), 1);
  EXPECT_DOUBLE_EQ(DistanceToPolyline(5, 3, points, 0, 0, 0, 0, 0, 1, 1, 1, false), kFarDistance);
}

TEST(Distances, EllipsesAndRectangles) {
  EXPECT_EQ(DistanceToEllipse(50, 50, 0, 0, 100, 100, false, -1), kNoDistance);
  EXPECT_NEAR(DistanceToEllipse(50, 50, 0, 0, 100, 100, false, 0), 50, 2);
  EXPECT_NEAR(DistanceToEllipse(100, 50, 0, 0, 100, 100, false, 0), 0, 1);
  EXPECT_NEAR(DistanceToEllipse(110, 50, 0, 0, 100, 100, false, 0), 10, 1);
  EXPECT_EQ(DistanceToEllipse(50, 50, 0, 0, 100, 100, true, 0), 0);
  EXPECT_LT(DistanceToEllipse(104, 50, 0, 0, 100, 100, false, 8), DistanceToEllipse(104, 50, 0, 0, 100, 100, false, 0));

  EXPECT_EQ(DistanceToRectangle(5, 5, 0, 0, 20, 20, true, 1), 0);
  EXPECT_DOUBLE_EQ(DistanceToRectangle(5, 8, 0, 0, 20, 20, false, 1), 5);
  EXPECT_DOUBLE_EQ(DistanceToRectangle(25, 10, 0, 0, 20, 20, true, 1), 5);
  EXPECT_EQ(DistanceToRectangle(5, 5, 0, 0, 20, 20, true, -1), kNoDistance);
}
