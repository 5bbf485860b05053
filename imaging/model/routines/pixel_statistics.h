// Colours of whole rows of a TIEBitmap of any pixel format, and what is measured from them:
// the mean colour and the luminance histogram.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;

// How a 16-bit sample becomes a byte: its high byte, or Trunc(v / 65535 x 255).
enum class TWideSampleScale { HighByte, Proportional };

// The colours of row y (width entries). ie1g gives black or white, ie8p the palette entry,
// grey formats their level in all three channels (ie32f Trunc(v x 255), held within 0 .. 255),
// ieCMYK and ieCIELab their RGB conversion, ie32RGB its first three bytes. False, writing
// nothing, for ieNull and formats outside the enumeration.
bool ReadRowColours(TIEBitmap* bitmap, int32_t y, TRGB* colours, TWideSampleScale scale);

// The mean red, green and blue: per row the channel sums divided (integer division) by the
// width, these row means summed and divided by the height. Formats without colours give 0;
// an empty bitmap, or one whose rows cannot be read, gives mid grey 128.
void GetMeanColor(TIEBitmap* bitmap, int32_t& red, int32_t& green, int32_t& blue);

// Pixels per grey level: ie1g counts bits in bins 0 and 1, ie8g, ie16g (its high byte) and
// ie32f their level, every other format the luminance of its colour.
void LuminanceHistogram(TIEBitmap* bitmap, std::array<int32_t, 256>& histogram);

}  // namespace imaging
