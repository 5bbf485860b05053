#include "skin/engine/fast_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace skin {

namespace {

// Row 0 and the distance to row 1 of a bitmap of at least 2 x 2 in the given format.
bool AttachRows(vcl::TBitmap* bitmap, vcl::TPixelFormat format, uint8_t*& firstRow, int32_t& rowDelta) {
  if (!bitmap || bitmap->Width() < 2 || bitmap->Height() < 2 || bitmap->PixelFormat() != format) return false;
  firstRow = static_cast<uint8_t*>(bitmap->ScanLine(0));
  rowDelta = static_cast<int32_t>(static_cast<uint8_t*>(bitmap->ScanLine(1)) - firstRow);
  return true;
}

vcl::TRect ClipToBitmap(const vcl::TRect& rect, const vcl::TBitmap* bitmap) {
  return vcl::TRect{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                    std::min<LONG>(rect.right, bitmap->Width()), std::min<LONG>(rect.bottom, bitmap->Height())};
}

}  // namespace

bool TacFast24::Attach(vcl::TBitmap* bitmap) {
  Width = 0;
  if (!AttachRows(bitmap, vcl::pf24bit, FirstRow, RowDelta)) return false;
  Bitmap = bitmap;
  Width = bitmap->Width();
  Height = bitmap->Height();
  return true;
}

vcl::TColor TacFast24::GetPixel(int32_t x, int32_t y) const {
  const uint8_t* p = PixelAddress(x, y);
  return static_cast<vcl::TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

void TacFast24::SetPixel(int32_t x, int32_t y, vcl::TColor colour) {
  uint8_t* p = PixelAddress(x, y);
  p[0] = static_cast<uint8_t>(colour >> 16);
  p[1] = static_cast<uint8_t>(colour >> 8);
  p[2] = static_cast<uint8_t>(colour);
}

bool TacFast32::Attach(vcl::TBitmap* bitmap) {
  Width = 0;
  if (!AttachRows(bitmap, vcl::pf32bit, FirstRow, RowDelta)) return false;
  Bitmap = bitmap;
  Width = bitmap->Width();
  Height = bitmap->Height();
  return true;
}

uint32_t TacFast32::GetPixel(int32_t x, int32_t y) const {
  const uint8_t* p = PixelAddress(x, y);
  return static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[0]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void TacFast32::SetPixel(int32_t x, int32_t y, uint32_t value) {
  uint8_t* p = PixelAddress(x, y);
  p[0] = static_cast<uint8_t>(value >> 16);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value);
  p[3] = static_cast<uint8_t>(value >> 24);
}

void TacFast32::FillRect(const vcl::TRect& rect, uint32_t value) {
  if (!Bitmap) return;
  const vcl::TRect r = ClipToBitmap(rect, Bitmap);
  if (r.right <= r.left || r.bottom <= r.top) return;
  // The value is a pixel as it lies in memory (ColorToPixel32 makes one from a colour), so
  // it is written unchanged.
  for (LONG y = r.top; y < r.bottom; ++y) {
    uint32_t* row = static_cast<uint32_t*>(Bitmap->ScanLine(y));
    std::fill(row + r.left, row + r.right, value);
  }
}

bool TacFastSumBase::Attach(vcl::TBitmap* source, vcl::TBitmap* destination) {
  const vcl::TPixelFormat format = bytesPerPixel_ == 4 ? vcl::pf32bit : vcl::pf24bit;
  if (!AttachRows(source, format, SrcFirstRow, SrcRowDelta) ||
      !AttachRows(destination, format, DstFirstRow, DstRowDelta))
    return false;
  SrcBitmap = source;
  DstBitmap = destination;
  Width = std::min(source->Width(), destination->Width());
  Height = std::min(source->Height(), destination->Height());
  return true;
}

void TacFastSumBase::BlendRect() {
  if (!SrcBitmap || !DstBitmap) return;
  // Source pixel of destination (x, y): (x - dx, y - dy).
  const int32_t dx = DstRect.left - SrcRect.left;
  const int32_t dy = DstRect.bottom - SrcRect.bottom;
  // Callers clip, but a rectangle that strays outside either bitmap must not reach memory
  // beyond it: only the part inside both is blended.
  const int32_t left = std::max({DstRect.left, LONG{0}, static_cast<LONG>(dx)});
  const int32_t right = std::min({DstRect.right, static_cast<LONG>(DstBitmap->Width()),
                                  static_cast<LONG>(SrcBitmap->Width() + dx)});
  const int32_t top = std::max({DstRect.top, LONG{0}, static_cast<LONG>(dy)});
  const int32_t bottom = std::min({DstRect.bottom, static_cast<LONG>(DstBitmap->Height()),
                                   static_cast<LONG>(SrcBitmap->Height() + dy)});
  if (right <= left || bottom <= top) return;
  const uint32_t a = DstWeight;
  const uint32_t b = 255 - a;
  const int32_t bytes = (right - left) * bytesPerPixel_;
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* d = DstFirstRow + y * DstRowDelta + left * bytesPerPixel_;
    const uint8_t* s = SrcFirstRow + (y - dy) * SrcRowDelta + (left - dx) * bytesPerPixel_;
    // Divided by 256, not 255: a weight of 255 keeps 255 as 254. Stored skins were drawn so.
    for (int32_t j = 0; j < bytes; ++j) d[j] = static_cast<uint8_t>((d[j] * a + s[j] * b + 127) >> 8);
  }
}

