// Runs of bits between 1-bit rows (most significant bit = leftmost pixel), the table that
// expands 1-bit rows to 24 bits, and the red/blue byte-order swaps the codecs use.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

// Copies `count` bits from bit `sourceBit` of `source` to bit `destBit` of `dest`. Only the
// first `sourceBytes` bytes of the source row are read (bits past them copy as 0); the other
// bits of the first and last destination bytes keep their values. Nothing for a count below 1
// or a negative offset.
void CopyBitRun(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t sourceBit, int32_t count,
                int32_t sourceBytes);
// The same, one bit at a time and without a limit on the source.
void CopyBitRunBitwise(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t count, int32_t sourceBit);

// Entry v: the 8 pixels of the bits of v (most significant first) as 3-byte pixels, white
// (255, 255, 255) for a set bit and black for a clear one.
using TBitExpandEntry = std::array<uint8_t, 24>;
const std::array<TBitExpandEntry, 256>& BitExpandTable();

// Copies n 3-byte pixels, exchanging bytes 0 and 2 of each.
void CopySwapRB(TRGB* dest, const TRGB* source, int32_t count);
// Exchanges the first and third 16-bit word of n 6-byte pixels in place.
void SwapRB48InRow(uint16_t* row, int32_t count);
// Exchanges bytes 0 and 2 of n palette entries (SwapRBInRow for palettes).
inline void SwapRBInPalette(TRGB* palette, int32_t count) { SwapRBInRow(palette, count); }

}  // namespace imaging
