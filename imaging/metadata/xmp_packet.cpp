#include "imaging/metadata/xmp_packet.h"

#include <cstring>

namespace imaging {

const char kXMPNamespace[] = "http://ns.adobe.com/xap/1.0/";

namespace {
constexpr int32_t kHeaderLength = 29;  // identifier and its zero byte
}

const uint8_t* FindXMPPacket(const uint8_t* data, int32_t length) {
  if (!data || length < 30 || std::memcmp(data, kXMPNamespace, 24) != 0) return nullptr;
  const void* zero = std::memchr(data, 0, static_cast<size_t>(length));
  if (!zero) return nullptr;
  return static_cast<const uint8_t*>(zero) + 1;
}

bool LoadXMPFromBuffer(const uint8_t* data, int32_t length, std::string& xmpText) {
  const uint8_t* packet = FindXMPPacket(data, length);
  if (!packet) return false;
  xmpText.assign(reinterpret_cast<const char*>(packet), static_cast<size_t>(data + length - packet));
  return true;
}

std::vector<uint8_t> SaveXMPToBuffer(const std::string& xmpText) {
  std::vector<uint8_t> buffer(kHeaderLength + xmpText.size());
  std::memcpy(buffer.data(), kXMPNamespace, kHeaderLength);  // the terminating zero included
  std::memcpy(buffer.data() + kHeaderLength, xmpText.data(), xmpText.size());
  return buffer;
}

}  // namespace imaging
