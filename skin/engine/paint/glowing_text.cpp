#include "skin/engine/paint/glowing_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "skin/engine/paint/text_routines.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

// The cut kernel w(-h) .. w(h) in 16.16 fixed point, summing to exactly 65536.
std::vector<int32_t> GaussKernel(float radius) {
  float w[201];
  float sum = 0;
  for (int i = -100; i <= 100; ++i) {
    const float x = static_cast<float>(i) / radius;
    w[i + 100] = std::exp(-x * x / 2.0f);
    sum += w[i + 100];
  }
  for (float& v : w) v /= sum;
  int h = 100;
  float tails = 0;
  while (tails < 1.0f / 510.0f && h > 1) {
    tails += 2 * w[h + 100];
    --h;
  }
  sum = 0;
  for (int i = -h; i <= h; ++i) sum += w[i + 100];
  std::vector<int32_t> kernel(2 * h + 1);
  int32_t total = 0;
  for (int i = -h; i <= h; ++i) {
    kernel[i + h] = static_cast<int32_t>(std::lround(w[i + 100] / sum * 65536.0f));
    total += kernel[i + h];
  }
  kernel[h] += 65536 - total;  // rounding left over goes to the centre
  return kernel;
}

// One line of `count` bytes `step` apart, blurred in place through `scratch`.
void BlurLine(uint8_t* line, int32_t count, int32_t step, const std::vector<int32_t>& kernel,
              std::vector<uint8_t>& scratch) {
  const int32_t h = static_cast<int32_t>(kernel.size() / 2);
  scratch.resize(count);
  for (int32_t i = 0; i < count; ++i) scratch[i] = line[i * step];
  for (int32_t x = 0; x < count; ++x) {
    int64_t v = 0;
    for (int32_t k = -h; k <= h; ++k) v += int64_t(kernel[k + h]) * scratch[std::clamp(x - k, 0, count - 1)];
    line[x * step] = static_cast<uint8_t>(std::clamp<int64_t>(v >> 16, 0, 255));
  }
}

void GiveGreyPalette(vcl::TBitmap* bitmap) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = 256;
  for (int i = 0; i < 256; ++i) {
    const BYTE v = static_cast<BYTE>(i);
    log->palPalEntry[i] = PALETTEENTRY{v, v, v, 0};
  }
  bitmap->SetPalette(CreatePalette(log));
}

// The black-on-white text mask of size width x height, the text at distance d from its edges.
void DrawMask(vcl::TBitmap* mask, vcl::TBitmap* target, const char* text, const vcl::TRect& rect, int32_t d,
              int32_t width, int32_t height, uint32_t offsetFlags, uint32_t format) {
  mask->SetPixelFormat(vcl::pf8bit);
  mask->SetSize(width, height);
  GiveGreyPalette(mask);  // the bytes are grey levels, which the blur and the blend read
  for (int32_t y = 0; y < height; ++y) std::memset(mask->ScanLine(y), 255, width);
  vcl::TCanvas* canvas = mask->Canvas();
  canvas->SetFont(target->Canvas()->Font());
  canvas->Font()->SetColor(0);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const vcl::TRect at{d, d, d + rect.right - rect.left, d + rect.bottom - rect.top};
  const struct {
    uint32_t flag;
    int dx, dy;
  } offsets[] = {{goLeft, -1, 0}, {goUp, 0, -1}, {goRight, 1, 0}, {goDown, 0, 1}};
  for (const auto& o : offsets) {
    if (!(offsetFlags & o.flag)) continue;
    vcl::TRect shifted = at;
    OffsetRect(&shifted, o.dx, o.dy);
    DrawCanvasText(canvas, text, shifted, format);
  }
  DrawCanvasText(canvas, text, at, format);
}

}  // namespace

void GaussBlur8(vcl::TBitmap* bitmap, float radius) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf8bit || bitmap->HandleType() != vcl::bmDIB) return;
  if (!(radius > 0) || !std::isfinite(radius) || bitmap->Empty()) return;
  const std::vector<int32_t> kernel = GaussKernel(radius);
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  std::vector<uint8_t> scratch;
  for (int32_t y = 0; y < height; ++y) BlurLine(static_cast<uint8_t*>(bitmap->ScanLine(y)), width, 1, kernel, scratch);
  if (height < 2) return;
  uint8_t* top = static_cast<uint8_t*>(bitmap->ScanLine(0));
  const int32_t rowDelta = static_cast<int32_t>(static_cast<uint8_t*>(bitmap->ScanLine(1)) - top);
  for (int32_t x = 0; x < width; ++x) BlurLine(top + x, height, rowDelta, kernel, scratch);
}

void DrawGlowingText(vcl::TBitmap* target, const char* text, const vcl::TRect& rect,
                     std::unique_ptr<vcl::TBitmap>& cache, vcl::TColor colour, int32_t radius, uint32_t offsetFlags,
                     uint32_t format) {
  if (!target || !text) return;
  const int32_t d = radius + 4;
  const vcl::TRect maskRect{rect.left - d, rect.top - d, rect.right + d, rect.bottom + d};
  const int32_t width = std::max<int32_t>(0, maskRect.right - maskRect.left);
  const int32_t height = std::max<int32_t>(0, maskRect.bottom - maskRect.top);
  if (!cache || cache->Width() != width || cache->Height() != height || cache->PixelFormat() != vcl::pf8bit) {
    if (!cache) cache = std::make_unique<vcl::TBitmap>();
    DrawMask(cache.get(), target, text, rect, d, width, height, offsetFlags, format);
    GaussBlur8(cache.get(), static_cast<float>(radius));
  }

  const vcl::TPixelFormat targetFormat = target->PixelFormat();
  if (targetFormat != vcl::pf24bit && targetFormat != vcl::pf32bit) return;
  const int32_t bpp = targetFormat == vcl::pf32bit ? 4 : 3;
  const uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  const int32_t c[3] = {int32_t((rgb >> 16) & 0xFF), int32_t((rgb >> 8) & 0xFF), int32_t(rgb & 0xFF)};
  // Mask rows and columns whose target position lies inside the target.
  const int32_t i0 = std::max(0, -maskRect.left), i1 = std::min(width, target->Width() - maskRect.left);
  const int32_t k0 = std::max(0, -maskRect.top), k1 = std::min(height, target->Height() - maskRect.top);
  for (int32_t k = k0; k < k1; ++k) {
    const uint8_t* m = static_cast<const uint8_t*>(cache->ScanLine(k));
    uint8_t* t = static_cast<uint8_t*>(target->ScanLine(maskRect.top + k)) + (maskRect.left + i0) * bpp;
    for (int32_t i = i0; i < i1; ++i, t += bpp) {
      const int32_t mask = m[i];
      if (mask == 255) continue;
      for (int ch = 0; ch < 3; ++ch) t[ch] = static_cast<uint8_t>(c[ch] + (t[ch] - c[ch]) * mask / 255);
      if (bpp == 4) t[3] = static_cast<uint8_t>(std::max(0, t[3] + mask - 255));
    }
  }
}

}  // namespace skin
