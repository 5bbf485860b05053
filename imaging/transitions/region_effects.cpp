// The table effects that reveal the target through a clip region: for the call's progress a
// region is built, the whole target is copied onto the frame through it, and the region goes.
// A builder that yields no region draws nothing.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/transitions/rect_list_copy.h"
#include "imaging/transitions/region_builders.h"
#include "imaging/transitions/transition_effect_procs.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

struct TRegionArgs {
  int32_t W, H, SW, SH, P, sizeFactor, cx, cy;
  vcl::TBitmap* target;
};

// What an effect reveals: a region, or a list of rectangles that is copied without one.
struct TShape {
  TShape() = default;
  TShape(TRegionHandle r) : region(std::move(r)) {}
  TShape(TComplexRegion rects) : list(std::move(rects)), isList(true) {}
  TRegionHandle region;
  TComplexRegion list;
  bool isList = false;
};

TRegionHandle FromList(const TComplexRegion& list) { return TRegionHandle(list.CreateRegion()); }

template <class Build>
void Reveal(vcl::TCanvas* canvas, vcl::TBitmap* target, const vcl::TRect& rect, int32_t sizeFactor,
            int32_t progress, Build build) {
  TRegionArgs a{};
  CalcTransitionSize(rect, progress, a.W, a.H, a.SW, a.SH);
  a.P = progress;
  a.sizeFactor = sizeFactor;
  a.cx = a.W / 2;
  a.cy = a.H / 2;
  a.target = target;
  TShape shape = build(a);
  HDC dc = canvas->Handle();
  if (shape.isList) {
    if (shape.list.Count() == 0) return;
    if (CopyTargetRects(dc, target, shape.list, a.W, a.H)) return;
    shape.region = FromList(shape.list);
  }
  TRegionHandle& region = shape.region;
  if (!region) return;
  SelectClipRgn(dc, region.Get());
  BitBlt(dc, 0, 0, a.W, a.H, target->Canvas()->Handle(), 0, 0, SRCCOPY);
  SelectClipRgn(dc, nullptr);
}

TComplexRegion Bars(const TRegionArgs& a, int32_t hKind, int32_t vKind, bool doubleReach) {
  TComplexRegion list;
  const int32_t k = doubleReach ? 2 : 1;
  BarsRegion(list, hKind ? k * a.SW : 0, vKind ? k * a.SH : 0, a.W, a.H, hKind, vKind);
  return list;
}

TShape Shredded(const TRegionArgs& a, int32_t hKind, int32_t vKind) {
  TComplexRegion list;
  ShreddedRegion(list, a.SW, a.SH, a.W, a.H, hKind, vKind);
  return list;
}

TShape Speckled(const TRegionArgs& a, int32_t hKind, int32_t vKind) {
  TComplexRegion list;
  SpeckledRegion(list, a.SW, a.SH, a.W, a.H, hKind, vKind);
  return list;
}

// An empty or inverted rectangle is no region: the platform would still give it a pixel.
TRegionHandle RoundRect(int32_t l, int32_t t, int32_t r, int32_t b, int32_t ew, int32_t eh) {
  if (r <= l || b <= t) return TRegionHandle();
  return TRegionHandle(CreateRoundRectRgn(l, t, r, b, ew, eh));
}

TRegionHandle Frame(const TRegionArgs& a) { return RectRegion(0, 0, a.W, a.H); }

// Calls `each` for the centres n, 3n, 5n, ... while the even multiple before is below `limit`.
template <class Each>
void OddMultiples(int32_t n, int32_t limit, Each each) {
  for (int32_t v = n; v - n < limit; v += 2 * n) each(v);
}

// A rectangle (or a star) about the centre of the frame, or about (SW, SH), turned by P steps
// of 3.6 degrees.
TRegionHandle Rotated(const TRegionArgs& a, bool star, bool clockwise, bool aboutCorner) {
  const int32_t w = a.SW / 2, h = a.SH / 2, cx = a.cx, cy = a.cy;
  std::vector<POINT> points;
  if (star)
    points = {{cx - 2 * a.SW, cy}, {cx - w, cy - h}, {cx, cy - 2 * a.SH}, {cx + w, cy - h},
              {cx + 2 * a.SW, cy}, {cx + w, cy + h}, {cx, cy + 2 * a.SH}, {cx - w, cy + h}};
  else
    points = {{cx - w, cy - h}, {cx + w, cy - h}, {cx + w, cy + h}, {cx - w, cy + h}};
  const double theta = a.P * std::numbers::pi / 50 * (clockwise ? 1 : -1);
  if (aboutCorner)
    RotateRegionPoints(points, a.SW, a.SH, theta);
  else
    RotateRegionPoints(points, cx, cy, theta);
  return PolygonRegion(points);
}

