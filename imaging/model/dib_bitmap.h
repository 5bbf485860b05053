// Two light bitmaps beside TIEBitmap. TIEDibbitmap keeps its pixels in a DIB section selected
// into its own memory device context, so that platform drawing paints straight into the rows;
// it holds 1 or 24 bits per pixel. TIEWorkBitmap is a bare scratch raster for intermediate
// results. Both store rows bottom-up, padded to 32 bits.
#pragma once

#include <cstdint>

#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/win.h"

namespace imaging {

class TIEDibbitmap : public TIEBaseBitmap {
  VCL_CLASS(TIEDibbitmap, TIEBaseBitmap)
  TIEDibbitmap();
  ~TIEDibbitmap() override;

  // bits + (height - row - 1) x row length; no range check.
  void* GetScanline(int32_t row) override;
  int32_t GetBitCount() override { return bitCount_; }
  int32_t GetHeight() override { return height_; }
  int32_t GetWidth() override { return width_; }
  // ie1g for 1 bit, ie24RGB for 24 bits, ieNull when empty.
  TIEPixelFormat GetPixelFormat() override;
  int32_t GetRowLen() override { return rowLen_; }
  // The DIB's two-entry colour table is fixed (black, white): no palette is exposed.
  TRGB* GetPalette() override { return nullptr; }
  TRGB GetPaletteColor(int32_t) override { return TRGB{0, 0, 0}; }
  void SetPaletteColor(int32_t, const TRGB&) override {}
  int32_t GetPaletteLen() override { return 0; }
  void CopyPaletteTo(vcl::TObject*) override {}
  // ie1g or ie24RGB; any other format returns false and changes nothing.
  bool Allocate(int32_t width, int32_t height, TIEPixelFormat format) override;
  // Copies another TIEDibbitmap; any other source, or an empty one, changes nothing.
  void Assign(vcl::TObject* source) override;

  // A new DIB of the size and bit count (1 or 24). False for a zero size or another bit count
  // (the current image stays), or when the platform gives no DC or DIB (the bitmap is then
  // empty).
  bool AllocateDIB(int32_t width, int32_t height, int32_t bitCount);
  // Releases the DC and the DIB; the bitmap becomes empty.
  void FreeImage();

  // The memory DC with the DIB selected, for platform drawing and blits; 0 when empty.
  HDC DC() const { return dc_; }
  HBITMAP Handle() const { return dib_; }
  void* Bits() const { return bits_; }
  const BITMAPINFO& BitmapInfo() const { return info_.info; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitCount_ = 0;
  int32_t rowLen_ = 0;
  HDC dc_ = nullptr;
  HBITMAP dib_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  // BITMAPINFO with room for its second colour-table entry.
  union {
    BITMAPINFO info;
    uint8_t bytes[sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD)];
  } info_;
  uint8_t* bits_ = nullptr;
};

class TIEWorkBitmap : public vcl::TObject {
  VCL_CLASS(TIEWorkBitmap, vcl::TObject)
  // Allocates when width and height are both above 0.
  TIEWorkBitmap(int32_t width, int32_t height, int32_t bitCount);
  ~TIEWorkBitmap() override;

  // Nothing when the geometry is unchanged and the memory is held. Otherwise frees and
  // allocates row length x height bytes (heap blocks are not cleared). Returns false, leaving
  // the bitmap empty, when the geometry is invalid or no memory can be had.
  bool Allocate(int32_t width, int32_t height, int32_t bitCount);
  void FreeImage();
  // bits + row length x (height - row - 1); no range check.
  void* GetScanline(int32_t row) {
    return static_cast<uint8_t*>(bits_) + static_cast<int64_t>(rowLen_) * (height_ - row - 1);
  }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitCount() const { return bitCount_; }
  int32_t RowLen() const { return rowLen_; }
  void* Bits() const { return bits_; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitCount_ = 0;
  int32_t rowLen_ = 0;
  void* bits_ = nullptr;
};

}  // namespace imaging
