// One-strip TIFF files for the coder tests, in the shape they use, made and read by the shared
// tests/support/tiff_strips: build one around coded strip data, read the strip back out of a
// file, and run the system's tiffcp over one, so that the coders are checked against an
// independent reader and writer of the same codings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace strip_tiff {

using Bytes = std::vector<uint8_t>;

struct TStripImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerSample = 8;
  int32_t compression = 1;
  int32_t photometric = 1;  // 0: a zero bit is white
  int32_t fillOrder = 1;
  uint32_t t4Options = 0;
  Bytes strip;
};

// A little-endian file holding the image as its single strip.
Bytes MakeTIFF(const TStripImage& image);
// The first image of a file (either byte order) with its strips joined; false when the file is
// not a TIFF this parser understands.
bool ReadTIFF(const Bytes& file, TStripImage& image);
// tiffcp with the options (for example "-c lzw"), one strip for the whole image; false when
// tiffcp is missing or fails.
bool TiffCp(const Bytes& input, const std::string& options, Bytes& output);

}  // namespace strip_tiff
