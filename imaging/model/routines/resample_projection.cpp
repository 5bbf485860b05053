#include "imaging/model/routines/resample_projection.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// One pixel of the block decides: for a 1-bit source the bit itself, for a 24-bit source all
// three channels below 128 (black) or above 128 (white).
template <bool OneBit>
bool Decides(const uint8_t* row, int32_t x, bool whiteWins) {
  if constexpr (OneBit) {
    return (GetBitFromBuffer(row, x) != 0) == whiteWins;
  } else {
    const uint8_t* p = row + 3 * x;
    return whiteWins ? (p[0] > 128 && p[1] > 128 && p[2] > 128) : (p[0] < 128 && p[1] < 128 && p[2] < 128);
  }
}

template <bool OneBit>
void Project(TIEBitmap* source, TIEBitmap* dest, bool whiteWins, vcl::TObject* sender,
             const TIEProgressEvent& onProgress) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
  if (source->PixelFormat() != (OneBit ? ie1g : ie24RGB))
    throw vcl::EInvalidArgument(OneBit ? "ProjectResample1Bit needs a 1-bit source"
                                       : "ProjectResample24 needs a 24-bit source");
  if (dest->PixelFormat() != ie1g) AllocateOrRaise(dest, dest->Width(), dest->Height(), ie1g);
  if (source->IsEmpty() || dest->IsEmpty()) return;
  TIEAccessScope readOnly(source, 1);
  TIEAccessScope writeOnly(dest, 2);

  const int32_t srcW = source->Width(), srcH = source->Height();
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  std::vector<int32_t> columnMap(dstW);
  for (int32_t i = 0; i < dstW; ++i)
    columnMap[i] = std::min(static_cast<int32_t>((double(srcW) / dstW) * i), srcW - 1);
  const double ry = double(srcH) / dstH;
  const int32_t fullBytes = dstW / 8, restBits = dstW % 8;
  std::vector<const uint8_t*> block;

  for (int32_t j = 0; j < dstH; ++j) {
    const int32_t top = j == 0 ? 0 : std::min(static_cast<int32_t>(ry * (j - 1)), srcH - 1);
    const int32_t bottom = j == 0 ? 0 : std::min(static_cast<int32_t>(ry * j), srcH - 1);
    block.clear();
    for (int32_t y = top; y <= bottom; ++y) block.push_back(static_cast<const uint8_t*>(source->LockScanline(y)));

    // The row starts all white (black wins) or all black (white wins); padding bits stay 0.
    uint8_t* out = static_cast<uint8_t*>(dest->GetScanline(j));
    std::memset(out, 0, dest->RowLen());
    if (!whiteWins) {
      std::memset(out, 0xFF, fullBytes);
      if (restBits) out[fullBytes] = static_cast<uint8_t>(0xFF00 >> restBits);
    }
    for (int32_t i = 0; i < dstW; ++i) {
      const int32_t left = i == 0 ? 0 : columnMap[i - 1];
      const int32_t right = columnMap[i];
      bool decided = false;
      for (const uint8_t* row : block) {
        for (int32_t x = left; x <= right && !decided; ++x) decided = Decides<OneBit>(row, x, whiteWins);
        if (decided) break;
      }
      if (!decided) continue;
      if (whiteWins)
        out[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
      else
        out[i >> 3] &= static_cast<uint8_t>(~(0x80 >> (i & 7)));
    }
    for (int32_t y = top; y <= bottom; ++y) source->UnlockScanline(y);
    if (onProgress) onProgress(sender, static_cast<int32_t>(j * 100 / (dstH + 0.5)));
  }
}

}  // namespace

void ProjectResample1Bit(TIEBitmap* source, TIEBitmap* dest, bool whiteWins, vcl::TObject* sender,
                         const TIEProgressEvent& onProgress) {
  Project<true>(source, dest, whiteWins, sender, onProgress);
}

void ProjectResample24(TIEBitmap* source, TIEBitmap* dest, bool whiteWins, vcl::TObject* sender,
                       const TIEProgressEvent& onProgress) {
  Project<false>(source, dest, whiteWins, sender, onProgress);
}

}  // namespace imaging
