#include "imaging/model/routines/row_depth.h"

#include <cstring>

#include "imaging/model/routines/quantizer.h"

namespace imaging {

namespace {

int64_t RowBytes(int32_t bits, int64_t width) {
  switch (bits) {
    case 1: return (width + 7) / 8;
    case 4: return (width + 1) / 2;
    case 8: return width;
    case 24: return width * 3;
    default: return 0;
  }
}

inline uint8_t BitAt(const uint8_t* row, int64_t i) { return (row[i >> 3] >> (7 - (i & 7))) & 1; }
inline uint8_t NibbleAt(const uint8_t* row, int64_t i) { return (i & 1) ? row[i >> 1] & 0x0F : row[i >> 1] >> 4; }
inline void OrNibble(uint8_t* row, int64_t i, uint8_t value) {
  row[i >> 1] |= (i & 1) ? (value & 0x0F) : uint8_t((value & 0x0F) << 4);
}

void PutPaletteColour(uint8_t* dest, int64_t i, std::span<const TRGB> palette, uint32_t index) {
  const TRGB colour = index < palette.size() ? palette[index] : TRGB{0, 0, 0};
  std::memcpy(dest + i * 3, &colour, 3);
}

int32_t QuantizedIndex(TIEQuantizer* quantizer, const uint8_t* source, int64_t i) {
  const uint8_t* pixel = source + i * 3;
  return quantizer->GetColorIndex(TRGB{pixel[0], pixel[1], pixel[2]});
}

}  // namespace

int32_t ConvertRowPixelDepth(const uint8_t* source, uint8_t* dest, int32_t sourceBits, int32_t destBits,
                             int32_t width, std::span<const TRGB> palette, TIEQuantizer* quantizer) {
  const int64_t w = width > 0 ? width : 0;
  const int64_t destBytes = RowBytes(destBits, w);
  const int32_t pair = sourceBits * 100 + destBits;
  switch (pair) {
    case 101:
    case 404:
    case 808:
    case 2424:
      std::memcpy(dest, source, static_cast<size_t>(destBytes));
      break;
    case 104:
      std::memset(dest, 0, static_cast<size_t>(destBytes));
      for (int64_t i = 0; i < w; ++i) OrNibble(dest, i, BitAt(source, i));
      break;
    case 108:
      for (int64_t i = 0; i < w; ++i) dest[i] = BitAt(source, i);
      break;
    case 124:
      for (int64_t i = 0; i < w; ++i) PutPaletteColour(dest, i, palette, BitAt(source, i));
      break;
    case 408:
      for (int64_t i = 0; i < w; ++i) dest[i] = NibbleAt(source, i);
      break;
    case 424:
      for (int64_t i = 0; i < w; ++i) PutPaletteColour(dest, i, palette, NibbleAt(source, i));
      break;
    case 801:
      std::memset(dest, 0, static_cast<size_t>(destBytes));
      for (int64_t i = 0; i < w; ++i)
        if (source[i] & 1) dest[i >> 3] |= uint8_t(0x80 >> (i & 7));
      break;
    case 824:
      for (int64_t i = 0; i < w; ++i) PutPaletteColour(dest, i, palette, source[i]);
      break;
    case 2404:
      if (!quantizer) break;
      std::memset(dest, 0, static_cast<size_t>(destBytes));
      for (int64_t i = 0; i < w; ++i) OrNibble(dest, i, uint8_t(QuantizedIndex(quantizer, source, i)));
      break;
    case 2408:
      if (!quantizer) break;
      for (int64_t i = 0; i < w; ++i) dest[i] = uint8_t(QuantizedIndex(quantizer, source, i));
      break;
    case 3224:
      for (int64_t i = 0; i < w; ++i) std::memcpy(dest + i * 3, source + i * 4, 3);
      break;
    default:
      break;
  }
  return static_cast<int32_t>(destBytes);
}

}  // namespace imaging
