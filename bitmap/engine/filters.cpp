#include "bitmap/engine/filters.h"

#include "vcl/runtime/exceptions.h"

namespace bitmap {

namespace {

template <class PixelOp>
void ApplyFilter(TBitmap32* dst, TBitmap32* src, PixelOp op) {
  if (!src) throw vcl::Exception("The source is nil");
  if (!dst) throw vcl::Exception("Destination is nil");
  dst->SetSize(src->Width(), src->Height());
  GdiFlush();
  const TColor32* s = src->Bits();
  TColor32* d = dst->Bits();
  if (s && d) {
    const int32_t count = src->Width() * src->Height();
    for (int32_t i = 0; i < count; ++i) d[i] = op(s[i], d[i]);
  }
  dst->Changed();
}

}  // namespace

void IntensityToAlpha(TBitmap32* dst, TBitmap32* src) {
  ApplyFilter(dst, src, [](TColor32 s, TColor32 d) { return WithAlpha(d, IntensityOf(s)); });
}

void InvertRGB(TBitmap32* dst, TBitmap32* src) {
  ApplyFilter(dst, src, [](TColor32 s, TColor32) { return s ^ 0x00FFFFFFu; });
}

void ToGrayscale(TBitmap32* dst, TBitmap32* src) {
  ApplyFilter(dst, src, [](TColor32 s, TColor32) { return MakeGray32(uint8_t(IntensityOf(s)), 255); });
}

}  // namespace bitmap
