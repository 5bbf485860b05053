// Source pictures of the codec tests, made in memory: detail in every channel so that a wrong
// sample order, depth or row shows.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/ie_bitmap.h"

namespace test_pictures {

// 24-bit red and green ramps across and down, blue from both.
std::unique_ptr<imaging::TIEBitmap> Gradient(int32_t w, int32_t h);
// 24-bit bands of `colours` distinct colours, for palette layouts.
std::unique_ptr<imaging::TIEBitmap> FewColours(int32_t w, int32_t h, int32_t colours);
// 24-bit smooth red and green ramps with constant blue, which lossy DCT coding keeps closely.
std::unique_ptr<imaging::TIEBitmap> Smooth(int32_t w, int32_t h);
// A copy of `source` in another pixel format.
std::unique_ptr<imaging::TIEBitmap> Converted(std::unique_ptr<imaging::TIEBitmap> source, imaging::TIEPixelFormat format);
// A 1-bit checker of 5 x 3 cells with a diagonal through it.
std::unique_ptr<imaging::TIEBitmap> Checker1Bit(int32_t w, int32_t h);

}  // namespace test_pictures
