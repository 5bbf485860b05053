#include "imaging/transitions/region_builders.h"

#include <algorithm>
#include <cmath>

#include "vcl/runtime/sysutils.h"

namespace imaging {

void TRegionHandle::Reset(HRGN region) {
  if (region_ && region_ != region) DeleteObject(region_);
  region_ = region;
}

void TRegionHandle::Combine(TRegionHandle shape, int mode) {
  if (!region_) {
    if (mode != RGN_AND) *this = std::move(shape);
    return;
  }
  if (!shape) {
    if (mode == RGN_AND) Reset();
    return;
  }
  CombineRgn(region_, region_, shape.Get(), mode);
}

TRegionHandle PolygonRegion(const std::vector<POINT>& points) {
  if (points.size() < 3) return TRegionHandle();
  return TRegionHandle(CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING));
}

TRegionHandle TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  const POINT points[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
  return TRegionHandle(CreatePolygonRgn(points, 3, WINDING));
}

TRegionHandle RectRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return TRegionHandle(CreateRectRgn(left, top, right, bottom));
}

void RotateRegionPoints(std::vector<POINT>& points, int32_t cx, int32_t cy, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  for (POINT& p : points) {
    const double dx = p.x - cx, dy = p.y - cy;
    p.x = cx + static_cast<LONG>(std::nearbyint(dx * c - dy * s));
    p.y = cy + static_cast<LONG>(std::nearbyint(dx * s + dy * c));
  }
}

TRegionHandle FanRegion(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle, int32_t steps) {
  if (steps <= 0) return TRegionHandle();
  std::vector<POINT> points;
  points.reserve(steps + 2);
  points.push_back(POINT{cx, cy});
  const double step = (endAngle - startAngle) / steps;
  for (int32_t k = 0; k <= steps; ++k) {
    const double theta = startAngle + k * step;
    points.push_back(POINT{cx + static_cast<LONG>(std::nearbyint(radius * std::cos(theta))),
                           cy + static_cast<LONG>(std::nearbyint(radius * std::sin(theta)))});
  }
  return PolygonRegion(points);
}

void BarsRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                int32_t verticalKind) {
  const int32_t e = std::min(w, h) / 50 + 1;
  for (int32_t f = a > w ? e : 0; f < h + e; f += 2 * e) {
    if (a <= w) {
      switch (horizontalKind) {
        case 1: case 5: region.AddRect(w - a, f, w, f + e); break;
        case 2: case 4: region.AddRect(0, f, a, f + e); break;
        case 3:
          region.AddRect(0, f + e, a, f + 2 * e);
          region.AddRect(w - a, f, w, f + e);
          break;
        default: break;
      }
    } else {
      if (horizontalKind == 1 || horizontalKind == 4) region.AddRect(2 * w - a, f, w, f + e);
      if (horizontalKind == 2 || horizontalKind == 5) region.AddRect(0, f, a - w, f + e);
      region.AddRect(0, f - e, w, f);
    }
  }
  for (int32_t g = b > h ? e : 0; g < w + e; g += 2 * e) {
    if (b <= h) {
      switch (verticalKind) {
        case 1: case 5: region.AddRect(g, h - b, g + e, h); break;
        case 2: case 4: region.AddRect(g, 0, g + e, b); break;
        case 3:
          region.AddRect(g, h - b, g + e, h);
          region.AddRect(g + e, 0, g + 2 * e, b);
          break;
        default: break;
      }
    } else {
      if (verticalKind == 1 || verticalKind == 4) region.AddRect(g, 2 * h - b, g + e, h);
      if (verticalKind == 2 || verticalKind == 5) region.AddRect(g, 0, g + e, b - h);
      region.AddRect(g - e, 0, g, h);
    }
  }
}

void ShreddedRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                    int32_t verticalKind) {
  const int32_t e = std::min(w, h) / 200 + 1;
  const int32_t cx = w / 2, cy = h / 2;
  if (horizontalKind != 0) {
    const int32_t j = a < w ? w / 10 : 0;
    for (int32_t o = 0; o < h; o += e) {
      const int32_t r = a - j + vcl::Random(2 * j);
      const int32_t bottom = o + e + h % e, half = r / 2;
      switch (horizontalKind) {
        case 1: region.AddRect(w - r, o, w, bottom); break;
        case 2: region.AddRect(0, o, r, bottom); break;
        case 3:
          region.AddRect(cx - half, o, cx, bottom);
          region.AddRect(cx, o, cx + half, bottom);
          break;
        case 4:
          region.AddRect(w - half, o, w, bottom);
          region.AddRect(0, o, half, bottom);
          break;
        default: break;
      }
    }
  }
  if (verticalKind != 0) {
    const int32_t j = b < h ? h / 10 : 0;
    for (int32_t o = 0; o < w; o += e) {
      const int32_t r = b - j + vcl::Random(2 * j);
      const int32_t right = o + e + w % e, half = r / 2;
      switch (verticalKind) {
        case 1: region.AddRect(o, h - r, right, h); break;
        case 2: region.AddRect(o, 0, right, r); break;
        case 3:
          region.AddRect(o, cy - half, right, cy);
          region.AddRect(o, cy, right, cy + half);
          break;
        case 4:
          region.AddRect(o, h - half, right, h);
          region.AddRect(o, 0, right, half);
          break;
        default: break;
      }
    }
  }
}

namespace {
// Cell i ahead of the solid edge shows with probability min(2, i) / i up to `nearCells`, 1 / i beyond.
bool CellShows(int32_t i, int32_t nearCells) {
  const int32_t v = vcl::Random(i);
  return i <= nearCells ? v <= 1 : v == 0;
}
}  // namespace

void SpeckledRegion(TComplexRegion& region, int32_t a, int32_t b, int32_t w, int32_t h, int32_t horizontalKind,
                    int32_t verticalKind) {
  if (horizontalKind != 0) {
    const int32_t z = a < w ? w / 10 : 0;
    const int32_t c = std::max(z / 20, 2), n = z / c, nearCells = (3 * z) / (4 * c);
    for (int32_t y = 0; y < h; y += c / 2) {
      if (horizontalKind == 1) {
        region.AddRect(w - a, y, w, y + c);
        for (int32_t i = n; i >= 1; --i)
          if (CellShows(i, nearCells)) region.AddRect(w - a - i * c, y, w - a - i * c + c, y + c);
      } else if (horizontalKind == 2) {
        region.AddRect(0, y, a, y + c);
        for (int32_t i = n; i >= 1; --i)
          if (CellShows(i, nearCells)) region.AddRect(a + (i - 1) * c, y, a + i * c, y + c);
      }
    }
  }
  if (verticalKind != 0) {
    const int32_t z = b < h ? h / 10 : 0;
    const int32_t c = std::max(z / 20, 2), n = z / c, nearCells = (3 * z) / (4 * c);
    for (int32_t x = 0; x < w; x += c / 2) {
      if (verticalKind == 1) {
        region.AddRect(x, h - b, x + c, h);
        for (int32_t i = n; i >= 1; --i)
          if (CellShows(i, nearCells)) region.AddRect(x, h - b - i * c, x + c, h - b - i * c + c);
      } else if (verticalKind == 2) {
        region.AddRect(x, 0, x + c, b);
        for (int32_t i = n; i >= 1; --i)
          if (CellShows(i, nearCells)) region.AddRect(x, b + (i - 1) * c, x + c, b + i * c);
      }
    }
  }
}

}  // namespace imaging
