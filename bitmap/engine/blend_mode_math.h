// The 27 blend modes' arithmetic, written once over a lanes type (see lanes.h). The per-pixel
// combiners instantiate it for one pixel, the row kernels for a vector of pixels, so both
// compute the same bits by construction.
//
// Every mode mixes B towards the mode value x by the weight c = (F alpha * master) >> 8:
// new = b + floor((x - b) * c / 256).
//
// Every product here multiplies two values within -255..256, at least one of them
// non-negative; L::Mul may rely on that (the vector lanes use a 16-bit multiply-add).
#pragma once

#include <cstdint>

#include "bitmap/engine/hsl_math.h"

namespace bitmap::lanes {

// Mode indexes, in the order of the blend-mode list.
enum BlendModeId : int {
  kNormal, kMultiply, kScreen, kOverlay, kReflect, kSoftLight, kBrightLight, kHardLight,
  kColorDodge, kColorBurn, kLighten, kDarken, kAdditive, kSubtractive, kAverage, kDifference,
  kExclusion, kNegation, kGlow, kHeat, kFreeze, kRed, kGreen, kBlue, kHue, kSaturation,
  kLightness, kBlendModeCount
};

template <class L>
struct BlendModeMath {
  using I = typename L::Int;
  using P = typename L::Pixel;

  static I K(int32_t v) { return L::Splat(v); }

  // The mode value x of one channel, for the modes that treat each channel alike.
  template <int Mode>
  static I Value(I f, I b) {
    const I k255 = K(255);
    if constexpr (Mode == kNormal) {
      return f;
    } else if constexpr (Mode == kMultiply) {
      return L::Mul(b, f) >> 8;
    } else if constexpr (Mode == kScreen) {
      return k255 - (L::Mul(k255 - b, k255 - f) >> 8);
    } else if constexpr (Mode == kOverlay) {
      return L::Select(b < K(128), L::Mul(b, f) >> 7, k255 - (L::Mul(k255 - b, k255 - f) >> 7));
    } else if constexpr (Mode == kReflect) {
      const I d = L::Max(k255 - f, K(1));  // f = 255 takes the fixed value below
      return L::Select(f == k255, k255, L::Min(k255, L::Div(L::Mul(b, b), d)));
    } else if constexpr (Mode == kSoftLight) {
      const I m = L::Mul(b, f) >> 8;
      const I s = k255 - (L::Mul(k255 - b, k255 - f) >> 8);
      return m + (L::Mul(s - m, b) >> 8);
    } else if constexpr (Mode == kBrightLight) {
      return L::SqrtRound(L::Mul(f, b));
    } else if constexpr (Mode == kHardLight) {
      return L::Select(f < K(128), L::Mul(b, f) >> 7, k255 - (L::Mul(k255 - f, k255 - b) >> 7));
    } else if constexpr (Mode == kColorDodge) {
      const I d = L::Max(k255 - f, K(1));
      return L::Select(f == k255, k255, L::Min(k255, L::Div(b << 8, d)));
    } else if constexpr (Mode == kColorBurn) {
      const I d = L::Max(f, K(1));
      return L::Select(f == K(0), K(0), L::Max(K(0), k255 - L::Div((k255 - b) << 8, d)));
    } else if constexpr (Mode == kLighten) {
      return L::Max(f, b);
    } else if constexpr (Mode == kDarken) {
      return L::Min(f, b);
    } else if constexpr (Mode == kAdditive) {
      return L::Min(k255, f + b);
    } else if constexpr (Mode == kSubtractive) {
      return L::Max(K(0), f + b - K(256));
    } else if constexpr (Mode == kAverage) {
      return (f + b) >> 1;
    } else if constexpr (Mode == kDifference) {
      return L::Abs(b - f);
    } else if constexpr (Mode == kExclusion) {
      return b + f - (L::Mul(b, f) >> 7);
    } else if constexpr (Mode == kNegation) {
      return k255 - L::Abs(k255 - b - f);
    } else if constexpr (Mode == kGlow) {
      const I d = L::Max(k255 - b, K(1));
      return L::Select(b == k255, k255, L::Min(k255, L::Div(L::Mul(f, f), d)));
    } else if constexpr (Mode == kHeat) {
      const I d = L::Max(b, K(1));
      return L::Select(b == K(0), K(0), k255 - L::Min(k255, L::Div(L::Mul(k255 - f, k255 - f), d)));
    } else if constexpr (Mode == kFreeze) {
      const I d = L::Max(f, K(1));
      return L::Select(f == K(0), K(0), k255 - L::Min(k255, L::Div(L::Mul(k255 - b, k255 - b), d)));
    } else {
      static_assert(Mode < 0, "not a per-channel mode");
    }
  }

  // b + floor((x - b) * c / 256): the shift of a negative product rounds down.
  static I Mix(I b, I x, I c) { return b + (L::Mul(x - b, c) >> 8); }

  // B combined with F at weight c (0..254). c = 0 gives B back in every mode; the per-pixel
  // combiners return early for it, the row kernels rely on it.
  template <int Mode>
  static P Combine(P F, P B, I c) {
    const I fr = L::Channel(F, 16), fg = L::Channel(F, 8), fb = L::Channel(F, 0);
    const I br = L::Channel(B, 16), bg = L::Channel(B, 8), bb = L::Channel(B, 0);
    if constexpr (Mode == kGlow) {
      // Glow weighs B by 255 - c rather than 256 - c, so c = 0 must keep B explicitly.
      const I keep = c == K(0);
      auto glow = [&](I f, I b) {
        return L::Select(keep, b, (L::Mul(c, Value<kGlow>(f, b)) + L::Mul(K(255) - c, b)) >> 8);
      };
      return L::Pack(glow(fr, br), glow(fg, bg), glow(fb, bb), B);
    } else if constexpr (Mode == kRed) {
      return L::Pack(Mix(br, fr, c), bg, bb, B);
    } else if constexpr (Mode == kGreen) {
      return L::Pack(br, Mix(bg, fg, c), bb, B);
    } else if constexpr (Mode == kBlue) {
      return L::Pack(br, bg, Mix(bb, fb, c), B);
    } else if constexpr (Mode == kHue || Mode == kSaturation || Mode == kLightness) {
      using Hsl = HslMath<L>;
      typename L::Float fh, fs, fl, bh, bs, bl;
      Hsl::FromRgb(fr, fg, fb, fh, fs, fl);
      Hsl::FromRgb(br, bg, bb, bh, bs, bl);
      I xr, xg, xb;
      if constexpr (Mode == kHue)
        Hsl::ToRgb(fh, bs, bl, xr, xg, xb);
      else if constexpr (Mode == kSaturation)
        Hsl::ToRgb(bh, fs, bl, xr, xg, xb);
      else
        Hsl::ToRgb(bh, bs, fl, xr, xg, xb);
      return L::Pack(Mix(br, xr, c), Mix(bg, xg, c), Mix(bb, xb, c), B);
    } else {
      return L::Pack(Mix(br, Value<Mode>(fr, br), c), Mix(bg, Value<Mode>(fg, bg), c),
                     Mix(bb, Value<Mode>(fb, bb), c), B);
    }
  }
};

}  // namespace bitmap::lanes
