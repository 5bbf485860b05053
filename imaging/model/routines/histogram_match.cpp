#include "imaging/model/routines/histogram_match.h"

#include <cmath>
#include <cstdlib>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

namespace {

// Channel c of pixel x as a value index 0 .. 255 (ieRGB48: the word's high byte).
int32_t ChannelIndex(const uint8_t* row, TIEPixelFormat format, int32_t x, int32_t channel) {
  if (format == ie24RGB) return row[x * 3 + channel];
  // Words red, green, blue: blue (0) is the third word.
  const uint16_t* words = reinterpret_cast<const uint16_t*>(row) + x * 3;
  return words[2 - channel] >> 8;
}

void SetChannel(uint8_t* row, TIEPixelFormat format, int32_t x, int32_t channel, int32_t index) {
  if (format == ie24RGB)
    row[x * 3 + channel] = uint8_t(index);
  else
    reinterpret_cast<uint16_t*>(row)[x * 3 + 2 - channel] = uint16_t(index * 257);
}

}  // namespace

void HistogramMatchChannel(TIEBitmap* target, int32_t channel, const std::array<int32_t, 256>& refHistogram,
                           int64_t refCount) {
  const TIEPixelFormat format = target->PixelFormat();
  if ((format != ie24RGB && format != ieRGB48) || target->IsEmpty() || refCount <= 0 || channel < 0 ||
      channel > 2)
    return;
  const int32_t width = target->Width();
  const int32_t height = target->Height();
  std::array<int64_t, 256> histogram{};
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(target->Scanline(y));
    for (int32_t x = 0; x < width; ++x) ++histogram[ChannelIndex(row, format, x, channel)];
  }
  // Equalise, then map through the inverse of the reference's cumulative curve.
  std::array<int32_t, 256> equalised{};
  const double scale = 255.0 / (double(width) * height);
  int64_t sum = 0;
  for (int32_t i = 0; i < 256; ++i) {
    sum += histogram[i];
    equalised[i] = static_cast<int32_t>(std::trunc(sum * scale));
  }
  std::array<double, 256> reference{};
  int64_t refSum = 0;
  for (int32_t i = 0; i < 256; ++i) {
    refSum += refHistogram[i];
    reference[i] = (255.0 / refCount) * refSum;
  }
  std::array<int32_t, 256> inverse{};
  for (int32_t i = 0; i < 256; ++i) {
    int32_t best = 0;
    for (int32_t j = 1; j < 256; ++j)
      if (std::abs(i - reference[j]) < std::abs(i - reference[best])) best = j;
    inverse[i] = best;
  }
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(target->Scanline(y));
    for (int32_t x = 0; x < width; ++x)
      SetChannel(row, format, x, channel, inverse[equalised[ChannelIndex(row, format, x, channel)]]);
  }
}

void MatchBitmapHistogram(TIEBitmap* reference, TIEBitmap* target) {
  if (reference->PixelFormat() != ie24RGB || reference->IsEmpty() || target->IsEmpty()) return;
  std::array<std::array<int32_t, 256>, 3> histograms{};
  const int32_t width = reference->Width();
  for (int32_t y = 0; y < reference->Height(); ++y) {
    const TRGB* row = static_cast<const TRGB*>(reference->Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      ++histograms[0][row[x].b];
      ++histograms[1][row[x].g];
      ++histograms[2][row[x].r];
    }
  }
  const int64_t count = int64_t(width) * reference->Height();
  for (int32_t channel = 0; channel < 3; ++channel) HistogramMatchChannel(target, channel, histograms[channel], count);
}

}  // namespace imaging
