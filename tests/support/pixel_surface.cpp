#include "tests/support/pixel_surface.h"

TPixelSurface::TPixelSurface(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<uint32_t*>(bits);
  dc_ = CreateCompatibleDC(nullptr);
  if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
}

TPixelSurface::~TPixelSurface() {
  if (old_) SelectObject(dc_, old_);
  if (dc_) DeleteDC(dc_);
  if (bitmap_) DeleteObject(bitmap_);
}

vcl::TColor TPixelSurface::Pixel(int x, int y) const {
  GdiFlush();
  uint32_t bgra = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  return static_cast<vcl::TColor>(((bgra >> 16) & 0xFF) | (bgra & 0xFF00) | ((bgra & 0xFF) << 16));
}

std::vector<uint32_t> TPixelSurface::RgbPixels() const {
  if (!Valid()) return {};
  GdiFlush();
  std::vector<uint32_t> pixels(bits_, bits_ + static_cast<size_t>(width_) * static_cast<size_t>(height_));
  // The fourth byte of a copied pixel is whatever the source left there.
  for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
  return pixels;
}

void TPixelSurface::Fill(vcl::TColor color) {
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(vcl::ColorToRGB(color)));
  RECT r{0, 0, width_, height_};
  FillRect(dc_, &r, brush);
  DeleteObject(brush);
}
