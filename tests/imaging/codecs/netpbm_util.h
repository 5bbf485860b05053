// The netpbm programs as the independent side of the codec tests: pictures go to them as PNM
// and come back from them as PNM or PAM, parsed here into samples to compare with a TIEBitmap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/file_helpers.h"

namespace imaging {
class TIEBitmap;
}

namespace netpbm_test {

using test_files::Bytes;

// A parsed PBM, PGM, PPM or PAM: `depth` samples per pixel (PBM: 1 with 0 black, 1 white).
struct TNetpbmImage {
  int32_t width = 0, height = 0, depth = 0;
  uint32_t maxval = 0;
  std::vector<uint32_t> samples;
  bool Valid() const { return width > 0 && height > 0 && depth > 0; }
  // Packed 0x00RRGGBB of a pixel, scaled to 8 bits (grey replicated; alpha ignored).
  uint32_t PackedRGB(int32_t x, int32_t y) const;
};

TNetpbmImage ParseNetpbm(const Bytes& bytes);

// Runs `command` (a shell pipeline reading standard input) over the bytes; its standard output,
// empty when it fails.
Bytes RunTool(const std::string& command, const Bytes& input);

// A binary PPM (P6, maxval 255) of a bitmap's colours.
Bytes ToPPM(imaging::TIEBitmap* bitmap);

// Packed 0x00RRGGBB of every pixel, top row first.
std::vector<uint32_t> PixelsOf(imaging::TIEBitmap* bitmap);
std::vector<uint32_t> PixelsOf(const TNetpbmImage& image);

// The tools needed by a test, all of them present.
bool HaveTools(std::initializer_list<const char*> names);

}  // namespace netpbm_test

namespace netpbm_test {

// A grey PGM of the picture's green channel.
Bytes GreyPGM(imaging::TIEBitmap* bitmap);

// The largest difference of one channel between two pixel lists; -1 when their sizes differ.
int MaxDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);

}  // namespace netpbm_test
