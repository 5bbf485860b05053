// Writes an uncompressed 24-bit AVI through the platform's video file library, with a pattern
// that differs in every frame and every pixel's channels.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"

namespace acquire_test {

constexpr int32_t kWidth = 37, kHeight = 21, kFrames = 5;

inline imaging::TRGB FramePixel(int32_t n, int32_t x, int32_t y) {
  imaging::TRGB c;
  c.r = uint8_t(x * 7 + n * 40);
  c.g = uint8_t(y * 11 + n * 3);
  c.b = uint8_t((x ^ y) * 5 + n * 17);
  return c;
}

// `rate` frames per `scale` seconds; false when the platform refused a step.
bool WriteAVI(const std::string& name, uint32_t rate, uint32_t scale);

// Whether the bitmap is frame n, pixel for pixel.
bool IsFrame(imaging::TIEBitmap& bitmap, int32_t n);

}  // namespace acquire_test
