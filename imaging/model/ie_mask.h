// TIEMask: the image library's selection and transparency mask, a raster of 1 or 8 bits per
// pixel over an image with the bounding box of its set pixels and a full flag. A view keeps one
// as its selection and draws it as an inverted fill, as marching ants or as a mark over the area
// outside it; image processing copies through it; codecs use 8-bit masks as alpha planes.
//
// Rows are stored bottom-up and padded to 32 bits; in a 1-bit row the most significant bit is
// the leftmost pixel. A 1-bit pixel is set when its bit is 1, an 8-bit pixel when its value
// (a coverage 0 .. 255) is not 0.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace imaging {

class TIEBitmap;

class TIEMask : public vcl::TObject {
  VCL_CLASS(TIEMask, vcl::TObject)

  // An empty mask: no bits, the box empty, not full.
  TIEMask();
  ~TIEMask() override;

  // ---- storage ----
  // Zero-filled bits of the size and depth (1 or 8, else EInvalidArgument), the box empty,
  // not full. EOutOfMemory when the bits cannot be had.
  void Allocate(int32_t width, int32_t height, int32_t bitsPerPixel);
  // Keeps the depth and the top-left area that both sizes share; the box is kept within the
  // new size (emptied when nothing of the mask is left).
  void Resize(int32_t newWidth, int32_t newHeight);
  // Frees the bits and the zoom buffer; the size becomes 0 x 0. Box and full flag stay.
  void FreeBits();

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitsPerPixel() const { return bitsPerPixel_; }
  int32_t RowLen() const { return rowLen_; }
  // height x RowLen bytes, the bottom row first; nil when no bits are held.
  uint8_t* Bits() { return bits_.empty() ? nullptr : bits_.data(); }

  // The bounding box of the set pixels, inclusive; empty: x1 = y1 = 2147483647, x2 = y2 = 0.
  int32_t X1() const { return x1_; }
  int32_t Y1() const { return y1_; }
  int32_t X2() const { return x2_; }
  int32_t Y2() const { return y2_; }
  // Restores a stored box (a loaded selection); kept within the mask unless it is the empty box.
  void SetBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  bool Full() const { return full_; }
  void SetFull(bool value) { full_ = value; }

  // ---- pixels (y = 0 is the top row) ----
  // Address of logical row y; y is not checked.
  void* GetScanline(int32_t y);
  // 0 outside the mask; 1-bit: the bit's weight in its byte (128 for x mod 8 = 0 .. 1), 8-bit:
  // the value.
  int32_t GetPixel(int32_t x, int32_t y) const;
  bool IsPixelSet(int32_t x, int32_t y) const { return GetPixel(x, y) != 0; }
  // Ignored outside the mask. A nonzero value grows the box; full stays only for a value that
  // sets the pixel completely (1-bit: nonzero, 8-bit: 255).
  void SetPixel(int32_t x, int32_t y, int32_t value);
  // One run of row y from x1 to x2, clamped to the row: 1-bit: value 1 sets, others clear;
  // 8-bit: the bytes take the value. Returns the pixels written (0 for a row outside the mask
  // or an empty run). The box is not changed.
  int32_t FillSpan(int32_t value, int32_t x1, int32_t x2, int32_t y);
  // Every byte, padding included, takes the value. Full for 255 (and for a mask without bits
  // of a known depth); the box is not changed.
  void Fill(int32_t value);
  // Fill(0) and an empty box.
  void Clear();
  bool IsEmpty() const { return x1_ == kEmptyBox; }
  // The box of the pixels that are set now.
  void SyncBoundingBox();
  // Full := every pixel is set completely (padding bits ignored).
  void UpdateFullFlag();

