#include "imaging/proc/magic_wand.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "imaging/model/routines/pixel_statistics.h"

namespace imaging {

namespace {

// One bit per pixel, most significant bit first.
class TBitGrid {
 public:
  TBitGrid(int32_t width, int32_t height)
      : width_(width), height_(height), rowBytes_((int64_t(width) + 7) / 8), bits_(rowBytes_ * height, 0) {}
  bool Get(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ && (bits_[y * rowBytes_ + (x >> 3)] & (0x80 >> (x & 7)));
  }
  void Set(int32_t x, int32_t y) { bits_[y * rowBytes_ + (x >> 3)] |= uint8_t(0x80 >> (x & 7)); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  int32_t width_, height_;
  int64_t rowBytes_;
  std::vector<uint8_t> bits_;
};

// The colours of the bitmap compared with the seed's, a row at a time.
class TSimilarity {
 public:
  TSimilarity(TIEBitmap* bitmap, TRGB seed, int32_t tolerance)
      : bitmap_(bitmap), seed_(seed), tolerance_(tolerance), colours_(bitmap->Width()) {}
  bool Similar(int32_t x, int32_t y) {
    if (y != row_) {
      if (!ReadRowColours(bitmap_, y, colours_.data(), TWideSampleScale::HighByte))
        for (int32_t i = 0; i < bitmap_->Width(); ++i) colours_[i] = bitmap_->GetPixelRGB(i, y);
      row_ = y;
    }
    const TRGB& c = colours_[x];
    return std::abs(c.r - seed_.r) <= tolerance_ && std::abs(c.g - seed_.g) <= tolerance_ &&
           std::abs(c.b - seed_.b) <= tolerance_;
  }

 private:
  TIEBitmap* bitmap_;
  TRGB seed_;
  int32_t tolerance_;
  std::vector<TRGB> colours_;
  int32_t row_ = -1;
};

struct TRegion {
  TBitGrid marks;
  int32_t minX, minY, maxX, maxY;
};

bool Inside(TIEBitmap* bitmap, POINT p) {
  return p.x >= 0 && p.y >= 0 && p.x < bitmap->Width() && p.y < bitmap->Height();
}

// The scanline seed fill with a stack of segments {row, left, right, direction}.
TRegion FillRegion(TIEBitmap* bitmap, POINT seed, int32_t tolerance) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  TRegion region{TBitGrid(width, height), int32_t(seed.x), int32_t(seed.y), int32_t(seed.x), int32_t(seed.y)};
  TSimilarity similar(bitmap, bitmap->GetPixelRGB(seed.x, seed.y), tolerance);
  // Rows are explored in runs, so the colour row cache works well enough for one row at a time.
  auto fillable = [&](int32_t x, int32_t r) { return !region.marks.Get(x, r) && similar.Similar(x, r); };
  auto mark = [&](int32_t x, int32_t r) {
    region.marks.Set(x, r);
    region.minX = std::min(region.minX, x);
    region.maxX = std::max(region.maxX, x);
    region.minY = std::min(region.minY, r);
    region.maxY = std::max(region.maxY, r);
  };
  struct Segment {
    int32_t y, x1, x2, dy;
  };
  std::vector<Segment> stack;
  stack.reserve(2 * size_t(width));
  stack.push_back({int32_t(seed.y), int32_t(seed.x), int32_t(seed.x), 1});
  stack.push_back({int32_t(seed.y) + 1, int32_t(seed.x), int32_t(seed.x), -1});
  while (!stack.empty()) {
    const Segment s = stack.back();
    stack.pop_back();
    const int32_t r = s.y + s.dy;
    if (r < 0 || r >= height) continue;
    int32_t x = s.x1;
    while (x >= 0 && fillable(x, r)) mark(x--, r);
    int32_t l;
    bool skip = x >= s.x1;
    if (!skip) {
      l = x + 1;
      if (l < s.x1) stack.push_back({r, l, s.x1 - 1, -s.dy});
      x = s.x1 + 1;
    } else {
      x = s.x1;
    }
    do {
      if (!skip) {
        while (x < width && fillable(x, r)) mark(x++, r);
        stack.push_back({r, l, x - 1, s.dy});
        if (x > s.x2 + 1) stack.push_back({r, s.x2 + 1, x - 1, -s.dy});
      }
      skip = false;
      for (++x; x <= s.x2 && !fillable(x, r); ++x) {
      }
      l = x;
    } while (x <= s.x2);
  }
  return region;
}

// ---- the outline ----

// Direction index: step and chain code (0 east, 1 north-east, ... counter-clockwise; y down).
struct TDirection {
  int32_t dx, dy, code;
};
constexpr TDirection kDirections[8] = {{1, 0, 0},  {0, -1, 2}, {-1, 0, 4}, {0, 1, 6},
                                       {1, -1, 1}, {-1, -1, 3}, {-1, 1, 5}, {1, 1, 7}};
constexpr POINT kCodeSteps[8] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};

// The region relative to its bounding box, magnified four times: pixel (cx, cy) covers the
// lattice cells 4cx + 2 .. 4cx + 5 by 4cy + 2 .. 4cy + 5. A border cell lies outside every
// pixel's cells and next to one of them (left, right, above or below).
class TOutlineLattice {
 public:
  explicit TOutlineLattice(TBitGrid region) : region_(std::move(region)) {}
  bool InRegion(int64_t k, int64_t s) const {
    if (k < 2 || s < 2) return false;
    return region_.Get(int32_t((k - 2) / 4), int32_t((s - 2) / 4));
  }
  bool IsBorder(int64_t k, int64_t s) const {
    return !InRegion(k, s) && (InRegion(k - 1, s) || InRegion(k + 1, s) || InRegion(k, s - 1) || InRegion(k, s + 1));
  }
  const TBitGrid& Region() const { return region_; }

