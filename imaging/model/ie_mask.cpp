#include "imaging/model/ie_mask.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/bit_runs.h"
#include "imaging/model/routines/colour_routines.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// The mask's fixed-point scale: 16384 = 1.0.
constexpr int64_t kUnit = 16384;

std::vector<uint8_t> ZeroedBytes(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max())
    throw vcl::EOutOfMemory("Out of memory");
  try {
    return std::vector<uint8_t>(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    throw vcl::EOutOfMemory("Out of memory");
  }
}

// A scale step of the drawing mappings; never 0, so that the ranges below can divide by it.
int64_t Step(int64_t source, int64_t dest) {
  return std::max<int64_t>(static_cast<int64_t>(double(source) / double(dest) * kUnit), 1);
}

int64_t ClampTo(int64_t v, int64_t lo, int64_t hi) { return std::max(lo, std::min(v, hi)); }

// One polygon edge, running downwards from (x0, upper) to its lower row. Its x at a row is
// the one the incremental scan conversion reaches (x steps by dx / dy truncated, plus one unit
// whenever twice the accumulated remainder passes dy), computed in closed form so that rows
// outside the mask can be skipped.
struct PolygonEdge {
  int64_t x0;
  int64_t upper;
  int64_t lower;
  int64_t dx;
  int64_t dy;
  int64_t q;  // dx / dy truncated toward zero
  int64_t r;  // dx - q dy
  int64_t x;  // at the current row

  int64_t XAt(int64_t row) const {
    if (dx == 0) return x0;
    const __int128 k = row - upper;
    const __int128 twiceRemainder = 2 * k * (r < 0 ? -r : r);
    __int128 extra = 0;
    if (twiceRemainder > dy) extra = (twiceRemainder - dy + 2 * dy - 1) / (2 * dy);
    const __int128 x = __int128(x0) + k * q + (dx > 0 ? extra : -extra);
    return static_cast<int64_t>(std::clamp<__int128>(x, std::numeric_limits<int64_t>::min() / 2,
                                                      std::numeric_limits<int64_t>::max() / 2));
  }
};

}  // namespace

TIEMask::TIEMask() = default;

TIEMask::~TIEMask() = default;

// ---- storage ----

void TIEMask::Allocate(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (bitsPerPixel != 1 && bitsPerPixel != 8) throw vcl::EInvalidArgument("A mask has 1 or 8 bits per pixel");
  if (width < 0 || height < 0) throw vcl::EInvalidArgument("Invalid mask size");
  FreeBits();
  const int64_t rowLen = AlignedRowSize(width, bitsPerPixel, 32);
  if (rowLen > std::numeric_limits<int32_t>::max()) throw vcl::EOutOfMemory("Out of memory");
  bits_ = ZeroedBytes(rowLen * height);
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  rowLen_ = static_cast<int32_t>(rowLen);
  EmptyBox();
  full_ = false;
}

void TIEMask::Resize(int32_t newWidth, int32_t newHeight) {
  if (newWidth < 0 || newHeight < 0) throw vcl::EInvalidArgument("Invalid mask size");
  if (bitsPerPixel_ == 0) return;
  const int64_t newRowLen = AlignedRowSize(newWidth, bitsPerPixel_, 32);
  if (newRowLen > std::numeric_limits<int32_t>::max()) throw vcl::EOutOfMemory("Out of memory");
  std::vector<uint8_t> bits = ZeroedBytes(newRowLen * newHeight);
  const int32_t rows = std::min(height_, newHeight);
  const auto bytes = static_cast<size_t>(std::min<int64_t>(rowLen_, newRowLen));
  for (int32_t y = 0; y < rows; ++y)
    std::memcpy(bits.data() + int64_t(newHeight - y - 1) * newRowLen, Row(y), bytes);
  FreeZoom();
  bits_ = std::move(bits);
  width_ = newWidth;
  height_ = newHeight;
  rowLen_ = static_cast<int32_t>(newRowLen);
  if (IsEmpty()) return;
  if (width_ == 0 || height_ == 0) {
    EmptyBox();
    return;
  }
  x1_ = std::min(x1_, width_ - 1);
  x2_ = std::min(x2_, width_ - 1);
  y1_ = std::min(y1_, height_ - 1);
  y2_ = std::min(y2_, height_ - 1);
}

