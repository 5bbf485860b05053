#include "bitmap/engine/parallel_rows.h"

#include <algorithm>
#include <cstring>

namespace bitmap {

void ParallelCopy(void* dst, const void* src, size_t bytes) {
  // Bands of whole 64 KB pieces; below a few megabytes handing out the bands costs more than
  // it saves.
  constexpr size_t kPiece = 64 * 1024, kParallelBytes = 4 * 1024 * 1024;
  if (bytes < kParallelBytes) {
    if (bytes) std::memcpy(dst, src, bytes);
    return;
  }
  auto* to = static_cast<uint8_t*>(dst);
  const auto* from = static_cast<const uint8_t*>(src);
  const int32_t pieces = int32_t((bytes + kPiece - 1) / kPiece);
  ParallelRows(pieces, [&](int32_t first, int32_t end) {
    const size_t begin = size_t(first) * kPiece, stop = std::min(bytes, size_t(end) * kPiece);
    std::memcpy(to + begin, from + begin, stop - begin);
  });
}

}  // namespace bitmap
