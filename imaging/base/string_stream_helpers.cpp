#include "imaging/base/string_stream_helpers.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

void WriteStringToStream(vcl::TStream* stream, const std::string& text) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw vcl::EWriteError("Stream write error");
  int32_t length = static_cast<int32_t>(text.size());
  uint8_t prefix[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                       static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  stream->WriteBuffer(prefix, 4);
  if (length > 0) stream->WriteBuffer(text.data(), length);
}

void ReadStringFromStream(vcl::TStream* stream, std::string& text) {
  uint8_t prefix[4];
  if (stream->Read(prefix, 4) != 4) throw vcl::EReadError("Stream read error");
  int32_t length = static_cast<int32_t>(static_cast<uint32_t>(prefix[0]) | static_cast<uint32_t>(prefix[1]) << 8 |
                                        static_cast<uint32_t>(prefix[2]) << 16 |
                                        static_cast<uint32_t>(prefix[3]) << 24);
  if (length < 0) throw vcl::EReadError("Invalid string length in stream");
  // Read in chunks so that a damaged length cannot make us allocate more than the stream has.
  constexpr int32_t kChunk = 65536;
  std::string result;
  while (static_cast<int32_t>(result.size()) < length) {
    int32_t want = std::min(kChunk, length - static_cast<int32_t>(result.size()));
    size_t old = result.size();
    result.resize(old + want);
    if (stream->Read(result.data() + old, want) != want) throw vcl::EReadError("Stream read error");
  }
  text = std::move(result);
}

}  // namespace imaging