void TIEMask::FreeBits() {
  FreeZoom();
  std::vector<uint8_t>().swap(bits_);
  width_ = 0;
  height_ = 0;
  bitsPerPixel_ = 0;
  rowLen_ = 0;
}

void TIEMask::FreeZoom() {
  std::vector<uint8_t>().swap(zoom_);
  std::vector<uint8_t*>().swap(zoomRows_);
  zoomWidth_ = 0;
  zoomHeight_ = 0;
  zoomRowLen_ = 0;
}

void TIEMask::SetBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  if (!IsEmpty()) ClampBox();
}

void TIEMask::EmptyBox() {
  x1_ = y1_ = kEmptyBox;
  x2_ = y2_ = 0;
}

void TIEMask::ClampBox() {
  if (width_ == 0 || height_ == 0) {
    EmptyBox();
    return;
  }
  x1_ = std::clamp(x1_, 0, width_ - 1);
  x2_ = std::clamp(x2_, 0, width_ - 1);
  y1_ = std::clamp(y1_, 0, height_ - 1);
  y2_ = std::clamp(y2_, 0, height_ - 1);
}

void TIEMask::IncludeInBox(int32_t x, int32_t y) {
  if (x < x1_) x1_ = x;
  if (x > x2_) x2_ = x;
  if (y < y1_) y1_ = y;
  if (y > y2_) y2_ = y;
  ClampBox();
}

// ---- pixels ----

void* TIEMask::GetScanline(int32_t y) { return Row(y); }

int32_t TIEMask::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = Row(y);
  if (bitsPerPixel_ == 1) return row[x >> 3] & kBitWeights[x & 7];
  if (bitsPerPixel_ == 8) return row[x];
  return 0;
}

void TIEMask::SetPixel(int32_t x, int32_t y, int32_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (value != 0) IncludeInBox(x, y);
  uint8_t* row = Row(y);
  if (bitsPerPixel_ == 1) {
    full_ = full_ && value != 0;
    if (value != 0)
      row[x >> 3] |= kBitWeights[x & 7];
    else
      row[x >> 3] &= static_cast<uint8_t>(~kBitWeights[x & 7]);
  } else if (bitsPerPixel_ == 8) {
    full_ = full_ && value == 255;
    row[x] = static_cast<uint8_t>(value);
  }
}

int32_t TIEMask::FillSpan(int32_t value, int32_t x1, int32_t x2, int32_t y) {
  // A row or run outside the mask writes nothing (rather than landing on an edge row).
  if (y < 0 || y >= height_ || width_ == 0) return 0;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, width_ - 1);
  if (x1 > x2) return 0;
  uint8_t* row = Row(y);
  const int32_t count = x2 - x1 + 1;
  if (bitsPerPixel_ == 1) {
    full_ = full_ && value == 1;
    const bool set = value == 1;
    int32_t x = x1;
    // Partial bytes one bit at a time, whole bytes at once.
    for (; x <= x2 && (x & 7) != 0; ++x) SetBitInBuffer(row, x, set);
    const int32_t wholeBytes = (x2 - x + 1) / 8;
    if (wholeBytes > 0) {
      std::memset(row + (x >> 3), set ? 0xFF : 0, static_cast<size_t>(wholeBytes));
      x += wholeBytes * 8;
    }
    for (; x <= x2; ++x) SetBitInBuffer(row, x, set);
    return count;
  }
  if (bitsPerPixel_ == 8) {
    full_ = full_ && value == 255;
    std::memset(row + x1, static_cast<uint8_t>(value), static_cast<size_t>(count));
    return count;
  }
  return 0;
}

void TIEMask::Fill(int32_t value) {
  std::fill(bits_.begin(), bits_.end(), static_cast<uint8_t>(value));
  if (bitsPerPixel_ == 1 || bitsPerPixel_ == 8)
    full_ = static_cast<uint8_t>(value) == 255;
  else
    full_ = true;
}

void TIEMask::Clear() {
  Fill(0);
  EmptyBox();
}

