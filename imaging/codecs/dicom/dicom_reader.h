// DICOM images: the data set parsed element by element into the parameter block's tag list,
// then one frame decoded: uncompressed (little- or big-endian), baseline JPEG, lossless JPEG
// and run-length data; 8 to 16-bit grey through the value transform (rescale, window, contrast
// stretch) and MONOCHROME1 inversion, palette colour and RGB. Other compressed transfer syntaxes
// are refused.
//
// Bad or unsupported data never raises: the reader sets the aborting flag of the progress record
// and returns.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// Whether "DICM" follows a 128-byte preamble at the stream's position. The position is restored.
bool IsDICOMStream(vcl::TStream* Stream);

// Reads the data set at the stream's position and the frame ImageIndex (clamped to the frames
// there are, and stored back). `Preview` reads the parameters and tags only.
void ReadDICOMStream(vcl::TStream* Stream, TIOParamsVals& Params, TIEBitmap* Bitmap, TCodecProgress& Progress,
                     bool Preview);

// Fills the DICOM (28) row of the format registry with this reader.
void RegisterDICOMFormat();

}  // namespace imaging
