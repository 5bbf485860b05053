// Decoding the pixel data of one TIFF directory into a TIEBitmap (and the alpha into a
// TIEMask): the strip and tile loops, row decompression (none, fax codings, LZW, JPEG,
// deflate, PackBits), the horizontal predictor, and the conversion of every supported sample
// layout into the bitmap's pixel format.
//
// Every decoder is bounded by the bytes read for its strip or tile; a damaged strip ends the
// decode with the progress record's aborting flag set, never with a read outside a buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/coding/lzw_procs.h"
#include "imaging/codecs/tiff/tiff_directory.h"
#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TCodecProgress;

// The decoding state of one read, filled from the directory's tags by the reader.
struct TTIFFVars {
  int32_t ImageWidth = 0;  // the tile size when a single tile is read
  int32_t ImageLength = 0;
  int32_t SamplesPerPixel = 1;
  int32_t BitsPerSample = 1;
  int32_t RowsPerStrip = 0;
  int32_t TileWidth = -1;  // -1: absent
  int32_t TileLength = -1;
  uint16_t Photometric = 2;
  uint16_t PlanarConfig = 1;
  uint16_t Orientation = 1;
  uint16_t Compression = 1;
  std::vector<int32_t> StripOffsets;
  std::vector<int32_t> StripByteCounts;
  std::vector<int32_t> TileOffsets;
  std::vector<int32_t> TileByteCounts;
  std::vector<TRGB> ColorMapEntries;     // blue, green, red
  std::vector<uint16_t> TransferFunction;  // kept, not applied
  int32_t ResolutionUnit = 2;
  double XResolution = 0;
  double YResolution = 0;
  int32_t Predictor = 1;
  std::vector<uint8_t> JPEGTables;
  int32_t T4Options = 0;
  int32_t T6Options = 0;
  int32_t FillOrder = 1;
  double XPosition = 0;
  double YPosition = 0;
  std::string DocumentName;
  std::string ImageDescription;
  std::string PageName;
  int32_t PageNumber[2] = {0, 0};
  std::string Software;
  int32_t InkSet = 1;
  int32_t NumberOfInks = 4;
  int32_t DotRange[8] = {};
  std::string Artist;
  int32_t YCbCrSubsampling[2] = {2, 2};
  int32_t JPEGProc = 0;
  int32_t JPEGInterchangeFormat = 0;
  int32_t JPEGInterchangeFormatLength = 0;
  int32_t JPEGRestartInterval = 0;
  int32_t JPEGLosslessPredictors[7] = {};
  int32_t JPEGPointTransforms[7] = {};
  int32_t JPEGQTables[7] = {};
  int32_t JPEGDCTables[7] = {};
  int32_t JPEGACTables[7] = {};
  TTIFFLZWDecompressProc LZWDecompress = nullptr;
  uint8_t LittleEndian = 1;
  TIOParamsVals* Params = nullptr;
  TIEMask* AlphaMask = nullptr;  // nil: the alpha is not wanted
  uint8_t IgnoreAlpha = 0;
  int32_t ExtraSample0 = 0;      // the first ExtraSamples value
  int32_t ExtraSampleCount = 0;  // at most 10
  int32_t ExtraSamples[10] = {};
};

// The Software prefix of a scanner that stores 12-bit samples in 16-bit grey files; such files
// are scaled by 16 instead of 256.
extern const char TIFFTwelveBitScannerSignature[16];

// The index of the sample that holds the alpha: the first extra sample marked associated (1)
// or unassociated (2) alpha. Unspecified extra samples (0) carry no alpha, nor do samples that
// no ExtraSamples value describes. -1 when the image has no alpha.
int32_t TIFFAlphaSample(const TTIFFVars& vars);

// Reads and decodes every strip of the directory.
void ReadTIFFStrips(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress);
// Reads and decodes every tile, or only the tile the parameter block's TIFFTileIndex names.
void ReadTIFFTiles(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress);
// Decodes `rows` rows of one chunky strip or tile (`data`, `byteCount` bytes, at least
// TIFFStripSlack zero bytes readable after them) of `width` pixels into the bitmap from row
// `firstRow`, `xOffset` bytes into each bitmap row.
void DecodeTIFFRows(TTIFFVars& vars, TIEBitmap* bitmap, int32_t firstRow, TCodecProgress& progress, int32_t rows,
                    int32_t width, int32_t byteCount, const uint8_t* data, int32_t xOffset);
// The same for one strip per plane (up to 10 planes).
void DecodeTIFFPlanarRows(TTIFFVars& vars, TIEBitmap* bitmap, int32_t firstRow, TCodecProgress& progress,
                          int32_t rows, int32_t width, const std::vector<std::vector<uint8_t>>& planes,
                          const std::vector<int32_t>& planeByteCounts);
// Undoes horizontal differencing in one decoded row of `width` pixels.
void ApplyTIFFPredictor(const TTIFFVars& vars, uint8_t* row, int32_t width, bool oneSamplePerPixel);
// Images in the old JPEG-in-TIFF form (JPEGInterchangeFormat or compression 6).
void ReadTIFFOldJPEG(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress);

// Zero bytes kept after every strip buffer, so that decoders that fetch a few bytes ahead
// never leave the buffer.
constexpr int32_t TIFFStripSlack = 8;

}  // namespace imaging
