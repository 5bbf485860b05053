#include "formats/colour_manager.h"
#include "vcl/runtime/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace formats {

namespace {

constexpr const char* kBadDepth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
constexpr const char* kBadSampleCount = "Sample count per pixel does not correspond to the given color scheme.";
constexpr const char* kBadSubsampling = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
constexpr const char* kBadVerticalSubsampling = "Vertical subsampling value must be <= horizontal subsampling value.";
constexpr const char* kIndexedMismatch =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
constexpr const char* kNoMethod = "Color conversion failed. Could not find a proper method.";

// Round to nearest, halves to even (the default rounding mode).
long RoundEven(long double v) { return std::lrint(static_cast<double>(v)); }
long RoundEvenF(float v) { return std::lrint(v); }

// The mask's bit test starts at 0x80 and rotates right by one per pixel.
uint8_t NextBit(uint8_t bit) { return static_cast<uint8_t>(bit >> 1 | bit << 7); }

// Samples of one side of a row: interleaved behind one pointer, or one plane per pointer.
class TSamples {
 public:
  TSamples(std::span<const void* const> sources, int step, int bytes, int planesNeeded)
      : step_(step), bytes_(bytes), planar_(sources.size() > 1) {
    if (sources.empty() || !sources[0]) TColorManager::RaiseConversionError(kNoMethod);
    if (planar_) {
      if (static_cast<int>(sources.size()) < planesNeeded) TColorManager::RaiseConversionError(kNoMethod);
      for (int i = 0; i < planesNeeded; ++i) {
        if (!sources[i]) TColorManager::RaiseConversionError(kNoMethod);
        planes_[i] = static_cast<const uint8_t*>(sources[i]);
      }
    } else {
      planes_[0] = static_cast<const uint8_t*>(sources[0]);
    }
  }
  // Sample `sample` of the current pixel, 16-bit samples read little-endian.
  uint16_t Get(int sample) const {
    const uint8_t* p = planar_ ? planes_[sample] + index_ * bytes_ : planes_[0] + (index_ * step_ + sample) * bytes_;
    return bytes_ == 1 ? p[0] : static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  void Next() { ++index_; }

 private:
  const uint8_t* planes_[4] = {};
  int step_, bytes_;
  bool planar_;
  size_t index_ = 0;
};

void Put(uint8_t* target, size_t index, int bytes, uint16_t value) {
  if (bytes == 1) {
    target[index] = static_cast<uint8_t>(value);
  } else {
    target[index * 2] = static_cast<uint8_t>(value);
    target[index * 2 + 1] = static_cast<uint8_t>(value >> 8);
  }
}

bool IsColourDepth(uint8_t bits) { return bits == 8 || bits == 16; }

bool HasAlpha(TColorSchemeKind scheme) { return scheme == scGrayAlpha || scheme == scRGBA || scheme == scBGRA; }
bool IsRGBTarget(TColorSchemeKind scheme) { return scheme == scRGB || scheme == scRGBA; }
bool IsBGRTarget(TColorSchemeKind scheme) { return scheme == scBGR || scheme == scBGRA; }

// Bit fields of indexed rows: most significant first, 8 div bits fields per byte.
struct TFieldReader {
  const uint8_t* data;
  int bits;
  size_t index = 0;
  uint16_t Next() {
    const int perByte = 8 / bits;
    const uint8_t byte = data[index / perByte];
    const int shift = 8 - bits * (static_cast<int>(index % perByte) + 1);
    ++index;
    return static_cast<uint16_t>((byte >> shift) & ((1 << bits) - 1));
  }
};

void PutField(uint8_t* target, int bits, size_t index, uint16_t value) {
  const int perByte = 8 / bits;
  uint8_t& byte = target[index / perByte];
  const int shift = 8 - bits * (static_cast<int>(index % perByte) + 1);
  const uint8_t fieldMask = static_cast<uint8_t>(((1 << bits) - 1) << shift);
  byte = static_cast<uint8_t>((byte & ~fieldMask) | ((value << shift) & fieldMask));
}

}  // namespace

uint16_t MulDivWord(uint16_t a, uint16_t b, uint16_t c) {
  if (c == 0) return 0xFFFF;
  return static_cast<uint16_t>(static_cast<uint32_t>(a) * b / c);
}

uint8_t ClampByte(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// ---- set-up -------------------------------------------------------------------------------------

TColorManager::TColorManager() { SetGammaValues(1.0f, 2.2f); }

void TColorManager::RaiseConversionError(const std::string& message) { throw EColorConversionError(message); }

void TColorManager::SetSourceBitsPerSample(uint8_t bits) {
  if (bits < 1 || bits > 16) RaiseConversionError(kBadDepth);
  MarkChanged(bits != sourceBPS_);
  sourceBPS_ = bits;
}

void TColorManager::SetTargetBitsPerSample(uint8_t bits) {
  if (bits < 1 || bits > 16) RaiseConversionError(kBadDepth);
  MarkChanged(bits != targetBPS_);
  targetBPS_ = bits;
}

void TColorManager::SetSourceSampleCount(uint8_t count) {
  if (count < 1 || count > 4) RaiseConversionError(kBadSampleCount);
  MarkChanged(count != sourceSPP_);
  sourceSPP_ = count;
}

void TColorManager::SetTargetSampleCount(uint8_t count) {
  if (count < 1 || count > 4) RaiseConversionError(kBadSampleCount);
  MarkChanged(count != targetSPP_);
  targetSPP_ = count;
}

void TColorManager::SetSourceScheme(TColorSchemeKind scheme) {
  MarkChanged(scheme != sourceScheme_);
  sourceScheme_ = scheme;
}

void TColorManager::SetTargetScheme(TColorSchemeKind scheme) {
  MarkChanged(scheme != targetScheme_);
  targetScheme_ = scheme;
}

namespace {

vcl::TPixelFormat PixelFormatFor(uint8_t samples, uint8_t bits) {
  switch (samples) {
    case 1:
      if (bits == 1) return vcl::pf1bit;
      if (bits >= 2 && bits <= 4) return vcl::pf4bit;
      if (bits >= 8 && bits <= 16) return vcl::pf8bit;
      return vcl::pfCustom;
    case 3: return bits >= 1 && bits <= 5 ? vcl::pf15bit : vcl::pf24bit;
    case 4: return bits >= 8 ? vcl::pf32bit : vcl::pfCustom;
    default: return vcl::pfCustom;
  }
}

}  // namespace

vcl::TPixelFormat TColorManager::PixelFormatForSource() const { return PixelFormatFor(sourceSPP_, sourceBPS_); }
vcl::TPixelFormat TColorManager::PixelFormatForTarget() const { return PixelFormatFor(targetSPP_, targetBPS_); }

void TColorManager::SetGammaValues(float mainGamma, float displayGamma) {
  mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  RebuildGammaTable();
}

void TColorManager::RebuildGammaTable() {
  const float g = 1.0f / (mainGamma_ * displayGamma_);
  const int s = sourceBPS_ >= 8 ? 255 : (1 << targetBPS_) - 1;
  const int t = targetBPS_ >= 8 ? 255 : (1 << targetBPS_) - 1;
  for (int i = 0; i <= s && i < 256; ++i)
    gammaTable_[i] = static_cast<uint8_t>(RoundEven(std::pow(static_cast<long double>(i) / s, g) * t));
}

void TColorManager::SetYCbCrSettings(std::span<const float> coefficients, uint8_t horizontal, uint8_t vertical) {
  for (size_t i = 0; i < coefficients.size() && i < 3; ++i) yCbCrCoefficients_[i] = coefficients[i];
  auto valid = [](uint8_t v) { return v == 1 || v == 2 || v == 4; };
  if (!valid(horizontal) || !valid(vertical)) RaiseConversionError(kBadSubsampling);
  if (vertical > horizontal) RaiseConversionError(kBadVerticalSubsampling);
  hSubsampling_ = horizontal;
  vSubsampling_ = vertical;
}

void TColorManager::BuildYCbCrTables() {
  const float kr = yCbCrCoefficients_[0], kg = yCbCrCoefficients_[1], kb = yCbCrCoefficients_[2];
  const float fr = 2 - 2 * kr;
  const float fb = 2 - 2 * kb;
  const float frg = kr * fr / kg;
  const float fbg = kb * fb / kg;
  const int oCr = sourceScheme_ == scYCbCr ? 128 : 137;
  const int oCb = sourceScheme_ == scYCbCr ? 128 : 156;
  crToRed_.assign(256, 0);
  cbToBlue_.assign(256, 0);
  crToGreen_.assign(256, 0);
  cbToGreen_.assign(256, 0);
  for (int i = 0; i < 256; ++i) {
    crToRed_[i] = static_cast<int32_t>(RoundEvenF(fr * static_cast<float>(i - oCr)));
    cbToBlue_[i] = static_cast<int32_t>(RoundEvenF(fb * static_cast<float>(i - oCb)));
    crToGreen_[i] = -static_cast<int32_t>(RoundEvenF(frg * static_cast<float>(i - oCr)));
    cbToGreen_[i] = -static_cast<int32_t>(RoundEvenF(fbg * static_cast<float>(i - oCb)));
  }
}

// ---- selection ----------------------------------------------------------------------------------

void TColorManager::SelectConversion() {
  converter_ = nullptr;
  const bool sourceIndexed = sourceScheme_ == scIndexed || sourceScheme_ == scGray || sourceScheme_ == scGrayAlpha;
  const bool targetIndexed = targetScheme_ == scIndexed || targetScheme_ == scGray;
  if (sourceIndexed != targetIndexed) RaiseConversionError(kIndexedMismatch);
  if (HasAlpha(sourceScheme_)) SourceOptions.Include(cvoAlpha);
  else SourceOptions.Exclude(cvoAlpha);
  if (HasAlpha(targetScheme_)) TargetOptions.Include(cvoAlpha);
  else TargetOptions.Exclude(cvoAlpha);

  const uint8_t sb = sourceBPS_, tb = targetBPS_;
  const bool rgbTarget = IsRGBTarget(targetScheme_), bgrTarget = IsBGRTarget(targetScheme_);
  switch (sourceScheme_) {
    case scIndexed:
      if (sb == 16 && tb == 16) converter_ = &TColorManager::RowIndexed16To16;
      else if (sb == 16) converter_ = &TColorManager::RowIndexed16To8;
      else if (tb == 16) converter_ = &TColorManager::RowIndexed8To16;
      else converter_ = &TColorManager::RowIndexed8;
      break;
    case scGray:
      if (sb != 16 && tb != 16) converter_ = &TColorManager::RowIndexed8;
      else if (sb >= 8 && tb >= 8) converter_ = &TColorManager::RowGray;
      break;
    case scGrayAlpha:
      if (IsColourDepth(sb) && IsColourDepth(tb)) converter_ = &TColorManager::RowGray;
      break;
    case scRGB:
    case scRGBA:
      if (rgbTarget) converter_ = &TColorManager::RowRGBToRGB;
      else if (bgrTarget) converter_ = &TColorManager::RowRGBToBGR;
      break;
    case scBGR:
    case scBGRA:
      // Keeping or reversing the order is the same work whichever order the source starts in.
      if (rgbTarget) converter_ = &TColorManager::RowRGBToBGR;
      else if (bgrTarget) converter_ = &TColorManager::RowRGBToRGB;
      break;
    case scCMYK:
      if (rgbTarget) converter_ = &TColorManager::RowCMYKToRGB;
      else if (bgrTarget) converter_ = &TColorManager::RowCMYKToBGR;
      break;
    case scCIELab:
      if (rgbTarget) converter_ = &TColorManager::RowCIELabToRGB;
      else if (bgrTarget) converter_ = &TColorManager::RowCIELabToBGR;
      break;
    case scYCbCr:
    case scPhotoYCC:
      BuildYCbCrTables();
      if (rgbTarget) converter_ = &TColorManager::RowYCbCrToRGB;
      else if (bgrTarget) converter_ = &TColorManager::RowYCbCrToBGR;
      break;
    default: break;
  }
  changed_ = false;
}

void TColorManager::ConvertLine(const uint8_t* source, void* target, uint32_t count, uint8_t mask) {
  const void* sources[1] = {source};
  ConvertLine(std::span<const void* const>(sources), target, count, mask);
}

void TColorManager::ConvertLine(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask) {
  if (changed_) SelectConversion();
  if (!converter_) RaiseConversionError(kNoMethod);
  if (sourceScheme_ == scYCbCr && (hSubsampling_ > 1 || vSubsampling_ > 1)) {
    // A subsampled row is a row of data units; one that covers several image rows needs
    // ConvertUnitRow, which has a target for each.
    if (vSubsampling_ > 1 || mask != 0xFF || sources.size() != 1) RaiseConversionError(kNoMethod);
    void* targets[1] = {target};
    return ConvertUnitRow(sources[0], targets, 1, count);
  }
  if (count == 0) return;
  (this->*converter_)(sources, target, count, mask);
}

uint32_t TColorManager::UnitRowBytes(uint32_t width) const {
  const uint32_t units = (width + hSubsampling_ - 1) / hSubsampling_;
  return units * (hSubsampling_ * vSubsampling_ + 2u);
}

void TColorManager::ConvertUnitRow(const void* source, void* const* targets, uint32_t rowCount, uint32_t count) {
  if (changed_) SelectConversion();
  if (sourceScheme_ != scYCbCr || !converter_ || sourceBPS_ != 8 || targetBPS_ != 8 || !source)
    RaiseConversionError(kNoMethod);
  const auto* units = static_cast<const uint8_t*>(source);
  const uint32_t h = hSubsampling_, v = vSubsampling_, unitSize = h * v + 2;
  const bool bgr = IsBGRTarget(targetScheme_);
  const uint32_t step = TargetOptions.Contains(cvoAlpha) ? 4 : 3;
  for (uint32_t r = 0; r < rowCount && r < v; ++r) {
    auto* out = static_cast<uint8_t*>(targets[r]);
    if (!out) continue;
    for (uint32_t x = 0; x < count; ++x) {
      const uint8_t* unit = units + static_cast<size_t>(x / h) * unitSize;
      uint8_t rgb[3];
      YCbCrToRGB8(unit[r * h + x % h], unit[h * v], unit[h * v + 1], rgb);
      uint8_t* pixel = out + static_cast<size_t>(x) * step;
      pixel[0] = rgb[bgr ? 2 : 0];
      pixel[1] = rgb[1];
      pixel[2] = rgb[bgr ? 0 : 2];
    }
  }
}

// ---- indexed and grey ---------------------------------------------------------------------------

void TColorManager::RowIndexed8(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask) {
  const int sb = sourceBPS_, tb = targetBPS_;
  if (sb > 8 || tb > 8 || !sources[0]) return;
  auto* out = static_cast<uint8_t*>(target);
  if (sb == tb && mask == 0xFF) {
    std::memcpy(out, sources[0], (static_cast<size_t>(count) * sb + 7) / 8);
    return;
  }
  TFieldReader in{static_cast<const uint8_t*>(sources[0]), sb};
  const uint16_t sourceMax = static_cast<uint16_t>((1 << sb) - 1), targetMax = static_cast<uint16_t>((1 << tb) - 1);
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit))
    if (mask & bit) PutField(out, tb, i, MulDivWord(in.Next(), targetMax, sourceMax));
}

