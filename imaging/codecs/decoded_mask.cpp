#include "imaging/codecs/decoded_mask.h"

#include <cstring>

#include "imaging/model/ie_mask.h"

namespace imaging {

void GiveDecodedMask(std::unique_ptr<TIEMask>& mask, int32_t width, int32_t height, TIEMask*& AlphaMask) {
  if (!AlphaMask) {
    AlphaMask = mask.release();
    return;
  }
  AlphaMask->Allocate(width, height, 8);
  for (int32_t y = 0; y < height; ++y) std::memcpy(AlphaMask->GetScanline(y), mask->GetScanline(y), size_t(width));
  AlphaMask->UpdateFullFlag();
}

}  // namespace imaging
