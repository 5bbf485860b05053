#include "skin/engine/bitmap_ops.h"

#include <algorithm>
#include <cmath>

#include "skin/engine/fast_pixels.h"
#include "skin/engine/skin_types.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

// Row access to a 24- or 32-bit bitmap; `bytes` is 0 for any other format or no bitmap.
struct TRows {
  uint8_t* first = nullptr;
  intptr_t delta = 0;
  int32_t bytes = 0;
  int32_t width = 0;
  int32_t height = 0;

  explicit TRows(vcl::TBitmap* bitmap) {
    if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return;
    vcl::TPixelFormat format = bitmap->PixelFormat();
    if (format != vcl::pf24bit && format != vcl::pf32bit) return;
    first = static_cast<uint8_t*>(bitmap->ScanLine(0));
    delta = bitmap->Height() > 1 ? static_cast<uint8_t*>(bitmap->ScanLine(1)) - first : 0;
    bytes = format == vcl::pf32bit ? 4 : 3;
    width = bitmap->Width();
    height = bitmap->Height();
  }
  bool Valid() const { return bytes != 0; }
  uint8_t* At(int32_t x, int32_t y) const { return first + y * delta + x * bytes; }
};

uint8_t Red(vcl::TColor c) { return uint8_t(c); }
uint8_t Green(vcl::TColor c) { return uint8_t(c >> 8); }
uint8_t Blue(vcl::TColor c) { return uint8_t(c >> 16); }

bool KeyActive(vcl::TColor key) { return uint32_t(key) < 0xFF000000u; }

uint8_t RoundByte(double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

std::unique_ptr<vcl::TBitmap> CreateBmp(int32_t width, int32_t height, vcl::TPixelFormat format) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetHandleType(vcl::bmDIB);
  bitmap->SetSize(std::max(width, 0), std::max(height, 0));
  return bitmap;
}

bool IsSplitter(const vcl::TObject* object) {
  for (const vcl::TMetaClass* c = object->ClassType(); c; c = c->ClassParent())
    if (c->ClassNameIs("TsSplitter")) return true;
  return false;
}

}  // namespace

std::unique_ptr<vcl::TBitmap> CreateBmp24(int32_t width, int32_t height) {
  return CreateBmp(width, height, vcl::pf24bit);
}

std::unique_ptr<vcl::TBitmap> CreateBmp32(int32_t width, int32_t height) {
  return CreateBmp(width, height, vcl::pf32bit);
}

std::unique_ptr<vcl::TBitmap> CreateBmpLike(vcl::TBitmap* bitmap) {
  if (!bitmap) return CreateBmp24(0, 0);
  return CreateBmp(bitmap->Width(), bitmap->Height(), bitmap->PixelFormat());
}

void PaintSolidRect(HDC dc, const vcl::TRect& rect, vcl::TColor colour) {
  HBRUSH brush = CreateSolidBrush(COLORREF(vcl::ColorToRGB(colour)));
  int saved = SaveDC(dc);
  FillRect(dc, &rect, brush);
  RestoreDC(dc, saved);
  DeleteObject(brush);
}

void PaintSolidFrame(HDC dc, const vcl::TRect& r, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     vcl::TColor colour) {
  HBRUSH brush = CreateSolidBrush(COLORREF(vcl::ColorToRGB(colour)));
  int saved = SaveDC(dc);
  const vcl::TRect bands[4] = {
      {r.left, r.top, r.right, r.top + top},
      {r.left, r.top + top, r.left + left, r.bottom},
      {r.left + left, r.bottom - bottom, r.right, r.bottom},
      {r.right - right, r.top + top, r.right, r.bottom - bottom},
  };
  for (const vcl::TRect& band : bands)
    if (band.right > band.left && band.bottom > band.top) FillRect(dc, &band, brush);
  RestoreDC(dc, saved);
  DeleteObject(brush);
}

