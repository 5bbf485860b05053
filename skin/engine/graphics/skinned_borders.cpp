#include "skin/engine/graphics/skinned_borders.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_geometry.h"
#include "skin/engine/skin_painting.h"
#include "vcl/graphics/canvas.h"

namespace skin {

namespace {

// The rectangle of the mask's frames; a mask without frames is one frame over its own image.
bool MaskFrames(const TsMaskData& mask, vcl::TRect& rect, int32_t& count) {
  rect = mask.ImageRect;
  count = mask.ImageCount;
  if (count >= 1) return true;
  if (!mask.Image) return false;
  rect = vcl::TRect{0, 0, mask.Image->Width(), mask.Image->Height()};
  count = 1;
  return true;
}

void CutRun(HRGN region, int left, int right, int y) {
  if (!region || right <= left) return;
  HRGN run = CreateRectRgn(left, y, right, y + 1);
  CombineRgn(region, region, run, RGN_DIFF);
  DeleteObject(run);
}

}  // namespace

void CopyMaskPieceRgn(int targetLeft, int targetTop, int targetRight, int targetBottom, int sourceLeft,
                      int sourceTop, int sourceRight, int sourceBottom, bool corner, const TsMaskData& mask,
                      HRGN region, vcl::TBitmap* target) {
  if (targetLeft < 0 || targetTop < 0 || targetRight < 0 || targetBottom < 0 || !mask.Manager) return;
  if (!target || target->Width() < 2 || target->Height() < 2 || target->PixelFormat() != vcl::pf24bit) return;
  vcl::TBitmap* source = MaskBitmap(mask);
  if (!source || source->PixelFormat() != vcl::pf24bit) return;
  // Margins come from the skin: the rectangles are clipped to both bitmaps here.
  if (sourceLeft < 0) targetLeft -= sourceLeft, sourceLeft = 0;
  if (sourceTop < 0) targetTop -= sourceTop, sourceTop = 0;
  int width = std::min(targetRight - targetLeft, sourceRight - sourceLeft) + 1;
  int height = std::min(targetBottom - targetTop, sourceBottom - sourceTop) + 1;
  width = std::min({width, target->Width() - targetLeft, source->Width() - sourceLeft});
  height = std::min({height, target->Height() - targetTop, source->Height() - sourceTop});
  const bool masked = mask.MaskType == 1;
  vcl::TRect frames;
  int32_t count;
  if (!MaskFrames(mask, frames, count)) frames = mask.ImageRect;
  const int maskOffset = masked ? (frames.bottom - frames.top) / 2 : 0;
  if (masked) height = std::min(height, source->Height() - sourceTop - maskOffset);
  if (width <= 0 || height <= 0) return;

  for (int r = 0; r < height; ++r) {
    const auto* image = static_cast<const uint8_t*>(source->ScanLine(sourceTop + r)) + sourceLeft * 3;
    const uint8_t* weights =
        masked ? static_cast<const uint8_t*>(source->ScanLine(sourceTop + r + maskOffset)) + sourceLeft * 3 : nullptr;
    uint8_t* out = static_cast<uint8_t*>(target->ScanLine(targetTop + r)) + targetLeft * 3;
    int runStart = -1;
    for (int c = 0; c < width; ++c) {
      const uint8_t* p = image + c * 3;
      if (corner && IsKeyPixel(p)) {
        if (runStart < 0) runStart = c;
        continue;
      }
      if (runStart >= 0) CutRun(region, targetLeft + runStart, targetLeft + c, targetTop + r), runStart = -1;
      uint8_t* t = out + c * 3;
      for (int k = 0; k < 3; ++k) {
        if (!weights) {
          t[k] = p[k];
        } else {
          const int m = weights[c * 3 + k];
          t[k] = uint8_t(std::clamp(((t[k] - p[k]) * m + p[k] * 256) / 256, 0, 255));
        }
      }
    }
    if (runStart >= 0) CutRun(region, targetLeft + runStart, targetLeft + width, targetTop + r);
  }
}

void PaintSkinnedBorder(HDC dc, const vcl::TRect& rect, int32_t borderWidth, int32_t state, TsCommonData* link,
                        vcl::TRect& inner) {
  if (!link) return;
  const int32_t E = borderWidth;
  const vcl::TColor colour = link->BgColorForState(state);
  vcl::TControl* control = link->LinkedControl;
  TsBackgroundRequest request;
  if (control && control->Parent()) {
    RequestCtrlBackground(request, control->Parent(), false);
    request.OffsetX += control->Left();
    request.OffsetY += control->Top();
  }
  TsSkinManager* manager = link->GetSkinManager();
  if (link->BorderMaskIndex < 0 || !manager || !manager->IsMaskIndexValid(link->BorderMaskIndex)) {
    if (E > 0) PaintSolidFrame(dc, rect, E, E, E, E, colour);
    return;
  }
  const TsMaskData& mask = manager->Masks[size_t(link->BorderMaskIndex)];
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  HDC cacheDC = cache->Canvas()->Handle();
  const int32_t WL = mask.WL, WT = mask.WT, WR = mask.WR, WB = mask.WB;
  if (mask.MaskType == 1) {
    // The mask half lets through what lies under the border: the parent's own image there.
    if (request.Kind == bkBitmap && request.Bitmap) {
      BitBlt(cacheDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
             request.Bitmap->Canvas()->Handle(), rect.left + request.OffsetX, rect.top + request.OffsetY, SRCCOPY);
      GdiFlush();
    } else {
      PaintSolidFrame(cacheDC, rect, WL, WT, WR, WB, colour);
    }
  }
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  PaintSlicedMask(cache, rect, false, info, mask, state, true);

  inner = vcl::TRect{rect.left + WL, rect.top + WT, rect.right - WR, rect.bottom - WB};
  if (E <= 0) return;
  // Where the mask is narrower than the border, the background colour makes up the rest.
  const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
  PaintSolidFrame(cacheDC, inner, std::max(std::min(E, width - WR) - WL, 0), std::max(std::min(E, height - WB) - WT, 0),
                  std::max(std::min(E, width - WL) - WR, 0), std::max(std::min(E, height - WT) - WB, 0), colour);
  inner = vcl::TRect{rect.left + E, rect.top + E, rect.right - E, rect.bottom - E};
  inner.right = std::max(inner.right, inner.left);
  inner.bottom = std::max(inner.bottom, inner.top);
  if (dc != cacheDC) CopyBorderStrips(dc, rect.left, rect.top, width, height, cacheDC, rect.left, rect.top, E);
}

void PaintMaskBorderRgn(vcl::TBitmap* target, HRGN region, bool paintCentre, int state, const TsMaskData& mask) {
  if (!target || target->Width() < 2 || target->Height() < 2 || !mask.Manager) return;
  vcl::TBitmap* source = MaskBitmap(mask);
  vcl::TRect frames;
  int32_t count;
  if (!source || !MaskFrames(mask, frames, count)) return;
  const int W = target->Width(), H = target->Height();
  const int T = std::max<int>(mask.MaskType, 0);
  state = std::clamp(state, 0, count - 1);
  const int FW = (frames.right - frames.left) / count;
  const int FH = (frames.bottom - frames.top) / (T + 1);
  const int X0 = frames.left + FW * state, Y0 = frames.top;
  const int midW = std::max(FW - mask.WL - mask.WR, 0), midH = std::max(FH - mask.WT - mask.WB, 0);
  int32_t wl = mask.WL, wr = mask.WR, wt = mask.WT, wb = mask.WB;
  ShrinkMargins(W, wl, wr);
  ShrinkMargins(H, wt, wb);

  auto piece = [&](int tx, int ty, int sx, int sy, int w, int h, bool corner) {
    if (w > 0 && h > 0) CopyMaskPieceRgn(tx, ty, tx + w - 1, ty + h - 1, sx, sy, sx + w - 1, sy + h - 1, corner, mask, region, target);
  };
  const bool stretch = (mask.StretchMode & 1) && T != 1;
  HDC dc = nullptr, sourceDC = nullptr;
  if (stretch) {
    dc = target->Canvas()->Handle();
    sourceDC = source->Canvas()->Handle();
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
  }
  // An edge or the centre: one stretched transfer, or tiles of the source piece.
  auto fill = [&](int tx, int ty, int tw, int th, int sx, int sy, int sw, int sh) {
    if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return;
    if (stretch) {
      StretchBlt(dc, tx, ty, tw, th, sourceDC, sx, sy, sw, sh, SRCCOPY);
      GdiFlush();
      return;
    }
    TileSpan(ty, ty + th, sh, [&](int y, int h) {
      TileSpan(tx, tx + tw, sw, [&](int x, int w) { piece(x, y, sx, sy, w, h, false); });
    });
  };

  piece(0, 0, X0, Y0, wl, wt, true);
  piece(0, H - wb, X0, Y0 + FH - wb, wl, wb, true);
  if (midH > 0) fill(0, wt, wl, H - wb - wt, X0, Y0 + wt, wl, midH);
  if (midW > 0) fill(wl, 0, W - wr - wl, wt, X0 + wl, Y0, midW, wt);
  if (midW > 0) fill(wl, H - wb, W - wr - wl, wb, X0 + wl, Y0 + FH - wb, midW, wb);
  if (midH > 0) fill(W - wr, wt, wr, H - wb - wt, X0 + FW - wr, Y0 + wt, wr, midH);
  piece(W - wr, H - wb, X0 + FW - wr, Y0 + FH - wb, wr, wb, true);
  piece(W - wr, 0, X0 + FW - wr, Y0, wr, wt, true);
  if (paintCentre && (mask.StretchMode & 4) && midW > 0 && midH > 0)
    fill(wl, wt, W - wr - wl, H - wb - wt, X0 + wl, Y0 + wt, midW, midH);
}

}  // namespace skin
