// TPPMGraphic: portable bitmaps, grey maps and pixel maps, as text (P1, P2, P3) or binary (P4,
// P5, P6), with any maximum sample value (two bytes a sample above 255).
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPPMGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPPMGraphic, TFormatGraphic)
  TPPMGraphic();
  ~TPPMGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // The magic, then width, height and maximum as numbers between white space and comments,
  // wherever the lines break. False for another magic, a zero size or a maximum outside 1..65535.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Such a header raises "Cannot load image. Invalid or unexpected PBM, PGM or PPM image
  // format."; pixels that end early raise "Stream read error in PPM file.". The bitmap is then
  // left empty.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