void TIEMask::SyncBoundingBox() {
  EmptyBox();
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* row = Row(y);
    int32_t first = -1, last = -1;
    if (bitsPerPixel_ == 1) {
      for (int32_t x = 0; x < width_; ++x) {
        if ((x & 7) == 0 && row[x >> 3] == 0) {
          x += 7;
          continue;
        }
        if (BitSet(row, x)) {
          if (first < 0) first = x;
          last = x;
        }
      }
    } else if (bitsPerPixel_ == 8) {
      for (int32_t x = 0; x < width_; ++x)
        if (row[x] != 0) {
          if (first < 0) first = x;
          last = x;
        }
    }
    if (first < 0) continue;
    IncludeInBox(first, y);
    IncludeInBox(last, y);
  }
}

void TIEMask::UpdateFullFlag() {
  full_ = true;
  if (bitsPerPixel_ == 1) {
    const int32_t wholeBytes = width_ / 8;
    for (int32_t y = 0; y < height_ && full_; ++y) {
      const uint8_t* row = Row(y);
      for (int32_t i = 0; i < wholeBytes && full_; ++i) full_ = row[i] == 255;
      for (int32_t x = wholeBytes * 8; x < width_ && full_; ++x) full_ = BitSet(row, x);
    }
  } else if (bitsPerPixel_ == 8) {
    for (int32_t y = 0; y < height_ && full_; ++y) {
      const uint8_t* row = Row(y);
      for (int32_t x = 0; x < width_ && full_; ++x) full_ = row[x] == 255;
    }
  }
}

// ---- polygons ----

void TIEMask::FillPolygon(int32_t value, const POINT* points, int32_t count) {
  if (!points || count <= 0) return;
  const int32_t savedBox[4] = {x1_, y1_, x2_, y2_};

  int64_t ymin = 2147483647, ymax = 0;
  for (int32_t i = 0; i < count; ++i) {
    ymin = std::min<int64_t>(ymin, points[i].y);
    ymax = std::max<int64_t>(ymax, points[i].y);
  }
  if (value != 0) {
    // The box grows by the points (the right and bottom ones taken as exclusive bounds).
    for (int32_t i = 0; i < count; ++i) {
      const int32_t x = points[i].x, y = points[i].y;
      if (x < x1_) x1_ = x;
      if (x > x2_) x2_ = x - 1;
      if (y < y1_) y1_ = y;
      if (y > y2_) y2_ = y - 1;
    }
    ClampBox();
  }

  // The edge table, ordered as its buckets are walked: by upper row, and within a row the
  // edges made last first.
  std::vector<PolygonEdge> edges;
  edges.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    if (a.y == b.y) continue;
    const POINT& top = a.y < b.y ? a : b;
    const POINT& bottom = a.y < b.y ? b : a;
    PolygonEdge edge{};
    edge.x0 = top.x;
    edge.upper = top.y;
    edge.lower = bottom.y;
    edge.dx = int64_t(bottom.x) - top.x;
    edge.dy = int64_t(bottom.y) - top.y;
    edge.q = edge.dx / edge.dy;
    edge.r = edge.dx - edge.q * edge.dy;
    edge.x = edge.x0;
    edges.push_back(edge);
  }
  std::vector<size_t> order(edges.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = order.size() - 1 - i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return edges[a].upper < edges[b].upper; });

  int64_t written = 0;
  std::vector<size_t> active;
  size_t nextEdge = 0;
  // Rows below the mask write nothing and end the work; rows above it are passed over until
  // the first row of the mask, visiting only the rows where edges begin.
  const int64_t lastRow = std::min<int64_t>(ymax, int64_t(height_) - 1);
  for (int64_t y = ymin; y <= lastRow;) {
    // Edges that ended are dropped; the others move to this row.
    active.erase(std::remove_if(active.begin(), active.end(), [&](size_t e) { return edges[e].lower <= y; }),
                 active.end());
    for (size_t e : active) edges[e].x = edges[e].XAt(y);
    // New edges go in x order (a tie by slope).
    for (; nextEdge < order.size() && edges[order[nextEdge]].upper <= y; ++nextEdge) {
      PolygonEdge& edge = edges[order[nextEdge]];
      if (edge.lower <= y) continue;  // began and ended in rows passed over
      edge.x = edge.XAt(y);
      auto position = std::find_if(active.begin(), active.end(), [&](size_t e) {
        const PolygonEdge& old = edges[e];
        return old.x > edge.x || (old.x == edge.x && __int128(old.dx) * edge.dy >= __int128(edge.dx) * old.dy);
      });
      active.insert(position, order[nextEdge]);
    }
    if (y >= 0) {
      for (size_t i = 0; i + 1 < active.size(); i += 2) {
        const int64_t left = edges[active[i]].x, right = edges[active[i + 1]].x - 1;
        if (left > right) continue;
        written += FillSpan(value, static_cast<int32_t>(ClampTo(left, -1, width_)),
                            static_cast<int32_t>(ClampTo(right, -1, width_)), static_cast<int32_t>(y));
      }
      ++y;
    } else {
      // Above the mask: on to the next row where an edge begins, or the mask's first row.
      int64_t next = 0;
      if (nextEdge < order.size()) next = std::min<int64_t>(next, edges[order[nextEdge]].upper);
      y = std::max(next, y + 1);
    }
  }
  // Nothing written: the points did not make a selection, and the box is as it was.
  if (written == 0) {
    x1_ = savedBox[0];
    y1_ = savedBox[1];
    x2_ = savedBox[2];
    y2_ = savedBox[3];
  }
}

