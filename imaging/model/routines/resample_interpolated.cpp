#include "imaging/model/routines/resample_interpolated.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// A source edge this close before a destination edge is taken as the same cut.
constexpr double kEdgeTolerance = 1e-4;

// A piece of one axis that lies in one source pixel and one destination pixel.
struct TSegment {
  int32_t source;
  int32_t dest;
  double width;
  double fraction;   // where the piece ends, measured from the source pixel's start (1: its edge)
  bool closesDest;   // the piece ends at the destination pixel's edge
};

// Walks one axis, cutting at every source pixel edge (the integers) and every destination
// pixel edge (the multiples of step). After a destination edge the source index stays, so a
// source edge on or just before it leaves a piece of (next to) no width.
std::vector<TSegment> AxisSegments(int32_t sourceSize, int32_t destSize, double step) {
  std::vector<TSegment> segments;
  segments.reserve(size_t(sourceSize) + destSize);
  int32_t source = 0, dest = 0;
  double position = 0;
  while (dest < destSize) {
    const double destEdge = (dest + 1) * step;
    const double sourceEdge = source + 1;
    if (sourceEdge + kEdgeTolerance >= destEdge || source >= sourceSize - 1) {
      segments.push_back({source, dest, destEdge - position, destEdge - source, true});
      position = destEdge;
      ++dest;
    } else {
      segments.push_back({source, dest, sourceEdge - position, 1.0, false});
      position = sourceEdge;
      ++source;
    }
  }
  return segments;
}

// Four source rows r - 1 .. r + 2 (edge rows repeated) as integers, the row r moving down one
// row at a time, each source row read once.
template <class Sample>
class TRowWindow {
 public:
  TRowWindow(TIEBitmap* source, int32_t samplesPerRow)
      : source_(source), samples_(samplesPerRow), height_(source->Height()) {
    for (auto& row : rows_) row.resize(samples_);
    for (int32_t k = 0; k < 4; ++k) Read(k, k - 1);
  }
  // Sample i of row r + offset (offset -1 .. 2).
  const int32_t* Row(int32_t offset) const { return rows_[offset + 1].data(); }
  int32_t Top() const { return top_; }
  void MoveDown() {
    std::rotate(std::begin(rows_), std::begin(rows_) + 1, std::end(rows_));
    ++top_;
    Read(3, top_ + 2);
  }

 private:
  void Read(int32_t slot, int32_t y) {
    y = std::clamp(y, 0, height_ - 1);
    const Sample* line = static_cast<const Sample*>(source_->GetScanline(y));
    for (int32_t i = 0; i < samples_; ++i) rows_[slot][i] = line[i];
  }

  TIEBitmap* source_;
  int32_t samples_;
  int32_t height_;
  int32_t top_ = 0;
  std::vector<int32_t> rows_[4];
};

enum class TAxes { None, XOnly, YOnly, Both };

