// The byte blend of the fading transitions on the 1/1024 step scale.
#pragma once

#include <cstdint>

namespace imaging {

// dst[i] = (a[i] * (1024 - s) + b[i] * s) >> 10 for `bytes` bytes, s in 0 .. 1024.
void BlendStepRow(uint8_t* dst, const uint8_t* a, const uint8_t* b, int32_t bytes, uint32_t s);

}  // namespace imaging
