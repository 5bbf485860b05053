// TPCXGraphic: Paintbrush files and screen captures with the same header: 1, 2, 4 and 8-bit
// colour-mapped images, 16 colours in four bit planes and 24-bit images in three byte planes,
// raw or run-length coded.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPCXGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPCXGraphic, TFormatGraphic)
  TPCXGraphic();
  ~TPCXGraphic() override;

  // The same header test as ReadImageProperties: manufacturer 10 or 205, a known version and
  // encoding.
  bool CanLoadStream(vcl::TStream* stream) override;
  // False for a header whose sizes or plane layout cannot describe an image.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // A header it cannot load raises "Cannot load image. Invalid or unexpected PCX or SCR image
  // format."; pixel data that ends early raises "Stream read error in PCX file."; the bitmap is
  // left empty on either.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
