#include "skin/engine/png/colour_manager.h"
#include "vcl/runtime/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace skin::png {

namespace {

// (a * m) div n on 16-bit operands with a 32-bit product.
inline uint32_t Scale(uint32_t a, uint32_t m, uint32_t n) { return n ? uint16_t((a * m) / n) : 0; }
inline uint8_t ClampByte(double v) { return uint8_t(std::clamp(v, 0.0, 255.0)); }
inline int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) { return std::min(std::max(v, lo), hi); }
inline bool SchemeHasAlpha(TacColorScheme s) { return s == schGrayAlpha || s == schRGBA || s == schBGRA; }
inline bool Written(int32_t i, uint8_t mask) { return (mask >> (7 - (i & 7))) & 1; }

// Samples of one pixel after another, interleaved (one pointer) or planar (one per sample).
class SampleSource {
 public:
  SampleSource(const std::vector<const void*>& planes, int perPixel, bool wide, bool swap)
      : planes_(planes), perPixel_(perPixel), wide_(wide), swap_(swap), planar_(planes.size() > 1) {}
  // Sample k of the current pixel (0 when the plane is missing).
  uint32_t Get(int k) const {
    if (planar_) {
      if (size_t(k) >= planes_.size() || !planes_[k]) return 0;
      return Read(planes_[k], pixel_);
    }
    return Read(planes_[0], pixel_ * perPixel_ + k);
  }
  void Next() { ++pixel_; }

 private:
  uint32_t Read(const void* base, int64_t index) const {
    if (!wide_) return static_cast<const uint8_t*>(base)[index];
    uint16_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(base) + index * 2, 2);
    return swap_ ? vcl::Swap16(v) : v;
  }
  const std::vector<const void*>& planes_;
  int perPixel_;
  bool wide_, swap_, planar_;
  int64_t pixel_ = 0;
};

// Packed samples of 1 to 16 bits, most significant bits first.
uint32_t GetBits(const uint8_t* row, int64_t index, int bits) {
  if (bits == 8) return row[index];
  if (bits == 16) return uint32_t(row[index * 2]) << 8 | row[index * 2 + 1];
  int64_t bit = index * bits;
  uint32_t v = 0;
  for (int k = 0; k < bits; ++k, ++bit) v = v << 1 | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
  return v;
}

void PutBits(uint8_t* row, int64_t index, int bits, uint32_t v) {
  if (bits == 8) {
    row[index] = uint8_t(v);
    return;
  }
  int64_t bit = index * bits;
  for (int k = bits - 1; k >= 0; --k, ++bit) {
    const uint8_t m = uint8_t(0x80 >> (bit & 7));
    if ((v >> k) & 1) row[bit >> 3] |= m;
    else row[bit >> 3] &= uint8_t(~m);
  }
}

void PutWord(void* target, int64_t index, uint32_t v) {
  const uint16_t w = uint16_t(v);
  std::memcpy(static_cast<uint8_t*>(target) + index * 2, &w, 2);
}

uint16_t GetWord(const void* source, int64_t index) {
  uint16_t w;
  std::memcpy(&w, static_cast<const uint8_t*>(source) + index * 2, 2);
  return w;
}

[[noreturn]] void NoConverter() {
  throw EColorConversionError("Color conversion failed. Could not find a proper method.");
}

}  // namespace

TColorManager::TColorManager() { SetGamma(1.0f, 2.2f); }

