// HD Photo (file type 29, extensions WDP and HDP) through the platform's imaging codecs. The
// registry row exists only where those codecs are available. Where the platform decodes HD
// Photo but has no encoder for it (Wine's codec only decodes), the row has no writer and a save
// sets the aborting flag and writes nothing.
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

// Whether the platform can encode HD Photo; asked once per process.
bool IsHDPhotoEncoderAvailable();

// Puts the codec into the registry row of file type 29, when the row exists.
void RegisterHDPhotoFormat();

}  // namespace imaging
