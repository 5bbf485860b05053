// TPNGGraphic: PNG files (every colour type and bit depth, plain or Adam7-interlaced) read into a
// bitmap, with every chunk's CRC checked and the image data inflated by the decoder family's
// inflater.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPNGGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPNGGraphic, TFormatGraphic)
  TPNGGraphic();
  ~TPNGGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // The signature, IHDR with its CRC, and a gAMA chunk met before the image data. False for a
  // chunk length beyond the stream or a zero width or height.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Damage raises EInvalidGraphic with the PNG messages (CRC, palette, compression, critical
  // chunk, colour format); image data that ends before the last row raises "Stream read error in
  // PNG file.". The bitmap is then left empty.
  void LoadFromStream(vcl::TStream* stream) override;

 private:
  struct TPNGLoad;
  // Decodes every row of the image data into the bitmap, cleared first to the background.
  void ReadImageData(TPNGLoad& load);
};

}  // namespace formats
