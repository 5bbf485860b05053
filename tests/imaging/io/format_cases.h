// The formats the I/O object reads and writes with codecs of this library, as the table tests
// go over them: how each source picture is made and saved, and what reading it back gives.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/params/io_params.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

namespace io_test {

struct TFormatCase {
  const char* name;
  const char* extension;
  int32_t fileType;
  int32_t tolerance;  // mean sample difference after a round trip (JPEG is lossy)
  int32_t dpi;        // read back: the source's 150 where the format stores it, else the default
  int32_t bitsPerSample;  // a cursor reports its depth as bits of one sample
  int32_t samplesPerPixel;
  bool detectable;  // found by content (WBMP has no signature)
  bool writable;    // cursors have no writer: their files are made from icons
};

inline const std::vector<TFormatCase>& AllFormats() {
  static const std::vector<TFormatCase> formats = {
      {"TIFF", ".tif", 1, 0, 150, 8, 3, true, true},  {"JPEG", ".jpg", 3, 3, 150, 8, 3, true, true},
      {"GIF", ".gif", 2, 0, 300, 8, 1, true, true},   {"PNG", ".png", 8, 0, 150, 8, 3, true, true},
      {"BMP", ".bmp", 5, 0, 150, 8, 3, true, true},   {"ICO", ".ico", 6, 0, 150, 8, 3, true, true},
      {"CUR", ".cur", 7, 0, 150, 24, 1, true, false},  {"PPM", ".ppm", 12, 0, 300, 8, 3, true, true},
      {"WBMP", ".wbmp", 16, 0, 300, 1, 1, false, true},
  };
  return formats;
}

inline const TFormatCase& FormatOf(int32_t fileType) {
  for (const TFormatCase& format : AllFormats())
    if (format.fileType == fileType) return format;
  throw std::invalid_argument("no such format case");
}

inline const std::vector<TFormatCase>& WritableFormats() {
  static const std::vector<TFormatCase> formats = [] {
    std::vector<TFormatCase> writable;
    for (const TFormatCase& format : AllFormats())
      if (format.writable) writable.push_back(format);
    return writable;
  }();
  return formats;
}

// Gives the object the format's source picture: a smooth picture where the format keeps every
// colour; a few colours for the palette of a GIF and black and white for a wireless bitmap.
// Icons are written at the picture's own size, in 24 bits.
inline void PrepareSource(TImageIO& io, const TFormatCase& format, int32_t w = 64, int32_t h = 48) {
  if (format.fileType == 2)
    io.IEBitmap()->Assign(test_pictures::FewColours(w, h, 6).get());
  else if (format.fileType == 16)
    io.IEBitmap()->Assign(test_pictures::Checker1Bit(w, h).get());
  else
    io.IEBitmap()->Assign(Smooth(w, h).get());
  io.Params().SetDpiX(150);
  io.Params().SetDpiY(150);
  io.Params().ICOWriteSizes[0] = imaging::TIOICOSize{w, h};
  io.Params().ICOWriteBitCounts[0] = 24;
}

inline std::unique_ptr<TImageIO> SourceIO(const TFormatCase& format, int32_t w = 64, int32_t h = 48) {
  auto io = std::make_unique<TImageIO>(nullptr);
  PrepareSource(*io, format, w, h);
  return io;
}

// An icon file retyped as a cursor: the directory's type 2, and the two fields an icon entry
// keeps its planes and depth in become the hot spot.
inline test_files::Bytes IconAsCursor(test_files::Bytes icon) {
  if (icon.size() >= 6) icon[2] = 2;
  return icon;
}

// The source saved through SaveToStream in the format (a cursor: an icon, retyped).
inline test_files::Bytes EncodedFile(TImageIO& source, const TFormatCase& format) {
  vcl::TMemoryStream stream;
  source.SaveToStream(&stream, format.writable ? format.fileType : 6);
  if (source.Aborting()) return {};
  test_files::Bytes bytes = test_files::StreamBytes(&stream);
  return format.writable ? bytes : IconAsCursor(bytes);
}

}  // namespace io_test
