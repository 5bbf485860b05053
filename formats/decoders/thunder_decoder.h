// TThunderDecoder: ThunderScan 4-bit grey data (TIFF compression 32809): runs, 2- and 3-bit
// deltas and raw pixels, two pixels per byte, the first in the high nibble.
#pragma once

#include <cstdint>

#include "formats/decoders/decoder.h"

namespace formats {

class TThunderDecoder : public TDecoder {
  VCL_CLASS(TThunderDecoder, TDecoder)
  // The row width in pixels; a row takes (width + 1) div 2 bytes.
  explicit TThunderDecoder(int32_t width) : width_(width) {}
  // Rows are decoded until the unpacked size (bytes) is used up or the packed data ends; a row
  // whose codes name more pixels than it has keeps only those that fit. Neither pointer is
  // written back.
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;

 private:
  int32_t width_;
};

}  // namespace formats
