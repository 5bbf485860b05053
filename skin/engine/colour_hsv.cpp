#include "skin/engine/colour_hsv.h"

#include <algorithm>
#include <cmath>

namespace skin {

namespace {

double Limit(double v) { return std::clamp(v, 0.0, 255.0); }
int Channel(double v) { return int(std::clamp(std::nearbyint(v), 0.0, 255.0)); }
vcl::TColor FromChannels(double r, double g, double b) { return Channel(r) | Channel(g) << 8 | Channel(b) << 16; }

// Steps 3 and 4 of the conversion with V already in 0..255.
vcl::TColor BuildColour(double V, double s, double h) {
  if (h == 360) h = 0;
  double x = h / 60;
  int sector = int(std::trunc(x));
  double f = x - sector;
  double p = Limit((1 - s) * V), q = Limit(V * (1 - s * f)), t = Limit(V * (1 - s * (1 - f)));
  switch (sector) {
    case 0: return FromChannels(V, t, p);
    case 1: return FromChannels(q, V, p);
    case 2: return FromChannels(p, V, t);
    case 3: return FromChannels(p, q, V);
    case 4: return FromChannels(t, p, V);
    default: return FromChannels(V, p, q);
  }
}

// Unrounded hue of the bytes of a colour with d = max - min > 0.
double Hue(int r, int g, int b, int mx, int d) {
  double rr = mx - 60.0 * r / d, gg = mx - 60.0 * g / d, bb = mx - 60.0 * b / d;
  double h = mx == r ? bb - gg : mx == g ? 120 + rr - bb : 240 + gg - rr;
  if (h < 0) h += 360;
  return h;
}

}  // namespace

vcl::TColor HsvToRgb(double value, double saturation, double hue) {
  if (saturation == 0) {
    int c = Channel(value * 255);
    return c | c << 8 | c << 16;
  }
  return BuildColour(value * 255, saturation, hue);
}

void RgbToHsv(vcl::TColor colour, TsHsv& out) {
  int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  int mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
  out.Saturation = mx == 0 ? 0 : double(d) / mx;
  out.Value = mx / 255.0;
  out.Hue = out.Saturation == 0 ? 0 : int(std::nearbyint(Hue(r, g, b, mx, d)));
}

vcl::TColor ShiftColorHue(int32_t offset, vcl::TColor colour) {
  colour = vcl::ColorToRGB(colour);
  int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  int mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
  if (mx == 0 || d == 0) return colour;
  // A negative offset would give a negative hue and fall outside every sector.
  int a = ((offset % 360) + 360) % 360;
  int h = int(std::nearbyint(a + Hue(r, g, b, mx, d))) % 360;
  return BuildColour(mx, double(d) / mx, h);
}

vcl::TColor ChangeColorSaturation(vcl::TColor colour, int32_t amount) {
  if (amount == 0) return colour;
  int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  double grey = (r + g + b) / 3.0;
  auto move = [&](int c) { return std::nearbyint(c + amount * (grey - c) / 100); };
  return FromChannels(move(r), move(g), move(b));
}

vcl::TColor ExchangeRedBlue(vcl::TColor colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return static_cast<vcl::TColor>((c & 0xFF) * 65536 + ((c >> 8) & 0xFF) * 256 + (c >> 16));
}

}  // namespace skin
