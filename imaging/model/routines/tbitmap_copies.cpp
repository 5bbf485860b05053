#include "imaging/model/routines/tbitmap_copies.h"

#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/pixel_formats.h"
#include "imaging/model/routines/bit_runs.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

// A copy of the palette the bitmap keeps for its colour table; nil when it has none.
HPALETTE CopyColourTable(vcl::TBitmap* bitmap) {
  const vcl::TPixelFormat format = bitmap->PixelFormat();
  if (format != vcl::pf1bit && format != vcl::pf4bit && format != vcl::pf8bit) return nullptr;
  HPALETTE palette = bitmap->Palette();
  if (!palette) return nullptr;
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  if (count == 0 || count > 256) return nullptr;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(count);
  GetPaletteEntries(palette, 0, count, log->palPalEntry);
  return CreatePalette(log);
}

}  // namespace

std::unique_ptr<vcl::TBitmap> CloneTBitmap(vcl::TBitmap* source) {
  auto clone = std::make_unique<vcl::TBitmap>();
  CopyTBitmapPixels(source, clone.get());
  return clone;
}

void CopyTBitmapPixels(vcl::TBitmap* source, vcl::TBitmap* dest) {
  const vcl::TPixelFormat format = source->PixelFormat();
  const int width = source->Width(), height = source->Height();
  if (width == 0 || height == 0) {
    dest->SetSize(1, 1);
    dest->SetPixelFormat(format);
    return;
  }
  if (dest->Width() != width || dest->Height() != height || dest->PixelFormat() != format) {
    dest->SetSize(1, 1);
    dest->SetPixelFormat(format);
    dest->SetSize(width, height);
  }
  if (HPALETTE palette = CopyColourTable(source)) dest->SetPalette(palette);
  const int32_t bits = PixelFormatBitCount(format);
  if (bits == 0) return;
  const size_t rowBytes = static_cast<size_t>(AlignedRowSize(width, bits, 32));
  for (int y = 0; y < height; ++y) std::memcpy(dest->ScanLine(y), source->ScanLine(y), rowBytes);
}

void Expand1BitTo24BitTBitmap(vcl::TBitmap* source, vcl::TBitmap* dest, ProgressContext* progress) {
  if (source->PixelFormat() != vcl::pf1bit) return;
  const int width = source->Width(), height = source->Height();
  dest->SetSize(1, 1);
  dest->SetPixelFormat(vcl::pf24bit);
  dest->SetSize(width, height);
  const auto& table = BitExpandTable();
  if (progress) progress->Start(height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = static_cast<const uint8_t*>(source->ScanLine(y));
    uint8_t* to = static_cast<uint8_t*>(dest->ScanLine(y));
    const int wholeBytes = width / 8, rest = width % 8;
    for (int i = 0; i < wholeBytes; ++i) std::memcpy(to + i * 24, table[from[i]].data(), 24);
    if (rest) std::memcpy(to + wholeBytes * 24, table[from[wholeBytes]].data(), rest * 3);
    if (progress) progress->RowsDone(y + 1);
  }
}

}  // namespace imaging
