#include "imaging/model/routines/work_buffers.h"

#include <new>

#include "imaging/model/routines/resample_rows.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {
[[noreturn]] void RaiseOutOfMemory() { throw vcl::EOutOfMemory("Out of memory"); }
}  // namespace

TWorkRows::TWorkRows(int64_t rowBytes, int32_t rows) {
  if (rowBytes < 0) rowBytes = 0;
  if (rows < 1) rows = 1;
  stride_ = (rowBytes + kResampleRowSlack + 15) / 16 * 16;
  data_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(stride_ * rows)]);
  if (!data_) RaiseOutOfMemory();
}

TLockedRows::TLockedRows(TIEBitmap* bitmap) : bitmap_(bitmap) {
  const int32_t height = bitmap->Height();
  rows_.reserve(height);
  try {
    for (int32_t y = 0; y < height; ++y) rows_.push_back(static_cast<uint8_t*>(bitmap->LockScanline(y)));
  } catch (...) {
    for (int32_t y = 0; y < static_cast<int32_t>(rows_.size()); ++y) bitmap->UnlockScanline(y);
    throw;
  }
}

TLockedRows::~TLockedRows() {
  for (int32_t y = 0; y < static_cast<int32_t>(rows_.size()); ++y) {
    try {
      bitmap_->UnlockScanline(y);
    } catch (...) {
      // Writing a row view back may fail; the other rows are released all the same.
    }
  }
}

void AllocateOrRaise(TIEBitmap* bitmap, int32_t width, int32_t height, TIEPixelFormat format) {
  if (!bitmap->Allocate(width, height, format) && width > 0 && height > 0) RaiseOutOfMemory();
}

void EnsurePixelFormat(TIEBitmap* bitmap, TIEPixelFormat format) {
  if (bitmap->PixelFormat() != format) AllocateOrRaise(bitmap, bitmap->Width(), bitmap->Height(), format);
}

void TakeOverPixels(TIEBitmap* bitmap, TIEBitmap* result) { result->MoveContentTo(bitmap); }

std::unique_ptr<TIEBitmap> TurnedAlphaChannel(TIEBitmap* bitmap, const std::function<void(TIEBitmap*)>& turn) {
  if (!bitmap->HasAlphaChannel()) return nullptr;
  auto alpha = std::make_unique<TIEBitmap>();
  alpha->Assign(bitmap->GetAlphaChannel());
  if (alpha->IsEmpty()) return nullptr;
  if (alpha->PixelFormat() != ie8g) alpha->ConvertTo(ie8g);
  turn(alpha.get());
  return alpha;
}

}  // namespace imaging
