// The platform's halftone stretch of 24-bit pictures, drawn by the engine: every destination
// pixel interpolates the 2 x 2 source pixels around the point it samples, in single precision
// with the platform's own stepping and rounding, so the result equals the platform's pixel for
// pixel while the rows are shared out among the worker threads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bitmap {

// Rows of 24-bit (blue, green, red) pixels: Bits is row 0, Stride the byte step from a row to
// the next (negative for bottom-up pictures).
struct TRgbRows {
  uint8_t* Bits = nullptr;
  ptrdiff_t Stride = 0;
  int32_t Width = 0, Height = 0;
};

// Stretches the block (u, v, p, q) of src into (x, y, w, h) of dst. Only what is drawn exactly
// is drawn: false (nothing written) when a size is not positive, when either block reaches
// outside its picture, or when the pictures share memory; the caller leaves such a block to
// the platform.
bool HalftoneStretch(const TRgbRows& dst, int32_t x, int32_t y, int32_t w, int32_t h, const TRgbRows& src,
                     int32_t u, int32_t v, int32_t p, int32_t q);

}  // namespace bitmap
