#include "skin/engine/graphics/mask_painting.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/graphics/mask_geometry.h"
#include "vcl/graphics/canvas.h"

namespace skin {

namespace {

// The background pixel behind target pixel (x, y) into `out` (blue, green, red); false where
// the background image has none.
bool BackgroundPixel(const TsBackgroundInfo& info, int x, int y, uint8_t* out) {
  if (!info.Ready) {
    if (info.FillColor == SkinKeyColor) return false;
    out[0] = uint8_t(info.FillColor >> 16), out[1] = uint8_t(info.FillColor >> 8), out[2] = uint8_t(info.FillColor);
    return true;
  }
  vcl::TBitmap* image = info.Bitmap;
  if (!image) return false;
  const vcl::TPixelFormat format = image->PixelFormat();
  if (format != vcl::pf24bit && format != vcl::pf32bit) return false;
  x += info.X, y += info.Y;
  if (x < 0 || y < 0 || x >= image->Width() || y >= image->Height()) return false;
  const uint8_t* p = static_cast<const uint8_t*>(image->ScanLine(y)) + x * (format == vcl::pf32bit ? 4 : 3);
  out[0] = p[0], out[1] = p[1], out[2] = p[2];
  return true;
}

// One piece of a mask onto the target, clipped to both bitmaps. Key-coloured image pixels
// show the background when `onParent`, else keep the target. A mask half (`maskOffset` rows
// below) blends the other pixels over the target; without one they are copied, with the
// source's own alpha from a 32-bit source into a 32-bit target and alpha 255 otherwise.
void CopyPiece(vcl::TBitmap* target, vcl::TBitmap* source, int tx, int ty, int sx, int sy, int width, int height,
               int maskOffset, bool onParent, const TsBackgroundInfo& info) {
  const int bytes = target->PixelFormat() == vcl::pf32bit ? 4 : 3;
  const int sourceBytes = source->PixelFormat() == vcl::pf32bit ? 4 : 3;
  const int skipX = std::max({0, -tx, -sx}), skipY = std::max({0, -ty, -sy});
  tx += skipX, sx += skipX, ty += skipY, sy += skipY;
  width = std::min({width - skipX, target->Width() - tx, source->Width() - sx});
  height = std::min({height - skipY, target->Height() - ty, source->Height() - sy - maskOffset});
  for (int r = 0; r < height; ++r) {
    const auto* image = static_cast<const uint8_t*>(source->ScanLine(sy + r)) + sx * sourceBytes;
    const uint8_t* weights =
        maskOffset ? static_cast<const uint8_t*>(source->ScanLine(sy + r + maskOffset)) + sx * sourceBytes : nullptr;
    uint8_t* out = static_cast<uint8_t*>(target->ScanLine(ty + r)) + tx * bytes;
    for (int c = 0; c < width; ++c, out += bytes) {
      const uint8_t* p = image + c * sourceBytes;
      if (IsKeyPixel(p)) {
        if (onParent && BackgroundPixel(info, tx + c, ty + r, out) && bytes == 4) out[3] = 255;
        continue;
      }
      const uint8_t* m = weights ? weights + c * sourceBytes : nullptr;
      for (int k = 0; k < 3; ++k) out[k] = m ? uint8_t((p[k] * 256 + (out[k] - p[k]) * m[k]) / 256) : p[k];
      if (bytes == 4) out[3] = sourceBytes == 4 && !m ? p[3] : 255;
    }
  }
}

}  // namespace

void PaintSlicedMask(vcl::TBitmap* target, const vcl::TRect& rect, bool paintCentre, const TsBackgroundInfo& info,
                     const TsMaskData& mask, int32_t state, bool cornersOnParent) {
  if (state == 0 && (mask.StretchMode & 2)) return;
  const int W = rect.right - rect.left, H = rect.bottom - rect.top;
  if (W < 2 || H < 2 || !mask.Manager || mask.ImageCount < 1 || !target) return;
  vcl::TBitmap* source = MaskBitmap(mask);
  if (!source) return;
  const vcl::TPixelFormat format = target->PixelFormat(), sourceFormat = source->PixelFormat();
  if ((format != vcl::pf24bit && format != vcl::pf32bit) ||
      (sourceFormat != vcl::pf24bit && sourceFormat != vcl::pf32bit))
    return;
  // Block transfers from a 24-bit source leave a 32-bit target's alpha at 0: it is made opaque.
  const bool opaqueAfterBlit = format == vcl::pf32bit && sourceFormat == vcl::pf24bit;

  int32_t wl = mask.WL, wr = mask.WR, wt = mask.WT, wb = mask.WB;
  ShrinkMargins(W, wl, wr);
  ShrinkMargins(H, wt, wb);
  state = std::clamp<int32_t>(state, 0, mask.ImageCount - 1);
  const int FW = MaskFrameWidth(mask), FH = MaskFrameHeight(mask);
  const int sx0 = mask.ImageRect.left + FW * state, sy0 = mask.ImageRect.top;
  const int midW = std::max(FW - wl - wr, 0), midH = std::max(FH - wt - wb, 0);
  const bool masked = mask.MaskType > 0;
  const int maskOffset = masked ? (mask.ImageRect.bottom - mask.ImageRect.top) / 2 : 0;
  const bool stretch = !masked && (mask.StretchMode & 1);
  const int L = rect.left, T = rect.top, R = rect.right, B = rect.bottom;

  HDC dc = nullptr, sourceDC = nullptr;
  if (!masked) {
    dc = target->Canvas()->Handle();
    sourceDC = source->Canvas()->Handle();
    if (stretch) {
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
    }
  }
  auto corner = [&](int tx, int ty, int sx, int sy, int w, int h) {
    if (w > 0 && h > 0) CopyPiece(target, source, tx, ty, sx0 + sx, sy0 + sy, w, h, maskOffset, cornersOnParent, info);
  };
  // An edge or the centre over [tx, tx + tw) x [ty, ty + th) from the source piece.
  auto fill = [&](int tx, int ty, int tw, int th, int sx, int sy, int sw, int sh) {
    if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return;
    if (stretch) {
      StretchBlt(dc, tx, ty, tw, th, sourceDC, sx0 + sx, sy0 + sy, sw, sh, SRCCOPY);
      GdiFlush();
      if (opaqueAfterBlit) SetRectAlpha32(target, {tx, ty, tx + tw, ty + th}, 255);
      return;
    }
    TileSpan(ty, ty + th, sh, [&](int y, int h) {
      TileSpan(tx, tx + tw, sw, [&](int x, int w) {
        if (masked) {
          CopyPiece(target, source, x, y, sx0 + sx, sy0 + sy, w, h, maskOffset, false, EmptyBackgroundInfo);
        } else {
          BitBlt(dc, x, y, w, h, sourceDC, sx0 + sx, sy0 + sy, SRCCOPY);
        }
      });
    });
    if (masked) return;
    GdiFlush();
    if (opaqueAfterBlit) SetRectAlpha32(target, {tx, ty, tx + tw, ty + th}, 255);
  };

  corner(L, T, 0, 0, wl, wt);
  fill(L, T + wt, wl, H - wt - wb, 0, wt, wl, midH);
  fill(L + wl, T, W - wl - wr, wt, wl, 0, midW, wt);
  corner(L, B - wb, 0, FH - wb, wl, wb);
  fill(L + wl, B - wb, W - wl - wr, wb, wl, FH - wb, midW, wb);
  corner(R - wr, B - wb, wl + midW, FH - wb, wr, wb);
  corner(R - wr, T, wl + midW, 0, wr, wt);
  fill(R - wr, T + wt, wr, H - wt - wb, wl + midW, wt, wr, midH);
  if (paintCentre && (mask.StretchMode & 4)) fill(L + wl, T + wt, W - wl - wr, H - wt - wb, wl, wt, midW, midH);
}

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

void PaintMaskGlyph(vcl::TBitmap* target, vcl::TPoint point, int32_t state, const TsBackgroundInfo& info,
                    const TsMaskData& mask, int fadeMode) {
  if (!target) return;
  const int FW = MaskFrameWidth(mask), FH = MaskFrameHeight(mask);
  if (FW <= 0 || FH <= 0) return;
  state = std::clamp<int32_t>(state, 0, mask.ImageCount - 1);
  const vcl::TRect& R = mask.ImageRect;
  const int g = std::max<int>(-point.x, 0), f = std::max<int>(-point.y, 0);
  const vcl::TRect source{R.left + FW * state + g, R.top + f, R.left + FW * state + FW - 1, R.top + FH - 1};
  const vcl::TRect placed{point.x + g, point.y + f, point.x + g + (source.right - source.left),
                          point.y + f + (source.bottom - source.top)};
  if (source.right < source.left || source.bottom < source.top) return;
  if (mask.Image) {
    if (mask.Image->Width() >= R.right && mask.Image->Height() >= R.bottom)
      CopyGlyphThroughMask(placed, source, target, mask, fadeMode, mask.Image.get());
    return;
  }
  vcl::TBitmap* master = mask.Manager ? mask.Manager->MasterBitmap() : nullptr;
  if (!master) return;
  if (mask.MaskType > 0) {
    CopyGlyphThroughMask(placed, source, target, mask, fadeMode, master);
  } else if (fadeMode == kGlyphNormal) {
    const vcl::TPixelFormat format = target->PixelFormat();
    if ((format == vcl::pf24bit || format == vcl::pf32bit) && master->PixelFormat() == vcl::pf24bit)
      CopyPiece(target, master, placed.left, placed.top, source.left, source.top, source.right - source.left + 1,
                source.bottom - source.top + 1, 0, true, info);
  } else {
    BlendBmpByFactor(target, placed.left, placed.top, SkinKeyColor, 0.5, source, master);
  }
}

void CopyMaskTileOnBg(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                      const TsMaskData& mask, const TsBackgroundInfo& info) {
  vcl::TBitmap* source = mask.Manager ? MaskBitmap(mask) : nullptr;
  if (!target || !source || target->PixelFormat() != vcl::pf24bit || source->PixelFormat() != vcl::pf24bit) return;
  int tx = targetRect.left, ty = targetRect.top, sx = sourceRect.left, sy = sourceRect.top;
  const int skipX = std::max({0, -tx, -sx}), skipY = std::max({0, -ty, -sy});
  tx += skipX, sx += skipX, ty += skipY, sy += skipY;
  const int maskOffset = (mask.ImageRect.bottom - mask.ImageRect.top) / 2;
  const int columns = std::min({int(targetRect.right - targetRect.left), int(sourceRect.right - sourceRect.left)}) -
                      skipX;
  const int rows = std::min({int(targetRect.bottom - targetRect.top), int(sourceRect.bottom - sourceRect.top)}) - skipY;
  const int width = std::min({columns, target->Width() - tx, source->Width() - sx});
  const int height = std::min({rows, target->Height() - ty, source->Height() - sy - maskOffset});
  if (width <= 0 || height <= 0) return;

  vcl::TBitmap* image = info.Ready ? info.Bitmap : nullptr;
  const vcl::TPixelFormat imageFormat = image ? image->PixelFormat() : vcl::pfDevice;
  const bool imageUsable = imageFormat == vcl::pf24bit || imageFormat == vcl::pf32bit;
  const int imageBytes = imageFormat == vcl::pf32bit ? 4 : 3;
  // The fill colour stands for a missing image, and over a 32-bit image when it is set.
  const bool useFill = info.FillColor != SkinKeyColor && (!info.Ready || imageFormat == vcl::pf32bit);
  const uint8_t fill[3] = {uint8_t(info.FillColor >> 16), uint8_t(info.FillColor >> 8), uint8_t(info.FillColor)};

  for (int r = 0; r < height; ++r) {
    const auto* picture = static_cast<const uint8_t*>(source->ScanLine(sy + r)) + sx * 3;
    const auto* weights = static_cast<const uint8_t*>(source->ScanLine(sy + r + maskOffset)) + sx * 3;
    uint8_t* out = static_cast<uint8_t*>(target->ScanLine(ty + r)) + tx * 3;
    const int by = ty + r + info.Y;
    const uint8_t* backRow =
        imageUsable && by >= 0 && by < image->Height() ? static_cast<const uint8_t*>(image->ScanLine(by)) : nullptr;
    for (int c = 0; c < width; ++c, out += 3) {
      const uint8_t* p = picture + c * 3;
      if (!IsKeyPixel(p)) {
        for (int k = 0; k < 3; ++k)
          out[k] = uint8_t(std::clamp((weights[c * 3 + k] * (out[k] - p[k]) + p[k] * 256) / 256, 0, 255));
      } else if (useFill) {
        std::copy(fill, fill + 3, out);
      } else if (info.Ready && imageUsable) {
        const int bx = tx + c + info.X;
        if (bx >= image->Width()) break;  // the rest of the row lies right of the image too
        if (backRow && bx >= 0) std::copy_n(backRow + bx * imageBytes, 3, out);
      }
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
