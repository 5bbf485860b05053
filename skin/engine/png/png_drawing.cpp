// Drawing a 32-bit PNG with its alpha, icons made from PNGs, and the clean-up of PNG masks.
#include "skin/engine/png/png_drawing.h"

#include <algorithm>
#include <cstring>

#include "vcl/graphics/colours.h"

namespace skin::png {

namespace {

using vcl::TBitmap;

uint8_t* Row(TBitmap& b, int y) { return static_cast<uint8_t*>(b.ScanLine(y)); }

std::unique_ptr<TBitmap> NewBitmap(vcl::TPixelFormat format, int width, int height) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(width, height);
  return b;
}

// Straight-alpha pixels of a 32-bit source over a 24-bit target from (0, 0): every byte d
// becomes (s * a + d * (256 - a)) >> 8. With `reflect`, a fading mirror of the source's lower
// half goes into the target rows below the copy, as far as there is room.
void BlendOnto(TBitmap& target, TBitmap& source, bool reflect) {
  const int rows = std::min(source.Height(), target.Height());
  const int columns = std::min(source.Width(), target.Width());
  for (int y = 0; y < rows; ++y) {
    const uint8_t* s = Row(source, y);
    uint8_t* d = Row(target, y);
    for (int x = 0; x < columns; ++x, s += 4, d += 3) {
      const unsigned a = s[3];
      for (int k = 0; k < 3; ++k) d[k] = uint8_t((s[k] * a + d[k] * (256 - a)) >> 8);
    }
  }
  if (!reflect) return;
  const int half = source.Height() / 2;
  if (half < 1) return;
  const int count = std::min(half - 1, target.Height() - rows - 1);
  int level = 255;
  for (int k = 1; k <= count; ++k) {
    const uint8_t* s = Row(source, source.Height() - k - 1);
    uint8_t* d = Row(target, rows + k);
    for (int x = 0; x < columns; ++x, s += 4, d += 3) {
      uint32_t value;
      std::memcpy(&value, s, 4);
      if (value == 0x00FF00FF) continue;
      const int weight = std::max(0, level * (s[3] / 3) / 255);
      for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * 256 + (s[c] - d[c]) * weight) >> 8);
    }
    level -= 255 / half;
  }
}

// The image stretched to width x height with halftone smoothing, its alpha stretched the same
// way as grey levels (no palette between, so no level is lost).
std::unique_ptr<TBitmap> Stretched(TBitmap& image, int width, int height) {
  auto stretch = [&](TBitmap& source) {
    auto out = NewBitmap(vcl::pf24bit, width, height);
    HDC dc = out->Canvas()->Handle();
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, width, height, source.Canvas()->Handle(), 0, 0, source.Width(), source.Height(), SRCCOPY);
    return out;
  };
  auto colours = stretch(image);
  auto alphaPlane = NewBitmap(vcl::pf24bit, image.Width(), image.Height());
  for (int y = 0; y < image.Height(); ++y) {
    const uint8_t* s = Row(image, y);
    uint8_t* d = Row(*alphaPlane, y);
    for (int x = 0; x < image.Width(); ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[4 * x + 3];
  }
  auto alpha = stretch(*alphaPlane);
  auto out = NewBitmap(vcl::pf32bit, width, height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* c = Row(*colours, y);
    const uint8_t* a = Row(*alpha, y);
    uint8_t* d = Row(*out, y);
    for (int x = 0; x < width; ++x) {
      d[4 * x] = c[3 * x], d[4 * x + 1] = c[3 * x + 1], d[4 * x + 2] = c[3 * x + 2];
      d[4 * x + 3] = a[3 * x];
    }
  }
  return out;
}

// A 1-bit mask of the size, every bit 0 (opaque).
std::unique_ptr<TBitmap> OpaqueMask(int width, int height) {
  auto mask = NewBitmap(vcl::pf1bit, width, height);
  const size_t bytes = size_t((width + 31) / 32 * 4);
  for (int y = 0; y < height; ++y) std::memset(Row(*mask, y), 0, bytes);
  return mask;
}