 private:
  TBitGrid region_;
};

// The border cell nearest to the lattice's top-left border corner (1, 1), the first in row
// order among equals. Border cells are the side cells of region pixels whose neighbour on
// that side is missing.
POINT StartCell(const TOutlineLattice& lattice) {
  const TBitGrid& region = lattice.Region();
  int64_t best = INT64_MAX;
  POINT start{0, 0};
  auto consider = [&](int64_t k, int64_t s) {
    const int64_t d = (k - 1) * (k - 1) + (s - 1) * (s - 1);
    if (d < best || (d == best && (s < start.y || (s == start.y && k < start.x)))) {
      best = d;
      start = POINT{LONG(k), LONG(s)};
    }
  };
  for (int32_t cy = 0; cy < region.Height(); ++cy) {
    if (int64_t(4 * cy) * (4 * cy) > best) break;
    for (int32_t cx = 0; cx < region.Width(); ++cx) {
      if (int64_t(4 * cx) * (4 * cx) + int64_t(4 * cy) * (4 * cy) > best) break;
      if (!region.Get(cx, cy)) continue;
      const int64_t k0 = 4 * int64_t(cx), s0 = 4 * int64_t(cy);
      for (int64_t i = 2; i <= 5; ++i) {
        if (!region.Get(cx, cy - 1)) consider(k0 + i, s0 + 1);
        if (!region.Get(cx - 1, cy)) consider(k0 + 1, s0 + i);
        if (!region.Get(cx + 1, cy)) consider(k0 + 6, s0 + i);
        if (!region.Get(cx, cy + 1)) consider(k0 + i, s0 + 6);
      }
    }
  }
  return start;
}

}  // namespace

void MagicWandFloodFill(TIEBitmap* bitmap, POINT seed, int32_t maskValue, TIEMask* mask, TMagicWandTolerance tolerance,
                        TMagicWandFilter filter) {
  if (!mask || !Inside(bitmap, seed)) return;
  const TRegion region = FillRegion(bitmap, seed, tolerance.Value);
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  for (int32_t y = region.minY; y <= region.maxY; ++y)
    for (int32_t x = region.minX; x <= region.maxX; ++x) {
      if (!region.marks.Get(x, y)) continue;
      if (filter == TMagicWandFilter::None) {
        mask->SetPixel(x, y, maskValue);
        continue;
      }
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, height - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, width - 1); ++nx) mask->SetPixel(nx, ny, maskValue);
    }
}

