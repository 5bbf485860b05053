// Small bitmap and device-context operations that every skin painter shares: work bitmaps,
// solid fills and frames, border strips, grey and tinted bitmaps, colour and bitmap blends,
// a soft rounded highlight, nested 3-D frame lines and channel copies.
//
// Pixel operations work on 24- and 32-bit bitmaps (blue, green, red[, alpha] in memory) and
// leave bitmaps of any other format alone; every rectangle is clipped to the bitmaps it
// touches. Colours (`TColor`) hold red in the low byte.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TWinControl;
}

namespace skin {

// True when a 24- or 32-bit pixel's blue, green and red are those of the key colour (the skin's
// unless another is given); the alpha byte of a 32-bit pixel plays no part.
inline bool IsKeyPixel(const uint8_t* p, vcl::TColor key = SkinKeyColor) {
  return p[0] == uint8_t(key >> 16) && p[1] == uint8_t(key >> 8) && p[2] == uint8_t(key);
}

// Device-independent work bitmaps; a negative size counts as 0.
std::unique_ptr<vcl::TBitmap> CreateBmp24(int32_t width, int32_t height);
std::unique_ptr<vcl::TBitmap> CreateBmp32(int32_t width, int32_t height);
// Same size and pixel format as the bitmap.
std::unique_ptr<vcl::TBitmap> CreateBmpLike(vcl::TBitmap* bitmap);

// Fills the rectangle with the colour (system colours resolved); the DC is left as it was.
void PaintSolidRect(HDC dc, const vcl::TRect& rect, vcl::TColor colour);
// Fills bands of the given widths along the four edges inside the rectangle.
void PaintSolidFrame(HDC dc, const vcl::TRect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     vcl::TColor colour);
// Copies the four border strips (width b) of the rectangle (x, y, width, height), each from the
// same place relative to (srcX, srcY) in the source DC.
void CopyBorderStrips(HDC target, int32_t x, int32_t y, int32_t width, int32_t height, HDC source, int32_t srcX,
                      int32_t srcY, int32_t b);
// Excludes the bounds (moved by the offsets) of the container's visible windowless children,
// splitters apart, from the DC's clipping; nothing when CacheCoversGraphicChildren is set.
void ExcludeGraphicControls(HDC dc, vcl::TWinControl* container, int32_t dx, int32_t dy);

// Every pixel's blue, green and red become their average; the fourth byte of 32-bit pixels
// stays. False (nothing changed) for a bitmap that is not 24- or 32-bit.
bool GrayscaleBmp(vcl::TBitmap* bitmap);
// The same, leaving pixels of the key colour alone.
bool GrayscaleBmpExcept(vcl::TBitmap* bitmap, vcl::TColor key);
inline vcl::TColor ColorOfPixel(vcl::TColor colour) { return colour; }

// Per channel round(factor * c1 + (1 - factor) * c2), ties to even; bits 24-31 are colour 1's.
vcl::TColor BlendColors(vcl::TColor c1, vcl::TColor c2, double factor);
// Blends the source rectangle (right and bottom inclusive) onto the target at (x, y): each
// channel becomes round(s - factor * (s - t)), so 0 copies the source and 1 keeps the target.
// Source pixels of the key colour are skipped; a key of 0xFF000000 or above (-1) is off.
// Only the part that lies inside both bitmaps is drawn.
void BlendBmpByFactor(vcl::TBitmap* target, int32_t x, int32_t y, vcl::TColor key, double factor,
                      vcl::TRect srcRect, vcl::TBitmap* source);
// Moves every non-key pixel toward the colour: round(factor * (p - c) + c); 1 leaves the
// bitmap, 0 paints the colour.
void TintBitmap(vcl::TBitmap* bitmap, vcl::TColor colour, vcl::TColor key, double factor);
// Blends the source rectangle (right and bottom exclusive) over the target at the point:
// every byte becomes (t * alpha + s * (255 - alpha) + 127) / 256. Both bitmaps 24-bit or both
// 32-bit; other pairs draw nothing.
void MixBitmapRect(vcl::TBitmap* target, vcl::TBitmap* source, int32_t alpha, vcl::TPoint point, vcl::TRect srcRect);
// The same over whole 24-bit bitmaps of one size.
void MixBitmaps(vcl::TBitmap* target, vcl::TBitmap* source, int32_t alpha);
// target := source 2 moved toward source 1 by alpha / 256, or by the mask's channel values;
// the target is 32-bit (alpha bytes kept), the others 24- or 32-bit, all of one size.
void MixThroughMask(vcl::TBitmap* target, vcl::TBitmap* source1, vcl::TBitmap* source2, uint16_t alpha,
                    vcl::TBitmap* mask);
// Pulls each pixel toward the colour where the mask is dark: c + (p - c) * m / 256 (floored).
void BlendColorThroughMask(vcl::TBitmap* bitmap, vcl::TBitmap* mask, vcl::TColor colour);
// A soft rounded highlight of the colour over the rectangle: its edge keeps the picture, the
// middle shows the colour over percent of it, with a band of fadeWidth between.
void BlendSoftRoundRect(vcl::TBitmap* bitmap, vcl::TRect rect, int32_t percent, int32_t cornerSize,
                        int32_t fadeWidth, vcl::TColor colour);
// Draws `count` nested one-pixel 3-D frames; returns with rect the area inside them and
// count 0.
void Draw3DFrameLines(HDC dc, vcl::TRect& rect, vcl::TColor light, int32_t& count, vcl::TColor shadow);
// Copies byte `channel` (0-3) of every pixel of a 32-bit bitmap into an 8-bit bitmap of the
// same size (toEight), or back. Nothing for other formats, sizes or channels.
void CopyChannel8(vcl::TBitmap* bitmap32, vcl::TBitmap* bitmap8, int32_t channel, bool toEight);

}  // namespace skin