  // ---- shapes and moves ----
  // Fills one polygon (even-odd rule, top edges inclusive and bottom edges exclusive) with the
  // value; a nonzero value grows the box by the points. When nothing was written the box is
  // left as it was before the call.
  void FillPolygon(int32_t value, const POINT* points, int32_t count);
  // Several polygons separated by a point whose x is PolygonSeparator, then UpdateFullFlag.
  void FillPolygons(int32_t value, const POINT* points, int32_t count);
  static constexpr int32_t PolygonSeparator = 0xFFFFF;
  // Moves the contents by (dx, dy). With clip the pixels that would leave the mask are lost;
  // without, the move is shortened so that the box stays inside, and dx, dy receive the move
  // actually made.
  void Translate(int32_t& dx, int32_t& dy, bool clip);

  // ---- transfer through the mask ----
  // Copies (1-bit mask) or blends by the coverage (8-bit mask) the source into the destination
  // where the mask is set, within the box. sourceIsBox / destIsBox: that bitmap holds only the
  // box (its pixel (0, 0) is mask pixel (x1, y1)), else it is addressed in mask coordinates.
  // Both bitmaps need the same pixel format; withAlpha also runs CopyToAlphaChannel.
  void CopyBitmapThroughMask(TIEBitmap* dest, TIEBitmap* source, bool withAlpha, bool sourceIsBox, bool destIsBox);
  // The destination's alpha channel over the box: the source's alpha (255 without one) where
  // the mask is set, limited by an 8-bit mask's value; 0 where it is clear.
  void CopyToAlphaChannel(TIEBitmap* dest, TIEBitmap* source, bool sourceIsBox, bool destIsBox);

  // ---- drawing (the view's mapping of the image rectangle (xSrc, ySrc, dxSrc, dySrc) onto
  // the paint surface rectangle (xDst, yDst, dxDst, dyDst)) ----
  // A 1-bit mask inverts the canvas where it is set.
  void DrawInvertedFill(vcl::TCanvas* canvas, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                        int32_t ySrc, int32_t dxSrc, int32_t dySrc);
  // The border of the selection at screen resolution as marching ants: dashes of four pixels
  // of colour 1 and colour 2 that crawl as the phase advances. outRect, when given, receives
  // the drawn area less one pixel all round.
  void DrawOutline(vcl::TCanvas* canvas, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                   int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t phase, vcl::TColor colour1, vcl::TColor colour2,
                   RECT* outRect = nullptr);
  // Marks the image area outside the selection on a 24-bit platform bitmap: opacity -1 greys
  // every other pixel, otherwise the colour is laid over it with opacity / 255.
  void DrawOuterMark(vcl::TBitmap* bitmap, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                     int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t opacity, vcl::TColor colour);

  static constexpr int32_t kEmptyBox = 2147483647;

 private:
  void EmptyBox();
  // Grows the box over (x, y) and keeps it within the mask.
  void IncludeInBox(int32_t x, int32_t y);
  void ClampBox();
  bool BitSet(const uint8_t* row, int32_t x) const { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }
  const uint8_t* Row(int32_t y) const { return bits_.data() + int64_t(height_ - y - 1) * rowLen_; }
  uint8_t* Row(int32_t y) { return bits_.data() + int64_t(height_ - y - 1) * rowLen_; }
  // The mask region scaled by nearest pixel into the zoom buffer of dxDst x dyDst, over the box
  // only (everything else clear).
  void BuildZoomedMask(int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t dxDst, int32_t dyDst);
  void EnsureZoomBuffer(int32_t dxDst, int32_t dyDst);
  bool ZoomPixelSet(int32_t j, int32_t i) const;
  void FreeZoom();

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitsPerPixel_ = 0;
  int32_t rowLen_ = 0;
  std::vector<uint8_t> bits_;
  int32_t x1_ = kEmptyBox;
  int32_t y1_ = kEmptyBox;
  int32_t x2_ = 0;
  int32_t y2_ = 0;
  std::vector<uint8_t> zoom_;
  int32_t zoomWidth_ = 0;
  int32_t zoomHeight_ = 0;
  int32_t zoomRowLen_ = 0;
  std::vector<uint8_t*> zoomRows_;
  bool full_ = false;
};

}  // namespace imaging