void TIEMask::FillPolygons(int32_t value, const POINT* points, int32_t count) {
  int32_t start = 0;
  for (int32_t i = 0; points && i <= count; ++i) {
    if (i < count && points[i].x != PolygonSeparator) continue;
    if (i > start) FillPolygon(value, points + start, i - start);
    start = i + 1;
  }
  UpdateFullFlag();
}

// ---- moves ----

void TIEMask::Translate(int32_t& dx, int32_t& dy, bool clip) {
  if (IsEmpty()) SyncBoundingBox();
  if (IsEmpty()) return;
  int64_t x1 = x1_, y1 = y1_, x2 = x2_, y2 = y2_;
  int64_t mx = dx, my = dy;
  if (clip) {
    if (x1 + mx < 0) x1 = -mx;
    if (y1 + my < 0) y1 = -my;
    if (x2 + mx >= width_) x2 = width_ - 1 - mx;
    if (y2 + my >= height_) y2 = height_ - 1 - my;
  } else {
    if (x1 + mx < 0) mx = -x1;
    if (x2 + mx >= width_) mx = width_ - 1 - x2;
    if (y1 + my < 0) my = -y1;
    if (y2 + my >= height_) my = height_ - 1 - y2;
    dx = static_cast<int32_t>(mx);
    dy = static_cast<int32_t>(my);
  }
  if (mx == 0 && my == 0) return;
  if (x2 < x1 || y2 < y1) {
    // Everything left the mask.
    Clear();
    return;
  }
  const auto boxWidth = static_cast<int32_t>(x2 - x1 + 1), boxHeight = static_cast<int32_t>(y2 - y1 + 1);
  if (bitsPerPixel_ == 1) {
    const int64_t tempRowLen = AlignedRowSize(boxWidth, 1, 32);
    std::vector<uint8_t> temp = ZeroedBytes(tempRowLen * boxHeight);
    for (int32_t r = 0; r < boxHeight; ++r)
      CopyBitRun(temp.data() + r * tempRowLen, Row(static_cast<int32_t>(y1 + r)), 0, static_cast<int32_t>(x1),
                 boxWidth, rowLen_);
    std::fill(bits_.begin(), bits_.end(), 0);
    for (int32_t r = 0; r < boxHeight; ++r)
      CopyBitRun(Row(static_cast<int32_t>(y1 + r + my)), temp.data() + r * tempRowLen, static_cast<int32_t>(x1 + mx),
                 0, boxWidth, static_cast<int32_t>(tempRowLen));
  } else if (bitsPerPixel_ == 8) {
    std::vector<uint8_t> old = bits_;
    std::fill(bits_.begin(), bits_.end(), 0);
    for (int64_t y = y1; y <= y2; ++y) {
      const int64_t ty = y + my;
      if (ty < 0 || ty >= height_) continue;
      const uint8_t* from = old.data() + (height_ - y - 1) * int64_t(rowLen_);
      uint8_t* to = Row(static_cast<int32_t>(ty));
      for (int64_t x = x1; x <= x2; ++x) {
        const int64_t tx = x + mx;
        if (tx >= 0 && tx < width_) to[tx] = from[x];
      }
    }
  }
  x1_ = static_cast<int32_t>(ClampTo(x1 + mx, 0, width_ - 1));
  x2_ = static_cast<int32_t>(ClampTo(x2 + mx, 0, width_ - 1));
  y1_ = static_cast<int32_t>(ClampTo(y1 + my, 0, height_ - 1));
  y2_ = static_cast<int32_t>(ClampTo(y2 + my, 0, height_ - 1));
}