void TColorManager::SetSourceBitsPerSample(uint8_t value) {
  if (value == 0 || value > 16)
    throw EColorConversionError("Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
  if (value != sourceBits_) sourceBits_ = value, changed_ = true;
}

void TColorManager::SetTargetBitsPerSample(uint8_t value) {
  if (value == 0 || value > 16)
    throw EColorConversionError("Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
  if (value != targetBits_) targetBits_ = value, changed_ = true;
}

void TColorManager::SetSourceSamplesPerPixel(uint8_t value) {
  if (value == 0 || value > 4)
    throw EColorConversionError("Sample count per pixel does not correspond to the given color scheme.");
  if (value != sourceSamples_) sourceSamples_ = value, changed_ = true;
}

void TColorManager::SetTargetSamplesPerPixel(uint8_t value) {
  if (value == 0 || value > 4)
    throw EColorConversionError("Sample count per pixel does not correspond to the given color scheme.");
  if (value != targetSamples_) targetSamples_ = value, changed_ = true;
}

void TColorManager::SetSourceColorScheme(TacColorScheme value) {
  if (value != sourceScheme_) sourceScheme_ = value, changed_ = true;
}

void TColorManager::SetTargetColorScheme(TacColorScheme value) {
  if (value != targetScheme_) targetScheme_ = value, changed_ = true;
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  // Every user of the table looks up 8-bit values (8-bit samples, 16-bit samples reduced to 8
  // bits, palette levels), so it always maps 0..255 to 0..255, whatever depths are set.
  const double e = 1.0 / (double(mainGamma_) * double(displayGamma_));
  for (int i = 0; i < 256; ++i) gamma_[i] = ClampByte(std::nearbyint(std::pow(i / 255.0, e) * 255.0));
}

void TColorManager::ConvertRow(const std::vector<const void*>& source, void* target, int32_t count, uint8_t mask) {
  if (changed_) ChooseConverter();
  if (!converter_) NoConverter();
  if (count <= 0 || source.empty() || !source[0] || !target) return;
  (this->*converter_)(source, target, count, mask);
}

void TColorManager::ChooseConverter() {
  converter_ = nullptr;
  const bool sourceIndexed = sourceScheme_ == schIndexed || sourceScheme_ == schGray || sourceScheme_ == schGrayAlpha;
  const bool targetIndexed = targetScheme_ == schIndexed || targetScheme_ == schGray;
  if (sourceIndexed != targetIndexed)
    throw EColorConversionError("Conversion between indexed and non-indexed pixel formats is not supported.");
  SourceOptions = SchemeHasAlpha(sourceScheme_) ? (SourceOptions | optAlpha) : (SourceOptions & ~optAlpha);
  TargetOptions = SchemeHasAlpha(targetScheme_) ? (TargetOptions | optAlpha) : (TargetOptions & ~optAlpha);
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool toRGB = targetScheme_ == schRGB || targetScheme_ == schRGBA;
  const bool toBGR = targetScheme_ == schBGR || targetScheme_ == schBGRA;
  switch (sourceScheme_) {
    case schIndexed:
      converter_ = s16 && t16 ? &TColorManager::RowIndexed16
                   : s16      ? &TColorManager::RowIndexed16ToLow
                   : t16      ? &TColorManager::RowIndexedLowTo16
                              : &TColorManager::RowIndexed;
      break;
    case schGray:
      if (!s16 && !t16) converter_ = &TColorManager::RowIndexed;
      else if (sourceBits_ >= 8 && targetBits_ >= 8) converter_ = &TColorManager::RowGray;
      break;
    case schGrayAlpha:
      if ((sourceBits_ == 8 || s16) && (targetBits_ == 8 || t16)) converter_ = &TColorManager::RowGray;
      break;
    case schRGB:
    case schRGBA:
      if (toRGB) converter_ = &TColorManager::RowRGBToRGB;
      else if (toBGR) converter_ = &TColorManager::RowRGBToBGR;
      break;
    case schBGR:
    case schBGRA:
      if (toRGB) converter_ = &TColorManager::RowBGRToRGB;
      else if (toBGR) converter_ = &TColorManager::RowBGRToBGR;
      break;
    case schCMYK:
      if (toRGB) converter_ = &TColorManager::RowCMYKToRGB;
      else if (toBGR) converter_ = &TColorManager::RowCMYKToBGR;
      break;
    case schCIELab:
      if (toRGB) converter_ = &TColorManager::RowLabToRGB;
      else if (toBGR) converter_ = &TColorManager::RowLabToBGR;
      break;
    case schYCbCr:
    case schPhotoYCC:
      BuildYCbCrTables();
      if (sourceScheme_ == schYCbCr) {
        if (toRGB) converter_ = &TColorManager::RowYCbCrToRGB;
        else if (toBGR) converter_ = &TColorManager::RowYCbCrToBGR;
      } else {
        if (toRGB) converter_ = &TColorManager::RowPhotoYCCToRGB;
        else if (toBGR) converter_ = &TColorManager::RowPhotoYCCToBGR;
      }
      break;
    default:
      break;
  }
  changed_ = false;
}

void TColorManager::BuildYCbCrTables() {
  const float r = yCbCrCoefficients_[0], g = yCbCrCoefficients_[1], b = yCbCrCoefficients_[2];
  const float cr = 2 - 2 * r, cb = 2 - 2 * b;
  const int oR = sourceScheme_ == schPhotoYCC ? 137 : 128;
  const int oB = sourceScheme_ == schPhotoYCC ? 156 : 128;
  const float crg = r * cr / g, cbg = b * cb / g;
  for (int i = 0; i < 256; ++i) {
    crToRed_[i] = int32_t(std::nearbyint(cr * float(i - oR)));
    cbToBlue_[i] = int32_t(std::nearbyint(cb * float(i - oB)));
    crToGreen_[i] = -int32_t(std::nearbyint(crg * float(i - oR)));
    cbToGreen_[i] = -int32_t(std::nearbyint(cbg * float(i - oB)));
  }
}

// ---- indexed and grey rows

void TColorManager::RowIndexed(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask) {
  const uint8_t* src = static_cast<const uint8_t*>(s[0]);
  uint8_t* dst = static_cast<uint8_t*>(t);
  const int sb = sourceBits_, tb = targetBits_;
  if (sb == tb && mask == 0xFF) {
    std::memcpy(dst, src, size_t((int64_t(count) * sb + 7) / 8));
    return;
  }
  const uint32_t sMax = (1u << sb) - 1, tMax = (1u << tb) - 1;
  int64_t j = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    PutBits(dst, i, tb, sb == tb ? GetBits(src, j, sb) : Scale(GetBits(src, j, sb), tMax, sMax));
    ++j;
  }
}

void TColorManager::RowIndexed16(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask) {
  const bool swap = SourceOptions & optSwap16;
  if (mask == 0xFF && !swap) {
    std::memcpy(t, s[0], size_t(count) * 2);
    return;
  }
  int64_t j = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    const uint16_t v = GetWord(s[0], j++);
    PutWord(t, i, swap ? vcl::Swap16(v) : v);
  }
}

