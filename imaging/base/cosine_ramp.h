// The cosine ramp of the cosine-sum layer operation: entry i = round(64 - 64 cos(i pi / 255)),
// 0 at entry 0 and 128 at entry 255. Filled by the shared start-up.
#pragma once

#include <cstdint>

namespace imaging {

extern int32_t CosineRamp[256];
void BuildCosineTable();

}  // namespace imaging