void TColorManager::RowIndexed16To16(std::span<const void* const> sources, void* target, uint32_t count,
                                     uint8_t mask) {
  const auto* in = static_cast<const uint16_t*>(sources[0]);
  auto* out = static_cast<uint8_t*>(target);
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  if (!swap && mask == 0xFF) {
    std::memcpy(out, in, static_cast<size_t>(count) * 2);
    return;
  }
  const auto* bytes = static_cast<const uint8_t*>(sources[0]);
  size_t k = 0;
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    uint16_t v = static_cast<uint16_t>(bytes[k * 2] | bytes[k * 2 + 1] << 8);
    ++k;
    Put(out, i, 2, swap ? vcl::Swap16(v) : v);
  }
}

void TColorManager::RowIndexed16To8(std::span<const void* const> sources, void* target, uint32_t count,
                                    uint8_t mask) {
  const int tb = targetBPS_;
  if (tb > 8) return;
  const auto* bytes = static_cast<const uint8_t*>(sources[0]);
  auto* out = static_cast<uint8_t*>(target);
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  const uint16_t targetMax = static_cast<uint16_t>((1 << tb) - 1);
  size_t k = 0;
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    uint16_t v = static_cast<uint16_t>(bytes[k * 2] | bytes[k * 2 + 1] << 8);
    ++k;
    PutField(out, tb, i, MulDivWord(swap ? vcl::Swap16(v) : v, targetMax, 65535));
  }
}