void TColorManager::RowIndexed16ToLow(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask) {
  const bool swap = SourceOptions & optSwap16;
  const int tb = std::min<int>(targetBits_, 8);
  const uint32_t tMax = (1u << tb) - 1;
  int64_t j = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    uint16_t v = GetWord(s[0], j++);
    if (swap) v = vcl::Swap16(v);
    PutBits(static_cast<uint8_t*>(t), i, tb, Scale(v, tMax, 65535));
  }
}

void TColorManager::RowIndexedLowTo16(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask) {
  const bool swap = SourceOptions & optSwap16;
  const int sb = std::min<int>(sourceBits_, 8);
  const uint32_t sMax = (1u << sb) - 1;
  int64_t j = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    uint16_t v = uint16_t(Scale(GetBits(static_cast<const uint8_t*>(s[0]), j++, sb), 65535, sMax));
    PutWord(t, i, swap ? vcl::Swap16(v) : v);
  }
}

void TColorManager::RowGray(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask) {
  const bool swap = SourceOptions & optSwap16;
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  SampleSource source(s, sourceScheme_ == schGrayAlpha ? 2 : 1, s16, swap);
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    uint32_t v = source.Get(0);
    source.Next();
    if (s16 && !t16) static_cast<uint8_t*>(t)[i] = uint8_t(Scale(v, 255, 65535));
    else if (!s16 && t16) PutWord(t, i, Scale(v, 65535, 255));
    else if (s16) PutWord(t, i, v);
    else static_cast<uint8_t*>(t)[i] = uint8_t(v);
  }
}

