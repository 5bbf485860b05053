// TComplexRegion collects rectangles and turns them into one platform region in a single call,
// much cheaper than uniting one region per rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/win.h"

namespace imaging {

class TComplexRegion {
 public:
  TComplexRegion() { Clear(); }

  void Clear();
  // Appends the rectangle as given; empty or inverted ones are kept and count as empty.
  void AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // A new region of every rectangle held (the caller owns it), or nullptr when none was added.
  HRGN CreateRegion() const;

  int32_t Count() const { return static_cast<int32_t>(rects_.size()); }
  int32_t Capacity() const { return static_cast<int32_t>(rects_.capacity()); }
  RECT Bounds() const { return bounds_; }
  const std::vector<RECT>& Rects() const { return rects_; }

 private:
  std::vector<RECT> rects_;
  RECT bounds_;
};

}  // namespace imaging
