#include "imaging/model/routines/colour_reduction.h"

#include <cmath>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/colour_hash.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/model/routines/threshold.h"

namespace imaging {

const uint8_t kOrderedDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

void ConvertRectToGray24(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, vcl::TObject* sender,
                         const TIEProgressEvent& progress) {
  if (bitmap->GetPixelFormat() != ie24RGB) return;
  x1 = IntMax(x1, 0);
  y1 = IntMax(y1, 0);
  x2 = IntMin(x2, bitmap->GetWidth());
  y2 = IntMin(y2, bitmap->GetHeight());
  for (int32_t y = y1; y < y2; ++y) {
    TRGB* row = static_cast<TRGB*>(bitmap->GetScanline(y));
    for (int32_t x = x1; x < x2; ++x) {
      const uint8_t level = static_cast<uint8_t>(GrayLevel(row[x].r, row[x].g, row[x].b));
      row[x] = TRGB{level, level, level};
    }
    ReportRowProgress(progress, sender, y - y1 + 1, y2 - y1);
  }
}

void QuantizeToPalette24(TIEBitmap* bitmap, int32_t colours, std::span<TRGB> palette, vcl::TObject* sender,
                         const TIEProgressEvent& progress) {
  if (bitmap->GetPixelFormat() != ie24RGB || colours < 1) return;
  std::vector<TRGB> ownPalette;
  if (palette.empty()) {
    ownPalette.resize(colours);
    palette = ownPalette;
  }
  TIEQuantizer quantizer(bitmap, palette, colours);
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  for (int32_t y = 0; y < height; ++y) {
    TRGB* row = static_cast<TRGB*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const int32_t index = quantizer.GetColorIndex(row[x]);
      if (index >= 0 && index < colours) row[x] = palette[index];
    }
    ReportRowProgress(progress, sender, y + 1, height);
  }
}

void ConvertTo1BitOrderedDither(TIEBitmap* bitmap, ProgressContext* progress) {
  if (bitmap->GetPixelFormat() != ie24RGB) return;
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  TIEBitmap bilevel(width, height, ie1g);
  if (progress) progress->Start(height);
  for (int32_t y = 0; y < height; ++y) {
    const TRGB* source = static_cast<const TRGB*>(bitmap->GetScanline(y));
    uint8_t* dest = static_cast<uint8_t*>(bilevel.GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const TRGB& c = source[x];
      const int32_t level = (c.r >= 251 && c.g >= 251 && c.b >= 251) ? 64 : GrayLevel(c.r, c.g, c.b) >> 2;
      SetBitInBuffer(dest, x, level > kOrderedDitherMatrix[x & 7][y & 7]);
    }
    if (progress) progress->RowsDone(y + 1);
  }
  bitmap->CopyWithoutAlpha(&bilevel);
}

void ConvertTo1BitThreshold(TIEBitmap* bitmap, int32_t threshold, ProgressContext* progress) {
  if (bitmap->GetPixelFormat() != ie24RGB) return;
  TIEBitmap bilevel(bitmap->GetWidth(), bitmap->GetHeight(), ie1g);
  ThresholdTo1Bit(bitmap, &bilevel, threshold, progress);
  bitmap->CopyWithoutAlpha(&bilevel);
}

std::unique_ptr<TIEBitmap> ConvertToBilevelIfTwoColors(TIEBitmap* bitmap, TRGB& colour1, TRGB& colour2) {
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  auto bilevel = std::make_unique<TIEBitmap>(width, height, ie1g);
  THash1 seen(13);
  int32_t first = 0;
  for (int32_t y = 0; y < height && seen.Count() <= 2; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bilevel->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const TRGB c = bitmap->GetPixelRGB(x, y);
      const int32_t packed = PackRGB(c);
      if (seen.AddValue(static_cast<uint32_t>(packed))) {
        if (seen.Count() == 1) {
          colour1 = c;
          first = packed;
        } else {
          colour2 = c;
        }
      }
      SetBitInBuffer(row, x, packed != first);
    }
  }
  if (seen.Count() != 2) return nullptr;
  auto brightness = [](const TRGB& c) {
    return std::nearbyint((double(GrayWeightRed) * c.r + double(GrayWeightGreen) * c.g + double(GrayWeightBlue) * c.b) /
                          100);
  };
  if (brightness(colour2) < brightness(colour1)) {
    const int32_t rowBytes = (width + 7) / 8;
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = static_cast<uint8_t*>(bilevel->GetScanline(y));
      for (int32_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
    }
    std::swap(colour1, colour2);
  }
  return bilevel;
}

}  // namespace imaging