// ---- RGB and BGR rows

void TColorManager::RowColour(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask,
                              bool sourceRedFirst, bool targetRedFirst) {
  const bool swap = SourceOptions & optSwap16;
  const bool gamma = TargetOptions & optGamma;
  const bool s16 = sourceBits_ >= 16, t16 = targetBits_ >= 16;
  const bool sAlpha = SchemeHasAlpha(sourceScheme_), tAlpha = SchemeHasAlpha(targetScheme_);
  const int tPer = tAlpha ? 4 : 3;
  SampleSource source(s, sAlpha ? 4 : 3, s16, swap);
  auto colour = [&](uint32_t v) -> uint32_t {
    if (s16 && !t16) {
      v = Scale(v, 255, 65535);
      return gamma ? gamma_[v] : v;
    }
    if (!s16 && t16) {
      if (gamma) v = gamma_[v & 0xFF];
      v = Scale(v, 65535, 255);
      return swap ? vcl::Swap16(uint16_t(v)) : v;
    }
    if (!s16) return gamma ? gamma_[v & 0xFF] : v;
    return v;  // 16 -> 16: swapped on reading when asked
  };
  auto alpha = [&](uint32_t v) -> uint32_t {
    if (s16 && !t16) return Scale(v, 255, 65535);
    if (!s16 && t16) {
      v = Scale(v, 65535, 255);
      return swap ? vcl::Swap16(uint16_t(v)) : v;
    }
    return v;
  };
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    const uint32_t first = source.Get(0), green = source.Get(1), third = source.Get(2);
    const uint32_t red = sourceRedFirst ? first : third, blue = sourceRedFirst ? third : first;
    uint32_t out[4] = {colour(targetRedFirst ? red : blue), colour(green), colour(targetRedFirst ? blue : red), 0};
    const bool copyAlpha = sAlpha && tAlpha;
    if (copyAlpha) out[3] = alpha(source.Get(3));
    source.Next();
    const int n = copyAlpha ? 4 : 3;
    for (int k = 0; k < n; ++k) {
      if (t16) PutWord(t, int64_t(i) * tPer + k, out[k]);
      else static_cast<uint8_t*>(t)[int64_t(i) * tPer + k] = uint8_t(out[k]);
    }
  }
}

void TColorManager::RowRGBToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowColour(s, t, c, m, true, true); }
void TColorManager::RowRGBToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowColour(s, t, c, m, true, false); }
void TColorManager::RowBGRToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowColour(s, t, c, m, false, true); }
void TColorManager::RowBGRToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowColour(s, t, c, m, false, false); }

// Writes red, green, blue of one pixel in the target's order and depth (no alpha).
static void PutColour(void* t, int32_t i, int per, bool t16, bool redFirst, uint32_t r, uint32_t g, uint32_t b) {
  const uint32_t out[3] = {redFirst ? r : b, g, redFirst ? b : r};
  for (int k = 0; k < 3; ++k) {
    if (t16) PutWord(t, int64_t(i) * per + k, out[k]);
    else static_cast<uint8_t*>(t)[int64_t(i) * per + k] = uint8_t(out[k]);
  }
}

// ---- CMYK

