#include "imaging/model/routines/resample_fast.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr double kFractionOne = 131072;  // 17-bit fractions

// How one axis is resampled.
enum class TFastMode {
  Copy,         // scale exactly 1
  Interpolate,  // a + floor((b - a) * fraction / 2^17) between a position and the next
  Mean,         // integer mean of the positions first .. last
};

struct TFastPosition {
  int32_t first;     // Trunc(position)
  int32_t fraction;  // 17-bit fraction of the position
  int32_t last;      // end of the box (Mean) or the next position (Interpolate)
};

// The positions along one axis. The column tables add 1e-10 to the box end, the rows do not.
std::vector<TFastPosition> FastPositions(int32_t srcSize, int32_t dstSize, double scale, TFastMode mode,
                                         double boxEpsilon) {
  std::vector<TFastPosition> positions(dstSize);
  for (int32_t j = 0; j < dstSize; ++j) {
    TFastPosition& p = positions[j];
    const double pos = j / scale;
    p.first = std::min(static_cast<int32_t>(pos), srcSize - 1);
    p.fraction = static_cast<int32_t>((pos - p.first) * kFractionOne);
    if (mode == TFastMode::Mean) {
      p.last = static_cast<int32_t>(std::min(j + 1, dstSize - 1) / scale + boxEpsilon);
      p.last = std::clamp(p.last, p.first, srcSize - 1);
    } else {
      p.last = std::min(p.first + 1, srcSize - 1);
    }
  }
  return positions;
}

TFastMode ModeFor(double scale, bool alwaysInterpolate) {
  if (scale == 1) return TFastMode::Copy;
  return scale > 1 || alwaysInterpolate ? TFastMode::Interpolate : TFastMode::Mean;
}

inline uint8_t Interpolate17(int32_t a, int32_t b, int32_t fraction) {
  return static_cast<uint8_t>(a + (((b - a) * fraction) >> 17));  // the shift floors negatives
}

void HorizontalRow(const uint8_t* source, uint8_t* dest, const std::vector<TFastPosition>& columns, int32_t channels,
                   TFastMode mode) {
  const int32_t n = static_cast<int32_t>(columns.size());
  if (mode == TFastMode::Copy) {
    std::memcpy(dest, source, size_t(n) * channels);
    return;
  }
  for (int32_t j = 0; j < n; ++j) {
    const TFastPosition& p = columns[j];
    for (int32_t c = 0; c < channels; ++c) {
      if (mode == TFastMode::Interpolate) {
        dest[j * channels + c] =
            Interpolate17(source[p.first * channels + c], source[p.last * channels + c], p.fraction);
      } else {
        int32_t sum = 0;
        for (int32_t x = p.first; x <= p.last; ++x) sum += source[x * channels + c];
        dest[j * channels + c] = static_cast<uint8_t>(sum / (p.last - p.first + 1));
      }
    }
  }
}

void VerticalRow(const TWorkRows& work, const TFastPosition& p, TFastMode mode, int32_t bytes, uint8_t* dest) {
  if (mode == TFastMode::Interpolate) {
    const uint8_t* a = work.Row(p.first);
    const uint8_t* b = work.Row(p.last);
    for (int32_t x = 0; x < bytes; ++x) dest[x] = Interpolate17(a[x], b[x], p.fraction);
    return;
  }
  std::vector<int32_t> sums(bytes, 0);
  for (int32_t y = p.first; y <= p.last; ++y) {
    const uint8_t* row = work.Row(y);
    for (int32_t x = 0; x < bytes; ++x) sums[x] += row[x];
  }
  const int32_t count = p.last - p.first + 1;
  for (int32_t x = 0; x < bytes; ++x) dest[x] = static_cast<uint8_t>(sums[x] / count);
}

// The two passes: readRow(y) gives a source row of `channels` bytes per pixel, writeRow(k, row)
// stores a destination row of the same layout.
template <class ReadRow, class WriteRow>
void FastLinear(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels, bool alwaysInterpolate,
                ReadRow readRow, WriteRow writeRow, vcl::TObject* sender, const TIEProgressEvent& onProgress) {
  const double sx = double(dstW) / srcW, sy = double(dstH) / srcH;
  const TFastMode modeX = ModeFor(sx, alwaysInterpolate), modeY = ModeFor(sy, alwaysInterpolate);
  const std::vector<TFastPosition> columns = FastPositions(srcW, dstW, sx, modeX, 1e-10);
  const std::vector<TFastPosition> rows = FastPositions(srcH, dstH, sy, modeY, 0);
  const double factor = 100.0 / (srcH + dstH + 0.5);
  const int32_t bytes = dstW * channels;

  TWorkRows work(bytes, srcH);
  for (int32_t y = 0; y < srcH; ++y) {
    HorizontalRow(readRow(y), work.Row(y), columns, channels, modeX);
    if (onProgress) onProgress(sender, static_cast<int32_t>(factor * y));
  }
  TWorkRows out(bytes, 1);
  for (int32_t k = 0; k < dstH; ++k) {
    if (modeY == TFastMode::Copy)
      std::memcpy(out.Row(0), work.Row(k), bytes);
    else
      VerticalRow(work, rows[k], modeY, bytes, out.Row(0));
    writeRow(k, out.Row(0));
    if (onProgress) onProgress(sender, static_cast<int32_t>(factor * (srcH + k)));
  }
}

