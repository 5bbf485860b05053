#include "skin/engine/graphics/disabled_look.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/graphics/mask_geometry.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"

namespace skin {

namespace {

int BytesOf(vcl::TBitmap* bitmap) {
  if (!bitmap) return 0;
  const vcl::TPixelFormat format = bitmap->PixelFormat();
  return format == vcl::pf32bit ? 4 : format == vcl::pf24bit ? 3 : 0;
}

}  // namespace

void ApplyDisabledKind(vcl::TBitmap* image, TsDisabledKind kinds, vcl::TControl* parent, vcl::TPoint position,
                       TsBackgroundInfo info) {
  if (!image || image->Empty()) return;
  if (kinds.Contains(dkGrayed)) GrayscaleBmp(image);
  if (!kinds.Contains(dkBlended)) return;
  if (info.Ready && info.Bitmap) {
    const int left = info.X + position.x, top = info.Y + position.y;
    BlendBmpByFactor(image, 0, 0, -1, 0.4, {left, top, left + image->Width() - 1, top + image->Height() - 1},
                     info.Bitmap);
  } else {
    const int32_t colour = info.FillColor != SkinKeyColor ? info.FillColor : GetControlBgColor(parent);
    BlendRectWithColor(image, {0, 0, image->Width(), image->Height()}, 50, colour);
  }
}

void RestoreParentCorners(TsCommonData* link, int32_t state, uint8_t corners) {
  if (!link) return;
  TsSkinManager* manager = link->GetSkinManager();
  vcl::TControl* control = link->LinkedControl;
  vcl::TBitmap* cache = link->CacheBitmap.get();
  if (!manager || !control || !cache || !manager->IsMaskIndexValid(link->BorderMaskIndex)) return;
  const int W = control->Width(), H = control->Height();
  if (W < 2 || H < 2) return;

  TsBackgroundRequest request;
  RequestCtrlBackground(request, control->Parent(), false);
  TsBackgroundInfo parent;
  if (request.Kind == bkBitmap && request.Bitmap) {
    parent.Bitmap = request.Bitmap;
    parent.X = request.OffsetX + control->Left();
    parent.Y = request.OffsetY + control->Top();
    parent.Ready = true;
  } else {
    parent.FillColor = vcl::ColorToRGB(request.Color);
  }

  TsMaskData mask = manager->Masks[size_t(link->BorderMaskIndex)];
  if (mask.ImageCount == 0 && mask.Image) {
    // An own image without frames holds three frames over a mask half.
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.ImageRect = {0, 0, mask.Image->Width(), mask.Image->Height()};
  }
  vcl::TBitmap* bitmap = MaskBitmap(mask);
  if (!bitmap) return;
  if (mask.ImageCount < 1) mask.ImageCount = 1;
  const vcl::TRect& R = mask.ImageRect;
  state = std::clamp<int32_t>(state, 0, mask.ImageCount - 1);
  const int X = (R.right - R.left) * state / mask.ImageCount;
  const int T = std::max<int>(mask.MaskType, 0);
  const int FH = (R.bottom - R.top) / (T + 1);
  const int midW = MaskFrameWidth(mask) - mask.WL - mask.WR;
  const int WL = mask.WL, WT = mask.WT, WR = mask.WR, WB = mask.WB;

  struct Corner {
    uint8_t bit;
    int sx, sy, w, h, cx, cy;
  } const table[] = {
      {kCornerBitTopLeft, 0, 0, WL, WT, 0, 0},
      {kCornerBitBottomLeft, 0, FH - WB, WL, WB, 0, H - WB},
      {kCornerBitBottomRight, WL + midW, FH - WB, WR, WB, W - WR, H - WB},
      {kCornerBitTopRight, WL + midW, 0, WR, WT, W - WR, 0},
  };
  for (const Corner& c : table) {
    if (!(corners & c.bit) || c.w <= 0 || c.h <= 0) continue;
    const int left = R.left + X + c.sx, top = R.top + c.sy;
    if (T == 0)
      RestoreCornerKeyColor(cache, bitmap, c.cx, c.cy, {left, top, left + c.w - 1, top + c.h - 1}, parent);
    else
      RestoreCornerMasked(cache, {c.cx, c.cy, c.cx + c.w, c.cy + c.h}, {left, top, left + c.w, top + c.h}, bitmap,
                          parent);
  }
}

void PaintTransparentCorners(TsCommonData* link, int32_t state) { RestoreParentCorners(link, state, kAllCorners); }

void RestoreCornerKeyColor(vcl::TBitmap* cache, vcl::TBitmap* maskBitmap, int32_t x, int32_t y,
                           const vcl::TRect& sourceRect, const TsBackgroundInfo& parent) {
  const int cacheBytes = BytesOf(cache), maskBytes = BytesOf(maskBitmap);
  if (!cacheBytes || !maskBytes) return;
  vcl::TBitmap* image = parent.Ready ? parent.Bitmap : nullptr;
  const int imageBytes = BytesOf(image);
  if (parent.Ready && !imageBytes) return;  // an image of another depth leaves the corner alone
  if (!parent.Ready && parent.FillColor == SkinKeyColor) return;
  const int left = std::max<int>(sourceRect.left, 0), top = std::max<int>(sourceRect.top, 0);
  const int right = std::min<int>(sourceRect.right, maskBitmap->Width() - 1);
  const int bottom = std::min<int>(sourceRect.bottom, maskBitmap->Height() - 1);
  const uint8_t fill[3] = {uint8_t(parent.FillColor >> 16), uint8_t(parent.FillColor >> 8),
                           uint8_t(parent.FillColor)};
  for (int sy = top; sy <= bottom; ++sy) {
    const int cy = y + sy - top;
    if (cy < 0 || cy >= cache->Height()) continue;
    const auto* source = static_cast<const uint8_t*>(maskBitmap->ScanLine(sy));
    auto* out = static_cast<uint8_t*>(cache->ScanLine(cy));
    for (int sx = left; sx <= right; ++sx) {
      const int cx = x + sx - left;
      if (cx < 0 || cx >= cache->Width() || !IsKeyPixel(source + sx * maskBytes)) continue;
      uint8_t* p = out + cx * cacheBytes;
      if (!image) {
        std::copy(fill, fill + 3, p);
        continue;
      }
      const int ix = cx + parent.X, iy = cy + parent.Y;
      if (ix >= 0 && iy >= 0 && ix < image->Width() && iy < image->Height())
        std::copy_n(static_cast<const uint8_t*>(image->ScanLine(iy)) + ix * imageBytes, 3, p);
    }
  }
}

void RestoreCornerMasked(vcl::TBitmap* cache, const vcl::TRect& targetRect, const vcl::TRect& sourceRect,
                         vcl::TBitmap* maskBitmap, const TsBackgroundInfo& parent) {
  const int cacheBytes = BytesOf(cache), maskBytes = BytesOf(maskBitmap);
  if (!cacheBytes || !maskBytes) return;
  vcl::TBitmap* image = parent.Ready ? parent.Bitmap : nullptr;
  const int imageBytes = BytesOf(image);
  if (parent.Ready && !imageBytes) return;
  int tx = targetRect.left, ty = targetRect.top, sx = sourceRect.left, sy = sourceRect.top;
  const int skipX = std::max({0, -tx, -sx}), skipY = std::max({0, -ty, -sy});
  tx += skipX, sx += skipX, ty += skipY, sy += skipY;
  const int width = std::min({int(targetRect.right - targetRect.left) - skipX,
                              int(sourceRect.right - sourceRect.left) - skipX, cache->Width() - tx,
                              maskBitmap->Width() - sx});
  const int height = std::min({int(targetRect.bottom - targetRect.top) - skipY,
                               int(sourceRect.bottom - sourceRect.top) - skipY, cache->Height() - ty,
                               maskBitmap->Height() - sy});
  const uint8_t fill[3] = {uint8_t(parent.FillColor >> 16), uint8_t(parent.FillColor >> 8),
                           uint8_t(parent.FillColor)};
  for (int r = 0; r < height; ++r) {
    const auto* source = static_cast<const uint8_t*>(maskBitmap->ScanLine(sy + r)) + sx * maskBytes;
    auto* out = static_cast<uint8_t*>(cache->ScanLine(ty + r)) + tx * cacheBytes;
    const int iy = ty + r + parent.Y;
    for (int c = 0; c < width; ++c) {
      if (!IsKeyPixel(source + c * maskBytes)) continue;
      uint8_t* p = out + c * cacheBytes;
      if (!image) {
        std::copy(fill, fill + 3, p);
        continue;
      }
      const int ix = tx + c + parent.X;
      if (ix >= image->Width()) break;  // the rest of the row lies right of the image too
      if (ix >= 0 && iy >= 0 && iy < image->Height())
        std::copy_n(static_cast<const uint8_t*>(image->ScanLine(iy)) + ix * imageBytes, 3, p);
    }
  }
}

}  // namespace skin
