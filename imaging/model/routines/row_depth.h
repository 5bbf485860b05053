// Conversion of one row of pixels between 1, 4, 8, 24 and 32 bits per pixel, as the image
// writers store rows: 1- and 4-bit pixels are packed from the most significant bits, 24-bit
// pixels are bytes blue, green, red, 32-bit pixels add a fourth byte.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEQuantizer;

// Converts `width` pixels from `source` (sourceBits per pixel) into `dest` (destBits per
// pixel) and returns the bytes a row of `width` pixels takes at the destination depth:
// (width + 7) div 8 for 1 bit, (width + 1) div 2 for 4, width for 8, 3 x width for 24 and 0 for
// any other depth, whether or not the pair is converted.
//
// Pairs: equal depths copy; 1 to 4 and 8, 4 to 8 and 8 to 1 widen or narrow the index; 1, 4 and
// 8 to 24 look the index up in `palette` (an index past its end gives black); 24 to 4 and 8
// ask `quantizer` for each pixel's index (nothing is written without one); 32 to 24 drops the
// fourth byte. The packed destinations (1 and 4 bits) are cleared before the pixels are set.
// Every other pair writes nothing.
int32_t ConvertRowPixelDepth(const uint8_t* source, uint8_t* dest, int32_t sourceBits, int32_t destBits,
                             int32_t width, std::span<const TRGB> palette, TIEQuantizer* quantizer);

}  // namespace imaging