// ---- transfer ----

namespace {

// The box columns and rows that lie inside the mask and both bitmaps, each bitmap addressed
// either from the box's corner or in mask coordinates.
struct BoxRange {
  int32_t firstX, firstY, lastX, lastY;
  int32_t sourceOffsetX, sourceOffsetY;  // source coordinate = mask coordinate - offset
  int32_t destOffsetX, destOffsetY;
};

bool ClipBoxRange(BoxRange& range, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t maskW, int32_t maskH,
                  int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, bool sourceIsBox, bool destIsBox) {
  range.sourceOffsetX = sourceIsBox ? x1 : 0;
  range.sourceOffsetY = sourceIsBox ? y1 : 0;
  range.destOffsetX = destIsBox ? x1 : 0;
  range.destOffsetY = destIsBox ? y1 : 0;
  int64_t firstX = std::max({int64_t(x1), int64_t(range.sourceOffsetX), int64_t(range.destOffsetX), int64_t(0)});
  int64_t firstY = std::max({int64_t(y1), int64_t(range.sourceOffsetY), int64_t(range.destOffsetY), int64_t(0)});
  int64_t lastX = std::min({int64_t(x2), int64_t(maskW) - 1, int64_t(range.sourceOffsetX) + srcW - 1,
                            int64_t(range.destOffsetX) + dstW - 1});
  int64_t lastY = std::min({int64_t(y2), int64_t(maskH) - 1, int64_t(range.sourceOffsetY) + srcH - 1,
                            int64_t(range.destOffsetY) + dstH - 1});
  if (firstX > lastX || firstY > lastY) return false;
  range.firstX = int32_t(firstX);
  range.firstY = int32_t(firstY);
  range.lastX = int32_t(lastX);
  range.lastY = int32_t(lastY);
  return true;
}

// d + floor((s - d) m / 256); a full coverage takes the source exactly.
inline uint8_t Coverage(uint8_t d, uint8_t s, int32_t m) {
  if (m == 255) return s;
  return static_cast<uint8_t>(d + (((int32_t(s) - d) * m) >> 8));
}

}  // namespace

void TIEMask::CopyBitmapThroughMask(TIEBitmap* dest, TIEBitmap* source, bool withAlpha, bool sourceIsBox,
                                    bool destIsBox) {
  if (!dest || !source || IsEmpty() || bits_.empty()) return;
  // A bitmap copied onto itself is read from a copy, so that no row is read after it changed.
  std::unique_ptr<TIEBitmap> copy;
  if (source == dest) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(source);
    source = copy.get();
  }
  const TIEPixelFormat format = source->GetPixelFormat();
  BoxRange range;
  if (format == dest->GetPixelFormat() && format != ieNull &&
      ClipBoxRange(range, x1_, y1_, x2_, y2_, width_, height_, source->GetWidth(), source->GetHeight(),
                   dest->GetWidth(), dest->GetHeight(), sourceIsBox, destIsBox)) {
    TIEAccessScope sourceAccess(source, ieaRead);
    TIEAccessScope destAccess(dest, ieaRead | ieaWrite);
    const int32_t bytes = IEBytesPerPixel(format);
    const bool oneBitMask = bitsPerPixel_ == 1;
    // With a coverage mask only these formats blend (or, for bits and palette indexes, copy).
    const bool coverageFormat = format == ie24RGB || format == ie32RGB || format == ie8g || format == ie8p ||
                                format == ie1g;
    if (oneBitMask || (bitsPerPixel_ == 8 && coverageFormat)) {
      for (int32_t y = range.firstY; y <= range.lastY; ++y) {
        const uint8_t* maskRow = Row(y);
        auto* to = static_cast<uint8_t*>(dest->GetScanline(y - range.destOffsetY));
        const auto* from = static_cast<const uint8_t*>(source->GetScanline(y - range.sourceOffsetY));
        for (int32_t x = range.firstX; x <= range.lastX; ++x) {
          const int32_t m = oneBitMask ? (BitSet(maskRow, x) ? 255 : 0) : maskRow[x];
          if (m == 0) continue;
          const int32_t sx = x - range.sourceOffsetX, dx = x - range.destOffsetX;
          if (format == ie1g) {
            SetBitInBuffer(to, dx, GetBitFromBuffer(from, sx) != 0);
          } else if (m == 255 || format == ie8p) {
            std::memcpy(to + int64_t(dx) * bytes, from + int64_t(sx) * bytes, static_cast<size_t>(bytes));
          } else {
            for (int32_t c = 0; c < bytes; ++c)
              to[int64_t(dx) * bytes + c] = Coverage(to[int64_t(dx) * bytes + c], from[int64_t(sx) * bytes + c], m);
          }
        }
      }
    }
  }
  if (withAlpha) CopyToAlphaChannel(dest, source, sourceIsBox, destIsBox);
}

