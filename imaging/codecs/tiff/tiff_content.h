// Content tests for TIFF-structured streams (plain TIFF, HD Photo, camera raw) and the routine
// that carries a parameter block's metadata into one page of an existing TIFF-structured file.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIOParamsVals;

// True when the stream holds a TIFF ("II" or "MM", first directory inside the stream, loading
// and holding ImageWidth and ImageLength). Never raises; the position is restored.
bool IsTIFFStream(vcl::TStream* stream);
// True when the stream holds a little-endian TIFF-structured HD Photo image. Never raises; the
// position is restored.
bool IsHDPhotoStream(vcl::TStream* stream);
// True when the stream holds a TIFF-structured camera-raw file (a DNG version tag, a colour
// filter array or linear raw photometric, or a small preview with sub-directories and the
// TIFF/EP standard ID). Never raises; the position is restored.
bool IsTIFFCameraRawStream(vcl::TStream* stream);

// Copies the fixed set of metadata tags (make, model, date, orientation, resolution, software,
// artist, colour data, rights, rating, XP texts, EXIF and GPS directories) from `params` into
// page `pageIndex` of the TIFF read from `source` (or from the file `sourceFileName` when
// `source` is nil), and writes the whole TIFF to `dest` (or to the file `destFileName` when
// `dest` is nil; `dest` may be `source`). Returns whether any tag was copied; the target is
// still written when none was. Stream and file errors propagate.
bool RewriteTIFFMetadata(vcl::TStream* source, vcl::TStream* dest, const std::string& sourceFileName,
                         const std::string& destFileName, int32_t pageIndex, TIOParamsVals& params);

}  // namespace imaging
