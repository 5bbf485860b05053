// The PNG codec over the system libpng (behind clib/png_bridge.h): every colour type and
// depth, interlaced or not, read into the bitmap's own layout with the palette, transparency
// (into the bitmap's alpha channel), background, resolution, text chunks and colour profile in
// the parameter block; written as grey, palette, RGB or RGB with alpha with the block's filter,
// compression level, background, resolution and texts.
//
// Bad data never raises: the reader sets the aborting flag of the progress record and leaves
// the bitmap as it was. The writer sets the flag on a short write and raises EInvalidGraphic
// "Error on creating PNG" when libpng refuses what it is given.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TCodecProgress;

// Whether the stream starts with 0x89 "PNG" (the rest of the signature is not looked at). The
// position is restored.
bool IsPNGStream(vcl::TStream* Stream);

// Reads the PNG at the stream's position. `Preview` fills the parameter block only.
void ReadPNGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview);

// Writes the bitmap (never changed). `AlphaMask` (or nil) is the transparency to write; a full
// mask writes none.
void WritePNGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    TIEMask* AlphaMask);

}  // namespace imaging
