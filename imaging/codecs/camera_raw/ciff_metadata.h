// The CIFF heap some raw files carry their metadata in: descriptions, make and model, software,
// pixel dimensions, maker-note values and embedded JPEG pictures, in heaps that hold heaps.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

class TIOParamsVals;

// Walks the heap of the file at the stream's position into the EXIF fields: the smallest
// embedded JPEG becomes EXIFThumbnail, the maker-note records a directory in EXIFMakerNote.
// Data that is not a CIFF heap leaves the parameters alone. Nothing past the stream's end is
// read; a heap that holds itself, or heaps nested deeper than 8, are not walked again.
void ReadCIFFMetadata(vcl::TStream* Stream, TIOParamsVals& Params);

}  // namespace imaging
