// Every pixel of a bitmap as a list, to compare whole pictures in the engine's tests.
#pragma once

#include <vector>

#include "bitmap/engine/bitmap32.h"

namespace bitmap_test {

// The pixels, top row first.
inline std::vector<bitmap::TColor32> PixelsOf(const bitmap::TBitmap32& b) {
  return std::vector<bitmap::TColor32>(b.Bits(), b.Bits() + b.Width() * b.Height());
}

}  // namespace bitmap_test