void TColorManager::RowIndexed8To16(std::span<const void* const> sources, void* target, uint32_t count,
                                    uint8_t mask) {
  const int sb = sourceBPS_;
  if (sb > 8) return;
  TFieldReader in{static_cast<const uint8_t*>(sources[0]), sb};
  auto* out = static_cast<uint8_t*>(target);
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  const uint16_t sourceMax = static_cast<uint16_t>((1 << sb) - 1);
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    const uint16_t v = MulDivWord(in.Next(), 65535, sourceMax);
    Put(out, i, 2, swap ? vcl::Swap16(v) : v);
  }
}

void TColorManager::RowGray(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask) {
  const int sb = sourceBPS_, tb = targetBPS_;
  if (!IsColourDepth(static_cast<uint8_t>(sb)) || !IsColourDepth(static_cast<uint8_t>(tb))) return;
  const bool alpha = SourceOptions.Contains(cvoAlpha);
  TSamples in(sources, alpha ? 2 : 1, sb / 8, 1);
  auto* out = static_cast<uint8_t*>(target);
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    uint16_t v = in.Get(0);
    in.Next();
    if (sb == 16 && swap) v = vcl::Swap16(v);
    if (sb == 8 && tb == 16) v = static_cast<uint16_t>(v * 257);
    else if (sb == 16 && tb == 8) v = MulDivWord(v, 255, 65535);
    Put(out, i, tb / 8, v);
  }
}

