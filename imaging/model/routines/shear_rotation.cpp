#include "imaging/model/routines/shear_rotation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/nearest_rotation.h"
#include "imaging/model/routines/quarter_turns.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// previous * K + current * (4096 - K), rounded once: a uniform area keeps its value exactly
// (rounding the already rounded quotient again would lift every odd value by one). K may be
// negative, so the blend may extrapolate; the clamp keeps it a byte.
inline uint8_t Blend(int32_t previous, int32_t current, int32_t k) {
  return ClampByte((previous * k + current * (4096 - k) + 2048) >> 12);
}

// One line of a shear: the count source pixels (step bytes apart) land at first, first + 1,
// ... of the destination line (step bytes apart, `limit` pixels long); those outside are
// dropped. Antialiased, each lands blended with the last pixel placed before it (the
// background at the start), and after the line the next position, when K > 0, takes the
// last pixel blended with the background.
void PlaceLine(const uint8_t* source, int64_t sourceStep, int32_t count, uint8_t* dest, int64_t destStep,
               int32_t limit, int32_t first, int32_t k, bool antialias, const uint8_t* background, int32_t channels) {
  uint8_t previous[3];
  std::memcpy(previous, background, channels);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t position = first + i;
    if (position < 0 || position >= limit) continue;
    const uint8_t* current = source + i * sourceStep;
    uint8_t* out = dest + position * destStep;
    for (int32_t c = 0; c < channels; ++c) out[c] = antialias ? Blend(previous[c], current[c], k) : current[c];
    std::memcpy(previous, current, channels);
  }
  const int32_t after = first + count;
  if (antialias && k > 0 && after >= 0 && after < limit) {
    uint8_t* out = dest + after * destStep;
    for (int32_t c = 0; c < channels; ++c) out[c] = Blend(previous[c], background[c], k);
  }
}

void FillLine(uint8_t* line, int32_t pixels, const uint8_t* background, int32_t channels) {
  for (int32_t x = 0; x < pixels; ++x) std::memcpy(line + size_t(x) * channels, background, channels);
}

// The three shear passes that turn `source` by the residual angle a (-45 .. 45, not 0) into
// `result`, a new bitmap of the source's pixel format (palette copied). Progress, when given,
// runs from 0 to 100 over the passes.
void ShearPasses(TIEBitmap* source, int32_t channels, bool antialias, const uint8_t* background, double a,
                 vcl::TObject* sender, const TIEProgressEvent& onProgress, TIEBitmap& result) {
  const int32_t w = source->Width(), h = source->Height();
  const double theta = a * kDegree;
  const double t = std::fabs(std::tan(theta / 2)), s = std::fabs(std::sin(theta));
  const TShearGeometry g = ShearGeometry(w, h, a);
  const double factor = 100.0 / (h + g.w1 + g.h2);
  auto report = [&](double done) {
    if (onProgress) onProgress(sender, static_cast<int32_t>(done * factor));
  };

  // Pass 1: rows shifted right by t per row.
  TWorkRows first(int64_t(g.w1) * channels, h);
  for (int32_t y = 0; y < h; ++y) {
    FillLine(first.Row(y), g.w1, background, channels);
    const double shift = theta > 0 ? t * y : t * (h - y);
    const int32_t n = RoundToInt32(shift);
    const int32_t k = static_cast<int32_t>((shift - n) * 4096);
    PlaceLine(static_cast<const uint8_t*>(source->GetScanline(y)), channels, w, first.Row(y), channels, g.w1, n, k,
              antialias, background, channels);
    report(y);
  }

  // Pass 2: columns shifted down by s per column, trimmed by D at the top.
  TWorkRows second(int64_t(g.w1) * channels, g.h2);
  for (int32_t y = 0; y < g.h2; ++y) FillLine(second.Row(y), g.w1, background, channels);
  for (int32_t x = 0; x < g.w1; ++x) {
    const double shift = theta > 0 ? s * (g.w1 - x) : s * x;
    const int32_t n = RoundToInt32(shift);
    const int32_t k = RoundToInt32((shift - n) * 4096);
    PlaceLine(first.Row(0) + int64_t(x) * channels, first.Stride(), h, second.Row(0) + int64_t(x) * channels,
              second.Stride(), g.h2, n - g.d, k, antialias, background, channels);
    report(h + x);
  }

  // Pass 3: rows shifted back, trimmed by E at the left, into the result.
  AllocateOrRaise(&result, g.w3, g.h2, source->PixelFormat());
  if (source->PixelFormat() == ie8p) source->CopyPaletteTo(&result);
  for (int32_t y = 0; y < g.h2; ++y) {
    uint8_t* out = static_cast<uint8_t*>(result.GetScanline(y));
    FillLine(out, g.w3, background, channels);
    const double shift = theta > 0 ? t * y : t * (g.h2 - y);
    const int32_t n = RoundToInt32(shift);
    const int32_t k = RoundToInt32((shift - n) * 4096);
    PlaceLine(second.Row(y), channels, g.w1, out, channels, g.w3, n - g.e, k, antialias, background, channels);
    report(h + g.w1 + y);
  }
}

