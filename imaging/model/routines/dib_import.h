// Import of packed DIBs (a BITMAPINFOHEADER, its colour masks and colour table, then the pixel
// rows, in one block, as the clipboard and video capture hand them over) into the library's
// bitmaps.
//
// Every size the header gives is checked against the block before it is used: a DIB whose
// table or pixels reach past the block, or whose header is not one, raises EInvalidGraphic
// "Bitmap image is not valid" and leaves the target as it was. `bits`, when given, is where
// the pixels are instead of after the table; `bitsSize` bytes are readable there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

class TIEBitmap;
class TIEDibbitmap;

// Fills the target from the DIB: 1-bit DIBs give an ie1g bitmap (set bits white), every other
// depth an ie24RGB one; a YUV frame gives ie24RGB whatever bit count its header gives. Decoded: 1, 4 and 8 bits with their colour table, RLE4 and RLE8, 16 and
// 32 bits plain or with bit fields, 24 bits plain, top-down rows, and the YUV layouts of
// yuv_decoders.h. Other depths and compressions leave the target empty. Returns the DIB's bit
// count, 0 for a nil DIB. The handle form locks and unlocks a global-memory block.
int32_t PackedDIBToIEBitmap(HGLOBAL dib, TIEBitmap* target, const void* bits = nullptr, size_t bitsSize = 0);
int32_t PackedDIBToIEBitmap(const void* dib, size_t dibSize, TIEBitmap* target, const void* bits = nullptr,
                            size_t bitsSize = 0);

// Draws the DIB unscaled into the target through the platform's DrawDib, which converts depth
// and compression: the target becomes a 1-bit DIB for 1-bit DIBs and a 24-bit one for 4, 8,
// 16, 24 and 32 bits; other depths leave it as it was. YUV frames are decoded here into a
// 24-bit target, whatever their bit count. Returns the DIB's bit count, 0 for nil.
int32_t PackedDIBToDibbitmap(HGLOBAL dib, TIEDibbitmap* target, const void* bits = nullptr, size_t bitsSize = 0);
int32_t PackedDIBToDibbitmap(const void* dib, size_t dibSize, TIEDibbitmap* target, const void* bits = nullptr,
                             size_t bitsSize = 0);

}  // namespace imaging
