// The library's own LZW coders: the GIF pair (codes packed least significant bit first, in
// data sub-blocks, pixels in interlace order when asked) and the incremental TIFF pair (codes
// packed most significant bit first, with the early change of code width). Callers reach them
// through the procedure variables of lzw_procs.h, which start out holding these four.
#pragma once

#include <cstdint>

#include "imaging/coding/lzw_procs.h"

namespace imaging {

// Decodes one image's data (minimum-code-size byte, sub-blocks, terminator) into `pixels`
// (width x height palette indexes, rows top-down). Success leaves the stream after the block
// terminator; failure leaves it where it was. Running out of data ends quietly with the pixels
// decoded so far.
void GIFDecodeLZW(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* pixels);
// The same with row y at rows[y] (width bytes each): straight into a bitmap's rows, which need
// no clearing first: once the data is decoded, the pixels it did not reach are set to 0.
void GIFDecodeLZWRows(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* const* rows);
// Writes the minimum-code-size byte (bitsPerPixel, at least 2), 254-byte sub-blocks and the
// zero-length terminator.
void GIFEncodeLZW(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                  const uint8_t* pixels, int32_t bitsPerPixel);

// See TTIFFLZWDecompressProc. The returned block belongs to the state and stays valid until the
// next call with the same state.
uint8_t* TIFFDecodeLZW(const uint8_t* compressed, int32_t count, void*& state, int32_t fillOrder,
                       int64_t compressedLength);
// See TTIFFLZWCompressProc.
void TIFFEncodeLZW(const uint8_t* data, int32_t count, vcl::TStream* output, void*& state);

}  // namespace imaging
