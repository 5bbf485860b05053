// Platform colours as the 32-bit ARGB values GDI+ takes.
#pragma once

#include <cstdint>

#include "vcl/graphics/colours.h"

namespace imaging {

// The colour (system colours resolved) with alpha in bits 24-31, red 16-23, green 8-15 and
// blue 0-7.
uint32_t ColorToARGB(vcl::TColor colour, uint8_t alpha);

}  // namespace imaging
