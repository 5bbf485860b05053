// A 32-bit top-down DIB section with a DC of its own: something to paint or copy the screen
// into and read the pixels back from.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

class TPixelSurface {
 public:
  TPixelSurface(int width, int height);
  ~TPixelSurface();
  TPixelSurface(const TPixelSurface&) = delete;
  TPixelSurface& operator=(const TPixelSurface&) = delete;

  // False when the platform gave no bitmap or DC (a size it refuses).
  bool Valid() const { return dc_ && bitmap_ && bits_; }
  HDC DC() const { return dc_; }
  // The pixel as a colour value (red in the low byte).
  vcl::TColor Pixel(int x, int y) const;
  // Every pixel, top row first, as 0x00RRGGBB.
  std::vector<uint32_t> RgbPixels() const;
  void Fill(vcl::TColor color);
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};
