// What the TIFF writer settles for one page before it writes the pixels: the image it writes
// (the caller's bitmap or a converted copy), the photometric interpretation, the samples, the
// compression and its coder, and the palette of a reduced image.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/coding/lzw_procs.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/model/routines/quantizer.h"

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
class TIFFEntryList;
class TIFFOutput;
struct TCodecProgress;

// Photometric choices, by the TIFF tag value each is written as (CIELab is written as 8).
enum TIFFPhotometricChoice : uint8_t {
  tpWhiteIsZero = 0,
  tpBlackIsZero = 1,
  tpRGB = 2,
  tpPalette = 3,
  tpCMYK = 5,
  tpYCbCr = 6,
  tpCIELab = 7
};

// TIFF Compression tag values.
enum TIFFCompressionValue : int32_t {
  tcNone = 1,
  tcCCITTHuffman = 2,
  tcCCITTT4 = 3,
  tcCCITTT6 = 4,
  tcLZW = 5,
  tcOldJPEG = 6,
  tcJPEG = 7,
  tcDeflate = 8,
  tcPackBits = 32773,
  tcDeflateOld = 32946
};

struct TIFFWriterState {
  TIEBitmap* Image = nullptr;             // what is written
  std::unique_ptr<TIEBitmap> Converted;   // owns Image when it is a converted copy
  TTIFFLZWCompressProc LZWCompress = nullptr;
  int32_t Compression = tcNone;
  bool TwoDimensional = false;  // T.4 two-dimensional coding
  int32_t FillOrder = 1;
  uint8_t Photometric = tpRGB;
  int32_t Predictor = 1;
  std::unique_ptr<TIEQuantizer> Quantizer;  // set for palette and grey reductions of 24-bit images
  std::vector<TRGB> Palette;                // the colour map of a palette image
  int32_t BitsPerSample = 8;                // of palette and grey reductions
  int32_t JPEGQuality = 80;
  uint8_t JPEGColorSpace = 2;
  int32_t DeflateLevelIndex = 2;
  bool InvertBits = false;    // 1-bit rows written with white as 0
  bool AlphaWritten = false;  // RGB rows carry the alpha channel as a fourth sample

  bool IsDeflate() const { return Compression == tcDeflate || Compression == tcDeflateOld; }
  bool IsCCITT() const { return Compression >= tcCCITTHuffman && Compression <= tcCCITTT6; }
};

// Writes the pixel data of state.Image as strips (or, for old-style JPEG, as the interchange
// stream) and adds the strip tags to `entries`. Stops at a write failure or an abort.
void WriteTIFFStrips(TIFFOutput& output, TIFFEntryList& entries, TIFFWriterState& state,
                     TCodecProgress& progress);

}  // namespace imaging
