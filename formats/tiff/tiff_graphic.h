// TTIFFGraphic: one image of a TIFF file (strips or tiles, samples interleaved or in planes) read
// into a bitmap, through the decoder family; TEPSGraphic: the TIFF preview of an Encapsulated
// PostScript file with a binary header.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TTIFFGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TTIFFGraphic, TFormatGraphic)
  TTIFFGraphic();
  ~TTIFFGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // The header and the directory `imageIndex` of the chain; false for a wrong header, a chain
  // that ends first, a directory or value list beyond the stream, or a zero size.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // Raises EInvalidGraphic: "Cannot load image. Invalid or unexpected TIF/TIFF image format."
  // for such a header or a strip or tile list that does not fit the image; "Cannot load image.
  // The compression scheme is not supported for TIF/TIFF files." for LZW and the other kinds the
  // decoders have no code for (and for predictors other than horizontal differencing); "Cannot
  // load image. Palette in TIF/TIFF file is invalid." for a colour map that does not match the
  // depth; "Invalid color format in TIF/TIFF file." for a layout the bitmap has no pixels for.
  // Strips and tiles that decode short leave the rest of their rows black. The bitmap is left
  // empty on an error.
  void LoadFromStream(vcl::TStream* stream) override;
  // Writing is not offered.
  void SaveToStream(vcl::TStream* stream) override {}

 private:
  struct TTIFFLoad;
  // The gathered image planes converted into the bitmap's rows.
  void TransferRows(TTIFFLoad& load);
};

class TEPSGraphic : public TTIFFGraphic {
  VCL_GRAPHIC_CLASS(TEPSGraphic, TTIFFGraphic)
  TEPSGraphic();
  ~TEPSGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // A wrong magic raises "Cannot load image. Invalid or unexpected EPS image format."; a file
  // without a TIFF preview inside it raises the same.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
