#include "imaging/transitions/halftone_blit.h"

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

}  // namespace

void HalftoneBlt(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, HDC from, int32_t u, int32_t v, int32_t p,
                 int32_t q) {
  bitmap::TRgbRows to, source;
  if (PictureRows(dc, to) && PictureRows(from, source)) {
    // Drawing still queued for either picture lands before the rows are read or written.
    GdiFlush();
    if (bitmap::HalftoneStretch(to, x, y, w, h, source, u, v, p, q)) return;
  }
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, x, y, w, h, from, u, v, p, q, SRCCOPY);
}

}  // namespace imaging
