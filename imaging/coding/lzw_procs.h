// The shapes of the LZW coders and the library-wide procedure variables through which every
// caller reaches them, so that an application can put in coders of its own. The variables
// start out holding the library's coders; the I/O start-up installs them again.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

// GIF: the stream is at the minimum-code-size byte; pixels holds width x height palette
// indexes, rows top-down. Failure leaves the stream position unchanged.
using TGIFLZWDecompressProc = void (*)(vcl::TStream* stream, int32_t height, int32_t width,
                                       bool interlaced, uint8_t* pixels);
using TGIFLZWCompressProc = void (*)(vcl::TStream* stream, int32_t height, int32_t width,
                                     bool interlaced, const uint8_t* pixels, int32_t bitsPerPixel);

// TIFF, incremental: the first call (state nil) starts a decoder over `compressed` (whose
// length is `compressedLength`: missing input reads as the end of information, never past the
// strip) and returns the first `count` bytes; later calls with non-nil data return the next
// `count` bytes; a call with nil data frees the state and returns nil. Nil: failure.
using TTIFFLZWDecompressProc = uint8_t* (*)(const uint8_t* compressed, int32_t count, void*& state,
                                            int32_t fillOrder, int64_t compressedLength);
// TIFF, incremental: the first call (state nil) starts an encoder writing to `output`; later
// calls continue; a call with nil data writes the last codes, flushes and frees the state.
using TTIFFLZWCompressProc = void (*)(const uint8_t* data, int32_t count, vcl::TStream* output,
                                      void*& state);

extern TGIFLZWDecompressProc IEGIFLZWDecompressProc;
extern TGIFLZWCompressProc IEGIFLZWCompressProc;
extern TTIFFLZWDecompressProc IETIFFLZWDecompressProc;
extern TTIFFLZWCompressProc IETIFFLZWCompressProc;

}  // namespace imaging