TRegionHandle Sweep(const TRegionArgs& a, bool clockwise) {
  const int32_t radius = static_cast<int32_t>(std::ceil(std::hypot(double(a.cx), double(a.cy))));
  const double start = -std::numbers::pi / 2;
  const double turn = a.P * std::numbers::pi / 50;
  return FanRegion(a.cx, a.cy, radius, start, clockwise ? start + turn : start - turn, a.P);
}

// The uneven blinds: bands `size` apart that each open by MulDiv(size, P, 100).
void BandsFromStart(TComplexRegion& list, int32_t size, int32_t full, int32_t p, bool vertical, int32_t across) {
  const int32_t a = MulDiv(size, p, 100);
  for (int32_t v = 0; v < full; v += size)
    vertical ? list.AddRect(v, 0, v + a, across) : list.AddRect(0, v, across, v + a);
}
void BandsFromEnd(TComplexRegion& list, int32_t size, int32_t full, int32_t p, bool vertical, int32_t across) {
  const int32_t a = MulDiv(size, p, 100);
  for (int32_t v = full; v > 0; v -= size)
    vertical ? list.AddRect(v - a, 0, v, across) : list.AddRect(0, v - a, across, v);
}

// Rectangles 165 to 168: thin bars every 3n from -n, crossed by uneven blinds.
TShape RectangleBands(const TRegionArgs& a, bool horizontalBars, bool fromEnd) {
  const int32_t grown = horizontalBars ? a.SW : a.SH;
  const int32_t n = horizontalBars ? a.H / 20 : a.W / 20;
  if (grown == 0 || n == 0) return TRegionHandle();
  TComplexRegion list;
  const int32_t half = MulDiv(n, a.P, 100);
  const int32_t limit = horizontalBars ? a.H : a.W;
  for (int32_t v = -n; v < limit; v += 3 * n)
    horizontalBars ? list.AddRect(0, v - half, a.W, v + half) : list.AddRect(v - half, 0, v + half, a.H);
  const int32_t full = horizontalBars ? a.W : a.H, across = horizontalBars ? a.H : a.W;
  if (fromEnd)
    BandsFromEnd(list, grown, full, a.P, horizontalBars, across);
  else
    BandsFromStart(list, grown, full, a.P, horizontalBars, across);
  return list;
}

TRegionHandle Zigzag(const TRegionArgs& a, bool vertical) {
  const int32_t s = vertical ? a.H / 10 : a.W / 10;
  const int32_t n = vertical ? a.W / 10 : a.H / 10;
  const int32_t b = MulDiv(n, a.P, 100) + (vertical ? a.SW : a.SH) / 2;
  const int32_t c = vertical ? a.cx : a.cy;
  const int32_t levelA = c + n - b, levelB = c - n - b, levelC = c + n + b, levelD = c + b - n;
  std::vector<POINT> points;
  auto add = [&](int32_t along, int32_t level) {
    points.push_back(vertical ? POINT{level, along} : POINT{along, level});
  };
  for (int32_t k = 0; k <= 11; ++k) add(k * s, k % 2 == 0 ? levelA : levelB);
  for (int32_t k = 11; k >= 0; --k) add(k * s, k % 2 == 0 ? levelC : levelD);
  return PolygonRegion(points);
}

// Restores the process's random seed however the drawing ends.
struct TSeedKeeper {
  uint32_t kept = vcl::RandSeed;
  ~TSeedKeeper() { vcl::RandSeed = kept; }
};

}  // namespace

