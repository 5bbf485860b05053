// Hue/saturation/lightness conversion written once over a lanes type (see lanes.h), so that
// Color32ToHsl/HslToColor32 and the vector row kernels of the HSL blend modes compute the
// same bits. Every intermediate value is a single-precision float, rounded at each step.
//
// The steps are arranged so that a vector computes only what a pixel needs: the largest and
// smallest channel are found on the bytes (the conversion to 0..1 keeps their order), each
// branch picks its operands before the one division it shares with the others, and a value
// no caller uses (the saturation of F in "Hue", say) is left to the compiler to drop.
#pragma once

namespace bitmap::lanes {

template <class L>
struct HslMath {
  using I = typename L::Int;
  using F = typename L::Float;

  // Channels r, g, b in 0..255 to h, s, l in 0..1.
  static void FromRgb(I r, I g, I b, F& h, F& s, F& l) {
    const F zero = L::FSplat(0.0f), one = L::FSplat(1.0f), two = L::FSplat(2.0f);
    const I imax = L::Max(L::Max(r, g), b), imin = L::Min(L::Min(r, g), b);
    // Channel / 255 is increasing, so the largest and smallest of the converted channels are
    // the converted largest and smallest bytes.
    const F mx = L::UnitOfByte(imax), mn = L::UnitOfByte(imin);
    l = (mx + mn) / two;
    const auto grey = imax == imin;
    // Grey pixels take h = s = 0; their divisors are replaced by 1 so no lane divides by 0.
    const F d = L::SelectF(grey, one, mx - mn);
    const F divisor =
        L::SelectF(grey, one, L::SelectF(l < L::FSplat(0.5f), mx + mn, two - mx - mn));
    s = L::SelectF(grey, zero, L::Quotient(d, divisor));

    // The hue's numerator is the difference of the two channels other than the largest (red
    // counts as the largest where it ties, then green): the middle channel minus the
    // smallest, or its negation when they come the other way round (x - y = -(y - x) exactly).
    const auto redMax = r == imax, greenMax = g == imax;
    const I imid = r + g + b - imax - imin;
    const F spread = L::UnitOfByte(imid) - mn;
    const auto forward = L::Select(redMax, I(g >= b), L::Select(greenMax, I(b >= r), I(r >= g)));
    const F t = L::Quotient(L::SelectF(forward, spread, -spread), d);
    F hue = L::SelectF(redMax, t, L::SelectF(greenMax, two + t, L::FSplat(4.0f) + t));
    hue = L::QuotientBy(hue, 6.0f);
    hue = L::SelectF(hue < zero, hue + one, hue);
    h = L::SelectF(grey, zero, hue);
  }

  // h, s, l to channels r, g, b in 0..255.
  static void ToRgb(F h, F s, F l, I& r, I& g, I& b) {
    const F m2 = L::SelectF(l <= L::FSplat(0.5f), l * (L::FSplat(1.0f) + s), (l + s) - l * s);
    const F m1 = L::FSplat(2.0f) * l - m2;
    const F third = L::FSplat(1.0f / 3.0f);
    // A grey (s = 0) needs no case of its own: m1 = m2 = l exactly, so every branch of every
    // channel gives Round(255 * l).
    const F rise = m2 - m1;
    r = Channel(m1, m2, rise, h + third);
    g = Channel(m1, m2, rise, h);
    b = Channel(m1, m2, rise, h - third);
  }

 private:
  // m1 + (m2 - m1) * h * 6 where 6h < 1; m2 where 2h < 1; m1 + (m2 - m1) * (2/3 - h) * 6
  // where 3h < 2; m1 elsewhere. 2h is exact, so 2h < 1 is h < 0.5; both sloping parts are
  // one product on the operand their branch picks.
  static I Channel(F m1, F m2, F rise, F h) {
    h = h - L::Floor(h);
    const F six = L::FSplat(6.0f);
    const auto rising = six * h < L::FSplat(1.0f);
    const auto top = h < L::FSplat(0.5f);
    const auto falling = L::FSplat(3.0f) * h < L::FSplat(2.0f);
    const F t = L::SelectF(rising, h, L::FSplat(2.0f / 3.0f) - h);
    const F slope = m1 + rise * t * six;
    const F v = L::SelectF(rising, slope, L::SelectF(top, m2, L::SelectF(falling, slope, m1)));
    return ToByte(v);
  }

  // Round(255 * v), clamped to 0..255. The values stay within 0..1, so the clamp only guards
  // the byte against float noise.
  static I ToByte(F v) { return L::RoundToByte(L::FSplat(255.0f) * v); }
};

}  // namespace bitmap::lanes
