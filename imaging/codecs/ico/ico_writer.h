// The icon writer: one directory entry per requested size and depth, each entry a bitmap of 1,
// 4, 8, 24 or 32 bits with its AND mask, made from a resampled copy of the image.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/params/io_params.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
struct TCodecProgress;

// Writes `Sizes.size()` entries (at most 256 pixels a side; larger or empty sizes, or arrays of
// different lengths, set the aborting flag before anything is written). BitCounts: 1, 4, 8, 24
// or 32, or 0 for the depth of BitsPerSample and SamplesPerPixel (both set to 1 first for an
// image that is not ie24RGB); any other value writes 24 bits. The bitmap is never changed; its
// alpha channel makes the transparent pixels of every entry. A short write sets the aborting
// flag.
void WriteICOStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    std::span<const TIOICOSize> Sizes, std::span<const int32_t> BitCounts);

}  // namespace imaging