void SetMaskBit(TBitmap& mask, int x, int y) { Row(mask, y)[x >> 3] |= uint8_t(0x80 >> (x & 7)); }

HICON IconOf(TBitmap& colour, TBitmap& mask) {
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour.Handle();
  info.hbmMask = mask.Handle();
  return CreateIconIndirect(&info);
}

}  // namespace

void TPNGGraphic::Draw(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  if (PixelFormat() != vcl::pf32bit) return inherited::Draw(canvas, rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (Empty() || width <= 0 || height <= 0) return;
  const int rows = height + (Reflected ? height / 2 : 0);
  // The buffer starts as what the canvas shows there.
  auto buffer = NewBitmap(vcl::pf24bit, width, rows);
  HDC target = canvas->Handle();
  BitBlt(buffer->Canvas()->Handle(), 0, 0, width, rows, target, rect.left, rect.top, SRCCOPY);
  if (width == Width() && height == Height()) {
    BlendOnto(*buffer, *this, Reflected);
  } else {
    auto stretched = Stretched(*this, width, height);
    BlendOnto(*buffer, *stretched, false);
  }
  BitBlt(target, rect.left, rect.top, width, rows, buffer->Canvas()->Handle(), 0, 0, SRCCOPY);
}

HICON TPNGGraphic::CreateIconHandle(bool forceMask) {
  if (Empty()) return nullptr;
  const int width = Width(), height = Height();
  auto mask = OpaqueMask(width, height);
  if (forceMask || PixelFormat() != vcl::pf32bit) {
    SetPixelFormat(vcl::pf32bit);
    // Pixels equal to the top-left one, alpha included, are left out; images under 2 x 2
    // pixels keep an opaque mask.
    if (width >= 2 && height >= 2) {
      uint32_t key;
      std::memcpy(&key, Row(*this, 0), 4);
      for (int y = 0; y < height; ++y) {
        const uint8_t* p = Row(*this, y);
        for (int x = 0; x < width; ++x) {
          uint32_t value;
          std::memcpy(&value, p + 4 * x, 4);
          if (value == key) SetMaskBit(*mask, x, y);
        }
      }
    }
  }
  return IconOf(*this, *mask);
}

HICON MakeIconOnColor(TPNGGraphic* png, vcl::TColor color) {
  if (!png || png->Empty()) return nullptr;
  const int width = png->Width(), height = png->Height();
  auto mask = OpaqueMask(width, height);
  auto colour = NewBitmap(vcl::pf32bit, width, height);
  colour->Canvas()->Brush()->SetColor(vcl::ColorToRGB(color));
  colour->Canvas()->FillRect(vcl::Rect(0, 0, width, height));
  colour->Canvas()->StretchDraw(vcl::Rect(0, 0, width, height), png);
  if (png->PixelFormat() != vcl::pf32bit) {
    // An image without alpha is opaque, but for its transparent colour: the plain conversion
    // would give every pixel alpha 0, and the icon would show nothing.
    const bool keyed = png->Transparent();
    const uint32_t key = uint32_t(png->TransparentColor()) & 0xFFFFFF;
    png->SetPixelFormat(vcl::pf32bit);
    for (int y = 0; y < height; ++y) {
      uint8_t* p = Row(*png, y);
      for (int x = 0; x < width; ++x, p += 4) {
        const uint32_t rgb = uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
        p[3] = keyed && rgb == key ? 0 : 255;
      }
    }
  }
  if (width >= 2 && height >= 2) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* s = Row(*png, y);
      std::memcpy(Row(*colour, y), s, size_t(width) * 4);
      for (int x = 0; x < width; ++x)
        if (s[4 * x + 3] == 0) SetMaskBit(*mask, x, y);
    }
  }
  return IconOf(*colour, *mask);
}

void ClearWhiteTransparent(vcl::TBitmap* bitmap) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf32bit || bitmap->Width() < 2 || bitmap->Height() < 2) return;
  for (int y = 0; y < bitmap->Height(); ++y) {
    uint8_t* p = Row(*bitmap, y);
    for (int x = 0; x < bitmap->Width(); ++x, p += 4)
      if (p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 0) std::memset(p, 0, 4);
  }
}

}  // namespace skin::png
