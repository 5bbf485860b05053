// HD Photo decoding and encoding of our own, over jxrlib in the codec helper process. It takes
// the place of the platform's HD Photo codec, which under Wine decodes lossless files into a
// corrupted heap, decodes lossy files with wrong rows, and cannot encode at all. The platform
// wrappers (wic_codecs.h) route the HD Photo container here.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

class TIEBitmap;

struct THDPhotoFrame {
  int32_t Width = 0, Height = 0;  // the frame's own size
  double DpiX = 0, DpiY = 0;
};

// Decodes frame `index` of the file: natively (black and white as ie1g, grey as ie8g or ie16g,
// colour as ie24RGB or ieRGB48, CMYK as ieCMYK with inverted bytes, as the library keeps it)
// or, without `native`, as ie24RGB (black and white stays ie1g). False for damaged or
// unsupported files; the bitmap is then untouched.
bool DecodeHDPhotoFrame(const std::vector<uint8_t>& file, int32_t index, bool native, TIEBitmap* bitmap,
                        THDPhotoFrame& frame);

// Encodes an ie1g, ie8g, ie16g, ie24RGB, ieCMYK or ieRGB48 bitmap; a quality of 1 or more, or
// `lossless`, keeps every value. False when the bitmap's format has no HD Photo layout or the
// encoder fails.
bool EncodeHDPhoto(TIEBitmap* bitmap, double dpiX, double dpiY, double quality, bool lossless,
                   std::vector<uint8_t>& file);

}  // namespace imaging
