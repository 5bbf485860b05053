// The halftone stretch of the effects, between device contexts that hold 24-bit pictures,
// drawn by the engine in bands on its worker threads with the platform's very result (the
// platform's own stretch writes about 13 ns per pixel, too slow for a full-screen frame).
// Anything the engine would not draw exactly (other pixel formats, clipping, mirroring,
// blocks reaching outside) is left to the platform's halftone stretch.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

void HalftoneBlt(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, HDC from, int32_t u, int32_t v, int32_t p,
                 int32_t q);

}  // namespace imaging
