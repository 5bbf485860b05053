// The BMP codec: Windows and OS/2 device-independent bitmaps of 1, 4, 8, 16, 24 and 32 bits,
// uncompressed, run-length coded (RLE4, RLE8) or with bit fields, stored bottom-up or top-down,
// with or without the 14-byte file header. The icon reader hands entries stored as whole BMP
// files to ReadBMPStream.
//
// Bad or unsupported data never raises: the reader and the writer set the aborting flag of the
// progress record and return, and a failed read leaves the bitmap and the mask as they were.
// Exceptions of the streams themselves pass out.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TCodecProgress;

// Reads the BMP at the stream's position. `Size` is the number of bytes of the bitmap (0 or
// less: taken from the file header, else unknown); it is never allowed past the stream's end.
// `Preview` fills the parameter block only. `NoFileHeader` (or Params.BMPNoFileHeader): the
// stream holds a bare information header and what follows. 32-bit alpha goes to `AlphaMask`
// (created when nil; left nil when every alpha byte is 0 or 255) unless `IgnoreAlpha`.
void ReadBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, int64_t Size, TIOParamsVals& Params,
                   TCodecProgress& Progress, bool Preview, bool NoFileHeader, TIEMask*& AlphaMask, bool IgnoreAlpha);

// Writes the bitmap (never changed: converted copies are made when needed) at the stream's
// position: 1, 4 or 8 bits from BitsPerSample and SamplesPerPixel, else 24 bits, or 32 when
// the bitmap has an alpha channel (its values written only with `SaveAlpha`, else 255).
// BMPVersion chooses the information header (2: the 12-byte core header, 3: 64 bytes, else 40)
// and BMPCompression 1 run-length codes 4- and 8-bit rows. ColorMap receives the palette
// written.
void WriteBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    bool SaveAlpha);

}  // namespace imaging
