#include "imaging/model/frames_and_shadows.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/model/ie_canvas.h"

namespace imaging {

void DrawFrame3D(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TColor topLeft,
                 vcl::TColor bottomRight) {
  vcl::TPen* pen = canvas->Pen();
  pen->SetMode(vcl::pmCopy);
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(1);
  pen->SetColor(topLeft);
  canvas->Polyline({POINT{x1, y2}, POINT{x1, y1}, POINT{x2, y1}});
  pen->SetColor(bottomRight);
  canvas->Polyline({POINT{x1, y2}, POINT{x2, y2}, POINT{x2, y1}});
}

void DrawFrame3DOnIECanvas(TIECanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TColor topLeft,
                           vcl::TColor bottomRight) {
  TIEPen* pen = canvas->Pen();
  pen->SetMode(vcl::pmCopy);
  pen->SetStyle(vcl::psSolid);
  pen->SetColor(topLeft);
  const POINT first[] = {{x1, y2}, {x1, y1}, {x2, y1}};
  canvas->Polyline(first, 2);
  pen->SetColor(bottomRight);
  const POINT second[] = {{x1, y2}, {x2, y2}, {x2, y1}};
  canvas->Polyline(second, 2);
}

namespace {

// Pixel access that writes the 24-bit bitmap's rows directly and reaches everything else
// through the canvas (skipping what lies outside the canvas's surface).
class TShadowPixels {
 public:
  TShadowPixels(vcl::TCanvas* canvas, vcl::TBitmap* bitmap) : canvas_(canvas) {
    if (bitmap && bitmap->PixelFormat() == vcl::pf24bit) bitmap_ = bitmap;
  }

  void Darken(int32_t x, int32_t y, double factor) {
    if (uint8_t* p = InBitmap(x, y)) {
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::trunc(p[c] * factor));
      return;
    }
    vcl::TColor colour = canvas_->Pixels(x, y);
    if (colour == -1) return;
    uint32_t rgb = static_cast<uint32_t>(colour);
    auto channel = [&](int shift) {
      return static_cast<uint32_t>(std::trunc(((rgb >> shift) & 0xFF) * factor)) << shift;
    };
    canvas_->SetPixels(x, y, static_cast<vcl::TColor>(channel(0) | channel(8) | channel(16)));
  }

  void SetGrey(int32_t x, int32_t y, uint8_t grey) {
    if (uint8_t* p = InBitmap(x, y)) {
      p[0] = p[1] = p[2] = grey;
      return;
    }
    canvas_->SetPixels(x, y, static_cast<vcl::TColor>(grey | (grey << 8) | (grey << 16)));
  }

 private:
  uint8_t* InBitmap(int32_t x, int32_t y) {
    if (!bitmap_ || x < 0 || y < 0 || x >= bitmap_->Width() || y >= bitmap_->Height()) return nullptr;
    return static_cast<uint8_t*>(bitmap_->ScanLine(y)) + 3 * static_cast<size_t>(x);
  }

  vcl::TCanvas* canvas_;
  vcl::TBitmap* bitmap_ = nullptr;
};

double FadeFactor(int32_t i, int32_t size) {
  double t = (size - i) / (size / 3.0);
  return std::exp(-0.1 - t * t / 6);
}

uint8_t RampGrey(double exponent) {
  return static_cast<uint8_t>(std::clamp<double>(std::trunc(std::exp(exponent) / M_E * 255), 0, 255));
}

}  // namespace

void DrawShadowRight(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t kind) {
  int32_t w = x2 - x1 + 1;
  int32_t h = y2 - y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (kind == 1) {
    canvas->FillRect(RECT{x1, y1 + w, x2, y2 + 1});
    return;
  }
  TShadowPixels pixels(canvas, bitmap);
  if (kind == 2) {
    for (int32_t i = 0; i < w; ++i) {
      double factor = FadeFactor(i, w);
      for (int32_t y = y1 + w; y <= y2 - w + i + 3; ++y) pixels.Darken(x1 + i, y, factor);
    }
  } else if (kind == 3) {
    int32_t first = 0;
    for (int32_t i = 0; i < h; ++i) {
      uint8_t floor = RampGrey((h - 3.0 * i) / h);
      if (i > h - w + 1) ++first;
      for (int32_t j = first; j < w; ++j)
        pixels.SetGrey(x1 + j, y1 + i, std::max(RampGrey(static_cast<double>(j) / w), floor));
    }
  }
}