template <class Sample>
void Interpolate(TIEBitmap* source, TIEBitmap* dest, int32_t channels, bool bicubic, vcl::TObject* sender,
                 const TIEProgressEvent& onProgress) {
  const double maximum = sizeof(Sample) == 1 ? 255.0 : 65535.0;
  const int32_t srcW = source->Width(), srcH = source->Height();
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  const double gx = double(srcW) / dstW, gy = double(srcH) / dstH;
  const TAxes axes = gx < 1 && gy < 1 ? TAxes::Both : gx < 1 ? TAxes::XOnly : gy < 1 ? TAxes::YOnly : TAxes::None;
  const bool inX = axes == TAxes::Both || axes == TAxes::XOnly;
  const bool inY = axes == TAxes::Both || axes == TAxes::YOnly;
  const std::vector<TSegment> columns = AxisSegments(srcW, dstW, gx);
  const std::vector<TSegment> rows = AxisSegments(srcH, dstH, gy);
  const double scale = 1.0 / (gx * gy);

  TRowWindow<Sample> window(source, srcW * channels);
  std::vector<double> sums(size_t(dstW) * channels, 0.0);
  auto column = [&](int32_t c) { return std::clamp(c, 0, srcW - 1) * channels; };

  for (const TSegment& row : rows) {
    while (window.Top() < row.source) window.MoveDown();
    const double ty = row.fraction;
    for (const TSegment& col : columns) {
      const double area = col.width * row.width;
      const double tx = col.fraction;
      const int32_t c = col.source;
      double* sum = sums.data() + size_t(col.dest) * channels;
      for (int32_t i = 0; i < channels; ++i) {
        auto P = [&](int32_t dx, int32_t dy) { return double(window.Row(dy)[column(c + dx) + i]); };
        double v;
        if (!bicubic) {
          if (inX && inY)
            v = (1 - ty) * ((1 - tx) * P(0, 0) + tx * P(1, 0)) + ty * ((1 - tx) * P(0, 1) + tx * P(1, 1));
          else if (inX)
            v = (1 - tx) * P(0, 0) + tx * P(1, 0);
          else if (inY)
            v = (1 - ty) * P(0, 0) + ty * P(0, 1);
          else
            v = P(0, 0);
        } else if (inX && inY) {
          double across[4];
          for (int32_t k = -1; k <= 2; ++k)
            across[k + 1] =
                std::nearbyint(CubicConvolution(P(-1, k), P(0, k), P(1, k), P(2, k), tx, 0, maximum));
          v = CubicConvolution(across[0], across[1], across[2], across[3], ty, 0, maximum);
        } else if (inX) {
          v = CubicConvolution(P(-1, 0), P(0, 0), P(1, 0), P(2, 0), tx, 0, maximum);
        } else if (inY) {
          v = CubicConvolution(P(0, -1), P(0, 0), P(0, 1), P(0, 2), ty, 0, maximum);
        } else {
          v = P(0, 0);
        }
        sum[i] += area * v;
      }
    }
    if (!row.closesDest) continue;
    Sample* out = static_cast<Sample*>(dest->GetScanline(row.dest));
    for (size_t x = 0; x < sums.size(); ++x) {
      out[x] = static_cast<Sample>(std::clamp(std::nearbyint(sums[x] * scale), 0.0, maximum));
      sums[x] = 0;
    }
    if (onProgress) onProgress(sender, static_cast<int32_t>(double(row.dest + 1) / dstH * 100));
  }
}

// Runs the interpolator when the source has one of the two formats of its sample size.
template <class Sample>
void InterpolateFormat(TIEBitmap* source, TIEBitmap* dest, TIEPixelFormat oneChannel, TIEPixelFormat threeChannels,
                       bool bicubic, vcl::TObject* sender, const TIEProgressEvent& onProgress) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
  const TIEPixelFormat format = source->PixelFormat();
  if (format != oneChannel && format != threeChannels) return;
  if (source->IsEmpty() || dest->Width() < 1 || dest->Height() < 1) return;
  EnsurePixelFormat(dest, format);
  Interpolate<Sample>(source, dest, format == oneChannel ? 1 : 3, bicubic, sender, onProgress);
}

}  // namespace

double CubicConvolution(double pMinus1, double p0, double p1, double p2, double t, double minimum, double maximum) {
  auto weight = [](double x) {
    const double a = std::fabs(x);
    if (a < 1) return a * a * a - 2 * a * a + 1;
    if (a < 2) return -a * a * a + 5 * a * a - 8 * a + 4;
    return 0.0;
  };
  const double sum = pMinus1 * weight(t + 1) + p0 * weight(t) + p1 * weight(t - 1) + p2 * weight(t - 2);
  return std::clamp(sum, minimum, maximum);
}

void ResampleInterpolated(TIEBitmap* source, TIEBitmap* dest, bool bicubic, vcl::TObject* sender,
                          const TIEProgressEvent& onProgress) {
  InterpolateFormat<uint8_t>(source, dest, ie8g, ie24RGB, bicubic, sender, onProgress);
}

void ResampleInterpolated16(TIEBitmap* source, TIEBitmap* dest, bool bicubic, vcl::TObject* sender,
                            const TIEProgressEvent& onProgress) {
  InterpolateFormat<uint16_t>(source, dest, ie16g, ieRGB48, bicubic, sender, onProgress);
}

}  // namespace imaging
