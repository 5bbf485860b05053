// TColorManager: converts one row of pixels at a time from the layout a picture file stores them
// in (the source) into the layout of the bitmap the picture formats fill (the target): colour
// scheme, bits per sample and samples per pixel on each side, with optional gamma, 16-bit byte
// swapping, 8/16-bit rescaling, alpha and interlace masks. It also makes palette handles from raw
// palette data and grey ramps.
//
// Subsampled YCbCr (TIFF data units: h x v luma samples followed by one Cb and one Cr) is
// expanded by ConvertUnitRow, which writes the v image rows one row of data units covers.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"

namespace formats {

class EColorConversionError : public vcl::Exception {
  VCL_CLASS(EColorConversionError, vcl::Exception)
  using Exception::Exception;
};

enum TColorSchemeKind : uint8_t {
  scUnknown,
  scIndexed,
  scGray,
  scGrayAlpha,
  scRGB,
  scRGBA,
  scBGR,
  scBGRA,
  scCMY,
  scCMYK,
  scCIELab,
  scYCbCr,
  scPhotoYCC
};

enum TColorOption : uint8_t { cvoAlpha, cvoApplyGamma, cvoSwapBytes, cvoLabByteRange, cvoLabChromaOffset };

// A set of TColorOption, one bit each (bit number = the option's value).
class TColorOptions {
 public:
  constexpr TColorOptions() = default;
  constexpr TColorOptions(std::initializer_list<TColorOption> options) {
    for (TColorOption o : options) Include(o);
  }
  constexpr bool Contains(TColorOption o) const { return (bits_ >> o) & 1; }
  constexpr void Include(TColorOption o) { bits_ = static_cast<uint8_t>(bits_ | (1u << o)); }
  constexpr void Exclude(TColorOption o) { bits_ = static_cast<uint8_t>(bits_ & ~(1u << o)); }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TColorOptions&) const = default;

 private:
  uint8_t bits_ = 0;
};

enum TPaletteLayout : uint8_t {
  plPacked8x3,
  plPacked8x4,
  plPlanar8x3,
  plPlanar8x4,
  plPacked16x3,
  plPacked16x4,
  plPlanar16x3,
  plPlanar16x4
};

// (a * b) div c on 16-bit operands with a 32-bit product, truncated to 16 bits.
uint16_t MulDivWord(uint16_t a, uint16_t b, uint16_t c);
// Negative gives 0, above 255 gives 255.
uint8_t ClampByte(int32_t value);

class TColorManager : public vcl::TObject {
  VCL_CLASS(TColorManager, vcl::TObject)
  TColorManager();

  uint8_t SourceBitsPerSample() const { return sourceBPS_; }
  uint8_t TargetBitsPerSample() const { return targetBPS_; }
  uint8_t SourceSampleCount() const { return sourceSPP_; }
  uint8_t TargetSampleCount() const { return targetSPP_; }
  TColorSchemeKind SourceScheme() const { return sourceScheme_; }
  TColorSchemeKind TargetScheme() const { return targetScheme_; }
  // 1..16 bits and 1..4 samples, else EColorConversionError.
  void SetSourceBitsPerSample(uint8_t bits);
  void SetTargetBitsPerSample(uint8_t bits);
  void SetSourceSampleCount(uint8_t count);
  void SetTargetSampleCount(uint8_t count);
  void SetSourceScheme(TColorSchemeKind scheme);
  void SetTargetScheme(TColorSchemeKind scheme);

  TColorOptions SourceOptions;
  TColorOptions TargetOptions;

  vcl::TPixelFormat PixelFormatForSource() const;
  vcl::TPixelFormat PixelFormatForTarget() const;

  float MainGamma() const { return mainGamma_; }
  float DisplayGamma() const { return displayGamma_; }
  // Values of 0 or below take 1.0 and 2.2; rebuilds the gamma table.
  void SetGammaValues(float mainGamma, float displayGamma);
  uint8_t GammaTable(int index) const { return gammaTable_[index]; }

  // One to three luma weights (Kr, Kg, Kb), then the subsampling (1, 2 or 4; vertical not above
  // horizontal). The weights are stored even when the subsampling is rejected.
  void SetYCbCrSettings(std::span<const float> coefficients, uint8_t horizontal, uint8_t vertical);
  uint8_t HorizontalSubsampling() const { return hSubsampling_; }
  uint8_t VerticalSubsampling() const { return vSubsampling_; }

