// Colour tables of 8-bit (and 1-bit) platform bitmaps as 3-byte entries, for the library
// bitmap's platform-bitmap location.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/colour_helpers.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

// The live colour table of the bitmap's DIB (empty when it has none).
std::vector<TRGB> ReadVclColourTable(vcl::TBitmap* bitmap);
// Gives the bitmap up to 256 entries through its palette, so that the bitmap's own record of
// the table and its DIB stay in step.
void WriteVclColourTable(vcl::TBitmap* bitmap, const TRGB* entries, int32_t count);
// Entry i = (i, i, i) for i = 0 .. 255.
std::vector<TRGB> GreyRampPalette();
bool IsGreyRampPalette(const std::vector<TRGB>& table);

}  // namespace imaging