void CopyBorderStrips(HDC target, int32_t x, int32_t y, int32_t width, int32_t height, HDC source, int32_t srcX,
                      int32_t srcY, int32_t b) {
  if (b <= 0 || width <= 0 || height <= 0) return;
  BitBlt(target, x, y, b, height, source, srcX, srcY, SRCCOPY);
  BitBlt(target, x + b, y, width - b, b, source, srcX + b, srcY, SRCCOPY);
  BitBlt(target, x + width - b, y + b, b, height - b, source, srcX + width - b, srcY + b, SRCCOPY);
  BitBlt(target, x + b, y + height - b, width - b, b, source, srcX + b, srcY + height - b, SRCCOPY);
}

void ExcludeGraphicControls(HDC dc, vcl::TWinControl* container, int32_t dx, int32_t dy) {
  if (!container || CacheCoversGraphicChildren) return;
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    if (!child || dynamic_cast<vcl::TWinControl*>(child) || !child->Visible() || IsSplitter(child)) continue;
    vcl::TRect r = child->BoundsRect();
    ExcludeClipRect(dc, r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
  }
}

namespace {

bool Grayscale(vcl::TBitmap* bitmap, bool useKey, vcl::TColor key) {
  TRows rows(bitmap);
  if (!rows.Valid()) return false;
  for (int32_t y = 0; y < rows.height; ++y)
    for (int32_t x = 0; x < rows.width; ++x) {
      uint8_t* p = rows.At(x, y);
      if (useKey && IsKeyPixel(p, key)) continue;
      p[0] = p[1] = p[2] = uint8_t((p[0] + p[1] + p[2]) / 3);
    }
  return true;
}

}  // namespace

bool GrayscaleBmp(vcl::TBitmap* bitmap) { return Grayscale(bitmap, false, 0); }

bool GrayscaleBmpExcept(vcl::TBitmap* bitmap, vcl::TColor key) { return Grayscale(bitmap, true, key); }

vcl::TColor BlendColors(vcl::TColor c1, vcl::TColor c2, double factor) {
  uint32_t result = uint32_t(c1) & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    double a = (uint32_t(c1) >> shift) & 0xFF, b = (uint32_t(c2) >> shift) & 0xFF;
    result |= uint32_t(RoundByte(factor * a + (1 - factor) * b)) << shift;
  }
  return vcl::TColor(result);
}

void BlendBmpByFactor(vcl::TBitmap* target, int32_t x, int32_t y, vcl::TColor key, double factor, vcl::TRect r,
                      vcl::TBitmap* source) {
  TRows t(target), s(source);
  if (!t.Valid() || !s.Valid()) return;
  // Clipped in 64 bits, so that no rectangle or point overflows on the way.
  int64_t left = r.left, top = r.top, right = r.right, bottom = r.bottom, tx = x, ty = y;
  // The source rectangle is clipped to the source, moving the target point with it.
  if (top < 0) ty -= top, top = 0;
  if (left < 0) tx -= left, left = 0;
  right = std::min<int64_t>(right, s.width - 1);
  bottom = std::min<int64_t>(bottom, s.height - 1);
  // Then to the target: columns and rows left of or above it are not drawn.
  if (tx < 0) left -= tx, tx = 0;
  if (ty < 0) top -= ty, ty = 0;
  right = std::min<int64_t>(right, left + (t.width - 1 - tx));
  bottom = std::min<int64_t>(bottom, top + (t.height - 1 - ty));
  if (right < left || bottom < top) return;
  const bool keyed = KeyActive(key);
  for (int64_t sy = top; sy <= bottom; ++sy) {
    const uint8_t* sp = s.At(int32_t(left), int32_t(sy));
    uint8_t* tp = t.At(int32_t(tx), int32_t(ty + (sy - top)));
    for (int64_t sx = left; sx <= right; ++sx, sp += s.bytes, tp += t.bytes) {
      if (keyed && IsKeyPixel(sp, key)) continue;
      for (int c = 0; c < 3; ++c) tp[c] = RoundByte(sp[c] - factor * (sp[c] - tp[c]));
    }
  }
}

void TintBitmap(vcl::TBitmap* bitmap, vcl::TColor colour, vcl::TColor key, double factor) {
  TRows rows(bitmap);
  if (!rows.Valid()) return;
  const uint8_t c[3] = {Blue(colour), Green(colour), Red(colour)};
  for (int32_t y = 0; y < rows.height; ++y)
    for (int32_t x = 0; x < rows.width; ++x) {
      uint8_t* p = rows.At(x, y);
      if (IsKeyPixel(p, key)) continue;
      for (int i = 0; i < 3; ++i) p[i] = RoundByte(factor * (p[i] - c[i]) + c[i]);
    }
}

