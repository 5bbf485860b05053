#include "imaging/metadata/tiff_types.h"

#include <algorithm>

namespace imaging {

uint32_t TIFFTypeSize(uint16_t type) {
  switch (type) {
    case ttShort: case ttSShort: return 2;
    case ttLong: case ttSLong: case ttFloat: return 4;
    case ttRational: case ttSRational: case ttDouble: return 8;
    default: return 1;
  }
}

uint64_t TIFFDataSize(uint16_t type, uint32_t count) { return uint64_t(count) * TIFFTypeSize(type); }

uint32_t TIFFSwapUnit(uint16_t type) {
  switch (type) {
    case ttShort: case ttSShort: return 2;
    case ttLong: case ttSLong: case ttFloat: case ttRational: case ttSRational: return 4;
    case ttDouble: return 8;
    default: return 1;
  }
}

void SwapTIFFValues(uint8_t* data, uint64_t size, uint16_t type) {
  uint32_t unit = TIFFSwapUnit(type);
  if (unit == 1) return;
  for (uint64_t at = 0; at + unit <= size; at += unit) std::reverse(data + at, data + at + unit);
}

uint16_t ReadTIFF16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadTIFF32(const uint8_t* p, bool bigEndian) {
  return bigEndian ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                   : p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void WriteTIFF16(uint8_t* p, uint16_t value, bool bigEndian) {
  if (bigEndian) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
  } else {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
  }
}

void WriteTIFF32(uint8_t* p, uint32_t value, bool bigEndian) {
  for (int i = 0; i < 4; ++i) p[bigEndian ? 3 - i : i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace imaging
