#include "imaging/base/cosine_ramp.h"

#include <cmath>

namespace imaging {

int32_t CosineRamp[256];

void BuildCosineTable() {
  for (int i = 0; i < 256; ++i)
    CosineRamp[i] = static_cast<int32_t>(std::nearbyint(64 - 64 * std::cos(i * M_PI / 255)));
}

}  // namespace imaging