void DrawShadowBottom(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t kind) {
  int32_t w = x2 - x1 + 1;
  int32_t h = y2 - y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (kind == 1) {
    canvas->FillRect(RECT{x1 + h, y1, x2 + 1, y2});
    return;
  }
  TShadowPixels pixels(canvas, bitmap);
  if (kind == 2) {
    for (int32_t i = 0; i < h; ++i) {
      double factor = FadeFactor(i, h);
      for (int32_t x = x1 + h; x <= x2 - h + i + 1; ++x) pixels.Darken(x, y1 + i, factor);
    }
  } else if (kind == 3) {
    int32_t first = 0;
    for (int32_t i = 0; i < w; ++i) {
      uint8_t floor = RampGrey((w - 3.0 * i) / w);
      if (i > w - h + 1) ++first;
      for (int32_t j = first; j < h; ++j)
        pixels.SetGrey(x1 + i, y1 + j, std::max(RampGrey(static_cast<double>(j) / h), floor));
    }
  }
}

namespace {

// Blurs a grey mask in place with a normalised Gaussian kernel, rows then columns, the edges
// repeating their outermost values.
void BlurMask(std::vector<uint8_t>& mask, int32_t width, int32_t height, double deviation) {
  int32_t radius = static_cast<int32_t>(std::ceil(3 * deviation));
  std::vector<double> kernel(2 * radius + 1);
  double sum = 0;
  for (int32_t k = -radius; k <= radius; ++k) sum += kernel[k + radius] = std::exp(-k * k / (2 * deviation * deviation));
  for (double& k : kernel) k /= sum;
  std::vector<uint8_t> pass(mask.size());
  auto blur = [&](const std::vector<uint8_t>& from, std::vector<uint8_t>& to, bool alongRows) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        double v = 0;
        for (int32_t k = -radius; k <= radius; ++k) {
          int32_t sx = alongRows ? std::clamp(x + k, 0, width - 1) : x;
          int32_t sy = alongRows ? y : std::clamp(y + k, 0, height - 1);
          v += kernel[k + radius] * from[static_cast<size_t>(sy) * width + sx];
        }
        to[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
      }
  };
  blur(mask, pass, true);
  blur(pass, mask, false);
}

}  // namespace

void DrawSoftShadow(vcl::TBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  constexpr int32_t kMargin = 5;
  constexpr int32_t kOffset = 2;
  if (!bitmap || bitmap->PixelFormat() != vcl::pf24bit) return;
  int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (w <= 0 || h <= 0) return;
  int32_t maskWidth = w + 2 * kMargin, maskHeight = h + 2 * kMargin;
  std::vector<uint8_t> mask(static_cast<size_t>(maskWidth) * maskHeight, 0);
  // The image's silhouette, moved down and to the right.
  for (int32_t y = kMargin + kOffset; y < kMargin + kOffset + h; ++y)
    std::fill_n(mask.begin() + static_cast<size_t>(y) * maskWidth + kMargin + kOffset, w, uint8_t(255));
  BlurMask(mask, maskWidth, maskHeight, 2.5);
  int32_t bottom = std::min(y2 + kMargin, bitmap->Height() - 1);
  int32_t right = std::min(x2 + kMargin, bitmap->Width() - 1);
  for (int32_t y = std::max(y1 - kMargin, 0); y <= bottom; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int32_t x = std::max(x1 - kMargin, 0); x <= right; ++x) {
      if (x >= x1 && x <= x2 && y >= y1 && y <= y2) continue;
      double keep = 1 - mask[static_cast<size_t>(y - y1 + kMargin) * maskWidth + (x - x1 + kMargin)] / 255.0;
      uint8_t* p = row + 3 * static_cast<size_t>(x);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::trunc(p[c] * keep));
    }
  }
}

void ShadeOutsideRect(vcl::TCanvas* canvas, int32_t areaLeft, int32_t areaTop, int32_t areaWidth,
                      int32_t areaHeight, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 >= x2 || y1 >= y2) return;
  TIECanvas shade(canvas, false, true);
  shade.Brush()->SetColor(vcl::clBlack);
  shade.Brush()->SetStyle(vcl::bsSolid);
  shade.Brush()->SetAlpha(150);
  int32_t right = areaLeft + areaWidth, bottom = areaTop + areaHeight;
  // Four bands that tile the area around the hole without overlapping, so that no pixel is
  // darkened twice; a band squeezed to nothing by a hole at the area's edge is left out.
  auto band = [&](int32_t left, int32_t top, int32_t bandRight, int32_t bandBottom) {
    if (left < bandRight && top < bandBottom) shade.FillRect(RECT{left, top, bandRight, bandBottom});
  };
  band(areaLeft, areaTop, x1 + 1, bottom);
  band(x2, areaTop, right, bottom);
  band(x1 + 1, areaTop, x2, y1 + 1);
  band(x1 + 1, y2 + 1, x2, bottom);
}

}  // namespace imaging
