// PCX images (one, two, four and eight bits in one plane, 24-bit in three planes and 16 colours
// in four one-bit planes; raw or run-length lines) and the multi-page DCX container of PCX
// pages.
//
// Bad or unsupported data never raises: the readers and writers set the aborting flag of the
// progress record and return.
#pragma once

#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// Reads one PCX image of `Size` bytes (header included) from the stream's position. `Preview`
// fills the parameter block only.
void ReadPCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TCodecProgress& Progress, bool Preview);

// Writes one PCX image at the stream's position: 1 bit, 4 or 8 bits through a palette, or 24
// bits, as BitsPerSample and SamplesPerPixel ask (SamplesPerPixel is clamped to 3). Other depths
// are refused.
void WritePCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// Encodes `Count` samples taken every `Stride` bytes from byte `Offset` of `Source` as one PCX
// line (runs of at most 63; a pad byte 0 after an odd count). Returns the bytes written; `Dest`
// must hold 2 x Count + 1 bytes.
int32_t PCXEncodeLine(uint8_t* Dest, const uint8_t* Source, int32_t Count, int32_t Stride, int32_t Offset);

// Whether the stream holds a DCX container at its position whose page offsets all lie inside
// it. The position is restored.
bool IsDCXStream(vcl::TStream* Stream);

// Reads page DCXImageIndex (clamped to the pages there are, and stored back) of a DCX container.
void ReadDCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview);

// Inserts the image as page DCXImageIndex of the container the stream holds from its position
// (an empty stream is a container without pages), keeping the other pages byte for byte. An
// index past the last page appends the image.
void WriteDCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// The page offsets of the container at the stream's position (after the magic number), relative
// to the container's start; at most 1024, ending at the first 0.
std::vector<int64_t> ReadDCXPageTable(vcl::TStream* Stream, int64_t Start);

// Fills the PCX (4) and DCX (19) rows of the format registry with these codecs.
void RegisterPCXFormats();

}  // namespace imaging
