// HD Photo (file type 29, extensions WDP and HDP) through the platform's imaging codec wrappers,
// which hand the format to our own codec (hdphoto_layer.h). The registry row exists only where
// the platform's imaging codecs are available.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// Reads frame ImageIndex (its embedded thumbnail with LoadEXIFThumbnail, when it has one) in
// the bitmap's native format with KeepNativePixelFormat (CMYK inverted, as the library keeps it),
// else as ie24RGB (ie1g for black and white). The whole frame is decoded also for a preview.
void ReadHDPhotoStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                       bool Preview);
// Writes the bitmap with HDPImageQuality and HDPLossless, then puts the block's metadata into
// the written file.
void WriteHDPhotoStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// Whether HD Photo can be encoded; asked once per process.
bool IsHDPhotoEncoderAvailable();

// Puts the codec into the registry row of file type 29, when the row exists.
void RegisterHDPhotoFormat();

}  // namespace imaging