// ---- RGB and BGR --------------------------------------------------------------------------------

uint16_t TColorManager::ConvertComponent(uint16_t v, bool alpha) const {
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  const bool gamma = !alpha && TargetOptions.Contains(cvoApplyGamma);
  if (sourceBPS_ == 8 && targetBPS_ == 8) return gamma ? gammaTable_[v & 0xFF] : v;
  if (sourceBPS_ == 8) {
    const uint16_t r = static_cast<uint16_t>((gamma ? gammaTable_[v & 0xFF] : v) * 257);
    return swap ? vcl::Swap16(r) : r;
  }
  if (swap) v = vcl::Swap16(v);
  if (targetBPS_ == 8) {
    const uint16_t r = MulDivWord(v, 255, 65535);
    return gamma ? gammaTable_[r] : r;
  }
  return v;
}

void TColorManager::RowColour(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask,
                              bool reverse) {
  if (!IsColourDepth(sourceBPS_) || !IsColourDepth(targetBPS_)) return;
  const bool sourceAlpha = SourceOptions.Contains(cvoAlpha), targetAlpha = TargetOptions.Contains(cvoAlpha);
  TSamples in(sources, sourceAlpha ? 4 : 3, sourceBPS_ / 8, sourceAlpha ? 4 : 3);
  auto* out = static_cast<uint8_t*>(target);
  const int tbytes = targetBPS_ / 8;
  const size_t step = targetAlpha ? 4 : 3;
  if (sourceBPS_ == 8 && targetBPS_ == 8 && mask == 0xFF && sources.size() == 1 &&
      !TargetOptions.Contains(cvoApplyGamma)) {
    // The common case (interleaved bytes, every pixel, no gamma) moves the bytes as they are:
    // per sample the general loop below costs more than inflating a photograph.
    const auto* from = static_cast<const uint8_t*>(sources[0]);
    const size_t fromStep = sourceAlpha ? 4 : 3;
    const size_t red = reverse ? 2 : 0, blue = reverse ? 0 : 2;
    for (uint32_t i = 0; i < count; ++i, from += fromStep, out += step) {
      out[red] = from[0];
      out[1] = from[1];
      out[blue] = from[2];
      if (sourceAlpha && targetAlpha) out[3] = from[3];
    }
    return;
  }
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    const size_t at = i * step;
    for (int c = 0; c < 3; ++c) Put(out, at + (reverse ? 2 - c : c), tbytes, ConvertComponent(in.Get(c), false));
    if (sourceAlpha && targetAlpha) Put(out, at + 3, tbytes, ConvertComponent(in.Get(3), true));
    in.Next();
  }
}

