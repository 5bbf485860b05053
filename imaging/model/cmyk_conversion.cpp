#include "imaging/model/cmyk_conversion.h"

#include <algorithm>

namespace imaging {

namespace {
TIERGBToCMYKProc rgbToCmykProc = IERGBToCMYKArithmetic;
TIECMYKToRGBProc cmykToRgbProc = IECMYKToRGBArithmetic;
}  // namespace

int32_t IERGBToCMYKArithmetic(int32_t packedRGB) {
  int32_t red = (packedRGB >> 16) & 0xFF, green = (packedRGB >> 8) & 0xFF, blue = packedRGB & 0xFF;
  int32_t k = std::max({red, green, blue});
  if (k == 0) k = 1;
  int32_t c = red * 255 / k, m = green * 255 / k, y = blue * 255 / k;
  return static_cast<int32_t>(static_cast<uint32_t>(c) | (static_cast<uint32_t>(m) << 8) |
                              (static_cast<uint32_t>(y) << 16) | (static_cast<uint32_t>(k) << 24));
}

void IECMYKToRGBArithmetic(int32_t cmyk, TRGB& pixel) {
  auto value = static_cast<uint32_t>(cmyk);
  uint32_t c = value & 0xFF, m = (value >> 8) & 0xFF, y = (value >> 16) & 0xFF, k = value >> 24;
  pixel = MakeRGB(uint8_t(c * k / 255), uint8_t(m * k / 255), uint8_t(y * k / 255));
}

int32_t IERGBToCMYK(int32_t packedRGB) { return rgbToCmykProc(packedRGB); }

void IECMYKToRGB(int32_t cmyk, TRGB& pixel) { cmykToRgbProc(cmyk, pixel); }

void IESetCMYKConverters(TIERGBToCMYKProc rgbToCmyk, TIECMYKToRGBProc cmykToRgb) {
  rgbToCmykProc = rgbToCmyk ? rgbToCmyk : IERGBToCMYKArithmetic;
  cmykToRgbProc = cmykToRgb ? cmykToRgb : IECMYKToRGBArithmetic;
}

}  // namespace imaging