void MagicWandSelectSimilar(TIEBitmap* bitmap, POINT seed, int32_t maskValue, TIEMask* mask,
                            TMagicWandTolerance tolerance) {
  if (!mask || !Inside(bitmap, seed)) return;
  TSimilarity similar(bitmap, bitmap->GetPixelRGB(seed.x, seed.y), tolerance.Value);
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x)
      if (similar.Similar(x, y)) mask->SetPixel(x, y, maskValue);
}

std::vector<POINT> MagicWandOutline(TIEBitmap* bitmap, POINT seed, TMagicWandTolerance tolerance,
                                    TMagicWandFilter filter) {
  if (!Inside(bitmap, seed)) return {};
  std::vector<POINT> points;
  int32_t minX, minY;
  TBitGrid relative(1, 1);
  {
    const TRegion region = FillRegion(bitmap, seed, tolerance.Value);
    minX = region.minX;
    minY = region.minY;
    const int32_t bw = region.maxX - minX + 1, bh = region.maxY - minY + 1;
    relative = TBitGrid(bw, bh);
    for (int32_t y = 0; y < bh; ++y)
      for (int32_t x = 0; x < bw; ++x) {
        if (!region.marks.Get(x + minX, y + minY)) continue;
        if (filter == TMagicWandFilter::None) {
          relative.Set(x, y);
          continue;
        }
        // Grown within the bounding box, not the bitmap.
        for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, bh - 1); ++ny)
          for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, bw - 1); ++nx) relative.Set(nx, ny);
      }
  }
  const TOutlineLattice lattice(std::move(relative));
  const POINT start = StartCell(lattice);

  // Follow the border: keep the direction while it leads to an unvisited border cell, then
  // take the first direction (in index order) that does; stop when none does.
  std::unordered_set<uint64_t> visited;
  auto key = [](int64_t k, int64_t s) { return (uint64_t(uint32_t(s)) << 32) | uint32_t(k); };
  auto open = [&](int64_t k, int64_t s) { return lattice.IsBorder(k, s) && !visited.count(key(k, s)); };
  std::vector<uint8_t> codes;
  codes.reserve(8192);
  int64_t k = start.x, s = start.y;
  visited.insert(key(k, s));
  int32_t d = 4;
  for (;;) {
    if (open(k + kDirections[d].dx, s + kDirections[d].dy)) {
      k += kDirections[d].dx;
      s += kDirections[d].dy;
      visited.insert(key(k, s));
      codes.push_back(uint8_t(kDirections[d].code));
    }
    int32_t next = -1;
    for (int32_t i = 0; i < 8 && next < 0; ++i)
      if (open(k + kDirections[i].dx, s + kDirections[i].dy)) next = i;
    if (next < 0) break;
    k += kDirections[next].dx;
    s += kDirections[next].dy;
    visited.insert(key(k, s));
    codes.push_back(uint8_t(kDirections[next].code));
    d = next;
  }
  // Close the border when the start lies next to the last cell.
  for (const TDirection& direction : kDirections)
    if (k + direction.dx == start.x && s + direction.dy == start.y) {
      codes.push_back(uint8_t(direction.code));
      break;
    }

  // Vertices where the chain turns, brought back from the lattice to pixel edges.
  int64_t px = start.x + 4 * int64_t(minX) - 1, py = start.y + 4 * int64_t(minY) - 1;
  points.push_back(POINT{LONG(px / 4), LONG(py / 4)});
  uint8_t previous = codes.empty() ? 0 : codes[0];
  for (uint8_t code : codes) {
    if (code != previous) points.push_back(POINT{LONG(px / 4), LONG(py / 4)});
    previous = code;
    px += kCodeSteps[code].x;
    py += kCodeSteps[code].y;
  }
  return points;
}

}  // namespace imaging
