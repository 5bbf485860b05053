// The soft shadow an extended border shows when the skin brings no border image of its own:
// drawn at start of use, for an active and an inactive window, instead of being stored.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "vcl/graphics/bitmap.h"

namespace skin {

// Shadow margins of the built-in images: left, top, right, bottom.
constexpr std::array<int32_t, 4> kBuiltInShadowMargins{11, 7, 11, 11};

// A 32-bit image with premultiplied alpha: a black shadow falling off over the margins around
// an inner rectangle inset by the margins; its nine-part corners are margin + formOffset wide.
// An active window casts the darker shadow.
std::unique_ptr<vcl::TBitmap> MakeBuiltInShadow(bool active, int32_t formOffset);

}  // namespace skin
