#include "skin/engine/paint/nine_slice_copy.h"

#include <algorithm>

#include "skin/engine/paint/tile_grid.h"

namespace skin {

namespace {

class TSliceCopier {
 public:
  TSliceCopier(HDC target, HDC source) : target_(target), source_(source) {}

  void Copy(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy) const {
    // A negative size would mirror the copy; such pieces are simply absent.
    if (w > 0 && h > 0) BitBlt(target_, x, y, w, h, source_, sx, sy, SRCCOPY);
  }

  void Stretch(const vcl::TRect& to, int32_t sx, int32_t sy, int32_t sw, int32_t sh) const {
    const int32_t w = to.right - to.left, h = to.bottom - to.top;
    if (w > 0 && h > 0 && sw > 0 && sh > 0) StretchBlt(target_, to.left, to.top, w, h, source_, sx, sy, sw, sh, SRCCOPY);
  }

  // Whole pieces of sw x sh from (sx, sy) over the area, the last column and row cut.
  void Tile(const vcl::TRect& to, int32_t sx, int32_t sy, int32_t sw, int32_t sh) const {
    if (sw <= 0 || sh <= 0) return;
    const TTileSpan span = VisibleTiles(to, DrawableBox(target_), sw, sh);
    for (int64_t x = span.left; x < span.right; x += sw)
      for (int64_t y = span.top; y < span.bottom; y += sh)
        Copy(int32_t(x), int32_t(y), int32_t(std::min<int64_t>(sw, span.right - x)),
             int32_t(std::min<int64_t>(sh, span.bottom - y)), sx, sy);
  }

  // One band by its mode: tiled in pieces of sw x sh, or stretched from the whole source band.
  void Band(int32_t mode, const vcl::TRect& to, int32_t sx, int32_t sy, int32_t sw, int32_t sh) const {
    if (mode == nsTile)
      Tile(to, sx, sy, sw, sh);
    else if (mode == nsStretch)
      Stretch(to, sx, sy, sw, sh);
  }

 private:
  HDC target_;
  HDC source_;
};

}  // namespace

void CopyBmp9Slice(vcl::TBitmap* target, vcl::TBitmap* source, const vcl::TRect& targetRect, bool fillCentre,
                   int32_t centreMode, const vcl::TRect& edgeModes, const vcl::TRect& limits,
                   const vcl::TRect& margins, const vcl::TRect& sourceRect) {
  if (!target || !source || target->Empty() || source->Empty()) return;
  const vcl::TRect& D = targetRect;
  const vcl::TRect& R = sourceRect;
  const vcl::TRect& M = margins;
  if (D.right <= D.left || D.bottom <= D.top) return;
  const int32_t ml = std::min(M.left, limits.left), mr = std::min(M.right, limits.right);
  const int32_t mt = std::min(M.top, limits.top), mb = std::min(M.bottom, limits.bottom);
  const int32_t cw = (R.right - R.left) - M.left - M.right;
  const int32_t ch = (R.bottom - R.top) - M.top - M.bottom;

  HDC dc = target->Canvas()->Handle();
  HDC sdc = source->Canvas()->Handle();
  const int saved = SaveDC(dc);
  // Margins larger than the target rectangle must not spill over its neighbours.
  IntersectClipRect(dc, D.left, D.top, D.right, D.bottom);
  SetStretchBltMode(dc, BLACKONWHITE);
  const TSliceCopier c(dc, sdc);

  // Corners: the outer band at full margin size, the rest of a thinned band limited.
  c.Copy(D.left, D.top, M.left, mt, R.left, R.top);
  if (mt != M.top) c.Copy(D.left, D.top + mt, ml, M.top - mt, R.left, R.top + mt);
  c.Copy(D.left, D.bottom - mb, M.left, mb, R.left, R.bottom - mb);
  if (mb != M.bottom) c.Copy(D.left, D.bottom - M.bottom, ml, M.bottom - mb, R.left, R.bottom - M.bottom);
  c.Copy(D.right - M.right, D.top, M.right, mt, R.right - M.right, R.top);
  if (mt != M.top) c.Copy(D.right - mr, D.top + mt, mr, M.top - mt, R.right - mr, R.top + mt);
  c.Copy(D.right - M.right, D.bottom - mb, M.right, mb, R.right - M.right, R.bottom - mb);
  if (mb != M.bottom) c.Copy(D.right - mr, D.bottom - M.bottom, mr, M.bottom - mb, R.right - mr, R.bottom - M.bottom);

  // Edges.
  const int32_t innerTop = D.top + M.top, innerBottom = D.bottom - M.bottom;
  const int32_t innerLeft = D.left + M.left, innerRight = D.right - M.right;
  c.Band(edgeModes.left, vcl::TRect{D.left, innerTop, D.left + ml, innerBottom}, R.left, R.top + M.top, ml, ch);
  c.Band(edgeModes.top, vcl::TRect{innerLeft, D.top, innerRight, D.top + mt}, R.left + M.left, R.top, cw, mt);
  c.Band(edgeModes.right, vcl::TRect{D.right - mr, innerTop, D.right, innerBottom}, R.right - mr, R.top + M.top, mr,
         ch);
  c.Band(edgeModes.bottom, vcl::TRect{innerLeft, D.bottom - mb, innerRight, D.bottom}, R.left + M.left,
         R.bottom - mb, cw, mb);

  if (fillCentre)
    c.Band(centreMode, vcl::TRect{innerLeft, innerTop, innerRight, innerBottom}, R.left + M.left, R.top + M.top, cw,
           ch);
  RestoreDC(dc, saved);
}

}  // namespace skin
