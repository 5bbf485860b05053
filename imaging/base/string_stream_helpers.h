// Length-prefixed byte strings on a stream: an int32 length (little-endian) followed by the
// bytes, no terminator. Layer and vector-object files store their texts this way.
#pragma once

#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

void WriteStringToStream(vcl::TStream* stream, const std::string& text);
// Reads a string written by WriteStringToStream. A negative length or a stream that ends
// before the length or the bytes are complete raises EReadError and leaves `text` unchanged;
// memory grows only with the bytes that actually arrive, whatever length the stream claims.
void ReadStringFromStream(vcl::TStream* stream, std::string& text);

}  // namespace imaging
