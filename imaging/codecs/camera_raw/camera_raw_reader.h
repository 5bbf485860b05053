// Digital camera raw files through LibRaw: the file's EXIF metadata (TIFF-structured, or a CIFF
// heap) and embedded thumbnail, the decoder's options from the parameter block (half size,
// gamma, brightness, red and blue scales, white balance, four-colour interpolation), and the
// decoded linear image written through the reader's own tone curve as 24-bit or 48-bit RGB.
//
// Unrecognised or damaged data never raises: the reader sets the aborting flag of the progress
// record and returns.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// Whether LibRaw recognises the data from the stream's position. The position is restored.
bool IsCameraRawStream(vcl::TStream* Stream);

// Reads the raw file at the stream's position. `Preview` fills the parameters (camera name,
// size, metadata) without decoding.
void ReadCameraRawStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                         bool Preview);

// Fills the camera raw (20) row of the format registry with this reader.
void RegisterCameraRawFormat();

}  // namespace imaging
