// TCUTGraphic: Dr. Halo cut files (run-length coded 8-bit rows) with their palette from the
// companion ".pal" file of the same name.
#pragma once

#include <cstdint>
#include <string>

#include "formats/format_graphic.h"

namespace formats {

class TCUTGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TCUTGraphic, TFormatGraphic)
  TCUTGraphic();
  ~TCUTGraphic() override;

  // The format has no signature: always false.
  bool CanLoadStream(vcl::TStream* stream) override;
  // Width and height; false for a zero size.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Notes the companion palette's name, then loads the file.
  void LoadFromFile(const std::string& fileName) override;
  // A zero size raises "Cannot load image. Invalid or unexpected CUT image format."; data that
  // ends before the last row raises "Stream read error in CUT file."; the bitmap is then empty.
  // Without a companion palette the rows show grey levels.
  void LoadFromStream(vcl::TStream* stream) override;

  std::string CompanionFile;

 private:
  // The companion's palette (at most 256 entries) or a grey ramp.
  HPALETTE LoadCompanionPalette();
};

}  // namespace formats
