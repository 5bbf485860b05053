// The box shrink's commonest block, 2 x 2 pixels of a 24-bit source, with the byte shuffles of
// SSE4.1 processors: each pair of pixels' channels brought side by side and summed in one
// multiply-add, so that two rows become their shrunk row in a few instructions per pixel and
// without a second pass to drop the sums between blocks.
#pragma once

#include <cstdint>

namespace imaging {

// Whether this processor runs ShrinkTwoByTwoSse41.
bool ShrinkTwoByTwoSse41Available();

// out[3p + c] = (a[6p + c] + a[6p + 3 + c] + b[6p + c] + b[6p + 3 + c] + 2) / 4 for every whole
// pair p of the srcW pixels of rows a and b, and (a + b + 1) / 2 of the last column when srcW
// is odd. Reads nothing past either row; out must have room for 16 bytes past the shrunk row.
void ShrinkTwoByTwoSse41(const uint8_t* a, const uint8_t* b, int32_t srcW, uint8_t* out);

}  // namespace imaging