void MixBitmapRect(vcl::TBitmap* target, vcl::TBitmap* source, int32_t alpha, vcl::TPoint point, vcl::TRect r) {
  if (!target || !source) return;
  int64_t px = point.x, py = point.y, left = r.left, top = r.top, right = r.right, bottom = r.bottom;
  if (px < 0) left -= px, px = 0;
  if (py < 0) top -= py, py = 0;
  if (left < 0) px -= left, left = 0;
  if (top < 0) py -= top, top = 0;
  if (right <= left || bottom <= top || px >= target->Width() || py >= target->Height() ||
      left >= source->Width() || top >= source->Height())
    return;
  right = std::min<int64_t>(right, source->Width());
  bottom = std::min<int64_t>(bottom, source->Height());
  const int64_t w = std::min<int64_t>(right - left, target->Width() - px);
  const int64_t h = std::min<int64_t>(bottom - top, target->Height() - py);
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TacFastSumBase> sum;
  if (target->PixelFormat() == vcl::pf32bit && source->PixelFormat() == vcl::pf32bit)
    sum = std::make_unique<TacFastSum32>();
  else if (target->PixelFormat() == vcl::pf24bit && source->PixelFormat() == vcl::pf24bit)
    sum = std::make_unique<TacFastSum24>();
  else
    return;
  if (!sum->Attach(source, target)) return;
  sum->DstWeight = uint8_t(alpha);
  sum->DstRect = {LONG(px), LONG(py), LONG(px + w), LONG(py + h)};
  sum->SrcRect = {LONG(left), LONG(top), LONG(left + w), LONG(top + h)};
  sum->BlendRect();
}

void MixBitmaps(vcl::TBitmap* target, vcl::TBitmap* source, int32_t alpha) {
  if (!target || !source || target->Width() != source->Width() || target->Height() != source->Height()) return;
  TacFastSum24 sum;
  if (!sum.Attach(source, target)) return;
  sum.DstWeight = uint8_t(alpha);
  sum.DstRect = {0, 0, target->Width(), target->Height()};
  sum.SrcRect = sum.DstRect;
  sum.BlendRect();
}

void MixThroughMask(vcl::TBitmap* target, vcl::TBitmap* source1, vcl::TBitmap* source2, uint16_t alpha,
                    vcl::TBitmap* mask) {
  TRows p(target), a(source1), b(source2), m(mask);
  // Every bitmap is read or written over the same area, so all must have its size.
  if (!p.Valid() || p.bytes != 4 || !a.Valid() || !b.Valid() || (mask && !m.Valid())) return;
  auto sameSize = [&](const TRows& o) { return o.width == p.width && o.height == p.height; };
  if (!sameSize(a) || !sameSize(b) || (mask && !sameSize(m))) return;
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) {
      uint8_t* pp = p.At(x, y);
      const uint8_t *ap = a.At(x, y), *bp = b.At(x, y);
      const uint8_t* mp = mask ? m.At(x, y) : nullptr;
      for (int c = 0; c < 3; ++c) {
        int32_t weight = mp ? mp[c] : alpha;
        pp[c] = uint8_t(std::clamp((bp[c] * 256 + (ap[c] - bp[c]) * weight) / 256, 0, 255));
      }
    }
}

void BlendColorThroughMask(vcl::TBitmap* bitmap, vcl::TBitmap* mask, vcl::TColor colour) {
  TRows p(bitmap), m(mask);
  if (!p.Valid() || !m.Valid() || p.width != m.width || p.height != m.height) return;
  const int32_t c[3] = {Blue(colour), Green(colour), Red(colour)};
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) {
      uint8_t* pp = p.At(x, y);
      const uint8_t* mp = m.At(x, y);
      for (int i = 0; i < 3; ++i) {
        // Floored, also for pixels darker than the colour.
        int32_t d = (pp[i] - c[i]) * mp[i];
        pp[i] = uint8_t(c[i] + (d >= 0 ? d / 256 : -((-d + 255) / 256)));
      }
    }
}

