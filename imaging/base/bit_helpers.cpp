#include "imaging/base/bit_helpers.h"

#include <array>

#include "vcl/runtime/byte_order.h"

namespace imaging {

const uint8_t kBitWeights[8] = {128, 64, 32, 16, 8, 4, 2, 1};

namespace {

constexpr std::array<uint8_t, 256> MakeReversedBytes() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (i & (1 << bit)) r |= 0x80 >> bit;
    table[i] = static_cast<uint8_t>(r);
  }
  return table;
}
constexpr std::array<uint8_t, 256> kReversedBytes = MakeReversedBytes();

}  // namespace

void SetBitInBuffer(uint8_t* buffer, int64_t index, bool value) {
  if (value)
    buffer[index >> 3] |= kBitWeights[index & 7];
  else
    buffer[index >> 3] &= static_cast<uint8_t>(~kBitWeights[index & 7]);
}

int32_t BitMaskRunLength(uint32_t mask) {
  int32_t bit = 0;
  while (bit < 31 && !(mask & (1u << bit))) ++bit;
  int32_t run = 0;
  while (bit <= 31 && (mask & (1u << bit))) {
    ++run;
    ++bit;
  }
  return run;
}

int32_t CeilLog2(uint32_t value) {
  if (value == 0) return -1;
  int32_t highest = 31;
  while (!(value & (1u << highest))) --highest;
  return (value & (value - 1)) == 0 ? highest : highest + 1;
}

int64_t AlignedRowSize(int64_t width, int32_t bitsPerPixel, int32_t alignment) {
  int64_t bits = width * bitsPerPixel;
  if (alignment == 32) return ((bits + 31) >> 5) * 4;
  if (alignment <= 0) return 0;
  return ((bits + alignment - 1) / alignment) * (alignment / 8);
}

void ReverseByteBits(uint8_t& value) { value = kReversedBytes[value]; }

void ReverseDWordBits(uint32_t& value) {
  uint32_t v = static_cast<uint32_t>(SwapDWord(static_cast<int32_t>(value)));
  v = ((v & 0xAAAAAAAAu) >> 1) | ((v & 0x55555555u) << 1);
  v = ((v & 0xCCCCCCCCu) >> 2) | ((v & 0x33333333u) << 2);
  v = ((v & 0xF0F0F0F0u) >> 4) | ((v & 0x0F0F0F0Fu) << 4);
  value = v;
}

int32_t SwapWord(int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  return static_cast<int32_t>((v & 0xFFFF0000u) | ((v & 0xFF) << 8) | ((v >> 8) & 0xFF));
}

void SwapWordArray(uint16_t* words, int32_t count) {
  for (int32_t i = 0; i < count; ++i) words[i] = vcl::Swap16(words[i]);
}

int32_t SwapDWord(int32_t value) {
  return static_cast<int32_t>(vcl::Swap32(static_cast<uint32_t>(value)));
}

uint16_t SwapWordIf(uint16_t value, bool swap) {
  return swap ? vcl::Swap16(value) : value;
}

uint32_t SwapDWordIf(uint32_t value, bool swap) {
  return swap ? static_cast<uint32_t>(SwapDWord(static_cast<int32_t>(value))) : value;
}

}  // namespace imaging
