#include "imaging/model/colour_argb.h"

namespace imaging {

uint32_t ColorToARGB(vcl::TColor colour, uint8_t alpha) {
  uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(colour));  // red in the low byte
  return (static_cast<uint32_t>(alpha) << 24) | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

}  // namespace imaging
