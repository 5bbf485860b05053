#include "imaging/base/stream_encoders.h"

#include <algorithm>

#include "vcl/runtime/streams.h"

namespace imaging {

void StreamWriteChecked(vcl::TStream* stream, bool& error, const void* buffer, int32_t count) {
  if (stream->Write(buffer, count) < count) error = true;
}

void WriteLineCRLFToStream(vcl::TStream* stream, const std::string& text) {
  std::string line = text + "\r\n";
  stream->WriteBuffer(line.data(), static_cast<int32_t>(line.size()));
}

int32_t EncodeASCII85Group(const uint8_t*& source, int32_t count, uint8_t*& destination) {
  if (count < 1 || count > 4) return 0;
  uint32_t value = 0;
  for (int32_t i = 0; i < 4; ++i) value = (value << 8) | (i < count ? source[i] : 0);
  source += count;
  if (value == 0 && count == 4) {
    *destination++ = 'z';
    return 1;
  }
  static const uint32_t kDivisors[5] = {52200625u, 614125u, 7225u, 85u, 1u};
  for (int32_t i = 0; i <= count; ++i) *destination++ = static_cast<uint8_t>((value / kDivisors[i]) % 85 + 33);
  return count + 1;
}

int32_t EncodeASCII85(const uint8_t*& source, int32_t count, uint8_t*& destination, int32_t& counter) {
  int32_t result = 0;
  int32_t line = 0;
  // No bytes give only the end marker: an empty group would be an invalid final group.
  for (int32_t remaining = count; remaining > 0; remaining -= 4) {
    int32_t written = EncodeASCII85Group(source, std::min(4, remaining), destination);
    result += written;
    counter += written;
    line += written;
    if (line >= 75) {
      *destination++ = '\r';
      *destination++ = '\n';
      result += 2;
      line = 0;
    }
  }
  for (uint8_t c : {'~', '>', '\r', '\n'}) *destination++ = c;
  return result + 4;
}

int32_t EncodeRunLength(const uint8_t* source, int32_t length, uint8_t* destination) {
  int32_t out = 0;
  int32_t j = 0;
  while (j < length) {
    int32_t run = 1;
    while (j + run < length && run < 128 && source[j + run] == source[j]) ++run;
    if (run >= 2) {
      destination[out++] = static_cast<uint8_t>(257 - run);
      destination[out++] = source[j];
      j += run;
      continue;
    }
    int32_t literal = 1;
    while (j + literal < length && literal < 128 && source[j + literal] != source[j + literal - 1]) ++literal;
    destination[out++] = static_cast<uint8_t>(literal - 1);
    std::copy(source + j, source + j + literal, destination + out);
    out += literal;
    j += literal;
  }
  destination[out++] = 128;
  return out;
}

}  // namespace imaging
