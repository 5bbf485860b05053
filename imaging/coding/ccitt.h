// Bilevel rows in the fax codings: modified Huffman rows, T.4 one- and two-dimensional coding
// and T.6 coding, decoded by walking a white and a black code tree and encoded from the run
// tables.
//
// Decoded lines hold one bit per pixel, most significant first, ceil(width / 8) bytes, a set bit
// white. Rows given to the encoders hold a clear bit for white. Coded data is read and written
// most significant bit first with fill order 1 and least significant first with fill order 2.
// Decoders never read outside `data[0 .. byteLen)`: bits beyond it read as zero.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

enum TCCITTColour : int32_t { ccittWhite = 0, ccittBlack = 1 };

// One entry of a run-length code table.
struct TCCITTCode {
  int32_t Length;  // bits
  uint16_t Value;
  int32_t Run;  // pixels; -3 for an end of line, -1 for codes that are skipped
};

// Entries 0..63 terminating codes, 64..103 make-up codes (64 .. 2560), 104 EOL, 105..107 skipped
// codes, 108..127 EOL preceded by 1 to 20 fill bits.
constexpr int32_t CCITTCodeCount = 128;
constexpr int32_t CCITTRunEOL = -3;
constexpr int32_t CCITTRunSkip = -1;
using TCCITTCodeTable = std::array<TCCITTCode, CCITTCodeCount>;
extern const TCCITTCodeTable CCITTWhiteCodes;
extern const TCCITTCodeTable CCITTBlackCodes;

// The index of the next code in the colour's tree: 127 (an EOL) when bitPos / 8 >= byteLen,
// 128 when no code ends within 32 bits.
int32_t CCITTDecodeCode(const uint8_t* data, int32_t byteLen, int64_t bitPos, int32_t fillOrder,
                        TCCITTColour colour);
// One line of modified Huffman runs from bitPos; returns the bit position after it.
int64_t CCITTDecodeMHLine(uint8_t* line, const uint8_t* data, int32_t byteLen, int32_t fillOrder,
                          int64_t bitPos, int32_t width);
// One byte-aligned row from bit 0; returns the bytes used.
int32_t CCITTDecodeMHRow(uint8_t* line, const uint8_t* data, int32_t byteLen, int32_t fillOrder,
                         int32_t width);
// One two-dimensional line against refLine (ceil(width / 8) bytes, all white before the first
// line of a strip); the decoded line is then copied into refLine. With eolHandling, twelve or
// more zero bits followed by a one are an end of line. Returns the bit position after the line.
int64_t CCITTDecode2DLine(uint8_t* line, const uint8_t* data, int32_t byteLen, bool eolHandling,
                          int32_t fillOrder, int64_t bitPos, uint8_t* refLine, int32_t width);

// The encoders write whole bytes through StreamWriteChecked (a short write sets `aborting`). A
// nil row ends the strip. Between rows of one strip the caller keeps the pending bits (0..7),
// the pending byte and, for two-dimensional coding, the reference line (empty: none yet).
// Modified Huffman rows are byte-aligned; T.4 rows begin with an end of line (two-dimensional
// ones with the tag bit after it) and a T.4 strip ends with one; a T.6 strip ends with two.
void CCITTEncodeMHRow(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                      bool& aborting);
void CCITTEncodeT4Row(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                      bool& aborting, int32_t& pendingBits, uint8_t& pendingByte);
void CCITTEncodeT4_2DRow(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                         bool& aborting, std::vector<uint8_t>& refLine, int32_t& pendingBits,
                         uint8_t& pendingByte);
void CCITTEncodeT6Row(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                      bool& aborting, std::vector<uint8_t>& refLine, int32_t& pendingBits,
                      uint8_t& pendingByte);

// Build and free the decode trees. The decoders build them on first use as well, so decoding
// works before the library's start-up; finalising while another thread decodes is not allowed.
void TifCCITTStaticInit();
void TifCCITTStaticFinalize();

}  // namespace imaging
