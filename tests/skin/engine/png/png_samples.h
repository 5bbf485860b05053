// Helpers of the skin PNG tests: PNG files made by netpbm's pnmtopng, their pixels as pngtopam
// gives them, PNG files built chunk by chunk, and the colours a decoded bitmap shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/engine/png/png_graphic.h"

namespace png_samples {

using Bytes = std::vector<uint8_t>;

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

// A PAM or PNM image: samples of `depth` channels at `maxval`.
struct Netpbm {
  int width = 0, height = 0, depth = 0;
  uint32_t maxval = 0;
  std::vector<uint32_t> samples;
  bool Valid() const { return width > 0 && height > 0 && depth > 0 && samples.size() == size_t(width) * height * depth; }
};

bool HaveNetpbm();
// Runs `pipeline` with `input` on its standard input; its standard output, empty on failure.
Bytes RunTool(const std::string& pipeline, const Bytes& input);
Netpbm ParseNetpbm(const Bytes& bytes);
// A colourful RGB picture, and one of `colours` distinct colours.
Bytes GradientPPM(int width, int height);
Bytes FewColoursPPM(int width, int height, int colours);
// A grey map of alpha values for pnmtopng -alpha.
Bytes AlphaPGM(int width, int height);

// Chunks: length, type, data, CRC.
Bytes Chunk(const char* type, const Bytes& data);
Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0);
Bytes Signature();
Bytes Compress(const Bytes& raw);
// A whole file: signature, IHDR, the extra chunks, one IDAT of the raw (filtered) rows, IEND.
Bytes MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const Bytes& rawRows,
              const std::vector<Bytes>& before = {}, const std::vector<Bytes>& after = {});
void Append(Bytes& to, const Bytes& more);

// Decodes from a copy of the bytes; raises what the reader raises.
void Load(skin::png::TPNGGraphic& png, const Bytes& bytes);
// The colour and alpha every pixel shows (palette entries looked up; alpha 255 below 32 bits).
std::vector<Rgba> Shown(skin::png::TPNGGraphic& png);
std::vector<Rgba> Shown(vcl::TBitmap& bitmap);

}  // namespace png_samples
