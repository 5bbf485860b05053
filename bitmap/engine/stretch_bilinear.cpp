// Bilinear enlargement. Every destination pixel mixes the 2 x 2 source pixels around the
// point its centre maps to, with 8-bit weights and two channels per 32-bit multiply. A
// destination row first mixes its two source rows for every source column it needs (that
// vertical mix depends only on the column, so it is shared by all the pixels that use it,
// and by the next row when that maps to the same rows), then mixes neighbouring columns.
#include <algorithm>
#include <cmath>
#include <vector>

#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/resample_rows.h"
#include "bitmap/engine/transfer_rows.h"
#include "bitmap/engine/transfer.h"

namespace bitmap {

namespace {

// Position: the source column (or row) whose pixel gets Weight (0..256) out of 256; the
// pixel at Position + 1 gets the rest.
struct TBilinearEntry {
  int32_t Position;
  int32_t Weight;
};

// One axis: the source span [srcLo, srcHi) of a bitmap `bitmapSize` pixels long, drawn onto
// a destination span of dstSize pixels, of which `count` are written starting `offset`
// pixels into it. Pixel centres are aligned; near the span's ends the neighbours outside it
// are taken in where the bitmap has them, but the whole span's last pixel takes exactly the
// source span's last pixel.
std::vector<TBilinearEntry> BuildBilinearMap(int32_t srcLo, int32_t srcHi, int32_t bitmapSize,
                                             int64_t dstSize, int64_t offset, int32_t count) {
  std::vector<TBilinearEntry> map(static_cast<size_t>(count));
  const float scale = float(int64_t(srcHi) - srcLo) / float(dstSize);
  const float last = float(bitmapSize - 1);
  for (int32_t i = 0; i < count; ++i) {
    const int64_t v = i + offset;
    float u = scale * (float(v) + 0.5f) + float(srcLo) - 0.5f;
    if (u < 0.0f) u = 0.0f;
    if (u > last) u = last;
    const float whole = std::floor(u);
    map[i].Position = int32_t(whole);
    map[i].Weight = 256 - int32_t(std::nearbyint((u - whole) * 256.0f));
  }
  // Only where the written part ends with the whole span's end: a clipped drawing stays
  // exactly the matching part of the unclipped one.
  if (count > 0 && offset + count == dstSize && map.back().Position + 1 == srcHi)
    map.back() = TBilinearEntry{map.back().Position - 1, 0};
  return map;
}


}  // namespace

void StretchBilinearUp(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip,
                       TBitmap32* src, const TRect& srcRect, TDrawMode mode,
                       const TPixelCombineEvent& combiner) {
  const int64_t dstW = int64_t(dstRect.Right) - dstRect.Left;
  const int64_t dstH = int64_t(dstRect.Bottom) - dstRect.Top;
  vcl::Assert(dstW > srcRect.Right - srcRect.Left && dstH > srcRect.Bottom - srcRect.Top,
              "Bilinear stretching only enlarges");
  const uint32_t master = src->MasterAlpha();
  if (!ResolveDrawMode(mode, combiner, master)) return;
  const int32_t clipW = dstClip.Right - dstClip.Left, clipH = dstClip.Bottom - dstClip.Top;
  if (clipW <= 0 || clipH <= 0) return;

  const std::vector<TBilinearEntry> columns =
      BuildBilinearMap(srcRect.Left, srcRect.Right, src->Width(), dstW,
                       int64_t(dstClip.Left) - dstRect.Left, clipW);
  const std::vector<TBilinearEntry> rows =
      BuildBilinearMap(srcRect.Top, srcRect.Bottom, src->Height(), dstH,
                       int64_t(dstClip.Top) - dstRect.Top, clipH);

  // A neighbour outside the bitmap always has weight 0; it is read from the nearest pixel
  // inside instead, which leaves the result unchanged.
  const int32_t lastColumn = src->Width() - 1, lastRow = src->Height() - 1;
  int32_t firstUsed = lastColumn, lastUsed = 0;
  for (const TBilinearEntry& e : columns) {
    firstUsed = std::min(firstUsed, std::clamp(e.Position, 0, lastColumn));
    lastUsed = std::max(lastUsed, std::clamp(e.Position + 1, 0, lastColumn));
  }
  const int32_t used = lastUsed - firstUsed + 1;
  // For each destination column: the indexes of its left and right neighbours among the
  // used source columns.
  std::vector<int32_t> left(static_cast<size_t>(clipW)), right(static_cast<size_t>(clipW));
  for (int32_t i = 0; i < clipW; ++i) {
    left[i] = std::clamp(columns[i].Position, 0, lastColumn) - firstUsed;
    right[i] = std::clamp(columns[i].Position + 1, 0, lastColumn) - firstUsed;
  }

  std::vector<int32_t> weights(static_cast<size_t>(clipW));
  for (int32_t i = 0; i < clipW; ++i) weights[i] = columns[i].Weight;

  const TResampleRowKernels& loops = ResampleRowKernels();
  const TTransferRowWriter writer(mode, combiner, master, TBlendBy::Pixels);
  auto band = [&](int32_t firstRow, int32_t endRow) {
    // The vertical mix of the current source rows for every used column, followed by eight
    // spare pixels that the loops may read (and ignore).
    std::vector<TColor32> mixed(static_cast<size_t>(used) + 8);
    std::vector<TColor32> buffer(writer.WritesDirectly() ? 0 : size_t(clipW));
    TBilinearEntry current{-1, -1};
    for (int32_t j = firstRow; j < endRow; ++j) {
      const TBilinearEntry row = rows[j];
      if (row.Position != current.Position || row.Weight != current.Weight) {
        loops.MixRows(src->PixelPtr(firstUsed, std::clamp(row.Position, 0, lastRow)),
                      src->PixelPtr(firstUsed, std::clamp(row.Position + 1, 0, lastRow)),
                      uint32_t(row.Weight), used, mixed.data());
        current = row;
      }
      TColor32* d = dst->PixelPtr(dstClip.Left, dstClip.Top + j);
      TColor32* out = writer.WritesDirectly() ? d : buffer.data();
      loops.MixColumns(mixed.data(), left.data(), right.data(), weights.data(), clipW, out);
      if (!writer.WritesDirectly()) writer.Write(buffer.data(), d, clipW);
    }
  };
  if (writer.ThreadSafe() && int64_t(clipW) * clipH >= kParallelPixels)
    ParallelRows(clipH, band);
  else
    band(0, clipH);
}

}  // namespace bitmap
