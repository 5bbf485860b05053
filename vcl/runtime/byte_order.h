// Reading and writing little-endian numbers in byte buffers, for the file formats the
// graphics classes read and write (BMP, ICO, EMF, WMF).
#pragma once

#include <cstdint>
#include <vector>

namespace vcl::le {

inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace vcl::le
