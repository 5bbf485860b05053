// Direct pixel access to 24- and 32-bit bitmaps for the skin painters: a row address is row 0
// plus y times the row delta, so inner loops never ask the bitmap for a row. Pixels are in DIB
// order (blue, green, red[, alpha]); colours (`TColor`) hold red in the low byte.
#pragma once

#include <cstdint>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/system.h"

namespace skin {

// Reads and writes single pixels of a 24-bit bitmap. Coordinates are not range-tested: the
// caller keeps them inside the bitmap.
class TacFast24 : public vcl::TObject {
  VCL_CLASS(TacFast24, vcl::TObject)
 public:
  vcl::TBitmap* Bitmap = nullptr;
  int32_t Width = 0;  // 0 after a failed attach
  int32_t Height = 0;
  int32_t RowDelta = 0;  // negative for bottom-up bitmaps
  uint8_t* FirstRow = nullptr;

  // False (and Width 0) for no bitmap, one smaller than 2 x 2, or one that is not 24-bit
  // (the accessor would step past the rows of a narrower format).
  bool Attach(vcl::TBitmap* bitmap);
  uint8_t* PixelAddress(int32_t x, int32_t y) const { return FirstRow + y * RowDelta + x * 3; }
  vcl::TColor GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, vcl::TColor colour);  // bits 24-31 ignored
};

// The same for 32-bit bitmaps; a pixel value has alpha in bits 24-31 over a colour.
class TacFast32 : public vcl::TObject {
  VCL_CLASS(TacFast32, vcl::TObject)
 public:
  vcl::TBitmap* Bitmap = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t RowDelta = 0;
  uint8_t* FirstRow = nullptr;

  bool Attach(vcl::TBitmap* bitmap);  // as TacFast24, for 32-bit bitmaps
  uint8_t* PixelAddress(int32_t x, int32_t y) const { return FirstRow + y * RowDelta + x * 4; }
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t value);
  // Writes the value, unchanged, into every pixel of the rectangle (right and bottom
  // exclusive), clipped to the bitmap. The value is a pixel in memory order (blue in the low
  // byte, alpha in the high one), as ColorToPixel32 gives it; GetPixel and SetPixel use
  // colour order instead.
  void FillRect(const vcl::TRect& rect, uint32_t value);
};

// Blends a source area into a destination area byte by byte:
// d := (d * DstWeight + s * (255 - DstWeight) + 127) / 256. The caller fills DstWeight,
// DstRect and SrcRect after the attach; the source area is placed by SrcRect's Left and
// Bottom. Only the part of DstRect whose pixels lie inside both bitmaps is blended.
class TacFastSumBase : public vcl::TObject {
  VCL_CLASS(TacFastSumBase, vcl::TObject)
 public:
  vcl::TBitmap* SrcBitmap = nullptr;
  vcl::TBitmap* DstBitmap = nullptr;
  int32_t Width = 0;  // the smaller of the two sizes, for the caller's information
  int32_t Height = 0;
  uint8_t* SrcFirstRow = nullptr;
  uint8_t* DstFirstRow = nullptr;
  int32_t SrcRowDelta = 0;
  int32_t DstRowDelta = 0;
  uint8_t DstWeight = 0;
  vcl::TRect DstRect{};
  vcl::TRect SrcRect{};

  // False when a bitmap is missing, smaller than 2 x 2 or not of the blender's format.
  bool Attach(vcl::TBitmap* source, vcl::TBitmap* destination);
  void BlendRect();

 protected:
  explicit TacFastSumBase(int bytesPerPixel) : bytesPerPixel_(bytesPerPixel) {}

 private:
  int bytesPerPixel_;
};

class TacFastSum24 : public TacFastSumBase {
  VCL_CLASS(TacFastSum24, TacFastSumBase)
 public:
  TacFastSum24() : TacFastSumBase(3) {}
};

class TacFastSum32 : public TacFastSumBase {
  VCL_CLASS(TacFastSum32, TacFastSumBase)
 public:
  TacFastSum32() : TacFastSumBase(4) {}  // the alpha byte is blended like the others
};

// The colour in 32-bit pixel (memory) order with alpha 255, for FillRect.
uint32_t ColorToPixel32(vcl::TColor colour);
// Fills the rectangle of a 32-bit bitmap with the colour (alpha 255); a bitmap below 2 x 2
// is left alone.
void FillRectColor32(vcl::TBitmap* bitmap, const vcl::TRect& rect, vcl::TColor colour);
// Sets the alpha byte of every pixel in the rectangle of a 32-bit bitmap, colours untouched.
void SetRectAlpha32(vcl::TBitmap* bitmap, const vcl::TRect& rect, uint8_t alpha);
// Mixes the pixels of the rectangle with the colour: `percent` is the pixel's own share (100
// leaves it, 0 paints the colour). The rectangle is inclusive and clipped to the bitmap, so one
// reaching the bitmap's width and height covers all of it. Alpha bytes stay; bitmaps of
// other than 24 or 32 bits are left alone.
void BlendRectWithColor(vcl::TBitmap* bitmap, vcl::TRect rect, uint8_t percent, vcl::TColor colour);

}  // namespace skin
