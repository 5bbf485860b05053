// TPSDGraphic: the merged image of a Photoshop file (bitmap, grey, duotone, indexed, RGB with or
// without alpha, CMYK, Lab and multichannel; 8 or 16 bits per channel, raw or PackBits). Layers,
// masks and image resources are skipped.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPSDGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPSDGraphic, TFormatGraphic)
  TPSDGraphic();
  ~TPSDGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // False for a wrong signature, a colour mode it has no pixels for, a depth or channel count
  // the mode cannot have, or sections that run past the stream.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Such a header raises "Cannot load image. Invalid or unexpected PSD or PDD image format.";
  // pixel data that ends early raises "Stream read error in PSD file."; the bitmap is then empty.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
