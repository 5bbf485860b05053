// The portable bitmap family: bitmaps (P1 text, P4 binary), grey maps (P2, P5) and pixmaps
// (P3, P6) with any maxval from 1 to 65535 (two-byte samples from 256 on), and the header's
// comments kept in PXMComments.
//
// Bad or unsupported data never raises: the reader and the writer set the aborting flag of the
// progress record and return, and a failed read leaves the bitmap as it was.
#pragma once

#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// The next header token: letters and digits, the separator after it consumed; "#" and the
// trimmed rest of its line for a comment; empty at the end of the stream.
void ReadPXMToken(vcl::TStream* Stream, std::string& Token);

// Whether the stream starts with a P1 .. P6 header of positive size. The position is restored.
bool IsPXMStream(vcl::TStream* Stream);

// Reads the image at the stream's position. `Preview` fills the parameter block only.
void ReadPXMStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview);

// Writes the bitmap (never changed): P4 for ie1g or one-bit parameters; P5 for one 8-bit
// sample (maxval 65535 from a 16-bit grey image); P6 with maxval 65535 for 48-bit images or
// BitsPerSample 16; otherwise P6 of 8-bit samples. PXMComments are written into the header.
void WritePXMStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

}  // namespace imaging
