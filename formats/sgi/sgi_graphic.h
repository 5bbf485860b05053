// TSGIGraphic: Silicon Graphics image files: one to four channels stored as planes, one or two
// bytes a sample, raw or run-length coded, rows from the bottom up.
#pragma once

#include <cstdint>

#include "formats/format_graphic.h"

namespace formats {

class TSGIGraphic : public TFormatGraphic {
  VCL_GRAPHIC_CLASS(TSGIGraphic, TFormatGraphic)
  TSGIGraphic();
  ~TSGIGraphic() override;

  bool CanLoadStream(vcl::TStream* stream) override;
  // False for a wrong magic, a sample size other than 1 or 2 bytes, a storage kind other than
  // raw or run-length, or a zero size.
  bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) override;
  // One channel loads as 8-bit grey (two channels: the grey one, the alpha left out), three as
  // 24-bit, four or more as 32-bit with alpha. Such a header raises "Cannot load image. Invalid
  // or unexpected sgi, bw or rgb(a) image format."; rows that lie outside the stream raise
  // "Stream read error in SGI file."; the bitmap is then left empty.
  void LoadFromStream(vcl::TStream* stream) override;
};

}  // namespace formats