namespace transition_procs {

#define REVEAL(...) Reveal(canvas, target, rect, sizeFactor, progress, [&](const TRegionArgs& a) -> TShape { __VA_ARGS__ })

// ---- Rounded regions ----
void CurvedWipeFromLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(-2 * a.W, 0, 2 * a.SW, a.H + 1, 2 * a.W, 2 * a.W););
}
void CurvedWipeFromRight(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(a.W - 2 * a.SW, 0, 3 * a.W, a.H + 1, 2 * a.W, 2 * a.W););
}
void CurvedWipeFromTop(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(0, -2 * a.H, a.W + 1, 2 * a.SH, 2 * a.H, 2 * a.H););
}
void CurvedWipeFromBottom(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(0, a.H - 2 * a.SH, a.W + 1, 3 * a.H, 2 * a.H, 2 * a.H););
}
void CurvedWipeFromTopLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(-a.W, -a.H, (3 * a.SW) / 2, (3 * a.SH) / 2, 2 * a.W, 2 * a.H););
}
void CurvedWipeFromTopRight(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(a.W - (3 * a.SW) / 2, -a.H, 2 * a.W, (3 * a.SH) / 2, 2 * a.W, 2 * a.H););
}
void CurvedWipeFromBottomLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(-a.W, a.H - (3 * a.SH) / 2, (3 * a.SW) / 2, 2 * a.H, 2 * a.W, 2 * a.H););
}
void CurvedWipeFromBottomRight(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(a.W - (3 * a.SW) / 2, a.H - (3 * a.SH) / 2, 2 * a.W, 2 * a.H, 2 * a.W, 2 * a.H););
}
void CircularWipeFromCenter(TRANSITION_PROC_ARGS) {
  REVEAL(return RoundRect(a.cx - a.SW, a.cy - a.SH, a.cx + a.SW, a.cy + a.SH, (9 * a.SW) / 5, (9 * a.SH) / 5););
}
void CircularWipeToCenter(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = Frame(a);
         r ^= RoundRect(a.SW - a.cx, a.SH - a.cy, 3 * a.cx - a.SW, 3 * a.cy - a.SH, (9 * (a.W - a.SW)) / 5,
                        (9 * (a.H - a.SH)) / 5);
         return r;);
}

// ---- Bars ----
void BarsInFromLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 2, 0, true);); }
void BarsInFromRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 1, 0, true);); }
void BarsFromTop(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 0, 2, true);); }
void BarsFromBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 0, 1, true);); }
void BarsLeftThenRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 4, 0, true);); }
void BarsRightThenLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 5, 0, true);); }
void BarsTopThenBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 0, 4, true);); }
void BarsBottomThenTop(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 0, 5, true);); }
void BarsFrombothSides(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 3, 0, false);); }
void BarsFromTopAndBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 0, 3, false);); }

// ---- Crisscross: horizontal and vertical bars together ----
void CrisscrossWipeFromTopLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 2, 2, true);); }
void CrisscrossWipeFromTopRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 1, 2, true);); }
void CrisscrossWipeFromBottomLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 2, 1, true);); }
void CrisscrossWipeFromBottomRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 1, 1, true);); }
void CrisscrossWipeBounceFromTopLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 4, 4, true);); }
void CrisscrossWipeBounceFromTopRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 5, 4, true);); }
void CrisscrossWipeBounceFromBottomLeft(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 4, 5, true);); }
void CrisscrossWipeBounceFromBottomRight(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 5, 5, true);); }
void CrisscrossWipeFromLeftRightAndTop(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 3, 2, false);); }
void CrisscrossWipeFromLeftRightAndBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 3, 1, false);); }
void CrisscrossWipeFromLeftTopAndBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 2, 3, false);); }
void CrisscrossWipeFromTopLeftRightAndBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 3, 3, false);); }
void CrisscrossWipeFromRightTopAndBottom(TRANSITION_PROC_ARGS) { REVEAL(return Bars(a, 1, 3, false);); }
void CrisscrossWipeFromBottomLeftTopRight(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = FromList(Bars(a, 1, 1, true)); r &= FromList(Bars(a, 2, 2, true)); return r;);
}

// ---- Shredded ----
void ShreddedFromLeft(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 2, 0);); }
void ShreddedFromRight(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 1, 0);); }
void ShreddedFromTop(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 0, 2);); }
void ShreddedFromBottom(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 0, 1);); }
void ShreddedFromTopAndLeft(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 2, 2);); }
void ShreddedFromTopAndRight(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 1, 2);); }
void ShreddedFromBottomAndLeft(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 2, 1);); }
void ShreddedFromBottomAndRight(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 1, 1);); }
void ShreddedFromHorizonAndLeft(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 2, 3);); }
void ShreddedFromHorizonAndRight(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 1, 3);); }
void ShreddedFromTopAndVerticalCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 3, 2);); }
void ShreddedFromBottomAndVerticalCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 3, 1);); }
void ShreddedFromCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 3, 3);); }
void ShreddedToCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 4, 4);); }
void ShreddedInToHorizon(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 0, 4);); }
void ShreddedInToVerticalCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 4, 0);); }
void ShreddedOutFromHorizon(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 0, 3);); }
void ShreddedOutFromVerticalCenter(TRANSITION_PROC_ARGS) { REVEAL(return Shredded(a, 3, 0);); }

