// TAutodeskGraphic: Autodesk animator cel and picture files: a 32-byte header, a 256-entry
// palette of 6-bit components and raw 8-bit rows.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TAutodeskGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TAutodeskGraphic, TFormatGraphic)
  TAutodeskGraphic();
  ~TAutodeskGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // False for a wrong magic, a depth other than 8 bits, compressed data or a zero size.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Such a header raises "Cannot load image. Invalid or unexpected Autodesk image format.";
  // rows that end early raise "Stream read error in Autodesk file."; the bitmap is then empty.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
