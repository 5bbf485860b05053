#include "imaging/model/vcl_colour_table.h"

#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

namespace imaging {

std::vector<TRGB> ReadVclColourTable(vcl::TBitmap* bitmap) {
  RGBQUAD table[256];
  UINT count = GetDIBColorTable(bitmap->Canvas()->Handle(), 0, 256, table);
  std::vector<TRGB> result(count);
  for (UINT i = 0; i < count; ++i) result[i] = MakeRGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
  return result;
}

void WriteVclColourTable(vcl::TBitmap* bitmap, const TRGB* entries, int32_t count) {
  if (count <= 0) return;
  if (count > 256) count = 256;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
  auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (int32_t i = 0; i < count; ++i)
    palette->palPalEntry[i] = PALETTEENTRY{entries[i].r, entries[i].g, entries[i].b, 0};
  // The bitmap takes the palette over and frees it.
  if (HPALETTE handle = CreatePalette(palette)) bitmap->SetPalette(handle);
}

std::vector<TRGB> GreyRampPalette() {
  std::vector<TRGB> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = MakeRGB(uint8_t(i), uint8_t(i), uint8_t(i));
  return ramp;
}

bool IsGreyRampPalette(const std::vector<TRGB>& table) {
  if (table.size() != 256) return false;
  for (int i = 0; i < 256; ++i)
    if (table[i].r != i || table[i].g != i || table[i].b != i) return false;
  return true;
}

}  // namespace imaging
