#include "tests/bitmap/engine/transfer_reference.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "bitmap/engine/blend.h"

namespace bitmap::reference {

namespace {

// One destination pixel in the given mode; the pixel blend for dmBlend.
void Put(TDrawMode mode, const TPixelCombineEvent& combiner, uint32_t master, TColor32 pixel,
         TColor32& target) {
  switch (mode) {
    case dmOpaque: target = pixel; break;
    case dmBlend: BlendPixelMaster(pixel, target, master); break;
    case dmCustom: combiner(pixel, target, master); break;
  }
}

// A row in the given mode; the row blends for dmBlend.
void PutRow(TDrawMode mode, const TPixelCombineEvent& combiner, uint32_t master,
            const TColor32* row, TColor32* target, int32_t count) {
  if (mode == dmBlend) {
    if (master >= 255)
      BlendRow(row, target, count);
    else
      BlendRowMaster(row, target, count, master);
    return;
  }
  for (int32_t i = 0; i < count; ++i) Put(mode, combiner, master, row[i], target[i]);
}

struct TEntry {
  int32_t Position, Weight;
};

std::vector<TEntry> BilinearMap(int32_t srcLo, int32_t srcHi, int32_t bitmapSize, int32_t dstLo,
                                int32_t dstHi, int32_t clipLo, int32_t clipHi) {
  const float scale = float(srcHi - srcLo) / float(dstHi - dstLo);
  std::vector<TEntry> map;
  for (int32_t x = clipLo; x < clipHi; ++x) {
    const int32_t v = x - dstLo;
    float u = scale * (float(v) + 0.5f) + float(srcLo) - 0.5f;
    if (u < 0) u = 0;
    if (u > float(bitmapSize - 1)) u = float(bitmapSize - 1);
    const int32_t position = int32_t(std::floor(u));
    const float frac = u - std::trunc(u);
    map.push_back(TEntry{position, 256 - int32_t(std::nearbyint(frac * 256.0f))});
  }
  // The whole span's last pixel takes exactly the source span's last pixel.
  if (clipHi == dstHi && map.back().Position + 1 == srcHi)
    map.back() = TEntry{map.back().Position - 1, 0};
  return map;
}

}  // namespace

void TransferRect(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                  TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combiner) {
  if (RectIsEmpty(srcRect)) return;
  IntersectRects(dstClip, dstClip, dst->BoundsRect());
  IntersectRects(dstClip, dstClip, dstRect);
  if (RectIsEmpty(dstClip)) return;
  if (mode == dmCustom && !combiner.Assigned()) mode = dmOpaque;
  const uint32_t master = src->MasterAlpha();
  if (mode == dmBlend && master == 0) return;
  const int32_t srcW = srcRect.Right - srcRect.Left, srcH = srcRect.Bottom - srcRect.Top;
  const int32_t dstW = dstRect.Right - dstRect.Left, dstH = dstRect.Bottom - dstRect.Top;
  if (srcW == dstW && srcH == dstH) {
    const int32_t w = dstClip.Right - dstClip.Left;
    for (int32_t y = dstClip.Top; y < dstClip.Bottom; ++y) {
      std::vector<TColor32> row(src->PixelPtr(srcRect.Left + dstClip.Left - dstRect.Left,
                                              srcRect.Top + y - dstRect.Top),
                                src->PixelPtr(srcRect.Left + dstClip.Right - dstRect.Left,
                                              srcRect.Top + y - dstRect.Top));
      PutRow(mode, combiner, master, row.data(), dst->PixelPtr(dstClip.Left, y), w);
    }
    return;
  }
  if (filter == sfNearest)
    StretchNearest(dst, dstRect, dstClip, src, srcRect, mode, combiner);
  else if (filter == sfLinear && dstW > srcW && dstH > srcH)
    StretchBilinear(dst, dstRect, dstClip, src, srcRect, mode, combiner);
  else
    Resample(dst, dstRect, dstClip, src, srcRect, filter, mode, combiner);
}

void StretchNearest(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                    const TRect& srcRect, TDrawMode mode, const TPixelCombineEvent& combiner) {
  const int32_t srcW = srcRect.Right - srcRect.Left, srcH = srcRect.Bottom - srcRect.Top;
  const int32_t dstW = dstRect.Right - dstRect.Left, dstH = dstRect.Bottom - dstRect.Top;
  std::vector<int32_t> columns;
  for (int32_t x = dstClip.Left; x < dstClip.Right; ++x) {
    if (dstW <= 1) {
      columns.push_back((srcRect.Left + srcRect.Right - 1) / 2);
    } else {
      const float scale = float(srcW) / float(dstW);
      columns.push_back(int32_t(std::trunc(float(srcRect.Left) + float(x - dstRect.Left) * scale)));
    }
  }
  std::vector<TColor32> row(columns.size());
  for (int32_t y = dstClip.Top; y < dstClip.Bottom; ++y) {
    const int32_t sourceRow =
        dstH <= 1 ? (srcRect.Top + srcRect.Bottom - 1) / 2
                  : int32_t(std::trunc(float(srcRect.Top) +
                                       float((y - dstRect.Top) * srcH) / float(dstH)));
    for (size_t i = 0; i < columns.size(); ++i) row[i] = *src->PixelPtr(columns[i], sourceRow);
    PutRow(mode, combiner, src->MasterAlpha(), row.data(), dst->PixelPtr(dstClip.Left, y),
           int32_t(row.size()));
  }
}

void StretchBilinear(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                     const TRect& srcRect, TDrawMode mode, const TPixelCombineEvent& combiner) {
  const std::vector<TEntry> columns = BilinearMap(srcRect.Left, srcRect.Right, src->Width(),
                                                  dstRect.Left, dstRect.Right, dstClip.Left, dstClip.Right);
  const std::vector<TEntry> rows = BilinearMap(srcRect.Top, srcRect.Bottom, src->Height(),
                                               dstRect.Top, dstRect.Bottom, dstClip.Top, dstClip.Bottom);
  // A pixel outside the bitmap has weight 0 and is never needed: 0 stands in for it.
  auto at = [&](int32_t x, int32_t y) -> TColor32 {
    const bool inside = x >= 0 && x < src->Width() && y >= 0 && y < src->Height();
    return inside ? *src->PixelPtr(x, y) : 0;
  };
  for (size_t j = 0; j < rows.size(); ++j) {
    const int32_t y = rows[j].Position;
    const uint32_t wy = uint32_t(rows[j].Weight);
    for (size_t i = 0; i < columns.size(); ++i) {
      const int32_t x = columns[i].Position;
      const uint32_t wx = uint32_t(columns[i].Weight);
      const TColor32 p00 = at(x, y), p10 = at(x + 1, y), p01 = at(x, y + 1), p11 = at(x + 1, y + 1);
      const uint32_t rbL = (((p00 & 0x00FF00FFu) * wy + (p01 & 0x00FF00FFu) * (256 - wy)) >> 8) & 0x00FF00FFu;
      const uint32_t agL = ((((p00 >> 8) & 0x00FF00FFu) * wy + ((p01 >> 8) & 0x00FF00FFu) * (256 - wy)) >> 8) & 0x00FF00FFu;
      const uint32_t rbR = (((p10 & 0x00FF00FFu) * wy + (p11 & 0x00FF00FFu) * (256 - wy)) >> 8) & 0x00FF00FFu;
      const uint32_t agR = ((((p10 >> 8) & 0x00FF00FFu) * wy + ((p11 >> 8) & 0x00FF00FFu) * (256 - wy)) >> 8) & 0x00FF00FFu;
      const TColor32 result = ((wx * agL + (256 - wx) * agR) & 0xFF00FF00u) |
                              (((wx * rbL + (256 - wx) * rbR) >> 8) & 0x00FF00FFu);
      Put(mode, combiner, src->MasterAlpha(), result,
          *dst->PixelPtr(dstClip.Left + int32_t(i), dstClip.Top + int32_t(j)));
    }
  }
}

void Resample(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
              const TRect& srcRect, TStretchFilter filter, TDrawMode mode,
              const TPixelCombineEvent& combiner, std::vector<int32_t>* unclamped) {
  if (mode == dmCustom && !combiner.Assigned()) mode = dmOpaque;
  if (mode == dmBlend && src->MasterAlpha() == 0) return;
  const TMappingTable mapX = BuildKernelMap(dstRect.Left, dstRect.Right, dstClip.Left,
                                            dstClip.Right, srcRect.Left, srcRect.Right, filter);
  const TMappingTable mapY = BuildKernelMap(dstRect.Top, dstRect.Bottom, dstClip.Top,
                                            dstClip.Bottom, srcRect.Top, srcRect.Bottom, filter);
  if (mapX.empty() || mapY.empty()) return;
  int32_t lo = mapX[0][0].Position, hi = lo;
  for (const TCluster& c : mapX)
    for (const TClusterEntry& e : c) {
      lo = std::min(lo, e.Position);
      hi = std::max(hi, e.Position);
    }
  // Sums wrap as 32-bit integers do.
  std::vector<uint32_t> buffer(size_t(hi - lo + 1) * 4);
  for (size_t j = 0; j < mapY.size(); ++j) {
    for (int32_t x = lo; x <= hi; ++x)
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = 0;
        for (const TClusterEntry& e : mapY[j])
          sum += uint32_t(e.Weight) * ((*src->PixelPtr(x, e.Position) >> (8 * c)) & 0xFF);
        buffer[size_t(x - lo) * 4 + c] = sum;
      }
    for (size_t i = 0; i < mapX.size(); ++i) {
      int32_t channel[4];
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = 0;
        for (const TClusterEntry& e : mapX[i])
          sum += uint32_t(e.Weight) * buffer[size_t(e.Position - lo) * 4 + c];
        channel[c] = int32_t(sum);
        if (unclamped) unclamped->push_back(channel[c]);
      }
      // Kernels with negative lobes are clamped; the others only masked.
      auto pack = [&](int32_t v) -> uint32_t {
        if (FilterHasNegativeLobes(filter)) {
          if (v > 0xFF0000) return 0xFF0000;
          if (v < 0) return 0;
        }
        return uint32_t(v) & 0xFF0000u;
      };
      const TColor32 pixel = (pack(channel[3]) << 8) | pack(channel[2]) | (pack(channel[1]) >> 8) |
                             (pack(channel[0]) >> 16);
      Put(mode, combiner, src->MasterAlpha(), pixel,
          *dst->PixelPtr(dstClip.Left + int32_t(i), dstClip.Top + int32_t(j)));
    }
  }
}

}  // namespace bitmap::reference
