#include "imaging/model/dib_bitmap.h"

#include <cstring>
#include <limits>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/heap_or_global.h"

namespace imaging {

// ---- TIEDibbitmap ----

TIEDibbitmap::TIEDibbitmap() {
  std::memset(&info_, 0, sizeof(info_));
  BITMAPINFOHEADER& header = info_.info.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biPlanes = 1;
  header.biCompression = BI_RGB;
  RGBQUAD* colours = info_.info.bmiColors;
  colours[0] = RGBQUAD{0, 0, 0, 0};
  colours[1] = RGBQUAD{255, 255, 255, 0};
}

TIEDibbitmap::~TIEDibbitmap() { FreeImage(); }

void* TIEDibbitmap::GetScanline(int32_t row) {
  return bits_ + static_cast<int64_t>(height_ - row - 1) * rowLen_;
}

TIEPixelFormat TIEDibbitmap::GetPixelFormat() {
  switch (bitCount_) {
    case 1: return ie1g;
    case 24: return ie24RGB;
    default: return ieNull;
  }
}

bool TIEDibbitmap::Allocate(int32_t width, int32_t height, TIEPixelFormat format) {
  switch (format) {
    case ie1g: return AllocateDIB(width, height, 1);
    case ie24RGB: return AllocateDIB(width, height, 24);
    default: return false;
  }
}

bool TIEDibbitmap::AllocateDIB(int32_t width, int32_t height, int32_t bitCount) {
  if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 24)) return false;
  int64_t rowLen = AlignedRowSize(width, bitCount, 32);
  if (rowLen * height > std::numeric_limits<int32_t>::max()) return false;
  FreeImage();
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) return false;
  BITMAPINFOHEADER& header = info_.info.bmiHeader;
  header.biBitCount = static_cast<WORD>(bitCount);
  header.biWidth = width;
  header.biHeight = height;  // positive: bottom-up rows
  header.biSizeImage = static_cast<DWORD>(rowLen * height);
  void* bits = nullptr;
  dib_ = CreateDIBSection(dc_, &info_.info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib_ || !bits) {
    // No half-made image: the geometry stays zero, so that no row address points nowhere.
    FreeImage();
    return false;
  }
  previousBitmap_ = SelectObject(dc_, dib_);
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  rowLen_ = static_cast<int32_t>(rowLen);
  return true;
}

void TIEDibbitmap::FreeImage() {
  if (dc_) {
    if (previousBitmap_) SelectObject(dc_, previousBitmap_);
    DeleteDC(dc_);
  }
  if (dib_) DeleteObject(dib_);
  dc_ = nullptr;
  dib_ = nullptr;
  previousBitmap_ = nullptr;
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
  bitCount_ = 0;
}

void TIEDibbitmap::Assign(vcl::TObject* source) {
  auto* dib = dynamic_cast<TIEDibbitmap*>(source);
  if (!dib || dib == this) return;
  // An empty source asks for a DIB of size 0, which is refused: the current image stays.
  if (!dib->bits_) return;
  if (!AllocateDIB(dib->width_, dib->height_, dib->bitCount_)) return;
  GdiFlush();  // drawing on the source's DC must have reached its bits
  std::memcpy(bits_, dib->bits_, static_cast<size_t>(rowLen_) * height_);
}

// ---- TIEWorkBitmap ----

TIEWorkBitmap::TIEWorkBitmap(int32_t width, int32_t height, int32_t bitCount) {
  if (width > 0 && height > 0) Allocate(width, height, bitCount);
}

TIEWorkBitmap::~TIEWorkBitmap() { FreeImage(); }

bool TIEWorkBitmap::Allocate(int32_t width, int32_t height, int32_t bitCount) {
  if (bits_ && width == width_ && height == height_ && bitCount == bitCount_) return true;
  FreeImage();
  if (width <= 0 || height <= 0 || bitCount <= 0) return false;
  int64_t rowLen = AlignedRowSize(width, bitCount, 32);
  if (rowLen > std::numeric_limits<int32_t>::max()) return false;
  bits_ = AllocHeapOrGlobal(rowLen * height);
  // Without memory the bitmap stays empty, so that the next call tries again.
  if (!bits_) return false;
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  rowLen_ = static_cast<int32_t>(rowLen);
  return true;
}

void TIEWorkBitmap::FreeImage() {
  FreeHeapOrGlobal(bits_);
  width_ = 0;
  height_ = 0;
  bitCount_ = 0;
  rowLen_ = 0;
}

}  // namespace imaging
