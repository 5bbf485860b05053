// XMP packets in JPEG APP1 blocks: the 28-character XMP namespace identifier and a zero byte,
// then the packet text without terminator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// The XMP namespace identifier that starts an XMP APP1 block.
extern const char kXMPNamespace[];

// The packet of an APP1 block whose first 24 bytes match the identifier: the address after the
// zero-terminated identifier, searched for only within the block; nil for any other block or
// one shorter than 30 bytes.
const uint8_t* FindXMPPacket(const uint8_t* data, int32_t length);
// Takes the packet text (to the end of the block) into xmpText when the block holds one.
bool LoadXMPFromBuffer(const uint8_t* data, int32_t length, std::string& xmpText);
// The APP1 block for a packet text: identifier, zero byte, text.
std::vector<uint8_t> SaveXMPToBuffer(const std::string& xmpText);

}  // namespace imaging