void TColorManager::RowRGBToRGB(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowColour(s, t, n, m, false);
}
void TColorManager::RowRGBToBGR(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowColour(s, t, n, m, true);
}

// ---- CMYK ---------------------------------------------------------------------------------------

void TColorManager::RowCMYK(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask,
                            bool bgr) {
  if (!IsColourDepth(sourceBPS_) || !IsColourDepth(targetBPS_)) return;
  // Planar only with exactly one pointer per ink.
  const void* interleaved[1] = {sources.empty() ? nullptr : sources[0]};
  std::span<const void* const> layout = sources.size() == 4 ? sources : std::span<const void* const>(interleaved);
  TSamples in(layout, 4, sourceBPS_ / 8, 4);
  auto* out = static_cast<uint8_t*>(target);
  const int tbytes = targetBPS_ / 8;
  const size_t step = TargetOptions.Contains(cvoAlpha) ? 4 : 3;
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    const uint16_t k = in.Get(3);
    for (int c = 0; c < 3; ++c) {
      const uint16_t x = in.Get(c);
      uint16_t v;
      if (sourceBPS_ == 8) {
        v = ClampByte(255 - (x - MulDivWord(x, k, 255) + k));
        if (targetBPS_ == 16) v = static_cast<uint16_t>(v * 257);
      } else {
        const uint16_t mixed = MulDivWord(x, k, 65535);
        const uint16_t sum = static_cast<uint16_t>(x + k - mixed);
        if (targetBPS_ == 8) v = ClampByte(255 - MulDivWord(sum, 255, 65535));
        else v = static_cast<uint16_t>(65535 - sum);
      }
      Put(out, i * step + (bgr ? 2 - c : c), tbytes, v);
    }
    in.Next();
  }
}

