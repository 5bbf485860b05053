// Stream helpers and the two encoders of the PostScript and PDF writers: ASCII85 (with the
// "z" shortcut and 75-character lines) and RunLength.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

// Writes count bytes; a short write sets `error` (which is never cleared here).
void StreamWriteChecked(vcl::TStream* stream, bool& error, const void* buffer, int32_t count);
// Writes the text followed by CR LF.
void WriteLineCRLFToStream(vcl::TStream* stream, const std::string& text);

// Encodes 1 to 4 bytes as n + 1 base-85 digits (or "z" for four zero bytes); both pointers
// advance past what was read and written. Returns the characters written (0 for a count
// outside 1 .. 4, which reads and writes nothing).
int32_t EncodeASCII85Group(const uint8_t*& source, int32_t count, uint8_t*& destination);
// Encodes count bytes in lines of about 75 characters, then the end marker "~>" and CR LF.
// Returns every character written; `counter` grows by the digit characters only. The
// destination needs room for count * 5 / 4 + count / 30 + 12 bytes.
int32_t EncodeASCII85(const uint8_t*& source, int32_t count, uint8_t*& destination, int32_t& counter);
// The RunLength encoding of the bytes, ending with the end-of-data byte 128. Returns the bytes
// written; the destination needs room for length + (length + 1) / 2 + 2 bytes: a literal may
// stop before a repeated pair, so pairs of bytes can each cost three.
int32_t EncodeRunLength(const uint8_t* source, int32_t length, uint8_t* destination);

}  // namespace imaging
