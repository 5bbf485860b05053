#include "formats/byte_order.h"

#include "vcl/runtime/byte_order.h"

namespace formats {

namespace {

void UndoDifferences(uint8_t* row, uint32_t count, uint32_t samples) {
  for (uint32_t i = 0; i < count * samples; ++i) row[i + samples] = static_cast<uint8_t>(row[i + samples] + row[i]);
}

}  // namespace

void SwapShorts(uint16_t* values, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) values[i] = vcl::Swap16(values[i]);
}

uint32_t SwapLong(uint32_t v) { return vcl::Swap32(v); }

void SwapLongs(uint32_t* values, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) values[i] = SwapLong(values[i]);
}

void UndoByteDifferences(uint8_t* row, uint32_t count) { UndoDifferences(row, count, 1); }
void UndoTripleDifferences(uint8_t* row, uint32_t count) { UndoDifferences(row, count, 3); }
void UndoQuadDifferences(uint8_t* row, uint32_t count) { UndoDifferences(row, count, 4); }

}  // namespace formats