void TColorManager::RowCMYKToRGB(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowCMYK(s, t, n, m, false);
}
void TColorManager::RowCMYKToBGR(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowCMYK(s, t, n, m, true);
}

// ---- CIE L*a*b* ---------------------------------------------------------------------------------

void TColorManager::RowCIELab(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask,
                              bool bgr) {
  if (!IsColourDepth(sourceBPS_) || !IsColourDepth(targetBPS_)) return;
  TSamples in(sources, 3, sourceBPS_ / 8, 3);
  auto* out = static_cast<uint8_t*>(target);
  const int tbytes = targetBPS_ / 8;
  const size_t step = TargetOptions.Contains(cvoAlpha) ? 4 : 3;
  const bool byteRange = SourceOptions.Contains(cvoLabByteRange);
  const bool chromaOffset = SourceOptions.Contains(cvoLabChromaOffset);
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    long double l = in.Get(0);
    if (byteRange) l /= 2.55L;
    long double a, b;
    if (chromaOffset) {
      a = static_cast<long double>(in.Get(1)) - 128;
      b = static_cast<long double>(in.Get(2)) - 128;
    } else {
      a = static_cast<int8_t>(in.Get(1) & 0xFF);
      b = static_cast<int8_t>(in.Get(2) & 0xFF);
    }
    in.Next();
    long double x, y, z;
    if (l < 7.9996L) {
      y = l / 903.3L;
      x = y + a / 3893.5L;
      z = y - b / 1557.4L;
    } else {
      const long double f = (l + 16) / 116;
      x = std::pow(f + a / 500, 3.0L);
      y = f * f * f;
      z = std::pow(f - b / 200, 3.0L);
    }
    const long double rgb[3] = {2.998L * x - 1.458L * y - 0.541L * z, -0.952L * x + 1.893L * y + 0.059L * z,
                                0.099L * x - 0.198L * y + 1.099L * z};
    for (int c = 0; c < 3; ++c) {
      const long double scaled = std::clamp(rgb[c] * 255, -1.0L, 256.0L);
      uint16_t v = ClampByte(static_cast<int32_t>(RoundEven(scaled)));
      if (targetBPS_ == 16 && sourceBPS_ == 8) v = static_cast<uint16_t>(v * 257);
      Put(out, i * step + (bgr ? 2 - c : c), tbytes, v);
    }
  }
}

