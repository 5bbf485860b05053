// The field types of TIFF directories, and the byte-order helpers that the metadata readers and
// writers share (TIFF directories, maker notes, IPTC, ICC profiles, annotations).
#pragma once

#include <cstdint>

namespace imaging {

// TIFF field types.
enum TIETIFFType : uint16_t {
  ttByte = 1,
  ttASCII = 2,
  ttShort = 3,
  ttLong = 4,
  ttRational = 5,
  ttSByte = 6,
  ttUndefined = 7,
  ttSShort = 8,
  ttSLong = 9,
  ttSRational = 10,
  ttFloat = 11,
  ttDouble = 12
};

// Bytes of one value of a type; unknown types count as 1 byte.
uint32_t TIFFTypeSize(uint16_t type);
// Bytes of `count` values, computed in 64 bits so that no count from a file can overflow it.
uint64_t TIFFDataSize(uint16_t type, uint32_t count);
// The size of the byte-order unit of a type: 2 for 16-bit values, 4 for 32-bit values and
// for each half of a rational, 8 for doubles, 1 for bytes and text.
uint32_t TIFFSwapUnit(uint16_t type);
// Reverses the byte order of every unit of `size` bytes of values of the type.
void SwapTIFFValues(uint8_t* data, uint64_t size, uint16_t type);

uint16_t ReadTIFF16(const uint8_t* p, bool bigEndian);
uint32_t ReadTIFF32(const uint8_t* p, bool bigEndian);
void WriteTIFF16(uint8_t* p, uint16_t value, bool bigEndian);
void WriteTIFF32(uint8_t* p, uint32_t value, bool bigEndian);

}  // namespace imaging
