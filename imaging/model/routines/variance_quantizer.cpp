#include "imaging/model/routines/variance_quantizer.h"

#include <cmath>
#include <optional>
#include <utility>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

namespace {

constexpr int32_t kAxisCells = 32;
constexpr double kFailedSplitScore = 17523.6;  // above any sum of two halves' variances

inline int32_t CellIndex(int32_t r5, int32_t g5, int32_t b5) { return (r5 << 10) | (g5 << 5) | b5; }

void ComputeStatistics(TVarianceBox& box, int64_t totalPixels) {
  if (box.count == 0 || totalPixels == 0) {
    box.variance = 0;
    return;
  }
  double variance = 0;
  for (int axis = 0; axis < 3; ++axis) {
    double s1 = 0, s2 = 0;
    for (int32_t j = box.low[axis]; j < box.high[axis]; ++j) {
      s1 += double(j) * box.axisHistogram[axis][j];
      s2 += double(j) * j * box.axisHistogram[axis][j];
    }
    const double mean = s1 / box.count;
    box.mean[axis] = mean;
    variance += s2 - mean * mean * box.count;
  }
  box.variance = variance / totalPixels;
}

// Recounts the box's three axis histograms from the colour histogram inside its bounds.
void RecountAxes(TVarianceBox& box, const std::vector<int64_t>& histogram) {
  for (auto& axis : box.axisHistogram) axis.fill(0);
  for (int32_t r = box.low[0]; r < box.high[0]; ++r)
    for (int32_t g = box.low[1]; g < box.high[1]; ++g)
      for (int32_t b = box.low[2]; b < box.high[2]; ++b) {
        const int64_t n = histogram[CellIndex(r, g, b)];
        box.axisHistogram[0][r] += n;
        box.axisHistogram[1][g] += n;
        box.axisHistogram[2][b] += n;
      }
}

// Narrows every axis to its first and last occupied slot.
void ShrinkToOccupied(TVarianceBox& box) {
  for (int axis = 0; axis < 3; ++axis) {
    const auto& h = box.axisHistogram[axis];
    int32_t low = box.low[axis], high = box.high[axis];
    while (low < high && h[low] == 0) ++low;
    while (high > low && h[high - 1] == 0) --high;
    box.low[axis] = low;
    box.high[axis] = high;
  }
}

// Splits the box on one axis near the point that best separates its two halves; nothing
// when the axis cannot be split.
std::optional<std::pair<TVarianceBox, TVarianceBox>> SplitOnAxis(const TVarianceBox& box, int axis,
                                                                  const std::vector<int64_t>& histogram,
                                                                  int64_t totalPixels) {
  const int32_t low = box.low[axis], high = box.high[axis];
  if (high <= low + 1) return std::nullopt;
  const auto& h = box.axisHistogram[axis];
  const double mean = box.mean[axis];
  const int64_t count = box.count;
  const int32_t start = static_cast<int32_t>(std::nearbyint((low + mean) * 0.5));
  const int32_t end = static_cast<int32_t>(std::nearbyint((mean + high) * 0.5));
  int64_t cumulative = 0;
  for (int32_t j = low; j < start; ++j) cumulative += h[j];
  int32_t best = start;
  int64_t bestCount = count;
  double bestScore = -1, partialMean = 0;
  // Slots from `high` on are empty: by then every pixel has been counted.
  for (int32_t j = start; j <= end && j < high; ++j) {
    cumulative += h[j];
    if (cumulative == count) break;
    partialMean += double(h[j]) * j / count;
    const double d = mean - partialMean;
    const double score = double(cumulative) / double(count - cumulative) * d * d;
    if (score > bestScore) {
      best = j;
      bestCount = cumulative;
      bestScore = score;
    }
  }
  if (bestCount <= 0 || bestCount >= count) return std::nullopt;

  TVarianceBox lower = box, upper = box;
  lower.count = bestCount;
  lower.high[axis] = best + 1;
  upper.count = count - bestCount;
  upper.low[axis] = best + 1;
  RecountAxes(lower, histogram);
  for (int a = 0; a < 3; ++a)
    for (int32_t j = 0; j < kAxisCells; ++j) upper.axisHistogram[a][j] = box.axisHistogram[a][j] - lower.axisHistogram[a][j];
  for (TVarianceBox* half : {&lower, &upper}) {
    ShrinkToOccupied(*half);
    ComputeStatistics(*half, totalPixels);
  }
  return std::make_pair(std::move(lower), std::move(upper));
}

// Splits the box on the axis whose halves have the smallest summed variance.
std::optional<std::pair<TVarianceBox, TVarianceBox>> SplitBox(const TVarianceBox& box,
                                                               const std::vector<int64_t>& histogram,
                                                               int64_t totalPixels) {
  if (box.variance == 0 || box.count == 0) return std::nullopt;
  std::optional<std::pair<TVarianceBox, TVarianceBox>> trials[3];
  double scores[3];
  for (int axis = 0; axis < 3; ++axis) {
    trials[axis] = SplitOnAxis(box, axis, histogram, totalPixels);
    scores[axis] = trials[axis] ? trials[axis]->first.variance + trials[axis]->second.variance : kFailedSplitScore;
  }
  if (scores[0] < kFailedSplitScore && scores[0] <= scores[1] && scores[0] <= scores[2]) return trials[0];
  if (scores[1] < kFailedSplitScore && scores[1] <= scores[0] && scores[1] <= scores[2]) return trials[1];
  if (scores[2] < kFailedSplitScore) return trials[2];
  return std::nullopt;
}

}  // namespace

