// The region shapes the clipped transitions reveal the target through: polygons, triangles,
// fans and rotated outlines, and the rectangle lists of the bar, shredded and speckled wipes.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/transitions/complex_region.h"
#include "vcl/runtime/win.h"

namespace imaging {

// Owns one platform region (or none) and deletes it when it goes.
class TRegionHandle {
 public:
  TRegionHandle() = default;
  explicit TRegionHandle(HRGN region) : region_(region) {}
  TRegionHandle(TRegionHandle&& other) noexcept : region_(std::exchange(other.region_, nullptr)) {}
  TRegionHandle& operator=(TRegionHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.region_, nullptr));
    return *this;
  }
  TRegionHandle(const TRegionHandle&) = delete;
  TRegionHandle& operator=(const TRegionHandle&) = delete;
  ~TRegionHandle() { Reset(); }

  HRGN Get() const { return region_; }
  explicit operator bool() const { return region_ != nullptr; }
  void Reset(HRGN region = nullptr);
  // Combines `shape` into this one (RGN_OR, RGN_XOR, RGN_AND); an empty side takes the other
  // as it is for a union, and an intersection with nothing is nothing.
  void Combine(TRegionHandle shape, int mode);
  TRegionHandle& operator|=(TRegionHandle shape) { Combine(std::move(shape), RGN_OR); return *this; }
  TRegionHandle& operator^=(TRegionHandle shape) { Combine(std::move(shape), RGN_XOR); return *this; }
  TRegionHandle& operator&=(TRegionHandle shape) { Combine(std::move(shape), RGN_AND); return *this; }

 private:
  HRGN region_ = nullptr;
};

// The polygon through the points, winding fill.
TRegionHandle PolygonRegion(const std::vector<POINT>& points);
TRegionHandle TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
TRegionHandle RectRegion(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Turns every point by `angle` (radians; clockwise on the screen for positive angles) about
// (cx, cy), rounding to the nearest pixel (ties to even).
void RotateRegionPoints(std::vector<POINT>& points, int32_t cx, int32_t cy, double angle);
// The fan of the centre and steps + 1 points on the arc from `startAngle` to `endAngle`. No
// region (reveals nothing) for steps <= 0: there is no angle step to take.
TRegionHandle FanRegion(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle, int32_t steps);

// Bars e = Min(W, H) div 50 + 1 thick in two interleaved sets; `a` and `b` are the horizontal
// and vertical reaches, the kinds 0 (none) to 5 say from which side they grow.
void BarsRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                int32_t verticalKind);
// Thin strips of random length around the reach (drawn from the process's random generator).
void ShreddedRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                    int32_t verticalKind);
// A solid wipe to the reach with scattered random cells ahead of its edge.
void SpeckledRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                    int32_t verticalKind);

}  // namespace imaging
