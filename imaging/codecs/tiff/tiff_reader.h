// Reading one page of a TIFF file, or of any TIFF-structured block (an EXIF payload, a
// camera-raw file, a thumbnail), into a TIEBitmap and the parameter block.
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

// Reads page Params.TIFFImageIndex (or its sub-IFD Params.TIFFSubIFDIndex, or the single tile
// Params.TIFFTileIndex) from the TIFF header at the stream's position.
// - NumImages: receives the number of pages in the main chain.
// - Preview: fill the parameter block only.
// - AlphaMask: receives a new mask when the image has alpha and none is given; a given mask is
//   filled at the image size.
// - RelativeOffsets: the file's offsets count from the header's position (else from 0).
// - IgnoreAlpha: leave the alpha alone.
// - IsThumbnail: an embedded thumbnail (at most 400 x 400, cleared first).
// Bad or unsupported data sets Progress's aborting flag; stream errors propagate.
void ReadTIFFStream(TIEBitmap* Bitmap, vcl::TStream* Stream, int32_t& NumImages, TIOParamsVals& Params,
                    TCodecProgress& Progress, bool Preview, TIEMask*& AlphaMask, bool RelativeOffsets,
                    bool IgnoreAlpha, bool IsThumbnail);

}  // namespace imaging
