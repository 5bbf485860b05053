// The headerless raw reader (file type 21): fills an image whose size and pixel format the
// caller has already set from bare samples, as the parameter block describes them: a header of
// RawBitmapHeaderSize bytes to pass over, rows padded to RawBitmapRowAlign bits (a multiple of
// 8), binary samples or decimal or upper-case hexadecimal text (RawBitmapDataFormat 0, 1, 2),
// interleaved or one plane per channel (RawBitmapPlanar 0, 1; planes for ie24RGB, ieCMYK and
// ieRGB48), colour samples red first unless RawBitmapBGR. Samples are words for ie16g and
// ieRGB48, 32-bit floats for ie32f and bytes for the other formats; in text forms one sample of
// an ie1g image is one pixel (not 0: white).
//
// Data that end early leave the remaining samples as they were. An empty image, a row alignment
// that is no whole number of bytes, a pixel format or layout the reader cannot fill, or a
// negative header size set the aborting flag and read nothing. Hexadecimal text for an ie32f
// image raises vcl::Exception "Format unsupported".
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

void ReadRawBitmapStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// Puts the reader into the registry row of file type 21.
void RegisterRawBitmapFormat();

}  // namespace imaging