  // Converts `count` pixels. `sources` holds one pointer (interleaved samples) or one per plane.
  // Pixel i is converted when bit (7 - i mod 8) of the mask is set; the source advances only
  // over converted pixels, skipped target pixels stay as they were. A subsampled YCbCr source
  // with a vertical subsampling of 1 is read as one row of data units.
  void ConvertLine(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask = 0xFF);
  // One pointer to interleaved samples.
  void ConvertLine(const uint8_t* source, void* target, uint32_t count, uint8_t mask = 0xFF);
  // One row of 8-bit YCbCr data units into up to VerticalSubsampling() target rows (fewer at the
  // bottom of an image); `count` is the image width in pixels.
  void ConvertUnitRow(const void* source, void* const* targets, uint32_t rowCount, uint32_t count);
  // Bytes of one row of data units of `width` pixels (8-bit samples).
  uint32_t UnitRowBytes(uint32_t width) const;

  void SelectConversion();

  // A new palette handle owned by the caller.
  HPALETTE BuildColorPalette(std::span<const void* const> data, TPaletteLayout layout, uint32_t colorCount,
                             bool order);
  HPALETTE BuildGrayPalette(bool inverted);
  // The entries BuildColorPalette passes to the platform (for callers that need them as data).
  std::vector<PALETTEENTRY> ColorPaletteEntries(std::span<const void* const> data, TPaletteLayout layout,
                                                uint32_t colorCount, bool order);
  std::vector<PALETTEENTRY> GrayPaletteEntries(bool inverted);

  void BuildYCbCrTables();
  // The chroma tables: Cr to red, Cb to blue, Cr to green, Cb to green.
  const std::vector<int32_t>& CrToRed() const { return crToRed_; }
  const std::vector<int32_t>& CbToBlue() const { return cbToBlue_; }
  const std::vector<int32_t>& CrToGreen() const { return crToGreen_; }
  const std::vector<int32_t>& CbToGreen() const { return cbToGreen_; }

  [[noreturn]] static void RaiseConversionError(const std::string& message);

 private:
  using TRowConverter = void (TColorManager::*)(std::span<const void* const>, void*, uint32_t, uint8_t);

  void RowIndexed8(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowIndexed16To16(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowIndexed16To8(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowIndexed8To16(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowGray(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowRGBToRGB(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowRGBToBGR(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowCMYKToRGB(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowCMYKToBGR(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowCIELabToRGB(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowCIELabToBGR(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowYCbCrToRGB(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
  void RowYCbCrToBGR(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);

  // The shared bodies; `reverse` exchanges the first and third colour samples.
  void RowColour(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask, bool reverse);
  void RowCMYK(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask, bool bgr);
  void RowCIELab(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask, bool bgr);
  void RowYCbCr(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask, bool bgr);
  // A colour or alpha sample from `sourceBits` to `targetBits`.
  uint16_t ConvertComponent(uint16_t value, bool alpha) const;
  // Red, green, blue of one 8-bit Y, Cb, Cr triple.
  void YCbCrToRGB8(uint8_t y, uint8_t cb, uint8_t cr, uint8_t rgb[3]) const;
  void RebuildGammaTable();
  void MarkChanged(bool differs) { changed_ = changed_ || differs; }

  bool changed_ = true;
  uint8_t sourceBPS_ = 8, targetBPS_ = 8;
  uint8_t sourceSPP_ = 3, targetSPP_ = 3;
  float mainGamma_ = 1.0f, displayGamma_ = 2.2f;
  uint8_t gammaTable_[256] = {};
  float yCbCrCoefficients_[3] = {0.299f, 0.587f, 0.114f};
  uint8_t hSubsampling_ = 1, vSubsampling_ = 1;
  std::vector<int32_t> crToRed_, cbToBlue_, crToGreen_, cbToGreen_;
  TColorSchemeKind sourceScheme_ = scRGB;
  TColorSchemeKind targetScheme_ = scBGR;
  TRowConverter converter_ = nullptr;
};

}  // namespace formats