uint32_t ColorToPixel32(vcl::TColor colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

void FillRectColor32(vcl::TBitmap* bitmap, const vcl::TRect& rect, vcl::TColor colour) {
  TacFast32 fast;
  if (fast.Attach(bitmap)) fast.FillRect(rect, ColorToPixel32(colour));
}

void SetRectAlpha32(vcl::TBitmap* bitmap, const vcl::TRect& rect, uint8_t alpha) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf32bit) return;
  const vcl::TRect r = ClipToBitmap(rect, bitmap);
  for (LONG y = r.top; y < r.bottom; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (LONG x = r.left; x < r.right; ++x) row[x * 4 + 3] = alpha;
  }
}

void BlendRectWithColor(vcl::TBitmap* bitmap, vcl::TRect rect, uint8_t percent, vcl::TColor colour) {
  if (!bitmap || bitmap->Empty()) return;
  rect.left = std::max<LONG>(rect.left, 0);
  rect.top = std::max<LONG>(rect.top, 0);
  rect.right = std::min<LONG>(rect.right, bitmap->Width() - 1);
  rect.bottom = std::min<LONG>(rect.bottom, bitmap->Height() - 1);
  const int32_t rgb = vcl::ColorToRGB(colour);
  const double f = percent / 100.0;
  const double g = 1.0 - f;
  // Memory order blue, green, red.
  const double mixed[3] = {((rgb >> 16) & 0xFF) * g, ((rgb >> 8) & 0xFF) * g, (rgb & 0xFF) * g};
  const int step = bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3;
  // Stepping three bytes through the rows of a narrower format would run past them.
  if (step == 3 && bitmap->PixelFormat() != vcl::pf24bit) return;
  if (rect.right < rect.left || rect.bottom < rect.top) return;
  // Every byte value of a channel mixes to one result: look it up instead of computing it for
  // each pixel.
  uint8_t table[3][256];
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v)
      table[c][v] = static_cast<uint8_t>(std::clamp(std::nearbyint(v * f + mixed[c]), 0.0, 255.0));
  for (LONG y = rect.top; y <= rect.bottom; ++y) {
    uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + rect.left * step;
    for (LONG x = rect.left; x <= rect.right; ++x, p += step) {
      p[0] = table[0][p[0]];
      p[1] = table[1][p[1]];
      p[2] = table[2][p[2]];
    }
  }
}

}  // namespace skin
