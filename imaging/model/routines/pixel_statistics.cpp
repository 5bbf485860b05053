#include "imaging/model/routines/pixel_statistics.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/cmyk_conversion.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

inline uint8_t WideToByte(uint16_t value, TWideSampleScale scale) {
  return scale == TWideSampleScale::HighByte ? uint8_t(value >> 8)
                                             : uint8_t(int32_t(std::trunc(value / 65535.0 * 255)));
}

// Trunc(v x 255) of a float sample, held within 0 .. 255 (a sample outside 0 .. 1 or not a
// number would otherwise give no byte at all).
inline uint8_t FloatToByte(float value) {
  if (!(value > 0)) return 0;
  if (value >= 1) return 255;
  return uint8_t(int32_t(std::trunc(double(value) * 255)));
}

inline TRGB Grey(uint8_t level) { return TRGB{level, level, level}; }

}  // namespace

bool ReadRowColours(TIEBitmap* bitmap, int32_t y, TRGB* colours, TWideSampleScale scale) {
  const int32_t width = bitmap->GetWidth();
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  switch (format) {
    case ie1g: case ie8p: case ie8g: case ie16g: case ie24RGB: case ie32f:
    case ieCMYK: case ieRGB48: case ieCIELab: case ie32RGB:
      break;
    default:
      return false;
  }
  const uint8_t* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
  for (int32_t x = 0; x < width; ++x) {
    switch (format) {
      case ie1g: colours[x] = Grey((row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0); break;
      case ie8p: colours[x] = bitmap->GetPaletteColor(row[x]); break;
      case ie8g: colours[x] = Grey(row[x]); break;
      case ie16g: {
        uint16_t v;
        std::memcpy(&v, row + x * 2, 2);
        colours[x] = Grey(WideToByte(v, scale));
        break;
      }
      case ie24RGB: std::memcpy(&colours[x], row + x * 3, 3); break;
      case ie32f: {
        float v;
        std::memcpy(&v, row + x * 4, 4);
        colours[x] = Grey(FloatToByte(v));
        break;
      }
      case ieCMYK: {
        int32_t v;
        std::memcpy(&v, row + x * 4, 4);
        IECMYKToRGB(v, colours[x]);
        break;
      }
      case ieRGB48: {
        uint16_t v[3];  // red, green, blue
        std::memcpy(v, row + x * 6, 6);
        colours[x] = TRGB{WideToByte(v[2], scale), WideToByte(v[1], scale), WideToByte(v[0], scale)};
        break;
      }
      case ieCIELab: {
        TCIELab lab;
        std::memcpy(&lab, row + x * 3, 3);
        colours[x] = CIELabToRGB(lab);
        break;
      }
      case ie32RGB: std::memcpy(&colours[x], row + x * 4, 3); break;
      default: break;
    }
  }
  return true;
}

void GetMeanColor(TIEBitmap* bitmap, int32_t& red, int32_t& green, int32_t& blue) {
  red = green = blue = 128;
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  if (width <= 0 || height <= 0) return;
  std::vector<TRGB> colours(width);
  int64_t sums[3] = {0, 0, 0};  // red, green, blue
  try {
    for (int32_t y = 0; y < height; ++y) {
      if (!ReadRowColours(bitmap, y, colours.data(), TWideSampleScale::Proportional)) continue;
      int64_t row[3] = {0, 0, 0};
      for (const TRGB& c : colours) {
        row[0] += c.r;
        row[1] += c.g;
        row[2] += c.b;
      }
      for (int i = 0; i < 3; ++i) sums[i] += row[i] / width;
    }
  } catch (const vcl::Exception&) {
    return;  // a row that cannot be read: mid grey
  }
  red = static_cast<int32_t>(sums[0] / height);
  green = static_cast<int32_t>(sums[1] / height);
  blue = static_cast<int32_t>(sums[2] / height);
}

void LuminanceHistogram(TIEBitmap* bitmap, std::array<int32_t, 256>& histogram) {
  histogram.fill(0);
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  if (width <= 0 || height <= 0) return;
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  std::vector<TRGB> colours(width);
  for (int32_t y = 0; y < height; ++y) {
    if (format == ie1g) {
      const uint8_t* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) ++histogram[(row[x >> 3] >> (7 - (x & 7))) & 1];
      continue;
    }
    if (!ReadRowColours(bitmap, y, colours.data(), TWideSampleScale::HighByte)) return;
    // Grey formats count their level itself, whatever the luminance weights are; weights that
    // add up to more than 100 must not count past the last bin.
    const bool grey = format == ie8g || format == ie16g || format == ie32f;
    for (const TRGB& c : colours) ++histogram[grey ? c.r : ClampByte(GrayLevel(c.r, c.g, c.b))];
  }
}

}  // namespace imaging
