// TTIFFJPEGDecoder: decodes JPEG-compressed TIFF strips (and tiles) through the system libjpeg,
// with the image's shared tables (the JPEGTables field) read once at DecodeInit.
//
// Rows come out as grey samples (one component) or blue, green, red (three components), the
// colour space of the coded data taken from the image's scheme (YCbCr, RGB or grey). Every
// failure, damaged or truncated data included, raises: EInvalidGraphic "JPEG error #<code>" for
// the library's, EGraphicCompression for a strip that does not fit the image.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/decoders/decoder.h"
#include "formats/format_graphic.h"

struct jpeg_lib_reader;

namespace formats {

class TTIFFJPEGDecoder : public TDecoder {
  VCL_CLASS(TTIFFJPEGDecoder, TDecoder)
  // The properties are the graphic's (not owned); they must outlive the decoder.
  explicit TTIFFJPEGDecoder(TImageProperties* properties);
  ~TTIFFJPEGDecoder() override;

  void DecodeInit() override;
  // One strip: packed size = its bytes, unpacked size = the target's bytes, a whole number of
  // lines. Neither pointer is written back.
  void Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) override;
  void DecodeEnd() override;

 private:
  [[noreturn]] void RaiseLibraryError();
  int HorizontalSampling() const;
  int VerticalSampling() const;

  TImageProperties* properties_;
  jpeg_lib_reader* reader_ = nullptr;
  std::vector<uint8_t> row_;
};

}  // namespace formats