void TIEMask::CopyToAlphaChannel(TIEBitmap* dest, TIEBitmap* source, bool sourceIsBox, bool destIsBox) {
  if (!dest || !source || IsEmpty() || bits_.empty() || dest->IsAlphaChannel()) return;
  TIEBitmap* destAlpha = dest->GetAlphaChannel();
  TIEBitmap* sourceAlpha = source->HasAlphaChannel() ? source->GetAlphaChannel() : nullptr;
  int32_t srcW = source->GetWidth(), srcH = source->GetHeight();
  if (sourceAlpha) {
    srcW = std::min(srcW, sourceAlpha->GetWidth());
    srcH = std::min(srcH, sourceAlpha->GetHeight());
  }
  BoxRange range;
  if (!destAlpha || !ClipBoxRange(range, x1_, y1_, x2_, y2_, width_, height_, srcW, srcH, destAlpha->GetWidth(),
                                  destAlpha->GetHeight(), sourceIsBox, destIsBox))
    return;
  std::unique_ptr<TIEAccessScope> sourceAccess;
  if (sourceAlpha) sourceAccess = std::make_unique<TIEAccessScope>(sourceAlpha, ieaRead);
  TIEAccessScope destAccess(destAlpha, ieaRead | ieaWrite);
  for (int32_t y = range.firstY; y <= range.lastY; ++y) {
    const uint8_t* maskRow = Row(y);
    auto* to = static_cast<uint8_t*>(destAlpha->GetScanline(y - range.destOffsetY));
    const uint8_t* from =
        sourceAlpha ? static_cast<const uint8_t*>(sourceAlpha->GetScanline(y - range.sourceOffsetY)) : nullptr;
    for (int32_t x = range.firstX; x <= range.lastX; ++x) {
      const uint8_t alpha = from ? from[x - range.sourceOffsetX] : 255;
      uint8_t value = 0;
      if (bitsPerPixel_ == 1)
        value = BitSet(maskRow, x) ? alpha : 0;
      else if (maskRow[x] != 0)
        value = std::min(alpha, maskRow[x]);
      to[x - range.destOffsetX] = value;
    }
  }
  destAlpha->SetFull(false);
}

// ---- drawing ----

void TIEMask::DrawInvertedFill(vcl::TCanvas* canvas, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                               int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc) {
  if (!canvas || bitsPerPixel_ != 1 || IsEmpty() || bits_.empty()) return;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width_;
  info.header.biHeight = height_;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biCompression = BI_RGB;
  info.colours[1] = RGBQUAD{255, 255, 255, 0};
  // The rows are bottom-up, so the source rectangle is counted from the bottom.
  StretchDIBits(canvas->Handle(), xDst, yDst, dxDst, dyDst, xSrc, height_ - dySrc - ySrc, dxSrc, dySrc, bits_.data(),
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCINVERT);
}

void TIEMask::EnsureZoomBuffer(int32_t dxDst, int32_t dyDst) {
  if (dxDst == zoomWidth_ && dyDst == zoomHeight_ && !zoom_.empty()) return;
  FreeZoom();
  const int64_t rowLen = AlignedRowSize(dxDst, bitsPerPixel_, 32);
  zoom_ = ZeroedBytes(rowLen * dyDst);
  zoomRows_.resize(static_cast<size_t>(dyDst));
  for (int32_t i = 0; i < dyDst; ++i) zoomRows_[i] = zoom_.data() + (int64_t(dyDst) - i - 1) * rowLen;
  zoomWidth_ = dxDst;
  zoomHeight_ = dyDst;
  zoomRowLen_ = static_cast<int32_t>(rowLen);
}