// ---- Speckled ----
void SpeckledWipeFromLeft(TRANSITION_PROC_ARGS) { REVEAL(return Speckled(a, 2, 0);); }
void SpeckledWipeFromRight(TRANSITION_PROC_ARGS) { REVEAL(return Speckled(a, 1, 0);); }
void SpeckledWipeFromTop(TRANSITION_PROC_ARGS) { REVEAL(return Speckled(a, 0, 2);); }
void SpeckledWipeFromBottom(TRANSITION_PROC_ARGS) { REVEAL(return Speckled(a, 0, 1);); }

// ---- Grid shapes ----
void ExpandingRectangles(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t n = std::min(a.W, a.H) / 10 + 1, s = MulDiv(n, a.P, 100); TComplexRegion list;
         OddMultiples(n, a.W, [&](int32_t x) {
           OddMultiples(n, a.H, [&](int32_t y) { list.AddRect(x - s, y - s, x + s, y + s); });
         });
         return list;);
}
void ExpandingTriangles(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t cw = a.W / 10 + 1, ch = a.H / 10 + 1, bw = MulDiv(cw, a.P, 50), bh = MulDiv(ch, a.P, 50);
         TRegionHandle r; if (bw <= 0 || bh <= 0) return r;
         OddMultiples(cw, a.W, [&](int32_t x) {
           OddMultiples(ch, a.H + ch, [&](int32_t y) { r |= TriangleRegion(x - bw, y - bh, x, y + bh, x + bw, y - bh); });
         });
         return r;);
}
void ExpandingCircles(TRANSITION_PROC_ARGS) {
  // Circles 1.5 cells wide leave only a fraction of a pixel to spare on a cell's diagonal: on
  // small frames the rasterised circles leave holes there, so the last frame reveals the whole.
  REVEAL(const int32_t n = std::min(a.W, a.H) / 10 + 1, s = MulDiv(3 * n, a.P, 200); TRegionHandle r;
         if (a.P >= 100) return Frame(a);
         if (s <= 0) return r;
         OddMultiples(n, a.W, [&](int32_t x) {
           OddMultiples(n, a.H, [&](int32_t y) { r |= TRegionHandle(CreateEllipticRgn(x - s, y - s, x + s, y + s)); });
         });
         return r;);
}
void ExpandingDiamonds(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t n = std::min(a.W, a.H) / 10 + 1, s = MulDiv(n, a.P, 50); TRegionHandle r;
         if (s <= 0) return r;
         OddMultiples(n, a.W, [&](int32_t x) {
           OddMultiples(n, a.H, [&](int32_t y) {
             r |= PolygonRegion({{x - s, y}, {x, y - s}, {x + s, y}, {x, y + s}});
           });
         });
         return r;);
}