void TColorManager::RowCMYK(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool redFirst) {
  const bool s16 = sourceBits_ >= 16, t16 = targetBits_ >= 16;
  const int per = SchemeHasAlpha(targetScheme_) ? 4 : 3;
  // Planar only with exactly four planes.
  std::vector<const void*> planes = s.size() == 4 ? s : std::vector<const void*>{s[0]};
  SampleSource source(planes, 4, s16, SourceOptions & optSwap16);
  auto channel = [&](uint32_t x, uint32_t k) -> uint32_t {
    if (!s16) {
      const uint32_t v = uint32_t(ClampInt(255 - int32_t(x + k - x * k / 255), 0, 255));
      return t16 ? Scale(v, 65535, 255) : v;
    }
    if (t16) return uint16_t(65535 - (x + k - x * k / 65535));
    const uint32_t p = x * k / 65535;
    return uint32_t(ClampInt(255 - int32_t(uint64_t(x + k - p) * 255 / 65535), 0, 255));
  };
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    const uint32_t c = source.Get(0), m = source.Get(1), y = source.Get(2), k = source.Get(3);
    source.Next();
    PutColour(t, i, per, t16, redFirst, channel(c, k), channel(m, k), channel(y, k));
  }
}

void TColorManager::RowCMYKToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowCMYK(s, t, c, m, true); }
void TColorManager::RowCMYKToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowCMYK(s, t, c, m, false); }

// ---- CIE L*a*b*

void TColorManager::RowLab(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool redFirst) {
  const bool s16 = sourceBits_ >= 16, t16 = targetBits_ >= 16;
  const int per = SchemeHasAlpha(targetScheme_) ? 4 : 3;
  const bool planar = s.size() > 1;
  const bool offset = SourceOptions & optLabOffset128;
  const bool range255 = SourceOptions & optLabRange255;
  const bool swap = SourceOptions & optSwap16;
  SampleSource source(s, 3, s16, swap);
  // The a* or b* value of sample k: offset by 128, or a signed byte (of a 16-bit sample, its first byte).
  auto chroma = [&](int k) -> double {
    if (offset) return double(source.Get(k)) - 128.0;
    if (!s16) return double(int8_t(uint8_t(source.Get(k))));
    const void* base = planar ? s[k] : s[0];
    if (!base) return 0;
    return double(int8_t(static_cast<const uint8_t*>(base)[(planar ? 0 : k) * 2]));
  };
  int64_t pixel = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    double L = source.Get(0);
    if (range255) L /= 2.55;
    double a, b;
    if (!s16 || offset) {
      a = chroma(1);
      b = chroma(2);
    } else {
      // The first byte of each 16-bit sample of this pixel, read as signed.
      auto first = [&](int k) -> double {
        const uint8_t* base = static_cast<const uint8_t*>(planar ? s[size_t(k) < s.size() ? k : 0] : s[0]);
        const int64_t index = planar ? pixel : pixel * 3 + k;
        return double(int8_t(base[index * 2]));
      };
      a = first(1);
      b = first(2);
    }
    source.Next();
    ++pixel;
    double X, Y, Z;
    if (L < 7.9996) {
      Y = L / 903.3;
      X = Y + a / 3893.5;
      Z = Y - b / 1557.4;
    } else {
      const double f = (L + 16) / 116;
      X = std::pow(f + a / 500, 3);
      Y = f * f * f;
      Z = std::pow(f - b / 200, 3);
    }
    const double blue = 255 * (0.099 * X - 0.198 * Y + 1.099 * Z);
    const double green = 255 * (-0.952 * X + 1.893 * Y + 0.059 * Z);
    const double red = 255 * (2.998 * X - 1.458 * Y - 0.541 * Z);
    uint32_t rgb[3] = {ClampByte(std::nearbyint(red)), ClampByte(std::nearbyint(green)), ClampByte(std::nearbyint(blue))};
    if (t16 && !s16)
      for (uint32_t& v : rgb) v = Scale(v, 65535, 255);
    PutColour(t, i, per, t16, redFirst, rgb[0], rgb[1], rgb[2]);
  }
}

