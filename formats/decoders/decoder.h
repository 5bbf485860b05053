// TDecoder: unpacks the compressed pixel data of a picture file. A reader hands it a buffer of
// packed bytes and a target buffer and receives unpacked bytes (one row or one strip per call).
//
// Every kind stops at the end of either buffer: `packedSize` bytes are read from the source at
// most and `unpackedSize` bytes (pixels for the Targa kind) written to the target at most. Data
// that ends early leaves the rest of the target as it was.
#pragma once

#include <cstdint>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/system.h"

namespace formats {

class EGraphicCompression : public vcl::Exception {
  VCL_CLASS(EGraphicCompression, vcl::Exception)
  using Exception::Exception;
};

class TDecoder : public vcl::TObject {
  VCL_CLASS(TDecoder, vcl::TObject)
  // Each kind says whether it writes the advanced pointers back.
  virtual void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) = 0;
  // Once after the last Decode, before the decoder is freed.
  virtual void DecodeEnd() {}
  // Once after the decoder is made, before the first Decode.
  virtual void DecodeInit() {}
  // Packs `count` pixels into a target of at least twice their size; only the Targa kind packs.
  virtual void Encode(const uint8_t* source, uint8_t* target, uint32_t count, uint32_t& bytesStored) {
    bytesStored = 0;
  }
  virtual void EncodeInit() {}
  virtual void EncodeEnd() {}
};

}  // namespace formats
