#include "imaging/model/blend_operations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "imaging/base/cosine_ramp.h"
#include "imaging/base/defs.h"
#include "imaging/model/routines/colour_routines.h"

namespace imaging {

namespace {

inline int32_t Clamp255(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Entry s of the cosine ramp; the ramp is filled by the shared start-up, and again here when a
// renderer runs before it.
int32_t Cosine(int32_t i) {
  static std::once_flag built;
  std::call_once(built, [] {
    if (CosineRamp[255] != 128) BuildCosineTable();
  });
  return CosineRamp[i];
}

int32_t ComputeChannel(uint8_t operation, int32_t s, int32_t d) {
  switch (operation) {
    case ieopCopy: return s;
    case ieopAdd: return Clamp255(d + s);
    case ieopDifference: return std::abs(d - s);
    case ieopDivide: return d / std::max(s, 1);
    case ieopMultiply: return (s * d) >> 8;
    case ieopOr: return d | s;
    case ieopAnd: return d & s;
    case ieopXor: return d ^ s;
    case ieopMax: return std::max(d, s);
    case ieopMin: return std::min(d, s);
    case ieopAverage: return (d + s) >> 1;
    case ieopScreen: return static_cast<int32_t>(255.0 - (255 - d) * (255 - s) / 255.0);
    case ieopNegation: return 255 - std::abs(255 - s - d);
    case ieopExclusion: return d + s - (s * d) / 128;
    case ieopOverlay: return d < 128 ? (s * d) >> 7 : 255 - (((255 - d) * (255 - s)) >> 7);
    case ieopHardLight: return s < 128 ? (s * d) >> 7 : 255 - (((255 - s) * (255 - d)) >> 7);
    case ieopSoftLight: {
      double a = s / 255.0, b = d / 255.0;
      double r = a >= 0.5 ? std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a) : b * b * (1 - 2 * a) + 2 * a * b;
      return static_cast<int32_t>(r * 255);
    }
    case ieopSoftLight2: {
      int32_t m = (s * d) >> 8, k = ((255 - d) * (255 - s)) >> 8;
      return m + (((255 - k - m) * d) >> 8);
    }
    case ieopColorDodge: return s == 255 ? 255 : std::min(255, (d * 256) / (255 - s));
    case ieopColorBurn: return s == 0 ? 0 : std::max(0, 255 - ((255 - d) * 256) / s);
    case ieopInverseColorDodge: return d == 255 ? 255 : std::min(255, (s * 256) / (255 - d));
    case ieopInverseColorBurn: return d == 0 ? 0 : std::max(0, 255 - ((255 - s) * 256) / d);
    case ieopSoftDodge:
      if (s + d < 256) return s == 255 ? 255 : std::min(255, (d * 128) / (255 - s));
      return std::max(0, 255 - ((255 - s) * 128) / d);
    case ieopSoftBurn:
      if (s + d < 256) return d == 255 ? 255 : std::min(255, (s * 128) / (255 - d));
      return std::max(0, 255 - ((255 - d) * 128) / s);
    case ieopReflect: return s == 255 ? 255 : std::min(255, d * d / (255 - s));
    case ieopGlow: return d == 255 ? 255 : std::min(255, s * s / (255 - d));
    case ieopFreeze: return s == 0 ? 0 : std::max(0, 255 - (255 - d) * (255 - d) / s);
    case ieopHeat: return d == 0 ? 0 : std::max(0, 255 - (255 - s) * (255 - s) / d);
    case ieopLinearBurn: return Clamp255(d + s - 256);
    case ieopCosineSum: return std::min(255, Cosine(s) + Cosine(d));
    case ieopStamp: return Clamp255(d + 2 * s - 256);
    default: return d;
  }
}

// One 256 x 256 table per channel operation (index s * 256 + d), made on first use.
const uint8_t* ChannelTable(uint8_t operation) {
  static std::array<std::once_flag, ieopStamp + 1> built;
  static std::array<std::unique_ptr<uint8_t[]>, ieopStamp + 1> tables;
  std::call_once(built[operation], [operation] {
    auto table = std::make_unique<uint8_t[]>(65536);
    for (int32_t s = 0; s < 256; ++s)
      for (int32_t d = 0; d < 256; ++d) table[s * 256 + d] = static_cast<uint8_t>(ComputeChannel(operation, s, d));
    tables[operation] = std::move(table);
  });
  return tables[operation].get();
}

double Hue(const TRGB& p, double& saturation, double& lightness) {
  double hue;
  RGBToHSL(PackRGB(p), hue, saturation, lightness);
  return hue;
}

// Hue, saturation and lightness each taken from the source (true) or the destination.
void BlendHSL(const TRGB& s, const TRGB& d, TRGB& out, bool hueOfSource, bool saturationOfSource,
              bool lightnessOfSource) {
  double sh, ss, sl, dh, ds, dl;
  sh = Hue(s, ss, sl);
  dh = Hue(d, ds, dl);
  HSLToRGB(hueOfSource ? sh : dh, saturationOfSource ? ss : ds, lightnessOfSource ? sl : dl, out);
}

uint8_t RoundClamp(double v) { return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

// Red from the destination's view, green and blue from the source's, with the colour
// corrections of the optimised anaglyph.
void OptimizedAnaglyph(const TRGB& s, const TRGB& d, TRGB& out) {
  double dR = d.r, dG = d.g, dB = d.b, sR = s.r, sG = s.g, sB = s.b;
  uint8_t r = RoundClamp(0.4561 * dR + 0.500484 * dG + 0.176381 * dB - 0.0434706 * sR - 0.0879388 * sG -
                         0.00155529 * sB);
  uint8_t g = RoundClamp(-0.0400822 * dR - 0.0378246 * dG - 0.0157589 * dB + 0.378476 * sR + 0.73364 * sG -
                         0.0184503 * sB);
  uint8_t b = RoundClamp(-0.0152161 * dR - 0.0205971 * dG - 0.00546856 * dB - 0.0721527 * sR - 0.112961 * sG +
                         1.2264 * sB);
  out = TRGB{b, g, r};
}

}  // namespace

uint8_t BlendChannel(uint8_t operation, int32_t s, int32_t d) {
  if (!IsChannelOperation(operation)) return static_cast<uint8_t>(d);
  return ChannelTable(operation)[(s & 255) * 256 + (d & 255)];
}

void BlendPixels(uint8_t operation, const TRGB* source, const TRGB* dest, TRGB* out, int32_t count,
                 int32_t destRow) {
  if (count <= 0) return;
  if (IsChannelOperation(operation)) {
    const uint8_t* table = ChannelTable(operation);
    for (int32_t i = 0; i < count; ++i) {
      const TRGB s = source[i], d = dest[i];
      out[i] = TRGB{table[s.b * 256 + d.b], table[s.g * 256 + d.g], table[s.r * 256 + d.r]};
    }
    return;
  }
  switch (operation) {
    case ieopRedOnly:
      for (int32_t i = 0; i < count; ++i) out[i] = TRGB{dest[i].b, dest[i].g, source[i].r};
      return;
    case ieopGreenOnly:
      for (int32_t i = 0; i < count; ++i) out[i] = TRGB{dest[i].b, source[i].g, dest[i].r};
      return;
    case ieopBlueOnly:
      for (int32_t i = 0; i < count; ++i) out[i] = TRGB{source[i].b, dest[i].g, dest[i].r};
      return;
    case ieopHue:
    case ieopSaturation:
    case ieopColor:
    case ieopHueLightness: {
      // Which of hue, saturation and lightness come from the source.
      static constexpr bool kFromSource[4][3] = {
          {true, false, false}, {false, true, false}, {true, true, false}, {true, false, true}};
      const bool* from = kFromSource[operation - ieopHue];
      for (int32_t i = 0; i < count; ++i) BlendHSL(source[i], dest[i], out[i], from[0], from[1], from[2]);
      return;
    }
    case ieopGrayAnaglyph:
      for (int32_t i = 0; i < count; ++i) {
        const TRGB s = source[i], d = dest[i];
        auto left = static_cast<uint8_t>(GrayLevel(d.r, d.g, d.b));
        auto right = static_cast<uint8_t>(GrayLevel(s.r, s.g, s.b));
        out[i] = TRGB{right, right, left};
      }
      return;
    case ieopColorAnaglyph:
      for (int32_t i = 0; i < count; ++i) out[i] = TRGB{source[i].b, source[i].g, dest[i].r};
      return;
    case ieopOptimizedAnaglyph:
      for (int32_t i = 0; i < count; ++i) OptimizedAnaglyph(source[i], dest[i], out[i]);
      return;
    case ieopEvenRows:
    case ieopOddRows: {
      bool takeSource = (destRow % 2 == 0) == (operation == ieopEvenRows);
      const TRGB* from = takeSource ? source : dest;
      if (from != out) std::copy(from, from + count, out);
      return;
    }
    default:
      if (dest != out) std::copy(dest, dest + count, out);
      return;
  }
}

}  // namespace imaging
