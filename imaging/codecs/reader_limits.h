// Limits the readers share, so that a few damaged header bytes cannot ask for gigabytes.
#pragma once

#include <cstdint>

namespace imaging {

// The most pixels a reader decodes; a file that declares more is refused before any memory is taken.
inline constexpr int64_t kMaxReaderPixels = int64_t(1) << 30;

}  // namespace imaging
