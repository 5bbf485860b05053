// Work rows, row tables and destination preparation shared by the resamplers, the rotations
// and the blurs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

// Rows of bytes in one block, each padded so that the row loops may load whole 16-byte words
// past the last pixel. The contents start undefined.
class TWorkRows {
 public:
  // Raises EOutOfMemory when the block cannot be had.
  TWorkRows(int64_t rowBytes, int32_t rows);
  uint8_t* Row(int32_t row) const { return data_.get() + row * stride_; }
  int64_t Stride() const { return stride_; }

 private:
  int64_t stride_;
  std::unique_ptr<uint8_t[]> data_;
};

// Every row of a bitmap held at once (locked when its pixels live in a temporary file) and
// released when the table goes.
class TLockedRows {
 public:
  explicit TLockedRows(TIEBitmap* bitmap);
  ~TLockedRows();
  TLockedRows(const TLockedRows&) = delete;
  TLockedRows& operator=(const TLockedRows&) = delete;
  uint8_t* operator[](int32_t row) const { return rows_[row]; }

 private:
  TIEBitmap* bitmap_;
  std::vector<uint8_t*> rows_;
};

// Allocates the bitmap, raising EOutOfMemory when the image model cannot (it reports failure
// by leaving the bitmap empty).
void AllocateOrRaise(TIEBitmap* bitmap, int32_t width, int32_t height, TIEPixelFormat format);
// Gives the bitmap the pixel format at its own size (contents undefined) when it has another.
void EnsurePixelFormat(TIEBitmap* bitmap, TIEPixelFormat format);
// The bitmap takes over the result's whole image: pixels, size, format, palette and alpha
// channel (the bitmap has none afterwards when the result had none); the result is left empty.
// A rotation attaches the turned alpha channel to its result first, so that the alpha keeps
// the pixels' geometry.
void TakeOverPixels(TIEBitmap* bitmap, TIEBitmap* result);
// A copy of the bitmap's alpha channel (as ie8g) turned in place by `turn`, for a rotation to
// attach to its result; nil when the bitmap has no alpha channel.
std::unique_ptr<TIEBitmap> TurnedAlphaChannel(TIEBitmap* bitmap, const std::function<void(TIEBitmap*)>& turn);

}  // namespace imaging
