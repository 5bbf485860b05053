#include "bitmap/engine/halftone_stretch.h"

#include <algorithm>
#include <vector>

#include "bitmap/engine/parallel_rows.h"

namespace bitmap {

namespace {

// Where one destination column (or row) samples: the nearer source pixel, the byte (or row)
// step to its neighbour (0 on the block's last pixel) and the neighbour's weight.
struct TSample {
  int32_t Near;
  int32_t Step;
  float Far;
};

// The platform's mix of two channel values, rounded to the nearest (half up) as it rounds.
inline float Mix(float a, float b, float weight) { return float(uint8_t(a + (b - a) * weight + 0.5f)); }

// The platform walks each axis by adding the single-precision step once per pixel, from the
// block's first pixel, and holds the position inside the block; the sums are repeated here
// in the same order so that every position, and so every weight, is the same float.
std::vector<TSample> SampleAxis(int32_t start, int32_t span, int32_t count, int32_t pixelBytes) {
  std::vector<TSample> samples(static_cast<size_t>(count));
  const float step = float(span) / float(count);
  const float first = float(start), last = float(start + span - 1);
  float position = first;
  for (TSample& s : samples) {
    position = std::clamp(position, first, last);
    const int32_t whole = int32_t(position);
    s.Near = whole;
    s.Step = whole + 1 <= start + span - 1 ? pixelBytes : 0;
    s.Far = position - float(whole);
    position += step;
  }
  return samples;
}

bool Inside(const TRgbRows& rows, int32_t x, int32_t y, int32_t w, int32_t h) {
  return rows.Bits && x >= 0 && y >= 0 && int64_t(x) + w <= rows.Width && int64_t(y) + h <= rows.Height;
}

bool Overlap(const TRgbRows& a, const TRgbRows& b) {
  auto span = [](const TRgbRows& r, const uint8_t*& lo, const uint8_t*& hi) {
    const ptrdiff_t end = r.Stride * (r.Height - 1);
    lo = r.Bits + std::min<ptrdiff_t>(0, end);
    hi = r.Bits + std::max<ptrdiff_t>(0, end) + ptrdiff_t(r.Width) * 3;
  };
  const uint8_t *aLo, *aHi, *bLo, *bHi;
  span(a, aLo, aHi);
  span(b, bLo, bHi);
  return aLo < bHi && bLo < aHi;
}

}  // namespace

bool HalftoneStretch(const TRgbRows& dst, int32_t x, int32_t y, int32_t w, int32_t h, const TRgbRows& src,
                     int32_t u, int32_t v, int32_t p, int32_t q) {
  if (w <= 0 || h <= 0 || p <= 0 || q <= 0) return false;
  if (!Inside(dst, x, y, w, h) || !Inside(src, u, v, p, q) || Overlap(dst, src)) return false;
  const std::vector<TSample> columns = SampleAxis(u, p, w, 3);
  const std::vector<TSample> rows = SampleAxis(v, q, h, 1);
  auto band = [&](int32_t first, int32_t end) {
    for (int32_t j = first; j < end; ++j) {
      const TSample& row = rows[size_t(j)];
      const uint8_t* top = src.Bits + src.Stride * row.Near;
      const uint8_t* bottom = top + (row.Step ? src.Stride : 0);
      const float down = row.Far;
      uint8_t* out = dst.Bits + dst.Stride * (y + j) + ptrdiff_t(x) * 3;
      for (const TSample& column : columns) {
        const ptrdiff_t at = ptrdiff_t(column.Near) * 3;
        const uint8_t* a = top + at;
        const uint8_t* b = bottom + at;
        const int32_t next = column.Step;
        const float right = column.Far;
        // Each source row is mixed across and rounded first, then the two results down.
        for (int32_t c = 0; c < 3; ++c)
          out[c] = uint8_t(Mix(Mix(a[c], a[c + next], right), Mix(b[c], b[c + next], right), down));
        out += 3;
      }
    }
  };
  if (int64_t(w) * h >= kParallelPixels)
    ParallelRows(h, band);
  else
    band(0, h);
  return true;
}

}  // namespace bitmap