std::unique_ptr<TVarianceQuantState> VarianceQuantBuild(TIEBitmap* bitmap, std::span<TRGB> palette,
                                                        int32_t colours) {
  auto state = std::make_unique<TVarianceQuantState>();
  state->histogram.assign(kAxisCells * kAxisCells * kAxisCells, 0);
  state->inverseMap.assign(state->histogram.size(), 0);
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  state->totalPixels = int64_t(width) * height;

  TVarianceBox first;
  first.high = {kAxisCells, kAxisCells, kAxisCells};
  for (int32_t y = 0; y < height; ++y) {
    const TRGB* row = static_cast<const TRGB*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const int32_t r5 = row[x].r >> 3, g5 = row[x].g >> 3, b5 = row[x].b >> 3;
      ++state->histogram[CellIndex(r5, g5, b5)];
      ++first.axisHistogram[0][r5];
      ++first.axisHistogram[1][g5];
      ++first.axisHistogram[2][b5];
    }
  }
  first.count = state->totalPixels;
  ComputeStatistics(first, state->totalPixels);
  auto& boxes = state->boxes;
  boxes.push_back(std::move(first));

  const int32_t wanted = colours < kVarianceQuantMaxBoxes ? colours : kVarianceQuantMaxBoxes;
  while (int32_t(boxes.size()) < wanted) {
    int32_t chosen = -1;
    double largest = 0;
    for (int32_t i = 0; i < int32_t(boxes.size()); ++i)
      if (boxes[i].variance > largest) {
        largest = boxes[i].variance;
        chosen = i;
      }
    if (chosen < 0) break;
    auto halves = SplitBox(boxes[chosen], state->histogram, state->totalPixels);
    if (!halves) {
      boxes[chosen].variance = 0;
      continue;
    }
    boxes[chosen] = std::move(halves->first);
    boxes.push_back(std::move(halves->second));
  }

  for (int32_t i = 0; i < int32_t(boxes.size()); ++i) {
    const TVarianceBox& box = boxes[i];
    if (size_t(i) < palette.size()) {
      auto level = [&](int axis) { return uint8_t(int32_t(std::nearbyint(box.mean[axis])) << 3); };
      palette[i] = TRGB{level(2), level(1), level(0)};
    }
    for (int32_t r = box.low[0]; r < box.high[0]; ++r)
      for (int32_t g = box.low[1]; g < box.high[1]; ++g)
        for (int32_t b = box.low[2]; b < box.high[2]; ++b) state->inverseMap[CellIndex(r, g, b)] = uint8_t(i);
  }
  return state;
}

int32_t VarianceQuantLookup(const TVarianceQuantState& state, int32_t packedRGB) {
  const int32_t r5 = (packedRGB >> 19) & 31, g5 = (packedRGB >> 11) & 31, b5 = (packedRGB >> 3) & 31;
  return state.inverseMap[CellIndex(r5, g5, b5)];
}

}  // namespace imaging
