// Bitmap preparations the codec writers share.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

// A copy of `source` in `format`, leaving the caller's bitmap as it is.
std::unique_ptr<TIEBitmap> ConvertedCopy(TIEBitmap* source, TIEPixelFormat format);

// An ie8p bitmap whose indices all fit in `colours` entries.
bool IndicesFit(TIEBitmap* bitmap, int32_t colours);

}  // namespace imaging
