// TColorManager: converts rows of pixel samples from one colour scheme and bit depth into
// another, with gamma correction on the way, and builds palettes for palette bitmaps. The PNG
// reader owns one and drives it with indexed, grey, grey-with-alpha, RGB and RGBA rows; the
// other sources (planar, BGR, CMYK, CIE L*a*b*, YCbCr, Photo YCC) and 16-bit targets belong to
// the same interface.
//
// A pixel mask lets a caller write only some pixels of a row: target pixel i is written when bit
// (7 - i mod 8) of the mask is set, and the source moves on only for pixels written. That is how
// interlaced passes land in their columns.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace skin::png {

class EColorConversionError : public vcl::Exception {
  VCL_CLASS(EColorConversionError, vcl::Exception)
  using Exception::Exception;
};

enum TacColorScheme : uint8_t {
  schUnknown,
  schIndexed,
  schGray,
  schGrayAlpha,
  schRGB,
  schRGBA,
  schBGR,
  schBGRA,
  schCMY,
  schCMYK,
  schCIELab,
  schYCbCr,
  schPhotoYCC
};

// Option bits of the source and target sides.
using TConvertOptions = uint8_t;
constexpr TConvertOptions optAlpha = 1;         // both: the scheme carries alpha (recomputed)
constexpr TConvertOptions optGamma = 2;         // target: colour samples through the gamma table
constexpr TConvertOptions optSwap16 = 4;        // source: 16-bit samples are big-endian
constexpr TConvertOptions optLabRange255 = 8;   // source: L* stored as 0..255
constexpr TConvertOptions optLabOffset128 = 16; // source: a* and b* stored with an offset of 128

// Layouts of palette data for CreateColorPalette.
enum TPaletteDataFormat : int32_t {
  pdf8Triples,
  pdf8Quads,
  pdf8Planar3,
  pdf8Planar4,
  pdf16Triples,
  pdf16Quads,
  pdf16Planar3,
  pdf16Planar4
};

class TColorManager : public vcl::TObject {
  VCL_CLASS(TColorManager, vcl::TObject)
  TColorManager();

  uint8_t SourceBitsPerSample() const { return sourceBits_; }
  uint8_t TargetBitsPerSample() const { return targetBits_; }
  uint8_t SourceSamplesPerPixel() const { return sourceSamples_; }
  uint8_t TargetSamplesPerPixel() const { return targetSamples_; }
  TacColorScheme SourceColorScheme() const { return sourceScheme_; }
  TacColorScheme TargetColorScheme() const { return targetScheme_; }
  // Bits 1 to 16, samples 1 to 4; other values raise EColorConversionError and keep the old one.
  void SetSourceBitsPerSample(uint8_t value);
  void SetTargetBitsPerSample(uint8_t value);
  void SetSourceSamplesPerPixel(uint8_t value);
  void SetTargetSamplesPerPixel(uint8_t value);
  void SetSourceColorScheme(TacColorScheme value);
  void SetTargetColorScheme(TacColorScheme value);

  // Read by the converters on every call.
  TConvertOptions SourceOptions = 0;
  TConvertOptions TargetOptions = 0;

  // A value not above 0 counts as 1.0 (main) or 2.2 (display). Rebuilds the gamma table, which
  // maps 8-bit values whatever depths are set; it does not switch gamma on (optGamma does).
  void SetGamma(float mainGamma, float displayGamma);
  const uint8_t* GammaTable() const { return gamma_; }

  // Converts `count` target pixels. One source pointer: interleaved samples; more: one plane
  // each. Raises EColorConversionError when no converter fits the settings.
  void ConvertRow(const std::vector<const void*>& source, void* target, int32_t count, uint8_t mask);
  void ConvertRow(const void* source, void* target, int32_t count, uint8_t mask) {
    ConvertRow(std::vector<const void*>{source}, target, count, mask);
  }

  // The platform pixel format for the target's (or the source's) bits and samples.
  vcl::TPixelFormat PixelFormatFor(bool targetSide) const;
  // New palettes the caller owns.
  HPALETTE CreateGrayPalette(bool minIsWhite) const;
  HPALETTE CreateColorPalette(const std::vector<const void*>& data, int32_t dataFormat, int32_t colorCount,
                              bool flagBGR) const;
  // The palette entries CreateColorPalette would make (for callers that want the colours).
  std::vector<PALETTEENTRY> ColorPaletteEntries(const std::vector<const void*>& data, int32_t dataFormat,
                                                int32_t colorCount, bool flagBGR) const;
  std::vector<PALETTEENTRY> GrayPaletteEntries(bool minIsWhite) const;

 private:
  using Converter = void (TColorManager::*)(const std::vector<const void*>&, void*, int32_t, uint8_t);
  void ChooseConverter();
  void BuildYCbCrTables();

  void RowIndexed(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowIndexed16(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowIndexed16ToLow(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowIndexedLowTo16(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowGray(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowRGBToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowRGBToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowBGRToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowBGRToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowCMYKToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowCMYKToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowLabToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowLabToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowYCbCrToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowYCbCrToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowPhotoYCCToRGB(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);
  void RowPhotoYCCToBGR(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask);

  // The shared bodies: colour order of source and target (red first or blue first).
  void RowColour(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool sourceRedFirst,
                 bool targetRedFirst);
  void RowCMYK(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool targetRedFirst);
  void RowLab(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool targetRedFirst);
  void RowYCC(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool targetRedFirst);

  bool changed_ = true;
  uint8_t sourceBits_ = 8, targetBits_ = 8;
  uint8_t sourceSamples_ = 3, targetSamples_ = 3;
  float mainGamma_ = 1.0f, displayGamma_ = 2.2f;
  uint8_t gamma_[256] = {};
  float yCbCrCoefficients_[3] = {0.299f, 0.587f, 0.114f};
  int32_t crToRed_[256] = {}, cbToBlue_[256] = {}, crToGreen_[256] = {}, cbToGreen_[256] = {};
  TacColorScheme sourceScheme_ = schRGB, targetScheme_ = schBGR;
  Converter converter_ = nullptr;
};

}  // namespace skin::png