void FastLinearBytes(TIEBitmap* source, TIEBitmap* dest, TIEPixelFormat format, int32_t channels,
                     vcl::TObject* sender, const TIEProgressEvent& onProgress) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
  if (source->IsEmpty() || dest->IsEmpty()) return;
  if (source->BitCount() != channels * 8)
    throw vcl::EInvalidArgument("The fast resampler needs a source of " + std::to_string(channels * 8) + " bits");
  const int32_t srcW = source->Width(), srcH = source->Height();
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  if (dstW == srcW && dstH == srcH) {
    dest->Assign(source);
    return;
  }
  EnsurePixelFormat(dest, format);
  FastLinear(
      srcW, srcH, dstW, dstH, channels, false,
      [&](int32_t y) { return static_cast<const uint8_t*>(source->GetScanline(y)); },
      [&](int32_t k, const uint8_t* row) { std::memcpy(dest->GetScanline(k), row, size_t(dstW) * channels); }, sender,
      onProgress);
}

// Set bits of a 1-bit row from bit `from` to bit `to`, inclusive.
int32_t CountBits(const uint8_t* row, int32_t from, int32_t to) {
  int32_t count = 0;
  int32_t x = from;
  while (x <= to && (x & 7) != 0) {
    if (row[x >> 3] & (0x80 >> (x & 7))) ++count;
    ++x;
  }
  while (x + 7 <= to) {
    count += std::popcount(static_cast<unsigned>(row[x >> 3]));
    x += 8;
  }
  for (; x <= to; ++x)
    if (row[x >> 3] & (0x80 >> (x & 7))) ++count;
  return count;
}

}  // namespace

void ResampleFastLinear24(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender,
                          const TIEProgressEvent& onProgress) {
  FastLinearBytes(source, dest, ie24RGB, 3, sender, onProgress);
}

void ResampleFastLinear8(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender,
                         const TIEProgressEvent& onProgress) {
  FastLinearBytes(source, dest, ie8g, 1, sender, onProgress);
}

void ResampleFastLinear1Bit(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender,
                            const TIEProgressEvent& onProgress) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
  if (source->IsEmpty() || dest->IsEmpty()) return;
  if (source->PixelFormat() != ie1g) throw vcl::EInvalidArgument("ResampleFastLinear1Bit needs a 1-bit source");
  const int32_t srcW = source->Width(), srcH = source->Height();
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  if (dstW == srcW && dstH == srcH) {
    dest->Assign(source);
    return;
  }
  if (dstW < srcW && dstH < srcH) {
    Resample1BitToGray24(source, 0, 0, srcW - 1, srcH - 1, dest);
    return;
  }
  EnsurePixelFormat(dest, ie24RGB);
  TWorkRows line(srcW, 1);
  FastLinear(
      srcW, srcH, dstW, dstH, 1, true,
      [&](int32_t y) {
        const uint8_t* bits = static_cast<const uint8_t*>(source->GetScanline(y));
        uint8_t* bytes = line.Row(0);
        for (int32_t x = 0; x < srcW; ++x) bytes[x] = (bits[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        return static_cast<const uint8_t*>(bytes);
      },
      [&](int32_t k, const uint8_t* grey) {
        uint8_t* row = static_cast<uint8_t*>(dest->GetScanline(k));
        for (int32_t x = 0; x < dstW; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
      },
      sender, onProgress);
}

void Resample1BitToGray24(TIEBitmap* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TIEBitmap* dest) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
  if (source->IsEmpty() || dest->IsEmpty()) return;
  if (source->PixelFormat() != ie1g) throw vcl::EInvalidArgument("Resample1BitToGray24 needs a 1-bit source");
  const int32_t srcW = source->Width(), srcH = source->Height();
  // The rectangle is meant to lie inside the source; one that does not is clipped, so that
  // no row or bit outside the bitmap is read.
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, srcW - 1);
  y2 = std::min(y2, srcH - 1);
  if (x2 < x1 || y2 < y1) return;
  EnsurePixelFormat(dest, ie24RGB);
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  const double fx = double(x2 - x1 + 1) / dstW, fy = double(y2 - y1 + 1) / dstH;
  const double halfWholeFy = static_cast<int32_t>(fy) / 2.0;

  std::vector<int32_t> firstColumn(dstW), lastColumn(dstW);
  for (int32_t j = 0; j < dstW; ++j) {
    firstColumn[j] = std::max(x1 + static_cast<int32_t>(fx * j - fx / 2), 0);
    lastColumn[j] = std::min(x1 + static_cast<int32_t>(fx / 2 + fx * j), srcW - 1);
  }
  std::vector<const uint8_t*> rows;
  for (int32_t i = 0; i < dstH; ++i) {
    int32_t top = std::max(static_cast<int32_t>(fy * i - fy / 2), 0);
    int32_t bottom = std::max(static_cast<int32_t>(halfWholeFy + fy * i), 0);
    top = std::min(y1 + top, srcH - 1);
    bottom = std::min(y1 + bottom, srcH - 1);
    rows.clear();
    for (int32_t y = top; y <= bottom; ++y) rows.push_back(static_cast<const uint8_t*>(source->LockScanline(y)));
    uint8_t* out = static_cast<uint8_t*>(dest->GetScanline(i));
    for (int32_t j = 0; j < dstW; ++j) {
      int32_t set = 0;
      for (const uint8_t* row : rows) set += CountBits(row, firstColumn[j], lastColumn[j]);
      const int32_t bits = static_cast<int32_t>(rows.size()) * std::max(lastColumn[j] - firstColumn[j] + 1, 0);
      const uint8_t grey = static_cast<uint8_t>(bits > 0 ? 255 * set / bits : 0);
      out[3 * j] = out[3 * j + 1] = out[3 * j + 2] = grey;
    }
    for (int32_t y = top; y <= bottom; ++y) source->UnlockScanline(y);
  }
}

}  // namespace imaging
