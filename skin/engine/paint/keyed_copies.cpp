#include "skin/engine/paint/keyed_copies.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "vcl/graphics/colours.h"

namespace skin {

namespace {

// Direct access to the rows of a 24- or 32-bit bitmap.
struct TPixels {
  uint8_t* first = nullptr;
  int32_t delta = 0;
  int32_t bpp = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool Attach(vcl::TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return false;
    const vcl::TPixelFormat format = bitmap->PixelFormat();
    if (format != vcl::pf24bit && format != vcl::pf32bit) return false;
    bpp = format == vcl::pf32bit ? 4 : 3;
    width = bitmap->Width();
    height = bitmap->Height();
    first = static_cast<uint8_t*>(bitmap->ScanLine(0));
    delta = height > 1 ? static_cast<int32_t>(static_cast<uint8_t*>(bitmap->ScanLine(1)) - first) : 0;
    return true;
  }
  uint8_t* At(int32_t x, int32_t y) const { return first + y * delta + x * bpp; }
  bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// The background behind target pixel (x, y), or nil where the background image has none.
struct TBackground {
  TPixels pixels;
  int32_t x = 0, y = 0;
  bool ready = false;

  explicit TBackground(const TsBackgroundInfo& info) : x(info.X), y(info.Y) {
    ready = info.Ready && pixels.Attach(info.Bitmap);
  }
  const uint8_t* At(int32_t tx, int32_t ty) const {
    return ready && pixels.Contains(x + tx, y + ty) ? pixels.At(x + tx, y + ty) : nullptr;
  }
};

struct TKey {
  uint8_t blue, green, red;
  explicit TKey(vcl::TColor colour)
      : blue(uint8_t(colour >> 16)), green(uint8_t(colour >> 8)), red(uint8_t(colour)) {}
  bool Matches(const uint8_t* p) const { return p[0] == blue && p[1] == green && p[2] == red; }
};

// A 32-bit pixel as one value in colour order (red low, alpha high).
uint32_t Value32(const uint8_t* p) { return p[2] | p[1] << 8 | p[0] << 16 | uint32_t(p[3]) << 24; }

void FillFromBg(uint8_t* t, int32_t targetBpp, const TBackground& bg, int32_t tx, int32_t ty) {
  const uint8_t* b = bg.At(tx, ty);
  if (!b) return;
  t[0] = b[0], t[1] = b[1], t[2] = b[2];
  if (targetBpp == 4) t[3] = 255;
}

void FillColour(uint8_t* t, int32_t targetBpp, vcl::TColor colour) {
  const uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  t[0] = uint8_t(rgb >> 16), t[1] = uint8_t(rgb >> 8), t[2] = uint8_t(rgb);
  if (targetBpp == 4) t[3] = 255;
}

// The overlap of a target and a source rectangle of one size, moved inside both bitmaps:
// target (tx, ty) and source (sx, sy), w x h. Source rows stop at `sourceRows`.
struct TSpan {
  int32_t tx, ty, sx, sy, w, h;
};
bool ClipSpan(const vcl::TRect& d, const vcl::TRect& r, int32_t targetWidth, int32_t targetHeight,
              int32_t sourceWidth, int32_t sourceRows, TSpan& s) {
  // In 64 bits: rectangles from damaged skins may span more than 32 bits can count.
  int64_t tx = d.left, ty = d.top, sx = r.left, sy = r.top;
  int64_t w = std::min(int64_t(d.right) - d.left, int64_t(r.right) - r.left);
  int64_t h = std::min(int64_t(d.bottom) - d.top, int64_t(r.bottom) - r.top);
  const int64_t dx = std::max<int64_t>({0, -tx, -sx}), dy = std::max<int64_t>({0, -ty, -sy});
  tx += dx, sx += dx, w -= dx;
  ty += dy, sy += dy, h -= dy;
  w = std::min<int64_t>({w, targetWidth - tx, sourceWidth - sx});
  h = std::min<int64_t>({h, targetHeight - ty, sourceRows - sy});
  if (w <= 0 || h <= 0) return false;
  s = TSpan{int32_t(tx), int32_t(ty), int32_t(sx), int32_t(sy), int32_t(w), int32_t(h)};
  return true;
}

// Floor division by 256 for values that may be negative.
int32_t FloorDiv256(int32_t v) { return v >= 0 ? v / 256 : -((-v + 255) / 256); }

// The source rectangle (inclusive) clipped to the source and placed at (x, y): the columns
// and rows of it that land inside the target.
struct TPlacement {
  int32_t sx0, sy0, tx0, ty0, w, h;
};
bool PlaceKeyed(vcl::TRect r, int32_t x, int32_t y, const TPixels& t, const TPixels& s, TPlacement& p) {
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, s.width - 1);
  r.bottom = std::min<LONG>(r.bottom, s.height - 1);
  if (r.right < r.left || r.bottom < r.top) return false;
  int64_t sx = r.left, sy = r.top, tx = x, ty = y, w = r.right - r.left + 1, h = r.bottom - r.top + 1;
  // Skip what falls left of or above the target.
  const int64_t dx = std::max<int64_t>(0, -tx), dy = std::max<int64_t>(0, -ty);
  sx += dx, tx += dx, w -= dx;
  sy += dy, ty += dy, h -= dy;
  w = std::min<int64_t>(w, t.width - tx);
  h = std::min<int64_t>(h, t.height - ty);
  if (w <= 0 || h <= 0) return false;
  p = TPlacement{int32_t(sx), int32_t(sy), int32_t(tx), int32_t(ty), int32_t(w), int32_t(h)};
  return true;
}

// Non-key pixels of the placed source rectangle copied; `opaque` gives them alpha 255 in a
// 32-bit target.
void CopyKeyed(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, vcl::TColor key, vcl::TRect sourceRect,
               int32_t y, bool opaque) {
  TPixels t, s;
  TPlacement place;
  if (!t.Attach(target) || !s.Attach(source) || !PlaceKeyed(sourceRect, x, y, t, s, place)) return;
  const TKey k(key);
  const bool setAlpha = opaque && t.bpp == 4;
  for (int32_t r = 0; r < place.h; ++r) {
    const uint8_t* p = s.At(place.sx0, place.sy0 + r);
    uint8_t* d = t.At(place.tx0, place.ty0 + r);
    for (int32_t c = 0; c < place.w; ++c, p += s.bpp, d += t.bpp) {
      if (k.Matches(p)) continue;
      d[0] = p[0], d[1] = p[1], d[2] = p[2];
      if (setAlpha) d[3] = 255;
    }
  }
}

}  // namespace

void CopyTransparentOnBg(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                         bool fillFromBg, const TsBackgroundInfo& info, vcl::TBitmap* source) {
  TPixels t, s;
  if (!t.Attach(target) || !s.Attach(source)) return;
  const TBackground bg(info);
  const bool ready = info.Ready;
  const TKey key(SkinKeyColor);
  TSpan span;
  if (s.bpp == 3) {
    const int32_t maskOffset = s.height / 2;
    if (!ClipSpan(targetRect, sourceRect, t.width, t.height, s.width, s.height - maskOffset, span)) return;
    for (int32_t k = 0; k < span.h; ++k) {
      const uint8_t* p = s.At(span.sx, span.sy + k);
      const uint8_t* m = s.At(span.sx, span.sy + k + maskOffset);
      uint8_t* d = t.At(span.tx, span.ty + k);
      for (int32_t i = 0; i < span.w; ++i, p += 3, m += 3, d += t.bpp) {
        if (ready && key.Matches(p)) {
          if (fillFromBg) FillFromBg(d, t.bpp, bg, span.tx + i, span.ty + k);
          continue;
        }
        for (int c = 0; c < 3; ++c) d[c] = MaskMix(p[c], d[c], m[c]);
      }
    }
    return;
  }
  if (!ClipSpan(targetRect, sourceRect, t.width, t.height, s.width, s.height, span)) return;
  for (int32_t k = 0; k < span.h; ++k) {
    const uint8_t* p = s.At(span.sx, span.sy + k);
    uint8_t* d = t.At(span.tx, span.ty + k);
    for (int32_t i = 0; i < span.w; ++i, p += 4, d += t.bpp) {
      if (ready && key.Matches(p)) {
        if (fillFromBg) FillFromBg(d, t.bpp, bg, span.tx + i, span.ty + k);
        continue;
      }
      for (int c = 0; c < 3; ++c) d[c] = AlphaMix(p[c], d[c], p[3]);
      if (ready && t.bpp == 4) d[3] = 255;
    }
  }
}

void CopyAlphaBitmap(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                     bool reflection, int32_t blendPercent, vcl::TColor tint, bool fillFromBg,
                     const TsBackgroundInfo& info, vcl::TBitmap* source) {
  if (!source || source->Empty()) return;
  // The caller's picture is left in its format; a copy is made 32-bit.
  std::unique_ptr<vcl::TBitmap> converted;
  if (source->PixelFormat() != vcl::pf32bit) {
    converted = std::make_unique<vcl::TBitmap>();
    converted->Assign(source);
    converted->SetPixelFormat(vcl::pf32bit);
    source = converted.get();
  }
  TPixels t, s;
  if (!t.Attach(target) || !s.Attach(source)) return;
  const TBackground bg(info);
  const bool tinted = tint != NoTintColor;
  int32_t tintChannel[3] = {0, 0, 0};
  if (tinted) {
    const uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(tint));
    tintChannel[0] = (rgb >> 16) & 0xFF, tintChannel[1] = (rgb >> 8) & 0xFF, tintChannel[2] = rgb & 0xFF;
  }
  blendPercent = std::clamp(blendPercent, 0, 100);
  const auto opacityOf = [&](int32_t alpha) { return blendPercent ? (100 - blendPercent) * alpha / 100 : alpha; };
  // One source pixel over one target pixel with the given opacity.
  const auto put = [&](const uint8_t* p, uint8_t* d, int32_t opacity) {
    if (!tinted) {
      for (int c = 0; c < 3; ++c) d[c] = AlphaMix(p[c], d[c], opacity);
      return;
    }
    const int32_t grey = (p[0] + p[1] + p[2]) / 3;
    for (int c = 0; c < 3; ++c) {
      const int32_t v = std::min(255, static_cast<int32_t>(std::nearbyint(grey * tintChannel[c] / 255.0)));
      d[c] = static_cast<uint8_t>(d[c] + FloorDiv256((v - d[c]) * opacity));
    }
  };
  constexpr uint32_t keyPixel = 0x00FF00FF;

