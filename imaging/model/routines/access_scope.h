// Sets a bitmap's row access mode (1 read, 2 write, 3 both) for the run of a routine and
// restores the previous mode when the routine leaves, however it leaves.
#pragma once

#include <cstdint>

#include "imaging/model/ie_bitmap.h"

namespace imaging {

class TIEAccessScope {
 public:
  TIEAccessScope(TIEBaseBitmap* bitmap, uint8_t access) : bitmap_(bitmap), saved_(bitmap->Access()) {
    bitmap->SetAccess(access);
  }
  ~TIEAccessScope() { bitmap_->SetAccess(saved_); }
  TIEAccessScope(const TIEAccessScope&) = delete;
  TIEAccessScope& operator=(const TIEAccessScope&) = delete;

 private:
  TIEBaseBitmap* bitmap_;
  uint8_t saved_;
};

}  // namespace imaging
