#include "skin/engine/graphics/image_list_glyphs.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/alpha_image_list.h"
#include "skin/engine/paint/keyed_copies.h"
#include "skin/engine/skin_types.h"

namespace skin {

SIZE DrawImgListGlyph(vcl::TCustomImageList* list, vcl::TBitmap* target, int32_t x, int32_t y, int32_t index,
                      int32_t frameCount, int32_t state, bool reflected, int32_t blend, vcl::TColor tone) {
  if (!list) return SIZE{0, 0};
  const int32_t frames = std::max(frameCount, 1);
  const int32_t frameWidth = list->Width() / frames, height = list->Height();
  const SIZE frameSize{frameWidth, height};
  if (!target || target->Width() == 0 || !list->HandleAllocated() || frameWidth <= 0 || height <= 0) return frameSize;
  const int32_t frame = std::clamp(state, 0, frames - 1);
  const vcl::TRect targetRect{x, y, x + frameWidth, y + height};
  const vcl::TRect sourceRect{frameWidth * frame, 0, frameWidth * frame + frameWidth, height};
  if (auto* alphaList = dynamic_cast<TsAlphaImageList*>(list)) {
    auto image = CreateBmp32(list->Width(), height);
    if (alphaList->GetImageBitmap(index, image.get()))
      CopyAlphaBitmap(targetRect, sourceRect, target, reflected, blend, tone, false, EmptyBackgroundInfo, image.get());
    return frameSize;
  }
  // Any other list draws the whole image over what lies under its frame; the frame goes back.
  auto copy = CreateBmp24(list->Width(), height);
  BitBlt(copy->Canvas()->Handle(), sourceRect.left, 0, frameWidth, height, target->Canvas()->Handle(), x, y, SRCCOPY);
  list->Draw(copy->Canvas(), 0, 0, index, true);
  BitBlt(target->Canvas()->Handle(), x, y, frameWidth, height, copy->Canvas()->Handle(), sourceRect.left, 0, SRCCOPY);
  GdiFlush();
  return frameSize;
}

SIZE DrawImgListGlyphToDC(vcl::TCustomImageList* list, HDC dc, int32_t x, int32_t y, int32_t index,
                          int32_t frameCount, int32_t state, bool reflected, int32_t blend, vcl::TColor tone) {
  if (!list || !dc || list->Width() <= 0 || list->Height() <= 0) return SIZE{0, 0};
  const int32_t width = list->Width(), height = list->Height() + (reflected ? list->Height() / 2 : 0);
  auto copy = CreateBmp24(width, height);
  BitBlt(copy->Canvas()->Handle(), 0, 0, width, height, dc, x, y, SRCCOPY);
  GdiFlush();
  const SIZE frameSize = DrawImgListGlyph(list, copy.get(), 0, 0, index, frameCount, state, reflected, blend, tone);
  BitBlt(dc, x, y, width, height, copy->Canvas()->Handle(), 0, 0, SRCCOPY);
  return frameSize;
}

}  // namespace skin
