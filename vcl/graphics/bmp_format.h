// The BMP file format and the packed DIB (the clipboard's CF_DIB): reading with every field
// checked before use, and writing. Used by TBitmap and the clipboard; not a public interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vcl/runtime/win.h"

namespace vcl {

class TStream;

namespace bmp {

// The shape of a device-independent bitmap as TBitmap keeps it: rows bottom-up, each padded
// to a multiple of four bytes. Compression is BI_RGB, or BI_BITFIELDS with the three masks
// for 16 and 32 bits per pixel; bit counts 1, 4 and 8 have a colour table.
struct DibLayout {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  DWORD compression = BI_RGB;
  DWORD masks[3] = {0, 0, 0};
  std::vector<RGBQUAD> colors;
  bool os2 = false;  // read from (and written back as) an OS/2 1.x file
};

// Raises EInvalidGraphic for a bitmap that cannot be read or made.
[[noreturn]] void RaiseInvalidBitmap();

// Bytes of one row, padded to 32 bits.
int64_t RowStride(int width, int bitCount);

// A DIB parsed from memory: its layout (as TBitmap will keep it) and where its pixels are.
struct ParsedDib {
  DibLayout layout;
  bool topDown = false;
  DWORD fileCompression = BI_RGB;  // BI_RLE8 and BI_RLE4 are decoded on the way in
  const uint8_t* pixels = nullptr;
  size_t pixelBytes = 0;
};

// Parses a DIB that starts with its info header. `pixelOffset` is where the pixels start,
// counted from the info header (0: right after the header, masks and colour table). Raises
// EInvalidGraphic "Bitmap image is not valid" for anything malformed or truncated.
ParsedDib ParseDib(const uint8_t* data, size_t size, size_t pixelOffset);

// Writes the pixels bottom-up into `dest` (RowStride bytes a row, the layout's height rows).
// Compressed rows are decoded without ever writing outside the image.
void DecodePixels(const ParsedDib& dib, uint8_t* dest);

// Reads a BMP file at the stream's position and returns its bytes, file header included; only
// what the headers say belongs to the image is read. Bad data raises EInvalidGraphic.
std::vector<uint8_t> ReadFileBytes(TStream* stream);
// Parses the bytes ReadFileBytes returned.
ParsedDib ParseFile(const std::vector<uint8_t>& file);

// A packed DIB (info header, masks, colour table, pixels) of bottom-up pixels in the layout.
std::vector<uint8_t> PackDib(const DibLayout& layout, const uint8_t* bits);
// A BMP file of the same.
void WriteFile(TStream* stream, const DibLayout& layout, const uint8_t* bits);

}  // namespace bmp
}  // namespace vcl
