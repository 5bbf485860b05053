// Byte-order and row routines the picture readers share.
#pragma once

#include <cstdint>

namespace formats {

// Swap the bytes of each of `count` 16-bit values, or reverse those of 32-bit values, in place.
void SwapShorts(uint16_t* values, uint32_t count);
void SwapLongs(uint32_t* values, uint32_t count);
uint32_t SwapLong(uint32_t value);

// Horizontal differencing undone in place, left to right: `count` steps, each adding a sample to
// the same sample of the next pixel, for pixels of one, three and four 8-bit samples.
void UndoByteDifferences(uint8_t* row, uint32_t count);
void UndoTripleDifferences(uint8_t* row, uint32_t count);
void UndoQuadDifferences(uint8_t* row, uint32_t count);

}  // namespace formats