void TColorManager::RowCIELabToRGB(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowCIELab(s, t, n, m, false);
}
void TColorManager::RowCIELabToBGR(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowCIELab(s, t, n, m, true);
}

// ---- YCbCr and Photo YCC ------------------------------------------------------------------------

void TColorManager::YCbCrToRGB8(uint8_t y, uint8_t cb, uint8_t cr, uint8_t rgb[3]) const {
  rgb[0] = ClampByte(y + crToRed_[cr]);
  rgb[1] = ClampByte(y + cbToGreen_[cb] + crToGreen_[cr]);
  rgb[2] = ClampByte(y + cbToBlue_[cb]);
}

void TColorManager::RowYCbCr(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask,
                             bool bgr) {
  if (!IsColourDepth(sourceBPS_) || !IsColourDepth(targetBPS_)) return;
  TSamples in(sources, 3, sourceBPS_ / 8, 3);
  auto* out = static_cast<uint8_t*>(target);
  const int tbytes = targetBPS_ / 8;
  const size_t step = TargetOptions.Contains(cvoAlpha) ? 4 : 3;
  const bool photoWide = sourceScheme_ == scPhotoYCC && sourceBPS_ == 16 && targetBPS_ == 16;
  uint8_t bit = 0x80;
  for (uint32_t i = 0; i < count; ++i, bit = NextBit(bit)) {
    if (!(mask & bit)) continue;
    uint16_t y = in.Get(0), cb = in.Get(1), cr = in.Get(2);
    in.Next();
    uint16_t result[3];
    if (photoWide) {
      const float luma = 1.3584f * static_cast<float>(y);
      const float c1 = static_cast<float>(cb) - 40092.0f;
      const float c2 = static_cast<float>(cr) - 35209.0f;
      const float rgb[3] = {luma + 1.8215f * c2, luma - 0.9271435f * c2 - 0.4302726f * c1, luma + 2.2179f * c1};
      for (int c = 0; c < 3; ++c)
        result[c] = static_cast<uint16_t>(std::clamp<long>(RoundEvenF(std::clamp(rgb[c], -1.0f, 70000.0f)), 0, 65535));
    } else {
      // 16-bit YCbCr goes through the 8-bit tables (reduced first, widened after).
      if (sourceBPS_ == 16) {
        y = MulDivWord(y, 255, 65535);
        cb = MulDivWord(cb, 255, 65535);
        cr = MulDivWord(cr, 255, 65535);
      }
      uint8_t rgb[3];
      YCbCrToRGB8(static_cast<uint8_t>(y), static_cast<uint8_t>(cb), static_cast<uint8_t>(cr), rgb);
      for (int c = 0; c < 3; ++c) result[c] = targetBPS_ == 16 ? static_cast<uint16_t>(rgb[c] * 257) : rgb[c];
    }
    for (int c = 0; c < 3; ++c) Put(out, i * step + (bgr ? 2 - c : c), tbytes, result[c]);
  }
}

void TColorManager::RowYCbCrToRGB(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowYCbCr(s, t, n, m, false);
}
void TColorManager::RowYCbCrToBGR(std::span<const void* const> s, void* t, uint32_t n, uint8_t m) {
  RowYCbCr(s, t, n, m, true);
}

// ---- palettes -----------------------------------------------------------------------------------

