#include "formats/png/png_colour_chunks.h"

#include "vcl/runtime/byte_order.h"

namespace formats {

namespace {

// A sample of the file's depth (up to 16 bits) scaled to 8 bits.
uint8_t ScalePNGSample(uint16_t v, uint8_t depth) {
  const uint32_t maxSample = (1u << depth) - 1;
  return static_cast<uint8_t>((uint32_t{v} & maxSample) * 255 / maxSample);
}

vcl::TColor PNGColourOf(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<vcl::TColor>(uint32_t{red} | uint32_t{green} << 8 | uint32_t{blue} << 16);
}

// Red, green and blue as three big-endian 16-bit values.
vcl::TColor ScaledPNGRGB(const uint8_t* p, uint8_t depth) {
  return PNGColourOf(ScalePNGSample(vcl::be::U16(p), depth), ScalePNGSample(vcl::be::U16(p + 2), depth),
                        ScalePNGSample(vcl::be::U16(p + 4), depth));
}

vcl::TColor ScaledPNGGrey(const uint8_t* p, uint8_t depth) {
  const uint8_t v = ScalePNGSample(vcl::be::U16(p), depth);
  return PNGColourOf(v, v, v);
}

}  // namespace

void TPNGColours::ReadBackgroundChunk(const uint8_t* data, uint32_t length) {
  if ((ColourType == 0 || ColourType == 4) && length >= 2)
    ClearColour = ScaledPNGGrey(data, BitDepth);
  else if ((ColourType == 2 || ColourType == 6) && length >= 6)
    ClearColour = ScaledPNGRGB(data, BitDepth);
  else if (ColourType == 3 && length >= 1)
    BackgroundIndex = data[0];
}

void TPNGColours::ReadTransparencyChunk(const uint8_t* data, uint32_t length) {
  if (ColourType == 0 && length >= 2)
    KeyColour = ScaledPNGGrey(data, BitDepth);
  else if (ColourType == 2 && length >= 6)
    KeyColour = ScaledPNGRGB(data, BitDepth);
}

void TPNGColours::ResolveBackgroundIndex(const std::vector<uint8_t>& palette) {
  if (BackgroundIndex < 0 || static_cast<size_t>(BackgroundIndex) * 3 + 2 >= palette.size()) return;
  const uint8_t* p = palette.data() + BackgroundIndex * 3;
  ClearColour = PNGColourOf(p[0], p[1], p[2]);
}

}  // namespace formats
