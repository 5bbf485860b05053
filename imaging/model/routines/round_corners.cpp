#include "imaging/model/routines/round_corners.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/base/geometry.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace imaging {

void RoundCornersAlpha(TIEBitmap* bitmap, int32_t radiusX, int32_t radiusY, const TIEProgressEvent& onProgress,
                       vcl::TObject* sender) {
  if (!bitmap) throw vcl::EInvalidArgument("Rounding corners needs a bitmap");
  if (bitmap->IsEmpty() || radiusX <= 0 || radiusY <= 0) return;
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const int32_t rx = std::min(radiusX, w), ry = std::min(radiusY, h);
  const int32_t n = rx + ry;
  std::vector<POINT> points(n);

  // Each curve point (x, y) clears the rectangle between it and its corner; per row that is
  // the widest reach of any point, so the rows are filled once.
  std::vector<int32_t> topReach(h, -1);     // columns 0 .. reach of the top rows
  std::vector<int32_t> bottomStart(h, w);   // columns start .. w - 1 of the bottom rows
  ComputeBezierPoints(POINT{0, ry}, POINT{0, 0}, POINT{rx, 0}, POINT{rx, 0}, points.data(), n);
  for (const POINT& p : points) {
    const int32_t x = std::min<int32_t>(p.x, w - 1), y = std::min<int32_t>(p.y, h - 1);
    for (int32_t row = 0; row <= y; ++row) topReach[row] = std::max(topReach[row], x);
  }
  ComputeBezierPoints(POINT{w, h - ry}, POINT{w, h}, POINT{w - rx, h}, POINT{w - rx, h}, points.data(), n);
  for (const POINT& p : points) {
    const int32_t x = std::max<int32_t>(p.x, 0), y = std::max<int32_t>(p.y, 0);
    for (int32_t row = y; row < h; ++row) bottomStart[row] = std::min(bottomStart[row], x);
  }

  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  {
    const TLockedRows rows(alpha);
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = rows[y];
      // Columns 0 .. reach and their mirrors W - 1 - reach .. W - 1.
      if (topReach[y] >= 0) {
        std::memset(row, 0, topReach[y] + 1);
        std::memset(row + w - 1 - topReach[y], 0, topReach[y] + 1);
      }
      // Columns start .. W - 1 and their mirrors 0 .. W - 1 - start.
      if (bottomStart[y] < w) {
        std::memset(row + bottomStart[y], 0, w - bottomStart[y]);
        std::memset(row, 0, w - bottomStart[y]);
      }
    }
  }
  alpha->UpdateFullFlag();
}

}  // namespace imaging
