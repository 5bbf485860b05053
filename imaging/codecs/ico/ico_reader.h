// Windows icon (ICO) and cursor (CUR) files: the content tests and the readers of one entry of
// the directory, stored as a device-independent bitmap with its AND mask (1, 4, 8, 24 or 32
// bits), as a PNG stream, or (icons only) as a whole BMP file.
//
// Bad data never raises: the readers set the aborting flag of the progress record and leave the
// bitmap and the mask as they were.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TCodecProgress;

// Whether the stream holds an icon (type 1) or cursor (type 2) directory whose entries all point
// inside the stream. The position is restored.
bool IsICOStream(vcl::TStream* Stream);
bool IsCURStream(vcl::TStream* Stream);

// Reads entry Params.ICOImageIndex (CURImageIndex) and fills ICOWriteSizes and ICOWriteBitCounts
// from the directory. `Preview` fills the parameter block only. Transparency goes to
// `AlphaMask` (created when nil) unless `IgnoreAlpha`; an icon that is fully opaque returns
// none, a cursor always returns one. With Params.BMPNoFileHeader the stream holds one bare
// entry (a cursor's preceded by its hot spot) and no directory.
void ReadICOStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TCodecProgress& Progress, TIEMask*& AlphaMask, bool IgnoreAlpha);
void ReadCURStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TCodecProgress& Progress, TIEMask*& AlphaMask, bool IgnoreAlpha);

}  // namespace imaging
