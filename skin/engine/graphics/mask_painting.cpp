#include "skin/engine/graphics/mask_painting.h"

#include <algorithm>

#include "skin/engine/graphics/mask_geometry.h"

namespace skin {

void CopyGlyphThroughMask(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                          const TsMaskData& mask, int fadeMode, vcl::TBitmap* source) {
  if (!target || !source || source->PixelFormat() != vcl::pf24bit) return;
  const vcl::TPixelFormat format = target->PixelFormat();
  if (format != vcl::pf24bit && format != vcl::pf32bit) return;
  const int bytes = format == vcl::pf32bit ? 4 : 3;
  const int maskType = std::max<int>(mask.MaskType, 0);
  const int maskRows = maskType ? (mask.ImageRect.bottom - mask.ImageRect.top) / (maskType + 1) : 0;
  int tx = targetRect.left, ty = targetRect.top, sx = sourceRect.left, sy = sourceRect.top;
  // Whatever lies before column or row 0 of either bitmap is skipped in both.
  const int skipX = std::max({0, -tx, -sx}), skipY = std::max({0, -ty, -sy});
  tx += skipX, sx += skipX, ty += skipY, sy += skipY;
  const int width = std::min({int(targetRect.right - targetRect.left), int(sourceRect.right - sourceRect.left)}) + 1 -
                    skipX;
  const int height = std::min({int(targetRect.bottom - targetRect.top), int(sourceRect.bottom - sourceRect.top)}) +
                     1 - skipY;
  const int columns = std::min({width, target->Width() - tx, source->Width() - sx});
  // Every copied row needs its mask row below it inside the source.
  const int rows = std::min({height, target->Height() - ty, source->Height() - sy - maskRows});
  if (columns <= 0 || rows <= 0) return;
  for (int r = 0; r < rows; ++r) {
    const auto* image = static_cast<const uint8_t*>(source->ScanLine(sy + r)) + sx * 3;
    const uint8_t* weights =
        maskType ? static_cast<const uint8_t*>(source->ScanLine(sy + r + maskRows)) + sx * 3 : nullptr;
    uint8_t* out = static_cast<uint8_t*>(target->ScanLine(ty + r)) + tx * bytes;
    for (int c = 0; c < columns; ++c, out += bytes) {
      const uint8_t* p = image + c * 3;
      if (IsKeyPixel(p)) continue;
      for (int k = 0; k < 3; ++k) {
        if (!weights) {
          out[k] = p[k];
          continue;
        }
        int m = weights[c * 3 + k];
        if (fadeMode != kGlyphNormal) m = std::min(m + 100, 255);
        out[k] = uint8_t(std::clamp((m * (out[k] - p[k]) + p[k] * 256) / 256, 0, 255));
      }
      if (bytes == 4) out[3] = 255;
    }
  }
}

void FillKeyColorFromBg(vcl::TBitmap* target, vcl::TBitmap* background, const vcl::TRect& rect,
                        vcl::TPoint origin, int32_t maskIndex, TsSkinManager* manager, int32_t cornerCode) {
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
