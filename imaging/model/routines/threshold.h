// Conversion of a bitmap of any pixel format to black and white by a luminance threshold.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/model/routines/progress_context.h"

namespace imaging {

class TIEBitmap;

// Threshold values with a meaning of their own.
constexpr int32_t kThresholdMeanColor = -1;      // the luminance of the image's mean colour
constexpr int32_t kThresholdMaximumEntropy = -2;  // chosen from the grey-level histogram

// Writes `source` as a 1-bit image into `dest`: a pixel is white (a set bit) when its
// luminance is at least the threshold. Thresholds 0 .. 255 are used as given, above 255 every
// pixel is black, other negative values make every pixel white. `dest` is made an ie1g bitmap
// of the source's size when it is not one. A 1-bit source is copied as it is. Progress (may be
// nil) is reported after each row; its per-row share is set here.
void ThresholdTo1Bit(TIEBitmap* source, TIEBitmap* dest, int32_t threshold, ProgressContext* progress);

// The maximum-entropy threshold (Kapur's criterion) of a grey-level histogram: the level t
// that maximises the summed entropies of the levels below t and from t on. -1 when no level
// splits the pixels into two non-empty classes (a histogram of a single level, or empty).
int32_t MaximumEntropyThreshold(const std::array<int32_t, 256>& histogram);

}  // namespace imaging
