// Wireless bitmaps (type 0): uncompressed 1-bit rows, set bits white, under a header of
// multi-byte integers. There is no content test: the format is chosen by extension.
//
// Bad data never raises: the reader sets the aborting flag of the progress record and leaves
// the bitmap as it was; a short write sets it in the writer.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// One multi-byte integer: 7 bits a byte, most significant group first, a set top bit when
// another byte follows; at most 4 bytes are taken. -1 when the stream ends inside it.
int32_t ReadWBMPInt(vcl::TStream* Stream);

// Reads the image at the stream's position. `Preview` fills the parameter block only.
void ReadWBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    bool Preview);

// Writes the bitmap at its full size (a 1-bit copy is made for other formats; the bitmap itself
// is never changed).
void WriteWBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TCodecProgress& Progress);

}  // namespace imaging
