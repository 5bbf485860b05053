// Rectangle fill, the bounds of the opaque part and channel reorder: the bitmap routines under
// the processing object's fill and crop. Histogram matching, which the camera raw reader needs
// too, lives with the image model's routines (imaging/model/routines/histogram_match.h).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "imaging/base/defs.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/histogram_match.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

// Fills columns x1 .. x2 - 1 of rows y1 .. y2 - 1 (clipped to the bitmap on every side) with
// the colour in the bitmap's own format: ie1g the red channel's truth, ie8g its luminance,
// ie24RGB the bytes, other formats through TIEBitmap::FillRect. Progress after each row
// (ie1g, ie8g, ie24RGB).
void FillRectRGB(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TRGB colour,
                 const TIEProgressEvent& onProgress, vcl::TObject* sender);

// The inclusive bounds of the pixels whose alpha is not 0; the whole image without alpha
// channel. A fully transparent image gives Left = width, Top = height, Right = Bottom = -1.
vcl::TRect FindAlphaBounds(TIEBitmap* bitmap);

// Permutes or zeroes the channels of an ie24RGB or ieRGB48 bitmap. The order is three
// characters (any case) naming what becomes blue, green and red: B, G, R or 0. "BGR" leaves
// the image as it is, "RGB" swaps red and blue. Other orders and formats leave it alone.
void ReorderRGBChannels(TIEBitmap* bitmap, std::string_view order, vcl::TObject* sender,
                        const TIEProgressEvent& onProgress);

}  // namespace imaging
