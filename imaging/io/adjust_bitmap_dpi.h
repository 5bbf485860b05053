// Resampling an acquired image so that both of its resolutions are equal.
#pragma once

namespace imaging {

class TIEBitmap;
class TIOParamsVals;

// The bitmap resampled along its shorter side so that both resolutions of `params` equal the
// one of the longer side (params' Width or Height and DpiX or DpiY follow). Filtered: a linear
// resample into 24 bits; else nearest neighbour in the source's format; the alpha channel is
// not carried over. The bitmap itself comes back when nothing is to be done: equal or missing
// resolutions, an empty size, or a ratio or result no real device makes (which files may still
// claim). A new bitmap belongs to the caller, as does the source.
TIEBitmap* AdjustBitmapDPI(TIEBitmap* bitmap, TIOParamsVals& params, bool filtered);

}  // namespace imaging
