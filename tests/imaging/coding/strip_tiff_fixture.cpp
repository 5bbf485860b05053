#include "tests/imaging/coding/strip_tiff_fixture.h"

#include "tests/support/tiff_strips.h"

namespace strip_tiff {

Bytes MakeTIFF(const TStripImage& image) {
  tiff_strips::TImage header;
  header.width = image.width;
  header.height = image.height;
  header.bitsPerSample = image.bitsPerSample;
  header.compression = image.compression;
  header.photometric = image.photometric;
  header.fillOrder = image.fillOrder;
  header.t4Options = image.t4Options;
  return tiff_strips::MakeTIFF(header, image.strip);
}

bool ReadTIFF(const Bytes& file, TStripImage& image) {
  tiff_strips::TImage read;
  image = TStripImage{};
  if (!tiff_strips::ReadTIFF(file, read)) return false;
  image.width = read.width;
  image.height = read.height;
  image.bitsPerSample = read.bitsPerSample;
  image.compression = read.compression;
  image.photometric = read.photometric;
  image.fillOrder = read.fillOrder;
  image.t4Options = read.t4Options;
  for (const Bytes& strip : read.strips) image.strip.insert(image.strip.end(), strip.begin(), strip.end());
  return true;
}

bool TiffCp(const Bytes& input, const std::string& options, Bytes& output) {
  return tiff_strips::RunTool("tiffcp " + options + " -r 1000000 {in} {out}", input, output);
}

}  // namespace strip_tiff
