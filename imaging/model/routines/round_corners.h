// Rounded corners through the alpha channel, for the thumbnails.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Makes the four corners transparent outside a curve of radiusX by radiusY pixels (a cubic
// Bezier from the edge to the edge with both control points towards the corner), creating the
// alpha channel when missing and recomputing its all-255 flag. Nothing for an empty bitmap or
// a radius not above 0; radii larger than the bitmap are taken as its size. The progress
// arguments are accepted and never called.
void RoundCornersAlpha(TIEBitmap* bitmap, int32_t radiusX, int32_t radiusY, const TIEProgressEvent& onProgress,
                       vcl::TObject* sender);

}  // namespace imaging