void TIEMask::BuildZoomedMask(int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t dxDst,
                              int32_t dyDst) {
  if (dxDst < 1 || dyDst < 1) return;
  std::fill(zoom_.begin(), zoom_.end(), 0);
  if (dxSrc < 1 || dySrc < 1 || IsEmpty() || width_ < 1 || height_ < 1) return;
  const int64_t ystep = Step(dySrc, dyDst), xstep = Step(dxSrc, dxDst);
  const int64_t firstRow = std::max<int64_t>(int64_t(double(y1_ - ySrc) * dyDst / dySrc), 0);
  const int64_t lastRow = std::min<int64_t>(int64_t(double(int64_t(y2_) - ySrc + 1) * dyDst / dySrc), dyDst - 1);
  const int64_t firstCol = std::max<int64_t>(int64_t(double(x1_ - xSrc) * dxDst / dxSrc), 0);
  const int64_t lastCol = std::min<int64_t>(int64_t(double(int64_t(x2_) - xSrc + 1) * dxDst / dxSrc), dxDst - 1);
  if (firstCol > lastCol) return;
  // Source columns, kept within the mask for views wider than the image.
  std::vector<int32_t> columns(static_cast<size_t>(lastCol - firstCol + 1));
  for (int64_t c = firstCol; c <= lastCol; ++c)
    columns[c - firstCol] = static_cast<int32_t>(ClampTo(xSrc + (xstep * c) / kUnit, 0, width_ - 1));
  for (int64_t r = firstRow; r <= lastRow; ++r) {
    const auto sourceRow = static_cast<int32_t>(ClampTo(ySrc + (ystep * r) / kUnit, 0, height_ - 1));
    const uint8_t* from = Row(sourceRow);
    uint8_t* to = zoomRows_[r];
    if (bitsPerPixel_ == 1) {
      for (int64_t c = firstCol; c <= lastCol; ++c)
        if (BitSet(from, columns[c - firstCol])) to[c >> 3] |= kBitWeights[c & 7];
    } else {
      for (int64_t c = firstCol; c <= lastCol; ++c) to[c] = from[columns[c - firstCol]];
    }
  }
}

bool TIEMask::ZoomPixelSet(int32_t j, int32_t i) const {
  const uint8_t* row = zoomRows_[i];
  return bitsPerPixel_ == 1 ? BitSet(row, j) : row[j] != 0;
}

void TIEMask::DrawOutline(vcl::TCanvas* canvas, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                          int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t phase,
                          vcl::TColor colour1, vcl::TColor colour2, RECT* outRect) {
  if (!canvas || dxDst < 1 || dyDst < 1 || dxSrc < 1 || dySrc < 1 || IsEmpty() || bits_.empty()) return;
  TRGB first, second;
  ColorToRGBTriple(colour1, first);
  ColorToRGBTriple(colour2, second);
  const vcl::TColor inks[2] = {RGBTripleToColor(first), RGBTripleToColor(second)};
  EnsureZoomBuffer(dxDst, dyDst);
  BuildZoomedMask(xSrc, ySrc, dxSrc, dySrc, dxDst, dyDst);

  const int64_t xstep = Step(dxSrc, dxDst), ystep = Step(dySrc, dyDst);
  const int64_t imin = std::max<int64_t>(((int64_t(y1_) - ySrc) * kUnit) / ystep, 0);
  const int64_t imax = std::min<int64_t>(((int64_t(y2_) - ySrc + 1) * kUnit) / ystep + 1, dyDst - 1);
  const int64_t jmin = std::max<int64_t>(((int64_t(x1_) - xSrc) * kUnit) / xstep, 0);
  const int64_t jmax = std::min<int64_t>(((int64_t(x2_) - xSrc + 1) * kUnit) / xstep + 1, dxDst - 1);
  if (outRect)
    *outRect = RECT{static_cast<LONG>(xDst + jmin + 1), static_cast<LONG>(yDst + imin + 1),
                    static_cast<LONG>(xDst + jmax - 1), static_cast<LONG>(yDst + imax - 1)};
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetMode(vcl::pmCopy);

  auto imageColumn = [&](int64_t j) { return xSrc + (j * xstep) / kUnit; };
  auto imageRow = [&](int64_t i) { return ySrc + (i * ystep) / kUnit; };
  for (int64_t i = imin; i <= imax; ++i) {
    for (int64_t j = jmin; j <= jmax; ++j) {
      if (!ZoomPixelSet(static_cast<int32_t>(j), static_cast<int32_t>(i))) continue;
      bool border;
      if (j == 0) {
        border = imageColumn(j) <= x1_;
      } else if (j == jmax) {
        border = imageColumn(j) >= x2_ || dxSrc == width_;
      } else if (i == 0) {
        border = imageRow(i) <= y1_;
      } else if (i == imax) {
        border = imageRow(i) >= y2_ || dySrc == height_;
      } else {
        border = false;
        const int64_t lastNeighbourRow = std::min<int64_t>(i + 1, dyDst - 1);
        for (int64_t k = std::max<int64_t>(i - 1, 0); k <= lastNeighbourRow && !border; ++k)
          for (int64_t l = j - 1; l <= j + 1 && !border; ++l)
            border = !ZoomPixelSet(static_cast<int32_t>(l), static_cast<int32_t>(k));
      }
      if (!border) continue;
      const int64_t x = xDst + j, y = yDst + i;
      // Four pixels of each colour along the diagonals; the phase makes them crawl.
      const bool secondColour = (x + y + phase) % 8 < 4;
      canvas->SetPixels(static_cast<int>(x), static_cast<int>(y), inks[secondColour ? 1 : 0]);
    }
  }
}

