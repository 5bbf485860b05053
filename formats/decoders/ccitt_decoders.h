// The fax decoders: Group 3 rows that start with end-of-line codes (one-dimensional, or two-
// dimensional when bit 0 of the T.4 options is set), Group 4 (T.6) rows, and Modified Huffman
// rows without end-of-line codes, aligned to bytes (or, word aligned, to 16 bits of the coded
// data).
//
// The output is one bit per pixel, most significant first, 1 for black, each row padded to a
// whole byte. The unpacked size is the target's bytes: as many whole rows as fit are decoded
// and nothing is written past them; the packed data is read only within its size. Damaged
// codes end the row in hand (the rest stays white); Group 3 data then resynchronises at the next
// end of line, while Group 4, which has none, stops there.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/decoders/decoder.h"

namespace formats {

class TCCITTDecoder : public TDecoder {
  VCL_CLASS(TCCITTDecoder, TDecoder)
  // `reverseBitOrder`: the coded bytes hold their first bit in bit 0 (TIFF fill order 2).
  TCCITTDecoder(uint32_t options, bool reverseBitOrder, bool wordAligned, int32_t width);

 protected:
  // How a coded line ended.
  enum TLineEnd { leComplete, leEndOfLine, leError };

  // The coded data of one Decode call, read bit by bit.
  struct TBitReader {
    const uint8_t* data = nullptr;
    uint64_t bitCount = 0;
    uint64_t position = 0;
    bool reverse = false;
    bool Exhausted() const { return position >= bitCount; }
    // The next n (at most 16) bits, zeros past the end.
    uint32_t Peek(int n) const;
    void Skip(int n) { position += static_cast<uint64_t>(n); }
    void Align(int bits) { position = (position + bits - 1) / bits * bits; }
  };

  // Clears the target and prepares the reader; the whole rows that fit come back.
  int32_t Begin(const uint8_t* source, uint8_t* target, int32_t packedSize, int32_t unpackedSize);
  // A run of the colour (0 white, 1 black): make-up codes and one terminating code. -1 for an
  // end of line, -2 for anything else.
  int32_t DecodeRun(int colour);
  TLineEnd DecodeLine1D();
  // Against the reference line (the changes of the line before; empty for all white).
  TLineEnd DecodeLine2D();
  // Skips to just past the next end-of-line code; false when the data ends first.
  bool SynchroniseToEOL();
  // Writes the current line's black runs into row `row` and makes it the reference line.
  void FinishRow(uint8_t* target, int32_t row);

  uint32_t options_;
  bool reverseBitOrder_;
  bool wordAligned_;
  int32_t width_;
  TBitReader reader_;
  // Pixel positions where the colour changes (white to black first), in ascending order.
  std::vector<int32_t> reference_, current_;
};

// Group 3 (T.4).
class TCCITTFax3Decoder : public TCCITTDecoder {
  VCL_CLASS(TCCITTFax3Decoder, TCCITTDecoder)
  using TCCITTDecoder::TCCITTDecoder;
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

// Group 4 (T.6).
class TCCITTFax4Decoder : public TCCITTDecoder {
  VCL_CLASS(TCCITTFax4Decoder, TCCITTDecoder)
  using TCCITTDecoder::TCCITTDecoder;
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

// Modified Huffman (TIFF compression 2, and 32771 when word aligned).
class TCCITTMHDecoder : public TCCITTDecoder {
  VCL_CLASS(TCCITTMHDecoder, TCCITTDecoder)
  using TCCITTDecoder::TCCITTDecoder;
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
};

}  // namespace formats
