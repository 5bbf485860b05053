// TPCDGraphic: the Base image (768 by 512) of a Photo CD image pack: luma rows with half-
// resolution chroma rows, upsampled, converted from Photo YCC and turned upright for portrait
// pictures.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TPCDGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TPCDGraphic, TFormatGraphic)
  TPCDGraphic();
  ~TPCDGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // The resolution level `imageIndex` (at most 5) of an image pack, or the first thumbnail of an
  // overview file.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Raises "Cannot load image. Invalid or unexpected PCD image format." for a stream that is no
  // image pack (overview files included: their thumbnails are not laid out like a Base image)
  // and "Stream read error in PCD file." for one that ends before the Base image does; the
  // bitmap is then left empty.
  void LoadFromStream(vcl::TStream* stream) override;

  // Doubles a plane of width by height samples to twice both, rows `stride` bytes apart,
  // working from the bottom up so that no sample is overwritten before it is used.
  static void InterpolatePlane(uint32_t width, uint32_t height, uint32_t stride, uint8_t* plane);
};

}  // namespace formats
