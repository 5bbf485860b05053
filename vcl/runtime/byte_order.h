// Reading and writing numbers of a stated byte order in byte buffers, for every file format
// the libraries read and write, whatever the byte order of the machine.
#pragma once

#include <cstdint>
#include <vector>

namespace vcl {

namespace le {

inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

// Into a buffer at `p`: the low 16 or all 32 bits of `v`.
inline void Store16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Store32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Appended to a growing buffer.
inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace le

namespace be {

inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline int16_t I16(const uint8_t* p) { return static_cast<int16_t>(U16(p)); }
inline uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace be

// A value read in the other byte order than it was stored in.
inline uint16_t Swap16(uint16_t v) { return uint16_t(v >> 8 | v << 8); }
inline uint32_t Swap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

}  // namespace vcl
