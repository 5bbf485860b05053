// The 12-byte header in front of an image inside a larger stream: a 4-character tag ("JFIF",
// "TIFF", "PCX2"), four zero bytes and the little-endian 32-bit number of data bytes after it.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

constexpr int32_t kStreamHeaderSize = 12;

enum class TStreamHeader { None, Found, Damaged };

// The header with `tag` at the position and the number of data bytes after it. A header whose
// length does not fit in what the stream still holds is damaged. The position ends after a
// header that was found, else where it was.
TStreamHeader ReadStreamHeader(vcl::TStream* stream, const char* tag, int64_t& dataSize);

// Reserves the header's place before a writer runs; Finish writes it once the data length is
// known, when the writer succeeded.
class TStreamHeaderWriter {
 public:
  TStreamHeaderWriter(vcl::TStream* stream, const char* tag, bool active);
  void Finish(bool succeeded);

 private:
  vcl::TStream* stream_;
  const char* tag_;
  bool active_;
  int64_t start_ = 0;
};

}  // namespace imaging
