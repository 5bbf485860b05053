// Copies between a library bitmap and a selection mask: a mask becomes a 1-bit or 8-bit grey
// image (to edit or store it as a picture), and such an image, or a colour image by its grey
// levels, becomes a mask.
#include <algorithm>
#include <cstring>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/model/routines/access_scope.h"

namespace imaging {

void TIEBitmap::CopyFromMask(TIEMask* mask) {
  if (!mask) {
    // No mask selects everything.
    Fill(255);
    return;
  }
  TIEPixelFormat format;
  switch (mask->BitsPerPixel()) {
    case 1: format = ie1g; break;
    case 8: format = ie8g; break;
    default: return;
  }
  if (!Allocate(mask->Width(), mask->Height(), format) || IsEmpty()) return;
  TIEAccessScope access(this, ieaWrite);
  const auto bytes = static_cast<size_t>(std::min(RowLen(), mask->RowLen()));
  for (int32_t y = 0; y < mask->Height(); ++y) std::memcpy(GetScanline(y), mask->GetScanline(y), bytes);
  SetFull(mask->Full());
}

void TIEBitmap::CopyToMask(TIEMask* mask) {
  if (!mask) return;
  const TIEPixelFormat format = PixelFormat();
  if (format != ie1g && format != ie8g && format != ie24RGB) return;
  const int32_t w = Width(), h = Height();
  mask->Allocate(w, h, format == ie1g ? 1 : 8);
  if (w == 0 || h == 0) return;
  TIEAccessScope access(this, ieaRead);
  if (format == ie24RGB) {
    // Full 0 .. 255 coverage: a white pixel selects its pixel completely.
    for (int32_t y = 0; y < h; ++y) {
      const auto* in = static_cast<const uint8_t*>(GetScanline(y));
      auto* out = static_cast<uint8_t*>(mask->GetScanline(y));
      for (int32_t x = 0; x < w; ++x, in += 3) out[x] = static_cast<uint8_t>(GrayLevel(in[2], in[1], in[0]));
    }
    mask->UpdateFullFlag();
  } else {
    const auto bytes = static_cast<size_t>(std::min(RowLen(), mask->RowLen()));
    for (int32_t y = 0; y < h; ++y) std::memcpy(mask->GetScanline(y), GetScanline(y), bytes);
    mask->SetFull(Full());
  }
  // The box tells the mask's users where its set pixels are; without it they would see none.
  mask->SyncBoundingBox();
}

}  // namespace imaging
