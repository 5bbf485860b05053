// The TIFF writer: one image as one page of a little-endian TIFF, either as a new file or
// inserted into an existing little-endian TIFF held in the same stream. Also used with a nil
// bitmap to build the metadata-only structure of an Exif block.
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

// Writes `bitmap` (never changed: converted copies are made when needed) as one TIFF page.
// Without `append` a new TIFF starts at the stream's position; every offset in it is relative to
// that position, so a TIFF written after other data is still a valid TIFF from its header on.
// With `append` the stream holds an existing little-endian TIFF whose header starts at the
// stream's position (readable and writable; for a TIFF at the start of a stream, position 0)
// and the page is inserted at index `TIFFImageIndex` (at the end when the index is beyond the last
// page). A nil bitmap writes a directory holding only the metadata tags. `params` may be
// adjusted (BitsPerSample, SamplesPerPixel, TIFFPhotometric, TIFFCompression) to what was
// written. Returns the number of pages in the file afterwards (1 for a new file); a failure
// (bad existing file, write error, encoder error) sets the aborting flag and returns 0.
int32_t WriteTIFFStream(vcl::TStream* stream, bool append, TIEBitmap* bitmap,
                        TIOParamsVals& params, TCodecProgress& progress);

// The TIFF PackBits coding of one row, appended to `output`: runs of 4 to 128 equal bytes as
// (1 - n, value); other bytes as literal groups of at most 128, (count - 1, bytes...).
void PackBitsEncodeRow(const uint8_t* row, int32_t length, std::vector<uint8_t>& output);

}  // namespace imaging
