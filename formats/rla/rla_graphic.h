// TRLAGraphic: Wavefront run-length files: RGB rows, with a matte channel as alpha when the file
// has one, and the file's gamma applied.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TRLAGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TRLAGraphic, TFormatGraphic)
  TRLAGraphic();
  ~TRLAGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // False for a wrong revision, a channel space other than "rgb", an empty window, or channels
  // other than three colour channels of up to 8 bits (and at most one matte channel).
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Such a header raises "Cannot load image. Invalid or unexpected RLA image format."; rows or
  // channels outside the stream raise "Stream read error in RLA file."; the bitmap is then empty.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
