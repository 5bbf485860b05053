#include "imaging/model/colour_helpers.h"

#include <cmath>

#include "imaging/base/number_helpers.h"

namespace imaging {

int32_t SwapRedBlue(int32_t colour) {
  uint32_t v = static_cast<uint32_t>(colour);
  return static_cast<int32_t>((v & 0xFF00FF00u) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF));
}

void SwapRBInRow(TRGB* row, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    uint8_t t = row[i].r;
    row[i].r = row[i].b;
    row[i].b = t;
  }
}

namespace {

long double Linearise(long double c) {
  return c > 0.03928L ? FastPower((c + 0.055L) / 1.055L, 2.4L) : c / 12.92L;
}

long double LabF(long double t) {
  return t > 0.008856L ? FastPower(t, 1.0L / 3.0L) : 7.787L * t + 16.0L / 116.0L;
}

long double LabInverse(long double f) {
  long double cube = FastPower(f, 3);
  return cube > 0.008856L ? cube : (f - 16.0L / 116.0L) / 7.787L;
}

long double Compand(long double c) {
  return c > 0.0031308L ? 1.055L * FastPower(c, 1.0L / 2.4L) - 0.055L : 12.92L * c;
}

uint8_t ToChannel(long double c) {
  long double v = std::nearbyint(c * 255);
  return v < 0 ? 0 : (v > 255 ? 255 : static_cast<uint8_t>(v));
}

// The low 8 bits of the truncated value, as a two's-complement byte.
int8_t LowSignedByte(long double v) {
  long double t = std::trunc(v);
  int32_t i = t > 32767 ? 32767 : (t < -32768 ? -32768 : static_cast<int32_t>(t));
  return static_cast<int8_t>(static_cast<uint8_t>(i & 0xFF));
}

}  // namespace

TCIELab RGBToCIELab(const TRGB& colour) {
  long double r = Linearise(colour.r / 255.0L);
  long double g = Linearise(colour.g / 255.0L);
  long double b = Linearise(colour.b / 255.0L);
  long double x = (0.412453L * r + 0.357580L * g + 0.180423L * b) / 0.95047L;
  long double y = (0.212671L * r + 0.715160L * g + 0.072169L * b) / 1.0L;
  long double z = (0.019334L * r + 0.119193L * g + 0.950227L * b) / 1.08883L;
  long double fx = LabF(x), fy = LabF(y), fz = LabF(z);
  long double lStar = y > 0.008856L ? 116 * fy - 16 : 903.3L * y;
  TCIELab lab;
  lab.l = static_cast<uint8_t>(ClampInt(static_cast<int32_t>(std::trunc(lStar * 255 / 100)), 0, 255));
  lab.a = LowSignedByte(500 * (fx - fy));
  lab.b = LowSignedByte(200 * (fy - fz));
  return lab;
}

TRGB CIELabToRGB(const TCIELab& lab) {
  long double lStar = lab.l * 100.0L / 255.0L;
  long double fy = (lStar + 16) / 116;
  long double fx = lab.a / 500.0L + fy;
  long double fz = fy - lab.b / 200.0L;
  long double x = LabInverse(fx) * 0.95047L;
  long double y = LabInverse(fy);
  long double z = LabInverse(fz) * 1.08883L;
  long double r = 3.2406L * x - 1.5372L * y - 0.4986L * z;
  long double g = -0.9689L * x + 1.8758L * y + 0.0415L * z;
  long double b = 0.0557L * x - 0.2040L * y + 1.0570L * z;
  return MakeRGB(ToChannel(Compand(r)), ToChannel(Compand(g)), ToChannel(Compand(b)));
}

void YCbCrToBGR(TRGB& pixel, int32_t y, int32_t cb, int32_t cr) {
  auto channel = [](double v) { return ClampByte(static_cast<int32_t>(std::trunc(v))); };
  pixel.r = channel(y + 1.402 * (cr - 128));
  pixel.g = channel(y - 0.34414 * (cb - 128) - 0.71414 * (cr - 128));
  pixel.b = channel(y + 1.772 * (cb - 128));
}

}  // namespace imaging
