// The working record of one DICOM read, shared by the element walk and the pixel decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

struct TDICOMContext {
  TDICOMContext(TIOParamsVals& params, TIEBitmap* bitmap, TCodecProgress& progress, vcl::TStream* stream)
      : Params(params), Bitmap(bitmap), Progress(progress), Stream(stream) {}
  TIOParamsVals& Params;
  TIEBitmap* Bitmap;
  TCodecProgress& Progress;
  vcl::TStream* Stream;
  int64_t StreamSize = 0;
  bool Preview = false;
  bool LittleEndian = true;
  std::string TransferSyntax;
  int32_t SamplesPerPixel = 1;
  std::string Photometric;
  int32_t PlanarConfiguration = 0;
  int32_t FrameCount = 1;
  int32_t PixelRepresentation = 0;
  int32_t Columns = 0;
  int32_t Rows = 0;
  int32_t BitsAllocated = 0;
  int32_t BitsStored = 0;
  std::vector<uint16_t> RedLUT, GreenLUT, BlueLUT;
  double WindowCenter = -1;
  double WindowWidth = -1;
  double RescaleIntercept = 0;
  double RescaleSlope = 1;
};

// A 16- or 32-bit value from the context's stream, byte-swapped when `swap` is set; false at
// the end of the stream.
bool DICOMReadWord(TDICOMContext& c, bool swap, uint16_t& value);
bool DICOMReadDWord(TDICOMContext& c, bool swap, uint32_t& value);

// Locates the frame ImageIndex at the stream's position (the start of the pixel data's value)
// and decodes it into the context's bitmap; sets the aborting flag when it cannot.
void ReadDICOMPixels(TDICOMContext& c);

}  // namespace imaging
