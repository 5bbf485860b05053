// TPSPGraphic: the first raster layer of a Paint Shop Pro file (version 3 and later): its
// colour channels raw, run-length or deflate coded, its transparency channel as alpha, and the
// file's palette for indexed images.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPSPGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPSPGraphic, TFormatGraphic)
  TPSPGraphic();
  ~TPSPGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Raises EInvalidGraphic: "Cannot load image. Invalid or unexpected PSP image format." for a
  // wrong header, blocks running past the stream or a file without a raster layer; "Invalid
  // color format in PSP file." for a depth it has no rows for; "Cannot load image. The
  // compression scheme is not supported for PSP files." for JPEG or unknown channel coding;
  // "Cannot load image. Compression error found in PSP file." for damaged deflate data. The
  // bitmap is then left empty. Missing planes and channel data count as zero.
  void LoadFromStream(vcl::TStream* stream) override;

 private:
  struct TPSPLoad;
  // Inside a layer start block: the first layer with a raster, its channels read and its rows
  // converted into the bitmap; false when the block holds none.
  bool LoadFirstRasterLayer(TPSPLoad& load, uint64_t layerStartEnd);
  void TransferRows(TPSPLoad& load);
};

}  // namespace formats
