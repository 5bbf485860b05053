// Bits of 1-bit rows (most significant bit = leftmost pixel), row sizes, bit counts and byte
// order.
#pragma once

#include <cstdint>

namespace imaging {

// The weights of the eight pixels of a byte of a 1-bit row: 128, 64, ..., 1.
extern const uint8_t kBitWeights[8];

// 0 when bit `index` of the buffer is clear, else its weight (128 ... 1).
inline uint8_t GetBitFromBuffer(const uint8_t* buffer, int64_t index) {
  return buffer[index >> 3] & kBitWeights[index & 7];
}
void SetBitInBuffer(uint8_t* buffer, int64_t index, bool value);

// The width of a colour bit field: the run of set bits from the lowest set bit.
int32_t BitMaskRunLength(uint32_t mask);
// -1 for 0; the exact exponent for a power of two; else the index of the highest bit + 1.
int32_t CeilLog2(uint32_t value);
// Bytes of a row of `width` pixels padded to `alignment` bits (32: a multiple of 4 bytes).
// Computed in 64 bits, so that wide 48-bit rows do not overflow.
int64_t AlignedRowSize(int64_t width, int32_t bitsPerPixel, int32_t alignment);

void ReverseByteBits(uint8_t& value);
void ReverseDWordBits(uint32_t& value);
// Swaps the two low bytes; the upper 16 bits pass unchanged.
int32_t SwapWord(int32_t value);
void SwapWordArray(uint16_t* words, int32_t count);
int32_t SwapDWord(int32_t value);
uint16_t SwapWordIf(uint16_t value, bool swap);
uint32_t SwapDWordIf(uint32_t value, bool swap);

}  // namespace imaging
