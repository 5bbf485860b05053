// Layered PSD images: the merged image (bitmap, grey, indexed, RGB, CMYK and Lab; 1, 8 and 16
// bits; raw or PackBits), the image resources (resolution, IPTC, thumbnail, ICC profile, the
// palette's transparent index, XMP) and the layers with their user masks.
//
// Layers travel as TPSDLayer records, which the image view turns into its own layers and back.
// Bad or unsupported data never raises: the reader and the writer set the aborting flag of the
// progress record and return.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

struct TPSDLayer {
  std::unique_ptr<TIEBitmap> Bitmap;
  int32_t PosX = 0;
  int32_t PosY = 0;
  int32_t Transparency = 255;
  std::string Name;
  bool Visible = true;
  bool Cropped = false;
  // The user mask of the layer before it (8-bit grey, the mask rectangle's size).
  bool IsMask = false;
  // The size the layer is shown at (0: the bitmap's); the writer resamples a copy to it.
  int32_t Width = 0;
  int32_t Height = 0;
  bool UseResampleFilter = false;
  TResampleFilter ResampleFilter = rfNone;
};

using TPSDLayers = std::vector<TPSDLayer>;

// Whether the stream starts with a PSD header this reader takes. The position is restored.
bool IsPSDStream(vcl::TStream* Stream);

// Reads the file at the stream's position. A nil `Bitmap` fills the parameters only. With
// `Layers` given, the layers are read into it when `LoadLayers` is set or the file has at most
// one; the merged image is then read only when no layer was.
void ReadPSDStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool LoadLayers, TPSDLayers* Layers);

// Writes `Bitmap` as the merged image and the layers (which are not changed: the writer works
// on converted copies). Pixel formats without a PSD colour mode (float grey) are refused.
void WritePSDStream(vcl::TStream* Stream, TIOParamsVals& Params, TCodecProgress& Progress, TIEBitmap* Bitmap,
                    const TPSDLayers& Layers);

// PackBits of one row: runs of 4 or more equal bytes as repeats, the rest as literals of up to
// 128 bytes. `Dest` must hold count + count / 128 + 1 bytes; returns the bytes written.
int32_t PSDPackBits(const uint8_t* Source, int32_t Count, uint8_t* Dest);

// Fills the PSD (24) row of the format registry with this codec (the merged image only).
void RegisterPSDFormat();

}  // namespace imaging
