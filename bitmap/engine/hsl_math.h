// Hue/saturation/lightness conversion written once over a lanes type (see lanes.h), so that
// Color32ToHsl/HslToColor32 and the vector row kernels of the HSL blend modes compute the
// same bits. Every intermediate value is a single-precision float, rounded at each step.
#pragma once

namespace bitmap::lanes {

template <class L>
struct HslMath {
  using I = typename L::Int;
  using F = typename L::Float;

  // Channels r, g, b in 0..255 to h, s, l in 0..1.
  static void FromRgb(I r, I g, I b, F& h, F& s, F& l) {
    const F zero = L::FSplat(0.0f), one = L::FSplat(1.0f), two = L::FSplat(2.0f);
    const F R = L::ToFloat(r) / L::FSplat(255.0f);
    const F G = L::ToFloat(g) / L::FSplat(255.0f);
    const F B = L::ToFloat(b) / L::FSplat(255.0f);
    const F mx = L::FMax(L::FMax(R, G), B);
    const F mn = L::FMin(L::FMin(R, G), B);
    l = (mx + mn) / two;
    const auto grey = mx == mn;
    // Grey pixels take h = s = 0; their divisors are replaced by 1 so no lane divides by 0.
    const F d = L::SelectF(grey, one, mx - mn);
    const F sum = L::SelectF(grey, one, mx + mn);
    const F rest = L::SelectF(grey, one, two - mx - mn);
    const F sat = L::SelectF(l < L::FSplat(0.5f), d / sum, d / rest);
    F hue = L::SelectF(R == mx, (G - B) / d,
                       L::SelectF(G == mx, two + (B - R) / d, L::FSplat(4.0f) + (R - G) / d));
    hue = hue / L::FSplat(6.0f);
    hue = L::SelectF(hue < zero, hue + one, hue);
    h = L::SelectF(grey, zero, hue);
    s = L::SelectF(grey, zero, sat);
  }

  // h, s, l to channels r, g, b in 0..255.
  static void ToRgb(F h, F s, F l, I& r, I& g, I& b) {
    const F m2 = L::SelectF(l <= L::FSplat(0.5f), l * (L::FSplat(1.0f) + s), (l + s) - l * s);
    const F m1 = L::FSplat(2.0f) * l - m2;
    const F third = L::FSplat(1.0f / 3.0f);
    const auto grey = s == L::FSplat(0.0f);
    const I v = ToByte(l);
    r = L::Select(grey, v, Channel(m1, m2, h + third));
    g = L::Select(grey, v, Channel(m1, m2, h));
    b = L::Select(grey, v, Channel(m1, m2, h - third));
  }

 private:
  static I Channel(F m1, F m2, F h) {
    h = h - L::Floor(h);
    const F six = L::FSplat(6.0f);
    const F v =
        L::SelectF(six * h < L::FSplat(1.0f), m1 + (m2 - m1) * h * six,
        L::SelectF(L::FSplat(2.0f) * h < L::FSplat(1.0f), m2,
        L::SelectF(L::FSplat(3.0f) * h < L::FSplat(2.0f),
                   m1 + (m2 - m1) * (L::FSplat(2.0f / 3.0f) - h) * six, m1)));
    return ToByte(v);
  }

  // Round(255 * v). The values stay within 0..1, so the clamp only guards the byte against
  // float noise.
  static I ToByte(F v) {
    return L::Max(L::Min(L::Round(L::FSplat(255.0f) * v), L::Splat(255)), L::Splat(0));
  }
};

}  // namespace bitmap::lanes