// ---- Polygons ----
void WipeDiagonalFromTopLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(0, 0, 2 * a.SW, 0, 0, 2 * a.SH););
}
void WipeDiagonalFromTopRight(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(a.W, 0, a.W - 2 * a.SW, 0, a.W, 2 * a.SH););
}
void WipeDiagonalFromBottomLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(0, a.H, 2 * a.SW, a.H, 0, a.H - 2 * a.SH););
}
void WipeDiagonalFromBottomRight(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(a.W, a.H, a.W - 2 * a.SW, a.H, a.W, a.H - 2 * a.SH););
}
void DiagonalSweepClockwise(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(a.W, 0, 0, 0, a.W, a.SH);
         r |= TriangleRegion(a.W, a.H, 0, a.H, 0, a.H - a.SH); return r;);
}
void DiagonalSweepCounterClockwise(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(0, a.H, 0, 0, a.SW, a.H);
         r |= TriangleRegion(a.W, a.H, a.W, 0, a.W - a.SW, 0); return r;);
}
void StarburstClockwiseFromCenter(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(a.cx, a.cy, 0, 0, a.SW, 0);
         r |= TriangleRegion(a.cx, a.cy, 0, a.H, 0, a.H - a.SH);
         r |= TriangleRegion(a.cx, a.cy, a.W, a.H, a.W - a.SW, a.H);
         r |= TriangleRegion(a.cx, a.cy, a.W, 0, a.W, a.SH); return r;);
}
void StarburstCounterClockwiseFromCenter(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(a.cx, a.cy, 0, 0, 0, a.SH);
         r |= TriangleRegion(a.cx, a.cy, 0, a.H, a.SW, a.H);
         r |= TriangleRegion(a.cx, a.cy, a.W, a.H, a.W, a.H - a.SH);
         r |= TriangleRegion(a.cx, a.cy, a.W, 0, a.W - a.SW, 0); return r;);
}
void ArrowWipeFromLeft(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(0, a.cy - a.SH, 2 * a.SW, a.cy, 0, a.cy + a.SH););
}
void ArrowWipeFromRight(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(a.W, a.cy - a.SH, a.W - 2 * a.SW, a.cy, a.W, a.cy + a.SH););
}
void ArrowWipeFromTop(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(a.cx - a.SW, 0, a.cx, 2 * a.SH, a.cx + a.SW, 0););
}
void ArrowWipeFromBottom(TRANSITION_PROC_ARGS) {
  REVEAL(return TriangleRegion(a.cx - a.SW, a.H, a.cx, a.H - 2 * a.SH, a.cx + a.SW, a.H););
}
void HorizontalBowTieWipe(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(0, a.cy - a.SH, a.SW, a.cy, 0, a.cy + a.SH);
         r |= TriangleRegion(a.W, a.cy - a.SH, a.W - a.SW, a.cy, a.W, a.cy + a.SH); return r;);
}
void VerticalBowTieWipe(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = TriangleRegion(a.cx - a.SW, 0, a.cx, 2 * a.SH, a.cx + a.SW, 0);
         r |= TriangleRegion(a.cx - a.SW, a.H, a.cx, a.H - 2 * a.SH, a.cx + a.SW, a.H); return r;);
}
void DiagonalCrossFromCenter(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t w = (a.W - a.SW) / 2, h = (a.H - a.SH) / 2; TRegionHandle r = Frame(a);
         r ^= TriangleRegion(0, a.cy - h, w, a.cy, 0, a.cy + h);
         r ^= TriangleRegion(a.W, a.cy - h, a.W - w, a.cy, a.W, a.cy + h);
         r ^= TriangleRegion(a.cx - w, 0, a.cx, h, a.cx + w, 0);
         r ^= TriangleRegion(a.cx - w, a.H, a.cx, a.H - h, a.cx + w, a.H); return r;);
}
void DiagonalCrossToCenter(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t w = a.SW / 2, h = a.SH / 2; TRegionHandle r;
         r |= TriangleRegion(0, a.cy - h, w, a.cy, 0, a.cy + h);
         r |= TriangleRegion(a.W, a.cy - h, a.W - w, a.cy, a.W, a.cy + h);
         r |= TriangleRegion(a.cx - w, 0, a.cx, h, a.cx + w, 0);
         r |= TriangleRegion(a.cx - w, a.H, a.cx, a.H - h, a.cx + w, a.H); return r;);
}
void DiamondWipeFromCenter(TRANSITION_PROC_ARGS) {
  REVEAL(return PolygonRegion({{a.cx - a.SW, a.cy}, {a.cx, a.cy - a.SH}, {a.cx + a.SW, a.cy}, {a.cx, a.cy + a.SH}}););
}
void DiamondWipeToCenter(TRANSITION_PROC_ARGS) {
  REVEAL(TRegionHandle r = Frame(a);
         r ^= PolygonRegion({{a.SW - a.cx, a.cy}, {a.cx, a.SH - a.cy}, {3 * a.cx - a.SW, a.cy}, {a.cx, 3 * a.cy - a.SH}});
         return r;);
}
void DiagonalBoxWipe(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t w = a.SW / 2, h = a.SH / 2;
         TRegionHandle r = PolygonRegion({{-w, a.cy}, {a.cx, -h}, {2 * a.cx + w, a.cy}, {a.cx, 2 * a.cy + h}});
         r ^= PolygonRegion({{w, a.cy}, {a.cx, h}, {2 * a.cx - w, a.cy}, {a.cx, 2 * a.cy - h}}); return r;);
}
void TriangularWipe(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t m = MulDiv(std::max(a.W, a.H), a.sizeFactor, 90); const int32_t n = m <= 1 ? 1 : m / 2;
         const int32_t cw = a.W / n, ch = a.H / n, sw = a.SW / n, sh = a.SH / n; TRegionHandle r;
         if (sw <= 0 || sh <= 0) return r;
         for (int32_t i = n; i >= 0; --i) for (int32_t j = n; j >= 0; --j)
           r |= TriangleRegion(j * cw - sw, i * ch - sh, j * cw + sw, i * ch - sh, j * cw - sw, i * ch + sh);
         return r;);
}

