#include "imaging/proc/bitmap_edits.h"

#include <cstring>

#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/resample.h"

namespace imaging {

void ResampleBitmapWithAlpha(TIEBitmap* src, TIEBitmap* dst, TResampleFilter filter, vcl::TObject* sender,
                             const TIEProgressEvent& progress) {
  if (src->Width() == dst->Width() && src->Height() == dst->Height()) {
    dst->Assign(src);
    return;
  }
  if (filter == rfNone) {
    ResampleNearest(src, dst, sender, progress);
  } else if (src->PixelFormat() == ie1g) {
    Resample1Bit(src, dst, filter);
  } else {
    ResampleBitmap(src, dst, filter, progress, sender);
  }
  if (!src->HasAlphaChannel()) return;
  TIEBitmap* srcAlpha = src->AlphaChannel();
  TIEBitmap* dstAlpha = dst->AlphaChannel();
  if (filter == rfNone)
    ResampleNearest(srcAlpha, dstAlpha, nullptr, {});
  else
    ResampleGray8(srcAlpha, dstAlpha, filter);
  dstAlpha->SetFull(srcAlpha->Full());
}

void FillTransparentPixels(TIEBitmap* bitmap, int32_t packedRGB) {
  if (bitmap->PixelFormat() != ie24RGB || !bitmap->HasAlphaChannel()) return;
  const TRGB colour{uint8_t(packedRGB), uint8_t(packedRGB >> 8), uint8_t(packedRGB >> 16)};
  TIEBitmap* alpha = bitmap->AlphaChannel();
  const int32_t width = bitmap->Width();
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* a = static_cast<const uint8_t*>(alpha->LockScanline(y));
    TRGB* row = static_cast<TRGB*>(bitmap->Scanline(y));
    for (int32_t x = 0; x < width; ++x)
      if (a[x] == 0) row[x] = colour;
    alpha->UnlockScanline(y);
  }
}

void InvertBytes(uint8_t* buffer, int64_t length) {
  for (int64_t i = 0; i < length; ++i) buffer[i] = uint8_t(~buffer[i]);
}

void InvertBitmapBits(TIEBitmap* bitmap) {
  const int32_t rowLen = bitmap->RowLen();
  for (int32_t y = 0; y < bitmap->Height(); ++y) InvertBytes(static_cast<uint8_t*>(bitmap->Scanline(y)), rowLen);
}

namespace {

bool SameRows(TIEBitmap* a, TIEBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat() ||
      a->RowLen() != b->RowLen())
    return false;
  const int32_t rowLen = a->RowLen();
  for (int32_t y = 0; y < a->Height(); ++y) {
    const void* rowA = a->LockScanline(y);
    const bool same = std::memcmp(rowA, b->Scanline(y), rowLen) == 0;
    a->UnlockScanline(y);
    if (!same) return false;
  }
  return true;
}

}  // namespace

bool SameBitmapContent(TIEBitmap* a, TIEBitmap* b) {
  if (a->HasAlphaChannel() != b->HasAlphaChannel()) return false;
  if (!SameRows(a, b)) return false;
  return !a->HasAlphaChannel() || SameRows(a->AlphaChannel(), b->AlphaChannel());
}

}  // namespace imaging
