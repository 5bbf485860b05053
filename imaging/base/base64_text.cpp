#include "imaging/base/base64_text.h"

#include <algorithm>
#include <string>

#include "vcl/runtime/streams.h"

namespace imaging {

void Base64EncodeGroup(const uint8_t* source, char* destination, int32_t count) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  count = std::clamp(count, 1, 3);
  uint32_t value = 0;
  for (int32_t i = 0; i < 3; ++i) value = (value << 8) | (i < count ? source[i] : 0);
  for (int32_t i = 0; i < 4; ++i) destination[i] = kAlphabet[(value >> (18 - 6 * i)) & 0x3F];
  if (count < 3) destination[3] = '=';
  if (count < 2) destination[2] = '=';
}

void WriteBase64Text(vcl::TStream* source, vcl::TStream* text, int32_t lineLength) {
  int64_t size = source->Size();
  while (source->Position() < size) {
    std::string line;
    int32_t groups = 0;
    do {
      uint8_t group[3] = {0, 0, 0};
      int32_t got = 0;
      while (got < 3 && source->Read(&group[got], 1) == 1) ++got;
      if (got == 0) break;
      char chars[4];
      Base64EncodeGroup(group, chars, got);
      line.append(chars, 4);
      ++groups;
    } while (groups < lineLength / 4.0 && source->Position() < size);
    if (groups == 0) break;
    line += "\r\n";
    text->WriteBuffer(line.data(), static_cast<int32_t>(line.size()));
  }
}

}  // namespace imaging
