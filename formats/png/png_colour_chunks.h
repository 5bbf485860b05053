// What a PNG file's bKGD and tRNS chunks say: the colour the bitmap is cleared to before its
// rows are decoded, and the colour that shows as transparent. Both are kept as the platform's
// colours (red in the low byte), the form the bitmap takes them in.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/graphics/colours.h"

namespace formats {

// `KeyColour` when the file names no transparent colour.
constexpr vcl::TColor kPNGNoKeyColour = 0x1FFFFFFF;

struct TPNGColours {
  uint8_t ColourType = 0;
  uint8_t BitDepth = 8;
  vcl::TColor ClearColour = 0xFFFFFF;  // white unless bKGD says otherwise
  vcl::TColor KeyColour = kPNGNoKeyColour;
  int BackgroundIndex = -1;  // an indexed file's bKGD entry, until the palette is known

  // bKGD: a grey or red, green, blue value of the file's depth scaled to 8 bits, or a palette
  // index. A chunk too short for the colour type changes nothing.
  void ReadBackgroundChunk(const uint8_t* data, uint32_t length);
  // tRNS: a grey or red, green, blue key; the alpha values of palette entries are not applied.
  void ReadTransparencyChunk(const uint8_t* data, uint32_t length);
  // The background index's colour in the palette (red, green, blue triples) becomes the clear
  // colour; an index beyond the palette leaves white.
  void ResolveBackgroundIndex(const std::vector<uint8_t>& palette);
};

}  // namespace formats
