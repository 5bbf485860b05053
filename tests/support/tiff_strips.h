// TIFF files for the coder and decoder tests: a plain one-strip writer, a reader of the first
// image's strips, and the system's tiffcp and fax2tiff run over them, so that every coder and
// decoder is checked against an independent implementation of the same codings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tiff_strips {

using Bytes = std::vector<uint8_t>;

struct TImage {
  int32_t width = 0, height = 0;
  int32_t bitsPerSample = 8, samplesPerPixel = 1;
  int32_t compression = 1;
  int32_t photometric = 1;
  int32_t fillOrder = 1;
  uint32_t t4Options = 0, t6Options = 0;
  int32_t rowsPerStrip = 0;   // 0: the whole image
  int32_t predictor = 1;
  std::vector<Bytes> strips;  // as stored
  Bytes jpegTables;
  int32_t subsamplingH = 0, subsamplingV = 0;  // 0: not given
  int32_t tileWidth = 0, tileLength = 0;       // tiled files: their tiles are the strips
};

// A little-endian file with the image's pixels as its one strip of `pixels`, stored as they are
// (already coded when the header names a compression, with its fill order and T4 options).
Bytes MakeTIFF(const TImage& header, const Bytes& pixels);
// The first image of a file, its strips apart; false when it is no TIFF this reader knows.
bool ReadTIFF(const Bytes& file, TImage& image);
// Runs the command with {in} naming a file of the input and {out} the file it writes; false when
// the tool is missing or fails.
bool RunTool(const std::string& command, const Bytes& input, Bytes& output);
bool HaveTools();

}  // namespace tiff_strips
