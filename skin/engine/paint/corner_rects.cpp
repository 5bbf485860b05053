#include "skin/engine/paint/corner_rects.h"

#include <algorithm>
#include <memory>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_types.h"

namespace skin {

namespace {

// Appends the key runs of columns [from, to) of one picture row; `shift` moves them.
void CollectRow(TAOR& rects, const uint8_t* row, int32_t bpp, int32_t from, int32_t to, int32_t shift, int32_t y) {
  int32_t runStart = -1;
  for (int32_t x = from; x <= to; ++x) {
    const uint8_t* p = row + x * bpp;
    const bool key = x < to && IsKeyPixel(p);
    if (key && runStart < 0) runStart = x;
    if (!key && runStart >= 0) {
      rects.push_back(vcl::TRect{runStart + shift, y, x + shift, y + 1});
      runStart = -1;
    }
  }
}

}  // namespace

void CollectCornerRects(TAOR& rects, int32_t regionWidth, const TsMaskData& mask, bool bottom, int32_t y0) {
  vcl::TBitmap* picture = mask.Image && !mask.Image->Empty() ? mask.Image.get()
                          : mask.Manager                     ? mask.Manager->MasterBitmap()
                                                             : nullptr;
  if (!picture || picture->Empty()) return;
  // Pixels are compared as blue, green, red; a picture of another format is read from a copy.
  std::unique_ptr<vcl::TBitmap> converted;
  if (picture->PixelFormat() != vcl::pf24bit && picture->PixelFormat() != vcl::pf32bit) {
    converted = std::make_unique<vcl::TBitmap>();
    converted->Assign(picture);
    converted->SetPixelFormat(vcl::pf24bit);
    picture = converted.get();
  }
  const int32_t bpp = picture->PixelFormat() == vcl::pf32bit ? 4 : 3;
  const vcl::TRect& image = mask.ImageRect;
  const int32_t imageHeight = image.bottom - image.top;
  const int32_t rowsPerFrame = imageHeight / (std::max<int32_t>(mask.MaskType, 0) + 1);
  const int32_t count = bottom ? mask.WB : mask.WT;
  const int32_t firstRow = bottom ? image.top + rowsPerFrame - mask.WB : image.top;
  if (count < 1 || firstRow + count - 1 >= picture->Height()) return;
  const int32_t frameWidth = (image.right - image.left) / std::max<int16_t>(mask.ImageCount, 1);

  // Columns are clipped to the picture, so margins wider than it read nothing beyond it.
  const auto clip = [&](int32_t column) { return std::clamp(column, 0, picture->Width()); };
  const int32_t leftFrom = clip(image.left), leftTo = clip(image.left + mask.WL);
  const int32_t rightFrom = clip(image.left + frameWidth - mask.WR), rightTo = clip(image.left + frameWidth);
  for (int32_t r = 0; r < count; ++r) {
    const int32_t row = firstRow + r;
    if (row < 0) continue;
    const uint8_t* pixels = static_cast<const uint8_t*>(picture->ScanLine(row));
    CollectRow(rects, pixels, bpp, leftFrom, leftTo, -image.left, y0 + r);
    CollectRow(rects, pixels, bpp, rightFrom, rightTo, regionWidth - frameWidth - image.left, y0 + r);
  }
}

HRGN RegionWithoutRects(int32_t x, int32_t y, int32_t width, int32_t height, const TAOR& rects) {
  HRGN region = CreateRectRgn(x, y, x + width, y + height);
  for (const vcl::TRect& r : rects) {
    HRGN hole = CreateRectRgn(r.left + x, r.top + y, r.right + x, r.bottom + y);
    CombineRgn(region, region, hole, RGN_DIFF);
    DeleteObject(hole);
  }
  return region;
}

}  // namespace skin