  TSpan span;
  if (!ClipSpan(targetRect, sourceRect, t.width, t.height, s.width, s.height, span)) return;
  for (int32_t k = 0; k < span.h; ++k) {
    const uint8_t* p = s.At(span.sx, span.sy + k);
    uint8_t* d = t.At(span.tx, span.ty + k);
    for (int32_t i = 0; i < span.w; ++i, p += 4, d += t.bpp) {
      if (info.Ready && Value32(p) == keyPixel) {
        if (fillFromBg) FillFromBg(d, t.bpp, bg, span.tx + i, span.ty + k);
        continue;
      }
      put(p, d, opacityOf(p[3]));
    }
  }
  if (!reflection) return;

  // Mirrored rows below the target rectangle, each fainter than the one before.
  const int32_t half = s.height / 2;
  const int32_t rows = std::min(half - 1, t.height - static_cast<int32_t>(targetRect.bottom) - 1);
  int32_t level = 255;
  for (int32_t k = 1; k <= rows; ++k) {
    const int32_t sourceRow = sourceRect.bottom - k - 1, targetRow = targetRect.bottom + k;
    if (sourceRow >= 0 && sourceRow < s.height && targetRow >= 0) {
      const uint8_t* p = s.At(span.sx, sourceRow);
      uint8_t* d = t.At(span.tx, targetRow);
      for (int32_t i = 0; i < span.w; ++i, p += 4, d += t.bpp) {
        if (Value32(p) == keyPixel) continue;
        const int32_t weight = blendPercent ? ((100 - blendPercent) * p[3] / 300) * level / 255
                                            : level * (p[3] / 3) / 255;
        put(p, d, std::max(0, weight));
      }
    }
    level -= 255 / half;
  }
}

