// TTargaGraphic: Targa files (colour-mapped, true-colour and grey, raw or run-length coded) read
// into a bitmap, and bitmaps written as Targa files.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TTargaGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TTargaGraphic, TFormatGraphic)
  TTargaGraphic();
  ~TTargaGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // False for an image type, pixel depth or size no reader could load.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Pixel data that ends early raises EInvalidGraphic "Stream read error in TGA file."; the
  // bitmap is then left empty.
  void LoadFromStream(vcl::TStream* stream) override;
  // Run-length coded.
  void SaveToStream(vcl::TStream* stream) override;
  // Rows are written top row first. 1 and 4-bit bitmaps are written with 8-bit indexes, 5-6-5
  // and device bitmaps as 24-bit pixels; the bitmap itself is not changed.
  void SaveTargaToStream(vcl::TStream* stream, bool compressed);
};

}  // namespace formats
