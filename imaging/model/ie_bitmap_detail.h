// Small helpers shared by the library bitmap's source files (not for other modules).
#pragma once

#include <cmath>
#include <cstdint>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/colour_routines.h"
#include "vcl/graphics/colours.h"

namespace imaging::bitmap_detail {

// trunc(value) as the fill operations take it; 0 for values that are not numbers or that lie
// outside the 64-bit range.
inline int64_t TruncValue(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return 0;
  return static_cast<int64_t>(value);
}

// A fill value read as a platform colour (red in the low byte, system colours resolved).
inline TRGB ColourOfValue(double value) {
  TRGB pixel;
  ColorToRGBTriple(static_cast<vcl::TColor>(static_cast<uint32_t>(TruncValue(value))), pixel);
  return pixel;
}

inline int32_t PackedRGB(const TRGB& pixel) {
  return (int32_t(pixel.r) << 16) | (int32_t(pixel.g) << 8) | int32_t(pixel.b);
}

}  // namespace imaging::bitmap_detail