std::vector<PALETTEENTRY> TColorManager::ColorPaletteEntries(std::span<const void* const> data,
                                                             TPaletteLayout layout, uint32_t colorCount,
                                                             bool order) {
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
  uint32_t count = std::min<uint32_t>(colorCount, 256);
  const bool gamma = TargetOptions.Contains(cvoApplyGamma);
  const bool swap = SourceOptions.Contains(cvoSwapBytes);
  auto from8 = [&](uint8_t v) -> uint8_t { return gamma ? gammaTable_[v] : v; };
  auto from16 = [&](const uint8_t* p) -> uint8_t {
    uint16_t v = static_cast<uint16_t>(p[0] | p[1] << 8);
    if (swap) v = vcl::Swap16(v);
    const uint16_t r = MulDivWord(v, 255, 65535);
    return gamma ? gammaTable_[r] : static_cast<uint8_t>(r);
  };
  const bool planar = layout == plPlanar8x3 || layout == plPlanar8x4 || layout == plPlanar16x3 ||
                      layout == plPlanar16x4;
  const bool wide = layout >= plPacked16x3;
  if (data.empty() || (planar && data.size() < 3)) RaiseConversionError(kNoMethod);
  for (int i = 0; i < (planar ? 3 : 1); ++i)
    if (!data[i]) RaiseConversionError(kNoMethod);
  const int stride = (layout == plPacked8x4 || layout == plPacked16x4) ? 4 : 3;
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t s[3];
    for (int c = 0; c < 3; ++c) {
      const auto* base = static_cast<const uint8_t*>(data[planar ? c : 0]);
      const size_t index = planar ? i : static_cast<size_t>(i) * stride + c;
      s[c] = wide ? from16(base + index * 2) : from8(base[index]);
    }
    PALETTEENTRY& e = entries[i];
    if (planar) {
      e.peRed = s[0], e.peGreen = s[1], e.peBlue = s[2];
    } else {
      // 8-bit packed entries with the order flag are blue, green, red; 16-bit ones red, green, blue.
      const bool blueFirst = wide ? !order : order;
      e.peRed = s[blueFirst ? 2 : 0], e.peGreen = s[1], e.peBlue = s[blueFirst ? 0 : 2];
    }
  }
  if (targetBPS_ <= 8) {
    const uint32_t ms = (1u << sourceBPS_) - 1, mt = (1u << targetBPS_) - 1;
    if (ms != mt) {
      // Entries beyond the 256 a palette holds (sources above 8 bits) take the last one.
      auto fit = [&](uint32_t j) {
        entries[j] = entries[std::min<uint32_t>(MulDivWord(static_cast<uint16_t>(j), static_cast<uint16_t>(ms),
                                                           static_cast<uint16_t>(mt)),
                                                255)];
      };
      if (ms >= mt)
        for (uint32_t j = 0; j <= mt; ++j) fit(j);
      else
        for (uint32_t j = mt + 1; j-- > 0;) fit(j);
      count = mt + 1;
    }
  }
  entries.resize(count);
  return entries;
}

namespace {

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), 0);
  auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(entries.size());
  std::copy(entries.begin(), entries.end(), palette->palPalEntry);
  return CreatePalette(palette);
}

}  // namespace

HPALETTE TColorManager::BuildColorPalette(std::span<const void* const> data, TPaletteLayout layout,
                                          uint32_t colorCount, bool order) {
  return MakePalette(ColorPaletteEntries(data, layout, colorCount, order));
}

std::vector<PALETTEENTRY> TColorManager::GrayPaletteEntries(bool inverted) {
  const uint8_t depth = static_cast<uint8_t>(targetBPS_ * targetSPP_);
  const uint32_t n = 1u << std::min<uint8_t>(depth, 8);
  const uint32_t step = 255 / (n - 1);
  const bool gamma = TargetOptions.Contains(cvoApplyGamma);
  std::vector<PALETTEENTRY> entries(n);
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t grey = gamma ? gammaTable_[i * step] : static_cast<uint8_t>(i * step);
    entries[inverted ? n - 1 - i : i] = PALETTEENTRY{grey, grey, grey, 0};
  }
  return entries;
}

HPALETTE TColorManager::BuildGrayPalette(bool inverted) { return MakePalette(GrayPaletteEntries(inverted)); }

}  // namespace formats
