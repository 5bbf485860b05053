// Colour reductions of 24-bit bitmaps: grey levels in a rectangle, reduction to a palette
// through the quantizer, conversion to 1 bit by ordered dithering or a threshold, and the test
// that lets a writer store a two-colour image as 1 bit.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "imaging/model/colour_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/routines/progress_context.h"

namespace imaging {

class TIEBitmap;

// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8]; each of 0 .. 63 once.
extern const uint8_t kOrderedDitherMatrix[8][8];

// Every pixel of the rectangle (ends exclusive, clipped to the bitmap) of an ie24RGB bitmap
// gets its luminance in all three channels. Other formats are left alone. Progress after each
// row of the rectangle.
void ConvertRectToGray24(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TObject* sender,
                         const TIEProgressEvent& progress);

// Replaces every pixel of an ie24RGB bitmap by the nearest of at most `colours` colours; the
// bitmap stays ie24RGB. The colours go into `palette` when one is given (it must hold at least
// `colours` entries); entries not needed keep their contents. Nothing for other formats or
// fewer than 1 colour.
void QuantizeToPalette24(TIEBitmap* bitmap, int32_t colours, std::span<TRGB> palette, vcl::TObject* sender,
                         const TIEProgressEvent& progress);

// An ie24RGB bitmap becomes ie1g of the same size (its alpha channel stays): a pixel is white
// when its luminance div 4 (64 for near-white pixels, all channels 251 or more) exceeds the
// dither matrix's entry. Other formats are left alone.
void ConvertTo1BitOrderedDither(TIEBitmap* bitmap, ProgressContext* progress);
// The same through ThresholdTo1Bit with the threshold (-1: the mean colour's luminance).
void ConvertTo1BitThreshold(TIEBitmap* bitmap, int32_t threshold, ProgressContext* progress);

// When the bitmap (any format) holds exactly two colours: a new ie1g bitmap of it whose set
// bits are the brighter colour, with colour1 the darker and colour2 the brighter (the first
// seen stays colour1 when both are equally bright). Otherwise nil.
std::unique_ptr<TIEBitmap> ConvertToBilevelIfTwoColors(TIEBitmap* bitmap, TRGB& colour1, TRGB& colour2);

}  // namespace imaging