void ShearRotate(TIEBitmap* bitmap, int32_t channels, bool antialias, const uint8_t* background, vcl::TObject* sender,
                 const TIEProgressEvent& onProgress, double angle) {
  if (angle == 0 || !std::isfinite(angle) || bitmap->IsEmpty()) return;
  double a = ReduceShearAngle(angle);

  // Quarter turns first, into two work bitmaps used in turn; the alpha channel turns along.
  TIEBitmap turnA, turnB;
  TIEBitmap* current = bitmap;
  auto quarter = [&](TQuarterTurn turn) {
    TIEBitmap* next = current == &turnA ? &turnB : &turnA;
    TurnBitmap(current, next, turn);
    current = next;
  };
  while (a > 45) {
    quarter(TQuarterTurn::CounterClockwise);
    a -= 90;
  }
  while (a < -45) {
    quarter(TQuarterTurn::Clockwise);
    a += 90;
  }
  if (a == 0) {
    if (current != bitmap) TakeOverPixels(bitmap, current);
    return;
  }

  // The alpha channel goes through the same passes, transparent where the background shows.
  constexpr uint8_t kTransparent = 0;
  std::unique_ptr<TIEBitmap> alpha = TurnedAlphaChannel(current, [&](TIEBitmap* channel) {
    TIEBitmap turned;
    ShearPasses(channel, 1, antialias, &kTransparent, a, nullptr, TIEProgressEvent(), turned);
    TakeOverPixels(channel, &turned);
  });
  TIEBitmap result;
  ShearPasses(current, channels, antialias, background, a, sender, onProgress, result);
  if (alpha) result.AttachAlphaChannel(std::move(alpha));
  TakeOverPixels(bitmap, &result);
}

}  // namespace

TShearGeometry ShearGeometry(int32_t width, int32_t height, double residualAngle) {
  const double theta = residualAngle * kDegree;
  const double t = std::fabs(std::tan(theta / 2)), s = std::fabs(std::sin(theta));
  TShearGeometry g;
  g.w1 = RoundToInt32(height * t + width + 1);
  g.d = RoundToInt32((g.w1 - width) * s);
  g.h0 = RoundToInt32(s * g.w1 + height + 1);
  g.h2 = std::max(g.h0 - 2 * g.d, 1);
  g.e = RoundToInt32(t * (g.h0 - height - g.d));
  g.w3 = std::max(RoundToInt32(t * g.h2 + g.w1 + 1 - 2 * g.e), 1);
  return g;
}

double ReduceShearAngle(double angle) { return std::fmod(std::trunc(angle * 1000), 360000) / 1000; }

void ShearRotateBitmap(TIEBitmap* bitmap, bool antialias, vcl::TObject* sender, const TIEProgressEvent& onProgress,
                       TRGB background, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  const TIEPixelFormat format = bitmap->PixelFormat();
  if (format == ie1g) {
    ProgressContext progress;
    progress.OnProgress = onProgress;
    progress.Sender = sender;
    RotateBitmap1Bit(bitmap, background.r && background.g && background.b, &progress, angle);
    return;
  }
  if (format != ie24RGB) {
    const double colour = double(background.r | (background.g << 8) | (background.b << 16));
    RotateBitmapInPlace(bitmap, colour, sender, onProgress, angle);
    return;
  }
  const uint8_t pixel[3] = {background.b, background.g, background.r};
  ShearRotate(bitmap, 3, antialias, pixel, sender, onProgress, angle);
}

void ShearRotateGray8(TIEBitmap* bitmap, bool antialias, uint8_t background, vcl::TObject* sender,
                      const TIEProgressEvent& onProgress, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  if (bitmap->PixelFormat() != ie8g && bitmap->PixelFormat() != ie8p) return;
  ShearRotate(bitmap, 1, antialias, &background, sender, onProgress, angle);
}

}  // namespace imaging
