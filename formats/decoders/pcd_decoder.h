// TPCDDecoder: applies the Huffman-coded luminance and chrominance corrections of the high-
// resolution levels of a Photo CD image to planes already filled with the upsampled samples.
#pragma once

#include <cstdint>

#include "formats/decoders/decoder.h"

namespace vcl {
class TStream;
}

namespace formats {

// The planes a Decode call corrects: luminance of `rows` rows and the two chrominance planes of
// rows div 2 rows each, all `columns` bytes a row.
struct TPCDPlanes {
  uint8_t* Luminance;
  uint8_t* Chroma1;
  uint8_t* Chroma2;
};

class TPCDDecoder : public TDecoder {
  VCL_CLASS(TPCDDecoder, TDecoder)
  // The stream is the caller's, positioned at the start of the coded data.
  explicit TPCDDecoder(vcl::TStream* stream) : stream_(stream) {}
  // `source` points to a TPCDPlanes record; the packed size is the columns, the unpacked size
  // the rows. Corrections that name a row or column outside the planes, or a table that was not
  // read, are skipped. A code length above 16 ends decoding; plane code 1 abandons the load
  // silently (EAbort); a stream that ends raises its read error.
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;

 private:
  vcl::TStream* stream_;
};

}  // namespace formats
