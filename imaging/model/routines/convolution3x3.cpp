#include "imaging/model/routines/convolution3x3.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

void Convolve3x3Gray8Rect(TIEBitmap* bitmap, const Convolution3x3& kernel, int32_t x1, int32_t y1, int32_t x2,
                          int32_t y2) {
  if (!bitmap) throw vcl::EInvalidArgument("The convolution needs a bitmap");
  if (bitmap->PixelFormat() != ie8g || bitmap->IsEmpty()) return;
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width);
  y2 = std::min(y2, height);
  if (x1 >= x2 || y1 >= y2) return;
  const int32_t divisor = kernel.divisor == 0 ? 1 : kernel.divisor;

  // weight x value for every weight and byte, looked up instead of multiplied.
  std::vector<int32_t> products(9 * 256);
  for (int32_t k = 0; k < 9; ++k)
    for (int32_t v = 0; v < 256; ++v) products[k * 256 + v] = kernel.weights[k] * v;

  // The filtered rectangle is built apart, so that every pixel reads unfiltered neighbours.
  const int32_t w = x2 - x1;
  std::vector<uint8_t> filtered(size_t(w) * (y2 - y1));
  const TLockedRows rows(bitmap);
  for (int32_t y = y1; y < y2; ++y) {
    const uint8_t* lines[3] = {rows[std::max(y - 1, 0)], rows[y], rows[std::min(y + 1, height - 1)]};
    uint8_t* out = filtered.data() + size_t(y - y1) * w;
    for (int32_t x = x1; x < x2; ++x) {
      const int32_t columns[3] = {std::max(x - 1, 0), x, std::min(x + 1, width - 1)};
      int32_t sum = 0;
      for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 3; ++c) sum += products[(r * 3 + c) * 256 + lines[r][columns[c]]];
      out[x - x1] = ClampByte(std::abs(sum) / divisor);
    }
  }
  for (int32_t y = y1; y < y2; ++y) std::copy_n(filtered.data() + size_t(y - y1) * w, w, rows[y] + x1);
}

}  // namespace imaging
