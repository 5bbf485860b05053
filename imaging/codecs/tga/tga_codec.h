// Targa images: colour-mapped, true-colour and grey, raw or run-length, 1, 8, 16, 24 and 32
// bits, either row order and mirrored columns, with the TGA 2.0 extension area (author, date,
// job name, key colour, aspect ratio, gamma). Alpha goes through a TIEMask.
//
// Bad or unsupported data never raises: the reader and the writer set the aborting flag of the
// progress record and return.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

// Bytes of a TGA file's extension area.
inline constexpr int32_t kTGAExtensionSize = 495;

class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TCodecProgress;

// Whether the stream starts with a plausible TGA header. The position is restored.
bool IsTGAStream(vcl::TStream* Stream);

// Reads the image at the stream's position. `Preview` fills the parameter block only. Unless
// `IgnoreAlpha`, the alpha of 32-bit pixels or palette entries goes into `AlphaMask` (created
// when nil); an alpha that is 0 everywhere leaves no mask (nil on return).
void ReadTGAStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview, TIEMask*& AlphaMask, bool IgnoreAlpha);

// Writes an ie24RGB or ie1g bitmap: 1 bit, 8 bits through a palette or grey, 24 bits, or 32 bits
// when `AlphaMask` is given. A 4-bit request writes 16 colours with 8-bit indexes, which every
// reader takes.
void WriteTGAStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    TIEMask* AlphaMask);

// Encodes a row of `count` pixels of `pixelBytes` bytes into TGA run-length packets; returns the
// bytes written (at most count x (pixelBytes + 1)).
int32_t TGAEncodeRLERow(const uint8_t* row, int32_t count, int32_t pixelBytes, uint8_t* dest);

// Fills the TGA (11) row of the format registry with this codec: alpha travels as the bitmap's
// alpha channel.
void RegisterTGAFormat();

}  // namespace imaging
