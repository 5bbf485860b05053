#include "imaging/codecs/writer_bitmaps.h"

namespace imaging {

std::unique_ptr<TIEBitmap> ConvertedCopy(TIEBitmap* source, TIEPixelFormat format) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(source);
  copy->SetPixelFormat(format);
  return copy;
}

bool IndicesFit(TIEBitmap* bitmap, int32_t colours) {
  // The sizes are read once: they are virtual calls, too slow for every pixel.
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  if (colours > 255) return true;
  for (int32_t y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x)
      if (row[x] >= colours) return false;
  }
  return true;
}

}  // namespace imaging
