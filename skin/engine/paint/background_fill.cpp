#include "skin/engine/paint/background_fill.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/fast_pixels.h"

namespace skin {

void FillRectWithColour(vcl::TBitmap* target, const vcl::TRect& rect, vcl::TColor colour) {
  if (!target || target->Empty() || rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (target->PixelFormat() == vcl::pf32bit) {
    FillRectColor32(target, rect, colour);
    return;
  }
  const vcl::TRect clipped{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                           std::min<LONG>(rect.right, target->Width()), std::min<LONG>(rect.bottom, target->Height())};
  PaintSolidRect(target->Canvas()->Handle(), clipped, colour);
}

void CopyBackgroundArea(vcl::TBitmap* target, const vcl::TRect& rect, const TsBackgroundInfo& info) {
  vcl::TBitmap* image = info.Bitmap;
  if (!target || !image || image == target || target->Empty() || image->Empty()) return;
  // The part of the rectangle that lies inside the target and has image pixels behind it.
  const LONG left = std::max<LONG>({rect.left, 0, -info.X});
  const LONG top = std::max<LONG>({rect.top, 0, -info.Y});
  const LONG right = std::min<LONG>({rect.right, target->Width(), image->Width() - info.X});
  const LONG bottom = std::min<LONG>({rect.bottom, target->Height(), image->Height() - info.Y});
  if (right <= left || bottom <= top) return;
  BitBlt(target->Canvas()->Handle(), left, top, right - left, bottom - top, image->Canvas()->Handle(), left + info.X,
         top + info.Y, SRCCOPY);
}

void PutBackground(vcl::TBitmap* target, const vcl::TRect& rect, const TsBackgroundInfo& info) {
  if (info.Ready)
    CopyBackgroundArea(target, rect, info);
  else
    FillRectWithColour(target, rect, info.FillColor);
}

}  // namespace skin
