#include "imaging/model/routines/threshold.h"

#include <cmath>
#include <limits>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/pixel_statistics.h"

namespace imaging {

int32_t MaximumEntropyThreshold(const std::array<int32_t, 256>& histogram) {
  double total = 0;
  for (int32_t count : histogram) total += count;
  if (total <= 0) return -1;
  std::array<double, 256> p;
  double totalEntropy = 0;
  for (int i = 0; i < 256; ++i) {
    p[i] = histogram[i] / total;
    if (p[i] != 0) totalEntropy -= p[i] * std::log(p[i]);
  }
  // The best score starts below every possible one: an image of two grey levels scores 0 at
  // every split (both classes have no entropy) and must still be split between them.
  double best = -std::numeric_limits<double>::infinity();
  int32_t threshold = -1;
  double below = 0, belowEntropy = 0;
  for (int t = 1; t < 256; ++t) {
    below += p[t - 1];
    if (p[t - 1] != 0) belowEntropy -= p[t - 1] * std::log(p[t - 1]);
    if (below <= 0 || below >= 1) continue;
    const double psi =
        std::log(below - below * below) + belowEntropy / below + (totalEntropy - belowEntropy) / (1 - below);
    if (psi > best) {
      best = psi;
      threshold = t;
    }
  }
  return threshold;
}

void ThresholdTo1Bit(TIEBitmap* source, TIEBitmap* dest, int32_t threshold, ProgressContext* progress) {
  if (source->GetPixelFormat() == ie1g) {
    dest->CopyWithoutAlpha(source);
    return;
  }
  const int32_t width = source->GetWidth(), height = source->GetHeight();
  if (progress) progress->Start(height);

  if (threshold == kThresholdMaximumEntropy) {
    std::array<int32_t, 256> histogram;
    LuminanceHistogram(source, histogram);
    threshold = MaximumEntropyThreshold(histogram);
    // Without a split (a single grey level) the mean colour decides, which makes such an image
    // white rather than an arbitrary pick.
    if (threshold < 0) threshold = kThresholdMeanColor;
  }
  if (threshold == kThresholdMeanColor) {
    int32_t red, green, blue;
    GetMeanColor(source, red, green, blue);
    threshold = GrayLevel(red, green, blue);
  }

  if (width <= 0 || height <= 0) return;
  if (dest->GetPixelFormat() != ie1g || dest->GetWidth() != width || dest->GetHeight() != height)
    if (!dest->Allocate(width, height, ie1g)) return;
  std::vector<TRGB> colours(width);
  for (int32_t y = 0; y < height; ++y) {
    if (ReadRowColours(source, y, colours.data(), TWideSampleScale::HighByte)) {
      uint8_t* row = static_cast<uint8_t*>(dest->GetScanline(y));
      for (int32_t x = 0; x < width; ++x)
        SetBitInBuffer(row, x, GrayLevel(colours[x].r, colours[x].g, colours[x].b) >= threshold);
    }
    if (progress) progress->RowsDone(y + 1);
  }
}

}  // namespace imaging