void BlendSoftRoundRect(vcl::TBitmap* bitmap, vcl::TRect rect, int32_t percent, int32_t cornerSize,
                        int32_t fadeWidth, vcl::TColor colour) {
  TRows target(bitmap);
  if (!target.Valid()) return;
  rect.left = std::max<LONG>(rect.left, 0);
  rect.top = std::max<LONG>(rect.top, 0);
  rect.right = std::min<LONG>(rect.right, target.width);
  rect.bottom = std::min<LONG>(rect.bottom, target.height);
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  auto image = CreateBmp24(w, h);
  auto mask = CreateBmp24(w, h);
  TRows in(image.get());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) std::copy_n(target.At(rect.left + x, rect.top + y), 3, in.At(x, y));
  const int32_t s = std::max(0, std::min({w / 2, h / 2, fadeWidth}));
  const int32_t r = std::max(0, std::min({w / 2, h / 2, cornerSize}));
  const int32_t dark = percent * 255 / 100;
  HDC dc = mask->Canvas()->Handle();
  int saved = SaveDC(dc);
  SelectObject(dc, GetStockObject(NULL_PEN));
  auto fill = [&](int32_t t, int32_t corner, int32_t grey) {
    uint8_t v = uint8_t(std::clamp(grey, 0, 255));
    HBRUSH brush = CreateSolidBrush(RGB(v, v, v));
    HGDIOBJ old = SelectObject(dc, brush);
    // A null pen leaves the right and bottom edge out: one more covers the band exactly.
    RoundRect(dc, t, t, w - t + 1, h - t + 1, corner, corner);
    SelectObject(dc, old);
    DeleteObject(brush);
  };
  for (int32_t t = 0; t <= s; ++t)
    fill(t, r, t == 0 ? 255 : dark + int32_t(std::nearbyint((255.0 - dark) / (s + 1) * (s - t + 1))));
  fill(s, s, dark);
  RestoreDC(dc, saved);
  GdiFlush();
  BlendColorThroughMask(image.get(), mask.get(), colour);
  in = TRows(image.get());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) std::copy_n(in.At(x, y), 3, target.At(rect.left + x, rect.top + y));
}

void Draw3DFrameLines(HDC dc, vcl::TRect& rect, vcl::TColor light, int32_t& count, vcl::TColor shadow) {
  HPEN lightPen = CreatePen(PS_SOLID, 1, COLORREF(vcl::ColorToRGB(light)));
  HPEN shadowPen = CreatePen(PS_SOLID, 1, COLORREF(shadow));
  int saved = SaveDC(dc);
  SelectObject(dc, lightPen);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  --rect.right;
  --rect.bottom;
  while (count > 0) {
    --count;
    const POINT lit[3] = {{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}};
    SelectObject(dc, lightPen);
    Polyline(dc, lit, 3);
    const POINT dim[3] = {{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}};
    SelectObject(dc, shadowPen);
    Polyline(dc, dim, 3);
    InflateRect(&rect, -1, -1);
  }
  ++rect.right;
  ++rect.bottom;
  RestoreDC(dc, saved);
  DeleteObject(lightPen);
  DeleteObject(shadowPen);
}

void CopyChannel8(vcl::TBitmap* bitmap32, vcl::TBitmap* bitmap8, int32_t channel, bool toEight) {
  if (!bitmap32 || !bitmap8 || channel < 0 || channel > 3) return;
  if (bitmap32->PixelFormat() != vcl::pf32bit || bitmap8->PixelFormat() != vcl::pf8bit) return;
  if (bitmap32->Width() != bitmap8->Width() || bitmap32->Height() != bitmap8->Height()) return;
  for (int32_t y = 0; y < bitmap32->Height(); ++y) {
    uint8_t* w = static_cast<uint8_t*>(bitmap32->ScanLine(y)) + channel;
    uint8_t* e = static_cast<uint8_t*>(bitmap8->ScanLine(y));
    for (int32_t x = 0; x < bitmap32->Width(); ++x, w += 4, ++e)
      if (toEight)
        *e = *w;
      else
        *w = *e;
  }
}

}  // namespace skin