void TIEMask::DrawOuterMark(vcl::TBitmap* bitmap, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                            int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t opacity,
                            vcl::TColor colour) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf24bit) return;
  if (dxDst < 1 || dyDst < 1 || dxSrc < 1 || dySrc < 1 || IsEmpty() || bits_.empty()) return;
  // A destination starting before the bitmap is cut, the source moving with it.
  auto cutStart = [](int32_t& dst, int32_t& dstSize, int32_t& src, int32_t& srcSize) {
    if (dst >= 0) return;
    const auto shift = static_cast<int32_t>(std::nearbyint(-double(dst) * srcSize / dstSize));
    src += shift;
    srcSize -= shift;
    dstSize += dst;
    dst = 0;
  };
  cutStart(yDst, dyDst, ySrc, dySrc);
  cutStart(xDst, dxDst, xSrc, dxSrc);
  if (dxDst < 1 || dyDst < 1 || dxSrc < 1 || dySrc < 1) return;
  EnsureZoomBuffer(dxDst, dyDst);
  BuildZoomedMask(xSrc, ySrc, dxSrc, dySrc, dxDst, dyDst);
  const int64_t xstep = Step(dxSrc, dxDst), ystep = Step(dySrc, dyDst);
  const int64_t firstRow = std::max<int64_t>((-int64_t(ySrc) * kUnit) / ystep, 0);
  const int64_t lastRow = std::min({((int64_t(height_) - ySrc) * kUnit) / ystep + 1, int64_t(dyDst) - 1,
                                    int64_t(bitmap->Height()) - 1 - yDst});
  const int64_t firstCol = std::max<int64_t>((-int64_t(xSrc) * kUnit) / xstep, 0);
  const int64_t lastCol = std::min({((int64_t(width_) - xSrc) * kUnit) / xstep + 1, int64_t(dxDst) - 1,
                                    int64_t(bitmap->Width()) - 1 - xDst});
  TRGB ink;
  ColorToRGBTriple(colour, ink);
  const double a = opacity / 255.0;
  auto lay = [a](uint8_t paint, uint8_t under) {
    double v = std::trunc(a * paint + (1 - a) * under);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
  };
  for (int64_t i = firstRow; i <= lastRow; ++i) {
    auto* row = static_cast<TRGB*>(bitmap->ScanLine(static_cast<int>(yDst + i))) + xDst;
    for (int64_t j = firstCol; j <= lastCol; ++j) {
      if (ZoomPixelSet(static_cast<int32_t>(j), static_cast<int32_t>(i))) continue;
      TRGB& pixel = row[j];
      if (opacity == -1) {
        if ((i + j) % 2 == 0) pixel = TRGB{97, 97, 97};
      } else {
        pixel = TRGB{lay(ink.b, pixel.b), lay(ink.g, pixel.g), lay(ink.r, pixel.r)};
      }
    }
  }
}

}  // namespace imaging
