#include "imaging/proc/rect_and_channels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/model/routines/progress_context.h"

namespace imaging {

void FillRectRGB(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TRGB colour,
                 const TIEProgressEvent& onProgress, vcl::TObject* sender) {
  // A negative start would write before the row or the bitmap.
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  const int32_t lastX = std::min(x2, bitmap->Width()) - 1;
  const int32_t lastY = std::min(y2, bitmap->Height()) - 1;
  if (lastX < x1 || lastY < y1) return;
  const TIEPixelFormat format = bitmap->PixelFormat();
  if (format != ie1g && format != ie8g && format != ie24RGB) {
    bitmap->FillRect(x1, y1, lastX, lastY, double(colour.r | (colour.g << 8) | (colour.b << 16)));
    return;
  }
  const int32_t rows = lastY - y1 + 1;
  const uint8_t grey = uint8_t(GrayLevel(colour.r, colour.g, colour.b));
  const bool bit = colour.r != 0;
  for (int32_t y = y1; y <= lastY; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bitmap->Scanline(y));
    for (int32_t x = x1; x <= lastX; ++x) {
      switch (format) {
        case ie1g:
          if (bit)
            row[x >> 3] |= uint8_t(0x80 >> (x & 7));
          else
            row[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
          break;
        case ie8g:
          row[x] = grey;
          break;
        default:
          reinterpret_cast<TRGB*>(row)[x] = colour;
          break;
      }
    }
    ReportRowProgress(onProgress, sender, y - y1 + 1, rows);
  }
}

vcl::TRect FindAlphaBounds(TIEBitmap* bitmap) {
  const int32_t width = bitmap->Width();
  const int32_t height = bitmap->Height();
  vcl::TRect bounds{0, 0, width - 1, height - 1};
  if (!bitmap->HasAlphaChannel()) return bounds;
  TIEBitmap* alpha = bitmap->AlphaChannel();
  int32_t left = width, right = -1, top = height, bottom = -1;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(alpha->Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      if (row[x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return vcl::TRect{left, top, right, bottom};
}

void ReorderRGBChannels(TIEBitmap* bitmap, std::string_view order, vcl::TObject* sender,
                        const TIEProgressEvent& onProgress) {
  const TIEPixelFormat format = bitmap->PixelFormat();
  if ((format != ie24RGB && format != ieRGB48) || order.size() != 3) return;
  // Source slot of each new channel: 0 blue, 1 green, 2 red, 3 zero.
  int32_t source[3];
  for (int32_t i = 0; i < 3; ++i) {
    switch (order[i]) {
      case 'B': case 'b': source[i] = 0; break;
      case 'G': case 'g': source[i] = 1; break;
      case 'R': case 'r': source[i] = 2; break;
      case '0': source[i] = 3; break;
      default: return;
    }
  }
  const int32_t width = bitmap->Width();
  const int32_t height = bitmap->Height();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bitmap->Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      if (format == ie24RGB) {
        uint8_t* p = row + x * 3;
        const uint8_t old[4] = {p[0], p[1], p[2], 0};
        for (int32_t i = 0; i < 3; ++i) p[i] = old[source[i]];
      } else {
        // Words red, green, blue: slot s lives in word 2 - s.
        uint16_t* p = reinterpret_cast<uint16_t*>(row) + x * 3;
        const uint16_t old[4] = {p[2], p[1], p[0], 0};
        for (int32_t i = 0; i < 3; ++i) p[2 - i] = old[source[i]];
      }
    }
    if (onProgress) onProgress(sender, static_cast<int32_t>(std::trunc(double(y) / height * 100)));
  }
}

}  // namespace imaging
