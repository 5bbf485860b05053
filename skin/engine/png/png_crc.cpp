#include "skin/engine/png/png_crc.h"

#include <array>

namespace skin::png {

namespace {

// The generator from its term exponents, reflected: bit 31 - e of the polynomial word.
uint32_t ReflectedPolynomial() {
  static const int terms[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
  uint32_t poly = 0;
  for (int e : terms) poly |= 1u << (31 - e);
  return poly;
}

// Eight tables so that the loop takes eight bytes a step.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

const CrcTables& Tables() {
  // Built once on first use; a function-local static is safe against concurrent first calls.
  static const CrcTables tables = [] {
    CrcTables t{};
    const uint32_t poly = ReflectedPolynomial();
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
      t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
      for (int k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
  }();
  return tables;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* buffer, size_t length) {
  if (length == 0) return crc;
  const CrcTables& t = Tables();
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  uint32_t c = ~crc;
  while (length >= 8) {
    const uint32_t lo = c ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][p[4]] ^
        t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    p += 8;
    length -= 8;
  }
  while (length--) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace skin::png
