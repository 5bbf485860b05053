#include "skin/engine/graphics/mask_geometry.h"

#include <algorithm>

namespace skin {

vcl::TBitmap* MaskBitmap(const TsMaskData& mask) {
  if (mask.Image) return mask.Image.get();
  return mask.Manager ? mask.Manager->MasterBitmap() : nullptr;
}

void ShrinkMargins(int32_t size, int32_t& nearMargin, int32_t& farMargin) {
  nearMargin = std::max(nearMargin, 0);
  farMargin = std::max(farMargin, 0);
  const int32_t excess = nearMargin + farMargin - std::max(size, 0);
  if (excess <= 0) return;
  nearMargin -= excess / 2;
  farMargin -= excess - excess / 2;
  // One margin smaller than its share gives the rest of the share to the other.
  if (nearMargin < 0) farMargin += nearMargin;
  if (farMargin < 0) nearMargin += farMargin;
  nearMargin = std::max(nearMargin, 0);
  farMargin = std::max(farMargin, 0);
}

}  // namespace skin
