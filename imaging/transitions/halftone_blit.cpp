#include "imaging/transitions/halftone_blit.h"

#include <algorithm>

#include "bitmap/engine/halftone_stretch.h"

namespace imaging {

namespace {

// The rows of the 24-bit picture selected into `dc`, when drawing into it is plain pixel
// addressing: no clipping region, no mapping, no moved origin.
bool PictureRows(HDC dc, bitmap::TRgbRows& rows) {
  if (GetMapMode(dc) != MM_TEXT) return false;
  POINT origin;
  if (!GetViewportOrgEx(dc, &origin) || origin.x != 0 || origin.y != 0) return false;
  if (!GetWindowOrgEx(dc, &origin) || origin.x != 0 || origin.y != 0) return false;
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  const int clipped = GetClipRgn(dc, clip);
  DeleteObject(clip);
  if (clipped != 0) return false;
  HGDIOBJ object = GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION dib{};
  if (!object || GetObjectW(object, sizeof(dib), &dib) != int(sizeof(dib))) return false;
  if (!dib.dsBm.bmBits || dib.dsBm.bmBitsPixel != 24 || dib.dsBmih.biCompression != BI_RGB) return false;
  auto* bits = static_cast<uint8_t*>(dib.dsBm.bmBits);
  const ptrdiff_t stride = dib.dsBm.bmWidthBytes;
  rows.Width = dib.dsBm.bmWidth;
  rows.Height = dib.dsBm.bmHeight;
  // A positive height stores the rows bottom-up.
  rows.Bits = dib.dsBmih.biHeight > 0 ? bits + stride * (rows.Height - 1) : bits;
  rows.Stride = dib.dsBmih.biHeight > 0 ? -stride : stride;
  return true;
}

struct TBlock {
  int32_t left, top, right, bottom;
};

bool Intersect(TBlock& a, const TBlock& b) {
  a = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return a.left < a.right && a.top < a.bottom;
}

// A stretch whose blocks reach outside their pictures is drawn by the platform between the
// visible parts: the destination's part is cut to what the visible source maps to, the
// source's to what that visible destination maps back to (each widened by a pixel against
// rounding), and the two parts are then stretched onto each other as whole blocks. The same
// parts are worked out here so that the engine stretches exactly what the platform would.
bool VisibleBlocks(const bitmap::TRgbRows& to, TBlock& dst, const bitmap::TRgbRows& from, TBlock& src) {
  const TBlock dstBlock = dst, srcBlock = src;
  const int64_t w = dst.right - dst.left, h = dst.bottom - dst.top;
  const int64_t p = src.right - src.left, q = src.bottom - src.top;
  if (!Intersect(dst, TBlock{0, 0, to.Width, to.Height})) return false;
  if (!Intersect(src, TBlock{0, 0, from.Width, from.Height})) return false;
  TBlock mapped{int32_t((src.left - srcBlock.left) * w / p) + dstBlock.left - 1,
                int32_t((src.top - srcBlock.top) * h / q) + dstBlock.top - 1,
                int32_t((src.right - srcBlock.left) * w / p) + dstBlock.left + 1,
                int32_t((src.bottom - srcBlock.top) * h / q) + dstBlock.top + 1};
  if (!Intersect(dst, mapped)) return false;
  mapped = TBlock{int32_t((dst.left - dstBlock.left) * p / w) + srcBlock.left - 1,
                  int32_t((dst.top - dstBlock.top) * q / h) + srcBlock.top - 1,
                  int32_t((dst.right - dstBlock.left) * p / w) + srcBlock.left + 1,
                  int32_t((dst.bottom - dstBlock.top) * q / h) + srcBlock.top + 1};
  return Intersect(src, mapped);
}

}  // namespace

void HalftoneBlt(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, HDC from, int32_t u, int32_t v, int32_t p,
                 int32_t q) {
  bitmap::TRgbRows to, source;
  if (PictureRows(dc, to) && PictureRows(from, source)) {
    // Drawing still queued for either picture lands before the rows are read or written.
    GdiFlush();
    TBlock dst{x, y, x + w, y + h}, src{u, v, u + p, v + q};
    if (w > 0 && h > 0 && p > 0 && q > 0 && (w != p || h != q)) {
      // Nothing of the block is visible: the platform draws nothing either.
      if (!VisibleBlocks(to, dst, source, src)) return;
    }
    if (bitmap::HalftoneStretch(to, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, source, src.left,
                                src.top, src.right - src.left, src.bottom - src.top))
      return;
  }
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, x, y, w, h, from, u, v, p, q, SRCCOPY);
}

}  // namespace imaging
