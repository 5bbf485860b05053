// Base64 of a stream's bytes as lines of text.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

// Encodes count (1 .. 3) bytes as four characters of the standard alphabet, "=" standing for
// the missing ones. A count outside 1 .. 3 counts as 3 (or 1 when below).
void Base64EncodeGroup(const uint8_t* source, char* destination, int32_t count);
// Writes the bytes from the source's position to its end as Base64 lines of lineLength
// characters (the last line shorter), each ended by CR LF, to the text stream.
void WriteBase64Text(vcl::TStream* source, vcl::TStream* text, int32_t lineLength);

}  // namespace imaging
