// The image library's JPEG codec: baseline and progressive JPEG datastreams read into and
// written from a TIEBitmap, with the settings and metadata kept in the parameter block
// (marker segments, EXIF, IPTC, XMP, ICC profile, resolution). The libjpeg work happens behind
// clib/jpeg_bridge.h, in a file that never sees the platform headers.
//
// Bad or unsupported data never raises: the reader and the writer set the aborting flag of the
// progress record and return. Exceptions of the streams themselves pass out after clean-up.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

struct jpeg_decompress_struct;
struct jpeg_error_mgr;

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// A libjpeg failure seen by code that drives a decompressor itself (the IEJpeg wrappers).
// The message is libjpeg's text for the code, with "?" for every value it would insert.
class EIEJpegException : public vcl::Exception {
  VCL_CLASS(EIEJpegException, vcl::Exception)
  using vcl::Exception::Exception;
};

// libjpeg's text for a message code as the codec reports it: "?" for each inserted value, the
// library's notice and version entries empty, "Corrupted" for codes outside the table.
std::string JPEGMessageText(int32_t code);

// Decodes the JPEG datastream at the stream's position (or up to 149 bytes after it) into
// `Bitmap` and fills the parameter block. `TablesStream` (or nil) holds an abbreviated
// datastream of tables only, read first. `Lines` limits the rows decoded (negative: all).
// Returns the number of rows decoded. Afterwards the stream stands just after the data used:
// after the datastream's end marker, also when `Lines` ended the decode early.
int32_t ReadJPEGStream(vcl::TStream* Stream, vcl::TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                       TCodecProgress& Progress, bool HeaderOnly, bool KeepYCbCr, bool ReadMetadata, bool InvertCMYK,
                       bool RemoveAppliedICC, bool ReadICC, int32_t Lines, bool NativePixelFormat);

// Encodes the whole bitmap with the parameter block's JPEG settings and markers. `InvertCMYK`
// writes every CMYK sample inverted (255 minus the value), for containers whose CMYK data holds
// the ink amounts rather than the library's packed CMYK (JPEG strips of a TIFF).
void WriteJPEGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                     bool InvertCMYK = false);

// With SearchAhead, the stream position of the first FF D8 FF among the 150 positions from the
// current one; without, 0 when it stands at the current position. -1 when not found. The
// position is restored.
int64_t FindJPEGStream(vcl::TStream* Stream, bool SearchAhead);

// The number of bytes from the current position through the end-of-image marker, -1 when the
// data ends (or is damaged) before one. The position is restored.
int64_t JPEGStreamLength(vcl::TStream* Stream);

// Collects the ICC profile held in the APP2 chunks before the first frame and loads it into the
// parameter block's input profile (only when every chunk is present). The position is restored.
void LoadJPEGICCProfile(vcl::TStream* Stream, TIOParamsVals& Params);

// Thin wrappers for code that runs a libjpeg decompressor with its own input routine. Calls
// that run libjpeg raise EIEJpegException on a libjpeg failure; the caller catches it and then
// still destroys and frees what it created. A replacement fill routine must not raise.
using TIEJpegFillInputBuffer = int (*)(jpeg_decompress_struct* cinfo);

jpeg_decompress_struct* IEJpegNewDecompressor();
void IEJpegFreeDecompressor(jpeg_decompress_struct* cinfo);
jpeg_error_mgr* IEJpegNewErrorMgr(jpeg_decompress_struct* cinfo);
void IEJpegFreeErrorMgr(jpeg_error_mgr* errorMgr);
void IEJpegCreateDecompress(jpeg_decompress_struct* cinfo);
void IEJpegDestroyDecompress(jpeg_decompress_struct* cinfo);
void IEJpegStreamSource(jpeg_decompress_struct* cinfo, vcl::TStream* stream);
void IEJpegSetFillInputBuffer(jpeg_decompress_struct* cinfo, TIEJpegFillInputBuffer fill);
void IEJpegSetSourceBuffer(jpeg_decompress_struct* cinfo, const uint8_t* nextInputByte, int32_t bytesInBuffer);
int32_t IEJpegReadHeader(jpeg_decompress_struct* cinfo);
bool IEJpegStartDecompress(jpeg_decompress_struct* cinfo);
int32_t IEJpegOutputWidth(jpeg_decompress_struct* cinfo);
int32_t IEJpegOutputHeight(jpeg_decompress_struct* cinfo);
int32_t IEJpegOutputComponents(jpeg_decompress_struct* cinfo);
int32_t IEJpegOutputScanline(jpeg_decompress_struct* cinfo);
uint8_t** IEJpegAllocSampleArray(jpeg_decompress_struct* cinfo, int32_t samplesPerRow, int32_t rows);
int32_t IEJpegReadScanlines(jpeg_decompress_struct* cinfo, uint8_t** rows, int32_t maxLines);
bool IEJpegFinishDecompress(jpeg_decompress_struct* cinfo);

}  // namespace imaging
