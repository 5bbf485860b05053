// The byte-oriented run-length decoders of the picture formats (Targa, PackBits, PCX, SGI,
// Dr. Halo CUT, Paint Shop Pro, Wavefront RLA). Each stops at the end of the packed data and at
// the end of the target, whichever comes first; sizes are bytes unless a kind says otherwise.
#pragma once

#include <cstdint>

#include "formats/decoders/decoder.h"

namespace formats {

// Targa packets. The unpacked size counts pixels of the colour depth (8, 15, 16, 24 or 32 bits;
// any other depth decodes nothing). The advanced source pointer is written back, and a packet
// that runs past the end of a row goes on in the next call, so rows may be decoded one by one
// whatever the packets span. Encode packs one row of pixels.
class TTargaRLEDecoder : public TDecoder {
  VCL_CLASS(TTargaRLEDecoder, TDecoder)
  explicit TTargaRLEDecoder(int32_t colorDepth) : colorDepth_(colorDepth) {}
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
  // Forgets a packet left over from an earlier image.
  void DecodeInit() override { pendingCount_ = 0; }
  void Encode(const uint8_t* source, uint8_t* target, uint32_t count, uint32_t& bytesStored) override;

 private:
  int32_t colorDepth_;
  int32_t pendingCount_ = 0;  // pixels of the current packet not yet written
  bool pendingRun_ = false;
  uint8_t pendingPixel_[4] = {};
};

class TPackbitsRLEDecoder : public TDecoder {
  VCL_CLASS(TPackbitsRLEDecoder, TDecoder)
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

class TPCXRLEDecoder : public TDecoder {
  VCL_CLASS(TPCXRLEDecoder, TDecoder)
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

// 8-bit samples, or 16-bit ones (any other sample size) whose headers and samples are stored
// high byte first; samples are copied as stored.
class TSGIRLEDecoder : public TDecoder {
  VCL_CLASS(TSGIRLEDecoder, TDecoder)
  explicit TSGIRLEDecoder(uint8_t sampleSize) : sampleSize_(sampleSize) {}
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;

 private:
  uint8_t sampleSize_;
};

// One line: a 16-bit byte count (skipped), packets, a 0 byte. The source pointer is written back
// just past the 0 byte.
class TCUTRLEDecoder : public TDecoder {
  VCL_CLASS(TCUTRLEDecoder, TDecoder)
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

class TPSPRLEDecoder : public TDecoder {
  VCL_CLASS(TPSPRLEDecoder, TDecoder)
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

class TRLADecoder : public TDecoder {
  VCL_CLASS(TRLADecoder, TDecoder)
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

}  // namespace formats