void CopyMaskPiece(const vcl::TRect& targetRect, const vcl::TRect& sourceRect, vcl::TBitmap* target,
                   const TsMaskData& mask, bool fillFromBg, const TsBackgroundInfo& info, vcl::TBitmap* source) {
  TPixels t, s;
  if (!t.Attach(target) || !s.Attach(source)) return;
  const int32_t maskOffset = std::max<int32_t>(0, (mask.ImageRect.bottom - mask.ImageRect.top) / 2);
  TSpan span;
  // Only rows whose mask row lies in the source are copied.
  if (!ClipSpan(targetRect, sourceRect, t.width, t.height, s.width, s.height - maskOffset, span)) return;
  const TBackground bg(info);
  const TKey key(SkinKeyColor);
  const uint32_t fill = static_cast<uint32_t>(vcl::ColorToRGB(info.FillColor));
  for (int32_t k = 0; k < span.h; ++k) {
    const uint8_t* p = s.At(span.sx, span.sy + k);
    const uint8_t* m = s.At(span.sx, span.sy + k + maskOffset);
    uint8_t* d = t.At(span.tx, span.ty + k);
    for (int32_t i = 0; i < span.w; ++i, p += s.bpp, m += s.bpp, d += t.bpp) {
      const bool isKey = key.Matches(p);
      if (isKey && fillFromBg) {
        if (info.Ready)
          FillFromBg(d, t.bpp, bg, span.tx + i, span.ty + k);
        else
          FillColour(d, t.bpp, static_cast<vcl::TColor>(fill));
        continue;
      }
      if (isKey && !info.Ready) continue;
      for (int c = 0; c < 3; ++c) d[c] = MaskMix(p[c], d[c], m[c]);
      if (info.Ready && fillFromBg && t.bpp == 4) d[3] = 255;
    }
  }
}

