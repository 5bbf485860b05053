#include "imaging/model/routines/colour_routines.h"

#include <cmath>
#include <cstdlib>

#include "imaging/base/defs.h"
#include "imaging/base/number_helpers.h"

namespace imaging {

int32_t RGBToGrayLevel(int32_t packedRGB) {
  return GrayLevel((packedRGB >> 16) & 0xFF, (packedRGB >> 8) & 0xFF, packedRGB & 0xFF);
}

bool SameRGB(int32_t a, int32_t b) { return ((a ^ b) & 0xFFFFFF) == 0; }

void ColorToRGBTriple(vcl::TColor colour, TRGB& pixel) {
  int32_t rgb = vcl::ColorToRGB(colour);  // red in the low byte
  pixel = MakeRGB(uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16));
}

vcl::TColor RGBTripleToColor(const TRGB& pixel) {
  return vcl::TColor(pixel.r) | (vcl::TColor(pixel.g) << 8) | (vcl::TColor(pixel.b) << 16);
}

int32_t FindNearestPaletteIndex(const TRGB* palette, int32_t count, int32_t packedRGB) {
  const int32_t red = (packedRGB >> 16) & 0xFF, green = (packedRGB >> 8) & 0xFF, blue = packedRGB & 0xFF;
  int32_t best = 0;
  int32_t bestDistance = 1000;  // above the largest possible distance, 3 x 255
  for (int32_t i = 0; i < count; ++i) {
    int32_t distance =
        std::abs(red - palette[i].r) + std::abs(green - palette[i].g) + std::abs(blue - palette[i].b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

void RGBToHSL(int32_t packedRGB, double& hue, double& saturation, double& lightness) {
  const double r = ((packedRGB >> 16) & 0xFF) / 255.0;
  const double g = ((packedRGB >> 8) & 0xFF) / 255.0;
  const double b = (packedRGB & 0xFF) / 255.0;
  const double max = std::fmax(r, std::fmax(g, b));
  const double min = std::fmin(r, std::fmin(g, b));
  lightness = (max + min) / 2;
  if (max == min) {
    hue = 0;
    saturation = 0;
    return;
  }
  const double d = max - min;
  saturation = lightness >= 0.5 ? d / (2 - max - min) : d / (max + min);
  if (max == r)
    hue = (g - b) / d;
  else if (max == g)
    hue = (b - r) / d + 2;
  else
    hue = (r - g) / d + 4;
  hue /= 6;
  if (hue < 0) hue += 1;
}

namespace {

// Brings a hue into 0 .. 1 by one step of 1, as the conversion expects.
double WrapOnce(double t) {
  if (t < 0) return t + 1;
  if (t > 1) return t - 1;
  return t;
}

double HueChannel(double p, double q, double t) {
  t = WrapOnce(t);
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 1.0 / 2) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

uint8_t ChannelByte(double v) {
  if (std::isnan(v)) return 0;
  double scaled = std::nearbyint(v * 255);
  return ClampByte(scaled < -1 ? -1 : (scaled > 256 ? 256 : static_cast<int32_t>(scaled)));
}

}  // namespace

void HSLToRGB(double hue, double saturation, double lightness, TRGB& pixel) {
  hue = WrapOnce(hue);
  saturation = std::fmin(1.0, std::fmax(0.0, saturation));
  lightness = std::fmin(1.0, std::fmax(0.0, lightness));
  double red, green, blue;
  if (saturation == 0) {
    red = green = blue = lightness;
  } else {
    const double q = lightness > 0.5 ? lightness + saturation - lightness * saturation : lightness * (1 + saturation);
    const double p = 2 * lightness - q;
    red = HueChannel(p, q, hue + 1.0 / 3);
    green = HueChannel(p, q, hue);
    blue = HueChannel(p, q, hue - 1.0 / 3);
  }
  pixel = MakeRGB(ChannelByte(red), ChannelByte(green), ChannelByte(blue));
}

}  // namespace imaging