// ---- Sweeps and rotations ----
void SweepClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Sweep(a, true);); }
void SweepCounterClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Sweep(a, false);); }
void RotationalRectangle(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, false, true, false);); }
void RotationalRectangleCounterClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, false, false, false);); }
void RotationalStar(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, true, true, false);); }
void RotationalStarCounterClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, true, false, false);); }
void SpirallingRectangleClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, false, true, true);); }
void SpirallingRectangleCounterClockwise(TRANSITION_PROC_ARGS) { REVEAL(return Rotated(a, false, false, true);); }

// ---- Blinds and rectangle bands ----
void HorizontalBlinds(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t n = a.H / 40 + 1, s = MulDiv(n, a.P, 100); TComplexRegion list;
         OddMultiples(n, a.H, [&](int32_t y) { list.AddRect(0, y - s, a.W, y + s); }); return list;);
}
void VerticalBlinds(TRANSITION_PROC_ARGS) {
  REVEAL(const int32_t n = a.W / 40 + 1, s = MulDiv(n, a.P, 100); TComplexRegion list;
         OddMultiples(n, a.W, [&](int32_t x) { list.AddRect(x - s, 0, x + s, a.H); }); return list;);
}
void UnevenBlindsFromLeft(TRANSITION_PROC_ARGS) {
  REVEAL(TComplexRegion list; if (a.SW > 0) BandsFromStart(list, a.SW, a.W, a.P, true, a.H); return list;);
}
void UnevenBlindsFromRight(TRANSITION_PROC_ARGS) {
  REVEAL(TComplexRegion list; if (a.SW > 0) BandsFromEnd(list, a.SW, a.W, a.P, true, a.H); return list;);
}
void UnevenBlindsFromTop(TRANSITION_PROC_ARGS) {
  REVEAL(TComplexRegion list; if (a.SH > 0) BandsFromStart(list, a.SH, a.H, a.P, false, a.W); return list;);
}
void UnevenBlindsFromBottom(TRANSITION_PROC_ARGS) {
  REVEAL(TComplexRegion list; if (a.SH > 0) BandsFromEnd(list, a.SH, a.H, a.P, false, a.W); return list;);
}
void RectanglesFromTheLeft(TRANSITION_PROC_ARGS) { REVEAL(return RectangleBands(a, true, false);); }
void RectanglesFromTheRight(TRANSITION_PROC_ARGS) { REVEAL(return RectangleBands(a, true, true);); }
void RectanglesFromTheTop(TRANSITION_PROC_ARGS) { REVEAL(return RectangleBands(a, false, false);); }
void RectanglesFromTheBottom(TRANSITION_PROC_ARGS) { REVEAL(return RectangleBands(a, false, true);); }

// ---- Zigzags ----
void ZigzagWipeFromHorizon(TRANSITION_PROC_ARGS) { REVEAL(return Zigzag(a, false);); }
void ZigzagWipeFromVerticalCenter(TRANSITION_PROC_ARGS) { REVEAL(return Zigzag(a, true);); }

// ---- Random big boxes: seeded by the target, so each box keeps its draw for the whole run ----
void RandomBigBoxes(TRANSITION_PROC_ARGS) {
  REVEAL(TSeedKeeper keeper; vcl::RandSeed = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(a.target->Handle()));
         const int32_t c = std::min(a.W, a.H) / 20 + 1; TComplexRegion list;
         OddMultiples(c, a.W, [&](int32_t x) {
           OddMultiples(c, a.H, [&](int32_t y) {
             if (vcl::Random(100) < a.P) list.AddRect(x - c, y - c, x + c, y + c);
           });
         });
         return list;);
}

#undef REVEAL

}  // namespace transition_procs

}  // namespace imaging
