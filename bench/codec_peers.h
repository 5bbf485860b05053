// The peer side of the codec benchmark: libjpeg-turbo, libpng, libtiff and giflib called
// directly, and a plain BMP writer and reader. Plain types only, so that the libraries' headers
// (libjpeg's clashes with the platform's) stay inside codec_peers.cpp.
//
// Every routine works on the caller's rows (`rows[y]` is row y from the top, width x 3 bytes of
// blue, green, red, or width palette indexes for GIF) and on files held in memory. Writers
// replace the content of `out` (keeping its memory, as the caller may reuse it) and answer
// false on a failure; readers fill rows of the size given and answer false on anything
// unexpected.
#pragma once

#include <cstdint>
#include <vector>

namespace peers {

using Bytes = std::vector<uint8_t>;

struct Picture {
  int width = 0, height = 0;
  uint8_t* const* rows = nullptr;
};

// Baseline JPEG, 2x2 chroma subsampling, the accurate integer DCT, standard Huffman tables.
bool WriteJPEG(const Picture& picture, int quality, Bytes& out);
bool ReadJPEG(const Bytes& file, const Picture& into);

// 8-bit RGB, not interlaced, every row with the given filter (0 none, 1 sub, 2 Paeth).
bool WritePNG(const Picture& picture, int level, int filter, Bytes& out);
bool ReadPNG(const Bytes& file, const Picture& into);

// Little-endian RGB, LZW with horizontal differencing, strips of `rowsPerStrip` rows. libtiff
// takes red, green, blue: the rows are turned around into a strip buffer on the way (which
// libtiff's differencing overwrites), and back after reading.
bool WriteTIFF(const Picture& picture, int rowsPerStrip, Bytes& out);
bool ReadTIFF(const Bytes& file, const Picture& into);

// One frame of 256 colours (`palette`: 256 x red, green, blue), not interlaced.
bool WriteGIF(const Picture& indices, const uint8_t* palette, Bytes& out);
bool ReadGIF(const Bytes& file, const Picture& into);

// 24-bit uncompressed Windows bitmap, bottom-up: a header and one copy per row.
bool WriteBMP(const Picture& picture, Bytes& out);
bool ReadBMP(const Bytes& file, const Picture& into);

}  // namespace peers
