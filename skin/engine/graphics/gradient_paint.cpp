#include "skin/engine/graphics/gradient_paint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "skin/engine/fast_pixels.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/proc_address.h"

namespace skin {

namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

HMODULE gradientLibrary = nullptr;
GradientFillProc gradientFill = nullptr;

struct Bgr {
  uint8_t b, g, r;
};

// The colours of n + 1 steps from `from` to `to`: each channel starts at the first colour and
// grows by (to - from) / n per step in single precision, rounded per pixel.
void Interpolate(int32_t from, int32_t to, int n, Bgr* out) {
  float channel[3], step[3];
  for (int c = 0; c < 3; ++c) {
    const int a = (from >> (8 * c)) & 0xFF, b = (to >> (8 * c)) & 0xFF;
    channel[c] = float(a);
    step[c] = float(b - a) / float(n);
  }
  for (int i = 0; i <= n; ++i) {
    out[i] = Bgr{uint8_t(std::nearbyint(channel[2])), uint8_t(std::nearbyint(channel[1])),
                 uint8_t(std::nearbyint(channel[0]))};
    for (int c = 0; c < 3; ++c) channel[c] += step[c];
  }
}

void PutPixel(uint8_t* row, int x, int bytes, const Bgr& colour) {
  uint8_t* p = row + x * bytes;
  p[0] = colour.b, p[1] = colour.g, p[2] = colour.r;
  if (bytes == 4) p[3] = 255;
}

void PaintVertical(vcl::TBitmap* bitmap, const vcl::TRect& r, const TsGradArray& data, int bytes) {
  const int lastRow = r.bottom - 1, height = r.bottom - r.top;
  std::vector<Bgr> colours;
  int y = r.top;
  for (size_t i = 0; i < data.size(); ++i) {
    const int first = y;
    int last = i + 1 == data.size() ? lastRow : std::min(y + height * data[i].Percent / 100, lastRow);
    if (last > first) {
      const int n = last - first;
      colours.resize(n + 1);
      Interpolate(data[i].Color1, data[i].Color2, n, colours.data());
      for (int row = first; row <= last; ++row) {
        auto* line = static_cast<uint8_t*>(bitmap->ScanLine(row));
        for (int x = r.left; x < r.right; ++x) PutPixel(line, x, bytes, colours[row - first]);
      }
    }
    y = last;  // the next segment repaints this row with its own first colour
  }
}

void PaintHorizontal(vcl::TBitmap* bitmap, const vcl::TRect& r, const TsGradArray& data, int bytes) {
  // Every row is alike: work out one row's colours, then copy them down.
  const int lastColumn = r.right - 1, width = r.right - r.left;
  std::vector<Bgr> row(r.right);
  std::vector<bool> painted(r.right, false);
  int x = r.left;
  for (size_t i = 0; i < data.size(); ++i) {
    const int first = x;
    int last = lastColumn;
    if (i + 1 < data.size())
      last = std::min(int(std::nearbyint(x + double(data[i].Percent) * width / 100.0)), lastColumn);
    if (last > first) {
      Interpolate(data[i].Color1, data[i].Color2, last - first, row.data() + first);
      std::fill(painted.begin() + first, painted.begin() + last + 1, true);
    }
    x = last;
  }
  for (int y = r.top; y < r.bottom; ++y) {
    auto* line = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int column = r.left; column < r.right; ++column)
      if (painted[column]) PutPixel(line, column, bytes, row[column]);
  }
}

void PaintFourCorners(vcl::TBitmap* bitmap, const vcl::TRect& r, const TsGradArray& data) {
  if (!gradientFill) return;
  const std::array<POINT, 5> points{{{r.left, r.top},
                                     {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2},
                                     {r.right, r.top},
                                     {r.right, r.bottom},
                                     {r.left, r.bottom}}};
  TRIVERTEX vertices[5];
  int32_t colour = data[0].Color1;
  for (size_t i = 0; i < 5; ++i) {
    if (i < data.size()) colour = data[i].Color1;  // a short array repeats the colour before
    vertices[i].x = points[i].x;
    vertices[i].y = points[i].y;
    vertices[i].Red = COLOR16((colour & 0xFF) << 8);
    vertices[i].Green = COLOR16(((colour >> 8) & 0xFF) << 8);
    vertices[i].Blue = COLOR16(((colour >> 16) & 0xFF) << 8);
    vertices[i].Alpha = 0;
  }
  GRADIENT_TRIANGLE triangles[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
  if (gradientFill(bitmap->Canvas()->Handle(), vertices, 5, triangles, 4, GRADIENT_FILL_TRIANGLE) &&
      bitmap->PixelFormat() == vcl::pf32bit)
    SetRectAlpha32(bitmap, r, 255);
}

}  // namespace

void PaintGradient(vcl::TBitmap* bitmap, vcl::TRect rect, const TsGradArray& data) {
  if (!bitmap || data.empty()) return;
  const vcl::TPixelFormat format = bitmap->PixelFormat();
  // Rows are walked pixel by pixel: other formats have narrower rows than this writes.
  if (format != vcl::pf24bit && format != vcl::pf32bit) return;
  const int bytes = format == vcl::pf32bit ? 4 : 3;
  rect.left = std::max<LONG>(rect.left, 0);
  rect.top = std::max<LONG>(rect.top, 0);
  rect.right = std::min<LONG>(rect.right, bitmap->Width());
  rect.bottom = std::min<LONG>(rect.bottom, bitmap->Height());
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  switch (data[0].Mode) {
    case 0: PaintVertical(bitmap, rect, data, bytes); break;
    case 1: PaintHorizontal(bitmap, rect, data, bytes); break;
    case 2: PaintFourCorners(bitmap, rect, data); break;
    default: break;
  }
}

void GradientsStartUp() {
  if (gradientLibrary) return;
  gradientLibrary = LoadLibraryA("msimg32.dll");
  if (gradientLibrary)
    gradientFill = vcl::GetProcAddressAs<GradientFillProc>(gradientLibrary, "GradientFill");
}

void GradientsShutDown() {
  gradientFill = nullptr;
  if (gradientLibrary) FreeLibrary(gradientLibrary);
  gradientLibrary = nullptr;
}

}  // namespace skin
