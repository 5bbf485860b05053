// TLZ77Decoder: inflates zlib streams (TIFF deflate strips, PNG image data, Paint Shop Pro
// channels) through the system zlib.
//
// Damaged data raises EGraphicCompression "LZ77 decompression error." from Decode, so that no
// reader can take a half-inflated buffer for a picture. With auto reset every call is one whole
// zlib stream (a TIFF strip), and one that ends before it fills the target raises the same; with
// the finish flush mode (4) a stream that cannot finish in the target raises it too. Without
// either a stream may be fed piece by piece (PNG): InflateResult, InputLeft and OutputLeft tell
// the caller where it stands.
#pragma once

#include <cstdint>
#include <memory>

#include "formats/decoders/decoder.h"

namespace formats {

class TLZ77Decoder : public TDecoder {
  VCL_CLASS(TLZ77Decoder, TDecoder)
  TLZ77Decoder(int32_t flushMode, bool autoReset);
  ~TLZ77Decoder() override;

  // Both pointers are written back (advanced past what was read and written).
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
  void DecodeInit() override;
  void DecodeEnd() override;

  // zlib's result of the last call: 0 ok, 1 stream end, negative no progress.
  int32_t InflateResult() const { return inflateResult_; }
  int32_t InputLeft() const;
  int32_t OutputLeft() const;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
  int32_t inflateResult_ = 0;
  int32_t flushMode_;
  bool autoReset_;
};

}  // namespace formats
