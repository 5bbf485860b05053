// The GIF codec: one frame of a GIF87a or GIF89a file read into a TIEBitmap, with its place,
// timing, disposal, transparency and the file's comments in the parameter block, and the number
// of frames counted; one bitmap written as a single-frame GIF with a global colour table. The
// LZW coding goes through the parameter block's GIFLZWDecompress / GIFLZWCompress, or the
// library-wide coders when those are nil.
//
// Bad data never raises: the reader sets the aborting flag of the progress record and leaves
// the bitmap and the mask as they were; the writer sets it on a short write or with no encoder.
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

// Reads frame Params.GIFImageIndex. `NumImages` receives the number of frames in the file.
// `Preview` fills the parameter block only. A transparent colour that occurs in the frame gives
// an `AlphaMask` (created when nil) unless `IgnoreAlpha`.
void ReadGIFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, int32_t& NumImages, TIOParamsVals& Params,
                   TCodecProgress& Progress, bool Preview, TIEMask*& AlphaMask, bool IgnoreAlpha);

// Writes the bitmap (never changed) as a GIF of 2^BitsPerSample colours (1 to 8 bits); an alpha
// channel reserves the last palette entry for the pixels that are not opaque.
void WriteGIFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

}  // namespace imaging
