// A quicksort over indexes 0 .. count - 1 that reaches the items only through callbacks, so
// that it sorts any indexed container.
#pragma once

#include <cstdint>
#include <functional>

namespace imaging {

using TIECompareCallback = std::function<int32_t(int32_t index1, int32_t index2)>;
using TIESwapCallback = std::function<void(int32_t index1, int32_t index2)>;

// Nothing for count <= 0. The order of equal items is not kept.
void SortWithCallbacks(int32_t count, const TIESwapCallback& swap, const TIECompareCallback& compare);

}  // namespace imaging
