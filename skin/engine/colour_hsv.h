// Colour-space helpers of the recolouring: hue rotation and saturation change of a colour.
#pragma once

#include <cstdint>

#include "vcl/graphics/colours.h"

namespace skin {

struct TsHsv {
  int32_t Hue = 0;  // degrees, 0..360
  double Saturation = 0;
  double Value = 0;
};

// value and saturation 0..1, hue in degrees (360 counts as 0).
vcl::TColor HsvToRgb(double value, double saturation, double hue);
void RgbToHsv(vcl::TColor colour, TsHsv& out);
// The colour (system colours resolved) with its hue turned by `offset` degrees; any offset,
// negative ones included, is taken modulo 360. Greys come back unchanged.
vcl::TColor ShiftColorHue(int32_t offset, vcl::TColor colour);
// Each channel moved toward (amount > 0) or away from (amount < 0) the colour's grey, percent.
vcl::TColor ChangeColorSaturation(vcl::TColor colour, int32_t amount);
// Byte 0 to bits 16-23, byte 1 kept, bits 16 and up to the low bits: swaps red and blue of a
// colour whose top byte is 0.
vcl::TColor ExchangeRedBlue(vcl::TColor colour);

}  // namespace skin
