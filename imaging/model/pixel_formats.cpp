#include "imaging/model/pixel_formats.h"

#include "imaging/base/bit_helpers.h"

namespace imaging {

int32_t PixelFormatBitCount(vcl::TPixelFormat format) {
  switch (format) {
    case vcl::pf1bit: return 1;
    case vcl::pf4bit: return 4;
    case vcl::pf8bit: return 8;
    case vcl::pf15bit: return 15;
    case vcl::pf16bit: return 16;
    case vcl::pf24bit: return 24;
    case vcl::pf32bit: return 32;
    default: return 0;
  }
}

TIEPixelFormat PixelFormatToIEPixelFormat(vcl::TPixelFormat format) {
  switch (format) {
    case vcl::pf1bit: return ie1g;
    case vcl::pf4bit:
    case vcl::pf8bit: return ie8p;
    default: return ie24RGB;
  }
}

int64_t PixelFormatRowSize(int64_t width, vcl::TPixelFormat format) {
  return AlignedRowSize(width, PixelFormatBitCount(format), 32);
}

}  // namespace imaging
