// Histogram matching: each colour channel of a picture reshaped so that its histogram follows
// another picture's. The processing library offers it, and the camera raw reader matches a
// decoded picture to the camera's own thumbnail with it.
#pragma once

#include <array>
#include <cstdint>

namespace imaging {

class TIEBitmap;

// Reshapes each colour channel of the target (ie24RGB or ieRGB48) so that its histogram follows
// the reference's (a non-empty ie24RGB bitmap). Anything else is left alone.
void MatchBitmapHistogram(TIEBitmap* reference, TIEBitmap* target);
// One channel (0 blue, 1 green, 2 red) against a reference histogram of refCount pixels.
void HistogramMatchChannel(TIEBitmap* target, int32_t channel, const std::array<int32_t, 256>& refHistogram,
                           int64_t refCount);

}  // namespace imaging
