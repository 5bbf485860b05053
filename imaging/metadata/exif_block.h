// The byte forms of Exif data that do not need the TIFF codec: recognising the JPEG APP1 Exif
// block and finding a TIFF header inside a camera-raw file.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

// The 6-byte header of the JPEG APP1 form: "Exif" and two zero bytes.
constexpr int32_t kExifHeaderSize = 6;

// True when the block starts with "Exif" and a zero byte and is long enough to hold the whole
// 6-byte header (the sixth byte is not checked). Nothing past `length` is read.
bool IsExifBlock(const uint8_t* data, int32_t length);

// The offset, from the stream's position, of the first TIFF header ("II" or "MM", magic 42,
// 0x4F52 or 0x5352, a first-directory offset below the stream's size) within the next
// 131,072 bytes; -1 when there is none. The position is left as it was.
int64_t FindTIFFHeaderInStream(vcl::TStream* stream);

}  // namespace imaging
