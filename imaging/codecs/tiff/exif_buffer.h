// Exif blocks: a complete little TIFF structure holding the EXIF, GPS and other tags of a
// parameter block (and optionally the EXIF thumbnail as a second directory), bare or behind the
// 6-byte "Exif" header of a JPEG APP1 marker. Written and read with the TIFF writer and reader.
#pragma once

#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

class TIOParamsVals;

// The parameter block's EXIF data (and its thumbnail, when not empty) as an Exif block; with
// `withHeader` the block starts with "Exif" 0x00 0x00.
void SaveExifToBuffer(TIOParamsVals& params, std::vector<uint8_t>& buffer, bool withHeader);
// Reads an APP1-form Exif block into the parameter block's EXIF fields and thumbnail. False,
// with the block untouched, when the data is not an Exif block.
bool LoadExifFromBuffer(const uint8_t* data, int32_t length, TIOParamsVals& params);
// Copies the EXIF part of one parameter block into another.
void CopyExifParams(TIOParamsVals& source, TIOParamsVals& dest);
// Camera-raw files: the EXIF fields of the TIFF structure at the stream's position; the second
// form also takes the smaller of the first two pictures as the EXIF thumbnail. The position is
// restored. Both answer true.
bool ReadTIFFExif(vcl::TStream* stream, TIOParamsVals& params);
bool ReadTIFFExifWithThumbnail(vcl::TStream* stream, TIOParamsVals& params);

}  // namespace imaging
