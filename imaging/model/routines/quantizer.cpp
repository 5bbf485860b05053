#include "imaging/model/routines/quantizer.h"

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_routines.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

int32_t QuantizerEngine = -1;
int32_t QuantizerQuality = -1;

std::unique_ptr<TExactPalette> TExactPalette::Collect(TIEBitmap* bitmap, int32_t colours, std::span<TRGB> palette) {
  if (bitmap->GetPixelFormat() != ie24RGB) return nullptr;
  auto exact = std::make_unique<TExactPalette>();
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  for (int32_t y = 0; y < height; ++y) {
    const TRGB* row = static_cast<const TRGB*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const int32_t packed = PackRGB(row[x]);
      if (exact->positions_.count(packed)) continue;
      if (exact->Count() >= colours) return nullptr;
      exact->positions_.emplace(packed, exact->Count());
      exact->colours_.push_back(packed);
    }
  }
  for (int32_t i = 0; i < exact->Count() && size_t(i) < palette.size(); ++i) palette[i] = UnpackRGB(exact->colours_[i]);
  return exact;
}

int32_t TExactPalette::Find(int32_t packedRGB) const {
  auto found = positions_.find(packedRGB & 0xFFFFFF);
  return found == positions_.end() ? -1 : found->second;
}

TIEQuantizer::TIEQuantizer(TIEBitmap* bitmap, std::span<TRGB> palette, int32_t colours)
    : bitmap_(bitmap), colours_(colours) {
  if (colours > 0 && palette.size() < size_t(colours))
    throw vcl::EInvalidArgument("The palette has fewer entries than the colours asked for");
  if (colours < 1) return;  // nothing to build: every colour maps to index 0
  gray_ = bitmap->IsGrayScale();
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  paletted_ = format == ie8p;
  if (gray_ || format != ie24RGB) {
    if (paletted_) {
      for (int32_t i = 0; i < colours; ++i) palette[i] = bitmap->GetPaletteColor(i);
    } else if (gray_) {
      for (int32_t i = 0; i < colours; ++i) {
        const uint8_t level = static_cast<uint8_t>(int32_t(256.0 / colours * i));
        palette[i] = TRGB{level, level, level};
      }
    }
    return;
  }
  exact_ = TExactPalette::Collect(bitmap, colours, palette);
  if (exact_) return;
  if (QuantizerEngine == 1 || (QuantizerEngine == -1 && colours < 128)) {
    engine_ = 1;
    varianceQuant_ = VarianceQuantBuild(bitmap, palette, colours);
  } else {
    engine_ = 0;
    neuQuant_ = NeuQuantBuild(bitmap, palette, QuantizerQuality, colours);
  }
}

TIEQuantizer::~TIEQuantizer() = default;

int32_t TIEQuantizer::GetColorIndex(const TRGB& colour) { return GetColorIndex(PackRGB(colour)); }

int32_t TIEQuantizer::GetColorIndex(int32_t packedRGB) {
  if (exact_) return exact_->Find(packedRGB);
  // A paletted image keeps its own palette, which need not be a ramp even when it is grey, so
  // its colours are looked up there rather than computed from the grey level.
  if (gray_ && !paletted_) return static_cast<int32_t>(((packedRGB >> 16) & 0xFF) * int64_t(colours_) / 256);
  if (neuQuant_) return NeuQuantMap(*neuQuant_, packedRGB);
  if (varianceQuant_) return VarianceQuantLookup(*varianceQuant_, packedRGB);
  if (paletted_) {
    const int32_t length = bitmap_->GetPaletteLen();
    for (int32_t i = 0; i < length; ++i)
      if (SameRGB(PackRGB(bitmap_->GetPaletteColor(i)), packedRGB)) return i;
    return length;
  }
  return 0;
}

}  // namespace imaging
