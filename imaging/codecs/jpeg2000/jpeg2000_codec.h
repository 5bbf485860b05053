// JPEG 2000: JP2 files (file type 13) and bare code streams (file type 14), read and written
// through OpenJPEG.
//
// The reader gives 1-bit grey images as ie1g and everything else as ie24RGB (samples wider than
// 8 bits keep their top 8 bits, subsampled chroma is spread over its block, YCbCr is turned
// into RGB); an opacity component after three colour components becomes the alpha channel.
// Bad or unsupported data sets the aborting flag and leaves the bitmap as it was; nothing
// raises. The writer makes a grey, RGB or RGB-with-opacity image at the parameter block's
// depth; a failed encode or a short write sets the aborting flag.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// The JP2 signature box (length 12, "jP  ", 0D 0A 87 0A) at the position; the position stays.
bool IsJP2Stream(vcl::TStream* Stream);
// FF 4F (start of code stream) followed by FF 51 (image and tile size); the position stays.
bool IsJ2KStream(vcl::TStream* Stream);

// Reads the JP2 file or code stream at the position. `Preview` fills the parameter block only.
void ReadJPEG2000Stream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                        bool Preview);

// Format numbers of WriteJPEG2000Stream.
constexpr int32_t ieJ2KFormatJP2 = 0;
constexpr int32_t ieJ2KFormatCodeStream = 1;

// Writes the bitmap as a JP2 file (Format 0) or a code stream (1). An ie1g bitmap sets
// BitsPerSample to 1 and J2000ColorSpace to 0 in the block; a J2000Rate below 1 asks for that
// share of the uncompressed size, any other rate for a lossless file.
void WriteJPEG2000Stream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                         int32_t Format);

// Puts the codec's functions into the registry rows of file types 13 and 14.
void RegisterJPEG2000Formats();

}  // namespace imaging