void TColorManager::RowLabToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowLab(s, t, c, m, true); }
void TColorManager::RowLabToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowLab(s, t, c, m, false); }

// ---- YCbCr and Photo YCC

void TColorManager::RowYCC(const std::vector<const void*>& s, void* t, int32_t count, uint8_t mask, bool redFirst) {
  const bool s16 = sourceBits_ >= 16, t16 = targetBits_ >= 16;
  const int per = SchemeHasAlpha(targetScheme_) ? 4 : 3;
  SampleSource source(s, 3, s16, SourceOptions & optSwap16);
  for (int32_t i = 0; i < count; ++i) {
    if (!Written(i, mask)) continue;
    uint32_t y = source.Get(0), cb = source.Get(1), cr = source.Get(2);
    source.Next();
    if (s16 && t16) {
      const double yy = y * 1.3584, c1 = double(cb) - 40092, c2 = double(cr) - 35209;
      const auto word = [](double v) { return uint32_t(uint16_t(int64_t(std::nearbyint(v)))); };
      PutColour(t, i, per, true, redFirst, word(yy + 1.8215 * c2), word(yy - 0.9271435 * c2 - 0.4302726 * c1),
                word(yy + 2.2179 * c1));
      continue;
    }
    if (s16) y = Scale(y, 255, 65535), cb = Scale(cb, 255, 65535), cr = Scale(cr, 255, 65535);
    uint32_t red = uint32_t(ClampInt(int32_t(y) + crToRed_[cr & 0xFF], 0, 255));
    uint32_t green = uint32_t(ClampInt(int32_t(y) + cbToGreen_[cb & 0xFF] + crToGreen_[cr & 0xFF], 0, 255));
    uint32_t blue = uint32_t(ClampInt(int32_t(y) + cbToBlue_[cb & 0xFF], 0, 255));
    if (t16) red = Scale(red, 65535, 255), green = Scale(green, 65535, 255), blue = Scale(blue, 65535, 255);
    PutColour(t, i, per, t16, redFirst, red, green, blue);
  }
}

void TColorManager::RowYCbCrToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowYCC(s, t, c, m, true); }
void TColorManager::RowYCbCrToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowYCC(s, t, c, m, false); }
void TColorManager::RowPhotoYCCToRGB(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowYCC(s, t, c, m, true); }
void TColorManager::RowPhotoYCCToBGR(const std::vector<const void*>& s, void* t, int32_t c, uint8_t m) { RowYCC(s, t, c, m, false); }

// ---- pixel formats and palettes

vcl::TPixelFormat TColorManager::PixelFormatFor(bool targetSide) const {
  const int samples = targetSide ? targetSamples_ : sourceSamples_;
  const int bits = targetSide ? targetBits_ : sourceBits_;
  switch (samples) {
    case 1:
      if (bits == 1) return vcl::pf1bit;
      if (bits >= 2 && bits <= 4) return vcl::pf4bit;
      if (bits >= 8) return vcl::pf8bit;
      return vcl::pfCustom;
    case 3: return bits <= 5 ? vcl::pf15bit : vcl::pf24bit;
    case 4: return bits >= 8 ? vcl::pf32bit : vcl::pfCustom;
    default: return vcl::pfCustom;
  }
}

static HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::max<size_t>(entries.size(), 1));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(entries.size());
  std::copy(entries.begin(), entries.end(), log->palPalEntry);
  return CreatePalette(log);
}

std::vector<PALETTEENTRY> TColorManager::GrayPaletteEntries(bool minIsWhite) const {
  const int n = 1 << std::min(int(targetBits_) * int(targetSamples_), 8);
  const int step = 255 / (n - 1);
  const bool gamma = TargetOptions & optGamma;
  std::vector<PALETTEENTRY> entries(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    uint8_t level = uint8_t(step * i);
    if (gamma) level = gamma_[level];
    entries[size_t(minIsWhite ? n - 1 - i : i)] = PALETTEENTRY{level, level, level, 0};
  }
  return entries;
}

