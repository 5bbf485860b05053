// The run-length coders of BMP files: RLE8 (one index per byte) and RLE4 (two indices per
// byte), decoded over a whole compressed block and encoded one row at a time.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;
struct TCodecProgress;

// How a compressed block ended.
enum class TBMPRLEResult {
  EndOfBitmap,  // the end-of-bitmap code, or an end of line or delta past the last row
  DataEnded     // the data ran out first: a damaged or cut file
};

// Decode `dataSize` bytes of RLE4 or RLE8 data into an allocated bitmap: ie24RGB through the
// 256-entry `palette`, or ie8p indices when `palette` is nil. `topDown`: the file's first row
// is the image's top row. Pixels the codes skip are left as they are. No byte past the data is
// read; columns past the width are dropped (RLE8 runs keep overwriting the last column).
TBMPRLEResult DecodeRLE4(TIEBitmap* bitmap, const uint8_t* data, int64_t dataSize, const TRGB* palette,
                         TCodecProgress& progress, bool topDown);
TBMPRLEResult DecodeRLE8(TIEBitmap* bitmap, const uint8_t* data, int64_t dataSize, const TRGB* palette,
                         TCodecProgress& progress, bool topDown);

// Encode one row of `count` indices (one byte each; 0 .. 15 for RLE4) into `output`, which
// holds at least 10 bytes per pixel plus 2, ending with the end-of-line code 0, 0. Returns the
// bytes written.
int32_t EncodeRLE8Row(const uint8_t* pixels, int32_t count, uint8_t* output);
int32_t EncodeRLE4Row(const uint8_t* pixels, int32_t count, uint8_t* output);

}  // namespace imaging
