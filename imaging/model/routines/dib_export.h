// Export of a rectangle of a TIEBitmap as a packed DIB in global memory, the clipboard's
// CF_DIB format.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

class TIEBitmap;

// A packed DIB (BITMAPINFOHEADER, colour table, bottom-up rows padded to 4 bytes, then 4 spare
// zero bytes) of the rectangle x1 .. x2 - 1, y1 .. y2 - 1; x2 = 0 means the width and y2 = 0
// the height. The rectangle is clipped to the bitmap. ie1g gives a 1-bit DIB (black, white),
// ie8p an 8-bit DIB with the bitmap's palette, ie8g one with a grey ramp, every other format a
// 24-bit DIB. The resolution goes into the header as pixels per metre. An empty bitmap gives a
// DIB of 0 x 0 pixels: the header, the colour table of its format (none for 24 bits) and the
// spare bytes, 44 bytes for a 24-bit one. Returns a moveable, shareable block that the caller
// owns, or nil for a nil bitmap, an empty rectangle of a non-empty bitmap, or when memory
// cannot be had.
HGLOBAL _CopyBitmaptoDIBEx(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t dpiX,
                           int32_t dpiY);

}  // namespace imaging