HPALETTE TColorManager::CreateGrayPalette(bool minIsWhite) const { return MakePalette(GrayPaletteEntries(minIsWhite)); }

std::vector<PALETTEENTRY> TColorManager::ColorPaletteEntries(const std::vector<const void*>& data, int32_t dataFormat,
                                                             int32_t colorCount, bool flagBGR) const {
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
  const int count = std::clamp(colorCount, 0, 256);
  const bool gamma = TargetOptions & optGamma;
  const bool swap = SourceOptions & optSwap16;
  auto g8 = [&](uint32_t v) { return uint8_t(gamma ? gamma_[v & 0xFF] : v); };
  auto g16 = [&](uint16_t v) { return g8(Scale(swap ? vcl::Swap16(v) : v, 255, 65535)); };
  auto plane = [&](size_t k) -> const void* { return k < data.size() ? data[k] : nullptr; };
  if (!data.empty() && data[0]) {
    for (int n = 0; n < count; ++n) {
      PALETTEENTRY& e = entries[size_t(n)];
      switch (dataFormat) {
        case pdf8Triples:
        case pdf8Quads: {
          const uint8_t* p = static_cast<const uint8_t*>(data[0]) + n * (dataFormat == pdf8Triples ? 3 : 4);
          e.peRed = g8(flagBGR ? p[2] : p[0]);
          e.peGreen = g8(p[1]);
          e.peBlue = g8(flagBGR ? p[0] : p[2]);
          break;
        }
        case pdf8Planar3:
        case pdf8Planar4:
          if (plane(1) && plane(2)) {
            e.peRed = g8(static_cast<const uint8_t*>(plane(0))[n]);
            e.peGreen = g8(static_cast<const uint8_t*>(plane(1))[n]);
            e.peBlue = g8(static_cast<const uint8_t*>(plane(2))[n]);
          }
          break;
        case pdf16Triples:
        case pdf16Quads: {
          const int64_t at = int64_t(n) * (dataFormat == pdf16Triples ? 3 : 4);
          const uint16_t a = GetWord(data[0], at), b = GetWord(data[0], at + 1), c = GetWord(data[0], at + 2);
          // 16-bit data is red first when the flag is set, blue first when it is clear.
          e.peRed = g16(flagBGR ? a : c);
          e.peGreen = g16(b);
          e.peBlue = g16(flagBGR ? c : a);
          break;
        }
        case pdf16Planar3:
        case pdf16Planar4:
          if (plane(1) && plane(2)) {
            e.peRed = g16(GetWord(plane(0), n));
            e.peGreen = g16(GetWord(plane(1), n));
            e.peBlue = g16(GetWord(plane(2), n));
          }
          break;
        default:
          break;
      }
    }
  }
  size_t used = size_t(count);
  // Colours of fewer bits spread over a deeper palette: 2-bit colours in a 4-bit palette fill
  // entries 0-4, 5-9, 10-14 and 15.
  const uint32_t s = (1u << sourceBits_) - 1, t = (1u << targetBits_) - 1;
  if (targetBits_ <= 8 && s != t) {
    auto from = [&](uint32_t n) { return entries[std::min<uint32_t>(uint32_t(uint64_t(n) * s / t), 255)]; };
    if (s < t)
      for (int64_t n = t; n >= 0; --n) entries[size_t(n)] = from(uint32_t(n));
    else
      for (uint32_t n = 0; n <= t; ++n) entries[n] = from(n);
    used = t + 1;
  }
  entries.resize(used);
  return entries;
}

HPALETTE TColorManager::CreateColorPalette(const std::vector<const void*>& data, int32_t dataFormat, int32_t colorCount,
                                           bool flagBGR) const {
  return MakePalette(ColorPaletteEntries(data, dataFormat, colorCount, flagBGR));
}

}  // namespace skin::png
