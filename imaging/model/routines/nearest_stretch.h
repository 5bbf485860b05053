// Scaling a TIEBitmap of any pixel format by taking the nearest source pixel.
#pragma once

#include "imaging/base/defs.h"

namespace imaging {

class TIEBitmap;

// Scales `source` into the size of `dest` and returns dest. Destination column i takes source
// column Trunc(srcWidth / destWidth x i), and rows alike. A destination of another pixel
// format is reallocated in the source's format first (keeping its size); an ie8p destination
// receives the source's palette. Progress is reported when the percentage changes, at most
// 100 times.
TIEBitmap* ResampleNearest(TIEBitmap* source, TIEBitmap* dest, vcl::TObject* sender, const TIEProgressEvent& progress);

}  // namespace imaging
