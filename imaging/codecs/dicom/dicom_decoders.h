// The two compressed pixel codings of DICOM files that the image library decodes itself:
// lossless JPEG (process 14, Huffman coded, frame marker SOF3) and DICOM run-length segments.
#pragma once

#include <cstdint>

namespace imaging {

struct TCodecProgress;

// What the caller's sample array is made for: the decoder refuses a frame of another size,
// component count or precision instead of writing outside the array.
struct TLosslessJPEGShape {
  int32_t Columns = 0;
  int32_t Rows = 0;
  int32_t Samples = 0;
};

// Decodes the lossless JPEG datastream in `Data` (`Size` bytes) into Rows x Columns x Samples
// samples, rows top first, components interleaved: 8-bit samples into `Out8` for precisions up
// to 8, 16-bit samples of one component into `Out16` otherwise (the caller passes one of the
// two). Results are taken modulo 2^8 or 2^16; the point transform is not undone. Reports the
// per cent of data read through `Progress` (may be nil). False for data that is not such a
// stream, does not match the shape, or ends before the last sample.
bool DecodeDICOMLosslessJPEG(const uint8_t* Data, int64_t Size, uint16_t* Out16, uint8_t* Out8,
                             const TLosslessJPEGShape& Shape, const TCodecProgress* Progress);

// Decodes one DICOM run-length segment (`Size` bytes) until `Count` bytes are produced or the
// data ends; returns the bytes consumed. Control byte n: 0 .. 127 copies n + 1 bytes, -1 .. -127
// repeats the next byte 1 - n times, -128 does nothing. Output never passes `Count` bytes; the
// bytes not produced keep their content, and `Produced` (when given) says how many were.
int64_t DecodeDICOMRLESegment(const uint8_t* Data, int64_t Size, uint8_t* Dest, int64_t Count,
                              int64_t* Produced = nullptr);

}  // namespace imaging
