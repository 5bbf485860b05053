// Image data as the page writers (PostScript and PDF) embed it: bilevel rows gathered, coded
// with CCITT fax or RunLength, and text-safe ASCII85.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

class TIEBitmap;

// The first (width + 7) / 8 bytes of every row of an ie1g bitmap, top row first (set bits white).
std::vector<uint8_t> GatherBilevelRows(TIEBitmap* bitmap);
// The bytes RunLength-encoded, with the end-of-data byte.
std::vector<uint8_t> RunLengthEncoded(const uint8_t* data, int32_t length);
// The bytes as ASCII85 lines with the "~>" end marker and CR LF.
std::vector<uint8_t> ASCII85Encoded(const uint8_t* data, int32_t length);

// The rows of an ie1g bitmap coded as one CCITT strip, fill order 1: T.6 (Group 4), or T.4
// two-dimensional (Group 3, K = 1) when `group3`. The rows go to the coder as the bitmap holds
// them, so its white pixels are coded as black ones: a reader told BlackIs1 gets 1 for white.
// False when the coder failed.
bool CCITTEncodedRows(TIEBitmap* bitmap, bool group3, std::vector<uint8_t>& coded);

}  // namespace imaging