void CopyWithKeyColor(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, vcl::TColor key, int32_t y) {
  TPixels s;
  if (!s.Attach(source)) return;
  CopyKeyed(target, source, x, key, vcl::TRect{0, 0, s.width - 1, s.height - 1}, y, true);
}

void CopyKeyedRect(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, bool fillFromBg,
                   const TsBackgroundInfo& info, vcl::TColor key, vcl::TRect sourceRect, int32_t y) {
  TPixels t, s;
  TPlacement place;
  if (!t.Attach(target) || !s.Attach(source) || !PlaceKeyed(sourceRect, x, y, t, s, place)) return;
  const TKey k(key);
  const TBackground bg(info);
  const bool fromBg = fillFromBg && info.Ready;
  const bool targetIsBg = info.Bitmap == target;
  for (int32_t r = 0; r < place.h; ++r) {
    const uint8_t* p = s.At(place.sx0, place.sy0 + r);
    uint8_t* d = t.At(place.tx0, place.ty0 + r);
    for (int32_t c = 0; c < place.w; ++c, p += s.bpp, d += t.bpp) {
      const bool isKey = s.bpp == 4 && !fromBg ? Value32(p) == static_cast<uint32_t>(key) : k.Matches(p);
      if (isKey) {
        if (fromBg) {
          if (!targetIsBg) FillFromBg(d, t.bpp, bg, place.tx0 + c, place.ty0 + r);
        } else if (!info.Ready) {
          FillColour(d, t.bpp, info.FillColor);
        }
        continue;
      }
      d[0] = p[0], d[1] = p[1], d[2] = p[2];
      if (t.bpp == 4) d[3] = s.bpp == 4 && !fromBg ? p[3] : 255;
    }
  }
}

void CopyKeyedRect24(vcl::TBitmap* target, vcl::TBitmap* source, int32_t x, const TsBackgroundInfo&,
                     vcl::TColor key, vcl::TRect sourceRect, int32_t y) {
  CopyKeyed(target, source, x, key, sourceRect, y, false);
}

}  // namespace skin
