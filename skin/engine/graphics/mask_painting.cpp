#include "skin/engine/graphics/mask_painting.h"

#include <algorithm>

#include "skin/engine/graphics/mask_geometry.h"

namespace skin {

void FillKeyColorFromBg(vcl::TBitmap* target, vcl::TBitmap* background, const vcl::TRect& rect,
                        const vcl::TPoint& origin, int maskIndex, const TsSkinManager* manager, int cornerCode) {
  if (!target || !background || target->PixelFormat() != vcl::pf32bit || background->PixelFormat() != vcl::pf32bit)
    return;
  // Where the test pixels come from: the target itself, or a corner of the mask's first frame.
  vcl::TBitmap* test = target;
  int testX = rect.left, testY = rect.top, testBytes = 4;
  if (maskIndex >= 0) {
    if (!manager || !manager->IsMaskIndexValid(maskIndex)) return;
    const TsMaskData& mask = manager->Masks[size_t(maskIndex)];
    test = MaskBitmap(mask);
    if (!test || test->PixelFormat() != vcl::pf24bit) return;
    testBytes = 3;
    const vcl::TRect& r = mask.ImageRect;
    const bool right = cornerCode == kCornerTopRight || cornerCode == kCornerBottomRight;
    const bool bottom = cornerCode == kCornerBottomLeft || cornerCode == kCornerBottomRight;
    testX = r.left + (right ? MaskFrameWidth(mask) - mask.WR : 0);
    testY = r.top + (bottom ? MaskFrameHeight(mask) - mask.WB : 0);
  }
  // The area comes from skin margins: clip it so that every read and write stays inside
  // the target, the background and the tested bitmap.
  const int c0 = std::max({0, -int(rect.left), -int(origin.x), -testX});
  const int r0 = std::max({0, -int(rect.top), -int(origin.y), -testY});
  const int c1 = std::min({int(rect.right - rect.left), target->Width() - int(rect.left),
                           background->Width() - int(origin.x), test->Width() - testX});
  const int r1 = std::min({int(rect.bottom - rect.top), target->Height() - int(rect.top),
                           background->Height() - int(origin.y), test->Height() - testY});
  for (int r = r0; r < r1; ++r) {
    auto* out = static_cast<uint32_t*>(target->ScanLine(rect.top + r)) + rect.left;
    const auto* back = static_cast<const uint32_t*>(background->ScanLine(origin.y + r)) + origin.x;
    const auto* probe = static_cast<const uint8_t*>(test->ScanLine(testY + r)) + testX * testBytes;
    for (int c = c0; c < c1; ++c)
      if (IsKeyPixel(probe + c * testBytes)) out[c] = back[c];
  }
}

}  // namespace skin
