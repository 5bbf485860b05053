// The parsed form of a section's "GRADIENTDATA": segments of two colours, a share and a mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

struct TsGradPie {
  int32_t Color1 = 0;
  int32_t Color2 = 0;
  uint8_t Percent = 0;  // 0..100
  int32_t Mode = 0;     // 0 vertical, 1 horizontal, 2 four corners (the first segment's counts)
};
using TsGradArray = std::vector<TsGradPie>;

// Fields separated by ";" (runs count as one); every five make a segment (two colours,
// percent, mode, one unread field); left-over fields are ignored. A number that is not one
// raises EConvertError. Negative colours become 0; the percent is limited to 0..100.
void ParseGradientData(const std::string& text, TsGradArray& result);

}  // namespace skin
